// The two load dialogs on files as collections hold them: banks inside
// MIDI files and after other messages, several banks in one file (the
// user picks one, or cancels and nothing changes), single voices in .syx
// files, and the message that says which button takes a file.
#include "file_test_support.h"
#include "files/file_dialogs.h"
#include "files/voice_files.h"
#include "help_page.h"
#include "midi/midi_output.h"
#include "voice/bank_format.h"
#include "voice/dx7_messages.h"
#include "voice/init_voice.h"
#include "voice/voice_scan.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vox {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<Byte>;
using test::MemorySnapshot;
using test::ReadBytes;
using test::TestData;
using test::WriteBytes;

// The slot a packed voice of the file becomes: the import header, then
// the unpacked parameters.
Slot ImportedSlot(const Bytes &file, std::size_t packedAt, const Slot &before) {
    Slot slot = before;
    std::copy(kVoiceHeader.begin(), kVoiceHeader.end(), slot.begin());
    UnpackVoice(std::span<const Byte, kPackedVoiceSize>(file.data() + packedAt, kPackedVoiceSize), slot);
    return slot;
}

std::string Entry(int n, const Slot &slot) {
    char number[8];
    std::snprintf(number, sizeof number, "%3d. ", n);
    return number + VoiceName(slot);
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes &part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes DumpOf(const Slot &voice) {
    const auto dump = BuildVoiceDump(voice);
    return Bytes(dump.begin(), dump.end());
}

const Bytes kParameterChange{0xF0, 0x43, 0x10, 0x19, 0x4D, 0x00, 0xF7};

class LoadsTest : public test::FileFixture {
protected:
    LoadsTest() {
        for (FileDialogForm *d : {static_cast<FileDialogForm *>(&f.program.form4),
                                  static_cast<FileDialogForm *>(&f.program.form6)})
            d->volumeSource = [] { return std::vector<std::string>{"/"}; };
    }

    void copyTestFile(const std::string &name, const fs::path &to) {
        std::error_code ec;
        fs::copy_file(TestData(name), to / name, ec);
        ASSERT_FALSE(ec) << "cannot copy the test file " << TestData(name) << ": " << ec.message();
    }

    // Opens the dialog from the main window and double-clicks the file in
    // its list, as the user does; false when the list does not show it.
    bool doubleClick(FileDialogForm &dialog, const std::string &name) {
        if (&dialog == &f.program.form4)
            f.program.form1.command7Click();
        else
            f.program.form1.command10Click();
        const auto &items = dialog.file1.items;
        const auto at = std::find(items.begin(), items.end(), name);
        if (at == items.end()) return false;
        dialog.file1DoubleClick(static_cast<int>(at - items.begin()));
        return true;
    }

    std::vector<std::string> takeBoxes() {
        auto texts = f.host.boxTexts();
        f.host.boxes.clear();
        return texts;
    }

    // A load that took nothing: nothing in memory changed, nothing was
    // sent, the dialog is still open over the disabled main window.
    void expectNothingChanged(const FileDialogForm &dialog, const MemorySnapshot &before) {
        EXPECT_TRUE(MemorySnapshot(f.program) == before) << "memory changed";
        EXPECT_TRUE(f.out.sent.empty()) << "something was sent";
        EXPECT_TRUE(dialog.isOpen);
        EXPECT_FALSE(f.program.form1.enabled);
    }

    // Slots 1..32 hold the bank whose packed data starts at `packedAt` of
    // the file, and the SOUND LIST shows them.
    void expectBank(const Bytes &file, std::size_t packedAt, const MemorySnapshot &before) {
        for (std::size_t n = 1; n <= kBankSlots; ++n) {
            const Slot expected = ImportedSlot(file, packedAt + (n - 1) * kPackedVoiceSize, before.table[n]);
            ASSERT_EQ(f.ws.voiceTable()[n], expected) << "voice " << n;
            ASSERT_EQ(f.program.form1.list3().items.at(n - 1), Entry(static_cast<int>(n), expected));
        }
        EXPECT_FALSE(f.program.form4.isOpen);
        EXPECT_TRUE(f.program.form1.enabled);
        EXPECT_TRUE(f.out.sent.empty()) << "a bank load sends nothing";
    }
};

// --- What the lists show --------------------------------------------------------

TEST_F(LoadsTest, TheBankLoadListsMidiFilesTooAndTheVoiceLoadListsSyxFilesToo) {
    // GIVEN both folders holding one file of every ending
    for (const fs::path &folder : {bankFolder(), voiceFolder()})
        for (const char *name : {"a.v32", "b.SYX", "c.dx7", "d.32", "e.mid", "f.V01", "g.txt"})
            WriteBytes(folder / name, {1});
    // WHEN the user opens each load
    f.program.form1.command7Click();
    const auto bankList = f.program.form4.file1.items;
    f.program.form4.command1Click(1);
    f.program.form1.command10Click();
    const auto voiceList = f.program.form6.file1.items;
    // THEN the bank load keeps its endings and adds .mid; the voice load
    // keeps .v01 and .mid and adds .syx
    EXPECT_EQ(f.program.form4.pattern, "*.v32;*.syx;*.dx7;*.32;*.mid");
    EXPECT_EQ(bankList, (std::vector<std::string>{"a.v32", "b.SYX", "c.dx7", "d.32", "e.mid"}));
    EXPECT_EQ(f.program.form6.pattern, "*.v01;*.mid;*.syx");
    EXPECT_EQ(voiceList, (std::vector<std::string>{"b.SYX", "e.mid", "f.V01"}));
}

// --- The 32-voice load ----------------------------------------------------------

TEST_F(LoadsTest, ABankInsideAMidiFileLoadsThroughTheBankLoad) {
    // GIVEN a Standard MIDI File whose System Exclusive event holds the factory bank
    fillMemory();
    copyTestFile("rom1a-bank-in-smf.mid", bankFolder());
    const MemorySnapshot before(f.program);
    // WHEN the user double-clicks it in the 32-voice load
    ASSERT_TRUE(doubleClick(f.program.form4, "rom1a-bank-in-smf.mid"));
    // THEN the SOUND LIST holds the bank, without a question
    ASSERT_EQ(takeBoxes(), std::vector<std::string>{});
    EXPECT_TRUE(f.host.choices.empty()) << "one bank: nothing to choose";
    expectBank(ReadBytes(TestData("rom1a.syx")), kBulkDataPos, before);
    EXPECT_EQ(f.program.form1.list3().items[0], "  1. BRASS   1 ");
}

TEST_F(LoadsTest, ABankAfterOtherMessagesLoadsWithoutAQuestion) {
    // GIVEN a parameter change and a supplement dump ahead of the bank
    fillMemory();
    copyTestFile("supplement-then-bank.syx", bankFolder());
    const MemorySnapshot before(f.program);
    ASSERT_TRUE(doubleClick(f.program.form4, "supplement-then-bank.syx"));
    ASSERT_EQ(takeBoxes(), std::vector<std::string>{});
    EXPECT_TRUE(f.host.choices.empty());
    expectBank(ReadBytes(TestData("supplement-then-bank.syx")), 1135 + kBulkDataPos, before);
}

TEST_F(LoadsTest, AFileOfTwoBanksAsksWhichAndLoadsTheChosenSecond) {
    // GIVEN a file holding the factory bank, then a second bank "SECOND 01".."SECOND 32"
    fillMemory();
    copyTestFile("two-different-banks.syx", bankFolder());
    const MemorySnapshot before(f.program);
    const fs::path file = bankFolder() / "two-different-banks.syx";
    // WHEN the user loads it and picks the second bank
    f.host.choiceAnswers.push_back(1);
    ASSERT_TRUE(doubleClick(f.program.form4, "two-different-banks.syx"));
    // THEN one question named the file and offered each bank by its place
    // and first voice
    ASSERT_EQ(f.host.choices.size(), 1u);
    const test::ChoiceAsked &asked = f.host.choices[0];
    EXPECT_EQ(asked.title, "バンクの選択");
    EXPECT_EQ(asked.text, "ファイル「" + file.string() +
                              "」には32音色のバンクが 2 個あります。読み込むバンクを選んでください");
    EXPECT_EQ(asked.items,
              (std::vector<std::string>{"バンク 1（先頭から 0 バイトの位置、1 音色目「BRASS   1 」）",
                                        "バンク 2（先頭から 4104 バイトの位置、1 音色目「SECOND 01 」）"}));
    // AND the second bank is in the SOUND LIST, no box, the dialog closed
    EXPECT_EQ(takeBoxes(), std::vector<std::string>{});
    expectBank(ReadBytes(file), 4104 + kBulkDataPos, before);
    EXPECT_EQ(f.program.form1.list3().items[0], "  1. SECOND 01 ");
    EXPECT_EQ(f.program.form1.list3().items[31], " 32. SECOND 32 ");
}

TEST_F(LoadsTest, CancellingTheBankChoiceChangesNothingAndTheDialogStaysOpen) {
    // GIVEN a file of two banks and a main window holding a bank and a voice
    fillMemory();
    copyTestFile("two-different-banks.syx", bankFolder());
    const MemorySnapshot before(f.program);
    // WHEN the user cancels the question
    f.host.choiceAnswers.push_back(std::nullopt);
    ASSERT_TRUE(doubleClick(f.program.form4, "two-different-banks.syx"));
    // THEN nothing changed, no box came, the dialog waits for another choice
    EXPECT_EQ(f.host.choices.size(), 1u);
    EXPECT_EQ(takeBoxes(), std::vector<std::string>{});
    expectNothingChanged(f.program.form4, before);
    // AND a second try that picks the first bank loads it
    f.host.choiceAnswers.push_back(0);
    f.program.form4.command1Click(0);
    EXPECT_EQ(f.host.choices.size(), 2u);
    expectBank(ReadBytes(TestData("two-different-banks.syx")), kBulkDataPos, before);
    EXPECT_EQ(f.program.form1.list3().items[0], "  1. BRASS   1 ");
}

TEST_F(LoadsTest, AHostThatCannotAskCancels) {
    // GIVEN a host without a scripted answer, as a host that cannot ask
    fillMemory();
    copyTestFile("two-different-banks.syx", bankFolder());
    const MemorySnapshot before(f.program);
    ASSERT_TRUE(doubleClick(f.program.form4, "two-different-banks.syx"));
    EXPECT_EQ(f.host.choices.size(), 1u);
    expectNothingChanged(f.program.form4, before);
    // AND the seam's own default, which every host inherits, is no choice
    struct Silent : test::TestHost {
        std::optional<int> chooseItem(const std::string &t, const std::string &x,
                                      const std::vector<std::string> &i) override {
            return Host::chooseItem(t, x, i);
        }
    } silent;
    EXPECT_EQ(silent.chooseItem("t", "x", {"a", "b"}), std::nullopt);
}

TEST_F(LoadsTest, TheBankLoadGivenSingleVoicesSaysTheOtherButtonTakesThem) {
    // GIVEN a single-voice dump
    fillMemory();
    copyTestFile("single-voice.syx", bankFolder());
    const MemorySnapshot before(f.program);
    ASSERT_TRUE(doubleClick(f.program.form4, "single-voice.syx"));
    // THEN the box names the file and the 1-voice load
    const fs::path file = bankFolder() / "single-voice.syx";
    EXPECT_EQ(takeBoxes(),
              std::vector<std::string>{"ファイル「" + file.string() +
                                       "」は1音色のデータです（ﾌｧｲﾙ読込(1VOICE)で読み込んでください）"});
    expectNothingChanged(f.program.form4, before);
}

TEST_F(LoadsTest, ARefusalNamesTheFileAndSaysWhatItHoldsInstead) {
    // GIVEN files that hold no DX7 voice, each for its own reason
    fillMemory();
    const struct {
        const char *name;
        ScanReason reason;
    } cases[] = {{"four-operator-bank-not-dx7.syx", ScanReason::FourOperatorBank},
                 {"parameter-changes-only.syx", ScanReason::ParameterChangesOnly}};
    for (const auto &c : cases)
        copyTestFile(c.name, bankFolder());
    const MemorySnapshot before(f.program);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        // WHEN the user loads it
        ASSERT_TRUE(doubleClick(f.program.form4, c.name));
        // THEN one box names the file and the reason, and nothing changed
        const std::string reason = ScanReasonJapanese(c.reason, 0);
        ASSERT_FALSE(reason.empty());
        EXPECT_EQ(takeBoxes(), std::vector<std::string>{"ファイル「" + (bankFolder() / c.name).string() +
                                                        "」は" + reason});
        EXPECT_TRUE(f.host.choices.empty());
        expectNothingChanged(f.program.form4, before);
        f.program.form4.command1Click(1);
    }
}

// --- The 1-voice load -----------------------------------------------------------

TEST_F(LoadsTest, ASingleVoiceDumpInASyxFileLoadsThroughTheVoiceLoad) {
    // GIVEN a clean single-voice dump named .syx in the voice folder
    fillMemory();
    copyTestFile("single-voice.syx", voiceFolder());
    const Bytes file = ReadBytes(TestData("single-voice.syx"));
    // WHEN the user double-clicks it in the 1-voice load
    ASSERT_TRUE(doubleClick(f.program.form6, "single-voice.syx"));
    // THEN the edit area holds it and the instrument got it
    ASSERT_EQ(takeBoxes(), std::vector<std::string>{});
    EXPECT_TRUE(f.host.choices.empty());
    for (std::size_t pos = 0; pos < kRecordSize; ++pos) {
        ASSERT_EQ(f.ws.editBuffer()[pos], file[pos]) << pos;
        ASSERT_EQ(f.ws.voiceTable()[0][pos], file[pos]) << pos;
    }
    EXPECT_EQ(f.ws.currentSlot(), 0);
    EXPECT_EQ(f.program.form1.text2(), " 0. " + std::string(file.begin() + 151, file.begin() + 161));
    ASSERT_EQ(f.out.sent.size(), 2u);
    EXPECT_EQ(f.out.sent[0], (Bytes{0xC0, 0x00, 0x00}));
    EXPECT_EQ(f.out.sent[1], file);
    EXPECT_FALSE(f.program.form6.isOpen);
}

TEST_F(LoadsTest, SeveralSingleVoicesInASyxFileAskWhichOne) {
    // GIVEN a parameter change, then two single-voice dumps
    fillMemory();
    const Slot first = test::DistinctVoice(5), second = test::DistinctVoice(9);
    const Bytes file = Concat({kParameterChange, DumpOf(first), DumpOf(second)});
    WriteBytes(voiceFolder() / "two voices.syx", file);
    const MemorySnapshot before(f.program);
    // WHEN the user cancels the question
    ASSERT_TRUE(doubleClick(f.program.form6, "two voices.syx"));
    // THEN it offered both by place and name, and nothing changed
    ASSERT_EQ(f.host.choices.size(), 1u);
    EXPECT_EQ(f.host.choices[0].title, "音色の選択");
    EXPECT_EQ(f.host.choices[0].text, "ファイル「" + (voiceFolder() / "two voices.syx").string() +
                                          "」には1音色のデータが 2 個あります。読み込む音色を選んでください");
    EXPECT_EQ(f.host.choices[0].items,
              (std::vector<std::string>{"音色 1（先頭から 7 バイトの位置「VOICE 05  」）",
                                        "音色 2（先頭から 170 バイトの位置「VOICE 09  」）"}));
    EXPECT_EQ(takeBoxes(), std::vector<std::string>{});
    expectNothingChanged(f.program.form6, before);
    // WHEN the user tries again and picks the second
    f.host.choiceAnswers.push_back(1);
    f.program.form6.command1Click(0);
    // THEN the second dump, as the file holds it, is in the edit area and
    // went to the instrument
    EXPECT_EQ(takeBoxes(), std::vector<std::string>{});
    const Bytes secondDump = DumpOf(second);
    for (std::size_t pos = 0; pos < kRecordSize; ++pos)
        ASSERT_EQ(f.ws.editBuffer()[pos], file[170 + pos]) << pos;
    ASSERT_TRUE(std::equal(secondDump.begin(), secondDump.end(), file.begin() + 170));
    EXPECT_EQ(f.program.form1.text2(), " 0. VOICE 09  ");
    ASSERT_EQ(f.out.sent.size(), 2u);
    EXPECT_EQ(f.out.sent[1], secondDump);
    EXPECT_FALSE(f.program.form6.isOpen);
}

TEST_F(LoadsTest, TheVoiceLoadGivenABankSaysTheOtherButtonTakesIt) {
    // GIVEN banks as a bulk dump and inside a MIDI file
    fillMemory();
    copyTestFile("rom1a.syx", voiceFolder());
    copyTestFile("rom1a-bank-in-smf.mid", voiceFolder());
    const MemorySnapshot before(f.program);
    for (const char *name : {"rom1a.syx", "rom1a-bank-in-smf.mid"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(doubleClick(f.program.form6, name));
        // THEN the box names the file and the 32-voice load
        EXPECT_EQ(takeBoxes(), std::vector<std::string>{
                                   "ファイル「" + (voiceFolder() / name).string() +
                                   "」は32音色のバンクです（ﾌｧｲﾙ読込(32VOICE)で読み込んでください）"});
        expectNothingChanged(f.program.form6, before);
        f.program.form6.command1Click(1);
    }
}

// --- Help --------------------------------------------------------------------

TEST(LoadsHelp, ThePageSaysWhichFilesEachLoadTakes) {
    // GIVEN the help page of the program folder
    const std::string page = test::ReadHelpPage(test::kHelpPageJa);
    // THEN its section on loading names both buttons, their endings, MIDI
    // files, banks without a header, the choice among banks and --bank
    const std::string section = test::HelpSection(page, "loads");
    ASSERT_FALSE(section.empty()) << "no section \"loads\"";
    for (const char *words :
         {"ﾌｧｲﾙ読込(32VOICE)", "ﾌｧｲﾙ読込(1VOICE)", ".v32 .syx .dx7 .32 .mid", ".v01 .mid .syx",
          "スタンダード MIDI ファイル", "ヘッダのないバンク", "4960", "中止", "--bank"})
        EXPECT_NE(section.find(words), std::string::npos) << words;
    EXPECT_NE(page.find("href=\"#loads\""), std::string::npos) << "the contents lead there";
}

// --- The later models' additional data ----------------------------------------

TEST_F(LoadsTest, ADx7IIBanksAdditionalDataStaysWithEachVoiceThroughTheListAndTheSave) {
    // GIVEN a file whose AMEM (at 7: F0 43 00 06 08 60, 35 bytes a voice,
    // checksum, F7; 1128 bytes) stands before its bank
    fillMemory();
    copyTestFile("supplement-then-bank.syx", bankFolder());
    const std::vector<Byte> file = ReadBytes(TestData("supplement-then-bank.syx"));
    const std::vector<Byte> amem(file.begin() + 7, file.begin() + 7 + 1128);
    ASSERT_EQ(amem[3], 0x06);
    const auto record = [&](int voice) {
        Supplement s;
        std::copy_n(amem.begin() + 6 + 35 * (voice - 1), 35, s.begin());
        return std::optional<Supplement>(s);
    };
    ASSERT_TRUE(doubleClick(f.program.form4, "supplement-then-bank.syx"));
    // THEN each voice carries its own record
    for (int n : {1, 17, 32})
        EXPECT_EQ(f.ws.supplement(n), record(n)) << n;
    // WHEN entry 3 goes into the edit area and is written into entry 5: its
    // record goes with it, and an undo takes it back
    f.ws.placeEntry(3);
    f.ws.writeEditArea(5);
    EXPECT_EQ(f.ws.supplement(5), record(3));
    ASSERT_TRUE(f.ws.undo());
    EXPECT_EQ(f.ws.supplement(5), record(5));
    // WHEN the bank is saved as a .v32: the AMEM stands beside it byte for byte
    const auto save = [&](const std::string &name) {
        f.program.form1.command6Click();
        f.program.form3.volumeSource = [] { return std::vector<std::string>{"/"}; };
        f.program.form3.text2 = name;
        f.program.form3.command1Click(0);
    };
    save("dx7ii");
    EXPECT_EQ(ReadBytes(bankFolder() / "dx7ii.amem.syx"), amem);
    // AND the .v32 loads with it
    f.ws.placeVoice(InitialVoice());
    f.ws.writeEditArea(1); // a Mk I voice: entry 1 has no record now
    EXPECT_FALSE(f.ws.supplement(1).has_value());
    f.host.answers = {MsgResult::Yes}; // the changed list may go
    ASSERT_TRUE(doubleClick(f.program.form4, "dx7ii.v32"));
    EXPECT_EQ(f.ws.supplement(1), record(1));
    // WHEN a Mk I voice is written in and the bank saved again: the voices
    // are saved, the partial data is not, and the box says so
    f.ws.placeVoice(InitialVoice());
    f.ws.writeEditArea(2);
    takeBoxes();
    f.host.answers = {MsgResult::Yes}; // overwrite
    save("dx7ii");
    const std::vector<std::string> boxes = takeBoxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_NE(boxes.back().find("31 音色だけ"), std::string::npos) << boxes.back();
    EXPECT_FALSE(fs::exists(bankFolder() / "dx7ii.amem.syx"));
}

TEST_F(LoadsTest, ADamagedAmemBesideABankIsNamedAndNotTaken) {
    // GIVEN the file with one data byte of its AMEM changed: its checksum fails
    fillMemory();
    std::vector<Byte> file = ReadBytes(TestData("supplement-then-bank.syx"));
    file[7 + 6 + 10] ^= 0x01;
    WriteBytes(bankFolder() / "damaged.syx", file);
    ASSERT_TRUE(doubleClick(f.program.form4, "damaged.syx"));
    // THEN the voices load, without a record, and the box names the file
    EXPECT_EQ(f.program.form1.list3().items[0], "  1. BRASS   1 ");
    EXPECT_FALSE(f.ws.supplement(1).has_value());
    const std::vector<std::string> boxes = takeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find((bankFolder() / "damaged.syx").string()), std::string::npos);
    EXPECT_NE(boxes[0].find("AMEM"), std::string::npos);
}

TEST_F(LoadsTest, TheTransmitSendsTheAdditionalDataFirstToALaterModelWhenEveryVoiceHasIt) {
    const std::vector<Byte> file = ReadBytes(TestData("supplement-then-bank.syx"));
    const std::vector<Byte> amem(file.begin() + 7, file.begin() + 7 + 1128);
    const struct {
        InstrumentModel model;
        bool mkIVoiceIn; // a Mk I voice written into entry 2 first
        bool amemSent;
        const char *said;
    } cases[] = {
        {InstrumentModel::Dx7, false, false, nullptr},
        {InstrumentModel::Dx7ii, false, true, "追加データ（AMEM）も送りました。"},
        {InstrumentModel::Tx802, true, false, "追加データ（AMEM）は送っていません。"},
    };
    fillMemory();
    copyTestFile("supplement-then-bank.syx", bankFolder());
    for (const auto &c : cases) {
        f.host.answers = {MsgResult::Yes}; // the changed list may go
        ASSERT_TRUE(doubleClick(f.program.form4, "supplement-then-bank.syx"));
        if (c.mkIVoiceIn) {
            f.ws.placeVoice(InitialVoice());
            f.ws.writeEditArea(2);
        }
        f.state.exchange.model = c.model;
        f.out.sent.clear();
        takeBoxes();
        f.host.answers = {MsgResult::Ok};
        f.program.form1.command8Click();
        // THEN (on channel 1, device nibble 0) the AMEM as it came, then the bulk dump
        ASSERT_GE(f.out.sent.size(), 1u);
        EXPECT_EQ(f.out.sent[0] == amem, c.amemSent) << static_cast<int>(c.model);
        EXPECT_EQ(f.out.sent[c.amemSent ? 1 : 0].size(), 4104u);
        const std::vector<std::string> boxes = takeBoxes();
        ASSERT_FALSE(boxes.empty());
        if (c.said)
            EXPECT_NE(boxes.back().find(c.said), std::string::npos) << boxes.back();
        else
            EXPECT_EQ(boxes.back().find("AMEM"), std::string::npos) << boxes.back();
    }
}

} // namespace
} // namespace vox
