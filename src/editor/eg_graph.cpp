#include "editor/eg_graph.h"

namespace vox {

namespace {
// Points are kept in single precision; each step is worked out in double.
float OperatorY(int level) { return static_cast<float>(1450.0 - level / 100.0 * 1400.0); }
float PitchY(int level) { return static_cast<float>((50 - level) / 50.0 * 700.0 + 750.0); }
} // namespace

std::array<GraphSegment, 5> OperatorEgSegments(const std::array<int, 4>& rates, const std::array<int, 4>& levels) {
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
    for (int k = 0; k < 5; ++k) segments[k] = {p[k], p[k + 1]};
    return segments;
}

std::array<GraphSegment, 4> PitchEgSegments(const std::array<int, 4>& rates, const std::array<int, 4>& levels) {
    std::array<GraphPoint, 5> p{};
    p[0].x = 250;
    for (int k = 1; k <= 4; ++k) {
        p[k].x = static_cast<float>(p[k - 1].x + (100 - rates[k - 1]) / 400.0 * 1750.0);
        p[k].y = PitchY(levels[k - 1]);
    }
    p[0].y = p[4].y;
    std::array<GraphSegment, 4> segments{};
    for (int k = 0; k < 4; ++k) segments[k] = {p[k], p[k + 1]};
    return segments;
}

} // namespace vox
