// GIVEN / WHEN / THEN tests that run the built voxmere-tool as a user or a
// script would: its output, its JSON and its exit status.
#include "tool_runner.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

using vox::test::ToolResult;

std::string Slurp(const fs::path &file) { return vox::test::ReadFileText(file); }

class ToolTest : public ::testing::Test {
protected:
    ToolTest() {}

    ToolResult run(const std::vector<std::string> &args) { return vox::test::RunTool(args, folder); }

    static std::string Data(const std::string &name) { return vox::test::TestDataPath(name); }

    // Voice 1 of rom1a.syx as a .v01 file in the scratch folder, with
    // parameters set to the given values.
    std::string VoiceFileWith(const std::string &name, const std::map<int, int> &values) {
        const std::string file = (folder / name).string();
        EXPECT_EQ(run({"convert", "--voice", "1", Data("rom1a.syx"), file}).status, 0);
        std::string bytes = vox::test::ReadFileText(file);
        EXPECT_EQ(bytes.size(), 161u);
        for (const auto &[parameter, value] : values)
            bytes[static_cast<std::size_t>(6 + parameter)] = static_cast<char>(value);
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }

    vox::test::ScratchFolder scratch{"tool"};
    fs::path folder = scratch.path();
};

// What each shared file is, from what its README line says of it.
struct Expected {
    const char *kind;
    bool valid;
    const char *loadsAs;
    std::size_t voices;
};

const std::map<std::string, Expected> kTestData{
    {"rom1a.syx", {"bulk dump", true, "bank", 32}},
    {"single-voice.syx", {"single-voice dump", true, "voice", 1}},
    {"headerless-4096.syx", {"headerless bank", true, "bank", 32}},
    {"rom1a-bank-in-smf.mid", {"MIDI file", true, "bank", 32}},
    {"control-chars-in-names.syx", {"bulk dump", true, "bank", 32}},
    {"bit7-bytes-and-f0-inside.syx", {"bulk dump", false, "bank", 32}},
    {"bytecount-1000.syx", {"bulk dump", false, "bank", 32}},
    {"bad-checksum.syx", {"bulk dump", false, "bank", 32}},
    {"truncated-4103.syx", {"bulk dump", false, "bank", 32}},
    {"truncated-520.syx", {"bulk dump", false, "none", 4}},
    {"two-banks-in-one-file.syx", {"bulk dump", false, "bank", 32}},
    {"four-operator-bank-not-dx7.syx", {"unknown", false, "none", 0}},
    {"parameter-changes-only.syx", {"unknown", false, "none", 0}},
    {"bulk-cut-at-4096.syx", {"bulk dump", false, "none", 31}},
    {"text-file-named.v01", {"v01", false, "none", 0}},
    {"supplement-then-bank.syx", {"bulk dump", true, "bank", 32}},
    {"unpacked-32x155.syx", {"headerless bank", true, "bank", 32}},
    {"two-different-banks.syx", {"bulk dump", false, "bank", 32}},
};

TEST_F(ToolTest, InfoJsonDescribesEveryFileOfTheSharedTestData) {
    std::vector<std::string> args{"info", "--json"};
    for (const auto &entry : fs::directory_iterator(VOXMERE_TESTDATA))
        if (entry.is_regular_file() && entry.path().filename() != "README.md")
            args.push_back(entry.path().string());
    ASSERT_EQ(args.size(), 2 + kTestData.size()) << "a new shared file needs its expected line here";

    const ToolResult r = run(args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const auto report = nlohmann::json::parse(r.out);
    ASSERT_TRUE(report.is_array());
    ASSERT_EQ(report.size(), kTestData.size());
    for (const auto &file : report) {
        const std::string name = fs::path(file.at("file").get<std::string>()).filename().string();
        SCOPED_TRACE(name);
        const Expected &e = kTestData.at(name);
        EXPECT_EQ(file.at("kind"), e.kind);
        EXPECT_EQ(file.at("valid"), e.valid);
        EXPECT_EQ(file.at("loads_as"), e.loadsAs);
        ASSERT_TRUE(file.at("problems").is_array());
        EXPECT_EQ(file.at("problems").empty(), e.valid)
            << "a file is valid exactly when no problem was found";
        for (const auto &p : file.at("problems"))
            EXPECT_TRUE(p.is_string());
        ASSERT_EQ(file.at("voices").size(), e.voices);
        int number = 0;
        for (const auto &voice : file.at("voices")) {
            EXPECT_EQ(voice.at("number"), ++number);
            ASSERT_EQ(voice.at("name_bytes").size(), 10u);
            for (const auto &b : voice.at("name_bytes"))
                EXPECT_TRUE(b.is_number_unsigned() && b.get<int>() < 256);
        }
    }
}

TEST_F(ToolTest, InfoJsonGivesTheNameBytesAsStored) {
    const ToolResult r = run({"info", "--json", Data("rom1a.syx"), Data("control-chars-in-names.syx")});
    ASSERT_EQ(r.status, 0);
    const auto report = nlohmann::json::parse(r.out);
    const std::string brass = "BRASS   1 ";
    std::vector<int> expected(brass.begin(), brass.end());
    EXPECT_EQ(report[0].at("voices")[0].at("name_bytes").get<std::vector<int>>(), expected);
    EXPECT_EQ(report[0].at("voices")[3].at("name").get<std::string>(), "STRINGS 1 ");
    // Names with bytes below 20h come through whole.
    const std::string packed = Slurp(Data("control-chars-in-names.syx"));
    const std::string second = packed.substr(6 + 128 + 118, 10);
    std::vector<int> secondBytes;
    for (char c : second)
        secondBytes.push_back(static_cast<unsigned char>(c));
    EXPECT_EQ(report[1].at("voices")[1].at("name_bytes").get<std::vector<int>>(), secondBytes);
}

TEST_F(ToolTest, InfoNamesEachProblem) {
    const ToolResult r = run({"info", "--json", Data("bad-checksum.syx"), Data("bytecount-1000.syx"),
                              Data("bit7-bytes-and-f0-inside.syx"), Data("truncated-520.syx"),
                              Data("two-banks-in-one-file.syx")});
    ASSERT_EQ(r.status, 0);
    const auto report = nlohmann::json::parse(r.out);
    auto problems = [&](std::size_t i) { return report[i].at("problems").dump(); };
    EXPECT_NE(problems(0).find("checksum"), std::string::npos);
    EXPECT_NE(problems(1).find("byte count 10 00"), std::string::npos);
    EXPECT_NE(problems(2).find("158 bytes"), std::string::npos);
    EXPECT_NE(problems(2).find("bit 7"), std::string::npos);
    EXPECT_NE(problems(3).find("length 520"), std::string::npos);
    EXPECT_NE(problems(4).find("another dump follows"), std::string::npos);
}

TEST_F(ToolTest, InfoPrintsAReadableReport) {
    const ToolResult r = run({"info", Data("rom1a.syx"), Data("control-chars-in-names.syx")});
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.out.find(Data("rom1a.syx") + ": bulk dump, valid, loads as bank\n   1 \"BRASS   1 \"\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("  32 \"TAKE OFF  \"\n"), std::string::npos);
    EXPECT_NE(r.out.find("\\x18"), std::string::npos) << "control bytes are escaped";
    EXPECT_EQ(r.out.find('\x18'), std::string::npos);
}

TEST_F(ToolTest, InfoFailsOnAFileItCannotReadButReportsTheOthers) {
    const std::string missing = (folder / "missing.syx").string();
    const ToolResult r = run({"info", "--json", Data("rom1a.syx"), missing});
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.err, "voxmere-tool info: " + missing + ": no such file\n");
    const auto report = nlohmann::json::parse(r.out);
    ASSERT_EQ(report.size(), 2u);
    EXPECT_EQ(report[0].at("valid"), true);
    EXPECT_EQ(report[1].at("valid"), false);
}

TEST_F(ToolTest, ConvertMakesAV32ThatInfoReadsBack) {
    const std::string v32 = (folder / "rom1a.v32").string();
    const ToolResult r = run({"convert", Data("rom1a.syx"), v32});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "wrote " + v32 + ": 32 voices, 5152 bytes\n");
    EXPECT_EQ(fs::file_size(v32), 5152u);
    const auto report = nlohmann::json::parse(run({"info", "--json", v32}).out);
    EXPECT_EQ(report[0].at("kind"), "v32");
    EXPECT_EQ(report[0].at("valid"), true);
    EXPECT_EQ(report[0].at("voices")[0].at("name"), "BRASS   1 ");
}

TEST_F(ToolTest, ConvertKeepsABanksAdditionalDataWhereTheOutputHoldsItAndSaysWhatItDropped) {
    // The input's AMEM: offset 7, 1128 bytes, before its bulk dump.
    const std::string input = Slurp(Data("supplement-then-bank.syx"));
    const std::string amem = input.substr(7, 1128);
    const struct {
        const char *out;
        std::vector<std::string> options;
        int status;
        std::size_t size;
        const char *beside; // the companion that holds the AMEM, if any
    } cases[] = {
        {"bank.syx", {}, 0, 1128 + 4104, nullptr}, // AMEM, then VMEM
        {"bank.v32", {}, 0, 5152, "bank.amem.syx"},
        {"one.v01", {"--voice", "1"}, 2, 161, nullptr}, // one voice holds no bank's AMEM
    };
    for (const auto &c : cases) {
        const std::string out = (folder / c.out).string();
        std::vector<std::string> args{"convert"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back(Data("supplement-then-bank.syx"));
        args.push_back(out);
        const ToolResult r = run(args);
        EXPECT_EQ(r.status, c.status) << c.out << ": " << r.err;
        EXPECT_EQ(fs::file_size(out), c.size) << c.out;
        const bool dropped =
            r.err.find("dropped AMEM (packed 32 additional voices) at offset 7 (1128 bytes)") !=
            std::string::npos;
        EXPECT_EQ(dropped, c.status == 2) << c.out << ": " << r.err;
        if (c.size == 1128 + 4104) {
            EXPECT_EQ(Slurp(out).substr(0, 1128), amem);
        }
        if (c.beside) {
            EXPECT_EQ(Slurp((folder / c.beside).string()), amem);
        }
    }
}

TEST_F(ToolTest, ConvertPicksAVoiceWithTheVoiceOption) {
    const std::string v01 = (folder / "strings.v01").string();
    const ToolResult r = run({"convert", "--voice", "4", Data("rom1a.syx"), v01});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string bytes = Slurp(v01);
    ASSERT_EQ(bytes.size(), 161u);
    EXPECT_EQ(bytes.substr(151, 10), "STRINGS 1 ");
    EXPECT_EQ(bytes.substr(0, 6), std::string("\xF0\x43\x00\x00\x01\x1B", 6));
}

TEST_F(ToolTest, ConvertFailsWithAMessageAndWritesNothing) {
    const std::string out = (folder / "x.v01").string();
    ToolResult r = run({"convert", Data("rom1a.syx"), out});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("choose one with --voice N"), std::string::npos);
    r = run({"convert", Data("truncated-520.syx"), (folder / "x.v32").string()});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("too short (520 bytes, 4102 needed)"), std::string::npos) << r.err;
    r = run({"convert", "--voice", "33", Data("rom1a.syx"), out});
    EXPECT_NE(r.status, 0);
    EXPECT_FALSE(r.err.empty());
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 2) << "only the captured out and err";
}

TEST_F(ToolTest, ShowJsonAgreesWithTheBytesConvertWrites) {
    // The same voice through show and through convert: every figure show
    // gives must be the stored byte it stands for.
    const std::string bytes = Slurp(VoiceFileWith("brass.v01", {}));
    ASSERT_EQ(bytes.size(), 161u);
    auto at = [&](int parameter) {
        return static_cast<unsigned char>(bytes[static_cast<std::size_t>(6 + parameter)]);
    };

    const ToolResult r = run({"show", "--json", Data("rom1a.syx")});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    std::string name;
    for (int b : j["name_bytes"])
        name.push_back(static_cast<char>(b));
    EXPECT_EQ(name, "BRASS   1 ");
    EXPECT_EQ(j["algorithm"], at(134) + 1);
    EXPECT_EQ(j["feedback"], at(135));
    EXPECT_EQ(j["lfo_speed"], at(137));
    ASSERT_EQ(j["operators"].size(), 6u);
    for (int op = 1; op <= 6; ++op) {
        const auto &o = j["operators"][static_cast<std::size_t>(op - 1)];
        const int base = (6 - op) * 21; // operator 6 is stored first
        EXPECT_EQ(o["operator"], op);
        EXPECT_EQ(o["output_level"], at(base + 16)) << "operator " << op;
        EXPECT_EQ(o["rates"][0], at(base)) << "operator " << op;
        EXPECT_EQ(o["levels"][3], at(base + 7)) << "operator " << op;
        EXPECT_EQ(o["left_depth"], at(base + 9)) << "operator " << op;
    }
    for (const char *key : {"osc_key_sync", "lfo_wave", "lfo_sync", "transpose", "pitch_eg"})
        EXPECT_TRUE(j.contains(key)) << key;
}

TEST_F(ToolTest, ShowPicksAVoiceAndPrintsTheChartRowsFromOperatorSix) {
    ToolResult r = run({"show", "--voice", "4", Data("rom1a.syx")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("STRINGS 1"), std::string::npos) << r.out;
    const auto six = r.out.find("\n6 "), one = r.out.find("\n1 ");
    ASSERT_NE(six, std::string::npos) << r.out;
    ASSERT_NE(one, std::string::npos) << r.out;
    EXPECT_LT(six, one);

    r = run({"show", Data("single-voice.syx")});
    EXPECT_EQ(r.status, 0) << r.err;
    r = run({"show", "--voice", "2", Data("single-voice.syx")});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("holds one voice"), std::string::npos) << r.err;
    r = run({"show", Data("truncated-520.syx")});
    EXPECT_NE(r.status, 0);
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find("too short"), std::string::npos) << r.err;
}

// --- Every voice message of a file, and --bank ----------------------------------

TEST_F(ToolTest, InfoListsEveryVoiceMessageWithItsOffsetAndWhatItSkipped) {
    // GIVEN a parameter change and a supplement dump ahead of a bank
    const std::string file = Data("supplement-then-bank.syx");
    // WHEN info reads it as text
    ToolResult r = run({"info", file});
    ASSERT_EQ(r.status, 0) << r.err;
    // THEN it names the bank, its offset, its size and its checksum, and
    // each message it passed over with the reason
    EXPECT_NE(r.out.find("\n  bank 1: bulk dump at offset 1135, 4104 bytes, 32 voices, checksum good, first "
                         "\"BRASS   1 \"\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\n  skipped: offset 0, 7 bytes: "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\n  skipped: offset 7, 1128 bytes: "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\n  later-model data: AMEM (packed 32 additional voices) at offset 7, 1128 bytes, "
                         "checksum good\n"),
              std::string::npos)
        << r.out;
    // AND the JSON says the same
    r = run({"info", "--json", file});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto report = nlohmann::json::parse(r.out).at(0);
    EXPECT_EQ(report.at("banks"), 1);
    EXPECT_EQ(report.at("single_voices"), 0);
    ASSERT_EQ(report.at("found").size(), 1u);
    const auto &bank = report.at("found")[0];
    EXPECT_EQ(bank.at("bank"), 1);
    EXPECT_EQ(bank.at("kind"), "bulk dump");
    EXPECT_EQ(bank.at("offset"), 1135);
    EXPECT_EQ(bank.at("length"), 4104);
    EXPECT_EQ(bank.at("voices"), 32);
    EXPECT_EQ(bank.at("checksum"), "good");
    EXPECT_EQ(bank.at("in_midi_file"), false);
    EXPECT_EQ(bank.at("first_name"), "BRASS   1 ");
    ASSERT_EQ(report.at("skipped").size(), 2u);
    EXPECT_EQ(report.at("skipped")[0].at("offset"), 0);
    EXPECT_EQ(report.at("skipped")[0].at("length"), 7);
    EXPECT_EQ(report.at("skipped")[1].at("offset"), 7);
    for (const auto &skipped : report.at("skipped"))
        EXPECT_FALSE(skipped.at("reason").get<std::string>().empty());
    EXPECT_TRUE(report.at("refusal").is_null());
}

TEST_F(ToolTest, InfoNumbersEachBankOfAFileThatHoldsSeveral) {
    const ToolResult r =
        run({"info", "--json", Data("two-different-banks.syx"), Data("rom1a-bank-in-smf.mid")});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto report = nlohmann::json::parse(r.out);
    const auto &two = report.at(0);
    EXPECT_EQ(two.at("banks"), 2);
    ASSERT_EQ(two.at("found").size(), 2u);
    EXPECT_EQ(two.at("found")[0].at("offset"), 0);
    EXPECT_EQ(two.at("found")[0].at("first_name"), "BRASS   1 ");
    EXPECT_EQ(two.at("found")[1].at("bank"), 2);
    EXPECT_EQ(two.at("found")[1].at("offset"), 4104);
    EXPECT_EQ(two.at("found")[1].at("first_name"), "SECOND 01 ");
    // The bank of a MIDI file is found inside its System Exclusive event.
    const auto &mid = report.at(1);
    EXPECT_EQ(mid.at("banks"), 1);
    ASSERT_EQ(mid.at("found").size(), 1u);
    EXPECT_EQ(mid.at("found")[0].at("in_midi_file"), true);
    EXPECT_EQ(mid.at("found")[0].at("first_name"), "BRASS   1 ");
    EXPECT_EQ(mid.at("loads_as"), "bank");
}

TEST_F(ToolTest, InfoSaysWhyAFileGivesNoVoice) {
    const ToolResult r = run({"info", Data("four-operator-bank-not-dx7.syx")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\n  refused: "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("four-operator"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("  bank 1:"), std::string::npos) << r.out;
}

TEST_F(ToolTest, ConvertAndShowPickABankWithTheBankOption) {
    // GIVEN a file of two banks, the second "SECOND 01".."SECOND 32"
    const std::string two = Data("two-different-banks.syx");
    const std::string v32 = (folder / "second.v32").string();
    // WHEN convert takes --bank 2
    ToolResult r = run({"convert", "--bank", "2", two, v32});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "wrote " + v32 + ": 32 voices, 5152 bytes\n");
    // THEN the file holds the second bank
    const std::string bytes = Slurp(v32);
    ASSERT_EQ(bytes.size(), 5152u);
    EXPECT_EQ(bytes.substr(151, 10), "SECOND 01 ");
    EXPECT_EQ(bytes.substr(31 * 161 + 151, 10), "SECOND 32 ");
    // AND without --bank the first bank is read
    ASSERT_EQ(run({"convert", two, v32}).status, 0);
    EXPECT_EQ(Slurp(v32).substr(151, 10), "BRASS   1 ");
    // AND show takes it with --voice
    r = run({"show", "--bank", "2", "--voice", "32", "--json", two});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto shown = nlohmann::json::parse(r.out);
    std::string name;
    for (int b : shown.at("name_bytes"))
        name.push_back(static_cast<char>(b));
    EXPECT_EQ(name, "SECOND 32 ");
}

TEST_F(ToolTest, ABankNumberTheFileDoesNotHoldSaysHowManyItHolds) {
    const std::string out = (folder / "x.v32").string();
    ToolResult r = run({"convert", "--bank", "3", Data("two-different-banks.syx"), out});
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.err, "voxmere-tool convert: " + Data("two-different-banks.syx") +
                         ": --bank 3 is out of range: the file holds 2 banks\n");
    r = run({"show", "--bank", "2", Data("rom1a.syx")});
    EXPECT_NE(r.status, 0);
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(r.err, "voxmere-tool show: " + Data("rom1a.syx") +
                         ": --bank 2 is out of range: the file holds 1 bank\n");
    r = run({"show", "--bank", "1", Data("single-voice.syx")});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("the file holds no bank"), std::string::npos) << r.err;
    r = run({"convert", "--bank", "0", Data("rom1a.syx"), out});
    EXPECT_NE(r.status, 0) << "banks count from 1";
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 2) << "only the captured out and err";
}

// --- diff ----------------------------------------------------------------------

TEST_F(ToolTest, DiffListsExactlyTheChangedParametersInTheEditorsForms) {
    // GIVEN two voices that differ in five parameters, set on both sides
    const std::string a = VoiceFileWith("a.v01", {{121, 99}, {134, 21}, {71, 39}, {142, 0}, {145, 'B'}});
    const std::string b = VoiceFileWith("b.v01", {{121, 80}, {134, 4}, {71, 15}, {142, 4}, {145, 'X'}});
    // WHEN they are compared
    ToolResult r = run({"diff", a, b});
    // THEN those five are listed in parameter order, as the editor shows
    // them (algorithm from 1, break point 39 'C 3' and 15 'C 1', wave 0 TRI
    // and 4 SINE), and the status says they differ
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, "OP3 break point: C 3 -> C 1\n"
                     "OP1 output level: 99 -> 80\n"
                     "Algorithm: 22 -> 5\n"
                     "LFO wave: TRI -> SINE\n"
                     "Name character 1: \"B\" -> \"X\"\n");
    EXPECT_TRUE(r.err.empty()) << r.err;
    // AND the JSON holds the same
    r = run({"diff", "--json", a, b});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out), nlohmann::json::parse(R"([
        {"parameter": 71, "name": "OP3 break point", "a": "C 3", "b": "C 1"},
        {"parameter": 121, "name": "OP1 output level", "a": "99", "b": "80"},
        {"parameter": 134, "name": "Algorithm", "a": "22", "b": "5"},
        {"parameter": 142, "name": "LFO wave", "a": "TRI", "b": "SINE"},
        {"parameter": 145, "name": "Name character 1", "a": "B", "b": "X"}])"));
}

TEST_F(ToolTest, DiffOfTheSameVoiceSaysSoOnlyOnStandardError) {
    // The MIDI file holds the bank of rom1a.syx.
    for (const auto &[a, b] : std::vector<std::pair<std::string, std::string>>{
             {Data("rom1a.syx") + ":4", Data("rom1a.syx") + ":4"},
             {Data("rom1a.syx"), Data("rom1a-bank-in-smf.mid") + ":1"},
             {Data("single-voice.syx"), Data("single-voice.syx")}}) {
        const ToolResult r = run({"diff", a, b});
        EXPECT_EQ(r.status, 0) << a << " " << b << ": " << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_EQ(r.err, "voxmere-tool diff: " + a + " and " + b + " do not differ\n");
    }
    const ToolResult json = run({"diff", "--json", Data("rom1a.syx"), Data("rom1a.syx") + ":1"});
    EXPECT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(nlohmann::json::parse(json.out), nlohmann::json::array());
}

TEST_F(ToolTest, DiffTakesABankForBothFilesOrOneForEach) {
    // GIVEN bank 2 of the file: bank 1's voices in reverse order, named
    // "SECOND 01".."SECOND 32"
    const std::string two = Data("two-different-banks.syx");
    // WHEN voice 1 of bank 1 meets voice 32 of bank 2
    const ToolResult r = run({"diff", "--bank", "1", "--bank", "2", two + ":1", two + ":32"});
    // THEN only the name differs: "BRASS   1 " against "SECOND 32 "
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, "Name character 1: \"B\" -> \"S\"\n"
                     "Name character 2: \"R\" -> \"E\"\n"
                     "Name character 3: \"A\" -> \"C\"\n"
                     "Name character 4: \"S\" -> \"O\"\n"
                     "Name character 5: \"S\" -> \"N\"\n"
                     "Name character 6: \" \" -> \"D\"\n"
                     "Name character 8: \" \" -> \"3\"\n"
                     "Name character 9: \"1\" -> \"2\"\n");
    // AND one --bank names the bank of both
    EXPECT_EQ(run({"diff", "--bank", "2", two + ":5", two + ":5"}).status, 0);
}

TEST_F(ToolTest, DiffOfAVoiceItCannotReadNamesTheFileWithStatus2) {
    const std::string rom = Data("rom1a.syx"), single = Data("single-voice.syx");
    const std::string missing = (folder / "missing.syx").string();
    struct Bad {
        std::vector<std::string> args;
        std::string err;
    };
    for (const Bad &bad : std::vector<Bad>{
             {{rom + ":33", rom}, rom + ": voice 33 is out of range: the bank holds 32 voices"},
             {{rom, rom + ":0"}, rom + ": voice 0 is out of range: the bank holds 32 voices"},
             {{single + ":2", rom}, single + " holds one voice; voice 2 does not exist"},
             {{rom, missing}, missing + ": no such file"},
             {{"--bank", "2", rom, rom}, rom + ": --bank 2 is out of range: the file holds 1 bank"}}) {
        std::vector<std::string> args{"diff"};
        args.insert(args.end(), bad.args.begin(), bad.args.end());
        const ToolResult r = run(args);
        EXPECT_EQ(r.status, 2) << bad.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_EQ(r.err, "voxmere-tool diff: " + bad.err + "\n");
    }
    // A file that is no voice file: the reader's own reason, naming it.
    const std::string text = Data("text-file-named.v01");
    const ToolResult r = run({"diff", text, rom});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("voxmere-tool diff: " + text + ": ", 0), 0u) << r.err;
}

TEST_F(ToolTest, HelpListsTheSubcommands) {
    const ToolResult r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("info"), std::string::npos);
    EXPECT_NE(r.out.find("convert"), std::string::npos);
    EXPECT_NE(r.out.find("show"), std::string::npos);
    EXPECT_NE(r.out.find("diff"), std::string::npos);
    const ToolResult none = run({});
    EXPECT_NE(none.status, 0);
    EXPECT_FALSE(none.err.empty());
}

} // namespace
