#pragma once
// The number tables of the FM engine: how each voice parameter becomes what
// the instrument's sound chips are given. Each table is the instrument's own
// (its firmware ROM, from tests/data/facts/dx7-sound-facts.md, cited by section) and is kept
// once, in fm_tables.cpp. Where the instrument's figure is not known, the
// value is a stated choice, kept together at the end of fm_tables.cpp so that
// a better figure replaces one table.
//
// Units. Attenuation is counted as the chips' exponent input counts it: 4.10
// fixed point, 1024 units to a halving of amplitude (6.02 dB), 16384 = the
// end of the range (silence). Pitch words count 4096 units to an octave.

#include <array>
#include <cstdint>

namespace vox::fm {

// --- Clock ---------------------------------------------------------------
// The firmware's timer tick (3140 cycles of the 1.17831 MHz E clock, §0.3):
// LFO, modulation and, every second tick, the pitch envelope.
inline constexpr double kTickHz = 375.26;

// --- Operator level (§1, §3, §4) -----------------------------------------
// TABLE_LOG: output level 0..99 -> attenuation T 0..127 (0 = loudest).
int OutputLevelT(int outputLevel);
// PATCH_ACTIVATE_SCALE_VALUE: depth 0..99 -> 0..255.
int ScaleValue(int value);
// Key group of a MIDI note: TABLE_MIDI_KEY_TO_LOG_F[n] / 4, 0..42.
int KeyGroup(int note);
// Offset a (T units, 0..127) of curve 0..3 (-LIN, -EXP, +EXP, +LIN) at depth
// 0..99 and distance 0..38 (key groups) from the pivot.
int ScalingOffset(int curve, int depth, int distance);
// T' (0..127) of an operator at a played note: output level combined with
// keyboard level scaling around break point 0..99.
int ScaledLevel(int outputLevel, int breakPoint, int leftDepth, int rightDepth, int leftCurve, int rightCurve,
                int note);
// Velocity offset V (register units) of sensitivity 0..7 at MIDI velocity 1..127.
int VelocityOffset(int sensitivity, int midiVelocity);
// The operator level register: min(255, 2·T' + V), at least 4.
int LevelRegister(int scaledLevel, int velocityOffset);
// Attenuation (4.10 units) of one register unit: 1/16 of a halving, 0.376 dB
// (the commonly quoted 0.375 dB; see the choices in fm_tables.cpp).
inline constexpr int kRegisterUnit = 64;

// --- Operator envelope (§2) ----------------------------------------------
// EG level 0..99 -> EGS level 0..63 (0 = loudest): floor(TABLE_LOG[L] / 2).
int EgLevel(int level);
// EG rate 0..99 -> EGS rate 0..63: floor(164·R / 256).
int EgRate(int rate);
// Attenuation (4.10 units) of one EGS level step: two T steps.
inline constexpr int kEgLevelUnit = 4 * kRegisterUnit;

// --- LFO (§5) ------------------------------------------------------------
// Phase increment per tick of speed 0..99 (16-bit phase).
int LfoIncrement(int speed);
// Delay accumulator increment per tick of delay 0..99.
int LfoDelayIncrement(int delay);
// The LFO's value -128..127 of wave 0..5 at 16-bit phase p. The sample and
// hold wave reads `random` (its generator advances in LfoNextRandom).
int LfoWave(int wave, int phase, int random);
// r -> (179·r + 17) mod 256: the sample-and-hold generator.
int LfoNextRandom(int random);
// TABLE_PITCH_MOD_SENS[pms 0..7].
int PitchModSensitivity(int pms);
// TABLE_AMP_MOD[i], i 0..255.
int AmpModTable(int index);

// --- Pitch envelope (§6) -------------------------------------------------
// TABLE_PITCH_EG_LEVEL[L 0..99]: 128 = no offset, one unit = 1/32 octave.
int PitchEgLevel(int level);
// TABLE_PITCH_EG_RATE[R 0..99]: change per update, 4096 units an octave.
int PitchEgRate(int rate);

// --- Pitch bend (§7.8) ---------------------------------------------------
// The pitch-modulation value (16384 units an octave) of a bend whose most
// significant byte is `msb` (64 = centre) at range 0..12 semitones and step
// 0..12 (0: smooth).
int PitchBendValue(int msb, int range, int step);

// --- Frequency (§7) ------------------------------------------------------
// The key's log pitch (16-bit word, 4096 units an octave).
int KeyPitch(int note);
// Played note of a key with transpose 0..48 (24 = none); out of range -> 127.
int TransposedNote(int key, int transpose);
// Operator word of ratio mode (coarse 0..31, fine 0..99), and of fixed mode.
int RatioWord(int coarse, int fine);
int FixedWord(int coarse, int fine);
// Frequency of a 16-bit pitch word sum: 2^((W - $16AC) / 4096) Hz.
double WordHz(double word);

// --- Choices (where the instrument's figure is not known) ----------------
// Seconds of a full attack (silence to full) and of a full decay (full to
// EGS level 63) at an EGS rate 0..63 (with rate scaling added).
double AttackSeconds(int egsRate);
double DecaySeconds(int egsRate);
// EGS rates that rate scaling 0..7 adds at a played note.
int RateScalingOffset(int scaling, int note);
// How much of the AM register reaches an operator of AMS 0..3, in 64ths.
int AmpModShare(int ams);
// Detune 0..14 (7 = none) as pitch-word units.
double DetuneUnits(int detune);
// Feedback 0..7 as the multiplier of the two-sample sum (see the operator).
int FeedbackMultiplier(int feedback);

} // namespace vox::fm
