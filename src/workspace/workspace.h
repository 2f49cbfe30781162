#pragma once
// The bank of 32 voices and the edit area, with the operations that keep
// their rules. This is the only writer of the VoiceTable, the EditBuffer
// and CurrentSlot; every window reads them here and changes them through
// one of these operations. The texts shown from them (SlotText, the
// edit-area text, the change marks) are derived when asked for, so they
// can never disagree with the bytes.

#include "voice/voice.h"
#include "voice/voice_scan.h"       // VoiceRecord, BankRecords
#include "voice/voice_supplement.h" // the later models' additional data

#include <array>
#include <span>
#include <string>
#include <vector>

namespace vox {

class Workspace {
public:
    // --- What the windows show and the instrument is sent ---
    const VoiceTable &voiceTable() const { return voiceTable_; }
    // Slot 0..33; slots 1..32 are the bank, slot 0 the voice of a file.
    const Slot &slot(int n) const { return voiceTable_[static_cast<std::size_t>(n)]; }
    const Slot &editBuffer() const { return editBuffer_; }
    int currentSlot() const { return currentSlot_; }
    // The SOUND LIST holds a bank of 32 voices.
    bool hasBank() const { return hasBank_; }
    // The edit area names a voice (from the first placement on).
    bool hasEditVoice() const { return hasEditVoice_; }

    // The later models' additional data beside slot n (0..32) and the edit
    // area: it goes wherever its voice goes. None for a voice that came
    // without one (every Mk I voice).
    const std::optional<Supplement> &supplement(int n) const {
        return supplements_[static_cast<std::size_t>(n)];
    }
    const std::optional<Supplement> &editSupplement() const { return editSupplement_; }
    // Slots 1..32's.
    BankSupplements bankSupplements() const;

    // SlotText n: the entry text of slot n (0..32) as it stands now.
    std::string slotText(int n) const;
    // The edit area: the EditBuffer's voice under the number of the slot it
    // came from; "" before a voice was placed.
    std::string editAreaText() const;
    // SlotText 1..32, or nothing without a bank.
    std::vector<std::string> soundListEntries() const;

    // Counts every change of the bank's slots 1..32 (a list built anew).
    int bankRevision() const { return bankRevision_; }

    // The edit-area voice changed since it was placed, written or saved.
    bool editAreaChanged() const;
    // The bank changed since it was loaded, received, saved or sent.
    bool bankChanged() const;
    // The entry (1..32) the edit-area voice came from or was written into,
    // while that entry still holds it; 0 for none.
    int editAreaEntry() const;

    // --- Operations ---
    // A voice from a file, the library or the initial voice: positions
    // 0..size-1 of slot 0 (at most 0..162), then the edit area takes slot 0
    // (positions 0..161) and stands as stored; with it its additional data.
    void placeVoice(std::span<const Byte> image, const std::optional<Supplement> &supplement = std::nullopt);
    // SOUND LIST entry n (1..32) into the edit area, which stands as stored.
    void placeEntry(int n);
    // Slots 1..32 replaced whole, positions 0..162 of each (a receive, a
    // bulk dump); the bank stands as stored and the edit area keeps its voice.
    // Each voice takes the additional data that came with it (none: a Mk I bank).
    void replaceBank(const VoiceTable &voices, const BankSupplements &supplements = {});
    // The same from 32 file records (positions 0..160 of each), with the
    // additional data that came beside them (none: a Mk I bank).
    void replaceBank(const BankRecords &records, const BankSupplements &supplements = {});
    // The edit area's parameters (positions 6..160) into entry n (1..32), or
    // into slot 0; the slot's header and checksum bytes stay. The edit area
    // then names that slot, and an entry holds it as written.
    void writeEditArea(int n);
    // The editor's applied values, each within its range.
    void setParameter(int parameter, Byte value);
    void setName(const std::array<Byte, kNameLength> &name);
    // The edit area back to a voice it held (the editor's cancel, a compare):
    // the marks of what is stored do not move.
    void restoreEditBuffer(const Slot &voice);
    // Saved to a 1-voice file.
    void markEditAreaStored();
    // Saved to a bank file or sent to the instrument.
    void markBankStored();

    // --- Compare ---
    // The voice as it came into the edit area (placed from the list, a
    // file, the library or the initial voice): what COMPARE sounds.
    const Slot &placedVoice() const { return placedVoice_; }
    // COMPARE is on: the instrument sounds placedVoice(), the edit area
    // keeps its voice. Any change of the edit area ends it.
    bool comparing() const { return comparing_; }
    void setComparing(bool on) { comparing_ = on && hasEditVoice_; }

    // --- History ---
    // Each operation above that changes the edit area or an entry is one
    // step that can be undone and redone, in order; the operations between
    // beginStep() and endStep() (an applied group of the editor) are one.
    // A bank replaced whole is no step: it stands in every step, so an
    // undo never brings back a bank that was replaced. What is marked
    // stored does not move: an undone change shows as unwritten again.
    void beginStep();
    void endStep();
    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    // False when there is no step to take.
    bool undo();
    bool redo();
    // The oldest steps go beyond this many.
    static constexpr std::size_t kHistoryDepth = 200;

private:
    using Params = std::array<Byte, kParamCount>;
    static Params ParamsOf(const Slot &slot);

    // What a step takes back: the edit area and every slot.
    using Supplements = std::array<std::optional<Supplement>, kSlotCount>;
    struct State {
        VoiceTable voiceTable;
        Supplements supplements;
        std::optional<Supplement> editSupplement;
        Slot editBuffer;
        int currentSlot;
        bool hasEditVoice;
        Params editAreaEntryVoice;
        Slot placedVoice;
        bool operator==(const State &) const = default;
    };
    State state() const;
    void placeVoiceNow(std::span<const Byte> image, const std::optional<Supplement> &supplement);
    void replaceBankInHistory();
    void restore(const State &s);
    // Runs an operation as a step of its own, or as part of the open one.
    template <class Operation> void asStep(Operation &&operation);

    Slot placedVoice_{};
    bool comparing_ = false;
    std::vector<State> undo_, redo_;
    int openSteps_ = 0;
    State beforeOpenStep_{};

    VoiceTable voiceTable_;
    Supplements supplements_{};
    std::optional<Supplement> editSupplement_;
    Slot editBuffer_{};
    int currentSlot_ = 0;
    bool hasBank_ = false;
    bool hasEditVoice_ = false;
    int bankRevision_ = 0;
    Params editAreaStored_{};
    Params editAreaEntryVoice_{};
    std::array<Params, kBankSlots> bankStored_{};
    BankSupplements supplementsStored_{};
};

// The operations of its lifetime as one step of the history, however it ends.
class HistoryStep {
public:
    explicit HistoryStep(Workspace &workspace) : workspace_(workspace) { workspace_.beginStep(); }
    ~HistoryStep() { workspace_.endStep(); }
    HistoryStep(const HistoryStep &) = delete;
    HistoryStep &operator=(const HistoryStep &) = delete;

private:
    Workspace &workspace_;
};

// The entry text of slot n: the number right-aligned in three places (slot
// 0, in no list: " 0"), ". ", then the ten name characters untrimmed.
std::string SoundListEntryText(int n, const Slot &slot);

} // namespace vox
