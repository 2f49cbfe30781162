// The program's own cost of the editor's 変更: reading the Data Entry
// Zone, updating the chart and building and sending each parameter change,
// into a port that only counts (no driver, no fake time passing).
#include "editor/form2.h"
#include "test_support.h"
#include "voice/init_voice.h"

#include <benchmark/benchmark.h>

namespace vox {
namespace {

class CountingOutPort : public MidiOutPort {
public:
    std::int64_t messages = 0;
    bool open() override { return opened_ = true; }
    void close() override { opened_ = false; }
    bool isOpen() const override { return opened_; }
    void sendShort(Byte, Byte, Byte) override { ++messages; }
    void sendSysEx(std::span<const Byte> message) override {
        benchmark::DoNotOptimize(message.data());
        ++messages;
    }
    std::string name() const override { return "counting"; }

private:
    bool opened_ = false;
};

void BM_EditorApplyOperatorEg(benchmark::State &state) {
    test::ProgramFixture f;
    CountingOutPort port;
    port.open();
    f.state.midiOut = &port;
    f.host.tick = 0;
    test::SeedBank(f.ws, [](int n) { return n == 1 ? InitialVoice() : Slot{}; });
    f.ws.placeEntry(1);
    Form2 &form = f.program.form2;
    form.load();
    form.openGroup(0);
    const int perClick = FindGroup(0)->count;
    for (auto _ : state)
        form.command1Click();
    if (port.messages != perClick * static_cast<std::int64_t>(state.iterations()))
        state.SkipWithError("変更 did not send one message per parameter");
    state.SetItemsProcessed(port.messages);
    state.counters["messages_per_click"] = perClick;
    state.counters["time_per_message"] = benchmark::Counter(
        static_cast<double>(port.messages), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_EditorApplyOperatorEg);

} // namespace
} // namespace vox
