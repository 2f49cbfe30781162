#include "voice_input.h"

#include "files/file_report.h"

#include <algorithm>

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

} // namespace voxtool
