#pragma once
// "DX7 II データ": the later models' performances, system set-up, micro
// tunings and fractional scalings (the universal 7E dumps), kept as the
// whole messages they came in. Their inner fields are not known for
// certain, so the window names each message only by what is sure (its
// name, model, repeats, length and whether byte count and checksum hold)
// and reads, writes and sends it byte for byte. A companion window of the
// MIDI menu.

#include "text/ui_text.h"
#include "voice/family_data.h"
#include "workspace/window_ports.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vox {

namespace family_data_text {
inline constexpr Text kCaption = "DX7 II データ";
inline constexpr Text kColumnKind = "種類";
inline constexpr Text kColumnModel = "機種";
inline constexpr Text kColumnCount = "数";
inline constexpr Text kColumnBytes = "バイト";
inline constexpr Text kColumnState = "状態";
inline constexpr Text kLoad = "ファイル読込…";
inline constexpr Text kSave = "ファイル保存…";
inline constexpr Text kDelete = "削除";
inline constexpr Text kReceive = "DX7から読込";
inline constexpr Text kTransmit = "DX7へ送信";
inline constexpr Text kClose = "閉じる";
inline constexpr Text kNote =
    "中身の値は表示しません。メッセージは届いたとおり、1バイトも変えずに保存・送信します。";
// The kinds, by family_data's short names.
inline constexpr Text kKindPced = "PCED（パフォーマンス・エディットバッファ）";
inline constexpr Text kKindPmem = "PMEM（32パフォーマンス）";
inline constexpr Text kKindSystem = "SYSTEM（システム・セットアップ）";
inline constexpr Text kKindMcrye = "MCRYE（マイクロチューニング・エディットバッファ）";
inline constexpr Text kKindMcrym = "MCRYM（マイクロチューニング・メモリー）";
inline constexpr Text kKindMcryc = "MCRYC（カートリッジのマイクロチューニング）";
inline constexpr Text kKindFksye = "FKSYE（フラクショナル・スケーリング・エディットバッファ）";
inline constexpr Text kKindFksyc = "FKSYC（カートリッジのフラクショナル・スケーリング）";
inline constexpr Text kKindTx802Pced = "TX802 PCED（TX802 パフォーマンス・エディットバッファ）";
inline constexpr Text kKindTx802Pmem = "TX802 PMEM（TX802 パフォーマンス）";
// %N: the ten name bytes as sent.
inline constexpr Text kKindUnknown = "不明な名前「%N」";
inline constexpr const char *kModelDx7ii = "DX7 II";
inline constexpr const char *kModelTx802 = "TX802";
inline constexpr Text kGood = "良好";
inline constexpr Text kDamaged = "壊れています";
inline constexpr Text kCountWrong = "（バイト数が違います）";
inline constexpr Text kChecksumWrong = "（チェックサムが違います）";
// Items of a list inside a text.
inline constexpr Text kListSeparator = "、";

inline constexpr Text kLoadTitle = "DX7 II データのファイル読込";
inline constexpr Text kSaveTitle = "DX7 II データのファイル保存";
inline constexpr Text kFileFilter = "SysEx (*.syx);;MIDI (*.mid);;すべてのファイル (*)";
// %F: the file.
inline constexpr Text kNoneInFile = "「%F」には DX7 II のデータ（パフォーマンス、システム・セットアップ、"
                                    "マイクロチューニング、フラクショナル・スケーリング）がありません。"
                                    "一覧は変わっていません。";
// %N: how many.
inline constexpr Text kLoaded = "「%F」から %N 件のメッセージを読み込みました。";
inline constexpr Text kVoicesLeft =
    "音色データ %N 件は読み込んでいません（メインウインドウの「ﾌｧｲﾙ読込(32VOICE)」で読込めます）。";
inline constexpr Text kSupplementsLeft =
    "音色の追加データ（AMEM・ACED）%N "
    "件は読み込んでいません（音色といっしょにメインウインドウで読込めます）。";
inline constexpr Text kNothingListed = "一覧にメッセージがありません。";
inline constexpr Text kSaved = "「%F」に %N 件のメッセージを保存しました。";
inline constexpr Text kUnsaved = "DX7から読込んだデータに、ファイル保存していないものがあります。";

inline constexpr Text kMk1Send = "「MIDI設定…」の機種が DX7 になっています。DX7（初代）はこのデータを受け付け"
                                 "ないため、送りません。DX7 II か TX802 なら、機種を選び直してください。";
inline constexpr Text kMk1Receive =
    "「MIDI設定…」の機種が DX7 になっています。DX7（初代）はこのデータを持って"
    "いないため、読込めません。DX7 II か TX802 なら、機種を選び直してください。";
inline constexpr Text kNoOutput = "MIDI出力ポートが開いていないため、DX7とやりとりできません。"
                                  "メニューの「MIDI」で出力ポートを選んでください。";
inline constexpr Text kNoInput = "MIDI入力ポートが開いていないため、DX7から読込めません。"
                                 "メニューの「MIDI」で入力ポートを選んでください。";
inline constexpr Text kSendConfirm =
    "一覧の %N 件のメッセージをDX7へ送ります。DX7のメモリーの同じ種類のデータは送ったもので置き換わります。"
    "送りますか？";
inline constexpr Text kDamagedNotSent = "壊れている %N 件は送りません。";
inline constexpr Text kNothingGood = "一覧のメッセージはすべて壊れているため、送るものがありません。";
inline constexpr Text kSent = "DX7へ %N 件のメッセージを送りました。";
inline constexpr Text kCame = "届いたデータ：";
inline constexpr Text kCameDamaged = "壊れて届いたデータ（一覧に入れていません）：";
inline constexpr Text kNotCame = "届かなかったデータ：";
inline constexpr Text kNoneCame = "DX7から何も届きませんでした。「MIDI設定…」の機種とDX7の受信チャンネル、"
                                  "MIDIケーブルを確かめてください。";
} // namespace family_data_text

// How long an answer to one request may take: a PMEM is 1650 bytes,
// 0.53 s on the cable, and well within the bank request's wait.
inline constexpr double kFamilyAnswerSeconds = 1.5;
// After each message sent, beyond its time on the cable: room for the
// instrument to store it before the next comes (no timing is published).
inline constexpr double kFamilyGapSeconds = 0.3;

class FamilyDataForm {
public:
    explicit FamilyDataForm(FormContext program) : program_(program) {}

    // One held message as a row reads.
    struct Row {
        std::string kind, model, count, bytes, state;
    };

    // Asked the file to read or write; nullopt when the user cancels.
    std::function<std::optional<std::string>()> chooseLoadFile, chooseSaveFile;

    void open();
    bool isOpen() const { return open_; }
    std::vector<Row> rows() const;
    // The held messages, F0 to F7 each, in list order.
    const std::vector<std::vector<Byte>> &messages() const { return messages_; }
    // The rows chosen (list indexes).
    std::vector<int> selected;
    // What finished last, under the list; "" at first.
    std::string statusText;
    // A receive or send runs: every button but none is held off.
    bool busy() const { return busy_; }
    // Received data not yet saved to a file.
    bool unsaved() const { return unsaved_; }

    void loadClick();     // ファイル読込…
    void saveClick();     // ファイル保存…
    void deleteClick();   // 削除
    void receiveClick();  // DX7から読込
    void transmitClick(); // DX7へ送信
    void closeClick();    // 閉じる
    // The close box: true when the window may close.
    bool queryUnload();

private:
    // True when the action may discard the unsaved received data.
    bool mayDiscard();
    // Refuses a receive or send the model, the ports or a running transfer
    // do not allow, saying why.
    bool mayExchange(Text mk1Refusal, bool needsInput);
    void say(const std::string &text, MsgIcon icon = MsgIcon::Exclamation);

    FormContext program_;
    std::vector<std::vector<Byte>> messages_;
    bool open_ = false;
    bool busy_ = false;
    bool unsaved_ = false;
};

// The row of one message, as the list shows it.
FamilyDataForm::Row FamilyRow(const FamilyMessage &message);

} // namespace vox
