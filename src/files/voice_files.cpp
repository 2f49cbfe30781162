#include "files/voice_files.h"

#include "voice/bank_format.h"
#include "voice/text.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <system_error>

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#define VOX_HAVE_FSYNC 1
#endif

namespace vox {
namespace {

// Fills %F (file), %L (length), %N (needed), %D (detail), %C (count), %R
// (reason) of a message in one pass, so that a file name holding "%D"
// stays as it is.
std::string Fill(const std::string &pattern, const std::filesystem::path &file, std::size_t length = 0,
                 std::size_t needed = 0, const std::string &detail = {}, std::size_t count = 0,
                 const std::string &reason = {}) {
    std::string text;
    for (const char *c = pattern.c_str(); *c; ++c) {
        if (c[0] == '%' && c[1] != 0) {
            switch (c[1]) {
            case 'F':
                text += file.string();
                ++c;
                continue;
            case 'L':
                text += std::to_string(length);
                ++c;
                continue;
            case 'N':
                text += std::to_string(needed);
                ++c;
                continue;
            case 'C':
                text += std::to_string(count);
                ++c;
                continue;
            case 'D':
                text += detail;
                ++c;
                continue;
            case 'R':
                text += reason;
                ++c;
                continue;
            default:
                break;
            }
        }
        text += *c;
    }
    return text;
}

ReadError Failure(ReadFailure failure, const std::filesystem::path &file, std::size_t length,
                  std::size_t needed = 0, std::string detail = {}) {
    return ReadError{failure, file, length, needed, 0, std::move(detail)};
}

ReadError Counted(ReadFailure failure, const std::filesystem::path &file, std::size_t length,
                  std::size_t count, std::string detail = {}) {
    return ReadError{failure, file, length, 0, count, std::move(detail)};
}

bool StartsWithSysEx(std::span<const Byte> bytes, Byte format) {
    return bytes.size() >= 4 && bytes[0] == kSysExStart && bytes[1] == kYamahaId && (bytes[2] & 0xF0) == 0 &&
           bytes[3] == format;
}

std::filesystem::path TempPathFor(const std::filesystem::path &file) {
    // Beside the target, so the rename stays on one volume; hidden, and
    // unique to this process and save.
    static std::atomic<unsigned> counter{0};
    std::string name = "." + file.filename().string() + ".saving";
#if defined(VOX_HAVE_FSYNC)
    name += "-" + std::to_string(static_cast<long>(::getpid()));
#endif
    name += "-" + std::to_string(counter++);
    std::filesystem::path temp = file;
    temp.replace_filename(name);
    return temp;
}

} // namespace

std::string NameKind(std::string_view fileName) {
    std::string kind(fileName.size() > 3 ? fileName.substr(fileName.size() - 3) : fileName);
    for (char &c : kind)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return kind;
}

BankKind BankKindOfName(std::string_view fileName) {
    const std::string kind = NameKind(fileName);
    if (kind == "V32") return BankKind::V32;
    if (kind == "SYX") return BankKind::Syx;
    if (kind == "DX7") return BankKind::Dx7;
    if (kind == ".32") return BankKind::Dot32;
    if (kind == "MID") return BankKind::Mid;
    return BankKind::Other;
}

VoiceKind VoiceKindOfName(std::string_view fileName) {
    const std::string kind = NameKind(fileName);
    if (kind == "MID") return VoiceKind::Mid;
    if (kind == "SYX") return VoiceKind::Syx;
    return VoiceKind::V01;
}

std::string SystemReason(std::error_code ec) {
    if (ec == std::errc::no_such_file_or_directory) return file_text::kNoSuchFile;
    if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted)
        return file_text::kAccessDenied;
    if (ec == std::errc::is_a_directory) return file_text::kIsFolder;
    if (ec == std::errc::no_space_on_device) return file_text::kNoSpace;
    if (ec == std::errc::file_too_large) return file_text::kFileTooLarge;
    if (ec == std::errc::read_only_file_system) return file_text::kReadOnly;
    return ec.message();
}

std::string ReadErrorMessage(const ReadError &e) {
    switch (e.failure) {
    case ReadFailure::None:
        return {};
    case ReadFailure::NotFound:
        return Fill(file_text::kNotFound, e.file);
    case ReadFailure::CannotRead:
        return Fill(file_text::kCannotRead, e.file, 0, 0, e.detail);
    case ReadFailure::TooShort:
        return Fill(file_text::kTooShort, e.file, e.length, e.needed);
    case ReadFailure::TooLarge:
        return Fill(file_text::kTooLarge, e.file, e.length);
    case ReadFailure::NotBulkDump:
        return Fill(file_text::kNotBulkDump, e.file, 0, 0, e.detail);
    case ReadFailure::UnknownKind:
        return Fill(file_text::kUnknownKind, e.file);
    case ReadFailure::NotDx7VoiceFile:
        return file_text::kNotDx7VoiceFile;
    case ReadFailure::NotSingleVoice:
        return Fill(file_text::kNotSingleVoice, e.file, 0, 0, e.detail);
    case ReadFailure::IsBank:
        return Fill(file_text::kIsBank, e.file);
    case ReadFailure::NotPackedBank:
        return Fill(file_text::kNotPackedBank, e.file, 0, 0, {}, e.count);
    case ReadFailure::BytesPastBank:
        return Fill(file_text::kBytesPastBank, e.file, e.length, 0, {}, e.count);
    case ReadFailure::BulkDumpCutOff:
        return Fill(file_text::kBulkDumpCutOff, e.file);
    case ReadFailure::BulkDumpBadVoices:
        return Fill(file_text::kBulkDumpBadVoices, e.file, 0, 0, {}, e.count);
    case ReadFailure::MessageInsideData:
        return Fill(file_text::kMessageInsideData, e.file, 0, 0, {}, e.count);
    case ReadFailure::VoiceOutOfRange:
        return Fill(file_text::kVoiceOutOfRange, e.file, 0, 0, {}, e.count);
    case ReadFailure::NotBankFile:
        return Fill(file_text::kNotBankFile, e.file, 0, 0, e.detail, e.count);
    case ReadFailure::ScanRefused:
        return Fill(file_text::kScanRefused, e.file, 0, 0, {}, 0, ScanReasonJapanese(e.reason, e.count));
    case ReadFailure::NoSuchBank:
        return Fill(file_text::kNoSuchBank, e.file, 0, e.needed, {}, e.count);
    case ReadFailure::NoSuchVoice:
        return Fill(file_text::kNoSuchVoice, e.file, 0, e.needed, {}, e.count);
    case ReadFailure::IsSingleVoice:
        return Fill(file_text::kIsSingleVoice, e.file);
    }
    return {};
}

std::string ChecksumWarning(const std::filesystem::path &file) {
    return Fill(file_text::kChecksumWrong, file);
}

std::string WriteErrorMessage(const std::filesystem::path &file, const std::string &reason) {
    return Fill(file_text::kWriteFailed, file, 0, 0, reason);
}

ReadResult<std::vector<Byte>> ReadFileBytes(const std::filesystem::path &file) {
    ReadResult<std::vector<Byte>> result;
    std::error_code ec;
    const auto status = std::filesystem::status(file, ec);
    if (!std::filesystem::exists(status)) {
        result.error = Failure(ReadFailure::NotFound, file, 0);
        return result;
    }
    if (std::filesystem::is_directory(status)) {
        result.error = Failure(ReadFailure::CannotRead, file, 0, 0, file_text::kIsFolder);
        return result;
    }
    const auto size = std::filesystem::file_size(file, ec);
    if (!ec && size > kMaxFileSize) {
        result.error = Failure(ReadFailure::TooLarge, file, static_cast<std::size_t>(size));
        return result;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        const std::error_code why(errno, std::generic_category());
        result.error = Failure(ReadFailure::CannotRead, file, 0, 0, SystemReason(why));
        return result;
    }
    std::vector<Byte> bytes;
    char buffer[4096];
    while (in) {
        in.read(buffer, sizeof buffer);
        bytes.insert(bytes.end(), buffer, buffer + in.gcount());
        if (bytes.size() > kMaxFileSize) {
            result.error = Failure(ReadFailure::TooLarge, file, bytes.size());
            return result;
        }
    }
    if (in.bad()) {
        const std::error_code why(errno, std::generic_category());
        result.error = Failure(ReadFailure::CannotRead, file, 0, 0, SystemReason(why));
        return result;
    }
    result.value = std::move(bytes);
    return result;
}

bool IsBulkDumpHeader(std::span<const Byte> bytes) { return StartsWithSysEx(bytes, 0x09); }

bool IsSingleVoiceHeader(std::span<const Byte> bytes) { return StartsWithSysEx(bytes, 0x00); }

namespace {

bool ZeroHeader(std::span<const Byte> bytes) {
    if (bytes.size() < kParamBase) return false;
    for (std::size_t i = 0; i < kParamBase; ++i)
        if (bytes[i] != 0) return false;
    return true;
}

// Where F0 43, the start of a DX7 message, stands in the bytes; their size
// when nowhere. (F0 alone can be a data byte with bit 7 set.)
std::size_t YamahaMessageIn(std::span<const Byte> bytes) {
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
        if (bytes[i] == kSysExStart && bytes[i + 1] == kYamahaId) return i;
    return bytes.size();
}

// A bulk dump (header at offset 0) whose packed data is all there. With the
// right checksum it is taken as it is. With a wrong or missing checksum it
// is taken only when it ends where a dump ends and its voices look like
// voices: a dump cut off and followed by other data would otherwise give
// voices made of the next message's bytes.
ReadError CheckBulkDump(std::span<const Byte> bytes, const std::filesystem::path &file) {
    const std::size_t length = bytes.size();
    if (length < kBulkDumpDataEnd) return Failure(ReadFailure::TooShort, file, length, kBulkDumpDataEnd);
    const auto data = bytes.subspan(kBulkDataPos, kPackedBankSize);
    // The checksum by its seven bits, where the dump ends: more bytes that
    // go on (a block doubled) would make any byte there match by chance.
    const bool ends = length == kBulkChecksumPos + 1 ||
                      (length > kBulkChecksumPos + 1 && (bytes[kBulkChecksumPos + 1] == kSysExEnd ||
                                                         bytes[kBulkChecksumPos + 1] == kSysExStart));
    if (length > kBulkChecksumPos && ends && (bytes[kBulkChecksumPos] & 0x7F) == ChecksumOf(data)) return {};
    // With nothing to vouch for the bytes, a DX7 message starting among
    // them means the dump was cut off there.
    if (const std::size_t at = YamahaMessageIn(data); at != data.size())
        return Counted(ReadFailure::MessageInsideData, file, length, kBulkDataPos + at + 1);
    const bool endsAsADump = length <= kBulkChecksumPos + 1 || bytes[kBulkChecksumPos] == kSysExEnd ||
                             bytes[kBulkChecksumPos + 1] == kSysExEnd;
    if (!endsAsADump) return Failure(ReadFailure::BulkDumpCutOff, file, length);
    if (!LooksLikePackedBank(bytes, kBulkDataPos))
        return Counted(ReadFailure::BulkDumpBadVoices, file, length,
                       PackedVoicesOutOfRange(bytes, kBulkDataPos));
    return {};
}

// Packed voices from offset 0 with nothing to say where they start: the
// bytes themselves must show it. A System Exclusive message is not packed
// data (a bulk dump cut short would be read shifted by its six header
// bytes); a whole voice's worth of bytes beyond the bank leaves open
// whether something was put before it; and the voices must look like
// voices.
ReadError CheckHeaderless(std::span<const Byte> bytes, const std::filesystem::path &file) {
    const std::size_t length = bytes.size();
    if (length > 0 && bytes[0] == kSysExStart)
        return Failure(ReadFailure::NotBulkDump, file, length, 0, HexBytes(bytes, " ", kStartShown));
    if (length < kPackedBankSize) return Failure(ReadFailure::TooShort, file, length, kPackedBankSize);
    if (length - kPackedBankSize >= kPackedVoiceSize)
        return Counted(ReadFailure::BytesPastBank, file, length, length - kPackedBankSize);
    // A DX7 message inside: data put before a dump, or a dump inside other data.
    if (const std::size_t at = YamahaMessageIn(bytes.first(kPackedBankSize)); at != kPackedBankSize)
        return Counted(ReadFailure::MessageInsideData, file, length, at + 1);
    if (!LooksLikePackedBank(bytes, 0))
        return Counted(ReadFailure::NotPackedBank, file, length, PackedVoicesOutOfRange(bytes, 0));
    return {};
}

// Every record of a 32-voice file starts as the program leaves a slot: a
// System Exclusive message (a voice imported, received or loaded), or six
// zero bytes (a slot never filled, with parameters in range). A record that
// starts otherwise means the file is something else, or was shifted.
ReadError CheckBankFile(std::span<const Byte> bytes, const std::filesystem::path &file) {
    const std::size_t length = bytes.size();
    if (length < kBankFileSize) return Failure(ReadFailure::TooShort, file, length, kBankFileSize);
    if (length - kBankFileSize >= kRecordSize)
        return Counted(ReadFailure::BytesPastBank, file, length, length - kBankFileSize);
    for (std::size_t n = 0; n < kBankSlots; ++n) {
        const auto record = bytes.subspan(n * kRecordSize, kRecordSize);
        if (record[0] == kSysExStart || (ZeroHeader(record) && RecordParametersInRange(record))) continue;
        return Counted(ReadFailure::NotBankFile, file, length, n + 1, HexBytes(record, " ", kStartShown));
    }
    return {};
}

// A record behind a single-voice header: voices from other tools hold the
// odd value out of range, but other data behind a header that happens to
// look like one (a bank, parameter changes) breaks dozens.
ReadError CheckVoiceContent(std::span<const Byte> record, const std::filesystem::path &file,
                            std::size_t length) {
    const std::size_t odd = RecordParametersOutOfRange(record);
    if (odd > kMaxOddParameters) return Counted(ReadFailure::VoiceOutOfRange, file, length, odd);
    return {};
}

// Whether the checksum at `at` (a dump's data runs from 6 to it) agrees by
// its seven bits; a missing one does not.
bool DumpChecksumRight(std::span<const Byte> dump, std::size_t at) {
    return dump.size() > at && (dump[at] & 0x7F) == ChecksumOf(dump.subspan(kParamBase, at - kParamBase));
}

ReadError ScanRefusal(ScanReason reason, std::size_t count, const std::filesystem::path &file,
                      std::size_t length) {
    ReadError e = Counted(ReadFailure::ScanRefused, file, length, count);
    e.reason = reason;
    return e;
}

// Reasons that say more than today's messages about a file's first bytes:
// what the file holds instead of voices.
bool SaysWhatTheFileHolds(ScanReason reason) {
    switch (reason) {
    case ScanReason::FourOperatorBank:
    case ScanReason::FourOperatorVoice:
    case ScanReason::PerformanceOnly:
    case ScanReason::SupplementOnly:
    case ScanReason::ParameterChangesOnly:
    case ScanReason::MidiFileWithoutVoices:
        return true;
    default:
        return false;
    }
}

// The refusal of a file whose scan gave nothing to take, given the reader's
// own refusal of it: the reader's text where it covers the case (a dump
// cut short, shifted data, text), the scan's where that says what the file
// holds instead.
ReadError Refusal(const VoiceScan &scan, const ReadError &located, const std::filesystem::path &file,
                  std::size_t length) {
    const bool dumpBroken = scan.refusal == ScanReason::CutOff || scan.refusal == ScanReason::BrokenDump;
    if (SaysWhatTheFileHolds(scan.refusal) || (dumpBroken && located.failure == ReadFailure::NotBulkDump))
        return ScanRefusal(scan.refusal, scan.refusalCount, file, length);
    return located;
}

} // namespace

ReadError LocatePackedBank(std::span<const Byte> bytes, BankKind kind, const std::filesystem::path &file,
                           std::size_t &offset) {
    const std::size_t length = bytes.size();
    switch (kind) {
    case BankKind::V32:
        offset = 0;
        return CheckBankFile(bytes, file);
    case BankKind::Syx:
        if (IsBulkDumpHeader(bytes)) {
            offset = kBulkDataPos;
            return CheckBulkDump(bytes, file);
        }
        if (length == kPackedBankSize) {
            // A bank saved without its header: packed data from offset 0.
            offset = 0;
            return CheckHeaderless(bytes, file);
        }
        if (length < 4) return Failure(ReadFailure::TooShort, file, length, kBulkDumpDataEnd);
        return Failure(ReadFailure::NotBulkDump, file, length, 0, HexBytes(bytes, " ", kStartShown));
    case BankKind::Dx7:
    case BankKind::Dot32:
        // Packed data from offset 0; a bulk dump saved under this name is
        // read past its header rather than shifted by six bytes.
        if (IsBulkDumpHeader(bytes)) {
            offset = kBulkDataPos;
            return CheckBulkDump(bytes, file);
        }
        offset = 0;
        return CheckHeaderless(bytes, file);
    case BankKind::Mid:
        // Read only through the scan: nothing stands at a fixed place.
        return ScanRefusal(ScanReason::MidiFileWithoutVoices, 0, file, length);
    case BankKind::Other:
        break;
    }
    return Failure(ReadFailure::UnknownKind, file, length);
}

ReadResult<BankRecords> DecodeBank(std::span<const Byte> bytes, BankKind kind,
                                   const std::filesystem::path &file, std::size_t bank) {
    ReadResult<BankRecords> result;
    const std::size_t length = bytes.size();
    std::size_t offset = 0;
    const ReadError located = LocatePackedBank(bytes, kind, file, offset);
    if (kind == BankKind::V32 || kind == BankKind::Other) {
        // The program's own file is one bank at one place.
        result.error = located;
        if (result.ok() && bank > 0) result.error = Counted(ReadFailure::NoSuchBank, file, length, bank + 1);
        if (result.ok() && bank > 0) result.error.needed = 1;
        if (!result.ok()) return result;
        for (std::size_t v = 0; v < kBankSlots; ++v)
            for (std::size_t i = 0; i < kRecordSize; ++i)
                result.value[v][i] = bytes[v * kRecordSize + i];
        return result;
    }
    // The name has said what to read; the scan is not to read it as the
    // program's own file again.
    const VoiceScan scan = ScanVoiceFile(bytes, {});
    if (const FoundVoices *found = scan.bank(bank)) {
        std::copy(found->voices.begin(), found->voices.end(), result.value.begin());
        result.checksumWrong = !found->checksumGood;
        return result;
    }
    if (bank == 0 && located.failure == ReadFailure::None && scan.bankCount() == 0) {
        result.checksumWrong = offset == kBulkDataPos && !DumpChecksumRight(bytes, kBulkChecksumPos);
        // Read as before the scan: a dump at the start or packed data from
        // offset 0 that the scan does not take as it stands (a few bytes
        // more behind a headerless bank). The checksum, the end byte and
        // anything after them are not read.
        for (std::size_t v = 0; v < kBankSlots; ++v)
            result.value[v] = RecordFromPacked(std::span<const Byte, kPackedVoiceSize>(
                bytes.data() + offset + v * kPackedVoiceSize, kPackedVoiceSize));
        return result;
    }
    if (scan.bankCount() > 0 || located.failure == ReadFailure::None) {
        result.error = Counted(ReadFailure::NoSuchBank, file, length, bank + 1);
        result.error.needed = std::max<std::size_t>(scan.bankCount(), 1);
    } else if (scan.singleVoiceCount() > 0) {
        result.error = Failure(ReadFailure::IsSingleVoice, file, length);
    } else if (kind == BankKind::Mid) {
        result.error = ScanRefusal(scan.refusal, scan.refusalCount, file, length);
    } else {
        result.error = Refusal(scan, located, file, length);
    }
    return result;
}

ReadResult<BankRecords> ReadBankFile(const std::filesystem::path &file, BankKind kind, std::size_t bank) {
    ReadResult<BankRecords> result;
    if (kind == BankKind::Other) {
        // Known before the file is opened: there is no reader for it.
        result.error = Failure(ReadFailure::UnknownKind, file, 0);
        return result;
    }
    auto content = ReadFileBytes(file);
    if (!content.ok()) {
        result.error = content.error;
        return result;
    }
    return DecodeBank(content.value, kind, file, bank);
}

ReadResult<VoiceScan> ScanFile(const std::filesystem::path &file) {
    ReadResult<VoiceScan> result;
    auto content = ReadFileBytes(file);
    if (!content.ok()) {
        result.error = content.error;
        return result;
    }
    result.value = ScanVoiceFile(content.value, file.filename().string());
    return result;
}

ReadError LocateVoiceRecord(std::span<const Byte> bytes, VoiceKind kind, const std::filesystem::path &file,
                            std::size_t &offset) {
    const std::size_t length = bytes.size();
    offset = 0;
    if (kind == VoiceKind::Mid) {
        if (length < kMidTailSize) return Failure(ReadFailure::TooShort, file, length, kMidTailSize);
        offset = length - kMidTailSize;
        // F0 43 alone is also the start of a bank or a parameter change,
        // whose bytes are no voice: the dump must be a single-voice dump.
        if (!IsSingleVoiceHeader(bytes.subspan(offset)))
            return Failure(ReadFailure::NotDx7VoiceFile, file, length);
        return CheckVoiceContent(bytes.subspan(offset, kRecordSize), file, length);
    }
    if (length < kRecordSize) return Failure(ReadFailure::TooShort, file, length, kRecordSize);
    if (IsBulkDumpHeader(bytes) || (kind == VoiceKind::Syx && length == kPackedBankSize))
        return Failure(ReadFailure::IsBank, file, length);
    // A 1-voice file is a single-voice dump's first 161 bytes. The program
    // writes the header its voice came with, which is six zero bytes for a
    // voice that started from an empty slot (no initial voice file); such a
    // file is taken when its parameters are in range. Anything else (a text
    // file, another message) would be sent to the instrument as garbage.
    if (IsSingleVoiceHeader(bytes)) return CheckVoiceContent(bytes.first(kRecordSize), file, length);
    if (kind == VoiceKind::V01 && ZeroHeader(bytes) && RecordParametersInRange(bytes)) return {};
    return Failure(ReadFailure::NotSingleVoice, file, length, 0, HexBytes(bytes, " ", kStartShown));
}

ReadResult<VoiceRecord> DecodeVoice(std::span<const Byte> bytes, VoiceKind kind,
                                    const std::filesystem::path &file, std::size_t voice) {
    ReadResult<VoiceRecord> result;
    const std::size_t length = bytes.size();
    std::size_t offset = 0;
    const ReadError located = LocateVoiceRecord(bytes, kind, file, offset);
    const auto take = [&](std::size_t at) {
        for (std::size_t i = 0; i < kRecordSize; ++i)
            result.value[i] = bytes[at + i];
    };
    // A 1-voice file first.
    if (kind == VoiceKind::V01) {
        result.error = located;
        if (result.ok() && voice > 0) {
            result.error = Counted(ReadFailure::NoSuchVoice, file, length, voice + 1);
            result.error.needed = 1;
        }
        if (result.ok()) take(offset);
        return result;
    }
    const VoiceScan scan = ScanVoiceFile(bytes, {});
    // A MID name falls back to the events of a Standard MIDI File only;
    // other bytes under it keep the fixed rule.
    const bool scanned = kind != VoiceKind::Mid || scan.midiFile;
    // The dump at the end of a MID file, unless the user chose the first of
    // several voices of a MIDI file: the end holds the last of them.
    if (kind == VoiceKind::Mid && voice == 0 && located.failure == ReadFailure::None &&
        !(scanned && scan.singleVoiceCount() > 1)) {
        take(offset);
        result.checksumWrong = !DumpChecksumRight(bytes.subspan(offset), kChecksumPos);
        return result;
    }
    if (const FoundVoices *found = scanned ? scan.singleVoice(voice) : nullptr) {
        result.value = found->voices.front();
        result.checksumWrong = !found->checksumGood;
        return result;
    }
    if (kind == VoiceKind::Syx && voice == 0 && located.failure == ReadFailure::None &&
        scan.singleVoiceCount() == 0) {
        // A dump at the start that the scan does not take whole (no end byte).
        take(offset);
        result.checksumWrong = !DumpChecksumRight(bytes, kChecksumPos);
        return result;
    }
    if (scanned && scan.singleVoiceCount() > 0) {
        result.error = Counted(ReadFailure::NoSuchVoice, file, length, voice + 1);
        result.error.needed = scan.singleVoiceCount();
    } else if (scanned && scan.bankCount() > 0) {
        result.error = Failure(ReadFailure::IsBank, file, length);
    } else if (kind == VoiceKind::Mid) {
        result.error = located; // the fixed text of the MID reader
    } else {
        result.error = Refusal(scan, located, file, length);
    }
    return result;
}

ReadResult<VoiceRecord> ReadVoiceFile(const std::filesystem::path &file, VoiceKind kind, std::size_t voice) {
    auto content = ReadFileBytes(file);
    if (!content.ok()) {
        ReadResult<VoiceRecord> result;
        result.error = content.error;
        return result;
    }
    return DecodeVoice(content.value, kind, file, voice);
}

void StoreRecord(const VoiceRecord &record, std::span<Byte, kSlotSize> slot) {
    for (std::size_t i = 0; i < kRecordSize; ++i)
        slot[i] = record[i];
}

void StoreBank(const BankRecords &bank, VoiceTable &table) {
    for (std::size_t n = 1; n <= kBankSlots; ++n)
        StoreRecord(bank[n - 1], table[n]);
}

namespace {
// A record as the program writes it: its own single-voice header, then the
// data as a cable carries it, whatever header the voice came with.
void AppendRecord(std::vector<Byte> &bytes, std::span<const Byte, kSlotSize> slot) {
    const Slot wire = VoiceOnTheWire(slot);
    bytes.insert(bytes.end(), kVoiceHeader.begin(), kVoiceHeader.end());
    bytes.insert(bytes.end(), wire.begin() + kParamBase, wire.begin() + kRecordSize);
}
} // namespace

std::vector<Byte> EncodeBankFile(const VoiceTable &table) {
    std::vector<Byte> bytes;
    bytes.reserve(kBankFileSize);
    for (std::size_t n = 1; n <= kBankSlots; ++n)
        AppendRecord(bytes, table[n]);
    return bytes;
}

std::vector<Byte> EncodeVoiceFile(std::span<const Byte, kSlotSize> slot) {
    std::vector<Byte> bytes;
    bytes.reserve(kRecordSize);
    AppendRecord(bytes, slot);
    return bytes;
}

WriteResult WriteFileReplacing(const std::filesystem::path &file, std::span<const Byte> bytes) {
    WriteResult result;
    std::error_code ec;
    if (file.native().find('\0') != std::filesystem::path::string_type::npos) {
        // The system would stop at the NUL and write another file.
        result.error = std::make_error_code(std::errc::invalid_argument);
        result.reason = file_text::kBadName;
        return result;
    }
    const std::filesystem::path folder = file.parent_path().empty() ? "." : file.parent_path();
    if (!std::filesystem::is_directory(folder, ec)) {
        result.error = std::make_error_code(std::errc::no_such_file_or_directory);
        result.reason = file_text::kNoFolder;
        return result;
    }
    const std::filesystem::path temp = TempPathFor(file);
    std::FILE *out = std::fopen(temp.string().c_str(), "wb");
    if (!out) {
        result.error = std::error_code(errno, std::generic_category());
        result.reason = SystemReason(result.error);
        return result;
    }
    int failedWith = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) failedWith = errno;
    if (std::fflush(out) != 0 && !failedWith) failedWith = errno;
#if defined(VOX_HAVE_FSYNC)
    // On disk before the rename, so a crash cannot leave a short file
    // under the old name.
    if (::fsync(::fileno(out)) != 0 && !failedWith) failedWith = errno;
#endif
    if (std::fclose(out) != 0 && !failedWith) failedWith = errno;
    if (failedWith) {
        std::filesystem::remove(temp, ec);
        result.error = std::error_code(failedWith, std::generic_category());
        result.reason = SystemReason(result.error);
        return result;
    }
    // A replaced file keeps its permissions.
    const auto old = std::filesystem::status(file, ec);
    if (!ec && std::filesystem::is_regular_file(old))
        std::filesystem::permissions(temp, old.permissions(), ec);
    std::filesystem::rename(temp, file, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
        result.error = ec;
        result.reason = SystemReason(ec);
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace vox
