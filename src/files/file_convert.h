#pragma once
// Reading any voice file the program reads and writing it as another kind:
// the command-line tool's convert. Reading follows the dialogs' rules
// (an imported packed voice gets the header F0 43 00 00 01 1B).

#include "files/voice_files.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vox {

struct LoadedVoices {
    bool isBank = false;
    BankRecords bank{};  // when isBank
    VoiceRecord voice{}; // otherwise
};

// By the name's ending as the dialogs decide: a 32-voice load for names
// ending V32, SYX, DX7 or .32, a 1-voice load for the others; a name
// ending SYX that holds a single-voice dump is read as one voice.
ReadResult<LoadedVoices> ReadAnyVoiceFile(const std::filesystem::path &file);

// What OUT's ending asks for: ".v32", ".v01", ".syx" (any case).
enum class OutputKind { V32, V01, Syx, Unknown };
OutputKind OutputKindOfName(const std::filesystem::path &file);

struct ConvertResult {
    bool ok = false;
    std::string message; // English: what was written, or why nothing was
};

// The bytes of OUT: a .v32 (5152 bytes) or a bulk dump (4104) from a
// bank, a .v01 (161) or a single-voice dump (163) from one voice.
// `voice` (1-based) picks one voice of a bank. Writing a dump masks
// fields that are out of range, so every data byte is 0..127.
struct Encoded {
    std::vector<Byte> bytes;
    std::string error; // empty on success
    int voices = 0;
};
Encoded EncodeFor(const LoadedVoices &input, OutputKind kind, std::optional<int> voice);

ConvertResult ConvertVoiceFile(const std::filesystem::path &in, const std::filesystem::path &out,
                               std::optional<int> voice);

} // namespace vox
