#pragma once
// Every DX7 voice a file holds, wherever it stands: 32-voice bulk dumps and
// single-voice dumps on any channel, among other messages (parameter
// changes, the supplement dumps of later models, performance data), inside
// the System Exclusive events of a Standard MIDI File, and data without a
// header behind a content test. The readers of the windows, the command
// line and the library all see a file through this one scan, so a file
// loads the same everywhere. Bytes in, voices or reasons out: no file
// system, no program state.

#include "voice/voice.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vox {

// One voice as files store it: slot positions 0..160 (the single-voice
// header, then the 155 parameters).
inline constexpr std::size_t kRecordSize = 161;
using VoiceRecord = std::array<Byte, kRecordSize>;
using BankRecords = std::array<VoiceRecord, kBankSlots>;

// Where a group of voices came from.
enum class VoiceSource : std::uint8_t {
    BulkDump = 0,        // F0 43 0n 09: 32 packed voices
    SingleVoiceDump = 1, // F0 43 0n 00: one voice, its header kept
    PackedData = 2,      // 32 packed voices with no header (a 4096-byte run)
    UnpackedData = 3,    // 32 unpacked 155-byte voices with no header
    V32File = 4,         // the program's own 32-voice file, 32 records of 161 bytes
    V01File = 5,         // the program's own 1-voice file, one record
};

// A bank (32 voices) or a single voice found in the file.
struct FoundVoices {
    VoiceSource source = VoiceSource::BulkDump;
    std::size_t offset = 0;          // bytes from the file's start to the message or the data
    std::size_t length = 0;          // bytes of the message or the data
    bool inMidiFile = false;         // taken from a System Exclusive event of a Standard MIDI File
    bool checksumGood = true;        // dumps: whether the checksum agrees; others true
    std::vector<VoiceRecord> voices; // 32 for a bank, 1 for a single voice; packed voices get
                                     // the import header F0 43 00 00 01 1B
    bool isBank() const { return voices.size() == kBankSlots; }
};

// Why a message or a stretch of the file gave no voice, or why the whole
// file gives none. Stored nowhere; the numbers only keep the order stable.
enum class ScanReason : std::uint8_t {
    None = 0,
    Empty = 1,                  // no bytes
    TooLarge = 2,               // more bytes than any voice file holds
    NotVoiceData = 3,           // nothing that looks like voice data (text, foreign bytes)
    FourOperatorBank = 4,       // a bank of a four-operator instrument
    FourOperatorVoice = 5,      // a single voice of a four-operator instrument
    PerformanceOnly = 6,        // performance data, no voices
    SupplementOnly = 7,         // supplement data of a later model (AMEM, ACED), no voices
    ParameterChangesOnly = 8,   // parameter changes, no voices
    OtherMakerOnly = 9,         // System Exclusive of another maker only
    CutOff = 10,                // a dump that breaks off: `count` whole voices came before the cut
    BrokenDump = 11,            // a dump whose checksum fails and whose voices do not look like voices
    MidiFileWithoutVoices = 12, // a Standard MIDI File with no voice message
    ShiftedData = 13,           // headerless data that does not start where a voice starts
};

// A message or stretch that was looked at and gave no voice.
struct SkippedPart {
    std::size_t offset = 0;
    std::size_t length = 0;
    ScanReason reason = ScanReason::None;
    std::size_t count = 0; // CutOff: whole voices before the cut
    // One dump of the maker's other formats (a later model's performances,
    // set-up, tunings, supplements): never joined to what lies beside it.
    bool dump = false;
    // Such a dump in a Standard MIDI File, whose bytes do not stand together
    // in the file: the message as its events join it, F0 to F7.
    std::vector<Byte> joined{};
};

// The bytes of a skipped part: its message put together, or the file's
// bytes where it stands (empty when they lie beyond the file).
std::span<const Byte> SkippedBytes(std::span<const Byte> file, const SkippedPart &part);

struct VoiceScan {
    std::vector<FoundVoices> found;   // in file order
    std::vector<SkippedPart> skipped; // in file order
    bool midiFile = false;            // the file is a Standard MIDI File
    // When nothing was found: why (the most telling of the skipped parts,
    // or the file as a whole). None when found is not empty.
    ScanReason refusal = ScanReason::None;
    std::size_t refusalCount = 0; // as SkippedPart::count

    std::size_t bankCount() const;
    std::size_t singleVoiceCount() const;
    // The n-th bank (0-based) among `found`, or nullptr.
    const FoundVoices *bank(std::size_t n) const;
    // The n-th single voice (0-based) among `found`, or nullptr.
    const FoundVoices *singleVoice(std::size_t n) const;
};

// --- Content tests for data that no header vouches for -------------------

// Whether 128 bytes look like one packed DX7 voice. Bit 7 of every
// parameter byte is ignored (the instrument's data bytes have seven bits,
// and banks from other tools often carry a stray bit 7); each field is
// taken with the mask the unpacking uses; then every parameter must lie
// within its range, and every name byte must be 0 or a character code
// (20h and above), not all of them 0.
bool LooksLikePackedVoice(std::span<const Byte, kPackedVoiceSize> packed);
// How many of the 32 packed voices from `offset` do not look like voices.
std::size_t PackedVoicesOutOfRange(std::span<const Byte> bytes, std::size_t offset);
// At most this many voices of an unpacked headerless bank may look wrong:
// real banks hold the odd broken voice, while other data read as voices
// fails in most of them.
inline constexpr std::size_t kMaxOddVoices = 8;
// Whether the 32 packed voices from `offset` are a bank read where it
// starts, told by comparing alignments: most of the voices read there look
// like voices, and more than twice as many as at any shifted reading of the
// same bytes (31 voices from offset + 1 .. offset + 127). Real banks hold
// many a broken voice, yet read a few bytes off they show almost none; data
// that is no bank (text, repeated bytes, a bank shifted) reads no better at
// its start than elsewhere. Needs the bytes up to offset + 4096.
bool LooksLikePackedBank(std::span<const Byte> bytes, std::size_t offset);
inline constexpr std::size_t kMinBankVoices = 16; // "most": at least half of 32
// How many of the 145 parameters of a record (name bytes not counted) lie
// outside their ranges, bit 7 ignored.
std::size_t RecordParametersOutOfRange(std::span<const Byte> record);
bool RecordParametersInRange(std::span<const Byte> record);
// At most this many parameters of one voice may lie outside their ranges:
// voices from other tools hold a few, while other data read as a voice
// (a bank, messages, text) breaks dozens.
inline constexpr std::size_t kMaxOddParameters = 16;

// A packed voice as a record: the import header F0 43 00 00 01 1B, then
// the unpacked parameters.
VoiceRecord RecordFromPacked(std::span<const Byte, kPackedVoiceSize> packed);

// --- The scan ----------------------------------------------------------------

// Format numbers (byte 3) of the maker's dumps (F0 43 0n ff hh ll ... sum F7).
namespace dump_format {
inline constexpr Byte kSingleVoice = 0x00;    // DX7 voice, 155 bytes
inline constexpr Byte kPerformance = 0x01;    // a performance (later models)
inline constexpr Byte kPerformances = 0x02;   // a bank of performances
inline constexpr Byte kFourOpVoice = 0x03;    // a voice of a four-operator instrument
inline constexpr Byte kFourOpBank = 0x04;     // 32 voices of a four-operator instrument
inline constexpr Byte kSupplementOne = 0x05;  // "ACED": one voice's supplement of a later model
inline constexpr Byte kSupplementBank = 0x06; // "AMEM": 32 voices' supplement of a later model
inline constexpr Byte kBank = 0x09;           // DX7 bank, 32 packed voices
inline constexpr Byte kUniversal = 0x7E;      // a named block ("LM  8973PM" ...)
} // namespace dump_format

// Sub-status (byte 2, high nibble) of the maker's dumps; parameter
// changes carry kParameterChangeSubStatus (voice/dx7_messages.h).
inline constexpr Byte kDumpSubStatus = 0x00;

inline constexpr std::size_t kSingleDumpSize = 163; // F0 43 0n 00 01 1B, 155 bytes, sum, F7
inline constexpr std::size_t kUnpackedVoiceSize = 155;
inline constexpr std::size_t kUnpackedBankSize = kUnpackedVoiceSize * kBankSlots; // 4960
// Files larger than this are no voice files; the scan refuses them whole.
inline constexpr std::size_t kMaxScanSize = 16 * 1024 * 1024;

// The scan of a whole file. `fileName` is used only for its ending: a name
// ending V32 or V01 (any case) is read as the program's own file of that
// kind first; any other name is scanned for messages, then for data
// without a header.
VoiceScan ScanVoiceFile(std::span<const Byte> bytes, std::string_view fileName);

// The reason as a phrase without the file's name, for a message that
// names the file: English for the command line ("holds a bank of a
// four-operator instrument", "cut off after voice 4"), Japanese for the
// windows ("4オペレーター機のバンクです").
std::string ScanReasonEnglish(ScanReason reason, std::size_t count);
std::string ScanReasonJapanese(ScanReason reason, std::size_t count);

// The packed body of a voice that decides its sound: packed offsets
// 0..117, every field masked to its width, the name (118..127) left out.
// Two voices with equal bodies sound the same.
inline constexpr std::size_t kSoundBodySize = 118;
using SoundBody = std::array<Byte, kSoundBodySize>;
SoundBody SoundBodyOf(const VoiceRecord &record);

} // namespace vox
