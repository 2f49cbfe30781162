// GIVEN / WHEN / THEN tests of the step buttons' number rules.
#include "editor/step_rules.h"

#include <gtest/gtest.h>

namespace vox {
namespace {

constexpr auto Up = StepDirection::Up;
constexpr auto Down = StepDirection::Down;
constexpr auto Large = StepButton::Large;
constexpr auto Single = StepButton::Single;

int Step(int group, int value, StepButton b, StepDirection d) {
    return StepColumnValue(ColumnStepRuleFor(group), value, b, d);
}

TEST(ColumnSteps, BreakPointLargeStepStopsAtBothEnds) {
    EXPECT_EQ(Step(8, 95, Large, Up), 99) << "not 107";
    EXPECT_EQ(Step(8, 5, Large, Down), 0);
    EXPECT_EQ(Step(8, 40, Large, Up), 52);
    EXPECT_EQ(Step(8, 40, Large, Down), 28);
    EXPECT_EQ(Step(8, 99, Single, Up), 99);
    EXPECT_EQ(Step(8, 0, Single, Down), 0);
}

TEST(ColumnSteps, DepthSingleStepWrapsButLargeStepStops) {
    EXPECT_EQ(Step(9, 99, Single, Up), 0);
    EXPECT_EQ(Step(9, 0, Single, Down), 99);
    EXPECT_EQ(Step(9, 95, Large, Up), 99);
    EXPECT_EQ(Step(9, 4, Large, Down), 0);
    EXPECT_EQ(Step(9, 50, Large, Up), 60);
}

TEST(ColumnSteps, CurveWrapsBothWaysWithEitherButton) {
    for (StepButton b : {Large, Single}) {
        EXPECT_EQ(Step(11, 3, b, Up), 0);
        EXPECT_EQ(Step(11, 0, b, Down), 3);
        EXPECT_EQ(Step(11, 1, b, Up), 2);
    }
}

TEST(ColumnSteps, SmallRangesStopAtTheirMaximum) {
    EXPECT_EQ(Step(14, 3, Large, Up), 3) << "amplitude modulation sensitivity";
    EXPECT_EQ(Step(13, 7, Single, Up), 7) << "rate scaling";
    EXPECT_EQ(Step(15, 7, Large, Up), 7) << "key velocity sensitivity";
    EXPECT_EQ(Step(15, 0, Single, Down), 0);
    EXPECT_EQ(Step(13, 6, Large, Up), 7) << "the large button steps by 1 here";
}

TEST(ColumnSteps, DetuneStopsAtPlusAndMinusSeven) {
    EXPECT_EQ(Step(20, 7, Single, Up), 7);
    EXPECT_EQ(Step(20, -7, Large, Down), -7);
    EXPECT_EQ(Step(20, -1, Single, Up), 0);
    EXPECT_EQ(Step(20, 0, Single, Up), 1);
}

TEST(ColumnSteps, FineStopsAt99WithoutCarry) {
    EXPECT_EQ(ColumnStepRuleFor(17).field, ColumnField::Fine);
    EXPECT_EQ(Step(17, 95, Large, Up), 99);
    EXPECT_EQ(Step(17, 3, Large, Down), 0);
    EXPECT_EQ(Step(17, 0, Single, Up), 1);
}

TEST(ColumnSteps, OutputLevelAndUnlistedGroupsStepByTenAndOneWithin0To99) {
    EXPECT_EQ(Step(16, 95, Large, Up), 99);
    EXPECT_EQ(Step(16, 50, Large, Down), 40);
    EXPECT_EQ(Step(16, 0, Single, Down), 0);
    EXPECT_EQ(&ColumnStepRuleFor(999), &ColumnStepRuleFor(16));
}

TEST(ColumnSteps, OnlyDepthAndCurveHaveTwoRows) {
    for (int g : {8, 13, 14, 15, 16, 17, 20}) EXPECT_FALSE(ColumnStepRuleFor(g).twoRows) << g;
    EXPECT_TRUE(ColumnStepRuleFor(9).twoRows);
    EXPECT_TRUE(ColumnStepRuleFor(11).twoRows);
}

TEST(ColumnSteps, AValueOutsideItsRangeIsBroughtInsideBeforeTheStep) {
    EXPECT_EQ(Step(11, 9, Single, Up), 0) << "9 reads as 3, then wraps";
    EXPECT_EQ(Step(14, -4, Single, Up), 1);
}

TEST(ReadEntryNumber, ReadsSignedNumbers) {
    EXPECT_EQ(ReadEntryNumber("+7", -7, 7), 7);
    EXPECT_EQ(ReadEntryNumber("-3", -7, 7), -3);
    EXPECT_EQ(ReadEntryNumber("0", -7, 7), 0);
    EXPECT_EQ(ReadEntryNumber(" 42", 0, 99), 42);
}

TEST(ReadEntryNumber, TreatsAnythingElseAsTheNearestValidValue) {
    EXPECT_EQ(ReadEntryNumber("", 1, 32), 1);
    EXPECT_EQ(ReadEntryNumber("abc", 0, 99), 0);
    EXPECT_EQ(ReadEntryNumber("250", 0, 99), 99);
    EXPECT_EQ(ReadEntryNumber("-20", 1, 32), 1);
    EXPECT_EQ(ReadEntryNumber("12x", 0, 99), 12);
    EXPECT_EQ(ReadEntryNumber("99999999999999999999", 0, 99), 99);
}

TEST(ValueBoxTenButtons, WrapInsideZeroBasedRanges) {
    EXPECT_EQ(StepValueBoxTen(137, 95, 0, 99, Up), 5);
    EXPECT_EQ(StepValueBoxTen(137, 99, 0, 99, Up), 9);
    EXPECT_EQ(StepValueBoxTen(137, 3, 0, 99, Down), 93);
    EXPECT_EQ(StepValueBoxTen(138, 0, 0, 99, Down), 90) << "LFO delay 0 down";
    EXPECT_EQ(StepValueBoxTen(139, 40, 0, 99, Up), 50);
}

TEST(ValueBoxTenButtons, StepTransposeByTwelveKeepingTheNote) {
    EXPECT_EQ(StepValueBoxTen(144, 47, 0, 48, Up), 11);
    EXPECT_EQ(StepValueBoxTen(144, 41, 0, 48, Up), 5);
    EXPECT_EQ(StepValueBoxTen(144, 48, 0, 48, Up), 0);
    EXPECT_EQ(StepValueBoxTen(144, 5, 0, 48, Down), 41);
    EXPECT_EQ(StepValueBoxTen(144, 0, 0, 48, Down), 48);
    EXPECT_EQ(StepValueBoxTen(144, 24, 0, 48, Down), 12);
}

TEST(ValueBoxTenButtons, KeepTheAlgorithmInsideOneTo32) {
    for (int v = 1; v <= 32; ++v)
        for (StepDirection d : {Up, Down}) {
            const int r = StepValueBoxTen(134, v, 1, 32, d);
            EXPECT_GE(r, 1) << v;
            EXPECT_LE(r, 32) << v;
            EXPECT_EQ(r % 10, v % 10) << "keeps the place within the step, from " << v;
        }
    EXPECT_EQ(StepValueBoxTen(134, 30, 1, 32, Up), 10);
    EXPECT_EQ(StepValueBoxTen(134, 25, 1, 32, Up), 5);
    EXPECT_EQ(StepValueBoxTen(134, 1, 1, 32, Down), 31);
    EXPECT_EQ(StepValueBoxTen(134, 3, 1, 32, Down), 23);
}

TEST(ValueBoxSingleButtons, StopAtTheRange) {
    EXPECT_EQ(StepValueBoxSingle(32, 1, 32, Up), 32);
    EXPECT_EQ(StepValueBoxSingle(1, 1, 32, Down), 1);
    EXPECT_EQ(StepValueBoxSingle(31, 1, 32, Up), 32);
    EXPECT_EQ(StepValueBoxSingle(77, 1, 32, Down), 31) << "an out-of-range value reads as 32";
}

TEST(CoarseButtons, ClampToZeroAnd31) {
    EXPECT_EQ(StepCoarse(25, 10, Up), 31);
    EXPECT_EQ(StepCoarse(5, 10, Down), 0);
    EXPECT_EQ(StepCoarse(31, 1, Up), 31);
    EXPECT_EQ(StepCoarse(0, 1, Down), 0);
    EXPECT_EQ(StepCoarse(12, 10, Up), 22);
}

TEST(EnvelopeSteps, ClampAtZeroAnd99) {
    EXPECT_EQ(StepEnvelopeValue(95, 10, Up), 99);
    EXPECT_EQ(StepEnvelopeValue(40, 10, Up), 50);
    EXPECT_EQ(StepEnvelopeValue(5, 10, Down), 0);
    EXPECT_EQ(StepEnvelopeValue(99, 1, Up), 99);
    EXPECT_EQ(StepEnvelopeValue(0, 1, Down), 0);
}

TEST(PitchTenButtons, WrapKeepingTheUnits) {
    EXPECT_EQ(StepPitchTen(0, Down), 90);
    EXPECT_EQ(StepPitchTen(9, Down), 99);
    EXPECT_EQ(StepPitchTen(5, Down), 95);
    EXPECT_EQ(StepPitchTen(99, Up), 9);
    EXPECT_EQ(StepPitchTen(95, Up), 5);
    EXPECT_EQ(StepPitchTen(50, Up), 60);
}

} // namespace
} // namespace vox
