#pragma once
// The small on-screen keyboard at the bottom of the editor and the library
// window. A mouse press on a key plays it (velocity 100, the DX7's channel),
// dragging moves the note, the release stops it; the computer keyboard's
// letter rows play it while the focus is not in an entry field of the same
// window (layout in midi/note_keyboard.h); F7 and F8 shift it an octave.
// Every note it holds stops when the window hides or loses the focus.

#include "midi/note_keyboard.h"
#include "text/ui_text.h"

#include <QWidget>

#include <optional>

class QLabel;
class QToolButton;

namespace vox {

namespace keyboard_text {
inline constexpr const char *kOctaveDown = "◀";
inline constexpr const char *kOctaveUp = "▶";
inline constexpr Text kOctaveDownTip = "1オクターブ下げます（F7）";
inline constexpr Text kOctaveUpTip = "1オクターブ上げます（F8）";
inline constexpr Text kRangeTip = "鍵盤の音域";
inline constexpr Text kKeysTip =
    "クリックで音を出します（DX7の受信チャンネル、ベロシティ100）。入力欄の外では文字キーでも弾けます："
    "Z S X D C V G B H N J M , が左端のCから1オクターブ、Q 2 W 3 E R 5 T 6 Y 7 U I がその1オクターブ上。"
    "F7／F8でオクターブを移します";
} // namespace keyboard_text

class PianoKeys;

class KeyboardView : public QWidget {
public:
    // Sends through state.midiOut, as the audition does.
    KeyboardView(ProgramState &state, QWidget *parent);

    NoteKeyboard &keyboard() { return keyboard_; }
    // Where the key of `note` lies, in the keys' widget ("KeyboardKeys");
    // empty when it is not shown.
    QRect keyRect(int note) const;
    // Stops every note held and redraws.
    void releaseAll();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void shiftOctave(bool up);
    void redraw();

    NoteKeyboard keyboard_;
    PianoKeys *keys_ = nullptr;
    QLabel *range_ = nullptr;
    QToolButton *down_ = nullptr, *up_ = nullptr;
};

// Stops every note of every on-screen keyboard, before a port changes:
// the note offs must reach the instrument that got the note ons.
void ReleaseEveryKeyboard();

} // namespace vox
