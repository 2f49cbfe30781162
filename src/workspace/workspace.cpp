#include "workspace/workspace.h"

#include "voice/text.h"

#include <algorithm>

namespace vox {

std::string SoundListEntryText(int n, const Slot &slot) {
    std::string text = SignedDecimal(n);
    if (n >= 1 && n < 10) text = " " + text; // slot 0 stays " 0. "
    return text + ". " + VoiceName(slot);
}

Workspace::Params Workspace::ParamsOf(const Slot &slot) {
    Params params{};
    std::copy(slot.begin() + kParamBase, slot.begin() + kParamBase + kParamCount, params.begin());
    return params;
}

std::string Workspace::slotText(int n) const { return SoundListEntryText(n, slot(n)); }

std::string Workspace::editAreaText() const {
    return hasEditVoice_ ? SoundListEntryText(currentSlot_, editBuffer_) : std::string();
}

std::vector<std::string> Workspace::soundListEntries() const {
    std::vector<std::string> entries;
    if (!hasBank_) return entries;
    for (int n = 1; n <= static_cast<int>(kBankSlots); ++n)
        entries.push_back(slotText(n));
    return entries;
}

bool Workspace::editAreaChanged() const { return hasEditVoice_ && ParamsOf(editBuffer_) != editAreaStored_; }

bool Workspace::bankChanged() const {
    if (!hasBank_) return false;
    for (std::size_t n = 1; n <= kBankSlots; ++n)
        if (ParamsOf(voiceTable_[n]) != bankStored_[n - 1]) return true;
    return false;
}

int Workspace::editAreaEntry() const {
    if (!hasEditVoice_ || !hasBank_ || currentSlot_ < 1 || currentSlot_ > static_cast<int>(kBankSlots))
        return 0;
    // After a bank load or receive the entry may hold another voice.
    return ParamsOf(slot(currentSlot_)) == editAreaEntryVoice_ ? currentSlot_ : 0;
}

void Workspace::placeVoice(std::span<const Byte> image) {
    Slot &slot0 = voiceTable_[0];
    std::copy(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(std::min(image.size(), kImageSize)),
              slot0.begin());
    currentSlot_ = 0;
    std::copy(slot0.begin(), slot0.begin() + kChecksumPos + 1, editBuffer_.begin());
    hasEditVoice_ = true;
    markEditAreaStored();
}

void Workspace::placeEntry(int n) {
    const Slot &entry = slot(n);
    currentSlot_ = n;
    std::copy(entry.begin(), entry.begin() + kChecksumPos + 1, editBuffer_.begin());
    hasEditVoice_ = true;
    markEditAreaStored();
    editAreaEntryVoice_ = editAreaStored_;
}

void Workspace::replaceBank(const VoiceTable &voices) {
    for (std::size_t n = 1; n <= kBankSlots; ++n)
        std::copy(voices[n].begin(), voices[n].begin() + kImageSize, voiceTable_[n].begin());
    hasBank_ = true;
    ++bankRevision_;
    markBankStored();
}

void Workspace::replaceBank(const BankRecords &records) {
    for (std::size_t n = 1; n <= kBankSlots; ++n)
        std::copy(records[n - 1].begin(), records[n - 1].end(), voiceTable_[n].begin());
    hasBank_ = true;
    ++bankRevision_;
    markBankStored();
}

void Workspace::writeEditArea(int n) {
    Slot &target = voiceTable_[static_cast<std::size_t>(n)];
    std::copy(editBuffer_.begin() + kParamBase, editBuffer_.begin() + kParamBase + kParamCount,
              target.begin() + kParamBase);
    currentSlot_ = n;
    if (n != 0) ++bankRevision_;
    // Slot 0 is in no list and no file: the voice there is still unwritten.
    if (n == 0) return;
    markEditAreaStored();
    editAreaEntryVoice_ = editAreaStored_;
}

void Workspace::setParameter(int parameter, Byte value) { editBuffer_[ParamPos(parameter)] = value; }

void Workspace::setName(const std::array<Byte, kNameLength> &name) {
    std::copy(name.begin(), name.end(), editBuffer_.begin() + kNamePos);
}

void Workspace::restoreEditBuffer(const Slot &voice) { editBuffer_ = voice; }

void Workspace::markEditAreaStored() { editAreaStored_ = ParamsOf(editBuffer_); }

void Workspace::markBankStored() {
    for (std::size_t n = 1; n <= kBankSlots; ++n)
        bankStored_[n - 1] = ParamsOf(voiceTable_[n]);
}

} // namespace vox
