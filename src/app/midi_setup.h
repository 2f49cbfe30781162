#pragma once
// The MIDI ports of the Qt program: input from any thread is handled in the
// event loop, and replies the virtual DX7 holds back get a timer of their own.

#include "app/qt_host.h"
#include "librarian/form1_view.h"
#include "midi/port_wiring.h"

namespace vox {

MidiWiring WireMidiForQt(const MidiOptions &options, QtHost &host);

// Queues a pass of the host's pump whenever the port has input.
void WakeHostOnInput(MidiInPort &in, QtHost &host);

// What the main window's MIDI menu lists and does.
MidiMenuModel MidiMenuFor(MidiWiring &wiring);

} // namespace vox
