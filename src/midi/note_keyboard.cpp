#include "midi/note_keyboard.h"
#include "text/ui_text.h"

#include <array>
#include <utility>

namespace vox {

namespace {

// Each key with its semitones above the lowest key shown.
constexpr std::array<std::pair<char, int>, 34> kLetterRows{{
    {'Z', 0},  {'S', 1},  {'X', 2},  {'D', 3},  {'C', 4},  {'V', 5},  {'G', 6},  {'B', 7},  {'H', 8},
    {'N', 9},  {'J', 10}, {'M', 11}, {',', 12}, {'L', 13}, {'.', 14}, {';', 15}, {'/', 16}, {'Q', 12},
    {'2', 13}, {'W', 14}, {'3', 15}, {'E', 16}, {'R', 17}, {'5', 18}, {'T', 19}, {'6', 20}, {'Y', 21},
    {'7', 22}, {'U', 23}, {'I', 24}, {'9', 25}, {'O', 26}, {'0', 27}, {'P', 28},
}};

} // namespace

std::optional<int> LetterRowOffset(int key) {
    for (const auto &[letter, offset] : kLetterRows)
        if (key == letter) return offset;
    return std::nullopt;
}

std::string NoteName(int note) {
    static constexpr const char *kNames[12] = {"C",  "C#", "D",  "D#", "E",  "F",
                                               "F#", "G",  "G#", "A",  "A#", "B"};
    const int octave = note / 12 - 2; // note 60 is C3
    return std::string(kNames[note % 12]) + std::to_string(octave);
}

bool NoteKeyboard::octaveDown() {
    if (!canShiftDown()) return false;
    lowest_ -= 12;
    return true;
}

bool NoteKeyboard::octaveUp() {
    if (!canShiftUp()) return false;
    lowest_ += 12;
    return true;
}

std::string NoteKeyboard::rangeText() const {
    return NoteName(lowestNote()) + Tr("〜") + NoteName(highestNote());
}

void NoteKeyboard::pointerDown(std::optional<int> note) {
    pointerUp();
    pointerNote_ = note;
    if (note) player_.press(*note);
}

void NoteKeyboard::pointerMove(std::optional<int> note) {
    if (note == pointerNote_) return;
    // The new note first goes on only after the old one is off, so a slide
    // over the keys plays each key once, as a finger would.
    if (pointerNote_) player_.release(*pointerNote_);
    pointerNote_ = note;
    if (note) player_.press(*note);
}

void NoteKeyboard::pointerUp() {
    if (pointerNote_) player_.release(*pointerNote_);
    pointerNote_.reset();
}

bool NoteKeyboard::letterDown(int key) {
    const std::optional<int> offset = LetterRowOffset(key);
    if (!offset) return false;
    if (letters_.contains(key)) return true; // already down
    const int note = lowest_ + *offset;
    letters_[key] = note;
    player_.press(note);
    return true;
}

bool NoteKeyboard::letterUp(int key) {
    const auto held = letters_.find(key);
    if (held == letters_.end()) return false;
    player_.release(held->second);
    letters_.erase(held);
    return true;
}

bool NoteKeyboard::octaveKey(int key) {
    if (key == kOctaveDownKey) {
        octaveDown();
        return true;
    }
    if (key == kOctaveUpKey) {
        octaveUp();
        return true;
    }
    return false;
}

void NoteKeyboard::releaseAll() {
    pointerNote_.reset();
    letters_.clear();
    player_.releaseAll();
}

} // namespace vox
