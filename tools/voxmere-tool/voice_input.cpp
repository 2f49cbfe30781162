#include "voice_input.h"

#include "files/file_report.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

namespace voxtool {

VoicesRead ReadVoices(const std::string &file, std::optional<int> bank) {
    std::optional<std::size_t> pick;
    if (bank) pick = static_cast<std::size_t>(*bank - 1);
    auto input = vox::ReadAnyVoiceFile(file, pick);
    VoicesRead read{std::move(input.value), {}};
    if (bank) {
        if (std::string error = vox::BankNumberError(read.voices, *bank); !error.empty()) {
            read.error = file + ": " + error;
            return read;
        }
    }
    if (!input.ok()) read.error = vox::ReadErrorEnglish(input.error);
    return read;
}

std::string VoiceNumberError(const vox::LoadedVoices &read, const std::string &file, int voice,
                             std::string_view how) {
    const std::string named = std::string(how) + std::to_string(voice);
    if (!read.isBank) return voice == 1 ? "" : file + " holds one voice; " + named + " does not exist";
    if (voice < 1 || voice > static_cast<int>(vox::kBankSlots))
        return file + ": " + named + " is out of range: the bank holds 32 voices";
    return {};
}

const vox::VoiceRecord &VoiceOf(const vox::LoadedVoices &read, int voice) {
    return read.isBank ? read.bank[static_cast<std::size_t>(voice - 1)] : read.voice;
}

vox::Slot SlotOf(const vox::VoiceRecord &record) {
    vox::Slot slot{};
    std::copy(record.begin(), record.end(), slot.begin());
    return slot;
}

VoiceArgument SplitVoiceArgument(const std::string &argument) {
    const std::size_t colon = argument.rfind(':');
    if (colon == std::string::npos || colon + 1 == argument.size()) return {argument, 1, {}};
    const std::string number = argument.substr(colon + 1);
    if (number.find_first_not_of("0123456789") != std::string::npos) return {argument, 1, {}};
    std::error_code ec;
    if (std::filesystem::exists(argument, ec)) return {argument, 1, {}};
    int voice = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), voice);
    if (error != std::errc() || end != number.data() + number.size()) voice = -1; // too large: out of range
    return {argument.substr(0, colon), voice, number};
}

std::optional<vox::VoiceRecord> ReadVoiceArgument(const std::string &argument, std::optional<int> bank,
                                                  std::string &error) {
    const VoiceArgument named = SplitVoiceArgument(argument);
    const VoicesRead read = ReadVoices(named.file, bank);
    if (!read.error.empty()) {
        error = read.error;
        return std::nullopt;
    }
    if (named.voice < 0) {
        error = named.file + ": voice " + named.number + " is out of range: " +
                (read.voices.isBank ? "the bank holds 32 voices" : "the file holds one voice");
        return std::nullopt;
    }
    error = VoiceNumberError(read.voices, named.file, named.voice, "voice ");
    if (!error.empty()) return std::nullopt;
    return VoiceOf(read.voices, named.voice);
}

} // namespace voxtool
