#pragma once
// The packed 32-voice bank: 128 bytes a voice, several parameters a byte.

#include "voice/dx7_messages.h" // the bulk dump this format travels in
#include "voice/voice.h"

#include <string>
#include <vector>

namespace vox {

using PackedVoice = std::array<Byte, kPackedVoiceSize>;

// Packs positions 6..160 of a slot. Each field is masked to its bit width
// (whole-byte fields to 7 bits) so that every packed byte is 0..127 even
// for out-of-range values that files from other tools hold.
PackedVoice PackVoice(std::span<const Byte, kSlotSize> slot);

// Writes positions 6..160 of the slot; header and checksum positions are
// the caller's.
void UnpackVoice(std::span<const Byte, kPackedVoiceSize> packed, std::span<Byte, kSlotSize> slot);

// The 4096 packed bytes of a bank file: a 4104-byte bulk dump (header and
// checksum checked) or 4096 bytes with no header. error says why not.
struct BankImage {
    std::vector<Byte> packed; // 4096 bytes when good
    std::string error;        // "" when good
};
BankImage ReadBankImage(std::span<const Byte> file);

} // namespace vox
