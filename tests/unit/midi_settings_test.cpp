// "MIDI設定…": the window opened from the main window's MIDI menu shows the
// exchange settings in use, and OK applies them to the running program.
#include "librarian/midi_settings.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace vox::test {
namespace {

bool operator==(const ExchangeSettings &a, const ExchangeSettings &b) {
    return a.receiveMode == b.receiveMode && a.sysExPauseMs == b.sysExPauseMs &&
           a.fastTimeoutSeconds == b.fastTimeoutSeconds && a.fastRetries == b.fastRetries &&
           a.channel == b.channel && a.sysExChunk == b.sysExChunk && a.verifyTransmit == b.verifyTransmit;
}

struct MidiSettingsWindow : ::testing::Test {
    ProgramFixture f;
    MidiSettingsForm &form = f.program.midiSettings;
    std::vector<std::pair<ExchangeSettings, ExchangeSettings>> applied;

    void SetUp() override {
        form.applied = [this](const ExchangeSettings &before, const ExchangeSettings &after) {
            applied.emplace_back(before, after);
        };
    }
    // As the user opens it: from the MIDI menu of the main window.
    void openFromMenu() { f.program.form1.mnuMidiSettingsClick(); }
};

TEST_F(MidiSettingsWindow, OpensFromTheMenuShowingTheDefaultsAndDisablesTheMainWindow) {
    // GIVEN a program with no settings changed
    // WHEN the user picks MIDI設定… in the MIDI menu
    openFromMenu();
    // THEN the window shows standard receive, no pause, 1 s and 3 re-requests,
    // the fast entries greyed, and the main window waits for it
    EXPECT_TRUE(form.isOpen());
    EXPECT_EQ(f.host.shown, std::vector<WindowId>{WindowId::MidiSettings});
    EXPECT_FALSE(f.host.enabled.at(WindowId::Form1));
    EXPECT_TRUE(form.option1);
    EXPECT_FALSE(form.option2);
    EXPECT_FALSE(form.fastEntriesEnabled());
    EXPECT_EQ(form.text1, "0");
    EXPECT_EQ(form.text2, "1");
    EXPECT_EQ(form.text3, "3");
}

TEST_F(MidiSettingsWindow, ShowsTheSettingsInUseEachTimeItOpens) {
    // GIVEN fast receive with a 20 ms pause, 1.5 s and 2 re-requests in use
    f.state.exchange = {ReceiveMode::Fast, 20, 1.5, 2};
    // WHEN the window opens
    openFromMenu();
    // THEN it shows them, the fast entries usable
    EXPECT_FALSE(form.option1);
    EXPECT_TRUE(form.option2);
    EXPECT_TRUE(form.fastEntriesEnabled());
    EXPECT_EQ(form.text1, "20");
    EXPECT_EQ(form.text2, "1.5");
    EXPECT_EQ(form.text3, "2");
}

TEST_F(MidiSettingsWindow, OkAppliesTheChangesClosesAndReportsBeforeAndAfter) {
    // GIVEN the window open on the defaults
    openFromMenu();
    // WHEN the user chooses 高速, types a 25 ms pause, 2 s and 5 re-requests and presses OK
    form.option2Click();
    form.text1 = "25";
    form.text2 = "2";
    form.text3 = "5";
    form.command1Click();
    // THEN the running program uses them, the window closed and the main window is usable again
    const ExchangeSettings expected{ReceiveMode::Fast, 25, 2.0, 5};
    EXPECT_TRUE(f.state.exchange == expected);
    EXPECT_FALSE(form.isOpen());
    EXPECT_EQ(f.host.closed, std::vector<WindowId>{WindowId::MidiSettings});
    EXPECT_TRUE(f.host.enabled.at(WindowId::Form1));
    EXPECT_TRUE(f.host.boxes.empty());
    // ... and whoever keeps the settings hears what the window showed and what OK left
    ASSERT_EQ(applied.size(), 1u);
    EXPECT_TRUE(applied[0].first == ExchangeSettings{});
    EXPECT_TRUE(applied[0].second == expected);
}

TEST_F(MidiSettingsWindow, FullWidthDigitsAndBlanksAreTaken) {
    openFromMenu();
    form.option2Click();
    form.text1 = "\xEF\xBC\x91\xEF\xBC\x90 ";             // "１０ "
    form.text2 = " \xEF\xBC\x90\xEF\xBC\x8E\xEF\xBC\x95"; // " ０．５"
    form.text3 = "\xE3\x80\x80"
                 "4"; // ideographic space, "4"
    form.command1Click();
    EXPECT_TRUE(f.host.boxes.empty());
    EXPECT_TRUE((f.state.exchange == ExchangeSettings{ReceiveMode::Fast, 10, 0.5, 4}));
}

TEST_F(MidiSettingsWindow, CancelAndTheCloseBoxLeaveTheSettingsAsTheyWere) {
    // GIVEN the window open and everything in it changed
    for (int closeBox = 0; closeBox < 2; ++closeBox) {
        openFromMenu();
        form.option2Click();
        form.text1 = "100";
        form.text2 = "5";
        form.text3 = "0";
        // WHEN the user presses キャンセル, or closes the window
        if (closeBox)
            form.queryUnload();
        else
            form.command2Click();
        // THEN nothing changed and nothing is kept; the main window is usable again
        EXPECT_TRUE(f.state.exchange == ExchangeSettings{}) << closeBox;
        EXPECT_TRUE(applied.empty()) << closeBox;
        EXPECT_FALSE(form.isOpen()) << closeBox;
        EXPECT_TRUE(f.host.enabled.at(WindowId::Form1)) << closeBox;
    }
    // ... and opened again, it shows the settings in use, not what was typed
    openFromMenu();
    EXPECT_TRUE(form.option1);
    EXPECT_EQ(form.text1, "0");
}

TEST_F(MidiSettingsWindow, AnOutOfRangePauseIsRefusedWithABoxAndTheWindowStaysOpen) {
    for (const char *typed : {"501", "-1", "", "abc", "2.5", "10ms"}) {
        // GIVEN the window open
        f.host.boxes.clear();
        openFromMenu();
        // WHEN a pause the program cannot take is typed and OK pressed
        form.text1 = typed;
        form.command1Click();
        // THEN one box says what the pause accepts, the settings are unchanged and the window stays open
        ASSERT_EQ(f.host.boxes.size(), 1u) << typed;
        EXPECT_EQ(f.host.boxes[0].text, "SysEx間の待ちには 0 から 500 までの整数（ms）を入力してください。");
        EXPECT_EQ(f.host.boxes[0].title, "MIDI設定の確認");
        EXPECT_EQ(f.host.boxes[0].icon, MsgIcon::Exclamation);
        EXPECT_TRUE(f.state.exchange == ExchangeSettings{}) << typed;
        EXPECT_TRUE(applied.empty()) << typed;
        EXPECT_TRUE(form.isOpen()) << typed;
        EXPECT_FALSE(f.host.enabled.at(WindowId::Form1)) << typed;
        form.command2Click();
    }
}

TEST_F(MidiSettingsWindow, TheEdgesOfThePauseRangeAreTaken) {
    for (int pause : {0, 500}) {
        openFromMenu();
        form.text1 = std::to_string(pause);
        form.command1Click();
        EXPECT_TRUE(f.host.boxes.empty()) << pause;
        EXPECT_EQ(f.state.exchange.sysExPauseMs, pause);
    }
}

TEST_F(MidiSettingsWindow, TheFastEntriesAreCheckedWhenFastIsChosen) {
    struct Case {
        const char *timeout, *retries, *box;
    };
    for (const Case &c : {Case{"0.1", "3", "応答待ちには 0.2 から 10 までの数（秒）を入力してください。"},
                          Case{"11", "3", "応答待ちには 0.2 から 10 までの数（秒）を入力してください。"},
                          Case{"1", "11", "再要求の回数には 0 から 10 までの整数を入力してください。"},
                          Case{"1", "", "再要求の回数には 0 から 10 までの整数を入力してください。"}}) {
        f.host.boxes.clear();
        openFromMenu();
        form.option2Click();
        form.text2 = c.timeout;
        form.text3 = c.retries;
        form.command1Click();
        ASSERT_EQ(f.host.boxes.size(), 1u) << c.timeout << " " << c.retries;
        EXPECT_EQ(f.host.boxes[0].text, c.box);
        EXPECT_TRUE(f.state.exchange == ExchangeSettings{});
        EXPECT_TRUE(form.isOpen());
        form.command2Click();
    }
}

TEST_F(MidiSettingsWindow, TheInstrumentsChannelIsOneToSixteen) {
    struct Case {
        const char *typed;
        int channel; // 0: refused
    };
    for (const Case &c : {Case{"1", 1}, Case{"16", 16}, Case{"\xEF\xBC\x95", 5} /* "５" */, Case{"0", 0},
                          Case{"17", 0}, Case{"", 0}, Case{"ch2", 0}}) {
        f.host.boxes.clear();
        f.state.exchange.channel = 3;
        openFromMenu();
        EXPECT_EQ(form.text4, "3") << "the window shows the channel in use";
        form.text4 = c.typed;
        form.command1Click();
        EXPECT_EQ(f.state.exchange.channel, c.channel ? c.channel : 3) << c.typed;
        if (c.channel) continue;
        ASSERT_EQ(f.host.boxes.size(), 1u) << c.typed;
        EXPECT_EQ(f.host.boxes[0].text, "DX7の受信チャンネルには 1 から 16 までの整数を入力してください。");
        EXPECT_TRUE(form.isOpen());
        form.command2Click();
    }
}

// Pieces below 32 bytes would go out two at a time through ALSA's encoder.
TEST_F(MidiSettingsWindow, ThePieceSizeIsZeroOrThirtyTwoToTenTwentyFour) {
    struct Case {
        const char *typed;
        int bytes; // -1: refused
    };
    for (const Case &c :
         {Case{"0", 0}, Case{"32", 32}, Case{"1024", 1024}, Case{"\xEF\xBC\x96\xEF\xBC\x94", 64},
          Case{"31", -1}, Case{"1", -1}, Case{"1025", -1}, Case{"", -1}, Case{"-32", -1}}) {
        f.host.boxes.clear();
        f.state.exchange.sysExChunk = 48;
        openFromMenu();
        EXPECT_EQ(form.text5, "48") << "the window shows the piece size in use";
        form.text5 = c.typed;
        form.command1Click();
        EXPECT_EQ(f.state.exchange.sysExChunk, c.bytes >= 0 ? c.bytes : 48) << c.typed;
        if (c.bytes >= 0) continue;
        ASSERT_EQ(f.host.boxes.size(), 1u) << c.typed;
        EXPECT_EQ(f.host.boxes[0].text,
                  "SysExの分割には 0（分割しない）か 32 から 1024 までの整数（バイト）を入力してください。");
        EXPECT_TRUE(form.isOpen());
        form.command2Click();
    }
}

TEST_F(MidiSettingsWindow, TheCheckForATransmitIsShownAndTakenByOk) {
    for (const bool was : {false, true}) {
        // GIVEN the setting as it was
        f.state.exchange.verifyTransmit = was;
        openFromMenu();
        EXPECT_EQ(form.check1, was);
        // WHEN the box is clicked and OK pressed
        form.check1Click();
        form.command1Click();
        // THEN the program uses the other, and whoever keeps it hears of it
        EXPECT_EQ(f.state.exchange.verifyTransmit, !was);
        ASSERT_FALSE(applied.empty());
        EXPECT_EQ(applied.back().second.verifyTransmit, !was);
    }
}

TEST_F(MidiSettingsWindow, WithStandardChosenTheGreyedFastEntriesAreNeitherCheckedNorTaken) {
    // GIVEN the fast entries changed to nonsense, then 標準 chosen again
    openFromMenu();
    form.option2Click();
    form.text2 = "x";
    form.text3 = "99";
    form.option1Click();
    EXPECT_FALSE(form.fastEntriesEnabled());
    // WHEN OK is pressed
    form.command1Click();
    // THEN no box, and the fast receive keeps its time-out and re-requests
    EXPECT_TRUE(f.host.boxes.empty());
    EXPECT_TRUE(f.state.exchange == ExchangeSettings{});
    EXPECT_FALSE(form.isOpen());
}

} // namespace
} // namespace vox::test
