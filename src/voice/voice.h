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
    bool operator==(const VoiceTable &) const = default;
};

// The DX7 rule: low 7 bits of the two's complement of the 7-bit running sum.
Byte ChecksumOf(std::span<const Byte> data);

// Checksum of positions 6..160 of an image.
Byte VoiceChecksum(std::span<const Byte, kSlotSize> slot);

// The ten name bytes, positions 151..160, unchanged.
std::array<Byte, kNameLength> VoiceNameBytes(std::span<const Byte, kSlotSize> slot);

// The ten name characters as UTF-8 text, as the instrument shows them:
// bit 7 dropped (no cable carries it), and a control code (00h..1Fh, 7Fh),
// which the instrument's display shows blank, as a space. Nothing trimmed.
std::string VoiceName(std::span<const Byte, kSlotSize> slot);

// One name byte as VoiceName shows it, and a run of them.
std::string NameByteToUtf8(Byte b);
std::string NameBytesToUtf8(std::span<const Byte> bytes);

// The voice as a MIDI cable carries it: bit 7 of every data byte
// (positions 6..160) dropped; the header and the positions after the data
// stay as they are. Every path that writes a voice's data (the dumps sent,
// the files saved, the converter) writes these bytes.
Slot VoiceOnTheWire(std::span<const Byte, kSlotSize> slot);

} // namespace vox
