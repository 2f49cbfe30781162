#pragma once
// A MIDI keyboard as a source of notes: an input port apart from the DX7's,
// whose note on and off messages, on whatever channel the keyboard sends,
// are played on the DX7's channel through the program's output. The port's backend
// queues what arrives on its own thread; pump() takes it on the GUI thread,
// where every send of the program happens.

#include "midi/midi_port.h"
#include "midi/note_player.h"

#include <functional>
#include <memory>
#include <string>

namespace vox {

class NoteInput {
public:
    // Makes the port listening to the input of that name (not yet open).
    using PortMaker = std::function<std::unique_ptr<MidiInPort>(const std::string &name)>;

    NoteInput(ProgramState &state, PortMaker makePort) : player_(state), makePort_(std::move(makePort)) {}
    ~NoteInput() { choose({}); }
    NoteInput(const NoteInput &) = delete;
    NoteInput &operator=(const NoteInput &) = delete;

    // Listens to the input of that name from now on; "" listens to none.
    // Notes still held from the port before are stopped. False when the
    // port did not open: nothing is listened to then.
    bool choose(const std::string &name);
    // The input listened to, "" when none.
    const std::string &current() const { return current_; }

    // Called on the backend's thread whenever input is queued, so the GUI
    // thread can be woken to pump().
    void setWakeUp(std::function<void()> wakeUp);
    // GUI thread: plays what arrived. True when anything did.
    bool pump();

    // Stops every note the keyboard holds (its note offs may never come
    // once the port is gone).
    void releaseAll() { player_.releaseAll(); }
    const NotePlayer &player() const { return player_; }

private:
    NotePlayer player_;
    PortMaker makePort_;
    std::function<void()> wakeUp_;
    std::unique_ptr<MidiInPort> port_;
    std::string current_;
};

} // namespace vox
