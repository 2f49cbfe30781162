#pragma once
// The input side of the port layer: open, arm the one receive buffer,
// start and close, with the rules of the receive hook kept.

#include "midi/midi_port.h"
#include "voice/text.h" // SignedDecimal, for the receive logs

#include <span>
#include <string>

namespace vox {

// Whether the main window's receive procedure sees input. Installed before
// the port is opened, never twice; removed by every close of an open port,
// even one that failed.
struct ReceiveHook {
    bool installed = false;
};

// False at once, doing nothing, when there is no port or it is already
// open. Otherwise installs the hook (once) and opens the port.
bool OpenMidiIn(MidiInPort *port, ReceiveHook &hook);

// Prepares the one receive buffer and queues it; true when both succeed.
bool ArmInputBuffer(MidiInPort *port);

// Arms the buffer, then starts delivery; false when arming failed.
bool StartMidiIn(MidiInPort *port);

// False at once when nothing is open (the hook then stays). Otherwise
// reset, stop, unprepare and close, each whatever the others gave; true
// when all succeeded; the hook is removed in any case.
bool CloseMidiIn(MidiInPort *port, ReceiveHook &hook);

// Bytes 0..lastIndex as two upper-case hex digits each, no separators.
std::string HexText(std::span<const Byte> bytes, int lastIndex);

} // namespace vox
