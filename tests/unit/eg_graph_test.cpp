// GIVEN / WHEN / THEN tests of the envelope graphs' segments (twips).
#include "editor/eg_graph.h"

#include <gtest/gtest.h>

namespace vox {
namespace {

TEST(OperatorEgGraph, AllRates99DrawAShortEnvelopeStartingAt100) {
    const auto s = OperatorEgSegments({99, 99, 99, 99}, {99, 99, 99, 0});
    EXPECT_FLOAT_EQ(s[0].from.x, 100);
    EXPECT_NEAR(s[4].to.x - s[0].from.x, 380 + 4 * 3.8, 1e-3);
    for (int k : {0, 1, 2, 4})
        EXPECT_NEAR(s[k].to.x - s[k].from.x, 3.8, 1e-4) << k;
    EXPECT_NEAR(s[3].to.x - s[3].from.x, 380, 1e-4);
}

TEST(OperatorEgGraph, SegmentsJoinEndToEnd) {
    const auto s = OperatorEgSegments({12, 34, 56, 78}, {90, 60, 30, 10});
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(s[k].to, s[k + 1].from) << k;
}

TEST(OperatorEgGraph, ARateOf0Draws380TwipsWide) {
    const auto s = OperatorEgSegments({0, 99, 99, 0}, {99, 99, 99, 99});
    EXPECT_FLOAT_EQ(s[0].to.x - s[0].from.x, 380);
    EXPECT_NEAR(s[4].to.x - s[4].from.x, 380, 1e-4);
}

// The fixed lines the levels are drawn against.
TEST(EgGraphAxes, OperatorAndPitchGraphsKeepTheirFixedLines) {
    EXPECT_EQ(kOperatorGraphAxis, (GraphSegment{{97, 48}, {97, 1392}}));
    EXPECT_EQ(kOperatorGraphBase, (GraphSegment{{97, 1392}, {1970, 1392}}));
    EXPECT_EQ(kPitchGraphAxis, (GraphSegment{{243, 48}, {243, 1392}}));
    EXPECT_EQ(kPitchGraphCentre, (GraphSegment{{243, 720}, {1943, 720}}));
}

// GIVEN levels 99, 50, 0 WHEN the operator graph is drawn THEN 0 lies on the
// base line (y 1392), 99 at the top of the axis (y 48), 50 in proportion.
TEST(OperatorEgGraph, LevelsSpanTheAxisFromTheBaseLineToItsTop) {
    const auto s = OperatorEgSegments({50, 50, 50, 50}, {99, 50, 0, 0});
    EXPECT_FLOAT_EQ(s[0].to.y, 48);                      // level 1 = 99
    EXPECT_FLOAT_EQ(s[1].to.y, 1392 - 50 / 99.0 * 1344); // level 2 = 50: 713.21
    EXPECT_FLOAT_EQ(s[2].to.y, 1392);                    // level 3 = 0
    EXPECT_FLOAT_EQ(s[3].to.y, 1392) << "sustain stays at level 3";
    EXPECT_FLOAT_EQ(s[0].from.y, 1392) << "starts from level 4";
    EXPECT_FLOAT_EQ(s[0].to.y, kOperatorGraphAxis.from.y);
    EXPECT_FLOAT_EQ(s[2].to.y, kOperatorGraphBase.from.y);
    EXPECT_FLOAT_EQ(s[1].to.x, 100 + 2 * 190.0f);
}

TEST(OperatorEgGraph, StartsFromLevelFour) {
    const auto s = OperatorEgSegments({99, 99, 99, 99}, {99, 99, 99, 25});
    EXPECT_FLOAT_EQ(s[0].from.y, 1392 - 25 / 99.0 * 1344);
    EXPECT_FLOAT_EQ(s[4].to.y, s[0].from.y);
}

// GIVEN pitch levels 50 WHEN drawn THEN the line lies on the centre line,
// where the caption "50" stands.
TEST(PitchEgGraph, LevelsAll50DrawAFlatLineOnTheCentreLine) {
    const auto s = PitchEgSegments({10, 20, 30, 40}, {50, 50, 50, 50});
    for (const GraphSegment &seg : s) {
        EXPECT_FLOAT_EQ(seg.from.y, 720);
        EXPECT_FLOAT_EQ(seg.to.y, kPitchGraphCentre.from.y);
    }
    EXPECT_FLOAT_EQ(s[0].from.x, 250);
}

// GIVEN pitch levels 99 and 0 WHEN drawn THEN they reach the top and the
// bottom of the axis ("+4 OCT" and "-4 OCT"), and each half keeps its order.
TEST(PitchEgGraph, Levels99And0ReachTheEndsOfTheAxis) {
    const auto s = PitchEgSegments({50, 50, 50, 50}, {99, 0, 75, 25});
    EXPECT_FLOAT_EQ(s[0].to.y, 48);
    EXPECT_FLOAT_EQ(s[1].to.y, 1392);
    EXPECT_FLOAT_EQ(s[2].to.y, 720 - 25 / 49.0 * 672);
    EXPECT_FLOAT_EQ(s[3].to.y, 720 + 25 / 50.0 * 672);
    EXPECT_FLOAT_EQ(s[0].to.y, kPitchGraphAxis.from.y);
    EXPECT_FLOAT_EQ(s[1].to.y, kPitchGraphAxis.to.y);
    EXPECT_FLOAT_EQ(PitchEgSegments({50, 50, 50, 50}, {51, 49, 50, 50})[0].to.y, 720 - 672 / 49.0);
    EXPECT_FLOAT_EQ(PitchEgSegments({50, 50, 50, 50}, {51, 49, 50, 50})[1].to.y, 720 + 672 / 50.0);
}

TEST(PitchEgGraph, ARateOf0Draws437AndAHalfTwipsWide) {
    const auto s = PitchEgSegments({0, 0, 0, 0}, {99, 0, 50, 50});
    for (const GraphSegment &seg : s)
        EXPECT_FLOAT_EQ(seg.to.x - seg.from.x, 437.5f);
    EXPECT_FLOAT_EQ(s[3].to.x, 250 + 4 * 437.5f);
    EXPECT_FLOAT_EQ(s[0].to.y, 48);
    EXPECT_FLOAT_EQ(s[1].to.y, 1392);
}

TEST(PitchEgGraph, AllRates99EndJustRightOfTheStart) {
    const auto s = PitchEgSegments({99, 99, 99, 99}, {60, 40, 70, 30});
    EXPECT_NEAR(s[3].to.x, 250 + 4 * 4.375, 1e-3);
    EXPECT_FLOAT_EQ(s[0].from.y, s[3].to.y) << "starts from level 4";
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(s[k].to, s[k + 1].from);
}

} // namespace
} // namespace vox
