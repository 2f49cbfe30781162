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

// --- Curating: marks, categories, banks from a search ----------------------

TEST_F(CatalogToolTest, TagMarksTheSoundInEveryFileAndBankThatHoldsIt) {
    index();
    const std::string rom = (root / "a" / "rom1a.syx").string(), two = (root / "b" / "two.syx").string();
    // WHEN voice 1 of rom1a.syx is tagged, made a favourite and rated
    const ToolResult r = run({"tag", "--db", db.string(), "--add", "warm", "--add", "80s", "--favourite",
                              "--rating", "4", rom + ":1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, rom + ":1 \"BRASS   1 \": favourite, rating 4, tags: 80s warm\n");
    // THEN its copies are found by each mark: two.syx holds it as voice 1 of
    // bank 1 and (reversed) voice 32 of bank 2
    const std::set<std::tuple<std::string, int, int>> brass1{
        {"rom1a.syx", 1, 1}, {"two.syx", 1, 1}, {"two.syx", 2, 32}};
    const auto found = [&](std::vector<std::string> filter) {
        filter.insert(filter.begin(), {"search", "--db", db.string(), "--json"});
        std::set<std::tuple<std::string, int, int>> where;
        for (const auto &v : json(filter)) {
            where.emplace(fs::path(v.at("file").get<std::string>()).filename().string(), v.at("bank"),
                          v.at("voice"));
            EXPECT_EQ(v.at("rating"), 4);
            EXPECT_EQ(v.at("favourite"), true);
            EXPECT_EQ(v.at("tags"), nlohmann::json({"80s", "warm"}));
        }
        return where;
    };
    const struct {
        std::vector<std::string> filter;
        std::set<std::tuple<std::string, int, int>> expected;
    } rows[] = {
        {{"--tag", "WARM"}, brass1},
        {{"--favourite"}, brass1},
        {{"--rating", "4"}, brass1},
        {{"--rating", "5"}, {}},
        {{"--tag", "warm", "--name", "second"}, {{"two.syx", 2, 32}}},
        {{"--tag", "cold"}, {}},
    };
    for (const auto &row : rows)
        EXPECT_EQ(found(row.filter), row.expected)
            << row.filter[0] << " " << row.filter[1 % row.filter.size()];
    // AND an index run keeps the marks
    index();
    EXPECT_EQ(found({"--tag", "80s"}), brass1);
    // WHEN the tag is taken off through another copy THEN no copy carries it
    const ToolResult off = run({"tag", "--db", db.string(), "--bank", "2", "--remove", "warm", two + ":32"});
    ASSERT_EQ(off.status, 0) << off.err;
    EXPECT_EQ(off.out, two + ":32 \"SECOND 32 \": favourite, rating 4, tags: 80s\n");
    EXPECT_TRUE(found({"--tag", "warm"}).empty());
}

TEST_F(CatalogToolTest, TagRefusesWhatItCannotMarkAndWritesNothing) {
    index();
    const std::string rom = (root / "a" / "rom1a.syx").string(), two = (root / "b" / "two.syx").string();
    const std::string missing = (root / "missing.syx").string();
    const struct {
        std::vector<std::string> args;
        std::string error;
    } rows[] = {
        {{"--add", "x", rom + ":1", missing}, missing},
        {{"--add", "x", rom + ":33"}, rom + ": voice 33 is out of range: the bank holds 32 voices"},
        {{"--add", "x", "--bank", "3", two + ":1"}, "--bank 3 is out of range"},
        {{rom + ":1"}, "say what to mark"},
        {{"--category", "synth", rom + ":1"}, "\"synth\" is no category; the categories are bass, brass,"},
        {{"--add= ", rom + ":1"}, "a tag cannot be empty"},
        {{"--rating", "6", rom + ":1"}, "--rating"},
    };
    for (const auto &row : rows) {
        std::vector<std::string> args{"tag", "--db", db.string()};
        args.insert(args.end(), row.args.begin(), row.args.end());
        const ToolResult r = run(args);
        EXPECT_NE(r.status, 0) << row.error;
        EXPECT_NE(r.err.find(row.error), std::string::npos) << row.args[0] << ": " << r.err;
        EXPECT_EQ(r.out, "") << row.error;
    }
    EXPECT_TRUE(json({"search", "--db", db.string(), "--json", "--tag", "x"}).empty());
    const ToolResult noCatalogue = run({"tag", "--db", (scratch / "none.db").string(), "--favourite", rom});
    EXPECT_NE(noCatalogue.err.find("does not exist"), std::string::npos) << noCatalogue.err;
}

TEST_F(CatalogToolTest, SearchAndCategoriesPlaceTheFactoryVoicesByName) {
    index();
    // The factory's bells and mallets, in rom1a.syx and bank 1 of two.syx.
    std::multiset<std::string> names;
    for (const auto &v : json({"search", "--db", db.string(), "--json", "--category", "Bells and Mallets"})) {
        names.insert(v.at("name").get<std::string>());
        EXPECT_EQ(v.at("category"), "bells and mallets");
        EXPECT_EQ(v.at("category_reason").get<std::string>().rfind("name contains ", 0), 0u) << v;
    }
    std::multiset<std::string> expected;
    for (const char *n : {"VIBE    1 ", "MARIMBA   ", "ORCH-CHIME", "TUB BELLS ", "STEEL DRUM"})
        expected.insert({n, n});
    EXPECT_EQ(names, expected);
    // Every factory name has a category; "SECOND nn" and the single voice
    // "GET FUNKY" have none: 33 of 97 voices, 33 of 65 names.
    const auto counts = json({"categories", "--db", db.string(), "--json"});
    EXPECT_EQ(counts.at("voices"), 97);
    EXPECT_EQ(counts.at("names"), 65);
    EXPECT_EQ(counts.at("categories").at("other"), nlohmann::json({{"voices", 33}, {"names", 33}}));
    EXPECT_EQ(counts.at("categories").at("brass"), nlohmann::json({{"voices", 6}, {"names", 3}}));
    const ToolResult bad = run({"search", "--db", db.string(), "--category", "synth"});
    EXPECT_NE(bad.status, 0);
    EXPECT_NE(bad.err.find("\"synth\" is no category"), std::string::npos) << bad.err;
}

TEST_F(CatalogToolTest, BankWritesTheVoicesASearchFindsAndFillsTheRestWithTheInitialVoice) {
    index();
    const fs::path out = scratch / "brass.syx";
    // WHEN a bank is made of the distinct sounds named "brass"
    const auto made = [&](const std::vector<std::string> &args, const fs::path &file) {
        std::vector<std::string> all{"bank", "--db", db.string()};
        all.insert(all.end(), args.begin(), args.end());
        all.push_back(file.string());
        return run(all);
    };
    const ToolResult r = made({"--name", "brass", "--distinct", "--json"}, out);
    ASSERT_EQ(r.status, 0) << r.err;
    // THEN it holds BRASS 1..3 of rom1a.syx, byte for byte, then the initial voice
    EXPECT_EQ(r.err, "voxmere-tool bank: only 3 sounds match; positions 4 to 32 hold the initial voice\n");
    const auto listed = nlohmann::json::parse(r.out);
    EXPECT_EQ(listed.at("found"), 3);
    EXPECT_EQ(listed.at("initial"), 29);
    const std::vector<Byte> bank = vox::test::ReadFileContents(out);
    ASSERT_EQ(bank.size(), vox::kBulkMessageSize);
    for (std::size_t p = 0; p < 32; ++p) {
        const auto voice = bank.begin() + static_cast<long>(vox::kBulkDataPos + 128 * p);
        const auto &entry = listed.at("voices")[p];
        EXPECT_EQ(entry.at("position"), p + 1);
        if (p < 3) {
            EXPECT_TRUE(std::equal(voice, voice + 128, rom1a.begin() + static_cast<long>(6 + 128 * p)))
                << p + 1;
            EXPECT_EQ(fs::path(entry.at("file").get<std::string>()).filename(), "rom1a.syx");
            EXPECT_EQ(entry.at("fingerprint").get<std::string>(), RomFingerprint(static_cast<int>(p) + 1));
        } else {
            EXPECT_EQ(std::string(voice + 118, voice + 128), "INIT VOICE") << p + 1;
            EXPECT_EQ(entry.at("initial"), true);
        }
    }
    EXPECT_EQ(bank[vox::kBulkChecksumPos],
              vox::ChecksumOf(std::span<const Byte>(bank).subspan(vox::kBulkDataPos, 4096)));

    // WHEN a bank is made of the whole catalogue in file order THEN it is rom1a.syx
    const ToolResult whole = made({"--order", "file"}, scratch / "whole.syx");
    ASSERT_EQ(whole.status, 0) << whole.err;
    EXPECT_EQ(whole.err, "");
    EXPECT_EQ(vox::test::ReadFileContents(scratch / "whole.syx"), rom1a);
    const ToolResult v32 = made({"--name", "brass"}, scratch / "brass.v32");
    ASSERT_EQ(v32.status, 0) << v32.err;
    EXPECT_EQ(fs::file_size(scratch / "brass.v32"), 5152u);
    EXPECT_NE(v32.err.find("only 6 voices match"), std::string::npos) << v32.err;

    // WHEN nothing matches or the kind cannot hold a bank THEN nothing is written
    const struct {
        std::vector<std::string> args;
        std::string file, error;
    } refused[] = {
        {{"--name", "no such", "--algorithm", "3"},
         "none.syx",
         "voxmere-tool bank: no voice of the catalogue " + db.string() +
             " matches --name \"no such\" --algorithm 3\n"},
        {{"--tag", "warm"},
         "none.syx",
         "voxmere-tool bank: no voice of the catalogue " + db.string() + " matches --tag \"warm\"\n"},
        {{"--name", "brass"},
         "one.v01",
         "voxmere-tool bank: " + (scratch / "one.v01").string() + ": a bank is written as .syx or .v32\n"},
    };
    for (const auto &row : refused) {
        const ToolResult no = made(row.args, scratch / row.file);
        EXPECT_EQ(no.status, 1) << row.error;
        EXPECT_EQ(no.err, row.error);
        EXPECT_FALSE(fs::exists(scratch / row.file)) << row.file;
    }
}

TEST_F(CatalogToolTest, BankOfADx7iiBanksVoicesKeepsTheirAdditionalData) {
    // GIVEN a collection of one DX7 II bank (AMEM, then the bulk dump)
    fs::remove_all(root);
    const std::vector<Byte> file = Data("supplement-then-bank.syx");
    const std::vector<Byte> amem(file.begin() + 7, file.begin() + 7 + 1128);
    Write(root / "dx7ii.syx", file);
    // AND a file of 32 performances (PMEM: count 1642 = 0C 6A, all-zero payload)
    std::vector<Byte> pmem = {0xF0, 0x43, 0x00, 0x7E, 0x0C, 0x6A, 'L', 'M',
                              ' ',  ' ',  '8',  '9',  '7',  '3',  'P', 'M'};
    pmem.resize(6 + 1642, 0x00);
    pmem.push_back(0x2F); // (-(Σ of the ten name bytes, 51h)) AND 7F
    pmem.push_back(0xF7);
    Write(root / "perf.syx", pmem);
    const ToolResult indexed = run({"index", "--db", db.string(), root.string()});
    ASSERT_EQ(indexed.status, 0) << indexed.err;
    // THEN the performance file is listed as the later models' data, not refused
    EXPECT_NE(indexed.out.find("later models' data: " + (root / "perf.syx").string() +
                               ": PMEM (DX7 II), 1 message, 1650 bytes\n"),
              std::string::npos)
        << indexed.out;
    EXPECT_NE(indexed.out.find("0 refused"), std::string::npos) << indexed.out;
    // WHEN the bank's 32 voices are made into a bank in file order
    const fs::path out = scratch / "ii.syx", v32 = scratch / "ii.v32";
    for (const fs::path &f : {out, v32}) {
        const ToolResult r = run({"bank", "--db", db.string(), "--order", "file", f.string()});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("with the additional data AMEM"), std::string::npos) << r.out;
    }
    // THEN the .syx holds that AMEM before the bulk dump, the .v32 has it beside it
    const std::vector<Byte> bank = vox::test::ReadFileContents(out);
    ASSERT_EQ(bank.size(), 1128u + vox::kBulkMessageSize);
    EXPECT_TRUE(std::equal(amem.begin(), amem.end(), bank.begin()));
    EXPECT_EQ(vox::test::ReadFileContents(scratch / "ii.amem.syx"), amem);
}

} // namespace
