// SOUND LIST, edit area, audition, the overwrite chooser and the wait.
#include "common/wait.h"
#include "librarian/form1.h"
#include "librarian/form7.h"
#include "scripted_dx7.h"

#include <gtest/gtest.h>

namespace vox::test {
namespace {

using Lines = std::vector<std::string>;
using Bytes = std::vector<Byte>;

TEST(SoundListEntryText, SingleDigitSlotGetsTwoBlanks) {
    EXPECT_EQ(SoundListEntryText(5, Named(Slot{}, "E.PIANO 1 ")), "  5. E.PIANO 1 ");
}

TEST(SoundListEntryText, TwoDigitSlotGetsOneBlank) {
    EXPECT_EQ(SoundListEntryText(17, Named(Slot{}, "BRASS    2")), " 17. BRASS    2");
}

TEST(SoundListEntryText, NameBytesBelow20hShowBlankAsOnTheInstrument) {
    Slot s = Named(Slot{}, "AB        ");
    s[kNamePos + 2] = 0x01;
    s[kNamePos + 9] = 0x1F;
    const std::string text = SoundListEntryText(3, s);
    EXPECT_EQ(text.size(), 15u);
    EXPECT_EQ(text, "  3. AB" + std::string(8, ' '));
}

struct SoundList : ::testing::Test {
    ProgramFixture f;
    Form1 &form1 = f.program.form1;
    Form7 &form7 = f.program.form7;
    void SetUp() override {
        f.out.open();
        SeedBank(f.ws, MakeBankVoice);
    }
    // The slot's dump as the instrument is sent it (values read into their ranges).
    Bytes dumpOf(int n) const {
        const auto dump = BuildVoiceDump(VoiceAsSent(f.ws.voiceTable()[static_cast<std::size_t>(n)]));
        return Bytes(dump.begin(), dump.end());
    }
};

TEST_F(SoundList, RebuildFillsThe32EntriesAndTheirTexts) {
    ASSERT_EQ(form1.list3().items.size(), 32u);
    EXPECT_EQ(form1.list3().items[0], "  1. BANK 01   ");
    EXPECT_EQ(form1.list3().items[31], " 32. BANK 32   ");
    EXPECT_EQ(f.ws.slotText(9), "  9. BANK 09   ");
    EXPECT_EQ(form1.list3Selected(), -1);
}

TEST_F(SoundList, CopyOfEntry12SetsSlotTextBufferAndSendsTheVoice) {
    Slot before = f.ws.editBuffer();
    before[kEndPos] = 0x55;
    f.ws.restoreEditBuffer(before);
    form1.list3Select(11);
    form1.command11Click();
    EXPECT_EQ(f.ws.currentSlot(), 12);
    EXPECT_EQ(form1.text2(), " 12. BANK 12   ");
    EXPECT_EQ(form1.list3Selected(), -1);
    const Slot &slot = f.ws.voiceTable()[12];
    EXPECT_TRUE(std::equal(slot.begin(), slot.begin() + 162, f.ws.editBuffer().begin()));
    EXPECT_EQ(f.ws.editBuffer()[kEndPos], 0x55); // position 162 is not copied
    ASSERT_EQ(f.out.sent.size(), 2u);
    EXPECT_EQ(f.out.sent[0], (Bytes{0xC0, 11, 0}));
    EXPECT_EQ(f.out.sent[1], dumpOf(12));
    EXPECT_TRUE(f.host.boxes.empty());
}

TEST_F(SoundList, Command11TwiceWithoutSelectingAgainAsksForASelection) {
    form1.list3Select(2);
    form1.command11Click();
    const Slot buffer = f.ws.editBuffer();
    form1.command11Click();
    EXPECT_EQ(f.host.boxTexts(), Lines{"SOUND LIST からＳＯＵＮＤ音色を選んでください"});
    EXPECT_EQ(f.out.sent.size(), 2u);
    EXPECT_EQ(f.ws.currentSlot(), 3);
    EXPECT_EQ(f.ws.editBuffer(), buffer);
}

TEST_F(SoundList, DoubleClickCopiesLikeCommand11) {
    form1.list3Select(0);
    form1.list3DoubleClick();
    EXPECT_EQ(form1.text2(), "  1. BANK 01   ");
    EXPECT_EQ(f.out.sent[0], (Bytes{0xC0, 0, 0}));
}

TEST_F(SoundList, ListEmptiedByARunningReceiveAsksForASelection) {
    f.state.receive.recvMode = 1;
    form1.list3Select(3);
    form1.command11Click();
    EXPECT_EQ(f.host.boxTexts(), Lines{"SOUND LIST からＳＯＵＮＤ音色を選んでください"});
    EXPECT_TRUE(f.out.sent.empty());
}

// --- Audition ---

TEST_F(SoundList, AuditionPressPlaysNote80AndReleaseStopsItAndCountsUp) {
    form1.command1MouseDown();
    form1.command1MouseUp();
    EXPECT_EQ(f.out.sent, (std::vector<Bytes>{{0xC0, 1, 0}, {0x90, 80, 100}, {0x80, 80, 0}}));
    EXPECT_EQ(form1.text1, " 2");
}

TEST_F(SoundList, AuditionCountsUpOnEveryPress) {
    for (int i = 0; i < 3; ++i) {
        form1.command1MouseDown();
        form1.command1MouseUp();
    }
    EXPECT_EQ(f.out.sent[3], (Bytes{0xC0, 2, 0}));
    EXPECT_EQ(f.out.sent[6], (Bytes{0xC0, 3, 0}));
    EXPECT_EQ(form1.text1, " 4");
}

struct AuditionCase {
    const char *text;
    Byte program;
    const char *after;
};
class AuditionText : public SoundList, public ::testing::WithParamInterface<AuditionCase> {};

TEST_P(AuditionText, PlaysAValidProgramAndCountsUpFromIt) {
    form1.text1 = GetParam().text;
    form1.command1MouseDown();
    form1.command1MouseUp();
    ASSERT_EQ(f.out.sent.size(), 3u);
    EXPECT_EQ(f.out.sent[0], (Bytes{0xC0, GetParam().program, 0}));
    EXPECT_EQ(form1.text1, GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(Texts, AuditionText,
                         ::testing::Values(AuditionCase{"abc", 0, " 1"}, AuditionCase{"", 0, " 1"},
                                           AuditionCase{" 7", 7, " 8"}, AuditionCase{"12x", 12, " 13"},
                                           AuditionCase{"2.7", 2, " 3"}, AuditionCase{"-5", 0, " 1"},
                                           AuditionCase{"200", 127, " 0"}, AuditionCase{"127", 127, " 0"},
                                           AuditionCase{"99999999999999999999", 127, " 0"}));

// --- The overwrite chooser ---

struct Chooser : SoundList {
    void SetUp() override {
        SoundList::SetUp();
        // Entry 1 in the edit area, then edited: other parameters, the name
        // EDITED, odd bytes where a dump header stands.
        Slot edited = Named(MakeBankVoice(50), "EDITED");
        for (std::size_t i = 0; i < 6; ++i)
            edited[i] = static_cast<Byte>(0x11 * (i + 1));
        SeedEditArea(f.ws, 1, edited);
    }
    void open() {
        form1.command12Click();
        ASSERT_EQ(f.host.shown, std::vector<WindowId>{WindowId::Form7});
    }
};

TEST_F(Chooser, OpeningDisablesTheMainWindowAndOffersTheListWithTheEditAreasEntrySelected) {
    open();
    EXPECT_FALSE(f.host.enabled.at(WindowId::Form1));
    EXPECT_FALSE(form1.enabled);
    EXPECT_EQ(form7.list1.items, form1.list3().items);
    EXPECT_EQ(form7.list1.selected, 0);
}

TEST_F(Chooser, AVoiceFromElsewhereOpensItUnselected) {
    PlaceAs(f.ws, 0, Named(MakeBankVoice(60), "FROM FILE"));
    open();
    EXPECT_EQ(form7.list1.selected, -1);
}

TEST_F(Chooser, WritingPosition5UpdatesSlotListEditAreaAndSends) {
    open();
    form7.list1.selected = 4;
    form7.command1Click();
    const Slot &slot = f.ws.voiceTable()[5];
    EXPECT_TRUE(std::equal(slot.begin() + 6, slot.begin() + 161, f.ws.editBuffer().begin() + 6));
    EXPECT_EQ(Bytes(slot.begin(), slot.begin() + 6), (Bytes{0xF0, 0x43, 0x00, 0x00, 0x01, 0x1B}));
    EXPECT_EQ(form1.list3().items[4], "  5. EDITED    ");
    EXPECT_EQ(form1.text2(), "  5. EDITED    ");
    EXPECT_EQ(f.ws.currentSlot(), 5);
    ASSERT_EQ(f.out.sent.size(), 2u);
    EXPECT_EQ(f.out.sent[0], (Bytes{0xC0, 4, 0}));
    EXPECT_EQ(f.out.sent[1][0], 0xF0);
    EXPECT_EQ(std::string(f.out.sent[1].begin() + 151, f.out.sent[1].begin() + 161), "EDITED    ");
    EXPECT_TRUE(f.host.enabled.at(WindowId::Form1));
    EXPECT_TRUE(form1.enabled);
    EXPECT_EQ(f.host.closed, std::vector<WindowId>{WindowId::Form7});
}

TEST_F(Chooser, WritingWithNoSelectionAsksForAPositionAndWritesNothing) {
    const VoiceTable before = f.ws.voiceTable();
    open();
    form7.list1.selected = -1;
    form7.command1Click();
    EXPECT_EQ(f.ws.voiceTable().all, before.all);
    EXPECT_EQ(f.host.boxTexts(), Lines{form7_text::kNoPosition});
    EXPECT_EQ(form1.text2(), "  1. EDITED    ");
    EXPECT_TRUE(f.out.sent.empty());
    EXPECT_TRUE(form7.isOpen());
    EXPECT_FALSE(form1.enabled);
}

TEST_F(Chooser, CancelLeavesEverythingAsItWas) {
    const VoiceTable before = f.ws.voiceTable();
    const Lines list = form1.list3().items;
    open();
    form7.list1.selected = 4;
    form7.command2Click();
    EXPECT_EQ(f.ws.voiceTable().all, before.all);
    EXPECT_EQ(form1.list3().items, list);
    EXPECT_EQ(form1.text2(), "  1. EDITED    ");
    EXPECT_EQ(f.ws.currentSlot(), 1);
    EXPECT_TRUE(f.out.sent.empty());
    EXPECT_TRUE(f.host.enabled.at(WindowId::Form1));
    EXPECT_EQ(f.host.closed, std::vector<WindowId>{WindowId::Form7});
}

TEST_F(Chooser, CloseBoxActsAsCancel) {
    const VoiceTable before = f.ws.voiceTable();
    open();
    form7.list1.selected = 4;
    form7.queryUnload();
    EXPECT_EQ(f.ws.voiceTable().all, before.all);
    EXPECT_EQ(form1.text2(), "  1. EDITED    ");
    EXPECT_TRUE(f.out.sent.empty());
    EXPECT_TRUE(f.host.enabled.at(WindowId::Form1));
    EXPECT_TRUE(form1.enabled);
}

TEST_F(Chooser, CloseThatFollowsTheWriteDoesNothingMore) {
    open();
    form7.list1.selected = 4;
    form7.command1Click();
    form7.queryUnload(); // the host's close event after the form closed itself
    EXPECT_EQ(f.host.closed.size(), 1u);
    EXPECT_EQ(f.out.sent.size(), 2u);
}

TEST_F(SoundList, EmptyEditAreaShowsTheMessageAndOpensNothing) {
    form1.command12Click();
    EXPECT_EQ(f.host.boxTexts(), Lines{"エディットエリアに音色が選択されていません"});
    EXPECT_TRUE(f.host.shown.empty());
    EXPECT_TRUE(f.host.enabled.empty());
}

TEST_F(Chooser, ListEmptiedByARunningReceiveIsRefusedSoNoBlankBankIsBuilt) {
    f.state.receive.recvMode = 1;
    form1.command12Click();
    EXPECT_EQ(f.host.boxTexts(), Lines{form1_text::kChooserNoBank});
    EXPECT_TRUE(f.host.shown.empty());
    EXPECT_TRUE(form1.enabled);
}

// --- Waiting ---

TEST(WaitSecondsTest, WaitAcrossMidnightEndsAfterItsInterval) {
    ProgramFixture f;
    f.host.clock = 86399.8; // a time-of-day clock would wrap to 0 in 0.2 s
    f.host.tick = 0.05;
    WaitSeconds(f.host, 0.5f);
    EXPECT_GE(f.host.clock - 86399.8, 0.5 - 1e-9);
    EXPECT_LE(f.host.clock - 86399.8, 0.5 + 2 * f.host.tick);
}

TEST(WaitSecondsTest, EachPassMaySleepForWhatIsLeftSoTheWaitDoesNotSpin) {
    ProgramFixture f;
    f.host.tick = 0.25;
    WaitSeconds(f.host, 0.5f);
    EXPECT_EQ(f.host.sleeps, (std::vector<double>{0.5, 0.25, 0.0}));
}

TEST(WaitSecondsTest, InputIsHandledDuringTheWait) {
    ProgramFixture f;
    f.program.form1.startInputAtLoad();
    f.in.receive(std::vector<Byte>{0x90, 0x3C, 0x64});
    WaitSeconds(f.host, 0.1f);
    EXPECT_EQ(f.program.form1.list1.items, (Lines{"MIDIIN OPEN", "ShortMsg受信 : 903C64"}));
    EXPECT_GT(f.host.passes, 5);
}

} // namespace
} // namespace vox::test
