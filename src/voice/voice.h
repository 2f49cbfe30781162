#pragma once
// The voice table and the operations on one single-voice image.

#include "voice/voice_layout.h"

#include <array>
#include <span>
#include <string>

namespace vox {

using Slot = std::array<Byte, kSlotSize>;

struct VoiceTable {
    std::array<Slot, kSlotCount> all{}; // not "slots": a Qt keyword
    Slot &operator[](std::size_t slot) { return all.at(slot); }
    const Slot &operator[](std::size_t slot) const { return all.at(slot); }
};

// The DX7 rule: low 7 bits of the two's complement of the 7-bit running sum.
Byte ChecksumOf(std::span<const Byte> data);

// Checksum of positions 6..160 of an image.
Byte VoiceChecksum(std::span<const Byte, kSlotSize> slot);

// The ten name bytes, positions 151..160, unchanged.
std::array<Byte, kNameLength> VoiceNameBytes(std::span<const Byte, kSlotSize> slot);

// The ten name characters as UTF-8 text, nothing trimmed or replaced.
// Bytes 0..127 are ASCII (0 stays a NUL character); 128..255 are read as
// ISO-8859-1, the one single-byte mapping used wherever a name is shown.
std::string VoiceName(std::span<const Byte, kSlotSize> slot);

// One name byte as UTF-8, and back (nullopt-like: returns -1 when the
// character has no single-byte code).
std::string NameByteToUtf8(Byte b);
std::string NameBytesToUtf8(std::span<const Byte> bytes);

} // namespace vox
