#pragma once
// What the picture of an algorithm is made of, in pixels of the picture's
// own size (2250 x 1650 twips at 96 dpi, y grows downwards): six numbered
// boxes, the modulation lines, the output line under the carriers and the
// feedback loop. No Qt: the editor's view, the picture files and the
// printed voice sheet all draw from it.

#include "voice/algorithms.h"

#include <array>
#include <vector>

namespace vox {

inline constexpr double kAlgorithmPictureWidth = 150;  // pixels
inline constexpr double kAlgorithmPictureHeight = 110; // pixels
inline constexpr double kAlgorithmBoxWidth = 17;       // pixels
inline constexpr double kAlgorithmBoxHeight = 14;      // pixels

struct PicturePoint {
    double x = 0;
    double y = 0;
};

struct PictureLine {
    PicturePoint from;
    PicturePoint to;
};

struct AlgorithmDrawing {
    std::array<PicturePoint, kOperatorCount> centres; // of each box, index op - 1
    std::array<bool, kOperatorCount> carrier{};       // index op - 1: the box is filled
    std::vector<PictureLine> lines;                   // modulations, carrier drops, output line
    std::array<PicturePoint, 6> loop;                 // the feedback path, one polyline
};

// Algorithm `number` (1..32; anything else is brought into that range).
AlgorithmDrawing DrawAlgorithm(int number);

} // namespace vox
