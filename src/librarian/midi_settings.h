#pragma once
// "MIDI設定": how the program exchanges data with the DX7. The receive's
// method, the pause after each System Exclusive message, the fast
// receive's wait for an answer and its re-requests, the instrument's
// receive channel, the pieces long System Exclusive messages go out in, and
// whether a bank sent is read back. OK applies them to the
// running program; the app then remembers them for the next run.

#include "text/ui_text.h"
#include "workspace/window_ports.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vox {

namespace midi_settings_text {
inline constexpr Text kMenuItem = "MIDI設定…";
inline constexpr Text kCaption = "MIDI設定";
inline constexpr Text kFrame1 = "受信の方式";
inline constexpr Text kOption1 = "標準（0.5秒ごとに32回要求）";
inline constexpr Text kOption2 = "高速（1音色ずつ確かめて受信）";
inline constexpr Text kLabel3 = "応答待ち";
inline constexpr Text kLabel4 = "秒（0.2〜10）";
inline constexpr Text kLabel5 = "再要求の回数";
inline constexpr Text kLabel6 = "回（0〜10）";
inline constexpr Text kLabel1 = "SysEx間の待ち";
inline constexpr Text kLabel2 = "ms（0〜500）";
inline constexpr Text kLabel7 = "DX7への送信で取りこぼしがあるときに増やします";
inline constexpr Text kLabel8 = "DX7の受信チャンネル";
inline constexpr Text kLabel9 = "（1〜16）";
inline constexpr Text kLabel10 = "DX7のFUNCTIONのMIDI CHと同じにします（違うと何も届きません）";
inline constexpr Text kLabel11 = "SysExの分割";
inline constexpr Text kLabel12 = "バイト（0＝しない、32〜1024）";
inline constexpr Text kLabel13 = "長いSysExを取りこぼすMIDIインターフェイスに小分けして送ります";
inline constexpr Text kCheck1 = "送信後に確認する";
inline constexpr Text kLabel14 = "送信したバンクを読み返して比べます";
inline constexpr Text kLabel15 = "（DX7の選ばれている音色が変わります）";
inline constexpr Text kLabel16 = "機種";
// The instruments, in the order of InstrumentModel.
inline constexpr Text kModels[3] = {"DX7", "DX7 II／DX7s", "TX802"};
inline constexpr Text kLabel17 = "DX7 II と TX802 にはバンクの追加データ（AMEM）も送ります";
inline constexpr const char *kCommand1 = "OK";
inline constexpr Text kCommand2 = "キャンセル";
// An entry OK cannot take: the box names the field and what it accepts.
inline constexpr Text kPauseInvalid = "SysEx間の待ちには 0 から 500 までの整数（ms）を入力してください。";
inline constexpr Text kTimeoutInvalid = "応答待ちには 0.2 から 10 までの数（秒）を入力してください。";
inline constexpr Text kRetriesInvalid = "再要求の回数には 0 から 10 までの整数を入力してください。";
inline constexpr Text kChannelInvalid = "DX7の受信チャンネルには 1 から 16 までの整数を入力してください。";
inline constexpr Text kChunkInvalid =
    "SysExの分割には 0（分割しない）か 32 から 1024 までの整数（バイト）を入力してください。";
inline constexpr Text kInvalidTitle = "MIDI設定の確認";
} // namespace midi_settings_text

// What the settings may hold; a remembered value outside these is not used.
inline constexpr int kMaxSysExPauseMs = 500;
inline constexpr double kMinFastTimeoutSeconds = 0.2;
inline constexpr double kMaxFastTimeoutSeconds = 10.0;
inline constexpr int kMaxFastRetries = 10;
inline constexpr int kMaxChannel = 16;
// Pieces of System Exclusive messages, bytes (0: whole). Below 32 ALSA's
// encoder would send two pieces at a time (rtmidi_ports.cpp); above 1024
// no interface needs it.
inline constexpr int kMinSysExChunk = 32;
inline constexpr int kMaxSysExChunk = 1024;
// A piece size as the settings may hold it: 0, or within the range.
std::optional<int> ReadSysExChunk(std::string_view text);

// The entries read as numbers: blanks around them and full-width digits
// (as a Japanese input method types them) are taken; nullopt for anything
// else or a value outside the range.
std::optional<int> ReadWholeNumber(std::string_view text, int min, int max);
std::optional<double> ReadSeconds(std::string_view text, double min, double max);
// Seconds as the entry shows them: the shortest text that reads back the same.
std::string SecondsText(double seconds);

class MidiSettingsForm {
public:
    MidiSettingsForm(FormContext program, MainWindowPort &mainWindow)
        : program_(program), mainWindow_(mainWindow) {}

    // --- Controls ---
    bool option1 = true;  // 標準
    bool option2 = false; // 高速
    std::string text1;    // SysEx間の待ち (ms)
    std::string text2;    // 応答待ち (seconds)
    std::string text3;    // 再要求の回数
    std::string text4;    // DX7の受信チャンネル (1 to 16)
    std::string text5;    // SysExの分割 (bytes, 0: off)
    bool check1 = false;  // 送信後に確認する
    int combo1 = 0;       // 機種: InstrumentModel's value

    // Told the settings as they stood when the window opened and as OK
    // left them, so the caller can keep what the user changed.
    std::function<void(const ExchangeSettings &before, const ExchangeSettings &after)> applied;

    // Fresh each time: the controls show the settings in use now; shows
    // the window.
    void open();
    void option1Click();
    void option2Click();
    void check1Click() { check1 = !check1; }
    // The fast receive's entries mean something only with 高速 chosen.
    bool fastEntriesEnabled() const { return option2; }
    // OK: an entry out of range raises a box naming it and the window stays
    // open with nothing changed; otherwise applies and closes.
    void command1Click();
    void command2Click(); // キャンセル: closes, nothing changed
    // The close box: as キャンセル.
    void queryUnload();
    bool isOpen() const { return open_; }

private:
    void refuse(const std::string &text);
    void closeForm();

    FormContext program_;
    MainWindowPort &mainWindow_;
    ExchangeSettings shown_; // as the window opened
    bool open_ = false;
};

} // namespace vox
