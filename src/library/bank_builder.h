#pragma once
// A bank under construction: 32 positions, each empty or holding a voice
// from the catalogue with where it came from. Plain operations on the
// positions; the catalogue keeps them between runs (Catalog::builder,
// Catalog::saveBuilder), and the finished bank fills what is empty with
// the initial voice.

#include "library/catalog.h"

#include <functional>
#include <optional>
#include <span>

namespace vox {

// The entry of a search result, with the voice as the catalogue holds it
// and the additional data the result carries.
BuilderEntry EntryOf(const CatalogVoice &voice, const VoiceRecord &record);

// Positions are 1..32 throughout; an operation on a position out of range
// changes nothing and returns false.
class BankBuilder {
public:
    BankBuilder() = default;
    explicit BankBuilder(BuilderPositions positions) : positions_(std::move(positions)) {}

    const BuilderPositions &positions() const { return positions_; }
    const std::optional<BuilderEntry> &at(std::size_t position) const;
    std::size_t used() const;
    std::optional<std::size_t> firstFree() const;
    bool holdsSound(const SoundBody &body) const;

    // Into the first free position; which one, or nullopt when the bank is full.
    std::optional<std::size_t> add(BuilderEntry entry);
    // Into `position`, replacing what was there.
    bool put(std::size_t position, BuilderEntry entry);
    // Takes the entry (or the empty position) out of `from` and puts it in
    // at `to`; those between close up, as a list reordered by dragging.
    bool move(std::size_t from, std::size_t to);
    bool swap(std::size_t a, std::size_t b);
    bool clear(std::size_t position);
    void clearAll();

    struct FillReport {
        std::size_t placed = 0;
        std::size_t sameSound = 0;  // passed over: their sound is in the bank already
        std::size_t unreadable = 0; // the catalogue no longer holds the voice
        std::size_t left = 0;       // not placed: the bank was full
    };
    // The results in their order into the free positions, first free first.
    // `recordOf` gives a result's stored voice (Catalog::record). With
    // `skipSameSound`, a result whose sound the bank holds already (also one
    // placed by this fill) is passed over.
    FillReport fill(std::span<const CatalogVoice> results,
                    const std::function<std::optional<VoiceRecord>(const CatalogVoice &)> &recordOf,
                    bool skipSameSound);

    struct Built {
        BankRecords voices{};
        BankSupplements supplements{}; // each position's additional data; none for an empty one
        std::size_t initial = 0;       // empty positions filled with the initial voice
    };
    Built build() const;

private:
    static bool valid(std::size_t position) { return position >= 1 && position <= kBankSlots; }
    BuilderPositions positions_{};
};

} // namespace vox
