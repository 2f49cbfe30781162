#pragma once
// Reading any voice file the program reads and writing it as another kind:
// the command-line tool's convert. Reading follows the dialogs' rules
// (an imported packed voice gets the header F0 43 00 00 01 1B).

#include "files/voice_files.h"
#include "voice/voice_supplement.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vox {

struct LoadedVoices {
    bool isBank = false;
    BankRecords bank{};  // when isBank
    VoiceRecord voice{}; // otherwise
    // A bank's additional data (the later models'), as it stood beside it:
    // the AMEM next to its bulk dump (at supplementAt), or a .v32's companion.
    BankSupplements supplements{};
    std::optional<std::size_t> supplementAt;
    // What the file holds, set whenever it could be read (also on failure).
    bool read = false;
    std::size_t banks = 0;
    std::size_t singleVoices = 0;
};

// A bank when the file holds one (the 32-voice load's reading), else a
// single voice (the 1-voice load's); a file holding both is read by its
// name's ending: a bank for V32, SYX, DX7 and .32. `bank` (0-based) picks
// one of several banks, and asks for a bank whatever the file holds.
ReadResult<LoadedVoices> ReadAnyVoiceFile(const std::filesystem::path &file,
                                          std::optional<std::size_t> bank = std::nullopt);

// Why --bank N (1-based) names no bank of what was read, in English
// ("--bank 3 is out of range: the file holds 2 banks"); empty when it does.
std::string BankNumberError(const LoadedVoices &read, int bank);

// What OUT's ending asks for: ".v32", ".v01", ".syx" (any case).
enum class OutputKind { V32, V01, Syx, Unknown };
OutputKind OutputKindOfName(const std::filesystem::path &file);

struct ConvertResult {
    bool ok = false;
    std::string message; // English: what was written, or why nothing was
    std::string warning; // English, when the input's checksum was wrong (ok all the same)
    // The bank's additional data went into the output (or beside it); the
    // input's AMEM stood at supplementAt (0 for a .v32's companion).
    bool supplementsKept = false;
    std::size_t supplementAt = 0;
};

// "IN: the checksum is wrong; the data may be damaged".
std::string ChecksumWarningEnglish(const std::filesystem::path &file);

// The bytes of OUT: a .v32 (5152 bytes) or a bulk dump (4104) from a
// bank, a .v01 (161) or a single-voice dump (163) from one voice.
// `voice` (1-based) picks one voice of a bank. Every kind drops bit 7 of
// the data bytes (VoiceOnTheWire); a bulk dump also cuts each field to its
// width (VoiceInBank); nothing else changes.
struct Encoded {
    std::vector<Byte> bytes;
    // The AMEM to write beside a .v32 (SupplementCompanion); a .syx holds
    // it before the bulk dump. Empty when the bank has none whole.
    std::vector<Byte> companion;
    bool supplementsKept = false;
    std::string error; // empty on success
    int voices = 0;
};
Encoded EncodeFor(const LoadedVoices &input, OutputKind kind, std::optional<int> voice);

// Writes OUT, then for a .v32 the companion beside it, or removes one left
// from another bank there (it would pair with this one). Each file is
// written whole or not at all; `failed` names the one that was not.
struct EncodedWrite {
    WriteResult result;
    std::filesystem::path failed;
};
EncodedWrite WriteEncoded(const std::filesystem::path &out, const Encoded &encoded, OutputKind kind);

// `bank` (1-based) picks one of the banks of a file that holds several.
ConvertResult ConvertVoiceFile(const std::filesystem::path &in, const std::filesystem::path &out,
                               std::optional<int> voice, std::optional<int> bank = std::nullopt);

} // namespace vox
