// GIVEN / WHEN / THEN tests of voxmere-tool index, search and dupes, run as
// a script would run them, on a small collection the test writes from the
// factory bank of tests/data.
#include "tool_runner.h"

#include "voice/bank_format.h"
#include "voice/voice.h"
#include "voice/voice_scan.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using vox::Byte;

using vox::test::ToolResult;

std::vector<Byte> Data(const std::string &name) {
    return vox::test::ReadFileContents(fs::path(VOXMERE_TESTDATA) / name);
}

void Write(const fs::path &file, const std::vector<Byte> &bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write the test file " + file.string());
}

std::string Hex(const Byte *bytes, std::size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        s += digits[bytes[i] >> 4];
        s += digits[bytes[i] & 15];
    }
    return s;
}

class CatalogToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        rom1a = Data("rom1a.syx");
        ASSERT_EQ(rom1a.size(), vox::kBulkMessageSize) << "rom1a.syx";
        Write(root / "a" / "rom1a.syx", rom1a);
        Write(root / "b" / "two.syx", Data("two-different-banks.syx"));
        Write(root / "single.syx", Data("single-voice.syx"));
        text = Data("text-file-named.v01");
        Write(root / "notes.v01", text);
    }

    ToolResult run(const std::vector<std::string> &args) { return vox::test::RunTool(args, scratch); }

    nlohmann::json json(const std::vector<std::string> &args) {
        const ToolResult r = run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        return nlohmann::json::parse(r.out);
    }

    void index() {
        const ToolResult r = run({"index", "--db", db.string(), root.string()});
        ASSERT_EQ(r.status, 0) << r.err;
    }

    // The packed body of voice n (1-based) of rom1a.syx, as hex: the
    // fingerprint its voices must show.
    std::string RomFingerprint(int n) const {
        return Hex(rom1a.data() + vox::kBulkDataPos + vox::kPackedVoiceSize * static_cast<std::size_t>(n - 1),
                   118);
    }

    vox::test::ScratchFolder scratch{"catalog-tool"};
    fs::path root = scratch / "collection";
    fs::path db = scratch / "voices.db";
    std::vector<Byte> rom1a, text;
};

TEST_F(CatalogToolTest, IndexPrintsFilesBanksVoicesAndTheRefusedFilesWithTheirReasons) {
    // WHEN a folder is indexed
    const ToolResult r = run({"index", "--db", db.string(), root.string()});
    // THEN the counts and the refused file with its reason are printed
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const vox::VoiceScan scan = vox::ScanVoiceFile(text, "notes.v01");
    ASSERT_TRUE(scan.found.empty());
    const std::string expected = "files: 3 with voices, 1 refused\n"
                                 "banks: 3\n"
                                 "voices: 97\n"
                                 "this run: 4 files read, 0 unchanged, 0 removed\n"
                                 "refused: " +
                                 (fs::absolute(root) / "notes.v01").string() + ": " +
                                 vox::ScanReasonEnglish(scan.refusal, scan.refusalCount) + "\n";
    EXPECT_EQ(r.out, expected);
    // AND a second run reads nothing again
    const ToolResult again = run({"index", "--db", db.string()});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.out.find("this run: 0 files read, 4 unchanged, 0 removed\n"), std::string::npos)
        << again.out;
}

TEST_F(CatalogToolTest, IndexRefusesAFolderThatDoesNotExistAndWritesNoCatalogue) {
    const fs::path missing = scratch / "no-such-folder";
    const ToolResult r = run({"index", "--db", db.string(), missing.string()});
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.err, "voxmere-tool index: the folder " + missing.string() + " does not exist\n");
    EXPECT_FALSE(fs::exists(db));
}

TEST_F(CatalogToolTest, ACatalogueThatCannotBeOpenedIsNamedWithTheReason) {
    Write(db, std::vector<Byte>(4096, 0x5A));
    for (const std::string command : {"index", "search", "dupes"}) {
        SCOPED_TRACE(command);
        std::vector<std::string> args{command, "--db", db.string()};
        if (command == "index") args.push_back(root.string());
        const ToolResult r = run(args);
        EXPECT_NE(r.status, 0);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("voxmere-tool " + command + ": ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(db.string()), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("not a database"), std::string::npos) << r.err;
    }
    const ToolResult missing = run({"search", "--db", (scratch / "none.db").string()});
    EXPECT_NE(missing.status, 0);
    EXPECT_NE(missing.err.find("does not exist"), std::string::npos) << missing.err;
    EXPECT_FALSE(fs::exists(scratch / "none.db"));
}

TEST_F(CatalogToolTest, SearchWithoutAFilterListsEveryVoiceAsJson) {
    index();
    const auto all = json({"search", "--db", db.string(), "--json", "--sort", "file"});
    ASSERT_TRUE(all.is_array());
    ASSERT_EQ(all.size(), 97u);
    std::set<std::string> files;
    for (const auto &v : all) {
        files.insert(v.at("file").get<std::string>());
        ASSERT_EQ(v.at("name_bytes").size(), 10u);
        std::string fromBytes;
        for (const auto &b : v.at("name_bytes"))
            fromBytes += static_cast<char>(b.get<int>());
        EXPECT_EQ(v.at("name").get<std::string>(), fromBytes);
        EXPECT_GE(v.at("algorithm").get<int>(), 1);
        EXPECT_LE(v.at("algorithm").get<int>(), 32);
        EXPECT_EQ(v.at("fingerprint").get<std::string>().size(), 236u);
    }
    EXPECT_EQ(files.size(), 3u);
    // In file order: rom1a.syx first, its voices 1..32 in order, with the
    // fingerprint of the bytes the file holds.
    for (int n = 1; n <= 32; ++n) {
        const auto &v = all[static_cast<std::size_t>(n - 1)];
        EXPECT_EQ(fs::path(v.at("file").get<std::string>()).filename(), "rom1a.syx");
        EXPECT_EQ(v.at("bank"), 1);
        EXPECT_EQ(v.at("voice"), n);
        EXPECT_EQ(v.at("fingerprint").get<std::string>(), RomFingerprint(n));
        const std::string name(rom1a.begin() + 6 + 128 * (n - 1) + 118,
                               rom1a.begin() + 6 + 128 * (n - 1) + 128);
        EXPECT_EQ(v.at("name").get<std::string>(), name);
    }
}

TEST_F(CatalogToolTest, SearchFiltersByNameAndAlgorithmAndFindsTheSecondBank) {
    index();
    // The second bank of two.syx holds the factory voices in reverse order,
    // renamed: "SECOND 07" is voice 26 of rom1a.syx.
    const auto second = json({"search", "--db", db.string(), "--json", "--name", "second 07"});
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(fs::path(second[0].at("file").get<std::string>()).filename(), "two.syx");
    EXPECT_EQ(second[0].at("bank"), 2);
    EXPECT_EQ(second[0].at("voice"), 7);
    EXPECT_EQ(second[0].at("fingerprint").get<std::string>(), RomFingerprint(26));

    const int algorithm = rom1a[6 + 128 * 7 + 110] + 1; // PIANO 1's
    const auto pianos = json({"search", "--db", db.string(), "--json", "--name", "PIANO", "--algorithm",
                              std::to_string(algorithm)});
    ASSERT_FALSE(pianos.empty());
    for (const auto &v : pianos) {
        EXPECT_NE(v.at("name").get<std::string>().find("PIANO"), std::string::npos);
        EXPECT_EQ(v.at("algorithm"), algorithm);
    }
    // The text form: one line a voice.
    const ToolResult lines = run({"search", "--db", db.string(), "--name", "piano   1"});
    ASSERT_EQ(lines.status, 0) << lines.err;
    EXPECT_EQ(std::count(lines.out.begin(), lines.out.end(), '\n'), 2) << lines.out;
    EXPECT_EQ(lines.out.rfind("\"PIANO   1 \"  algorithm " + std::to_string(algorithm), 0), 0u) << lines.out;
    // A value out of range is refused by the command line.
    EXPECT_NE(run({"search", "--db", db.string(), "--algorithm", "33"}).status, 0);
}

TEST_F(CatalogToolTest, DupesGroupsTheSameSoundUnderItsNamesAndFiles) {
    index();
    const auto groups = json({"dupes", "--db", db.string(), "--json"});
    // Each factory sound: in rom1a.syx, and in both banks of two.syx.
    ASSERT_EQ(groups.size(), 32u);
    std::set<std::string> fingerprints;
    for (const auto &g : groups) {
        const std::string fingerprint = g.at("fingerprint").get<std::string>();
        fingerprints.insert(fingerprint);
        ASSERT_EQ(g.at("voices").size(), 3u);
        std::set<std::pair<std::string, int>> where;
        for (const auto &v : g.at("voices")) {
            EXPECT_EQ(v.at("fingerprint").get<std::string>(), fingerprint);
            where.emplace(fs::path(v.at("file").get<std::string>()).filename().string(),
                          v.at("bank").get<int>());
        }
        EXPECT_EQ(where,
                  (std::set<std::pair<std::string, int>>{{"rom1a.syx", 1}, {"two.syx", 1}, {"two.syx", 2}}));
    }
    std::set<std::string> rom;
    for (int n = 1; n <= 32; ++n)
        rom.insert(RomFingerprint(n));
    EXPECT_EQ(fingerprints, rom);
}

TEST_F(CatalogToolTest, DupesNearFindsAVoiceWithOneLevelChanged) {
    // GIVEN rom1a.syx once more with operator 1's output level of voice 4
    // two steps lower
    std::vector<Byte> changed = rom1a;
    changed[6 + 128 * 3 + 5 * 17 + 14] = static_cast<Byte>(changed[6 + 128 * 3 + 5 * 17 + 14] - 2);
    changed[vox::kBulkChecksumPos] = vox::ChecksumOf(std::span<const Byte>(changed).subspan(6, 4096));
    Write(root / "c" / "changed.syx", changed);
    index();
    const auto pairs = json({"dupes", "--db", db.string(), "--json", "--near", "2"});
    ASSERT_EQ(pairs.size(), 1u);
    EXPECT_EQ(pairs[0].at("distance"), 2);
    ASSERT_EQ(pairs[0].at("voices").size(), 2u);
    EXPECT_EQ(pairs[0].at("voices")[0].at("fingerprint").get<std::string>(), RomFingerprint(4));
    EXPECT_EQ(fs::path(pairs[0].at("voices")[1].at("file").get<std::string>()).filename(), "changed.syx");
    EXPECT_EQ(pairs[0].at("voices")[1].at("voice"), 4);
    EXPECT_TRUE(json({"dupes", "--db", db.string(), "--json", "--near", "1"}).empty());
}

} // namespace
