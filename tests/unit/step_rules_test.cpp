// GIVEN / WHEN / THEN tests of the step buttons' number rules.
#include "editor/step_rules.h"

#include <gtest/gtest.h>

#include <tuple>

namespace vox {
namespace {

constexpr auto Up = StepDirection::Up;
constexpr auto Down = StepDirection::Down;
constexpr auto Large = StepButton::Large;
constexpr auto Single = StepButton::Single;

int Step(int group, int value, StepButton b, StepDirection d) {
    return StepColumnValue(ColumnStepRuleFor(group), value, b, d);
}

// One press of a column button: from `value`, the value it gives.
struct ColumnStep {
    int group, value;
    StepButton button;
    StepDirection direction;
    int expected;
    const char *why = "";
};

void ExpectSteps(std::initializer_list<ColumnStep> steps) {
    for (const ColumnStep &s : steps)
        EXPECT_EQ(Step(s.group, s.value, s.button, s.direction), s.expected)
            << "group " << s.group << " from " << s.value << (s.button == Large ? " large " : " single ")
            << (s.direction == Up ? "up" : "down") << " " << s.why;
}

TEST(ColumnSteps, BreakPointLargeStepStopsAtBothEnds) {
    ExpectSteps({{8, 95, Large, Up, 99, "not 107"},
                 {8, 5, Large, Down, 0},
                 {8, 40, Large, Up, 52},
                 {8, 40, Large, Down, 28},
                 {8, 99, Single, Up, 99},
                 {8, 0, Single, Down, 0}});
}

TEST(ColumnSteps, DepthSingleStepWrapsButLargeStepStops) {
    ExpectSteps({{9, 99, Single, Up, 0},
                 {9, 0, Single, Down, 99},
                 {9, 95, Large, Up, 99},
                 {9, 4, Large, Down, 0},
                 {9, 50, Large, Up, 60}});
}

TEST(ColumnSteps, CurveWrapsBothWaysWithEitherButton) {
    for (StepButton b : {Large, Single}) {
        ExpectSteps({{11, 3, b, Up, 0}, {11, 0, b, Down, 3}, {11, 1, b, Up, 2}});
    }
}

TEST(ColumnSteps, SmallRangesStopAtTheirMaximum) {
    ExpectSteps({{14, 3, Large, Up, 3, "amplitude modulation sensitivity"},
                 {13, 7, Single, Up, 7, "rate scaling"},
                 {15, 7, Large, Up, 7, "key velocity sensitivity"},
                 {15, 0, Single, Down, 0},
                 {13, 6, Large, Up, 7, "the large button steps by 1 here"}});
}

TEST(ColumnSteps, DetuneStopsAtPlusAndMinusSeven) {
    ExpectSteps(
        {{20, 7, Single, Up, 7}, {20, -7, Large, Down, -7}, {20, -1, Single, Up, 0}, {20, 0, Single, Up, 1}});
}

TEST(ColumnSteps, FineStopsAt99WithoutCarry) {
    EXPECT_EQ(ColumnStepRuleFor(17).field, ColumnField::Fine);
    ExpectSteps({{17, 95, Large, Up, 99}, {17, 3, Large, Down, 0}, {17, 0, Single, Up, 1}});
}

TEST(ColumnSteps, OutputLevelAndUnlistedGroupsStepByTenAndOneWithin0To99) {
    ExpectSteps({{16, 95, Large, Up, 99}, {16, 50, Large, Down, 40}, {16, 0, Single, Down, 0}});
    EXPECT_EQ(&ColumnStepRuleFor(999), &ColumnStepRuleFor(16));
}

TEST(ColumnSteps, OnlyDepthAndCurveHaveTwoRows) {
    for (int g : {8, 13, 14, 15, 16, 17, 20})
        EXPECT_FALSE(ColumnStepRuleFor(g).twoRows) << g;
    EXPECT_TRUE(ColumnStepRuleFor(9).twoRows);
    EXPECT_TRUE(ColumnStepRuleFor(11).twoRows);
}

TEST(ColumnSteps, AValueOutsideItsRangeIsBroughtInsideBeforeTheStep) {
    ExpectSteps({{11, 9, Single, Up, 0, "9 reads as 3, then wraps"}, {14, -4, Single, Up, 1}});
}

struct EntryRead {
    const char *text;
    int min, max, expected;
};

void ExpectReads(std::initializer_list<EntryRead> reads) {
    for (const EntryRead &r : reads)
        EXPECT_EQ(ReadEntryNumber(r.text, r.min, r.max), r.expected)
            << "\"" << r.text << "\" in " << r.min << ".." << r.max;
}

TEST(ReadEntryNumber, ReadsSignedNumbers) {
    ExpectReads({{"+7", -7, 7, 7}, {"-3", -7, 7, -3}, {"0", -7, 7, 0}, {" 42", 0, 99, 42}});
}

TEST(ReadEntryNumber, TreatsAnythingElseAsTheNearestValidValue) {
    ExpectReads({{"", 1, 32, 1},
                 {"abc", 0, 99, 0},
                 {"250", 0, 99, 99},
                 {"-20", 1, 32, 1},
                 {"12x", 0, 99, 12},
                 {"99999999999999999999", 0, 99, 99}});
}

// One press of the value box's ten button (UpDown2) for a group.
struct TenStep {
    int group, value, min, max;
    StepDirection direction;
    int expected;
    const char *why = "";
};

void ExpectTenSteps(std::initializer_list<TenStep> steps) {
    for (const TenStep &s : steps)
        EXPECT_EQ(StepValueBoxTen(s.group, s.value, s.min, s.max, s.direction), s.expected)
            << "group " << s.group << " from " << s.value << (s.direction == Up ? " up " : " down ") << s.why;
}

TEST(ValueBoxTenButtons, WrapInsideZeroBasedRanges) {
    ExpectTenSteps({{137, 95, 0, 99, Up, 5},
                    {137, 99, 0, 99, Up, 9},
                    {137, 3, 0, 99, Down, 93},
                    {138, 0, 0, 99, Down, 90, "LFO delay 0 down"},
                    {139, 40, 0, 99, Up, 50}});
}

TEST(ValueBoxTenButtons, StepTransposeByTwelveKeepingTheNote) {
    ExpectTenSteps({{144, 47, 0, 48, Up, 11},
                    {144, 41, 0, 48, Up, 5},
                    {144, 48, 0, 48, Up, 0},
                    {144, 5, 0, 48, Down, 41},
                    {144, 0, 0, 48, Down, 48},
                    {144, 24, 0, 48, Down, 12}});
}

TEST(ValueBoxTenButtons, KeepTheAlgorithmInsideOneTo32) {
    for (int v = 1; v <= 32; ++v)
        for (StepDirection d : {Up, Down}) {
            const int r = StepValueBoxTen(134, v, 1, 32, d);
            EXPECT_GE(r, 1) << v;
            EXPECT_LE(r, 32) << v;
            EXPECT_EQ(r % 10, v % 10) << "keeps the place within the step, from " << v;
        }
    ExpectTenSteps({{134, 30, 1, 32, Up, 10},
                    {134, 25, 1, 32, Up, 5},
                    {134, 1, 1, 32, Down, 31},
                    {134, 3, 1, 32, Down, 23}});
}

TEST(ValueBoxSingleButtons, StopAtTheRange) {
    const struct {
        int value, min, max;
        StepDirection direction;
        int expected;
        const char *why;
    } kSteps[] = {
        {32, 1, 32, Up, 32, ""},
        {1, 1, 32, Down, 1, ""},
        {31, 1, 32, Up, 32, ""},
        {77, 1, 32, Down, 31, "an out-of-range value reads as 32"},
    };
    for (const auto &s : kSteps)
        EXPECT_EQ(StepValueBoxSingle(s.value, s.min, s.max, s.direction), s.expected)
            << s.value << " " << s.why;
}

// A press that steps `value` by `step`, as the coarse and envelope buttons do.
struct ByStep {
    int value, step;
    StepDirection direction;
    int expected;
};

void ExpectBySteps(int (*stepper)(int, int, StepDirection), std::initializer_list<ByStep> steps) {
    for (const ByStep &s : steps)
        EXPECT_EQ(stepper(s.value, s.step, s.direction), s.expected)
            << s.value << (s.direction == Up ? " + " : " - ") << s.step;
}

TEST(CoarseButtons, ClampToZeroAnd31) {
    ExpectBySteps(StepCoarse,
                  {{25, 10, Up, 31}, {5, 10, Down, 0}, {31, 1, Up, 31}, {0, 1, Down, 0}, {12, 10, Up, 22}});
}

TEST(EnvelopeSteps, ClampAtZeroAnd99) {
    ExpectBySteps(StepEnvelopeValue,
                  {{95, 10, Up, 99}, {40, 10, Up, 50}, {5, 10, Down, 0}, {99, 1, Up, 99}, {0, 1, Down, 0}});
}

TEST(PitchTenButtons, WrapKeepingTheUnits) {
    const std::tuple<int, StepDirection, int> kSteps[] = {
        {0, Down, 90}, {9, Down, 99}, {5, Down, 95}, {99, Up, 9}, {95, Up, 5}, {50, Up, 60},
    };
    for (const auto &[value, direction, expected] : kSteps)
        EXPECT_EQ(StepPitchTen(value, direction), expected) << value << (direction == Up ? " up" : " down");
}

} // namespace
} // namespace vox
