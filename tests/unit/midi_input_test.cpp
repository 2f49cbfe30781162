// MIDI input: opening and closing, the start/stop button and the receive log.
#include "librarian/form1.h"
#include "midi/midi_input.h"
#include "scripted_dx7.h"

#include <gtest/gtest.h>

namespace vox::test {
namespace {

using Lines = std::vector<std::string>;

TEST(HexText, WritesTwoUpperCaseDigitsPerByteUpToTheLastIndex) {
    const Byte bytes[] = {0x90, 0x3C, 0x64, 0x0A};
    EXPECT_EQ(HexText(bytes, 2), "903C64");
    EXPECT_EQ(HexText(bytes, 3), "903C640A");
    EXPECT_EQ(HexText(bytes, -1), "");
}

TEST(SignedDecimal, PutsABlankInTheSignPlace) {
    EXPECT_EQ(SignedDecimal(5), " 5");
    EXPECT_EQ(SignedDecimal(12), " 12");
    EXPECT_EQ(SignedDecimal(0), " 0");
    EXPECT_EQ(SignedDecimal(-3), "-3");
}

struct MidiInput : ::testing::Test {
    ProgramFixture f;
    Form1 &form1 = f.program.form1;
    void SetUp() override { f.state.programFolder = "/prog"; }
    void feed(std::vector<Byte> m) {
        f.in.receive(m);
        f.host.processEvents();
    }
};

TEST_F(MidiInput, StartAtLoadOpensStartsAndLogsTheOpen) {
    form1.list1.add("old");
    form1.startInputAtLoad();
    EXPECT_EQ(form1.command2Caption, "停止");
    EXPECT_TRUE(form1.list1.items.empty());
    f.host.processEvents();
    EXPECT_EQ(form1.list1.items, Lines{"MIDIIN OPEN"});
    EXPECT_TRUE(f.host.boxes.empty());
}

TEST_F(MidiInput, StartAtLoadWithoutADeviceShowsTheErrorWithHelpTopic10) {
    f.in.openResult = false;
    form1.startInputAtLoad();
    ASSERT_EQ(f.host.boxes.size(), 1u);
    const MessageBoxSpec &box = f.host.boxes[0];
    EXPECT_EQ(box.text, "ＭＩＤＩ接続エラ-ですＤＸ7との接続は出来ていますか？");
    EXPECT_EQ(box.title, "ＭＩＤＩ接続と設定の確認");
    EXPECT_EQ(box.buttons, MsgButtons::OkHelp);
    EXPECT_EQ(box.icon, MsgIcon::Exclamation);
    EXPECT_EQ(box.helpFile, std::filesystem::path("/prog") / "VOXMERE.HLP");
    EXPECT_EQ(box.helpTopic, 10);
    EXPECT_EQ(form1.command2Caption, "開始");
}

TEST_F(MidiInput, Command2TwiceAfterAGoodStartClosesThenReopens) {
    form1.startInputAtLoad();
    f.host.processEvents();
    form1.command2Click();
    EXPECT_EQ(form1.command2Caption, "開始");
    EXPECT_FALSE(f.in.isOpen());
    form1.command2Click();
    EXPECT_EQ(form1.command2Caption, "停止");
    EXPECT_TRUE(form1.list1.items.empty());
    f.host.processEvents();
    EXPECT_EQ(form1.list1.items, Lines{"MIDIIN OPEN"});
    EXPECT_TRUE(f.host.boxes.empty());
}

TEST_F(MidiInput, Command2WhenTheOpenFailsShowsErrThenTheCloseError) {
    f.in.openResult = false;
    form1.command2Click();
    EXPECT_EQ(f.host.boxTexts(), (Lines{"ERR", "クローズエラー"}));
    EXPECT_EQ(form1.command2Caption, "開始");
}

TEST_F(MidiInput, Command2StopsAfterABankReceiveOpenedThePort) {
    form1.command2Caption = "停止 ";
    f.in.openResult = false; // nothing open: the close fails
    form1.command2Click();
    EXPECT_EQ(f.host.boxTexts(), Lines{"クローズエラー"});
    EXPECT_EQ(form1.command2Caption, "停止 ");
}

TEST_F(MidiInput, ClosingWhileNothingIsOpenKeepsTheHookAndAnOpenAfterwardsWorks) {
    f.in.openResult = false;
    EXPECT_FALSE(OpenMidiIn(&f.in, form1.receiveHook));
    EXPECT_TRUE(form1.receiveHook.installed);
    EXPECT_FALSE(CloseMidiIn(&f.in, form1.receiveHook));
    EXPECT_TRUE(form1.receiveHook.installed);
    f.in.openResult = true;
    EXPECT_TRUE(OpenMidiIn(&f.in, form1.receiveHook));
    EXPECT_FALSE(OpenMidiIn(&f.in, form1.receiveHook)); // already open
    EXPECT_TRUE(StartMidiIn(&f.in));
    feed({0x90, 0x3C, 0x64});
    EXPECT_EQ(form1.list1.items, (Lines{"MIDIIN OPEN", "ShortMsg受信 : 903C64"}));
}

TEST_F(MidiInput, InputAfterTheHookIsRemovedIsNotLogged) {
    form1.startInputAtLoad();
    f.host.processEvents();
    EXPECT_TRUE(CloseMidiIn(&f.in, form1.receiveHook));
    EXPECT_FALSE(form1.receiveHook.installed);
    form1.receiveMidiEvent(MidiInEvent{MidiInEvent::Kind::Short, 0x90, 0x3C, 0x64, {}});
    EXPECT_EQ(form1.list1.items, Lines{"MIDIIN OPEN"});
}

TEST_F(MidiInput, NothingIsDeliveredBeforeStart) {
    ASSERT_TRUE(OpenMidiIn(&f.in, form1.receiveHook));
    feed({0x90, 0x3C, 0x64});
    EXPECT_EQ(form1.list1.items, Lines{"MIDIIN OPEN"});
}

TEST_F(MidiInput, ShortMessagesAreLoggedAndActiveSensingIsNot) {
    form1.startInputAtLoad();
    feed({0x90, 0x3C, 0x64});
    feed({0xFE});
    feed({0xC0, 0x05});
    EXPECT_EQ(form1.list1.items, (Lines{"MIDIIN OPEN", "ShortMsg受信 : 903C64", "ShortMsg受信 : C00500"}));
}

TEST_F(MidiInput, DumpWhileIdleIsLoggedWithModeZeroAndChangesNoSlot) {
    form1.startInputAtLoad();
    const VoiceTable before = f.ws.voiceTable();
    const Slot voice = MakeBankVoice(4);
    feed(std::vector<Byte>(voice.begin(), voice.begin() + kImageSize));
    ASSERT_EQ(form1.list1.items.size(), 2u);
    const std::string &line = form1.list1.items[1];
    EXPECT_EQ(line, " 0LongMsg 受信 : " + Hex(std::span<const Byte>(voice.data(), kImageSize)));
    EXPECT_TRUE(line.starts_with(" 0LongMsg 受信 : F0430000011B")) << line;
    EXPECT_EQ(f.ws.voiceTable().all, before.all);
    EXPECT_TRUE(form1.list4.items.empty());
}

TEST_F(MidiInput, LongMessageIsCutTo163BytesAndTheBufferIsArmedAgain) {
    form1.startInputAtLoad();
    std::vector<Byte> longer(200, 0x11);
    longer[0] = 0xF0;
    longer.back() = 0xF7;
    feed(longer);
    feed({0xF0, 0x01, 0xF7});
    ASSERT_EQ(form1.list1.items.size(), 3u);
    EXPECT_EQ(form1.list1.items[1], " 0LongMsg 受信 : " + Hex(std::span<const Byte>(longer.data(), 163)));
    EXPECT_EQ(form1.list1.items[2], " 0LongMsg 受信 : F001F7");
}

TEST_F(MidiInput, DumpWhoseFirstByteIsBrokenStillArrivesAsALongMessage) {
    form1.startInputAtLoad();
    Slot voice = MakeBankVoice(2);
    voice[0] = 0x00;
    feed(std::vector<Byte>(voice.begin(), voice.begin() + kImageSize));
    ASSERT_EQ(form1.list1.items.size(), 2u);
    EXPECT_TRUE(form1.list1.items[1].starts_with(" 0LongMsg 受信 : 00430000011B")) << form1.list1.items[1];
}

TEST_F(MidiInput, LongErrorIsLoggedAndTheBufferIsArmedAgain) {
    form1.startInputAtLoad();
    f.in.receiveError();
    f.host.processEvents();
    feed({0xF0, 0x02, 0xF7});
    EXPECT_EQ(form1.list1.items, (Lines{"MIDIIN OPEN", "LongMsg Err", " 0LongMsg 受信 : F002F7"}));
}

} // namespace
} // namespace vox::test
