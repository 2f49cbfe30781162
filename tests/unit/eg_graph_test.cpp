// GIVEN / WHEN / THEN tests of the envelope graphs' segments (twips).
#include "editor/eg_graph.h"

#include <gtest/gtest.h>

namespace vox {
namespace {

TEST(OperatorEgGraph, AllRates99DrawAShortEnvelopeStartingAt100) {
    const auto s = OperatorEgSegments({99, 99, 99, 99}, {99, 99, 99, 0});
    EXPECT_FLOAT_EQ(s[0].from.x, 100);
    EXPECT_NEAR(s[4].to.x - s[0].from.x, 380 + 4 * 3.8, 1e-3);
    for (int k : {0, 1, 2, 4}) EXPECT_NEAR(s[k].to.x - s[k].from.x, 3.8, 1e-4) << k;
    EXPECT_NEAR(s[3].to.x - s[3].from.x, 380, 1e-4);
}

TEST(OperatorEgGraph, SegmentsJoinEndToEnd) {
    const auto s = OperatorEgSegments({12, 34, 56, 78}, {90, 60, 30, 10});
    for (int k = 0; k < 4; ++k) EXPECT_EQ(s[k].to, s[k + 1].from) << k;
}

TEST(OperatorEgGraph, ARateOf0Draws380TwipsWide) {
    const auto s = OperatorEgSegments({0, 99, 99, 0}, {99, 99, 99, 99});
    EXPECT_FLOAT_EQ(s[0].to.x - s[0].from.x, 380);
    EXPECT_NEAR(s[4].to.x - s[4].from.x, 380, 1e-4);
}

TEST(OperatorEgGraph, LevelsMapFrom1450Down) {
    const auto s = OperatorEgSegments({50, 50, 50, 50}, {99, 50, 0, 0});
    EXPECT_FLOAT_EQ(s[0].to.y, 64);   // level 1 = 99
    EXPECT_FLOAT_EQ(s[1].to.y, 750);  // level 2 = 50
    EXPECT_FLOAT_EQ(s[2].to.y, 1450); // level 3 = 0
    EXPECT_FLOAT_EQ(s[3].to.y, 1450) << "sustain stays at level 3";
    EXPECT_FLOAT_EQ(s[0].from.y, 1450) << "starts from level 4";
    EXPECT_FLOAT_EQ(s[1].to.x, 100 + 2 * 190.0f);
}

TEST(OperatorEgGraph, StartsFromLevelFour) {
    const auto s = OperatorEgSegments({99, 99, 99, 99}, {99, 99, 99, 25});
    EXPECT_FLOAT_EQ(s[0].from.y, 1100);
    EXPECT_FLOAT_EQ(s[4].to.y, 1100);
}

TEST(PitchEgGraph, LevelsAll50DrawAFlatLineAt750) {
    const auto s = PitchEgSegments({10, 20, 30, 40}, {50, 50, 50, 50});
    for (const GraphSegment& seg : s) {
        EXPECT_FLOAT_EQ(seg.from.y, 750);
        EXPECT_FLOAT_EQ(seg.to.y, 750);
    }
    EXPECT_FLOAT_EQ(s[0].from.x, 250);
}

TEST(PitchEgGraph, ARateOf0Draws437AndAHalfTwipsWide) {
    const auto s = PitchEgSegments({0, 0, 0, 0}, {99, 0, 50, 50});
    for (const GraphSegment& seg : s) EXPECT_FLOAT_EQ(seg.to.x - seg.from.x, 437.5f);
    EXPECT_FLOAT_EQ(s[3].to.x, 250 + 4 * 437.5f);
    EXPECT_FLOAT_EQ(s[0].to.y, 64);
    EXPECT_FLOAT_EQ(s[1].to.y, 1450);
}

TEST(PitchEgGraph, AllRates99EndJustRightOfTheStart) {
    const auto s = PitchEgSegments({99, 99, 99, 99}, {60, 40, 70, 30});
    EXPECT_NEAR(s[3].to.x, 250 + 4 * 4.375, 1e-3);
    EXPECT_FLOAT_EQ(s[0].from.y, s[3].to.y) << "starts from level 4";
    for (int k = 0; k < 3; ++k) EXPECT_EQ(s[k].to, s[k + 1].from);
}

} // namespace
} // namespace vox
