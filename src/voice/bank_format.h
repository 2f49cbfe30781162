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

// The voice as the packed bank holds it: VoiceOnTheWire with every field
// also cut to its bit width (PackVoice, then UnpackVoice). The bank
// transmit, a bank saved as a bulk dump and the catalogue's fingerprint
// give exactly these bytes.
Slot VoiceInBank(std::span<const Byte, kSlotSize> slot);

// The 4096 packed bytes of a bank file: a 4104-byte bulk dump (header and
// checksum checked) or 4096 bytes with no header. error says why not.
struct BankImage {
    std::vector<Byte> packed; // 4096 bytes when good
    std::string error;        // "" when good
};
BankImage ReadBankImage(std::span<const Byte> file);

// A System Exclusive message read as the instrument's own 32-voice bulk
// dump (MIDI TRANSMIT): F0 43 0n 09, byte count 20 00 (or 10 00, as some
// units send), 4096 data bytes, checksum, F7, on any channel n.
enum class BulkDumpStatus {
    Good,
    BadChecksum, // whole, but the checksum disagrees: the data may be damaged
    NotDx7Bank,  // another format of the maker (a four-operator bank, ...)
    CutOff,      // shorter than a dump, or broken off inside it
    TooLong,     // more bytes than a dump
};
struct BulkDump {
    BulkDumpStatus status = BulkDumpStatus::CutOff;
    std::vector<Byte> packed; // 4096 bytes when Good or BadChecksum
    std::size_t length = 0;   // bytes in the message
    Byte format = 0;          // byte 3, the format number
    std::size_t cutAt = 0;    // CutOff: the offset where the dump broke off
    Byte checksum = 0;        // BadChecksum: as sent
    Byte computed = 0;        // BadChecksum: of the data as it came
};
BulkDump ReadBulkDump(std::span<const Byte> message);

// Whether a message is one for ReadBulkDump to judge: a dump of this maker
// (F0 43 0n) in the DX7's bank format, or one whose byte count says 4096 in
// another format. Single-voice dumps and everything else are not.
bool IsBankDumpCandidate(std::span<const Byte> message);

} // namespace vox
