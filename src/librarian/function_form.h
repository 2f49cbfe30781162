#pragma once
// "ファンクション設定": the instrument's function settings (poly or mono,
// pitch bend, portamento and glissando, the range and assign of the wheel,
// foot, breath and aftertouch). Each change goes to the instrument at once
// as its function parameter change; the app keeps the values for the next
// run. A companion window: the user plays and edits while it is open.

#include "text/ui_text.h"
#include "voice/function_settings.h"
#include "workspace/window_ports.h"

#include <functional>
#include <string>
#include <vector>

namespace vox {

namespace function_text {
inline constexpr Text kMenuItem = "ファンクション設定…";
inline constexpr Text kCaption = "ファンクション設定";
inline constexpr Text kPolyMono = "POLY／MONO";
inline constexpr Text kBendRange = "ピッチベンドの幅";
inline constexpr Text kBendStep = "ピッチベンドのステップ";
inline constexpr Text kPortaMode = "ポルタメントのモード";
inline constexpr Text kGlissando = "グリッサンド";
inline constexpr Text kPortaTime = "ポルタメントの時間";
inline constexpr Text kRange = "幅";
inline constexpr Text kAssign = "かかる先";
inline constexpr Text kWheel = "モジュレーションホイール";
inline constexpr Text kFoot = "フットコントローラー";
inline constexpr Text kBreath = "ブレスコントローラー";
inline constexpr Text kAftertouch = "アフタータッチ";
inline constexpr Text kPoly = "POLY";
inline constexpr Text kMono = "MONO";
inline constexpr Text kRetain = "RETAIN／FINGERED";
inline constexpr Text kFollow = "FOLLOW／FULL TIME";
inline constexpr Text kOff = "OFF";
inline constexpr Text kOn = "ON";
inline constexpr Text kSemitones = "半音";
inline constexpr Text kPitch = "PITCH";
inline constexpr Text kAmplitude = "AMP";
inline constexpr Text kEgBias = "EG BIAS";
inline constexpr Text kNote = "DX7がSYS INFO AVAILのときに届きます";
inline constexpr Text kSendAll = "すべて送信";
inline constexpr Text kClose = "閉じる";
} // namespace function_text

class FunctionForm {
public:
    explicit FunctionForm(FormContext program) : program_(program) {}

    // The values shown and last sent; the app puts the remembered ones here
    // at start.
    FunctionSettings values;
    // Told the values after each change, so the app can keep them.
    std::function<void(const FunctionSettings &)> changed;

    void open();
    bool isOpen() const { return open_; }
    // The entries of the drop-down list of a parameter that has one
    // (everything but the assigns), index = value.
    static std::vector<std::string> Choices(FunctionParam p);
    // A value chosen: sent at once when it differs from the one shown.
    void choose(FunctionParam p, int value);
    // An assign check box (source 0 wheel, 1 foot, 2 breath, 3 aftertouch;
    // bit 0 pitch, 1 amplitude, 2 EG bias) clicked.
    void assignClick(int source, int bit);
    bool assigned(int source, int bit) const;
    // すべて送信: every value, as the instrument may hold others.
    void sendAllClick();
    void closeClick();
    void queryUnload() { closeClick(); }

private:
    void send(int number);

    FormContext program_;
    bool open_ = false;
};

} // namespace vox
