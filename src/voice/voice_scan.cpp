#include "voice/voice_scan.h"
#include "text/ui_text.h"

#include "voice/bank_format.h"
#include "voice/dx7_decode.h"
#include "voice/dx7_messages.h"

#include <algorithm>
#include <cstring>

namespace vox {

// --- Content tests -----------------------------------------------------------

namespace {
constexpr std::size_t kPackedNamePos = 118; // name characters 1..10 of a packed voice
constexpr Byte kFirstCharacter = 0x20;      // name bytes below it, but 0, are no characters
constexpr Byte kDataBits = 0x7F;
} // namespace

bool LooksLikePackedVoice(std::span<const Byte, kPackedVoiceSize> packed) {
    // Name bytes as stored: other tools put characters above 7Fh there.
    // Tested first: they are cheap, and data read out of step fails here.
    bool named = false;
    for (std::size_t i = 0; i < kNameLength; ++i) {
        const Byte c = packed[kPackedNamePos + i];
        if (c != 0 && c < kFirstCharacter) return false;
        named |= c != 0;
    }
    if (!named) return false;
    PackedVoice seven{};
    for (std::size_t i = 0; i < kPackedVoiceSize; ++i)
        seven[i] = packed[i] & kDataBits;
    Slot slot{};
    UnpackVoice(seven, slot);
    for (int p = 0; p < param::Name1; ++p)
        if (slot[ParamPos(p)] > ParamMax(p)) return false;
    return true;
}

std::size_t PackedVoicesOutOfRange(std::span<const Byte> bytes, std::size_t offset) {
    std::size_t odd = 0;
    for (std::size_t v = 0; v < kBankSlots; ++v) {
        const std::size_t at = offset + v * kPackedVoiceSize;
        if (at + kPackedVoiceSize > bytes.size() ||
            !LooksLikePackedVoice(
                std::span<const Byte, kPackedVoiceSize>(bytes.data() + at, kPackedVoiceSize)))
            ++odd;
    }
    return odd;
}

bool LooksLikePackedBank(std::span<const Byte> bytes, std::size_t offset) {
    if (offset > bytes.size() || bytes.size() - offset < kPackedBankSize) return false;
    const std::size_t aligned = kBankSlots - PackedVoicesOutOfRange(bytes, offset);
    if (aligned < kMinBankVoices) return false;
    for (std::size_t shift = 1; shift < kPackedVoiceSize; ++shift) {
        std::size_t good = 0;
        for (std::size_t v = 0; v + 1 < kBankSlots; ++v) {
            const Byte *at = bytes.data() + offset + shift + v * kPackedVoiceSize;
            good +=
                LooksLikePackedVoice(std::span<const Byte, kPackedVoiceSize>(at, kPackedVoiceSize)) ? 1 : 0;
            if (2 * good >= aligned) return false;
            // Give the shift up once the voices left cannot reach half.
            if (2 * (good + kBankSlots - 2 - v) < aligned) break;
        }
    }
    return true;
}

std::size_t RecordParametersOutOfRange(std::span<const Byte> record) {
    std::size_t odd = 0;
    for (int p = 0; p < param::Name1; ++p)
        if (ParamPos(p) >= record.size() || (record[ParamPos(p)] & kDataBits) > ParamMax(p)) ++odd;
    return odd;
}

bool RecordParametersInRange(std::span<const Byte> record) { return RecordParametersOutOfRange(record) == 0; }

VoiceRecord RecordFromPacked(std::span<const Byte, kPackedVoiceSize> packed) {
    Slot slot{};
    for (std::size_t i = 0; i < kVoiceHeader.size(); ++i)
        slot[i] = kVoiceHeader[i];
    UnpackVoice(packed, slot);
    VoiceRecord record{};
    for (std::size_t i = 0; i < kRecordSize; ++i)
        record[i] = slot[i];
    return record;
}

SoundBody SoundBodyOf(const VoiceRecord &record) {
    Slot slot{};
    std::copy(record.begin(), record.end(), slot.begin());
    const PackedVoice packed = PackVoice(slot);
    SoundBody body{};
    std::copy(packed.begin(), packed.begin() + kSoundBodySize, body.begin());
    return body;
}

// --- VoiceScan -----------------------------------------------------------------

std::size_t VoiceScan::bankCount() const {
    return static_cast<std::size_t>(
        std::count_if(found.begin(), found.end(), [](const FoundVoices &f) { return f.isBank(); }));
}

std::size_t VoiceScan::singleVoiceCount() const {
    return static_cast<std::size_t>(
        std::count_if(found.begin(), found.end(), [](const FoundVoices &f) { return f.voices.size() == 1; }));
}

const FoundVoices *VoiceScan::bank(std::size_t n) const {
    for (const FoundVoices &f : found)
        if (f.isBank() && n-- == 0) return &f;
    return nullptr;
}

const FoundVoices *VoiceScan::singleVoice(std::size_t n) const {
    for (const FoundVoices &f : found)
        if (f.voices.size() == 1 && n-- == 0) return &f;
    return nullptr;
}

// --- The scan ------------------------------------------------------------------

namespace {

constexpr std::size_t kFormatPos = 3;
constexpr std::size_t kCountHighPos = 4;
constexpr std::size_t kCountLowPos = 5;
constexpr std::size_t kDumpHeaderSize = 6;                                       // F0 43 0n ff hh ll
constexpr std::size_t kDumpTrailerSize = 2;                                      // checksum, F7
constexpr std::size_t kSingleChecksumPos = kDumpHeaderSize + kUnpackedVoiceSize; // 161
constexpr Byte kUniversalNonRealTime = 0x7E;
constexpr Byte kUniversalRealTime = 0x7F;
constexpr Byte kStatusBit = 0x80;
constexpr Byte kMetaEvent = 0xFF;
// Of the 127 shifts of a bank, one whose voices look like voices this
// often shows that the data is a bank read from the wrong place.
constexpr std::size_t kShiftedVoicesShown = 24;

// Named blocks of format 7E: "LM  " then the model and the kind, ten bytes.
constexpr std::size_t kBlockNamePos = kDumpHeaderSize;
constexpr std::size_t kBlockNameSize = 10;
constexpr char kBlockNameStart[] = "LM  ";
constexpr char kBlockPerformance[] = "PM";
constexpr char kBlockPerformanceEdit[] = "PE";
constexpr char kBlockSupplement[] = "AE";

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// Where F0 43, the start of one of the maker's messages, stands in the
// bytes from `from`; kNone when nowhere. (F0 alone can be a data byte with
// bit 7 set.)
std::size_t MakersMessageIn(std::span<const Byte> bytes, std::size_t from, std::size_t to) {
    to = std::min(to, bytes.size());
    for (std::size_t i = from; i + 1 < to; ++i) {
        const void *hit = std::memchr(bytes.data() + i, kSysExStart, to - 1 - i);
        if (!hit) return kNone;
        i = static_cast<std::size_t>(static_cast<const Byte *>(hit) - bytes.data());
        if (bytes[i + 1] == kYamahaId) return i;
    }
    return kNone;
}

bool ZeroHeader(std::span<const Byte> bytes) {
    if (bytes.size() < kParamBase) return false;
    for (std::size_t i = 0; i < kParamBase; ++i)
        if (bytes[i] != 0) return false;
    return true;
}

bool IsDump(std::span<const Byte> bytes, std::size_t at, Byte format) {
    return at + kFormatPos < bytes.size() && bytes[at] == kSysExStart && bytes[at + 1] == kYamahaId &&
           (bytes[at + 2] & 0xF0) == kDumpSubStatus && bytes[at + kFormatPos] == format;
}

bool NameEnds(std::string_view name, std::string_view ending) {
    if (name.size() < ending.size()) return false;
    for (std::size_t i = 0; i < ending.size(); ++i) {
        char c = name[name.size() - ending.size() + i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != ending[i]) return false;
    }
    return true;
}

ScanReason ReasonOfFormat(std::span<const Byte> b, std::size_t at, Byte format) {
    switch (format) {
    case dump_format::kFourOpBank:
        return ScanReason::FourOperatorBank;
    case dump_format::kFourOpVoice:
        return ScanReason::FourOperatorVoice;
    case dump_format::kPerformance:
    case dump_format::kPerformances:
        return ScanReason::PerformanceOnly;
    case dump_format::kSupplementOne:
    case dump_format::kSupplementBank:
        return ScanReason::SupplementOnly;
    case dump_format::kUniversal: {
        const std::size_t name = at + kBlockNamePos;
        if (name + kBlockNameSize > b.size() ||
            std::memcmp(b.data() + name, kBlockNameStart, sizeof kBlockNameStart - 1) != 0)
            return ScanReason::NotVoiceData;
        const Byte *kind = b.data() + name + kBlockNameSize - 2;
        if (std::memcmp(kind, kBlockPerformance, 2) == 0 || std::memcmp(kind, kBlockPerformanceEdit, 2) == 0)
            return ScanReason::PerformanceOnly;
        if (std::memcmp(kind, kBlockSupplement, 2) == 0) return ScanReason::SupplementOnly;
        return ScanReason::NotVoiceData;
    }
    default:
        return ScanReason::NotVoiceData;
    }
}

// Where the bytes a scanner reads lie in the file: a System Exclusive
// event of a MIDI file is put together from pieces (the F0, then the data
// after the length, then any continuation events).
struct Piece {
    std::size_t at;     // in the bytes scanned
    std::size_t fileAt; // in the file
};

class Scanner {
public:
    Scanner(VoiceScan &out, bool inMidiFile) : out_(out), inMidi_(inMidiFile) {}

    // Bytes that lie in the file from `fileAt` on.
    void ScanAt(std::span<const Byte> bytes, std::size_t fileAt) {
        pieces_.clear();
        pieces_.push_back({0, fileAt});
        Scan(bytes);
    }
    // Bytes put together from pieces.
    void ScanPieces(std::span<const Byte> bytes, const std::vector<Piece> &pieces) {
        pieces_ = pieces;
        Scan(bytes);
    }

private:
    std::size_t FileAt(std::size_t at) const {
        std::size_t p = pieces_.size() - 1;
        while (p > 0 && pieces_[p].at > at)
            --p;
        return pieces_[p].fileAt + (at - pieces_[p].at);
    }

    void Skip(std::size_t at, std::size_t length, ScanReason reason, std::size_t count = 0) {
        if (length == 0) return;
        const std::size_t fileAt = FileAt(at);
        // Runs of stray bytes and foreign messages are one stretch.
        if (reason == ScanReason::NotVoiceData && !out_.skipped.empty()) {
            SkippedPart &last = out_.skipped.back();
            if (last.reason == reason && !last.dump && last.offset + last.length == fileAt) {
                last.length += length;
                return;
            }
        }
        out_.skipped.push_back({fileAt, length, reason, count});
    }

    // One of the maker's other dumps, from `at` in the bytes scanned `b`:
    // kept apart, so that each can be read as the message it is.
    void SkipDump(std::span<const Byte> b, std::size_t at, std::size_t length, ScanReason reason) {
        if (length == 0) return;
        SkippedPart part{FileAt(at), length, reason, 0, true, {}};
        if (inMidi_)
            part.joined.assign(b.begin() + static_cast<std::ptrdiff_t>(at),
                               b.begin() + static_cast<std::ptrdiff_t>(at + length));
        out_.skipped.push_back(std::move(part));
    }

    FoundVoices &Found(VoiceSource source, std::size_t at, std::size_t length, bool checksumGood) {
        FoundVoices f;
        f.source = source;
        f.offset = FileAt(at);
        f.length = length;
        f.inMidiFile = inMidi_;
        f.checksumGood = checksumGood;
        out_.found.push_back(std::move(f));
        return out_.found.back();
    }

    void Scan(std::span<const Byte> b) {
        const std::size_t n = b.size();
        std::size_t i = 0;
        while (i < n) {
            if (b[i] != kSysExStart) {
                const void *hit = std::memchr(b.data() + i, kSysExStart, n - i);
                const std::size_t next =
                    hit ? static_cast<std::size_t>(static_cast<const Byte *>(hit) - b.data()) : n;
                Skip(i, next - i, ScanReason::NotVoiceData);
                i = next;
                continue;
            }
            i = Message(b, i);
        }
    }

    // One message from F0 at `i`; returns where the next one may start.
    std::size_t Message(std::span<const Byte> b, std::size_t i) {
        const std::size_t n = b.size();
        if (i + 1 >= n || (b[i + 1] & kStatusBit) != 0) {
            Skip(i, 1, ScanReason::NotVoiceData);
            return i + 1;
        }
        const Byte id = b[i + 1];
        if (id != kYamahaId) {
            const bool universal = id == kUniversalNonRealTime || id == kUniversalRealTime;
            return Plain(b, i, universal ? ScanReason::NotVoiceData : ScanReason::OtherMakerOnly);
        }
        if (i + kFormatPos >= n) {
            Skip(i, n - i, ScanReason::NotVoiceData);
            return n;
        }
        const Byte sub = b[i + 2] & 0xF0;
        if (sub == kParameterChangeSubStatus) {
            // A parameter change is seven bytes; anything longer under its
            // status is no message the instrument sends.
            const bool change =
                i + kParameterChangeSize <= n && b[i + kParameterChangeSize - 1] == kSysExEnd &&
                (b[i + 3] & kStatusBit) == 0 && (b[i + 4] & kStatusBit) == 0 && (b[i + 5] & kStatusBit) == 0;
            if (change) {
                Skip(i, kParameterChangeSize, ScanReason::ParameterChangesOnly);
                return i + kParameterChangeSize;
            }
            return Plain(b, i, ScanReason::NotVoiceData);
        }
        if (sub != kDumpSubStatus) return Plain(b, i, ScanReason::NotVoiceData);
        // A status byte among the header's bytes breaks the dump off there,
        // but for a byte count with bit 7 in a dump that is whole with its
        // checksum right: the instrument never reads the byte count.
        for (std::size_t k = 2; k < kDumpHeaderSize && i + k < n; ++k)
            if ((b[i + k] & kStatusBit) != 0 && !(k >= kCountHighPos && WholeVoiceDump(b, i))) {
                Skip(i, k, ScanReason::NotVoiceData);
                return i + k;
            }
        const Byte format = b[i + kFormatPos];
        if (format == dump_format::kBank) return BankDump(b, i);
        if (format == dump_format::kSingleVoice) return SingleDump(b, i);
        return OtherDump(b, i, format);
    }

    // A bank or single-voice dump at `i` that the decoder takes whole.
    static bool WholeVoiceDump(std::span<const Byte> b, std::size_t i) {
        const std::size_t size = b[i + kFormatPos] == dump_format::kBank          ? kBulkMessageSize
                                 : b[i + kFormatPos] == dump_format::kSingleVoice ? kSingleDumpSize
                                                                                  : 0;
        return size != 0 && b.size() - i >= size && DecodeDx7(b.subspan(i, size)).good();
    }

    // A message without a length: it ends at F7, or where another status
    // byte breaks in.
    std::size_t Plain(std::span<const Byte> b, std::size_t i, ScanReason reason, bool dump = false) {
        std::size_t j = i + 1;
        while (j < b.size() && (b[j] & kStatusBit) == 0)
            ++j;
        if (j < b.size() && b[j] == kSysExEnd) ++j;
        if (dump)
            SkipDump(b, i, j - i, reason);
        else
            Skip(i, j - i, reason);
        return j;
    }

    // A dump of another format: its byte count says where it ends.
    std::size_t OtherDump(std::span<const Byte> b, std::size_t i, Byte format) {
        const ScanReason reason = ReasonOfFormat(b, i, format);
        if (i + kDumpHeaderSize <= b.size()) {
            const std::size_t count = (static_cast<std::size_t>(b[i + kCountHighPos] & kDataBits) << 7) |
                                      (b[i + kCountLowPos] & kDataBits);
            const std::size_t end = i + kDumpHeaderSize + count + kDumpTrailerSize;
            if (end <= b.size() && b[end - 1] == kSysExEnd) {
                SkipDump(b, i, end - i, reason);
                return end;
            }
        }
        // A cartridge block repeats its count, data and checksum before
        // the one F7: it ends there.
        return Plain(b, i, reason, true);
    }

    // The count of leading voices of a dump cut off at `cut` (bytes from
    // the dump's start).
    static std::size_t WholeVoices(std::size_t cut) {
        return cut <= kBulkDataPos ? 0 : std::min(kBankSlots, (cut - kBulkDataPos) / kPackedVoiceSize);
    }

    std::size_t BankDump(std::span<const Byte> b, std::size_t i) {
        const std::size_t n = b.size();
        const std::size_t rest = n - i;
        const std::size_t dataEnd = i + kBulkChecksumPos; // 4102 bytes from the start
        if (rest < kBulkChecksumPos) {
            // Cut off; where another message of the maker starts, the cut came.
            const std::size_t at = MakersMessageIn(b, i + kDumpHeaderSize, n);
            const std::size_t cut = at == kNone ? n : at;
            Skip(i, cut - i, ScanReason::CutOff, WholeVoices(cut - i));
            return cut;
        }
        const auto data = b.subspan(i + kBulkDataPos, kPackedBankSize);
        // A message of the maker starting among the data bytes means the
        // dump was cut off there, unless the dump ends as a dump ends with
        // its checksum right (data bytes with bit 7 carry F0 at times).
        const std::size_t inside = MakersMessageIn(b, i + kBulkDataPos, dataEnd);
        // The checksum is taken by its seven bits (the decoder's rule). It
        // vouches for the dump only where the dump ends: at its F7, at the
        // end of the file, or where the next message starts. Bytes that go
        // on (a 128-byte block doubled) would make any byte in its place a
        // checksum that matches by chance, and the bank read shifted.
        const bool whole = rest >= kBulkMessageSize && DecodeDx7(b.subspan(i, kBulkMessageSize)).good();
        if (whole || (rest > kBulkChecksumPos && (b[dataEnd] & kDataBits) == ChecksumOf(data))) {
            const bool endByte = rest >= kBulkMessageSize && b[dataEnd + 1] == kSysExEnd;
            const bool nextMessage = rest > kBulkChecksumPos + 1 && b[dataEnd + 1] == kSysExStart;
            if (endByte || rest == kBulkChecksumPos + 1 || (inside == kNone && nextMessage)) {
                const std::size_t length = endByte ? kBulkMessageSize : kBulkChecksumPos + 1;
                TakeBank(b, i, length, true);
                return i + length;
            }
        }
        if (const std::size_t at = inside; at != kNone) {
            Skip(i, at - i, ScanReason::CutOff, WholeVoices(at - i));
            return at;
        }
        const bool endsAsADump =
            rest <= kBulkChecksumPos + 1 || b[dataEnd] == kSysExEnd || b[dataEnd + 1] == kSysExEnd;
        const std::size_t length = rest <= kBulkChecksumPos + 1 ? rest
                                   : b[dataEnd] == kSysExEnd    ? kBulkChecksumPos + 1
                                                                : kBulkMessageSize;
        if (!endsAsADump) {
            // Broken off somewhere and followed by other bytes: the voices
            // that look like voices before the first that does not.
            std::size_t whole = 0;
            while (whole < kBankSlots &&
                   LooksLikePackedVoice(std::span<const Byte, kPackedVoiceSize>(
                       b.data() + i + kBulkDataPos + whole * kPackedVoiceSize, kPackedVoiceSize)))
                ++whole;
            Skip(i, kDumpHeaderSize, ScanReason::CutOff, whole);
            return i + kDumpHeaderSize;
        }
        if (!LooksLikePackedBank(b, i + kBulkDataPos)) {
            Skip(i, length, ScanReason::BrokenDump);
            return i + length;
        }
        TakeBank(b, i, length, false);
        return i + length;
    }

    void TakeBank(std::span<const Byte> b, std::size_t i, std::size_t length, bool checksumGood) {
        FoundVoices &f = Found(VoiceSource::BulkDump, i, length, checksumGood);
        f.voices.resize(kBankSlots);
        for (std::size_t v = 0; v < kBankSlots; ++v)
            f.voices[v] = RecordFromPacked(std::span<const Byte, kPackedVoiceSize>(
                b.data() + i + kBulkDataPos + v * kPackedVoiceSize, kPackedVoiceSize));
    }

    std::size_t SingleDump(std::span<const Byte> b, std::size_t i) {
        const std::size_t n = b.size();
        const std::size_t rest = n - i;
        if (rest < kSingleDumpSize) {
            const std::size_t at = MakersMessageIn(b, i + kDumpHeaderSize, n);
            const std::size_t cut = at == kNone ? n : at;
            Skip(i, cut - i, ScanReason::CutOff, 0);
            return cut;
        }
        const std::size_t sumAt = i + kSingleChecksumPos;
        // A right checksum (its seven bits) vouches for the voice when the
        // dump ends there.
        if (DecodeDx7(b.subspan(i, kSingleDumpSize)).good()) {
            TakeSingle(b, i, kSingleDumpSize, true);
            return i + kSingleDumpSize;
        }
        if (const std::size_t at = MakersMessageIn(b, i + kDumpHeaderSize, sumAt); at != kNone) {
            Skip(i, at - i, ScanReason::CutOff, 0);
            return at;
        }
        const bool endsAsADump = b[sumAt] == kSysExEnd || b[sumAt + 1] == kSysExEnd;
        const std::size_t length = b[sumAt] == kSysExEnd ? kSingleDumpSize - 1 : kSingleDumpSize;
        if (!endsAsADump) {
            Skip(i, kDumpHeaderSize, ScanReason::CutOff, 0);
            return i + kDumpHeaderSize;
        }
        if (RecordParametersOutOfRange(b.subspan(i, kRecordSize)) > kMaxOddParameters) {
            Skip(i, length, ScanReason::BrokenDump);
            return i + length;
        }
        TakeSingle(b, i, length, false);
        return i + length;
    }

    void TakeSingle(std::span<const Byte> b, std::size_t i, std::size_t length, bool checksumGood) {
        FoundVoices &f = Found(VoiceSource::SingleVoiceDump, i, length, checksumGood);
        f.voices.resize(1);
        std::copy(b.begin() + static_cast<std::ptrdiff_t>(i),
                  b.begin() + static_cast<std::ptrdiff_t>(i + kRecordSize), f.voices[0].begin());
    }

    VoiceScan &out_;
    bool inMidi_;
    std::vector<Piece> pieces_;
};

// --- Standard MIDI Files -----------------------------------------------------------

constexpr std::size_t kChunkHeaderSize = 8;
constexpr char kHeaderChunk[] = "MThd";
constexpr char kTrackChunk[] = "MTrk";
constexpr std::size_t kMaxVlqBytes = 4;

bool IsMidiFile(std::span<const Byte> b) {
    return b.size() >= kChunkHeaderSize && std::memcmp(b.data(), kHeaderChunk, 4) == 0;
}

std::size_t BigEndian32(std::span<const Byte> b, std::size_t at) {
    return (static_cast<std::size_t>(b[at]) << 24) | (static_cast<std::size_t>(b[at + 1]) << 16) |
           (static_cast<std::size_t>(b[at + 2]) << 8) | b[at + 3];
}

// A variable-length quantity at `p` (advanced past it); false when it runs
// past `end` or over four bytes.
bool ReadVlq(std::span<const Byte> b, std::size_t &p, std::size_t end, std::size_t &value) {
    value = 0;
    for (std::size_t k = 0; k < kMaxVlqBytes; ++k) {
        if (p >= end) return false;
        const Byte c = b[p++];
        value = (value << 7) | (c & kDataBits);
        if ((c & kStatusBit) == 0) return true;
    }
    return false;
}

class MidiFileScan {
public:
    MidiFileScan(std::span<const Byte> b, VoiceScan &out) : b_(b), scanner_(out, true) {}

    // False when the file's structure breaks somewhere.
    bool Run() {
        const std::size_t n = b_.size();
        const std::size_t headerLength = BigEndian32(b_, 4);
        if (headerLength > n - kChunkHeaderSize) return false;
        std::size_t pos = kChunkHeaderSize + headerLength;
        bool whole = true;
        while (pos + kChunkHeaderSize <= n) {
            const std::size_t length = BigEndian32(b_, pos + 4);
            const std::size_t body = pos + kChunkHeaderSize;
            const std::size_t end = length > n - body ? n : body + length;
            if (std::memcmp(b_.data() + pos, kTrackChunk, 4) == 0) whole &= Track(body, end);
            if (length > n - body) return false;
            pos = end;
        }
        return whole && pos == n;
    }

private:
    bool Track(std::size_t p, std::size_t end) {
        Byte running = 0;
        bool whole = true;
        while (p < end) {
            std::size_t delta = 0;
            if (!ReadVlq(b_, p, end, delta) || p >= end) {
                whole = false;
                break;
            }
            const std::size_t statusAt = p;
            const Byte status = b_[p];
            if (status == kMetaEvent) {
                std::size_t length = 0;
                p += 2;
                if (p > end || !ReadVlq(b_, p, end, length)) {
                    whole = false;
                    break;
                }
                p = length > end - p ? end : p + length;
                continue;
            }
            if (status == kSysExStart || status == kSysExEnd) {
                ++p;
                std::size_t length = 0;
                if (!ReadVlq(b_, p, end, length)) {
                    whole = false;
                    break;
                }
                const std::size_t dataEnd = length > end - p ? end : p + length;
                SysEx(status, statusAt, p, dataEnd);
                p = dataEnd;
                running = 0;
                continue;
            }
            if ((status & kStatusBit) != 0) {
                if (status > kSysExStart) { // system messages have no place in a track
                    whole = false;
                    break;
                }
                running = status;
                ++p;
            } else if (running == 0) {
                whole = false;
                break;
            }
            const Byte kind = running & 0xF0;
            p += (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
        }
        Flush();
        return whole;
    }

    void SysEx(Byte status, std::size_t statusAt, std::size_t from, std::size_t to) {
        if (status == kSysExStart) {
            Flush();
            message_.clear();
            pieces_.clear();
            message_.push_back(kSysExStart);
            pieces_.push_back({0, statusAt});
            pieces_.push_back({1, from});
            open_ = true;
        } else if (!open_) {
            // An escape: bytes sent as they stand, which may hold whole messages.
            scanner_.ScanAt(b_.subspan(from, to - from), from);
            return;
        } else {
            pieces_.push_back({message_.size(), from});
        }
        message_.insert(message_.end(), b_.begin() + static_cast<std::ptrdiff_t>(from),
                        b_.begin() + static_cast<std::ptrdiff_t>(to));
        if (to > from && b_[to - 1] == kSysExEnd) Flush();
    }

    void Flush() {
        if (!open_) return;
        open_ = false;
        scanner_.ScanPieces(message_, pieces_);
    }

    std::span<const Byte> b_;
    Scanner scanner_;
    std::vector<Byte> message_; // reused for every event
    std::vector<Piece> pieces_;
    bool open_ = false;
};

// --- The program's own files and data without a header -------------------------------

bool ReadOwnBankFile(std::span<const Byte> b, VoiceScan &out) {
    constexpr std::size_t kBankFileBytes = kRecordSize * kBankSlots;
    if (b.size() < kBankFileBytes || b.size() - kBankFileBytes >= kRecordSize) return false;
    for (std::size_t n = 0; n < kBankSlots; ++n) {
        const auto record = b.subspan(n * kRecordSize, kRecordSize);
        if (record[0] != kSysExStart && !(ZeroHeader(record) && RecordParametersInRange(record)))
            return false;
    }
    FoundVoices f;
    f.source = VoiceSource::V32File;
    f.length = kBankFileBytes;
    f.voices.resize(kBankSlots);
    for (std::size_t n = 0; n < kBankSlots; ++n)
        std::copy(b.begin() + static_cast<std::ptrdiff_t>(n * kRecordSize),
                  b.begin() + static_cast<std::ptrdiff_t>((n + 1) * kRecordSize), f.voices[n].begin());
    out.found.push_back(std::move(f));
    return true;
}

bool ReadOwnVoiceFile(std::span<const Byte> b, VoiceScan &out) {
    if (b.size() < kRecordSize || IsDump(b, 0, dump_format::kBank)) return false;
    const auto record = b.first(kRecordSize);
    const bool good = IsDump(b, 0, dump_format::kSingleVoice)
                          ? RecordParametersOutOfRange(record) <= kMaxOddParameters
                          : ZeroHeader(record) && RecordParametersInRange(record);
    if (!good) return false;
    FoundVoices f;
    f.source = VoiceSource::V01File;
    f.length = kRecordSize;
    f.voices.resize(1);
    std::copy(record.begin(), record.end(), f.voices[0].begin());
    out.found.push_back(std::move(f));
    return true;
}

// Whether 155 bytes look like one unpacked voice, by the same measure as
// a packed one: every parameter within its range, a name of characters.
bool LooksLikeUnpackedVoice(std::span<const Byte> voice) {
    for (int p = 0; p < param::Name1; ++p)
        if ((voice[static_cast<std::size_t>(p)] & kDataBits) > ParamMax(p)) return false;
    bool named = false;
    for (std::size_t i = 0; i < kNameLength; ++i) {
        const Byte c = voice[static_cast<std::size_t>(param::Name1) + i];
        if (c != 0 && c < kFirstCharacter) return false;
        named |= c != 0;
    }
    return named;
}

// Data with no header is taken only when nothing of a message stands in it
// and its voices look like voices.
bool ReadHeaderless(std::span<const Byte> b, VoiceScan &out) {
    const std::size_t n = b.size();
    if (n == 0 || b[0] == kSysExStart || MakersMessageIn(b, 0, n) != kNone) return false;
    if (n % kPackedBankSize == 0) {
        for (std::size_t at = 0; at < n; at += kPackedBankSize)
            if (!LooksLikePackedBank(b, at)) return false;
        for (std::size_t at = 0; at < n; at += kPackedBankSize) {
            FoundVoices f;
            f.source = VoiceSource::PackedData;
            f.offset = at;
            f.length = kPackedBankSize;
            f.voices.resize(kBankSlots);
            for (std::size_t v = 0; v < kBankSlots; ++v)
                f.voices[v] = RecordFromPacked(std::span<const Byte, kPackedVoiceSize>(
                    b.data() + at + v * kPackedVoiceSize, kPackedVoiceSize));
            out.found.push_back(std::move(f));
        }
        return true;
    }
    if (n == kUnpackedBankSize) {
        std::size_t odd = 0;
        for (std::size_t v = 0; v < kBankSlots; ++v)
            odd += LooksLikeUnpackedVoice(b.subspan(v * kUnpackedVoiceSize, kUnpackedVoiceSize)) ? 0 : 1;
        if (odd > kMaxOddVoices) return false;
        FoundVoices f;
        f.source = VoiceSource::UnpackedData;
        f.length = n;
        f.voices.resize(kBankSlots);
        for (std::size_t v = 0; v < kBankSlots; ++v) {
            std::copy(kVoiceHeader.begin(), kVoiceHeader.end(), f.voices[v].begin());
            std::copy(b.begin() + static_cast<std::ptrdiff_t>(v * kUnpackedVoiceSize),
                      b.begin() + static_cast<std::ptrdiff_t>((v + 1) * kUnpackedVoiceSize),
                      f.voices[v].begin() + kParamBase);
        }
        out.found.push_back(std::move(f));
        return true;
    }
    return false;
}

// Whether the bytes hold packed voices from a place other than their
// start: a bank with something cut from its front or put before it.
bool LooksShifted(std::span<const Byte> b) {
    // A bank with less than a voice's worth cut off or put before it.
    if (b.size() <= kPackedBankSize - kPackedVoiceSize || b.size() >= kPackedBankSize + kPackedVoiceSize)
        return false;
    for (std::size_t shift = 1; shift < kPackedVoiceSize; ++shift) {
        const std::size_t voices = (b.size() - shift) / kPackedVoiceSize;
        std::size_t good = 0;
        std::size_t bad = 0;
        // Stop at the first shift that shows enough, and give a shift up
        // as soon as it cannot.
        for (std::size_t v = 0;
             v < voices && good < kShiftedVoicesShown && voices - bad >= kShiftedVoicesShown; ++v) {
            const Byte *at = b.data() + shift + v * kPackedVoiceSize;
            if (LooksLikePackedVoice(std::span<const Byte, kPackedVoiceSize>(at, kPackedVoiceSize)))
                ++good;
            else if (++bad == 2 && good == 0)
                break; // neither of the first two: no bank starts here
        }
        if (good >= kShiftedVoicesShown) return true;
    }
    return false;
}

// The most telling reason first.
constexpr ScanReason kReasonOrder[] = {
    ScanReason::CutOff,           ScanReason::BrokenDump,
    ScanReason::FourOperatorBank, ScanReason::FourOperatorVoice,
    ScanReason::PerformanceOnly,  ScanReason::SupplementOnly,
    ScanReason::ShiftedData,      ScanReason::ParameterChangesOnly,
    ScanReason::OtherMakerOnly,
};

void ChooseRefusal(VoiceScan &scan) {
    if (!scan.found.empty()) return;
    for (ScanReason reason : kReasonOrder) {
        const auto it = std::find_if(scan.skipped.begin(), scan.skipped.end(),
                                     [&](const SkippedPart &s) { return s.reason == reason; });
        if (it == scan.skipped.end()) continue;
        const bool weak = reason == ScanReason::ParameterChangesOnly || reason == ScanReason::OtherMakerOnly;
        scan.refusal = scan.midiFile && weak ? ScanReason::MidiFileWithoutVoices : reason;
        scan.refusalCount = it->count;
        return;
    }
    scan.refusal = scan.midiFile ? ScanReason::MidiFileWithoutVoices : ScanReason::NotVoiceData;
}

} // namespace

std::span<const Byte> SkippedBytes(std::span<const Byte> file, const SkippedPart &part) {
    if (!part.joined.empty()) return part.joined;
    if (part.offset > file.size() || part.length > file.size() - part.offset) return {};
    return file.subspan(part.offset, part.length);
}

VoiceScan ScanVoiceFile(std::span<const Byte> bytes, std::string_view fileName) {
    VoiceScan scan;
    const std::size_t n = bytes.size();
    if (n == 0) {
        scan.refusal = ScanReason::Empty;
        return scan;
    }
    if (n > kMaxScanSize) {
        scan.skipped.push_back({0, n, ScanReason::TooLarge, 0});
        scan.refusal = ScanReason::TooLarge;
        return scan;
    }
    if (NameEnds(fileName, "V32") && ReadOwnBankFile(bytes, scan)) return scan;
    if (NameEnds(fileName, "V01") && ReadOwnVoiceFile(bytes, scan)) return scan;
    if (IsMidiFile(bytes)) {
        scan.midiFile = true;
        MidiFileScan midi(bytes, scan);
        if (!midi.Run() && scan.found.empty()) {
            // A broken file: its messages may still stand whole in its bytes.
            scan.skipped.clear();
            Scanner(scan, false).ScanAt(bytes, 0);
        }
        ChooseRefusal(scan);
        return scan;
    }
    if (ReadHeaderless(bytes, scan)) return scan;
    Scanner(scan, false).ScanAt(bytes, 0);
    if (scan.found.empty() && bytes[0] != kSysExStart && LooksShifted(bytes)) {
        scan.skipped.clear();
        scan.skipped.push_back({0, n, ScanReason::ShiftedData, 0});
    }
    ChooseRefusal(scan);
    return scan;
}

// --- Reasons in words ------------------------------------------------------------------

namespace scan_text {
constexpr const char *kEmptyEn = "is empty";
constexpr const char *kTooLargeEn = "is larger than any voice file";
constexpr const char *kNotVoiceDataEn = "holds no DX7 voice data";
constexpr const char *kFourOperatorBankEn = "holds a bank of a four-operator instrument";
constexpr const char *kFourOperatorVoiceEn = "holds a voice of a four-operator instrument";
constexpr const char *kPerformanceOnlyEn = "performance data, no voices";
constexpr const char *kSupplementOnlyEn = "supplement data of a later model (AMEM, ACED), no voices";
constexpr const char *kParameterChangesOnlyEn = "parameter changes, no voices";
constexpr const char *kOtherMakerOnlyEn = "System Exclusive of another maker, no voices";
constexpr const char *kCutOffEn = "cut off after voice %C";
constexpr const char *kCutOffFirstEn = "cut off before its first voice";
constexpr const char *kBrokenDumpEn = "a damaged dump: wrong checksum and voices out of range";
constexpr const char *kMidiFileWithoutVoicesEn = "a MIDI file without voices";
constexpr const char *kShiftedDataEn = "data that does not start where a voice starts";

constexpr Text kEmptyJa = "空です";
constexpr Text kTooLargeJa = "大きすぎて音色ファイルではありません";
constexpr Text kNotVoiceDataJa = "ＤＸ７の音色データではありません";
constexpr Text kFourOperatorBankJa = "4オペレーター機のバンクです";
constexpr Text kFourOperatorVoiceJa = "4オペレーター機の音色です";
constexpr Text kPerformanceOnlyJa = "演奏データだけで音色はありません";
constexpr Text kSupplementOnlyJa = "後継機の追加データ（AMEM、ACED）だけで音色はありません";
constexpr Text kParameterChangesOnlyJa = "パラメーターチェンジだけで音色はありません";
constexpr Text kOtherMakerOnlyJa = "他社のシステムエクスクルーシブだけで音色はありません";
constexpr Text kCutOffJa = "音色 %C のあとで切れています";
constexpr Text kCutOffFirstJa = "最初の音色の前で切れています";
constexpr Text kBrokenDumpJa = "壊れたダンプです（チェックサムが合わず、音色の値が範囲を外れています）";
constexpr Text kMidiFileWithoutVoicesJa = "音色の入っていないMIDIファイルです";
constexpr Text kShiftedDataJa = "音色の始まる位置がずれたデータです";
} // namespace scan_text

namespace {

std::string WithCount(const std::string &pattern, std::size_t count) {
    std::string text(pattern);
    if (const auto at = text.find("%C"); at != std::string::npos) text.replace(at, 2, std::to_string(count));
    return text;
}

} // namespace

std::string ScanReasonEnglish(ScanReason reason, std::size_t count) {
    using namespace scan_text;
    switch (reason) {
    case ScanReason::None:
        return {};
    case ScanReason::Empty:
        return kEmptyEn;
    case ScanReason::TooLarge:
        return kTooLargeEn;
    case ScanReason::NotVoiceData:
        return kNotVoiceDataEn;
    case ScanReason::FourOperatorBank:
        return kFourOperatorBankEn;
    case ScanReason::FourOperatorVoice:
        return kFourOperatorVoiceEn;
    case ScanReason::PerformanceOnly:
        return kPerformanceOnlyEn;
    case ScanReason::SupplementOnly:
        return kSupplementOnlyEn;
    case ScanReason::ParameterChangesOnly:
        return kParameterChangesOnlyEn;
    case ScanReason::OtherMakerOnly:
        return kOtherMakerOnlyEn;
    case ScanReason::CutOff:
        return count == 0 ? kCutOffFirstEn : WithCount(kCutOffEn, count);
    case ScanReason::BrokenDump:
        return kBrokenDumpEn;
    case ScanReason::MidiFileWithoutVoices:
        return kMidiFileWithoutVoicesEn;
    case ScanReason::ShiftedData:
        return kShiftedDataEn;
    }
    return {};
}

std::string ScanReasonJapanese(ScanReason reason, std::size_t count) {
    using namespace scan_text;
    switch (reason) {
    case ScanReason::None:
        return {};
    case ScanReason::Empty:
        return kEmptyJa;
    case ScanReason::TooLarge:
        return kTooLargeJa;
    case ScanReason::NotVoiceData:
        return kNotVoiceDataJa;
    case ScanReason::FourOperatorBank:
        return kFourOperatorBankJa;
    case ScanReason::FourOperatorVoice:
        return kFourOperatorVoiceJa;
    case ScanReason::PerformanceOnly:
        return kPerformanceOnlyJa;
    case ScanReason::SupplementOnly:
        return kSupplementOnlyJa;
    case ScanReason::ParameterChangesOnly:
        return kParameterChangesOnlyJa;
    case ScanReason::OtherMakerOnly:
        return kOtherMakerOnlyJa;
    case ScanReason::CutOff:
        return count == 0 ? kCutOffFirstJa : WithCount(kCutOffJa, count);
    case ScanReason::BrokenDump:
        return kBrokenDumpJa;
    case ScanReason::MidiFileWithoutVoices:
        return kMidiFileWithoutVoicesJa;
    case ScanReason::ShiftedData:
        return kShiftedDataJa;
    }
    return {};
}

} // namespace vox
