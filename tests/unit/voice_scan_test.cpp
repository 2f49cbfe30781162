// GIVEN / WHEN / THEN tests of the scan that finds every DX7 voice a file
// holds: the real test files, messages at any offset, Standard MIDI Files,
// data without a header, and the reasons a file gives no voice.
#include "file_test_support.h"
#include "files/voice_files.h"
#include "voice/bank_format.h"
#include "voice/dx7_messages.h"
#include "voice/voice_scan.h"
#include "voice/voice_supplement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace vox {
namespace {

using Bytes = std::vector<Byte>;

Bytes TestFile(const std::string &name) {
    Bytes bytes = test::ReadBytes(test::TestData(name));
    EXPECT_FALSE(bytes.empty()) << "cannot read the test file " << name;
    return bytes;
}

// The 32 voices of rom1a.syx decoded without the scan: the bank image of
// the bulk dump, each packed voice unpacked behind the import header.
std::vector<VoiceRecord> Rom1aVoices() {
    const BankImage image = ReadBankImage(TestFile("rom1a.syx"));
    EXPECT_EQ(image.error, "") << "rom1a.syx is no clean bulk dump";
    std::vector<VoiceRecord> voices;
    if (image.packed.size() != kPackedBankSize) return voices;
    for (std::size_t v = 0; v < kBankSlots; ++v) {
        Slot slot{};
        std::copy(kVoiceHeader.begin(), kVoiceHeader.end(), slot.begin());
        UnpackVoice(std::span<const Byte, kPackedVoiceSize>(image.packed.data() + v * kPackedVoiceSize,
                                                            kPackedVoiceSize),
                    slot);
        VoiceRecord record{};
        std::copy(slot.begin(), slot.begin() + kRecordSize, record.begin());
        voices.push_back(record);
    }
    return voices;
}

std::string NameOf(const VoiceRecord &record) {
    return std::string(record.begin() + kNamePos, record.begin() + kNamePos + kNameLength);
}

bool SameParameters(const VoiceRecord &a, const VoiceRecord &b) {
    return std::equal(a.begin() + kParamBase, a.end(), b.begin() + kParamBase);
}

bool SameSound(const VoiceRecord &a, const VoiceRecord &b) {
    return std::equal(a.begin() + kParamBase, a.begin() + kNamePos, b.begin() + kParamBase);
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes &p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

Bytes Text(const std::string &s) { return Bytes(s.begin(), s.end()); }

// A single-voice dump of `record`'s parameters on channel `channel` (0..15).
Bytes SingleDump(const VoiceRecord &record, Byte channel) {
    Slot slot{};
    std::copy(record.begin(), record.end(), slot.begin());
    const VoiceDump dump = BuildVoiceDump(slot);
    Bytes bytes(dump.begin(), dump.end());
    bytes[2] = channel;
    return bytes;
}

// --- The real test files -------------------------------------------------------

TEST(ScanVoiceFile, FindsTheBankOfEveryCleanBulkDumpFile) {
    const auto rom1a = Rom1aVoices();
    ASSERT_EQ(rom1a.size(), kBankSlots);
    // GIVEN each bank file that is one whole dump
    for (const char *name : {"rom1a.syx", "bad-checksum.syx", "bytecount-1000.syx",
                             "control-chars-in-names.syx", "bit7-bytes-and-f0-inside.syx"}) {
        const Bytes bytes = TestFile(name);
        // WHEN it is scanned
        const VoiceScan scan = ScanVoiceFile(bytes, name);
        // THEN it gives one bank from offset 0, the whole message long
        ASSERT_EQ(scan.found.size(), 1u) << name;
        const FoundVoices &bank = scan.found[0];
        EXPECT_EQ(bank.source, VoiceSource::BulkDump) << name;
        EXPECT_EQ(bank.offset, 0u) << name;
        EXPECT_EQ(bank.length, kBulkMessageSize) << name;
        EXPECT_TRUE(bank.isBank()) << name;
        EXPECT_EQ(scan.refusal, ScanReason::None) << name;
        EXPECT_EQ(bank.checksumGood, std::string(name) != "bad-checksum.syx") << name;
        // and every voice is the packed voice of the file unpacked
        for (std::size_t v = 0; v < kBankSlots; ++v) {
            const VoiceRecord expected = RecordFromPacked(std::span<const Byte, kPackedVoiceSize>(
                bytes.data() + kBulkDataPos + v * kPackedVoiceSize, kPackedVoiceSize));
            EXPECT_EQ(bank.voices[v], expected) << name << " voice " << v + 1;
        }
    }
    const VoiceScan scan = ScanVoiceFile(TestFile("rom1a.syx"), "rom1a.syx");
    ASSERT_EQ(scan.bankCount(), 1u);
    EXPECT_EQ(scan.bank(0)->voices, rom1a);
    EXPECT_EQ(NameOf(scan.bank(0)->voices[0]), "BRASS   1 ");
    EXPECT_EQ(NameOf(scan.bank(0)->voices[3]), "STRINGS 1 ");
}

TEST(ScanVoiceFile, KeepsTheBit7BytesAndTheF0InsideABankAsTheyStand) {
    // GIVEN the bank whose data bytes carry bit 7, one of them F0 at offset 129
    const Bytes bytes = TestFile("bit7-bytes-and-f0-inside.syx");
    ASSERT_EQ(bytes.size(), kBulkMessageSize);
    ASSERT_EQ(bytes[129], kSysExStart);
    // WHEN it is scanned THEN the dump's extent comes from its format, not from an F7
    const VoiceScan scan = ScanVoiceFile(bytes, "b.syx");
    ASSERT_EQ(scan.found.size(), 1u);
    EXPECT_TRUE(scan.found[0].checksumGood);
    EXPECT_TRUE(scan.skipped.empty());
    // and voice 1's whole byte at packed offset 123 (F0h) is kept
    EXPECT_EQ(scan.found[0].voices[0][kParamBase + 145 + 5], kSysExStart);
}

TEST(ScanVoiceFile, FindsTheBankBehindAParameterChangeAndASupplementDump) {
    const Bytes bytes = TestFile("supplement-then-bank.syx");
    const VoiceScan scan = ScanVoiceFile(bytes, "supplement-then-bank.syx");
    ASSERT_EQ(scan.bankCount(), 1u);
    EXPECT_EQ(scan.bank(0)->offset, 1135u);
    EXPECT_EQ(scan.bank(0)->length, kBulkMessageSize);
    EXPECT_EQ(scan.bank(0)->voices, Rom1aVoices());
    // THEN the parts before it are named
    ASSERT_EQ(scan.skipped.size(), 2u);
    EXPECT_EQ(scan.skipped[0].offset, 0u);
    EXPECT_EQ(scan.skipped[0].length, 7u);
    EXPECT_EQ(scan.skipped[0].reason, ScanReason::ParameterChangesOnly);
    EXPECT_EQ(scan.skipped[1].offset, 7u);
    EXPECT_EQ(scan.skipped[1].length, 1128u);
    EXPECT_EQ(scan.skipped[1].reason, ScanReason::SupplementOnly);
}

TEST(ScanVoiceFile, ReadsThirtyTwoUnpackedVoicesWithoutHeaders) {
    const VoiceScan scan = ScanVoiceFile(TestFile("unpacked-32x155.syx"), "unpacked-32x155.syx");
    ASSERT_EQ(scan.bankCount(), 1u);
    EXPECT_EQ(scan.bank(0)->source, VoiceSource::UnpackedData);
    EXPECT_EQ(scan.bank(0)->length, kUnpackedBankSize);
    const auto rom1a = Rom1aVoices();
    for (std::size_t v = 0; v < kBankSlots; ++v)
        EXPECT_EQ(scan.bank(0)->voices[v], rom1a[v]) << "voice " << v + 1;
}

TEST(ScanVoiceFile, OffersBothBanksOfAFileWithTwo) {
    const auto rom1a = Rom1aVoices();
    // GIVEN the rom1a bank, then the same voices reversed and renamed
    const VoiceScan scan = ScanVoiceFile(TestFile("two-different-banks.syx"), "two-different-banks.syx");
    ASSERT_EQ(scan.bankCount(), 2u);
    EXPECT_EQ(scan.bank(0)->offset, 0u);
    EXPECT_EQ(scan.bank(1)->offset, kBulkMessageSize);
    EXPECT_EQ(scan.bank(0)->voices, rom1a);
    for (std::size_t v = 0; v < kBankSlots; ++v) {
        const VoiceRecord &second = scan.bank(1)->voices[v];
        const std::string number = (v + 1 < 10 ? "0" : "") + std::to_string(v + 1);
        EXPECT_EQ(NameOf(second).substr(0, 9), "SECOND " + number);
        EXPECT_TRUE(SameSound(second, rom1a[kBankSlots - 1 - v])) << "voice " << v + 1;
    }
    EXPECT_EQ(scan.bank(2), nullptr);
    // AND the file with the same dump twice gives it twice
    const VoiceScan twice = ScanVoiceFile(TestFile("two-banks-in-one-file.syx"), "t.syx");
    ASSERT_EQ(twice.bankCount(), 2u);
    EXPECT_EQ(twice.bank(1)->voices, rom1a);
}

TEST(ScanVoiceFile, RefusesADumpCutOffNamingTheLastWholeVoice) {
    // GIVEN rom1a.syx cut at 4096 bytes: never read as 4096 bytes without a header
    const VoiceScan cut = ScanVoiceFile(TestFile("bulk-cut-at-4096.syx"), "bulk-cut-at-4096.syx");
    EXPECT_TRUE(cut.found.empty());
    EXPECT_EQ(cut.refusal, ScanReason::CutOff);
    EXPECT_EQ(cut.refusalCount, 31u);
    // GIVEN a dump cut after the fourth voice
    const VoiceScan short520 = ScanVoiceFile(TestFile("truncated-520.syx"), "truncated-520.syx");
    EXPECT_TRUE(short520.found.empty());
    EXPECT_EQ(short520.refusal, ScanReason::CutOff);
    EXPECT_EQ(short520.refusalCount, 4u);
    ASSERT_EQ(short520.skipped.size(), 1u);
    EXPECT_EQ(short520.skipped[0].length, 520u);
    // GIVEN all the data but the checksum, F7 last: taken, as the readers take it
    const Bytes bytes4103 = TestFile("truncated-4103.syx");
    const VoiceScan whole = ScanVoiceFile(bytes4103, "truncated-4103.syx");
    ASSERT_EQ(whole.bankCount(), 1u);
    EXPECT_FALSE(whole.bank(0)->checksumGood);
    EXPECT_EQ(whole.bank(0)->length, 4103u);
    for (std::size_t v = 0; v < kBankSlots; ++v)
        EXPECT_TRUE(whole.bank(0)->voices[v] ==
                    RecordFromPacked(std::span<const Byte, kPackedVoiceSize>(
                        bytes4103.data() + kBulkDataPos + v * kPackedVoiceSize, kPackedVoiceSize)))
            << "voice " << v + 1;
}

TEST(ScanVoiceFile, RefusesFilesWithoutVoicesNamingWhatTheyHold) {
    struct Case {
        const char *file;
        ScanReason reason;
    };
    for (const Case &c : {Case{"text-file-named.v01", ScanReason::NotVoiceData},
                          Case{"four-operator-bank-not-dx7.syx", ScanReason::FourOperatorBank},
                          Case{"parameter-changes-only.syx", ScanReason::ParameterChangesOnly}}) {
        const VoiceScan scan = ScanVoiceFile(TestFile(c.file), c.file);
        EXPECT_TRUE(scan.found.empty()) << c.file;
        EXPECT_EQ(scan.refusal, c.reason) << c.file;
    }
    const VoiceScan changes = ScanVoiceFile(TestFile("parameter-changes-only.syx"), "p.syx");
    ASSERT_EQ(changes.skipped.size(), 24u);
    for (std::size_t k = 0; k < 24; ++k) {
        EXPECT_EQ(changes.skipped[k].offset, 7 * k);
        EXPECT_EQ(changes.skipped[k].length, 7u);
    }
    const VoiceScan four = ScanVoiceFile(TestFile("four-operator-bank-not-dx7.syx"), "f.syx");
    ASSERT_EQ(four.skipped.size(), 1u);
    EXPECT_EQ(four.skipped[0].length, kBulkMessageSize) << "the byte count gives the dump's extent";
}

TEST(ScanVoiceFile, FindsTheBankInTheSystemExclusiveEventOfAMidiFile) {
    const Bytes bytes = TestFile("rom1a-bank-in-smf.mid");
    const VoiceScan scan = ScanVoiceFile(bytes, "rom1a-bank-in-smf.mid");
    EXPECT_TRUE(scan.midiFile);
    ASSERT_EQ(scan.bankCount(), 1u);
    EXPECT_EQ(scan.singleVoiceCount(), 0u);
    const FoundVoices &bank = *scan.bank(0);
    EXPECT_TRUE(bank.inMidiFile);
    EXPECT_TRUE(bank.checksumGood);
    // THEN the offset is the file's: the event's F0
    ASSERT_LT(bank.offset, bytes.size());
    EXPECT_EQ(bytes[bank.offset], kSysExStart);
    EXPECT_EQ(bank.offset, 47u);
    EXPECT_EQ(bank.length, kBulkMessageSize);
    EXPECT_EQ(bank.voices, Rom1aVoices());
    // and the two parameter messages around it are named
    EXPECT_EQ(
        std::count_if(scan.skipped.begin(), scan.skipped.end(),
                      [](const SkippedPart &s) { return s.reason == ScanReason::ParameterChangesOnly; }),
        2);
}

TEST(ScanVoiceFile, TakesTheSingleVoiceDumpAndTheHeaderlessBank) {
    const Bytes single = TestFile("single-voice.syx");
    const VoiceScan one = ScanVoiceFile(single, "single-voice.syx");
    ASSERT_EQ(one.singleVoiceCount(), 1u);
    EXPECT_EQ(one.bankCount(), 0u);
    EXPECT_EQ(one.singleVoice(0)->source, VoiceSource::SingleVoiceDump);
    EXPECT_EQ(one.singleVoice(0)->length, kImageSize);
    EXPECT_TRUE(std::equal(one.singleVoice(0)->voices[0].begin(), one.singleVoice(0)->voices[0].end(),
                           single.begin()));
    const Bytes headerless = TestFile("headerless-4096.syx");
    const VoiceScan bank = ScanVoiceFile(headerless, "h.dx7");
    ASSERT_EQ(bank.bankCount(), 1u);
    EXPECT_EQ(bank.bank(0)->source, VoiceSource::PackedData);
    EXPECT_EQ(bank.bank(0)->voices[0],
              RecordFromPacked(std::span<const Byte, kPackedVoiceSize>(headerless.data(), kPackedVoiceSize)));
}

// --- Messages anywhere ---------------------------------------------------------------

TEST(ScanVoiceFile, FindsDumpsOnAnyChannelAfterAndBetweenOtherMessages) {
    const auto rom1a = Rom1aVoices();
    Bytes bank = TestFile("rom1a.syx");
    bank[2] = 0x0F; // channel 16
    const Bytes voice7 = SingleDump(rom1a[6], 0x05);
    const Bytes other = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
    const Bytes identity = {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7};
    const ParameterChange pc = ParameterChangeMessage(param::Algorithm, 5);
    const Bytes change(pc.begin(), pc.end());
    // GIVEN text, another maker's message, a single voice, a parameter
    // change, a bank and an identity request, one after the other
    const Bytes text = Text("notes");
    const Bytes bytes = Cat({text, other, voice7, change, bank, identity});
    const VoiceScan scan = ScanVoiceFile(bytes, "mixed.syx");
    // THEN the single voice and the bank are found where they stand
    ASSERT_EQ(scan.found.size(), 2u);
    EXPECT_EQ(scan.found[0].offset, text.size() + other.size());
    EXPECT_EQ(scan.found[0].voices.size(), 1u);
    EXPECT_TRUE(SameParameters(scan.found[0].voices[0], rom1a[6]));
    EXPECT_EQ(scan.found[0].voices[0][2], 0x05) << "a single voice keeps its own header";
    EXPECT_EQ(scan.found[1].offset, text.size() + other.size() + voice7.size() + change.size());
    EXPECT_EQ(scan.found[1].voices, rom1a);
    // and every other part is named in order
    std::vector<ScanReason> reasons;
    for (const SkippedPart &s : scan.skipped)
        reasons.push_back(s.reason);
    EXPECT_EQ(reasons, (std::vector<ScanReason>{ScanReason::NotVoiceData, ScanReason::OtherMakerOnly,
                                                ScanReason::ParameterChangesOnly, ScanReason::NotVoiceData}));
}

TEST(ScanVoiceFile, TakesADumpCutOffByTheNextMessageForNothingButNamesTheCut) {
    const auto rom1a = Rom1aVoices();
    const Bytes bank = TestFile("rom1a.syx");
    // GIVEN a dump broken off after five voices and four bytes, then a whole dump
    const Bytes cut(bank.begin(), bank.begin() + kBulkDataPos + 5 * kPackedVoiceSize + 4);
    const VoiceScan scan = ScanVoiceFile(Cat({cut, bank}), "j.syx");
    ASSERT_EQ(scan.bankCount(), 1u);
    EXPECT_EQ(scan.bank(0)->offset, cut.size());
    EXPECT_EQ(scan.bank(0)->voices, rom1a);
    ASSERT_EQ(scan.skipped.size(), 1u);
    EXPECT_EQ(scan.skipped[0].reason, ScanReason::CutOff);
    EXPECT_EQ(scan.skipped[0].count, 5u);
    EXPECT_EQ(ScanReasonEnglish(scan.skipped[0].reason, scan.skipped[0].count), "cut off after voice 5");
}

TEST(ScanVoiceFile, TakesAWrongChecksumOnlyWhenTheVoicesLookLikeVoices) {
    Bytes bank = TestFile("rom1a.syx");
    bank[kBulkChecksumPos] ^= 0x01;
    const VoiceScan taken = ScanVoiceFile(bank, "b.syx");
    ASSERT_EQ(taken.bankCount(), 1u);
    EXPECT_FALSE(taken.bank(0)->checksumGood);
    // GIVEN a dump whose 4096 data bytes are out-of-range values
    Bytes garbage = bank;
    std::fill(garbage.begin() + kBulkDataPos, garbage.begin() + kBulkChecksumPos, Byte{0x7F});
    garbage[kBulkChecksumPos] = 0x05;
    const VoiceScan refused = ScanVoiceFile(garbage, "g.syx");
    EXPECT_TRUE(refused.found.empty());
    EXPECT_EQ(refused.refusal, ScanReason::BrokenDump);
}

// --- Standard MIDI Files ---------------------------------------------------------------

Bytes Vlq(std::size_t v) {
    Bytes out{static_cast<Byte>(v & 0x7F)};
    while (v >>= 7)
        out.insert(out.begin(), static_cast<Byte>(0x80 | (v & 0x7F)));
    return out;
}

Bytes Be32(std::size_t v) {
    return {static_cast<Byte>(v >> 24), static_cast<Byte>(v >> 16), static_cast<Byte>(v >> 8),
            static_cast<Byte>(v)};
}

Bytes MidiFile(const Bytes &track) {
    return Cat({Text("MThd"),
                Be32(6),
                {0x00, 0x00, 0x00, 0x01, 0x00, 0x60},
                Text("MTrk"),
                Be32(track.size()),
                track});
}

TEST(ScanVoiceFile, ReadsSystemExclusiveEventsSplitIntoPacketsAmongRunningStatus) {
    const auto rom1a = Rom1aVoices();
    const Bytes bank = TestFile("rom1a.syx");
    const Bytes voice = SingleDump(rom1a[2], 0);
    // GIVEN a track: notes under running status, a meta event, the bank
    // split into an F0 event and two F7 continuations with notes between,
    // then a single voice in one F0 event, then the end of the track
    const Bytes part1(bank.begin() + 1, bank.begin() + 2000);
    const Bytes part2(bank.begin() + 2000, bank.begin() + 3000);
    const Bytes part3(bank.begin() + 3000, bank.end());
    const Bytes voiceData(voice.begin() + 1, voice.end());
    const Bytes track = Cat({{0x00, 0x90, 0x3C, 0x40, 0x10, 0x3E, 0x40}, // note on, running status
                             {0x00, 0xFF, 0x03, 0x04},
                             Text("Bank"), // a track name
                             {0x00, 0xF0},
                             Vlq(part1.size()),
                             part1,
                             {0x05, 0xF7},
                             Vlq(part2.size()),
                             part2,
                             {0x00, 0xC0, 0x05}, // program change
                             {0x05, 0xF7},
                             Vlq(part3.size()),
                             part3,
                             {0x00, 0xF0},
                             Vlq(voiceData.size()),
                             voiceData,
                             {0x00, 0xFF, 0x2F, 0x00}});
    const Bytes file = MidiFile(track);
    const VoiceScan scan = ScanVoiceFile(file, "split.mid");
    EXPECT_TRUE(scan.midiFile);
    ASSERT_EQ(scan.bankCount(), 1u);
    EXPECT_EQ(scan.bank(0)->voices, rom1a);
    EXPECT_TRUE(scan.bank(0)->checksumGood);
    EXPECT_EQ(file[scan.bank(0)->offset], kSysExStart);
    ASSERT_EQ(scan.singleVoiceCount(), 1u);
    EXPECT_TRUE(SameParameters(scan.singleVoice(0)->voices[0], rom1a[2]));
    EXPECT_EQ(file[scan.singleVoice(0)->offset], kSysExStart);
    EXPECT_LT(scan.bank(0)->offset, scan.singleVoice(0)->offset);
}

TEST(DecodeVoice, TheFirstOfSeveralVoicesInAMidiFileIsTheFirstNotTheOneAtTheEnd) {
    const auto rom1a = Rom1aVoices();
    // GIVEN a MIDI file whose track holds voices 1 and 2 as single-voice
    // dumps, the second ending four bytes before the file does
    Bytes track;
    for (int v : {0, 1}) {
        const Bytes dump = SingleDump(rom1a[static_cast<std::size_t>(v)], 0);
        track = Cat({track, {0x00, 0xF0}, Vlq(dump.size() - 1), Bytes(dump.begin() + 1, dump.end())});
    }
    track = Cat({track, {0x00, 0xFF, 0x2F, 0x00}});
    const Bytes file = MidiFile(track);
    // WHEN the 1-voice load is given the first and the second voice
    const auto first = DecodeVoice(file, VoiceKind::Mid, "two.mid", 0);
    const auto second = DecodeVoice(file, VoiceKind::Mid, "two.mid", 1);
    // THEN each is the voice chosen
    ASSERT_TRUE(first.ok());
    ASSERT_TRUE(second.ok());
    EXPECT_TRUE(SameParameters(first.value, rom1a[0]));
    EXPECT_TRUE(SameParameters(second.value, rom1a[1]));
}

TEST(SupplementsBeside, TheAmemNextToTheBankIsPairedInAFileOfMessagesAndInAMidiFile) {
    // The DX7 II bank file's AMEM and a bulk dump, and each as an SMF event.
    const Bytes file = TestFile("supplement-then-bank.syx");
    const Bytes amem(file.begin() + 7, file.begin() + 7 + 1128);
    const Bytes bank = TestFile("rom1a.syx");
    const auto event = [](const Bytes &m) {
        return Cat({{0x00, 0xF0}, Vlq(m.size() - 1), Bytes(m.begin() + 1, m.end())});
    };
    const Bytes change = {0xF0, 0x43, 0x10, 0x01, 0x10, 0x05, 0xF7}; // a parameter change
    const Bytes end = {0x00, 0xFF, 0x2F, 0x00};
    const struct {
        const char *name;
        Bytes bytes;
        bool paired;
    } cases[] = {
        {"AMEM then VMEM", Cat({amem, bank}), true},
        {"VMEM then AMEM", Cat({bank, amem}), true},
        {"a message between", Cat({amem, change, bank}), false},
        {"in a MIDI file", MidiFile(Cat({event(amem), {0x00, 0x90, 0x3C, 0x40}, event(bank), end})), true},
        {"after it in a MIDI file", MidiFile(Cat({event(bank), event(amem), end})), true},
        {"a message between in a MIDI file", MidiFile(Cat({event(amem), event(change), event(bank), end})),
         false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const VoiceScan scan = ScanVoiceFile(c.bytes, "");
        ASSERT_EQ(scan.bankCount(), 1u);
        const PairedSupplements paired = SupplementsBeside(c.bytes, scan, 0);
        EXPECT_FALSE(paired.damaged);
        for (std::size_t v = 0; v < kBankSlots; ++v) {
            ASSERT_EQ(paired.records[v].has_value(), c.paired) << "voice " << v + 1;
            if (c.paired) {
                EXPECT_TRUE(std::equal(paired.records[v]->begin(), paired.records[v]->end(),
                                       amem.begin() + 6 + 35 * v));
            }
        }
    }
}

TEST(ScanVoiceFile, NamesAMidiFileWithoutVoices) {
    const Bytes track = Cat({{0x00, 0x90, 0x3C, 0x40, 0x10, 0x80, 0x3C, 0x00},
                             {0x00, 0xF0, 0x06},
                             {0x43, 0x10, 0x19, 0x4D, 0x00, 0xF7},
                             {0x00, 0xFF, 0x2F, 0x00}});
    const VoiceScan scan = ScanVoiceFile(MidiFile(track), "song.mid");
    EXPECT_TRUE(scan.midiFile);
    EXPECT_TRUE(scan.found.empty());
    EXPECT_EQ(scan.refusal, ScanReason::MidiFileWithoutVoices);
    EXPECT_EQ(ScanReasonJapanese(scan.refusal, 0), "音色の入っていないMIDIファイルです");
}

// --- Data without a header ---------------------------------------------------------------

TEST(ScanVoiceFile, TakesRunsOfPackedBanksAndRefusesShiftedOnes) {
    const Bytes bank = TestFile("rom1a.syx");
    const Bytes packed(bank.begin() + kBulkDataPos, bank.begin() + kBulkDataPos + kPackedBankSize);
    // GIVEN three banks' packed data one after the other
    const VoiceScan three = ScanVoiceFile(Cat({packed, packed, packed}), "three.dx7");
    ASSERT_EQ(three.bankCount(), 3u);
    for (std::size_t b = 0; b < 3; ++b) {
        EXPECT_EQ(three.bank(b)->offset, b * kPackedBankSize);
        EXPECT_EQ(three.bank(b)->voices, Rom1aVoices());
    }
    // GIVEN the packed data with its first bytes moved to its end
    for (std::size_t shift : {1u, 6u, 64u, 127u}) {
        Bytes shifted(packed.begin() + static_cast<long>(shift), packed.end());
        shifted.insert(shifted.end(), packed.begin(), packed.begin() + static_cast<long>(shift));
        const VoiceScan scan = ScanVoiceFile(shifted, "s.dx7");
        EXPECT_TRUE(scan.found.empty()) << "shift " << shift;
        EXPECT_EQ(scan.refusal, ScanReason::ShiftedData) << "shift " << shift;
    }
    // GIVEN unpacked voices with one byte less
    Bytes unpacked = TestFile("unpacked-32x155.syx");
    unpacked.erase(unpacked.begin());
    unpacked.push_back(0);
    EXPECT_TRUE(ScanVoiceFile(unpacked, "u.syx").found.empty());
}

TEST(ScanVoiceFile, ReadsTheProgramsOwnFilesByTheirNames) {
    const auto rom1a = Rom1aVoices();
    Bytes v32;
    for (const VoiceRecord &r : rom1a)
        v32.insert(v32.end(), r.begin(), r.end());
    const VoiceScan bank = ScanVoiceFile(v32, "MY.V32");
    ASSERT_EQ(bank.bankCount(), 1u);
    EXPECT_EQ(bank.bank(0)->source, VoiceSource::V32File);
    EXPECT_EQ(bank.bank(0)->voices, rom1a);
    const Bytes v01(v32.begin(), v32.begin() + kRecordSize);
    const VoiceScan one = ScanVoiceFile(v01, "my.v01");
    ASSERT_EQ(one.singleVoiceCount(), 1u);
    EXPECT_EQ(one.singleVoice(0)->source, VoiceSource::V01File);
    EXPECT_EQ(one.singleVoice(0)->voices[0], rom1a[0]);
    // Under another name the same bytes are no voice data.
    EXPECT_TRUE(ScanVoiceFile(v32, "my.bin").found.empty());
}

TEST(ScanVoiceFile, RefusesNothingAndTooMuch) {
    EXPECT_EQ(ScanVoiceFile({}, "e.syx").refusal, ScanReason::Empty);
    const Bytes huge(kMaxScanSize + 1, 0);
    EXPECT_EQ(ScanVoiceFile(huge, "h.syx").refusal, ScanReason::TooLarge);
}

// --- Reasons in words and the sound body ---------------------------------------------------------

TEST(ScanReasonText, NamesEveryReasonInEnglishAndJapanese) {
    EXPECT_EQ(ScanReasonEnglish(ScanReason::FourOperatorBank, 0),
              "holds a bank of a four-operator instrument");
    EXPECT_EQ(ScanReasonEnglish(ScanReason::PerformanceOnly, 0), "performance data, no voices");
    EXPECT_EQ(ScanReasonEnglish(ScanReason::CutOff, 4), "cut off after voice 4");
    EXPECT_EQ(ScanReasonJapanese(ScanReason::FourOperatorBank, 0), "4オペレーター機のバンクです");
    EXPECT_EQ(ScanReasonJapanese(ScanReason::PerformanceOnly, 0), "演奏データだけで音色はありません");
    EXPECT_EQ(ScanReasonJapanese(ScanReason::CutOff, 4), "音色 4 のあとで切れています");
    EXPECT_EQ(ScanReasonEnglish(ScanReason::None, 0), "");
    for (int r = 1; r <= static_cast<int>(ScanReason::ShiftedData); ++r) {
        EXPECT_FALSE(ScanReasonEnglish(static_cast<ScanReason>(r), 3).empty()) << r;
        EXPECT_FALSE(ScanReasonJapanese(static_cast<ScanReason>(r), 3).empty()) << r;
    }
}

TEST(SoundBodyOf, IsThePackedVoiceWithoutItsNameEveryFieldMasked) {
    const auto rom1a = Rom1aVoices();
    const Bytes bank = TestFile("rom1a.syx");
    ASSERT_EQ(rom1a.size(), kBankSlots);
    // THEN the body of a voice is its packed bytes 0..117 as the dump holds them
    const SoundBody body = SoundBodyOf(rom1a[0]);
    EXPECT_TRUE(std::equal(body.begin(), body.end(), bank.begin() + kBulkDataPos));
    // a renamed voice sounds the same
    VoiceRecord renamed = rom1a[0];
    renamed[kNamePos] = 'X';
    EXPECT_EQ(SoundBodyOf(renamed), body);
    // a stray bit 7 and a bit above a field are no other sound
    VoiceRecord stray = rom1a[0];
    stray[kParamBase + 0] |= 0x80;                                    // rate 1 of operator 6
    stray[ParamPos(BlockParamNumber(0, OpParam::LeftCurve))] |= 0x04; // above the curve's 2 bits
    EXPECT_EQ(SoundBodyOf(stray), body);
    // another parameter is another sound
    VoiceRecord other = rom1a[0];
    other[ParamPos(param::Algorithm)] ^= 1;
    EXPECT_NE(SoundBodyOf(other), body);
}

} // namespace
} // namespace vox
