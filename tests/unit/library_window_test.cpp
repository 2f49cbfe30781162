// "音色ライブラリ": the window's behaviour over a small collection whose
// voices the test made, with the real catalogue in a scratch folder.
#include "files/voice_files.h"
#include "library/library_window.h"
#include "library_collection.h"
#include "midi/midi_output.h"
#include "test_support.h"
#include "voice/dx7_messages.h"
#include "voice/init_voice.h"
#include "voice/voice_layout.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

namespace vox::test {
namespace {

using namespace std::chrono_literals;

std::string AsciiLower(std::string text) {
    for (char &c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

struct LibraryWindow : ::testing::Test {
    ProgramFixture f;
    ScratchFolder dataHome{"libwin-data"};
    Collection collection;
    LibraryWindowForm &form = f.program.library;
    Form1 &form1 = f.program.form1;

    void SetUp() override {
        f.out.open();
        f.state.programFolder = collection.programFolder.path();
        form.setCatalogFile(dataHome / "voxmere" / "library.sqlite");
        form.chooseFolder = [this] { return std::optional<std::string>(collection.folder.path().string()); };
    }
    // The window opened from the menu, the collection's folder added and
    // indexed.
    void openIndexed(std::size_t voices = 64) {
        form1.mnuLibraryClick();
        form.command1Click();
        form.waitForRun();
        ASSERT_EQ(form.results.size(), voices) << form.label6;
    }
    // The collection with a copy of bank A in a folder of its own, under the
    // same file name, indexed.
    void openIndexedWithCopy() {
        std::filesystem::create_directories(collection.folder / "copy");
        WriteBank(collection.folder / "copy" / "bank-a.syx", collection.a);
        openIndexed(96);
    }
    int row(const std::string &name) const {
        for (std::size_t i = 0; i < form.results.size(); ++i)
            if (form.results[i].name == Padded(name)) return static_cast<int>(i);
        ADD_FAILURE() << "no result named " << name;
        return -1;
    }
    // Every row of that name, in table order.
    std::vector<int> rows(const std::string &name) const {
        std::vector<int> found;
        for (std::size_t i = 0; i < form.results.size(); ++i)
            if (form.results[i].name == Padded(name)) found.push_back(static_cast<int>(i));
        return found;
    }
    std::vector<std::string> names() const {
        std::vector<std::string> n;
        for (const auto &v : form.results)
            n.push_back(v.name);
        return n;
    }
    // What sending the voice puts on the wire: program change 0, then its
    // single-voice dump.
    static std::vector<std::vector<Byte>> SentFor(const Slot &voice) {
        const VoiceDump dump = BuildVoiceDump(voice);
        return {{kProgramChange, 0, 0}, std::vector<Byte>(dump.begin(), dump.end())};
    }
    // An edit-area voice with changes not yet stored.
    void changeEditArea() {
        PlaceAs(f.ws, 0, Named(Slot{}, "INIT VOICE"));
        Slot edited = f.ws.editBuffer();
        edited[ParamPos(param::Feedback)] ^= 1;
        f.ws.restoreEditBuffer(edited);
        ASSERT_TRUE(form1.editAreaChanged());
    }
    void loadListWithBankB() {
        form.resultClick(row("VOICE B07"));
        form.command7Click();
        ASSERT_EQ(form1.list3().items.size(), kBankSlots);
    }
};

// --- Opening, folders, search ---------------------------------------------

TEST_F(LibraryWindow, OpensBesideTheMainWindowWhichStaysEnabled) {
    // WHEN the user picks 音色ライブラリ… in the menu ライブラリ
    form1.mnuLibraryClick();
    // THEN the window shows, empty, and the main window is not disabled
    EXPECT_TRUE(form.isOpen());
    EXPECT_EQ(f.host.shown, std::vector<WindowId>{WindowId::Library});
    EXPECT_TRUE(form1.enabled);
    EXPECT_EQ(f.host.enabled.count(WindowId::Form1), 0u);
    EXPECT_TRUE(form.results.empty());
    EXPECT_EQ(form.label7, "登録 0 音色　該当 0 件");
    EXPECT_TRUE(std::filesystem::exists(dataHome / "voxmere" / "library.sqlite"));
}

TEST_F(LibraryWindow, AddingAFolderIndexesItAndListsEveryVoiceByName) {
    // WHEN the collection's folder is added
    openIndexed();
    // THEN the folder is listed, every voice found, sorted by name, and the
    // status line gives the counts
    EXPECT_EQ(form.list1.items, std::vector<std::string>{collection.folder.path().string()});
    EXPECT_EQ(form.results.front().name, Padded("BRASS 1"));
    EXPECT_EQ(form.label7, "登録 64 音色　該当 64 件");
    EXPECT_NE(form.label6.find("索引完了: ファイル 2、バンク 2、音色 64"), std::string::npos) << form.label6;
    EXPECT_FALSE(form.progressBar1.visible);
}

TEST_F(LibraryWindow, TheSearchNarrowsAsTheNameIsTyped) {
    openIndexed();
    // WHEN "b", "br", "bra" are typed one after the other
    form.text1Change("b");
    // THEN each step narrows: "b" is in B's 31 "VOICE B.." and both
    // brasses, whatever the case of the letters
    EXPECT_EQ(form.results.size(), 33u);
    form.text1Change("br");
    EXPECT_EQ(names(), (std::vector<std::string>{Padded("BRASS 1"), Padded("brass 2")}));
    form.text1Change("bra");
    EXPECT_EQ(form.results.size(), 2u);
    EXPECT_EQ(form.label7, "登録 64 音色　該当 2 件");
    form.text1Change("brass 2");
    EXPECT_EQ(names(), std::vector<std::string>{Padded("brass 2")});
    // AND emptying the field shows every voice again
    form.text1Change("");
    EXPECT_EQ(form.results.size(), 64u);
}

TEST_F(LibraryWindow, TheFiltersCombineWithEachOtherAndWithTheName) {
    openIndexed();
    // WHEN algorithm 5 is chosen: A's voice 5 and B's but HORNS
    form.combo1Click(5);
    EXPECT_EQ(form.results.size(), 32u);
    for (const auto &v : form.results)
        EXPECT_EQ(v.algorithm, 5) << v.name;
    // AND feedback 5 (entry 6 of the list): A's voice 5 and B's voices 5, 13, 21, 29
    form.combo2Click(6);
    EXPECT_EQ(names(),
              (std::vector<std::string>{Padded("VOICE A04"), Padded("VOICE B05"), Padded("VOICE B13"),
                                        Padded("VOICE B21"), Padded("VOICE B29")}));
    // AND the name "b2"
    form.text1Change("b2");
    EXPECT_EQ(names(), (std::vector<std::string>{Padded("VOICE B21"), Padded("VOICE B29")}));
    // AND the carrier count of algorithm 5 (three carriers), then another
    form.combo3Click(3);
    EXPECT_EQ(form.results.size(), 2u);
    form.combo3Click(1);
    EXPECT_TRUE(form.results.empty());
    // WHEN every filter is back at すべて, only the name is left
    form.combo1Click(0);
    form.combo2Click(0);
    form.combo3Click(0);
    EXPECT_EQ(form.results.size(), 10u); // VOICE B20 .. VOICE B29
}

TEST_F(LibraryWindow, TheMarkFiltersCombineWithTheOthers) {
    // GIVEN the collection indexed, and marks set on three sounds through a
    // second connection: HORNS (the sound of BRASS 1) a favourite rated 4,
    // VOICE B07 rated 2 and tagged "Warm"
    openIndexed();
    std::string error;
    const std::unique_ptr<Catalog> other = Catalog::Open(form.catalogFile(), error);
    ASSERT_TRUE(other) << error;
    const SoundBody horns = form.results[static_cast<std::size_t>(row("HORNS"))].body;
    const SoundBody b07 = form.results[static_cast<std::size_t>(row("VOICE B07"))].body;
    ASSERT_TRUE(other->setFavourite(horns, true) && other->setRating(horns, 4));
    ASSERT_TRUE(other->setRating(b07, 2) && other->addTag(b07, "Warm"));
    using Names = std::vector<std::string>;
    const struct {
        const char *what;
        std::function<void()> change;
        Names expected;
    } steps[] = {
        {"category brass (entry 2)", [&] { form.combo4Click(2); },
         Names{Padded("BRASS 1"), Padded("brass 2"), Padded("HORNS")}},
        {"and favourites only", [&] { form.check1Click(true); }, Names{Padded("BRASS 1"), Padded("HORNS")}},
        {"and the name \"horn\"", [&] { form.text1Change("horn"); }, Names{Padded("HORNS")}},
        {"every one back, rated 2 or more",
         [&] {
             form.text1Change("");
             form.check1Click(false);
             form.combo4Click(0);
             form.combo5Click(2);
         },
         Names{Padded("BRASS 1"), Padded("HORNS"), Padded("VOICE B07")}},
        {"and rated 3 or more", [&] { form.combo5Click(3); }, Names{Padded("BRASS 1"), Padded("HORNS")}},
        {"the tag \" warm \" in any case",
         [&] {
             form.combo5Click(0);
             form.text3Change(" warm ");
         },
         Names{Padded("VOICE B07")}},
        {"and the category other", [&] { form.combo4Click(16); }, Names{Padded("VOICE B07")}},
        {"and category brass", [&] { form.combo4Click(2); }, Names{}},
    };
    for (const auto &step : steps) {
        step.change();
        EXPECT_EQ(names(), step.expected) << step.what;
    }
}

TEST_F(LibraryWindow, TheNameFileAndAlgorithmHeadingsSortAndASecondClickTurnsTheOrder) {
    openIndexed();
    form.text1Change("voice a0");
    // WHEN the algorithm heading is clicked, then again
    form.headingClick(4);
    EXPECT_EQ(form.results.front().algorithm, 4); // VOICE A03
    EXPECT_EQ(form.results.back().algorithm, 10); // VOICE A09
    form.headingClick(4);
    EXPECT_EQ(form.results.front().algorithm, 10);
    // WHEN the name heading is clicked: back to names, A-Z
    form.headingClick(0);
    EXPECT_EQ(form.results.front().name, Padded("VOICE A03"));
    // WHEN the file heading is clicked over every voice: bank A's file first
    form.text1Change("");
    form.headingClick(1);
    EXPECT_EQ(form.results.front().file.filename(), "bank-a.syx");
    EXPECT_EQ(form.results.back().file.filename(), "bank-b.syx");
}

// --- Sending a voice --------------------------------------------------------

TEST_F(LibraryWindow, DoubleClickPutsTheVoiceIntoTheEditAreaAndSendsIt) {
    openIndexed();
    f.out.sent.clear();
    // WHEN "brass 2" is double-clicked
    form.resultActivate(row("brass 2"));
    // THEN program change 0 and the voice's single-voice dump go out, slot 0
    // and the edit area hold it as a 1-voice load leaves them
    const Slot &voice = collection.a[3];
    EXPECT_EQ(f.out.sent, SentFor(voice));
    EXPECT_EQ(form1.text2(), " 0. brass 2   ");
    EXPECT_EQ(f.ws.slotText(0), " 0. brass 2   ");
    EXPECT_EQ(f.ws.currentSlot(), 0);
    EXPECT_TRUE(std::equal(voice.begin(), voice.begin() + kRecordSize, f.ws.voiceTable()[0].begin()));
    EXPECT_TRUE(std::equal(voice.begin(), voice.begin() + kRecordSize, f.ws.editBuffer().begin()));
    EXPECT_FALSE(form1.editAreaChanged());
    EXPECT_TRUE(f.host.boxes.empty());
}

TEST_F(LibraryWindow, EnterThenArrowKeysSendEachVoiceTheSelectionReaches) {
    openIndexed();
    form.text1Change("voice b0");
    f.out.sent.clear();
    // WHEN a result is only selected: nothing is sent
    form.resultClick(0);
    EXPECT_TRUE(f.out.sent.empty());
    // WHEN Enter is pressed on it, then the selection steps on twice
    form.resultActivate(0);
    EXPECT_TRUE(form.steppingThrough());
    form.resultClick(1);
    form.resultClick(2);
    // THEN each of the three voices went out in turn
    std::vector<std::vector<Byte>> expected;
    for (int n : {2, 3, 4})
        for (auto &m : SentFor(collection.b[static_cast<std::size_t>(n)]))
            expected.push_back(m);
    EXPECT_EQ(f.out.sent, expected);
    EXPECT_EQ(form1.text2(), " 0. VOICE B04 ");
    // AND a new search ends the stepping: selecting sends nothing more
    form.text1Change("voice b1");
    f.out.sent.clear();
    form.resultClick(1);
    EXPECT_TRUE(f.out.sent.empty());
}

TEST_F(LibraryWindow, ChangedEditAreaIsAskedAboutOnceAndNoKeepsIt) {
    openIndexed();
    changeEditArea();
    const Slot before = f.ws.editBuffer();
    f.out.sent.clear();
    // WHEN a voice is double-clicked and the user answers No
    f.host.answers = {MsgResult::No};
    form.resultActivate(row("E.PIANO 1"));
    // THEN the box named the voice, nothing was sent, the edit area is as it was
    ASSERT_EQ(f.host.boxes.size(), 1u);
    EXPECT_EQ(f.host.boxes[0].buttons, MsgButtons::YesNo);
    EXPECT_NE(f.host.boxes[0].text.find("「E.PIANO 1 」に置き換えますか？"), std::string::npos);
    EXPECT_TRUE(f.out.sent.empty());
    EXPECT_EQ(f.ws.editBuffer(), before);
    EXPECT_FALSE(form.steppingThrough());
    // WHEN double-clicked again and answered Yes, then stepped on twice
    f.host.answers = {MsgResult::Yes};
    form.resultActivate(0);
    form.resultClick(1);
    form.resultClick(2);
    // THEN only that one question was asked, and three voices went out
    EXPECT_EQ(f.host.boxes.size(), 2u);
    EXPECT_EQ(f.out.sent.size(), 6u);
}

TEST_F(LibraryWindow, NothingChangesWhileAnotherWindowHoldsTheMainWindow) {
    openIndexed();
    PlaceAs(f.ws, 0, Named(Slot{}, "INIT VOICE"));
    form1.command5Click(); // the editor is open
    f.out.sent.clear();
    const Slot before = f.ws.editBuffer();
    // WHEN a voice is double-clicked, and a bank is asked for
    form.resultActivate(row("BRASS 1"));
    form.command7Click();
    // THEN both are refused with the reason, and nothing changed or went out
    ASSERT_EQ(f.host.boxes.size(), 2u);
    EXPECT_EQ(f.host.boxes[0].text, library_text::kMainWindowHeld);
    EXPECT_EQ(f.host.boxes[1].text, library_text::kMainWindowHeld);
    EXPECT_TRUE(f.out.sent.empty());
    EXPECT_EQ(f.ws.editBuffer(), before);
    EXPECT_TRUE(form1.list3().items.empty());
}

// --- Banks into the SOUND LIST -------------------------------------------------

TEST_F(LibraryWindow, BankLoadFillsTheSoundListAsThe32VoiceLoadDoes) {
    openIndexed();
    form1.list1.add("log");
    f.out.sent.clear();
    // WHEN a voice of bank B is chosen and its bank loaded into an unchanged list
    loadListWithBankB();
    // THEN no question, slots 1..32 hold bank B, the list shows it as stored,
    // the logs are empty and nothing is sent
    EXPECT_TRUE(f.host.boxes.empty());
    for (std::size_t n = 1; n <= kBankSlots; ++n)
        EXPECT_TRUE(std::equal(collection.b[n].begin(), collection.b[n].begin() + kRecordSize,
                               f.ws.voiceTable()[n].begin()))
            << n;
    EXPECT_EQ(form1.list3().items[0], "  1. HORNS     ");
    EXPECT_EQ(form1.list3().items[31], " 32. VOICE B32 ");
    EXPECT_FALSE(form1.bankChanged());
    EXPECT_TRUE(form1.list1.items.empty());
    EXPECT_TRUE(f.out.sent.empty());
}

TEST_F(LibraryWindow, BankLoadAsksWhenTheListHasChangesAndNoChangesNothing) {
    openIndexed();
    loadListWithBankB();
    Slot changed = f.ws.slot(7);
    changed[ParamPos(param::Feedback)] ^= 1;
    SeedEditArea(f.ws, 7, changed);
    f.ws.writeEditArea(7); // as the chooser writes it
    ASSERT_TRUE(form1.bankChanged());
    const VoiceTable before = f.ws.voiceTable();
    const auto entries = form1.list3().items;
    // WHEN bank A is asked for and the user answers No
    f.host.answers = {MsgResult::No};
    form.resultClick(row("E.PIANO 1"));
    form.command7Click();
    // THEN the box said what would be lost and named the file and bank;
    // nothing changed
    ASSERT_EQ(f.host.boxes.size(), 1u);
    EXPECT_EQ(f.host.boxes[0].buttons, MsgButtons::YesNo);
    EXPECT_NE(f.host.boxes[0].text.find(library_text::kBankUnsaved), std::string::npos);
    EXPECT_NE(f.host.boxes[0].text.find((collection.folder / "bank-a.syx").string() + "」のバンク 1 を"),
              std::string::npos)
        << f.host.boxes[0].text;
    EXPECT_EQ(f.ws.voiceTable().all, before.all);
    EXPECT_EQ(form1.list3().items, entries);
    // WHEN asked again and answered Yes: bank A replaces the list
    f.host.answers = {MsgResult::Yes};
    form.command7Click();
    EXPECT_EQ(form1.list3().items[0], "  1. E.PIANO 1 ");
    EXPECT_FALSE(form1.bankChanged());
}

TEST_F(LibraryWindow, WriteGoesThroughTheChooserIntoThePositionPicked) {
    openIndexed();
    loadListWithBankB();
    f.out.sent.clear();
    // WHEN "brass 2" is to be written and the chooser opens
    form.resultClick(row("brass 2"));
    form.command8Click();
    // THEN the voice went into the edit area and out, and the chooser holds
    // the main window
    EXPECT_EQ(f.out.sent, SentFor(collection.a[3]));
    EXPECT_TRUE(f.program.form7.isOpen());
    EXPECT_EQ(f.host.shown.back(), WindowId::Form7);
    EXPECT_FALSE(form1.enabled);
    // WHEN position 5 is picked and 変更 pressed
    f.out.sent.clear();
    f.program.form7.list1.selected = 4;
    f.program.form7.command1Click();
    // THEN slot 5 holds the voice and the list shows it; the DX7 got it as
    // program 5
    EXPECT_TRUE(SameParams(f.ws.voiceTable()[5], collection.a[3]));
    EXPECT_EQ(form1.list3().items[4], "  5. brass 2   ");
    EXPECT_EQ(f.out.sent.front(), (std::vector<Byte>{kProgramChange, 4, 0}));
    EXPECT_TRUE(form1.enabled);
}

TEST_F(LibraryWindow, WriteWithNoBankInTheListIsRefusedBeforeTheEditAreaChanges) {
    openIndexed();
    const Slot before = f.ws.editBuffer();
    form.resultClick(row("brass 2"));
    form.command8Click();
    ASSERT_EQ(f.host.boxes.size(), 1u);
    EXPECT_EQ(f.host.boxes[0].text, library_text::kChooserNoBank);
    EXPECT_EQ(f.ws.editBuffer(), before);
    EXPECT_FALSE(f.program.form7.isOpen());
}

// --- Duplicates ---------------------------------------------------------------

TEST_F(LibraryWindow, SameSoundGroupsShowTheVoicesWithTheirNamesAndFiles) {
    openIndexed();
    // WHEN 同じ音 is chosen and the search run
    form.option2Click();
    form.command5Click();
    form.waitForRun();
    // THEN one group: A's "BRASS 1" and B's "HORNS"
    ASSERT_EQ(form.groups.size(), 1u);
    const VoiceGroup &group = form.groups[0];
    EXPECT_EQ(group.heading, "同じ音 2 音色");
    ASSERT_EQ(group.voices.size(), 2u);
    std::vector<std::string> found;
    for (const auto &v : group.voices)
        found.push_back(v.file.filename().string() + " " + v.name);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{"bank-a.syx BRASS 1   ", "bank-b.syx HORNS     "}));
    EXPECT_EQ(form.label6, "同じ音の組 1 組");
    // AND a voice of the group can be sent
    f.out.sent.clear();
    form.groupVoiceActivate(0, 1);
    EXPECT_EQ(f.out.sent.size(), 2u);
}

TEST_F(LibraryWindow, NearVoicesAreThoseWithinTheThresholdTheUserSets) {
    openIndexed();
    form.option3Click();
    // GIVEN A's voices each on an algorithm of its own (never near), and B's
    // on algorithm 5 with output levels 42..72 and feedback n % 8: voices n
    // and n + 8 differ by 8 level steps only, neighbours also by a step of
    // feedback (which weighs 14)
    // WHEN the threshold is 7: no pair
    form.text2Change("7");
    form.command5Click();
    form.waitForRun();
    EXPECT_TRUE(form.groups.empty());
    EXPECT_EQ(form.label6, "近い音の組 0 組");
    // WHEN it is 8: the 23 pairs B n, B n + 8 (n = 2..24; B's voice 1 is HORNS)
    form.text2Change("8");
    form.command5Click();
    form.waitForRun();
    ASSERT_EQ(form.groups.size(), 23u);
    for (const VoiceGroup &g : form.groups) {
        EXPECT_EQ(g.heading, "距離 8");
        ASSERT_EQ(g.voices.size(), 2u);
        EXPECT_EQ(g.voices[0].file.filename(), "bank-b.syx");
        EXPECT_EQ(std::abs(g.voices[0].voice - g.voices[1].voice), 8);
    }
    // WHEN it is not a number in range: a box, no run
    f.host.boxes.clear();
    form.text2Change("abc");
    form.command5Click();
    ASSERT_EQ(f.host.boxes.size(), 1u);
    EXPECT_EQ(f.host.boxes[0].text, library_text::kThresholdInvalid);
    EXPECT_FALSE(form.busy());
}

// --- Comparing two voices -------------------------------------------------------

struct CompareCase {
    const char *a, *b; // the results chosen, in table order: names, or one name twice for its two files
    std::vector<VoiceDifference> expected;
};

// The collection's voices differ in algorithm (parameter 134, stored as the
// algorithm less 1), feedback (135), OP2's output level (block 4, 4 x 21 +
// 16 = 100) and the name characters (145..154) as the collection made them.
const CompareCase kCompareCases[] = {
    {"BRASS 1",
     "E.PIANO 1",
     {{100, "OP2 output level", "2", "1"},
      {134, "Algorithm", "2", "1"},
      {135, "Feedback", "2", "1"},
      {145, "Name character 1", "B", "E"},
      {146, "Name character 2", "R", "."},
      {147, "Name character 3", "A", "P"},
      {148, "Name character 4", "S", "I"},
      {149, "Name character 5", "S", "A"},
      {150, "Name character 6", " ", "N"},
      {151, "Name character 7", "1", "O"},
      {153, "Name character 9", " ", "1"}}},
    {"VOICE B05",
     "VOICE B13",
     {{100, "OP2 output level", "45", "53"},
      {152, "Name character 8", "0", "1"},
      {153, "Name character 9", "5", "3"}}},
    {"E.PIANO 1", "E.PIANO 1", {}},
};

TEST_F(LibraryWindow, TwoChosenResultsCompareParameterByParameterInTheEditorsForms) {
    openIndexedWithCopy();
    for (const CompareCase &c : kCompareCases) {
        SCOPED_TRACE(std::string(c.a) + " / " + c.b);
        // WHEN the two results are chosen and 2音色を比較 pressed
        const std::vector<int> chosen =
            std::string(c.a) == c.b ? rows(c.a) : std::vector<int>{row(c.a), row(c.b)};
        ASSERT_EQ(chosen.size(), 2u);
        form.resultsChoose(chosen);
        ASSERT_TRUE(form.command9Enabled());
        const int before = form.comparisonVersion;
        form.command9Click();
        // THEN the window lists exactly the parameters that differ, with
        // both values, and says how many or that the two are the same
        ASSERT_TRUE(form.comparison);
        EXPECT_EQ(form.comparisonVersion, before + 1);
        EXPECT_EQ(form.comparison->differences, c.expected);
        EXPECT_EQ(form.comparison->label3,
                  c.expected.empty() ? std::string("2つの音色は同じです（違うパラメータはありません）。")
                                     : "違うパラメータは " + std::to_string(c.expected.size()) + " 個です。");
    }
    // AND the voices are named by name, file (with its folder) and place
    EXPECT_EQ(form.comparison->label1, "A: E.PIANO 1 （bank-a.syx　バンク 1　音色 1）");
    EXPECT_EQ(form.comparison->label2, "B: E.PIANO 1 （" +
                                           (std::filesystem::path("copy") / "bank-a.syx").string() +
                                           "　バンク 1　音色 1）");
    EXPECT_TRUE(f.host.boxes.empty());
}

TEST_F(LibraryWindow, CompareWaitsForExactlyTwoChosenResults) {
    openIndexed();
    for (const std::vector<int> &chosen : {std::vector<int>{}, {3}, {1, 2, 3}}) {
        form.resultsChoose(chosen);
        EXPECT_FALSE(form.command9Enabled()) << chosen.size();
        form.command9Click();
        EXPECT_FALSE(form.comparison);
    }
    // AND a new search drops the choice
    form.resultsChoose({1, 2});
    EXPECT_TRUE(form.command9Enabled());
    form.text1Change("voice");
    EXPECT_FALSE(form.command9Enabled());
}

// --- Where a voice has been --------------------------------------------------------

TEST_F(LibraryWindow, WhereaboutsListEveryPlaceOfTheSoundAndTheVoicesNearIt) {
    openIndexedWithCopy();
    const auto place = [this](const CatalogVoice &v) {
        return form.fileText(v) + " " + std::to_string(v.bank) + "/" + std::to_string(v.voice) + " " + v.name;
    };
    // GIVEN "BRASS 1" in bank A and in its copy, and "HORNS" of bank B,
    // which sounds as it does
    // WHEN 所在を表示 is pressed on it
    form.resultClick(row("BRASS 1"));
    ASSERT_TRUE(form.command10Enabled());
    form.command10Click();
    // THEN every place of its sound is listed in file order, itself included
    ASSERT_TRUE(form.whereabouts);
    std::vector<std::string> same;
    for (const CatalogVoice &v : form.whereabouts->same)
        same.push_back(place(v));
    const std::string copy = (std::filesystem::path("copy") / "bank-a.syx").string();
    EXPECT_EQ(same, (std::vector<std::string>{"bank-a.syx 1/2 BRASS 1   ", "bank-b.syx 1/1 HORNS     ",
                                              copy + " 1/2 BRASS 1   "}));
    EXPECT_EQ(form.whereabouts->label1, "BRASS 1   （bank-a.syx　バンク 1　音色 2）");
    EXPECT_EQ(form.whereabouts->label2, "同じ音のある場所（3 か所）");
    // AND no other voice is on its algorithm (2), so none is near
    EXPECT_TRUE(form.whereabouts->near.empty());

    // WHEN it is asked for B's voice 5 with the threshold at 16
    form.text2Change("16");
    form.resultClick(row("VOICE B05"));
    form.command10Click();
    // THEN the voices near it, closest first: B13 differs by 8 level steps
    // (weight 1), B04 and B06 by a step of feedback (14) and one of level,
    // B21 by 16 level steps; the others lie further
    std::vector<std::string> near;
    for (const NearDuplicate &n : form.whereabouts->near)
        near.push_back(place(n.b) + " " + std::to_string(n.distance));
    EXPECT_EQ(near,
              (std::vector<std::string>{"bank-b.syx 1/13 VOICE B13  8", "bank-b.syx 1/4 VOICE B04  15",
                                        "bank-b.syx 1/6 VOICE B06  15", "bank-b.syx 1/21 VOICE B21  16"}));
    EXPECT_EQ(form.whereabouts->label2, "同じ音のある場所（1 か所）");
    EXPECT_EQ(form.whereabouts->label3, "近い音（しきい値 16 以内）: 4 音色");
    EXPECT_TRUE(f.host.boxes.empty());
}

// --- The filters and the status line -------------------------------------------

struct FilteredCase {
    const char *what;
    int option; // 2 同じ音, 3 近い音 (threshold 8)
    std::string name;
    int algorithm, feedback; // as the combos number them: 0 any
    std::size_t groups;
};

// B's voices n and n + 8 are near (8 level steps, the same feedback n % 8);
// A's "BRASS 1" (algorithm 2, feedback 2) sounds as B's "HORNS".
const FilteredCase kFilteredCases[] = {
    {"same sound on algorithm 2", 2, "", 2, 0, 1},
    {"same sound of names with 'horns': HORNS alone", 2, "horns", 0, 0, 0},
    {"near with feedback 5: B05-B13, B13-B21, B21-B29", 3, "", 0, 6, 3},
    {"near of names with 'b1': B10-B18, B11-B19", 3, "b1", 0, 0, 2},
};

TEST_F(LibraryWindow, SameAndNearSoundsAreSearchedAmongTheVoicesTheFiltersShow) {
    openIndexed();
    form.text2Change("8");
    for (const FilteredCase &c : kFilteredCases) {
        SCOPED_TRACE(c.what);
        // GIVEN the filters set, WHEN the duplicates are searched
        form.option1Click();
        form.text1Change(c.name);
        form.combo1Click(c.algorithm);
        form.combo2Click(c.feedback);
        c.option == 2 ? form.option2Click() : form.option3Click();
        form.command5Click();
        form.waitForRun();
        // THEN only voices that pass them are grouped, and the line says so
        ASSERT_EQ(form.groups.size(), c.groups);
        for (const VoiceGroup &g : form.groups)
            for (const CatalogVoice &v : g.voices) {
                EXPECT_NE(AsciiLower(v.name).find(c.name), std::string::npos) << v.name;
                EXPECT_TRUE(c.algorithm == 0 || v.algorithm == c.algorithm) << v.name;
                EXPECT_TRUE(c.feedback == 0 || v.feedback == c.feedback - 1) << v.name;
            }
        EXPECT_EQ(form.label6, (c.option == 2 ? "同じ音の組 " : "近い音の組 ") + std::to_string(c.groups) +
                                   " 組（検索条件に合う音色のうち）");
    }
    // WHEN a filter changes under the groups found: they go, and the line
    // says to search again
    form.combo2Click(0);
    EXPECT_TRUE(form.groups.empty());
    EXPECT_EQ(form.label6, library_text::kFiltersChanged);
}

TEST_F(LibraryWindow, EachViewShowsTheCountOfItsOwnSearch) {
    openIndexed();
    const std::string indexed = form.label6;
    ASSERT_NE(indexed.find("索引完了"), std::string::npos);
    // WHEN the same sounds are searched, then the results shown again
    form.option2Click();
    form.command5Click();
    form.waitForRun();
    EXPECT_EQ(form.label6, "同じ音の組 1 組");
    form.option1Click();
    form.text1Change("voice");
    // THEN the results' line has its own count and not the groups'
    EXPECT_EQ(form.label6, indexed);
    EXPECT_EQ(form.label7, "登録 64 音色　該当 60 件");
    // AND the near sounds, not yet searched, have no count
    form.option3Click();
    EXPECT_EQ(form.label6, "");
    form.text2Change("7");
    form.command5Click();
    form.waitForRun();
    EXPECT_EQ(form.label6, "近い音の組 0 組（検索条件に合う音色のうち）");
}

TEST_F(LibraryWindow, FilesOfOneNameInDifferentFoldersReadApart) {
    // GIVEN bank A under its own name in a folder of the collection
    openIndexedWithCopy();
    std::vector<std::string> files;
    for (int r : rows("E.PIANO 1"))
        files.push_back(form.fileText(form.results[static_cast<std::size_t>(r)]));
    // THEN the file column names the folder under the indexed one
    EXPECT_EQ(files, (std::vector<std::string>{"bank-a.syx",
                                               (std::filesystem::path("copy") / "bank-a.syx").string()}));
    // WHEN a second folder with a bank-a.syx is indexed beside it
    ScratchFolder other{"libwin-other"};
    WriteBank(other / "bank-a.syx", collection.a);
    form.chooseFolder = [&other] { return std::optional<std::string>(other.path().string()); };
    form.command1Click();
    form.waitForRun();
    // THEN each file is named from the folder both lie in
    files.clear();
    for (int r : rows("E.PIANO 1"))
        files.push_back(form.fileText(form.results[static_cast<std::size_t>(r)]));
    const auto under = [](const std::filesystem::path &folder, const std::filesystem::path &file) {
        return (folder.filename() / file).string();
    };
    std::vector<std::string> expected{
        under(collection.folder.path(), "bank-a.syx"),
        under(collection.folder.path(), std::filesystem::path("copy") / "bank-a.syx"),
        under(other.path(), "bank-a.syx")};
    std::sort(files.begin(), files.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(files, expected);
}

// --- Index runs -----------------------------------------------------------------

TEST_F(LibraryWindow, CancelledIndexLeavesTheLibraryAsItWas) {
    form1.mnuLibraryClick();
    // GIVEN a run held in its first progress step
    std::atomic<bool> entered{false}, release{false};
    form.workerProgress = [&](const IndexProgress &) {
        entered = true;
        for (int i = 0; i < 2000 && !release; ++i)
            std::this_thread::sleep_for(1ms);
    };
    form.command1Click();
    ASSERT_TRUE(form.indexing());
    for (int i = 0; i < 2000 && !entered; ++i)
        std::this_thread::sleep_for(1ms);
    ASSERT_TRUE(entered);
    // WHEN 中止 is pressed
    form.command4Click();
    release = true;
    form.waitForRun();
    // THEN the run says so and the library holds no voice
    EXPECT_EQ(form.label6, library_text::kIndexCancelled);
    EXPECT_TRUE(form.results.empty());
    EXPECT_EQ(form.label7, "登録 0 音色　該当 0 件");
    // AND a new run reads everything
    form.workerProgress = {};
    form.command3Click();
    form.waitForRun();
    EXPECT_EQ(form.results.size(), 64u);
}

TEST_F(LibraryWindow, ClosingDuringAnIndexCancelsItCleanly) {
    form1.mnuLibraryClick();
    std::atomic<bool> entered{false}, closing{false};
    form.workerProgress = [&](const IndexProgress &) {
        entered = true;
        for (int i = 0; i < 2000 && !closing; ++i)
            std::this_thread::sleep_for(1ms);
    };
    form.command1Click();
    for (int i = 0; i < 2000 && !entered; ++i)
        std::this_thread::sleep_for(1ms);
    ASSERT_TRUE(entered);
    // WHEN the window is closed while the worker is inside the run
    closing = true;
    form.queryUnload();
    // THEN the run is over, the window closed, and the library unchanged
    EXPECT_FALSE(form.busy());
    EXPECT_FALSE(form.isOpen());
    EXPECT_EQ(f.host.closed, std::vector<WindowId>{WindowId::Library});
    form.workerProgress = {};
    form.open();
    EXPECT_TRUE(form.results.empty());
}

TEST_F(LibraryWindow, ProgressIsTakenFromTheRunWhilePolled) {
    form1.mnuLibraryClick();
    std::atomic<bool> entered{false}, release{false};
    form.workerProgress = [&](const IndexProgress &) {
        entered = true;
        for (int i = 0; i < 2000 && !release; ++i)
            std::this_thread::sleep_for(1ms);
    };
    form.command1Click();
    for (int i = 0; i < 2000 && !entered; ++i)
        std::this_thread::sleep_for(1ms);
    // WHEN the view polls while the worker is held
    form.pollRun();
    // THEN the bar and the line show files done of the total
    EXPECT_TRUE(form.progressBar1.visible);
    EXPECT_EQ(form.progressBar1.max, 2);
    EXPECT_NE(form.label6.find(" / 2 ファイル"), std::string::npos) << form.label6;
    release = true;
    form.workerProgress = {};
    for (int i = 0; i < 5000 && form.busy(); ++i) {
        form.pollRun();
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_FALSE(form.busy());
    EXPECT_FALSE(form.progressBar1.visible);
    EXPECT_EQ(form.results.size(), 64u);
}

TEST_F(LibraryWindow, RemovingAFolderAsksAndDropsItsVoices) {
    openIndexed();
    form.list1Click(0);
    f.host.answers = {MsgResult::No};
    form.command2Click();
    EXPECT_EQ(form.results.size(), 64u);
    f.host.answers = {MsgResult::Yes};
    form.command2Click();
    ASSERT_EQ(f.host.boxes.size(), 2u);
    EXPECT_NE(f.host.boxes[1].text.find(collection.folder.path().string()), std::string::npos);
    EXPECT_TRUE(form.list1.items.empty());
    EXPECT_TRUE(form.results.empty());
}

// --- Categories --------------------------------------------------------------

TEST_F(LibraryWindow, EachResultShowsItsCategoryAndTheRuleThatPlacedIt) {
    // GIVEN the collection indexed with the program folder's rules
    openIndexed();
    EXPECT_TRUE(f.host.boxes.empty());
    // THEN each voice shows the category its name earns, and why
    const struct {
        const char *name;
        const char *category;
        const char *why;
    } rows[] = {
        {"BRASS 1", "ブラス", "名前が「BRASS」で始まる（categories.txt の 2 行目）"},
        {"brass 2", "ブラス", "名前が「BRASS」で始まる（categories.txt の 2 行目）"},
        {"HORNS", "ブラス", "名前に単語「HORNS」がある（categories.txt の 3 行目）"},
        {"E.PIANO 1", "エレクトリックピアノ", "名前に「E.PIANO」を含む（categories.txt の 4 行目）"},
        {"VOICE B07", "その他", "名前に合う規則がない"},
    };
    for (const auto &r : rows) {
        const CatalogVoice &v = form.results[static_cast<std::size_t>(row(r.name))];
        EXPECT_EQ(LibraryWindowForm::categoryText(v), r.category) << r.name;
        EXPECT_EQ(form.categoryWhyText(v), r.why) << r.name;
    }
}

TEST_F(LibraryWindow, BrokenOrMissingRulesAreNamedWithTheirLineAndEveryVoiceIsOther) {
    const std::filesystem::path rules = collection.programFolder / "categories.txt";
    const struct {
        const char *text; // nullptr: no rules file
        const char *named;
    } cases[] = {
        {"brass: starts BRASS\nbrass: sometimes HORN\n", " line 2"},
        {nullptr, "cannot be read"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.named);
        ProgramFixture fresh;
        ScratchFolder home{"libwin-rules"};
        if (c.text)
            WriteText(rules, c.text);
        else
            std::filesystem::remove(rules);
        fresh.state.programFolder = collection.programFolder.path();
        fresh.program.library.setCatalogFile(home / "library.sqlite");
        fresh.program.library.chooseFolder = [this] {
            return std::optional<std::string>(collection.folder.path().string());
        };
        // WHEN the window opens and indexes
        fresh.program.form1.mnuLibraryClick();
        fresh.program.library.command1Click();
        fresh.program.library.waitForRun();
        // THEN one box names the file and the fault, and BRASS 1 is other
        ASSERT_EQ(fresh.host.boxes.size(), 1u);
        EXPECT_NE(fresh.host.boxes[0].text.find(rules.string()), std::string::npos)
            << fresh.host.boxes[0].text;
        EXPECT_NE(fresh.host.boxes[0].text.find(c.named), std::string::npos) << fresh.host.boxes[0].text;
        for (const CatalogVoice &v : fresh.program.library.results)
            if (v.name == Padded("BRASS 1")) {
                EXPECT_EQ(LibraryWindowForm::categoryText(v), "その他");
            }
    }
}

TEST_F(LibraryWindow, MarksOnTheChosenResultsHoldForTheirSoundsAndTheResultsFollow) {
    // GIVEN the collection indexed, BRASS 1 and VOICE B07 chosen together
    openIndexed();
    form.resultsChoose({row("BRASS 1"), row("VOICE B07")});
    const auto marked = [&](const char *name) { return form.results[static_cast<std::size_t>(row(name))]; };
    // WHEN they are made favourites, rated 3, tagged " Warm " and put in pad
    form.markFavourite(true);
    form.markRating(3);
    form.markTagAdd(" Warm ");
    form.markCategory(9); // the ninth category, pad
    // THEN both carry the marks, and so does HORNS, which sounds as BRASS 1
    for (const char *name : {"BRASS 1", "VOICE B07", "HORNS"}) {
        const CatalogVoice v = marked(name);
        EXPECT_TRUE(v.favourite) << name;
        EXPECT_EQ(v.rating, 3) << name;
        EXPECT_EQ(v.tags, std::vector<std::string>{"Warm"}) << name;
        EXPECT_EQ(LibraryWindowForm::categoryText(v), "パッド") << name;
        EXPECT_EQ(form.categoryWhyText(v), "手で選んだ分類") << name;
    }
    EXPECT_EQ(form.chosenTags(), std::vector<std::string>{"Warm"});
    EXPECT_EQ(form.chosenRows, (std::vector<int>{row("BRASS 1"), row("VOICE B07")}));
    EXPECT_TRUE(f.host.boxes.empty());
    // WHEN favourites only are shown, then the marks are taken back
    form.check1Click(true);
    EXPECT_EQ(names(), (std::vector<std::string>{Padded("BRASS 1"), Padded("HORNS"), Padded("VOICE B07")}));
    form.resultsChoose({row("BRASS 1")});
    form.markFavourite(false);
    EXPECT_EQ(names(), (std::vector<std::string>{Padded("VOICE B07")}));
    form.check1Click(false);
    form.resultsChoose({row("BRASS 1")});
    form.markRating(0);
    form.markTagRemove("warm");
    form.markCategory(0);
    // THEN BRASS 1 is as the rules and the collection made it
    const CatalogVoice v = marked("BRASS 1");
    EXPECT_FALSE(v.favourite);
    EXPECT_EQ(v.rating, 0);
    EXPECT_TRUE(v.tags.empty());
    EXPECT_EQ(form.categoryWhyText(v), "名前が「BRASS」で始まる（categories.txt の 2 行目）");
}

TEST_F(LibraryWindow, AMarkWithNothingChosenOrABadTagIsRefusedWithABox) {
    openIndexed();
    const struct {
        const char *what;
        std::function<void()> act;
        const char *said;
    } cases[] = {
        {"nothing chosen", [&] { form.markFavourite(true); }, "ライブラリの音色を選んでください。"},
        {"a blank tag",
         [&] {
             form.resultsChoose({row("BRASS 1")});
             form.markTagAdd("   ");
         },
         "タグ「   」は使えません（"},
    };
    for (const auto &c : cases) {
        f.host.boxes.clear();
        c.act();
        ASSERT_EQ(f.host.boxes.size(), 1u) << c.what;
        EXPECT_NE(f.host.boxes[0].text.find(c.said), std::string::npos) << f.host.boxes[0].text;
    }
    EXPECT_FALSE(form.results[static_cast<std::size_t>(row("BRASS 1"))].favourite);
}

TEST_F(LibraryWindow, ADatabaseThatCannotBeOpenedIsNamedInTheBox) {
    // GIVEN a database path under a file, so its folder cannot be made
    std::ofstream(dataHome / "file") << "x";
    form.setCatalogFile(dataHome / "file" / "library.sqlite");
    form1.mnuLibraryClick();
    ASSERT_EQ(f.host.boxes.size(), 1u);
    EXPECT_NE(f.host.boxes[0].text.find((dataHome / "file" / "library.sqlite").string()), std::string::npos);
    EXPECT_TRUE(form.isOpen());
}

// --- The bank under construction ---------------------------------------------

// A position as the builder's list shows it: name, then where it came from.
std::string Position(const LibraryWindowForm &form, std::size_t p) {
    return form.builderCell(p, 1) + "|" + form.builderCell(p, 2);
}

TEST_F(LibraryWindow, TheBankUnderConstructionTakesResultsInOrderAndIsThereAfterARestart) {
    openIndexed();
    // WHEN two results are chosen and 追加 pressed, and HORNS dropped on 5
    form.resultsChoose({row("E.PIANO 1"), row("BRASS 1")});
    form.command11Click();
    form.builderDropResults({row("HORNS")}, 5);
    // THEN they stand in the table's order in the first free positions
    EXPECT_EQ(Position(form, 1), Padded("BRASS 1") + "|bank-a.syx 1-2");
    EXPECT_EQ(Position(form, 2), Padded("E.PIANO 1") + "|bank-a.syx 1-1");
    EXPECT_EQ(Position(form, 3), "（空き）|");
    EXPECT_EQ(Position(form, 5), Padded("HORNS") + "|bank-b.syx 1-1");
    EXPECT_EQ(form.label11, "使用 3 / 32");
    // WHEN 5 is dragged to 1 (the rest close up), 1 and 3 swapped, 2 cleared
    form.builderMove(5, 1);
    form.builderChoose({3, 1});
    form.command13Click();
    form.builderChoose({2});
    form.command14Click();
    const std::vector<std::string> expected{Padded("E.PIANO 1") + "|bank-a.syx 1-1", "（空き）|",
                                            Padded("HORNS") + "|bank-b.syx 1-1"};
    for (std::size_t p = 1; p <= 3; ++p)
        EXPECT_EQ(Position(form, p), expected[p - 1]) << p;
    // WHEN the program starts again on the same catalogue: the same bank
    ProgramFixture again;
    again.state.programFolder = collection.programFolder.path();
    LibraryWindowForm &reopened = again.program.library;
    reopened.setCatalogFile(dataHome / "voxmere" / "library.sqlite");
    again.program.form1.mnuLibraryClick();
    for (std::size_t p = 1; p <= 3; ++p)
        EXPECT_EQ(Position(reopened, p), expected[p - 1]) << p;
    EXPECT_EQ(reopened.label11, "使用 2 / 32");
}

TEST_F(LibraryWindow, FillingFromTheSearchTakesItsOrderAndPassesOverSoundsTheBankHoldsWhenAsked) {
    openIndexed();
    // GIVEN the brass: BRASS 1, brass 2 and HORNS, which sounds as BRASS 1 does
    form.combo4Click(2);
    ASSERT_EQ(form.results.size(), 3u);
    const struct {
        bool skip;
        std::size_t used;
        const char *said;
    } cases[] = {
        {true, 2, "検索結果から 2 音色を入れました（同じ音の 1 音色は入れていません）。"},
        {false, 3, "検索結果から 3 音色を入れました。"},
    };
    for (const auto &c : cases) {
        form.builderChoose({});
        form.check2Click(c.skip);
        form.command12Click();
        EXPECT_EQ(form.builder().used(), c.used) << c.skip;
        EXPECT_EQ(form.label6, c.said);
        // In the results' order; skipping, HORNS goes (BRASS 1 sorts before it).
        std::vector<std::string> expected;
        for (const CatalogVoice &v : form.results)
            if (!c.skip || v.name != Padded("HORNS")) expected.push_back(v.name);
        for (std::size_t p = 1; p <= c.used; ++p)
            EXPECT_EQ(form.builderCell(p, 1), expected[p - 1]) << p;
        // A second fill while skipping finds every sound in the bank already.
        if (c.skip) {
            form.command12Click();
            EXPECT_EQ(form.label6, "検索結果から 0 音色を入れました（同じ音の 3 音色は入れていません）。");
        }
        f.host.answers = {MsgResult::Yes};
        form.command15Click();
        ASSERT_EQ(form.builder().used(), 0u);
    }
}

TEST_F(LibraryWindow, TheBankGoesIntoTheSoundListOnlyAfterTheQuestionsAreAnsweredYes) {
    openIndexed();
    form.resultsChoose({row("BRASS 1")});
    form.command11Click();
    const struct {
        const char *what;
        std::function<void()> given;
        std::deque<MsgResult> answers;
        bool replaced;
    } cases[] = {
        {"initial voices refused", [] {}, {MsgResult::No}, false},
        {"an unsaved SOUND LIST kept",
         [&] {
             loadListWithBankB();
             f.ws.writeEditArea(3);
         },
         {MsgResult::Yes, MsgResult::No},
         false},
        {"both answered yes", [] {}, {MsgResult::Yes, MsgResult::Yes}, true},
    };
    for (const auto &c : cases) {
        c.given();
        const std::vector<std::string> before = form1.list3().items;
        f.host.boxes.clear();
        f.host.answers = c.answers;
        form.command16Click();
        EXPECT_EQ(f.host.boxes.size(), c.answers.size()) << c.what;
        EXPECT_NE(f.host.boxes[0].text.find("空きが 31 か所"), std::string::npos) << c.what;
        if (!c.replaced) {
            EXPECT_EQ(form1.list3().items, before) << c.what;
            continue;
        }
        ASSERT_EQ(form1.list3().items.size(), kBankSlots);
        EXPECT_TRUE(SameParams(f.ws.slot(1), collection.a[2]));
        EXPECT_TRUE(SameParams(f.ws.slot(2), InitialVoice()));
        EXPECT_FALSE(form1.bankChanged());
    }
    EXPECT_NE(f.host.boxes[1].text.find("SOUND LIST に読込みますか"), std::string::npos);
}

TEST_F(LibraryWindow, TheFinishedBankIsSavedAsSyxOrV32AndSentAsTheSoundListIs) {
    openIndexed();
    loadListWithBankB();
    // GIVEN SOUND LIST entry 3 dragged in, then E.PIANO 1
    form.builderDropSoundList({3}, 0);
    form.resultsChoose({row("E.PIANO 1")});
    form.command11Click();
    EXPECT_EQ(Position(form, 1), Padded("VOICE B03") + "|SOUND LIST 03");
    for (const char *name : {"out.syx", "out.v32"}) {
        const std::filesystem::path file = dataHome / name;
        form.chooseBankFile = [&] { return std::optional<std::string>(file.string()); };
        f.host.answers = {MsgResult::Yes}; // 30 free positions hold the initial voice
        form.command17Click();
        const ReadResult<BankRecords> read =
            ReadBankFile(file, std::string_view(name).ends_with("v32") ? BankKind::V32 : BankKind::Syx);
        ASSERT_TRUE(read.ok()) << name;
        const auto slotOf = [](const VoiceRecord &r) {
            Slot s{};
            std::copy(r.begin(), r.end(), s.begin());
            return s;
        };
        EXPECT_TRUE(SameParams(slotOf(read.value[0]), collection.b[3])) << name;
        EXPECT_TRUE(SameParams(slotOf(read.value[1]), collection.a[1])) << name;
        EXPECT_TRUE(SameParams(slotOf(read.value[31]), InitialVoice())) << name;
        EXPECT_EQ(form.label6, "作成中のバンクを「" + file.string() + "」に保存しました。");
    }
    // A name of another kind is refused before anything is asked or written.
    form.chooseBankFile = [&] { return std::optional<std::string>((dataHome / "out.txt").string()); };
    f.host.boxes.clear();
    form.command17Click();
    ASSERT_EQ(f.host.boxes.size(), 1u);
    EXPECT_NE(f.host.boxes[0].text.find(".syx か .v32"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dataHome / "out.txt"));
    // WHEN DX7へ送信: free positions, the SOUND LIST's question, the transmit's
    f.out.sent.clear();
    f.host.answers = {MsgResult::Yes, MsgResult::Yes, MsgResult::Ok};
    form.command18Click();
    // THEN the bulk dump (4104 bytes) holds the bank, which the SOUND LIST shows
    ASSERT_FALSE(f.out.sent.empty());
    ASSERT_EQ(f.out.sent[0].size(), 4104u);
    const ReadResult<BankRecords> sent = DecodeBank(f.out.sent[0], BankKind::Syx, "sent");
    ASSERT_TRUE(sent.ok());
    for (std::size_t p : {0u, 1u, 31u})
        EXPECT_TRUE(std::equal(sent.value[p].begin() + kParamBase, sent.value[p].end(),
                               f.ws.slot(static_cast<int>(p) + 1).begin() + kParamBase))
            << p;
    EXPECT_TRUE(SameParams(f.ws.slot(2), collection.a[1]));
    EXPECT_FALSE(form1.bankChanged());
}

// --- The later models' data ---------------------------------------------------

// Copies of bank A with additional data beside them: records of seeds 1 and
// 2, and seed 1 again (the same records as the first), as DX7 II files.
struct WithAdditionalData {
    std::vector<Byte> amem1 = AmemMessage(1), amem2 = AmemMessage(2);
    explicit WithAdditionalData(const Collection &c) {
        WriteBankWithAmem(c.folder / "ii" / "ii-1.syx", c.a, amem1, true);
        WriteBankWithAmem(c.folder / "ii" / "ii-2.syx", c.a, amem2, false);
        WriteBankWithAmem(c.folder / "ii" / "ii-3.syx", c.a, amem1, true);
    }
};

TEST_F(LibraryWindow, VoicesWithAdditionalDataAreMarkedAndTheirCopiesTellWhichDataTheyCarry) {
    const WithAdditionalData ii(collection);
    openIndexed(160);
    const std::filesystem::path folder = collection.folder / "ii";
    // THEN in the result table every voice of the DX7 II files carries the
    // record at its place and is marked II; bank A's own voice is not
    const struct {
        std::filesystem::path file;
        const std::vector<Byte> *amem;
        const char *mark;
    } files[] = {{collection.folder / "bank-a.syx", nullptr, ""},
                 {folder / "ii-1.syx", &ii.amem1, "II"},
                 {folder / "ii-2.syx", &ii.amem2, "II"},
                 {folder / "ii-3.syx", &ii.amem1, "II"}};
    for (const auto &f : files)
        for (const int r : rows("E.PIANO 1"))
            if (form.results[static_cast<std::size_t>(r)].file == f.file) {
                const CatalogVoice &v = form.results[static_cast<std::size_t>(r)];
                EXPECT_EQ(v.supplement, f.amem ? std::optional(RecordIn(*f.amem, 0)) : std::nullopt)
                    << f.file;
                EXPECT_EQ(SupplementMark(v), f.mark) << f.file;
            }
    // WHEN the same sounds are searched
    form.option2Click();
    form.command5Click();
    form.waitForRun();
    // THEN E.PIANO 1 is one sound in four files, its copies numbered by the
    // records they carry: the same record, the same number
    const auto group = std::find_if(form.groups.begin(), form.groups.end(), [](const VoiceGroup &g) {
        return g.voices[0].name == Padded("E.PIANO 1");
    });
    ASSERT_NE(group, form.groups.end());
    ASSERT_EQ(group->voices.size(), 4u);
    const std::vector<std::string> marks{"", "II-1", "II-2", "II-1"};
    for (std::size_t i = 0; i < marks.size(); ++i) {
        EXPECT_EQ(group->voices[i].file, files[i].file) << i;
        EXPECT_EQ(VariantMark(group->voices, i), marks[i]) << i;
    }
    // AND the voice placed from there, and its bank loaded, take its records
    form.groupVoiceActivate(static_cast<int>(group - form.groups.begin()), 2);
    EXPECT_EQ(f.ws.editSupplement(), RecordIn(ii.amem2, 0));
    form.command7Click();
    for (int n = 1; n <= 32; ++n)
        EXPECT_EQ(f.ws.supplement(n), RecordIn(ii.amem2, static_cast<std::size_t>(n - 1))) << n;
}

TEST_F(LibraryWindow, ABankBuiltOfDx7iiVoicesKeepsTheirRecordsIntoTheStoreTheSoundListAndTheFile) {
    const WithAdditionalData ii(collection);
    openIndexed(160);
    // GIVEN the 32 voices of ii-2.syx dropped on positions 1..32 in their order
    std::vector<int> bank(kBankSlots);
    for (std::size_t r = 0; r < form.results.size(); ++r)
        if (form.results[r].file == collection.folder / "ii" / "ii-2.syx")
            bank[static_cast<std::size_t>(form.results[r].voice - 1)] = static_cast<int>(r);
    form.builderDropResults(bank, 1);
    const auto expected = [&](std::size_t p) { return RecordIn(ii.amem2, p - 1); };
    // WHEN the program starts again THEN every position has its record
    {
        ProgramFixture again;
        again.state.programFolder = collection.programFolder.path();
        again.program.library.setCatalogFile(dataHome / "voxmere" / "library.sqlite");
        again.program.form1.mnuLibraryClick();
        for (std::size_t p = 1; p <= kBankSlots; ++p)
            EXPECT_EQ(again.program.library.builder().at(p)->supplement, expected(p)) << p;
    }
    // AND a position placed into the edit area takes its record
    form.builderActivate(5);
    EXPECT_EQ(f.ws.editSupplement(), expected(5));
    // WHEN SOUND LIST へ THEN every entry carries its record
    f.host.answers = {MsgResult::Yes};
    form.command16Click();
    for (std::size_t p = 1; p <= kBankSlots; ++p)
        EXPECT_EQ(f.ws.supplement(static_cast<int>(p)), expected(p)) << p;
    // WHEN saved as .syx and .v32 THEN the records go with the bank: the
    // AMEM before the bulk dump, or beside the .v32
    std::vector<Byte> records;
    for (std::size_t p = 1; p <= kBankSlots; ++p) {
        const Supplement record = expected(p);
        records.insert(records.end(), record.begin(), record.end());
    }
    const struct {
        const char *name;
        const char *amemFile; // where the AMEM stands, at the start
    } saves[] = {{"dx7ii.syx", "dx7ii.syx"}, {"dx7ii.v32", "dx7ii.amem.syx"}};
    for (const auto &save : saves) {
        const std::filesystem::path file = dataHome / save.name;
        form.chooseBankFile = [&] { return std::optional<std::string>(file.string()); };
        form.command17Click();
        EXPECT_EQ(form.label6, "作成中のバンクを「" + file.string() + "」に保存しました。");
        const std::vector<Byte> bytes = ReadFileContents(dataHome / save.amemFile);
        ASSERT_GE(bytes.size(), 1128u) << save.name;
        const std::vector<Byte> head{0xF0, 0x43, 0x00, 0x06, 0x08, 0x60};
        EXPECT_TRUE(std::equal(head.begin(), head.end(), bytes.begin())) << save.name;
        EXPECT_TRUE(std::equal(records.begin(), records.end(), bytes.begin() + 6)) << save.name;
        if (std::string_view(save.name).ends_with(".syx")) {
            ASSERT_EQ(bytes.size(), 1128u + 4104u);
            EXPECT_EQ(bytes[1128 + 3], 0x09); // the bulk dump after it
        }
    }
    // WHEN one position is cleared THEN the bank is saved as the Mk I's and
    // the status line says the records of 31 voices were not kept
    form.builderChoose({32});
    form.command14Click();
    const std::filesystem::path file = dataHome / "partial.syx";
    form.chooseBankFile = [&] { return std::optional<std::string>(file.string()); };
    f.host.answers = {MsgResult::Yes}; // the free position holds the initial voice
    form.command17Click();
    EXPECT_EQ(ReadFileContents(file).size(), 4104u);
    EXPECT_EQ(form.label6, "作成中のバンクを「" + file.string() +
                               "」に保存しました。　追加データは 32 音色そろっていないため、31 "
                               "音色分は保存していません。");
}

TEST_F(LibraryWindow, APerformanceFileIsListedWithItsKindAndModel) {
    // GIVEN a file of 32 performances: F0 43 00 7E 0C 6A "LM  8973PM",
    // 1632 payload bytes, the checksum of the 1642 counted bytes, F7
    const Byte head[16] = {0xF0, 0x43, 0x00, 0x7E, 0x0C, 0x6A, 'L', 'M',
                           ' ',  ' ',  '8',  '9',  '7',  '3',  'P', 'M'};
    std::vector<Byte> pmem(16 + 1632 + 2);
    std::copy(std::begin(head), std::end(head), pmem.begin());
    for (std::size_t i = 0; i < 1632; ++i)
        pmem[16 + i] = static_cast<Byte>((i * 5 + 3) & 0x7F);
    unsigned sum = 0;
    for (std::size_t i = 6; i < 16 + 1632; ++i)
        sum += pmem[i];
    pmem[16 + 1632] = static_cast<Byte>((0u - sum) & 0x7F);
    pmem.back() = 0xF7;
    WriteFileBytes(collection.folder / "perf.syx", pmem);
    // WHEN indexed THEN the status line counts it apart from the refused files
    openIndexed();
    EXPECT_NE(form.label6.find("、後継機のデータのファイル 1）"), std::string::npos) << form.label6;
    EXPECT_EQ(form.label6.find("音色のないファイル"), std::string::npos) << form.label6;
    // AND 後継機のデータ… lists it with its kind, model, count and size
    form.command19Click();
    EXPECT_EQ(form.familyFiles,
              (std::vector<FamilyFile>{{collection.folder / "perf.syx", "PMEM", "DX7 II", 1, 1650}}));
    EXPECT_EQ(form.familyLabel, "音色がなく後継機（DX7 II、TX802 など）のデータを持つファイル: 1 個");
    EXPECT_EQ(form.familyVersion, 1);
}

TEST_F(LibraryWindow, AMarkGivenInTheDuplicatesViewShowsOnEveryVoiceOfTheSound) {
    openIndexed();
    form.option2Click();
    form.command5Click();
    form.waitForRun();
    ASSERT_EQ(form.groups.size(), 1u);
    const int version = form.groupMarksVersion;
    form.groupVoiceClick(0, 0);
    form.markCategory(1); // bass, by hand
    form.markFavourite(true);
    for (const CatalogVoice &v : form.groups[0].voices) {
        EXPECT_TRUE(v.favourite) << v.name;
        EXPECT_EQ(v.category, VoiceCategory::Bass) << v.name;
    }
    EXPECT_GT(form.groupMarksVersion, version);
}

} // namespace
} // namespace vox::test
