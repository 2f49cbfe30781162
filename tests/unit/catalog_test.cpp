// The voice catalogue against a small collection the test writes itself
// from the factory bank of tests/data: what it holds is known voice by
// voice, so every answer is checked against the bytes written.
#include "../common/test_files.h"
#include "library_collection.h"

#include "library/bank_builder.h"
#include "library/catalog.h"
#include "voice/algorithms.h"
#include "voice/bank_format.h"
#include "voice/voice.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <bit>
#include <fstream>
#include <map>
#include <set>

// Queries are written with designated initializers that name only the
// filters a case sets; the others keep their defaults on purpose.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace vox {
namespace {

namespace fs = std::filesystem;

using Packed = std::array<PackedVoice, kBankSlots>;

std::vector<Byte> ReadData(const std::string &name) {
    return test::ReadFileContents(fs::path(VOXMERE_TESTDATA) / name);
}

void Write(const fs::path &file, const std::vector<Byte> &bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write the test file " + file.string());
}

Packed PackedOf(const std::vector<Byte> &bulk) {
    if (bulk.size() != kBulkMessageSize)
        throw std::runtime_error("the test bank is not a 4104-byte bulk dump");
    Packed p{};
    for (std::size_t v = 0; v < kBankSlots; ++v)
        std::copy_n(bulk.begin() + static_cast<long>(kBulkDataPos + kPackedVoiceSize * v), kPackedVoiceSize,
                    p[v].begin());
    return p;
}

std::vector<Byte> BulkOf(const Packed &voices) {
    std::vector<Byte> bulk(kBankHeader.begin(), kBankHeader.end());
    for (const PackedVoice &v : voices)
        bulk.insert(bulk.end(), v.begin(), v.end());
    bulk.push_back(ChecksumOf(std::span<const Byte>(bulk).subspan(kBulkDataPos)));
    bulk.push_back(kSysExEnd);
    return bulk;
}

void Rename(PackedVoice &v, const std::string &name) {
    for (std::size_t i = 0; i < kNameLength; ++i)
        v[118 + i] = static_cast<Byte>(i < name.size() ? name[i] : ' ');
}

std::string NameOf(const PackedVoice &v) { return std::string(v.begin() + 118, v.end()); }

// The sound of a packed voice whose fields are all in range: its first 118 bytes.
SoundBody BodyOf(const PackedVoice &v) {
    SoundBody b{};
    std::copy_n(v.begin(), kSoundBodySize, b.begin());
    return b;
}

// What the test knows of each voice it wrote.
struct Known {
    fs::path file;
    int bank, voice;
    bool single;
    std::string name;
    int algorithm, feedback;
};

std::string Lower(std::string s) {
    for (char &c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// The order a search by file gives: path, banks before single voices, bank, voice.
auto FileKey(const CatalogVoice &v) { return std::tuple(v.file.string(), v.singleVoice, v.bank, v.voice); }

class CatalogTest : public ::testing::Test {
protected:
    void SetUp() override {
        rom1a = ReadData("rom1a.syx");
        single = ReadData("single-voice.syx");
        factory = PackedOf(rom1a);
        ASSERT_EQ(single.size(), 163u) << "single-voice.syx";

        // a/rom1a.syx and "b/copy of rom1a.syx": the same bank twice.
        writeBank(root / "a" / "rom1a.syx", factory);
        writeBank(root / "b" / "copy of rom1a.syx", factory);
        // b/renamed.syx: voice 1 renamed (same sound), voice 2's operator 1
        // output level three steps lower (a near-duplicate at distance 3).
        Packed renamed = factory;
        Rename(renamed[0], "Renamed 01");
        renamed[1][5 * 17 + 14] = static_cast<Byte>(renamed[1][5 * 17 + 14] - 3);
        writeBank(root / "b" / "renamed.syx", renamed);
        // A single-voice dump two folders down.
        Write(root / "c" / "deeper" / "single.syx", single);
        known.push_back({root / "c" / "deeper" / "single.syx", 1, 1, true,
                         std::string(single.begin() + 151, single.begin() + 161), single[6 + 134] + 1,
                         single[6 + 135] & 7});
        // Two files with no voice.
        Write(root / "notes.v01", ReadData("text-file-named.v01"));
        Write(root / "c" / "empty.syx", {});

        std::string error;
        catalog = Catalog::Open(dbFile, error);
        ASSERT_TRUE(catalog) << error;
        ASSERT_TRUE(catalog->addFolder(root));
        first = catalog->index();
        ASSERT_EQ(first.error, "");
    }

    void writeBank(const fs::path &file, const Packed &voices, bool remember = true) {
        Write(file, BulkOf(voices));
        if (!remember) return;
        for (std::size_t v = 0; v < kBankSlots; ++v)
            known.push_back({file, 1, static_cast<int>(v + 1), false, NameOf(voices[v]),
                             (voices[v][110] & 31) + 1, voices[v][111] & 7});
    }

    std::vector<CatalogVoice> all(CatalogSort sort = CatalogSort::File) const {
        CatalogQuery q;
        q.sort = sort;
        return catalog->search(q);
    }

    // The known voices a filter lets through, in file order.
    template <class Keep>
    std::vector<std::tuple<std::string, int, int, std::string>> expect(Keep keep) const {
        std::vector<Known> k;
        std::copy_if(known.begin(), known.end(), std::back_inserter(k), keep);
        std::sort(k.begin(), k.end(), [](const Known &a, const Known &b) {
            return std::tuple(a.file.string(), a.single, a.bank, a.voice) <
                   std::tuple(b.file.string(), b.single, b.bank, b.voice);
        });
        std::vector<std::tuple<std::string, int, int, std::string>> out;
        for (const Known &x : k)
            out.emplace_back(x.file.string(), x.bank, x.voice, x.name);
        return out;
    }
    static std::vector<std::tuple<std::string, int, int, std::string>> got(std::vector<CatalogVoice> voices) {
        std::sort(voices.begin(), voices.end(),
                  [](const auto &a, const auto &b) { return FileKey(a) < FileKey(b); });
        std::vector<std::tuple<std::string, int, int, std::string>> out;
        for (const CatalogVoice &v : voices)
            out.emplace_back(v.file.string(), v.bank, v.voice, v.name);
        return out;
    }

    test::ScratchFolder scratch{"catalog"};
    fs::path root = scratch / "collection";
    fs::path dbFile = scratch / "voices.db";
    std::vector<Byte> rom1a, single;
    Packed factory{};
    std::vector<Known> known;
    std::unique_ptr<Catalog> catalog;
    IndexReport first;
};

// --- Indexing -------------------------------------------------------------

TEST_F(CatalogTest, FirstIndexCountsEveryVoiceOfEveryFileAndNamesTheRefusedOnes) {
    // GIVEN the collection, WHEN it is indexed for the first time
    // THEN three banks and one single voice are found in four files
    EXPECT_FALSE(first.cancelled);
    EXPECT_EQ(first.files, 4u);
    EXPECT_EQ(first.banks, 3u);
    EXPECT_EQ(first.voices, 97u);
    EXPECT_EQ(first.filesRead, 6u);
    EXPECT_EQ(first.filesUnchanged, 0u);
    EXPECT_EQ(first.filesRemoved, 0u);
    EXPECT_EQ(catalog->voiceCount(), 97u);
    // AND the two files without a voice are refused with their reasons
    ASSERT_EQ(first.refused.size(), 2u);
    EXPECT_EQ(first.refused[0].file, root / "c" / "empty.syx");
    EXPECT_EQ(first.refused[1].file, root / "notes.v01");
    for (const RefusedFile &r : first.refused) {
        EXPECT_NE(r.reason, ScanReason::None) << r.file;
        EXPECT_FALSE(ScanReasonEnglish(r.reason, r.count).empty()) << r.file;
    }
    EXPECT_EQ(catalog->refusedFiles().size(), 2u);
    EXPECT_EQ(catalog->folders(), std::vector<fs::path>{root});
}

TEST_F(CatalogTest, EveryVoiceIsStoredWithItsFileBankNumberNameAndParameters) {
    // GIVEN the indexed collection, WHEN every voice is listed
    const auto voices = all();
    // THEN the list is exactly the voices written, with names as stored
    EXPECT_EQ(got(voices), expect([](const Known &) { return true; }));
    for (const CatalogVoice &v : voices) {
        SCOPED_TRACE(v.file.string() + " voice " + std::to_string(v.voice));
        const auto k = std::find_if(known.begin(), known.end(), [&](const Known &x) {
            return x.file == v.file && x.bank == v.bank && x.voice == v.voice;
        });
        ASSERT_NE(k, known.end());
        EXPECT_EQ(v.singleVoice, k->single);
        EXPECT_EQ(v.algorithm, k->algorithm);
        EXPECT_EQ(v.feedback, k->feedback);
        EXPECT_EQ(std::string(v.nameBytes.begin(), v.nameBytes.end()), k->name);
        EXPECT_EQ(v.carriers,
                  std::popcount(kAlgorithms[static_cast<std::size_t>(v.algorithm - 1)].carrierMask));
        EXPECT_EQ(FingerprintHex(v.body).size(), 236u);
        // AND the stored voice is the voice the file holds
        const std::optional<VoiceRecord> r = catalog->record(v.id);
        ASSERT_TRUE(r);
        EXPECT_EQ(SoundBodyOf(*r), v.body);
        if (!v.singleVoice) {
            const std::vector<Byte> bytes = test::ReadFileContents(v.file);
            Slot slot{};
            UnpackVoice(
                std::span<const Byte, kPackedVoiceSize>(
                    bytes.data() + kBulkDataPos + kPackedVoiceSize * static_cast<std::size_t>(v.voice - 1),
                    kPackedVoiceSize),
                slot);
            EXPECT_TRUE(std::equal(r->begin() + kParamBase, r->end(), slot.begin() + kParamBase));
        } else {
            EXPECT_TRUE(std::equal(r->begin(), r->end(), single.begin()));
        }
    }
}

TEST_F(CatalogTest, ABankIsReadBackWholeAndASingleVoiceHasNone) {
    const auto voices = all();
    const auto brass3 = std::find_if(voices.begin(), voices.end(), [&](const CatalogVoice &v) {
        return v.file == root / "b" / "renamed.syx" && v.voice == 3;
    });
    ASSERT_NE(brass3, voices.end());
    // WHEN the bank of the third voice of renamed.syx is asked for
    const std::optional<BankRecords> bank = catalog->bank(brass3->id);
    // THEN its 32 voices come in order, the renamed first
    ASSERT_TRUE(bank);
    EXPECT_EQ(std::string((*bank)[0].begin() + kNamePos, (*bank)[0].begin() + kNamePos + kNameLength),
              "Renamed 01");
    EXPECT_EQ(std::string((*bank)[31].begin() + kNamePos, (*bank)[31].end()), NameOf(factory[31]));
    // AND a single voice belongs to no bank
    const auto funky =
        std::find_if(voices.begin(), voices.end(), [](const CatalogVoice &v) { return v.singleVoice; });
    ASSERT_NE(funky, voices.end());
    EXPECT_FALSE(catalog->bank(funky->id));
    EXPECT_FALSE(catalog->record(999999));
}

TEST_F(CatalogTest, ReindexReadsOnlyWhatChangedAndDropsWhatIsGone) {
    // GIVEN nothing changed, WHEN indexed again THEN no file is read
    IndexReport again = catalog->index();
    EXPECT_EQ(again.filesRead, 0u);
    EXPECT_EQ(again.filesUnchanged, 6u);
    EXPECT_EQ(again.voices, 97u);

    // GIVEN one file rewritten with the same size, one added, one removed
    Packed changed = factory;
    Rename(changed[2], "CHANGED 03");
    const fs::path renamed = root / "b" / "renamed.syx";
    const auto before = fs::last_write_time(renamed);
    Write(renamed, BulkOf(changed));
    fs::last_write_time(renamed, before + std::chrono::seconds(2));
    Write(root / "c" / "two.syx", ReadData("two-different-banks.syx"));
    fs::remove(root / "b" / "copy of rom1a.syx");

    // WHEN indexed again
    again = catalog->index();
    // THEN the changed and the new file are read, the removed one dropped
    EXPECT_EQ(again.error, "");
    EXPECT_EQ(again.filesRead, 2u);
    EXPECT_EQ(again.filesUnchanged, 4u);
    EXPECT_EQ(again.filesRemoved, 1u);
    EXPECT_EQ(again.banks, 4u);
    EXPECT_EQ(again.voices, 97u - 32u + 64u);
    // AND the search shows the new state
    CatalogQuery q;
    q.name = "changed";
    const auto found = catalog->search(q);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].file, renamed);
    EXPECT_EQ(found[0].voice, 3);
    q.name = "renamed";
    EXPECT_TRUE(catalog->search(q).empty());
    for (const CatalogVoice &v : all())
        EXPECT_NE(v.file, root / "b" / "copy of rom1a.syx");
    // AND the file with two banks gives bank 1 and bank 2
    q.name = "second 07";
    const auto second = catalog->search(q);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0].file, root / "c" / "two.syx");
    EXPECT_EQ(second[0].bank, 2);
    EXPECT_EQ(second[0].voice, 7);
}

TEST_F(CatalogTest, ACancelledRunLeavesTheCatalogueAsItWas) {
    // GIVEN changes on disk
    const auto before = all();
    Write(root / "d" / "new1.syx", rom1a);
    Write(root / "d" / "new2.syx", rom1a);
    fs::remove(root / "a" / "rom1a.syx");
    // WHEN the run is cancelled after some files were read
    std::atomic<bool> cancel{false};
    std::size_t calls = 0;
    const IndexReport r = catalog->index(
        [&](const IndexProgress &p) {
            ++calls;
            EXPECT_EQ(p.filesTotal, 7u);
            if (p.filesDone >= 5) cancel = true;
        },
        &cancel);
    // THEN the run says so and the catalogue is unchanged, for this
    // connection and for a new one
    EXPECT_TRUE(r.cancelled);
    EXPECT_GE(calls, 2u);
    EXPECT_EQ(r.voices, 97u);
    EXPECT_EQ(got(all()), got(before));
    std::string error;
    const auto other = Catalog::Open(dbFile, error);
    ASSERT_TRUE(other) << error;
    EXPECT_EQ(other->voiceCount(), 97u);
    // AND the next run does the whole work
    const IndexReport next = catalog->index();
    EXPECT_FALSE(next.cancelled);
    EXPECT_EQ(next.filesRead, 2u);
    EXPECT_EQ(next.filesRemoved, 1u);
    EXPECT_EQ(next.voices, 97u + 32u);
}

TEST_F(CatalogTest, AFolderRemovedTakesItsVoicesAndAMissingFolderIsReported) {
    const fs::path extra = scratch / "extra";
    Write(extra / "x.syx", rom1a);
    ASSERT_TRUE(catalog->addFolder(extra));
    EXPECT_FALSE(catalog->addFolder(extra)) << "a folder is added once";
    EXPECT_EQ(catalog->index().voices, 97u + 32u);
    // WHEN the folder is removed THEN its voices go at once
    EXPECT_TRUE(catalog->removeFolder(extra));
    EXPECT_FALSE(catalog->removeFolder(extra));
    EXPECT_EQ(catalog->voiceCount(), 97u);
    EXPECT_EQ(all().size(), 97u);
    EXPECT_EQ(catalog->folders(), std::vector<fs::path>{root});
    // AND a folder gone from the disk is reported and its files dropped
    fs::remove_all(root / "c");
    const IndexReport r = catalog->index();
    EXPECT_EQ(r.voices, 96u);
    const fs::path gone = scratch / "gone";
    ASSERT_TRUE(catalog->addFolder(gone));
    EXPECT_EQ(catalog->index().missingFolders, std::vector<fs::path>{gone});
}

TEST_F(CatalogTest, AnotherConnectionSeesTheIndexedVoices) {
    // GIVEN a second connection that has already searched
    std::string error;
    auto reader = Catalog::Open(dbFile, error);
    ASSERT_TRUE(reader) << error;
    EXPECT_EQ(reader->search({}).size(), 97u);
    // WHEN the first connection indexes a new file
    Write(root / "e" / "more.syx", rom1a);
    catalog->index();
    // THEN the second one finds its voices
    EXPECT_EQ(reader->search({}).size(), 97u + 32u);
}

// --- Searching ------------------------------------------------------------

TEST_F(CatalogTest, NameSearchFindsSubstringsWhateverTheCase) {
    for (const std::string text : {"piano", "PIANO", "PiAn", "renamed 0", "1 ", "BRASS   1", "zzz", ""}) {
        SCOPED_TRACE(text);
        CatalogQuery q;
        q.name = text;
        EXPECT_EQ(got(catalog->search(q)), expect([&](const Known &k) {
                      return Lower(k.name).find(Lower(text)) != std::string::npos;
                  }));
    }
    CatalogQuery q;
    q.name = "renamed";
    ASSERT_EQ(catalog->search(q).size(), 1u);
    EXPECT_EQ(catalog->search(q)[0].name, "Renamed 01");
}

TEST_F(CatalogTest, ALimitKeepsTheFirstInOrderAndStillCountsEveryMatch) {
    CatalogQuery all;
    const auto every = catalog->search(all);
    ASSERT_GT(every.size(), 5u);
    // WHEN the same search keeps only five
    CatalogQuery five;
    five.limit = 5;
    std::size_t matched = 0;
    const auto first = catalog->search(five, &matched);
    // THEN they are the first five of the whole order, and the count is whole
    ASSERT_EQ(first.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(first[i].id, every[i].id);
    EXPECT_EQ(matched, every.size());
}

TEST_F(CatalogTest, ParameterFiltersCombineWithTheName) {
    CatalogQuery q;
    q.algorithm = 18;
    EXPECT_EQ(got(catalog->search(q)), expect([](const Known &k) { return k.algorithm == 18; }));
    q.name = "piano";
    EXPECT_EQ(got(catalog->search(q)), expect([](const Known &k) {
                  return k.algorithm == 18 && Lower(k.name).find("piano") != std::string::npos;
              }));
    q = {};
    q.feedback = 0;
    EXPECT_EQ(got(catalog->search(q)), expect([](const Known &k) { return k.feedback == 0; }));
    q.algorithm = 32;
    // Algorithm 32 has six carriers: E.ORGAN 1, three times.
    const auto organ = catalog->search(q);
    ASSERT_EQ(organ.size(), 3u);
    for (const auto &v : organ)
        EXPECT_EQ(v.name, "E.ORGAN 1 ");
    q = {};
    q.carriers = 6;
    EXPECT_EQ(got(catalog->search(q)), got(organ));
    q.carriers = 1; // algorithms 16, 17, 18
    EXPECT_EQ(got(catalog->search(q)),
              expect([](const Known &k) { return k.algorithm >= 16 && k.algorithm <= 18; }));
}

TEST_F(CatalogTest, ResultsSortByNameFileOrAlgorithmBothWays) {
    const auto byFile = all(CatalogSort::File);
    ASSERT_EQ(byFile.size(), 97u);
    EXPECT_TRUE(std::is_sorted(byFile.begin(), byFile.end(),
                               [](const auto &a, const auto &b) { return FileKey(a) < FileKey(b); }));
    EXPECT_EQ(byFile.front().file, root / "a" / "rom1a.syx");
    EXPECT_EQ(byFile.back().file, root / "c" / "deeper" / "single.syx");

    const auto nameKey = [](const CatalogVoice &v) { return std::tuple(Lower(v.name), v.name, FileKey(v)); };
    const auto byName = all(CatalogSort::Name);
    EXPECT_TRUE(std::is_sorted(byName.begin(), byName.end(),
                               [&](const auto &a, const auto &b) { return nameKey(a) < nameKey(b); }));
    EXPECT_EQ(byName.front().name, "BASS    1 ");

    const auto byAlgorithm = all(CatalogSort::Algorithm);
    EXPECT_TRUE(std::is_sorted(byAlgorithm.begin(), byAlgorithm.end(), [&](const auto &a, const auto &b) {
        return std::tuple(a.algorithm, nameKey(a)) < std::tuple(b.algorithm, nameKey(b));
    }));

    // Descending is the same order turned round; a limit cuts it.
    CatalogQuery q;
    q.sort = CatalogSort::Name;
    q.descending = true;
    auto down = catalog->search(q);
    std::reverse(down.begin(), down.end());
    ASSERT_EQ(down.size(), byName.size());
    for (std::size_t i = 0; i < down.size(); ++i)
        EXPECT_EQ(down[i].id, byName[i].id);
    q.descending = false;
    q.limit = 5;
    const auto five = catalog->search(q);
    ASSERT_EQ(five.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(five[i].id, byName[i].id);
}

// --- Duplicates -----------------------------------------------------------

TEST_F(CatalogTest, DuplicateGroupsGatherEqualSoundsAcrossFilesAndNames) {
    const auto groups = catalog->duplicates();
    // 31 sounds in three files (one of them under another name), the
    // changed BRASS 2 leaves its original in two.
    ASSERT_EQ(groups.size(), 32u);
    for (std::size_t g = 0; g < 31; ++g)
        EXPECT_EQ(groups[g].voices.size(), 3u);
    ASSERT_EQ(groups[31].voices.size(), 2u);
    EXPECT_EQ(groups[31].voices[0].name, NameOf(factory[1]));
    EXPECT_EQ(groups[31].voices[0].file, root / "a" / "rom1a.syx");
    EXPECT_EQ(groups[31].voices[1].file, root / "b" / "copy of rom1a.syx");

    std::set<std::string> fingerprints;
    bool renamedFound = false;
    for (const DuplicateGroup &g : groups) {
        fingerprints.insert(FingerprintHex(g.body));
        for (const CatalogVoice &v : g.voices)
            EXPECT_EQ(v.body, g.body);
        std::set<fs::path> files;
        for (const CatalogVoice &v : g.voices)
            files.insert(v.file);
        EXPECT_EQ(files.size(), g.voices.size()) << "each file holds each factory sound once";
        if (g.voices.back().name == "Renamed 01") {
            renamedFound = true;
            EXPECT_EQ(g.voices[0].name, NameOf(factory[0]));
            EXPECT_EQ(g.voices[1].name, NameOf(factory[0]));
        }
    }
    EXPECT_TRUE(renamedFound);
    EXPECT_EQ(fingerprints.size(), groups.size());
}

// --- The later models' data --------------------------------------------------

// The factory bank as the program's own 32-voice file: 32 records of the
// single-voice header and the 155 unpacked parameters.
std::vector<Byte> V32Of(const Packed &voices) {
    std::vector<Byte> out;
    for (const PackedVoice &v : voices) {
        Slot slot{};
        UnpackVoice(v, slot);
        out.insert(out.end(), {0xF0, 0x43, 0x00, 0x00, 0x01, 0x1B});
        out.insert(out.end(), slot.begin() + kParamBase, slot.begin() + kRecordSize);
    }
    return out;
}

std::vector<Byte> Joined(std::vector<Byte> a, const std::vector<Byte> &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(CatalogTest, EachBankVoiceKeepsTheAdditionalDataAtItsPlaceBesideTheDumpOrTheV32) {
    // GIVEN the factory bank four more times: AMEM before and after the bulk
    // dump, a .v32 with its companion, and a plain bulk dump
    const std::vector<Byte> before = test::AmemMessage(1), after = test::AmemMessage(2),
                            companion = test::AmemMessage(3);
    Write(root / "ii" / "before.syx", Joined(before, BulkOf(factory)));
    Write(root / "ii" / "after.syx", Joined(BulkOf(factory), after));
    Write(root / "ii" / "bank.v32", V32Of(factory));
    Write(root / "ii" / "bank.amem.syx", companion);
    Write(root / "ii" / "plain.syx", BulkOf(factory));
    ASSERT_EQ(catalog->index().error, "");
    const struct {
        const char *file;
        const std::vector<Byte> *amem; // nullptr: no record
    } cases[] = {
        {"before.syx", &before}, {"after.syx", &after},       {"bank.v32", &companion},
        {"plain.syx", nullptr},  {"../a/rom1a.syx", nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        const fs::path file = (root / "ii" / c.file).lexically_normal();
        std::vector<CatalogVoice> voices;
        for (const CatalogVoice &v : all())
            if (v.file == file) voices.push_back(v);
        ASSERT_EQ(voices.size(), kBankSlots);
        const auto bank = catalog->bankWithSupplements(voices[0].id);
        ASSERT_TRUE(bank);
        for (const CatalogVoice &v : voices) {
            const auto i = static_cast<std::size_t>(v.voice - 1);
            // THEN each voice's record is the 35 bytes at its place in the AMEM
            const std::optional<Supplement> expected =
                c.amem ? std::optional(test::RecordIn(*c.amem, i)) : std::nullopt;
            EXPECT_EQ(v.supplement, expected) << v.voice;
            EXPECT_EQ(catalog->supplement(v.id), expected) << v.voice;
            EXPECT_EQ(bank->supplements[i], expected) << v.voice;
            // AND the bank's voices are those of the plain call
            EXPECT_EQ(bank->voices[i], (*catalog->bank(v.id))[i]) << v.voice;
        }
    }
    // AND a voice and its copies with records are one sound
    for (const DuplicateGroup &g : catalog->duplicates()) {
        std::size_t held = 0;
        for (const CatalogVoice &v : g.voices)
            held += v.supplement.has_value();
        EXPECT_EQ(held, 3u) << g.voices[0].name;
        EXPECT_GT(g.voices.size(), held) << g.voices[0].name;
    }
    // WHEN only the companion changes THEN its .v32 is read again with it
    const std::vector<Byte> changed = test::AmemMessage(4);
    Write(root / "ii" / "bank.amem.syx", changed);
    fs::last_write_time(root / "ii" / "bank.amem.syx",
                        fs::last_write_time(root / "ii" / "bank.amem.syx") + std::chrono::seconds(2));
    EXPECT_EQ(catalog->index().filesRead, 2u);
    for (const CatalogVoice &v : all()) {
        if (v.file != root / "ii" / "bank.v32") continue;
        EXPECT_EQ(v.supplement, test::RecordIn(changed, static_cast<std::size_t>(v.voice - 1)));
    }
}

TEST_F(CatalogTest, FilesOfTheLaterModelsMessagesAreListedByKindAndModelNotRefused) {
    // GIVEN files without voices holding the later models' messages, each
    // built byte by byte (name, count, payload, checksum)
    const std::vector<Byte> pmem = test::UniversalBlock("8973PM", 1632);
    ASSERT_EQ(pmem.size(), 1650u);
    ASSERT_EQ((pmem[4] << 7) | pmem[5], 1642);
    const struct {
        const char *file;
        std::vector<Byte> bytes;
        const char *kinds;
        const char *model;
        std::size_t messages;
    } cases[] = {
        {"perf.syx", pmem, "PMEM", "DX7 II", 1},
        {"setup.syx",
         Joined(Joined(test::UniversalBlock("8973S ", 85), test::UniversalBlock("8973PE", 51)),
                test::UniversalBlock("8973PE", 51, 5)),
         "SYSTEM, PCED", "DX7 II", 3},
        {"tx802.syx", test::UniversalBlock("8952PE", 40), "TX802 PCED", "TX802", 1},
        {"tuning.syx", test::UniversalBlock("MCRYE ", 256), "MCRYE", "", 1},
        {"records.syx", test::AmemMessage(1), "AMEM", "", 1},
    };
    std::vector<FamilyFile> expected;
    for (const auto &c : cases) {
        Write(root / "later" / c.file, c.bytes);
        expected.push_back({root / "later" / c.file, c.kinds, c.model, c.messages, c.bytes.size()});
    }
    // AND one whose checksum is wrong: nothing in it can be named for certain
    std::vector<Byte> broken = pmem;
    broken[broken.size() - 2] ^= 1;
    Write(root / "later" / "zbroken.syx", broken);
    // WHEN indexed
    const IndexReport report = catalog->index();
    // THEN each is listed with what can be named of it, in path order
    std::sort(expected.begin(), expected.end(),
              [](const FamilyFile &a, const FamilyFile &b) { return a.file < b.file; });
    EXPECT_EQ(report.family, expected);
    EXPECT_EQ(catalog->familyFiles(), expected);
    // AND none of them is refused but the broken one
    std::vector<fs::path> refused;
    for (const RefusedFile &r : report.refused)
        refused.push_back(r.file);
    EXPECT_EQ(refused, (std::vector<fs::path>{root / "c" / "empty.syx", root / "later" / "zbroken.syx",
                                              root / "notes.v01"}));
    // AND a folder removed takes them along
    ASSERT_TRUE(catalog->removeFolder(root));
    EXPECT_TRUE(catalog->familyFiles().empty());
}

TEST_F(CatalogTest, NearDuplicatesFindTheChangedVoiceAtItsDistance) {
    // The output level three steps apart: distance 3.
    const auto near3 = catalog->nearDuplicates(3);
    ASSERT_EQ(near3.size(), 1u);
    EXPECT_EQ(near3[0].distance, 3);
    EXPECT_EQ(near3[0].a.file, root / "a" / "rom1a.syx");
    EXPECT_EQ(near3[0].a.voice, 2);
    EXPECT_EQ(near3[0].b.file, root / "b" / "renamed.syx");
    EXPECT_EQ(near3[0].b.voice, 2);
    EXPECT_TRUE(catalog->nearDuplicates(2).empty());
    EXPECT_TRUE(catalog->nearDuplicates(-1).empty());
}

TEST_F(CatalogTest, NearDuplicatesMissNoPairThatComparingAllPairsFinds) {
    // GIVEN more near voices: each factory voice with one to three
    // parameters moved, in a bank of its own
    Packed moved = factory;
    for (std::size_t v = 0; v < kBankSlots; ++v) {
        moved[v][(v * 7) % 102] = static_cast<Byte>(moved[v][(v * 7) % 102] ^ (v % 4 + 1));
        if (v % 2) moved[v][112] = static_cast<Byte>((moved[v][112] + 10 + v) % 100);
        if (v % 3 == 0) moved[v][116] = static_cast<Byte>(moved[v][116] ^ 0x06);
    }
    writeBank(root / "f" / "moved.syx", moved);
    catalog->index();
    // The distinct sounds, each once, first in file order.
    std::vector<CatalogVoice> distinct;
    std::set<SoundBody> seen;
    for (const CatalogVoice &v : all())
        if (seen.insert(v.body).second) distinct.push_back(v);
    for (int threshold : {0, 3, 20, 120, 400, 2000}) {
        SCOPED_TRACE(threshold);
        std::set<std::pair<std::int64_t, std::int64_t>> expected;
        for (std::size_t i = 0; i < distinct.size(); ++i)
            for (std::size_t j = i + 1; j < distinct.size(); ++j)
                if (NearDistance(distinct[i].body, distinct[j].body) <= threshold)
                    expected.emplace(distinct[i].id, distinct[j].id);
        std::set<std::pair<std::int64_t, std::int64_t>> found;
        int last = 0;
        for (const NearDuplicate &n : catalog->nearDuplicates(threshold)) {
            EXPECT_EQ(n.distance, NearDistance(n.a.body, n.b.body));
            EXPECT_GE(n.distance, last) << "closest first";
            last = n.distance;
            found.emplace(n.a.id, n.b.id);
        }
        EXPECT_EQ(found, expected);
        if (threshold == 120) {
            EXPECT_GE(found.size(), 10u) << "the moved voices are near their originals";
        }
    }
}

// --- The distance ---------------------------------------------------------

class NearDistanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        const Packed p = PackedOf(ReadData("rom1a.syx"));
        base = p[0];
    }
    static SoundBody BodyOf(const PackedVoice &v) {
        SoundBody b{};
        std::copy_n(v.begin(), kSoundBodySize, b.begin());
        return b;
    }
    int distanceAfter(const std::function<void(PackedVoice &)> &change) const {
        PackedVoice other = base;
        change(other);
        const int d = NearDistance(BodyOf(base), BodyOf(other));
        EXPECT_EQ(d, NearDistance(BodyOf(other), BodyOf(base))) << "the distance is symmetric";
        return d;
    }
    PackedVoice base{};
};

TEST_F(NearDistanceTest, EachParameterStepWeighsItsShareOfTheRange) {
    EXPECT_EQ(distanceAfter([](PackedVoice &) {}), 0);
    // The name does not count.
    EXPECT_EQ(distanceAfter([](PackedVoice &v) { v[120] = 'x'; }), 0);
    // Operator 6's rate 1 up by five: 5.
    EXPECT_EQ(
        distanceAfter([](PackedVoice &v) { v[0] = static_cast<Byte>(v[0] < 90 ? v[0] + 5 : v[0] - 5); }), 5);
    // Detune one step (bits 6..3 of offset 12): 7.
    EXPECT_EQ(distanceAfter([](PackedVoice &v) { v[12] = static_cast<Byte>(v[12] ^ 0x08); }), 7);
    // Oscillator mode flipped: 99.
    EXPECT_EQ(distanceAfter([](PackedVoice &v) { v[15] = static_cast<Byte>(v[15] ^ 0x01); }), 99);
    // A curve one step: 33.
    EXPECT_EQ(distanceAfter([](PackedVoice &v) { v[11] = static_cast<Byte>(v[11] ^ 0x01); }), 33);
    // Transpose one step: 2.
    EXPECT_EQ(distanceAfter([](PackedVoice &v) { v[117] = static_cast<Byte>(v[117] + 1); }), 2);
    // Any change of the LFO wave: 99.
    EXPECT_EQ(distanceAfter([](PackedVoice &v) { v[116] = static_cast<Byte>(v[116] ^ 0x0E); }), 99);
    // Two changes add up.
    EXPECT_EQ(distanceAfter([](PackedVoice &v) {
                  v[12] = static_cast<Byte>(v[12] ^ 0x08);
                  v[117] = static_cast<Byte>(v[117] + 1);
              }),
              9);
}

TEST_F(NearDistanceTest, AnotherAlgorithmIsNeverNear) {
    EXPECT_EQ(distanceAfter([](PackedVoice &v) { v[110] = static_cast<Byte>((v[110] + 1) % 32); }),
              kNearApart);
}

// --- Marks on sounds -----------------------------------------------------

// The banks of the collection: a/rom1a.syx, its copy, and renamed.syx,
// whose voice 1 is BRASS 1 renamed and whose voice 2 sounds different.
constexpr int kBanksWithEveryFactorySound = 3;

TEST_F(CatalogTest, MarksFollowTheSoundIntoEveryFileAndCombineWithTheOtherFilters) {
    // GIVEN BRASS 1 tagged "warm", a favourite rated 4; STRINGS 1 rated 2;
    // PIANO 1 tagged "Warm" (the same tag in another case)
    ASSERT_TRUE(catalog->addTag(BodyOf(factory[0]), " warm "));
    ASSERT_TRUE(catalog->setFavourite(BodyOf(factory[0]), true));
    ASSERT_TRUE(catalog->setRating(BodyOf(factory[0]), 4));
    ASSERT_TRUE(catalog->setRating(BodyOf(factory[3]), 2));
    ASSERT_TRUE(catalog->addTag(BodyOf(factory[7]), "Warm"));
    const int brassAlgorithm = (factory[0][110] & 31) + 1;
    const auto bankVoice = [](std::vector<int> voices) {
        return [voices](const Known &k) {
            return !k.single && std::find(voices.begin(), voices.end(), k.voice) != voices.end();
        };
    };
    const struct {
        const char *what;
        CatalogQuery query;
        std::function<bool(const Known &)> keep;
    } rows[] = {
        {"tag", {.tag = "WARM"}, bankVoice({1, 8})},
        {"tag and name",
         {.name = "renamed", .tag = "warm"},
         [](const Known &k) { return k.name == "Renamed 01"; }},
        {"favourite", {.favourite = true}, bankVoice({1})},
        {"rating at least 2", {.minRating = 2}, bankVoice({1, 4})},
        {"rating at least 3 and algorithm", {.algorithm = brassAlgorithm, .minRating = 3}, bankVoice({1})},
        {"a tag no sound carries", {.tag = "cold"}, [](const Known &) { return false; }},
    };
    // WHEN searched THEN every voice of those sounds is found, whatever its name
    for (const auto &row : rows)
        EXPECT_EQ(got(catalog->search(row.query)), expect(row.keep)) << row.what;
    EXPECT_EQ(expect(bankVoice({1})).size(), std::size_t(kBanksWithEveryFactorySound));

    // AND each result carries the marks of its sound
    CatalogQuery brass;
    brass.favourite = true;
    for (const CatalogVoice &v : catalog->search(brass)) {
        EXPECT_EQ(v.rating, 4);
        EXPECT_EQ(v.tags, std::vector<std::string>{"warm"});
    }
    // AND the tag was stored once for both cases, trimmed
    const auto tags = catalog->tagCounts();
    ASSERT_EQ(tags.size(), 1u);
    EXPECT_EQ(Lower(tags[0].first), "warm");
    EXPECT_EQ(tags[0].second, 2u);

    // WHEN every file holding them is gone and the catalogue indexed
    const fs::path away = scratch / "away";
    fs::create_directories(away);
    fs::rename(root / "a", away / "a");
    fs::rename(root / "b", away / "b");
    ASSERT_EQ(catalog->index().error, "");
    EXPECT_TRUE(catalog->search({.tag = "warm"}).empty());
    // AND they come back (other files, other times) and are indexed again
    fs::rename(away / "a", root / "a");
    fs::rename(away / "b", root / "b");
    ASSERT_EQ(catalog->index().error, "");
    // THEN the marks are there again
    for (const auto &row : rows)
        EXPECT_EQ(got(catalog->search(row.query)), expect(row.keep)) << row.what << ", after the re-index";

    // WHEN the marks are taken off THEN nothing is marked
    EXPECT_TRUE(catalog->removeTag(BodyOf(factory[0]), "WARM"));
    EXPECT_TRUE(catalog->setFavourite(BodyOf(factory[0]), false));
    EXPECT_TRUE(catalog->setRating(BodyOf(factory[0]), 0));
    const SoundMarks none = catalog->marks(BodyOf(factory[0]));
    EXPECT_FALSE(none.favourite);
    EXPECT_EQ(none.rating, 0);
    EXPECT_TRUE(none.tags.empty());
    EXPECT_EQ(got(catalog->search({.tag = "warm"})), expect(bankVoice({8})));
    // AND what cannot be stored is refused with the reason
    EXPECT_FALSE(catalog->setRating(BodyOf(factory[0]), 6));
    EXPECT_NE(catalog->lastError().find("0 (none) to 5"), std::string::npos) << catalog->lastError();
    EXPECT_FALSE(catalog->addTag(BodyOf(factory[0]), "  "));
    EXPECT_EQ(catalog->lastError(), "a tag cannot be empty");
}

TEST_F(CatalogTest, ARatingSortPutsTheHighestFirstAndAnotherConnectionSeesTheMarks) {
    ASSERT_TRUE(catalog->setRating(BodyOf(factory[2]), 5)); // BRASS 3
    ASSERT_TRUE(catalog->setRating(BodyOf(factory[1]), 3)); // BRASS 2 (not renamed.syx's)
    std::string error;
    const auto other = Catalog::Open(dbFile, error);
    ASSERT_TRUE(other) << error;
    std::vector<std::pair<std::string, int>> order;
    for (const CatalogVoice &v : other->search({.name = "brass", .sort = CatalogSort::Rating}))
        order.emplace_back(v.name, v.rating);
    // Equal ratings in name order, then file order.
    EXPECT_EQ(order, (std::vector<std::pair<std::string, int>>{{"BRASS   3 ", 5},
                                                               {"BRASS   3 ", 5},
                                                               {"BRASS   3 ", 5},
                                                               {"BRASS   2 ", 3},
                                                               {"BRASS   2 ", 3},
                                                               {"BRASS   1 ", 0},
                                                               {"BRASS   1 ", 0},
                                                               {"BRASS   2 ", 0}}));
}

TEST_F(CatalogTest, ACategoryChosenByHandOutranksTheRulesUntilGivenBack) {
    // GIVEN the program's rules
    CategoryRulesRead rules = ReadCategoryRules(fs::path(VOXMERE_PROGRAM_DIR) / kCategoryRulesFile);
    ASSERT_EQ(rules.error, "");
    catalog->setCategoryRules(std::move(rules.rules));
    const auto names = [&](VoiceCategory category) {
        std::multiset<std::string> out;
        for (const CatalogVoice &v : catalog->search({.category = category}))
            out.insert(v.name + " / " + v.categoryWhy);
        return out;
    };
    const auto times3 = [](std::initializer_list<std::string> names) {
        std::multiset<std::string> out;
        for (const std::string &n : names)
            out.insert({n, n, n});
        return out;
    };
    // THEN the factory's mallets are found by their names, in all three banks
    EXPECT_EQ(names(VoiceCategory::BellsAndMallets),
              times3({"VIBE    1  / name contains VIBE", "MARIMBA    / name contains MARIMBA",
                      "ORCH-CHIME / name contains CHIME", "TUB BELLS  / name contains BELL",
                      "STEEL DRUM / name contains STEEL DRUM"}));
    // WHEN TUB BELLS is put among the percussion by hand
    ASSERT_TRUE(catalog->setCategory(BodyOf(factory[25]), VoiceCategory::Percussion));
    // THEN it is found there, and why
    EXPECT_EQ(names(VoiceCategory::Percussion),
              times3({"TIMPANI    / name contains TIMPANI", "TUB BELLS  / chosen by hand"}));
    EXPECT_EQ(names(VoiceCategory::BellsAndMallets).count("TUB BELLS  / name contains BELL"), 0u);
    EXPECT_EQ(catalog->marks(BodyOf(factory[25])).category, VoiceCategory::Percussion);
    // WHEN given back to the rules THEN the rules place it again
    ASSERT_TRUE(catalog->setCategory(BodyOf(factory[25]), std::nullopt));
    EXPECT_EQ(names(VoiceCategory::BellsAndMallets).count("TUB BELLS  / name contains BELL"), 3u);
    EXPECT_FALSE(catalog->marks(BodyOf(factory[25])).category);
}

// --- The bank under construction ------------------------------------------

TEST_F(CatalogTest, BuilderOperationsPlaceMoveSwapAndClearPositions) {
    const auto entry = [&](int n) {
        const CatalogVoice v = catalog->search({.name = NameOf(factory[static_cast<std::size_t>(n - 1)]),
                                                .sort = CatalogSort::File,
                                                .limit = 1})[0];
        return EntryOf(v, *catalog->record(v.id));
    };
    // The first six positions, each as the factory voice number it holds (0: empty).
    const auto layout = [](const BankBuilder &b) {
        std::vector<int> out;
        for (std::size_t p = 1; p <= 6; ++p)
            out.push_back(b.at(p) ? b.at(p)->voice : 0);
        return out;
    };
    BankBuilder b;
    const struct {
        const char *what;
        std::function<bool()> op;
        std::vector<int> after;
    } steps[] = {
        {"add three",
         [&] { return b.add(entry(1)) == 1u && b.add(entry(2)) == 2u && b.add(entry(3)) == 3u; },
         {1, 2, 3, 0, 0, 0}},
        {"put at 5", [&] { return b.put(5, entry(4)); }, {1, 2, 3, 0, 4, 0}},
        {"add takes the first free", [&] { return b.add(entry(5)) == 4u; }, {1, 2, 3, 5, 4, 0}},
        {"move 1 to 4", [&] { return b.move(1, 4); }, {2, 3, 5, 1, 4, 0}},
        {"move 6 to 1", [&] { return b.move(6, 1); }, {0, 2, 3, 5, 1, 4}},
        {"swap 2 and 6", [&] { return b.swap(2, 6); }, {0, 4, 3, 5, 1, 2}},
        {"clear 3", [&] { return b.clear(3); }, {0, 4, 0, 5, 1, 2}},
        {"nothing out of range",
         [&] { return !b.put(33, entry(1)) && !b.move(0, 2) && !b.swap(1, 33); },
         {0, 4, 0, 5, 1, 2}},
    };
    for (const auto &step : steps) {
        EXPECT_TRUE(step.op()) << step.what;
        EXPECT_EQ(layout(b), step.after) << step.what;
    }
    EXPECT_EQ(b.used(), 4u);
    EXPECT_EQ(b.at(2)->file, root / "a" / "rom1a.syx");

    // WHEN kept in the catalogue THEN another opening reads it back
    ASSERT_TRUE(catalog->saveBuilder(b.positions()));
    std::string error;
    EXPECT_EQ(Catalog::Open(dbFile, error)->builder(), b.positions()) << error;
    // AND index runs leave it alone
    ASSERT_EQ(catalog->index().error, "");
    EXPECT_EQ(catalog->builder(), b.positions());

    b.clearAll();
    EXPECT_EQ(layout(b), (std::vector<int>{0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(b.used(), 0u);
}

TEST_F(CatalogTest, FillingFromResultsTakesTheFreePositionsAndCanPassOverKnownSounds) {
    // GIVEN STRINGS 1 at 1 and BRASS 2 at 3, and the eight voices whose name
    // holds "brass" in file order: BRASS 1..3 of rom1a.syx and its copy,
    // BRASS 2 (a sound of its own) and 3 of renamed.syx
    const auto results = catalog->search({.name = "brass", .sort = CatalogSort::File});
    ASSERT_EQ(results.size(), 8u);
    const auto recordOf = [&](const CatalogVoice &v) { return catalog->record(v.id); };
    const auto where = [](const BankBuilder &b) {
        std::vector<std::string> out;
        for (std::size_t p = 1; p <= 6; ++p)
            out.push_back(b.at(p) ? b.at(p)->file.filename().string() + ":" + std::to_string(b.at(p)->voice)
                                  : "-");
        return out;
    };
    const CatalogVoice strings =
        catalog->search({.name = "strings 1", .sort = CatalogSort::File, .limit = 1})[0];
    const auto start = [&] {
        BankBuilder b;
        b.put(1, EntryOf(strings, *recordOf(strings)));
        b.put(3, EntryOf(results[1], *recordOf(results[1])));
        return b;
    };
    // WHEN filled passing over known sounds
    BankBuilder distinct = start();
    const auto report = distinct.fill(results, recordOf, true);
    // THEN each new sound once, into the free positions in order
    EXPECT_EQ(report.placed, 3u);
    EXPECT_EQ(report.sameSound, 5u);
    EXPECT_EQ(report.left, 0u);
    EXPECT_EQ(where(distinct), (std::vector<std::string>{"rom1a.syx:4", "rom1a.syx:1", "rom1a.syx:2",
                                                         "rom1a.syx:3", "renamed.syx:2", "-"}));
    // WHEN filled taking every result THEN all eight go in
    BankBuilder every = start();
    EXPECT_EQ(every.fill(results, recordOf, false).placed, 8u);
    EXPECT_EQ(every.used(), 10u);
    // AND a full bank takes none
    const auto more = every.fill(all(), recordOf, false);
    EXPECT_EQ(every.used(), 32u);
    EXPECT_EQ(more.placed, 22u);
    EXPECT_EQ(more.left, all().size() - 22u);

    // WHEN the bank is made THEN the empty positions hold the initial voice
    const BankBuilder::Built built = distinct.build();
    EXPECT_EQ(built.initial, 32u - 5u);
    for (std::size_t p = 1; p <= kBankSlots; ++p) {
        const std::string name(built.voices[p - 1].begin() + kNamePos,
                               built.voices[p - 1].begin() + kNamePos + 10);
        if (distinct.at(p)) {
            EXPECT_EQ(built.voices[p - 1], distinct.at(p)->record) << p;
        } else {
            EXPECT_EQ(name, "INIT VOICE") << p;
        }
    }
}

// --- Databases that cannot be used --------------------------------------

TEST_F(CatalogTest, TheBankUnderConstructionKeepsEachPositionsAdditionalDataAcrossAStore) {
    const CatalogVoice v = catalog->search({.sort = CatalogSort::File, .limit = 1})[0];
    const std::vector<Byte> amem = test::AmemMessage(6);
    BuilderPositions positions;
    positions[0] = EntryOf(v, *catalog->record(v.id));
    positions[0]->supplement = test::RecordIn(amem, 0);
    positions[1] = EntryOf(v, *catalog->record(v.id));
    positions[31] = positions[0];
    positions[31]->supplement = test::RecordIn(amem, 31);
    ASSERT_TRUE(catalog->saveBuilder(positions));
    std::string error;
    const auto reopened = Catalog::Open(dbFile, error);
    ASSERT_TRUE(reopened) << error;
    const BuilderPositions back = reopened->builder();
    EXPECT_EQ(back, positions);
    EXPECT_FALSE(back[1]->supplement);
    // AND the finished bank has each position's record, none for an empty one
    const BankBuilder::Built built = BankBuilder(back).build();
    EXPECT_EQ(built.supplements[0], test::RecordIn(amem, 0));
    EXPECT_EQ(built.supplements[31], test::RecordIn(amem, 31));
    EXPECT_FALSE(built.supplements[1]);
    EXPECT_FALSE(built.supplements[2]);
}

class CatalogOpenTest : public ::testing::Test {
protected:
    test::ScratchFolder scratch{"catalog-open"};
};

TEST_F(CatalogOpenTest, ANewerSchemaIsRefusedWithAMessage) {
    const fs::path file = scratch / "newer.db";
    {
        std::string error;
        ASSERT_TRUE(Catalog::Open(file, error)) << error;
    }
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "PRAGMA user_version = 99", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    std::string error;
    EXPECT_FALSE(Catalog::Open(file, error));
    EXPECT_NE(error.find(file.string()), std::string::npos) << error;
    EXPECT_NE(error.find("newer version"), std::string::npos) << error;
}

// The statements that made a catalogue of version 1.
constexpr const char *kVersion1 = R"sql(
CREATE TABLE folders(id INTEGER PRIMARY KEY, path TEXT NOT NULL UNIQUE);
CREATE TABLE files(id INTEGER PRIMARY KEY, folder INTEGER NOT NULL REFERENCES folders(id),
    path TEXT NOT NULL UNIQUE, size INTEGER NOT NULL, mtime_ns INTEGER NOT NULL,
    banks INTEGER NOT NULL, singles INTEGER NOT NULL);
CREATE TABLE refused(file INTEGER PRIMARY KEY REFERENCES files(id), reason INTEGER NOT NULL,
    count INTEGER NOT NULL);
CREATE TABLE voices(id INTEGER PRIMARY KEY, file INTEGER NOT NULL REFERENCES files(id),
    bank INTEGER NOT NULL, voice INTEGER NOT NULL, single INTEGER NOT NULL, name_bytes BLOB NOT NULL,
    name TEXT NOT NULL, name_lower TEXT NOT NULL, algorithm INTEGER NOT NULL, feedback INTEGER NOT NULL,
    carriers INTEGER NOT NULL, header BLOB NOT NULL, params BLOB NOT NULL, body BLOB NOT NULL);
CREATE INDEX voices_by_file ON voices(file);
PRAGMA user_version = 1;
)sql";

std::vector<std::string> Rows(const fs::path &file, const char *sql) {
    sqlite3 *db = nullptr;
    std::vector<std::string> rows;
    if (sqlite3_open(file.c_str(), &db) == SQLITE_OK)
        sqlite3_exec(
            db, sql,
            [](void *out, int n, char **values, char **) {
                std::string row;
                for (int i = 0; i < n; ++i)
                    row += std::string(values[i] ? values[i] : "NULL") + "|";
                static_cast<std::vector<std::string> *>(out)->push_back(row);
                return 0;
            },
            &rows, nullptr);
    sqlite3_close(db);
    return rows;
}

TEST_F(CatalogOpenTest, AVersion1CatalogueIsUpgradedInPlaceKeepingWhatItHeld) {
    // GIVEN a catalogue of version 1 with a folder and a DX7 II bank file in
    // it, the file recorded as read (its size and time) but with no voice
    const fs::path file = scratch / "old.db", folder = scratch / "voices";
    const std::vector<Byte> amem = test::AmemMessage(1);
    Write(folder / "rom1a.syx", Joined(amem, ReadData("rom1a.syx")));
    struct stat st {};
    ASSERT_EQ(::stat((folder / "rom1a.syx").c_str(), &st), 0);
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, kVersion1, nullptr, nullptr, nullptr), SQLITE_OK);
    const std::string insert =
        "INSERT INTO folders(id, path) VALUES(1, '" + folder.string() + "');" +
        "INSERT INTO files(folder, path, size, mtime_ns, banks, singles) VALUES(1, '" +
        (folder / "rom1a.syx").string() + "', " + std::to_string(st.st_size) + ", " +
        std::to_string(static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec) +
        ", 1, 0)";
    ASSERT_EQ(sqlite3_exec(db, insert.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    // WHEN opened
    std::string error;
    auto catalog = Catalog::Open(file, error);
    ASSERT_TRUE(catalog) << error;
    // THEN its folder is kept, and it indexes, marks and keeps a bank as a new one does
    EXPECT_EQ(catalog->folders(), std::vector<fs::path>{folder});
    // AND the file is read again at the next index, its records found
    const IndexReport report = catalog->index();
    EXPECT_EQ(report.filesRead, 1u);
    ASSERT_EQ(report.voices, 32u);
    const CatalogVoice first = catalog->search({.sort = CatalogSort::File, .limit = 1})[0];
    EXPECT_EQ(first.supplement, test::RecordIn(amem, 0));
    EXPECT_TRUE(catalog->addTag(first.body, "kept"));
    BuilderPositions positions;
    positions[4] = EntryOf(first, *catalog->record(first.id));
    EXPECT_TRUE(catalog->saveBuilder(positions));
    catalog.reset();
    catalog = Catalog::Open(file, error);
    ASSERT_TRUE(catalog) << error;
    EXPECT_EQ(catalog->search({.tag = "kept"}).size(), 1u);
    EXPECT_EQ(catalog->builder(), positions);
    // AND its tables are those of a catalogue made new
    ASSERT_TRUE(Catalog::Open(scratch / "new.db", error)) << error;
    const char *schema = "SELECT m.type, m.name, p.name, p.type, p.pk FROM sqlite_master m "
                         "LEFT JOIN pragma_table_info(m.name) p ORDER BY m.name, p.cid";
    EXPECT_EQ(Rows(file, schema), Rows(scratch / "new.db", schema));
    EXPECT_EQ(Rows(file, "PRAGMA user_version"), Rows(scratch / "new.db", "PRAGMA user_version"));
    EXPECT_EQ(Rows(file, "PRAGMA user_version"), std::vector<std::string>{"3|"});
}

TEST_F(CatalogOpenTest, ACorruptFileIsRefusedWithAMessage) {
    const fs::path file = scratch / "corrupt.db";
    std::vector<Byte> garbage(8192);
    for (std::size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<Byte>(i * 37 + 11);
    Write(file, garbage);
    std::string error;
    EXPECT_FALSE(Catalog::Open(file, error));
    EXPECT_NE(error.find(file.string()), std::string::npos) << error;
    EXPECT_NE(error.find("not a database"), std::string::npos) << error;
    // The file is left as it was.
    EXPECT_EQ(test::ReadFileContents(file), garbage);
}

TEST_F(CatalogOpenTest, AnotherProgramsDatabaseIsRefused) {
    const fs::path file = scratch / "other.db";
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE t(x)", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    std::string error;
    EXPECT_FALSE(Catalog::Open(file, error));
    EXPECT_NE(error.find("not a VOXMERE voice catalogue"), std::string::npos) << error;
}

TEST_F(CatalogOpenTest, AFileInAMissingFolderOrAFolderIsRefused) {
    std::string error;
    EXPECT_FALSE(Catalog::Open(scratch / "no" / "such" / "voices.db", error));
    EXPECT_NE(error.find("cannot open the catalogue"), std::string::npos) << error;
    error.clear();
    EXPECT_FALSE(Catalog::Open(scratch.path(), error));
    EXPECT_NE(error.find("it is a folder"), std::string::npos) << error;
}

TEST_F(CatalogOpenTest, ANewCatalogueIsEmptyAndReopens) {
    const fs::path file = scratch / "fresh.db";
    std::string error;
    {
        auto c = Catalog::Open(file, error);
        ASSERT_TRUE(c) << error;
        EXPECT_EQ(c->voiceCount(), 0u);
        EXPECT_TRUE(c->search({}).empty());
        EXPECT_TRUE(c->duplicates().empty());
        EXPECT_TRUE(c->folders().empty());
        EXPECT_TRUE(c->addFolder(scratch / "x"));
    }
    auto again = Catalog::Open(file, error);
    ASSERT_TRUE(again) << error;
    EXPECT_EQ(again->folders(), std::vector<fs::path>{scratch / "x"});
}

} // namespace
} // namespace vox
