// GIVEN / WHEN / THEN tests of the voice file readers and writers.
#include "file_test_support.h"
#include "files/voice_files.h"
#include "voice/bank_format.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace vox {
namespace {

using test::ReadBytes;
using test::WriteBytes;

std::vector<Byte> BulkDumpOf(const VoiceTable& table) {
    const BulkMessage message = BuildBulkMessage(table);
    return std::vector<Byte>(message.begin(), message.end());
}

VoiceTable DistinctBank() {
    VoiceTable table;
    for (int n = 1; n <= 32; ++n) table[static_cast<std::size_t>(n)] = test::DistinctVoice(n);
    return table;
}

// The record an import makes of slot n of `table`: the import header,
// then the parameters.
VoiceRecord ImportedRecord(const VoiceTable& table, std::size_t n) {
    VoiceRecord record{};
    for (std::size_t i = 0; i < 6; ++i) record[i] = kVoiceHeader[i];
    for (std::size_t i = kParamBase; i < kRecordSize; ++i) record[i] = table[n][i];
    return record;
}

TEST(BankKindOfName, UsesTheLastThreeCharactersInAnyCase) {
    EXPECT_EQ(BankKindOfName("bank.v32"), BankKind::V32);
    EXPECT_EQ(BankKindOfName("BANK.V32"), BankKind::V32);
    EXPECT_EQ(BankKindOfName("dump.SyX"), BankKind::Syx);
    EXPECT_EQ(BankKindOfName("dumpsyx"), BankKind::Syx) << "only the last three characters count";
    EXPECT_EQ(BankKindOfName("x.Dx7"), BankKind::Dx7);
    EXPECT_EQ(BankKindOfName("x.32"), BankKind::Dot32);
    EXPECT_EQ(BankKindOfName("x.132"), BankKind::Other);
    EXPECT_EQ(BankKindOfName("x.mid"), BankKind::Other);
    EXPECT_EQ(BankKindOfName("ab"), BankKind::Other);
}

TEST(VoiceKindOfName, TreatsMidInAnyCaseAsTheDumpAtTheEnd) {
    EXPECT_EQ(VoiceKindOfName("song.mid"), VoiceKind::Mid);
    EXPECT_EQ(VoiceKindOfName("song.Mid"), VoiceKind::Mid);
    EXPECT_EQ(VoiceKindOfName("song.MID"), VoiceKind::Mid);
    EXPECT_EQ(VoiceKindOfName("voice.v01"), VoiceKind::V01);
    EXPECT_EQ(VoiceKindOfName("voice.bin"), VoiceKind::V01);
    EXPECT_EQ(VoiceKindOfName("voice.syx"), VoiceKind::Syx);
}

TEST(EncodeBankFile, WritesPositionsZeroTo160OfSlotsOneTo32InOrder) {
    const VoiceTable table = DistinctBank();
    const std::vector<Byte> bytes = EncodeBankFile(table);
    ASSERT_EQ(bytes.size(), 5152u);
    for (std::size_t n = 1; n <= 32; ++n)
        for (std::size_t i = 0; i < 161; ++i) ASSERT_EQ(bytes[(n - 1) * 161 + i], table[n][i]) << n << ":" << i;
}

TEST(DecodeBank, ReadsAV32FileBackByteForByte) {
    const VoiceTable table = DistinctBank();
    const auto bank = DecodeBank(EncodeBankFile(table), BankKind::V32, "b.v32");
    ASSERT_TRUE(bank.ok());
    for (std::size_t n = 1; n <= 32; ++n)
        for (std::size_t i = 0; i < 161; ++i) ASSERT_EQ(bank.value[n - 1][i], table[n][i]);
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
    for (std::size_t n = 1; n <= 32; ++n) EXPECT_EQ(bank.value[n - 1], ImportedRecord(table, n)) << n;
}

TEST(DecodeBank, AcceptsAnyChannelAByteCountOf1000AWrongChecksumAndASecondDump) {
    const VoiceTable table = DistinctBank();
    std::vector<Byte> bytes = BulkDumpOf(table);
    bytes[2] = 0x05;  // channel 6
    bytes[4] = 0x10;  // byte count 10 00
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
    EXPECT_EQ(bank.error.failure, ReadFailure::NotBulkDump);
    EXPECT_EQ(ReadErrorMessage(bank.error),
              "ファイル「/f/four.syx」はＤＸ７の32音色バルクダンプではありません（先頭のバイトが F0 43 00 04 20 00 です）");
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

TEST(DecodeVoice, TakesTheFirst161BytesOfA1VoiceFileWhateverTheHeader) {
    std::vector<Byte> bytes(170, 0);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<Byte>(i & 0x7F);
    bytes[0] = 0x00; // classic files may hold a zero header
    const auto voice = DecodeVoice(bytes, VoiceKind::V01, "v.v01");
    ASSERT_TRUE(voice.ok());
    for (std::size_t i = 0; i < 161; ++i) EXPECT_EQ(voice.value[i], bytes[i]);
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
    std::vector<Byte> dump(163, 0x20);
    const Byte header[6] = {0xF0, 0x43, 0x00, 0x00, 0x01, 0x1B};
    std::copy(header, header + 6, dump.begin());
    dump[162] = 0xF7;
    ASSERT_TRUE(DecodeVoice(dump, VoiceKind::Syx, "v.syx").ok());
    dump[2] = 0x10; // parameter change
    const auto refused = DecodeVoice(dump, VoiceKind::Syx, "/p/v.syx");
    EXPECT_EQ(refused.error.failure, ReadFailure::NotSingleVoice);
    EXPECT_EQ(ReadErrorMessage(refused.error),
              "ファイル「/p/v.syx」はＤＸ７の1音色データではありません（先頭のバイトが F0 43 10 00 01 1B です）");
}

// A 200-byte MIDI file whose single-voice dump starts at offset 33.
std::vector<Byte> MidFile(Byte at33, Byte at34) {
    std::vector<Byte> bytes(200);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<Byte>((i * 5) & 0x7F);
    bytes[33] = at33;
    bytes[34] = at34;
    return bytes;
}

TEST(DecodeVoice, ReadsBytes33To193OfA200ByteMidFileWithF043At33) {
    const std::vector<Byte> bytes = MidFile(0xF0, 0x43);
    const auto voice = DecodeVoice(bytes, VoiceKind::Mid, "s.mid");
    ASSERT_TRUE(voice.ok());
    for (std::size_t i = 0; i < 161; ++i) EXPECT_EQ(voice.value[i], bytes[33 + i]) << i;
}

TEST(DecodeVoice, RefusesAMidFileWithoutF043At33WithTheFixedMessage) {
    for (const auto& bytes : {MidFile(0xF1, 0x43), MidFile(0xF0, 0x42), MidFile(0x00, 0x00)}) {
        const auto voice = DecodeVoice(bytes, VoiceKind::Mid, "s.mid");
        EXPECT_EQ(voice.error.failure, ReadFailure::NotDx7VoiceFile);
        EXPECT_EQ(ReadErrorMessage(voice.error), "このファイルはＤＸ７の音色ファイルではありません");
    }
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
    EXPECT_NE(ReadErrorMessage(bank.error).find("「/any/song.mid」は読み込めない種類のファイルです"), std::string::npos);
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
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(bankFolder()), {}), 1) << "no temporary file left";
}

TEST_F(WriteFileReplacingTest, ReportsAMissingFolder) {
    const WriteResult result = WriteFileReplacing(folder / "gone" / "a.v01", std::vector<Byte>(161, 0));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, "保存先のフォルダがありません");
    EXPECT_EQ(WriteErrorMessage(folder / "gone" / "a.v01", result.reason),
              "ファイル「" + (folder / "gone" / "a.v01").string() + "」に保存できませんでした（保存先のフォルダがありません）");
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
