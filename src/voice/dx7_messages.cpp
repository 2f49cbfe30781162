#include "voice/dx7_messages.h"

#include "voice/bank_format.h"

namespace vox {

ParameterChange ParameterChangeMessage(int parameter, int value) {
    return {kSysExStart,
            kYamahaId,
            kParameterChangeSubStatus,
            static_cast<Byte>((parameter >> 7) & 0x03),
            static_cast<Byte>(parameter & 0x7F),
            static_cast<Byte>(value & 0x7F),
            kSysExEnd};
}

VoiceDump BuildVoiceDump(std::span<const Byte, kSlotSize> slot) {
    VoiceDump dump{};
    for (std::size_t i = 0; i < kVoiceHeader.size(); ++i)
        dump[i] = kVoiceHeader[i];
    // A data byte with bit 7 set (some files hold them) would end the
    // message on the wire; the 7-bit checksum is the same either way.
    for (std::size_t p = kParamBase; p < kParamBase + kParamCount; ++p)
        dump[p] = slot[p] & 0x7F;
    dump[kChecksumPos] = VoiceChecksum(slot);
    dump[kEndPos] = kSysExEnd;
    return dump;
}

BulkMessage BuildBulkMessage(const VoiceTable &table) {
    BulkMessage message{};
    for (std::size_t i = 0; i < kBankHeader.size(); ++i)
        message[i] = kBankHeader[i];
    for (std::size_t v = 1; v <= kBankSlots; ++v) {
        const PackedVoice packed = PackVoice(table[v]);
        std::size_t at = kBulkDataPos + kPackedVoiceSize * (v - 1);
        for (Byte b : packed)
            message[at++] = b;
    }
    message[kBulkChecksumPos] =
        ChecksumOf(std::span<const Byte>(message).subspan(kBulkDataPos, kPackedBankSize));
    message[kBulkMessageSize - 1] = kSysExEnd;
    return message;
}

} // namespace vox
