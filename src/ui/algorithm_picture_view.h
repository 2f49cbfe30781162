#pragma once
// The picture of an algorithm, drawn from the algorithm table: six numbered
// boxes, carriers on the bottom row joined by the output line, modulators
// above what they modulate, and the feedback loop, as voice/algorithm_drawing.h
// lays them out. Vector drawing, so the editor draws it sharp at any screen
// density, and the build writes the program folder's "alg1.jpg" ..
// "alg32.jpg" with the same routine.

#include "voice/algorithm_drawing.h"

#include <QRectF>
#include <QSize>

class QPainter;

namespace vox {

// The picture's own size in pixels (2250 x 1650 twips at 96 dpi), the size
// of the files.
inline constexpr QSize kAlgorithmPictureSize(static_cast<int>(kAlgorithmPictureWidth),
                                             static_cast<int>(kAlgorithmPictureHeight));

// Draws algorithm `number` (1..32) on white, as large as fits `target`
// without changing its proportions, centred in it.
void DrawAlgorithmPicture(QPainter &painter, const QRectF &target, int number);

} // namespace vox
