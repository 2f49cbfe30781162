#pragma once
// The number tables of the FM engine: how each voice parameter becomes a
// level, a time, a frequency or a depth. The engine and its tests both read
// these, so a test computes what it expects from the same mapping the
// engine plays. Levels are counted in "steps" of 0.75 dB (an eighth of a
// doubling, 20·log10(2)/8 = 0.7526 dB), the step of the instrument's output
// level in its upper range; a gain is 2^(-attenuation steps / 8).

namespace vox::fm {

inline constexpr double kPi = 3.14159265358979323846;

// One step of attenuation in dB.
inline constexpr double kStepDb = 0.75257498915995; // 20·log10(2) / 8

// Attenuation at or beyond which an operator is silent (about 96 dB, the
// dynamic range of the instrument's 16-bit output stage).
inline constexpr double kSilentSteps = 128.0;

// Linear gain of an attenuation in steps (0 at or beyond kSilentSteps).
double GainOfSteps(double steps);

// Output level or envelope level 0..99 on the instrument's logarithmic
// scale, as steps above the bottom: 99 = full, each step below 20..99 is
// 0.75 dB; below 20 the scale falls faster (see fm_tables.cpp).
double LevelSteps(int level);

// Gain of an operator output level 0..99 with the envelope at full (0 = off).
double OutputLevelGain(int outputLevel);

// Peak phase deviation in radians that a modulator at this output level (its
// envelope at full, no scaling) gives the operator it modulates.
inline constexpr double kMaxModulationIndex = 4.0 * kPi;
double ModulationIndex(int outputLevel);

// Feedback 0..7 as the peak phase deviation (radians) the operator's own
// output, averaged over its last two samples, adds to its input.
double FeedbackIndex(int feedback);

// --- Envelopes -----------------------------------------------------------
// Speed of a decay (or release) at an effective rate (rate 0..99 plus the
// rate scaling offset) in steps per second: the level falls linearly in dB.
double DecayStepsPerSecond(double rate);
// An attack rises faster the further the level is below the top: the
// distance to (99 + kAttackKnee) shrinks exponentially at DecayStepsPerSecond
// / kAttackKnee per second, so it looks nearly linear in amplitude.
inline constexpr double kAttackKnee = 24.0;
// Seconds an envelope takes from level `from` to level `to` (0..99) at this
// effective rate: an attack if to > from, else a decay.
double EnvelopeSeconds(double rate, int from, int to);
// Rate offset that keyboard rate scaling 0..7 adds at a MIDI note.
double RateScalingOffset(int scaling, int note);

// --- Keyboard level scaling ----------------------------------------------
// MIDI note of break point 0..99 (A-1 .. C8, with C3 = note 60).
int BreakPointNote(int breakPoint);
// Steps added to the output level (negative = quieter) by a curve 0..3
// (-LIN, -EXP, +EXP, +LIN) of depth 0..99 at `semitones` from the break point.
double KeyScalingSteps(int curve, int depth, int semitones);

// Steps by which key velocity sensitivity 0..7 lowers a note of velocity
// 1..127 (velocity 127 is never lowered).
double VelocitySteps(int sensitivity, int velocity);

// --- LFO and pitch -------------------------------------------------------
double LfoHz(int speed);
// Seconds from the note-on until the LFO starts to fade in, and the fade.
double LfoDelaySeconds(int delay);
double LfoFadeSeconds(int delay);
// Pitch deviation (octaves, peak) of PMD 99 at pitch modulation sensitivity 0..7.
double PitchModOctaves(int sensitivity);
// Attenuation (steps, peak) of AMD 99 at amplitude modulation sensitivity 0..3.
double AmpModSteps(int sensitivity);
// Pitch envelope level 0..99 as octaves (50 = none).
double PitchEgOctaves(int level);
// Octaves per second the pitch envelope moves at rate 0..99.
double PitchEgOctavesPerSecond(int rate);

// --- Frequency -----------------------------------------------------------
// Ratio-mode multiple of coarse 0..31 and fine 0..99.
double FrequencyRatio(int coarse, int fine);
// Fixed-mode frequency in Hz of coarse (only coarse % 4 counts) and fine.
double FixedFrequency(int coarse, int fine);
// Detune 0..14 (7 = none) in cents.
double DetuneCents(int detune);
// Frequency of a MIDI note (A4 = note 69 = 440 Hz).
double NoteHz(double note);

} // namespace vox::fm
