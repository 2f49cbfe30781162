#include "synth/fm_tables.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace vox::fm {

namespace {
int Clamp(int v, int low, int high) { return std::clamp(v, low, high); }
} // namespace

double GainOfSteps(double steps) {
    if (steps >= kSilentSteps) return 0.0;
    if (steps <= 0.0) return 1.0;
    return std::exp2(-steps / 8.0);
}

// Levels 20..99 are 0.75 dB apart (the instrument's output level is
// documented as logarithmic, about 0.75 dB a step in its upper range).
// Below 20 the scale falls at twice that rate, 1.5 dB a step, so that level
// 1 lies near -88 dB, just above the silence floor: a choice, as no step
// table of the lowest levels is published. Level 0 is off: the DX7 II
// Reference Manual ("EG") says an operator whose EG level is 0 produces no
// signal once that level is reached.
double LevelSteps(int level) {
    level = Clamp(level, 0, 99);
    if (level >= 20) return level;
    return 2.0 * level - 20.0;
}

double OutputLevelGain(int outputLevel) {
    if (outputLevel <= 0) return 0.0;
    return GainOfSteps(99.0 - LevelSteps(outputLevel));
}

// Chowning's FM with the index taken as the peak phase deviation: a
// modulator at full level swings its carrier's phase by 4π radians, the
// figure commonly published for the instrument's strongest modulation.
double ModulationIndex(int outputLevel) { return kMaxModulationIndex * OutputLevelGain(outputLevel); }

// Chosen: each feedback step doubles the loop gain and 7 is 1.5π, a bright,
// nearly sawtooth spectrum that still settles with the two-sample average
// in the loop (much above that the loop turns to noise).
double FeedbackIndex(int feedback) {
    feedback = Clamp(feedback, 0, 7);
    if (feedback == 0) return 0.0;
    return 1.5 * kPi * std::exp2(feedback - 7);
}

// No rate-to-time table is published in the manuals. Chosen: a full-range
// decay (level 99 to 0, 119 steps, about 89 dB) takes 4.5 ms at effective
// rate 99 and twice as long for every 7 rates below, so rate 50 takes about
// 0.6 s and rate 0 about 80 s, the span players describe (a few
// milliseconds for the fastest click, over a minute for the slowest swell).
namespace {
constexpr double kFullRangeSteps = 119.0;    // LevelSteps(99) - LevelSteps(0)
constexpr double kFastestFullDecay = 0.0045; // seconds at effective rate 99
constexpr double kRateStepsPerDoubling = 7.0;
} // namespace

double DecayStepsPerSecond(double rate) {
    rate = std::max(rate, 0.0);
    const double seconds = kFastestFullDecay * std::exp2((99.0 - rate) / kRateStepsPerDoubling);
    return kFullRangeSteps / seconds;
}

double EnvelopeSeconds(double rate, int from, int to) {
    const double a = LevelSteps(from), b = LevelSteps(to);
    const double speed = DecayStepsPerSecond(rate);
    if (b > a) {
        const double top = 99.0 + kAttackKnee;
        return kAttackKnee / speed * std::log((top - a) / (top - b));
    }
    return (a - b) / speed;
}

// The owner's manual (DX7 Operation Manual, "Keyboard Rate Scaling") says
// the scaling changes the rates for each group of 3 keys and barely touches
// the low notes. Chosen: each group of 3 keys above A-1 (note 21) adds
// scaling/7 of a rate, so scaling 7 adds 29 rates (about 18 times faster)
// at the top of the 88 keys.
double RateScalingOffset(int scaling, int note) {
    scaling = Clamp(scaling, 0, 7);
    const int group = (Clamp(note, 21, 108) - 21) / 3;
    return scaling * group / 7.0;
}

// The data format: break point 0 = A-1, 99 = C8, with C3 = MIDI note 60,
// so A-1 is MIDI note 21 and each step is a semitone.
int BreakPointNote(int breakPoint) { return Clamp(breakPoint, 0, 99) + 21; }

// The owner's manual (DX7 Operation Manual, "Keyboard Level Scaling"): a
// linear curve at depth 99 changes the level 22 dB per octave; depths in
// between are taken in proportion. No figure is published for the
// exponential curves. Chosen: at depth 99 they change 8·(2^octaves - 1)
// steps, 6 dB one octave from the break point, 90 dB four octaves away:
// gentle near the break point, steeper than the linear curve beyond 2.4
// octaves. Curves 0..3 = -LIN, -EXP, +EXP, +LIN.
double KeyScalingSteps(int curve, int depth, int semitones) {
    curve = Clamp(curve, 0, 3);
    const double d = Clamp(depth, 0, 99) / 99.0;
    const double octaves = std::abs(semitones) / 12.0;
    const bool exponential = curve == 1 || curve == 2;
    const double steps = exponential ? d * 8.0 * (std::exp2(octaves) - 1.0) : d * (22.0 / kStepDb) * octaves;
    return curve <= 1 ? -steps : steps;
}

// Chosen: linear in dB over the velocity range; sensitivity 7 makes
// velocity 1 six doublings (36 dB, 48 steps) quieter than velocity 127.
double VelocitySteps(int sensitivity, int velocity) {
    sensitivity = Clamp(sensitivity, 0, 7);
    velocity = Clamp(velocity, 1, 127);
    return 48.0 * sensitivity / 7.0 * (127 - velocity) / 126.0;
}

// No DX7 table is published. Chosen: an exponential from 0.06 Hz (a
// 16-second cycle) at speed 0 to 50 Hz at 99; the top is the figure the
// owner's manual of its sibling, the TX81Z, gives for the same 0..99 speed
// ("at a setting of 99 the LFO will make about 50 cycles every second").
double LfoHz(int speed) {
    speed = Clamp(speed, 0, 99);
    constexpr double kLow = 0.06, kHigh = 50.0;
    return kLow * std::pow(kHigh / kLow, speed / 99.0);
}

// Chosen: delay 0 = none; up to about 5.5 s at 99 (quadratic so that the
// small values, the ones used for vibrato, are finely graded); the LFO then
// fades in over half the delay.
double LfoDelaySeconds(int delay) {
    const double d = Clamp(delay, 0, 99) / 99.0;
    return 5.5 * d * d;
}
double LfoFadeSeconds(int delay) { return 0.5 * LfoDelaySeconds(delay); }

// Chosen: peak deviation at PMD 99, doubling roughly per step, 7 = one octave.
double PitchModOctaves(int sensitivity) {
    static constexpr std::array<double, 8> kOctaves{0.0,      0.6 / 12, 1.2 / 12, 2.0 / 12,
                                                    3.5 / 12, 6.0 / 12, 9.0 / 12, 1.0};
    return kOctaves[static_cast<std::size_t>(Clamp(sensitivity, 0, 7))];
}

// Chosen: peak attenuation at AMD 99: 0, 2 dB, 12 dB and 48 dB (a full
// tremolo that nearly silences the operator at the bottom of the swing).
double AmpModSteps(int sensitivity) {
    static constexpr std::array<double, 4> kSteps{0.0, 2.0 / kStepDb, 12.0 / kStepDb, 48.0 / kStepDb};
    return kSteps[static_cast<std::size_t>(Clamp(sensitivity, 0, 3))];
}

// Chosen: linear in octaves, 50 = none, 0 = four octaves down, 99 = 3.92 up.
double PitchEgOctaves(int level) { return (Clamp(level, 0, 99) - 50) * (4.0 / 50.0); }

// Chosen: the same doubling per 7 rate steps as the amplitude envelope; at
// rate 99 the whole 8-octave swing takes 20 ms.
double PitchEgOctavesPerSecond(int rate) {
    const double seconds = 0.020 * std::exp2((99.0 - Clamp(rate, 0, 99)) / kRateStepsPerDoubling);
    return 8.0 / seconds;
}

// The data format: coarse 0 = 0.5, 1..31 = that multiple; fine adds
// fine/100 of it.
double FrequencyRatio(int coarse, int fine) {
    coarse = Clamp(coarse, 0, 31);
    const double base = coarse == 0 ? 0.5 : coarse;
    return base * (1.0 + Clamp(fine, 0, 99) / 100.0);
}

// Fixed mode: coarse % 4 picks 1, 10, 100 or 1000 Hz; fine multiplies by
// 10^(fine/100) (up to 9.772 times).
double FixedFrequency(int coarse, int fine) {
    return std::pow(10.0, (coarse % 4) + Clamp(fine, 0, 99) / 100.0);
}

// Chosen: 2 cents a step, ±14 cents at the ends, enough for the slow
// beating the control is used for.
double DetuneCents(int detune) { return 2.0 * (Clamp(detune, 0, 14) - 7); }

double NoteHz(double note) { return 440.0 * std::exp2((note - 69.0) / 12.0); }

} // namespace vox::fm
