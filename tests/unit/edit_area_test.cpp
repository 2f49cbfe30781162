// The edit area is one voice: its text, the EditBuffer, what the editor
// opens with and what the DX7 last got stay the same voice through cancel,
// end, rename, bank loads and receives, the chooser and 初期化; unwritten
// edits are marked and asked about before they are dropped.
#include "editor/form2.h"
#include "files/voice_files.h"
#include "librarian/form1.h"
#include "librarian/form7.h"
#include "midi/midi_output.h"
#include "scripted_dx7.h"
#include "voice/init_voice.h"

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

namespace vox::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<Byte>;
using Lines = std::vector<std::string>;

Bytes Change(int p, int v) {
    return {0xF0, 0x43, 0x10, static_cast<Byte>(p >> 7), static_cast<Byte>(p & 0x7F), static_cast<Byte>(v),
            0xF7};
}

// The single-voice dump the DX7 is sent for a voice.
Bytes DumpOf(const Slot &voice) {
    const auto dump = BuildVoiceDump(VoiceAsSent(voice));
    return Bytes(dump.begin(), dump.end());
}

std::string NameIn(const Bytes &dump) { return std::string(dump.begin() + 151, dump.begin() + 161); }

Slot WithParam(Slot s, int p, int v) {
    s[ParamPos(p)] = static_cast<Byte>(v);
    return s;
}

bool SameParams(const Slot &a, const Slot &b) {
    return std::equal(a.begin() + kParamBase, a.begin() + kParamBase + kParamCount, b.begin() + kParamBase);
}

// A bank of "BANK nn" voices in the SOUND LIST, as after a load, the
// initial voice in the edit area, a program folder with INITdata.v01.
class EditArea : public ::testing::Test {
protected:
    ProgramFixture f;
    Form1 &form1 = f.program.form1;
    Form2 &editor = f.program.form2;
    Form7 &chooser = f.program.form7;
    fs::path folder;

    void SetUp() override {
        folder =
            fs::temp_directory_path() / ("voxmere-editarea-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder / "32voice");
        fs::create_directories(folder / "1voice");
        {
            const Slot init = InitialVoice();
            std::ofstream file(folder / "INITdata.v01", std::ios::binary);
            file.write(reinterpret_cast<const char *>(init.data()), 161);
        }
        f.state.programFolder = folder;
        f.out.open();
        SeedBank(f.ws, MakeBankVoice);
        // The initial voice in the edit area, as start-up leaves it.
        f.ws.placeVoice(InitialVoice());
    }
    void TearDown() override { fs::remove_all(folder); }

    const Slot &slot(int n) const { return f.ws.voiceTable()[static_cast<std::size_t>(n)]; }

    void pick(int n) {
        form1.list3Select(n - 1);
        form1.command11Click();
        f.out.sent.clear();
    }
    void openEditor() {
        form1.command13Click();
        ASSERT_TRUE(editor.isOpen());
    }
    // Feedback (parameter 135) through the Data Entry Zone and 変更.
    void applyFeedback(int v) {
        editor.controlClick("Text1");
        editor.text40 = std::to_string(v);
        editor.command1Click();
    }
    void writeTo(int position) { // 0: no entry selected
        form1.command12Click();
        chooser.list1.selected = position - 1;
        chooser.command1Click();
    }
    MessageBoxSpec lastBox() const { return f.host.boxes.empty() ? MessageBoxSpec{} : f.host.boxes.back(); }
    // A save as the user makes it: the main window's command opens the
    // dialog, a name is typed, OK.
    void saveThrough(void (Form1::*command)(), FileDialogForm &dialog, const std::string &name) {
        dialog.volumeSource = [] { return Lines{"/"}; };
        (form1.*command)();
        dialog.text2 = name;
        dialog.command1Click(0);
    }
};

// --- EDIT中止 ------------------------------------------------------------------

TEST_F(EditArea, CancelThenWriteStoresTheUneditedVoice) {
    // GIVEN entry 5 in the edit area and a feedback of 7 applied in the editor
    pick(5);
    const Slot original = slot(5);
    openEditor();
    applyFeedback(7);
    ASSERT_EQ(f.ws.editBuffer()[ParamPos(param::Feedback)], 7);
    f.out.sent.clear();
    // WHEN the edit is cancelled
    editor.command2Click(3);
    // THEN the DX7 gets entry 5 as it was, and so does the EditBuffer
    ASSERT_EQ(f.out.sent.size(), 2u);
    EXPECT_EQ(f.out.sent[0], (Bytes{0xC0, 4, 0}));
    EXPECT_EQ(f.out.sent[1], DumpOf(original));
    EXPECT_TRUE(std::equal(original.begin(), original.begin() + kChecksumPos + 1, f.ws.editBuffer().begin()));
    EXPECT_EQ(form1.text2(), "  5. BANK 05   ");
    EXPECT_EQ(form1.editAreaMark(), "");
    // WHEN the edit area is then written into position 9
    f.out.sent.clear();
    writeTo(9);
    // THEN position 9 holds the unedited voice, and that is what is sent
    EXPECT_TRUE(SameParams(slot(9), original));
    EXPECT_EQ(slot(9)[ParamPos(param::Feedback)], original[ParamPos(param::Feedback)]);
    ASSERT_EQ(f.out.sent.size(), 2u);
    EXPECT_EQ(f.out.sent[1], DumpOf(original));
}

TEST_F(EditArea, CancelAfterAnEarlierEndedEditGoesBackToThatEdit) {
    // GIVEN an ended edit (feedback 7) and a second session that sets 3
    pick(5);
    openEditor();
    applyFeedback(7);
    editor.command2Click(1);
    openEditor();
    applyFeedback(3);
    f.out.sent.clear();
    // WHEN the second session is cancelled with the close box
    editor.queryUnload(0);
    // THEN the edit area and the DX7 hold the first edit, not the slot
    EXPECT_EQ(f.ws.editBuffer()[ParamPos(param::Feedback)], 7);
    ASSERT_EQ(f.out.sent.size(), 2u);
    EXPECT_EQ(f.out.sent[1][ParamPos(param::Feedback)], 7);
    EXPECT_EQ(slot(5), MakeBankVoice(5));
}

// --- EDIT終了 and reopening -------------------------------------------------------

TEST_F(EditArea, EndThenReopenKeepsTheFinishedEdits) {
    // GIVEN entry 5 edited (feedback 7) and the edit ended
    pick(5);
    openEditor();
    applyFeedback(7);
    editor.command2Click(1);
    EXPECT_EQ(form1.editAreaMark(), form1_text::kEditAreaChangedMark);
    f.out.sent.clear();
    // WHEN EDIT MODE is pressed again
    openEditor();
    // THEN the DX7 gets the edited voice and the editor shows it
    ASSERT_EQ(f.out.sent.size(), 2u);
    EXPECT_EQ(f.out.sent[0], (Bytes{0xC0, 4, 0}));
    EXPECT_EQ(f.out.sent[1], DumpOf(WithParam(MakeBankVoice(5), param::Feedback, 7)));
    EXPECT_EQ(editor.text[1], "7");
    EXPECT_EQ(f.ws.editBuffer()[ParamPos(param::Feedback)], 7);
    // and the slot keeps its voice until the edit area is written
    EXPECT_EQ(slot(5), MakeBankVoice(5));
}

TEST_F(EditArea, RenameEndReopenCarriesTheNameInTheBytesAndToTheDx7) {
    // GIVEN entry 5 renamed "LEAD" and the edit ended
    pick(5);
    openEditor();
    f.out.sent.clear();
    ASSERT_TRUE(editor.text39Change("LEAD"));
    editor.command2Click(1);
    // THEN the name went out as ten parameter changes and into the EditBuffer
    ASSERT_EQ(f.out.sent.size(), 10u);
    EXPECT_EQ(f.out.sent[0], Change(145, 'L'));
    EXPECT_EQ(f.out.sent[3], Change(148, 'D'));
    EXPECT_EQ(f.out.sent[4], Change(149, ' '));
    EXPECT_EQ(f.out.sent[9], Change(154, ' '));
    EXPECT_EQ(VoiceName(f.ws.editBuffer()), "LEAD      ");
    EXPECT_EQ(form1.text2(), "  5. LEAD      ");
    f.out.sent.clear();
    // WHEN EDIT MODE is pressed again
    openEditor();
    // THEN the dump the DX7 gets carries the new name, the editor shows it
    ASSERT_EQ(f.out.sent.size(), 2u);
    EXPECT_EQ(NameIn(f.out.sent[1]), "LEAD      ");
    EXPECT_EQ(editor.text39, "LEAD      ");
    EXPECT_EQ(editor.label34, "  5.");
    EXPECT_EQ(VoiceName(f.ws.editBuffer()), "LEAD      ");
    // WHEN the editor ends unchanged and the voice is written into 5
    editor.command2Click(1);
    f.out.sent.clear();
    writeTo(5);
    // THEN the list, the slot and the edit area carry the name
    EXPECT_EQ(VoiceName(slot(5)), "LEAD      ");
    EXPECT_EQ(form1.list3().items[4], "  5. LEAD      ");
    EXPECT_EQ(form1.text2(), "  5. LEAD      ");
    ASSERT_EQ(f.out.sent.size(), 2u);
    EXPECT_EQ(NameIn(f.out.sent[1]), "LEAD      ");
}

TEST_F(EditArea, ACancelWhileTheEndSendsTheNameKeepsTheOldNameEverywhere) {
    // GIVEN a rename being sent by EDIT終了
    pick(5);
    openEditor();
    ASSERT_TRUE(editor.text39Change("LEAD"));
    bool cancelled = false;
    f.host.onProcessEvents = [&] {
        if (!cancelled && f.out.sent.size() == 3) {
            cancelled = true;
            editor.command2Click(3); // WHEN EDIT中止 runs in a message-loop pass
        }
    };
    editor.command2Click(1);
    // THEN the voice, its text and the DX7's last dump all keep the old name
    ASSERT_TRUE(cancelled);
    EXPECT_EQ(VoiceName(f.ws.editBuffer()), "BANK 05   ");
    EXPECT_EQ(form1.text2(), "  5. BANK 05   ");
    ASSERT_EQ(f.out.sent.size(), 5u);
    EXPECT_EQ(NameIn(f.out.sent[4]), "BANK 05   ");
}

// --- Bank load and receive with a voice in the edit area ---------------------------

TEST_F(EditArea, ABankLoadLeavesTheEditAreaVoiceAndTheEditorOpensOnIt) {
    // GIVEN entry 5 edited (feedback 7) in the edit area
    pick(5);
    openEditor();
    applyFeedback(7);
    editor.command2Click(1);
    const Slot editVoice = f.ws.editBuffer();
    EXPECT_EQ(form1.editAreaEntry(), 4);
    // and a bank file of other voices
    VoiceTable other;
    for (std::size_t n = 1; n <= 32; ++n)
        other[n] = MakeBankVoice(static_cast<int>(n) + 40);
    {
        const auto bytes = EncodeBankFile(other);
        std::ofstream file(folder / "32voice" / "other.v32", std::ios::binary);
        file.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    // WHEN the bank is loaded
    f.program.form4.volumeSource = [] { return Lines{"/"}; };
    f.program.form4.open();
    f.program.form4.text2 = "other.v32";
    f.program.form4.command1Click(0);
    ASSERT_TRUE(f.host.boxes.empty()) << f.host.boxes[0].text;
    ASSERT_EQ(VoiceName(slot(5)), "BANK 45   ");
    // THEN the edit area keeps its voice and its text; entry 5 is no longer it
    EXPECT_EQ(form1.text2(), "  5. BANK 05   ");
    EXPECT_EQ(f.ws.currentSlot(), 5);
    EXPECT_EQ(f.ws.editBuffer(), editVoice);
    EXPECT_EQ(form1.editAreaEntry(), -1);
    EXPECT_EQ(form1.bankMark(), "");
    EXPECT_EQ(form1.editAreaMark(), form1_text::kEditAreaChangedMark);
    f.out.sent.clear();
    // WHEN the editor opens
    openEditor();
    // THEN it shows and sends the edit-area voice, not the loaded entry 5
    EXPECT_EQ(editor.text39, "BANK 05   ");
    EXPECT_EQ(editor.text[1], "7");
    ASSERT_EQ(f.out.sent.size(), 2u);
    EXPECT_EQ(f.out.sent[1], DumpOf(editVoice));
    EXPECT_TRUE(SameParams(f.ws.editBuffer(), editVoice));
}

TEST_F(EditArea, AReceiveLeavesTheEditAreaVoiceAndMarksTheNewBankUnchanged) {
    // GIVEN entry 5 in the edit area and a DX7 holding other voices
    pick(5);
    ScriptedDx7 dx7;
    for (int n = 1; n <= 32; ++n)
        dx7.bank[static_cast<std::size_t>(n)] = MakeBankVoice(n + 40);
    dx7.attach(f);
    // WHEN the bank is received in full
    form1.command4Click();
    ASSERT_EQ(form1.list3().items.size(), 32u);
    ASSERT_EQ(form1.list3().items[4], "  5. BANK 45   ");
    // THEN the edit area still holds and names entry 5's old voice
    EXPECT_EQ(form1.text2(), "  5. BANK 05   ");
    EXPECT_TRUE(SameParams(f.ws.editBuffer(), MakeBankVoice(5)));
    EXPECT_EQ(form1.editAreaEntry(), -1);
    EXPECT_EQ(form1.bankMark(), "");
    f.out.onSend = nullptr;
    f.out.sent.clear();
    // and the editor opens and sends that voice
    openEditor();
    EXPECT_EQ(editor.text39, "BANK 05   ");
    ASSERT_EQ(f.out.sent.size(), 2u);
    EXPECT_EQ(NameIn(f.out.sent[1]), "BANK 05   ");
}

// --- The chooser --------------------------------------------------------------

TEST_F(EditArea, ChooserOpensOnTheEditAreasEntryAndWithNoneSelectedWritesNothing) {
    // GIVEN entry 3 renamed "NEW ONE" and ended
    pick(3);
    openEditor();
    ASSERT_TRUE(editor.text39Change("NEW ONE"));
    editor.command2Click(1);
    const VoiceTable before = f.ws.voiceTable();
    f.out.sent.clear();
    // WHEN the chooser opens THEN entry 3, where the voice came from, is selected
    form1.command12Click();
    EXPECT_EQ(chooser.list1.selected, 2);
    // WHEN 変更 is pressed with the selection taken away
    chooser.list1.selected = -1;
    chooser.command1Click();
    // THEN it asks for a position and writes and sends nothing
    EXPECT_EQ(lastBox().text, form7_text::kNoPosition);
    EXPECT_TRUE(chooser.isOpen());
    EXPECT_EQ(f.ws.voiceTable().all, before.all);
    EXPECT_EQ(form1.text2(), "  3. NEW ONE   ");
    EXPECT_TRUE(f.out.sent.empty());
    // WHEN a position is chosen THEN it is written there
    chooser.list1.selected = 8;
    chooser.command1Click();
    EXPECT_EQ(form1.list3().items[8], "  9. NEW ONE   ");
    EXPECT_EQ(form1.text2(), "  9. NEW ONE   ");
    ASSERT_EQ(f.out.sent.size(), 2u);
    EXPECT_EQ(f.out.sent[0], (Bytes{0xC0, 8, 0}));
}

TEST(EditAreaWithoutABank, ChooserIsRefusedAndNoBlankBankAppears) {
    // GIVEN the SOUND LIST empty, as at start-up, and a voice in the edit area
    ProgramFixture g;
    Form1 &main = g.program.form1;
    g.out.open();
    g.ws.placeVoice(InitialVoice());
    // WHEN 書込 is pressed
    main.command12Click();
    // THEN the chooser does not open, and the list stays empty
    EXPECT_EQ(g.host.boxTexts(), Lines{form1_text::kChooserNoBank});
    EXPECT_TRUE(g.host.shown.empty());
    EXPECT_FALSE(g.program.form7.isOpen());
    EXPECT_TRUE(main.enabled);
    EXPECT_TRUE(main.list3().items.empty());
    EXPECT_TRUE(g.out.sent.empty());
    // so the bank can still be neither saved nor transmitted
    g.host.boxes.clear();
    main.command8Click();
    EXPECT_EQ(g.host.boxTexts(), Lines{form1_text::kNo32Voices});
    EXPECT_TRUE(g.out.sent.empty());
}

TEST_F(EditArea, ChooserWhileAReceiveEmptiesTheListIsRefused) {
    f.state.receive.recvMode = 1;
    form1.command12Click();
    EXPECT_EQ(f.host.boxTexts(), Lines{form1_text::kChooserNoBank});
    EXPECT_TRUE(f.host.shown.empty());
}

// --- Marks ------------------------------------------------------------------

TEST_F(EditArea, TheEntryInTheEditAreaAndUnwrittenChangesAreMarked) {
    // GIVEN the initial voice: no entry, nothing changed
    EXPECT_EQ(form1.editAreaEntry(), -1);
    EXPECT_EQ(form1.editAreaMark(), "");
    EXPECT_EQ(form1.bankMark(), "");
    // WHEN entry 5 is taken THEN it is marked, still unchanged
    pick(5);
    EXPECT_EQ(form1.editAreaEntry(), 4);
    EXPECT_EQ(form1.editAreaMark(), "");
    // WHEN it is edited THEN the edit area is marked changed, still entry 5
    openEditor();
    applyFeedback(7);
    EXPECT_EQ(form1.editAreaMark(), form1_text::kEditAreaChangedMark);
    editor.command2Click(1);
    EXPECT_EQ(form1.editAreaEntry(), 4);
    // WHEN it is written into 9 THEN entry 9 is marked, the bank is changed
    writeTo(9);
    EXPECT_EQ(form1.editAreaEntry(), 8);
    EXPECT_EQ(form1.editAreaMark(), "");
    EXPECT_EQ(form1.bankMark(), form1_text::kBankChangedMark);
    // WHEN the bank is transmitted THEN it is no longer marked
    form1.command8Click();
    EXPECT_EQ(form1.bankMark(), "");
    // WHEN the voice is edited again and saved to a 1-voice file THEN unmarked
    openEditor();
    applyFeedback(2);
    editor.command2Click(1);
    EXPECT_EQ(form1.editAreaMark(), form1_text::kEditAreaChangedMark);
    saveThrough(&Form1::command9Click, f.program.form5, "kept");
    EXPECT_TRUE(fs::exists(folder / "1voice" / "kept.v01"));
    EXPECT_EQ(form1.editAreaMark(), "");
}

TEST_F(EditArea, ABankSavedToAFileIsNoLongerMarked) {
    pick(2);
    writeTo(7);
    ASSERT_EQ(form1.bankMark(), form1_text::kBankChangedMark);
    saveThrough(&Form1::command6Click, f.program.form3, "bank");
    ASSERT_TRUE(fs::exists(folder / "32voice" / "bank.v32"));
    EXPECT_EQ(form1.bankMark(), "");
}

TEST_F(EditArea, ATransmitWithNoOutputLeavesTheBankMarked) {
    pick(2);
    writeTo(7);
    f.out.close();
    form1.command8Click();
    EXPECT_EQ(form1.bankMark(), form1_text::kBankChangedMark);
}

// --- 初期化 -------------------------------------------------------------------

TEST_F(EditArea, InitialiseOverUnwrittenEditsAsksAndNoKeepsEverything) {
    // GIVEN entry 5 with an applied edit, unwritten
    pick(5);
    openEditor();
    applyFeedback(7);
    const Slot editVoice = f.ws.editBuffer();
    const VoiceTable table = f.ws.voiceTable();
    f.out.sent.clear();
    f.host.answers = {MsgResult::No};
    // WHEN 初期化 is answered No
    editor.command2Click(0);
    // THEN the question was asked and nothing changed
    ASSERT_EQ(f.host.boxes.size(), 1u);
    EXPECT_EQ(lastBox().text, form2_text::kInitQuestion);
    EXPECT_EQ(lastBox().buttons, MsgButtons::YesNo);
    EXPECT_EQ(lastBox().title, form2_text::kInitQuestionTitle);
    EXPECT_EQ(f.ws.editBuffer(), editVoice);
    EXPECT_EQ(f.ws.voiceTable().all, table.all);
    EXPECT_EQ(f.ws.currentSlot(), 5);
    EXPECT_EQ(form1.text2(), "  5. BANK 05   ");
    EXPECT_EQ(editor.text[1], "7");
    EXPECT_TRUE(f.out.sent.empty());
}

TEST_F(EditArea, InitialiseOverUnwrittenEditsAnsweredYesLoadsTheInitialVoice) {
    pick(5);
    openEditor();
    applyFeedback(7);
    f.out.sent.clear();
    f.host.answers = {MsgResult::Yes};
    editor.command2Click(0);
    ASSERT_EQ(f.host.boxes.size(), 1u);
    EXPECT_EQ(f.ws.currentSlot(), 0);
    EXPECT_EQ(form1.text2(), " 0. INIT VOICE");
    EXPECT_EQ(editor.text39, "INIT VOICE");
    EXPECT_TRUE(SameParams(f.ws.editBuffer(), InitialVoice()));
    EXPECT_EQ(form1.editAreaMark(), "");
    ASSERT_EQ(f.out.sent.size(), 2u);
    EXPECT_EQ(f.out.sent[0], (Bytes{0xC0, 0, 0}));
    EXPECT_EQ(f.out.sent[1], DumpOf(InitialVoice()));
    // and a cancel now keeps the initial voice
    f.out.sent.clear();
    editor.command2Click(3);
    EXPECT_TRUE(SameParams(f.ws.editBuffer(), InitialVoice()));
    EXPECT_EQ(f.out.sent[1], DumpOf(InitialVoice()));
}

TEST_F(EditArea, InitialiseAsksAboutATypedNameToo) {
    pick(5);
    openEditor();
    ASSERT_TRUE(editor.text39Change("TYPED"));
    f.host.answers = {MsgResult::No};
    editor.command2Click(0);
    EXPECT_EQ(f.host.boxTexts(), Lines{form2_text::kInitQuestion});
    EXPECT_EQ(editor.text39, "TYPED");
}

TEST_F(EditArea, InitialiseWithNothingUnwrittenAsksNothing) {
    pick(5);
    openEditor();
    editor.command2Click(0);
    EXPECT_TRUE(f.host.boxes.empty());
    EXPECT_EQ(form1.text2(), " 0. INIT VOICE");
}

// --- The main window's close box while another window is open ---------------------

TEST_F(EditArea, CloseBoxOverTheEditorWithEditsAsksAndNoKeepsTheProgram) {
    // GIVEN the editor open over an applied edit
    pick(5);
    openEditor();
    applyFeedback(7);
    f.host.answers = {MsgResult::No};
    // WHEN the main window's close box is answered No
    const bool closes = form1.queryClose();
    // THEN the program stays, the output open
    EXPECT_FALSE(closes);
    ASSERT_EQ(f.host.boxes.size(), 1u);
    EXPECT_EQ(lastBox().text,
              std::string(form1_text::kCloseVoiceChanged) + "\r" + form1_text::kCloseQuestion);
    EXPECT_EQ(lastBox().buttons, MsgButtons::YesNo);
    EXPECT_EQ(lastBox().title, form1_text::kCloseTitle);
    EXPECT_TRUE(f.out.isOpen());
    EXPECT_TRUE(editor.isOpen());
}

TEST_F(EditArea, CloseBoxOverTheEditorAnsweredYesCloses) {
    pick(5);
    openEditor();
    applyFeedback(7);
    f.host.answers = {MsgResult::Yes};
    EXPECT_TRUE(form1.queryClose());
    EXPECT_EQ(f.host.boxes.size(), 1u);
    EXPECT_FALSE(f.out.isOpen());
}

TEST_F(EditArea, CloseBoxOverTheChooserNamesTheChangedBankAndVoice) {
    // GIVEN a changed bank and an edited voice, the chooser open
    pick(5);
    writeTo(6);
    openEditor();
    applyFeedback(7);
    editor.command2Click(1);
    form1.command12Click();
    ASSERT_TRUE(chooser.isOpen());
    f.host.answers = {MsgResult::No};
    // WHEN the close box is answered No THEN the box names both
    EXPECT_FALSE(form1.queryClose());
    EXPECT_EQ(lastBox().text, std::string(form1_text::kCloseVoiceChanged) + "\r" +
                                  form1_text::kCloseBankChanged + "\r" + form1_text::kCloseQuestion);
    EXPECT_TRUE(chooser.isOpen());
}

TEST_F(EditArea, CloseBoxOverTheEditorWithATypedNameAsks) {
    pick(5);
    openEditor();
    ASSERT_TRUE(editor.text39Change("TYPED"));
    f.host.answers = {MsgResult::No};
    EXPECT_FALSE(form1.queryClose());
    EXPECT_EQ(f.host.boxes.size(), 1u);
}

TEST_F(EditArea, CloseBoxWithNothingUnwrittenAsksNothingAndWithUnwrittenEditsAsksWithNoAsDefault) {
    // GIVEN the editor open with nothing changed
    pick(5);
    openEditor();
    EXPECT_TRUE(form1.queryClose());
    EXPECT_TRUE(f.host.boxes.empty());
    // GIVEN the main window enabled (no other window) over unwritten edits
    f.out.open();
    applyFeedback(7);
    editor.command2Click(1);
    ASSERT_TRUE(form1.enabled);
    ASSERT_EQ(form1.editAreaMark(), form1_text::kEditAreaChangedMark);
    // WHEN the close box, End and END(&Q) are used, each answered No
    f.host.answers = {MsgResult::No, MsgResult::No, MsgResult::No};
    EXPECT_FALSE(form1.queryClose());
    form1.command3Click();
    form1.mnuFileClick();
    // THEN each asked once, No the default, and the program runs on
    ASSERT_EQ(f.host.boxes.size(), 3u);
    for (const MessageBoxSpec &box : f.host.boxes) {
        EXPECT_EQ(box.title, form1_text::kCloseTitle);
        EXPECT_EQ(box.defaultButton, MsgResult::No);
    }
    EXPECT_FALSE(f.host.ended);
    EXPECT_TRUE(f.out.isOpen());
}

} // namespace
} // namespace vox::test
