#include "synth/fm_tables.h"

#include <algorithm>
#include <cmath>

namespace vox::fm {

namespace {

using U8 = std::uint8_t;

int Clamp(int v, int low, int high) { return std::clamp(v, low, high); }

// Three tables as they follow one another in the firmware ROM (§3.2): the
// exponential and linear level-scaling curves (36 bytes each) and TABLE_LOG
// (§1). A scaling distance beyond 35 reads on into the next table, as the
// firmware does.
constexpr std::array<U8, 36 + 36 + 100> kScalingRom{
    // TABLE_KBD_SCALING_CURVE_EXP
    0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 14, 16, 19, 23, 28, 33, 39, 47, 57, 67, 80, 95, 113, 134, 160, 190, 224,
    255, 255, 255, 255, 255, 255, 255, 255,
    // TABLE_KBD_SCALING_CURVE_LIN (178 at distance 22 as stored in ROM)
    0, 8, 16, 24, 32, 40, 48, 56, 64, 72, 80, 88, 96, 104, 112, 120, 128, 136, 144, 152, 160, 168, 178, 184,
    192, 200, 208, 216, 224, 232, 240, 248, 255, 255, 255, 255,
    // TABLE_LOG
    127, 122, 118, 114, 110, 107, 104, 102, 100, 98, 96, 94, 92, 90, 88, 86, 85, 84, 82, 81, 79, 78, 77, 76,
    75, 74, 73, 72, 71, 70, 69, 68, 67, 66, 65, 64, 63, 62, 61, 60, 59, 58, 57, 56, 55, 54, 53, 52, 51, 50,
    49, 48, 47, 46, 45, 44, 43, 42, 41, 40, 39, 38, 37, 36, 35, 34, 33, 32, 31, 30, 29, 28, 27, 26, 25, 24,
    23, 22, 21, 20, 19, 18, 17, 16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0};
constexpr std::size_t kExpCurve = 0, kLinCurve = 36, kTableLog = 72;

// TABLE_MIDI_KEY_TO_LOG_F (§7.1): top byte of each MIDI note's pitch word.
constexpr std::array<U8, 128> kKeyToLogF{
    0,   0,   1,   2,   4,   5,   6,   8,   9,   10,  12,  13,  14,  16,  17,  18,  20,  21,  22,
    24,  25,  26,  28,  29,  30,  32,  33,  34,  36,  37,  38,  40,  41,  42,  44,  45,  46,  48,
    49,  50,  52,  53,  54,  56,  57,  58,  60,  61,  62,  64,  65,  66,  68,  69,  70,  72,  73,
    74,  76,  77,  78,  80,  81,  82,  84,  85,  86,  88,  89,  90,  92,  93,  94,  96,  97,  98,
    100, 101, 102, 104, 105, 106, 108, 109, 110, 112, 113, 114, 116, 117, 118, 120, 121, 122, 124,
    125, 126, 128, 129, 130, 132, 133, 134, 136, 137, 138, 140, 141, 142, 144, 145, 146, 148, 149,
    150, 152, 153, 154, 156, 157, 158, 160, 161, 162, 164, 165, 166, 168};

// TABLE_MIDI_VEL (§4.1): MIDI velocity / 4 -> internal velocity.
constexpr std::array<U8, 32> kMidiVelocity{110, 100, 90, 85, 80, 75, 70, 65, 58, 54, 50, 46, 42, 38, 34, 30,
                                           28,  26,  24, 22, 20, 18, 16, 14, 12, 10, 8,  6,  4,  2,  1,  0};
// TABLE_OP_VOLUME_VELOCITY_SCALE (§4.1): internal velocity / 4 -> Tv.
constexpr std::array<U8, 32> kVelocityScale{0,   4,   12,  21,  30,  40,  46,  52,  58,  64,  70,
                                            76,  82,  88,  94,  100, 103, 106, 109, 112, 114, 116,
                                            118, 120, 122, 124, 126, 128, 130, 131, 132, 133};

// TABLE_LFO_SIN (§5.5): a quarter wave.
constexpr std::array<U8, 64> kLfoSine{2,   5,   8,   11,  14,  17,  20,  23,  26,  29,  32,  35,  38,
                                      41,  44,  47,  50,  53,  56,  58,  61,  64,  67,  69,  72,  74,
                                      77,  79,  82,  84,  86,  89,  91,  93,  95,  97,  99,  101, 103,
                                      105, 106, 108, 110, 111, 113, 114, 115, 117, 118, 119, 120, 121,
                                      122, 123, 124, 124, 125, 125, 126, 126, 127, 127, 127, 127};

// TABLE_PITCH_MOD_SENS (§5.6).
constexpr std::array<U8, 8> kPitchModSens{0, 10, 20, 33, 55, 92, 153, 255};

// TABLE_AMP_MOD (§5.7).
constexpr std::array<U8, 256> kAmpMod{
    255, 255, 224, 205, 192, 181, 173, 166, 160, 154, 149, 145, 141, 137, 134, 130, 128, 125, 122, 120,
    117, 115, 113, 111, 109, 107, 105, 103, 102, 100, 98,  97,  96,  94,  93,  91,  90,  89,  88,  86,
    85,  84,  83,  82,  81,  80,  79,  78,  77,  76,  75,  74,  73,  72,  71,  70,  70,  69,  68,  67,
    66,  66,  65,  64,  64,  63,  62,  61,  61,  60,  59,  59,  58,  57,  57,  56,  56,  55,  54,  54,
    53,  53,  52,  51,  51,  50,  50,  49,  49,  48,  48,  47,  47,  46,  46,  45,  45,  44,  44,  43,
    43,  42,  42,  42,  41,  41,  40,  40,  39,  39,  38,  38,  38,  37,  37,  36,  36,  36,  35,  35,
    34,  34,  34,  33,  33,  33,  32,  32,  32,  31,  31,  30,  30,  30,  29,  29,  29,  28,  28,  28,
    27,  27,  27,  26,  26,  26,  25,  25,  25,  24,  24,  24,  24,  23,  23,  23,  22,  22,  22,  21,
    21,  21,  21,  20,  20,  20,  19,  19,  19,  19,  18,  18,  18,  18,  17,  17,  17,  17,  16,  16,
    16,  16,  15,  15,  15,  15,  14,  14,  14,  14,  13,  13,  13,  13,  12,  12,  12,  12,  11,  11,
    11,  11,  10,  10,  10,  10,  9,   9,   9,   9,   8,   8,   8,   8,   8,   7,   7,   7,   7,   6,
    6,   6,   6,   6,   5,   5,   5,   5,   5,   4,   4,   4,   4,   4,   3,   3,   3,   3,   3,   2,
    2,   2,   2,   2,   2,   1,   1,   1,   1,   1,   0,   0,   0,   0,   0,   0};

// TABLE_PITCH_EG_LEVEL (§6.1).
constexpr std::array<U8, 100> kPitchEgLevel{
    0,   12,  24,  33,  43,  52,  60,  67,  72,  76,  79,  82,  85,  87,  89,  91,  93,  95,  96,  97,
    98,  99,  100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112, 113, 114, 115, 116, 117,
    118, 119, 120, 121, 122, 123, 124, 125, 126, 127, 128, 129, 130, 131, 132, 133, 134, 135, 136, 137,
    138, 139, 140, 141, 142, 143, 144, 145, 146, 147, 148, 149, 150, 151, 152, 153, 154, 155, 156, 157,
    158, 159, 160, 161, 162, 163, 166, 168, 171, 174, 177, 181, 186, 193, 201, 210, 220, 231, 243, 255};

// TABLE_PITCH_EG_RATE (§6.2).
constexpr std::array<U8, 100> kPitchEgRate{
    1,   2,   3,   3,   4,   4,   5,   5,   6,   6,   7,   7,   8,   8,   9,   9,   10,  10,  11,  11,
    12,  12,  13,  13,  14,  14,  15,  16,  16,  17,  18,  18,  19,  20,  21,  22,  23,  24,  25,  26,
    27,  28,  30,  31,  33,  34,  36,  37,  38,  39,  41,  42,  44,  46,  47,  49,  51,  53,  54,  56,
    58,  60,  62,  64,  66,  68,  70,  72,  74,  76,  79,  82,  85,  88,  91,  94,  98,  102, 106, 110,
    115, 120, 125, 130, 135, 141, 147, 153, 159, 165, 171, 178, 185, 193, 202, 211, 232, 243, 254, 255};

// TABLE_OP_FREQ_COARSE (§7.3), as signed values ($F000 = one octave down).
constexpr std::array<int, 32> kCoarse{-4096, 0,     4096,  6492,  8192,  9512,  10588, 11500,
                                      12288, 12984, 13608, 14170, 14684, 15156, 15596, 16004,
                                      16384, 16744, 17080, 17400, 17704, 17992, 18266, 18528,
                                      18780, 19020, 19252, 19476, 19692, 19898, 20100, 20292};
// TABLE_OP_FREQ_FINE (§7.3).
constexpr std::array<int, 101> kFine{
    0,    58,   117,  174,  231,  288,  344,  399,  454,  509,  563,  616,  669,  722,  774,  825,  877,
    927,  978,  1027, 1077, 1126, 1175, 1223, 1271, 1318, 1365, 1412, 1458, 1504, 1550, 1595, 1640, 1685,
    1729, 1773, 1817, 1860, 1903, 1945, 1988, 2030, 2072, 2113, 2154, 2195, 2236, 2276, 2316, 2356, 2396,
    2435, 2474, 2513, 2551, 2589, 2627, 2665, 2703, 2740, 2777, 2814, 2850, 2887, 2923, 2959, 2994, 3030,
    3065, 3100, 3135, 3170, 3204, 3239, 3273, 3306, 3340, 3374, 3407, 3440, 3473, 3506, 3538, 3571, 3603,
    3635, 3667, 3698, 3730, 3761, 3792, 3823, 3854, 3885, 3916, 3946, 3976, 4006, 4036, 4066, 4096};
// Fixed mode (§7.4): 1, 10, 100, 1000 Hz.
constexpr std::array<int, 4> kFixed{0, 0x3526, 0x6A4C, 0x9F74};

} // namespace

int OutputLevelT(int outputLevel) {
    return kScalingRom[kTableLog + static_cast<std::size_t>(Clamp(outputLevel, 0, 99))];
}

int ScaleValue(int value) { return (660 * Clamp(value, 0, 99)) >> 8; }

int KeyGroup(int note) { return kKeyToLogF[static_cast<std::size_t>(Clamp(note, 0, 127))] / 4; }

int ScalingOffset(int curve, int depth, int distance) {
    const std::size_t base = curve == 1 || curve == 2 ? kExpCurve : kLinCurve;
    const int raw = kScalingRom[base + static_cast<std::size_t>(Clamp(distance, 0, 38))];
    return std::min(127, (raw * ScaleValue(depth)) >> 8);
}

// PATCH_ACTIVATE_OPERATOR_KBD_SCALING_LEVEL (§3.1): the pivot is the group
// below the break-point note's, minus one; the pivot group itself is the
// left curve at distance 0.
int ScaledLevel(int outputLevel, int breakPoint, int leftDepth, int rightDepth, int leftCurve, int rightCurve,
                int note) {
    const int t = OutputLevelT(outputLevel);
    const int pivot = KeyGroup(Clamp(breakPoint, 0, 99) + 20) - 1;
    const int group = KeyGroup(note);
    const bool left = group <= pivot;
    const int curve = left ? leftCurve : rightCurve;
    const int a = ScalingOffset(curve, left ? leftDepth : rightDepth, left ? pivot - group : group - pivot);
    return curve == 0 || curve == 1 ? std::min(127, t + a) : std::max(0, t - a);
}

// §4.2: V = floor(32S·Tv/256) + 15 - 2S.
int VelocityOffset(int sensitivity, int midiVelocity) {
    const int s = Clamp(sensitivity, 0, 7);
    const int internal = kMidiVelocity[static_cast<std::size_t>(Clamp(midiVelocity, 0, 127) / 4)];
    const int tv = kVelocityScale[static_cast<std::size_t>(internal / 4)];
    return std::min(255, ((32 * s * tv) >> 8) + 15 - 2 * s);
}

int LevelRegister(int scaledLevel, int velocityOffset) {
    return std::max(4, std::min(255, 2 * scaledLevel + velocityOffset));
}

int EgLevel(int level) { return OutputLevelT(level) / 2; }

int EgRate(int rate) { return (164 * Clamp(rate, 0, 99)) >> 8; }

// PATCH_ACTIVATE_SCALE_LFO_SPEED (§5.2).
int LfoIncrement(int speed) {
    speed = Clamp(speed, 0, 99);
    if (speed == 0) return 11;
    const int a = ScaleValue(speed);
    return a < 160 ? 11 * a : a * (11 + (a - 160) / 4);
}

// PATCH_ACTIVATE_SCALE_LFO_DELAY (§5.3).
int LfoDelayIncrement(int delay) {
    const int x = 99 - Clamp(delay, 0, 99);
    return (16 + x % 16) << (2 + x / 16);
}

// LFO_GET_AMPLITUDE (§5.5).
int LfoWave(int wave, int phase, int random) {
    const int p = phase & 0xFFFF, m = p >> 8;
    auto signedByte = [](int v) { return static_cast<int>(static_cast<std::int8_t>(static_cast<U8>(v))); };
    switch (wave) {
    case 0: { // triangle
        int a = (p >> 7) & 0xFF;
        if (p >= 0x8000) a = 255 - a;
        return a - 128;
    }
    case 1:
        return signedByte(255 - m); // saw down
    case 2:
        return signedByte(m); // saw up
    case 3:
        return p < 0x8000 ? 127 : -128;
    case 4: { // sine
        int i = m & 63;
        if (m & 64) i = 63 - i;
        const int v = kLfoSine[static_cast<std::size_t>(i)];
        return m < 128 ? v : -1 - v;
    }
    default:
        return signedByte(random); // sample and hold
    }
}

int LfoNextRandom(int random) { return (179 * random + 17) & 0xFF; }

int PitchModSensitivity(int pms) { return kPitchModSens[static_cast<std::size_t>(Clamp(pms, 0, 7))]; }

int AmpModTable(int index) { return kAmpMod[static_cast<std::size_t>(Clamp(index, 0, 255))]; }

int PitchEgLevel(int level) { return kPitchEgLevel[static_cast<std::size_t>(Clamp(level, 0, 99))]; }

// TABLE_PITCH_BEND: the wheel's 128 positions, with a small dead zone at
// the centre; TABLE_PITCH_BEND_CENTS: the scale of ranges 0..12.
constexpr std::array<U8, 128> kPitchBend{
    0,   1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  11,  12,  13,  14,  15,  16,  17,  18,
    19,  20,  21,  22,  23,  24,  25,  26,  27,  28,  29,  30,  31,  32,  33,  34,  35,  36,  37,
    38,  39,  40,  42,  43,  44,  45,  46,  47,  48,  49,  50,  51,  52,  53,  54,  55,  56,  57,
    58,  59,  60,  61,  62,  63,  64,  64,  64,  65,  66,  67,  68,  69,  70,  71,  72,  73,  74,
    75,  76,  77,  78,  79,  80,  81,  82,  83,  84,  85,  86,  88,  89,  90,  91,  92,  93,  94,
    95,  96,  97,  98,  99,  100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112, 113,
    114, 115, 116, 117, 118, 119, 120, 121, 122, 123, 124, 125, 126, 127};
constexpr std::array<U8, 13> kPitchBendCents{0, 22, 43, 65, 86, 107, 129, 151, 172, 194, 215, 236, 255};

int PitchBendValue(int msb, int range, int step) {
    const int a = 2 * kPitchBend[static_cast<std::size_t>(Clamp(msb, 0, 127))] - 128; // -128..126
    range = Clamp(range, 0, 12);
    step = Clamp(step, 0, 12);
    if (step != 0) {
        // The firmware's stepped path (TABLE_PITCH_BEND_STEP) is not
        // published: the wheel's position in semitones, rounded to whole
        // steps of `step`, never past the range (chosen).
        const double at = std::abs(a) * range / 128.0;
        const int semitones = std::min(range, static_cast<int>(std::lround(at / step)) * step);
        return (a < 0 ? -semitones : semitones) * 16384 / 12;
    }
    return range == 12 ? a * 128 : a * kPitchBendCents[static_cast<std::size_t>(range)] / 2;
}

int PitchEgRate(int rate) { return kPitchEgRate[static_cast<std::size_t>(Clamp(rate, 0, 99))]; }

// VOICE_CONVERT_NOTE_TO_LOG_FREQ (§7.1): the low byte is 0, $54 or $A8 by
// the top byte's position in its group of three.
int KeyPitch(int note) {
    static constexpr int kLow[4] = {0x00, 0x54, 0xA8, 0x00};
    const int top = kKeyToLogF[static_cast<std::size_t>(Clamp(note, 0, 127))];
    return (top << 8) | kLow[top & 3];
}

// VOICE_ADD (§7.7): an unsigned compare sends both ends to 127.
int TransposedNote(int key, int transpose) {
    const int n = key + Clamp(transpose, 0, 48) - 24;
    return n < 0 || n > 127 ? 127 : n;
}

int RatioWord(int coarse, int fine) {
    return (kCoarse[static_cast<std::size_t>(Clamp(coarse, 0, 31))] +
            kFine[static_cast<std::size_t>(Clamp(fine, 0, 99))] + 0x232C) &
           ~1;
}

int FixedWord(int coarse, int fine) {
    return 0x16AC + kFixed[static_cast<std::size_t>(Clamp(coarse, 0, 31) % 4)] + 136 * Clamp(fine, 0, 99);
}

// §7.5: the firmware's 1-Hz anchor.
double WordHz(double word) { return std::exp2((word - 0x16AC) / 4096.0); }

// --- Choices -------------------------------------------------------------
// Nothing published gives these (dx7-sound-facts.md §10); each is this
// program's decision, listed on the help page under 「再現しないこと」.
//
// The register unit: 1/16 of a halving (0.376 dB), the 0.375 dB commonly
// quoted for the instrument and for Yamaha's chips of its time (kRegisterUnit).
//
// Envelope times: the one published measurement is a rate-50 attack (EGS
// rate 32) of about 26 ms from silence to full. Attacks and decays take
// twice as long for every 4 EGS rates below; a full decay at EGS rate 32
// takes 0.6 s, so rises are faster than falls, as recorded.
double AttackSeconds(int egsRate) { return 0.026 * std::exp2((32 - Clamp(egsRate, 0, 63)) / 4.0); }
double DecaySeconds(int egsRate) { return 0.6 * std::exp2((32 - Clamp(egsRate, 0, 63)) / 4.0); }

// Rate scaling: scaling/11 of an EGS rate for every key group above A-1
// (group 6), so scaling 7 makes the top key about 19 EGS rates faster.
int RateScalingOffset(int scaling, int note) {
    return Clamp(scaling, 0, 7) * std::max(0, KeyGroup(note) - 6) / 11;
}

// AMS: none, 3/64, a quarter and all of the AM register (AMD 99 on the
// triangle: about 2 dB, 12 dB and 48 dB of tremolo).
int AmpModShare(int ams) {
    static constexpr int kShare[4] = {0, 3, 16, 64};
    return kShare[Clamp(ams, 0, 3)];
}

// Detune: 2 cents a step at every key (±14 cents).
double DetuneUnits(int detune) { return (Clamp(detune, 0, 14) - 7) * 2.0 * 4096.0 / 1200.0; }

// Feedback: the loop adds (y[n-1] + y[n-2]) · 183 >> (7 - feedback) to the
// phase (32-bit phase, 22-bit operator output): feedback 7 is a peak
// deviation of 2.25 radians at an operator's full scale (1.2 at output level
// 99 and velocity sensitivity 0), each level below half the one above.
// Measured on this loop, up to about 2 radians stays periodic.
int FeedbackMultiplier(int feedback) { return feedback <= 0 ? 0 : 183; }

} // namespace vox::fm
