// A voice's bytes on every path: what the readers take from real-shaped
// files, and what a bank holding out-of-range values becomes on its way
// through files, dumps, the converter and the catalogue. Expected bytes are
// reckoned here from the formats (bit 7 dropped on the wire, a packed field
// cut to its width), never read back from the code under test.
#include "file_test_support.h"

#include "files/file_convert.h"
#include "files/file_report.h"
#include "files/voice_files.h"
#include "library/catalog.h"
#include "midi/midi_output.h"
#include "voice/bank_format.h"
#include "voice/voice_scan.h"

#include <gtest/gtest.h>

#include <functional>

namespace vox {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<Byte>;

Bytes Rom1a() {
    Bytes bank = test::ReadBytes(test::TestData("rom1a.syx"));
    if (bank.size() != kBulkMessageSize) ADD_FAILURE() << "cannot read the test file rom1a.syx";
    bank.resize(kBulkMessageSize);
    return bank;
}

Bytes PackedOfRom1a() {
    const Bytes bank = Rom1a();
    return Bytes(bank.begin() + kBulkDataPos, bank.begin() + kBulkDataPos + kPackedBankSize);
}

// Packed offset 110 is the algorithm, a whole byte: 0x7F (algorithm 128)
// puts a voice out of range and nothing else about it.
constexpr std::size_t kAlgorithmByte = 110;
Bytes WithOddVoices(Bytes packed, std::size_t count) {
    for (std::size_t v = 0; v < count; ++v)
        packed[v * 3 % kBankSlots * kPackedVoiceSize + kAlgorithmByte] = 0x7F;
    return packed;
}

// --- The readers and real-shaped files -------------------------------------

struct Shape {
    const char *name;
    const char *file; // the name decides the reader
    std::function<Bytes()> bytes;
    bool loads;
    bool checksumWrong;
    std::size_t firstVoiceFrom; // loads: offset of voice 1's packed bytes in the file
};

void PrintTo(const Shape &s, std::ostream *os) { *os << s.name; }

class ReaderShapes : public ::testing::TestWithParam<Shape> {};

const Shape kShapes[] = {
    // Real banks hold many a broken voice: 9 or 10 of 32 load as they are.
    {"HeaderlessNineOdd", "b.dx7", [] { return WithOddVoices(PackedOfRom1a(), 9); }, true, false, 0},
    {"HeaderlessTenOdd", "b.syx", [] { return WithOddVoices(PackedOfRom1a(), 10); }, true, false, 0},
    // The same bank read a byte or three off is no bank.
    {"HeaderlessShiftedOne", "b.dx7",
     [] {
         Bytes b = WithOddVoices(PackedOfRom1a(), 9);
         b.erase(b.begin());
         b.push_back(0);
         return b;
     },
     false, false, 0},
    {"HeaderlessShiftedThree", "b.32",
     [] {
         Bytes b = PackedOfRom1a();
         b.insert(b.begin(), {1, 2, 3});
         b.resize(kPackedBankSize);
         return b;
     },
     false, false, 0},
    // Foreign bytes that read the same at every alignment.
    {"RepeatedSpaces", "b.dx7", [] { return Bytes(kPackedBankSize, ' '); }, false, false, 0},
    {"Text", "b.dx7",
     [] {
         const std::string line = "The quick brown fox jumps over the lazy dog 0123456789.\n";
         Bytes b;
         while (b.size() < kPackedBankSize)
             b.insert(b.end(), line.begin(), line.end());
         b.resize(kPackedBankSize);
         return b;
     },
     false, false, 0},
    // A checksum with bit 7 whose seven bits are right, byte count 10 00.
    {"ChecksumBit7Count1000", "b.syx",
     [] {
         Bytes b = Rom1a();
         b[4] = 0x10;
         b[kBulkChecksumPos] |= 0x80;
         return b;
     },
     true, false, kBulkDataPos},
    // A byte count with bit 7: the instrument never reads it.
    {"ByteCountBit7", "b.syx",
     [] {
         Bytes b = Rom1a();
         b[4] = 0xA0;
         return b;
     },
     true, false, kBulkDataPos},
    // A wrong checksum: taken, and said so.
    {"WrongChecksum", "b.syx",
     [] {
         Bytes b = Rom1a();
         b[kBulkChecksumPos] ^= 0x01;
         return b;
     },
     true, true, kBulkDataPos},
    // Block 5 twice, and the byte in the checksum's place (voice 32's
    // first) happens to match the data read from 6: never loaded shifted.
    {"DoubledBlock", "b.syx",
     [] {
         Bytes b = Rom1a();
         const auto block = b.begin() + kBulkDataPos + 4 * kPackedVoiceSize;
         b.insert(block + kPackedVoiceSize, block, block + kPackedVoiceSize);
         b[kBulkChecksumPos] = 0;
         b[kBulkChecksumPos] = ChecksumOf(std::span<const Byte>(b).subspan(kBulkDataPos, kPackedBankSize));
         return b;
     },
     false, false, 0},
};

TEST_P(ReaderShapes, EveryReaderTakesTheFileAlikeAndNeverShifted) {
    const Shape &s = GetParam();
    const Bytes bytes = s.bytes();
    const auto bank = DecodeBank(bytes, BankKindOfName(s.file), s.file);
    const VoiceScan scan = ScanVoiceFile(bytes, s.file);
    EXPECT_EQ(bank.ok(), s.loads) << ReadErrorMessage(bank.error);
    // The catalogue and info read through the scan: they agree with the load.
    EXPECT_EQ(scan.bankCount(), s.loads ? 1u : 0u);
    EXPECT_EQ(bank.checksumWrong, s.checksumWrong);
    if (!s.loads) return;
    for (std::size_t v = 0; v < kBankSlots; ++v) {
        const auto packed = std::span<const Byte, kPackedVoiceSize>(
            bytes.data() + s.firstVoiceFrom + v * kPackedVoiceSize, kPackedVoiceSize);
        EXPECT_EQ(bank.value[v], RecordFromPacked(packed)) << "voice " << v + 1;
    }
    EXPECT_EQ(scan.found.front().checksumGood, !s.checksumWrong);
}

INSTANTIATE_TEST_SUITE_P(Files, ReaderShapes, ::testing::ValuesIn(kShapes),
                         [](const auto &info) { return std::string(info.param.name); });

// --- One bank with out-of-range values on every path -------------------------

// Voice 1 of rom1a with: operator 6's level 1 at 127 (a whole byte, kept
// everywhere), its left curve at 5 (a two-bit field: 1 in a bank), its
// rate 2 at 0x80 | 50 (bit 7: 50 everywhere) and its first name byte with
// bit 7 ('B' | 0x80: 'B').
constexpr int kLevel = BlockParamNumber(0, OpParam::Level1);
constexpr int kCurve = BlockParamNumber(0, OpParam::LeftCurve);
constexpr int kRate = BlockParamNumber(0, OpParam::Rate2);

class OutOfRangeRoundTrip : public test::FileFixture {
protected:
    OutOfRangeRoundTrip() {
        const auto loaded = DecodeBank(Rom1a(), BankKind::Syx, "rom1a.syx");
        EXPECT_TRUE(loaded.ok());
        BankRecords records = loaded.value;
        VoiceRecord &odd = records[0];
        odd[ParamPos(kLevel)] = 127;
        odd[ParamPos(kCurve)] = 5;
        odd[ParamPos(kRate)] = 0x80 | 50;
        odd[kNamePos] = 'B' | 0x80;
        StoreBank(records, table);
    }
    // What each kind must hold for voice 1, reckoned from the formats.
    static void ExpectVoiceOne(std::span<const Byte> voice, int curve, const char *where) {
        EXPECT_EQ(voice[ParamPos(kLevel)], 127) << where;
        EXPECT_EQ(voice[ParamPos(kCurve)], curve) << where;
        EXPECT_EQ(voice[ParamPos(kRate)], 50) << where;
        EXPECT_EQ(voice[kNamePos], 'B') << where;
    }
    VoiceTable table;
};

TEST_F(OutOfRangeRoundTrip, FilesDumpsConverterAndCatalogueKeepTheBytesButWhatTheFormatDrops) {
    // The .v32 and .v01 saves keep every value but bit 7, under the
    // program's own header.
    const fs::path v32 = folder / "odd.v32", syx = folder / "odd.syx", v01 = folder / "odd.v01";
    test::WriteBytes(v32, EncodeBankFile(table));
    const auto fromV32 = ReadBankFile(v32, BankKind::V32);
    ASSERT_TRUE(fromV32.ok());
    ExpectVoiceOne(fromV32.value[0], 5, ".v32");
    EXPECT_TRUE(std::equal(kVoiceHeader.begin(), kVoiceHeader.end(), fromV32.value[0].begin()));
    EXPECT_TRUE(InspectFile(v32).valid) << "info agrees with the writer";
    // The bank dump cuts the curve to its two bits; the converter writes the same.
    const BulkMessage bulk = BuildBulkMessage(table);
    test::WriteBytes(syx, Bytes(bulk.begin(), bulk.end()));
    const auto fromSyx = ReadBankFile(syx, BankKind::Syx);
    ASSERT_TRUE(fromSyx.ok());
    ExpectVoiceOne(fromSyx.value[0], 5 & 3, ".syx");
    const fs::path converted = folder / "converted.syx";
    const ConvertResult convert = ConvertVoiceFile(v32, converted, std::nullopt);
    ASSERT_TRUE(convert.ok) << convert.message;
    EXPECT_TRUE(convert.warning.empty());
    EXPECT_EQ(test::ReadBytes(converted), Bytes(bulk.begin(), bulk.end()));
    // One voice keeps its curve: the single-voice formats carry seven bits.
    ASSERT_TRUE(ConvertVoiceFile(syx, v01, 1).ok);
    ASSERT_TRUE(ConvertVoiceFile(v32, folder / "one.v01", 1).ok);
    const Bytes one = test::ReadBytes(folder / "one.v01");
    ASSERT_EQ(one.size(), kRecordSize);
    ExpectVoiceOne(one, 5, "--voice 1 to .v01");
    // Every dump the instrument is sent drops bit 7 alone.
    const Slot sent = VoiceAsSent(table[1]);
    ExpectVoiceOne(sent, 5, "a voice dump sent");
    // The catalogue's fingerprint is the packed body: the same from every file.
    test::ScratchFolder db{"catalog"};
    std::string error;
    const auto catalog = Catalog::Open(db.path() / "catalog.sqlite", error);
    ASSERT_TRUE(catalog) << error;
    ASSERT_TRUE(catalog->addFolder(folder));
    ASSERT_EQ(catalog->index().error, "");
    CatalogQuery query;
    query.name = "brass   1";
    const auto found = catalog->search(query);
    ASSERT_GE(found.size(), 3u);
    for (const CatalogVoice &v : found)
        EXPECT_EQ(v.body, found.front().body) << v.file;
    EXPECT_EQ(found.front().body[11] & 3, 5 & 3) << "packed offset 11: the left curve";
}

// --- Names as the instrument shows them ------------------------------------

TEST(NameShown, DropsBit7AndShowsControlCodesBlank) {
    const struct {
        Byte stored;
        const char *shown;
    } rows[] = {{'A', "A"}, {0xC1, "A"}, {0xE9, "i"}, {0x00, " "}, {0x18, " "}, {0x7F, " "}, {0x9F, " "}};
    for (const auto &r : rows)
        EXPECT_EQ(NameByteToUtf8(r.stored), r.shown) << int(r.stored);
    const Byte glide[] = {'G', 'l', 0xE9, 0xE4, 0xE5, 0xF0, 'i', 0xE1, 'n', 'o'};
    EXPECT_EQ(NameBytesToUtf8(glide), "Glidepiano");
}

} // namespace
} // namespace vox
