#pragma once
// The 32 operator connections of the instrument, and where each operator
// sits in the picture drawn of it. No Qt here: the picture tool and the
// editor both read this table, and so do the catalogue and the sound.

#include "voice/voice_layout.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace vox {

inline constexpr int kAlgorithmCount = 32;

// Operator `from` modulates operator `to` (feeds its phase input).
struct Modulation {
    std::uint8_t from;
    std::uint8_t to;
};

struct AlgorithmInfo {
    std::array<Modulation, 5> modulations;
    std::uint8_t modulationCount;
    std::uint8_t carrierMask;  // bit (op - 1) set = op is heard
    std::uint8_t feedbackFrom; // output taken from this operator ...
    std::uint8_t feedbackTo;   // ... into this one's input (equal: a loop on itself)

    constexpr std::span<const Modulation> mods() const { return {modulations.data(), modulationCount}; }
    constexpr bool isCarrier(int op) const { return (carrierMask >> (op - 1)) & 1; }
    constexpr bool modulates(int from, int to) const {
        for (const Modulation &m : mods())
            if (m.from == from && m.to == to) return true;
        return false;
    }
};

namespace detail {
constexpr std::uint8_t Carriers(std::initializer_list<int> ops) {
    std::uint8_t mask = 0;
    for (int op : ops)
        mask = static_cast<std::uint8_t>(mask | (1 << (op - 1)));
    return mask;
}
constexpr AlgorithmInfo Alg(std::initializer_list<Modulation> mods, std::initializer_list<int> carriers,
                            int fbFrom, int fbTo) {
    AlgorithmInfo a{};
    for (const Modulation &m : mods)
        a.modulations[a.modulationCount++] = m;
    a.carrierMask = Carriers(carriers);
    a.feedbackFrom = static_cast<std::uint8_t>(fbFrom);
    a.feedbackTo = static_cast<std::uint8_t>(fbTo);
    return a;
}
constexpr AlgorithmInfo Alg(std::initializer_list<Modulation> mods, std::initializer_list<int> carriers,
                            int fb) {
    return Alg(mods, carriers, fb, fb);
}
} // namespace detail

// Index = algorithm number - 1 (the voice byte).
inline constexpr std::array<AlgorithmInfo, kAlgorithmCount> kAlgorithms = [] {
    using detail::Alg;
    return std::array<AlgorithmInfo, kAlgorithmCount>{
        Alg({{2, 1}, {6, 5}, {5, 4}, {4, 3}}, {1, 3}, 6),       // 1
        Alg({{2, 1}, {6, 5}, {5, 4}, {4, 3}}, {1, 3}, 2),       // 2
        Alg({{3, 2}, {2, 1}, {6, 5}, {5, 4}}, {1, 4}, 6),       // 3
        Alg({{3, 2}, {2, 1}, {6, 5}, {5, 4}}, {1, 4}, 4, 6),    // 4
        Alg({{2, 1}, {4, 3}, {6, 5}}, {1, 3, 5}, 6),            // 5
        Alg({{2, 1}, {4, 3}, {6, 5}}, {1, 3, 5}, 5, 6),         // 6
        Alg({{2, 1}, {4, 3}, {5, 3}, {6, 5}}, {1, 3}, 6),       // 7
        Alg({{2, 1}, {4, 3}, {5, 3}, {6, 5}}, {1, 3}, 4),       // 8
        Alg({{2, 1}, {4, 3}, {5, 3}, {6, 5}}, {1, 3}, 2),       // 9
        Alg({{3, 2}, {2, 1}, {5, 4}, {6, 4}}, {1, 4}, 3),       // 10
        Alg({{3, 2}, {2, 1}, {5, 4}, {6, 4}}, {1, 4}, 6),       // 11
        Alg({{2, 1}, {4, 3}, {5, 3}, {6, 3}}, {1, 3}, 2),       // 12
        Alg({{2, 1}, {4, 3}, {5, 3}, {6, 3}}, {1, 3}, 6),       // 13
        Alg({{2, 1}, {4, 3}, {5, 4}, {6, 4}}, {1, 3}, 6),       // 14
        Alg({{2, 1}, {4, 3}, {5, 4}, {6, 4}}, {1, 3}, 2),       // 15
        Alg({{2, 1}, {3, 1}, {5, 1}, {4, 3}, {6, 5}}, {1}, 6),  // 16
        Alg({{2, 1}, {3, 1}, {5, 1}, {4, 3}, {6, 5}}, {1}, 2),  // 17
        Alg({{2, 1}, {3, 1}, {4, 1}, {5, 4}, {6, 5}}, {1}, 3),  // 18
        Alg({{3, 2}, {2, 1}, {6, 4}, {6, 5}}, {1, 4, 5}, 6),    // 19
        Alg({{3, 1}, {3, 2}, {5, 4}, {6, 4}}, {1, 2, 4}, 3),    // 20
        Alg({{3, 1}, {3, 2}, {6, 4}, {6, 5}}, {1, 2, 4, 5}, 3), // 21
        Alg({{2, 1}, {6, 3}, {6, 4}, {6, 5}}, {1, 3, 4, 5}, 6), // 22
        Alg({{3, 2}, {6, 4}, {6, 5}}, {1, 2, 4, 5}, 6),         // 23
        Alg({{6, 3}, {6, 4}, {6, 5}}, {1, 2, 3, 4, 5}, 6),      // 24
        Alg({{6, 4}, {6, 5}}, {1, 2, 3, 4, 5}, 6),              // 25
        Alg({{3, 2}, {5, 4}, {6, 4}}, {1, 2, 4}, 6),            // 26
        Alg({{3, 2}, {5, 4}, {6, 4}}, {1, 2, 4}, 3),            // 27
        Alg({{2, 1}, {5, 4}, {4, 3}}, {1, 3, 6}, 5),            // 28
        Alg({{4, 3}, {6, 5}}, {1, 2, 3, 5}, 6),                 // 29
        Alg({{5, 4}, {4, 3}}, {1, 2, 3, 6}, 5),                 // 30
        Alg({{6, 5}}, {1, 2, 3, 4, 5}, 6),                      // 31
        Alg({}, {1, 2, 3, 4, 5, 6}, 6),                         // 32
    };
}();

// number 1..32; anything else is brought into that range.
const AlgorithmInfo &AlgorithmOf(int number);

// "alg" + number + ".jpg", the picture the editor shows for the algorithm.
std::string AlgorithmPictureName(int number);

// Where an operator sits in the drawing: row 0 is the bottom row (the
// carriers), modulators stand one row above what they modulate; columns
// count from the left, halves occur where an operator is centred over two.
struct OperatorPlace {
    int row = 0;
    double column = 0;
};

struct AlgorithmLayout {
    std::array<OperatorPlace, kOperatorCount> places; // index op - 1
    int rows = 0;                                     // rows used
    double columns = 0;                               // highest column + 1
};

AlgorithmLayout LayoutAlgorithm(int number);

} // namespace vox
