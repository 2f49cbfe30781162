// GIVEN / WHEN / THEN tests of the file report and the conversion, on the
// real files of the shared test data and on files made here.
#include "family_messages.h"
#include "file_test_support.h"
#include "files/file_convert.h"
#include "files/file_report.h"
#include "midi/midi_output.h"
#include "voice/bank_format.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vox {
namespace {

using test::ReadBytes;
using test::TestData;
using test::WriteBytes;

std::string Name(const InspectedVoice &voice) {
    return std::string(voice.nameBytes.begin(), voice.nameBytes.end());
}

bool HasProblem(const FileReport &r, const std::string &part) {
    return std::any_of(r.problems.begin(), r.problems.end(),
                       [&](const std::string &p) { return p.find(part) != std::string::npos; });
}

// Names as the packed bytes of a bulk dump hold them, read straight from
// the file: offset 6 + 128 (v - 1) + 118.
std::string PackedName(const std::vector<Byte> &file, std::size_t start, int v) {
    const std::size_t at = start + 128 * static_cast<std::size_t>(v - 1) + 118;
    return std::string(file.begin() + static_cast<long>(at), file.begin() + static_cast<long>(at + 10));
}

TEST(InspectFile, ReportsTheCleanFactoryBankWithItsNames) {
    const FileReport r = InspectFile(TestData("rom1a.syx"));
    EXPECT_EQ(r.kind, FileKind::BulkDump);
    EXPECT_TRUE(r.valid);
    EXPECT_TRUE(r.problems.empty());
    EXPECT_EQ(r.loadsAs, LoadsAs::Bank);
    ASSERT_EQ(r.voices.size(), 32u);
    EXPECT_EQ(Name(r.voices[0]), "BRASS   1 ");
    EXPECT_EQ(Name(r.voices[1]), "BRASS   2 ");
    EXPECT_EQ(Name(r.voices[2]), "BRASS   3 ");
    EXPECT_EQ(Name(r.voices[3]), "STRINGS 1 ");
    EXPECT_EQ(r.voices[31].number, 32);
}

TEST(InspectFile, ReportsASingleVoiceDump) {
    const FileReport r = InspectFile(TestData("single-voice.syx"));
    const std::vector<Byte> bytes = ReadBytes(TestData("single-voice.syx"));
    EXPECT_EQ(r.kind, FileKind::SingleVoiceDump);
    EXPECT_TRUE(r.valid);
    EXPECT_EQ(r.loadsAs, LoadsAs::Voice);
    ASSERT_EQ(r.voices.size(), 1u);
    EXPECT_EQ(Name(r.voices[0]), std::string(bytes.begin() + 151, bytes.begin() + 161));
}

TEST(InspectFile, ReportsAHeaderlessBank) {
    const FileReport r = InspectFile(TestData("headerless-4096.syx"));
    const std::vector<Byte> bytes = ReadBytes(TestData("headerless-4096.syx"));
    EXPECT_EQ(r.kind, FileKind::HeaderlessBank);
    EXPECT_TRUE(r.valid);
    EXPECT_EQ(r.loadsAs, LoadsAs::Bank);
    ASSERT_EQ(r.voices.size(), 32u);
    EXPECT_EQ(Name(r.voices[0]), PackedName(bytes, 0, 1));
    EXPECT_EQ(Name(r.voices[31]), PackedName(bytes, 0, 32));
}

TEST(InspectFile, KeepsControlCharactersOfNames) {
    const FileReport r = InspectFile(TestData("control-chars-in-names.syx"));
    const std::vector<Byte> bytes = ReadBytes(TestData("control-chars-in-names.syx"));
    EXPECT_TRUE(r.valid);
    EXPECT_EQ(r.loadsAs, LoadsAs::Bank);
    ASSERT_EQ(r.voices.size(), 32u);
    bool control = false;
    for (int v = 1; v <= 32; ++v) {
        EXPECT_EQ(Name(r.voices[static_cast<std::size_t>(v - 1)]), PackedName(bytes, 6, v));
        for (Byte b : r.voices[static_cast<std::size_t>(v - 1)].nameBytes)
            control |= b < 0x20;
    }
    EXPECT_TRUE(control);
}

TEST(InspectFile, ReportsAWrongChecksum) {
    const FileReport r = InspectFile(TestData("bad-checksum.syx"));
    const std::vector<Byte> bytes = ReadBytes(TestData("bad-checksum.syx"));
    const Byte right = ChecksumOf(std::span<const Byte>(bytes).subspan(6, 4096));
    ASSERT_NE(bytes[4102], right);
    char expected[64];
    std::snprintf(expected, sizeof expected, "checksum %02X is wrong (expected %02X)", bytes[4102], right);
    EXPECT_EQ(r.problems, std::vector<std::string>{expected});
    EXPECT_EQ(r.loadsAs, LoadsAs::Bank);
}

TEST(InspectFile, ReportsASecondDumpAfterTheFirst) {
    const FileReport r = InspectFile(TestData("two-banks-in-one-file.syx"));
    const FileReport one = InspectFile(TestData("rom1a.syx"));
    // The second dump is read too, as the second bank.
    EXPECT_EQ(r.problems, std::vector<std::string>{"another dump follows at offset 4104 (bank 2)"});
    EXPECT_EQ(r.loadsAs, LoadsAs::Bank);
    ASSERT_EQ(r.voices.size(), 32u);
    for (std::size_t v = 0; v < 32; ++v)
        EXPECT_EQ(r.voices[v].nameBytes, one.voices[v].nameBytes);
}

// --- Every voice message of a file, with its offset ----------------------------------

TEST(InspectFile, ListsTheBankOfAMidiFileAndTheMessagesAroundIt) {
    // GIVEN a Standard MIDI File with a parameter change, a bank and another parameter change
    const FileReport r = InspectFile(TestData("rom1a-bank-in-smf.mid"));
    const FileReport rom = InspectFile(TestData("rom1a.syx"));
    // THEN it loads as a bank, the bank's voices are listed, nothing is wrong
    EXPECT_EQ(r.kind, FileKind::MidiFile);
    EXPECT_EQ(r.loadsAs, LoadsAs::Bank);
    EXPECT_TRUE(r.valid) << (r.problems.empty() ? "" : r.problems[0]);
    ASSERT_EQ(r.voices.size(), 32u);
    for (std::size_t v = 0; v < 32; ++v)
        EXPECT_EQ(r.voices[v].nameBytes, rom.voices[v].nameBytes) << v;
    // AND the bank is found inside its event, the parameter changes passed over
    ASSERT_EQ(r.found.size(), 1u);
    EXPECT_TRUE(r.found[0].isBank);
    EXPECT_EQ(r.found[0].number, 1);
    EXPECT_EQ(r.found[0].kind, "bulk dump");
    EXPECT_TRUE(r.found[0].inMidiFile);
    EXPECT_TRUE(r.found[0].checksumGood);
    EXPECT_EQ(r.found[0].voices, 32u);
    const std::vector<Byte> bytes = ReadBytes(TestData("rom1a-bank-in-smf.mid"));
    ASSERT_LT(r.found[0].offset + 4, bytes.size());
    // The event: F0, its length as a variable-length number (two bytes
    // here), then the dump's bytes from 43 on.
    EXPECT_EQ(bytes[r.found[0].offset], 0xF0) << "the offset is where the event starts";
    EXPECT_EQ(std::vector<Byte>(bytes.begin() + static_cast<long>(r.found[0].offset) + 3,
                                bytes.begin() + static_cast<long>(r.found[0].offset) + 6),
              (std::vector<Byte>{0x43, 0x00, 0x09}));
    EXPECT_EQ(r.banks, 1u);
    EXPECT_EQ(r.singleVoices, 0u);
    ASSERT_EQ(r.skipped.size(), 2u);
    for (const SkippedReport &skipped : r.skipped) {
        EXPECT_EQ(skipped.length, 7u);
        EXPECT_EQ(bytes[skipped.offset], 0xF0);
        EXPECT_EQ(skipped.reason, ScanReasonEnglish(ScanReason::ParameterChangesOnly, 0));
    }
    EXPECT_TRUE(r.refusal.empty());
}

TEST(InspectFile, DescribesABankAfterOtherMessagesAsTheBankItIs) {
    // GIVEN a parameter change and a supplement dump ahead of the factory bank
    const FileReport r = InspectFile(TestData("supplement-then-bank.syx"));
    EXPECT_EQ(r.kind, FileKind::BulkDump);
    EXPECT_TRUE(r.valid);
    EXPECT_EQ(r.loadsAs, LoadsAs::Bank);
    ASSERT_EQ(r.voices.size(), 32u);
    EXPECT_EQ(Name(r.voices[0]), "BRASS   1 ");
    ASSERT_EQ(r.found.size(), 1u);
    EXPECT_EQ(r.found[0].offset, 1135u);
    EXPECT_EQ(r.found[0].length, 4104u);
    EXPECT_EQ(std::string(r.found[0].firstName.begin(), r.found[0].firstName.end()), "BRASS   1 ");
    ASSERT_EQ(r.skipped.size(), 2u);
    EXPECT_EQ(r.skipped[0].offset, 0u);
    EXPECT_EQ(r.skipped[0].length, 7u);
    EXPECT_EQ(r.skipped[1].offset, 7u);
    EXPECT_EQ(r.skipped[1].length, 1128u);
    EXPECT_EQ(r.skipped[1].reason, ScanReasonEnglish(ScanReason::SupplementOnly, 0));
    // AND the supplement is named as the later models' data it is
    ASSERT_EQ(r.family.size(), 1u);
    EXPECT_EQ(r.family[0].offset, 7u);
    EXPECT_EQ(r.family[0].what, "AMEM (packed 32 additional voices)");
    EXPECT_TRUE(r.family[0].checksumGood && r.family[0].countAsKnown);
}

TEST(InspectFile, NamesEachLaterModelsDumpApartInASysExFileAndInAMidiFile) {
    // GIVEN a set-up, cartridge micro tunings (63 groups in one message) and
    // a fractional scaling back to back, whose sizes are the family data
    // sheet's (1.2): 103, 4 + 63 x 269 + 1, 510
    const std::vector<test::FamilyBytes> messages{test::UniversalDump("LM  8973S ", 85),
                                                  test::UniversalDump("LM  MCRYC ", 256, 1, 63),
                                                  test::UniversalDump("LM  FKSYE ", 492)};
    const std::pair<const char *, std::vector<Byte>> files[] = {
        {"blocks.syx", test::Joined(messages)},
        {"blocks.mid", test::InMidiFile(messages)},
    };
    for (const auto &[name, bytes] : files) {
        SCOPED_TRACE(name);
        const FileReport r = InspectBytes(name, bytes);
        ASSERT_EQ(r.family.size(), 3u);
        EXPECT_EQ(r.family[0].what, "SYSTEM (system set-up)");
        EXPECT_EQ(r.family[0].length, 103u);
        EXPECT_EQ(r.family[1].what, "MCRYC (micro tunings in cartridge, 63 blocks)");
        EXPECT_EQ(r.family[1].length, 16952u);
        EXPECT_EQ(r.family[2].what, "FKSYE (fractional scaling edit buffer)");
        EXPECT_EQ(r.family[2].length, 510u);
        for (const FamilyReport &f : r.family)
            EXPECT_TRUE(f.checksumGood && f.countAsKnown) << f.what;
    }
}

TEST(InspectFile, NumbersEveryBankOfAFileAndEverySingleVoice) {
    const FileReport two = InspectFile(TestData("two-different-banks.syx"));
    ASSERT_EQ(two.found.size(), 2u);
    EXPECT_EQ(two.banks, 2u);
    EXPECT_EQ(two.found[1].number, 2);
    EXPECT_EQ(two.found[1].offset, 4104u);
    EXPECT_EQ(std::string(two.found[1].firstName.begin(), two.found[1].firstName.end()), "SECOND 01 ");
    const FileReport one = InspectFile(TestData("single-voice.syx"));
    ASSERT_EQ(one.found.size(), 1u);
    EXPECT_FALSE(one.found[0].isBank);
    EXPECT_EQ(one.found[0].kind, "single-voice dump");
    EXPECT_EQ(one.found[0].length, 163u);
    EXPECT_EQ(one.singleVoices, 1u);
    EXPECT_EQ(one.banks, 0u);
}

TEST(InspectFile, SaysWhyAFileGivesNoVoice) {
    const FileReport r = InspectFile(TestData("four-operator-bank-not-dx7.syx"));
    EXPECT_TRUE(r.found.empty());
    EXPECT_EQ(r.refusal, ScanReasonEnglish(ScanReason::FourOperatorBank, 0));
    EXPECT_EQ(r.loadsAs, LoadsAs::None);
    const FileReport cut = InspectFile(TestData("truncated-520.syx"));
    EXPECT_EQ(cut.refusal, ScanReasonEnglish(ScanReason::CutOff, 4));
}

// --- Files with a fault: what the report says of each --------------------------

struct FaultyFile {
    const char *name;
    const char *file;
    FileKind kind;
    LoadsAs loadsAs;
    std::vector<std::string> problems; // each found in one of the report's problems
    bool onlyThese;                    // and the report says nothing else
    std::size_t voices;
    const char *firstName = nullptr; // of the first voice listed
    const char *notSaid = nullptr;   // in none of the problems
};

void PrintTo(const FaultyFile &c, std::ostream *os) { *os << c.name; }

class InspectFaultyFile : public ::testing::TestWithParam<FaultyFile> {};

TEST_P(InspectFaultyFile, ReportsTheFaultAndWhetherTheFileLoads) {
    const FaultyFile &c = GetParam();
    const FileReport r = InspectFile(TestData(c.file));
    EXPECT_EQ(r.kind, c.kind);
    EXPECT_FALSE(r.valid);
    EXPECT_EQ(r.loadsAs, c.loadsAs);
    if (c.onlyThese) {
        EXPECT_EQ(r.problems, c.problems);
    }
    for (const std::string &part : c.problems)
        EXPECT_TRUE(HasProblem(r, part)) << part;
    if (c.notSaid) {
        EXPECT_FALSE(HasProblem(r, c.notSaid)) << c.notSaid;
    }
    ASSERT_EQ(r.voices.size(), c.voices);
    if (c.firstName) {
        EXPECT_EQ(Name(r.voices[0]), c.firstName);
    }
}

INSTANTIATE_TEST_SUITE_P(SharedTestData, InspectFaultyFile,
                         ::testing::Values(
                             // Its checksum is right: the bytes with bit 7 are the only fault.
                             FaultyFile{"Bit7BytesCounted",
                                        "bit7-bytes-and-f0-inside.syx",
                                        FileKind::BulkDump,
                                        LoadsAs::Bank,
                                        {"158 bytes of the packed data have bit 7 set"},
                                        false,
                                        32,
                                        nullptr,
                                        "checksum"},
                             FaultyFile{"ByteCount1000",
                                        "bytecount-1000.syx",
                                        FileKind::BulkDump,
                                        LoadsAs::Bank,
                                        {"byte count 10 00 (expected 20 00)"},
                                        true,
                                        32},
                             // The data is complete: it loads.
                             FaultyFile{"MissingChecksum",
                                        "truncated-4103.syx",
                                        FileKind::BulkDump,
                                        LoadsAs::Bank,
                                        {"the checksum is missing (F7 at offset 4102)"},
                                        true,
                                        32},
                             FaultyFile{"CutOffWithFourCompleteVoices",
                                        "truncated-520.syx",
                                        FileKind::BulkDump,
                                        LoadsAs::None,
                                        {"only 4 of 32 voices complete"},
                                        false,
                                        4},
                             FaultyFile{"FourOperatorBankRefused",
                                        "four-operator-bank-not-dx7.syx",
                                        FileKind::Unknown,
                                        LoadsAs::None,
                                        {"format 04 is not DX7 voice data"},
                                        false,
                                        0},
                             FaultyFile{"ParameterChangesRefused",
                                        "parameter-changes-only.syx",
                                        FileKind::Unknown,
                                        LoadsAs::None,
                                        {"parameter-change message"},
                                        false,
                                        0},
                             // A bulk dump cut off, not a headerless bank.
                             FaultyFile{"BulkDumpCutAt4096NotLoaded",
                                        "bulk-cut-at-4096.syx",
                                        FileKind::BulkDump,
                                        LoadsAs::None,
                                        {"length 4096 bytes: cut off, only 31 of 32 voices complete"},
                                        false,
                                        31,
                                        "BRASS   1 "},
                             // Text is listed as no voice.
                             FaultyFile{"TextFileNamedV01",
                                        "text-file-named.v01",
                                        FileKind::V01,
                                        LoadsAs::None,
                                        {"no single-voice dump header (54 68 69 73 20 69)"},
                                        false,
                                        0}),
                         [](const ::testing::TestParamInfo<FaultyFile> &info) {
                             return std::string(info.param.name);
                         });

TEST(InspectBytes, ReportsHeaderlessDataThatHoldsNoVoices) {
    std::vector<Byte> text(4096);
    const std::string line = "Not a bank at all. ";
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<Byte>(line[i % line.size()]);
    const FileReport r = InspectBytes("notes.dx7", text);
    EXPECT_EQ(r.kind, FileKind::HeaderlessBank);
    EXPECT_FALSE(r.valid);
    EXPECT_EQ(r.loadsAs, LoadsAs::None);
    EXPECT_TRUE(HasProblem(r, "32 voices of 32 do not look like DX7 voices"));
    EXPECT_TRUE(r.voices.empty());
}

TEST(InspectFile, ReportsAFileItCannotRead) {
    const FileReport r = InspectFile("/nonexistent-folder/x.syx");
    EXPECT_FALSE(r.readable);
    EXPECT_FALSE(r.valid);
    EXPECT_EQ(r.problems, std::vector<std::string>{"/nonexistent-folder/x.syx: no such file"});
}

TEST(InspectBytes, ReportsAV32FileOfTheWrongLength) {
    VoiceTable table;
    for (int n = 1; n <= 32; ++n)
        table[static_cast<std::size_t>(n)] = test::DistinctVoice(n);
    std::vector<Byte> bytes = EncodeBankFile(table);
    EXPECT_TRUE(InspectBytes("b.v32", bytes).valid);
    bytes.resize(161 * 3);
    const FileReport r = InspectBytes("b.v32", bytes);
    EXPECT_EQ(r.kind, FileKind::V32);
    EXPECT_EQ(r.problems, std::vector<std::string>{"length 483 bytes (expected 5152)"});
    EXPECT_EQ(r.loadsAs, LoadsAs::Voice) << "the 1-voice load reads its first record";
    ASSERT_EQ(r.voices.size(), 3u);
    EXPECT_EQ(Name(r.voices[2]), "VOICE 03  ");
}

class ConvertTest : public test::FileFixture {};

TEST_F(ConvertTest, TurnsTheFactoryBankIntoAV32AndBackIntoTheSameBulkDump) {
    const auto v32 = folder / "rom1a.v32";
    const auto syx = folder / "again.syx";
    ASSERT_TRUE(ConvertVoiceFile(TestData("rom1a.syx"), v32, std::nullopt).ok);
    const std::vector<Byte> bank = ReadBytes(v32);
    ASSERT_EQ(bank.size(), 5152u);
    for (std::size_t n = 0; n < 32; ++n)
        for (std::size_t i = 0; i < 6; ++i)
            EXPECT_EQ(bank[n * 161 + i], kVoiceHeader[i]) << "import header";
    const ConvertResult back = ConvertVoiceFile(v32, syx, std::nullopt);
    ASSERT_TRUE(back.ok) << back.message;
    EXPECT_EQ(back.message, "wrote " + syx.string() + ": 32 voices, 4104 bytes");
    EXPECT_EQ(ReadBytes(syx), ReadBytes(TestData("rom1a.syx")));
}

TEST_F(ConvertTest, PicksOneVoiceOfABankAsASingleVoiceDump) {
    const auto out = folder / "brass3.syx";
    ASSERT_TRUE(ConvertVoiceFile(TestData("rom1a.syx"), out, 3).ok);
    const std::vector<Byte> dump = ReadBytes(out);
    ASSERT_EQ(dump.size(), 163u);
    EXPECT_TRUE(std::equal(kVoiceHeader.begin(), kVoiceHeader.end(), dump.begin()));
    EXPECT_EQ(std::string(dump.begin() + 151, dump.begin() + 161), "BRASS   3 ");
    EXPECT_EQ(dump[161], ChecksumOf(std::span<const Byte>(dump).subspan(6, 155)));
    EXPECT_EQ(dump[162], 0xF7);
}

TEST_F(ConvertTest, WritesOnlySevenBitDataFromBytesWithBit7Set) {
    const auto out = folder / "clean.syx";
    ASSERT_TRUE(ConvertVoiceFile(TestData("bit7-bytes-and-f0-inside.syx"), out, std::nullopt).ok);
    const std::vector<Byte> dump = ReadBytes(out);
    ASSERT_EQ(dump.size(), 4104u);
    for (std::size_t i = 1; i < 4103; ++i)
        ASSERT_LT(dump[i], 0x80) << i;
    EXPECT_EQ(dump[4102], ChecksumOf(std::span<const Byte>(dump).subspan(6, 4096)));
}

TEST_F(ConvertTest, TurnsASingleVoiceDumpIntoAV01OfItsFirst161Bytes) {
    const auto out = folder / "funky.V01";
    ASSERT_TRUE(ConvertVoiceFile(TestData("single-voice.syx"), out, std::nullopt).ok);
    const std::vector<Byte> in = ReadBytes(TestData("single-voice.syx"));
    EXPECT_EQ(ReadBytes(out), std::vector<Byte>(in.begin(), in.begin() + 161));
}

TEST_F(ConvertTest, PicksABankOfAFileThatHoldsSeveral) {
    // GIVEN the factory bank followed by a second bank "SECOND 01".."SECOND 32"
    const auto in = TestData("two-different-banks.syx");
    const std::vector<Byte> file = ReadBytes(in);
    // WHEN the second bank is converted to a bulk dump
    const auto out = folder / "second.syx";
    const ConvertResult r = ConvertVoiceFile(in, out, std::nullopt, 2);
    ASSERT_TRUE(r.ok) << r.message;
    // THEN it is the second dump of the file, byte for byte
    EXPECT_EQ(ReadBytes(out), std::vector<Byte>(file.begin() + 4104, file.end()));
    // AND a bank the file does not hold says how many it holds, and writes nothing
    EXPECT_EQ(ConvertVoiceFile(in, folder / "x.v32", std::nullopt, 3).message,
              in.string() + ": --bank 3 is out of range: the file holds 2 banks");
    EXPECT_EQ(ConvertVoiceFile(TestData("single-voice.syx"), folder / "x.v01", std::nullopt, 1).message,
              TestData("single-voice.syx").string() + ": --bank 1 is out of range: the file holds no bank");
    EXPECT_FALSE(std::filesystem::exists(folder / "x.v32"));
    EXPECT_FALSE(std::filesystem::exists(folder / "x.v01"));
}

TEST_F(ConvertTest, RefusesWhatItCannotDoAndWritesNothing) {
    const auto out = folder / "out.v01";
    EXPECT_EQ(ConvertVoiceFile(TestData("rom1a.syx"), out, std::nullopt).message,
              TestData("rom1a.syx").string() +
                  ": the input is a bank of 32 voices: choose one with --voice N");
    EXPECT_EQ(ConvertVoiceFile(TestData("single-voice.syx"), folder / "b.v32", std::nullopt).message,
              TestData("single-voice.syx").string() +
                  ": a 32-voice file needs a bank, and the input is one voice");
    EXPECT_EQ(ConvertVoiceFile(TestData("single-voice.syx"), out, 2).message,
              TestData("single-voice.syx").string() + ": --voice 2 is out of range: the input holds 1 voice");
    EXPECT_EQ(ConvertVoiceFile(TestData("rom1a.syx"), folder / "x.txt", 1).message,
              (folder / "x.txt").string() + ": the output name must end in .v32, .v01 or .syx");
    EXPECT_FALSE(ConvertVoiceFile(TestData("truncated-520.syx"), out, 1).ok);
    EXPECT_FALSE(ConvertVoiceFile(TestData("four-operator-bank-not-dx7.syx"), folder / "b.v32", {}).ok);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 2) << "only 32voice and 1voice";
}

TEST_F(ConvertTest, ReadsTheDumpAtTheEndOfAMidFile) {
    std::vector<Byte> mid(200, 0x11);
    const Slot voice = test::DistinctVoice(9);
    const auto dump = BuildVoiceDump(voice);
    std::copy(dump.begin(), dump.end(), mid.begin() + 33);
    WriteBytes(folder / "song.mid", mid);
    ASSERT_TRUE(ConvertVoiceFile(folder / "song.mid", folder / "song.v01", std::nullopt).ok);
    EXPECT_EQ(ReadBytes(folder / "song.v01"), std::vector<Byte>(mid.begin() + 33, mid.begin() + 194));
}

} // namespace
} // namespace vox
