#pragma once
// The packed 32-voice bank: 128 bytes a voice, several parameters a byte.

#include "voice/voice.h"

namespace vox {

using PackedVoice = std::array<Byte, kPackedVoiceSize>;
using BulkMessage = std::array<Byte, kBulkMessageSize>;

// Packs positions 6..160 of a slot. Each field is masked to its bit width
// (whole-byte fields to 7 bits) so that every packed byte is 0..127 even
// for out-of-range values that files from other tools hold.
PackedVoice PackVoice(std::span<const Byte, kSlotSize> slot);

// Writes positions 6..160 of the slot; header and checksum positions are
// the caller's.
void UnpackVoice(std::span<const Byte, kPackedVoiceSize> packed, std::span<Byte, kSlotSize> slot);

// Header, slots 1..32 packed, checksum over the 4096 data bytes, F7.
BulkMessage BuildBulkMessage(const VoiceTable& table);

} // namespace vox
