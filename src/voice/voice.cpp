#include "voice/voice.h"

#include "voice/text.h"

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

std::string NameByteToUtf8(Byte b) {
    std::string out;
    AppendUtf8(out, b); // ISO-8859-1: the byte is its code point
    return out;
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

} // namespace vox
