#pragma once
// The MIDI ports of the Qt program: input from any thread is handled in the
// event loop, and replies the virtual DX7 holds back get a timer of their own.

#include "app/qt_host.h"
#include "librarian/form1.h"
#include "librarian/form1_view.h"
#include "midi/port_wiring.h"

namespace vox {

MidiWiring WireMidiForQt(const MidiOptions &options, QtHost &host);

// Queues a pass of the host's pump whenever the port has input.
void WakeHostOnInput(MidiInPort &in, QtHost &host);

// A port the user chose in the MIDI menu and that opened, with its API.
using PortChosen =
    std::function<void(MidiDirection direction, const std::string &api, const std::string &name)>;

// What the main window's MIDI menu lists and does; `chosen` hears of each
// real port chosen (never the built-in instrument).
MidiMenuModel MidiMenuFor(MidiWiring &wiring, PortChosen chosen = {});

} // namespace vox
