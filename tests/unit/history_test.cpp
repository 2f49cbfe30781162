// Undo and redo of the edit area and the entries written: each step goes
// back and on in order, and the instrument follows each, by parameter
// changes within its receive ring or by the voice whole.
#include "scripted_dx7.h"
#include "test_support.h"
#include "workspace/unwritten.h"

#include <gtest/gtest.h>

namespace vox::test {
namespace {

using Bytes = std::vector<Byte>;

// The instrument's voice parameter change on channel 1: F0 43 10, the
// number's top bits, its low seven bits, the value, F7.
Bytes Change(int p, int v) {
    return {0xF0, 0x43, 0x10, static_cast<Byte>(p >> 7), static_cast<Byte>(p & 0x7F), static_cast<Byte>(v),
            0xF7};
}
// A program change to the entry, then the single-voice dump (F0 43 00 00 01 1B ...).
bool IsProgramAndDump(const std::vector<Bytes> &sent, int entry) {
    return sent.size() == 2 && sent[0] == Bytes{0xC0, static_cast<Byte>(entry - 1), 0} &&
           sent[1].size() == 163 &&
           Bytes(sent[1].begin(), sent[1].begin() + 6) == Bytes{0xF0, 0x43, 0x00, 0x00, 0x01, 0x1B};
}

struct HistoryTest : ::testing::Test {
    ProgramFixture f;
    const int level1 = OpParamNumber(1, OpParam::OutputLevel);
    HistoryTest() {
        f.out.open();
        SeedBank(f.ws, MakeBankVoice);
    }
    int value(int p) const { return f.ws.editBuffer()[ParamPos(p)]; }
    std::vector<Bytes> step(bool redo) {
        f.out.sent.clear();
        EXPECT_TRUE(StepHistory(f.state, f.host, f.ws, redo));
        return f.out.sent;
    }
};

TEST_F(HistoryTest, EachStepGoesBackAndOnInOrderAndTheInstrumentFollows) {
    // GIVEN entry 3 placed, its algorithm changed, a group of two applied
    // as one step, and the voice written into entry 7
    f.ws.placeEntry(3);
    const int algorithm = value(param::Algorithm), feedback = value(param::Feedback), level = value(level1);
    const int changedAlgorithm = (algorithm + 5) % 32;
    f.ws.setParameter(param::Algorithm, static_cast<Byte>(changedAlgorithm));
    {
        const HistoryStep group(f.ws);
        f.ws.setParameter(param::Feedback, 7);
        f.ws.setParameter(level1, 99);
    }
    const Slot entry7 = f.ws.slot(7);
    f.ws.writeEditArea(7);
    // THEN each undo takes one step back, and each redo one on
    EXPECT_TRUE(IsProgramAndDump(step(false), 3)); // the write: entry 3 again, entry 7 as it was
    EXPECT_EQ(f.ws.currentSlot(), 3);
    EXPECT_EQ(f.ws.slot(7), entry7);
    EXPECT_EQ(step(false), (std::vector<Bytes>{Change(level1, level), Change(param::Feedback, feedback)}));
    EXPECT_EQ(step(false), std::vector<Bytes>{Change(param::Algorithm, algorithm)});
    EXPECT_EQ(step(false), std::vector<Bytes>{}); // before the first voice: nothing to send
    EXPECT_FALSE(f.ws.hasEditVoice());
    EXPECT_FALSE(StepHistory(f.state, f.host, f.ws, false));
    EXPECT_TRUE(IsProgramAndDump(step(true), 3));
    EXPECT_EQ(step(true), std::vector<Bytes>{Change(param::Algorithm, changedAlgorithm)});
    EXPECT_EQ(step(true), (std::vector<Bytes>{Change(level1, 99), Change(param::Feedback, 7)}));
    EXPECT_TRUE(IsProgramAndDump(step(true), 7));
    EXPECT_EQ(f.ws.slot(7)[ParamPos(param::Algorithm)], changedAlgorithm);
    EXPECT_FALSE(f.ws.canRedo());
    // AND a new change after an undo drops the steps ahead
    step(false);
    f.ws.setParameter(param::Algorithm, 2);
    EXPECT_FALSE(f.ws.canRedo());
}

TEST_F(HistoryTest, AThirdOfTheVoiceGoesAsParameterChangesAndMoreAsTheVoiceWhole) {
    for (const int changed : {1, kMostChangesInABurst, kMostChangesInABurst + 1, 145}) {
        SCOPED_TRACE(changed);
        f.ws.placeEntry(5);
        Slot other = f.ws.editBuffer();
        for (int p = 0; p < changed; ++p)
            other[ParamPos(p)] = static_cast<Byte>(other[ParamPos(p)] == 0 ? 1 : 0);
        f.ws.restoreEditBuffer(other);
        const std::vector<Bytes> sent = step(false);
        if (changed <= kMostChangesInABurst) {
            EXPECT_EQ(sent.size(), static_cast<std::size_t>(changed));
            EXPECT_EQ(sent.front(), Change(0, f.ws.editBuffer()[ParamPos(0)]));
        } else {
            EXPECT_TRUE(IsProgramAndDump(sent, 5));
        }
    }
}

TEST_F(HistoryTest, ABankReplacedStaysThroughEveryUndo) {
    f.ws.placeEntry(1);
    f.ws.writeEditArea(2);
    f.ws.setParameter(param::Algorithm, 9);
    VoiceTable other;
    for (std::size_t n = 1; n <= kBankSlots; ++n)
        other[n] = MakeBankVoice(static_cast<int>(n) + 40);
    f.ws.replaceBank(other);
    while (f.ws.undo()) {
    }
    for (std::size_t n = 1; n <= kBankSlots; ++n)
        EXPECT_EQ(f.ws.slot(static_cast<int>(n)), other[n]) << n;
    EXPECT_FALSE(f.ws.hasEditVoice());
}

TEST_F(HistoryTest, AVoiceThatLostOnlyItsAdditionalDataLeavesTheBankUnsaved) {
    // GIVEN the bank stored with a record beside every voice
    BankSupplements records;
    for (std::size_t v = 0; v < kBankSlots; ++v)
        records[v] = Supplement{static_cast<Byte>(v)};
    f.ws.replaceBank(f.ws.voiceTable(), records);
    ASSERT_FALSE(f.ws.bankChanged());
    // WHEN entry 3's own parameters are written back without its record
    const Slot entry3 = f.ws.slot(3);
    f.ws.placeVoice(std::span<const Byte>(entry3).first(kImageSize));
    f.ws.writeEditArea(3);
    // THEN the bank holds unsaved work, though no parameter changed
    EXPECT_TRUE(f.ws.bankChanged());
}

TEST_F(HistoryTest, KeepsTheLatestStepsAndNoneThatChangedNothing) {
    f.ws.placeEntry(1);
    f.ws.setParameter(param::Algorithm, value(param::Algorithm)); // the same value: no step
    const int first = (value(param::Algorithm) + 1) % 32, second = (first + 1) % 32;
    for (int n = 0; n < static_cast<int>(Workspace::kHistoryDepth) + 10; ++n)
        f.ws.setParameter(param::Algorithm, static_cast<Byte>(n % 2 ? second : first));
    int undone = 0;
    while (f.ws.undo())
        ++undone;
    EXPECT_EQ(undone, static_cast<int>(Workspace::kHistoryDepth));
    EXPECT_TRUE(f.ws.hasEditVoice()); // the oldest steps, the placement among them, are gone
}

TEST_F(HistoryTest, CompareSoundsTheVoiceAsPlacedAndLeavesTheEditExact) {
    f.ws.placeEntry(4);
    const int placed = value(param::Algorithm), edited = (placed + 3) % 32;
    f.ws.setParameter(param::Algorithm, static_cast<Byte>(edited));
    const Slot edit = f.ws.editBuffer();
    // The dump's algorithm byte: header 6, then the voice's parameter 134.
    const auto algorithmSent = [&] { return f.out.sent.back()[6 + param::Algorithm]; };
    for (const bool on : {true, false, true, false}) {
        f.out.sent.clear();
        ASSERT_TRUE(SetCompare(f.state, f.host, f.ws, on));
        EXPECT_TRUE(IsProgramAndDump(f.out.sent, 4));
        EXPECT_EQ(algorithmSent(), on ? placed : edited);
        EXPECT_EQ(f.ws.comparing(), on);
        EXPECT_EQ(f.ws.editBuffer(), edit); // compare changes nothing
    }
    // An undo under COMPARE gives the instrument the voice whole
    ASSERT_TRUE(SetCompare(f.state, f.host, f.ws, true));
    EXPECT_TRUE(IsProgramAndDump(step(false), 4));
    EXPECT_FALSE(f.ws.comparing());
    EXPECT_EQ(value(param::Algorithm), placed);
}

} // namespace
} // namespace vox::test
