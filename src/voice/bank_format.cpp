#include "voice/bank_format.h"

#include "voice/dx7_decode.h"
#include "voice/text.h"

#include <algorithm>

namespace vox {
namespace {

// One bit field of a packed byte: parameter k of the block (or the common
// parameter number), its shift and its width in bits.
struct Field {
    int param;
    int shift;
    int bits;
};

// Operator block, offset j -> fields (at most two per byte; whole bytes
// are one 7-bit field).
struct PackedByte {
    Field fields[3];
    int count;
};

constexpr int k(OpParam p) { return static_cast<int>(p); }

constexpr std::array<PackedByte, 17> kOperatorLayout{{
    {{{k(OpParam::Rate1), 0, 7}}, 1},
    {{{k(OpParam::Rate2), 0, 7}}, 1},
    {{{k(OpParam::Rate3), 0, 7}}, 1},
    {{{k(OpParam::Rate4), 0, 7}}, 1},
    {{{k(OpParam::Level1), 0, 7}}, 1},
    {{{k(OpParam::Level2), 0, 7}}, 1},
    {{{k(OpParam::Level3), 0, 7}}, 1},
    {{{k(OpParam::Level4), 0, 7}}, 1},
    {{{k(OpParam::BreakPoint), 0, 7}}, 1},
    {{{k(OpParam::LeftDepth), 0, 7}}, 1},
    {{{k(OpParam::RightDepth), 0, 7}}, 1},
    {{{k(OpParam::LeftCurve), 0, 2}, {k(OpParam::RightCurve), 2, 2}}, 2},
    {{{k(OpParam::RateScaling), 0, 3}, {k(OpParam::Detune), 3, 4}}, 2},
    {{{k(OpParam::AmpModSens), 0, 2}, {k(OpParam::KeyVelSens), 2, 3}}, 2},
    {{{k(OpParam::OutputLevel), 0, 7}}, 1},
    {{{k(OpParam::OscMode), 0, 1}, {k(OpParam::FreqCoarse), 1, 5}}, 2},
    {{{k(OpParam::FreqFine), 0, 7}}, 1},
}};

constexpr std::size_t kCommonStart = 17 * kOperatorCount; // 102

// Common part, offsets 102..127.
PackedByte CommonLayout(std::size_t offset) {
    if (offset == 111) return {{{param::Feedback, 0, 3}, {param::OscKeySync, 3, 1}}, 2};
    if (offset == 116)
        return {{{param::LfoKeySync, 0, 1}, {param::LfoWave, 1, 3}, {param::PitchModSens, 4, 3}}, 3};
    int p = offset <= 110   ? static_cast<int>(offset) + 24
            : offset <= 115 ? static_cast<int>(offset) + 25
                            : static_cast<int>(offset) + 27;
    return {{{p, 0, 7}}, 1};
}

PackedByte LayoutAt(std::size_t offset, int &paramBase) {
    if (offset < kCommonStart) {
        paramBase = kOperatorBlockParams * static_cast<int>(offset / 17);
        return kOperatorLayout[offset % 17];
    }
    paramBase = 0;
    return CommonLayout(offset);
}

bool IsWholeByte(const PackedByte &layout) { return layout.count == 1 && layout.fields[0].bits == 7; }

} // namespace

PackedVoice PackVoice(std::span<const Byte, kSlotSize> slot) {
    PackedVoice packed{};
    for (std::size_t offset = 0; offset < kPackedVoiceSize; ++offset) {
        int base = 0;
        const PackedByte layout = LayoutAt(offset, base);
        unsigned byte = 0;
        for (int f = 0; f < layout.count; ++f) {
            const Field &field = layout.fields[f];
            const unsigned mask = (1u << field.bits) - 1;
            byte |= (slot[ParamPos(base + field.param)] & mask) << field.shift;
        }
        packed[offset] = static_cast<Byte>(byte);
    }
    return packed;
}

void UnpackVoice(std::span<const Byte, kPackedVoiceSize> packed, std::span<Byte, kSlotSize> slot) {
    for (std::size_t offset = 0; offset < kPackedVoiceSize; ++offset) {
        int base = 0;
        const PackedByte layout = LayoutAt(offset, base);
        const Byte b = packed[offset];
        if (IsWholeByte(layout)) {
            // Whole bytes are copied unmasked, bit 7 included.
            slot[ParamPos(base + layout.fields[0].param)] = b;
            continue;
        }
        for (int f = 0; f < layout.count; ++f) {
            const Field &field = layout.fields[f];
            const unsigned mask = (1u << field.bits) - 1;
            slot[ParamPos(base + field.param)] = static_cast<Byte>((b >> field.shift) & mask);
        }
    }
}

Slot VoiceInBank(std::span<const Byte, kSlotSize> slot) {
    Slot bank = VoiceOnTheWire(slot);
    UnpackVoice(PackVoice(slot), bank);
    return bank;
}

BankImage ReadBankImage(std::span<const Byte> file) {
    BankImage image;
    const Dx7Message dump = DecodeDx7(file);
    const bool framed = dump.fault == Dx7Fault::None || dump.fault == Dx7Fault::Checksum;
    if (file.size() == kPackedBankSize) {
        image.packed.assign(file.begin(), file.end());
    } else if (file.size() != kBulkMessageSize) {
        image.error = "not a bank: " + std::to_string(file.size()) + " bytes, not 4104 or 4096";
    } else if (dump.kind != Dx7Kind::BulkDump || !framed || !IsBankByteCount(dump.byteCount)) {
        image.error = "not a 32-voice bulk dump: header " + HexBytes(file.first(kBankHeader.size()));
    } else if (dump.fault == Dx7Fault::Checksum) {
        image.error = "bulk dump checksum wrong";
    } else {
        image.packed.assign(dump.data.begin(), dump.data.end());
    }
    if (image.error.empty() &&
        std::any_of(image.packed.begin(), image.packed.end(), [](Byte b) { return (b & 0x80) != 0; })) {
        image.packed.clear();
        image.error = "bank data bytes with bit 7 set";
    }
    return image;
}

namespace {
constexpr std::size_t kFormatPos = 3;
} // namespace

bool IsBankDumpCandidate(std::span<const Byte> message) {
    const Dx7Message d = DecodeDx7(message);
    if (d.kind == Dx7Kind::BulkDump) return true;
    return d.kind == Dx7Kind::OtherDump && IsBankByteCount(d.byteCount);
}

BulkDump ReadBulkDump(std::span<const Byte> message) {
    const Dx7Message d = DecodeDx7(message);
    BulkDump dump;
    dump.length = message.size();
    dump.format = message.size() > kFormatPos ? message[kFormatPos] : 0;
    const bool counted = message.size() > kFormatPos + 2; // both byte-count bytes came
    if (d.kind != Dx7Kind::BulkDump || (counted && !IsBankByteCount(d.byteCount))) {
        dump.status = BulkDumpStatus::NotDx7Bank;
        return dump;
    }
    // On the wire a status byte inside the data means another message broke
    // in (or the sender gave up): the dump ends there.
    const auto high = std::find_if(d.data.begin(), d.data.end(), [](Byte b) { return (b & 0x80) != 0; });
    if (high != d.data.end()) {
        dump.status = BulkDumpStatus::CutOff;
        dump.cutAt = kBulkDataPos + static_cast<std::size_t>(high - d.data.begin());
        return dump;
    }
    switch (d.fault) {
    case Dx7Fault::CutShort:
        dump.status = BulkDumpStatus::CutOff;
        dump.cutAt = d.cutAt;
        return dump;
    case Dx7Fault::Unterminated:
        dump.status = BulkDumpStatus::CutOff;
        dump.cutAt = kBulkMessageSize - 1;
        return dump;
    case Dx7Fault::TooLong:
        dump.status = BulkDumpStatus::TooLong;
        return dump;
    case Dx7Fault::None:
    case Dx7Fault::Checksum:
        break;
    }
    dump.packed.assign(d.data.begin(), d.data.end());
    dump.checksum = d.checksum;
    dump.computed = d.computed;
    dump.status = d.good() ? BulkDumpStatus::Good : BulkDumpStatus::BadChecksum;
    return dump;
}

} // namespace vox
