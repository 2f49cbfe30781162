// The narrow ports between the windows: the bank receive's returned log
// lines, and the main window as the other windows reach it.
#include "librarian/form1.h"
#include "midi/bank_exchange.h"
#include "scripted_dx7.h"
#include "workspace/window_ports.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vox::test {
namespace {

using Lines = std::vector<std::string>;

struct StoreLines : ::testing::Test {
    ProgramFixture f;
    Form1 &form1 = f.program.form1;
    // A first pass whose 32 requests are out.
    void SetUp() override {
        BeginReceive(f.state.receive, 0);
        f.state.receive.requested = 32;
    }
    StoreResult store(int voice, std::size_t recorded = kImageSize) {
        const Slot buffer = MakeBankVoice(voice);
        return StoreReceivedVoice(f.state, buffer, recorded, 0);
    }
};

TEST_F(StoreLines, AnAnswerBeyondTheRequestsSentIsUnaskedAndMovesNothing) {
    f.state.receive.requested = 1;
    ASSERT_EQ(store(1).outcome, StoreOutcome::PassOn);
    const StoreResult r = store(2);
    EXPECT_EQ(r.outcome, StoreOutcome::Unasked);
    EXPECT_TRUE(r.brokenLines.empty());
    EXPECT_EQ(f.state.receive.recvSlot, 2);
}

TEST_F(StoreLines, BrokenDumpReturnsItsTraceAndBrokenLineAndWritesNoList) {
    // GIVEN a receive waiting for voice 1
    // WHEN a dump cut at 100 bytes is stored
    const StoreResult r = store(1, 100);
    // THEN the trace and the broken-voice line come back, and no list of the
    // main window was written by the bank exchange
    EXPECT_EQ(r.outcome, StoreOutcome::PassOn);
    EXPECT_EQ(r.trace, " 1 0 0 0");
    EXPECT_EQ(r.brokenLines, Lines{" 1 1"});
    EXPECT_TRUE(form1.list2.items.empty());
    EXPECT_TRUE(form1.list4.items.empty());
    EXPECT_EQ(f.state.receive.retryCount, 1);
}

TEST_F(StoreLines, LastDumpOfAPassWithABrokenVoiceReturnsBrokenLineThenExit) {
    // GIVEN voices 1..31 stored, voice 31 broken
    for (int n = 1; n <= 30; ++n)
        ASSERT_TRUE(store(n).brokenLines.empty()) << n;
    ASSERT_EQ(store(31, 10).brokenLines, Lines{" 31 31"});
    // WHEN the 32nd arrives whole
    f.out.open();
    const StoreResult r = store(32);
    // THEN the pass ends with the end marker, and a retry is asked for
    EXPECT_EQ(r.outcome, StoreOutcome::RetryStarted);
    EXPECT_EQ(r.trace, " 32 31 1 0");
    EXPECT_EQ(r.brokenLines, Lines{"exit 1"});
    ASSERT_EQ(f.out.sent.size(), 1u);
    EXPECT_EQ(f.out.sent[0], (std::vector<Byte>{kProgramChange, 30, 0}));
}

TEST_F(StoreLines, LastGoodDumpCompletesTheBankWithTheTenMarker) {
    // GIVEN voices 1..31 stored whole
    for (int n = 1; n <= 31; ++n)
        ASSERT_EQ(store(n).outcome, StoreOutcome::PassOn) << n;
    // WHEN the 32nd arrives whole
    const StoreResult r = store(32);
    // THEN the staged bank is complete for the caller to take, its only
    // list line the marker "10"
    EXPECT_EQ(r.outcome, StoreOutcome::Complete);
    EXPECT_EQ(r.brokenLines, Lines{"10"});
    const Slot voice = MakeBankVoice(32);
    EXPECT_TRUE(std::equal(voice.begin(), voice.begin() + kImageSize, f.state.receive.staging[32].begin()));
    EXPECT_EQ(f.state.receive.recvMode, 0);
}

TEST(MainWindowPortTest, EnablingGoesToTheFormAndTheWindowTogether) {
    ProgramFixture f;
    MainWindowPort &port = f.program.form1;
    // WHEN another window disables, then enables, the main window
    port.setEnabled(false);
    // THEN the form's flag and the host's window follow each time
    EXPECT_FALSE(f.program.form1.enabled);
    EXPECT_FALSE(f.host.enabled.at(WindowId::Form1));
    port.setEnabled(true);
    EXPECT_TRUE(f.program.form1.enabled);
    EXPECT_TRUE(f.host.enabled.at(WindowId::Form1));
}

TEST(MainWindowPortTest, ClearingTheReceiveLogsKeepsTheSoundList) {
    ProgramFixture f;
    Form1 &form1 = f.program.form1;
    SeedBank(f.ws, [](int) { return Slot{}; });
    form1.list1.add("MIDIIN OPEN");
    form1.list2.add(" 3 3");
    form1.list4.add(" 1 0 0 0");
    MainWindowPort &port = form1;
    // WHEN a window clears the receive logs
    port.clearReceiveLogs();
    // THEN List1, List2 and List4 are empty and the SOUND LIST stays
    EXPECT_TRUE(form1.list1.items.empty());
    EXPECT_TRUE(form1.list2.items.empty());
    EXPECT_TRUE(form1.list4.items.empty());
    EXPECT_EQ(port.soundListEntries().size(), kBankSlots);
}

TEST(MainWindowPortTest, EditAreaTextNamesTheVoiceItHoldsUnderItsEntrysNumber) {
    ProgramFixture f;
    PlaceAs(f.ws, 5, Named(Slot{}, "BANK 05"));
    EXPECT_EQ(f.program.form1.text2(), "  5. BANK 05   ");
    // AND a name written into the edit area shows there at once
    f.ws.setName({'L', 'E', 'A', 'D', ' ', ' ', ' ', ' ', ' ', ' '});
    EXPECT_EQ(f.program.form1.text2(), "  5. LEAD      ");
    MainWindowPort &port = f.program.form1;
    EXPECT_TRUE(port.editAreaUnwritten());
}

} // namespace
} // namespace vox::test
