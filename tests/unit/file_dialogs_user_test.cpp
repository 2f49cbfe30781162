// The file dialogs as the user drives them: saving and loading banks and
// voices, the name rules, the questions, and the real files of other tools.
#include "file_test_support.h"
#include "files/file_dialogs.h"
#include "files/voice_files.h"
#include "midi/midi_output.h"
#include "voice/bank_format.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#if defined(__unix__)
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace vox {
namespace {

namespace fs = std::filesystem;
using test::ProgramFixture;
using Bytes = std::vector<Byte>;

const fs::path kTestData = VOXMERE_TESTDATA;

Bytes ReadBytes(const fs::path &file) { return test::ReadFileContents(file); }

void WriteBytes(const fs::path &file, const Bytes &bytes) {
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> FilesIn(const fs::path &folder) {
    std::vector<std::string> names;
    for (const auto &e : fs::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The list text as the main window shows it: "  5. " or " 17. ", the name.
std::string EntryText(int n, const Slot &slot) {
    char number[8];
    std::snprintf(number, sizeof number, "%3d. ", n);
    return number + VoiceName(slot);
}

using Snapshot = test::MemorySnapshot;

class FileDialogsTest : public ::testing::Test {
protected:
    FileDialogsTest() {
        fs::create_directories(folder / "32voice");
        fs::create_directories(folder / "1voice");
        f.state.programFolder = folder;
        f.out.open(); // as after start-up
        for (FileDialogForm *d : dialogs())
            d->volumeSource = [] { return std::vector<std::string>{"/"}; };
    }

    std::array<FileDialogForm *, 4> dialogs() {
        return {&f.program.form3, &f.program.form4, &f.program.form5, &f.program.form6};
    }
    fs::path bankFolder() const { return folder / "32voice"; }
    fs::path voiceFolder() const { return folder / "1voice"; }

    // Slots 1..32 with a different byte at every position, bytes above
    // 7Fh among them (files keep what the slots hold); each starts with
    // F0h, as every slot the program fills does.
    void fillBank() {
        test::SeedBank(f.ws, [](int n) {
            Slot slot{};
            for (std::size_t pos = 0; pos < kSlotSize; ++pos)
                slot[pos] = static_cast<Byte>(static_cast<std::size_t>(n) * 37 + pos * 11);
            slot[0] = kSysExStart;
            return slot;
        });
    }
    void clearBank() {
        test::SeedBank(f.ws, [](int) { return Slot{}; });
    }
    void fillMonitorLists() {
        f.program.form1.list1.add("F0 43 00 00");
        f.program.form1.list2.add("C0 00");
        f.program.form1.list4.add("ok");
    }
    test::MemorySnapshot snapshot() const { return test::MemorySnapshot(f.program); }
    void copyTestFile(const std::string &name, const fs::path &to) {
        fs::copy_file(kTestData / name, to / name);
    }

    // The dialog's box texts since the last call.
    std::vector<std::string> takeBoxes() {
        auto texts = f.host.boxTexts();
        f.host.boxes.clear();
        return texts;
    }

    // A file refused: one box, naming the file where `named`; nothing
    // changed, nothing sent, the dialog still open.
    void expectRefused(const FileDialogForm &dialog, const std::string &name, const Snapshot &before,
                       bool named = true) {
        SCOPED_TRACE(name);
        const auto boxes = takeBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        if (named) {
            EXPECT_NE(boxes[0].find(name), std::string::npos) << boxes[0];
        }
        EXPECT_TRUE(snapshot() == before) << "a refused file changes nothing";
        EXPECT_TRUE(f.out.sent.empty());
        EXPECT_TRUE(dialog.isOpen);
    }

    test::ScratchFolder scratch{"dialogs"};
    fs::path folder = scratch.path();
    ProgramFixture f;
};

// --- Opening ------------------------------------------------------------------

// A record as the program writes it: its own single-voice header, then the
// data bytes as a cable carries them (bit 7 dropped).
Byte AsWritten(std::span<const Byte> slot, std::size_t pos) {
    return pos < kVoiceHeader.size() ? kVoiceHeader[pos] : static_cast<Byte>(slot[pos] & 0x7F);
}

TEST_F(FileDialogsTest, EachDialogOpensInItsDefaultFolderWithItsCaptionPatternAndButtons) {
    struct Expect {
        FileDialogForm *dialog;
        const char *caption;
        const char *pattern;
        const char *action;
        fs::path folder;
    } expected[] = {
        {&f.program.form3, "32 ＶＯＩＣＥ　ＤＡＴＡ 保存", "*.v32", "保存", bankFolder()},
        {&f.program.form4, "32 ＶＯＩＣＥ ＤＡＴＡ 読込", "*.v32;*.syx;*.dx7;*.32;*.mid", "読込",
         bankFolder()},
        {&f.program.form5, "1 VOICE DATA 保存", "*.v01", "保存", voiceFolder()},
        {&f.program.form6, "1 VOICE DATA 読込", "*.v01;*.mid;*.syx", "読込", voiceFolder()},
    };
    for (auto &e : expected) {
        e.dialog->text2 = "left over";
        e.dialog->open();
        EXPECT_EQ(e.dialog->caption, e.caption);
        EXPECT_EQ(e.dialog->pattern, e.pattern);
        EXPECT_EQ(e.dialog->command1[0], e.action);
        EXPECT_EQ(e.dialog->command1[1], "中止");
        EXPECT_EQ(e.dialog->label1, "FILE NAME");
        EXPECT_EQ(e.dialog->text1, e.folder.string());
        EXPECT_EQ(e.dialog->listFolder(), e.folder);
        EXPECT_EQ(e.dialog->text2, "") << "every opening starts with an empty name box";
        ASSERT_EQ(e.dialog->drive1.items, std::vector<std::string>{"/"});
        EXPECT_EQ(e.dialog->drive1.selected, 0);
    }
}

TEST_F(FileDialogsTest, InstalledEachDialogOpensInTheUsersFolderAndMakesIt) {
    const fs::path user = folder / "user";
    f.state.programFolder = folder / "share";
    f.state.userFolder = user;
    const std::pair<FileDialogForm *, fs::path> expected[] = {{&f.program.form3, user / "32voice"},
                                                              {&f.program.form4, user / "32voice"},
                                                              {&f.program.form5, user / "1voice"},
                                                              {&f.program.form6, user / "1voice"}};
    for (const auto &[dialog, dir] : expected) {
        dialog->open();
        EXPECT_EQ(dialog->text1, dir.string()) << dialog->caption;
        EXPECT_TRUE(fs::is_directory(dir)) << dialog->caption;
    }
}

TEST_F(FileDialogsTest, LoadDialogOpenedFromTheMainWindowDisablesItAndIsShown) {
    f.program.form1.command7Click();
    EXPECT_FALSE(f.program.form1.enabled);
    EXPECT_FALSE(f.host.enabled.at(WindowId::Form1));
    ASSERT_EQ(f.host.shown, std::vector<WindowId>{WindowId::Form4});
    EXPECT_TRUE(f.program.form4.isOpen);
}

TEST_F(FileDialogsTest, FileListShowsOnlyMatchingFilesAndAFolderClickMovesIntoIt) {
    fs::create_directories(bankFolder() / "old");
    for (const char *name : {"a.v32", "B.SYX", "c.dx7", "d.32", "e.txt", "f.v01"})
        WriteBytes(bankFolder() / "old" / name, {1});
    f.program.form4.open();
    const auto &entries = f.program.form4.dir1Paths;
    const auto at = std::find(entries.begin(), entries.end(), (bankFolder() / "old").string());
    ASSERT_NE(at, entries.end());

    f.program.form4.dir1Click(static_cast<int>(at - entries.begin()));

    EXPECT_EQ(f.program.form4.text1, (bankFolder() / "old").string());
    EXPECT_EQ(f.program.form4.file1.items, (std::vector<std::string>{"a.v32", "B.SYX", "c.dx7", "d.32"}));
}

TEST_F(FileDialogsTest, ClickingAFileFillsTheNameBox) {
    WriteBytes(voiceFolder() / "piano.v01", Bytes(161, 0));
    f.program.form6.open();
    ASSERT_EQ(f.program.form6.file1.items, std::vector<std::string>{"piano.v01"});
    f.program.form6.file1Click(0);
    EXPECT_EQ(f.program.form6.text2, "piano.v01");
    EXPECT_TRUE(f.program.form6.isOpen);
}

// --- The main window's buttons ------------------------------------------------

TEST_F(FileDialogsTest, BankSaveButtonWantsAFullSoundList) {
    f.program.form1.command6Click();
    EXPECT_EQ(takeBoxes(), std::vector<std::string>{"No 32voice data"});
    EXPECT_TRUE(f.host.shown.empty());
    EXPECT_TRUE(f.program.form1.enabled);
}

TEST_F(FileDialogsTest, VoiceSaveButtonWantsAVoiceInTheEditArea) {
    f.program.form1.command9Click();
    EXPECT_EQ(takeBoxes(), std::vector<std::string>{"保存デ-タを選択してください"});
    EXPECT_TRUE(f.host.shown.empty());
}

TEST_F(FileDialogsTest, VoiceSaveButtonOffersTheEditAreaTextFromItsFifthCharacter) {
    test::PlaceAs(f.ws, 3, test::Named(test::DistinctVoice(3), "E.PIANO 1 "));
    f.program.form1.command9Click();
    EXPECT_EQ(f.program.form5.text2, "E.PIANO 1") << "the blanks around the name make no part of a file name";
    EXPECT_EQ(f.host.shown, std::vector<WindowId>{WindowId::Form5});
    EXPECT_FALSE(f.program.form1.enabled);

    f.program.form5.command1Click(1);
    test::PlaceAs(f.ws, 12, test::Named(test::DistinctVoice(12), "ORGAN"));
    f.program.form1.command9Click();
    EXPECT_EQ(f.program.form5.text2, "ORGAN") << "a two-digit entry number";
}

TEST_F(FileDialogsTest, EditorOpensTheVoiceSaveWithTheNameAlreadyInTheBox) {
    f.program.form5.openFromEditor("BRASS   1 ");
    EXPECT_EQ(f.program.form5.text2, "BRASS   1");
    EXPECT_TRUE(f.program.form5.isOpen);
    EXPECT_TRUE(f.host.shown.empty()) << "the editor shows it modally itself";
}

// --- Names proposed from voice names ------------------------------------------------

TEST(ProposedFileName, LeavesOutWhatNoFileNameCanHold) {
    EXPECT_EQ(ProposedFileName("BRASS   1 "), "BRASS   1");
    EXPECT_EQ(ProposedFileName(" E.PIANO 1 "), "E.PIANO 1");
    EXPECT_EQ(ProposedFileName(std::string("AB\0\0CD\0\0\0\0", 10)), "ABCD");
    EXPECT_EQ(ProposedFileName("E.P/GTR 1"), "E.P_GTR 1");
    EXPECT_EQ(ProposedFileName("A\\B:C*D?E\"F<G>H|"), "A_B_C_D_E_F_G_H_");
    EXPECT_EQ(ProposedFileName("\x18\x01STR\x7F\x1F"), "STR");
    EXPECT_EQ(ProposedFileName("..HIDDEN"), "HIDDEN") << "a leading dot hides a file from the list";
    EXPECT_EQ(ProposedFileName(std::string(10, '\0')), "");
    EXPECT_EQ(ProposedFileName("  ..  "), "");
    EXPECT_EQ(ProposedFileName("\xC3\x89"
                               "CHO\xC2\x85"),
              "\xC3\x89"
              "CHO")
        << "Latin-1 letters stay, U+0085 goes";
    EXPECT_EQ(ProposedFileName("ＰＩＡＮＯ"), "ＰＩＡＮＯ");
}

struct NastyName {
    const char *label;
    int slot;         // where the edit-area voice came from
    std::string name; // its ten name bytes
    std::string proposed;
};

TEST_F(FileDialogsTest, TheProposedNameOfANastyVoiceNameSavesAFileTheLoadDialogListsAndLoads) {
    const NastyName cases[] = {
        {"a list voice", 3, "E.PIANO 1 ", "E.PIANO 1"},
        {"a leading blank", 4, " LEAD     ", "LEAD"},
        {"NULs (shown blank)", 0, std::string("AB\0\0CD\0\0\0\0", 10), "AB  CD"},
        {"a slash", 0, "E.P/GTR 1", "E.P_GTR 1"},
        {"control characters", 0, "\x18\x01STRINGS\x7F", "STRINGS"},
        {"a leading dot", 0, ".HIDDEN   ", "HIDDEN"},
    };
    for (const NastyName &nasty : cases) {
        SCOPED_TRACE(nasty.label);
        // GIVEN a voice in the edit area whose name no file name can hold as it is
        const Slot voice = test::Named(test::DistinctVoice(12), nasty.name);
        test::PlaceAs(f.ws, nasty.slot, voice);

        // WHEN the user saves it under the name the dialog proposes
        f.program.form1.command9Click();
        ASSERT_EQ(f.program.form5.text2, nasty.proposed);
        f.program.form5.command1Click(0);

        // THEN the file has the name and its ending, in the folder shown,
        // with no question about another file
        ASSERT_TRUE(f.host.boxes.empty()) << f.host.boxes[0].text;
        const std::string written = nasty.proposed + ".v01";
        EXPECT_EQ(FilesIn(voiceFolder()), std::vector<std::string>{written});
        // AND the load dialog lists it and loads it back
        test::PlaceAs(f.ws, 0, Slot{});
        f.program.form1.command10Click();
        const auto &listed = f.program.form6.file1.items;
        const auto at = std::find(listed.begin(), listed.end(), written);
        ASSERT_NE(at, listed.end()) << written << " is not in the file list";
        f.program.form6.file1DoubleClick(static_cast<int>(at - listed.begin()));
        ASSERT_TRUE(f.host.boxes.empty()) << f.host.boxes[0].text;
        for (std::size_t pos = 0; pos <= 160; ++pos)
            ASSERT_EQ(f.ws.editBuffer()[pos], AsWritten(voice, pos)) << pos;
        fs::remove(voiceFolder() / written);
    }
}

TEST_F(FileDialogsTest, AVoiceNamedOnlyByNulsProposesNoNameAndTheSaveAsksForOne) {
    test::PlaceAs(f.ws, 0, test::Named(Slot{}, std::string(10, '\0')));
    f.program.form1.command9Click();
    EXPECT_EQ(f.program.form5.text2, "");
    f.program.form5.command1Click(0);
    EXPECT_EQ(takeBoxes(), std::vector<std::string>{"ファイル名を入力してください"});
    EXPECT_TRUE(FilesIn(voiceFolder()).empty());
    EXPECT_TRUE(f.program.form5.isOpen);
}

TEST_F(FileDialogsTest, TheEditorsSaveProposesACleanNameToo) {
    f.program.form5.openFromEditor(std::string("\0PAD/1\0", 7));
    EXPECT_EQ(f.program.form5.text2, "PAD_1");
}

TEST_F(FileDialogsTest, SaveRefusesANameWithControlCharactersAndWritesNothing) {
    // GIVEN a name box holding a NUL, which the system would cut the name at
    fillBank();
    for (FileDialogForm *dialog :
         {static_cast<FileDialogForm *>(&f.program.form3), static_cast<FileDialogForm *>(&f.program.form5)}) {
        WriteBytes(dialog->defaultFolder() / "AB", Bytes(3, 1)); // what a cut name would hit
        dialog->open();
        dialog->text2 = std::string("AB\0CD", 5);
        // WHEN the user presses save
        dialog->command1Click(0);
        // THEN the box says why, no question is asked, nothing is written
        EXPECT_EQ(takeBoxes(),
                  std::vector<std::string>{"ファイル名に使えない文字（制御文字）が含まれています"});
        EXPECT_EQ(FilesIn(dialog->defaultFolder()), std::vector<std::string>{"AB"}) << dialog->caption;
        EXPECT_EQ(ReadBytes(dialog->defaultFolder() / "AB"), Bytes(3, 1));
        EXPECT_TRUE(dialog->isOpen);
    }
}

// --- Common checks of the actions -----------------------------------------------

TEST_F(FileDialogsTest, EmptyNameBoxStopsEveryActionAndTheDialogStaysOpen) {
    fillBank();
    for (FileDialogForm *d : dialogs()) {
        d->open();
        f.host.closed.clear();
        d->command1Click(0);
        EXPECT_EQ(takeBoxes(), std::vector<std::string>{"ファイル名を入力してください"}) << d->caption;
        EXPECT_TRUE(d->isOpen) << d->caption;
        EXPECT_TRUE(f.host.closed.empty()) << d->caption;
    }
    EXPECT_TRUE(FilesIn(bankFolder()).empty());
    EXPECT_TRUE(FilesIn(voiceFolder()).empty());
}

TEST_F(FileDialogsTest, CancelAndTheCloseBoxEnableTheMainWindowAndChangeNothing) {
    WriteBytes(voiceFolder() / "piano.v01", Bytes(161, 0x11));
    const Snapshot before = snapshot();
    f.program.form1.command10Click();
    f.program.form6.text2 = "piano.v01";
    f.program.form6.queryClose();
    EXPECT_TRUE(f.program.form1.enabled);
    EXPECT_TRUE(f.host.enabled.at(WindowId::Form1));
    EXPECT_EQ(f.host.closed, std::vector<WindowId>{WindowId::Form6});
    EXPECT_FALSE(f.program.form6.isOpen);
    EXPECT_TRUE(snapshot() == before);
    EXPECT_TRUE(f.out.sent.empty());

    f.program.form1.command7Click();
    f.program.form4.command1Click(1);
    EXPECT_TRUE(f.program.form1.enabled);
    EXPECT_TRUE(f.host.boxes.empty());
}

// --- Saving --------------------------------------------------------------------

struct NameCase {
    const char *typed;
    const char *written;
};

void PrintTo(const NameCase &c, std::ostream *os) { *os << '"' << c.typed << "\" -> \"" << c.written << '"'; }

class BankSaveNameTest : public FileDialogsTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(BankSaveNameTest, BankSaveAddsTheEndingUnlessAllLowerOrAllUpper) {
    fillBank();
    f.program.form3.open();
    f.program.form3.text2 = GetParam().typed;
    f.program.form3.command1Click(0);
    EXPECT_EQ(FilesIn(bankFolder()), std::vector<std::string>{GetParam().written});
    EXPECT_FALSE(f.program.form3.isOpen);
}

INSTANTIATE_TEST_SUITE_P(Names, BankSaveNameTest,
                         ::testing::Values(NameCase{"bank", "bank.v32"}, NameCase{"bank.v32", "bank.v32"},
                                           NameCase{"bank.V32", "bank.V32"},
                                           NameCase{"bank.v3", "bank.v3.v32"},
                                           NameCase{"bank.syx", "bank.syx.v32"}));

class VoiceSaveNameTest : public FileDialogsTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(VoiceSaveNameTest, VoiceSaveAddsTheEndingUnlessAllLowerOrAllUpper) {
    f.program.form5.open();
    f.program.form5.text2 = GetParam().typed;
    f.program.form5.command1Click(0);
    EXPECT_EQ(FilesIn(voiceFolder()), std::vector<std::string>{GetParam().written});
}

INSTANTIATE_TEST_SUITE_P(Names, VoiceSaveNameTest,
                         ::testing::Values(NameCase{"piano", "piano.v01"}, NameCase{"piano.v01", "piano.v01"},
                                           NameCase{"piano.V01", "piano.V01"},
                                           NameCase{" PIANO", " PIANO.v01"},
                                           NameCase{"piano.v1", "piano.v1.v01"}));

TEST_F(FileDialogsTest, BankSaveWritesSlotsOneToThirtyTwoAsTheyStand) {
    fillBank();
    f.program.form1.command7Click(); // any state of the main window
    f.program.form3.open();
    f.program.form3.text2 = "bank";
    f.program.form3.command1Click(0);

    const Bytes written = ReadBytes(bankFolder() / "bank.v32");
    ASSERT_EQ(written.size(), 5152u);
    for (std::size_t n = 1; n <= 32; ++n)
        for (std::size_t pos = 0; pos <= 160; ++pos)
            ASSERT_EQ(written[(n - 1) * 161 + pos], AsWritten(f.ws.voiceTable()[n], pos)) << n << ":" << pos;
    EXPECT_TRUE(f.program.form1.enabled);
    EXPECT_EQ(f.host.closed, std::vector<WindowId>{WindowId::form3});
}

TEST_F(FileDialogsTest, SavingThenLoadingABankGivesBackEverySlotAndEntry) {
    fillBank();
    const VoiceTable saved = f.ws.voiceTable();
    f.program.form3.open();
    f.program.form3.text2 = "round";
    f.program.form3.command1Click(0);

    clearBank();
    f.program.form4.open();
    f.program.form4.text2 = "round.v32";
    f.program.form4.command1Click(0);

    ASSERT_TRUE(f.host.boxes.empty()) << f.host.boxes[0].text;
    for (std::size_t n = 1; n <= 32; ++n)
        for (std::size_t pos = 0; pos <= 160; ++pos)
            ASSERT_EQ(f.ws.voiceTable()[n][pos], AsWritten(saved[n], pos)) << n << ":" << pos;
    ASSERT_EQ(f.program.form1.list3().items.size(), 32u);
    for (int n = 1; n <= 32; ++n) {
        const auto slot = static_cast<std::size_t>(n);
        EXPECT_EQ(f.program.form1.list3().items[slot - 1], EntryText(n, saved[slot]));
        EXPECT_EQ(f.ws.slotText(slot), EntryText(n, saved[slot]));
    }
    EXPECT_EQ(f.program.form1.list3Selected(), -1);
}

TEST_F(FileDialogsTest, SavingThenLoadingAVoiceGivesBackTheEditBuffer) {
    // A voice as the instrument sent it on channel 4, with two bytes from
    // another tool's bank that have bit 7 set
    Slot voice = test::Named(test::DistinctVoice(3), "MY VOICE 1");
    voice[ParamPos(param::LfoSpeed)] = 0x8F;
    voice[ParamPos(0)] = 0xE3;
    test::PlaceAs(f.ws, 0, voice);
    const Slot saved = f.ws.editBuffer();
    f.program.form5.open();
    f.program.form5.text2 = "mine";
    f.program.form5.command1Click(0);
    EXPECT_EQ(ReadBytes(voiceFolder() / "mine.v01").size(), 161u);

    test::PlaceAs(f.ws, 0, Slot{});
    f.program.form6.open();
    f.program.form6.text2 = "mine.v01";
    f.program.form6.command1Click(0);

    for (std::size_t pos = 0; pos <= 160; ++pos)
        ASSERT_EQ(f.ws.editBuffer()[pos], AsWritten(saved, pos)) << pos;
    EXPECT_EQ(f.program.form1.text2(), " 0. MY VOICE 1");
    EXPECT_EQ(f.ws.slotText(0), " 0. MY VOICE 1");
    EXPECT_EQ(f.ws.currentSlot(), 0);
}

TEST_F(FileDialogsTest, OverwriteQuestionNoKeepsTheOldFileAndTheDialogOpen) {
    const Bytes old(100, 0x55);
    WriteBytes(bankFolder() / "bank.v32", old);
    f.program.form1.command6Click(); // refused: empty list
    takeBoxes();
    fillBank();
    f.program.form1.command6Click();
    f.program.form3.text2 = "bank";
    f.host.answers.push_back(MsgResult::No);
    f.program.form3.command1Click(0);

    ASSERT_EQ(f.host.boxes.size(), 1u);
    EXPECT_EQ(f.host.boxes[0].text, "同名のファイルが存在します上書きしますか？");
    EXPECT_EQ(f.host.boxes[0].title, "確認");
    EXPECT_EQ(f.host.boxes[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(ReadBytes(bankFolder() / "bank.v32"), old);
    EXPECT_TRUE(f.program.form3.isOpen);
    EXPECT_FALSE(f.program.form1.enabled);

    f.host.answers.push_back(MsgResult::Yes);
    f.program.form3.command1Click(0);
    EXPECT_EQ(ReadBytes(bankFolder() / "bank.v32").size(), 5152u);
    EXPECT_FALSE(f.program.form3.isOpen);
    EXPECT_TRUE(f.program.form1.enabled);
}

TEST_F(FileDialogsTest, VoiceSaveAsksBeforeReplacingAndNoWritesNothing) {
    WriteBytes(voiceFolder() / "piano.V01", Bytes(161, 0x22));
    f.program.form5.open();
    f.program.form5.text2 = "piano.V01";
    f.host.answers.push_back(MsgResult::No);
    f.program.form5.command1Click(0);
    EXPECT_EQ(f.host.boxTexts(), std::vector<std::string>{"同名のファイルが存在します上書きしますか？"});
    EXPECT_EQ(ReadBytes(voiceFolder() / "piano.V01"), Bytes(161, 0x22));
    EXPECT_TRUE(f.program.form5.isOpen);
}

TEST_F(FileDialogsTest, SaveUsesTheFolderBoxNotTheFolderTheListsShow) {
    fs::create_directories(bankFolder() / "elsewhere");
    fillBank();
    f.program.form3.open();
    f.program.form3.drive1Change(0); // the lists move to the root's folder
    f.program.form3.text2 = "kept";
    f.program.form3.command1Click(0);
    EXPECT_TRUE(fs::exists(bankFolder() / "kept.v32"));
}

#if defined(__unix__)
// Lets a test make every write past `bytes` fail, as a full disk does.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

TEST_F(FileDialogsTest, FailedBankSaveKeepsTheOldFileAndSaysSo) {
    fillBank();
    const Bytes old(161, 0x66);
    WriteBytes(bankFolder() / "bank.v32", old);
    f.program.form3.open();
    f.program.form3.text2 = "bank.v32";
    f.host.answers.push_back(MsgResult::Yes);
    {
        FileSizeLimit limit(4096); // the bank needs 5152 bytes
        f.program.form3.command1Click(0);
    }
    ASSERT_EQ(f.host.boxes.size(), 2u);
    EXPECT_NE(f.host.boxes[1].text.find("bank.v32"), std::string::npos) << f.host.boxes[1].text;
    EXPECT_EQ(ReadBytes(bankFolder() / "bank.v32"), old);
    EXPECT_EQ(FilesIn(bankFolder()), std::vector<std::string>{"bank.v32"}) << "no half-written file left";
    EXPECT_TRUE(f.program.form3.isOpen);
}

TEST_F(FileDialogsTest, FailedVoiceSaveKeepsTheOldFileAndSaysSo) {
    const Bytes old(50, 0x77);
    WriteBytes(voiceFolder() / "v.v01", old);
    f.program.form5.open();
    f.program.form5.text2 = "v";
    {
        FileSizeLimit limit(100);
        f.program.form5.command1Click(0);
    }
    ASSERT_EQ(f.host.boxes.size(), 2u);
    EXPECT_NE(f.host.boxes[1].text.find("v.v01"), std::string::npos) << f.host.boxes[1].text;
    EXPECT_EQ(ReadBytes(voiceFolder() / "v.v01"), old);
    EXPECT_EQ(FilesIn(voiceFolder()), std::vector<std::string>{"v.v01"});
    EXPECT_TRUE(f.program.form5.isOpen);
}
#endif

// --- Loading banks -----------------------------------------------------------

TEST_F(FileDialogsTest, BankLoadLeavesTheEditAreaAndClearsTheMonitorLists) {
    Slot something{};
    for (std::size_t pos = 0; pos < kSlotSize; ++pos)
        something[pos] = static_cast<Byte>(pos);
    test::PlaceAs(f.ws, 4, test::Named(something, "SOMETHING"));
    fillMonitorLists();
    copyTestFile("rom1a.syx", bankFolder());
    const Slot slot0 = f.ws.voiceTable()[0];
    const Slot editArea = f.ws.editBuffer();

    f.program.form1.command7Click();
    f.program.form4.text2 = "rom1a.syx";
    f.program.form4.command1Click(0);

    EXPECT_TRUE(f.program.form1.list1.items.empty());
    EXPECT_TRUE(f.program.form1.list2.items.empty());
    EXPECT_TRUE(f.program.form1.list4.items.empty());
    EXPECT_EQ(f.program.form1.text2(), "  4. SOMETHING ");
    EXPECT_EQ(f.ws.currentSlot(), 4);
    EXPECT_EQ(f.ws.editBuffer(), editArea);
    EXPECT_EQ(f.ws.voiceTable()[0], slot0);
    EXPECT_TRUE(f.out.sent.empty()) << "a bank load sends nothing";
    EXPECT_TRUE(f.program.form1.enabled);
    EXPECT_EQ(f.host.closed, std::vector<WindowId>{WindowId::Form4});
}

TEST_F(FileDialogsTest, DoubleClickLoadsInTheLoadDialogsOnly) {
    copyTestFile("rom1a.syx", bankFolder());
    fillBank();
    f.program.form3.open();
    f.program.form4.open();
    ASSERT_EQ(f.program.form4.file1.items, std::vector<std::string>{"rom1a.syx"});
    f.program.form4.file1DoubleClick(0);
    EXPECT_EQ(f.program.form1.list3().items.size(), 32u);
    EXPECT_FALSE(f.program.form4.isOpen);

    WriteBytes(bankFolder() / "mine.v32", Bytes(5152, 0));
    f.program.form3.open();
    f.program.form3.file1DoubleClick(0);
    EXPECT_EQ(f.program.form3.text2, "mine.v32");
    EXPECT_TRUE(f.program.form3.isOpen) << "the save dialogs do nothing more on a double-click";
    EXPECT_TRUE(f.host.boxes.empty());
}

TEST_F(FileDialogsTest, BankKindIsTheNameEndingInAnyCase) {
    // The same packed bank under three names reads the same voices; a
    // "SYX" name skips the six header bytes.
    const Bytes dump = ReadBytes(kTestData / "rom1a.syx");
    WriteBytes(bankFolder() / "A.SyX", dump);
    WriteBytes(bankFolder() / "b.Dx7", Bytes(dump.begin() + 6, dump.begin() + 6 + 4096));
    WriteBytes(bankFolder() / "c.32", Bytes(dump.begin() + 6, dump.begin() + 6 + 4096));
    std::vector<VoiceTable> tables;
    for (const char *name : {"A.SyX", "b.Dx7", "c.32"}) {
        f.program.form4.open();
        f.program.form4.text2 = name;
        f.program.form4.command1Click(0);
        ASSERT_TRUE(f.host.boxes.empty()) << name << ": " << f.host.boxes[0].text;
        tables.push_back(f.ws.voiceTable());
        clearBank();
    }
    for (std::size_t n = 1; n <= 32; ++n) {
        EXPECT_EQ(tables[0][n], tables[1][n]) << n;
        EXPECT_EQ(tables[0][n], tables[2][n]) << n;
    }
    EXPECT_EQ(VoiceName(tables[0][1]), "BRASS   1 ");
}

// --- Loading voices ------------------------------------------------------------

Bytes MidFile(std::size_t size, std::size_t dumpAt) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<Byte>(i & 0x7F);
    const auto dump = BuildVoiceDump(test::DistinctVoice(21));
    for (std::size_t i = 0; i < dump.size() && dumpAt + i < size; ++i)
        bytes[dumpAt + i] = dump[i];
    return bytes;
}

TEST_F(FileDialogsTest, MidFileHasItsVoiceReadFrom167BytesBeforeTheEnd) {
    const Bytes mid = MidFile(200, 33);
    WriteBytes(voiceFolder() / "take.mid", mid);
    f.program.form1.command10Click();
    f.program.form6.text2 = "take.mid";
    f.program.form6.command1Click(0);

    ASSERT_TRUE(f.host.boxes.empty()) << f.host.boxes[0].text;
    for (std::size_t pos = 0; pos <= 160; ++pos) {
        ASSERT_EQ(f.ws.voiceTable()[0][pos], mid[33 + pos]) << pos;
        ASSERT_EQ(f.ws.editBuffer()[pos], mid[33 + pos]) << pos;
    }
    const std::string name(mid.begin() + 33 + 151, mid.begin() + 33 + 161);
    EXPECT_EQ(f.program.form1.text2(), " 0. " + name);
    EXPECT_EQ(f.ws.currentSlot(), 0);
    ASSERT_EQ(f.out.sent.size(), 2u);
    EXPECT_EQ(f.out.sent[0], (Bytes{0xC0, 0x00, 0x00}));
    const auto dump = BuildVoiceDump(VoiceAsSent(f.ws.voiceTable()[0]));
    EXPECT_EQ(f.out.sent[1], Bytes(dump.begin(), dump.end()));
    EXPECT_TRUE(f.program.form1.enabled);
    EXPECT_EQ(f.host.closed, std::vector<WindowId>{WindowId::Form6});
}

TEST_F(FileDialogsTest, MidNameIsMatchedInAnyCase) {
    for (const char *name : {"a.MID", "b.Mid", "c.mId"}) {
        WriteBytes(voiceFolder() / name, MidFile(200, 33));
        f.program.form6.open();
        f.program.form6.text2 = name;
        f.program.form6.command1Click(0);
        EXPECT_TRUE(f.host.boxes.empty()) << name;
        EXPECT_EQ(f.ws.voiceTable()[0][0], 0xF0) << name << " is read from byte 33, not 0";
    }
}

TEST_F(FileDialogsTest, MidFileWithoutTheDumpStartIsRefusedAndChangesNothing) {
    Bytes mid = MidFile(200, 33);
    mid[33] = 0x00;
    WriteBytes(voiceFolder() / "take.mid", mid);
    test::PlaceAs(f.ws, 2, test::Named(test::DistinctVoice(2), "KEEP ME"));
    const Snapshot before = snapshot();
    f.program.form1.command10Click();
    f.program.form6.text2 = "take.mid";
    f.program.form6.command1Click(0);

    EXPECT_EQ(takeBoxes(), std::vector<std::string>{"このファイルはＤＸ７の音色ファイルではありません"});
    EXPECT_TRUE(snapshot() == before);
    EXPECT_TRUE(f.out.sent.empty());
    EXPECT_TRUE(f.program.form6.isOpen);
    EXPECT_FALSE(f.program.form1.enabled);
}

TEST_F(FileDialogsTest, AnyOtherVoiceNameIsReadFromOffsetZero) {
    const Slot voice = test::DistinctVoice(30);
    const Bytes file(voice.begin(), voice.begin() + 161);
    WriteBytes(voiceFolder() / "plain.bin", file);
    f.program.form6.open();
    f.program.form6.text2 = "plain.bin";
    f.program.form6.command1Click(0);
    for (std::size_t pos = 0; pos <= 160; ++pos)
        ASSERT_EQ(f.ws.voiceTable()[0][pos], file[pos]) << pos;
}

// --- Files that cannot be read -------------------------------------------------

TEST_F(FileDialogsTest, MissingOrShortFilesAreRefusedNamingTheFile) {
    WriteBytes(bankFolder() / "short.v32", Bytes(5151, 1));
    WriteBytes(bankFolder() / "short.dx7", Bytes(4095, 1));
    WriteBytes(voiceFolder() / "short.v01", Bytes(160, 1));
    WriteBytes(voiceFolder() / "short.mid", MidFile(166, 0));
    fillBank();
    fillMonitorLists();
    const Snapshot before = snapshot();
    struct Case {
        FileDialogForm *dialog;
        const char *name;
    } cases[] = {{&f.program.form4, "nothere.v32"}, {&f.program.form4, "short.v32"},
                 {&f.program.form4, "short.dx7"},   {&f.program.form6, "nothere.v01"},
                 {&f.program.form6, "short.v01"},   {&f.program.form6, "short.mid"}};
    for (const auto &c : cases) {
        c.dialog->open();
        c.dialog->text2 = c.name;
        c.dialog->command1Click(0);
        expectRefused(*c.dialog, c.name, before);
    }
}

// --- The real files of other tools ------------------------------------------------

struct RealFile {
    const char *name;
    bool bankLoads;          // through the 32-voice load
    std::size_t packedStart; // where its packed voices start
    bool voiceLoads;         // through the 1-voice load
};

const RealFile kRealFiles[] = {
    {"rom1a.syx", true, 6, false},
    {"single-voice.syx", false, 0, true},
    {"headerless-4096.syx", true, 0, false},
    {"rom1a-bank-in-smf.mid", true, 55, false}, // the bank of its System Exclusive event
    {"control-chars-in-names.syx", true, 6, false},
    {"bit7-bytes-and-f0-inside.syx", true, 6, false},
    {"bytecount-1000.syx", true, 6, false},
    {"bad-checksum.syx", true, 6, false},
    {"truncated-4103.syx", true, 6, false},
    {"truncated-520.syx", false, 0, false},
    {"two-banks-in-one-file.syx", true, 6, false},
    {"four-operator-bank-not-dx7.syx", false, 0, false},
    {"parameter-changes-only.syx", false, 0, false},
    {"bulk-cut-at-4096.syx", false, 0, false},
    {"text-file-named.v01", false, 0, false},
};

void PrintTo(const RealFile &r, std::ostream *os) { *os << r.name; }

class RealFileTest : public FileDialogsTest, public ::testing::WithParamInterface<RealFile> {};

TEST_P(RealFileTest, BankLoadTakesTheFileWholeOrRefusesItWithAMessage) {
    const RealFile &real = GetParam();
    copyTestFile(real.name, bankFolder());
    fillBank();
    fillMonitorLists();
    const Snapshot before = snapshot();
    f.program.form1.command7Click();
    f.program.form4.text2 = real.name;
    f.host.choiceAnswers.push_back(0); // a file of several banks asks: the first
    f.program.form4.command1Click(0);

    if (!real.bankLoads) {
        expectRefused(f.program.form4, real.name, before);
        return;
    }
    // A dump taken with a wrong or missing checksum is said to be so, once.
    const bool checksumWrong =
        std::string(real.name) == "bad-checksum.syx" || std::string(real.name) == "truncated-4103.syx";
    ASSERT_EQ(f.host.boxes.size(), checksumWrong ? 1u : 0u) << f.host.boxes[0].text;
    if (checksumWrong) {
        EXPECT_NE(f.host.boxes[0].text.find("チェックサムが合いません"), std::string::npos);
    }
    const Bytes file = ReadBytes(kTestData / real.name);
    for (std::size_t n = 1; n <= 32; ++n) {
        const Slot &slot = f.ws.voiceTable()[n];
        const std::size_t at = real.packedStart + (n - 1) * 128;
        EXPECT_TRUE(std::equal(kVoiceHeader.begin(), kVoiceHeader.end(), slot.begin())) << n;
        Slot expected = slot;
        UnpackVoice(std::span<const Byte, 128>(file.data() + at, 128), expected);
        EXPECT_EQ(slot, expected) << "voice " << n;
        // Name bytes are whole bytes: copied as they stand, bit 7 too.
        EXPECT_TRUE(std::equal(file.begin() + static_cast<long>(at + 118),
                               file.begin() + static_cast<long>(at + 128), slot.begin() + kNamePos))
            << n;
        EXPECT_EQ(slot[kChecksumPos], before.table[n][kChecksumPos])
            << "the checksum position is not written";
        EXPECT_EQ(f.program.form1.list3().items[n - 1], EntryText(static_cast<int>(n), slot));
    }
}

TEST_P(RealFileTest, VoiceLoadTakesOnlyASingleVoiceAndRefusesTheRestUnchanged) {
    const RealFile &real = GetParam();
    copyTestFile(real.name, voiceFolder());
    test::PlaceAs(f.ws, 7, test::Named(test::DistinctVoice(7), "SEVEN"));
    const Snapshot before = snapshot();
    f.program.form1.command10Click();
    f.program.form6.text2 = real.name;
    f.program.form6.command1Click(0);

    if (!real.voiceLoads) {
        // A MID file has its fixed message.
        expectRefused(f.program.form6, real.name, before, VoiceKindOfName(real.name) != VoiceKind::Mid);
        return;
    }
    // A dump taken with a wrong or missing checksum is said to be so, once.
    const bool checksumWrong =
        std::string(real.name) == "bad-checksum.syx" || std::string(real.name) == "truncated-4103.syx";
    ASSERT_EQ(f.host.boxes.size(), checksumWrong ? 1u : 0u) << f.host.boxes[0].text;
    if (checksumWrong) {
        EXPECT_NE(f.host.boxes[0].text.find("チェックサムが合いません"), std::string::npos);
    }
    const Bytes file = ReadBytes(kTestData / real.name);
    for (std::size_t pos = 0; pos <= 160; ++pos)
        ASSERT_EQ(f.ws.editBuffer()[pos], file[pos]) << pos;
    EXPECT_EQ(f.ws.currentSlot(), 0);
    ASSERT_EQ(f.out.sent.size(), 2u);
    EXPECT_EQ(f.out.sent[1], file) << "the clean dump goes out as it came in";
}

INSTANTIATE_TEST_SUITE_P(SharedTestData, RealFileTest, ::testing::ValuesIn(kRealFiles),
                         [](const ::testing::TestParamInfo<RealFile> &info) {
                             std::string name = info.param.name;
                             for (char &c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

TEST_F(FileDialogsTest, RealBankShowsItsNamesInTheSoundList) {
    copyTestFile("rom1a.syx", bankFolder());
    f.program.form4.open();
    f.program.form4.text2 = "rom1a.syx";
    f.program.form4.command1Click(0);
    const auto &items = f.program.form1.list3().items;
    ASSERT_EQ(items.size(), 32u);
    EXPECT_EQ(items[0], "  1. BRASS   1 ");
    EXPECT_EQ(items[1], "  2. BRASS   2 ");
    EXPECT_EQ(items[2], "  3. BRASS   3 ");
    EXPECT_EQ(items[3], "  4. STRINGS 1 ");
}

} // namespace
} // namespace vox
