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
constexpr std::size_t kCountHighPos = 4;
constexpr std::size_t kCountLowPos = 5;
constexpr Byte kBankFormat = 0x09;
// 20 00 counts 4096 bytes; some units send 10 00 for the same dump.
bool BankByteCount(Byte high, Byte low) { return (high == 0x20 || high == 0x10) && low == 0x00; }
bool MakersDump(std::span<const Byte> m) {
    return m.size() > kFormatPos && m[0] == kSysExStart && m[1] == kYamahaId && (m[2] & 0xF0) == 0x00;
}
} // namespace

bool IsBankDumpCandidate(std::span<const Byte> message) {
    if (!MakersDump(message)) return false;
    if (message[kFormatPos] == kBankFormat) return true;
    return message.size() > kCountLowPos && BankByteCount(message[kCountHighPos], message[kCountLowPos]);
}

BulkDump ReadBulkDump(std::span<const Byte> message) {
    BulkDump dump;
    dump.length = message.size();
    dump.format = message.size() > kFormatPos ? message[kFormatPos] : 0;
    if (!MakersDump(message) || dump.format != kBankFormat ||
        (message.size() > kCountLowPos && !BankByteCount(message[kCountHighPos], message[kCountLowPos]))) {
        dump.status = BulkDumpStatus::NotDx7Bank;
        return dump;
    }
    // Any status byte but the final F7 means another message broke in (or
    // the sender gave up): the dump ends there.
    const std::size_t dataEnd = std::min(message.size(), kBulkChecksumPos + 1);
    for (std::size_t i = 1; i < dataEnd; ++i)
        if ((message[i] & 0x80) != 0) {
            dump.status = BulkDumpStatus::CutOff;
            dump.cutAt = i;
            return dump;
        }
    if (message.size() < kBulkMessageSize || message[kBulkMessageSize - 1] != kSysExEnd) {
        dump.status = message.size() > kBulkMessageSize ? BulkDumpStatus::TooLong : BulkDumpStatus::CutOff;
        dump.cutAt = std::min(message.size(), kBulkMessageSize - 1);
        return dump;
    }
    if (message.size() > kBulkMessageSize) {
        dump.status = BulkDumpStatus::TooLong;
        return dump;
    }
    const auto data = message.subspan(kBulkDataPos, kPackedBankSize);
    dump.packed.assign(data.begin(), data.end());
    dump.checksum = message[kBulkChecksumPos];
    dump.computed = ChecksumOf(data);
    dump.status = dump.checksum == dump.computed ? BulkDumpStatus::Good : BulkDumpStatus::BadChecksum;
    return dump;
}

} // namespace vox
