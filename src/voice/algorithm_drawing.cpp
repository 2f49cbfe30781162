#include "voice/algorithm_drawing.h"

#include <algorithm>

namespace vox {

namespace {

constexpr double kLeftMargin = 4;
constexpr double kRightMargin = 9; // room for a loop right of the last box
constexpr double kTopCentre = 17;  // centre of the highest possible row
constexpr double kBottomCentre = 84;
constexpr double kOutputLineY = 101;
constexpr double kMaxColumnSpacing = 36;
constexpr double kMaxRowSpacing = 28;
constexpr double kLoopGap = 5; // loop distance from a box

std::array<PicturePoint, kOperatorCount> Centres(int number) {
    const AlgorithmLayout layout = LayoutAlgorithm(number);
    const double width = kAlgorithmPictureWidth;
    const double columnSpacing =
        std::min(kMaxColumnSpacing, (width - kLeftMargin - kRightMargin) / layout.columns);
    const double rowSpacing =
        layout.rows > 1 ? std::min(kMaxRowSpacing, (kBottomCentre - kTopCentre) / (layout.rows - 1)) : 0;
    const double used = columnSpacing * layout.columns;
    const double left = kLeftMargin + (width - kLeftMargin - kRightMargin - used) / 2;
    std::array<PicturePoint, kOperatorCount> centre;
    for (int op = 1; op <= kOperatorCount; ++op) {
        const OperatorPlace &p = layout.places[static_cast<std::size_t>(op - 1)];
        centre[static_cast<std::size_t>(op - 1)] = {left + (p.column + 0.5) * columnSpacing,
                                                    kBottomCentre - p.row * rowSpacing};
    }
    return centre;
}

PicturePoint Top(const PicturePoint &c) { return {c.x, c.y - kAlgorithmBoxHeight / 2}; }
PicturePoint Bottom(const PicturePoint &c) { return {c.x, c.y + kAlgorithmBoxHeight / 2}; }

} // namespace

AlgorithmDrawing DrawAlgorithm(int number) {
    const AlgorithmInfo &a = AlgorithmOf(number);
    AlgorithmDrawing d;
    d.centres = Centres(number);
    auto at = [&](int op) { return d.centres[static_cast<std::size_t>(op - 1)]; };

    for (const Modulation &m : a.mods())
        d.lines.push_back({Bottom(at(m.from)), Top(at(m.to))});

    // Output line under the carriers.
    double outLeft = kAlgorithmPictureWidth, outRight = 0;
    for (int op = 1; op <= kOperatorCount; ++op) {
        if (!a.isCarrier(op)) continue;
        d.carrier[static_cast<std::size_t>(op - 1)] = true;
        d.lines.push_back({Bottom(at(op)), {at(op).x, kOutputLineY}});
        outLeft = std::min(outLeft, at(op).x);
        outRight = std::max(outRight, at(op).x);
    }
    d.lines.push_back({{outLeft, kOutputLineY}, {outRight, kOutputLineY}});

    // Feedback: from under the source box, round its right side, into the
    // top of the target (the same box, or op6 for algorithms 4 and 6).
    const PicturePoint from = at(a.feedbackFrom);
    const PicturePoint to = at(a.feedbackTo);
    const double side = std::max(from.x, to.x) + kAlgorithmBoxWidth / 2 + kLoopGap;
    const double below = Bottom(from).y + kLoopGap - 1;
    const double above = Top(to).y - kLoopGap;
    d.loop = {Bottom(from),
              PicturePoint{from.x, below},
              PicturePoint{side, below},
              PicturePoint{side, above},
              PicturePoint{to.x, above},
              Top(to)};
    return d;
}

} // namespace vox
