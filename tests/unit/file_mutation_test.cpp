// GIVEN every test file, and files the program writes itself, WHEN they are
// cut short, have header bits flipped, are joined to one another or have
// garbage put in front of them, THEN no reader of voice files ever loads
// voices the file does not hold: a read is refused, or gives exactly the
// voices one of the original files gives.
#include "file_test_support.h"
#include "files/voice_files.h"
#include "voice/bank_format.h"

#include <gtest/gtest.h>

#include <algorithm>
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

std::optional<Voices> Read(const Reader &reader, std::span<const Byte> bytes) {
    Voices voices;
    if (reader.bank) {
        const auto bank = DecodeBank(bytes, reader.bankKind, "mutated");
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
            for (const Source *source : from)
                for (const Reader &other : kReaders) {
                    const auto had = Read(other, source->bytes);
                    if (!had) continue;
                    if (reader.bank)
                        held |= other.bank && *had == *got;
                    else
                        held |= std::find(had->begin(), had->end(), got->front()) != had->end();
                }
            if (!held && failures.size() < 20) failures.push_back(what + " through the " + reader.name);
            if (!held) ++wrong;
        }
    }

    void expectNoneWrong() {
        std::ostringstream list;
        for (const auto &f : failures)
            list << "\n  " << f;
        EXPECT_EQ(wrong, 0u) << "reads that gave voices the file does not hold (first ones):" << list.str();
        EXPECT_GT(reads, 0u);
    }

    std::vector<Source> sources;
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

} // namespace
} // namespace vox
