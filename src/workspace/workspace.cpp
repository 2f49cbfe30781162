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
        if (ParamsOf(voiceTable_[n]) != bankStored_[n - 1] || supplements_[n] != supplementsStored_[n - 1])
            return true;
    return false;
}

int Workspace::editAreaEntry() const {
    if (!hasEditVoice_ || !hasBank_ || currentSlot_ < 1 || currentSlot_ > static_cast<int>(kBankSlots))
        return 0;
    // After a bank load or receive the entry may hold another voice.
    return ParamsOf(slot(currentSlot_)) == editAreaEntryVoice_ ? currentSlot_ : 0;
}

template <class Operation> void Workspace::asStep(Operation &&operation) {
    if (openSteps_ > 0) {
        operation();
        return;
    }
    beginStep();
    operation();
    endStep();
    comparing_ = false;
}

void Workspace::beginStep() {
    if (openSteps_++ == 0) beforeOpenStep_ = state();
}

void Workspace::endStep() {
    if (openSteps_ == 0 || --openSteps_ > 0) return;
    if (state() == beforeOpenStep_) return; // nothing changed: no step to undo
    undo_.push_back(beforeOpenStep_);
    if (undo_.size() > kHistoryDepth) undo_.erase(undo_.begin());
    redo_.clear();
}

Workspace::State Workspace::state() const {
    return {voiceTable_,  supplements_,  editSupplement_,     editBuffer_,
            currentSlot_, hasEditVoice_, editAreaEntryVoice_, placedVoice_};
}

void Workspace::restore(const State &s) {
    if (!std::equal(s.voiceTable.all.begin() + 1, s.voiceTable.all.end(), voiceTable_.all.begin() + 1))
        ++bankRevision_;
    voiceTable_ = s.voiceTable;
    supplements_ = s.supplements;
    editSupplement_ = s.editSupplement;
    editBuffer_ = s.editBuffer;
    currentSlot_ = s.currentSlot;
    hasEditVoice_ = s.hasEditVoice;
    editAreaEntryVoice_ = s.editAreaEntryVoice;
    placedVoice_ = s.placedVoice;
    comparing_ = false;
}

bool Workspace::undo() {
    if (undo_.empty() || openSteps_ > 0) return false;
    redo_.push_back(state());
    restore(undo_.back());
    undo_.pop_back();
    return true;
}

bool Workspace::redo() {
    if (redo_.empty() || openSteps_ > 0) return false;
    undo_.push_back(state());
    restore(redo_.back());
    redo_.pop_back();
    return true;
}

void Workspace::placeVoice(std::span<const Byte> image, const std::optional<Supplement> &supplement) {
    asStep([&] { placeVoiceNow(image, supplement); });
}

void Workspace::placeVoiceNow(std::span<const Byte> image, const std::optional<Supplement> &supplement) {
    supplements_[0] = supplement;
    editSupplement_ = supplement;
    Slot &slot0 = voiceTable_[0];
    std::copy(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(std::min(image.size(), kImageSize)),
              slot0.begin());
    currentSlot_ = 0;
    std::copy(slot0.begin(), slot0.begin() + kChecksumPos + 1, editBuffer_.begin());
    hasEditVoice_ = true;
    markEditAreaStored();
    placedVoice_ = editBuffer_;
}

void Workspace::placeEntry(int n) {
    asStep([&] {
        const Slot &entry = slot(n);
        editSupplement_ = supplement(n);
        currentSlot_ = n;
        std::copy(entry.begin(), entry.begin() + kChecksumPos + 1, editBuffer_.begin());
        hasEditVoice_ = true;
        markEditAreaStored();
        editAreaEntryVoice_ = editAreaStored_;
        placedVoice_ = editBuffer_;
    });
}

// The new bank stands in every step, so that no undo brings the old back.
void Workspace::replaceBankInHistory() {
    for (auto *steps : {&undo_, &redo_})
        for (State &s : *steps) {
            std::copy(voiceTable_.all.begin() + 1, voiceTable_.all.end(), s.voiceTable.all.begin() + 1);
            std::copy(supplements_.begin() + 1, supplements_.end(), s.supplements.begin() + 1);
        }
}

BankSupplements Workspace::bankSupplements() const {
    BankSupplements out;
    std::copy_n(supplements_.begin() + 1, kBankSlots, out.begin());
    return out;
}

void Workspace::replaceBank(const VoiceTable &voices, const BankSupplements &supplements) {
    for (std::size_t n = 1; n <= kBankSlots; ++n) {
        std::copy(voices[n].begin(), voices[n].begin() + kImageSize, voiceTable_[n].begin());
        supplements_[n] = supplements[n - 1];
    }
    hasBank_ = true;
    ++bankRevision_;
    markBankStored();
    replaceBankInHistory();
}

void Workspace::replaceBank(const BankRecords &records, const BankSupplements &supplements) {
    for (std::size_t n = 1; n <= kBankSlots; ++n) {
        std::copy(records[n - 1].begin(), records[n - 1].end(), voiceTable_[n].begin());
        supplements_[n] = supplements[n - 1];
    }
    hasBank_ = true;
    ++bankRevision_;
    markBankStored();
    replaceBankInHistory();
}

void Workspace::writeEditArea(int n) {
    asStep([&] {
        Slot &target = voiceTable_[static_cast<std::size_t>(n)];
        std::copy(editBuffer_.begin() + kParamBase, editBuffer_.begin() + kParamBase + kParamCount,
                  target.begin() + kParamBase);
        supplements_[static_cast<std::size_t>(n)] = editSupplement_;
        currentSlot_ = n;
        if (n != 0) ++bankRevision_;
        // Slot 0 is in no list and no file: the voice there is still unwritten.
        if (n == 0) return;
        markEditAreaStored();
        editAreaEntryVoice_ = editAreaStored_;
    });
}

void Workspace::setParameter(int parameter, Byte value) {
    asStep([&] { editBuffer_[ParamPos(parameter)] = value; });
}

void Workspace::setName(const std::array<Byte, kNameLength> &name) {
    asStep([&] { std::copy(name.begin(), name.end(), editBuffer_.begin() + kNamePos); });
}

void Workspace::restoreEditBuffer(const Slot &voice) {
    asStep([&] { editBuffer_ = voice; });
}

void Workspace::markEditAreaStored() { editAreaStored_ = ParamsOf(editBuffer_); }

void Workspace::markBankStored() {
    for (std::size_t n = 1; n <= kBankSlots; ++n) {
        bankStored_[n - 1] = ParamsOf(voiceTable_[n]);
        supplementsStored_[n - 1] = supplements_[n];
    }
}

} // namespace vox
