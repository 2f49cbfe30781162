// The cost of the FM engine: 16 held notes of a six-operator voice at
// 48 kHz, rendered in audio periods of 256 frames. "realtime" is seconds of
// sound per second of CPU: the target is at least 30.
#include "synth/fm_engine.h"
#include "voice/init_voice.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace vox {
namespace {

constexpr double kRate = 48000.0;
constexpr std::size_t kPeriod = 256;

// Every operator sounding at full level (nothing skipped as silent), ratios
// 1..6, feedback 7, the LFO moving pitch and amplitude: the costliest voice.
VoiceParams BusyVoice(int algorithm) {
    const Slot init = InitialVoice();
    VoiceParams v{};
    for (std::size_t i = 0; i < kParamCount; ++i)
        v[i] = init[kParamBase + i];
    auto set = [&v](int p, int value) { v[static_cast<std::size_t>(p)] = static_cast<Byte>(value); };
    set(param::Algorithm, algorithm - 1);
    set(param::Feedback, 7);
    set(param::LfoPmd, 20);
    set(param::LfoAmd, 20);
    set(param::LfoSpeed, 60);
    for (int op = 1; op <= kOperatorCount; ++op) {
        set(OpParamNumber(op, OpParam::OutputLevel), 99);
        set(OpParamNumber(op, OpParam::FreqCoarse), op);
        set(OpParamNumber(op, OpParam::AmpModSens), 1);
        set(OpParamNumber(op, OpParam::KeyVelSens), 3);
    }
    return v;
}

void BM_FmEngine16Notes(benchmark::State &state) {
    FmEngine engine(kRate);
    engine.setVoice(BusyVoice(static_cast<int>(state.range(0))));
    for (int i = 0; i < kPolyphony; ++i)
        engine.noteOn(36 + 3 * i, 100);
    std::vector<float> out(kPeriod);
    for (auto _ : state) {
        engine.render(out.data(), out.size());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    if (engine.soundingNotes() != kPolyphony) state.SkipWithError("notes stopped sounding");
    const double frames = static_cast<double>(state.iterations()) * kPeriod;
    state.counters["frames/s"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
    state.counters["realtime"] = benchmark::Counter(frames / kRate, benchmark::Counter::kIsRate);
}
// Algorithm 1 (two stacks), 4 (feedback through three operators, sample by
// sample), 16 (one carrier under five) and 32 (six carriers).
BENCHMARK(BM_FmEngine16Notes)->ArgName("algorithm")->Arg(1)->Arg(4)->Arg(16)->Arg(32);

} // namespace
} // namespace vox
