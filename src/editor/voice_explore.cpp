#include "editor/voice_explore.h"

#include <algorithm>
#include <cmath>

namespace vox {

namespace {

constexpr int kNamedParams = param::Name1; // 0..144 have a range; the name follows

bool IsName(int p) { return p >= param::Name1; }

OpParam OpParamOf(int p) { return static_cast<OpParam>(p % kOperatorBlockParams); }
int OperatorOf(int p) { return kOperatorCount - p / kOperatorBlockParams; } // 1..6

bool IsEnvelope(int p) {
    if (p < param::PitchRate1) return static_cast<int>(OpParamOf(p)) <= static_cast<int>(OpParam::Level4);
    return p < param::Algorithm;
}

bool IsFrequency(int p) {
    if (p >= param::PitchRate1) return false;
    const OpParam k = OpParamOf(p);
    return k == OpParam::OscMode || k == OpParam::FreqCoarse || k == OpParam::FreqFine ||
           k == OpParam::Detune;
}

int Clamp(int p, int value) { return std::clamp(value, 0, ParamMax(p)); }

int Value(const Slot &voice, int p) { return ParamValue(p, voice[ParamPos(p)]); }

} // namespace

bool ExploreLocked(const ExploreLocks &locks, int p) {
    if (IsName(p)) return locks.name;
    if (p < param::PitchRate1 && locks.operators[static_cast<std::size_t>(OperatorOf(p) - 1)]) return true;
    if (locks.envelopes && IsEnvelope(p)) return true;
    if (locks.frequencies && IsFrequency(p)) return true;
    return locks.algorithm && p >= param::Algorithm && p <= param::OscKeySync;
}

bool IsChoiceParameter(int p) {
    if (p < param::PitchRate1) {
        const OpParam k = OpParamOf(p);
        return k == OpParam::LeftCurve || k == OpParam::RightCurve || k == OpParam::OscMode;
    }
    return p == param::Algorithm || p == param::OscKeySync || p == param::LfoKeySync || p == param::LfoWave;
}

std::uint64_t ExploreRandom::next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

double ExploreRandom::unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

int ExploreRandom::below(int n) {
    return static_cast<int>(((next() >> 32) * static_cast<std::uint64_t>(n)) >> 32);
}

bool ExploreRandom::chance(double p) { return unit() < p; }

Slot Randomize(const Slot &voice, double amount, const ExploreLocks &locks, std::uint64_t seed) {
    amount = std::clamp(amount, 0.0, 1.0);
    Slot out = voice;
    if (amount == 0) return out;
    ExploreRandom random(seed);
    for (int p = 0; p < kNamedParams; ++p) {
        // Drawn for every parameter, locked or not, so that a lock changes
        // nothing but what it keeps.
        const double u = random.unit();
        const int other = random.below(ParamMax(p)); // another choice: skips the current one
        if (ExploreLocked(locks, p)) continue;
        const int value = Clamp(p, Value(voice, p));
        int next = value;
        if (IsChoiceParameter(p)) {
            if (u < amount) next = other < value ? other : other + 1;
        } else {
            const double step = (2 * u - 1) * amount * ParamMax(p);
            next = Clamp(p, value + static_cast<int>(std::lround(step)));
        }
        out[ParamPos(p)] = static_cast<Byte>(next);
    }
    return out;
}

Slot Morph(const Slot &a, const Slot &b, double t, const ExploreLocks &locks) {
    t = std::clamp(t, 0.0, 1.0);
    Slot out = a;
    if (t == 0) return out;
    for (int p = 0; p < static_cast<int>(kParamCount); ++p) {
        if (ExploreLocked(locks, p)) continue;
        const std::size_t at = ParamPos(p);
        if (t == 1 || IsName(p) || IsChoiceParameter(p)) {
            out[at] = t < 0.5 ? a[at] : b[at];
            continue;
        }
        const int from = Clamp(p, Value(a, p)), to = Clamp(p, Value(b, p));
        out[at] = static_cast<Byte>(Clamp(p, static_cast<int>(std::lround(from + (to - from) * t))));
    }
    return out;
}

BreedGroup BreedGroupOf(int p) {
    if (p < param::PitchRate1) return static_cast<BreedGroup>(OperatorOf(p) - 1);
    if (p < param::Algorithm) return BreedGroup::PitchEg;
    if (p <= param::OscKeySync) return BreedGroup::Algorithm;
    if (p <= param::PitchModSens) return BreedGroup::Lfo;
    if (p == param::Transpose) return BreedGroup::Rest;
    return BreedGroup::Name;
}

Slot Crossbreed(const Slot &a, const Slot &b, const ExploreLocks &locks, std::uint64_t seed) {
    ExploreRandom random(seed);
    std::array<bool, kBreedGroupCount> fromB{};
    for (bool &coin : fromB)
        coin = random.chance(0.5);
    Slot out = a;
    for (int p = 0; p < static_cast<int>(kParamCount); ++p)
        if (!ExploreLocked(locks, p) && fromB[static_cast<std::size_t>(BreedGroupOf(p))])
            out[ParamPos(p)] = b[ParamPos(p)];
    return out;
}

std::vector<Slot> Variations(const Slot &voice, double amount, int count, const ExploreLocks &locks,
                             std::uint64_t seed) {
    // A small amount may leave a draw as another one was; a few more draws
    // find one that differs, unless the amount moves nothing at all.
    constexpr int kDrawsPerVariation = 16;
    ExploreRandom seeds(seed);
    std::vector<Slot> out;
    for (int n = 0; n < count; ++n) {
        Slot v = Randomize(voice, amount, locks, seeds.next());
        for (int draw = 1; draw < kDrawsPerVariation; ++draw) {
            const bool again = v == voice || std::find(out.begin(), out.end(), v) != out.end();
            if (!again) break;
            v = Randomize(voice, amount, locks, seeds.next());
        }
        out.push_back(v);
    }
    return out;
}

} // namespace vox
