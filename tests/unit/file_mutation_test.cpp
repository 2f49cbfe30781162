// GIVEN every test file, and files the program writes itself, WHEN they are
// cut short, have header bits flipped, are joined to one another or have
// garbage put in front of them, THEN no reader of voice files ever loads
// voices the file does not hold: a read is refused, or gives exactly the
// voices one of the original files gives.
#include "file_test_support.h"
#include "files/voice_files.h"
#include "voice/bank_format.h"
#include "voice/voice_scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <sstream>

namespace vox {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<Byte>;

// Every reader the program has, whatever a file's name says.
struct Reader {
    const char *name;
    bool bank;
    BankKind bankKind;
    VoiceKind voiceKind;
};
const Reader kReaders[] = {
    {"32-voice load, .v32", true, BankKind::V32, VoiceKind::V01},
    {"32-voice load, .syx", true, BankKind::Syx, VoiceKind::V01},
    {"32-voice load, .dx7", true, BankKind::Dx7, VoiceKind::V01},
    {"32-voice load, .32", true, BankKind::Dot32, VoiceKind::V01},
    {"32-voice load, .mid", true, BankKind::Mid, VoiceKind::V01},
    {"1-voice load, .v01", false, BankKind::Other, VoiceKind::V01},
    {"1-voice load, .mid", false, BankKind::Other, VoiceKind::Mid},
    {"1-voice load, .syx", false, BankKind::Other, VoiceKind::Syx},
};

// The voices a read gives: the 155 parameters of each record. (Headers are
// the import header or the file's own; a flipped channel bit is no
// different voice.)
using Voices = std::vector<std::array<Byte, kParamCount>>;

std::array<Byte, kParamCount> Parameters(const VoiceRecord &record) {
    std::array<Byte, kParamCount> p{};
    std::copy(record.begin() + kParamBase, record.end(), p.begin());
    return p;
}

std::optional<Voices> Read(const Reader &reader, std::span<const Byte> bytes, std::size_t bankNumber = 0) {
    Voices voices;
    if (reader.bank) {
        const auto bank = DecodeBank(bytes, reader.bankKind, "mutated", bankNumber);
        if (!bank.ok()) return std::nullopt;
        for (const VoiceRecord &record : bank.value)
            voices.push_back(Parameters(record));
    } else {
        const auto voice = DecodeVoice(bytes, reader.voiceKind, "mutated");
        if (!voice.ok()) return std::nullopt;
        voices.push_back(Parameters(voice.value));
    }
    return voices;
}

struct Source {
    std::string name;
    Bytes bytes;
    bool headed; // starts with a header whose bits may flip without touching a voice
};

// 32 records of the program's own 32-voice file, from the factory bank.
Bytes OwnBankFile(const Bytes &bulkDump) {
    const auto bank = DecodeBank(bulkDump, BankKind::Syx, "rom1a.syx");
    VoiceTable table;
    StoreBank(bank.value, table);
    return EncodeBankFile(table);
}

class FileMutationTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const auto &entry : fs::directory_iterator(VOXMERE_TESTDATA)) {
            if (!entry.is_regular_file() || entry.path().filename() == "README.md") continue;
            const Bytes bytes = test::ReadBytes(entry.path());
            ASSERT_FALSE(bytes.empty()) << "cannot read the test file " << entry.path();
            const bool headerless = bytes[0] != kSysExStart && entry.path().extension() == ".syx";
            sources.push_back({entry.path().filename().string(), bytes, !headerless});
        }
        ASSERT_GE(sources.size(), 15u) << "the test files in " << VOXMERE_TESTDATA;
        const Bytes rom1a = test::ReadBytes(test::TestData("rom1a.syx"));
        ASSERT_EQ(rom1a.size(), kBulkMessageSize) << "cannot read the test file rom1a.syx";
        const Bytes single = test::ReadBytes(test::TestData("single-voice.syx"));
        ASSERT_EQ(single.size(), kImageSize) << "cannot read the test file single-voice.syx";
        // What the program writes: a bank file, a voice file, the voice file
        // of an empty slot (no initial voice file at start), and a bank
        // without its header as other tools keep it.
        sources.push_back({"own.v32", OwnBankFile(rom1a), true});
        sources.push_back({"own.v01", Bytes(single.begin(), single.begin() + kRecordSize), true});
        sources.push_back({"empty-slot.v01", Bytes(kRecordSize, 0), true});
        sources.push_back(
            {"rom1a.dx7", Bytes(rom1a.begin() + kBulkDataPos, rom1a.begin() + kBulkDumpDataEnd), false});
    }

    // Every reader refuses the mutated file, or gives voices one of the
    // files it was made from holds: a bank read must be a bank that some
    // reader reads from one of them, voice for voice in order; a voice
    // read must be one of the voices some reader finds in one of them.
    void check(const std::string &what, const Bytes &mutated, std::initializer_list<const Source *> from) {
        ++reads;
        for (const Reader &reader : kReaders) {
            const auto got = Read(reader, mutated);
            if (!got) continue;
            ++accepted;
            bool held = false;
            for (const Source *source : from) {
                const Held &had = heldBy(*source);
                if (reader.bank)
                    held |= std::find(had.banks.begin(), had.banks.end(), *got) != had.banks.end();
                else
                    held |= std::find(had.voices.begin(), had.voices.end(), got->front()) != had.voices.end();
            }
            if (!held && failures.size() < 20) failures.push_back(what + " through the " + reader.name);
            if (!held) ++wrong;
        }
    }

    // What some reader reads from a file: every bank it offers, not only
    // its first, and every voice a 1-voice read gives. Read once a file.
    struct Held {
        std::vector<Voices> banks;
        Voices voices;
    };
    const Held &heldBy(const Source &source) {
        auto it = held.find(&source);
        if (it != held.end()) return it->second;
        Held h;
        for (const Reader &other : kReaders)
            for (std::size_t bank = 0; bank < (other.bank ? 4u : 1u); ++bank) {
                const auto had = Read(other, source.bytes, bank);
                if (!had) break;
                if (other.bank) h.banks.push_back(*had);
                h.voices.insert(h.voices.end(), had->begin(), had->end());
            }
        return held.emplace(&source, std::move(h)).first->second;
    }

    void expectNoneWrong() {
        std::ostringstream list;
        for (const auto &f : failures)
            list << "\n  " << f;
        EXPECT_EQ(wrong, 0u) << "reads that gave voices the file does not hold (first ones):" << list.str();
        EXPECT_GT(reads, 0u);
    }

    std::vector<Source> sources;
    std::map<const Source *, Held> held;
    std::size_t reads = 0, accepted = 0, wrong = 0;
    std::vector<std::string> failures;
};

TEST_F(FileMutationTest, EveryTruncationIsRefusedOrKeepsTheVoices) {
    for (const Source &source : sources)
        for (std::size_t length = 0; length < source.bytes.size(); ++length)
            check(source.name + " cut to " + std::to_string(length) + " bytes",
                  Bytes(source.bytes.begin(), source.bytes.begin() + static_cast<long>(length)), {&source});
    expectNoneWrong();
    EXPECT_GT(accepted, 0u) << "cuts that keep every voice (a dump without its end) still load";
}

TEST_F(FileMutationTest, EveryHeaderBitFlipIsRefusedOrKeepsTheVoices) {
    for (const Source &source : sources) {
        if (!source.headed) continue;
        // The six header bytes; in a 32-voice file those of every record;
        // in a dump also its checksum and end byte.
        std::vector<std::size_t> at;
        const bool records = source.name.ends_with(".v32");
        for (std::size_t start = 0; start < source.bytes.size();
             start += records ? kRecordSize : source.bytes.size())
            for (std::size_t i = 0; i < kParamBase && start + i < source.bytes.size(); ++i)
                at.push_back(start + i);
        if (IsBulkDumpHeader(source.bytes)) at.insert(at.end(), {kBulkChecksumPos, kBulkChecksumPos + 1});
        if (IsSingleVoiceHeader(source.bytes)) at.insert(at.end(), {kChecksumPos, kEndPos});
        for (std::size_t pos : at) {
            if (pos >= source.bytes.size()) continue;
            for (int bit = 0; bit < 8; ++bit) {
                Bytes flipped = source.bytes;
                flipped[pos] ^= static_cast<Byte>(1 << bit);
                check(source.name + " with bit " + std::to_string(bit) + " of byte " + std::to_string(pos) +
                          " flipped",
                      flipped, {&source});
            }
        }
    }
    expectNoneWrong();
    EXPECT_GT(accepted, 0u) << "a flipped channel or byte-count bit still loads";
}

TEST_F(FileMutationTest, EveryJoinOfTwoFilesIsRefusedOrGivesTheVoicesOfOne) {
    for (const Source &first : sources)
        for (const Source &second : sources) {
            Bytes joined = first.bytes;
            joined.insert(joined.end(), second.bytes.begin(), second.bytes.end());
            check(first.name + " followed by " + second.name, joined, {&first, &second});
        }
    expectNoneWrong();
    EXPECT_GT(accepted, 0u) << "a dump followed by anything still loads";
}

// Garbage of `length` bytes of a kind: 0 pseudo-random, 1 English text,
// 2 FFh, 3 the instrument's parameter-change messages, 4 identity requests.
Bytes Garbage(int kind, std::size_t length) {
    Bytes bytes;
    std::uint32_t seed = 12345u + static_cast<std::uint32_t>(length);
    const std::string text = "This is not a voice. ";
    const Bytes change{0xF0, 0x43, 0x10, 0x19, 0x4D, 0x00, 0xF7};
    const Bytes identity{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7};
    for (std::size_t i = 0; i < length; ++i) {
        switch (kind) {
        case 0:
            seed = seed * 1664525u + 1013904223u;
            bytes.push_back(static_cast<Byte>(seed >> 24));
            break;
        case 1:
            bytes.push_back(static_cast<Byte>(text[i % text.size()]));
            break;
        case 2:
            bytes.push_back(0xFF);
            break;
        case 3:
            bytes.push_back(change[i % change.size()]);
            break;
        default:
            bytes.push_back(identity[i % identity.size()]);
            break;
        }
    }
    return bytes;
}

TEST_F(FileMutationTest, GarbageInFrontIsRefusedOrKeepsTheVoices) {
    // Every length up to one record and more, then whole voices and
    // records, where a shifted reader would line up again.
    std::vector<std::size_t> lengths;
    for (std::size_t n = 1; n <= 2 * kRecordSize + 1; ++n)
        lengths.push_back(n);
    for (std::size_t n : {255u, 256u, 383u, 384u, 385u, 482u, 483u, 484u, 512u, 4096u, 5152u})
        lengths.push_back(n);
    for (const Source &source : sources)
        for (int kind = 0; kind < 5; ++kind)
            for (std::size_t length : lengths) {
                Bytes bytes = Garbage(kind, length);
                bytes.insert(bytes.end(), source.bytes.begin(), source.bytes.end());
                check(source.name + " after " + std::to_string(length) + " bytes of garbage kind " +
                          std::to_string(kind),
                      bytes, {&source});
            }
    expectNoneWrong();
}

Bytes Cat(const Bytes &a, const Bytes &b) {
    Bytes all = a;
    all.insert(all.end(), b.begin(), b.end());
    return all;
}

// --- The scan of every voice a file holds, on the same kinds of damage -------------

// The voices the test files hold, decoded without the scan: the bank of
// rom1a.syx, the renamed reversed bank that follows it in
// two-different-banks.syx, and the voice of single-voice.syx. Parameters
// only: headers are the import header or the file's own.
class ScanMutationTest : public ::testing::Test {
protected:
    void SetUp() override {
        rom1a = test::ReadBytes(test::TestData("rom1a.syx"));
        ASSERT_EQ(rom1a.size(), kBulkMessageSize) << "cannot read the test file rom1a.syx";
        const Bytes two = test::ReadBytes(test::TestData("two-different-banks.syx"));
        ASSERT_EQ(two.size(), 2 * kBulkMessageSize) << "cannot read the test file two-different-banks.syx";
        single = test::ReadBytes(test::TestData("single-voice.syx"));
        ASSERT_EQ(single.size(), kImageSize) << "cannot read the test file single-voice.syx";
        second = Bytes(two.begin() + kBulkMessageSize, two.end());
        banks.push_back(BankOf(rom1a));
        banks.push_back(BankOf(second));
        VoiceRecord record{};
        std::copy(single.begin(), single.begin() + kRecordSize, record.begin());
        singles.push_back(Parameters(record));
        for (const Voices &bank : banks)
            singles.insert(singles.end(), bank.begin(), bank.end());
    }

    static Voices BankOf(const Bytes &dump) {
        const BankImage image = ReadBankImage(dump);
        EXPECT_EQ(image.error, "") << "a test bank that is no clean bulk dump";
        Voices voices;
        for (std::size_t v = 0; v < kBankSlots && image.packed.size() == kPackedBankSize; ++v) {
            Slot slot{};
            UnpackVoice(std::span<const Byte, kPackedVoiceSize>(image.packed.data() + v * kPackedVoiceSize,
                                                                kPackedVoiceSize),
                        slot);
            VoiceRecord record{};
            std::copy(slot.begin(), slot.begin() + kRecordSize, record.begin());
            voices.push_back(Parameters(record));
        }
        return voices;
    }

    // Every bank the scan finds is one of the known banks, every single
    // voice one of the known voices; returns how many groups it found.
    std::size_t check(const std::string &what, const Bytes &bytes, const char *name = "mutated.syx") {
        ++reads;
        const VoiceScan scan = ScanVoiceFile(bytes, name);
        for (const FoundVoices &f : scan.found) {
            Voices got;
            for (const VoiceRecord &r : f.voices)
                got.push_back(Parameters(r));
            const bool held = f.isBank()
                                  ? std::find(banks.begin(), banks.end(), got) != banks.end()
                                  : std::find(singles.begin(), singles.end(), got.front()) != singles.end();
            if (!held) {
                ++wrong;
                if (failures.size() < 20)
                    failures.push_back(what + ": voices at offset " + std::to_string(f.offset) +
                                       " that the files do not hold");
            }
        }
        return scan.found.size();
    }

    void expectNoneWrong() {
        std::ostringstream list;
        for (const auto &f : failures)
            list << "\n  " << f;
        EXPECT_EQ(wrong, 0u) << "scans that gave voices the bytes do not hold (first ones):" << list.str();
        EXPECT_GT(reads, 0u);
    }

    Bytes rom1a, second, single;
    std::vector<Voices> banks;
    Voices singles;
    std::size_t reads = 0, wrong = 0;
    std::vector<std::string> failures;
};

TEST_F(ScanMutationTest, ADumpCutAtAVoiceBoundaryIsRefusedNamingTheVoicesBeforeTheCut) {
    // GIVEN rom1a.syx cut at each voice boundary and one byte either side
    for (std::size_t k = 0; k <= kBankSlots; ++k)
        for (int d : {-1, 0, 1}) {
            const long at = static_cast<long>(kBulkDataPos + k * kPackedVoiceSize) + d;
            if (at < 1 || at >= static_cast<long>(kBulkChecksumPos)) continue;
            const Bytes cut(rom1a.begin(), rom1a.begin() + at);
            // WHEN it is scanned THEN nothing is taken and the cut is named
            const VoiceScan scan = ScanVoiceFile(cut, "cut.syx");
            EXPECT_TRUE(scan.found.empty()) << "cut at " << at;
            if (at >= static_cast<long>(kBulkDataPos)) {
                EXPECT_EQ(scan.refusal, ScanReason::CutOff) << "cut at " << at;
                EXPECT_EQ(scan.refusalCount, (static_cast<std::size_t>(at) - kBulkDataPos) / kPackedVoiceSize)
                    << "cut at " << at;
            }
            // AND a whole bank after it is found whole
            EXPECT_EQ(check("cut at " + std::to_string(at) + " then rom1a", Cat(cut, rom1a)), 1u);
        }
    expectNoneWrong();
}

TEST_F(ScanMutationTest, EveryTruncationAtRandomPointsKeepsOnlyWholeVoices) {
    std::uint32_t seed = 7;
    const Bytes sources[] = {rom1a, Cat(rom1a, second), single};
    for (const Bytes &source : sources)
        for (int n = 0; n < 300; ++n) {
            seed = seed * 1664525u + 1013904223u;
            const std::size_t length = seed % source.size();
            const Bytes cut(source.begin(), source.begin() + static_cast<long>(length));
            check("cut to " + std::to_string(length), cut);
            check("cut to " + std::to_string(length) + " as .dx7", cut, "cut.dx7");
            check("cut to " + std::to_string(length) + " as .mid", cut, "cut.mid");
        }
    expectNoneWrong();
}

TEST_F(ScanMutationTest, HeaderBitFlipsNeverGiveOtherVoices) {
    std::vector<std::size_t> places{0, 1, 2, 3, 4, 5, kBulkChecksumPos, kBulkChecksumPos + 1};
    std::size_t taken = 0;
    for (const Bytes *source : {&rom1a, &second})
        for (std::size_t pos : places)
            for (int bit = 0; bit < 8; ++bit) {
                Bytes flipped = *source;
                flipped[pos] ^= static_cast<Byte>(1 << bit);
                taken += check("bit " + std::to_string(bit) + " of byte " + std::to_string(pos), flipped);
            }
    for (std::size_t pos : {0u, 1u, 2u, 3u, 4u, 5u, 161u, 162u})
        for (int bit = 0; bit < 8; ++bit) {
            Bytes flipped = single;
            flipped[pos] ^= static_cast<Byte>(1 << bit);
            taken += check("single voice, bit " + std::to_string(bit) + " of byte " + std::to_string(pos),
                           flipped);
        }
    expectNoneWrong();
    EXPECT_GT(taken, 0u) << "a flipped channel bit or checksum still gives the voices";
}

TEST_F(ScanMutationTest, JoinsGiveEveryWholeMessageOfBoth) {
    const std::vector<std::pair<std::string, Bytes>> parts{
        {"rom1a", rom1a},
        {"second", second},
        {"single", single},
        {"cut520", Bytes(rom1a.begin(), rom1a.begin() + 520)},
        {"supplement-then-bank", test::ReadBytes(test::TestData("supplement-then-bank.syx"))},
        {"four-op", test::ReadBytes(test::TestData("four-operator-bank-not-dx7.syx"))},
        {"changes", test::ReadBytes(test::TestData("parameter-changes-only.syx"))}};
    for (const auto &[firstName, first] : parts)
        for (const auto &[secondName, next] : parts) {
            const Bytes joined = Cat(first, next);
            const std::size_t wholeFirst = ScanVoiceFile(first, "a.syx").found.size();
            const std::size_t wholeSecond = ScanVoiceFile(next, "b.syx").found.size();
            const std::size_t found = check(firstName + " + " + secondName, joined);
            // The cut dump can only lose the first part, never the second's.
            EXPECT_GE(found, wholeSecond) << firstName << " + " << secondName;
            if (firstName != "cut520") {
                EXPECT_EQ(found, wholeFirst + wholeSecond) << firstName << " + " << secondName;
            }
        }
    expectNoneWrong();
}

TEST_F(ScanMutationTest, GarbageBeforeAndAfterLeavesTheDumpsWhereTheyStand) {
    for (int kind = 0; kind < 5; ++kind)
        for (std::size_t length = 1; length <= 300; length += (length < 140 ? 1 : 37)) {
            const Bytes garbage = Garbage(kind, length);
            for (const Bytes *source : {&rom1a, &single}) {
                const Bytes before = Cat(garbage, *source);
                const Bytes after = Cat(*source, garbage);
                const std::string what =
                    "garbage kind " + std::to_string(kind) + " of " + std::to_string(length);
                check(what + " before", before);
                check(what + " after", after);
                // Garbage that ends as a message ends (F7) or holds no
                // status byte leaves the dump after it whole.
                if (kind == 1 || kind == 3 || kind == 4) {
                    const VoiceScan scan = ScanVoiceFile(before, "g.syx");
                    EXPECT_EQ(scan.found.size(), 1u) << what;
                }
                const VoiceScan scan = ScanVoiceFile(after, "g.syx");
                ASSERT_FALSE(scan.found.empty()) << what << " after";
                EXPECT_EQ(scan.found[0].offset, 0u) << what << " after";
            }
        }
    expectNoneWrong();
}

TEST_F(ScanMutationTest, NothingIsEverTakenFromShiftedBytes) {
    const Bytes packed(rom1a.begin() + kBulkDataPos, rom1a.begin() + kBulkChecksumPos);
    Bytes unpacked = test::ReadBytes(test::TestData("unpacked-32x155.syx"));
    ASSERT_EQ(unpacked.size(), kUnpackedBankSize) << "cannot read the test file unpacked-32x155.syx";
    for (std::size_t shift = 1; shift < kPackedVoiceSize; ++shift) {
        // Packed data with its start cut off, padded, or rotated
        const Bytes cut(packed.begin() + static_cast<long>(shift), packed.end());
        Bytes padded = cut;
        padded.resize(kPackedBankSize, 0);
        Bytes rotated = cut;
        rotated.insert(rotated.end(), packed.begin(), packed.begin() + static_cast<long>(shift));
        for (const Bytes *b : std::initializer_list<const Bytes *>{&cut, &padded, &rotated})
            for (const char *name : {"s.syx", "s.dx7", "s.32", "s.mid"})
                EXPECT_TRUE(ScanVoiceFile(*b, name).found.empty()) << "packed data shifted by " << shift;
        // Unpacked voices shifted the same way
        Bytes u(unpacked.begin() + static_cast<long>(shift), unpacked.end());
        u.resize(kUnpackedBankSize, 0);
        EXPECT_TRUE(ScanVoiceFile(u, "u.syx").found.empty()) << "unpacked data shifted by " << shift;
    }
}

} // namespace
} // namespace vox
