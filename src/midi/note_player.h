#pragma once
// Notes the user plays on the program's own keyboards (the on-screen
// keyboard, the computer keyboard's letter rows, a MIDI keyboard): note on
// and off on the DX7's channel through the program's output, the path the
// audition takes, so the instrument and the virtual DX7 both play them.
// What is held is remembered, so that everything can be let go at once
// when a window closes or loses focus: a note left on would sound on.

#include "common/program_state.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vox {

// The touch of the on-screen keyboard and the letter rows, which have no
// velocity of their own: 100 is a firm touch that still leaves the voices'
// velocity sensitivity some room above it.
inline constexpr int kPlayVelocity = 100;

class NotePlayer {
public:
    explicit NotePlayer(ProgramState &state) : state_(state) {}
    ~NotePlayer() { releaseAll(); }
    NotePlayer(const NotePlayer &) = delete;
    NotePlayer &operator=(const NotePlayer &) = delete;

    // Note 0..127 (others are ignored). A note pressed again while held
    // (two keys of one pitch) sounds once and stops at its last release.
    void press(int note, int velocity = kPlayVelocity);
    void release(int note);
    // A source whose every key is one key (a MIDI keyboard): a note-on of a
    // held note strikes it again (note off, then on: the instrument gives
    // each note-on a voice of its own), and a note-off stops it at once.
    void strike(int note, int velocity);
    void lift(int note);
    // Note off for every held note.
    void releaseAll();
    // Pitch bend (its most significant byte), channel pressure, or control
    // 1 (wheel), 2 (breath), 4 (foot) or 65 (portamento switch), on the
    // DX7's channel: what the instrument plays from besides the keys.
    // False for anything else.
    bool perform(Byte kind, Byte data1, Byte data2);
    // Bend to the centre, the controllers down, when any was moved: a
    // source that goes away leaves nothing bent.
    void centre();

    bool isHeld(int note) const;
    std::vector<int> held() const; // ascending

private:
    ProgramState &state_;
    std::array<std::uint8_t, 128> presses_{};
    bool moved_ = false;
};

// A note message from a MIDI keyboard, on any channel, played through the
// player on the DX7's channel: note on, note off, and note on with velocity 0 (a
// note off by running status), and the bend, pressure and controllers
// perform() takes. Anything else is not the keyboard's to send to the
// instrument (its program changes would change the voice under the editor)
// and is dropped. True when the message was played.
bool PlayNoteMessage(NotePlayer &player, std::span<const Byte> message);

} // namespace vox
