#pragma once
// The envelope graphs of the editor's envelope panels, as line segments in
// twips inside each 2100 x 1500 twips graph picture (y grows downwards).
// The view only draws what these functions return.

#include <array>

namespace vox {

struct GraphPoint {
    float x = 0; // twips
    float y = 0; // twips
    bool operator==(const GraphPoint &) const = default;
};

struct GraphSegment {
    GraphPoint from;
    GraphPoint to;
    bool operator==(const GraphSegment &) const = default;
};

inline constexpr int kGraphWidthTwips = 2100;
inline constexpr int kGraphHeightTwips = 1500;

// Fixed lines of an operator graph: vertical axis and base line.
inline constexpr GraphSegment kOperatorGraphAxis{{97, 48}, {97, 1392}};
inline constexpr GraphSegment kOperatorGraphBase{{97, 1392}, {1970, 1392}};
// Fixed lines of the pitch graph: vertical axis and centre line.
inline constexpr GraphSegment kPitchGraphAxis{{243, 48}, {243, 1392}};
inline constexpr GraphSegment kPitchGraphCentre{{243, 720}, {1943, 720}};

// rates / levels: EG rates 1..4 and levels 1..4, each 0..99. Five segments:
// attack, decay 1, decay 2, sustain (always 380 twips wide), release.
std::array<GraphSegment, 5> OperatorEgSegments(const std::array<int, 4> &rates,
                                               const std::array<int, 4> &levels);

// Pitch EG rates 1..4 and levels 1..4; four segments, no sustain.
std::array<GraphSegment, 4> PitchEgSegments(const std::array<int, 4> &rates,
                                            const std::array<int, 4> &levels);

} // namespace vox
