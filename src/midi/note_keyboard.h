#pragma once
// The on-screen keyboard and the computer keyboard's letter rows, without
// the widget: which keys are shown, which note each letter plays, what the
// mouse and the letters hold. The view only paints and forwards events.
//
// The letter rows are two octaves of a piano on two rows, the black keys
// on the row of digits or letters above their white ones:
//   lower row  Z S X D C V G B H N J M , L . ; /   C  C# D .. B  C' C#' D' D#' E'
//   upper row  Q 2 W 3 E R 5 T 6 Y 7 U I 9 O 0 P   C' C#' D' .. B' C'' C#'' D'' D#'' E''
// from the lowest key shown; F7 and F8 shift everything an octave down and up.

#include "midi/note_player.h"

#include <map>
#include <optional>
#include <string>

namespace vox {

// Semitones above the lowest key shown that a key of the letter rows
// plays; `key` is the character the key types, letters in upper case (the
// key codes of Qt and of ASCII agree on these). nullopt for any other key.
std::optional<int> LetterRowOffset(int key);

// The keys that shift the octave: F7 down, F8 up (their Qt key codes).
// Function keys type nothing into the entry fields and none of the
// windows' own keys (F5 is the audition) is among them.
inline constexpr int kOctaveDownKey = 0x01000036; // Qt::Key_F7
inline constexpr int kOctaveUpKey = 0x01000037;   // Qt::Key_F8

// A note's name as the instrument names it: middle C (note 60) is "C3".
std::string NoteName(int note);

class NoteKeyboard {
public:
    // Three octaves and the C above them are shown.
    static constexpr int kShownKeys = 37;
    // The lowest key shown is a C: by default C2 (note 48), so the shown
    // keys C2..C5 hold the middle of the instrument's C1..C6; it moves
    // from C-2 (note 0) to C5 (note 84), whose top key is C8 (note 120).
    static constexpr int kDefaultLowest = 48, kLowestLowest = 0, kHighestLowest = 84;

    explicit NoteKeyboard(ProgramState &state) : player_(state) {}

    int lowestNote() const { return lowest_; }
    int highestNote() const { return lowest_ + kShownKeys - 1; }
    bool canShiftDown() const { return lowest_ > kLowestLowest; }
    bool canShiftUp() const { return lowest_ < kHighestLowest; }
    // A held note keeps sounding; its key stops it where it was pressed.
    bool octaveDown();
    bool octaveUp();
    // "C2〜C5": the keys shown.
    std::string rangeText() const;

    // Mouse: a press on a key plays it; dragging moves the note to the key
    // under the pointer (nullopt: off the keys); the release stops it.
    void pointerDown(std::optional<int> note);
    void pointerMove(std::optional<int> note);
    void pointerUp();

    // A key of the letter rows went down or up (auto-repeat already left
    // out); true when the key is the keyboard's (the caller then keeps it
    // from the other controls). A release stops the note its press played,
    // whatever the octave now; a release of a key that played nothing is
    // not the keyboard's.
    bool letterDown(int key);
    bool letterUp(int key);
    // The key's press played a note that still sounds.
    bool holdsLetter(int key) const { return letters_.contains(key); }
    // F7 / F8; true when the key is one of them.
    bool octaveKey(int key);

    // Lets go of every note the mouse and the letters hold.
    void releaseAll();

    bool isHeld(int note) const { return player_.isHeld(note); }
    std::vector<int> held() const { return player_.held(); }

private:
    NotePlayer player_;
    int lowest_ = kDefaultLowest;
    std::optional<int> pointerNote_;
    std::map<int, int> letters_; // key -> the note its press played
};

} // namespace vox
