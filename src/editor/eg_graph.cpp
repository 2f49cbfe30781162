#include "editor/eg_graph.h"

namespace vox {

namespace {
// Points are kept in single precision; each step is worked out in double.
// Levels are drawn against the fixed axis each graph shows: level 0 on the
// base line, level 99 at the top of the axis.
float OperatorY(int level) {
    const double base = kOperatorGraphBase.from.y, top = kOperatorGraphAxis.from.y;
    return static_cast<float>(base - level / 99.0 * (base - top));
}
// Pitch level 50 (no pitch change) on the centre line, 99 at the top of
// the axis and 0 at its bottom, where the captions "99", "50" and "0" are;
// 49 steps lie above the centre and 50 below, so each half has its scale.
float PitchY(int level) {
    const double centre = kPitchGraphCentre.from.y, top = kPitchGraphAxis.from.y,
                 bottom = kPitchGraphAxis.to.y;
    if (level >= 50) return static_cast<float>(centre - (level - 50) / 49.0 * (centre - top));
    return static_cast<float>(centre + (50 - level) / 50.0 * (bottom - centre));
}
} // namespace

std::array<GraphSegment, 5> OperatorEgSegments(const std::array<int, 4> &rates,
                                               const std::array<int, 4> &levels) {
    std::array<GraphPoint, 6> p{};
    p[0].x = 100;
    for (int k = 1; k <= 3; ++k) {
        p[k].x = static_cast<float>(p[k - 1].x + (100 - rates[k - 1]) / 500.0 * 1900.0);
        p[k].y = OperatorY(levels[k - 1]);
    }
    p[4].x = static_cast<float>(p[3].x + 380.0);
    p[4].y = p[3].y;
    p[5].x = static_cast<float>(p[4].x + (100 - rates[3]) / 500.0 * 1900.0);
    p[5].y = OperatorY(levels[3]);
    p[0].y = p[5].y;
    std::array<GraphSegment, 5> segments{};
    for (int k = 0; k < 5; ++k)
        segments[k] = {p[k], p[k + 1]};
    return segments;
}

std::array<GraphSegment, 4> PitchEgSegments(const std::array<int, 4> &rates,
                                            const std::array<int, 4> &levels) {
    std::array<GraphPoint, 5> p{};
    p[0].x = 250;
    for (int k = 1; k <= 4; ++k) {
        p[k].x = static_cast<float>(p[k - 1].x + (100 - rates[k - 1]) / 400.0 * 1750.0);
        p[k].y = PitchY(levels[k - 1]);
    }
    p[0].y = p[4].y;
    std::array<GraphSegment, 4> segments{};
    for (int k = 0; k < 4; ++k)
        segments[k] = {p[k], p[k + 1]};
    return segments;
}

} // namespace vox
