// The voice catalogue against a small collection the test writes itself
// from the factory bank of tests/data: what it holds is known voice by
// voice, so every answer is checked against the bytes written.
#include "../common/test_files.h"

#include "library/catalog.h"
#include "voice/algorithms.h"
#include "voice/bank_format.h"
#include "voice/voice.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <bit>
#include <fstream>
#include <map>
#include <set>

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

// --- Databases that cannot be used --------------------------------------

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
