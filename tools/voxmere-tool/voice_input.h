#pragma once
// One voice of a file, read and picked as every subcommand that takes
// one voice (show, render, diff) reads and picks it, with the same English
// messages naming the file.

#include "files/file_convert.h"
#include "voice/voice.h"

#include <optional>
#include <string>
#include <string_view>

namespace voxtool {

struct VoicesRead {
    vox::LoadedVoices voices;
    std::string error; // empty when read
};

// The file's bank (`bank`, from 1, picks one of several) or single voice.
VoicesRead ReadVoices(const std::string &file, std::optional<int> bank);

// Why `voice` (from 1) names no voice of what was read, empty when it does;
// `how` is how the user wrote the number ("--voice ", "voice ").
std::string VoiceNumberError(const vox::LoadedVoices &read, const std::string &file, int voice,
                             std::string_view how);

// Voice `voice` (from 1) of a bank, or the single voice, as a slot: a file
// record is positions 0..160 of a slot; the rest (the checksum and F7) plays
// no part in showing or playing it.
const vox::VoiceRecord &VoiceOf(const vox::LoadedVoices &read, int voice);
vox::Slot SlotOf(const vox::VoiceRecord &record);

// "FILE:N" names voice N of FILE; a name that itself ends in ":digits" and
// exists is the file.
struct VoiceArgument {
    std::string file;
    int voice = 1;
    std::string number; // as written after the colon, empty without one
};
VoiceArgument SplitVoiceArgument(const std::string &argument);

// The voice a FILE[:N] argument names, or nullopt with why it names none
// (English, naming the file).
std::optional<vox::VoiceRecord> ReadVoiceArgument(const std::string &argument, std::optional<int> bank,
                                                  std::string &error);

} // namespace voxtool
