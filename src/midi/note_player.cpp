#include "midi/note_player.h"

#include "midi/midi_output.h"

#include <algorithm>
#include <iterator>

namespace vox {

namespace {
bool IsNote(int note) { return note >= 0 && note <= 127; }
} // namespace

void NotePlayer::press(int note, int velocity) {
    if (!IsNote(note)) return;
    // A bank receive or transmit is the only sender while it runs.
    if (TransferRunning(state_)) return;
    auto &presses = presses_[static_cast<std::size_t>(note)];
    if (presses++ > 0) return;
    // Velocity 0 would be a note off: the softest note on is 1.
    const Byte v = static_cast<Byte>(velocity < 1 ? 1 : velocity > 127 ? 127 : velocity);
    SendShortMessage(state_, kNoteOn, static_cast<Byte>(note), v);
}

void NotePlayer::release(int note) {
    if (!IsNote(note)) return;
    auto &presses = presses_[static_cast<std::size_t>(note)];
    if (presses == 0 || --presses > 0) return;
    SendShortMessage(state_, kNoteOff, static_cast<Byte>(note), 0);
}

void NotePlayer::strike(int note, int velocity) {
    if (!IsNote(note)) return;
    lift(note);
    press(note, velocity);
}

void NotePlayer::lift(int note) {
    if (!IsNote(note) || presses_[static_cast<std::size_t>(note)] == 0) return;
    presses_[static_cast<std::size_t>(note)] = 1;
    release(note);
}

void NotePlayer::releaseAll() {
    for (std::size_t note = 0; note < presses_.size(); ++note) {
        if (presses_[note] == 0) continue;
        presses_[note] = 0;
        SendShortMessage(state_, kNoteOff, static_cast<Byte>(note), 0);
    }
}

namespace {
constexpr Byte kControl = 0xB0, kPressure = 0xD0, kBend = 0xE0;
constexpr Byte kPlayedControls[] = {1, 2, 4, 65};
} // namespace

bool NotePlayer::perform(Byte kind, Byte data1, Byte data2) {
    kind &= 0xF0;
    const bool control = kind == kControl && std::find(std::begin(kPlayedControls), std::end(kPlayedControls),
                                                       data1) != std::end(kPlayedControls);
    if (!control && kind != kPressure && kind != kBend) return false;
    if (TransferRunning(state_)) return true;
    moved_ = true;
    SendShortMessage(state_, kind, static_cast<Byte>(data1 & 0x7F), static_cast<Byte>(data2 & 0x7F));
    return true;
}

void NotePlayer::centre() {
    if (!moved_) return;
    moved_ = false;
    if (TransferRunning(state_)) return;
    SendShortMessage(state_, kBend, 0, 64);
    SendShortMessage(state_, kPressure, 0, 0);
    for (Byte c : kPlayedControls)
        SendShortMessage(state_, kControl, c, 0);
}

bool NotePlayer::isHeld(int note) const {
    return IsNote(note) && presses_[static_cast<std::size_t>(note)] > 0;
}

std::vector<int> NotePlayer::held() const {
    std::vector<int> notes;
    for (std::size_t note = 0; note < presses_.size(); ++note)
        if (presses_[note] > 0) notes.push_back(static_cast<int>(note));
    return notes;
}

bool PlayNoteMessage(NotePlayer &player, std::span<const Byte> message) {
    if (message.size() == 2 && (message[0] & 0xF0) == kPressure)
        return player.perform(message[0], message[1], 0);
    if (message.size() < 3) return false;
    const Byte kind = message[0] & 0xF0;
    const int note = message[1] & 0x7F, velocity = message[2] & 0x7F;
    if (kind == kNoteOn && velocity > 0) {
        player.strike(note, velocity);
        return true;
    }
    if (kind == kNoteOff || kind == kNoteOn) {
        player.lift(note);
        return true;
    }
    return player.perform(message[0], message[1], message[2]);
}

} // namespace vox
