// Arbitrary bytes through every reader of voice files: the scan of every
// voice a file holds under several names, the 32-voice load under each
// name kind and the 1-voice load under each name kind. What the scan finds
// must be in the bytes where it says; what a reader accepts must survive
// the program's own save and re-read.
#include "files/voice_files.h"
#include "fuzz_check.h"
#include "voice/bank_format.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

using namespace vox;

using fuzz::Check;
using fuzz::SameData;

// A refusal always names a reason; an acceptance never carries one. The
// reader's locating half refuses exactly what the reader refuses.
template <class T>
void CheckResultShape(const ReadResult<T> &r, const ReadError &located, const char *disagree) {
    // The scan may name a better reason than the locating half, never
    // another verdict.
    Check((located.failure == ReadFailure::None) == r.ok(), disagree);
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

// The scan's oracle: every group of voices lies inside the bytes, in file
// order, a bank holds 32 voices, and each voice is what the bytes hold at
// the place given.
void CheckScan(std::span<const Byte> bytes, std::string_view name) {
    const VoiceScan scan = ScanVoiceFile(bytes, name);
    Check(scan.found.empty() == (scan.refusal != ScanReason::None), "a refusal with voices, or none without");
    Check(!ScanReasonEnglish(scan.refusal, scan.refusalCount).empty() || scan.found.size() > 0,
          "a refusal without words");
    std::size_t end = 0;
    for (const FoundVoices &f : scan.found) {
        Check(f.voices.size() == kBankSlots || f.voices.size() == 1, "neither a bank nor a single voice");
        Check(f.offset < bytes.size() && f.length <= bytes.size() - f.offset,
              "found voices outside the bytes");
        Check(f.offset >= end, "found voices out of order or overlapping");
        end = f.inMidiFile ? f.offset + 1 : f.offset + f.length;
        Check(!f.inMidiFile || bytes[f.offset] == kSysExStart, "a MIDI file's message not at its F0");
        switch (f.source) {
        case VoiceSource::BulkDump:
            Check(f.isBank(), "a bulk dump that is no bank");
            if (f.inMidiFile) break;
            Check(IsBulkDumpHeader(bytes.subspan(f.offset)), "a bank taken from no bulk dump header");
            for (std::size_t v = 0; v < kBankSlots; ++v)
                Check(f.voices[v] == RecordFromPacked(std::span<const Byte, kPackedVoiceSize>(
                                         bytes.data() + f.offset + kBulkDataPos + v * kPackedVoiceSize,
                                         kPackedVoiceSize)),
                      "a bank voice that is not the dump's packed voice");
            if (f.checksumGood)
                Check((bytes[f.offset + kBulkChecksumPos] & 0x7F) ==
                          ChecksumOf(bytes.subspan(f.offset + kBulkDataPos, kPackedBankSize)),
                      "a good checksum that is wrong");
            else
                Check(LooksLikePackedBank(bytes, f.offset + kBulkDataPos),
                      "a dump with a wrong checksum whose voices are no voices");
            break;
        case VoiceSource::SingleVoiceDump:
            Check(f.voices.size() == 1, "a single-voice dump with more voices");
            if (f.inMidiFile) break;
            Check(IsSingleVoiceHeader(bytes.subspan(f.offset)), "a voice taken from no single-voice header");
            Check(std::equal(f.voices[0].begin(), f.voices[0].end(),
                             bytes.begin() + static_cast<long>(f.offset)),
                  "a single voice that is not the dump's bytes");
            Check(f.checksumGood || RecordParametersOutOfRange(f.voices[0]) <= kMaxOddParameters,
                  "a single voice with a wrong checksum that is no voice");
            break;
        case VoiceSource::PackedData:
            Check(f.isBank() && f.offset % kPackedBankSize == 0 && bytes.size() % kPackedBankSize == 0,
                  "headerless banks not in whole banks from the start");
            Check(bytes[0] != kSysExStart, "a System Exclusive message read as headerless data");
            Check(LooksLikePackedBank(bytes, f.offset), "headerless data that holds no voices");
            break;
        case VoiceSource::UnpackedData:
            Check(f.isBank() && bytes.size() == kUnpackedBankSize && f.offset == 0,
                  "unpacked data not 4960 bytes");
            break;
        case VoiceSource::V32File:
            Check(f.isBank() && f.offset == 0 && bytes.size() >= kBankFileSize, "a 32-voice file too short");
            break;
        case VoiceSource::V01File:
            Check(f.voices.size() == 1 && f.offset == 0, "a 1-voice file not from its start");
            break;
        }
    }
    for (const SkippedPart &p : scan.skipped) {
        Check(p.reason != ScanReason::None, "a skipped part without a reason");
        Check(p.offset <= bytes.size() && p.length <= bytes.size() - p.offset,
              "a skipped part outside the bytes");
        Check(p.reason != ScanReason::CutOff || p.count <= kBankSlots, "cut off after more than 32 voices");
    }
}

void CheckBank(std::span<const Byte> bytes, BankKind kind) {
    const auto r = DecodeBank(bytes, kind, "fuzz");
    std::size_t offset = 99999;
    const ReadError located = LocatePackedBank(bytes, kind, "fuzz", offset);
    // Where the scan finds a bank the load takes it; otherwise it reads as
    // the locating half says.
    const VoiceScan scan = ScanVoiceFile(bytes, {});
    const bool scanned = kind != BankKind::V32 && kind != BankKind::Other && scan.bankCount() > 0;
    if (scanned) {
        Check(r.ok(), "a bank the scan found was refused");
        Check(std::equal(r.value.begin(), r.value.end(), scan.bank(0)->voices.begin()),
              "the load's bank is not the scan's first");
    } else {
        CheckResultShape(r, located, "LocatePackedBank and DecodeBank disagree");
    }
    if (!r.ok()) return;
    if (scanned) return;
    Check(kind != BankKind::Other, "a bank read under a name without a reader");
    const std::size_t need = kind == BankKind::V32 ? kBankFileSize : kPackedBankSize;
    Check(offset + need <= bytes.size(), "bank located past the end of the bytes");
    if (kind != BankKind::V32 && offset == 0) {
        // Headerless: no message, and voices that look like voices.
        Check(bytes[0] != kSysExStart, "a System Exclusive message read as headerless packed data");
        Check(bytes.size() < kPackedBankSize + kPackedVoiceSize, "headerless data with a voice's worth more");
        Check(LooksLikePackedBank(bytes, 0), "headerless data that holds no voices");
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
    for (std::size_t v = 0; again.ok() && v < kBankSlots; ++v)
        Check(SameData(again.value[v], r.value[v]), "own .v32 reads back different voices");
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
    const ReadError located = LocateVoiceRecord(bytes, kind, "fuzz", offset);
    const VoiceScan scan = ScanVoiceFile(bytes, {});
    // A MID name takes the events of a Standard MIDI File only, after the dump at its end.
    const bool scanned = kind != VoiceKind::V01 && scan.singleVoiceCount() > 0 &&
                         (kind != VoiceKind::Mid || (scan.midiFile && located.failure != ReadFailure::None));
    if (scanned) {
        Check(r.ok(), "a single voice the scan found was refused");
        Check(r.value == scan.singleVoice(0)->voices[0], "the load's voice is not the scan's first");
        return;
    }
    CheckResultShape(r, located, "LocateVoiceRecord and DecodeVoice disagree");
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
    // The program's own header, then the voice's data bytes but for bit 7.
    Check(std::equal(kVoiceHeader.begin(), kVoiceHeader.end(), file.begin()),
          ".v01 without the program's header");
    for (std::size_t i = kParamBase; i < kRecordSize && file.size() == kRecordSize; ++i)
        Check(file[i] == (r.value[i] & 0x7F), ".v01 bytes differ from the voice");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::span<const Byte> bytes(data, size);
    for (std::string_view name : {"f.syx", "f.v32", "f.v01", "f.mid"})
        CheckScan(bytes, name);
    for (BankKind k : {BankKind::V32, BankKind::Syx, BankKind::Dx7, BankKind::Dot32, BankKind::Other})
        CheckBank(bytes, k);
    for (VoiceKind k : {VoiceKind::V01, VoiceKind::Mid, VoiceKind::Syx})
        CheckVoice(bytes, k);
    return 0;
}
