// "DX7 II データ": the later models' universal dumps read from a file, saved,
// sent and received whole, byte for byte. Sizes, repeats, names, frames and
// requests are the family data sheet's (tests/data/facts/dx7ii-data-facts.md
// 1.2, 1.3, 1.6); every message here is built from it.
#include "family_messages.h"
#include "file_test_support.h"
#include "files/family_data_form.h"
#include "workspace/unwritten.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vox::test {
namespace {

using Bytes = std::vector<Byte>;
using Row = FamilyDataForm::Row;

const Bytes kPmem = UniversalDump("LM  8973PM", 1632, 1);
const Bytes kPced = UniversalDump("LM  8973PE", 51, 2);
const Bytes kSystem = UniversalDump("LM  8973S ", 85, 3);
// Reading A of the cartridge block: one message, 63 groups.
const Bytes kMcryc = UniversalDump("LM  MCRYC ", 256, 4, 63);

// GIVEN the window open over a program in its own folder, its files chosen
// by the test.
struct FamilyWindow : ::testing::Test {
    ScratchFolder folder{"family"};
    ProgramFixture f;
    FamilyDataForm &form = f.program.familyData;
    std::filesystem::path loadFile, saveFile;
    void SetUp() override {
        f.out.open();
        form.chooseLoadFile = [this] { return std::optional<std::string>(loadFile.string()); };
        form.chooseSaveFile = [this] { return std::optional<std::string>(saveFile.string()); };
        f.program.form1.mnuFamilyDataClick();
    }
    void load(const std::string &name, const Bytes &bytes) {
        loadFile = folder / name;
        WriteBytes(loadFile, bytes);
        f.host.boxes.clear();
        form.loadClick();
    }
};

TEST_F(FamilyWindow, OpensFromTheMidiMenuAndClosesWithNothingUnwritten) {
    EXPECT_TRUE(form.isOpen());
    EXPECT_EQ(f.host.shown, std::vector<WindowId>{WindowId::FamilyData});
    form.closeClick();
    EXPECT_EQ(f.host.closed, std::vector<WindowId>{WindowId::FamilyData});
    EXPECT_TRUE(f.host.boxes.empty());
}

TEST_F(FamilyWindow, AFileListsItsUniversalDumpsLeavesTheBankAndSavesThemBackByteForByte) {
    const Bytes bank = ReadBytes(TestData("rom1a.syx"));
    const std::vector<Bytes> family{kPmem, kSystem, kMcryc};
    // Sheet 1.2: lengths 1650 and 103; the cartridge block 4 + 63 x 269 + 1.
    const std::vector<Row> expected{
        {"PMEM（32パフォーマンス）", "DX7 II", "1", "1650", "良好"},
        {"SYSTEM（システム・セットアップ）", "DX7 II", "1", "103", "良好"},
        {"MCRYC（カートリッジのマイクロチューニング）", "DX7 II", "63", "16952", "良好"},
    };
    struct Case {
        const char *name;
        Bytes file;
    };
    const Case cases[] = {
        {"family.syx", Joined({kPmem, kSystem, kMcryc, bank})},
        {"family.mid", InMidiFile({kPmem, kSystem, kMcryc, bank})},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        load(c.name, c.file);
        const std::vector<Row> rows = form.rows();
        ASSERT_EQ(rows.size(), expected.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i].kind, expected[i].kind);
            EXPECT_EQ(rows[i].model, expected[i].model);
            EXPECT_EQ(rows[i].count, expected[i].count);
            EXPECT_EQ(rows[i].bytes, expected[i].bytes);
            EXPECT_EQ(rows[i].state, expected[i].state);
        }
        // The bank is the main window's to load, and the user is told so.
        ASSERT_EQ(f.host.boxes.size(), 1u);
        EXPECT_NE(f.host.boxes[0].text.find("音色データ 1 件は読み込んでいません"), std::string::npos)
            << f.host.boxes[0].text;
        EXPECT_EQ(f.ws.voiceTable().all, ProgramFixture().ws.voiceTable().all);

        saveFile = folder / "saved.syx";
        form.saveClick();
        EXPECT_EQ(ReadBytes(saveFile), Joined(family));
        load("saved.syx", ReadBytes(saveFile));
        EXPECT_EQ(form.messages(), family);
        EXPECT_TRUE(f.host.boxes.empty()); // nothing left in the file this time
    }
}

TEST_F(FamilyWindow, ADamagedDumpIsListedWithItsReasonAndAFileWithoutAnyIsNamed) {
    Bytes badSum = kPmem;
    badSum[badSum.size() - 2] ^= 0x01;
    // A performance edit buffer declaring 60 bytes for its 10 + 50: framed
    // whole, but not the 61 of the sheet.
    const Bytes shortPced = UniversalDump("LM  8973PE", 50);
    const Bytes unknown = UniversalDump("LM  8976AE", 23);
    load("damaged.syx", Joined({badSum, shortPced, unknown}));
    const std::vector<Row> rows = form.rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].state, "壊れています（チェックサムが違います）");
    EXPECT_EQ(rows[1].state, "壊れています（バイト数が違います）");
    EXPECT_EQ(rows[2].kind, "不明な名前「LM  8976AE」");
    EXPECT_EQ(rows[2].model, "");
    EXPECT_EQ(rows[2].state, "良好");

    load("voices-only.syx", ReadBytes(TestData("rom1a.syx")));
    ASSERT_EQ(f.host.boxes.size(), 1u);
    EXPECT_NE(f.host.boxes[0].text.find("「voices-only.syx」には DX7 II のデータ"), std::string::npos);
    EXPECT_EQ(form.rows().size(), 3u); // the list stays as it was
}

TEST_F(FamilyWindow, DeleteRemovesTheChosenRowsAndAnEmptyListIsNotSaved) {
    load("three.syx", Joined({kPmem, kPced, kSystem}));
    form.selected = {0, 2};
    form.deleteClick();
    EXPECT_EQ(form.messages(), std::vector<Bytes>{kPced});
    form.selected = {0};
    form.deleteClick();
    saveFile = folder / "empty.syx";
    f.host.boxes.clear();
    form.saveClick();
    EXPECT_FALSE(std::filesystem::exists(saveFile));
    EXPECT_EQ(f.host.boxTexts(), std::vector<std::string>{family_data_text::kNothingListed});
}

// GIVEN the program on its virtual DX7 as a DX7 II, the window open.
struct FamilyWindowOnDx7ii : ::testing::Test {
    ScratchFolder folder{"family-dx7"};
    VirtualDx7ProgramFixture f{InstrumentModel::Dx7ii};
    FamilyDataForm &form = f.program.familyData;
    void SetUp() override {
        form.chooseLoadFile = [this] { return std::optional<std::string>((folder / "in.syx").string()); };
        f.program.form1.mnuFamilyDataClick();
    }
    void load(const std::vector<Bytes> &messages) {
        WriteBytes(folder / "in.syx", Joined(messages));
        form.loadClick();
    }
    std::size_t sysExSent() const {
        std::size_t n = 0;
        for (const MidiTrafficEntry &e : f.state.midiTraffic.entries())
            n += e.direction == MidiTrafficEntry::Direction::Out && !e.bytes.empty() && e.bytes[0] == 0xF0;
        return n;
    }
};

TEST_F(FamilyWindowOnDx7ii, WhatIsSentComesBackByteForByteOnTheInstrumentsDeviceNumber) {
    for (const int channel : {1, 3}) {
        SCOPED_TRACE(channel);
        f.state.exchange.channel = channel;
        f.dx7.receiveChannel = channel - 1;
        const Byte device = static_cast<Byte>(channel - 1);
        // In the order the window asks for them: performances, edit buffer,
        // set-up; saved from an instrument of another device number.
        const std::vector<Bytes> sent{FamilyDump(0x7E, "LM  8973PM", 1632, 1, 5),
                                      FamilyDump(0x7E, "LM  8973PE", 51, 2, 5),
                                      FamilyDump(0x7E, "LM  8973S ", 85, 3, 5)};
        load(sent);
        f.host.boxes.clear();
        form.transmitClick();
        ASSERT_EQ(f.host.boxes.size(), 1u); // the confirmation names the count
        EXPECT_NE(f.host.boxes[0].text.find("3 件"), std::string::npos) << f.host.boxes[0].text;
        for (const Bytes &m : sent) {
            const std::string name(m.begin() + 6, m.begin() + 16);
            const std::vector<Byte> *held = f.dx7.familyMemory().held(name);
            ASSERT_NE(held, nullptr) << name;
            Bytes expected = m;
            expected[2] = device; // only the device number is changed
            EXPECT_EQ(*held, expected) << name;
        }

        form.selected = {0, 1, 2};
        form.deleteClick();
        f.host.boxes.clear();
        const std::size_t before = f.state.midiTraffic.total();
        form.receiveClick();
        std::vector<Bytes> requests;
        const auto &log = f.state.midiTraffic.entries();
        for (std::size_t i = log.size() - static_cast<std::size_t>(f.state.midiTraffic.total() - before);
             i < log.size(); ++i)
            if (log[i].direction == MidiTrafficEntry::Direction::Out) requests.push_back(log[i].bytes);
        EXPECT_EQ(requests, (std::vector<Bytes>{FamilyRequest("LM  8973PM", device),
                                                FamilyRequest("LM  8973PE", device),
                                                FamilyRequest("LM  8973S ", device)}));
        std::vector<Bytes> back = sent;
        for (Bytes &m : back)
            m[2] = device;
        EXPECT_EQ(form.messages(), back);
        ASSERT_EQ(f.host.boxes.size(), 1u);
        EXPECT_EQ(f.host.boxes[0].text.find(family_data_text::kNotCame.ja), std::string::npos);
        // Received and not saved: closing asks, No keeps the list.
        f.host.boxes.clear();
        f.host.answers = {MsgResult::No};
        form.closeClick();
        ASSERT_EQ(f.host.boxes.size(), 1u);
        EXPECT_EQ(f.host.boxes[0].defaultButton, MsgResult::No);
        EXPECT_TRUE(form.isOpen());
        EXPECT_EQ(form.messages().size(), 3u);
        f.host.answers = {MsgResult::Yes};
        form.loadClick(); // loading over it asks as well, and Yes replaces it
        EXPECT_EQ(form.messages(), sent);
    }
}

TEST_F(FamilyWindowOnDx7ii, WhatTheInstrumentDoesNotHoldIsNamedAsNotCome) {
    f.dx7.receive(kPmem); // only the performances are held
    form.receiveClick();
    EXPECT_EQ(form.messages(), std::vector<Bytes>{kPmem});
    ASSERT_EQ(f.host.boxes.size(), 1u);
    const std::string said = f.host.boxes[0].text;
    EXPECT_NE(said.find("届いたデータ：PMEM（32パフォーマンス）"), std::string::npos) << said;
    EXPECT_NE(said.find("届かなかったデータ：PCED（パフォーマンス・エディットバッファ）、SYSTEM"),
              std::string::npos)
        << said;
}

TEST_F(FamilyWindowOnDx7ii, RefusedForTheMkIOrWithoutAPortAndNothingGoesOut) {
    load({kPmem});
    using Click = void (FamilyDataForm::*)();
    struct Case {
        const char *label;
        Click click;
        InstrumentModel model;
        bool outputOpen, inputOpen;
        Text said;
    };
    const Case cases[] = {
        {"send, model DX7", &FamilyDataForm::transmitClick, InstrumentModel::Dx7, true, true,
         family_data_text::kMk1Send},
        {"send, no output", &FamilyDataForm::transmitClick, InstrumentModel::Dx7ii, false, true,
         family_data_text::kNoOutput},
        {"receive, model DX7", &FamilyDataForm::receiveClick, InstrumentModel::Dx7, true, true,
         family_data_text::kMk1Receive},
        {"receive, no input", &FamilyDataForm::receiveClick, InstrumentModel::Dx7ii, true, false,
         family_data_text::kNoInput},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        f.state.exchange.model = c.model;
        if (!c.outputOpen) f.out.close();
        if (!c.inputOpen) CloseMidiIn(&f.in, f.program.form1.receiveHook);
        const std::size_t before = sysExSent();
        f.host.boxes.clear();
        (form.*c.click)();
        EXPECT_EQ(f.host.boxTexts(), std::vector<std::string>{c.said});
        EXPECT_EQ(sysExSent(), before);
        EXPECT_EQ(f.dx7.familyDumpsLoaded(), 0);
        EXPECT_EQ(form.messages(), std::vector<Bytes>{kPmem});
        f.out.open();
        if (!c.inputOpen) f.program.form1.startInputAtLoad();
    }
}

TEST_F(FamilyWindowOnDx7ii, WhileItSendsTheMainWindowsSendsAreRefused) {
    load({kPmem, kSystem});
    bool tried = false;
    f.host.onProcessEvents = [this, &tried] {
        f.program.pumpMidiInput();
        if (!tried && f.state.transmitting) {
            tried = true;
            f.program.form1.mnuConnectionCheckClick();
        }
    };
    form.transmitClick();
    EXPECT_TRUE(tried);
    const std::vector<std::string> said = f.host.boxTexts();
    EXPECT_NE(std::find(said.begin(), said.end(), std::string(unwritten_text::kTransferRunning)), said.end());
    EXPECT_FALSE(f.state.transmitting);
    EXPECT_EQ(f.dx7.familyDumpsLoaded(), 2);
    EXPECT_EQ(f.dx7.programChanges(), 0); // the check sent nothing
}

} // namespace
} // namespace vox::test
