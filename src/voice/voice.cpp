#include "voice/voice.h"

#include "voice/text.h"

#include <algorithm>

namespace vox {

Byte ChecksumOf(std::span<const Byte> data) {
    unsigned sum = 0;
    for (Byte b : data)
        sum = (sum + b) & 0x7F;
    return static_cast<Byte>((128 - sum) & 0x7F);
}

Byte VoiceChecksum(std::span<const Byte, kSlotSize> slot) {
    return ChecksumOf(slot.subspan(kParamBase, kParamCount));
}

std::array<Byte, kNameLength> VoiceNameBytes(std::span<const Byte, kSlotSize> slot) {
    std::array<Byte, kNameLength> name{};
    for (std::size_t i = 0; i < kNameLength; ++i)
        name[i] = slot[kNamePos + i];
    return name;
}

namespace {
constexpr Byte kDataBits = 0x7F;
constexpr Byte kFirstShown = 0x20; // codes below it show blank
constexpr Byte kDelete = 0x7F;
} // namespace

std::string NameByteToUtf8(Byte b) {
    const Byte code = b & kDataBits;
    return std::string(1, code < kFirstShown || code == kDelete ? ' ' : static_cast<char>(code));
}

std::string NameBytesToUtf8(std::span<const Byte> bytes) {
    std::string out;
    for (Byte b : bytes)
        out += NameByteToUtf8(b);
    return out;
}

std::string VoiceName(std::span<const Byte, kSlotSize> slot) {
    return NameBytesToUtf8(slot.subspan(kNamePos, kNameLength));
}

Slot VoiceOnTheWire(std::span<const Byte, kSlotSize> slot) {
    Slot wire{};
    std::copy(slot.begin(), slot.end(), wire.begin());
    for (std::size_t p = kParamBase; p < kParamBase + kParamCount; ++p)
        wire[p] = slot[p] & kDataBits;
    return wire;
}

} // namespace vox
