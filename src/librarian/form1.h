#pragma once
// The main window "ＶＯＸＭＥＲＥ Ver1.0": behaviour without Qt. Its
// handlers are spread over the files of the features they belong to
// (start-up here, sound list, receive, bank exchange).

#include "common/controls.h"
#include "midi/fast_receive.h"
#include "midi/midi_input.h"
#include "midi/midi_port.h"
#include "text/ui_text.h"
#include "voice/voice.h"
#include "voice/voice_supplement.h"
#include "workspace/unwritten.h"
#include "workspace/window_ports.h"

#include <array>
#include <functional>
#include <optional>
#include <string>

namespace vox {

class Form7;

namespace form1_text {
inline constexpr Text kCaption = "ＶＯＸＭＥＲＥ Ver1.0";
inline constexpr Text kGuideTitle = "最初に設定してください";
inline constexpr Text kGuideLines[8] = {
    "最初に確認してください (このメッセ-ジは常に表示されます)",
    "１．ＰＣのｍｉｄｉ出力先を外部にしてください(標準は内部音源になっている)",
    "　(コントロ－ルパネルのサウンドとオ－ディオデバイスで実施)",
    "２．ＤＸ7の　｢FUNCTION CONTROL 8｣で｢SYS INFO AVAIL｣ にしてください",
    "　(DX7の電源を入れた直後は｢SYS INFO UNAVAIL｣に戻っています)",
    "３．｢MEMORY PROTECT INTERNAL｣を「ＯＦＦ」にしてください",
    "　(DX7の電源を入れた直後は｢ＯＮ｣に戻っています)　",
    "４．上の操作後は必ず「ＰＬＡＹ ＭＯＤＥ(INTERNAL)に戻してください",
};
inline constexpr const char *kVersionText = "VOXMERE Ver1.01";
inline constexpr Text kVersionTitle = "Ver情報";
inline constexpr const char *kInitFile = "INITdata.v01";
inline constexpr const char *kHelpFileUpper = "VOXMERE.HLP"; // named by the start-up boxes
inline constexpr const char *kHelpFileLower = "voxmere.hlp"; // named by the menu and HELP button

inline constexpr Text kLabel1 = "SOUND　LIST";
inline constexpr Text kLabelEditArea = "エディットエリア";
inline constexpr Text kCommand1 = "音を鳴らす（コマンドボタンを押している間は鳴り続けます）";
inline constexpr Text kCommand2Start = "開始";
inline constexpr Text kCommand2Stop = "停止";
inline constexpr Text kCommand2StopByReceive = "停止 ";
inline constexpr const char *kCommand3 = "End";
inline constexpr Text kCommand4 = "DX7から読込(32VOICE)";
inline constexpr const char *kCommand5 = "F2 OPEN";
inline constexpr Text kCommand6 = "ﾌｧｲﾙ保存(32VOICE)";
inline constexpr Text kCommand7 = "ﾌｧｲﾙ読込(32VOICE)";
inline constexpr Text kCommand8 = "DX7へ転送(32VOICE)";
inline constexpr Text kCommand9 = "ﾌｧｲﾙ保存(1VOICE)";
inline constexpr Text kCommand10 = "ﾌｧｲﾙ読込(1VOICE)";
inline constexpr Text kCommand11 = "SOUND LISTから読込";
inline constexpr Text kCommand12 = "SOUND LIST へ  書込";
inline constexpr Text kCommand13 = "EDIT　MODEへ";
inline constexpr Text kCommand14 = "ＨＥＬＰ";
inline constexpr const char *kMenuFile = "FILE(&F)";
inline constexpr const char *kMenuEnd = "END(&Q)";
inline constexpr const char *kMenuHelp = "HELP(&H)";
inline constexpr const char *kMenuHelpItem = "HELP";
inline constexpr Text kMenuVersion = "Ver情報";
// The MIDI menu's audition: the audition button lies out of view.
inline constexpr Text kMenuAudition = "試聴（エディットエリアの音色）";
// Where the built-in instrument sounds, and the MIDI keyboard that plays.
inline constexpr Text kMenuAudioOutput = "オーディオ出力（仮想DX7の音）";
inline constexpr Text kMenuNoteInput = "鍵盤入力（MIDIキーボード）";
// Under the window while the built-in instrument has no audio output.
inline constexpr Text kVirtualDx7Silent =
    "仮想DX7の音が出ていません（オーディオ出力を開けません）。MIDIメニューの「オーディオ出力（仮想DX7の音）」"
    "で出力を選んでください。";
inline constexpr Text kAudioOutputFailed = "オーディオ出力「%1」を開けませんでした。";
inline constexpr Text kNoteInputFailed = "MIDIキーボード「%1」を開けませんでした。";
// The MIDI menu's connection check: what answers on the ports and the
// channel chosen, and what to look at on the instrument when nothing does.
inline constexpr Text kMenuConnectionCheck = "接続の確認…";
inline constexpr Text kCheckTitle = "接続の確認";
inline constexpr Text kCheckNoOutput =
    "MIDI出力ポートが開いていません。メニュー「MIDI」の「出力ポート」で、DX7のMIDI INにつながっているポートを"
    "選んでください。";
inline constexpr Text kCheckNoInput = "MIDI入力ポートが開いていません。メニュー「MIDI」の「入力ポート"
                                      "」で、DX7のMIDI OUTにつながっているポートを"
                                      "選んでください。";
inline constexpr Text kCheckBefore =
    "DX7に音色1を選ぶプログラムチェンジ（チャンネル %C）を送り、DX7の答えを待ちます。DX7で選ばれている音色は"
    "音色1に変わりますが、DX7のメモリーの音色は変わりません。よろしいですか？";
inline constexpr Text kCheckAnswered =
    "DX7が答えました。MIDI出力「%O」、MIDI入力「%I」、チャンネル %C でつながっています。";
inline constexpr Text kCheckSilent =
    "DX7から答えがありません（MIDI出力「%O」、MIDI入力「%I」、チャンネル %C）。次を確かめてください。\n\n"
    "・DX7の「FUNCTION CONTROL 8」が「SYS INFO AVAIL」か（電源を入れた直後は「SYS INFO UNAVAIL」です）\n"
    "・DX7のMIDIチャンネルと、「MIDI設定…」の「DX7の受信チャンネル」が同じか\n"
    "・PCのMIDI出力がDX7のMIDI INに、DX7のMIDI OUTがPCのMIDI入力につながっているか（逆になっていないか）\n"
    "・ケーブルが抜けていないか";
inline constexpr Text kCheckHeardOther = "\n\n入力ポートにはDX7の音色データ以外のメッセージが届いています。";
inline constexpr Text kCheckAnswersRequests = "\n\nDX7はバンクの要求にも答えます（TX7、TX816、DX7 II "
                                              "などと同じ）。高速受信は32音色を1つのバルクダンプで"
                                              "受け取ります。";
inline constexpr Text kCheckIgnoresRequests =
    "\n\nDX7はバンクの要求には答えません（DX7 初代と同じ）。高速受信は音色を1つずつ受け取ります。";
inline constexpr Text kCheckSweepAsk =
    "ほかの入力ポートと、チャンネル1〜16を順に試しますか？ 各チャンネルに音色1を選ぶプログラムチェンジを"
    "送ります。DX7のメモリーの音色は変わりません。";
inline constexpr Text kCheckSweepFound =
    "DX7が答えました。MIDI出力「%O」、MIDI入力「%I」、チャンネル %C でつながります。この入力ポートと"
    "チャンネルを使いますか？";
inline constexpr Text kCheckSweepNone =
    "どの入力ポートとチャンネルでもDX7は答えませんでした。DX7の「SYS INFO AVAIL」と、PCのMIDI出力からDX7の"
    "MIDI INへのケーブルを確かめてください。";
// The model the check's requests point to, offered for the settings.
inline constexpr Text kCheckModelBefore = "要求への答えから、つながっているのは「";
inline constexpr Text kCheckModelMiddle = "」のようです。「MIDI設定…」の機種を「";
inline constexpr Text kCheckModelAfter = "」にしますか？";
// How long the check waits for the instrument's voice dump.
inline constexpr double kCheckWaitSeconds = 2.0;
// ... and, trying each input port and channel, for one answer.
inline constexpr double kSweepWaitSeconds = 0.4;
// Reading a transmitted bank back and comparing it with what was sent.
// The status line: what finished last.
inline constexpr Text kDoneReceived = "DX7から32音色を受信しました。";
// A later model is asked for the bank's additional data with the voices.
inline constexpr Text kDoneSupplementsReceived = " 追加データ（AMEM）も受け取りました。";
inline constexpr Text kDoneNoSupplementsCame = " 追加データ（AMEM）は届かなかったため、音色だけです。";
inline constexpr Text kDoneSupplementsDamaged =
    " 届いた追加データ（AMEM）はバイト数かチェックサムが違うため、受け取っていません。音色だけです。";
inline constexpr Text kLogSupplements = "AMEM（32音色の追加データ）";
inline constexpr Text kLogSupplementsDamaged = "AMEM（32音色の追加データ）: 壊れています";
inline constexpr Text kDoneBulkTaken = "DX7のバルクダンプの32音色を SOUND LIST に読み込みました。";
// A later model sends its AMEM beside the bulk dump; it goes with the voices.
inline constexpr Text kBulkWithSupplements = "追加データ（AMEM）も一緒に届いています。";
inline constexpr Text kBulkSupplementsDamaged =
    "一緒に届いた追加データ（AMEM）はバイト数かチェックサムが違うため、読み込みません。";
// How far apart the two may arrive to be taken as one bank.
inline constexpr double kBulkPairSeconds = 3.0;
inline constexpr Text kDoneTransmitted = "DX7へ32音色を転送しました。";
// Shown in the empty SOUND LIST.
inline constexpr Text kEmptyListHint = "「DX7から読込」か「ﾌｧｲﾙ読込(32VOICE)」で、ここに32音色が並びます。";
inline constexpr Text kMenuVerifyTransmit = "送信の確認…";
// The later models' performances, set-up, tunings and scalings.
inline constexpr Text kMenuFamilyData = "DX7 II データ…";
inline constexpr Text kVerifyTitle = "送信の確認";
inline constexpr Text kVerifyNothingSent =
    "このセッションではまだバンクをDX7へ転送していません。転送してから確かめてください。";
inline constexpr Text kVerifyAsk =
    "DX7のバンクを読み返して、最後に転送した32音色とくらべます。読み返すためにDX7で選ばれている音色が変わり"
    "ますが、DX7のメモリーの音色は変わりません。よろしいですか？";
inline constexpr Text kVerifyNotice =
    "転送のあと、バンクを読み返して確かめます。そのためDX7で選ばれている音色が変わります。";
inline constexpr Text kVerifyAllSame = "32音色すべて確認しました。";
inline constexpr Text kVerifyDifferBefore = "音色 ";
inline constexpr Text kVerifyDifferAfter =
    " がDX7で転送したものと違います。途中でデータが落ちたおそれがあります。もう一度転送してください。"
    "MIDIインターフェースが長いメッセージを落とすときは、「MIDI設定…」でSysExを分けて送る設定にしてください"
    "。";
inline constexpr Text kVerifyUnchanged =
    "DX7のメモリーの音色は、転送した32音色と1つも同じではありません。DX7が転送を受け付けなかったおそれが"
    "あります。次を確かめて、もう一度転送してください。\n\n"
    "・DX7の「MEMORY PROTECT INTERNAL」が OFF か（電源を入れた直後は ON です）\n"
    "・DX7の「FUNCTION CONTROL 8」が「SYS INFO AVAIL」か（電源を入れた直後は「SYS INFO UNAVAIL」です）";
inline constexpr Text kVerifyNoAnswer = "読み返しにDX7が答えませんでした。転送が届いたかどうかは確かめ"
                                        "られません。メニュー「MIDI」の「接続の確認…」"
                                        "で確かめてください。";
inline constexpr Text kVerifyMissingBefore = "読み返しで音色 ";
inline constexpr Text kVerifyMissingAfter =
    " を受け取れませんでした。転送が届いたかどうかは確かめられません。";
inline constexpr Text kVerifyNoInput = "MIDI入力ポートが開いていないため、読み返せません。";

// The voice library, a window beside the main window.
inline constexpr Text kMenuLibrary = "ライブラリ";
inline constexpr Text kMenuLibraryItem = "音色ライブラリ…";

inline constexpr Text kNoSelection = "SOUND LIST からＳＯＵＮＤ音色を選んでください";
inline constexpr Text kEditAreaEmpty = "エディットエリアに音色が選択されていません";
// The chooser with no bank to write into: a write would fill the list with
// 32 blank voices that could be saved or sent over the DX7's memory.
inline constexpr Text kChooserNoBank =
    "SOUND LIST に音色がありません。先にDX7またはファイルから32音色を読込んでください。";
// Marks beside the edit area and the SOUND LIST, and their tool tips.
inline constexpr Text kEditAreaChangedMark = "＊変更あり（未書込）";
inline constexpr Text kEditAreaChangedTip =
    "エディットエリアの音色は、SOUND LIST への書込またはファイル保存の後に変更されています";
inline constexpr Text kBankChangedMark = "＊変更あり（未保存）";
inline constexpr Text kBankChangedTip =
    "SOUND LIST は、読込・ファイル保存・DX7への転送の後に変更されています";
inline constexpr Text kEditAreaEntryTip = "エディットエリアにある音色";
// An entry whose voice carries the later models' additional data.
inline constexpr Text kSupplementTip = "DX7 II の追加データ（AMEM）があります";
inline constexpr const char *kSupplementMark = vox::kSupplementMark;
// Ending the program with work not written.
inline constexpr Text kCloseVoiceChanged = unwritten_text::kVoice;
inline constexpr Text kCloseBankChanged = unwritten_text::kBank;
inline constexpr Text kCloseQuestion = unwritten_text::kQuitQuestion;
inline constexpr Text kCloseTitle = unwritten_text::kQuitTitle;

inline constexpr Text kMidiInError = "ＭＩＤＩ接続エラ-ですＤＸ7との接続は出来ていますか？";
inline constexpr Text kMidiInErrorTitle = "ＭＩＤＩ接続と設定の確認";
inline constexpr const char *kOpenError = "ERR";
inline constexpr Text kCloseError = "クローズエラー";
inline constexpr const char *kLogOpen = "MIDIIN OPEN";
inline constexpr Text kLogShort = "ShortMsg受信 : ";
inline constexpr Text kLogLong = "LongMsg 受信 : ";
inline constexpr const char *kLogLongError = "LongMsg Err";

// No bank in the SOUND LIST: raised by the transmit and by the file buttons.
inline constexpr const char *kNo32Voices = "No 32voice data";
inline constexpr Text kSelectSaveData = "保存デ-タを選択してください";
inline constexpr Text kTransmitConfirm = "ＤＸ７内部メモリ-内の音色デ－タがすべて変更されます実行しますか";
inline constexpr Text kTransmitConfirmTitle = "デ－タ変更確認";
inline constexpr Text kTransmitDone = "転送完了";
inline constexpr Text kTransmitSupplements = "追加データ（AMEM）も送りました。";
inline constexpr Text kTransmitNoSupplements =
    "追加データ（AMEM）は送っていません。32 音色すべてに追加データがあるバンクだけ送れます"
    "（DX7 の音色の追加データは作れないため）。DX7 側の追加データはそのままです。";
inline constexpr Text kTransmitNoPort =
    "MIDI出力ポートが開いていないため、32音色をDX7へ転送しませんでした。"
    "メニューの「MIDI」で出力ポートを選んでから、もう一度転送してください。";

// Start-up without a working port: after the error boxes, how to get one.
inline constexpr Text kPortHintTitle = "ＭＩＤＩポートの選び方";
inline constexpr Text kGuideDontShow = "次回から表示しない";
inline constexpr Text kMenuShowGuide = "起動時に確認事項を表示";
// Undo and redo of the edit area and the entries written.
inline constexpr Text kMenuEdit = "編集(&E)";
inline constexpr Text kMenuUndo = "元に戻す";
inline constexpr Text kMenuRedo = "やり直し";
inline constexpr Text kMenuCompare = "COMPARE（元の音色）";
// The language the texts are shown in: its menu, and what a new choice does.
inline constexpr Text kMenuView = "表示(&V)";
inline constexpr Text kMenuLanguage = "言語 (Language)";
inline constexpr Text kLanguageNextStart = "表示する言語は、次に起動したときから変わります。";
// At start with no MIDI port at all: one question instead of the boxes of
// each port.
inline constexpr Text kNoPortsTitle = "MIDIポートがありません";
inline constexpr Text kNoPortsQuestion =
    "DX7につながるMIDIポートが見つかりません。内蔵の仮想DX7で始めますか？\n\n"
    "「はい」: 仮想DX7で始めます（音はこのPCから出ます）。\n"
    "「いいえ」: ポートなしで始めます。MIDIインターフェースをつないでから、メニューの「MIDI」で出力ポートと"
    "入力ポートを選んでください。";
inline constexpr Text kPortHint =
    "DX7につながるMIDIポートを選ぶには、メニューの「MIDI」で出力ポートと入力ポートを選ぶか、"
    "--midi-out と --midi-in にポート名を付けて起動してください。"
    "使えるポートは voxmere --list-ports で一覧できます。\n\n"
    "DX7がなくても、--virtual-dx7 を付けて起動すれば内蔵の仮想DX7で試せます。";

// The MIDI menu: a chosen port that did not open.
inline constexpr Text kOutPortFailedBefore = "MIDI出力ポート「";
inline constexpr Text kInPortFailedBefore = "MIDI入力ポート「";
inline constexpr Text kPortFailedAfter = "」を開けませんでした。";
inline constexpr Text kPortKeptBefore = "これまでどおり「";
inline constexpr Text kPortKeptAfter = "」を使います。";
inline constexpr Text kOutputNowClosed = "MIDI出力は閉じています。DX7には何も送られません。";
inline constexpr Text kInputNowClosed = "MIDI入力は閉じています。DX7からは何も受信できません。";

// Ending a receive that did not complete.
inline constexpr Text kCancelReceive = "受信中止";
inline constexpr Text kReceiveCancelled = "ＤＸ７からの受信を中止しました。";
inline constexpr Text kReceiveTimedOut = "ＤＸ７から３秒間応答がないため、受信を終了しました。";
inline constexpr Text kReceivedCountBefore = "受信できた音色は ";
inline constexpr Text kReceivedCountAfter = " 音色です。SOUND LIST には読み込まれていません。";

// The instrument's own bulk dump (MIDI TRANSMIT), arriving while no receive runs.
inline constexpr Text kBulkTitle = "DX7からの32音色";
inline constexpr Text kBulkQuestion =
    "DX7から32音色のバルクダンプを受信しました。この32音色を SOUND LIST に読込みますか？";
inline constexpr Text kBulkUnsaved =
    "SOUND LIST に、ファイル保存もDX7への転送もしていない変更があります。読込むとその変更は失われます。";
inline constexpr Text kBulkChecksumBefore = "このバルクダンプはチェックサムが合いません（受信 ";
inline constexpr Text kBulkChecksumMiddle = "h、計算 ";
inline constexpr Text kBulkChecksumAfter = "h）。データが壊れているおそれがあります。";
inline constexpr Text kBulkRefused = "DX7から受信したバルクダンプを SOUND LIST に読込めません。";
inline constexpr Text kBulkNotDx7Before = "DX7の32音色データではありません（フォーマット ";
inline constexpr Text kBulkNotDx7After = "h）。";
inline constexpr Text kBulkFourOperatorAfter = "h、4オペレータ機の32音色データ）。";
inline constexpr Text kBulkCutOffBefore = "途中で切れています（4104バイトのうち ";
inline constexpr Text kBulkCutOffAfter = " バイトしか届いていません）。";
inline constexpr Text kBulkTooLongBefore = "長さが違います（";
inline constexpr Text kBulkTooLongAfter = " バイト。32音色のバルクダンプは4104バイトです）。";
inline constexpr Text kBulkListUnchanged = "SOUND LIST は変更していません。";
inline constexpr Text kBulkWindowOpen =
    "DX7から32音色のバルクダンプを受信しましたが、ほかの窓が開いているため SOUND LIST に読込みませんでした。"
    "その窓を閉じてから、DX7でもう一度 MIDI TRANSMIT を行ってください。";
// The fast receive: its progress, an instrument that never answers, and
// voices that did not come after every retry.
inline constexpr const char *kFastProgressAfter = "/32";
inline constexpr Text kFastSilentBefore = "ＤＸ７から応答がありません。MIDI出力「";
inline constexpr Text kFastSilentMiddle = "」とMIDI入力「";
inline constexpr Text kFastSilentAfter =
    "」がDX7につながっているか、DX7の「FUNCTION CONTROL 8」が「SYS INFO AVAIL」になっているかを"
    "確認してください（DX7の電源を入れた直後は「SYS INFO "
    "UNAVAIL」です）。メニュー「MIDI」の「接続の確認…」でも確かめられます。";
inline constexpr Text kFastNoPort = "（なし）";
inline constexpr Text kFastMissingBefore = "音色 ";
inline constexpr Text kFastMissingAfter = " を受け取れませんでした。";
} // namespace form1_text

// The audition program number a Text1 text stands for: its leading whole
// number, 0 when it has none, the nearest of 0..127 when out of range.
int AuditionProgram(const std::string &text);

// The start-up guide: line 0, then each further line after two CRs.
std::string StartupGuideText();

enum class MidiDirection { Out, In };

// The windows the main window opens; the program object connects them.
class MainWindowLinks {
public:
    // The editor takes the edit-area voice (its window is shown apart).
    virtual void openEditor() = 0;
    // The open editor holds a name not yet sent.
    virtual bool editorNameEdited() const = 0;
    // The file dialogs, each shown as it opens.
    virtual void openBankSave() = 0;
    virtual void openBankLoad() = 0;
    virtual void openVoiceSave(const std::string &proposedName) = 0;
    virtual void openVoiceLoad() = 0;
    // The MIDI settings window, shown as it opens.
    virtual void openMidiSettings() = 0;
    virtual void openFunctionSettings() = 0;
    // The later models' performances and set-ups, beside the main window.
    virtual void openFamilyData() = 0;
    // The instrument's channel, as if chosen in the settings window.
    virtual void useChannel(int channel) = 0;
    // The instrument model, as if chosen in the settings window.
    virtual void useModel(InstrumentModel model) = 0;
    // The voice library, shown beside the main window, which stays enabled.
    virtual void openLibrary() = 0;

protected:
    ~MainWindowLinks() = default;
};

class Form1 : public MainWindowPort {
public:
    // `chooser` is the overwrite-position chooser this window opens.
    Form1(FormContext program, MainWindowLinks &windows, Form7 &chooser)
        : program_(program), windows_(windows), chooser_(chooser) {}

    // --- Controls ---
    ListBoxState list1, list2, list4;
    // The SOUND LIST: the bank's entries, none while a receive runs.
    ListBoxState list3() const;
    void list3Select(int index); // -1: none
    int list3Selected() const;
    std::string text1 = "1"; // audition program number
    // The edit area.
    std::string text2() const { return program_.workspace.editAreaText(); }
    std::string command2Caption = form1_text::kCommand2Start;
    // Hidden from the start, so they never show behind the start-up boxes.
    ProgressBarState progressBar1{.visible = false}, progressBar2{.visible = false};
    std::string progressBar1Text; // on the bar when not empty: the fast receive's "n/32"
    bool enabled = true;

    // --- Start-up, help, end ---
    void load();
    void command3Click();  // End
    void mnuFileClick();   // END(&Q)
    void command14Click(); // ＨＥＬＰ
    void mnuHelpClick();
    void mnuVerClick();
    // The 編集 menu (Ctrl+Z, Ctrl+Shift+Z or Ctrl+Y): a step of the edit
    // area or of an entry written back or on, heard at once on the DX7.
    void mnuUndoClick();
    void mnuRedoClick();
    // F6: COMPARE on or off (see Form2::compareClick).
    void mnuCompareClick();
    // A language from ProgramState::languages, kept for the next start.
    void mnuLanguageClick(const std::string &code);
    void mnuMidiSettingsClick();     // MIDI設定…
    void mnuFunctionSettingsClick(); // ファンクション設定…
    void mnuFamilyDataClick();       // DX7 II データ…
    void mnuConnectionCheckClick();  // 接続の確認…
    void mnuVerifyTransmitClick();   // 送信の確認…
    // The status line under the window: what finished last; "" at start.
    std::string statusText;
    void reportDone(const std::string &text) override { statusText = text; }
    // The MIDI inputs the connection check may try, as the MIDI menu has them.
    struct InputChoices {
        std::function<std::vector<std::string>()> list;
        std::function<std::string()> current;
        std::function<bool(const std::string &)> choose; // false: it did not open
    } inputChoices;
    bool verifyTransmitEnabled() const { return lastTransmitted_.has_value() && !transferRunning(); }
    void mnuLibraryClick(); // 音色ライブラリ…
    // The close box: closes the output and returns true when the window
    // may close. With edits unwritten it asks first; No keeps the program
    // running.
    bool queryClose();

    // --- Sound list, edit area, audition ---
    void clearReceiveLogs() override; // List1, List2, List4
    void command11Click();
    void list3DoubleClick();
    void command12Click();
    void command13Click();
    void command5Click();
    void command1MouseDown();
    void command1MouseUp();
    // Audition from the MIDI menu: the edit-area voice goes to the DX7 again
    // (it may have played another program since), then the audition note
    // sounds until auditionEditAreaEnd.
    void auditionEditArea();
    void auditionEditAreaEnd();

    // --- The edit-area voice and what is unwritten ---
    // Program change to the current slot, then the edit-area voice (the
    // EditBuffer) as a single-voice dump: what the edit area shows is what
    // the DX7 holds.
    void sendEditArea();
    // The voice changed since it was placed, written or saved (name included).
    bool editAreaChanged() const { return program_.workspace.editAreaChanged(); }
    // A full SOUND LIST that changed since it was loaded, saved or sent.
    bool bankChanged() const { return program_.workspace.bankChanged(); }
    // The list index of the entry the edit-area voice came from, -1 none.
    int editAreaEntry() const;
    // The marks the window shows; empty when nothing changed.
    std::string editAreaMark() const;
    std::string bankMark() const;
    // A bank receive or transmit owns the port: the commands that would
    // send to the instrument are greyed.
    bool transferRunning() const { return TransferRunning(program_.state); }

    // --- As the other windows see it ---
    std::vector<std::string> soundListEntries() const override { return list3().items; }
    bool editAreaUnwritten() const override;
    // The one place the main window is enabled or disabled.
    void setEnabled(bool enable) override;

    // --- MIDI input and bank exchange ---
    void startInputAtLoad();
    void command2Click();
    void command4Click();
    void command8Click();
    void receiveMidiEvent(const MidiInEvent &event);
    // Offered while a receive runs: ends it, says how many voices came.
    bool cancelReceiveVisible() const;
    void cancelReceive();
    // Run from every message-loop pass: ends a receive the DX7 stopped
    // answering.
    void checkReceiveTimeout();
    // The MIDI menu: the user chose port `name`; `opened` says whether it
    // opened, `inUse` is the port connected now ("" for none).
    void midiPortChosen(MidiDirection direction, const std::string &name, bool opened,
                        const std::string &inUse);

    ReceiveHook receiveHook;

    // --- Files ---
    void command6Click();  // save 32
    void command7Click();  // load 32
    void command9Click();  // save 1
    void command10Click(); // load 1

private:
    void stopReceive(const std::string &reason);
    // A transfer that selected voices on the instrument ended: the edit-area
    // voice goes to it again, so what it holds is what the edit area shows.
    void transferEnded();
    // Whether a whole message is one the running receive may take as an
    // answer: anything but the instrument's other typed messages.
    static bool ReceiveAnswer(std::span<const Byte> message);
    // A bank dump the instrument sent on its own while no receive runs: read
    // it, and put it into the SOUND LIST if the user says so.
    void offerBulkDump(std::span<const Byte> message);
    // The fast receive, driven by the input and the message-loop passes.
    void startFastReceive();
    void fastReceiveAnswer(std::span<const Byte> message);
    void fastReceiveBank(std::span<const Byte> message);
    void fastReceiveTick();
    void fastReceiveStep(const FastResult &step);
    FastReceive fastReceive_;
    // The connection check: what came within `seconds` of now; its own
    // answers are never offered as a bank to take.
    struct Heard {
        bool voice = false, bank = false, other = false;
        bool aced = false;       // a later model's additional voice edit buffer
        bool tx802Block = false; // a universal block only the TX802 sends
    };
    enum class Until { Voice, Bank, Aced, Tx802Block };
    // Sends by `ask`, then what came within `seconds`, its answers given
    // inside the send included.
    Heard askAndListen(const std::function<void()> &ask, double seconds, Until until);
    // Which model the answers to the check's requests point to; nullopt
    // when they leave it open.
    std::optional<InstrumentModel> modelFromRequests(bool answersBankRequest);
    void proposeModel(InstrumentModel model);
    void sweepPortsAndChannels();
    bool checking_ = false;
    // A later model's additional data, asked for with the bank: the AMEM
    // that answered, kept until the voices are complete.
    void askForSupplements();
    bool takeSupplements(std::span<const Byte> message);
    void takeReceivedBank();
    bool supplementsAsked_ = false;
    bool supplementsDamaged_ = false;
    std::optional<BankSupplements> supplementsReceived_;
    // An AMEM that came while no receive runs, for the bulk dump beside it.
    std::optional<BankSupplements> offeredSupplements_; // nullopt with the time set: it was damaged
    double offeredSupplementsAt_ = -1e9;
    bool offeredSupplementsNear() const;
    bool damagedSupplementsNear() const;
    // Verify after transmit: the bank last sent, packed as it went out, and
    // whether the running fast receive reads it back rather than receives.
    void startReadBack();
    void readBackEnded(const FastResult &step);
    void reportReadBack(std::string text, MsgIcon icon);
    std::optional<std::array<Byte, kPackedBankSize>> lastTransmitted_;
    bool readingBack_ = false;
    bool readBackAfterTransmit_ = false; // its report follows the transmit's

    FormContext program_;
    MainWindowLinks &windows_;
    Form7 &chooser_;
    // The SOUND LIST selection, and the bank it was made in: a bank
    // replaced or written clears it, as the list is built anew.
    int list3Selected_ = -1;
    int list3SelectedIn_ = 0;
    // The bulk dump question is up; a second dump meanwhile is only logged.
    bool bulkOfferOpen_ = false;
    // The audition note sounds (its note-off is owed).
    bool auditionSounding_ = false;
};

} // namespace vox
