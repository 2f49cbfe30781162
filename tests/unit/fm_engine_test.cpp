// The FM engine measured: every test builds its voice here, renders it and
// reads frequencies, levels and times off the samples (FFT or envelope).
// Expected values are the instrument's figures from tests/data/facts/dx7-sound-facts.md
// (section numbers in the comments), worked out here by hand or by the
// sheet's own formulas; where the sheet has no figure, the test names the
// engine's stated choice it checks.

#include "audio_analysis.h"
#include "fm_voices.h"
#include "synth/fm_engine.h"
#include "voice/algorithms.h"
#include "voice/dx7_event.h"
#include "voice/init_voice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <numeric>
#include <vector>

using namespace vox;
using vox::test::AmplitudeSpectrum;
using vox::test::Db;
using vox::test::Peak;
using vox::test::PeakEnvelope;
using vox::test::Set;
using vox::test::SetOp;
using vox::test::SilentVoice;

namespace {

constexpr double kRate = 48000.0;
constexpr double kPi = 3.14159265358979323846;
// The firmware's timer tick (§0.3) and the pitch envelope's update (§0.4).
constexpr double kTickHz = 375.26;
constexpr double kPitchEgHz = kTickHz / 2;
// One unit of the operator level register taken as 1/16 of a doubling
// (0.376 dB; the sheet's 0.375 dB, §1, rounded to the chip's log scale).
constexpr double kUnitDb = 20.0 * 0.30102999566398120 / 16.0;
// A4 at ratio 1.00: W = $A32C (§7.5).
const double kA4 = std::exp2((0xA32C - 0x16AC) / 4096.0);

// One carrier, operator 1 of algorithm 1, at this output level.
VoiceParams OneCarrier(int outputLevel = 99) {
    VoiceParams v = SilentVoice();
    SetOp(v, 1, OpParam::OutputLevel, outputLevel);
    return v;
}

// Operator 1 at a fixed 1000 Hz (§7.5: $B620 = 1000.0 Hz): 48 samples a
// cycle, so the peak of each run of 48 samples is the level of that ms.
VoiceParams FixedCarrier(int outputLevel = 99) {
    VoiceParams v = OneCarrier(outputLevel);
    SetOp(v, 1, OpParam::OscMode, 1);
    SetOp(v, 1, OpParam::FreqCoarse, 3);
    SetOp(v, 1, OpParam::FreqFine, 0);
    return v;
}
constexpr std::size_t kMs = 48;

// A tremolo the LFO can be timed by: the fixed carrier at AMS 3, AMD 99,
// square wave, key sync (§5.4: the wave starts in its -128 half, the
// operator at its quietest once faded in).
VoiceParams Tremolo(int speed, int delay) {
    VoiceParams v = FixedCarrier();
    SetOp(v, 1, OpParam::AmpModSens, 3);
    Set(v, param::LfoAmd, 99);
    Set(v, param::LfoSpeed, speed);
    Set(v, param::LfoDelay, delay);
    Set(v, param::LfoWave, 3);
    Set(v, param::LfoKeySync, 1);
    return v;
}

// Output level 0 is not silence on the instrument (register 255, about
// -90 dB, §1): the tests switch such operators off, as the panel would.
void Load(FmEngine &engine, const VoiceParams &v) {
    engine.setVoice(v);
    int switches = 0;
    for (int op = 1; op <= kOperatorCount; ++op)
        if (v[static_cast<std::size_t>(OpParamNumber(op, OpParam::OutputLevel))] > 0)
            switches |= 1 << (kOperatorCount - op);
    engine.setParameter(kOperatorSwitchParam, switches);
}

// Renders in audio-callback sized pieces.
std::vector<float> Render(FmEngine &engine, std::size_t frames) {
    std::vector<float> out(frames);
    for (std::size_t at = 0; at < frames; at += 256)
        engine.render(out.data() + at, std::min<std::size_t>(256, frames - at));
    return out;
}
std::vector<float> RenderSeconds(FmEngine &engine, double seconds) {
    return Render(engine, static_cast<std::size_t>(seconds * kRate));
}
std::vector<float> Slice(const std::vector<float> &x, double from, double to) {
    return {x.begin() + static_cast<std::ptrdiff_t>(from * kRate),
            x.begin() + static_cast<std::ptrdiff_t>(to * kRate)};
}

// A note of `voice` held for `seconds`.
std::vector<float> Play(const VoiceParams &voice, int note, double seconds, int velocity = 127) {
    FmEngine engine(kRate);
    Load(engine, voice);
    engine.noteOn(note, velocity);
    return RenderSeconds(engine, seconds);
}

// The steady level of a held note, after its attack.
double SteadyPeak(const VoiceParams &voice, int note, int velocity = 127) {
    const std::vector<float> x = Play(voice, note, 0.2, velocity);
    return Peak(x, x.size() / 2);
}

double PeakHz(const std::vector<float> &x) { return AmplitudeSpectrum(x, kRate).peakHz(); }

// First ms from `from` on at which the envelope is at or above (rising) /
// at or below (falling) `level`.
double FirstMsAt(const std::vector<double> &env, std::size_t from, double level, bool rising) {
    for (std::size_t i = from; i < env.size(); ++i)
        if (rising ? env[i] >= level : env[i] <= level) return static_cast<double>(i - from);
    return -1;
}

// Seconds of each upward zero crossing (interpolated) of a sine-like signal.
std::vector<double> UpCrossings(const std::vector<float> &x) {
    std::vector<double> t;
    for (std::size_t n = 1; n < x.size(); ++n)
        if (x[n - 1] < 0 && x[n] >= 0)
            t.push_back((static_cast<double>(n) - x[n] / (x[n] - x[n - 1])) / kRate);
    return t;
}

} // namespace

// --- Pitch and spectrum --------------------------------------------------

TEST(FmEngineSpectrum, GivenOneCarrierAtRatioOne_WhenA4Plays_ThenASineAt440HzAndNothingElseAboveMinus60dB) {
    const auto s = AmplitudeSpectrum(Slice(Play(OneCarrier(), 69, 1.1), 0.1, 1.1), kRate);
    EXPECT_NEAR(s.peakHz(), 440.0, 0.44);
    const double peak = s.at(440.0);
    EXPECT_GT(peak, 0.01);
    EXPECT_LT(Db(s.highestOutside({440.0}) / peak), -60.0);
}

TEST(FmEngineSpectrum, GivenFrequencySettings_WhenANotePlays_ThenItSoundsAtTheFirmwaresPitchWord) {
    struct Case {
        const char *what;
        int note, coarse, fine, fixed, transpose, pitchLevel;
        double hz;
    };
    // §7.3 ratio table, §7.7 transpose, §6.1 pitch EG offsets, §7.5 fixed words.
    const Case cases[] = {
        {"coarse 0 = half", 69, 0, 0, 0, 24, 50, kA4 * 0.5},
        {"coarse 3", 69, 3, 0, 0, 24, 50, kA4 * 3.0},
        {"coarse 5 = 5.00117", 69, 5, 0, 0, 24, 50, kA4 * 5.00117},
        {"fine 50 = x1.5", 69, 1, 50, 0, 24, 50, kA4 * 1.5},
        {"fine 13 = x1.12996", 69, 1, 13, 0, 24, 50, kA4 * 1.12996},
        {"transpose +12", 69, 1, 0, 0, 36, 50, kA4 * 2},
        {"transpose -12", 69, 1, 0, 0, 12, 50, kA4 / 2},
        {"pitch EG level 75: +937.5 cents", 69, 1, 0, 0, 24, 75, kA4 * std::exp2(937.5 / 1200)},
        {"pitch EG level 30: -750 cents", 69, 1, 0, 0, 24, 30, kA4 * std::exp2(-750.0 / 1200)},
        {"pitch EG level 90: +1837.5 cents", 69, 1, 0, 0, 24, 90, kA4 * std::exp2(1837.5 / 1200)},
        {"fixed 2/25 at note 36", 36, 2, 25, 1, 24, 50, 177.74},
        {"fixed 6 (= 2)/25 at note 96", 96, 6, 25, 1, 24, 50, 177.74},
        {"fixed 3/50", 60, 3, 50, 1, 24, 50, 3160.6},
        {"fixed 1/99, pitch EG ignored", 60, 1, 99, 1, 24, 75, 97.605},
    };
    for (const Case &c : cases) {
        VoiceParams v = OneCarrier();
        SetOp(v, 1, OpParam::FreqCoarse, c.coarse);
        SetOp(v, 1, OpParam::FreqFine, c.fine);
        SetOp(v, 1, OpParam::OscMode, c.fixed);
        Set(v, param::Transpose, c.transpose);
        for (int i = 0; i < 4; ++i)
            Set(v, param::PitchLevel1 + i, c.pitchLevel);
        EXPECT_NEAR(PeakHz(Slice(Play(v, c.note, 1.1), 0.1, 1.1)), c.hz, c.hz * 0.0003) << c.what;
    }
    // Detune (its size is a stated choice): 14 is sharp, 0 flat.
    VoiceParams v = OneCarrier();
    SetOp(v, 1, OpParam::Detune, 14);
    EXPECT_GT(PeakHz(Slice(Play(v, 69, 1.1), 0.1, 1.1)), kA4 * 1.0005);
    SetOp(v, 1, OpParam::Detune, 0);
    EXPECT_LT(PeakHz(Slice(Play(v, 69, 1.1), 0.1, 1.1)), kA4 / 1.0005);
}

TEST(FmEngineSpectrum,
     GivenOneModulatorOnOneCarrier_WhenItsOutputLevelVaries_ThenSidebandsFollowBesselFunctionsOfItsIndex) {
    // Carrier 31 x 110 Hz, modulator 110 Hz: sidebands 3410 ± n·110 stay
    // clear of 0 Hz up to n = 31. The modulator's register is 2·T + 15
    // (§1, §4.2: sensitivity 0); the engine's stated choice puts a peak
    // deviation of 8π at register 0.
    struct Case {
        int level, reg;
    };
    for (const Case c : {Case{99, 15}, Case{90, 33}, Case{80, 53}, Case{70, 73}}) {
        VoiceParams v = OneCarrier();
        SetOp(v, 1, OpParam::FreqCoarse, 31);
        SetOp(v, 2, OpParam::OutputLevel, c.level);
        SetOp(v, 2, OpParam::FreqCoarse, 1);
        // A2 is MIDI 45 (110 Hz less 0.02 cents, §7.5).
        const double f = kA4 / 4;
        const auto s = AmplitudeSpectrum(Slice(Play(v, 45, 1.1), 0.1, 1.1), kRate);
        const double index = 8 * kPi * std::exp2(-c.reg / 16.0);
        std::vector<double> measured;
        double total = 0;
        for (int n = -24; n <= 24; ++n) {
            measured.push_back(s.at(f * (31 + n), 1));
            total += measured.back() * measured.back();
        }
        const double norm = std::sqrt(total); // Σ J_n² = 1
        for (int n = -24; n <= 24; ++n) {
            const double expected = std::abs(std::cyl_bessel_j(static_cast<double>(std::abs(n)), index));
            EXPECT_NEAR(measured[static_cast<std::size_t>(n + 24)] / norm, expected, 0.01)
                << "output level " << c.level << " (index " << index << "), sideband " << n;
        }
    }
}

namespace {
// Operator 6 of algorithm 32 alone with its own feedback, at 220 Hz.
std::vector<float> FeedbackTone(int feedback, int sensitivity) {
    VoiceParams v = SilentVoice();
    Set(v, param::Algorithm, 31);
    Set(v, param::Feedback, feedback);
    SetOp(v, 6, OpParam::OutputLevel, 99);
    SetOp(v, 6, OpParam::KeyVelSens, sensitivity);
    return Slice(Play(v, 57, 1.1), 0.1, 1.1);
}
} // namespace

TEST(FmEngineSpectrum, GivenFeedbackZeroToSeven_WhenASingleOperatorPlays_ThenItsHarmonicsRiseWithEveryStep) {
    const double f = kA4 / 2;
    double last = -1;
    for (int fb = 0; fb <= 7; ++fb) {
        const auto s = AmplitudeSpectrum(FeedbackTone(fb, 0), kRate);
        double harmonics = 0;
        for (int h = 2; h <= 40; ++h)
            harmonics += std::pow(s.at(f * h, 1), 2);
        const double ratio = std::sqrt(harmonics) / s.at(f, 1);
        if (fb == 0)
            EXPECT_LT(Db(ratio), -60.0);
        else
            EXPECT_GT(ratio, last * 1.2) << "feedback " << fb;
        last = ratio;
    }
}

TEST(FmEngineSpectrum,
     GivenFeedbackSevenOnAFullLevelOperator_WhenItPlays_ThenItsSpectrumIsHarmonicAndFalling) {
    // §8.4: the loop averages the last two samples, so even feedback 7 at
    // full level settles on a periodic, saw-like wave. Sensitivity 7 at
    // velocity 127 is the loudest an operator gets (register 4).
    const double f = kA4 / 2;
    for (int sensitivity : {0, 7}) {
        const auto s = AmplitudeSpectrum(FeedbackTone(7, sensitivity), kRate);
        double total = 0, harmonic = 0;
        const std::size_t lobe = 5;
        for (std::size_t k = s.binOf(20.0); k < s.amplitude.size(); ++k) {
            const double e = s.amplitude[k] * s.amplitude[k];
            total += e;
            const double h = std::round(static_cast<double>(k) * s.binHz / f);
            if (h >= 1 && std::abs(static_cast<double>(k) - static_cast<double>(s.binOf(h * f))) <= lobe)
                harmonic += e;
        }
        EXPECT_LT(1.0 - harmonic / total, 0.01) << "sensitivity " << sensitivity;
        for (int h = 1; h < 10; ++h)
            EXPECT_GT(s.at(f * h, 1), s.at(f * (h + 1), 1))
                << "sensitivity " << sensitivity << ", harmonic " << h;
        EXPECT_GT(s.at(2 * f, 1) / s.at(f, 1), 0.3) << "bright, not a near sine";
    }
}

// --- Levels --------------------------------------------------------------

TEST(FmEngineLevels, GivenOutputAndEnvelopeLevels_WhenACarrierHolds_ThenItsLevelFollowsTheFirmwareTables) {
    struct Case {
        int outputLevel, egLevel;
        double units; // below output level 99 / EG level 99, in register units
    };
    // §1: register = min(255, 2·TABLE_LOG[OL] + 15); §2.1: one EGS level = 4 units.
    const Case cases[] = {
        {90, 99, 33 - 15}, {50, 99, 113 - 15}, {20, 99, 173 - 15}, {13, 99, 195 - 15},
        {5, 99, 229 - 15}, {1, 99, 255 - 15},  {99, 98, 0},        {99, 97, 4},
        {99, 50, 4 * 24},  {99, 17, 4 * 42},   {99, 16, 4 * 42},
    };
    const double full = SteadyPeak(FixedCarrier(99), 60);
    for (const Case &c : cases) {
        VoiceParams v = FixedCarrier(c.outputLevel);
        for (OpParam k : {OpParam::Level1, OpParam::Level2, OpParam::Level3})
            SetOp(v, 1, k, c.egLevel);
        EXPECT_NEAR(Db(SteadyPeak(v, 60) / full), -c.units * kUnitDb, 0.15)
            << "output level " << c.outputLevel << ", EG level " << c.egLevel;
    }
}

TEST(FmEngineLevels, GivenVelocitySensitivity_WhenNotesOfSeveralVelocitiesPlay_ThenTheOffsetIsTheFirmwares) {
    struct Case {
        int sensitivity, velocity, v; // V of §4.4
    };
    const Case cases[] = {{0, 1, 15},  {0, 127, 15}, {7, 127, 1}, {7, 100, 11}, {7, 64, 46},
                          {7, 1, 113}, {3, 127, 9},  {3, 64, 28}, {3, 1, 57},   {5, 90, 23}};
    const double reference = SteadyPeak(FixedCarrier(), 60, 127); // sensitivity 0: V = 15
    for (const Case &c : cases) {
        VoiceParams v = FixedCarrier();
        SetOp(v, 1, OpParam::KeyVelSens, c.sensitivity);
        // At output level 99 the register is max(4, V) (§1: raised to at least 4).
        EXPECT_NEAR(Db(SteadyPeak(v, 60, c.velocity) / reference), -(std::max(4, c.v) - 15) * kUnitDb, 0.1)
            << "sensitivity " << c.sensitivity << ", velocity " << c.velocity;
    }
}

TEST(FmEngineLevels,
     GivenKeyboardLevelScaling_WhenNotesAwayFromTheBreakPointPlay_ThenTheOffsetsAreTheFirmwares) {
    // Break point 39 (C3): pivot group 18 = notes 55..57 (§3.1). The
    // distance in groups and the offset a come from §3.1, §3.3 and §3.4.
    struct Case {
        int outputLevel, curve, depth, note, a;
    };
    const Case cases[] = {
        {99, 0, 99, 72, 39},  // -LIN, 5 groups right
        {99, 0, 99, 84, 71},  // -LIN, 9 right
        {99, 0, 99, 60, 7},   // the break-point key itself: 1 right
        {99, 0, 99, 33, 63},  // -LIN, 8 left
        {99, 0, 50, 45, 16},  // -LIN depth 50, 4 left
        {99, 1, 99, 84, 8},   // -EXP, 9 right
        {99, 1, 99, 105, 32}, // -EXP, 16 right (about four octaves)
        {99, 1, 50, 105, 16}, // -EXP depth 50
        {50, 3, 99, 72, 39},  // +LIN
        {50, 2, 99, 105, 32}, // +EXP
        {90, 3, 99, 84, 71},  // +LIN held at T' = 0
    };
    const auto t = [](int ol) { return ol >= 20 ? 99 - ol : -1; };
    for (const Case &c : cases) {
        VoiceParams v = FixedCarrier(c.outputLevel);
        SetOp(v, 1, OpParam::BreakPoint, 39);
        for (OpParam k : {OpParam::LeftCurve, OpParam::RightCurve})
            SetOp(v, 1, k, c.curve);
        for (OpParam k : {OpParam::LeftDepth, OpParam::RightDepth})
            SetOp(v, 1, k, c.depth);
        const int plain = t(c.outputLevel);
        const int scaled = c.curve <= 1 ? std::min(127, plain + c.a) : std::max(0, plain - c.a);
        const double expectedDb = -2.0 * (scaled - plain) * kUnitDb;
        EXPECT_NEAR(Db(SteadyPeak(v, c.note) / SteadyPeak(v, 56)), expectedDb, 0.15)
            << "curve " << c.curve << ", depth " << c.depth << ", note " << c.note;
    }
}

TEST(FmEngineLevels, GivenCarriersOfOneNote_WhenTheySoundTogether_ThenTheyAddUpWithoutCompensation) {
    // Carriers at ratio 1 with key sync are in phase: n of them are n times
    // one (the output stage of §8.6 adds voices; nothing divides by the
    // number of carriers). Output level 80 keeps six below the soft limit.
    struct Case {
        int algorithm;
        int ops; // operators 1..ops at level 80
        double db;
    };
    const Case cases[] = {{32, 6, Db(6)}, {32, 1, 0.0}, {5, 5, Db(3)}, {1, 1, 0.0}};
    VoiceParams one = FixedCarrier(80);
    const double reference = SteadyPeak(one, 60);
    for (const Case &c : cases) {
        VoiceParams v = SilentVoice();
        Set(v, param::Algorithm, c.algorithm - 1);
        for (int op = 1; op <= c.ops; ++op) {
            const bool heard = AlgorithmOf(c.algorithm).isCarrier(op);
            SetOp(v, op, OpParam::OutputLevel, heard ? 80 : 0);
            SetOp(v, op, OpParam::OscMode, 1);
            SetOp(v, op, OpParam::FreqCoarse, 3);
        }
        EXPECT_NEAR(Db(SteadyPeak(v, 60) / reference), c.db, 0.1) << "algorithm " << c.algorithm;
    }
    EXPECT_GT(Db(SteadyPeak(FixedCarrier(), 60)), -20.0) << "a single full carrier is clearly audible";
}

TEST(FmEngineLevels,
     GivenSixteenNotesOfSixFullCarriers_WhenTheyPlayTogether_ThenTheMixNeitherClipsNorCarriesDc) {
    VoiceParams v = SilentVoice();
    Set(v, param::Algorithm, 31); // algorithm 32: six carriers
    Set(v, param::Feedback, 7);
    for (int op = 1; op <= kOperatorCount; ++op) {
        SetOp(v, op, OpParam::OutputLevel, 99);
        SetOp(v, op, OpParam::Level4, 99); // full from the first sample
        SetOp(v, op, OpParam::KeyVelSens, 7);
    }
    FmEngine engine(kRate);
    Load(engine, v);
    for (int i = 0; i < kPolyphony; ++i)
        engine.noteOn(36 + 3 * i, 127);
    const std::vector<float> x = RenderSeconds(engine, 2.0);
    EXPECT_LT(Peak(x), 1.0);
    EXPECT_GT(Peak(x), 0.5);
    // The feedback operator's wave is lopsided; the output stage passes no
    // DC (what the soft limit bends off an overloaded mix leaves a trace).
    const std::vector<float> late = Slice(x, 1.0, 2.0);
    EXPECT_LT(std::abs(std::accumulate(late.begin(), late.end(), 0.0) / static_cast<double>(late.size())),
              5e-3);
    const std::vector<float> one = Slice(FeedbackTone(7, 0), 0.5, 1.0);
    EXPECT_LT(std::abs(std::accumulate(one.begin(), one.end(), 0.0) / static_cast<double>(one.size())), 1e-4);
}

TEST(FmEngineLevels, GivenANoteStartingAndEnding_WhenItIsRendered_ThenNeitherEdgeSteps) {
    VoiceParams v = OneCarrier();
    SetOp(v, 1, OpParam::Rate1, 70);
    SetOp(v, 1, OpParam::Rate4, 70);
    FmEngine engine(kRate);
    Load(engine, v);
    engine.noteOn(69, 127);
    std::vector<float> x = RenderSeconds(engine, 0.2);
    const double peak = Peak(x, x.size() / 2);
    engine.noteOff(69);
    // 32 frames at a time until the note has ended, then one more piece.
    std::size_t end = 0;
    for (int i = 0; i < 1000 && end == 0; ++i) {
        const std::vector<float> piece = Render(engine, 32);
        x.insert(x.end(), piece.begin(), piece.end());
        if (engine.soundingNotes() == 0) end = x.size();
    }
    ASSERT_GT(end, 0u) << "the release ends";
    const std::vector<float> after = Render(engine, 32);
    x.insert(x.end(), after.begin(), after.end());
    EXPECT_LT(std::abs(x[0]), 0.01 * peak);
    double step = 0;
    for (std::size_t n = 1; n < x.size(); ++n)
        step = std::max(step, static_cast<double>(std::abs(x[n] - x[n - 1])));
    EXPECT_LT(step, 1.5 * 2 * kPi * 440.0 / kRate * peak) << "no faster than the sine itself";
    EXPECT_LT(Peak(std::vector<float>(x.end() - 64, x.end())), 1e-3 * peak) << "silent when it ends";
}

// --- Envelopes (their times are stated choices but for one measurement) ---

TEST(FmEngineEnvelope, GivenRate50_WhenANoteStarts_ThenItReachesFullInAbout26Ms) {
    // §2.4: a rate-50 attack from silence to full took about 26 ms.
    VoiceParams v = FixedCarrier();
    SetOp(v, 1, OpParam::Rate1, 50);
    const auto env = PeakEnvelope(Play(v, 60, 0.3), kMs);
    EXPECT_NEAR(FirstMsAt(env, 0, 0.99 * env.back(), true), 26.0, 5.0);
}

TEST(FmEngineEnvelope,
     GivenReleaseRates_WhenTheKeyIsReleased_ThenTheLevelFallsOnAStraightLineInDbFasterAtHigherRates) {
    double lastMs = 1e9;
    for (int rate : {40, 55, 70}) {
        VoiceParams v = FixedCarrier();
        SetOp(v, 1, OpParam::Rate4, rate);
        FmEngine engine(kRate);
        Load(engine, v);
        engine.noteOn(60, 127);
        const std::vector<float> held = RenderSeconds(engine, 0.1);
        const double full = Peak(held, held.size() / 2);
        engine.noteOff(60);
        const auto env = PeakEnvelope(RenderSeconds(engine, 6.0), kMs);
        const double t20 = FirstMsAt(env, 0, full * 0.1, false), t40 = FirstMsAt(env, 0, full * 0.01, false),
                     t60 = FirstMsAt(env, 0, full * 0.001, false);
        ASSERT_GT(t20, 0) << "rate " << rate;
        EXPECT_NEAR(t60 - t40, t40 - t20, 0.05 * (t40 - t20) + 2) << "rate " << rate;
        EXPECT_LT(t40, lastMs) << "rate " << rate;
        lastMs = t40;
    }
}

TEST(FmEngineEnvelope, GivenRateScaling_WhenAHighNotePlays_ThenItsReleaseIsFasterThanWithout) {
    auto releaseMs = [](int scaling) {
        VoiceParams v = FixedCarrier();
        SetOp(v, 1, OpParam::Rate4, 40);
        SetOp(v, 1, OpParam::RateScaling, scaling);
        FmEngine engine(kRate);
        Load(engine, v);
        engine.noteOn(96, 127);
        const std::vector<float> held = RenderSeconds(engine, 0.1);
        const double full = Peak(held, held.size() / 2);
        engine.noteOff(96);
        return FirstMsAt(PeakEnvelope(RenderSeconds(engine, 3.0), kMs), 0, full * 0.01, false);
    };
    EXPECT_LT(releaseMs(7), 0.5 * releaseMs(0));
}

// --- LFO -----------------------------------------------------------------

TEST(FmEngineLfo, GivenLfoSpeeds_WhenATremoloPlays_ThenItsRateIsTheFirmwares) {
    struct Case {
        int speed;
        double hz; // §5.2: inc · f_T / 65536
    };
    const Case cases[] = {{10, 1.575}, {28, 4.535}, {35, 5.669}, {50, 8.062}, {80, 25.950}, {99, 49.644}};
    for (const Case &c : cases) {
        const double seconds = std::max(2.0, 6.0 / c.hz);
        const auto env = PeakEnvelope(Play(Tremolo(c.speed, 0), 60, seconds + 0.1), kMs);
        double low = 1e9, high = 0;
        for (std::size_t i = 100; i < env.size(); ++i) {
            low = std::min(low, env[i]);
            high = std::max(high, env[i]);
        }
        const double mid = std::sqrt(low * high);
        std::vector<double> ups;
        for (std::size_t i = 101; i < env.size(); ++i)
            if (env[i - 1] < mid && env[i] >= mid) ups.push_back(static_cast<double>(i));
        ASSERT_GE(ups.size(), 4u) << "speed " << c.speed;
        const double hz = 1000.0 * static_cast<double>(ups.size() - 1) / (ups.back() - ups.front());
        EXPECT_NEAR(hz, c.hz, c.hz * 0.01) << "speed " << c.speed;
    }
}

TEST(FmEngineLfo, GivenLfoDelays_WhenANoteStarts_ThenTheLfoWaitsAndFadesInForTheFirmwaresTimes) {
    struct Case {
        int delay;
        double delaySeconds, fadeSeconds; // §5.3
    };
    const Case cases[] = {{20, 0.091, 0.099}, {40, 0.203, 0.227}, {51, 0.341, 0.341}, {80, 1.151, 0.680}};
    for (const Case &c : cases) {
        // Speed 0: the square's first (quiet) half lasts 7.9 s.
        const double end = c.delaySeconds + c.fadeSeconds;
        const auto env = PeakEnvelope(Play(Tremolo(0, c.delay), 60, end + 0.3), kMs);
        const double full = env[15], bottom = env.back();
        EXPECT_LT(Db(bottom / full), -30.0) << "delay " << c.delay;
        EXPECT_NEAR(Db(env[static_cast<std::size_t>(900 * c.delaySeconds)] / full), 0.0, 0.1)
            << "delay " << c.delay << ": still full before the delay ends";
        EXPECT_NEAR(FirstMsAt(env, 0, bottom * std::pow(10.0, 0.5 / 20), false), 1000.0 * end, 7.0)
            << "delay " << c.delay << ": faded in";
    }
}

TEST(FmEngineLfo, GivenPitchModulationSensitivity_WhenTheSquareLfoSwings_ThenTheDeviationIsTheFirmwares) {
    // §5.6 at full fade (F = 255) and PMD 99: P = floor(255·255/256) = 254;
    // Q = sign(s)·floor(|s|·M/256); deviation floor(Q·P/2) in 16384ths of
    // an octave. The square starts in its -128 half after key sync (§5.4).
    for (int pms : {1, 3, 5, 7}) {
        const int m = std::array{0, 10, 20, 33, 55, 92, 153, 255}[static_cast<std::size_t>(pms)];
        const auto cents = [m](int s) {
            const int q = s < 0 ? -((-s * m) / 256) : s * m / 256;
            return std::floor(q * 254 / 2.0) / 16384.0 * 1200.0;
        };
        VoiceParams v = OneCarrier();
        Set(v, param::LfoPmd, 99);
        Set(v, param::PitchModSens, pms);
        Set(v, param::LfoSpeed, 5); // 0.756 Hz: half a cycle is 0.66 s
        Set(v, param::LfoWave, 3);
        Set(v, param::LfoKeySync, 1);
        FmEngine engine(kRate);
        Load(engine, v);
        RenderSeconds(engine, 0.2); // the fade of delay 0 after power-on
        engine.noteOn(69, 127);
        const std::vector<float> x = RenderSeconds(engine, 1.3);
        const double down = 1200 * std::log2(PeakHz(Slice(x, 0.1, 0.6)) / kA4);
        const double up = 1200 * std::log2(PeakHz(Slice(x, 0.75, 1.25)) / kA4);
        EXPECT_NEAR(down, cents(-128), 1.5) << "PMS " << pms;
        EXPECT_NEAR(up, cents(127), 1.5) << "PMS " << pms;
    }
}

TEST(FmEngineLfo, GivenAmplitudeModulationSensitivity_WhenTheLfoSwings_ThenTheTremoloDeepensWithEveryStep) {
    double last = -1;
    for (int ams = 0; ams <= 3; ++ams) {
        VoiceParams v = Tremolo(60, 0);
        SetOp(v, 1, OpParam::AmpModSens, ams);
        const auto env = PeakEnvelope(Play(v, 60, 0.5), kMs);
        double low = 1e9, high = 0;
        for (std::size_t i = 100; i < env.size(); ++i) {
            low = std::min(low, env[i]);
            high = std::max(high, env[i]);
        }
        const double depth = Db(high / low);
        if (ams == 0)
            EXPECT_LT(depth, 0.1);
        else
            EXPECT_GT(depth, last + 1.0) << "AMS " << ams;
        last = depth;
    }
}

TEST(FmEngineLfo, GivenEachWave_WhenTheLfoRuns_ThenThePitchFollowsTheFirmwaresWave) {
    // §5.5 worked out by hand at 1/8, 3/8, 5/8 and 7/8 of a cycle after key
    // sync (phase $7FFF + $2000·(2j + 1)), read through the pitch at PMS 7
    // (§5.6: Q = sign(s)·floor(|s|·255/256), P = 254). Speed 2: 55 a tick.
    struct Case {
        int wave;
        int s[4];
    };
    const Case cases[] = {
        {0, {63, -65, -64, 64}},     // triangle: from its top, falling
        {1, {95, 31, -33, -97}},     // saw down
        {2, {-96, -32, 32, 96}},     // saw up
        {3, {-128, -128, 127, 127}}, // square: the low half first
        {4, {-92, -90, 91, 89}},     // sine: from zero, falling
    };
    for (const Case &c : cases) {
        VoiceParams v = OneCarrier();
        Set(v, param::LfoPmd, 99);
        Set(v, param::PitchModSens, 7);
        Set(v, param::LfoSpeed, 2);
        Set(v, param::LfoWave, c.wave);
        Set(v, param::LfoKeySync, 1);
        FmEngine engine(kRate);
        Load(engine, v);
        RenderSeconds(engine, 0.2); // the fade of delay 0 after power-on
        engine.noteOn(69, 127);
        const std::vector<double> t = UpCrossings(RenderSeconds(engine, 3.0));
        for (int j = 0; j < 4; ++j) {
            const double at = 0x2000 * (2 * j + 1) / 55.0 / kTickHz;
            std::vector<double> in;
            for (double x : t)
                if (std::abs(x - at) < 0.01) in.push_back(x);
            ASSERT_GE(in.size(), 3u);
            const double hz = static_cast<double>(in.size() - 1) / (in.back() - in.front());
            const int sv = c.s[j];
            const int q = sv < 0 ? -((-sv * 255) / 256) : sv * 255 / 256;
            const double cents = std::floor(q * 254 / 2.0) / 16384.0 * 1200.0;
            EXPECT_NEAR(1200 * std::log2(hz / kA4), cents, 12.0) << "wave " << c.wave << ", point " << j;
        }
    }
}

TEST(FmEngineLfo, GivenSampleAndHold_WhenItRuns_ThenItStepsThroughTheFirmwaresSequence) {
    // §5.5: r = 179·r + 17 mod 256 from 0, a new value at each cycle.
    // Read through the pitch: PMS 7, each step a new pitch.
    VoiceParams v = OneCarrier();
    Set(v, param::LfoPmd, 99);
    Set(v, param::PitchModSens, 7);
    Set(v, param::LfoSpeed, 2); // 0.315 Hz: 3.2 s a value
    Set(v, param::LfoWave, 5);
    FmEngine engine(kRate);
    Load(engine, v);
    engine.noteOn(69, 127);
    const std::vector<float> x = RenderSeconds(engine, 9.0);
    // The first cycle boundary: p starts at 0 and passes $8000 after 596 ticks.
    const int expected[] = {17, -12};
    const double at[] = {2.5, 5.5};
    for (int i = 0; i < 2; ++i) {
        const int q = expected[i] < 0 ? -((-expected[i] * 255) / 256) : expected[i] * 255 / 256;
        const double cents = std::floor(q * 254 / 2.0) / 16384.0 * 1200.0;
        EXPECT_NEAR(1200 * std::log2(PeakHz(Slice(x, at[i], at[i] + 0.5)) / kA4), cents, 2.0)
            << "value " << i;
    }
}

// --- Pitch envelope ------------------------------------------------------

TEST(FmEnginePitchEnvelope, GivenPitchEgRates_WhenANoteSweepsAnOctave_ThenHalfOfItTakesTheFirmwaresUpdates) {
    // From L4 = 50 (no offset) to L1 = 82 (+1 octave, §6.1); the increment
    // per update is TABLE_PITCH_EG_RATE (§6.2) at 187.63 updates a second:
    // half an octave (2048 units) takes ceil(2048 / inc) updates.
    struct Case {
        int rate, inc;
    };
    for (const Case c : {Case{99, 255}, Case{70, 79}, Case{50, 41}}) {
        VoiceParams v = OneCarrier();
        Set(v, param::PitchRate1, c.rate);
        Set(v, param::PitchLevel1, 82);
        Set(v, param::PitchLevel1 + 1, 82);
        Set(v, param::PitchLevel1 + 2, 82);
        Set(v, param::PitchLevel1 + 3, 50);
        const std::vector<double> t = UpCrossings(Play(v, 69, 1.0));
        double half = -1;
        for (std::size_t i = 1; i < t.size() && half < 0; ++i)
            if (t[i] - t[i - 1] < 1.0 / (kA4 * std::sqrt(2.0))) half = t[i];
        const double expected = std::ceil(2048.0 / c.inc) / kPitchEgHz;
        EXPECT_NEAR(half, expected, 0.008) << "rate " << c.rate;
    }
}

// --- Note handling (§9.2) ------------------------------------------------

namespace {
// A sine whose release lasts seconds.
VoiceParams LongTail() {
    VoiceParams v = OneCarrier();
    SetOp(v, 1, OpParam::Rate4, 30);
    return v;
}
} // namespace

TEST(FmEngineNotes, GivenKeysPlayedAndReleased_WhenNewKeysCome_ThenVoicesAreTakenRoundRobinAndTailsRingOn) {
    FmEngine engine(kRate);
    Load(engine, LongTail());
    // Two keys played and released, then a third: it takes the next voice,
    // both tails still sound.
    for (int note : {60, 64}) {
        engine.noteOn(note, 127);
        Render(engine, 480);
        engine.noteOff(note);
    }
    engine.noteOn(67, 127);
    Render(engine, 480);
    EXPECT_EQ(engine.soundingNotes(), 3);
    // A repeated key gets a voice of its own; a note-off releases one of them.
    engine.noteOn(67, 127);
    EXPECT_EQ(engine.soundingNotes(), 4);
    const auto s = AmplitudeSpectrum(RenderSeconds(engine, 0.5), kRate);
    EXPECT_GT(s.at(440.0 * std::exp2(-9 / 12.0)), 0.01) << "the released C4 rings on";
    engine.noteOff(67);
    EXPECT_EQ(engine.soundingNotes(), 4);
    engine.allNotesOff();
    RenderSeconds(engine, 20.0);
    EXPECT_EQ(engine.soundingNotes(), 0);
}

TEST(FmEngineNotes, GivenSixteenHeldKeys_WhenASeventeenthComes_ThenItIsIgnoredUntilAKeyIsUp) {
    FmEngine engine(kRate);
    Load(engine, LongTail());
    for (int i = 0; i < kPolyphony; ++i)
        engine.noteOn(40 + i, 127);
    engine.noteOn(100, 127);
    EXPECT_EQ(engine.soundingNotes(), kPolyphony);
    // Two seconds: half-hertz bins keep the neighbouring notes' peaks apart.
    const double f100 = 440.0 * std::exp2(31 / 12.0), f40 = 440.0 * std::exp2(-29 / 12.0);
    auto s = AmplitudeSpectrum(RenderSeconds(engine, 2.0), kRate);
    EXPECT_LT(Db(s.at(f100) / s.at(f40)), -60.0) << "the 17th key is not heard";
    // One key up: the next key takes that voice (its tail ends), the others hold.
    engine.noteOff(45);
    engine.noteOn(100, 127);
    EXPECT_EQ(engine.soundingNotes(), kPolyphony);
    s = AmplitudeSpectrum(RenderSeconds(engine, 2.0), kRate);
    EXPECT_NEAR(Db(s.at(f100) / s.at(f40)), 0.0, 1.0);
}

// --- Live changes --------------------------------------------------------

TEST(FmEngineLive, GivenASoundingNote_WhenParametersChange_ThenSharedOnesSoundAtOnceAndLevelsAtTheNextNote) {
    FmEngine engine(kRate);
    Load(engine, FixedCarrier());
    engine.noteOn(60, 127);
    const std::vector<float> held = RenderSeconds(engine, 0.1);
    const double full = Peak(held, held.size() / 2);

    // Output level: read at note-on (§0.5), so the sounding note keeps its level.
    engine.setParameter(OpParamNumber(1, OpParam::OutputLevel), 70);
    EXPECT_NEAR(Db(Peak(Render(engine, 480)) / full), 0.0, 0.1);
    engine.noteOff(60);
    RenderSeconds(engine, 0.1);
    engine.noteOn(60, 127);
    const double restruck = Peak(Render(engine, 4800), 2400);
    EXPECT_NEAR(Db(restruck / full), -58 * kUnitDb, 0.15);

    // The sustain level while the key is held: 70 is 14 EGS levels below 99.
    engine.setParameter(OpParamNumber(1, OpParam::Level3), 70);
    EXPECT_NEAR(Db(Peak(Render(engine, 2400), 1200) / restruck), -14 * 4 * kUnitDb, 0.15);

    // Fixed 1000 Hz -> ratio mode (coarse 3): three times the note from the next tick on.
    engine.setParameter(OpParamNumber(1, OpParam::OscMode), 0);
    // C3 (MIDI 60): voice word $7400 (§7.1, §7.2), coarse 3 adds 6492 + $232C.
    const double hz = std::exp2((0x7400 + 6492 + 0x232C - 0x16AC) / 4096.0);
    EXPECT_NEAR(PeakHz(Slice(Render(engine, 9600), 0.05, 0.2)), hz, hz * 0.0005);

    // Operator 1 switched off (parameter 155, bit 5): silent after one block.
    engine.setParameter(155, 0x1F);
    EXPECT_EQ(engine.operatorSwitches(), 0x1F);
    EXPECT_LT(Peak(Render(engine, 64), 32), 1e-3 * full);
    engine.setParameter(155, 0x3F);
    EXPECT_GT(Peak(Render(engine, 64), 32), 0.0);
}

TEST(FmEngineLive, GivenOscillatorKeySync_WhenANoteIsPlayedAgain_ThenItStartsAtTheSamePhaseOnlyWithSync) {
    for (int sync : {1, 0}) {
        VoiceParams v = OneCarrier();
        Set(v, param::OscKeySync, sync);
        FmEngine engine(kRate);
        Load(engine, v);
        engine.noteOn(69, 127);
        const std::vector<float> first = Render(engine, 1000);
        engine.noteOff(69);
        RenderSeconds(engine, 0.1013); // silent again, at some other phase
        ASSERT_EQ(engine.soundingNotes(), 0);
        engine.noteOn(69, 127);
        const std::vector<float> again = Render(engine, 1000);
        // From the second block on: the first one ramps in as the ticks fall.
        double worst = 0;
        for (std::size_t n = 64; n < first.size(); ++n)
            worst = std::max(worst, static_cast<double>(std::abs(first[n] - again[n])));
        if (sync == 1)
            EXPECT_LT(worst, 0.01 * Peak(first)) << "the same start (the output stage's high-pass aside)";
        else
            EXPECT_GT(worst, Peak(first) * 0.1) << "the oscillator ran on";
    }
}

// --- Algorithms ----------------------------------------------------------

namespace {

// The voice every algorithm test plays: operator k at ratio k, all at one
// output level, envelopes held at full from the first sample.
VoiceParams RoutingVoice(int algorithm, int outputLevel, int feedback) {
    VoiceParams v = SilentVoice();
    Set(v, param::Algorithm, algorithm - 1);
    Set(v, param::Feedback, feedback);
    for (int op = 1; op <= kOperatorCount; ++op) {
        SetOp(v, op, OpParam::OutputLevel, outputLevel);
        SetOp(v, op, OpParam::FreqCoarse, op);
        SetOp(v, op, OpParam::Level4, 99);
    }
    return v;
}

// The same operators computed straight from the algorithm table in double
// precision: operator k's phase after sample n is (n + 1)·f_k/rate cycles
// (f_k from the firmware's ratio table)
// plus 4 cycles per unit (full scale) of the outputs feeding it, plus the
// feedback's 2.25·2^(fb-7) radians per unit of its source's last two
// outputs' average (the engine's stated choices); each operator's
// amplitude is 2^(-register/16) of full scale. The mix then passes the
// output stage's 5 Hz first-order high-pass (a stated choice).
std::vector<double> Reference(int algorithm, int reg, int feedback, double noteHz, std::size_t frames) {
    const AlgorithmInfo &a = AlgorithmOf(algorithm);
    const double gain = std::exp2(-reg / 16.0);
    const double beta = 2.25 * std::exp2(feedback - 7);
    // The firmware's ratios of coarse 1..6 (§7.3).
    const double ratio[kOperatorCount + 1] = {0, 1.0, 2.0, 3.00000, 4.0, 5.00117, 5.99999};
    std::vector<double> out(frames);
    double fb[2] = {0, 0};
    for (std::size_t n = 0; n < frames; ++n) {
        double y[kOperatorCount + 1] = {};
        double sum = 0;
        for (int op = kOperatorCount; op >= 1; --op) {
            double phase = 2 * kPi * std::fmod((n + 1.0) * noteHz * ratio[op] / kRate, 1.0);
            for (const Modulation &m : a.mods())
                if (m.to == op) phase += 8 * kPi * y[m.from];
            if (op == a.feedbackTo) phase += beta * (fb[0] + fb[1]) / 2;
            y[op] = gain * std::sin(phase);
            if (op == a.feedbackFrom) {
                fb[1] = fb[0];
                fb[0] = y[op];
            }
            if (a.isCarrier(op)) sum += y[op];
        }
        out[n] = sum;
    }
    const double pole = std::exp(-2 * kPi * 5.0 / kRate);
    double in1 = 0, out1 = 0;
    for (double &v : out) {
        out1 = v - in1 + pole * out1;
        in1 = v;
        v = out1;
    }
    return out;
}

// The engine's mix is a scaled copy of the reference: fit the scale, then
// return what is left relative to it (the first blocks ramp in, skip them).
double Residual(const std::vector<float> &x, const std::vector<double> &ref) {
    double xr = 0, rr = 0;
    for (std::size_t n = 256; n < x.size(); ++n) {
        xr += x[n] * ref[n];
        rr += ref[n] * ref[n];
    }
    const double scale = xr / rr;
    if (scale <= 0) return 1e9;
    double err = 0;
    for (std::size_t n = 256; n < x.size(); ++n)
        err += std::pow(x[n] - scale * ref[n], 2);
    return std::sqrt(err / rr) / scale;
}

} // namespace

TEST(FmEngineAlgorithms, GivenEachAlgorithm_WhenOneOperatorAtATimeSounds_ThenOnlyItsCarriersReachTheOutput) {
    for (int alg = 1; alg <= kAlgorithmCount; ++alg) {
        const AlgorithmInfo &a = AlgorithmOf(alg);
        int heard = 0;
        for (int op = 1; op <= kOperatorCount; ++op) {
            FmEngine engine(kRate);
            Load(engine, RoutingVoice(alg, 99, 0));
            engine.setParameter(155, 1 << (kOperatorCount - op)); // only this operator on
            engine.noteOn(57, 127);
            const double peak = Peak(RenderSeconds(engine, 0.05));
            if (a.isCarrier(op)) {
                EXPECT_GT(peak, 0.01) << "algorithm " << alg << ", carrier " << op;
                ++heard;
            } else {
                EXPECT_EQ(peak, 0.0) << "algorithm " << alg << ", modulator " << op;
            }
        }
        EXPECT_EQ(heard, std::popcount(a.carrierMask)) << "algorithm " << alg;
    }
}

TEST(FmEngineAlgorithms,
     GivenEachAlgorithm_WhenAllOperatorsSound_ThenTheOutputIsTheTablesRoutingWithFeedback) {
    // Level 75 (register 63, a peak deviation of 1.6 radians) keeps the
    // loops through several operators (4 and 6) settled, so the engine's
    // tables and the double reference stay together.
    constexpr std::size_t kFrames = 9600;
    constexpr int kLevel = 75, kRegister = 2 * 24 + 15, kFeedback = 7;
    const double noteHz = kA4 / 2; // A3: voice word $7000 (§7.1, §7.2)
    for (int alg = 1; alg <= kAlgorithmCount; ++alg) {
        FmEngine engine(kRate);
        Load(engine, RoutingVoice(alg, kLevel, kFeedback));
        engine.noteOn(57, 127);
        const std::vector<float> x = Render(engine, kFrames);
        EXPECT_LT(Residual(x, Reference(alg, kRegister, kFeedback, noteHz, kFrames)), 0.01)
            << "algorithm " << alg;
        // The measure tells algorithms apart, even one whose only difference
        // is where the feedback goes (1 and 2).
        const int other = alg % 2 == 1 ? alg + 1 : alg - 1;
        EXPECT_GT(Residual(x, Reference(other, kRegister, kFeedback, noteHz, kFrames)), 0.03)
            << "algorithm " << alg << " against " << other;
    }
}

TEST(FmEngineAlgorithms, GivenSixNotesWithFeedback_WhenTheyPlayTogether_ThenTheMixIsTheSumOfEachNoteAlone) {
    // Output level 65 (register 83): 36 carriers stay below the soft limit.
    for (int alg : {1, 4, 32}) {
        const VoiceParams v = RoutingVoice(alg, 65, 6);
        const int notes[] = {48, 52, 55, 60, 64, 67};
        FmEngine together(kRate);
        Load(together, v);
        for (int note : notes)
            together.noteOn(note, 127);
        const std::vector<float> mix = Render(together, 4800);
        std::vector<double> sum(mix.size(), 0.0);
        for (int note : notes) {
            const std::vector<float> x = Play(v, note, 0.1);
            for (std::size_t n = 0; n < x.size(); ++n)
                sum[n] += x[n];
        }
        double worst = 0;
        for (std::size_t n = 0; n < mix.size(); ++n)
            worst = std::max(worst, std::abs(mix[n] - sum[n]));
        EXPECT_LT(worst, 1e-5) << "algorithm " << alg;
        EXPECT_GT(Peak(mix), 0.05) << "algorithm " << alg;
    }
}

// --- How it plays: bend, controllers, portamento, mono ------------------

namespace {
double CentsFromA4(const std::vector<float> &x) { return 1200 * std::log2(PeakHz(x) / kA4); }
} // namespace

TEST(FmEnginePlaying, GivenBendRangesAndPositions_WhenA4Holds_ThenItSoundsAtTheFirmwaresBend) {
    // §7.8: A = 2·TABLE_PITCH_BEND[msb] - 128; range 12: A·128, else
    // A·C[r]/2, in 16384ths of an octave. Step: whole steps (chosen).
    struct Case {
        int range, step, msb;
        double cents;
    };
    const Case cases[] = {
        {12, 0, 127, 126 * 128 * 1200.0 / 16384}, // +1181.25
        {1, 0, 127, 126 * 22 / 2 * 1200.0 / 16384},
        {7, 0, 0, -128 * 151 / 2 * 1200.0 / 16384},
        {2, 0, 64, 0},    // the centre
        {2, 0, 65, 0},    // the dead zone: TABLE_PITCH_BEND[65] = 64
        {12, 3, 96, 600}, // A = 64: six semitones, two steps of three
    };
    for (const Case &c : cases) {
        FmEngine engine(kRate);
        Load(engine, OneCarrier());
        engine.setFunction(65, c.range);
        engine.setFunction(66, c.step);
        engine.pitchBend(c.msb);
        engine.noteOn(69, 127);
        EXPECT_NEAR(CentsFromA4(Slice(RenderSeconds(engine, 0.6), 0.1, 0.6)), c.cents, 1.5)
            << "range " << c.range << " step " << c.step << " msb " << c.msb;
    }
}

TEST(FmEnginePlaying, GivenTheWheelOnPitch_WhenItIsUp_ThenTheLfoSwingsAsWithPmdOfItsRange) {
    // §5.6: P = floor(D'(99)·2·127/256) = 253 with PMD 0; PMS 3 (M 33):
    // Q = ∓16, deviation floor(Q·253/2) = ∓2024 units = ∓148.2 cents.
    VoiceParams v = OneCarrier();
    Set(v, param::PitchModSens, 3);
    Set(v, param::LfoSpeed, 5);
    Set(v, param::LfoWave, 3);
    Set(v, param::LfoKeySync, 1);
    for (int assign : {1, 2}) { // pitch; amplitude only
        FmEngine engine(kRate);
        Load(engine, v);
        engine.setFunction(70, 99);
        engine.setFunction(71, assign);
        engine.controller(1, 127);
        RenderSeconds(engine, 0.2);
        engine.noteOn(69, 127);
        const std::vector<float> x = RenderSeconds(engine, 1.3);
        const double expected = assign == 1 ? 2024 * 1200.0 / 16384 : 0;
        EXPECT_NEAR(CentsFromA4(Slice(x, 0.1, 0.6)), -expected, 1.5) << "assign " << assign;
        EXPECT_NEAR(CentsFromA4(Slice(x, 0.75, 1.25)), expected, 1.5) << "assign " << assign;
    }
}

TEST(FmEnginePlaying, GivenEgBiasOnBreath_WhenTheBreathIsLetGo_ThenAnOperatorWithAmsFallsSilentAndReturns) {
    // §5.7: B = R_sum - I_sum; breath 0 gives B = 255, the full AM depth.
    VoiceParams v = FixedCarrier();
    SetOp(v, 1, OpParam::AmpModSens, 3);
    FmEngine engine(kRate);
    Load(engine, v);
    engine.setFunction(74, 99);
    engine.setFunction(75, 4);
    engine.controller(2, 127);
    engine.noteOn(69, 127);
    const double blown = Peak(RenderSeconds(engine, 0.2), 4800);
    engine.controller(2, 0);
    const double released = Peak(RenderSeconds(engine, 0.2), 4800);
    engine.controller(2, 127);
    const double again = Peak(RenderSeconds(engine, 0.2), 4800);
    EXPECT_GT(20 * std::log10(blown / released), 20.0);
    EXPECT_NEAR(again, blown, blown * 0.02);
}

TEST(FmEnginePlaying, GivenPortamento_WhenASecondKeyComes_ThenItGlidesOnlyWhereTheModeSaysSo) {
    // §7.9. A3 then A4: a glide starts near A3 and ends at A4.
    struct Case {
        const char *what;
        bool mono, switchOn, legato;
        bool glides;
    };
    const Case cases[] = {
        {"poly, switch on", false, true, false, true},
        {"poly, switch off", false, false, false, false},
        {"mono fingered, legato, switch off", true, false, true, true},
        {"mono fingered, first key of a phrase", true, true, false, false},
    };
    for (const Case &c : cases) {
        FmEngine engine(kRate);
        Load(engine, OneCarrier());
        engine.setFunction(64, c.mono ? 1 : 0);
        engine.setFunction(69, 60);
        engine.controller(65, c.switchOn ? 127 : 0);
        engine.noteOn(57, 127);
        RenderSeconds(engine, 0.1);
        if (!c.legato) engine.noteOff(57);
        engine.noteOn(69, 127);
        if (c.mono) {
            engine.noteOff(57);
            if (c.legato) engine.noteOn(57, 127), engine.noteOff(57); // back and forth stays one voice
        }
        const std::vector<float> x = RenderSeconds(engine, 2.0);
        const double start = CentsFromA4(Slice(x, 0.0, 0.05));
        EXPECT_NEAR(CentsFromA4(Slice(x, 1.5, 2.0)), 0, 3) << c.what;
        if (c.glides)
            EXPECT_LT(start, -300) << c.what;
        else
            EXPECT_NEAR(start, 0, 40) << c.what; // a 50 ms slice: coarse
    }
}

TEST(FmEnginePlaying, GivenMonoMode_WhenKeysOverlap_ThenOneVoiceSoundsAndReturnsToTheKeyStillHeld) {
    FmEngine engine(kRate);
    Load(engine, OneCarrier());
    engine.setFunction(64, 1);
    engine.noteOn(69, 127);
    engine.noteOn(57, 127);
    RenderSeconds(engine, 0.1);
    EXPECT_EQ(engine.soundingNotes(), 1);
    engine.noteOff(57);
    EXPECT_NEAR(CentsFromA4(Slice(RenderSeconds(engine, 0.5), 0.1, 0.5)), 0, 1.5) << "back to A4";
    engine.noteOff(69);
    RenderSeconds(engine, 1.0);
    EXPECT_EQ(engine.soundingNotes(), 0);
}
