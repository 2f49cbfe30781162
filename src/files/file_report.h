#pragma once
// A look at a voice file as it is: what kind it is, what is wrong with it
// and which voices it holds, and whether the program's loaders take it.
// Used by the command-line tool; the texts are in English for scripts.

#include "files/voice_files.h"
#include "voice/family_data.h"

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

// A bank or a single voice the scan found in the file, numbered as the
// loads and --bank number them.
struct FoundReport {
    bool isBank = false;
    int number = 0;           // 1-based, among the file's banks or among its single voices
    std::string kind;         // "bulk dump", "single-voice dump", "headerless packed bank",
                              // "headerless unpacked bank", "v32", "v01"
    std::size_t offset = 0;   // bytes from the file's start
    std::size_t length = 0;   // bytes of the message or the data
    std::size_t voices = 0;   // 32 or 1
    bool inMidiFile = false;  // in a System Exclusive event of a Standard MIDI File
    bool hasChecksum = false; // dumps carry one
    bool checksumGood = true;
    std::array<Byte, kNameLength> firstName{}; // of its first voice
};

// A message or stretch the scan looked at that gave no voice.
struct SkippedReport {
    std::size_t offset = 0;
    std::size_t length = 0;
    std::string reason; // "parameter changes, no voices", "cut off after voice 4" …
};

// A message of the later models' data, kept whole (voice supplements,
// performances, set-ups, tunings, scalings).
struct FamilyReport {
    std::size_t offset = 0;
    std::size_t length = 0;
    std::string what; // "AMEM (packed 32 additional voices)"
    bool checksumGood = true;
    bool countAsKnown = true; // its byte count is the one its kind declares
};

struct FileReport {
    std::filesystem::path file;
    FileKind kind = FileKind::Unknown;
    bool readable = false; // the file could be opened and read
    bool valid = false;    // nothing wrong was found
    LoadsAs loadsAs = LoadsAs::None;
    std::vector<std::string> problems;  // one sentence each
    std::vector<InspectedVoice> voices; // every complete voice found
    // Every voice message of the file, in file order, and what was passed over.
    std::vector<FoundReport> found;
    std::vector<SkippedReport> skipped;
    std::vector<FamilyReport> family; // among `skipped`
    std::size_t banks = 0;            // banks among `found`
    std::size_t singleVoices = 0;     // single voices among `found`
    std::string refusal;              // why the file gives no voice, when it gives none
};

// A message of the later models' data as a file holds it.
FileReport InspectFile(const std::filesystem::path &file);
// The same for bytes already read; `file` gives the name.
FileReport InspectBytes(const std::filesystem::path &file, std::span<const Byte> bytes);

// A read failure in English.
std::string ReadErrorEnglish(const ReadError &error);

} // namespace vox
