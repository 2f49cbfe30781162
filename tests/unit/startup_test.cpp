// Start-up of the main window and its help, version and end commands.
#include "file_test_support.h"
#include "midi/midi_output.h"
#include "voice/init_voice.h"

#include "workspace/unwritten.h"

#include <gtest/gtest.h>

#include <fstream>

namespace vox {
namespace {

using test::ProgramFixture;

class StartupTest : public ::testing::Test {
protected:
    StartupTest() { f.state.programFolder = folder; }
    ~StartupTest() override { std::filesystem::current_path(std::filesystem::temp_directory_path()); }
    void writeInitFile(std::size_t bytes) {
        const Slot init = InitialVoice();
        std::ofstream out(folder / "INITdata.v01", std::ios::binary);
        out.write(reinterpret_cast<const char *>(init.data()), static_cast<std::streamsize>(bytes));
    }

    test::ScratchFolder scratch{"startup"};
    std::filesystem::path folder = scratch.path();
    ProgramFixture f;
};

TEST_F(StartupTest, ShowsTheGuideFirstThenLoadsShowsAndSendsTheInitialVoice) {
    writeInitFile(161);
    f.program.form1.load();

    ASSERT_EQ(f.host.boxes.size(), 1u) << "with MIDI working only the guide is shown";
    const MessageBoxSpec &guide = f.host.boxes[0];
    EXPECT_EQ(guide.title, "最初に設定してください");
    EXPECT_EQ(guide.buttons, MsgButtons::OkHelp);
    EXPECT_EQ(guide.icon, MsgIcon::Exclamation);
    EXPECT_EQ(guide.helpTopic, 7);
    EXPECT_EQ(guide.helpFile.filename(), "VOXMERE.HLP");
    EXPECT_EQ(guide.text.rfind("最初に確認してください (このメッセ-ジは常に表示されます)\r\r１．", 0), 0u);
    EXPECT_NE(guide.text.find("\r\r　(DX7の電源を入れた直後は｢ＯＮ｣に戻っています)　\r\r４．"),
              std::string::npos);
    EXPECT_EQ(guide.text.find('\n'), std::string::npos) << "lines are joined by CRs only";

    EXPECT_EQ(f.program.form1.text2(), " 0. INIT VOICE");
    EXPECT_EQ(f.ws.slotText(0), " 0. INIT VOICE");
    EXPECT_EQ(f.ws.currentSlot(), 0);
    EXPECT_FALSE(f.program.form1.progressBar1.visible);
    EXPECT_FALSE(f.program.form1.progressBar2.visible);
    for (std::size_t i = 0; i <= 161; ++i)
        EXPECT_EQ(f.ws.editBuffer()[i], f.ws.voiceTable()[0][i]) << i;

    ASSERT_EQ(f.out.sent.size(), 2u);
    EXPECT_EQ(f.out.sent[0], (std::vector<Byte>{0xC0, 0x00, 0x00}));
    const auto expected = BuildVoiceDump(InitialVoice());
    EXPECT_EQ(f.out.sent[1], std::vector<Byte>(expected.begin(), expected.end()));
    EXPECT_EQ(std::filesystem::current_path(), folder);
}

TEST_F(StartupTest, InstalledTheUsersOwnInitialVoiceComesBeforeTheProgramsOne) {
    writeInitFile(161);
    const std::filesystem::path user = folder / "user";
    std::filesystem::create_directories(user);
    f.state.userFolder = user;
    const Slot own = test::DistinctVoice(5);
    std::ofstream(user / "INITdata.v01", std::ios::binary)
        .write(reinterpret_cast<const char *>(own.data()), 161);

    f.program.form1.load();

    EXPECT_EQ(f.program.form1.text2(), " 0. VOICE 05  ");
    EXPECT_EQ(std::filesystem::current_path(), folder) << "the working folder stays the program folder";
}

const std::string kOutError = "MIDI out デバイスオープンに失敗しました";
const std::string kInError = "ＭＩＤＩ接続エラ-ですＤＸ7との接続は出来ていますか？";
const std::string kPortHint =
    "DX7につながるMIDIポートを選ぶには、メニューの「MIDI」で出力ポートと入力ポートを選ぶか、"
    "--midi-out と --midi-in にポート名を付けて起動してください。"
    "使えるポートは voxmere --list-ports で一覧できます。\n\n"
    "DX7がなくても、--virtual-dx7 を付けて起動すれば内蔵の仮想DX7で試せます。";

struct PortsAtStart {
    const char *name;
    bool outOpens, inOpens;
    bool explainedBefore; // no port at all was said in one box before the main window
    std::vector<std::pair<std::string, MsgButtons>> boxesAfterGuide;
};

void PrintTo(const PortsAtStart &c, std::ostream *os) { *os << c.name; }

class StartupPortsTest : public StartupTest, public ::testing::WithParamInterface<PortsAtStart> {};

// GIVEN a port that does not open WHEN the program starts THEN the guide,
// the error box of each missing port with its own text, then how to choose
// one; start-up goes on with the initial voice loaded and shown, and sent
// where the output is open (a closed port sends nothing).
TEST_P(StartupPortsTest, AMissingPortIsSaidAfterTheGuideAndStartUpGoesOn) {
    const PortsAtStart &c = GetParam();
    writeInitFile(161);
    f.out.openResult = c.outOpens;
    f.in.openResult = c.inOpens;
    f.state.portsExplainedAtStart = c.explainedBefore;
    f.program.form1.load();
    const auto texts = f.host.boxTexts();
    ASSERT_EQ(texts.size(), 1 + c.boxesAfterGuide.size());
    EXPECT_EQ(f.host.boxes[0].title, "最初に設定してください");
    for (std::size_t i = 0; i < c.boxesAfterGuide.size(); ++i) {
        const auto &[text, buttons] = c.boxesAfterGuide[i];
        EXPECT_EQ(texts[i + 1], text) << "box " << i + 1;
        EXPECT_EQ(f.host.boxes[i + 1].buttons, buttons) << "box " << i + 1;
        if (text == kPortHint) {
            EXPECT_EQ(f.host.boxes[i + 1].title, "ＭＩＤＩポートの選び方");
        }
    }
    EXPECT_EQ(f.program.form1.text2(), " 0. INIT VOICE");
    EXPECT_EQ(f.ws.voiceTable()[0][ParamPos(param::Transpose)], 24);
    EXPECT_EQ(f.out.sent.size(), c.outOpens ? 2u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Ports, StartupPortsTest,
    ::testing::Values(
        PortsAtStart{
            "NoOutput", false, true, false, {{kOutError, MsgButtons::Ok}, {kPortHint, MsgButtons::Ok}}},
        PortsAtStart{
            "NoInput", true, false, false, {{kInError, MsgButtons::OkHelp}, {kPortHint, MsgButtons::Ok}}},
        PortsAtStart{
            "NoPortAtAll",
            false,
            false,
            false,
            {{kOutError, MsgButtons::Ok}, {kInError, MsgButtons::OkHelp}, {kPortHint, MsgButtons::Ok}}},
        PortsAtStart{"NoPortAtAllSaidBefore", false, false, true, {}}),
    [](const ::testing::TestParamInfo<PortsAtStart> &info) { return std::string(info.param.name); });

TEST_F(StartupTest, TheGuideCanBeLeftOutFromTheNextStartOn) {
    struct Case {
        const char *name;
        bool shown, ticked;
        std::size_t boxes;
        bool showAfter;
        std::vector<bool> told;
    };
    for (const Case &c : {Case{"left as it is", true, false, 1, true, {}},
                          Case{"次回から表示しない", true, true, 1, false, {false}},
                          Case{"left out", false, false, 0, false, {}}}) {
        SCOPED_TRACE(c.name);
        ProgramFixture g;
        g.state.programFolder = folder;
        g.state.showStartupGuide = c.shown;
        std::vector<bool> told;
        g.state.startupGuideChosen = [&](bool show) { told.push_back(show); };
        g.host.checkAnswers = {c.ticked};
        g.program.form1.load();
        ASSERT_EQ(g.host.boxes.size(), c.boxes);
        if (c.boxes) {
            EXPECT_EQ(g.host.boxes[0].checkBox, "次回から表示しない");
        }
        EXPECT_EQ(g.state.showStartupGuide, c.showAfter);
        EXPECT_EQ(told, c.told);
        EXPECT_EQ(g.out.sent.size(), 2u) << "the initial voice goes out either way";
    }
}

TEST_F(StartupTest, ProgressBarsAreHiddenBeforeTheStartUpBoxesShow) {
    // GIVEN a main window not yet loaded THEN its progress bars are already
    // hidden, so the view drawn behind the guide shows neither
    EXPECT_FALSE(f.program.form1.progressBar1.visible);
    EXPECT_FALSE(f.program.form1.progressBar2.visible);
}

TEST_F(StartupTest, MissingInitialVoiceFileIsCreatedEmptyAndLeavesZeros) {
    f.program.form1.load();
    EXPECT_TRUE(std::filesystem::exists(folder / "INITdata.v01"));
    EXPECT_EQ(std::filesystem::file_size(folder / "INITdata.v01"), 0u);
    EXPECT_EQ(f.program.form1.text2(), std::string(" 0. ") + std::string(10, ' ')) << "NULs show blank";
    ASSERT_EQ(f.out.sent.size(), 2u);
    const auto dump = f.out.sent[1];
    ASSERT_EQ(dump.size(), 163u);
    EXPECT_EQ(dump[161], 0x00) << "155 zero bytes have checksum 0";
}

TEST_F(StartupTest, ShortInitialVoiceFileFillsOnlyWhatItHolds) {
    writeInitFile(100);
    f.program.form1.load();
    EXPECT_EQ(f.ws.voiceTable()[0][99], InitialVoice()[99]);
    EXPECT_EQ(f.ws.voiceTable()[0][100], 0);
    EXPECT_EQ(f.ws.voiceTable()[0][kNamePos], 0);
}

TEST_F(StartupTest, ReadsExactly161BytesOfALongerInitialVoiceFile) {
    // GIVEN an initial voice file with bytes after its 161
    writeInitFile(161);
    {
        std::ofstream more(folder / "INITdata.v01", std::ios::binary | std::ios::app);
        more << std::string(10, '\x5A');
    }
    // WHEN the program starts
    f.program.form1.load();
    // THEN positions 0..160 come from the file and the checksum position
    // keeps its zero, in slot 0 and in the edit area
    const Slot init = InitialVoice();
    for (std::size_t pos = 0; pos <= 160; ++pos)
        ASSERT_EQ(f.ws.voiceTable()[0][pos], init[pos]) << pos;
    EXPECT_EQ(f.ws.voiceTable()[0][161], 0x00) << "byte 161 of the file is not read";
    EXPECT_EQ(f.ws.editBuffer()[161], 0x00);
    ASSERT_EQ(f.out.sent.size(), 2u);
    const auto expected = BuildVoiceDump(InitialVoice());
    EXPECT_EQ(f.out.sent[1], std::vector<Byte>(expected.begin(), expected.end()));
}

TEST_F(StartupTest, HelpVersionAndEndCommands) {
    f.program.form1.command14Click();
    f.program.form1.mnuHelpClick();
    ASSERT_EQ(f.host.helpShown.size(), 2u);
    EXPECT_EQ(f.host.helpShown[0].first, folder / "voxmere.hlp");
    EXPECT_EQ(f.host.helpShown[0].second, 5);
    EXPECT_EQ(f.host.helpShown[1].second, 0) << "the menu opens the contents";

    f.program.form1.mnuVerClick();
    ASSERT_EQ(f.host.boxes.size(), 1u);
    EXPECT_EQ(f.host.boxes[0].text, "VOXMERE Ver1.01");
    EXPECT_EQ(f.host.boxes[0].title, "Ver情報");

    f.out.open();
    f.program.form1.mnuFileClick();
    EXPECT_TRUE(f.host.ended);
    EXPECT_TRUE(f.out.isOpen()) << "END closes no port";
    f.program.form1.queryClose();
    EXPECT_FALSE(f.out.isOpen()) << "the close box closes the output";
}

class SendCurrentVoiceTest : public ::testing::Test {
protected:
    ProgramFixture f;
    void SetUp() override { f.out.open(); }
};

TEST_F(SendCurrentVoiceTest, Slot32SelectsProgram31ThenSendsItsDump) {
    Slot slot{};
    for (std::size_t p = kParamBase; p < kParamBase + kParamCount; ++p)
        slot[p] = static_cast<Byte>(p % 100);
    test::PlaceAs(f.ws, 32, slot);
    SendEditArea(f.state, f.host, f.ws);
    ASSERT_EQ(f.out.sent.size(), 2u);
    EXPECT_EQ(f.out.sent[0], (std::vector<Byte>{0xC0, 0x1F, 0x00}));
    const auto &dump = f.out.sent[1];
    ASSERT_EQ(dump.size(), 163u);
    EXPECT_EQ(std::vector<Byte>(dump.begin(), dump.begin() + 6),
              (std::vector<Byte>{0xF0, 0x43, 0, 0, 1, 0x1B}));
    // Each value as the editor shows it: read into the parameter's range.
    for (int p = 0; p < static_cast<int>(kParamCount); ++p)
        EXPECT_EQ(dump[ParamPos(p)], ParamValue(p, slot[ParamPos(p)])) << p;
    unsigned sum = 0;
    for (std::size_t p = kParamBase; p <= 161; ++p)
        sum += dump[p];
    EXPECT_EQ(sum % 128, 0u);
    EXPECT_EQ(dump[162], 0xF7);
    EXPECT_EQ(f.host.passes, 1) << "one message-loop pass inside the long send";
}

TEST_F(SendCurrentVoiceTest, Slot0SendsProgram0AndItsOwnData) {
    Slot first{};
    first[ParamPos(0)] = 7;
    test::PlaceAs(f.ws, 1, first);
    Slot own{};
    own[ParamPos(0)] = 42;
    test::PlaceAs(f.ws, 0, own);
    SendEditArea(f.state, f.host, f.ws);
    EXPECT_EQ(f.out.sent[0], (std::vector<Byte>{0xC0, 0x00, 0x00}));
    EXPECT_EQ(f.out.sent[1][6], 42);
}

TEST_F(SendCurrentVoiceTest, BuildsHeaderAndChecksumWhateverTheSlotHoldsThere) {
    Slot slot{};
    slot[ParamPos(0)] = 1; // checksum 7Fh
    test::PlaceAs(f.ws, 3, slot);
    SendEditArea(f.state, f.host, f.ws);
    const auto &dump = f.out.sent[1];
    EXPECT_EQ(dump[0], 0xF0);
    EXPECT_EQ(dump[5], 0x1B);
    EXPECT_EQ(dump[161], 0x7F);
    EXPECT_EQ(dump[162], 0xF7);
}

TEST_F(SendCurrentVoiceTest, NeverSendsADataByteWithBitSeven) {
    Slot slot{};
    slot[ParamPos(param::Name1)] = 0xC1; // files from other tools hold such bytes
    test::PlaceAs(f.ws, 4, slot);
    SendEditArea(f.state, f.host, f.ws);
    const auto &dump = f.out.sent[1];
    for (std::size_t i = 1; i < 162; ++i)
        EXPECT_LT(dump[i], 0x80) << i;
    EXPECT_EQ(dump[kNamePos], 0x41);
    EXPECT_EQ(dump[161], ChecksumOf(std::span<const Byte>(dump).subspan(6, 155)));
}

} // namespace
} // namespace vox
