// The cost of the voice-data operations.
#include "voice/bank_format.h"
#include "voice/init_voice.h"

#include <benchmark/benchmark.h>

namespace vox {
namespace {

void BM_PackVoice(benchmark::State &state) {
    const Slot voice = InitialVoice();
    for (auto _ : state)
        benchmark::DoNotOptimize(PackVoice(voice));
}
BENCHMARK(BM_PackVoice);

void BM_UnpackVoice(benchmark::State &state) {
    const PackedVoice packed = PackVoice(InitialVoice());
    Slot slot{};
    for (auto _ : state) {
        UnpackVoice(packed, slot);
        benchmark::DoNotOptimize(slot);
    }
}
BENCHMARK(BM_UnpackVoice);

void BM_BuildBulkMessage(benchmark::State &state) {
    VoiceTable table;
    for (std::size_t v = 1; v <= 32; ++v)
        table[v] = InitialVoice();
    for (auto _ : state)
        benchmark::DoNotOptimize(BuildBulkMessage(table));
}
BENCHMARK(BM_BuildBulkMessage);

} // namespace
} // namespace vox
