#pragma once
// Voice files on disk: the 32-voice file (.v32), the bank imports (names
// ending SYX, DX7, .32 and MID: every bank the scan of voice/voice_scan
// finds), the 1-voice file (.v01), the single-voice dump at the end of a
// MIDI file (MID) and single-voice dumps anywhere in a SYX file. Readers
// check length and structure first and return either the voices or the
// reason; nothing here touches the program's state, so a refused file
// changes nothing.

#include "text/ui_text.h"
#include "voice/voice.h"
#include "voice/voice_scan.h"       // VoiceRecord, BankRecords
#include "voice/voice_supplement.h" // SupplementCompanion

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace vox {

// Texts of the boxes raised for files; each names the file and the problem.
namespace file_text {
inline constexpr Text kNotFound = "ファイル「%F」が見つかりません";
inline constexpr Text kCannotRead = "ファイル「%F」を読み込めません（%D）";
inline constexpr Text kTooShort = "ファイル「%F」が短すぎます（%L バイトしかありません。%N バイト必要です）";
inline constexpr Text kTooLarge = "ファイル「%F」は大きすぎます（%L バイト）";
inline constexpr Text kNotBulkDump =
    "ファイル「%F」はＤＸ７の32音色バルクダンプではありません（先頭のバイトが %D です）";
inline constexpr Text kUnknownKind = "ファイル「%F」は読み込めない種類のファイルです（名前の終わりが "
                                     ".v32 .syx .dx7 .32 .mid のファイルを選んでください）";
inline constexpr Text kNotDx7VoiceFile = "このファイルはＤＸ７の音色ファイルではありません";
inline constexpr Text kNotSingleVoice =
    "ファイル「%F」はＤＸ７の1音色データではありません（先頭のバイトが %D です）";
inline constexpr Text kIsBank = "ファイル「%F」は32音色のバンクです（ﾌｧｲﾙ読込(32VOICE)で読み込んでください）";
inline constexpr Text kNotPackedBank =
    "ファイル「%F」はＤＸ７の32音色データではありません（32音色のうち %C 音色の値が範囲を外れています）";
inline constexpr Text kBytesPastBank =
    "ファイル「%F」は32音色のデータより %C バイト長く、音色がどこから始まるか分かりません（%L "
    "バイトあります）";
inline constexpr Text kBulkDumpCutOff =
    "ファイル「%F」の32音色バルクダンプは途中で切れています（チェックサムが合わず、終わりの F7 "
    "がありません）";
inline constexpr Text kBulkDumpBadVoices =
    "ファイル「%F」の32音色バルクダンプは壊れています（チェックサムが合わず、32音色のうち %C "
    "音色の値が範囲を外れています）";
inline constexpr Text kMessageInsideData =
    "ファイル「%F」は %C バイト目から別のメッセージが始まっていて、32音色のデータがそろっていません";
inline constexpr Text kVoiceOutOfRange =
    "ファイル「%F」はＤＸ７の1音色データではありません（音色の値のうち %C 個が範囲を外れています）";
inline constexpr Text kNotBankFile =
    "ファイル「%F」は32音色ファイルではありません（%C 番目の音色の先頭のバイトが %D です）";
// A file that gives no voice: the scan's reason, a phrase without the
// file's name (ScanReasonJapanese), put in as %R.
inline constexpr Text kScanRefused = "ファイル「%F」は%R";
inline constexpr Text kNoSuchBank = "ファイル「%F」には %C 番目のバンクがありません（バンクは %N 個です）";
inline constexpr Text kNoSuchVoice =
    "ファイル「%F」には %C 番目の1音色データがありません（1音色データは %N 個です）";
inline constexpr Text kIsSingleVoice =
    "ファイル「%F」は1音色のデータです（ﾌｧｲﾙ読込(1VOICE)で読み込んでください）";
inline constexpr Text kChecksumWrong =
    "ファイル「%F」のチェックサムが合いません。データが壊れているかもしれません";
inline constexpr Text kWriteFailed = "ファイル「%F」に保存できませんでした（%D）";
// System reasons.
inline constexpr Text kNoSuchFile = "ファイルがありません";
inline constexpr Text kAccessDenied = "アクセスが拒否されました";
inline constexpr Text kIsFolder = "フォルダです";
inline constexpr Text kNoSpace = "ディスクの空きがありません";
inline constexpr Text kFileTooLarge = "ファイルの大きさの上限を超えました";
inline constexpr Text kReadOnly = "書き込みできない場所です";
inline constexpr Text kNoFolder = "保存先のフォルダがありません";
inline constexpr Text kBadName = "ファイル名に使えない文字が含まれています";
} // namespace file_text

inline constexpr std::size_t kBankFileSize = kRecordSize * kBankSlots;          // 5152 bytes
inline constexpr std::size_t kBulkDumpDataEnd = kBulkDataPos + kPackedBankSize; // 4102
inline constexpr std::size_t kMidTailSize = 167; // the dump's first 161 bytes + checksum, F7, 4 more
inline constexpr std::size_t kMaxFileSize = 16 * 1024 * 1024; // bytes; no voice file comes near it

// How the 32-voice load reads a file: the last three characters of its
// name, upper-cased. Mid: the banks in a MIDI file's System Exclusive events.
enum class BankKind { V32, Syx, Dx7, Dot32, Mid, Other };
BankKind BankKindOfName(std::string_view fileName);

// How the 1-voice load reads a file. Names ending MID hold the dump at
// their end; names ending SYX must hold a single-voice dump; any other name
// is a 1-voice file read from offset 0.
enum class VoiceKind { V01, Mid, Syx };
VoiceKind VoiceKindOfName(std::string_view fileName);

// The last three characters of a name, ASCII upper-cased.
std::string NameKind(std::string_view fileName);

enum class ReadFailure {
    None,
    NotFound,
    CannotRead,
    TooShort,
    TooLarge,
    NotBulkDump,       // a SYX name without a DX7 32-voice bulk dump header
    UnknownKind,       // a 32-voice load of a name it has no reader for
    NotDx7VoiceFile,   // MID: no F0 43 where the dump must start
    NotSingleVoice,    // a 1-voice load of a System Exclusive file that is no single-voice dump
    IsBank,            // a 1-voice load of a 32-voice bank
    NotPackedBank,     // headerless data whose voices do not look like voices (count: how many)
    BytesPastBank,     // headerless data or a .v32 with a voice's worth or more after it (count: bytes)
    BulkDumpCutOff,    // a bulk dump with a wrong checksum, not ending as a dump ends
    BulkDumpBadVoices, // a bulk dump with a wrong checksum whose voices do not look like voices (count)
    MessageInsideData, // headerless data or a dump with a wrong checksum with F0 inside (count: its place,
                       // from 1)
    VoiceOutOfRange,   // one voice with more parameters out of range than a voice holds (count)
    NotBankFile,       // a .v32 record that starts as no slot does (count: the record, detail: its bytes)
    ScanRefused,       // no voice in the file: `reason` and `count` say why
    NoSuchBank,        // a bank chosen past the banks found (count: the one chosen, from 1; needed: how many)
    NoSuchVoice,       // a single voice chosen past those found (count: from 1; needed: how many)
    IsSingleVoice,     // a 32-voice load of a file that holds single voices only
};

struct ReadError {
    ReadFailure failure = ReadFailure::None;
    std::filesystem::path file;
    std::size_t length = 0;               // bytes in the file
    std::size_t needed = 0;               // bytes its kind needs
    std::size_t count = 0;                // voices, bytes or record number, as the failure says
    std::string detail;                   // the first bytes found, or the system's reason
    ScanReason reason = ScanReason::None; // ScanRefused: why the file gives no voice
};

// The Japanese text for a box.
std::string ReadErrorMessage(const ReadError &error);

template <class T> struct ReadResult {
    T value{};
    ReadError error;
    // Taken although the checksum of the dump it came from disagrees: the
    // data may be damaged (the instrument shows CHECK SUM ERROR for it).
    bool checksumWrong = false;
    bool ok() const { return error.failure == ReadFailure::None; }
};

// The warning said wherever such a dump is taken, naming the file.
std::string ChecksumWarning(const std::filesystem::path &file); // Japanese, for the windows

// The whole file, at most kMaxFileSize bytes.
ReadResult<std::vector<Byte>> ReadFileBytes(const std::filesystem::path &file);

// A DX7 32-voice bulk dump header: F0 43, sub-status 0 on any channel,
// format 09. The byte count is not looked at (many files say 10 00).
bool IsBulkDumpHeader(std::span<const Byte> bytes);
// A DX7 single-voice dump header: F0 43, sub-status 0 on any channel, format 00.
bool IsSingleVoiceHeader(std::span<const Byte> bytes);

// The content tests (LooksLikePackedVoice, PackedVoicesOutOfRange,
// RecordParametersOutOfRange, kMaxOddVoices, kMaxOddParameters) and
// RecordFromPacked live in voice/voice_scan.h.

// Messages show a file's start as up to its first six bytes in hex
// ("F0 43 10 00 …", HexBytes).
inline constexpr std::size_t kStartShown = 6;

// Where the packed data of a bank file starts, or the reason it has none.
// Sets `offset` on success.
ReadError LocatePackedBank(std::span<const Byte> bytes, BankKind kind, const std::filesystem::path &file,
                           std::size_t &offset);

// `bank`: which of the banks the file holds, from 0 in file order. A .v32
// is one bank. The other names take every bank the scan finds; where it
// finds none, the bytes are read as before (a dump at the start, packed
// data from offset 0) so a file loaded before still loads.
ReadResult<BankRecords> DecodeBank(std::span<const Byte> bytes, BankKind kind,
                                   const std::filesystem::path &file, std::size_t bank = 0);
ReadResult<BankRecords> ReadBankFile(const std::filesystem::path &file, BankKind kind, std::size_t bank = 0);

// What a file holds, for a load to ask before it reads: its banks and
// single voices (VoiceScan::bankCount, singleVoiceCount) or why none. The
// error is set only when the file cannot be read.
ReadResult<VoiceScan> ScanFile(const std::filesystem::path &file);

// Where the 161-byte record of a 1-voice load starts, or the reason.
ReadError LocateVoiceRecord(std::span<const Byte> bytes, VoiceKind kind, const std::filesystem::path &file,
                            std::size_t &offset);

// `voice`: which single voice, from 0 in file order. SYX takes a
// single-voice dump wherever it stands in the file; MID takes the dump at
// its end first (voice 0), then the single-voice dumps of its events.
ReadResult<VoiceRecord> DecodeVoice(std::span<const Byte> bytes, VoiceKind kind,
                                    const std::filesystem::path &file, std::size_t voice = 0);
ReadResult<VoiceRecord> ReadVoiceFile(const std::filesystem::path &file, VoiceKind kind,
                                      std::size_t voice = 0);

// Positions 0..160 of the slot; 161..163 keep what they hold.
void StoreRecord(const VoiceRecord &record, std::span<Byte, kSlotSize> slot);
// Slots 1..32.
void StoreBank(const BankRecords &bank, VoiceTable &table);

// 5152 bytes: slots 1..32, each as the single-voice header F0 43 00 00 01 1B
// and positions 6..160 as VoiceOnTheWire gives them (bit 7 dropped, as in
// every dump the program writes or sends).
std::vector<Byte> EncodeBankFile(const VoiceTable &table);
// 161 bytes: one slot the same way.
std::vector<Byte> EncodeVoiceFile(std::span<const Byte, kSlotSize> slot);

// SupplementCompanion, the file beside a .v32 that keeps its additional
// data, lives in voice/voice_supplement.h: the library pairs them too.

struct WriteResult {
    bool ok = false;
    std::string reason;    // Japanese, for the box
    std::error_code error; // the system's own reason
};

// Writes the bytes to a temporary file beside the target and renames it
// over the target once complete: a failed or interrupted save leaves the
// old file as it was and no temporary file behind.
WriteResult WriteFileReplacing(const std::filesystem::path &file, std::span<const Byte> bytes);

std::string WriteErrorMessage(const std::filesystem::path &file, const std::string &reason);

// Japanese text for a system error.
std::string SystemReason(std::error_code ec);

} // namespace vox
