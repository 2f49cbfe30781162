#include "voice/dx7_decode.h"

#include "voice/voice.h"

#include <algorithm>

namespace vox {

namespace {
constexpr std::size_t kSubStatusPos = 2;
constexpr std::size_t kFormatPos = 3;
constexpr std::size_t kCountHighPos = 4;
constexpr std::size_t kCountLowPos = 5;
constexpr std::size_t kDumpDataPos = 6;
constexpr std::size_t kParamMessageSize = 7;
constexpr std::size_t kRequestSize = 5;
constexpr Byte kSubStatusMask = 0xF0;
constexpr Byte kChannelMask = 0x0F;
constexpr Byte kDumpSub = 0x00;
constexpr Byte kParameterSub = 0x10;
constexpr Byte kRequestSub = 0x20;
constexpr int kVoiceFormat = 0x00;
constexpr int kBankFormat = 0x09;
constexpr int kFunctionGroup = 2; // byte 3 = 08

bool IsStatus(Byte b) { return (b & 0x80) != 0; }

// The first status byte after position 0 and before `end`, or `end`.
std::size_t FirstStatus(std::span<const Byte> m, std::size_t end) {
    for (std::size_t i = 1; i < end; ++i)
        if (IsStatus(m[i])) return i;
    return end;
}

// Length, frame and end of a fixed-size message; fills fault and cutAt.
void CheckFrame(std::span<const Byte> m, std::size_t size, Dx7Message &out) {
    out.expectedSize = size;
    const std::size_t last = size - 1;
    const std::size_t broke = FirstStatus(m, std::min(m.size(), last));
    if (broke < std::min(m.size(), last)) {
        out.fault = Dx7Fault::CutShort;
        out.cutAt = broke;
    } else if (m.size() < size) {
        out.fault = Dx7Fault::CutShort;
        out.cutAt = m.size();
    } else if (m[last] != kSysExEnd) {
        out.fault = m.size() > size ? Dx7Fault::TooLong : Dx7Fault::Unterminated;
    } else if (m.size() > size) {
        out.fault = Dx7Fault::TooLong;
    }
}

// A dump read from a file may carry bit 7 in its data bytes; those do not
// end it. Only a wire message breaks at a status byte, and a file's dump
// with bit 7 set is still whole when its F7 stands where the size says.
void CheckDump(std::span<const Byte> m, std::size_t dataSize, Dx7Message &out) {
    const std::size_t size = kDumpDataPos + dataSize + 2;
    out.expectedSize = size;
    const std::size_t checksumPos = kDumpDataPos + dataSize;
    const bool endInPlace = m.size() >= size && m[size - 1] == kSysExEnd;
    out.data = m.subspan(std::min(m.size(), kDumpDataPos),
                         std::min(dataSize, m.size() > kDumpDataPos ? m.size() - kDumpDataPos : 0));
    out.highBit = std::any_of(out.data.begin(), out.data.end(), IsStatus);
    if (endInPlace) {
        if (m.size() > size) {
            out.fault = Dx7Fault::TooLong;
            return;
        }
        out.checksum = m[checksumPos];
        out.computed = ChecksumOf(out.data);
        if ((out.checksum & 0x7F) != out.computed) out.fault = Dx7Fault::Checksum;
        return;
    }
    const std::size_t broke = FirstStatus(m, std::min(m.size(), checksumPos + 1));
    if (broke < std::min(m.size(), checksumPos + 1) || m.size() < size) {
        out.fault = Dx7Fault::CutShort;
        out.cutAt = std::min(broke, m.size());
        return;
    }
    out.fault = m.size() > size ? Dx7Fault::TooLong : Dx7Fault::Unterminated;
}
} // namespace

bool IsBankByteCount(int byteCount) { return byteCount == 0x20 * 128 || byteCount == 0x10 * 128; }

Dx7Message DecodeDx7(std::span<const Byte> m) {
    Dx7Message out;
    if (m.size() < 3 || m[0] != kSysExStart || m[1] != kYamahaId || IsStatus(m[kSubStatusPos])) return out;
    const Byte sub = m[kSubStatusPos] & kSubStatusMask;
    out.channel = m[kSubStatusPos] & kChannelMask;
    if (m.size() > kFormatPos && !IsStatus(m[kFormatPos])) out.format = m[kFormatPos];

    if (sub == kParameterSub) {
        // Cut before its group byte, it is still a parameter change cut short.
        if (m.size() > kFormatPos) out.group = m[kFormatPos] >> 2;
        out.kind = out.group == kFunctionGroup ? Dx7Kind::FunctionParameter : Dx7Kind::ParameterChange;
        out.format = -1;
        CheckFrame(m, kParamMessageSize, out);
        if (out.good()) {
            out.number = (m[kFormatPos] & 0x03) * 128 + m[4];
            out.value = m[5];
        }
        return out;
    }
    if (sub == kRequestSub) {
        out.kind = Dx7Kind::DumpRequest;
        CheckFrame(m, kRequestSize, out);
        return out;
    }
    if (sub != kDumpSub) {
        out.format = -1;
        return out;
    }
    if (out.format < 0) {
        // A dump cut before its format byte: of no known kind, but broken.
        out.kind = Dx7Kind::OtherDump;
        out.fault = Dx7Fault::CutShort;
        out.cutAt = FirstStatus(m, m.size());
        return out;
    }
    if (m.size() > kCountLowPos) out.byteCount = m[kCountHighPos] * 128 + m[kCountLowPos];
    if (out.format == kVoiceFormat) {
        out.kind = Dx7Kind::VoiceDump;
        CheckDump(m, kParamCount, out);
    } else if (out.format == kBankFormat) {
        out.kind = Dx7Kind::BulkDump;
        CheckDump(m, kPackedBankSize, out);
    } else {
        out.kind = Dx7Kind::OtherDump;
        if (m.size() > kCountLowPos)
            CheckDump(m, static_cast<std::size_t>(out.byteCount), out);
        else {
            out.fault = Dx7Fault::CutShort;
            out.cutAt = m.size();
        }
    }
    return out;
}

} // namespace vox
