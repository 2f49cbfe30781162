#include "files/voice_files.h"

#include "voice/bank_format.h"

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

void ReplaceAll(std::string& text, std::string_view from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// Fills %F (file), %L (length), %N (needed), %D (detail) of a message.
std::string Fill(const char* pattern, const std::filesystem::path& file, std::size_t length = 0,
                 std::size_t needed = 0, const std::string& detail = {}) {
    std::string text = pattern;
    ReplaceAll(text, "%F", file.string());
    ReplaceAll(text, "%L", std::to_string(length));
    ReplaceAll(text, "%N", std::to_string(needed));
    ReplaceAll(text, "%D", detail);
    return text;
}

ReadError Failure(ReadFailure failure, const std::filesystem::path& file, std::size_t length,
                  std::size_t needed = 0, std::string detail = {}) {
    return ReadError{failure, file, length, needed, std::move(detail)};
}

bool StartsWithSysEx(std::span<const Byte> bytes, Byte format) {
    return bytes.size() >= 4 && bytes[0] == kSysExStart && bytes[1] == kYamahaId && (bytes[2] & 0xF0) == 0 &&
           bytes[3] == format;
}

bool StartsWithMidiFileHeader(std::span<const Byte> bytes) {
    return bytes.size() >= 4 && bytes[0] == 'M' && bytes[1] == 'T' && bytes[2] == 'h' && bytes[3] == 'd';
}

std::filesystem::path TempPathFor(const std::filesystem::path& file) {
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
    for (char& c : kind)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return kind;
}

BankKind BankKindOfName(std::string_view fileName) {
    const std::string kind = NameKind(fileName);
    if (kind == "V32") return BankKind::V32;
    if (kind == "SYX") return BankKind::Syx;
    if (kind == "DX7") return BankKind::Dx7;
    if (kind == ".32") return BankKind::Dot32;
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

std::string ReadErrorMessage(const ReadError& e) {
    switch (e.failure) {
    case ReadFailure::None: return {};
    case ReadFailure::NotFound: return Fill(file_text::kNotFound, e.file);
    case ReadFailure::CannotRead: return Fill(file_text::kCannotRead, e.file, 0, 0, e.detail);
    case ReadFailure::TooShort: return Fill(file_text::kTooShort, e.file, e.length, e.needed);
    case ReadFailure::TooLarge: return Fill(file_text::kTooLarge, e.file, e.length);
    case ReadFailure::NotBulkDump: return Fill(file_text::kNotBulkDump, e.file, 0, 0, e.detail);
    case ReadFailure::UnknownKind: return Fill(file_text::kUnknownKind, e.file);
    case ReadFailure::NotDx7VoiceFile: return file_text::kNotDx7VoiceFile;
    case ReadFailure::NotSingleVoice: return Fill(file_text::kNotSingleVoice, e.file, 0, 0, e.detail);
    case ReadFailure::IsBank: return Fill(file_text::kIsBank, e.file);
    }
    return {};
}

std::string WriteErrorMessage(const std::filesystem::path& file, const std::string& reason) {
    return Fill(file_text::kWriteFailed, file, 0, 0, reason);
}

ReadResult<std::vector<Byte>> ReadFileBytes(const std::filesystem::path& file) {
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

std::string HexStart(std::span<const Byte> bytes, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < bytes.size() && i < count; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", bytes[i]);
        if (!text.empty()) text += ' ';
        text += hex;
    }
    return text;
}

VoiceRecord RecordFromPacked(std::span<const Byte, kPackedVoiceSize> packed) {
    Slot slot{};
    for (std::size_t i = 0; i < kVoiceHeader.size(); ++i) slot[i] = kVoiceHeader[i];
    UnpackVoice(packed, slot);
    VoiceRecord record{};
    for (std::size_t i = 0; i < kRecordSize; ++i) record[i] = slot[i];
    return record;
}

ReadError LocatePackedBank(std::span<const Byte> bytes, BankKind kind, const std::filesystem::path& file,
                           std::size_t& offset) {
    const std::size_t length = bytes.size();
    switch (kind) {
    case BankKind::V32:
        offset = 0;
        if (length < kBankFileSize) return Failure(ReadFailure::TooShort, file, length, kBankFileSize);
        return {};
    case BankKind::Syx:
        if (length == kPackedBankSize) {
            // A bank saved without its header: packed data from offset 0.
            offset = 0;
            return {};
        }
        if (length < 4) return Failure(ReadFailure::TooShort, file, length, kBulkDumpDataEnd);
        if (!IsBulkDumpHeader(bytes)) return Failure(ReadFailure::NotBulkDump, file, length, 0, HexStart(bytes));
        offset = kBulkDataPos;
        if (length < kBulkDumpDataEnd) return Failure(ReadFailure::TooShort, file, length, kBulkDumpDataEnd);
        return {};
    case BankKind::Dx7:
    case BankKind::Dot32:
        // Packed data from offset 0; a full bulk dump saved under this
        // name is read past its header rather than shifted by six bytes.
        offset = (length >= kBulkDumpDataEnd && IsBulkDumpHeader(bytes)) ? kBulkDataPos : 0;
        if (length < offset + kPackedBankSize)
            return Failure(ReadFailure::TooShort, file, length, offset + kPackedBankSize);
        return {};
    case BankKind::Other: break;
    }
    return Failure(ReadFailure::UnknownKind, file, length);
}

ReadResult<BankRecords> DecodeBank(std::span<const Byte> bytes, BankKind kind, const std::filesystem::path& file) {
    ReadResult<BankRecords> result;
    std::size_t offset = 0;
    result.error = LocatePackedBank(bytes, kind, file, offset);
    if (!result.ok()) return result;
    if (kind == BankKind::V32) {
        for (std::size_t v = 0; v < kBankSlots; ++v)
            for (std::size_t i = 0; i < kRecordSize; ++i) result.value[v][i] = bytes[v * kRecordSize + i];
        return result;
    }
    // The checksum, the end byte and anything after them (a second dump)
    // are not read.
    for (std::size_t v = 0; v < kBankSlots; ++v)
        result.value[v] = RecordFromPacked(
            std::span<const Byte, kPackedVoiceSize>(bytes.data() + offset + v * kPackedVoiceSize, kPackedVoiceSize));
    return result;
}

ReadResult<BankRecords> ReadBankFile(const std::filesystem::path& file, BankKind kind) {
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
    return DecodeBank(content.value, kind, file);
}

ReadError LocateVoiceRecord(std::span<const Byte> bytes, VoiceKind kind, const std::filesystem::path& file,
                            std::size_t& offset) {
    const std::size_t length = bytes.size();
    offset = 0;
    if (kind == VoiceKind::Mid) {
        if (length < kMidTailSize) return Failure(ReadFailure::TooShort, file, length, kMidTailSize);
        offset = length - kMidTailSize;
        if (bytes[offset] != kSysExStart || bytes[offset + 1] != kYamahaId)
            return Failure(ReadFailure::NotDx7VoiceFile, file, length);
        return {};
    }
    if (length < kRecordSize) return Failure(ReadFailure::TooShort, file, length, kRecordSize);
    // A 1-voice file's header is not examined (files from the classic
    // program may hold zeros there); but a bank or another message would
    // be taken as garbage parameters, so those are refused.
    if (IsBulkDumpHeader(bytes) || (kind == VoiceKind::Syx && length == kPackedBankSize))
        return Failure(ReadFailure::IsBank, file, length);
    if (StartsWithMidiFileHeader(bytes)) return Failure(ReadFailure::NotSingleVoice, file, length, 0, HexStart(bytes));
    const bool sysEx = bytes[0] == kSysExStart;
    if ((sysEx || kind == VoiceKind::Syx) && !IsSingleVoiceHeader(bytes))
        return Failure(ReadFailure::NotSingleVoice, file, length, 0, HexStart(bytes));
    return {};
}

ReadResult<VoiceRecord> DecodeVoice(std::span<const Byte> bytes, VoiceKind kind, const std::filesystem::path& file) {
    ReadResult<VoiceRecord> result;
    std::size_t offset = 0;
    result.error = LocateVoiceRecord(bytes, kind, file, offset);
    if (!result.ok()) return result;
    for (std::size_t i = 0; i < kRecordSize; ++i) result.value[i] = bytes[offset + i];
    return result;
}

ReadResult<VoiceRecord> ReadVoiceFile(const std::filesystem::path& file, VoiceKind kind) {
    auto content = ReadFileBytes(file);
    if (!content.ok()) {
        ReadResult<VoiceRecord> result;
        result.error = content.error;
        return result;
    }
    return DecodeVoice(content.value, kind, file);
}

void StoreRecord(const VoiceRecord& record, std::span<Byte, kSlotSize> slot) {
    for (std::size_t i = 0; i < kRecordSize; ++i) slot[i] = record[i];
}

void StoreBank(const BankRecords& bank, VoiceTable& table) {
    for (std::size_t n = 1; n <= kBankSlots; ++n) StoreRecord(bank[n - 1], table[n]);
}

std::vector<Byte> EncodeBankFile(const VoiceTable& table) {
    std::vector<Byte> bytes;
    bytes.reserve(kBankFileSize);
    for (std::size_t n = 1; n <= kBankSlots; ++n)
        bytes.insert(bytes.end(), table[n].begin(), table[n].begin() + kRecordSize);
    return bytes;
}

std::vector<Byte> EncodeVoiceFile(std::span<const Byte, kSlotSize> slot) {
    return std::vector<Byte>(slot.begin(), slot.begin() + kRecordSize);
}

WriteResult WriteFileReplacing(const std::filesystem::path& file, std::span<const Byte> bytes) {
    WriteResult result;
    std::error_code ec;
    const std::filesystem::path folder = file.parent_path().empty() ? "." : file.parent_path();
    if (!std::filesystem::is_directory(folder, ec)) {
        result.error = std::make_error_code(std::errc::no_such_file_or_directory);
        result.reason = file_text::kNoFolder;
        return result;
    }
    const std::filesystem::path temp = TempPathFor(file);
    std::FILE* out = std::fopen(temp.string().c_str(), "wb");
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
