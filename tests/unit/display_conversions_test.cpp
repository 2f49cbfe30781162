// The texts the editor shows for parameter values.
#include "voice/display_conversions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

using namespace vox;

namespace {

const char *kNotes[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};

} // namespace

TEST(BreakPointTexts, GivenTheWorkedValuesThenTheyShowTheirNotes) {
    const std::pair<int, const char *> kWorked[] = {
        {0, "A-1"},  {1, "A#-1"}, {2, "B-1"},  {3, "C 0"},  {12, "A 0"},
        {14, "B 0"}, {15, "C 1"}, {39, "C 3"}, {99, "C 8"},
    };
    for (const auto &[value, text] : kWorked)
        EXPECT_EQ(BreakPointText(value), text) << value;
}

TEST(BreakPointTexts, GivenEveryValueThenEachNoteAppearsOnceAndOctavesRise) {
    std::set<std::string> seen;
    for (int b = 3; b <= 99; ++b) {
        // b = 3 is C 0; each further semitone moves one note up.
        const int semis = b - 3;
        const std::string expected = std::string(kNotes[semis % 12]) + " " + std::to_string(semis / 12);
        EXPECT_EQ(BreakPointText(b), expected) << b;
        EXPECT_TRUE(seen.insert(BreakPointText(b)).second) << b;
    }
}

TEST(TransposeTexts, GivenTheWholeRangeThenNoteAndOctaveFollowTheValue) {
    const std::pair<int, const char *> kWorked[] = {
        {0, "C 1"}, {11, "B 1"}, {12, "C 2"}, {13, "C# 2"}, {24, "C 3"}, {48, "C 5"},
    };
    for (const auto &[value, text] : kWorked)
        EXPECT_EQ(TransposeText(value), text) << value;
    for (int t = 0; t <= 48; ++t)
        EXPECT_EQ(TransposeText(t), std::string(kNotes[t % 12]) + " " + std::to_string(t / 12 + 1)) << t;
}

TEST(DetuneTexts, GivenTheWholeRangeThenCentreSevenShowsZeroAndSignsAround) {
    const std::pair<int, const char *> kWorked[] = {{0, "-7"}, {6, "-1"}, {7, "0"}, {8, "+1"}, {14, "+7"}};
    for (const auto &[value, text] : kWorked)
        EXPECT_EQ(DetuneText(value), text) << value;
    for (int d = 0; d <= 14; ++d) {
        const std::string t = DetuneText(d);
        EXPECT_EQ(std::stoi(t), d - 7) << d;
        EXPECT_EQ(t.front() == '+', d > 7) << d;
    }
}

TEST(SwitchTexts, GivenOneThenOnZeroOffAndAnythingElseItsNumberMarked) {
    EXPECT_EQ(LfoSyncText(1), "ON");
    EXPECT_EQ(OscSyncText(1), "Ｏ　Ｎ");
    EXPECT_EQ(OscModeText(1), "F");
    EXPECT_EQ(LfoSyncText(0), "OFF");
    EXPECT_EQ(OscSyncText(0), "ＯＦＦ");
    EXPECT_EQ(OscModeText(0), "R");
    // The instrument uses a byte beyond 0..1 as it comes: shown as it is.
    for (int v : {2, -1, 127}) {
        const std::string marked = std::to_string(v) + "!";
        EXPECT_EQ(LfoSyncText(v), marked);
        EXPECT_EQ(OscSyncText(v), marked);
        EXPECT_EQ(OscModeText(v), marked);
    }
    EXPECT_EQ(FrequencyText(0, 40, 0), "40!") << "a coarse beyond 31";
    EXPECT_EQ(WithoutOutOfRangeMark("40!"), "40");
}

TEST(NamedValues, GivenRangeValuesThenFourCharacterNamesAndOutsideNone) {
    const char *curves[] = {"-LIN", "-EXP", "+EXP", "+LIN"};
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(CurveName(c), curves[c]);
    const char *waves[] = {" TRI", "SawD", "SawU", "SQUA", "SINE", " S&H"};
    for (int w = 0; w < 6; ++w) {
        EXPECT_EQ(LfoWaveName(w), waves[w]);
        EXPECT_EQ(LfoWaveName(w)->size(), 4u);
    }
    EXPECT_FALSE(CurveName(4).has_value());
    EXPECT_FALSE(CurveName(-1).has_value());
    EXPECT_FALSE(LfoWaveName(6).has_value());
}

TEST(Rounding, GivenTheWorkedValuesThenHalfRoundsUpwards) {
    // Values in ten-thousandths, rounded to `digits` decimals.
    const struct {
        Fixed4 value;
        std::int16_t digits;
        Fixed4 rounded;
    } kWorked[] = {
        {10235, 3, 10240},        // 1.0235 -> 1.024
        {-10235, 3, -10230},      // -1.0235 -> -1.023
        {12345678, -2, 12000000}, // 1234.5678 -> 1200
        {12345678, 0, 12350000},  // to a whole number
        {10234, 3, 10230},
    };
    for (const auto &w : kWorked)
        EXPECT_EQ(RoundToDigits(w.value, w.digits), w.rounded) << w.value << " to " << w.digits << " digits";
}

TEST(FixedPoint, GivenValuesThenTheNearestTenThousandth) {
    const std::pair<double, Fixed4> kWorked[] = {
        {1.0, 10000}, {1.0235, 10235}, {-1.0235, -10235}, {0.00004, 0}, {0.00006, 1},
    };
    for (const auto &[value, fixed] : kWorked)
        EXPECT_EQ(ToFixed4(value), fixed) << value;
    EXPECT_DOUBLE_EQ(FromFixed4(97720), 9.772);
}

TEST(FrequencyTexts, GivenTheWorkedValuesThenRatioAndFixedTextsMatch) {
    const struct {
        int mode, coarse, fine;
        const char *text;
    } kWorked[] = {
        // fixed
        {1, 0, 0, "1"},
        {1, 1, 0, "10"},
        {1, 2, 0, "100"},
        {1, 2, 1, "102.3"},
        {1, 0, 1, "1.023"},
        {1, 0, 99, "9.772"},
        {1, 3, 99, "9772"},
        // ratio
        {0, 1, 0, "1"},
        {0, 0, 0, "0.5"},
        {0, 0, 50, "0.75"},
        {0, 3, 7, "3.21"},
        {0, 31, 99, "61.69"},
    };
    for (const auto &w : kWorked)
        EXPECT_EQ(FrequencyText(w.mode, w.coarse, w.fine), w.text) << w.mode << w.coarse << ' ' << w.fine;
}

TEST(FrequencyTexts, GivenFixedModeThenOnlyTheLowTwoCoarseBitsCount) {
    for (int fine = 0; fine <= 99; ++fine)
        for (int coarse = 0; coarse <= 31; ++coarse)
            EXPECT_EQ(FrequencyText(1, coarse, fine), FrequencyText(1, coarse & 3, fine))
                << coarse << " " << fine;
}

TEST(FrequencyTexts, GivenEveryFixedValueThenFourDecimalsThenThreeTimesAPowerOfTen) {
    for (int fine = 0; fine <= 99; ++fine) {
        // First to ten-thousandths (ties even), then to thousandths, half up:
        // fine 89 is 7.76249.. -> 7.7625 -> 7.763.
        const auto tenThousandths = static_cast<long long>(std::nearbyint(std::pow(1.023293, fine) * 10000));
        const long long thousandths = (tenThousandths + 5) / 10;
        for (int c = 0; c < 4; ++c) {
            const double shown = std::stod(FrequencyText(1, c, fine));
            const double expected = static_cast<double>(thousandths) / 1000 * std::pow(10.0, c);
            EXPECT_NEAR(shown, expected, 1e-9 * std::pow(10.0, c)) << fine;
        }
    }
    EXPECT_EQ(FrequencyText(1, 0, 89), "7.763");
}

TEST(FrequencyTexts, GivenEveryRatioThenTheTextIsTheShortFormOfTheRatio) {
    for (int coarse = 0; coarse <= 31; ++coarse)
        for (int fine = 0; fine <= 99; ++fine) {
            const std::string t = FrequencyText(0, coarse, fine);
            const double expected = (1.0 + fine / 100.0) * (coarse == 0 ? 0.5 : coarse);
            EXPECT_NEAR(std::stod(t), expected, 1e-9) << t;
            // Shortest form: no trailing zero, no trailing point, at most 4 decimals.
            EXPECT_NE(t.back(), '.') << t;
            if (t.find('.') != std::string::npos) {
                EXPECT_NE(t.back(), '0') << t;
                EXPECT_LE(t.size() - t.find('.') - 1, 4u) << t;
            }
        }
}

TEST(FloatTexts, GivenValuesThenTheShortestTextWithAPoint) {
    const std::pair<double, const char *> kWorked[] = {
        {1.0, "1"},
        {0.5, "0.5"},
        {0.1 + 0.2, "0.3"},
        {-2.25, "-2.25"},
    };
    for (const auto &[value, text] : kWorked)
        EXPECT_EQ(FloatText(value), text) << value;
    EXPECT_EQ(SignedPositionText(3), " 3");
    EXPECT_EQ(SignedPositionText(-1), "-1");
}

// --- Typed texts read back ----------------------------------------------------

TEST(TypedTexts, GivenEveryBreakPointTextThenItReadsBackAsItsValue) {
    for (int b = 0; b <= 99; ++b)
        EXPECT_EQ(BreakPointOfText(BreakPointText(b)), b) << BreakPointText(b);
    const std::pair<const char *, int> kTyped[] = {{"c3", 39}, {" a#-1 ", 1}, {"C8", 99}};
    for (const auto &[typed, value] : kTyped)
        EXPECT_EQ(BreakPointOfText(typed), value) << typed;
    for (const char *bad : {"", "C#8", "D 8", "C-1", "B#2", "E#2", "H1", "C", "C 10", "C -0", "39", "C 3 x"})
        EXPECT_EQ(BreakPointOfText(bad), std::nullopt) << bad;
}

TEST(TypedTexts, GivenEveryCurveNameThenItReadsBackAndOtherTextsDoNot) {
    for (int c = 0; c <= 3; ++c)
        EXPECT_EQ(CurveOfText(*CurveName(c)), c);
    EXPECT_EQ(CurveOfText(" +exp "), 2);
    for (const char *bad : {"", "LIN", "+LIN+", "1", "- LIN"})
        EXPECT_EQ(CurveOfText(bad), std::nullopt) << bad;
}

TEST(TypedTexts, GivenEveryFrequencyTextThenItReadsBackToASettingThatShowsIt) {
    for (int mode = 0; mode <= 1; ++mode)
        for (int c = 0; c <= 31; ++c)
            for (int f = 0; f <= 99; ++f) {
                const std::string text = FrequencyText(mode, c, f);
                // As shown: the setting itself.
                const auto same = FrequencyOfText(text, mode, c, f);
                ASSERT_TRUE(same.has_value()) << text;
                EXPECT_EQ(same->coarse, c);
                EXPECT_EQ(same->fine, f);
                // Typed from another setting: one that shows the same text
                // (a sample of fines, the search is long).
                if (f % 7 != 0 && f != 99) continue;
                const auto typed = FrequencyOfText(text, mode, 1, 0);
                ASSERT_TRUE(typed.has_value()) << text;
                EXPECT_EQ(FrequencyText(mode, typed->coarse, typed->fine), text);
            }
}

TEST(TypedTexts, GivenAmbiguousFrequenciesThenTheLowestFineThenTheCurrentCoarseWins) {
    const auto three = FrequencyOfText("3", 0, 1, 0);
    ASSERT_TRUE(three.has_value());
    EXPECT_EQ(three->coarse, 3);
    EXPECT_EQ(three->fine, 0);
    const auto ten = FrequencyOfText("10.0", 1, 9, 40); // fixed: coarse 1, 5, 9 .. give x10
    ASSERT_TRUE(ten.has_value());
    EXPECT_EQ(ten->coarse, 9);
    EXPECT_EQ(ten->fine, 0);
    EXPECT_EQ(FrequencyOfText(".5", 0, 1, 0)->coarse, 0);
    for (const char *bad : {"", ".", "-1", "1e2", "7.777", "1,5", "62", "0.49"})
        EXPECT_EQ(FrequencyOfText(bad, 0, 1, 0).has_value(), false) << bad;
}
