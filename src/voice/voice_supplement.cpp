#include "voice/voice_supplement.h"

#include "voice/family_data.h"

#include <algorithm>
#include <cstring>

namespace vox {

namespace {

constexpr std::size_t kDataPos = 6; // F0 43 0n 06 08 60

bool IsAmem(const std::optional<FamilyMessage> &m) {
    return m && m->kind && std::strcmp(m->kind->shortName, "AMEM") == 0;
}

} // namespace

std::optional<BankSupplements> SupplementsOfAmem(std::span<const Byte> message) {
    const std::optional<FamilyMessage> m = ReadFamilyMessage(message);
    if (!IsAmem(m) || !m->good() || m->groups != 1 || message.size() != kAmemMessageSize) return std::nullopt;
    // Seven-bit data only, as on the wire: what is kept is what can be sent again.
    if (std::any_of(message.begin() + kDataPos, message.end() - 1, [](Byte b) { return b > 0x7F; }))
        return std::nullopt;
    BankSupplements records;
    for (std::size_t v = 0; v < kBankSlots; ++v) {
        Supplement s;
        std::copy_n(message.begin() + static_cast<std::ptrdiff_t>(kDataPos + v * kSupplementSize),
                    kSupplementSize, s.begin());
        records[v] = s;
    }
    return records;
}

std::vector<Byte> BuildAmem(const BankSupplements &records, int device) {
    std::vector<Byte> m{kSysExStart,
                        kYamahaId,
                        static_cast<Byte>(device & 0x0F),
                        0x06,
                        static_cast<Byte>(kAmemDataSize >> 7),
                        static_cast<Byte>(kAmemDataSize & 0x7F)};
    unsigned sum = 0;
    for (const std::optional<Supplement> &r : records)
        for (std::size_t i = 0; i < kSupplementSize; ++i) {
            const Byte b = r ? static_cast<Byte>((*r)[i] & 0x7F) : Byte{0};
            m.push_back(b);
            sum += b;
        }
    m.push_back(static_cast<Byte>((0x80 - (sum & 0x7F)) & 0x7F));
    m.push_back(kSysExEnd);
    return m;
}

bool AllHeld(const BankSupplements &records) {
    return std::all_of(records.begin(), records.end(), [](const auto &r) { return r.has_value(); });
}

bool AnyHeld(const BankSupplements &records) {
    return std::any_of(records.begin(), records.end(), [](const auto &r) { return r.has_value(); });
}

PairedSupplements SupplementsBeside(std::span<const Byte> file, const VoiceScan &scan, std::size_t bank) {
    PairedSupplements out;
    const FoundVoices *found = scan.bank(bank);
    if (!found || found->source != VoiceSource::BulkDump) return out;
    // In a file of messages: those the scan passed over that end where the
    // dump starts or start where it ends. In a Standard MIDI File events
    // lie between them: the message right before or after the dump's, with
    // no other message between.
    const auto beside = [&](const SkippedPart &part) {
        if (!found->inMidiFile)
            return part.offset + part.length == found->offset || part.offset == found->offset + found->length;
        const std::size_t lo = std::min(part.offset, found->offset),
                          hi = std::max(part.offset, found->offset);
        const auto between = [&](std::size_t at) { return at > lo && at < hi; };
        return std::none_of(scan.found.begin(), scan.found.end(),
                            [&](const FoundVoices &v) { return between(v.offset); }) &&
               std::none_of(scan.skipped.begin(), scan.skipped.end(),
                            [&](const SkippedPart &p) { return between(p.offset); });
    };
    for (const SkippedPart &part : scan.skipped) {
        if (!beside(part)) continue;
        const auto bytes = SkippedBytes(file, part);
        const std::optional<FamilyMessage> m = ReadFamilyMessage(bytes);
        if (!IsAmem(m)) continue;
        if (const std::optional<BankSupplements> records = SupplementsOfAmem(bytes)) {
            out.records = *records;
            out.damaged = false;
            out.offset = part.offset;
            return out;
        }
        out.damaged = true;
    }
    return out;
}

std::filesystem::path SupplementCompanion(const std::filesystem::path &bankFile) {
    return bankFile.parent_path() / (bankFile.stem().string() + ".amem.syx");
}

} // namespace vox
