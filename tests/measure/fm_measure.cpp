// Prints what the FM engine does with each mapping, measured off rendered
// samples only (through FmEngine's public members), so that the same
// program measures any revision of the engine: scripts/measure-fm.sh.
#include "audio_analysis.h"
#include "fm_voices.h"
#include "synth/fm_engine.h"
#include "voice/init_voice.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
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
constexpr std::size_t kMs = 48;

VoiceParams Fixed1k(int level = 99) {
    VoiceParams v = SilentVoice();
    SetOp(v, 1, OpParam::OutputLevel, level);
    SetOp(v, 1, OpParam::OscMode, 1);
    SetOp(v, 1, OpParam::FreqCoarse, 3);
    return v;
}
VoiceParams Sine(int level = 99) {
    VoiceParams v = SilentVoice();
    SetOp(v, 1, OpParam::OutputLevel, level);
    return v;
}
// Operators at output level 0 switched off.
void Load(FmEngine &e, const VoiceParams &v) {
    e.setVoice(v);
    int sw = 0;
    for (int op = 1; op <= kOperatorCount; ++op)
        if (v[static_cast<std::size_t>(OpParamNumber(op, OpParam::OutputLevel))] > 0) sw |= 1 << (6 - op);
    e.setParameter(155, sw);
}
std::vector<float> Render(FmEngine &e, double seconds) {
    std::vector<float> x(static_cast<std::size_t>(seconds * kRate));
    for (std::size_t at = 0; at < x.size(); at += 256)
        e.render(x.data() + at, std::min<std::size_t>(256, x.size() - at));
    return x;
}
std::vector<float> Play(const VoiceParams &v, int note, double seconds, int velocity = 127) {
    FmEngine e(kRate);
    Load(e, v);
    e.noteOn(note, velocity);
    return Render(e, seconds);
}
std::vector<float> Slice(const std::vector<float> &x, double a, double b) {
    return {x.begin() + static_cast<std::ptrdiff_t>(a * kRate),
            x.begin() + static_cast<std::ptrdiff_t>(b * kRate)};
}
double Steady(const VoiceParams &v, int note, int velocity = 127) {
    const auto x = Play(v, note, 0.2, velocity);
    return Peak(x, x.size() / 2);
}
double Hz(const std::vector<float> &x) { return AmplitudeSpectrum(x, kRate).peakHz(); }
VoiceParams Tremolo(int speed, int delay) {
    VoiceParams v = Fixed1k();
    SetOp(v, 1, OpParam::AmpModSens, 3);
    Set(v, param::LfoAmd, 99);
    Set(v, param::LfoSpeed, speed);
    Set(v, param::LfoDelay, delay);
    Set(v, param::LfoWave, 3);
    Set(v, param::LfoKeySync, 1);
    return v;
}
double LfoHz(int speed) {
    const auto env = PeakEnvelope(Play(Tremolo(speed, 0), 60, 4.1), kMs);
    double lo = 1e9, hi = 0;
    for (std::size_t i = 100; i < env.size(); ++i) {
        lo = std::min(lo, env[i]);
        hi = std::max(hi, env[i]);
    }
    const double mid = std::sqrt(lo * hi);
    std::vector<double> ups;
    for (std::size_t i = 101; i < env.size(); ++i)
        if (env[i - 1] < mid && env[i] >= mid) ups.push_back(static_cast<double>(i));
    if (ups.size() < 2) return 0;
    return 1000.0 * static_cast<double>(ups.size() - 1) / (ups.back() - ups.front());
}
// Ms from note-on until the tremolo is fully faded in (within 0.5 dB of its end).
double FadedInMs(int delay) {
    const auto env = PeakEnvelope(Play(Tremolo(0, delay), 60, 7.0), kMs);
    const double bottom = *std::min_element(env.begin() + 10, env.end());
    for (std::size_t i = 10; i < env.size(); ++i)
        if (env[i] <= bottom * std::pow(10.0, 0.5 / 20)) return static_cast<double>(i);
    return -1;
}
double Cents(double hz, double ref) { return 1200 * std::log2(hz / ref); }

} // namespace

int main() {
    const double a4 = Hz(Slice(Play(Sine(), 69, 1.1), 0.1, 1.1));
    std::printf("A4 ratio 1.00: %.3f Hz\n", a4);

    std::printf("\n# LFO speed: Hz (ratio to speed 99)\n");
    const double top = LfoHz(99);
    for (int s : {10, 28, 35, 37, 50, 80, 99})
        std::printf("speed %2d: %7.3f Hz  (%.3f)\n", s, LfoHz(s), LfoHz(s) / top);

    std::printf("\n# LFO delay: ms from note-on to full depth\n");
    for (int d : {20, 40, 51, 80})
        std::printf("delay %2d: %6.0f ms\n", d, FadedInMs(d));

    std::printf("\n# PMS at PMD 99, square wave: cents down / up\n");
    for (int pms : {1, 3, 5, 7}) {
        VoiceParams v = Sine();
        Set(v, param::LfoPmd, 99);
        Set(v, param::PitchModSens, pms);
        Set(v, param::LfoSpeed, 5);
        Set(v, param::LfoWave, 3);
        Set(v, param::LfoKeySync, 1);
        FmEngine e(kRate);
        Load(e, v);
        Render(e, 0.2);
        e.noteOn(69, 127);
        const auto x = Render(e, 1.4);
        // The two halves of the square, whichever comes first.
        const double h1 = Cents(Hz(Slice(x, 0.1, 0.6)), a4), h2 = Cents(Hz(Slice(x, 0.75, 1.25)), a4);
        std::printf("PMS %d: %+8.1f / %+8.1f cents\n", pms, std::min(h1, h2), std::max(h1, h2));
    }

    std::printf("\n# Keyboard level scaling, break point 39: dB against note 56\n");
    struct Sc {
        const char *what;
        int level, curve, depth, note;
    };
    for (const Sc c :
         {Sc{"-LIN 99, note 68 (1 octave up)", 99, 0, 99, 68}, Sc{"-LIN 99, note 72", 99, 0, 99, 72},
          Sc{"-EXP 99, note 84", 99, 1, 99, 84}, Sc{"-EXP 99, note 104 (4 octaves up)", 99, 1, 99, 104},
          Sc{"-EXP 50, note 104", 99, 1, 50, 104}, Sc{"+LIN 99 at OL 50, note 72", 50, 3, 99, 72}}) {
        VoiceParams v = Fixed1k(c.level);
        SetOp(v, 1, OpParam::BreakPoint, 39);
        SetOp(v, 1, OpParam::LeftCurve, c.curve);
        SetOp(v, 1, OpParam::RightCurve, c.curve);
        SetOp(v, 1, OpParam::LeftDepth, c.depth);
        SetOp(v, 1, OpParam::RightDepth, c.depth);
        std::printf("%-34s %+7.2f dB\n", c.what, Db(Steady(v, c.note) / Steady(v, 56)));
    }

    std::printf("\n# Velocity: dB against sensitivity 0\n");
    const double s0 = Steady(Fixed1k(), 60, 127);
    for (int s : {3, 7})
        for (int vel : {127, 100, 64, 1}) {
            VoiceParams v = Fixed1k();
            SetOp(v, 1, OpParam::KeyVelSens, s);
            std::printf("sensitivity %d, velocity %3d: %+7.2f dB\n", s, vel, Db(Steady(v, 60, vel) / s0));
        }

    std::printf("\n# Output and EG levels: dB against 99\n");
    const double full = Steady(Fixed1k(99), 60);
    for (int ol : {90, 50, 20, 13, 5, 1})
        std::printf("OL %2d: %+7.2f dB\n", ol, Db(Steady(Fixed1k(ol), 60) / full));
    for (int l : {98, 97, 50}) {
        VoiceParams v = Fixed1k();
        for (OpParam k : {OpParam::Level1, OpParam::Level2, OpParam::Level3})
            SetOp(v, 1, k, l);
        std::printf("EG level %2d: %+7.2f dB\n", l, Db(Steady(v, 60) / full));
    }

    std::printf("\n# Pitch EG\n");
    for (int l : {30, 60, 75, 90}) {
        VoiceParams v = Sine();
        for (int i = 0; i < 4; ++i)
            Set(v, param::PitchLevel1 + i, l);
        std::printf("level %2d: %+8.1f cents\n", l, Cents(Hz(Slice(Play(v, 69, 1.1), 0.1, 1.1)), a4));
    }
    for (int r : {99, 70, 50}) {
        VoiceParams v = Sine();
        Set(v, param::PitchRate1, r);
        for (int i = 0; i < 3; ++i)
            Set(v, param::PitchLevel1 + i, 82);
        Set(v, param::PitchLevel1 + 3, 50);
        const auto x = Play(v, 69, 1.5);
        // First cycle shorter than that of half an octave above the start.
        double prev = -1, half = -1;
        for (std::size_t n = 1; n < x.size() && half < 0; ++n)
            if (x[n - 1] < 0 && x[n] >= 0) {
                const double t = (static_cast<double>(n) - x[n] / (x[n] - x[n - 1])) / kRate;
                if (prev >= 0 && t - prev < 1.0 / (a4 * std::sqrt(2.0))) half = t;
                prev = t;
            }
        std::printf("rate %2d, 50 -> 82: half an octave after %.1f ms\n", r, 1000 * half);
    }

    std::printf("\n# Feedback 7, operator 6 of algorithm 32 at OL 99, 220 Hz\n");
    for (int s : {0, 7}) {
        VoiceParams v = SilentVoice();
        Set(v, param::Algorithm, 31);
        Set(v, param::Feedback, 7);
        SetOp(v, 6, OpParam::OutputLevel, 99);
        SetOp(v, 6, OpParam::KeyVelSens, s);
        const auto x = Slice(Play(v, 57, 1.1), 0.1, 1.1);
        const auto sp = AmplitudeSpectrum(x, kRate);
        const double f = a4 / 2;
        double total = 0, harmonic = 0;
        for (std::size_t k = sp.binOf(20.0); k < sp.amplitude.size(); ++k) {
            const double e = sp.amplitude[k] * sp.amplitude[k];
            total += e;
            const double h = std::round(static_cast<double>(k) * sp.binHz / f);
            if (h >= 1 && std::abs(static_cast<double>(k) - static_cast<double>(sp.binOf(h * f))) <= 5)
                harmonic += e;
        }
        const double mean = std::accumulate(x.begin(), x.end(), 0.0) / static_cast<double>(x.size());
        std::printf("sensitivity %d: off-harmonic %.2f %%, h2/h1 %.2f, DC %.1f dBFS\n", s,
                    100 * (1 - harmonic / total), sp.at(2 * f, 1) / sp.at(f, 1), Db(std::abs(mean) + 1e-12));
    }

    std::printf("\n# Loudness\n");
    std::printf("one carrier, OL 99, velocity 127: peak %.1f dBFS\n", Db(Steady(Fixed1k(), 60)));
    auto carriers = [](int alg, int n, int level) {
        VoiceParams v = SilentVoice();
        Set(v, param::Algorithm, alg - 1);
        for (int op = 1; op <= n; ++op) {
            SetOp(v, op, OpParam::OutputLevel, level);
            SetOp(v, op, OpParam::OscMode, 1);
            SetOp(v, op, OpParam::FreqCoarse, 3);
        }
        return Steady(v, 60);
    };
    std::printf("six carriers (algorithm 32, OL 80) against one: %+.1f dB\n",
                Db(carriers(32, 6, 80) / carriers(32, 1, 80)));
    std::printf("one carrier in algorithm 32 against algorithm 1: %+.1f dB\n",
                Db(carriers(32, 1, 80) / carriers(1, 1, 80)));
    std::printf("six carriers in algorithm 32 against one in algorithm 1: %+.1f dB\n",
                Db(carriers(32, 6, 80) / carriers(1, 1, 80)));
    {
        VoiceParams v = SilentVoice();
        Set(v, param::Algorithm, 31);
        Set(v, param::Feedback, 7);
        for (int op = 1; op <= 6; ++op) {
            SetOp(v, op, OpParam::OutputLevel, 99);
            SetOp(v, op, OpParam::Level4, 99);
            SetOp(v, op, OpParam::KeyVelSens, 7);
        }
        FmEngine e(kRate);
        Load(e, v);
        for (int i = 0; i < 16; ++i)
            e.noteOn(36 + 3 * i, 127);
        const auto x = Render(e, 2.0);
        std::printf("16 notes of six full carriers: peak %.5f\n", Peak(x));
    }

    std::printf("\n# Voices (a sine with a long release)\n");
    VoiceParams tail = Sine();
    SetOp(tail, 1, OpParam::Rate4, 30);
    {
        FmEngine e(kRate);
        Load(e, tail);
        for (int n : {60, 64}) {
            e.noteOn(n, 127);
            Render(e, 0.01);
            e.noteOff(n);
        }
        e.noteOn(67, 127);
        std::printf("60, 64 played and released, then 67: %d notes sound\n", e.soundingNotes());
        e.noteOn(67, 127);
        std::printf("67 again while held: %d notes sound\n", e.soundingNotes());
    }
    {
        FmEngine e(kRate);
        Load(e, tail);
        for (int i = 0; i < 16; ++i)
            e.noteOn(40 + i, 127);
        e.noteOn(100, 127);
        const auto sp = AmplitudeSpectrum(Render(e, 2.0), kRate);
        std::printf("17th key with 16 held: note 100 at %+.1f dB against note 40, which is %s\n",
                    Db(sp.at(440.0 * std::exp2(31 / 12.0)) / sp.at(440.0 * std::exp2(-29 / 12.0))),
                    sp.at(440.0 * std::exp2(-29 / 12.0)) > 1e-4 ? "sounding" : "gone");
    }
    return 0;
}
