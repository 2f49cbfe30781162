// Arbitrary bytes through every reader of voice files: the 32-voice load
// under each name kind and the 1-voice load under each name kind. What a
// reader accepts must survive the program's own save and re-read.
#include "files/voice_files.h"
#include "fuzz_check.h"
#include "voice/bank_format.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

using namespace vox;

using fuzz::Check;

// A refusal always names a reason; an acceptance never carries one. The
// reader's locating half refuses exactly what the reader refuses.
template <class T>
void CheckResultShape(const ReadResult<T> &r, const ReadError &located, const char *disagree) {
    Check(located.failure == r.error.failure, disagree);
    if (r.ok()) {
        Check(r.error.detail.empty() && r.error.needed == 0 && r.error.count == 0,
              "accepted read carries an error detail");
        Check(ReadErrorMessage(r.error).empty(), "accepted read has an error message");
    } else {
        Check(!ReadErrorMessage(r.error).empty(), "refused read without a message");
        if (r.error.failure == ReadFailure::TooShort)
            Check(r.error.needed > r.error.length, "TooShort for a file that is long enough");
    }
}

void CheckBank(std::span<const Byte> bytes, BankKind kind) {
    const auto r = DecodeBank(bytes, kind, "fuzz");
    std::size_t offset = 99999;
    CheckResultShape(r, LocatePackedBank(bytes, kind, "fuzz", offset),
                     "LocatePackedBank and DecodeBank disagree");
    if (!r.ok()) return;
    Check(kind != BankKind::Other, "a bank read under a name without a reader");
    const std::size_t need = kind == BankKind::V32 ? kBankFileSize : kPackedBankSize;
    Check(offset + need <= bytes.size(), "bank located past the end of the bytes");
    if (kind != BankKind::V32 && offset == 0) {
        // Headerless: no message, and voices that look like voices.
        Check(bytes[0] != kSysExStart, "a System Exclusive message read as headerless packed data");
        Check(bytes.size() < kPackedBankSize + kPackedVoiceSize, "headerless data with a voice's worth more");
        Check(PackedVoicesOutOfRange(bytes, 0) <= kMaxOddVoices, "headerless data that holds no voices");
    }
    if (kind != BankKind::V32) {
        // An imported packed voice gets the single-voice header, and its
        // parameters unpack to what packing them again gives back.
        for (std::size_t v = 0; v < kBankSlots; ++v) {
            const VoiceRecord &rec = r.value[v];
            Check(std::equal(kVoiceHeader.begin(), kVoiceHeader.end(), rec.begin()), "imported voice header");
            Slot slot{};
            std::copy(rec.begin(), rec.end(), slot.begin());
            const PackedVoice packed = PackVoice(slot);
            for (std::size_t i = 0; i < kPackedVoiceSize; ++i)
                Check(packed[i] <= 0x7F, "packed byte with bit 7 set");
            // Whole bytes keep bit 7 on import (the file's own data), but
            // nothing with bit 7 goes back out; otherwise a round trip is exact.
            Slot again{};
            std::copy(kVoiceHeader.begin(), kVoiceHeader.end(), again.begin());
            UnpackVoice(packed, again);
            for (std::size_t i = kParamBase; i < kRecordSize; ++i)
                Check(again[i] == (rec[i] & 0x7F), "unpack(pack(voice)) differs from the voice");
            Check(PackVoice(again) == packed, "packing is not stable");
        }
    } else {
        for (std::size_t v = 0; v < kBankSlots; ++v)
            Check(std::equal(r.value[v].begin(), r.value[v].end(),
                             bytes.begin() + static_cast<long>(v * kRecordSize)),
                  ".v32 record is not the file's bytes");
    }
    // Saved as .v32 and read again: the same records.
    VoiceTable table;
    StoreBank(r.value, table);
    const auto file = EncodeBankFile(table);
    Check(file.size() == kBankFileSize, ".v32 not 5152 bytes");
    const auto again = DecodeBank(file, BankKind::V32, "again.v32");
    Check(again.ok(), "own .v32 refused");
    Check(again.value == r.value, "own .v32 reads back different voices");
    // Sent as a bulk dump: every data byte 7-bit, the checksum right.
    const BulkMessage dump = BuildBulkMessage(table);
    Check(dump[0] == kSysExStart && dump[kBulkMessageSize - 1] == kSysExEnd, "bulk dump frame");
    for (std::size_t i = 1; i + 1 < kBulkMessageSize; ++i)
        Check(dump[i] <= 0x7F, "bulk dump byte with bit 7");
    Check(dump[kBulkChecksumPos] ==
              ChecksumOf(std::span<const Byte>(dump.data() + kBulkDataPos, kPackedBankSize)),
          "bulk dump checksum");
    const auto reread =
        DecodeBank(std::span<const Byte>(dump.data(), dump.size()), BankKind::Syx, "again.syx");
    Check(reread.ok(), "own bulk dump refused");
}

void CheckVoice(std::span<const Byte> bytes, VoiceKind kind) {
    const auto r = DecodeVoice(bytes, kind, "fuzz");
    std::size_t offset = 99999;
    CheckResultShape(r, LocateVoiceRecord(bytes, kind, "fuzz", offset),
                     "LocateVoiceRecord and DecodeVoice disagree");
    if (!r.ok()) return;
    Check(offset + kRecordSize <= bytes.size(), "voice located past the end of the bytes");
    Check(std::equal(r.value.begin(), r.value.end(), bytes.begin() + static_cast<long>(offset)),
          "voice record is not the file's bytes");
    if (kind == VoiceKind::Syx)
        Check(IsSingleVoiceHeader(bytes), "a .syx voice without a single-voice header");
    if (kind == VoiceKind::Mid)
        Check(IsSingleVoiceHeader(bytes.subspan(offset)), "a MID voice without a single-voice header");
    if (kind == VoiceKind::V01)
        Check(IsSingleVoiceHeader(bytes) ||
                  (std::all_of(bytes.begin(), bytes.begin() + 6, [](Byte b) { return b == 0; }) &&
                   RecordParametersInRange(bytes)),
              "a 1-voice file without a single-voice header or the zero header of an empty slot");
    if (kind != VoiceKind::Mid) Check(!IsBulkDumpHeader(bytes), "a bank read as one voice");
    Slot slot{};
    StoreRecord(r.value, slot);
    const auto file = EncodeVoiceFile(slot);
    Check(file.size() == kRecordSize, ".v01 not 161 bytes");
    Check(std::equal(file.begin(), file.end(), r.value.begin()), ".v01 bytes differ from the voice");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::span<const Byte> bytes(data, size);
    for (BankKind k : {BankKind::V32, BankKind::Syx, BankKind::Dx7, BankKind::Dot32, BankKind::Other})
        CheckBank(bytes, k);
    for (VoiceKind k : {VoiceKind::V01, VoiceKind::Mid, VoiceKind::Syx})
        CheckVoice(bytes, k);
    return 0;
}
