#pragma once
// The System Exclusive messages the program sends to the DX7, built in one
// place for the editor, the librarian, the files and the tools.

#include "voice/voice.h"

#include <array>
#include <span>

namespace vox {

inline constexpr std::size_t kParameterChangeSize = 7;
inline constexpr Byte kParameterChangeSubStatus = 0x10; // byte 2: 0001nnnn, channel 1

using ParameterChange = std::array<Byte, kParameterChangeSize>;
using VoiceDump = std::array<Byte, kImageSize>;
using BulkMessage = std::array<Byte, kBulkMessageSize>;

// F0 43 10 0ggggg pp pppppppp vvvvvvv F7 for voice parameter 0..155 (group
// 0, the number's top two bits in byte 3); data bytes are 7-bit on the wire.
ParameterChange ParameterChangeMessage(int parameter, int value);

// The 163-byte single-voice dump of a slot, built from positions 6..160;
// the slot's own header and checksum positions are not read.
VoiceDump BuildVoiceDump(std::span<const Byte, kSlotSize> slot);

// Header, slots 1..32 packed, checksum over the 4096 data bytes, F7.
BulkMessage BuildBulkMessage(const VoiceTable &table);

} // namespace vox
