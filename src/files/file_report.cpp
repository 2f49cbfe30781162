#include "files/file_report.h"

#include "voice/family_data.h"

#include "voice/text.h"

namespace vox {
namespace {

std::string Plural(std::size_t n, const char *word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

// What a file that should start with a DX7 voice message starts with.
std::string DescribeStart(std::span<const Byte> bytes) {
    if (bytes.empty()) return "the file is empty";
    if (bytes.size() >= 4 && bytes[0] == kSysExStart && bytes[1] == kYamahaId) {
        const int sub = bytes[2] >> 4;
        if (sub == 1)
            return "starts with a parameter-change message (" + HexBytes(bytes, " ", 4) + "), not voice data";
        if (sub == 0)
            return "header " + HexBytes(bytes, " ", kStartShown) + ": format " + HexByte(bytes[3]) +
                   " is not DX7 voice data (00 single voice, 09 32-voice bank)";
        return "header " + HexBytes(bytes, " ", kStartShown) + ": sub-status " + std::to_string(sub) +
               " is not a voice dump";
    }
    if (bytes[0] == kSysExStart)
        return "System Exclusive of manufacturer " + HexByte(bytes.size() > 1 ? bytes[1] : 0) +
               ", not Yamaha (43)";
    return "does not start with a DX7 System Exclusive header (first bytes " +
           HexBytes(bytes, " ", kStartShown) + ")";
}

// Bytes with bit 7 set in [from, to).
void CheckBit7(std::span<const Byte> bytes, std::size_t from, std::size_t to, const char *where,
               std::vector<std::string> &problems) {
    to = std::min(to, bytes.size());
    std::size_t count = 0, first = 0;
    for (std::size_t i = from; i < to; ++i)
        if (bytes[i] & 0x80) {
            if (count++ == 0) first = i;
        }
    if (count)
        problems.push_back(Plural(count, "byte") + " of the " + where + " have bit 7 set (first at offset " +
                           std::to_string(first) + ")");
}

// Checksum byte at `at` over [from, at), then F7 at at + 1, then what follows.
// What the scan makes of the dump at `offset`: "bank 2", "single voice 2",
// or empty when it took nothing there.
std::string FoundAt(const VoiceScan &scan, std::size_t offset) {
    std::size_t banks = 0, singles = 0;
    for (const FoundVoices &found : scan.found) {
        const bool bank = found.isBank();
        const std::size_t number = bank ? ++banks : ++singles;
        if (found.offset == offset) return (bank ? "bank " : "single voice ") + std::to_string(number);
    }
    return {};
}

void CheckMessageEnd(std::span<const Byte> bytes, std::size_t from, std::size_t at, const VoiceScan &scan,
                     std::vector<std::string> &problems) {
    const std::size_t length = bytes.size();
    if (length < at) return; // the data itself is cut short; said elsewhere
    if (length == at) {
        problems.push_back("the checksum and the end byte F7 are missing");
        return;
    }
    const Byte expected = ChecksumOf(bytes.subspan(from, at - from));
    if (length == at + 1 && bytes[at] == kSysExEnd) {
        problems.push_back("the checksum is missing (F7 at offset " + std::to_string(at) + ")");
        return;
    }
    // Taken by its seven bits, as every reader takes it; bit 7 is a fault of its own.
    if ((bytes[at] & 0x7F) != expected)
        problems.push_back("checksum " + HexByte(bytes[at]) + " is wrong (expected " + HexByte(expected) +
                           ")");
    else if (bytes[at] != expected)
        problems.push_back("the checksum byte " + HexByte(bytes[at]) + " has bit 7 set");
    if (length == at + 1) {
        problems.push_back("the end byte F7 is missing");
        return;
    }
    if (bytes[at + 1] != kSysExEnd)
        problems.push_back("no F7 at offset " + std::to_string(at + 1) + " (found " + HexByte(bytes[at + 1]) +
                           ")");
    const std::size_t end = at + 2;
    if (length > end) {
        const auto rest = bytes.subspan(end);
        if (IsBulkDumpHeader(rest) || IsSingleVoiceHeader(rest)) {
            // The loads read it too, when chosen.
            const std::string found = FoundAt(scan, end);
            problems.push_back("another dump follows at offset " + std::to_string(end) +
                               (found.empty() ? " (not read)" : " (" + found + ")"));
        } else {
            problems.push_back(Plural(length - end, "byte") + " after the end of the dump (not read)");
        }
    }
}

void CheckByteCount(std::span<const Byte> bytes, Byte high, Byte low, std::vector<std::string> &problems) {
    if (bytes.size() < 6) return;
    if (bytes[4] != high || bytes[5] != low)
        problems.push_back("byte count " + HexByte(bytes[4]) + " " + HexByte(bytes[5]) + " (expected " +
                           HexByte(high) + " " + HexByte(low) + ")");
}

void CheckLength(std::size_t length, std::size_t expected, std::vector<std::string> &problems) {
    if (length != expected)
        problems.push_back("length " + std::to_string(length) + " bytes (expected " +
                           std::to_string(expected) + ")");
}

void PackedVoices(std::span<const Byte> bytes, std::size_t offset, FileReport &report) {
    for (std::size_t v = 0; v < kBankSlots; ++v) {
        const std::size_t at = offset + v * kPackedVoiceSize;
        if (at + kPackedVoiceSize > bytes.size()) break;
        InspectedVoice voice;
        voice.number = static_cast<int>(v + 1);
        for (std::size_t i = 0; i < kNameLength; ++i)
            voice.nameBytes[i] = bytes[at + 118 + i];
        report.voices.push_back(voice);
    }
}

// Parameters out of range in the one voice at `offset`: a few are said;
// so many that the bytes are no voice means nothing is listed.
bool CheckVoiceValues(std::span<const Byte> bytes, std::size_t offset, std::vector<std::string> &problems) {
    if (offset + kRecordSize > bytes.size()) return true;
    const std::size_t odd = RecordParametersOutOfRange(bytes.subspan(offset, kRecordSize));
    if (odd > kMaxOddParameters) {
        problems.push_back(Plural(odd, "value") + " out of range: the data is no DX7 voice");
        return false;
    }
    if (odd > 0) problems.push_back(Plural(odd, "value") + " out of range");
    return true;
}

void RecordVoice(std::span<const Byte> bytes, std::size_t offset, int number, FileReport &report) {
    if (offset + kRecordSize > bytes.size()) return;
    InspectedVoice voice;
    voice.number = number;
    for (std::size_t i = 0; i < kNameLength; ++i)
        voice.nameBytes[i] = bytes[offset + kNamePos + i];
    report.voices.push_back(voice);
}

const char *SourceName(VoiceSource source) {
    switch (source) {
    case VoiceSource::BulkDump:
        return "bulk dump";
    case VoiceSource::SingleVoiceDump:
        return "single-voice dump";
    case VoiceSource::PackedData:
        return "headerless packed bank";
    case VoiceSource::UnpackedData:
        return "headerless unpacked bank";
    case VoiceSource::V32File:
        return "v32";
    case VoiceSource::V01File:
        return "v01";
    }
    return "voice data";
}

// What the scan, which every load reads through, finds in the file.
void ReportScan(const VoiceScan &scan, FileReport &r) {
    int banks = 0, singles = 0;
    for (const FoundVoices &found : scan.found) {
        if (found.voices.empty()) continue;
        FoundReport f;
        f.isBank = found.isBank();
        f.number = f.isBank ? ++banks : ++singles;
        f.kind = SourceName(found.source);
        f.offset = found.offset;
        f.length = found.length;
        f.voices = found.voices.size();
        f.inMidiFile = found.inMidiFile;
        f.hasChecksum = found.source == VoiceSource::BulkDump || found.source == VoiceSource::SingleVoiceDump;
        f.checksumGood = found.checksumGood;
        for (std::size_t i = 0; i < kNameLength; ++i)
            f.firstName[i] = found.voices.front()[kNamePos + i];
        r.found.push_back(f);
    }
    r.banks = static_cast<std::size_t>(banks);
    r.singleVoices = static_cast<std::size_t>(singles);
    for (const SkippedPart &part : scan.skipped)
        r.skipped.push_back({part.offset, part.length, ScanReasonEnglish(part.reason, part.count)});
    if (r.found.empty() && scan.refusal != ScanReason::None)
        r.refusal = ScanReasonEnglish(scan.refusal, scan.refusalCount);
}

// The later models' messages among what the scan passed over; a damaged
// one is a problem of the file as a damaged bank is.
void ReportFamilyData(std::span<const Byte> bytes, const VoiceScan &scan, FileReport &r) {
    for (const FamilyFound &found : FamilyMessagesIn(bytes, scan)) {
        const FamilyMessage &message = found.message;
        r.family.push_back({found.offset, found.bytes.size(), message.describe(), message.checksumGood,
                            message.countAsKnown});
        const std::string where = message.describe() + " at offset " + std::to_string(found.offset);
        if (!message.checksumGood) r.problems.push_back(where + ": checksum wrong");
        if (!message.countAsKnown)
            r.problems.push_back(where + ": byte count " + std::to_string(message.byteCount) +
                                 " is not its kind's");
    }
}

FileKind KindOfSource(VoiceSource source) {
    switch (source) {
    case VoiceSource::BulkDump:
        return FileKind::BulkDump;
    case VoiceSource::SingleVoiceDump:
        return FileKind::SingleVoiceDump;
    case VoiceSource::PackedData:
    case VoiceSource::UnpackedData:
        return FileKind::HeaderlessBank;
    case VoiceSource::V32File:
        return FileKind::V32;
    case VoiceSource::V01File:
        return FileKind::V01;
    }
    return FileKind::Unknown;
}

// A file whose voice data does not start it (other messages first, a
// MIDI file): the voices are those of its first bank or single voice,
// the only faults those of the messages themselves.
void InspectFoundVoices(const VoiceScan &scan, FileReport &r) {
    const FoundVoices &first = scan.found.front();
    for (std::size_t v = 0; v < first.voices.size(); ++v) {
        InspectedVoice voice;
        voice.number = static_cast<int>(v + 1);
        for (std::size_t i = 0; i < kNameLength; ++i)
            voice.nameBytes[i] = first.voices[v][kNamePos + i];
        r.voices.push_back(voice);
    }
    for (const FoundVoices &found : scan.found)
        if (!found.checksumGood)
            r.problems.push_back("the checksum of the " + std::string(SourceName(found.source)) +
                                 " at offset " + std::to_string(found.offset) + " is wrong");
}

FileKind KindOf(const std::filesystem::path &file, std::span<const Byte> bytes) {
    const std::string name = file.filename().string();
    const std::string kind = NameKind(name);
    if (kind == "V32") return FileKind::V32;
    if (kind == "V01") return FileKind::V01;
    if (bytes.size() >= 4 && bytes[0] == 'M' && bytes[1] == 'T' && bytes[2] == 'h' && bytes[3] == 'd')
        return FileKind::MidiFile;
    if (IsBulkDumpHeader(bytes)) return FileKind::BulkDump;
    if (IsSingleVoiceHeader(bytes)) return FileKind::SingleVoiceDump;
    const bool sysEx = !bytes.empty() && bytes[0] == kSysExStart;
    if (!sysEx && (bytes.size() == kPackedBankSize || kind == "DX7" || kind == ".32"))
        return FileKind::HeaderlessBank;
    if (kind == "MID") return FileKind::MidiFile;
    return FileKind::Unknown;
}

void InspectBulkDump(std::span<const Byte> bytes, const VoiceScan &scan, FileReport &r) {
    CheckByteCount(bytes, 0x20, 0x00, r.problems);
    if (bytes.size() < kBulkDumpDataEnd) {
        const std::size_t complete =
            bytes.size() < kBulkDataPos ? 0 : (bytes.size() - kBulkDataPos) / kPackedVoiceSize;
        r.problems.push_back("length " + std::to_string(bytes.size()) + " bytes: cut off, only " +
                             std::to_string(complete) + " of 32 voices complete (4104 expected)");
    }
    CheckMessageEnd(bytes, kBulkDataPos, kBulkDumpDataEnd, scan, r.problems);
    CheckBit7(bytes, kBulkDataPos, kBulkDumpDataEnd, "packed data", r.problems);
    PackedVoices(bytes, kBulkDataPos, r);
}

void InspectSingleVoiceDump(std::span<const Byte> bytes, const VoiceScan &scan, FileReport &r) {
    CheckByteCount(bytes, 0x01, 0x1B, r.problems);
    if (bytes.size() < kChecksumPos)
        r.problems.push_back("length " + std::to_string(bytes.size()) +
                             " bytes: the voice is cut off (163 expected)");
    CheckMessageEnd(bytes, kParamBase, kChecksumPos, scan, r.problems);
    CheckBit7(bytes, kParamBase, kChecksumPos, "voice data", r.problems);
    if (CheckVoiceValues(bytes, 0, r.problems)) RecordVoice(bytes, 0, 1, r);
}

void InspectV32(std::span<const Byte> bytes, FileReport &r) {
    CheckLength(bytes.size(), kBankFileSize, r.problems);
    std::size_t badHeaders = 0, firstBad = 0, bit7 = 0, firstBit7 = 0;
    for (std::size_t n = 0; n < kBankSlots && (n + 1) * kRecordSize <= bytes.size(); ++n) {
        const auto record = bytes.subspan(n * kRecordSize, kRecordSize);
        if (!IsSingleVoiceHeader(record) && badHeaders++ == 0) firstBad = n + 1;
        for (std::size_t i = kParamBase; i < kRecordSize; ++i)
            if ((record[i] & 0x80) && bit7++ == 0) firstBit7 = n * kRecordSize + i;
        RecordVoice(bytes, n * kRecordSize, static_cast<int>(n + 1), r);
    }
    if (badHeaders)
        r.problems.push_back(Plural(badHeaders, "record") +
                             " without a single-voice dump header (first: voice " + std::to_string(firstBad) +
                             ")");
    if (bit7)
        r.problems.push_back(Plural(bit7, "byte") + " of the voice data have bit 7 set (first at offset " +
                             std::to_string(firstBit7) + ")");
}

void InspectV01(std::span<const Byte> bytes, FileReport &r) {
    CheckLength(bytes.size(), kRecordSize, r.problems);
    const bool header = IsSingleVoiceHeader(bytes);
    if (bytes.size() >= kParamBase && !header)
        r.problems.push_back("no single-voice dump header (" + HexBytes(bytes, " ", kStartShown) + ")");
    CheckBit7(bytes, kParamBase, kRecordSize, "voice data", r.problems);
    // Bytes that are no voice are not listed as one.
    const bool values = !header || CheckVoiceValues(bytes, 0, r.problems);
    if (values && DecodeVoice(bytes, VoiceKind::V01, r.file).ok()) RecordVoice(bytes, 0, 1, r);
}

void InspectHeaderless(std::span<const Byte> bytes, FileReport &r) {
    CheckLength(bytes.size(), kPackedBankSize, r.problems);
    CheckBit7(bytes, 0, kPackedBankSize, "packed data", r.problems);
    const std::size_t odd = PackedVoicesOutOfRange(bytes, 0);
    if (!LooksLikePackedBank(bytes, 0)) {
        r.problems.push_back(Plural(odd, "voice") +
                             " of 32 do not look like DX7 voices (values out of range)");
        return; // not packed voices: none to list
    }
    if (odd > 0) r.problems.push_back(Plural(odd, "voice") + " of 32 hold values out of range");
    PackedVoices(bytes, 0, r);
}

void InspectMidiFile(std::span<const Byte> bytes, const VoiceScan &scan, FileReport &r) {
    if (bytes.size() < 4 || bytes[0] != 'M' || bytes[1] != 'T' || bytes[2] != 'h' || bytes[3] != 'd')
        r.problems.push_back("no Standard MIDI File header (MThd)");
    if (scan.found.empty()) {
        r.problems.push_back(scan.refusal != ScanReason::None
                                 ? ScanReasonEnglish(scan.refusal, scan.refusalCount)
                                 : std::string("no DX7 voice message in the file"));
        return;
    }
    InspectFoundVoices(scan, r);
}

} // namespace

const char *FileKindName(FileKind kind) {
    switch (kind) {
    case FileKind::BulkDump:
        return "bulk dump";
    case FileKind::SingleVoiceDump:
        return "single-voice dump";
    case FileKind::V32:
        return "v32";
    case FileKind::V01:
        return "v01";
    case FileKind::HeaderlessBank:
        return "headerless bank";
    case FileKind::MidiFile:
        return "MIDI file";
    case FileKind::Unknown:
        break;
    }
    return "unknown";
}

const char *LoadsAsName(LoadsAs loads) {
    switch (loads) {
    case LoadsAs::Bank:
        return "bank";
    case LoadsAs::Voice:
        return "voice";
    case LoadsAs::None:
        break;
    }
    return "none";
}

std::string ReadErrorEnglish(const ReadError &e) {
    const std::string file = e.file.string();
    switch (e.failure) {
    case ReadFailure::None:
        return {};
    case ReadFailure::NotFound:
        return file + ": no such file";
    case ReadFailure::CannotRead:
        return file + ": cannot be read";
    case ReadFailure::TooShort:
        return file + ": too short (" + std::to_string(e.length) + " bytes, " + std::to_string(e.needed) +
               " needed)";
    case ReadFailure::TooLarge:
        return file + ": too large (" + std::to_string(e.length) + " bytes)";
    case ReadFailure::NotBulkDump:
        return file + ": not a DX7 32-voice bulk dump (starts " + e.detail + ")";
    case ReadFailure::UnknownKind:
        return file + ": no reader for this name (.v32 .syx .dx7 .32 .v01 .mid)";
    case ReadFailure::NotDx7VoiceFile:
        return file + ": no DX7 single-voice dump at the end of the file";
    case ReadFailure::NotSingleVoice:
        return file + ": not a DX7 single-voice dump (starts " + e.detail + ")";
    case ReadFailure::IsBank:
        return file + ": a 32-voice bank, not a single voice";
    case ReadFailure::NotPackedBank:
        return file + ": not 32 packed DX7 voices (" + std::to_string(e.count) +
               " of 32 voices out of range)";
    case ReadFailure::BytesPastBank:
        return file + ": " + std::to_string(e.count) +
               " bytes more than 32 voices; where the voices start is unknown";
    case ReadFailure::BulkDumpCutOff:
        return file + ": a bulk dump cut off (wrong checksum, no end byte F7)";
    case ReadFailure::BulkDumpBadVoices:
        return file + ": a broken bulk dump (wrong checksum, " + std::to_string(e.count) +
               " of 32 voices out of range)";
    case ReadFailure::MessageInsideData:
        return file + ": another message starts inside the voice data (at byte " + std::to_string(e.count) +
               ")";
    case ReadFailure::VoiceOutOfRange:
        return file + ": not a DX7 voice (" + std::to_string(e.count) + " values out of range)";
    case ReadFailure::NotBankFile:
        return file + ": not a 32-voice file (voice " + std::to_string(e.count) + " starts " + e.detail + ")";
    case ReadFailure::ScanRefused:
        return file + ": " + ScanReasonEnglish(e.reason, e.count);
    case ReadFailure::NoSuchBank:
        return file + ": no bank " + std::to_string(e.count) + " (the file holds " +
               std::to_string(e.needed) + ")";
    case ReadFailure::NoSuchVoice:
        return file + ": no single voice " + std::to_string(e.count) + " (the file holds " +
               std::to_string(e.needed) + ")";
    case ReadFailure::IsSingleVoice:
        return file + ": single voices, not a 32-voice bank";
    }
    return file;
}

FileReport InspectBytes(const std::filesystem::path &file, std::span<const Byte> bytes) {
    FileReport r;
    r.file = file;
    r.readable = true;
    r.kind = KindOf(file, bytes);
    const std::string name = file.filename().string();
    const VoiceScan scan = ScanVoiceFile(bytes, name);
    switch (r.kind) {
    case FileKind::BulkDump:
        InspectBulkDump(bytes, scan, r);
        break;
    case FileKind::SingleVoiceDump:
        InspectSingleVoiceDump(bytes, scan, r);
        break;
    case FileKind::V32:
        InspectV32(bytes, r);
        break;
    case FileKind::V01:
        InspectV01(bytes, r);
        break;
    case FileKind::HeaderlessBank:
        InspectHeaderless(bytes, r);
        break;
    case FileKind::MidiFile:
        InspectMidiFile(bytes, scan, r);
        break;
    case FileKind::Unknown:
        // Voice data after other messages is described as what it is.
        if (!scan.found.empty()) {
            r.kind = KindOfSource(scan.found.front().source);
            InspectFoundVoices(scan, r);
        } else {
            r.problems.push_back(DescribeStart(bytes));
        }
        break;
    }
    // Whether the program takes it: exactly the loaders' own checks.
    if (DecodeBank(bytes, BankKindOfName(name), file).ok())
        r.loadsAs = LoadsAs::Bank;
    else if (DecodeVoice(bytes, VoiceKindOfName(name), file).ok())
        r.loadsAs = LoadsAs::Voice;
    ReportScan(scan, r);
    ReportFamilyData(bytes, scan, r);
    r.valid = r.problems.empty() && r.kind != FileKind::Unknown;
    return r;
}

FileReport InspectFile(const std::filesystem::path &file) {
    auto content = ReadFileBytes(file);
    if (!content.ok()) {
        FileReport r;
        r.file = file;
        r.problems.push_back(ReadErrorEnglish(content.error));
        return r;
    }
    return InspectBytes(file, content.value);
}

} // namespace vox
