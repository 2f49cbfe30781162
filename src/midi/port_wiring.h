#pragma once
// Picks the backend and the ports from the command line, and lets the MIDI
// menu list the ports and re-wire them by name while the program runs.

#include "midi/midi_port.h"
#include "midi/virtual_dx7.h"
#include "midi/virtual_dx7_ports.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vox {

struct MidiOptions {
    std::string out, in, api; // port names or parts of them; "alsa" / "jack"
    bool virtualDx7 = false;
};

// The ports the program runs on. Null when nothing could be set up: the
// caller then keeps ports that never open.
struct MidiWiring {
    std::unique_ptr<VirtualDx7> dx7; // the in-process instrument, when asked
    std::unique_ptr<MidiOutPort> out;
    std::unique_ptr<MidiInPort> in;
    std::string api;                   // the RtMidi API in use, "" for none
    std::vector<std::string> problems; // what the user asked for and could not get

    // The ports a user may choose: never the program's own.
    std::vector<std::string> outputNames() const;
    std::vector<std::string> inputNames() const;
    // The port really connected now, "" when none.
    std::string currentOutput() const;
    std::string currentInput() const;
    // Re-wire to the port of that name; false when it did not open. The
    // port connected before is then connected again where it can be.
    bool chooseOutput(const std::string &name);
    bool chooseInput(const std::string &name);
};

// clock: monotonic seconds for the virtual DX7's delays; wakeAfter: asked to
// poll the input after that many seconds when a reply is held back.
MidiWiring WireMidi(const MidiOptions &options, Clock clock, std::function<void(double)> wakeAfter);

// The text printed by --list-ports: every compiled API, whether it works,
// and its output and input ports.
std::string ListPortsText();

} // namespace vox
