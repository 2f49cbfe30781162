// The editor's Data Entry Zone: what the step buttons, option buttons and
// selectors show, the envelope grid and graphs, the algorithm preview.
#include "editor/form2.h"
#include "editor/step_rules.h"
#include "test_support.h"
#include "voice/display_conversions.h"
#include "voice/init_voice.h"

#include <gtest/gtest.h>

using namespace vox;

namespace {

constexpr auto Up = StepDirection::Up;
constexpr auto Down = StepDirection::Down;
constexpr auto Large = StepButton::Large;
constexpr auto Single = StepButton::Single;

class Form2EntryTest : public ::testing::Test {
protected:
    test::ProgramFixture f;
    Form2 &form = f.program.form2;
    Slot voice = InitialVoice();

    void SetUp() override { f.out.open(); }

    // op 1..6 into the voice about to be loaded.
    void SetOp(int op, OpParam p, int v) { voice[ParamPos(OpParamNumber(op, p))] = static_cast<Byte>(v); }
    void SetParam(int p, int v) { voice[ParamPos(p)] = static_cast<Byte>(v); }

    void LoadAndOpen(int group) {
        test::PlaceAs(f.ws, 3, test::Named(voice, "TEST"));
        form.load();
        form.openGroup(group);
        f.out.sent.clear();
    }
    std::string T42(int j) { return form.text42[static_cast<std::size_t>(j)]; }
    std::string T44(int j) { return form.text44[static_cast<std::size_t>(j)]; }

    // One press of a step button and what its boxes then show: a column's
    // (UpDown5 large, UpDown6 single; its upper and lower box) or the value
    // box's (column kValueBox: UpDown2 large, UpDown1 single; the value and
    // the name beside it). `beside` is not looked at where it is null.
    static constexpr int kValueBox = -1;
    struct Press {
        StepButton button;
        StepDirection direction;
        int column;
        const char *shows;
        const char *beside = nullptr;
        const char *why = "";
    };
    void ExpectPresses(std::initializer_list<Press> presses) {
        for (const Press &p : presses) {
            const bool up = p.direction == Up, large = p.button == Large;
            const int c = p.column;
            if (c == kValueBox && large) {
                up ? form.upDown2Up() : form.upDown2Down();
            } else if (c == kValueBox) {
                up ? form.upDown1Up() : form.upDown1Down();
            } else if (large) {
                up ? form.upDown5Up(c) : form.upDown5Down(c);
            } else {
                up ? form.upDown6Up(c) : form.upDown6Down(c);
            }
            SCOPED_TRACE(std::string(large ? "large " : "single ") + (up ? "up on " : "down on ") +
                         (c == kValueBox ? "the value box " : "column " + std::to_string(c) + " ") + p.why);
            EXPECT_EQ(c == kValueBox ? form.text40 : T42(c), p.shows);
            if (p.beside) {
                EXPECT_EQ(c == kValueBox ? form.label31 : T44(c), p.beside);
            }
        }
    }
};

// --- Operator columns ---------------------------------------------------------

TEST_F(Form2EntryTest, BreakPointLargeStepStopsAtTheEndsAndShowsTheNote) {
    SetOp(1, OpParam::BreakPoint, 95);
    SetOp(2, OpParam::BreakPoint, 5);
    SetOp(3, OpParam::BreakPoint, 3);
    LoadAndOpen(8);
    ExpectPresses({{Large, Up, 0, "C 8"}});
    EXPECT_EQ(form.entry.breakPoint[0], 99);
    ExpectPresses(
        {{Large, Down, 1, "A-1"}, {Single, Down, 2, "B-1"}, {Large, Up, 2, "B 0", nullptr, "2 + 12 = 14"}});
    EXPECT_TRUE(f.out.sent.empty()) << "steps send nothing";
}

TEST_F(Form2EntryTest, DepthSingleStepWrapsOnTheActiveRowsOnly) {
    SetOp(1, OpParam::LeftDepth, 99);
    SetOp(1, OpParam::RightDepth, 0);
    SetOp(2, OpParam::LeftDepth, 95);
    LoadAndOpen(9);
    ExpectPresses({{Single, Up, 0, "0", "0", "the right row is not active"}, {Large, Up, 1, "99"}});
    form.label9Click(); // both rows active
    ExpectPresses({{Single, Down, 0, "99", "99"}});
    form.label33Click(); // only the right row
    ExpectPresses({{Single, Up, 0, "99", "0"}});
}

TEST_F(Form2EntryTest, TheSelectorsToggleTheirRowsAndMarkers) {
    LoadAndOpen(11);
    ASSERT_TRUE(form.shape5Border[0]);
    form.label9Click();
    EXPECT_TRUE(form.shape5Border[0]);
    EXPECT_TRUE(form.shape5Border[1]);
    form.label33Click();
    EXPECT_FALSE(form.shape5Border[0]);
    EXPECT_TRUE(form.shape5Border[1]);
    EXPECT_EQ(form.entry.leftActive, 0);
    EXPECT_EQ(form.entry.rightActive, 1);
}

TEST_F(Form2EntryTest, CurvePlusLinStepsRoundToMinusLin) {
    SetOp(1, OpParam::LeftCurve, 3);
    SetOp(1, OpParam::RightCurve, 0);
    LoadAndOpen(11);
    ASSERT_EQ(T42(0), "+LIN");
    ExpectPresses({{Single, Up, 0, "-LIN", "-LIN"}});
    form.label9Click();
    form.label33Click();
    ExpectPresses({{Large, Down, 0, "-LIN", "+LIN"}});
}

TEST_F(Form2EntryTest, SmallRangesStopAtTheirTop) {
    SetOp(1, OpParam::AmpModSens, 3);
    LoadAndOpen(14);
    ExpectPresses({{Large, Up, 0, "3"}});
    SetOp(1, OpParam::RateScaling, 7);
    LoadAndOpen(13);
    ExpectPresses({{Single, Up, 0, "7"}});
    SetOp(1, OpParam::KeyVelSens, 6);
    LoadAndOpen(15);
    ExpectPresses({{Single, Up, 0, "7"}, {Single, Up, 0, "7"}});
}

TEST_F(Form2EntryTest, DetuneStopsAtPlusSevenAndShowsItsSign) {
    SetOp(1, OpParam::Detune, 14); // +7
    SetOp(2, OpParam::Detune, 6);  // -1
    LoadAndOpen(20);
    ASSERT_EQ(T42(0), "+7");
    ExpectPresses({{Single, Up, 0, "+7"},
                   {Single, Up, 1, "0"},
                   {Large, Up, 1, "+1"},
                   {Single, Down, 1, "0"},
                   {Single, Down, 1, "-1"}});
}

TEST_F(Form2EntryTest, OutputLevelStepsByTenAndStopsAt99) {
    SetOp(6, OpParam::OutputLevel, 95);
    LoadAndOpen(16);
    ASSERT_EQ(T42(5), "95");
    ExpectPresses({{Large, Up, 5, "99"}, {Large, Down, 5, "89"}});
}

TEST_F(Form2EntryTest, AColumnTextThatIsNotANumberStepsFromTheNearestValidValue) {
    LoadAndOpen(16);
    form.text42[2] = "abc";
    ExpectPresses({{Single, Up, 2, "1"}});
    form.text42[2] = "250";
    ExpectPresses({{Single, Down, 2, "98"}});
}

TEST_F(Form2EntryTest, FineLargeStepStopsAt99AndLeavesCoarseAlone) {
    SetOp(1, OpParam::FreqCoarse, 1);
    SetOp(1, OpParam::FreqFine, 95);
    LoadAndOpen(17);
    ExpectPresses({{Large, Up, 0, "1.99"}});
    EXPECT_EQ(form.entry.fine[0], 99);
    EXPECT_EQ(form.entry.coarse[0], 1);
}

TEST_F(Form2EntryTest, FixedModeFineZeroToOneAtCoarseTwoShows102Point3) {
    SetOp(1, OpParam::OscMode, 1);
    SetOp(1, OpParam::FreqCoarse, 2);
    SetOp(1, OpParam::FreqFine, 0);
    LoadAndOpen(17);
    ASSERT_EQ(T42(0), "100");
    ExpectPresses({{Single, Up, 0, "102.3"}});
}

TEST_F(Form2EntryTest, CoarseStopsAt31And0) {
    SetOp(1, OpParam::FreqCoarse, 25);
    SetOp(2, OpParam::FreqCoarse, 5);
    LoadAndOpen(17);
    form.upDown7Up(0);
    EXPECT_EQ(form.entry.coarse[0], 31);
    EXPECT_EQ(T42(0), "31");
    form.upDown7Down(1);
    EXPECT_EQ(form.entry.coarse[1], 0);
    EXPECT_EQ(T42(1), "0.5");
    form.upDown8Up(1);
    EXPECT_EQ(T42(1), "1");
}

TEST_F(Form2EntryTest, SwitchingAColumnToFixedShowsTheFixedFrequency) {
    SetOp(1, OpParam::FreqCoarse, 1);
    LoadAndOpen(17);
    ASSERT_EQ(T42(0), "1");
    form.option4Click(0);
    EXPECT_EQ(T42(0), "10");
    EXPECT_EQ(form.entry.oscMode[0], 1);
    EXPECT_TRUE(form.option4[0]);
    form.option3Click(0);
    EXPECT_EQ(T42(0), "1");
}

TEST_F(Form2EntryTest, KeySyncOptionsWriteTheValueBox) {
    LoadAndOpen(17);
    form.option5Click();
    EXPECT_EQ(form.text40, "1");
    form.option6Click();
    EXPECT_EQ(form.text40, "0");
    LoadAndOpen(141);
    form.option1Click();
    EXPECT_EQ(form.text40, "1");
    EXPECT_TRUE(form.option1);
    form.option2Click();
    EXPECT_EQ(form.text40, "0");
    EXPECT_FALSE(form.option1);
}

// --- Value panel ------------------------------------------------------------

TEST_F(Form2EntryTest, TransposeTenUpFrom47WrapsToB1) {
    SetParam(param::Transpose, 47);
    LoadAndOpen(144);
    ExpectPresses({{Large, Up, kValueBox, "11", "B 1"}});
}

TEST_F(Form2EntryTest, LfoDelayTenDownFromZeroGives90) {
    SetParam(param::LfoDelay, 0);
    LoadAndOpen(138);
    ExpectPresses({{Large, Down, kValueBox, "90"}});
}

TEST_F(Form2EntryTest, LfoWaveSingleStepRenamesTheWave) {
    SetParam(param::LfoWave, 4);
    LoadAndOpen(142);
    ExpectPresses({{Single, Up, kValueBox, "5", " S&H"},
                   {Single, Up, kValueBox, "5", nullptr, "stops at the top of 0..5"}});
}

// --- Algorithm ---------------------------------------------------------------

TEST_F(Form2EntryTest, AlgorithmPreviewFollowsTheValueBoxButTheChartWaitsFor変更) {
    SetParam(param::Algorithm, 4);
    LoadAndOpen(134);
    EXPECT_EQ(form.text40, "5");
    EXPECT_EQ(form.picture3File, "alg5.jpg");
    for (int k = 0; k < 30; ++k)
        form.upDown1Up();
    EXPECT_EQ(form.text40, "32");
    EXPECT_EQ(form.picture3File, "alg32.jpg");
    EXPECT_EQ(form.text8, "5");
    EXPECT_EQ(form.picture1File, "alg5.jpg");
    EXPECT_TRUE(f.out.sent.empty());
    for (int k = 0; k < 40; ++k)
        form.upDown1Down();
    EXPECT_EQ(form.text40, "1");
    EXPECT_EQ(form.picture3File, "alg1.jpg");
}

TEST_F(Form2EntryTest, AlgorithmTenUpFrom30StaysInsideTheRangeAndApplies) {
    SetParam(param::Algorithm, 29); // 30
    LoadAndOpen(134);
    form.upDown2Up();
    EXPECT_EQ(form.text40, "10");
    EXPECT_EQ(form.picture3File, "alg10.jpg");
    form.command1Click();
    EXPECT_EQ(f.out.sent, (std::vector<std::vector<Byte>>{{0xF0, 0x43, 0x10, 0x01, 0x06, 9, 0xF7}}));
    EXPECT_EQ(form.text8, "10");
    EXPECT_EQ(form.picture1File, "alg10.jpg");
}

TEST_F(Form2EntryTest, AlgorithmTextThatIsNotANumberStepsFromOne) {
    LoadAndOpen(134);
    form.text40 = "x";
    ExpectPresses({{Single, Up, kValueBox, "2"}});
    form.text40 = "77";
    ExpectPresses({{Large, Down, kValueBox, "22", nullptr, "77 reads as 32"}});
}

TEST_F(Form2EntryTest, PreviewChangesOnlyWhileTheAlgorithmGroupIsOpen) {
    SetParam(param::Algorithm, 2);
    LoadAndOpen(134);
    form.text40 = "33";
    form.text40Change();
    EXPECT_EQ(form.picture3File, "alg3.jpg");
    form.text40 = "0";
    form.text40Change();
    EXPECT_EQ(form.picture3File, "alg3.jpg");
    f.host.answers = {MsgResult::No}; // the typed "0" is not applied
    form.openGroup(144);
    form.text40 = "7";
    form.text40Change();
    EXPECT_EQ(form.picture3File, "alg3.jpg");
    EXPECT_FALSE(form.picture3Visible);
}

// --- Envelopes ---------------------------------------------------------------

TEST_F(Form2EntryTest, OperatorEgStepChangesOnlyOperatorOneAndRedrawsOnlyItsGraph) {
    LoadAndOpen(0);
    const auto before = form.text43;
    const auto graphsBefore = form.graphSegments;
    ASSERT_EQ(form.text43[29], "99");
    form.text43[29] = "40";
    form.upDown10Up(4);
    EXPECT_EQ(form.text43[29], "41");
    for (std::size_t b = 0; b < 48; ++b) {
        if (b != 29) {
            EXPECT_EQ(form.text43[b], before[b]) << b;
        }
    }
    ASSERT_EQ(form.graphSegments[6].size(), 5u);
    EXPECT_FLOAT_EQ(form.graphSegments[6][0].to.x, 103.8f);                  // rate 1 still 99
    EXPECT_FLOAT_EQ(form.graphSegments[6][0].to.y, 1392 - 41 / 99.0 * 1344); // level 41
    for (std::size_t g = 0; g < 6; ++g)
        EXPECT_EQ(form.graphSegments[g], graphsBefore[g]) << g;
}

TEST_F(Form2EntryTest, EgColumnButtonsStepEverySelectedRowAndClamp) {
    LoadAndOpen(0);
    form.label7Click(0);
    EXPECT_TRUE(form.shape3Border[0]);
    form.text43[0] = "95";
    form.text43[5] = "40";
    form.text43[1] = "40";
    form.upDown9Up(0);
    EXPECT_EQ(form.text43[0], "99");
    EXPECT_EQ(form.text43[5], "50");
    EXPECT_EQ(form.text43[1], "40") << "row 1 not selected";
    form.text43[5] = "5";
    form.upDown9Down(0);
    EXPECT_EQ(form.text43[5], "0");
    form.upDown10Down(0);
    EXPECT_EQ(form.text43[5], "0");
}

TEST_F(Form2EntryTest, WithNoRowSelectedTheColumnButtonsChangeNothing) {
    LoadAndOpen(0);
    form.label7Click(5);
    EXPECT_FALSE(form.shape3Border[5]);
    EXPECT_EQ(form.egRowSelected[5], 0);
    const auto before = form.text43;
    const auto graphsBefore = form.graphSegments;
    for (int c = 0; c < 8; ++c) {
        form.upDown9Up(c);
        form.upDown10Down(c);
    }
    EXPECT_EQ(form.text43, before);
    EXPECT_EQ(form.graphSegments, graphsBefore);
}

TEST_F(Form2EntryTest, OpeningTheEgGroupDrawsAllSixGraphs) {
    SetOp(6, OpParam::Level4, 50);
    LoadAndOpen(0);
    for (std::size_t g = 1; g <= 6; ++g)
        ASSERT_EQ(form.graphSegments[g].size(), 5u) << g;
    EXPECT_FLOAT_EQ(form.graphSegments[1][0].from.y, 1392 - 50 / 99.0 * 1344)
        << "operator 6 starts from its level 4";
    EXPECT_FLOAT_EQ(form.graphSegments[6][0].from.y, 1392) << "level 0 on the base line";
}

TEST_F(Form2EntryTest, OperatorGraphWithAllRates99StartsAt100AndEnds395Point2Later) {
    LoadAndOpen(0);
    const auto &g = form.graphSegments[6];
    ASSERT_EQ(g.size(), 5u);
    EXPECT_FLOAT_EQ(g[0].from.x, 100);
    EXPECT_NEAR(g[4].to.x, 100 + 380 + 4 * 3.8, 1e-3);
}

TEST_F(Form2EntryTest, ARateOfZeroWidensItsSegmentTo380Twips) {
    LoadAndOpen(0);
    form.text43[5] = "1";
    form.upDown10Down(0);
    EXPECT_EQ(form.text43[5], "0");
    const GraphSegment &attack = form.graphSegments[6][0];
    EXPECT_FLOAT_EQ(attack.to.x - attack.from.x, 380);
}

TEST_F(Form2EntryTest, PitchTenButtonsWrapAndTheGraphFollows) {
    LoadAndOpen(126);
    form.text41[0] = "0";
    form.upDown3Down(0);
    EXPECT_EQ(form.text41[0], "90");
    form.text41[1] = "9";
    form.upDown3Down(1);
    EXPECT_EQ(form.text41[1], "99");
    form.upDown3Up(1);
    EXPECT_EQ(form.text41[1], "9");
    form.text41[2] = "99";
    form.upDown4Up(2);
    EXPECT_EQ(form.text41[2], "99");
    const GraphSegment &first = form.graphSegments[0][0];
    EXPECT_FLOAT_EQ(first.to.x - first.from.x, (100 - 90) / 400.0f * 1750);
}

TEST_F(Form2EntryTest, PitchLevelsAll50DrawAFlatLineOnTheCentreLine) {
    LoadAndOpen(126);
    for (std::size_t n = 4; n < 8; ++n)
        form.text41[n] = "50";
    form.upDown4Down(0);
    const auto &g = form.graphSegments[0];
    ASSERT_EQ(g.size(), 4u);
    for (const GraphSegment &seg : g) {
        EXPECT_FLOAT_EQ(seg.from.y, kPitchGraphCentre.from.y);
        EXPECT_FLOAT_EQ(seg.to.y, 720);
    }
    EXPECT_FLOAT_EQ(g[0].from.x, 250);
}

} // namespace
