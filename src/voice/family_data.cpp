#include "voice/family_data.h"

#include "voice/voice.h"

#include <array>
#include <cstring>

namespace vox {

namespace {

// Formats, byte counts and names as the DX7s and DX7 II manuals give them;
// a byte count includes a universal block's ten name bytes.
constexpr std::array<FamilyKind, 12> kKinds{{
    {"ACED", "additional voice edit buffer", 0x05, nullptr, 49},
    {"AMEM", "packed 32 additional voices", 0x06, nullptr, 1120},
    {"PCED", "performance edit buffer", 0x7E, "LM  8973PE", 61},
    {"PMEM", "packed 32 performances", 0x7E, "LM  8973PM", 1642},
    {"SYSTEM", "system set-up", 0x7E, "LM  8973S ", 95},
    {"MCRYE", "micro tuning edit buffer", 0x7E, "LM  MCRYE ", 266},
    {"MCRYM", "micro tuning memory", 0x7E, "LM  MCRYM", 266}, // the memory number follows
    {"MCRYC", "micro tunings in cartridge", 0x7E, "LM  MCRYC ", 266},
    {"FKSYE", "fractional scaling edit buffer", 0x7E, "LM  FKSYE ", 502},
    {"FKSYC", "fractional scalings in cartridge", 0x7E, "LM  FKSYC ", 502},
    {"TX802 PCED", "TX802 performance edit buffer", 0x7E, "LM  8952PE", 0},
    {"TX802 PMEM", "TX802 packed performances", 0x7E, "LM  8952PM", 0},
}};

constexpr std::size_t kHeader = 6; // F0 43 0n ff bh bl
constexpr std::size_t kNameSize = 10;

const FamilyKind *KindOf(int format, std::span<const Byte> name) {
    for (const FamilyKind &k : kKinds) {
        if (k.format != format) continue;
        if (k.name == nullptr) return &k;
        const std::size_t n = std::strlen(k.name);
        if (name.size() >= n && std::memcmp(name.data(), k.name, n) == 0) return &k;
    }
    return nullptr;
}

int CountAt(std::span<const Byte> m, std::size_t at) { return (m[at] & 0x7F) * 128 + (m[at + 1] & 0x7F); }

} // namespace

std::string FamilyMessage::describe() const {
    if (kind == nullptr) return "universal block \"" + name + "\"";
    std::string text = std::string(kind->shortName) + " (" + kind->what;
    if (groups > 1) text += ", " + std::to_string(groups) + " blocks";
    return text + ")";
}

std::optional<FamilyMessage> ReadFamilyMessage(std::span<const Byte> m) {
    if (m.size() < kHeader + 2 || m[0] != kSysExStart || m[1] != kYamahaId || (m[2] & 0xF0) != 0 ||
        m.back() != kSysExEnd)
        return std::nullopt;
    const int format = m[3];
    if (format != 0x05 && format != 0x06 && format != 0x7E) return std::nullopt;
    FamilyMessage out;
    out.length = m.size();
    out.byteCount = CountAt(m, 4);
    if (format == 0x7E) {
        if (m.size() < kHeader + kNameSize) return std::nullopt;
        out.name.assign(m.begin() + kHeader, m.begin() + kHeader + kNameSize);
    }
    out.kind = KindOf(format, m.subspan(kHeader, m.size() - kHeader));
    // Group after group: count, data, checksum; a cartridge block sends its
    // groups one after the other before the one F7.
    const std::size_t last = m.size() - 1; // the F7
    std::size_t at = 4;
    out.groups = 0;
    while (at + 2 <= last) {
        const auto count = static_cast<std::size_t>(CountAt(m, at));
        const std::size_t sum = at + 2 + count; // the checksum's place
        if (sum >= last) return std::nullopt;   // the count runs past the message
        if ((m[sum] & 0x7F) != ChecksumOf(m.subspan(at + 2, count))) out.checksumGood = false;
        if (static_cast<int>(count) != out.byteCount) out.countAsKnown = false;
        ++out.groups;
        at = sum + 1;
    }
    if (at != last || out.groups == 0) return std::nullopt;
    if (out.kind != nullptr && out.kind->byteCount != 0 && out.byteCount != out.kind->byteCount)
        out.countAsKnown = false;
    return out;
}

std::optional<InstrumentModel> InstrumentModelFromName(std::string_view name) {
    for (const InstrumentModel m : {InstrumentModel::Dx7, InstrumentModel::Dx7ii, InstrumentModel::Tx802})
        if (name == InstrumentModelName(m)) return m;
    return std::nullopt;
}

const char *InstrumentModelName(InstrumentModel model) {
    switch (model) {
    case InstrumentModel::Dx7:
        return "dx7";
    case InstrumentModel::Dx7ii:
        return "dx7ii";
    case InstrumentModel::Tx802:
        return "tx802";
    }
    return "?";
}

std::optional<InstrumentModel> ModelOfBlockName(std::string_view name) {
    constexpr std::size_t kNumberAt = 4; // after "LM" and two spaces
    if (name.size() < kNumberAt + 4) return std::nullopt;
    const std::string_view number = name.substr(kNumberAt, 4);
    if (number == "8973") return InstrumentModel::Dx7ii;
    if (number == "8952") return InstrumentModel::Tx802;
    return std::nullopt;
}

std::vector<FamilyFound> FamilyMessagesIn(std::span<const Byte> bytes, const VoiceScan &scan) {
    std::vector<FamilyFound> out;
    for (const SkippedPart &part : scan.skipped) {
        if (!part.dump) continue;
        const std::span<const Byte> m = SkippedBytes(bytes, part);
        const auto message = ReadFamilyMessage(m);
        if (!message) continue;
        out.push_back({part.offset, {m.begin(), m.end()}, *message});
    }
    return out;
}

} // namespace vox
