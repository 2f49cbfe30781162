#include "library/bank_builder.h"

#include "voice/init_voice.h"

#include <algorithm>
#include <unordered_set>

namespace vox {

BuilderEntry EntryOf(const CatalogVoice &voice, const VoiceRecord &record) {
    return {record, voice.file, voice.bank, voice.voice, voice.singleVoice, voice.supplement};
}

const std::optional<BuilderEntry> &BankBuilder::at(std::size_t position) const {
    static const std::optional<BuilderEntry> kNone;
    return valid(position) ? positions_[position - 1] : kNone;
}

std::size_t BankBuilder::used() const {
    return static_cast<std::size_t>(
        std::count_if(positions_.begin(), positions_.end(), [](const auto &p) { return p.has_value(); }));
}

std::optional<std::size_t> BankBuilder::firstFree() const {
    for (std::size_t i = 0; i < positions_.size(); ++i)
        if (!positions_[i]) return i + 1;
    return std::nullopt;
}

bool BankBuilder::holdsSound(const SoundBody &body) const {
    return std::any_of(positions_.begin(), positions_.end(),
                       [&](const auto &p) { return p && SoundBodyOf(p->record) == body; });
}

std::optional<std::size_t> BankBuilder::add(BuilderEntry entry) {
    const std::optional<std::size_t> free = firstFree();
    if (free) positions_[*free - 1] = std::move(entry);
    return free;
}

bool BankBuilder::put(std::size_t position, BuilderEntry entry) {
    if (!valid(position)) return false;
    positions_[position - 1] = std::move(entry);
    return true;
}

bool BankBuilder::move(std::size_t from, std::size_t to) {
    if (!valid(from) || !valid(to)) return false;
    const auto first = positions_.begin();
    if (from < to)
        std::rotate(first + static_cast<long>(from - 1), first + static_cast<long>(from),
                    first + static_cast<long>(to));
    else if (to < from)
        std::rotate(first + static_cast<long>(to - 1), first + static_cast<long>(from - 1),
                    first + static_cast<long>(from));
    return true;
}

bool BankBuilder::swap(std::size_t a, std::size_t b) {
    if (!valid(a) || !valid(b)) return false;
    std::swap(positions_[a - 1], positions_[b - 1]);
    return true;
}

bool BankBuilder::clear(std::size_t position) {
    if (!valid(position)) return false;
    positions_[position - 1].reset();
    return true;
}

void BankBuilder::clearAll() { positions_ = {}; }

BankBuilder::FillReport
BankBuilder::fill(std::span<const CatalogVoice> results,
                  const std::function<std::optional<VoiceRecord>(const CatalogVoice &)> &recordOf,
                  bool skipSameSound) {
    FillReport report;
    std::unordered_set<std::string> sounds; // the bodies in the bank, as bytes
    const auto key = [](const SoundBody &b) { return std::string(b.begin(), b.end()); };
    if (skipSameSound)
        for (const auto &p : positions_)
            if (p) sounds.insert(key(SoundBodyOf(p->record)));
    std::size_t next = 0; // the first position that may be free
    for (std::size_t i = 0; i < results.size(); ++i) {
        while (next < positions_.size() && positions_[next])
            ++next;
        if (next == positions_.size()) {
            report.left = results.size() - i;
            break;
        }
        const CatalogVoice &v = results[i];
        if (skipSameSound && sounds.count(key(v.body)) != 0) {
            ++report.sameSound;
            continue;
        }
        const std::optional<VoiceRecord> record = recordOf(v);
        if (!record) {
            ++report.unreadable;
            continue;
        }
        positions_[next] = EntryOf(v, *record);
        if (skipSameSound) sounds.insert(key(SoundBodyOf(*record)));
        ++report.placed;
    }
    return report;
}

BankBuilder::Built BankBuilder::build() const {
    Built built;
    const Slot init = InitialVoice();
    VoiceRecord initial{};
    std::copy_n(init.begin(), kRecordSize, initial.begin());
    for (std::size_t i = 0; i < positions_.size(); ++i) {
        if (positions_[i]) {
            built.voices[i] = positions_[i]->record;
            built.supplements[i] = positions_[i]->supplement;
        } else {
            built.voices[i] = initial;
            ++built.initial;
        }
    }
    return built;
}

} // namespace vox
