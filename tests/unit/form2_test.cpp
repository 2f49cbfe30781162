// The editor window: what it shows after loading, what a click opens, the
// bytes "変更" sends and what the command row does.
#include "editor/form2.h"
#include "midi/midi_output.h"
#include "test_support.h"
#include "voice/init_voice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>

using namespace vox;
using Bytes = std::vector<Byte>;

namespace {

class Form2Test : public ::testing::Test {
protected:
    test::ProgramFixture f;
    Form2 &form = f.program.form2;
    test::ScratchFolder scratch{"form2"};
    std::filesystem::path folder = scratch.path();

    void SetUp() override {
        f.out.open();
        f.state.programFolder = folder;
    }

    // Puts a voice into a slot and the edit area, as the main window leaves
    // them (slot 0 as a file load, an entry of a bank otherwise), and loads
    // the editor.
    void LoadVoice(int slot, const Slot &voice) {
        if (slot == 0)
            f.ws.placeVoice(voice);
        else {
            test::SeedBank(f.ws, [&](int n) { return n == slot ? voice : InitialVoice(); });
            f.ws.placeEntry(slot);
        }
        form.load();
        f.out.sent.clear();
    }
    void LoadInit(int slot = 5) { LoadVoice(slot, InitialVoice()); }

    static Slot WithParam(Slot s, int p, int v) {
        s[ParamPos(p)] = static_cast<Byte>(v);
        return s;
    }
    // The voice with its ten name bytes set from `name`, padded with spaces.
    static Slot Named(Slot s, std::string_view name) {
        for (std::size_t c = 0; c < kNameLength; ++c)
            s[kNamePos + c] = static_cast<Byte>(c < name.size() ? name[c] : ' ');
        return s;
    }
};

Bytes Change(int p, int v) {
    return {0xF0, 0x43, 0x10, static_cast<Byte>(p >> 7), static_cast<Byte>(p & 0x7F), static_cast<Byte>(v),
            0xF7};
}

// --- Loading ---------------------------------------------------------------

TEST_F(Form2Test, LoadShowsOperatorSixInTheTopRowAndOperatorOneAtTheBottom) {
    Slot v = InitialVoice();
    v[ParamPos(BlockParamNumber(0, OpParam::OutputLevel))] = 99;
    v[ParamPos(BlockParamNumber(5, OpParam::OutputLevel))] = 0;
    v[ParamPos(BlockParamNumber(0, OpParam::Detune))] = 10;
    v[ParamPos(BlockParamNumber(5, OpParam::BreakPoint))] = 15;
    v[ParamPos(BlockParamNumber(5, OpParam::LeftCurve))] = 3;
    v[ParamPos(BlockParamNumber(5, OpParam::OscMode))] = 1;
    v[ParamPos(BlockParamNumber(5, OpParam::FreqCoarse))] = 2;
    v[ParamPos(BlockParamNumber(5, OpParam::FreqFine))] = 1;
    LoadVoice(5, v);

    // Row 0 is block 0 (operator 6), row 5 block 5 (operator 1).
    const struct {
        int field;
        std::size_t row;
        const char *text;
    } kShown[] = {
        {37, 0, "99"},  {37, 5, "0"},    {22, 0, "+3"}, {22, 5, "0"}, {31, 5, "C 1"},
        {31, 0, "C 3"}, {32, 5, "+LIN"}, {20, 5, "F"},  {20, 0, "R"}, {21, 5, "102.3"},
        {21, 0, "1"},   {23, 0, "99"},   {30, 0, "0"},
    };
    for (const auto &s : kShown)
        EXPECT_EQ(form.chart(s.field)[s.row], s.text) << "field " << s.field << " row " << s.row;
}

TEST_F(Form2Test, LoadShowsTheGlobalFieldsThroughTheirTexts) {
    Slot v = InitialVoice();
    v = WithParam(v, param::LfoWave, 5);
    v = WithParam(v, param::Feedback, 6);
    LoadInit();
    LoadVoice(5, v);
    const std::pair<std::size_t, const char *> kShown[] = {
        {1, "6"}, {2, " S&H"}, {3, "35"}, {7, "ON"}, {9, "99"}, {13, "50"}, {17, "C 3"}, {18, "3"},
    };
    for (const auto &[box, text] : kShown)
        EXPECT_EQ(form.text[box], text) << "Text" << box;
    EXPECT_EQ(form.label29, "Ｏ　Ｎ");
}

TEST_F(Form2Test, AlgorithmByteZeroShowsOneAndByteThirtyOneShowsThirtyTwo) {
    LoadVoice(5, WithParam(InitialVoice(), param::Algorithm, 0));
    EXPECT_EQ(form.text8, "1");
    EXPECT_EQ(form.picture1File, "alg1.jpg");
    LoadVoice(5, WithParam(InitialVoice(), param::Algorithm, 31));
    EXPECT_EQ(form.text8, "32");
    EXPECT_EQ(form.picture1File, "alg32.jpg");
    EXPECT_EQ(form.values.algorithmNo, 32);
}

TEST_F(Form2Test, LoadSplitsTheEditAreaTextIntoNumberAndNameAndShowsTheEditBuffer) {
    LoadVoice(0, InitialVoice());
    EXPECT_EQ(form.label34, " 0. ");
    EXPECT_EQ(form.text39, "INIT VOICE");
    EXPECT_EQ(form.loadedName, "INIT VOICE");
    EXPECT_EQ(f.ws.editBuffer(), InitialVoice());
    EXPECT_FALSE(form.frame1Visible);
    EXPECT_FALSE(form.shape1Border);

    // Leading spaces of the name are not shown; trailing ones are.
    LoadVoice(12, Named(InitialVoice(), "  SOFT PAD"));
    EXPECT_EQ(form.label34, " 12.");
    EXPECT_EQ(form.text39, "SOFT PAD");
    LoadVoice(12, Named(InitialVoice(), "SOFT PAD"));
    EXPECT_EQ(form.text39, "SOFT PAD  ");
}

TEST_F(Form2Test, LoadShowsTheEditAreaVoiceNotTheSlotsParameters) {
    // GIVEN an EditBuffer whose parameters and name differ from its slot's
    // (an ended edit) and whose header bytes differ too
    Slot slot = InitialVoice();
    slot[2] = 0x05; // the channel nibble as a DX7 sent it
    test::SeedBank(f.ws, [&](int n) { return n == 4 ? slot : Slot{}; });
    Slot edited = Named(WithParam(InitialVoice(), param::Feedback, 6), "EDITED");
    edited[2] = 0x00;
    test::SeedEditArea(f.ws, 4, edited);
    // WHEN the editor loads
    form.load();
    // THEN it shows the EditBuffer's values and name
    EXPECT_EQ(form.text[1], "6");
    EXPECT_EQ(form.text39, "EDITED    ");
    EXPECT_EQ(form.label34, "  4.");
    // and neither the EditBuffer nor the slot changes
    EXPECT_EQ(f.ws.editBuffer(), edited);
    EXPECT_EQ(f.ws.voiceTable()[4], slot);
}

// --- Group openings ----------------------------------------------------------

TEST_F(Form2Test, EveryClickTargetOpensItsGroupUnderItsSelectionFrame) {
    LoadInit();
    struct Expect {
        const char *control;
        int group;
        TwipsBox frame;
    };
    const Expect expected[] = {
        {"Text23_2", 0, {3465, 2520, 3975, 3030}},    {"Text24_0", 0, {3465, 2520, 3975, 3030}},
        {"Label13_6", 0, {3465, 2520, 3975, 3030}},   {"Text31_4", 8, {7425, 2520, 510, 2445}},
        {"Text35_1", 9, {8910, 2535, 1020, 2445}},    {"Label13_8", 11, {7905, 2535, 1020, 2445}},
        {"Text36_0", 13, {9885, 2550, 540, 3000}},    {"Text19_5", 14, {1125, 2520, 555, 2445}},
        {"Label13_12", 15, {10875, 2550, 540, 2490}}, {"Text37_3", 16, {10380, 2550, 540, 2490}},
        {"Label29", 17, {1665, 2565, 1320, 2400}},    {"Text21_0", 17, {1665, 2565, 1320, 2400}},
        {"Label13_5", 20, {2970, 2520, 510, 2445}},   {"Text16", 126, {6930, 495, 3975, 1995}},
        {"Label12", 126, {6930, 495, 3975, 1995}},    {"Text8", 134, {45, 450, 3390, 2085}},
        {"Label11", 135, {3465, 495, 510, 1995}},     {"Label58", 137, {4455, 495, 510, 1680}},
        {"Text4", 138, {4950, 495, 510, 1680}},       {"Text5", 139, {5445, 495, 510, 1680}},
        {"Label61", 140, {5940, 495, 510, 1680}},     {"Text7", 141, {6435, 495, 510, 1680}},
        {"Label57", 142, {3960, 495, 510, 1680}},     {"Label13_0", 143, {675, 2520, 510, 2445}},
        {"Text17", 144, {10890, 495, 510, 1995}},
    };
    for (const auto &e : expected) {
        f.state.selectedGroup = -1;
        form.shape1Border = false;
        form.frame1Visible = false;
        form.controlClick(e.control);
        EXPECT_EQ(f.state.selectedGroup, e.group) << e.control;
        EXPECT_TRUE(form.frame1Visible) << e.control;
        EXPECT_TRUE(form.shape1Border) << e.control;
        EXPECT_EQ(form.shape1, e.frame) << e.control;
    }
}

TEST_F(Form2Test, ClicksOutsideTheTargetsChangeNothing) {
    LoadInit();
    f.state.selectedGroup = 16;
    for (const char *name : {"Label13_3", "Text39", "Label34", "Text40", "Text2_1", "Text190_0"}) {
        form.controlClick(name);
        EXPECT_EQ(f.state.selectedGroup, 16) << name;
        EXPECT_FALSE(form.frame1Visible) << name;
    }
}

TEST_F(Form2Test, AnyRowOfOutputLevelOpensTheColumnsInOperatorOrder) {
    Slot v = InitialVoice();
    v[ParamPos(BlockParamNumber(0, OpParam::OutputLevel))] = 66; // operator 6
    v[ParamPos(BlockParamNumber(5, OpParam::OutputLevel))] = 11; // operator 1
    LoadVoice(5, v);
    for (const char *name : {"Text37_0", "Text37_5"}) {
        form.controlClick(name);
        EXPECT_EQ(form.text42[0], "11") << name;
        EXPECT_EQ(form.text42[5], "66") << name;
        EXPECT_TRUE(form.frame5Visible);
        EXPECT_FALSE(form.frame3Visible);
        EXPECT_FALSE(form.text44Visible[0]);
        EXPECT_EQ(form.upDown5[2].max, 99);
        EXPECT_EQ(form.upDown6[2].min, 0);
    }
}

// A value stepped and not applied is not dropped without a word: opening a
// group (the same one at another column too), EDIT終了 or the 1-voice save
// asks whether to apply it first.
TEST_F(Form2Test, ValuesSteppedAndNotAppliedAreAskedAboutBeforeTheZoneMovesOn) {
    struct Case {
        const char *name;
        MsgResult answer;
        std::function<void(Form2 &)> action;
        bool sent;      // break point 53 ("D 4") reached the instrument
        int shownGroup; // the group open afterwards
        bool stillOpen; // the editor is open afterwards
    };
    const auto reopen = [](Form2 &form) { form.controlClick("Text31_3"); };
    const auto end = [](Form2 &form) { form.command2Click(1); };
    const int breakPoint = static_cast<int>(Group::BreakPoint);
    const int algorithm = static_cast<int>(Group::Algorithm);
    const Case cases[] = {
        {"reopen, apply", MsgResult::Yes, reopen, true, breakPoint, true},
        {"reopen, discard", MsgResult::No, reopen, false, breakPoint, true},
        {"reopen, stay", MsgResult::Cancel, reopen, false, breakPoint, true},
        {"other group, apply", MsgResult::Yes, [](Form2 &form) { form.controlClick("Text8"); }, true,
         algorithm, true},
        {"end, apply", MsgResult::Yes, end, true, breakPoint, false},
        {"end, stay", MsgResult::Cancel, end, false, breakPoint, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        LoadInit();
        form.controlClick("Text31_0");
        EXPECT_FALSE(form.zonePending());
        EXPECT_EQ(form.zoneName, "KEYBOARD LEVEL SCALING  BREAK POINT");
        form.upDown5Up(0); // an octave up: C 3 -> C 4
        form.upDown6Up(0);
        form.upDown6Up(0); // D 4: break point 53 (A-1 is 0, C 3 is 39)
        EXPECT_TRUE(form.zonePending());
        f.host.boxes.clear();
        f.host.answers = {c.answer};
        c.action(form);
        ASSERT_EQ(f.host.boxes.size(), 1u);
        EXPECT_EQ(f.host.boxes[0].buttons, MsgButtons::YesNoCancel);
        EXPECT_EQ(f.host.boxes[0].defaultButton, MsgResult::Yes);
        const bool sent = std::ranges::find(f.out.sent, Change(OpParamNumber(1, OpParam::BreakPoint), 53)) !=
                          f.out.sent.end();
        EXPECT_EQ(sent, c.sent);
        EXPECT_EQ(form.isOpen(), c.stillOpen);
        if (!c.stillOpen) continue;
        EXPECT_EQ(form.selectedGroup(), c.shownGroup);
        // Staying keeps the stepped value and its mark; either answer clears it.
        EXPECT_EQ(form.zonePending(), c.answer == MsgResult::Cancel);
        if (c.shownGroup == breakPoint) {
            EXPECT_EQ(form.text42[0], c.answer == MsgResult::No ? "C 3" : "D 4");
        }
    }
    // With nothing stepped, nothing is asked.
    LoadInit();
    form.controlClick("Text31_0");
    f.host.boxes.clear();
    form.controlClick("Text8");
    EXPECT_TRUE(f.host.boxes.empty());
}

TEST_F(Form2Test, LfoWaveOpensWithTheNameShownAndTheValueHidden) {
    LoadVoice(5, WithParam(InitialVoice(), param::LfoWave, 4));
    form.controlClick("Text2");
    EXPECT_EQ(form.label31, "SINE");
    EXPECT_TRUE(form.label31Visible);
    EXPECT_FALSE(form.text40Visible);
    EXPECT_EQ(form.text40, "4");
    EXPECT_EQ(form.upDown1.min, 0);
    EXPECT_EQ(form.upDown1.max, 5);
    EXPECT_FALSE(form.upDown2.visible);
    EXPECT_TRUE(form.frame3Visible);
}

TEST_F(Form2Test, TransposeOpensWithTheNoteTextAndTheTenButtons) {
    LoadInit();
    form.controlClick("Label63");
    EXPECT_EQ(form.text40, "24");
    EXPECT_FALSE(form.text40Visible);
    EXPECT_EQ(form.label31, "C 3");
    EXPECT_TRUE(form.upDown2.visible);
    EXPECT_EQ(form.upDown2.max, 48);
}

TEST_F(Form2Test, LfoSyncOffOpensTheOnOffPanelWithOffSelected) {
    LoadVoice(5, WithParam(InitialVoice(), param::LfoKeySync, 0));
    form.controlClick("Label62");
    EXPECT_TRUE(form.frame2Visible);
    EXPECT_FALSE(form.frame3Visible);
    EXPECT_FALSE(form.option1);
    EXPECT_EQ(form.text40, "0");
}

TEST_F(Form2Test, CurveOpensBothRowsWithTheLeftRowActive) {
    LoadInit();
    form.controlClick("Text33_2");
    for (int j = 0; j < 6; ++j)
        EXPECT_TRUE(form.text44Visible[j]);
    EXPECT_EQ(form.text42[0], "-LIN");
    EXPECT_TRUE(form.label9Visible);
    EXPECT_TRUE(form.label33Visible);
    EXPECT_EQ(form.shape5Border, (std::array<bool, 2>{true, false}));
    EXPECT_EQ(form.entry.leftActive, 1);
    EXPECT_EQ(form.entry.rightActive, 0);
}

TEST_F(Form2Test, OscillatorOpensWithFixedModeSelectedForOperatorOne) {
    Slot v = InitialVoice();
    v[ParamPos(OpParamNumber(1, OpParam::OscMode))] = 1;
    v[ParamPos(OpParamNumber(1, OpParam::FreqCoarse))] = 2;
    LoadVoice(5, v);
    form.controlClick("Text20_4");
    EXPECT_TRUE(form.option4[0]);
    EXPECT_FALSE(form.option4[1]);
    EXPECT_EQ(form.entry.oscMode[0], 1);
    EXPECT_EQ(form.entry.coarse[0], 2);
    EXPECT_EQ(form.text42[0], "100");
    EXPECT_TRUE(form.frame7Visible);
    EXPECT_TRUE(form.frame8Visible);
    EXPECT_TRUE(form.frame6Visible[3]);
    EXPECT_TRUE(form.upDown7[5].visible);
    EXPECT_TRUE(form.option5);
    EXPECT_EQ(form.text40, "1");
}

TEST_F(Form2Test, OperatorEgOpensTheGridWithOnlyOperatorOneSelected) {
    Slot v = InitialVoice();
    v[ParamPos(OpParamNumber(1, OpParam::Level1))] = 42;
    LoadVoice(5, v);
    form.controlClick("Text24_3");
    EXPECT_EQ(f.state.selectedGroup, 0);
    EXPECT_EQ(form.text43[29], "42"); // column 4 (level 1) of row 5
    EXPECT_EQ(form.text43[0], "99");
    EXPECT_EQ(form.egRowSelected[5], 1);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(form.egRowSelected[i], 0);
    EXPECT_TRUE(form.shape3Border[5]);
    EXPECT_TRUE(form.frame10Visible);
    EXPECT_FALSE(form.picture2Visible[0]);
    for (int n = 1; n <= 6; ++n)
        EXPECT_TRUE(form.picture2Visible[n]);
}

TEST_F(Form2Test, PitchEgAndAlgorithmOpenTheirPanels) {
    LoadVoice(5, WithParam(WithParam(InitialVoice(), param::Algorithm, 4), param::PitchLevel1 + 2, 61));
    form.controlClick("Text9");
    EXPECT_TRUE(form.frame4Visible);
    EXPECT_TRUE(form.picture2Visible[0]);
    EXPECT_FALSE(form.frame10Visible);
    EXPECT_EQ(form.text41[0], "99");
    EXPECT_EQ(form.text41[6], "61");

    form.controlClick("Label30");
    EXPECT_FALSE(form.frame4Visible);
    EXPECT_FALSE(form.picture2Visible[0]);
    EXPECT_TRUE(form.picture3Visible);
    EXPECT_EQ(form.text40, "5");
    EXPECT_EQ(form.picture3File, "alg5.jpg");
    EXPECT_EQ(form.upDown1.min, 1);
    EXPECT_EQ(form.upDown1.max, 32);
    EXPECT_TRUE(form.upDown2.visible);
}

TEST_F(Form2Test, EachSingleValueGroupOpensWithItsValueRangeAndButtons) {
    struct Expect {
        const char *control;
        int parameter, stored, max;
        bool tenButtons;
        const char *caption; // Label31, when shown
    };
    const Expect expected[] = {
        {"Text1", 135, 5, 7, false, nullptr},  {"Text3", 137, 41, 99, true, nullptr},
        {"Text4", 138, 42, 99, true, nullptr}, {"Text5", 139, 43, 99, true, nullptr},
        {"Text6", 140, 44, 99, true, nullptr}, {"Text18", 143, 6, 7, false, nullptr},
        {"Text2", 142, 1, 5, false, "SawD"},   {"Text17", 144, 13, 48, true, "C# 2"},
    };
    for (const auto &e : expected) {
        LoadVoice(5, WithParam(InitialVoice(), e.parameter, e.stored));
        form.controlClick(e.control);
        EXPECT_EQ(f.state.selectedGroup, e.parameter) << e.control;
        EXPECT_EQ(form.text40, std::to_string(e.stored)) << e.control;
        EXPECT_EQ(form.upDown1.min, 0) << e.control;
        EXPECT_EQ(form.upDown1.max, e.max) << e.control;
        EXPECT_EQ(form.upDown2.max, e.max) << e.control;
        EXPECT_EQ(form.upDown2.visible, e.tenButtons) << e.control;
        EXPECT_TRUE(form.frame3Visible) << e.control;
        EXPECT_FALSE(form.frame2Visible) << e.control;
        EXPECT_EQ(form.label31Visible, e.caption != nullptr) << e.control;
        EXPECT_EQ(form.text40Visible, e.caption == nullptr) << e.control;
        if (e.caption) {
            EXPECT_EQ(form.label31, e.caption) << e.control;
        }
    }
}

TEST_F(Form2Test, EachColumnGroupGivesItsRangeToTheColumnButtons) {
    struct Expect {
        const char *control;
        int min, max;
    };
    const Expect expected[] = {{"Text31_0", 0, 99}, {"Text36_0", 0, 7},  {"Text19_0", 0, 3},
                               {"Text38_0", 0, 7},  {"Text37_0", 0, 99}, {"Text22_0", -7, 7}};
    for (const auto &e : expected) {
        LoadInit();
        form.controlClick(e.control);
        for (int j = 0; j < 6; ++j) {
            EXPECT_EQ(form.upDown5[j].min, e.min) << e.control;
            EXPECT_EQ(form.upDown5[j].max, e.max) << e.control;
            EXPECT_EQ(form.upDown6[j].max, e.max) << e.control;
        }
        EXPECT_TRUE(form.frame5Visible) << e.control;
        EXPECT_FALSE(form.label9Visible) << e.control;
        EXPECT_FALSE(form.frame7Visible) << e.control;
    }
}

TEST_F(Form2Test, OpeningAnotherGroupHidesThePanelsOfTheLastOne) {
    LoadInit();
    form.controlClick("Text21_0");
    form.controlClick("Text1");
    EXPECT_FALSE(form.frame5Visible);
    EXPECT_FALSE(form.frame7Visible);
    EXPECT_FALSE(form.frame8Visible);
    EXPECT_FALSE(form.frame6Visible[0]);
    EXPECT_FALSE(form.upDown7[0].visible);
    EXPECT_FALSE(form.frame9Visible[1]);
    form.controlClick("Text35_0");
    form.controlClick("Text9");
    EXPECT_FALSE(form.text44Visible[3]);
    EXPECT_FALSE(form.shape5Visible[0]);
    EXPECT_FALSE(form.label33Visible);
    EXPECT_FALSE(form.frame3Visible);
    form.controlClick("Label30");
    form.controlClick("Text3");
    EXPECT_FALSE(form.picture3Visible);
    EXPECT_TRUE(form.text40Visible);
}

// --- 変更 --------------------------------------------------------------------

TEST_F(Form2Test, ApplyingPitchEgSendsEightChangesAcrossTheParameterGroups) {
    LoadInit();
    form.controlClick("Label12");
    for (int n = 0; n < 8; ++n)
        form.text41[static_cast<std::size_t>(n)] = std::to_string(10 + n);
    form.command1Click();
    const std::vector<Bytes> expected{
        {0xF0, 0x43, 0x10, 0x00, 0x7E, 10, 0xF7}, {0xF0, 0x43, 0x10, 0x00, 0x7F, 11, 0xF7},
        {0xF0, 0x43, 0x10, 0x01, 0x00, 12, 0xF7}, {0xF0, 0x43, 0x10, 0x01, 0x01, 13, 0xF7},
        {0xF0, 0x43, 0x10, 0x01, 0x02, 14, 0xF7}, {0xF0, 0x43, 0x10, 0x01, 0x03, 15, 0xF7},
        {0xF0, 0x43, 0x10, 0x01, 0x04, 16, 0xF7}, {0xF0, 0x43, 0x10, 0x01, 0x05, 17, 0xF7},
    };
    EXPECT_EQ(f.out.sent, expected);
    for (int n = 0; n < 8; ++n)
        EXPECT_EQ(f.ws.editBuffer()[132 + static_cast<std::size_t>(n)], 10 + n);
    EXPECT_EQ(form.text[9], "10");
    EXPECT_EQ(form.text[16], "17");
    EXPECT_EQ(f.ws.voiceTable()[5], InitialVoice()); // the slot is never written
}

TEST_F(Form2Test, ApplyingTheOscillatorSendsModesCoarsesFinesThenKeySync) {
    LoadInit();
    form.controlClick("Text21_0");
    form.entry.oscMode[0] = 1; // operator 1 fixed
    form.entry.coarse[0] = 3;
    form.entry.fine[5] = 40;    // operator 6
    form.showEntryFrequency(0); // as the mode and step buttons show them
    form.showEntryFrequency(5);
    form.text40 = "0";
    form.command1Click();
    ASSERT_EQ(f.out.sent.size(), 19u);
    EXPECT_EQ(f.out.sent[0], Change(17, 0));   // block 0 = operator 6 mode
    EXPECT_EQ(f.out.sent[5], Change(122, 1));  // block 5 = operator 1 mode
    EXPECT_EQ(f.out.sent[11], Change(123, 3)); // operator 1 coarse
    EXPECT_EQ(f.out.sent[12], Change(19, 40)); // operator 6 fine
    EXPECT_EQ(f.out.sent[18], (Bytes{0xF0, 0x43, 0x10, 0x01, 0x08, 0x00, 0xF7}));
    EXPECT_EQ(form.chart(20)[5], "F");
    EXPECT_EQ(form.chart(21)[5], "1000");
    EXPECT_EQ(form.chart(21)[0], "1.4");
    EXPECT_EQ(form.label29, "ＯＦＦ");
    EXPECT_EQ(f.ws.editBuffer()[ParamPos(param::OscKeySync)], 0);
    EXPECT_EQ(f.ws.editBuffer()[ParamPos(OpParamNumber(1, OpParam::OscMode))], 1);
}

TEST_F(Form2Test, ApplyingAlgorithm32SendsValue31AndShowsThePicture) {
    LoadInit();
    form.controlClick("Label30");
    form.text40 = "32";
    form.command1Click();
    EXPECT_EQ(f.out.sent, (std::vector<Bytes>{{0xF0, 0x43, 0x10, 0x01, 0x06, 0x1F, 0xF7}}));
    EXPECT_EQ(f.ws.editBuffer()[140], 31);
    EXPECT_EQ(form.text8, "32");
    EXPECT_EQ(form.picture1File, "alg32.jpg");
}

TEST_F(Form2Test, ApplyingLfoKeySyncOnWritesAndSendsParameter141) {
    LoadVoice(5, WithParam(InitialVoice(), param::LfoKeySync, 0));
    form.controlClick("Text7");
    form.text40 = "1"; // what the ＯＮ option writes
    form.command1Click();
    EXPECT_EQ(f.out.sent, (std::vector<Bytes>{{0xF0, 0x43, 0x10, 0x01, 0x0D, 0x01, 0xF7}}));
    EXPECT_EQ(f.ws.editBuffer()[147], 1);
    EXPECT_EQ(form.text[7], "ON");
    EXPECT_EQ(form.values.lfoSync, 1);
}

// Texts typed into the boxes of a group: the changes sent, block by block,
// and what the chart and the edit buffer then hold.
namespace {

struct TypedApply {
    struct Sent {
        std::size_t at;
        int param, value;
    };
    struct Shown {
        int field;
        std::size_t row;
        const char *text;
    };
    struct Stored {
        std::size_t pos; // in the edit buffer
        int value;
    };
    const char *name;
    const char *control;
    void (*type)(Form2 &);
    std::size_t count;
    std::vector<Sent> sent;
    std::vector<Shown> shown;
    std::vector<Stored> stored;
};

void PrintTo(const TypedApply &c, std::ostream *os) { *os << c.name; }

class Form2TypedApplyTest : public Form2Test, public ::testing::WithParamInterface<TypedApply> {};

} // namespace

TEST_P(Form2TypedApplyTest, ApplyingSendsTheTypedValuesAndShowsThem) {
    const TypedApply &c = GetParam();
    LoadInit();
    form.controlClick(c.control);
    c.type(form);
    form.command1Click();
    ASSERT_EQ(f.out.sent.size(), c.count);
    for (const auto &s : c.sent)
        EXPECT_EQ(f.out.sent[s.at], Change(s.param, s.value)) << "message " << s.at;
    for (const auto &s : c.shown)
        EXPECT_EQ(form.chart(s.field)[s.row], s.text) << "field " << s.field << " row " << s.row;
    for (const auto &s : c.stored)
        EXPECT_EQ(f.ws.editBuffer()[s.pos], s.value) << "byte " << s.pos;
}

INSTANTIATE_TEST_SUITE_P(
    Groups, Form2TypedApplyTest,
    ::testing::Values(
        // +3 on operator 1 is parameter 125 value 10; operator 6 sends its stored 7 first.
        TypedApply{"DetunePlusThreeOnOperatorOne",
                   "Text22_5",
                   [](Form2 &m) { m.text42[0] = "+3"; },
                   6,
                   {{5, 125, 10}, {0, 20, 7}},
                   {{22, 5, "+3"}},
                   {{131, 10}}},
        // Left then right, per block.
        TypedApply{"DepthLeftThenRight",
                   "Text34_0",
                   [](Form2 &m) {
                       m.text42[5] = "12"; // operator 6 left
                       m.text44[0] = "34"; // operator 1 right
                   },
                   12,
                   {{0, 9, 12}, {11, 115, 34}},
                   {{34, 0, "12"}, {35, 5, "34"}},
                   {}},
        // Row after row.
        TypedApply{"OperatorEgRowAfterRow",
                   "Text25_1",
                   [](Form2 &m) {
                       m.text43[1] = "12"; // row 1 rate 1
                       m.text43[47] = "5"; // row 5 level 4
                   },
                   48,
                   {{8, 21, 12}, {47, 112, 5}},
                   {{23, 1, "12"}, {30, 5, "5"}},
                   {}}),
    [](const ::testing::TestParamInfo<TypedApply> &info) { return std::string(info.param.name); });

TEST_F(Form2Test, ApplyingBreakPointsAndCurvesTakesTheEntryValues) {
    LoadInit();
    form.controlClick("Text31_0");
    form.entry.breakPoint[0] = 15; // operator 1, as the step buttons leave it
    form.text42[0] = "C 1";
    form.command1Click();
    ASSERT_EQ(f.out.sent.size(), 6u);
    EXPECT_EQ(f.out.sent[5], Change(113, 15));
    EXPECT_EQ(f.out.sent[0], Change(8, 39));
    EXPECT_EQ(form.chart(31)[5], "C 1");
    EXPECT_EQ(form.values.breakPoint[1], 15);

    form.controlClick("Text32_0");
    form.entry.leftCurve[5] = 2;  // operator 6
    form.entry.rightCurve[0] = 3; // operator 1
    form.showEntryCurves(5);      // as the step buttons show them
    form.showEntryCurves(0);
    f.out.sent.clear();
    form.command1Click();
    ASSERT_EQ(f.out.sent.size(), 12u);
    EXPECT_EQ(f.out.sent[0], Change(11, 2));
    EXPECT_EQ(f.out.sent[11], Change(117, 3));
    EXPECT_EQ(form.chart(32)[0], "+EXP");
    EXPECT_EQ(form.chart(33)[5], "+LIN");
    EXPECT_EQ(form.values.rightCurve[1], 3);
    EXPECT_EQ(f.ws.editBuffer()[ParamPos(117)], 3);
}

TEST_F(Form2Test, ApplyingAColumnGroupSendsOneChangePerOperatorFromSixToOne) {
    struct Expect {
        const char *control;
        int offset;
    };
    for (const auto &e :
         {Expect{"Text36_0", 13}, Expect{"Text19_0", 14}, Expect{"Text38_0", 15}, Expect{"Text37_0", 16}}) {
        LoadInit();
        form.controlClick(e.control);
        for (int j = 0; j < 6; ++j)
            form.text42[static_cast<std::size_t>(j)] = std::to_string(j % 4);
        form.command1Click();
        ASSERT_EQ(f.out.sent.size(), 6u) << e.control;
        for (int b = 0; b < 6; ++b) // block b is operator 6 - b, column 5 - b
            EXPECT_EQ(f.out.sent[static_cast<std::size_t>(b)], Change(b * 21 + e.offset, (5 - b) % 4))
                << e.control;
    }
}

TEST_F(Form2Test, ApplyingLfoWaveAndTransposeShowsTheirTexts) {
    LoadInit();
    form.controlClick("Label57");
    form.text40 = "3";
    form.command1Click();
    EXPECT_EQ(form.text[2], "SQUA");
    EXPECT_EQ(form.values.lfoWaveText, "SQUA");
    EXPECT_EQ(f.out.sent.back(), Change(142, 3));
    form.controlClick("Label63");
    form.text40 = "47";
    form.command1Click();
    EXPECT_EQ(form.text[17], "B 4");
    EXPECT_EQ(f.out.sent.back(), Change(144, 47));
    EXPECT_EQ(f.ws.editBuffer()[150], 47);
}

TEST_F(Form2Test, AFiveLetterNameOverALongerOneIsSentPaddedWithBlanks) {
    LoadInit();
    form.controlClick("Label11");
    ASSERT_TRUE(form.text39Change("BRASS"));
    form.command1Click();
    ASSERT_EQ(f.out.sent.size(), 11u);
    const std::string expected = "BRASS     ";
    for (int c = 0; c < 10; ++c) {
        const Byte code = static_cast<Byte>(expected[static_cast<std::size_t>(c)]);
        EXPECT_EQ(f.out.sent[1 + static_cast<std::size_t>(c)],
                  (Bytes{0xF0, 0x43, 0x10, 0x01, static_cast<Byte>(17 + c), code, 0xF7}));
        EXPECT_EQ(f.ws.editBuffer()[151 + static_cast<std::size_t>(c)], code);
    }
    // The loaded name stays: a later apply sends the name again.
    f.out.sent.clear();
    form.command1Click();
    EXPECT_EQ(f.out.sent.size(), 11u);
}

TEST_F(Form2Test, AValueOutsideItsRangeIsClampedBeforeItIsSent) {
    LoadInit();
    form.controlClick("Text3");
    form.text40 = "250";
    form.command1Click();
    EXPECT_EQ(f.out.sent, (std::vector<Bytes>{Change(137, 99)}));
    EXPECT_EQ(form.text[3], "99");
    form.controlClick("Label30");
    form.text40 = "0";
    f.out.sent.clear();
    form.command1Click();
    EXPECT_EQ(f.out.sent, (std::vector<Bytes>{Change(134, 0)}));
    EXPECT_EQ(form.text8, "1");
}

// A box that holds no number is reported and nothing is sent, stored or
// shown. (An emptied box used to be applied as the group's lowest value,
// found by the editor fuzzer: it is refused like any other text that is no
// number.)
namespace {

struct NotANumber {
    const char *name;
    void (*open)(Form2 &);
    std::string &(*box)(Form2 &);
    const char *typed;
};

void PrintTo(const NotANumber &c, std::ostream *os) { *os << c.name; }

class Form2NotANumberTest : public Form2Test, public ::testing::WithParamInterface<NotANumber> {};

} // namespace

TEST_P(Form2NotANumberTest, IsReportedAndNothingChanges) {
    const NotANumber &c = GetParam();
    LoadInit();
    c.open(form);
    c.box(form) = c.typed;
    const Slot before = f.ws.editBuffer();
    const auto chart = form.rows;
    const auto texts = form.text;
    const std::string shown = form.text8;
    form.command1Click();
    EXPECT_TRUE(f.out.sent.empty());
    EXPECT_EQ(f.ws.editBuffer(), before);
    EXPECT_EQ(form.rows, chart);
    EXPECT_EQ(form.text, texts);
    EXPECT_EQ(form.text8, shown);
    ASSERT_EQ(f.host.boxes.size(), 1u);
    EXPECT_EQ(f.host.boxes[0].text, std::string(form2_text::kNotANumber) + "「" + c.typed + "」");
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, Form2NotANumberTest,
    ::testing::Values(NotANumber{"LettersInTheValueBox", [](Form2 &m) { m.controlClick("Text1"); },
                                 [](Form2 &m) -> std::string & { return m.text40; }, "x7"},
                      NotANumber{"EmptiedValueBox", [](Form2 &m) { m.controlClick("Label30"); },
                                 [](Form2 &m) -> std::string & { return m.text40; }, ""},
                      NotANumber{"EmptiedEnvelopeBox", [](Form2 &m) { m.openGroup(0); },
                                 [](Form2 &m) -> std::string & { return m.text43[7]; }, ""}),
    [](const ::testing::TestParamInfo<NotANumber> &info) { return std::string(info.param.name); });

TEST_F(Form2Test, ApplyBeforeAnyGroupIsOpenSendsNothing) {
    LoadInit();
    form.command1Click();
    EXPECT_TRUE(f.out.sent.empty());
}

TEST_F(Form2Test, TheNameBoxTakesOnlyWhatTheInstrumentCanStore) {
    LoadInit();
    EXPECT_TRUE(form.text39Change("abc~ 12"));
    EXPECT_EQ(form.text39, "abc~ 12");
    EXPECT_FALSE(form.text39Change("ＡＢ"));
    EXPECT_FALSE(form.text39Change("caf\xC3\xA9"));
    EXPECT_EQ(form.text39, "abc~ 12");
    // Any length is taken; the first ten characters are sent.
    EXPECT_TRUE(form.text39Change("ABCDEFGHIJ"));
    EXPECT_TRUE(form.text39Change("ABCDEFGHIJK"));
    EXPECT_EQ(form.text39, "ABCDEFGHIJK");
    form.command2Click(1);
    ASSERT_EQ(f.out.sent.size(), 10u);
    EXPECT_EQ(f.out.sent[0], Change(145, 'A'));
    EXPECT_EQ(f.out.sent[9], Change(154, 'J'));
    EXPECT_EQ(f.ws.editAreaText(), "  5. ABCDEFGHIJ");
}

// --- Commands ----------------------------------------------------------------

TEST_F(Form2Test, EndWithTheNameUnchangedSendsNothingAndClosesTheEditor) {
    LoadInit();
    form.command2Click(1);
    EXPECT_TRUE(f.out.sent.empty());
    EXPECT_TRUE(f.host.enabled[WindowId::Form1]);
    EXPECT_EQ(f.host.closed, std::vector<WindowId>{WindowId::Form2});
    EXPECT_EQ(f.ws.slotText(5), "  5. INIT VOICE");
    EXPECT_EQ(f.program.form1.text2(), "  5. INIT VOICE");
}

TEST_F(Form2Test, EndAfterRenamingShowsTheNewNameInTheEditAreaOnly) {
    LoadVoice(7, InitialVoice());
    ASSERT_TRUE(form.text39Change("LEAD"));
    form.command2Click(1);
    // The name lives in the EditBuffer until it is written to the list.
    EXPECT_EQ(f.ws.slotText(7), "  7. INIT VOICE");
    EXPECT_EQ(f.program.form1.text2(), "  7. LEAD      ");
    EXPECT_TRUE(f.ws.editAreaChanged());
    ASSERT_EQ(f.out.sent.size(), 10u);
    EXPECT_EQ(f.out.sent[0], Change(145, 'L'));
    EXPECT_EQ(f.out.sent[9], Change(154, ' '));
    EXPECT_EQ(f.ws.voiceTable()[7], InitialVoice());
    EXPECT_TRUE(f.host.enabled[WindowId::Form1]);

    LoadVoice(0, InitialVoice());
    ASSERT_TRUE(form.text39Change("NEW ONE"));
    form.command2Click(1);
    EXPECT_EQ(f.program.form1.text2(), " 0. NEW ONE   ");
}

TEST_F(Form2Test, CancelSendsTheUneditedVoiceAndClosesTheEditor) {
    LoadInit();
    form.controlClick("Text1");
    form.text40 = "7";
    form.command1Click();
    f.out.sent.clear();
    form.command2Click(3);
    ASSERT_EQ(f.out.sent.size(), 2u);
    EXPECT_EQ(f.out.sent[0], (Bytes{0xC0, 4, 0}));
    const auto dump = BuildVoiceDump(InitialVoice());
    EXPECT_EQ(f.out.sent[1], Bytes(dump.begin(), dump.end()));
    // the cancelled edit leaves the EditBuffer too
    EXPECT_EQ(f.ws.editBuffer(), InitialVoice());
    EXPECT_TRUE(f.host.enabled[WindowId::Form1]);
    EXPECT_EQ(f.host.closed, std::vector<WindowId>{WindowId::Form2});
}

TEST_F(Form2Test, ACancelWhileChangesAreSendingStopsTheRestOfTheSending) {
    LoadInit();
    form.controlClick("Label12");
    // The cancel button is pressed during the message-loop pass after the
    // second parameter change.
    bool cancelled = false;
    f.host.onProcessEvents = [&] {
        if (!cancelled && f.out.sent.size() == 2) {
            cancelled = true;
            form.command2Click(3);
        }
    };
    ASSERT_TRUE(form.text39Change("RENAMED"));
    form.command1Click();
    ASSERT_EQ(f.out.sent.size(), 4u); // two changes, program change, dump
    EXPECT_EQ(f.out.sent[2], (Bytes{0xC0, 4, 0}));
    EXPECT_EQ(f.out.sent[3].size(), 163u);
    EXPECT_EQ(f.host.closed, std::vector<WindowId>{WindowId::Form2});
}

TEST_F(Form2Test, TheCloseBoxCancelsAndOtherCloseReasonsDoNothing) {
    LoadInit();
    form.queryUnload(1);
    EXPECT_TRUE(f.out.sent.empty());
    EXPECT_TRUE(f.host.closed.empty());
    form.queryUnload(0);
    ASSERT_EQ(f.out.sent.size(), 2u);
    EXPECT_EQ(f.out.sent[0], (Bytes{0xC0, 4, 0}));
    EXPECT_EQ(f.out.sent[1].size(), 163u);
    EXPECT_EQ(f.host.closed, std::vector<WindowId>{WindowId::Form2});
}

TEST_F(Form2Test, InitialiseLoadsTheInitialVoiceIntoSlotZeroAndStaysOpen) {
    Slot init = InitialVoice();
    for (std::size_t c = 0; c < 10; ++c)
        init[kNamePos + c] = static_cast<Byte>("FRESH INIT"[c]);
    {
        std::ofstream file(folder / "INITdata.v01", std::ios::binary);
        file.write(reinterpret_cast<const char *>(init.data()), 161);
    }
    LoadVoice(5, Named(WithParam(InitialVoice(), param::Feedback, 5), "OTHER"));
    form.command2Click(0);
    EXPECT_TRUE(f.host.boxes.empty()) << "nothing unwritten, nothing asked";
    EXPECT_EQ(f.ws.currentSlot(), 0);
    EXPECT_EQ(f.ws.slotText(0), " 0. FRESH INIT");
    EXPECT_EQ(f.program.form1.text2(), " 0. FRESH INIT");
    EXPECT_EQ(form.text39, "FRESH INIT");
    EXPECT_EQ(form.text[1], "0");
    ASSERT_EQ(f.out.sent.size(), 2u);
    EXPECT_EQ(f.out.sent[0], (Bytes{0xC0, 0, 0}));
    EXPECT_EQ(f.out.sent[1][151], 'F');
    EXPECT_TRUE(f.host.closed.empty());
    EXPECT_EQ(f.ws.editBuffer()[ParamPos(param::Feedback)], 0);
}

TEST_F(Form2Test, InitialiseWithoutTheFileSaysSoAndKeepsTheVoice) {
    LoadInit();
    form.command2Click(0);
    EXPECT_EQ(f.host.boxTexts(), std::vector<std::string>{form2_text::kInitMissing});
    EXPECT_EQ(f.ws.currentSlot(), 5);
    EXPECT_TRUE(f.out.sent.empty());

    {
        std::ofstream file(folder / "INITdata.v01", std::ios::binary);
        file.write("\xF0\x43\x00", 3);
    }
    form.command2Click(0);
    EXPECT_EQ(f.host.boxes.back().text, form2_text::kInitShort);
    EXPECT_EQ(f.ws.currentSlot(), 5);
    EXPECT_EQ(f.ws.voiceTable()[0], Slot{});
    EXPECT_TRUE(f.out.sent.empty());
}

TEST_F(Form2Test, SaveHelpAndPrintLeaveTheEditorOpen) {
    LoadInit();
    f.program.form1.enabled = false;
    ASSERT_TRUE(form.text39Change("KEEP"));
    form.command2Click(2);
    EXPECT_EQ(f.program.form5.text2, "KEEP");
    EXPECT_EQ(f.host.shown, std::vector<WindowId>{WindowId::Form5});
    EXPECT_FALSE(f.host.enabled[WindowId::Form1]);

    form.command2Click(5);
    ASSERT_EQ(f.host.helpShown.size(), 1u);
    EXPECT_EQ(f.host.helpShown[0].first, folder / "voxmere.hlp");
    EXPECT_EQ(f.host.helpShown[0].second, 8);

    int prints = 0;
    form.printWindow = [&] { ++prints; };
    form.command2Click(4);
    EXPECT_EQ(prints, 1);
    EXPECT_TRUE(f.host.closed.empty());
    EXPECT_TRUE(f.out.sent.empty());
}

// --- Opening from the main window --------------------------------------------

TEST_F(Form2Test, EditModeWithAnEmptyEditAreaSaysSoAndOpensNothing) {
    ASSERT_EQ(f.program.form1.text2(), ""); // no voice placed yet
    f.program.form1.command13Click();
    EXPECT_EQ(f.host.boxTexts(), std::vector<std::string>{"エディットエリアに音色が選択されていません"});
    EXPECT_TRUE(f.host.shown.empty());
    EXPECT_TRUE(f.out.sent.empty());

    f.program.form1.command5Click();
    EXPECT_EQ(f.host.shown, std::vector<WindowId>{WindowId::Form2});
    EXPECT_FALSE(f.host.enabled[WindowId::Form1]);
    EXPECT_TRUE(f.out.sent.empty());
}

TEST_F(Form2Test, EditModeSendsTheVoiceAndOpensTheLoadedEditor) {
    test::SeedBank(f.ws, [](int) { return InitialVoice(); });
    f.ws.placeEntry(3); // as SOUND LISTから読込 leaves it
    f.program.form1.command13Click();
    ASSERT_EQ(f.out.sent.size(), 2u);
    EXPECT_EQ(f.out.sent[0], (Bytes{0xC0, 2, 0}));
    EXPECT_EQ(f.host.shown, std::vector<WindowId>{WindowId::Form2});
    EXPECT_FALSE(f.host.enabled[WindowId::Form1]);
    EXPECT_FALSE(f.program.form1.enabled);
    EXPECT_EQ(form.text39, "INIT VOICE");
    EXPECT_EQ(f.ws.editBuffer(), InitialVoice());
}

} // namespace
