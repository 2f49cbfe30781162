// GIVEN / WHEN / THEN tests that run the built voxmere-tool as a user or a
// script would: its output, its JSON and its exit status.
#include "../common/test_files.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct ToolResult {
    int status = -1;
    std::string out, err;
};

std::string Slurp(const fs::path &file) { return vox::test::ReadFileText(file); }

std::string Quote(const std::string &s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

class ToolTest : public ::testing::Test {
protected:
    ToolTest() {}

    ToolResult run(const std::vector<std::string> &args) {
        std::string command = Quote(VOXMERE_TOOL);
        for (const auto &a : args)
            command += " " + Quote(a);
        command += " >" + Quote((folder / "out").string()) + " 2>" + Quote((folder / "err").string()) +
                   " </dev/null";
        ToolResult r;
        const int raw = std::system(command.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = Slurp(folder / "out");
        r.err = Slurp(folder / "err");
        return r;
    }

    static std::string Data(const std::string &name) { return (fs::path(VOXMERE_TESTDATA) / name).string(); }

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
    {"rom1a-bank-in-smf.mid", {"MIDI file", false, "none", 0}},
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
    const std::string v01 = (folder / "brass.v01").string();
    ASSERT_EQ(run({"convert", "--voice", "1", Data("rom1a.syx"), v01}).status, 0);
    const std::string bytes = Slurp(v01);
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

TEST_F(ToolTest, HelpListsTheSubcommands) {
    const ToolResult r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("info"), std::string::npos);
    EXPECT_NE(r.out.find("convert"), std::string::npos);
    EXPECT_NE(r.out.find("show"), std::string::npos);
    const ToolResult none = run({});
    EXPECT_NE(none.status, 0);
    EXPECT_FALSE(none.err.empty());
}

} // namespace
