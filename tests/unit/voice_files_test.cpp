// GIVEN / WHEN / THEN tests of the voice file readers and writers.
#include "file_test_support.h"
#include "files/voice_files.h"
#include "midi/midi_output.h"
#include "voice/bank_format.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace vox {
namespace {

using test::ReadBytes;
using test::WriteBytes;

std::vector<Byte> BulkDumpOf(const VoiceTable &table) {
    const BulkMessage message = BuildBulkMessage(table);
    return std::vector<Byte>(message.begin(), message.end());
}

VoiceTable DistinctBank() {
    VoiceTable table;
    for (int n = 1; n <= 32; ++n)
        table[static_cast<std::size_t>(n)] = test::DistinctVoice(n);
    return table;
}

// The record an import makes of slot n of `table`: the import header,
// then the parameters.
VoiceRecord ImportedRecord(const VoiceTable &table, std::size_t n) {
    VoiceRecord record{};
    for (std::size_t i = 0; i < 6; ++i)
        record[i] = kVoiceHeader[i];
    for (std::size_t i = kParamBase; i < kRecordSize; ++i)
        record[i] = table[n][i];
    return record;
}

TEST(BankKindOfName, UsesTheLastThreeCharactersInAnyCase) {
    const std::pair<const char *, BankKind> kNames[] = {
        {"bank.v32", BankKind::V32}, {"BANK.V32", BankKind::V32}, {"dump.SyX", BankKind::Syx},
        {"dumpsyx", BankKind::Syx}, // only the last three characters count
        {"x.Dx7", BankKind::Dx7},    {"x.32", BankKind::Dot32},   {"x.132", BankKind::Other},
        {"x.mid", BankKind::Mid},    {"X.MiD", BankKind::Mid},    {"ab", BankKind::Other},
    };
    for (const auto &[name, kind] : kNames)
        EXPECT_EQ(BankKindOfName(name), kind) << name;
}

TEST(VoiceKindOfName, TreatsMidInAnyCaseAsTheDumpAtTheEnd) {
    const std::pair<const char *, VoiceKind> kNames[] = {
        {"song.mid", VoiceKind::Mid},  {"song.Mid", VoiceKind::Mid},  {"song.MID", VoiceKind::Mid},
        {"voice.v01", VoiceKind::V01}, {"voice.bin", VoiceKind::V01}, {"voice.syx", VoiceKind::Syx},
    };
    for (const auto &[name, kind] : kNames)
        EXPECT_EQ(VoiceKindOfName(name), kind) << name;
}

// A record as the program writes it: its own single-voice header, then the
// data bytes as a cable carries them (bit 7 dropped).
Byte AsWritten(std::span<const Byte> slot, std::size_t pos) {
    return pos < kVoiceHeader.size() ? kVoiceHeader[pos] : static_cast<Byte>(slot[pos] & 0x7F);
}

TEST(EncodeBankFile, WritesSlotsOneTo32InOrderUnderTheProgramsOwnHeader) {
    const VoiceTable table = DistinctBank();
    const std::vector<Byte> bytes = EncodeBankFile(table);
    ASSERT_EQ(bytes.size(), 5152u);
    for (std::size_t n = 1; n <= 32; ++n)
        for (std::size_t i = 0; i < 161; ++i)
            ASSERT_EQ(bytes[(n - 1) * 161 + i], AsWritten(table[n], i)) << n << ":" << i;
}

TEST(DecodeBank, ReadsAV32FileBackByteForByte) {
    const VoiceTable table = DistinctBank();
    const auto bank = DecodeBank(EncodeBankFile(table), BankKind::V32, "b.v32");
    ASSERT_TRUE(bank.ok());
    for (std::size_t n = 1; n <= 32; ++n)
        for (std::size_t i = 0; i < 161; ++i)
            ASSERT_EQ(bank.value[n - 1][i], AsWritten(table[n], i));
}

TEST(DecodeBank, RefusesAV32FileShorterThan5152Bytes) {
    std::vector<Byte> bytes = EncodeBankFile(DistinctBank());
    bytes.pop_back();
    const auto bank = DecodeBank(bytes, BankKind::V32, "/x/short.v32");
    EXPECT_EQ(bank.error.failure, ReadFailure::TooShort);
    EXPECT_EQ(ReadErrorMessage(bank.error),
              "ファイル「/x/short.v32」が短すぎます（5151 バイトしかありません。5152 バイト必要です）");
}

TEST(DecodeBank, UnpacksABulkDumpWithTheImportHeader) {
    const VoiceTable table = DistinctBank();
    const auto bank = DecodeBank(BulkDumpOf(table), BankKind::Syx, "b.syx");
    ASSERT_TRUE(bank.ok());
    for (std::size_t n = 1; n <= 32; ++n)
        EXPECT_EQ(bank.value[n - 1], ImportedRecord(table, n)) << n;
}

TEST(DecodeBank, AcceptsAnyChannelAByteCountOf1000AWrongChecksumAndASecondDump) {
    const VoiceTable table = DistinctBank();
    std::vector<Byte> bytes = BulkDumpOf(table);
    bytes[2] = 0x05;     // channel 6
    bytes[4] = 0x10;     // byte count 10 00
    bytes[4102] ^= 0x33; // wrong checksum
    std::vector<Byte> second = BulkDumpOf(VoiceTable{});
    bytes.insert(bytes.end(), second.begin(), second.end());
    const auto bank = DecodeBank(bytes, BankKind::Syx, "b.syx");
    ASSERT_TRUE(bank.ok());
    EXPECT_EQ(bank.value[0], ImportedRecord(table, 1)) << "the first dump is read";
    EXPECT_EQ(bank.value[31], ImportedRecord(table, 32));
}

TEST(DecodeBank, KeepsWholeBytesWithBit7SetAndMasksBitFields) {
    std::vector<Byte> bytes = BulkDumpOf(DistinctBank());
    bytes[kBulkDataPos + 0] = 0xE3;   // voice 1, operator 6 rate 1: a whole byte
    bytes[kBulkDataPos + 118] = 0xF0; // voice 1, first name character
    bytes[kBulkDataPos + 11] = 0xFF;  // voice 1, operator 6 curves
    const auto bank = DecodeBank(bytes, BankKind::Syx, "b.syx");
    ASSERT_TRUE(bank.ok());
    EXPECT_EQ(bank.value[0][ParamPos(BlockParamNumber(0, OpParam::Rate1))], 0xE3);
    EXPECT_EQ(bank.value[0][kNamePos], 0xF0);
    EXPECT_EQ(bank.value[0][ParamPos(BlockParamNumber(0, OpParam::LeftCurve))], 3);
    EXPECT_EQ(bank.value[0][ParamPos(BlockParamNumber(0, OpParam::RightCurve))], 3);
}

TEST(DecodeBank, ReadsA4096ByteSyxFileAsAHeaderlessBank) {
    const VoiceTable table = DistinctBank();
    std::vector<Byte> dump = BulkDumpOf(table);
    const std::vector<Byte> packed(dump.begin() + 6, dump.begin() + 4102);
    const auto bank = DecodeBank(packed, BankKind::Syx, "b.syx");
    ASSERT_TRUE(bank.ok());
    EXPECT_EQ(bank.value[0], ImportedRecord(table, 1));
    EXPECT_EQ(bank.value[31], ImportedRecord(table, 32));
}

TEST(DecodeBank, RefusesASyxFileWhoseHeaderIsNoDx7BulkDump) {
    std::vector<Byte> bytes = BulkDumpOf(DistinctBank());
    bytes[3] = 0x04; // a four-operator instrument's bank
    auto bank = DecodeBank(bytes, BankKind::Syx, "/f/four.syx");
    EXPECT_EQ(bank.error.failure, ReadFailure::ScanRefused);
    EXPECT_EQ(bank.error.reason, ScanReason::FourOperatorBank);
    EXPECT_EQ(ReadErrorMessage(bank.error), "ファイル「/f/four.syx」は4オペレーター機のバンクです");
    bytes[3] = 0x09;
    bytes[2] = 0x10; // a parameter change, not a dump
    EXPECT_EQ(DecodeBank(bytes, BankKind::Syx, "p.syx").error.failure, ReadFailure::NotBulkDump);
    bytes[2] = 0x00;
    bytes[1] = 0x41; // another maker
    EXPECT_EQ(DecodeBank(bytes, BankKind::Syx, "r.syx").error.failure, ReadFailure::NotBulkDump);
}

TEST(DecodeBank, RefusesABulkDumpCutOffBeforeItsLastPackedByte) {
    std::vector<Byte> bytes = BulkDumpOf(DistinctBank());
    bytes.resize(4101);
    const auto bank = DecodeBank(bytes, BankKind::Syx, "cut.syx");
    EXPECT_EQ(bank.error.failure, ReadFailure::TooShort);
    EXPECT_EQ(bank.error.needed, 4102u);
    bytes.resize(4102); // the checksum and F7 may be missing
    EXPECT_TRUE(DecodeBank(bytes, BankKind::Syx, "cut.syx").ok());
}

TEST(DecodeBank, ReadsDx7AndDot32FilesFromOffsetZero) {
    const VoiceTable table = DistinctBank();
    std::vector<Byte> dump = BulkDumpOf(table);
    std::vector<Byte> packed(dump.begin() + 6, dump.begin() + 4102);
    packed.push_back(0x55); // trailing bytes are not read
    for (BankKind kind : {BankKind::Dx7, BankKind::Dot32}) {
        const auto bank = DecodeBank(packed, kind, "b");
        ASSERT_TRUE(bank.ok());
        EXPECT_EQ(bank.value[0], ImportedRecord(table, 1));
        EXPECT_EQ(bank.value[31], ImportedRecord(table, 32));
    }
    packed.resize(4095);
    EXPECT_EQ(DecodeBank(packed, BankKind::Dx7, "b.dx7").error.failure, ReadFailure::TooShort);
}

TEST(DecodeBank, ReadsAWholeBulkDumpNamedDx7PastItsHeader) {
    const VoiceTable table = DistinctBank();
    const auto bank = DecodeBank(BulkDumpOf(table), BankKind::Dx7, "b.dx7");
    ASSERT_TRUE(bank.ok());
    EXPECT_EQ(bank.value[0], ImportedRecord(table, 1)) << "not shifted by the six header bytes";
}

// --- Headerless data and broken dumps: only voices load ------------------------

std::vector<Byte> PackedOf(const VoiceTable &table) {
    const std::vector<Byte> dump = BulkDumpOf(table);
    return std::vector<Byte>(dump.begin() + 6, dump.begin() + 4102);
}

TEST(LooksLikePackedVoice, TakesAVoiceWithinItsRangesAndIgnoresBit7) {
    VoiceTable table = DistinctBank();
    std::vector<Byte> packed = PackedOf(table);
    auto voice1 = [&] { return std::span<const Byte, 128>(packed.data(), 128); };
    EXPECT_TRUE(LooksLikePackedVoice(voice1()));
    packed[112] |= 0x80; // LFO speed with a stray bit 7, as in many banks
    packed[120] = 0x00;  // a NUL in the name
    EXPECT_TRUE(LooksLikePackedVoice(voice1()));
    packed[110] = 32; // algorithm 33
    EXPECT_FALSE(LooksLikePackedVoice(voice1()));
    packed = PackedOf(table);
    packed[117] = 49; // transpose past C5
    EXPECT_FALSE(LooksLikePackedVoice(voice1()));
    packed = PackedOf(table);
    packed[12] = 0x78; // detune 15
    EXPECT_FALSE(LooksLikePackedVoice(voice1()));
    packed = PackedOf(table);
    packed[118] = 0x18; // a control character in the name
    EXPECT_FALSE(LooksLikePackedVoice(voice1()));
    packed = PackedOf(table);
    std::fill(packed.begin() + 118, packed.begin() + 128, 0);
    EXPECT_FALSE(LooksLikePackedVoice(voice1())) << "ten NULs name no voice";
}

TEST(DecodeBank, RefusesABulkDumpCutAtExactly4096BytesUnderEveryBankName) {
    // GIVEN the first 4096 bytes of a bulk dump: header and all but the
    // last six packed bytes
    std::vector<Byte> cut = BulkDumpOf(DistinctBank());
    cut.resize(4096);
    // WHEN it is read under each bank name THEN it is refused as cut off,
    // never read as a headerless bank shifted by six bytes
    for (BankKind kind : {BankKind::Syx, BankKind::Dx7, BankKind::Dot32}) {
        const auto bank = DecodeBank(cut, kind, "/b/cut.syx");
        EXPECT_EQ(bank.error.failure, ReadFailure::TooShort);
        EXPECT_EQ(ReadErrorMessage(bank.error),
                  "ファイル「/b/cut.syx」が短すぎます（4096 バイトしかありません。4102 バイト必要です）");
    }
}

TEST(ReadBankFile, RefusesTheRealBulkDumpCutAt4096NamingIt) {
    const auto file = test::TestData("bulk-cut-at-4096.syx");
    ASSERT_EQ(test::ReadBytes(file).size(), 4096u) << "cannot read the test file " << file;
    const auto bank = ReadBankFile(file, BankKindOfName(file.filename().string()));
    EXPECT_EQ(bank.error.failure, ReadFailure::TooShort);
    EXPECT_EQ(ReadErrorMessage(bank.error),
              "ファイル「" + file.string() +
                  "」が短すぎます（4096 バイトしかありません。4102 バイト必要です）");
}

TEST(ReadBankFile, ReadsTheRealHeaderlessBankExactlyUnderEveryBankName) {
    const auto file = test::TestData("headerless-4096.syx");
    const std::vector<Byte> bytes = test::ReadBytes(file);
    ASSERT_EQ(bytes.size(), 4096u) << "cannot read the test file " << file;
    for (BankKind kind : {BankKind::Syx, BankKind::Dx7, BankKind::Dot32}) {
        const auto bank = DecodeBank(bytes, kind, file);
        ASSERT_TRUE(bank.ok()) << ReadErrorMessage(bank.error);
        for (std::size_t v = 0; v < 32; ++v)
            EXPECT_EQ(bank.value[v],
                      RecordFromPacked(std::span<const Byte, 128>(bytes.data() + 128 * v, 128)))
                << "voice " << v + 1;
    }
}

TEST(DecodeBank, RefusesHeaderlessDataThatHoldsNoVoices) {
    // GIVEN 4096 bytes of text, of a bank read six bytes off, and of a
    // message that is not a bank
    std::vector<Byte> text(4096);
    const std::string line = "A DX7 bank is not this text. ";
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<Byte>(line[i % line.size()]);
    const std::vector<Byte> packed = PackedOf(DistinctBank());
    std::vector<Byte> shifted(packed.begin() + 6, packed.end());
    shifted.insert(shifted.end(), packed.begin(), packed.begin() + 6);
    std::vector<Byte> other = packed;
    other[0] = 0xF0;
    // WHEN each is read as a headerless bank THEN it is refused naming the file
    for (BankKind kind : {BankKind::Syx, BankKind::Dx7, BankKind::Dot32}) {
        const auto refused = DecodeBank(text, kind, "/b/text.dx7");
        EXPECT_EQ(refused.error.failure, ReadFailure::NotPackedBank);
        EXPECT_EQ(ReadErrorMessage(refused.error),
                  "ファイル「/b/text.dx7」はＤＸ７の32音色データではありません（32音色のうち 32 "
                  "音色の値が範囲を外れています）");
        EXPECT_EQ(DecodeBank(shifted, kind, "s").error.failure, ReadFailure::NotPackedBank);
        EXPECT_EQ(DecodeBank(other, kind, "o").error.failure, ReadFailure::NotBulkDump);
    }
}

TEST(DecodeBank, TakesAHeaderlessBankWithOddVoicesButNotWhenMostAreOdd) {
    // GIVEN a headerless bank in which some voices hold values out of range
    std::vector<Byte> packed = PackedOf(DistinctBank());
    for (std::size_t v = 0; v < kMaxOddVoices + 1; ++v)
        packed[128 * v + 110] = 0x7F; // algorithm 128
    // WHEN it is read THEN the odd voices are taken as they are
    const auto bank = DecodeBank(packed, BankKind::Dx7, "b.dx7");
    ASSERT_TRUE(bank.ok()) << ReadErrorMessage(bank.error);
    EXPECT_EQ(bank.value[0][ParamPos(param::Algorithm)], 0x7F) << "nothing is changed on the way in";
    // AND fewer than half good voices make the data no bank
    for (std::size_t v = kMaxOddVoices + 1; v <= kBankSlots - kMinBankVoices; ++v)
        packed[128 * v + 110] = 0x7F;
    EXPECT_EQ(DecodeBank(packed, BankKind::Dx7, "b.dx7").error.failure, ReadFailure::NotPackedBank);
}

TEST(DecodeBank, RefusesHeaderlessDataWithAWholeVoiceOrMoreBehindIt) {
    // GIVEN a headerless bank with bytes after it
    std::vector<Byte> packed = PackedOf(DistinctBank());
    packed.resize(4096 + 127, 0x55);
    // WHEN fewer than one voice follow THEN the bank loads
    EXPECT_TRUE(DecodeBank(packed, BankKind::Dx7, "b.dx7").ok());
    // WHEN a voice's worth follows THEN the start of the bank is in doubt
    packed.push_back(0x55);
    const auto refused = DecodeBank(packed, BankKind::Dot32, "/b/long.32");
    EXPECT_EQ(refused.error.failure, ReadFailure::BytesPastBank);
    EXPECT_EQ(ReadErrorMessage(refused.error),
              "ファイル「/b/long.32」は32音色のデータより 128 "
              "バイト長く、音色がどこから始まるか分かりません（4224 バイトあります）");
}

TEST(DecodeBank, TakesAWrongChecksumOnlyFromADumpThatEndsAsADumpAndHoldsVoices) {
    const std::vector<Byte> dump = BulkDumpOf(DistinctBank());
    // GIVEN a dump cut off and followed by another whole dump
    std::vector<Byte> cut(dump.begin(), dump.begin() + 3000);
    cut.insert(cut.end(), dump.begin(), dump.end());
    // THEN the whole dump is taken, never the cut one's bytes
    const auto second = DecodeBank(cut, BankKind::Syx, "/b/cut.syx");
    ASSERT_TRUE(second.ok()) << ReadErrorMessage(second.error);
    EXPECT_EQ(second.value[0], ImportedRecord(DistinctBank(), 1));
    EXPECT_EQ(second.value[31], ImportedRecord(DistinctBank(), 32));
    // GIVEN a dump cut off and followed by a parameter change and other bytes
    cut.resize(3000);
    const std::vector<Byte> change{0xF0, 0x43, 0x10, 0x19, 0x4D, 0x00, 0xF7};
    cut.insert(cut.end(), change.begin(), change.end());
    cut.resize(4104, 0x20);
    // THEN it is refused: its last voices would be the next message's bytes
    const auto refused = DecodeBank(cut, BankKind::Syx, "/b/cut.syx");
    EXPECT_EQ(refused.error.failure, ReadFailure::MessageInsideData);
    EXPECT_EQ(ReadErrorMessage(refused.error),
              "ファイル「/b/cut.syx」は 3001 "
              "バイト目から別のメッセージが始まっていて、32音色のデータがそろっていません");
    // GIVEN a dump cut off and followed by other bytes
    std::vector<Byte> text(dump.begin(), dump.begin() + 3000);
    for (int i = 0; i < 1200; ++i)
        text.push_back(static_cast<Byte>("voices "[i % 7]));
    const auto noEnd = DecodeBank(text, BankKind::Syx, "/b/text.syx");
    EXPECT_EQ(noEnd.error.failure, ReadFailure::BulkDumpCutOff);
    EXPECT_EQ(
        ReadErrorMessage(noEnd.error),
        "ファイル「/b/text.syx」の32音色バルクダンプは途中で切れています（チェックサムが合わず、終わりの F7 "
        "がありません）");
    // GIVEN a dump that ends as a dump, with a wrong checksum and no voices
    std::vector<Byte> garbage = dump;
    for (std::size_t i = 6; i < 4102; ++i)
        garbage[i] = static_cast<Byte>(0x70 + i % 16);
    const auto broken = DecodeBank(garbage, BankKind::Syx, "/b/g.syx");
    EXPECT_EQ(broken.error.failure, ReadFailure::BulkDumpBadVoices);
    EXPECT_EQ(ReadErrorMessage(broken.error),
              "ファイル「/b/g.syx」の32音色バルクダンプは壊れています（チェックサムが合わず、32音色のうち 32 "
              "音色の値が範囲を外れています）");
    // AND the same bytes with their right checksum load as they are
    garbage[4102] = ChecksumOf(std::span<const Byte>(garbage).subspan(6, 4096));
    EXPECT_TRUE(DecodeBank(garbage, BankKind::Syx, "g.syx").ok());
    // AND a dump without checksum or F7 loads
    std::vector<Byte> short1(dump.begin(), dump.begin() + 4102);
    EXPECT_TRUE(DecodeBank(short1, BankKind::Syx, "n.syx").ok());
    short1.push_back(0x00); // a wrong checksum, no F7
    EXPECT_TRUE(DecodeBank(short1, BankKind::Syx, "n.syx").ok());
}

TEST(DecodeBank, RefusesAV32WhoseRecordsDoNotStartAsTheProgramLeavesASlot) {
    // GIVEN a text file of 5152 bytes named .v32
    std::vector<Byte> text(5152);
    const std::string line = "Thirty-two voices? No. ";
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<Byte>(line[i % line.size()]);
    const auto refused = DecodeBank(text, BankKind::V32, "/b/t.v32");
    EXPECT_EQ(refused.error.failure, ReadFailure::NotBankFile);
    EXPECT_EQ(ReadErrorMessage(refused.error), "ファイル「/b/t.v32」は32音色ファイルではありません（1 "
                                               "番目の音色の先頭のバイトが 54 68 69 72 74 79 です）");
    // GIVEN the program's own file with slots never filled (zero headers)
    VoiceTable table = DistinctBank();
    for (std::size_t i = 0; i < 6; ++i)
        table[5][i] = 0;
    table[6].fill(0);
    const std::vector<Byte> own = EncodeBankFile(table);
    EXPECT_TRUE(DecodeBank(own, BankKind::V32, "own.v32").ok());
    // AND a record that starts mid-voice is refused
    std::vector<Byte> shifted(own.begin(), own.begin() + 161 * 7);
    shifted.insert(shifted.end(), own.begin() + 161 * 7 + 3, own.end());
    shifted.insert(shifted.end(), {0, 0, 0});
    const auto bad = DecodeBank(shifted, BankKind::V32, "s.v32");
    EXPECT_EQ(bad.error.failure, ReadFailure::NotBankFile);
    EXPECT_EQ(bad.error.count, 8u);
    // AND a whole record or more after the 32 leaves the start in doubt
    std::vector<Byte> longer = own;
    longer.resize(5152 + 161, 0xF0);
    EXPECT_EQ(DecodeBank(longer, BankKind::V32, "l.v32").error.failure, ReadFailure::BytesPastBank);
}

TEST(DecodeVoice, TakesTheFirst161BytesOfAFileWithASingleVoiceHeader) {
    // GIVEN a voice as the instrument sends it on channel 6, with a byte
    // count nobody looks at and bytes with bit 7 set among its data
    Slot slot = test::DistinctVoice(3);
    slot[2] = 0x05;
    slot[4] = 0x7F;
    slot[kNamePos] = 0xE9;
    slot[ParamPos(param::LfoSpeed)] = 0x8F;
    std::vector<Byte> bytes(slot.begin(), slot.begin() + 163);
    // WHEN it is read as a 1-voice file
    const auto voice = DecodeVoice(bytes, VoiceKind::V01, "v.v01");
    // THEN its first 161 bytes are taken as they stand
    ASSERT_TRUE(voice.ok()) << ReadErrorMessage(voice.error);
    for (std::size_t i = 0; i < 161; ++i)
        EXPECT_EQ(voice.value[i], bytes[i]) << i;
}

TEST(DecodeVoice, TakesTheFileTheProgramWritesForAVoiceFromAnEmptySlot) {
    // GIVEN the 1-voice file of a voice whose slot was never filled (no
    // initial voice file at start): a header of six zero bytes
    const std::vector<Byte> empty(161, 0);
    std::vector<Byte> edited = empty;
    const Slot init = test::DistinctVoice(9);
    std::copy(init.begin() + kParamBase, init.begin() + kRecordSize, edited.begin() + kParamBase);
    // WHEN each is read as a 1-voice file THEN it loads as it is
    for (const auto &bytes : {empty, edited}) {
        const auto voice = DecodeVoice(bytes, VoiceKind::V01, "empty.v01");
        ASSERT_TRUE(voice.ok()) << ReadErrorMessage(voice.error);
        EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), voice.value.begin()));
    }
    // AND with a parameter out of its range it is no voice file
    edited[ParamPos(param::Algorithm)] = 40;
    EXPECT_EQ(DecodeVoice(edited, VoiceKind::V01, "e.v01").error.failure, ReadFailure::NotSingleVoice);
}

TEST(DecodeVoice, RefusesA1VoiceFileWithoutTheSingleVoiceHeaderNamingIt) {
    // GIVEN files of 161 bytes and more that are no voice
    std::vector<Byte> text(300);
    const std::string line = "Dear diary, today I bought a DX7. ";
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<Byte>(line[i % line.size()]);
    std::vector<Byte> change(161, 0x20);
    const Byte parameterChange[] = {0xF0, 0x43, 0x10, 0x19, 0x4D, 0x00, 0xF7};
    std::copy(std::begin(parameterChange), std::end(parameterChange), change.begin());
    std::vector<Byte> midiFile(200, 0);
    const char mthd[] = "MThd";
    std::copy(mthd, mthd + 4, midiFile.begin());
    // WHEN each is read as a 1-voice file THEN it is refused with the name
    const auto refused = DecodeVoice(text, VoiceKind::V01, "/v/diary.v01");
    EXPECT_EQ(refused.error.failure, ReadFailure::NotSingleVoice);
    EXPECT_EQ(ReadErrorMessage(refused.error),
              "ファイル「/v/diary.v01」はＤＸ７の1音色データではありません（先頭のバイトが 44 65 61 72 20 64 "
              "です）");
    EXPECT_EQ(DecodeVoice(change, VoiceKind::V01, "c.v01").error.failure, ReadFailure::NotSingleVoice);
    EXPECT_EQ(DecodeVoice(midiFile, VoiceKind::V01, "m.v01").error.failure, ReadFailure::NotSingleVoice);
}

TEST(DecodeVoice, RefusesOtherDataBehindASingleVoiceHeader) {
    // GIVEN a single-voice header followed by parameter changes, and one
    // followed by the packed bytes of a bank
    std::vector<Byte> changes = test::ReadBytes(test::TestData("parameter-changes-only.syx"));
    ASSERT_EQ(changes.size(), 168u) << "cannot read the test file parameter-changes-only.syx";
    changes[2] = 0x00; // F0 43 10 19 ... now reads F0 43 00 19
    changes[3] = 0x00;
    std::vector<Byte> bank = BulkDumpOf(DistinctBank());
    bank[3] = 0x00;
    // WHEN each is read as one voice THEN it is refused naming the file
    for (VoiceKind kind : {VoiceKind::V01, VoiceKind::Syx}) {
        const auto refused = DecodeVoice(changes, kind, "/v/p.syx");
        EXPECT_EQ(refused.error.failure, ReadFailure::VoiceOutOfRange);
        EXPECT_NE(ReadErrorMessage(refused.error)
                      .find("ファイル「/v/p.syx」はＤＸ７の1音色データではありません（音色の値のうち "),
                  std::string::npos)
            << ReadErrorMessage(refused.error);
        EXPECT_EQ(DecodeVoice(bank, kind, "b").error.failure, ReadFailure::VoiceOutOfRange);
    }
    // AND a voice with a few values out of range, as other tools make
    // them, still loads as it is
    Slot odd = test::DistinctVoice(2);
    for (int p = 0; p < static_cast<int>(kMaxOddParameters); ++p)
        odd[ParamPos(p * 9)] = 0x7F;
    const auto dump = BuildVoiceDump(odd);
    std::vector<Byte> bytes(dump.begin(), dump.end());
    for (int p = 0; p < static_cast<int>(kMaxOddParameters); ++p)
        bytes[ParamPos(p * 9)] = 0x7F;
    const auto voice = DecodeVoice(bytes, VoiceKind::Syx, "odd.syx");
    ASSERT_TRUE(voice.ok()) << ReadErrorMessage(voice.error);
    EXPECT_EQ(voice.value[ParamPos(0)], 0x7F);
}

TEST(ReadVoiceFile, RefusesTheTextFileNamedV01WithAMessageNamingIt) {
    const auto file = test::TestData("text-file-named.v01");
    ASSERT_EQ(test::ReadBytes(file).size(), 200u) << "cannot read the test file " << file;
    const auto voice = ReadVoiceFile(file, VoiceKindOfName(file.filename().string()));
    EXPECT_EQ(voice.error.failure, ReadFailure::NotSingleVoice);
    EXPECT_EQ(ReadErrorMessage(voice.error),
              "ファイル「" + file.string() +
                  "」はＤＸ７の1音色データではありません（先頭のバイトが 54 68 69 73 20 69 です）");
}

TEST(DecodeVoice, RefusesA1VoiceFileShorterThan161Bytes) {
    const auto voice = DecodeVoice(std::vector<Byte>(160, 1), VoiceKind::V01, "/v/short.v01");
    EXPECT_EQ(voice.error.failure, ReadFailure::TooShort);
    EXPECT_EQ(ReadErrorMessage(voice.error),
              "ファイル「/v/short.v01」が短すぎます（160 バイトしかありません。161 バイト必要です）");
}

TEST(DecodeVoice, RefusesABankTakenForOneVoice) {
    const std::vector<Byte> dump = BulkDumpOf(DistinctBank());
    EXPECT_EQ(DecodeVoice(dump, VoiceKind::V01, "b.v01").error.failure, ReadFailure::IsBank);
    EXPECT_EQ(DecodeVoice(dump, VoiceKind::Syx, "b.syx").error.failure, ReadFailure::IsBank);
    const std::vector<Byte> headerless(dump.begin() + 6, dump.begin() + 4102);
    EXPECT_EQ(DecodeVoice(headerless, VoiceKind::Syx, "h.syx").error.failure, ReadFailure::IsBank);
}

TEST(DecodeVoice, ReadsASingleVoiceDumpNamedSyxAndRefusesOtherMessages) {
    const auto built = BuildVoiceDump(test::DistinctVoice(4));
    std::vector<Byte> dump(built.begin(), built.end());
    ASSERT_TRUE(DecodeVoice(dump, VoiceKind::Syx, "v.syx").ok());
    dump[2] = 0x10; // parameter change
    const auto refused = DecodeVoice(dump, VoiceKind::Syx, "/p/v.syx");
    EXPECT_EQ(refused.error.failure, ReadFailure::NotSingleVoice);
    EXPECT_EQ(
        ReadErrorMessage(refused.error),
        "ファイル「/p/v.syx」はＤＸ７の1音色データではありません（先頭のバイトが F0 43 10 00 01 1B です）");
}

// A 200-byte MIDI file whose single-voice dump starts at offset 33.
std::vector<Byte> MidFile(Byte at33, Byte at34) {
    std::vector<Byte> bytes(200);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<Byte>((i * 5) & 0x7F);
    const auto dump = BuildVoiceDump(test::DistinctVoice(7));
    std::copy(dump.begin(), dump.end(), bytes.begin() + 33);
    bytes[33] = at33;
    bytes[34] = at34;
    return bytes;
}

TEST(DecodeVoice, ReadsBytes33To193OfA200ByteMidFileWithF043At33) {
    const std::vector<Byte> bytes = MidFile(0xF0, 0x43);
    const auto voice = DecodeVoice(bytes, VoiceKind::Mid, "s.mid");
    ASSERT_TRUE(voice.ok());
    for (std::size_t i = 0; i < 161; ++i)
        EXPECT_EQ(voice.value[i], bytes[33 + i]) << i;
}

TEST(DecodeVoice, RefusesAMidFileWithoutF043At33WithTheFixedMessage) {
    for (const auto &bytes : {MidFile(0xF1, 0x43), MidFile(0xF0, 0x42), MidFile(0x00, 0x00)}) {
        const auto voice = DecodeVoice(bytes, VoiceKind::Mid, "s.mid");
        EXPECT_EQ(voice.error.failure, ReadFailure::NotDx7VoiceFile);
        EXPECT_EQ(ReadErrorMessage(voice.error), "このファイルはＤＸ７の音色ファイルではありません");
    }
}

TEST(DecodeVoice, RefusesAMidFileWhoseDumpAtTheEndIsNoSingleVoice) {
    // GIVEN F0 43 where the dump must start, but a bank or a parameter
    // change there: their bytes are no voice
    std::vector<Byte> bank = MidFile(0xF0, 0x43);
    bank[36] = 0x09;
    std::vector<Byte> change = MidFile(0xF0, 0x43);
    change[35] = 0x10;
    // WHEN each is read as a MID file THEN the fixed message refuses it
    for (const auto &bytes : {bank, change}) {
        const auto voice = DecodeVoice(bytes, VoiceKind::Mid, "s.mid");
        EXPECT_EQ(voice.error.failure, ReadFailure::NotDx7VoiceFile);
        EXPECT_EQ(ReadErrorMessage(voice.error), "このファイルはＤＸ７の音色ファイルではありません");
    }
    // AND any channel is a single-voice dump
    std::vector<Byte> channel16 = MidFile(0xF0, 0x43);
    channel16[35] = 0x0F;
    EXPECT_TRUE(DecodeVoice(channel16, VoiceKind::Mid, "s.mid").ok());
}

TEST(DecodeVoice, RefusesAMidFileShorterThan167Bytes) {
    std::vector<Byte> bytes(166, 0);
    bytes[0] = 0xF0;
    bytes[1] = 0x43;
    EXPECT_EQ(DecodeVoice(bytes, VoiceKind::Mid, "s.mid").error.failure, ReadFailure::TooShort);
}

TEST(ReadBankFile, NamesAMissingFile) {
    const auto bank = ReadBankFile("/nonexistent-folder/none.v32", BankKind::V32);
    EXPECT_EQ(bank.error.failure, ReadFailure::NotFound);
    EXPECT_EQ(ReadErrorMessage(bank.error), "ファイル「/nonexistent-folder/none.v32」が見つかりません");
}

TEST(ReadBankFile, RefusesANameItHasNoReaderFor) {
    const auto bank = ReadBankFile("/any/song.mid", BankKind::Other);
    EXPECT_EQ(bank.error.failure, ReadFailure::UnknownKind);
    EXPECT_NE(ReadErrorMessage(bank.error).find("「/any/song.mid」は読み込めない種類のファイルです"),
              std::string::npos);
}

class WriteFileReplacingTest : public test::FileFixture {};

TEST_F(WriteFileReplacingTest, ReplacesTheFileAndLeavesNoTemporaryFile) {
    const auto file = bankFolder() / "a.v32";
    WriteBytes(file, std::vector<Byte>(10, 1));
    const std::vector<Byte> bytes(5152, 7);
    const WriteResult result = WriteFileReplacing(file, bytes);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(ReadBytes(file), bytes);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(bankFolder()), {}), 1);
}

TEST_F(WriteFileReplacingTest, KeepsTheOldFileWhenTheWriteFails) {
    const auto file = bankFolder() / "old.v32";
    const std::vector<Byte> old(5152, 0x42);
    WriteBytes(file, old);

    // Files may not grow past 1000 bytes: the write of the new 5152 fails.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 1000;
    setrlimit(RLIMIT_FSIZE, &small);
    const WriteResult result = WriteFileReplacing(file, std::vector<Byte>(5152, 0x24));
    setrlimit(RLIMIT_FSIZE, &saved);

    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, "ファイルの大きさの上限を超えました");
    EXPECT_EQ(ReadBytes(file), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(bankFolder()), {}), 1)
        << "no temporary file left";
}

TEST_F(WriteFileReplacingTest, ReportsAMissingFolder) {
    const WriteResult result = WriteFileReplacing(folder / "gone" / "a.v01", std::vector<Byte>(161, 0));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, "保存先のフォルダがありません");
    EXPECT_EQ(WriteErrorMessage(folder / "gone" / "a.v01", result.reason),
              "ファイル「" + (folder / "gone" / "a.v01").string() +
                  "」に保存できませんでした（保存先のフォルダがありません）");
}

TEST_F(WriteFileReplacingTest, RefusesANameWithANulRatherThanWriteAnotherFile) {
    const auto file = bankFolder() / std::string("AB\0CD.v32", 9);
    const WriteResult result = WriteFileReplacing(file, std::vector<Byte>(5152, 0));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, "ファイル名に使えない文字が含まれています");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(bankFolder()), {}), 0)
        << "no file \"AB\" written";
}

TEST_F(WriteFileReplacingTest, ReportsATargetThatIsAFolderAndLeavesIt) {
    const auto target = bankFolder() / "taken.v32";
    std::filesystem::create_directories(target / "inside");
    const WriteResult result = WriteFileReplacing(target, std::vector<Byte>(5152, 0));
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.reason.empty());
    EXPECT_TRUE(std::filesystem::is_directory(target / "inside"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(bankFolder()), {}), 1);
}

} // namespace
} // namespace vox
