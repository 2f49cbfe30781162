#pragma once
// The additional data that the later models (DX7 II, DX7s, TX802) keep
// beside each voice of a bank: one 35-byte record a voice, sent 32 at a
// time as AMEM (format 06, 1120 data bytes) beside the VMEM bulk dump.
// Its fields are not read (their layout is not published where it could be
// checked): each record is kept byte for byte and stays with its voice.

#include "voice/voice.h"
#include "voice/voice_scan.h"

#include <array>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace vox {

inline constexpr std::size_t kSupplementSize = 35;
inline constexpr std::size_t kAmemDataSize = kSupplementSize * kBankSlots; // 1120
inline constexpr std::size_t kAmemMessageSize = 6 + kAmemDataSize + 2;     // 1128
using Supplement = std::array<Byte, kSupplementSize>;
// What marks a voice that carries a record, wherever voices are listed.
inline constexpr const char *kSupplementMark = "II";
// Voice i's record, or none for a voice that came without one.
using BankSupplements = std::array<std::optional<Supplement>, kBankSlots>;

// The 32 records of a whole AMEM message whose frame, byte count and
// checksum are right; nullopt for anything else.
std::optional<BankSupplements> SupplementsOfAmem(std::span<const Byte> message);
// The AMEM message of 32 records (every position must hold one), on the
// device number's nibble, its checksum the seven-bit sum rule's.
std::vector<Byte> BuildAmem(const BankSupplements &records, int device = 0);
bool AllHeld(const BankSupplements &records);
bool AnyHeld(const BankSupplements &records);

// The AMEM that stands beside bank `bank` (0-based, as the scan counts
// banks) in a file: the message right before or right after its bulk dump,
// either order. Empty records when there is none.
struct PairedSupplements {
    BankSupplements records{};
    bool damaged = false;   // an AMEM stood there but its count or checksum is wrong: not taken
    std::size_t offset = 0; // where the AMEM taken stands in the file
};
PairedSupplements SupplementsBeside(std::span<const Byte> file, const VoiceScan &scan, std::size_t bank);

// Beside a .v32, which holds 32 voice records and nothing more, the file
// that keeps the bank's additional data for the later models: one AMEM
// message, "BANK.v32" -> "BANK.amem.syx", readable as it stands by any
// tool that reads System Exclusive files.
std::filesystem::path SupplementCompanion(const std::filesystem::path &bankFile);

} // namespace vox
