#pragma once
// A look at a voice file as it is: what kind it is, what is wrong with it
// and which voices it holds, and whether the program's loaders take it.
// Used by the command-line tool; the texts are in English for scripts.

#include "files/voice_files.h"

#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace vox {

enum class FileKind { BulkDump, SingleVoiceDump, V32, V01, HeaderlessBank, MidiFile, Unknown };

// "bulk dump", "single-voice dump", "v32", "v01", "headerless bank",
// "MIDI file", "unknown".
const char *FileKindName(FileKind kind);

// Which of the program's loads reads the file: the 32-voice load into the
// SOUND LIST, or the 1-voice load into the edit area.
enum class LoadsAs { None, Bank, Voice };
const char *LoadsAsName(LoadsAs loads); // "none", "bank", "voice"

struct InspectedVoice {
    int number = 0; // 1-based
    std::array<Byte, kNameLength> nameBytes{};
};

struct FileReport {
    std::filesystem::path file;
    FileKind kind = FileKind::Unknown;
    bool readable = false; // the file could be opened and read
    bool valid = false;    // nothing wrong was found
    LoadsAs loadsAs = LoadsAs::None;
    std::vector<std::string> problems;  // one sentence each
    std::vector<InspectedVoice> voices; // every complete voice found
};

FileReport InspectFile(const std::filesystem::path &file);
// The same for bytes already read; `file` gives the name.
FileReport InspectBytes(const std::filesystem::path &file, std::span<const Byte> bytes);

// A read failure in English.
std::string ReadErrorEnglish(const ReadError &error);

} // namespace vox
