// The FM engine measured: every test builds its voice here, renders it and
// reads frequencies, levels and times off the samples (FFT or envelope),
// comparing them with the tables in synth/fm_tables.h.

#include "audio_analysis.h"
#include "synth/fm_engine.h"
#include "synth/fm_tables.h"
#include "voice/algorithms.h"
#include "voice/init_voice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <vector>

using namespace vox;
using vox::test::AmplitudeSpectrum;
using vox::test::Db;
using vox::test::Peak;
using vox::test::PeakEnvelope;

namespace {

constexpr double kRate = 48000.0;

// The initial voice with every operator's output level at 0: algorithm 1,
// rates 99, levels 99/99/99/0, ratio 1.00, no velocity or scaling, the
// LFO's depths at 0.
VoiceParams SilentVoice() {
    const Slot init = InitialVoice();
    VoiceParams v{};
    for (std::size_t i = 0; i < kParamCount; ++i)
        v[i] = init[kParamBase + i];
    for (int op = 1; op <= kOperatorCount; ++op)
        v[static_cast<std::size_t>(OpParamNumber(op, OpParam::OutputLevel))] = 0;
    return v;
}

void Set(VoiceParams &v, int param, int value) {
    v[static_cast<std::size_t>(param)] = static_cast<Byte>(value);
}
void SetOp(VoiceParams &v, int op, OpParam k, int value) { Set(v, OpParamNumber(op, k), value); }

// One carrier, operator 1 of algorithm 1, at this output level.
VoiceParams OneCarrier(int outputLevel = 99) {
    VoiceParams v = SilentVoice();
    SetOp(v, 1, OpParam::OutputLevel, outputLevel);
    return v;
}

// Operator 1 at a fixed 1000 Hz: 48 samples a cycle, so the peak of each
// run of 48 samples is the level of that millisecond.
VoiceParams FixedCarrier(int outputLevel = 99) {
    VoiceParams v = OneCarrier(outputLevel);
    SetOp(v, 1, OpParam::OscMode, 1);
    SetOp(v, 1, OpParam::FreqCoarse, 3);
    SetOp(v, 1, OpParam::FreqFine, 0);
    return v;
}
constexpr std::size_t kMs = 48;

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

std::vector<float> Tail(const std::vector<float> &x, std::size_t from) {
    return {x.begin() + static_cast<std::ptrdiff_t>(from), x.end()};
}

// The steady level of a held note, after its attack.
double SteadyPeak(const VoiceParams &voice, int note, int velocity = 127) {
    FmEngine engine(kRate);
    engine.setVoice(voice);
    engine.noteOn(note, velocity);
    const std::vector<float> x = RenderSeconds(engine, 0.2);
    return Peak(x, x.size() / 2);
}

// First millisecond (index of a run of kMs samples) from `from` on at which
// the envelope is at or above (rising) / at or below (falling) `level`.
double FirstMsAt(const std::vector<double> &env, std::size_t from, double level, bool rising) {
    for (std::size_t i = from; i < env.size(); ++i)
        if (rising ? env[i] >= level : env[i] <= level) return static_cast<double>(i - from);
    return -1;
}

} // namespace

// --- Pitch and spectrum --------------------------------------------------

TEST(FmEngineSpectrum, GivenOneCarrierAtRatioOne_WhenA4Plays_ThenASineAt440HzAndNothingElseAboveMinus60dB) {
    FmEngine engine(kRate);
    engine.setVoice(OneCarrier());
    engine.noteOn(69, 127);
    const std::vector<float> x = RenderSeconds(engine, 1.1);
    const auto s = AmplitudeSpectrum(Tail(x, 4800), kRate);
    EXPECT_NEAR(s.peakHz(), 440.0, 0.44);
    const double peak = s.at(440.0);
    EXPECT_GT(peak, 0.01);
    EXPECT_LT(Db(s.highestOutside({440.0}) / peak), -60.0);
}

TEST(FmEngineSpectrum,
     GivenFrequencySettings_WhenANotePlays_ThenItsFrequencyFollowsRatioDetuneTransposeAndPitchEnvelope) {
    struct Case {
        const char *what;
        int coarse, fine, detune, transpose, pitchLevel;
        double hz;
    };
    const Case cases[] = {
        {"coarse 0 = half", 0, 0, 7, 24, 50, 220.0},
        {"coarse 3", 3, 0, 7, 24, 50, 1320.0},
        {"fine 50 = x1.5", 1, 50, 7, 24, 50, 660.0},
        {"detune 14", 1, 0, 14, 24, 50, 440.0 * std::exp2(fm::DetuneCents(14) / 1200.0)},
        {"detune 0", 1, 0, 0, 24, 50, 440.0 * std::exp2(fm::DetuneCents(0) / 1200.0)},
        {"transpose +12", 1, 0, 7, 36, 50, 880.0},
        {"transpose -12", 1, 0, 7, 12, 50, 220.0},
        {"pitch envelope at 75", 1, 0, 7, 24, 75, 440.0 * std::exp2(fm::PitchEgOctaves(75))},
        {"pitch envelope at 30", 1, 0, 7, 24, 30, 440.0 * std::exp2(fm::PitchEgOctaves(30))},
    };
    EXPECT_LT(fm::DetuneCents(0), 0.0);
    EXPECT_GT(fm::DetuneCents(14), 0.0);
    for (const Case &c : cases) {
        VoiceParams v = OneCarrier();
        SetOp(v, 1, OpParam::FreqCoarse, c.coarse);
        SetOp(v, 1, OpParam::FreqFine, c.fine);
        SetOp(v, 1, OpParam::Detune, c.detune);
        Set(v, param::Transpose, c.transpose);
        for (int i = 0; i < 4; ++i)
            Set(v, param::PitchLevel1 + i, c.pitchLevel);
        FmEngine engine(kRate);
        engine.setVoice(v);
        engine.noteOn(69, 127);
        const auto s = AmplitudeSpectrum(Tail(RenderSeconds(engine, 1.1), 4800), kRate);
        EXPECT_NEAR(s.peakHz(), c.hz, c.hz * 0.001) << c.what;
    }
}

TEST(FmEngineSpectrum,
     GivenAFixedFrequencyOperator_WhenLowAndHighNotesPlay_ThenBothSoundAtTheFixedFrequency) {
    VoiceParams v = OneCarrier();
    SetOp(v, 1, OpParam::OscMode, 1);
    SetOp(v, 1, OpParam::FreqCoarse, 6); // 6 % 4 = 2: 100 Hz
    SetOp(v, 1, OpParam::FreqFine, 30);  // x 10^0.3
    const double expected = 100.0 * std::pow(10.0, 0.3);
    EXPECT_NEAR(fm::FixedFrequency(6, 30), expected, 1e-9);
    for (int note : {36, 60, 96}) {
        FmEngine engine(kRate);
        engine.setVoice(v);
        engine.noteOn(note, 127);
        const auto s = AmplitudeSpectrum(Tail(RenderSeconds(engine, 1.1), 4800), kRate);
        EXPECT_NEAR(s.peakHz(), expected, expected * 0.001) << "note " << note;
    }
}

TEST(FmEngineSpectrum,
     GivenOneModulatorOnOneCarrier_WhenItsOutputLevelVaries_ThenSidebandsFollowBesselFunctionsOfItsIndex) {
    // Carrier 31 x 110 Hz = 3410 Hz, modulator 110 Hz: sidebands 3410 ± n·110
    // stay clear of 0 Hz up to n = 31, far beyond the ones that matter.
    EXPECT_NEAR(fm::ModulationIndex(99), 4.0 * fm::kPi, 1e-12);
    for (int level : {99, 90, 80, 70}) {
        VoiceParams v = OneCarrier();
        SetOp(v, 1, OpParam::FreqCoarse, 31);
        SetOp(v, 2, OpParam::OutputLevel, level);
        SetOp(v, 2, OpParam::FreqCoarse, 1);
        FmEngine engine(kRate);
        engine.setVoice(v);
        engine.noteOn(45, 127);
        const auto s = AmplitudeSpectrum(Tail(RenderSeconds(engine, 1.1), 4800), kRate);
        const double index = fm::ModulationIndex(level);
        std::vector<double> measured;
        double total = 0;
        for (int n = -24; n <= 24; ++n) {
            measured.push_back(s.at(3410.0 + 110.0 * n, 1));
            total += measured.back() * measured.back();
        }
        // Σ J_n² = 1: the measured sidebands, normalised by their total, are |J_n|.
        const double norm = std::sqrt(total);
        for (int n = -24; n <= 24; ++n) {
            const double expected = std::abs(std::cyl_bessel_j(static_cast<double>(std::abs(n)), index));
            EXPECT_NEAR(measured[static_cast<std::size_t>(n + 24)] / norm, expected, 0.01)
                << "output level " << level << " (index " << index << "), sideband " << n;
        }
    }
}

TEST(FmEngineSpectrum, GivenFeedbackZeroToSeven_WhenASingleOperatorPlays_ThenItsHarmonicsRiseWithEveryStep) {
    double last = -1;
    for (int fb = 0; fb <= 7; ++fb) {
        VoiceParams v = SilentVoice();
        Set(v, param::Algorithm, 31); // algorithm 32: operator 6 feeds back on itself
        Set(v, param::Feedback, fb);
        SetOp(v, 6, OpParam::OutputLevel, 99);
        FmEngine engine(kRate);
        engine.setVoice(v);
        engine.noteOn(57, 127); // 220 Hz
        const auto s = AmplitudeSpectrum(Tail(RenderSeconds(engine, 1.1), 4800), kRate);
        double harmonics = 0;
        for (int h = 2; h <= 40; ++h)
            harmonics += std::pow(s.at(220.0 * h, 1), 2);
        const double ratio = std::sqrt(harmonics) / s.at(220.0, 1);
        if (fb == 0) {
            EXPECT_LT(Db(ratio), -60.0);
        } else {
            EXPECT_GT(ratio, last * 1.2) << "feedback " << fb;
        }
        last = ratio;
    }
    EXPECT_GT(Db(last), -12.0); // 7: a bright, sawtooth-like tone
}

// --- Levels --------------------------------------------------------------

TEST(FmEngineLevels, GivenOutputLevels_WhenACarrierPlays_ThenItsLevelFollowsTheLogarithmicScale) {
    const double full = SteadyPeak(FixedCarrier(99), 60);
    for (int level : {90, 70, 50, 20, 10, 1}) {
        const double expectedDb = Db(fm::OutputLevelGain(level));
        EXPECT_NEAR(Db(SteadyPeak(FixedCarrier(level), 60) / full), expectedDb, 0.1) << "level " << level;
    }
    EXPECT_NEAR(Db(fm::OutputLevelGain(98)), -fm::kStepDb, 1e-9);
    EXPECT_EQ(SteadyPeak(FixedCarrier(0), 60), 0.0);
}

TEST(FmEngineLevels, GivenVelocitySensitivity_WhenSofterNotesPlay_ThenTheyAreQuieterByTheVelocityTable) {
    for (int sens : {0, 3, 7}) {
        VoiceParams v = FixedCarrier();
        SetOp(v, 1, OpParam::KeyVelSens, sens);
        const double loud = SteadyPeak(v, 60, 127);
        for (int velocity : {100, 64, 1}) {
            const double expectedDb = -fm::VelocitySteps(sens, velocity) * fm::kStepDb;
            EXPECT_NEAR(Db(SteadyPeak(v, 60, velocity) / loud), expectedDb, 0.1)
                << "sensitivity " << sens << ", velocity " << velocity;
        }
    }
    EXPECT_EQ(fm::VelocitySteps(7, 127), 0.0);
    EXPECT_GT(fm::VelocitySteps(7, 1), fm::VelocitySteps(3, 1));
}

TEST(FmEngineLevels,
     GivenKeyboardLevelScaling_WhenNotesAwayFromTheBreakPointPlay_ThenTheCurvesChangeTheLevel) {
    // Break point 39 = C3 = note 60; output level 60 leaves room above for the + curves.
    EXPECT_EQ(fm::BreakPointNote(39), 60);
    EXPECT_EQ(fm::BreakPointNote(0), 21);
    EXPECT_EQ(fm::BreakPointNote(99), 120);
    EXPECT_NEAR(fm::KeyScalingSteps(0, 99, 12) * fm::kStepDb, -22.0, 1e-9); // -LIN, the manual's figure
    for (int curve = 0; curve <= 3; ++curve) {
        for (int depth : {99, 50}) {
            VoiceParams v = OneCarrier(60);
            SetOp(v, 1, OpParam::BreakPoint, 39);
            SetOp(v, 1, OpParam::LeftCurve, curve);
            SetOp(v, 1, OpParam::RightCurve, curve);
            SetOp(v, 1, OpParam::LeftDepth, depth);
            SetOp(v, 1, OpParam::RightDepth, depth);
            const double atBreak = SteadyPeak(v, 60);
            for (int note : {36, 48, 72, 84}) {
                const double steps = std::min(99.0, 60.0 + fm::KeyScalingSteps(curve, depth, note - 60));
                const double expectedDb = (steps - 60.0) * fm::kStepDb;
                EXPECT_NEAR(Db(SteadyPeak(v, note) / atBreak), expectedDb, 0.15)
                    << "curve " << curve << ", depth " << depth << ", note " << note;
            }
        }
    }
    // Left and right are separate: a right-hand depth leaves the left side alone.
    VoiceParams v = OneCarrier(60);
    SetOp(v, 1, OpParam::RightDepth, 99);
    EXPECT_NEAR(Db(SteadyPeak(v, 36) / SteadyPeak(v, 60)), 0.0, 0.05);
}

// --- Envelopes -----------------------------------------------------------

TEST(FmEngineEnvelope, GivenAttackRates_WhenANoteStarts_ThenItRisesInTheTimeTheRateTableGives) {
    for (int rate : {25, 45, 65}) {
        VoiceParams v = FixedCarrier();
        SetOp(v, 1, OpParam::Rate1, rate);
        FmEngine engine(kRate);
        engine.setVoice(v);
        engine.noteOn(60, 127);
        const double seconds = fm::EnvelopeSeconds(rate, 0, 99) + 0.3;
        const auto env = PeakEnvelope(RenderSeconds(engine, seconds), kMs);
        const double full = env.back();
        for (int level : {60, 90}) {
            const double expectedMs = 1000.0 * fm::EnvelopeSeconds(rate, 0, level);
            const double measuredMs = FirstMsAt(env, 0, full * fm::GainOfSteps(99 - level), true);
            EXPECT_NEAR(measuredMs, expectedMs, std::max(2.0, expectedMs * 0.03))
                << "rate " << rate << " to " << level;
        }
    }
}

TEST(FmEngineEnvelope, GivenReleaseRates_WhenTheKeyIsReleased_ThenItFallsInTheTimeTheRateTableGives) {
    for (int rate : {25, 45, 65}) {
        VoiceParams v = FixedCarrier();
        SetOp(v, 1, OpParam::Rate4, rate);
        FmEngine engine(kRate);
        engine.setVoice(v);
        engine.noteOn(60, 127);
        const std::vector<float> held = RenderSeconds(engine, 0.1);
        const double full = Peak(held, held.size() / 2);
        engine.noteOff(60);
        const double seconds = fm::EnvelopeSeconds(rate, 99, 0) + 0.1;
        const auto env = PeakEnvelope(RenderSeconds(engine, seconds), kMs);
        for (int level : {79, 39}) {
            const double expectedMs = 1000.0 * fm::EnvelopeSeconds(rate, 99, level);
            const double measuredMs = FirstMsAt(env, 0, full * fm::GainOfSteps(99 - level), false);
            EXPECT_NEAR(measuredMs, expectedMs, std::max(2.0, expectedMs * 0.03))
                << "rate " << rate << " to " << level;
        }
        EXPECT_EQ(env.back(), 0.0);
        EXPECT_EQ(engine.soundingNotes(), 0);
    }
    // Faster rates are shorter, every step of the table.
    for (int rate = 1; rate <= 99; ++rate)
        EXPECT_LT(fm::EnvelopeSeconds(rate, 99, 0), fm::EnvelopeSeconds(rate - 1, 99, 0));
}

TEST(FmEngineEnvelope, GivenRateScaling_WhenAHighNotePlays_ThenItsReleaseIsFasterByTheScalingOffset) {
    VoiceParams v = OneCarrier();
    SetOp(v, 1, OpParam::Rate4, 40);
    SetOp(v, 1, OpParam::RateScaling, 7);
    const int note = 96;
    FmEngine engine(kRate);
    engine.setVoice(v);
    engine.noteOn(note, 127);
    const std::vector<float> held = RenderSeconds(engine, 0.1);
    const double full = Peak(held, held.size() / 2);
    engine.noteOff(note);
    const auto env = PeakEnvelope(RenderSeconds(engine, 1.0), kMs);
    const double rate = 40 + fm::RateScalingOffset(7, note);
    EXPECT_GT(fm::RateScalingOffset(7, note), 20.0);
    EXPECT_EQ(fm::RateScalingOffset(7, 21), 0.0);
    const double expectedMs = 1000.0 * fm::EnvelopeSeconds(rate, 99, 39);
    EXPECT_NEAR(FirstMsAt(env, 0, full * fm::GainOfSteps(60), false), expectedMs,
                std::max(2.0, expectedMs * 0.03));
}

// --- LFO -----------------------------------------------------------------

TEST(FmEngineLfo, GivenLfoSpeeds_WhenATremoloPlays_ThenItsPeriodFollowsTheSpeedTable) {
    for (int speed : {40, 60, 80}) {
        VoiceParams v = FixedCarrier();
        SetOp(v, 1, OpParam::AmpModSens, 3);
        Set(v, param::LfoAmd, 99);
        Set(v, param::LfoSpeed, speed);
        Set(v, param::LfoWave, 4); // sine
        Set(v, param::LfoDelay, 0);
        FmEngine engine(kRate);
        engine.setVoice(v);
        engine.noteOn(60, 127);
        const double hz = fm::LfoHz(speed);
        const auto env = PeakEnvelope(RenderSeconds(engine, 5.0 / hz + 0.1), kMs);
        // Upward crossings of the middle (in dB) of the swing, with hysteresis.
        double low = 1e9, high = 0;
        for (std::size_t i = 100; i < env.size(); ++i) {
            low = std::min(low, env[i]);
            high = std::max(high, env[i]);
        }
        EXPECT_GT(Db(high / low), 20.0) << "speed " << speed;
        const double mid = std::sqrt(low * high), band = std::pow(high / low, 0.1);
        std::vector<double> ups;
        bool below = false;
        for (std::size_t i = 20; i < env.size(); ++i) { // after the attack
            if (env[i] < mid / band) below = true;
            if (below && env[i] >= mid) {
                ups.push_back(static_cast<double>(i));
                below = false;
            }
        }
        ASSERT_GE(ups.size(), 4u) << "speed " << speed;
        const double periodMs = (ups.back() - ups.front()) / static_cast<double>(ups.size() - 1);
        EXPECT_NEAR(periodMs, 1000.0 / hz, 1000.0 / hz * 0.02 + 1.0) << "speed " << speed;
    }
    EXPECT_NEAR(fm::LfoHz(99), 50.0, 1e-9);
    for (int speed = 1; speed <= 99; ++speed)
        EXPECT_GT(fm::LfoHz(speed), fm::LfoHz(speed - 1));
}

TEST(FmEngineLfo,
     GivenPitchModulationAndADelay_WhenANotePlays_ThenVibratoStartsAfterTheDelayAtTheSensitivityDepth) {
    VoiceParams v = OneCarrier();
    Set(v, param::LfoPmd, 99);
    Set(v, param::PitchModSens, 7);
    Set(v, param::LfoSpeed, 20);
    Set(v, param::LfoWave, 3); // square: the pitch sits at either extreme
    Set(v, param::LfoDelay, 60);
    FmEngine engine(kRate);
    engine.setVoice(v);
    engine.noteOn(69, 127);
    const double delay = fm::LfoDelaySeconds(60);
    ASSERT_GT(delay, 0.5);
    // Before the delay: the plain note.
    const auto before = AmplitudeSpectrum(Tail(RenderSeconds(engine, delay * 0.9), 2400), kRate);
    EXPECT_NEAR(before.peakHz(), 440.0, 0.5);
    // After delay and fade, the first half cycle of the square lifts the pitch by the full depth.
    RenderSeconds(engine, delay * 0.1 + fm::LfoFadeSeconds(60));
    const double up = 440.0 * std::exp2(fm::PitchModOctaves(7));
    const double hz = fm::LfoHz(20);
    // Find the half of the LFO cycle now sounding and measure 0.1 s of it.
    const auto x = RenderSeconds(engine, 1.0 / hz);
    bool found = false;
    for (std::size_t at = 0; at + 4800 <= x.size(); at += 2400) {
        const auto s =
            AmplitudeSpectrum(std::vector<float>(x.begin() + static_cast<std::ptrdiff_t>(at),
                                                 x.begin() + static_cast<std::ptrdiff_t>(at + 4800)),
                              kRate);
        if (std::abs(s.peakHz() - up) < up * 0.002) found = true;
    }
    EXPECT_TRUE(found) << "no stretch of the vibrato at " << up << " Hz";
}

// --- Live changes, polyphony, mix ----------------------------------------

TEST(FmEngineLive, GivenASoundingNote_WhenAParameterChanges_ThenTheNextBlockSoundsTheChange) {
    FmEngine engine(kRate);
    engine.setVoice(FixedCarrier());
    engine.noteOn(60, 127);
    const std::vector<float> held = RenderSeconds(engine, 0.1);
    const double full = Peak(held, held.size() / 2);

    // Output level 99 -> 70: within two 32-sample blocks, at the new level.
    engine.setParameter(OpParamNumber(1, OpParam::OutputLevel), 70);
    const std::vector<float> after = Render(engine, 64);
    EXPECT_NEAR(Db(Peak(after, 32) / full), Db(fm::OutputLevelGain(70)), 0.2);

    // Fixed 1000 Hz -> ratio mode (coarse 3): three times the note from the next block on.
    engine.setParameter(OpParamNumber(1, OpParam::OutputLevel), 99);
    engine.setParameter(OpParamNumber(1, OpParam::OscMode), 0);
    const auto s = AmplitudeSpectrum(Tail(Render(engine, 4832), 32), kRate);
    EXPECT_NEAR(s.peakHz(), 3 * fm::NoteHz(60), 3 * fm::NoteHz(60) * 0.001);

    // Operator 1 switched off (parameter 155, bit 5): silent after one block.
    engine.setParameter(155, 0x1F);
    EXPECT_EQ(engine.operatorSwitches(), 0x1F);
    EXPECT_EQ(Peak(Render(engine, 64), 32), 0.0);
    engine.setParameter(155, 0x3F);
    EXPECT_GT(Peak(Render(engine, 64), 32), full * 0.9);
}

TEST(FmEngineLive, GivenOscillatorKeySync_WhenANoteIsPlayedAgain_ThenItStartsAtTheSamePhaseOnlyWithSync) {
    for (int sync : {1, 0}) {
        VoiceParams v = OneCarrier();
        Set(v, param::OscKeySync, sync);
        SetOp(v, 1, OpParam::Level4, 99); // full from the first sample, nothing to wait for
        FmEngine engine(kRate);
        engine.setVoice(v);
        engine.noteOn(69, 127);
        const std::vector<float> first = Render(engine, 1000);
        engine.noteOn(69, 127); // the same note again: same slot, restarted
        const std::vector<float> again = Render(engine, 1000);
        // From the second block on: a new note fades in over its first block,
        // a restarted one carries on at the level it had.
        double worst = 0;
        for (std::size_t n = 64; n < first.size(); ++n)
            worst = std::max(worst, static_cast<double>(std::abs(first[n] - again[n])));
        if (sync == 1)
            EXPECT_LT(worst, 1e-6);
        else
            EXPECT_GT(worst, Peak(first) * 0.1); // the oscillator ran on
    }
}

TEST(FmEngineLive, GivenSixteenHeldNotes_WhenASeventeenthPlays_ThenItTakesTheOldestNote) {
    FmEngine engine(kRate);
    engine.setVoice(OneCarrier());
    for (int i = 0; i < kPolyphony; ++i) {
        engine.noteOn(40 + i, 127);
        Render(engine, 64);
    }
    EXPECT_EQ(engine.soundingNotes(), kPolyphony);
    engine.noteOn(100, 127);
    EXPECT_EQ(engine.soundingNotes(), kPolyphony);
    // Two seconds: half-hertz bins keep the neighbouring notes' peaks apart.
    const auto s = AmplitudeSpectrum(Tail(RenderSeconds(engine, 2.1), 4800), kRate);
    const double other = s.at(fm::NoteHz(41));
    EXPECT_NEAR(Db(s.at(fm::NoteHz(100)) / other), 0.0, 0.5);
    EXPECT_LT(Db(s.at(fm::NoteHz(40)) / other), -60.0); // the first note is gone
    engine.allNotesOff();
    RenderSeconds(engine, 0.1);
    EXPECT_EQ(engine.soundingNotes(), 0);
}

TEST(FmEngineLive, GivenSixteenNotesOfSixFullCarriers_WhenTheyPlayTogether_ThenTheMixNeverExceedsFullScale) {
    VoiceParams v = SilentVoice();
    Set(v, param::Algorithm, 31); // algorithm 32: six carriers
    Set(v, param::Feedback, 7);
    for (int op = 1; op <= kOperatorCount; ++op) {
        SetOp(v, op, OpParam::OutputLevel, 99);
        SetOp(v, op, OpParam::FreqCoarse, 1);
        SetOp(v, op, OpParam::Level4, 99); // full from the first sample
        SetOp(v, op, OpParam::LeftCurve, 3);
        SetOp(v, op, OpParam::LeftDepth, 99); // +LIN below the break point: still full
    }
    FmEngine engine(kRate);
    engine.setVoice(v);
    for (int i = 0; i < kPolyphony; ++i)
        engine.noteOn(36 + 3 * i, 127);
    const std::vector<float> x = RenderSeconds(engine, 2.0);
    EXPECT_LE(Peak(x), 1.0);
    EXPECT_GT(Peak(x), 0.2); // loud, not silenced
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
// precision: the phase of operator k after sample n is (n + 1)·f_k/rate
// cycles, plus 2 cycles per unit of the outputs feeding it, plus the
// feedback index times the average of its source's last two outputs.
std::vector<double> Reference(int algorithm, int outputLevel, int feedback, double noteHz,
                              std::size_t frames) {
    const AlgorithmInfo &a = AlgorithmOf(algorithm);
    const double gain = fm::OutputLevelGain(outputLevel);
    const double beta = fm::FeedbackIndex(feedback);
    std::vector<double> out(frames);
    double fb[2] = {0, 0};
    for (std::size_t n = 0; n < frames; ++n) {
        double y[kOperatorCount + 1] = {};
        double sum = 0;
        for (int op = kOperatorCount; op >= 1; --op) {
            double phase = 2 * fm::kPi * std::fmod((n + 1.0) * noteHz * op / kRate, 1.0);
            for (const Modulation &m : a.mods())
                if (m.to == op) phase += fm::kMaxModulationIndex * y[m.from];
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
            engine.setVoice(RoutingVoice(alg, 99, 0));
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
    // Level 75 (index π/2) keeps the loops through several operators (4 and
    // 6) settled, so the float engine and the double reference stay together.
    constexpr std::size_t kFrames = 9600;
    constexpr int kLevel = 75, kFeedback = 5;
    const double noteHz = fm::NoteHz(57);
    for (int alg = 1; alg <= kAlgorithmCount; ++alg) {
        FmEngine engine(kRate);
        engine.setVoice(RoutingVoice(alg, kLevel, kFeedback));
        engine.noteOn(57, 127);
        const std::vector<float> x = Render(engine, kFrames);
        EXPECT_LT(Residual(x, Reference(alg, kLevel, kFeedback, noteHz, kFrames)), 1e-3)
            << "algorithm " << alg;
        // The measure tells algorithms apart, even one whose only difference
        // is where the feedback goes (1 and 2).
        const int other = alg % 2 == 1 ? alg + 1 : alg - 1;
        EXPECT_GT(Residual(x, Reference(other, kLevel, kFeedback, noteHz, kFrames)), 0.02)
            << "algorithm " << alg << " against " << other;
    }
}

TEST(FmEngineAlgorithms, GivenSixNotesWithFeedback_WhenTheyPlayTogether_ThenTheMixIsTheSumOfEachNoteAlone) {
    for (int alg : {1, 4, 32}) {
        const VoiceParams v = RoutingVoice(alg, 85, 6);
        const int notes[] = {48, 52, 55, 60, 64, 67};
        FmEngine together(kRate);
        together.setVoice(v);
        for (int note : notes)
            together.noteOn(note, 127);
        const std::vector<float> mix = Render(together, 4800);
        std::vector<double> sum(mix.size(), 0.0);
        for (int note : notes) {
            FmEngine alone(kRate);
            alone.setVoice(v);
            alone.noteOn(note, 127);
            const std::vector<float> x = Render(alone, 4800);
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
