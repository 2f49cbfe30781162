#pragma once
// The MIDI monitor's lines: each message named as a musician reads it
// ("Program change 5", "Voice dump E.PIANO 1 (checksum OK)"), with its time,
// its direction and its bytes. Only the monitor reads these; parameters are
// named by VoiceParameterName (voice/parameter_text.h), and the main
// window's receive lists keep their own texts.

#include "common/midi_traffic.h"
#include "midi/midi_port.h"
#include "text/ui_text.h"

#include <cstdint>
#include <span>
#include <string>

namespace vox {

// Bytes of the channel or system message that starts with this status
// byte, the status included; 0 for a data byte, System Exclusive and the
// undefined status bytes.
int ShortMessageLength(Byte status);

// The name of one complete message, or of what arrived of it.
std::string MessageName(std::span<const Byte> bytes);

// Seconds of the monitor's clock as "HH:MM:SS.mmm".
std::string MonitorTime(double seconds);

// One line of the monitor: time, direction, name, hex. With maxBytes, a
// longer message shows its first maxBytes bytes and its length.
std::string MonitorLine(const MidiTrafficEntry &entry, std::size_t maxBytes = SIZE_MAX);

// Every byte of a message in hex, 16 a line, each line led by its offset.
std::string MonitorBytes(std::span<const Byte> bytes);

inline constexpr Text kMonitorIn = "受信";
inline constexpr Text kMonitorOut = "送信";

// A sent channel message as it left (status and data bytes, 1 to 3).
void LogSentShort(MidiTraffic &traffic, std::span<const Byte, 3> bytes);
// What the input gave the program. Active sensing is left out, as the
// receive log leaves it out: it would bury everything else.
void LogReceived(MidiTraffic &traffic, const MidiInEvent &event);

} // namespace vox
