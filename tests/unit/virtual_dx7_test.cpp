// The virtual DX7: every reply, every refusal, every fault switch.
#include "../common/test_files.h"
#include "midi/midi_output.h"
#include "midi/virtual_dx7.h"
#include "voice/bank_format.h"
#include "voice/init_voice.h"

#include <gtest/gtest.h>

#include <optional>

#include <fstream>
#include <iterator>
#include <set>

namespace vox {
namespace {

using Bytes = std::vector<Byte>;

struct Reply {
    Bytes bytes;
    double due;
};

// GIVEN a switched-on instrument whose replies are caught.
class VirtualDx7Test : public ::testing::Test {
protected:
    VirtualDx7 dx7;
    std::vector<Reply> replies;

    void SetUp() override {
        dx7.setSink([this](std::vector<Byte> bytes, double due) {
            replies.push_back({std::move(bytes), due});
        });
    }
    void send(const Bytes &message, double now = 0.0) { dx7.receive(message, now); }
    void programChange(int n, double now = 0.0) { send({0xC0, static_cast<Byte>(n)}, now); }

    static Bytes VoiceDumpOf(const Slot &slot) {
        const auto dump = BuildVoiceDump(slot);
        return {dump.begin(), dump.end()};
    }
    static Bytes Image(const Slot &slot) { return {slot.begin(), slot.begin() + kImageSize}; }
    static std::string NameOf(const Slot &slot) { return VoiceName(slot); }
    // A voice of our own, different from every factory voice.
    static Slot Initial() {
        Slot s = InitialVoice();
        s[kChecksumPos] = VoiceChecksum(s);
        s[kEndPos] = kSysExEnd;
        return s;
    }
    void expectRefused(Dx7Refusal reason) {
        EXPECT_EQ(dx7.refusals(), 1);
        EXPECT_EQ(dx7.refusals(reason), 1) << dx7.lastRefusal();
        EXPECT_TRUE(replies.empty());
    }
};

Bytes ReadFile(const std::string &name) {
    return test::ReadFileContents(std::filesystem::path(VOXMERE_TESTDATA) / name);
}

Bytes ParameterChange(int number, int value) {
    return {0xF0,
            0x43,
            0x10,
            static_cast<Byte>(number >> 7),
            static_cast<Byte>(number & 0x7F),
            static_cast<Byte>(value),
            0xF7};
}

Bytes BankOf(const Slot &voice) {
    VoiceTable table;
    for (std::size_t s = 1; s <= kBankSlots; ++s)
        table[s] = voice;
    const BulkMessage m = BuildBulkMessage(table);
    return {m.begin(), m.end()};
}

// --- Power-on state ---------------------------------------------------------

TEST(VirtualDx7Factory, ThirtyTwoVoicesHaveDistinctNamesAlgorithmsAndBytes) {
    const auto voices = VirtualDx7FactoryVoices();
    std::set<std::string> names;
    std::set<int> algorithms;
    std::set<Bytes> images;
    for (const Slot &v : voices) {
        names.insert(VoiceName(v));
        algorithms.insert(v[ParamPos(param::Algorithm)]);
        images.insert(Bytes(v.begin() + kParamBase, v.begin() + kChecksumPos));
    }
    EXPECT_EQ(names.size(), kBankSlots);
    EXPECT_EQ(algorithms.size(), kBankSlots);
    EXPECT_EQ(images.size(), kBankSlots);
    EXPECT_EQ(VoiceName(voices[0]), "VOX  1    ");
    EXPECT_EQ(VoiceName(voices[31]), "VOX 32    ");
}

TEST(VirtualDx7Factory, EveryValueIsInRangeAndEveryChecksumRight) {
    for (const Slot &v : VirtualDx7FactoryVoices()) {
        for (int p = 0; p < param::Name1; ++p)
            EXPECT_LE(v[ParamPos(p)], ParamMax(p)) << "parameter " << p;
        EXPECT_EQ(v[kChecksumPos], VoiceChecksum(v));
        EXPECT_TRUE(std::equal(kVoiceHeader.begin(), kVoiceHeader.end(), v.begin()));
    }
}

TEST_F(VirtualDx7Test, StartsWithSysInfoAvailOnProtectOffAndNothingCounted) {
    EXPECT_TRUE(dx7.sysInfoAvail);
    EXPECT_FALSE(dx7.memoryProtect);
    EXPECT_EQ(dx7.refusals(), 0);
    EXPECT_EQ(dx7.lastRefusal(), "");
    EXPECT_EQ(dx7.operatorSwitches(), 0x3F);
}

// --- Program change -----------------------------------------------------------

TEST_F(VirtualDx7Test, ProgramChangeAnswersWithTheSingleVoiceDumpOfThatVoice) {
    programChange(4);
    ASSERT_EQ(replies.size(), 1u);
    const Bytes &dump = replies[0].bytes;
    ASSERT_EQ(dump.size(), kImageSize);
    EXPECT_EQ(Bytes(dump.begin(), dump.begin() + 6), Bytes(kVoiceHeader.begin(), kVoiceHeader.end()));
    EXPECT_EQ(dump[kChecksumPos], ChecksumOf(std::span<const Byte>(dump).subspan(kParamBase, kParamCount)));
    EXPECT_EQ(dump.back(), 0xF7);
    EXPECT_EQ(NameOf(dx7.internalVoice(4)), "VOX  5    ");
    EXPECT_EQ(dump, Image(dx7.internalVoice(4)));
    EXPECT_EQ(dx7.refusals(), 0);
}

TEST_F(VirtualDx7Test, ProgramChangeSelectsTheVoiceIntoTheEditBuffer) {
    programChange(31);
    EXPECT_EQ(dx7.selectedProgram(), 31);
    EXPECT_EQ(Image(dx7.editBuffer()), Image(dx7.internalVoice(31)));
    EXPECT_EQ(dx7.programChanges(), 1);
}

TEST_F(VirtualDx7Test, EachOfTheThirtyTwoProgramsAnswersWithADifferentVoice) {
    for (int n = 0; n < 32; ++n)
        programChange(n);
    ASSERT_EQ(replies.size(), 32u);
    std::set<Bytes> distinct;
    for (const Reply &r : replies)
        distinct.insert(r.bytes);
    EXPECT_EQ(distinct.size(), 32u);
}

TEST_F(VirtualDx7Test, WithSysInfoAvailOffAProgramChangeSelectsButDoesNotAnswer) {
    dx7.sysInfoAvail = false;
    programChange(2);
    EXPECT_TRUE(replies.empty());
    EXPECT_EQ(dx7.selectedProgram(), 2);
    EXPECT_EQ(dx7.refusals(), 0);
}

// --- Channel messages and junk ----------------------------------------------

TEST_F(VirtualDx7Test, NoteOnAndNoteOffAreCountedWithoutReply) {
    send({0x90, 0x50, 0x64});
    send({0x80, 0x50, 0x00});
    send({0x90, 0x50, 0x00}); // velocity 0 is a note off
    EXPECT_EQ(dx7.noteOns(), 1);
    EXPECT_EQ(dx7.noteOffs(), 2);
    EXPECT_TRUE(replies.empty());
    EXPECT_EQ(dx7.refusals(), 0);
}

TEST_F(VirtualDx7Test, MessagesTheProgramNeverSendsAreRefusedAsUnknown) {
    send({0xB0, 0x07, 0x64});
    send({0xFE});
    send({0x50, 0x64});
    EXPECT_EQ(dx7.refusals(Dx7Refusal::Unknown), 3);
}

TEST_F(VirtualDx7Test, LastRefusalNamesTheReasonAndTheBytes) {
    send({0xC0, 0x40});
    EXPECT_EQ(dx7.lastRefusal(), "program number above 31: C0 40");
    ASSERT_FALSE(dx7.log().empty());
    EXPECT_TRUE(dx7.log().back().refused);
    EXPECT_EQ(dx7.log().back().reason, Dx7Refusal::ProgramNumber);
}

// --- Single-voice dump -----------------------------------------------------------

TEST_F(VirtualDx7Test, SingleVoiceDumpLoadsTheEditBuffer) {
    const Slot init = Initial();
    send(VoiceDumpOf(init));
    EXPECT_EQ(dx7.refusals(), 0);
    EXPECT_EQ(dx7.voiceDumpsLoaded(), 1);
    EXPECT_EQ(NameOf(dx7.editBuffer()), "INIT VOICE");
    EXPECT_EQ(Image(dx7.editBuffer()), VoiceDumpOf(init));
    EXPECT_TRUE(replies.empty());
}

TEST_F(VirtualDx7Test, SingleVoiceDumpDoesNotChangeTheInternalVoices) {
    const auto before = dx7.internalVoices();
    send(VoiceDumpOf(Initial()));
    EXPECT_EQ(dx7.internalVoices(), before);
}

TEST_F(VirtualDx7Test, SingleVoiceDumpFromAnotherToolLoads) {
    const Bytes file = ReadFile("single-voice.syx");
    ASSERT_EQ(file.size(), kImageSize);
    send(file);
    EXPECT_EQ(dx7.refusals(), 0) << dx7.lastRefusal();
    EXPECT_EQ(NameOf(dx7.editBuffer()), "GET FUNKY ");
}

TEST_F(VirtualDx7Test, FourOperatorBankIsRefusedAsUnknownSysEx) {
    send(ReadFile("four-operator-bank-not-dx7.syx"));
    expectRefused(Dx7Refusal::UnknownSysEx);
}

// --- Parameter change ---------------------------------------------------------

TEST_F(VirtualDx7Test, ParameterChangeInGroup0ChangesTheEditBuffer) {
    const int p = OpParamNumber(3, OpParam::OutputLevel);
    send(ParameterChange(p, 42));
    EXPECT_EQ(dx7.refusals(), 0) << dx7.lastRefusal();
    EXPECT_EQ(dx7.editBuffer()[ParamPos(p)], 42);
    EXPECT_EQ(dx7.editBuffer()[kChecksumPos], VoiceChecksum(dx7.editBuffer()));
    EXPECT_EQ(dx7.parameterChanges(), 1);
}

TEST_F(VirtualDx7Test, ParameterChangeAbove127CarriesItsHighBitInTheGroupByte) {
    send({0xF0, 0x43, 0x10, 0x01, 0x06, 0x1F, 0xF7}); // 128 + 6 = algorithm
    EXPECT_EQ(dx7.refusals(), 0) << dx7.lastRefusal();
    EXPECT_EQ(dx7.editBuffer()[ParamPos(param::Algorithm)], 0x1F);
}

TEST_F(VirtualDx7Test, ParameterChangeOfANameCharacter) {
    send(ParameterChange(param::Name1 + 9, 'Z'));
    EXPECT_EQ(NameOf(dx7.editBuffer()).back(), 'Z');
}

TEST_F(VirtualDx7Test, ParameterChangeDoesNotTouchTheInternalVoice) {
    const Slot before = dx7.internalVoice(0);
    send(ParameterChange(0, 1));
    EXPECT_EQ(dx7.internalVoice(0), before);
}

TEST_F(VirtualDx7Test, OperatorSwitchesAreParameter155) {
    send(ParameterChange(kOperatorSwitchParam, 0x2A));
    EXPECT_EQ(dx7.operatorSwitches(), 0x2A);
    EXPECT_EQ(dx7.refusals(), 0);
}

TEST_F(VirtualDx7Test, ParameterChangesFromAnotherToolAreAllTaken) {
    const Bytes file = ReadFile("parameter-changes-only.syx");
    ASSERT_EQ(file.size(), 24u * 7);
    for (std::size_t at = 0; at < file.size(); at += 7)
        send(Bytes(file.begin() + static_cast<std::ptrdiff_t>(at),
                   file.begin() + static_cast<std::ptrdiff_t>(at + 7)));
    EXPECT_EQ(dx7.refusals(), 0) << dx7.lastRefusal();
    EXPECT_EQ(dx7.parameterChanges(), 24);
    EXPECT_EQ(dx7.editBuffer()[ParamPos(file[4])], file[5]); // the first message's parameter
}

// --- 32-voice bulk dump -------------------------------------------------------

TEST_F(VirtualDx7Test, BulkDumpOverwritesAllThirtyTwoInternalVoices) {
    send(BankOf(Initial()));
    EXPECT_EQ(dx7.refusals(), 0) << dx7.lastRefusal();
    EXPECT_EQ(dx7.bankDumpsLoaded(), 1);
    for (int n = 0; n < 32; ++n)
        EXPECT_EQ(NameOf(dx7.internalVoice(n)), "INIT VOICE");
    programChange(17);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].bytes, VoiceDumpOf(Initial()));
}

TEST_F(VirtualDx7Test, BulkDumpOfAFactoryBankFileIsStoredAndDumpedBackUnchanged) {
    const Bytes file = ReadFile("rom1a.syx");
    send(file);
    EXPECT_EQ(dx7.refusals(), 0) << dx7.lastRefusal();
    EXPECT_EQ(NameOf(dx7.internalVoice(0)), "BRASS   1 ");
    EXPECT_EQ(NameOf(dx7.internalVoice(3)), "STRINGS 1 ");
    EXPECT_EQ(dx7.bulkDump(), file);
}

// The Mk I drops dump requests; a TX7 or a later model answers them with
// the 32 voices or the edit buffer, on channel 1's nibble.
TEST_F(VirtualDx7Test, DumpRequestsAreAnsweredOnlyByAnInstrumentThatTakesThem) {
    programChange(4);
    replies.clear();
    struct Case {
        bool answers;
        Bytes request;
        Bytes expected; // empty: refused, no reply
    };
    const Bytes bank = dx7.bulkDump(), voice = VoiceDumpOf(dx7.internalVoice(4));
    for (const Case &c :
         {Case{false, {0xF0, 0x43, 0x20, 0x09, 0xF7}, {}}, Case{true, {0xF0, 0x43, 0x20, 0x09, 0xF7}, bank},
          Case{true, {0xF0, 0x43, 0x20, 0x00, 0xF7}, voice},
          Case{true, {0xF0, 0x43, 0x21, 0x09, 0xF7}, {}}, // another channel
          Case{true, {0xF0, 0x43, 0x20, 0x7E, 0xF7}, {}}}) {
        dx7.answersRequests = c.answers;
        const int refusals = dx7.refusals();
        send(c.request);
        if (c.expected.empty()) {
            EXPECT_TRUE(replies.empty());
            EXPECT_EQ(dx7.refusals(), refusals + 1);
        } else {
            ASSERT_EQ(replies.size(), 1u);
            EXPECT_EQ(replies[0].bytes, c.expected);
        }
        replies.clear();
    }
}

// Dumps: MEMORY PROTECT INTERNAL is asked first, then SYS INFO; a
// parameter change asks SYS INFO only.
TEST_F(VirtualDx7Test, TheSwitchesRefuseWhatTheInstrumentRefusesAndKeepItsMemory) {
    enum What { Bank, Voice, Change };
    struct Case {
        What what;
        bool protect, avail;
        std::optional<Dx7Refusal> refusal;
    };
    for (const Case &c : {Case{Bank, true, true, Dx7Refusal::MemoryProtected},
                          Case{Bank, true, false, Dx7Refusal::MemoryProtected},
                          Case{Bank, false, false, Dx7Refusal::SysInfoUnavailable},
                          Case{Voice, true, true, Dx7Refusal::MemoryProtected},
                          Case{Voice, false, false, Dx7Refusal::SysInfoUnavailable},
                          Case{Change, false, false, Dx7Refusal::SysInfoUnavailable},
                          Case{Change, true, true, std::nullopt}}) {
        VirtualDx7 fresh;
        fresh.memoryProtect = c.protect;
        fresh.sysInfoAvail = c.avail;
        const auto voices = fresh.internalVoices();
        const auto edit = fresh.editBuffer();
        Slot voice = Initial();
        voice[ParamPos(param::Algorithm)] = 9;
        const Bytes message = c.what == Bank    ? BankOf(voice)
                              : c.what == Voice ? VoiceDumpOf(voice)
                                                : ParameterChange(param::Algorithm, 9);
        fresh.receive(message);
        const std::string what =
            std::to_string(c.what) + (c.protect ? " protect" : "") + (c.avail ? "" : " unavail");
        if (!c.refusal) {
            EXPECT_EQ(fresh.refusals(), 0) << what;
            continue;
        }
        EXPECT_EQ(fresh.refusals(*c.refusal), 1) << what << ": " << fresh.lastRefusal();
        EXPECT_EQ(fresh.internalVoices(), voices) << what;
        EXPECT_EQ(fresh.editBuffer(), edit) << what;
    }
}

TEST_F(VirtualDx7Test, BulkDumpOfThePowerOnMemoryHoldsTheFactoryVoices) {
    const Bytes bank = dx7.bulkDump();
    ASSERT_EQ(bank.size(), kBulkMessageSize);
    EXPECT_EQ(bank[kBulkChecksumPos],
              ChecksumOf(std::span<const Byte>(bank).subspan(kBulkDataPos, kPackedBankSize)));
    VirtualDx7 other;
    other.receive(BankOf(Initial()));
    other.receive(bank);
    EXPECT_EQ(other.refusals(), 0);
    EXPECT_EQ(other.internalVoices(), dx7.internalVoices());
}

TEST_F(VirtualDx7Test, BulkDumpLeavesTheEditBufferUntilTheNextProgramChange) {
    const Slot before = dx7.editBuffer();
    send(BankOf(Initial()));
    EXPECT_EQ(dx7.editBuffer(), before);
}

// --- Refusals: counted by their reason, nothing answered, nothing changed ------

struct Refused {
    const char *name;
    Dx7Refusal reason;
    Bytes message;                    // sent as it stands, or
    void (*spoil)(Bytes &) = nullptr; // a single-voice dump of our own voice so spoilt, or
    const char *file = nullptr;       // a file of the test data
};

void PrintTo(const Refused &c, std::ostream *os) { *os << c.name; }

class VirtualDx7RefusalTest : public VirtualDx7Test, public ::testing::WithParamInterface<Refused> {};

TEST_P(VirtualDx7RefusalTest, IsRefusedAndChangesNothing) {
    const Refused &c = GetParam();
    Bytes message = c.message;
    if (c.spoil) {
        message = VoiceDumpOf(Initial());
        c.spoil(message);
    }
    if (c.file) {
        message = ReadFile(c.file);
        ASSERT_FALSE(message.empty()) << "cannot read the test file " << c.file;
    }
    const Slot editBuffer = dx7.editBuffer();
    const auto internal = dx7.internalVoices();
    send(message);
    expectRefused(c.reason);
    EXPECT_EQ(dx7.editBuffer(), editBuffer);
    EXPECT_EQ(dx7.internalVoices(), internal);
    EXPECT_EQ(dx7.selectedProgram(), 0);
    EXPECT_EQ(dx7.noteOns(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, VirtualDx7RefusalTest,
    ::testing::Values(
        // Program changes
        Refused{"ProgramAbove31", Dx7Refusal::ProgramNumber, {0xC0, 32}},
        Refused{"ThreeByteProgramChangeAsItReadsAsTwoOnTheWire", Dx7Refusal::WrongLength, {0xC0, 0x00, 0x00}},
        Refused{"ProgramChangeOnChannel2", Dx7Refusal::WrongChannel, {0xC1, 0x00}},
        // Channel messages and junk
        Refused{"DataByteWithBit7Set", Dx7Refusal::DataByteHigh, {0x90, 0xD0, 0x64}},
        Refused{"ShortNoteOn", Dx7Refusal::WrongLength, {0x90, 0x50}},
        Refused{"EmptyMessage", Dx7Refusal::Empty, {}},
        // Single-voice dumps
        Refused{"VoiceDumpWithWrongChecksum",
                Dx7Refusal::VoiceChecksum,
                {},
                [](Bytes &d) { d[kChecksumPos] ^= 0x01; }},
        Refused{"VoiceDumpWithWrongByteCount", Dx7Refusal::VoiceHeader, {}, [](Bytes &d) { d[5] = 0x1A; }},
        Refused{
            "VoiceDumpOneByteShort", Dx7Refusal::VoiceLength, {}, [](Bytes &d) { d.erase(d.begin() + 100); }},
        Refused{"VoiceDumpOnChannel3", Dx7Refusal::WrongChannel, {}, [](Bytes &d) { d[2] = 0x02; }},
        Refused{
            "VoiceDumpWithAHighDataByte", Dx7Refusal::DataByteHigh, {}, [](Bytes &d) { d[kNamePos] = 0xC1; }},
        Refused{"SysExWithoutF7", Dx7Refusal::Unterminated, {}, [](Bytes &d) { d.pop_back(); }},
        Refused{"SysExOfAnotherMaker", Dx7Refusal::NotYamaha, {0xF0, 0x41, 0x10, 0x42, 0x12, 0xF7}},
        // Parameter changes
        Refused{"ParameterValueAboveItsRange", Dx7Refusal::ParameterValue,
                ParameterChange(param::Algorithm, 32)},
        Refused{"ParameterNumberAbove155", Dx7Refusal::ParameterNumber, ParameterChange(156, 0)},
        Refused{"PanelButtonOfTheFunctionGroup",
                Dx7Refusal::ParameterGroup, // group 2, parameter 0: a button, not a setting
                {0xF0, 0x43, 0x10, 0x08, 0x00, 0x00, 0xF7}},
        Refused{"FunctionParameterPastItsRange",
                Dx7Refusal::ParameterValue, // pitch-bend range 13
                {0xF0, 0x43, 0x10, 0x08, 0x41, 0x0D, 0xF7}},
        Refused{
            "FunctionParameter78", Dx7Refusal::ParameterGroup, {0xF0, 0x43, 0x10, 0x08, 0x4E, 0x00, 0xF7}},
        Refused{"ParameterChangeOfWrongLength",
                Dx7Refusal::ParameterLength,
                {0xF0, 0x43, 0x10, 0x00, 0x05, 0xF7}},
        // 32-voice bulk dumps
        Refused{"BulkDumpWithWrongChecksum", Dx7Refusal::BankChecksum, {}, nullptr, "bad-checksum.syx"},
        Refused{"BulkDumpWithWrongByteCount", Dx7Refusal::BankHeader, {}, nullptr, "bytecount-1000.syx"},
        Refused{"BulkDumpWithHighDataBytes",
                Dx7Refusal::DataByteHigh,
                {},
                nullptr,
                "bit7-bytes-and-f0-inside.syx"},
        Refused{"TruncatedBulkDump", Dx7Refusal::BankLength, {}, nullptr, "truncated-4103.syx"}),
    [](const ::testing::TestParamInfo<Refused> &info) { return std::string(info.param.name); });

// --- Fault switches -----------------------------------------------------------

TEST_F(VirtualDx7Test, BreakFirstByteSpoilsOnlyTheDumpOfThatProgram) {
    dx7.faults.breakFirstByte.program = 3;
    programChange(2);
    programChange(3);
    programChange(3);
    ASSERT_EQ(replies.size(), 3u);
    EXPECT_EQ(replies[0].bytes[0], 0xF0);
    EXPECT_NE(replies[1].bytes[0], 0xF0);
    EXPECT_EQ(replies[1].bytes.size(), kImageSize);
    EXPECT_NE(replies[2].bytes[0], 0xF0); // every time
    EXPECT_EQ(Bytes(replies[1].bytes.begin() + 1, replies[1].bytes.end()),
              Bytes(replies[2].bytes.begin() + 1, replies[2].bytes.end()));
}

TEST_F(VirtualDx7Test, BreakFirstByteOnceSpoilsOnlyTheFirstAnswer) {
    dx7.faults.breakFirstByte = {.program = 3, .once = true};
    programChange(3);
    programChange(3);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_NE(replies[0].bytes[0], 0xF0);
    EXPECT_EQ(replies[1].bytes[0], 0xF0);
}

TEST_F(VirtualDx7Test, DropOnceLosesOnlyTheFirstAnswer) {
    dx7.faults.dropDump = {.program = 7, .once = true};
    programChange(7);
    EXPECT_TRUE(replies.empty());
    EXPECT_EQ(dx7.selectedProgram(), 7);
    programChange(7);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].bytes, Image(dx7.internalVoice(7)));
}

TEST_F(VirtualDx7Test, DropAlwaysNeverAnswersThatProgram) {
    dx7.faults.dropDump.program = 7;
    for (int i = 0; i < 3; ++i)
        programChange(7);
    programChange(8);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].bytes, Image(dx7.internalVoice(8)));
}

TEST_F(VirtualDx7Test, CorruptChecksumMakesTheAnswerFailItsCheck) {
    dx7.faults.corruptChecksum.program = 0;
    programChange(0);
    ASSERT_EQ(replies.size(), 1u);
    const Bytes &dump = replies[0].bytes;
    EXPECT_EQ(dump[0], 0xF0);
    EXPECT_NE(dump[kChecksumPos], ChecksumOf(std::span<const Byte>(dump).subspan(kParamBase, kParamCount)));
    EXPECT_EQ(Bytes(dump.begin(), dump.begin() + kChecksumPos),
              Bytes(dx7.internalVoice(0).begin(), dx7.internalVoice(0).begin() + kChecksumPos));
    EXPECT_LT(dump[kChecksumPos], 0x80);
}

TEST_F(VirtualDx7Test, ReplyDelayMakesEveryReplyDueThatMuchLater) {
    dx7.faults.replyDelayMs = 250;
    programChange(1, 10.0);
    programChange(2, 11.0);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_DOUBLE_EQ(replies[0].due, 10.25);
    EXPECT_DOUBLE_EQ(replies[1].due, 11.25);
}

TEST_F(VirtualDx7Test, WithoutDelayAReplyIsDueAtOnce) {
    programChange(1, 10.0);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_DOUBLE_EQ(replies[0].due, 10.0);
}

// --- Log ------------------------------------------------------------------------

TEST_F(VirtualDx7Test, LogHoldsEveryMessageInAndOutInOrder) {
    std::vector<VirtualDx7::Direction> seen;
    dx7.setLogObserver([&seen](const VirtualDx7::LogEntry &e) { seen.push_back(e.direction); });
    programChange(0);
    send({0x90, 0x50, 0x64});
    ASSERT_EQ(dx7.log().size(), 3u);
    EXPECT_EQ(dx7.log()[0].bytes, (Bytes{0xC0, 0x00}));
    EXPECT_EQ(dx7.log()[1].direction, VirtualDx7::Direction::Out);
    EXPECT_EQ(dx7.log()[1].bytes.size(), kImageSize);
    EXPECT_EQ(dx7.log()[2].bytes, (Bytes{0x90, 0x50, 0x64}));
    EXPECT_EQ(seen, (std::vector{VirtualDx7::Direction::In, VirtualDx7::Direction::Out,
                                 VirtualDx7::Direction::In}));
}

// --- Bank files and log lines of the sim ------------------------------------

TEST(ReadBankImageOfAFile, BulkDumpGivesItsPackedBytes) {
    const Bytes file = ReadFile("rom1a.syx");
    const BankImage image = ReadBankImage(file);
    EXPECT_EQ(image.error, "");
    EXPECT_EQ(image.packed, Bytes(file.begin() + 6, file.begin() + 6 + 4096));
}

TEST(ReadBankImageOfAFile, HeaderlessBankIsTakenAsItIs) {
    const Bytes file = ReadFile("headerless-4096.syx");
    const BankImage image = ReadBankImage(file);
    EXPECT_EQ(image.error, "");
    EXPECT_EQ(image.packed, file);
}

TEST(ReadBankImageOfAFile, BrokenFilesAreRefusedWithTheReason) {
    EXPECT_EQ(ReadBankImage(ReadFile("bad-checksum.syx")).error, "bulk dump checksum wrong");
    EXPECT_EQ(ReadBankImage(ReadFile("truncated-4103.syx")).error,
              "not a bank: 4103 bytes, not 4104 or 4096");
    // The byte count 10 00 some units send is a bank's, as every reader takes it.
    EXPECT_EQ(ReadBankImage(ReadFile("bytecount-1000.syx")).error, "");
    EXPECT_EQ(ReadBankImage(ReadFile("four-operator-bank-not-dx7.syx")).error,
              "not a 32-voice bulk dump: header F0 43 00 04 20 00");
    EXPECT_EQ(ReadBankImage(ReadFile("bit7-bytes-and-f0-inside.syx")).error,
              "bank data bytes with bit 7 set");
    EXPECT_TRUE(ReadBankImage(ReadFile("bad-checksum.syx")).packed.empty());
}

TEST(ReadBankImageOfAFile, LoadedBankIsWhatTheInstrumentDumpsBack) {
    const Bytes file = ReadFile("rom1a.syx");
    const BankImage image = ReadBankImage(file);
    ASSERT_EQ(image.packed.size(), kPackedBankSize);
    VirtualDx7 dx7;
    dx7.setInternalVoices(std::span<const Byte, kPackedBankSize>(image.packed.data(), kPackedBankSize));
    EXPECT_EQ(dx7.bulkDump(), file);
    EXPECT_EQ(VoiceName(dx7.internalVoice(1)), "BRASS   2 ");
}

TEST(SimLogLine, StampDirectionAndHexBytes) {
    const VirtualDx7::LogEntry in{VirtualDx7::Direction::In, {0xC0, 0x00}, false, Dx7Refusal::Empty};
    EXPECT_EQ(LogLine(1.5, in), "1.500000 IN  C0 00");
    const VirtualDx7::LogEntry out{VirtualDx7::Direction::Out, {0xF0, 0xF7}, false, Dx7Refusal::Empty};
    EXPECT_EQ(LogLine(0.000123, out), "0.000123 OUT F0 F7");
}

TEST(SimLogLine, RefusedMessageCarriesTheReason) {
    const VirtualDx7::LogEntry e{
        VirtualDx7::Direction::In, {0xC0, 0x00, 0x00}, true, Dx7Refusal::WrongLength};
    EXPECT_EQ(LogLine(2, e), "2.000000 IN  C0 00 00 REFUSED channel message of wrong length");
}

TEST(HexBytesText, UpperCasePairsSeparatedByBlanks) {
    EXPECT_EQ(HexBytes(Bytes{0xF0, 0x43, 0x0A, 0xF7}), "F0 43 0A F7");
    EXPECT_EQ(HexBytes(Bytes{}), "");
}

} // namespace
} // namespace vox
