#pragma once
// Every send of the program goes through these.

#include "common/host.h"
#include "common/program_state.h"
#include "text/ui_text.h"
#include "voice/dx7_messages.h"

#include <span>

namespace vox {

inline constexpr Text kMidiOutOpenFailed = "MIDI out デバイスオープンに失敗しました";

// Closes whatever is open, opens the output; reports a failure in a box
// and carries on without output.
void OpenMidiOut(ProgramState &state, Host &host);
void CloseMidiOut(ProgramState &state);
// True when sends reach a port; without one every send is dropped.
bool MidiOutIsOpen(const ProgramState &state);

inline constexpr int kMidiChannels = 16;
// Ten bits a byte at 31.25 kbaud: how long a byte takes on the cable.
inline constexpr double kCableSecondsPerByte = 10.0 / 31250;
// The low nibble the instrument's channel (state.exchange.channel) gives a
// status byte or a System Exclusive message's third byte.
Byte ChannelNibble(const ProgramState &state);

// A channel message goes out on the instrument's channel, whatever channel
// `status` names.
void SendShortMessage(ProgramState &state, Byte status, Byte data1, Byte data2);

// Sends one complete System Exclusive message, the instrument's own
// addressed to its channel, then runs one pass of the
// message loop, in which input and other handlers may run. Every System
// Exclusive message of the program goes out here, so that the pause set in
// state.exchange.sysExPauseMs (0: none) lies between any two of them. With
// state.exchange.sysExChunk N set, it goes to the port in pieces of N bytes
// at the cable's pace; what handlers send meanwhile follows it.
void SendLongMessage(ProgramState &state, Host &host, std::span<const Byte> message);

// A voice as the instrument is sent it: VoiceOnTheWire, every data byte
// kept but for bit 7, values out of range included (the instrument uses
// them as they come). The slot itself keeps its bytes.
Slot VoiceAsSent(std::span<const Byte, kSlotSize> slot);

// Program change to slot `slot` (program 0 for slot 0), then the dump of
// `voice` (the edit area's).
void SendCurrentVoice(ProgramState &state, Host &host, int slot, std::span<const Byte, kSlotSize> voice);

inline constexpr Byte kProgramChange = 0xC0;
inline constexpr Byte kNoteOn = 0x90;
inline constexpr Byte kNoteOff = 0x80;

} // namespace vox
