#pragma once
// The exploring tools of the editor: a voice shaken at random, two voices
// blended or bred, and a set of variations to choose from. Each works on
// the parameters 0..154 of a slot and keeps the slot's other bytes (header,
// checksum) as the first voice has them. A result holds every value it
// made within its range; a locked parameter keeps its byte as it was.
//
// The name: Randomize and Variations never change it (random characters
// make no name). Morph takes the partner's name from the middle on, as any
// choice, and Crossbreed takes it whole from one parent; the name lock
// keeps the first voice's name under every tool.

#include "voice/voice.h"

#include <array>
#include <cstdint>
#include <vector>

namespace vox {

struct ExploreLocks {
    bool algorithm = false;                       // algorithm, feedback, oscillator key sync
    bool envelopes = false;                       // every operator's EG rates and levels, the pitch EG
    bool frequencies = false;                     // every operator's oscillator mode, coarse, fine, detune
    std::array<bool, kOperatorCount> operators{}; // [op - 1]: every parameter of that operator
    bool name = false;                            // the ten name characters
};

// Whether the locks keep parameter p (0..154).
bool ExploreLocked(const ExploreLocks &locks, int p);

// A parameter whose values name kinds rather than amounts (algorithm,
// oscillator mode, curves, LFO wave, the sync switches): such a value is
// swapped, never interpolated.
bool IsChoiceParameter(int p);

// The small generator every tool draws from (splitmix64), so that one seed
// gives the same voices with every compiler and library.
class ExploreRandom {
public:
    explicit ExploreRandom(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next();
    double unit();         // [0, 1)
    int below(int n);      // 0..n-1, n >= 1
    bool chance(double p); // true with probability p

private:
    std::uint64_t state_;
};

// Each unlocked parameter (the name aside) moves from its value by up to
// amount (0..1) times its range, either way, held to its range; a choice
// takes another value with probability amount. Amount 0 returns the voice
// unchanged.
Slot Randomize(const Slot &voice, double amount, const ExploreLocks &locks, std::uint64_t seed);

// From a (t = 0) to b (t = 1): amounts rounded from the straight line
// between them, choices and the name a's below t = 0.5 and b's from there.
// t = 0 gives a and t = 1 gives b as they are (locked parameters a's).
Slot Morph(const Slot &a, const Slot &b, double t, const ExploreLocks &locks);

// The groups a crossbreed takes whole from one parent.
enum class BreedGroup : int { Op1 = 0, Op2, Op3, Op4, Op5, Op6, PitchEg, Algorithm, Lfo, Rest, Name };
inline constexpr int kBreedGroupCount = 11;
BreedGroup BreedGroupOf(int p);

// Each group from a or b by a coin of the seed; locked parameters a's.
Slot Crossbreed(const Slot &a, const Slot &b, const ExploreLocks &locks, std::uint64_t seed);

// `count` voices randomized from one, each of its own seed drawn from
// `seed`, and differing from one another whenever the amount moves anything.
std::vector<Slot> Variations(const Slot &voice, double amount, int count, const ExploreLocks &locks,
                             std::uint64_t seed);
inline constexpr int kVariationCount = 8;

} // namespace vox
