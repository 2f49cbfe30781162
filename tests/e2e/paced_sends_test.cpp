// The pause between System Exclusive messages, and long ones sent in
// pieces, over real JACK ports into voxmere-dx7sim on the cable with a small
// input buffer that loses the bytes that overflow it: paced, nothing is
// lost; sent at once, the sim loses bytes, so the test can fail.
//
// The buffer is 64 bytes, the packet size of a full-speed USB endpoint: a
// cheap USB-MIDI interface takes the host's bytes into about that much and
// loses what comes faster than its 31,250-baud output carries away.
#include "e2e_support.h"

#include "editor/form2.h"
#include "midi/midi_output.h"
#include "midi/rtmidi_ports.h"
#include "program/program.h"
#include "test_support.h"
#include "voice/dx7_messages.h"
#include "voice/init_voice.h"

#include <cstdio>

namespace vox::e2e {
namespace {

constexpr const char *kInputLimit = "64";
constexpr double kByteSeconds = 0.00032;

// The program's host on the real clock: a pass of the message loop has
// nothing to do here but let the other threads run; a wait sleeps, as the
// Qt host's sleeps in the event loop.
class RealClockHost : public test::TestHost {
public:
    void processEvents() override {
        ++passes;
        std::this_thread::yield();
    }
    void processEventsFor(double seconds) override {
        if (seconds > 0) std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        processEvents();
    }
    double monotonicSeconds() override {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    }
};

std::size_t Count(const std::vector<LogLine> &lines, const std::string &direction) {
    return LinesOf(lines, direction).size();
}
std::size_t Whole(const std::vector<LogLine> &lines) {
    const auto in = LinesOf(lines, "IN");
    return static_cast<std::size_t>(
        std::count_if(in.begin(), in.end(), [](const LogLine &l) { return !l.refused; }));
}
// Bytes the sim took (whole or not) or lost.
std::size_t Accounted(const std::vector<LogLine> &lines) {
    return BytesOf(lines, "IN") + BytesOf(lines, "DROP");
}

// GIVEN the sim on the cable with a 64-byte input
// buffer, and the program's output connected to it.
class PacedSendsOverJack : public OverJack {
protected:
    ProgramState state;
    RealClockHost host;
    test::TestInPort in;
    std::unique_ptr<RtMidiOutPort> out;
    std::unique_ptr<Program> program;

    void start(const std::vector<std::string> &simOptions) {
        ASSERT_NO_FATAL_FAILURE(startSim(simOptions));
        const auto outputs = ListMidiOutputs("jack");
        const auto index = MatchPortName(outputs, "dx7sim in");
        ASSERT_TRUE(index) << "no port of the sim among " << outputs.size();
        out = std::make_unique<RtMidiOutPort>("jack", outputs[*index]);
        ASSERT_TRUE(out->open());
        state.midiOut = out.get();
        state.midiIn = &in;
        program = std::make_unique<Program>(state, host);
    }

    // Waits until the sim's log has not grown for half a second, then stops
    // the sim, which logs a message left unfinished; what it logged.
    std::vector<LogLine> settled(std::chrono::milliseconds limit) {
        std::size_t seen = 0;
        auto last = std::chrono::steady_clock::now();
        WaitFor(
            [&] {
                const std::size_t now = simLog().size();
                if (now != seen) {
                    seen = now;
                    last = std::chrono::steady_clock::now();
                }
                return seen > 0 && std::chrono::steady_clock::now() - last > 500ms;
            },
            limit);
        EXPECT_EQ(stopSim(), 0);
        return log();
    }

    // The 1,000 parameter changes of the test: operator 6's rates and
    // levels, every value in range, no two neighbours alike.
    static std::vector<Bytes> ThousandChanges() {
        std::vector<Bytes> changes;
        for (int i = 0; i < 1000; ++i) {
            const auto m = ParameterChangeMessage(i % 8, i % 100);
            changes.emplace_back(m.begin(), m.end());
        }
        return changes;
    }
    void sendAll(const std::vector<Bytes> &messages) {
        for (const Bytes &m : messages)
            SendLongMessage(state, host, m);
    }
};

TEST_F(PacedSendsOverJack, AThousandParameterChangesPacedToTheCableAllArrive) {
    ASSERT_NO_FATAL_FAILURE(start({"--cable", "--input-limit", kInputLimit}));
    // WHEN 1,000 parameter changes go out 3 ms apart (each takes 2.24 ms on
    // the cable)
    state.exchange.sysExPauseMs = 3;
    const auto changes = ThousandChanges();
    const auto started = std::chrono::steady_clock::now();
    sendAll(changes);
    const double sending = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    // THEN the sim takes every one, in order, and drops none
    const auto lines = settled(30s);
    std::vector<Bytes> taken;
    for (const auto &line : lines) {
        EXPECT_EQ(line.direction, "IN") << "a message dropped or refused";
        EXPECT_FALSE(line.refused);
        if (line.direction == "IN") taken.push_back(line.bytes);
    }
    EXPECT_EQ(taken, changes);
    // 1,000 pauses of 3 ms, and time for a busy machine
    EXPECT_GE(sending, 999 * 0.003);
    EXPECT_LT(sending, 30.0);
    std::printf("1000 parameter changes, pause %d ms: sent in %.3f s, cable time %.3f s\n",
                state.exchange.sysExPauseMs, sending, 1000 * 7 * kByteSeconds);
}

TEST_F(PacedSendsOverJack, AThousandParameterChangesWithoutAPauseOverflowTheBuffer) {
    ASSERT_NO_FATAL_FAILURE(start({"--cable", "--input-limit", kInputLimit}));
    // WHEN the same 1,000 go out back to back (the default)
    ASSERT_EQ(state.exchange.sysExPauseMs, 0);
    const auto changes = ThousandChanges();
    sendAll(changes);
    // THEN every byte reaches the sim, and it loses what overflows its buffer
    const auto lines = settled(30s);
    const std::size_t taken = Whole(lines), dropped = BytesOf(lines, "DROP");
    EXPECT_EQ(Accounted(lines), changes.size() * 7);
    EXPECT_GT(dropped, 0u);
    EXPECT_LT(taken, changes.size());
    std::printf("1000 parameter changes, no pause: %zu taken whole, %zu of 7000 bytes lost\n", taken,
                dropped);
}

// 変更 of the operator EG group: 48 parameter changes through the editor.
class ApplyOverJack : public PacedSendsOverJack {
protected:
    // The editor on an initial voice with the operator EG group open and
    // 48 new values typed; the seconds 変更 then takes until the sim has
    // taken all 48, or lost bytes and taken nothing more for 300 ms.
    double applyOperatorEg() {
        Form2 &form2 = program->form2;
        test::SeedBank(program->workspace, [](int n) { return n == 5 ? InitialVoice() : Slot{}; });
        program->workspace.placeEntry(5);
        form2.load();
        form2.controlClick("Text24_3");
        EXPECT_EQ(state.selectedGroup, 0);
        for (std::size_t n = 0; n < 48; ++n)
            form2.text43[n] = std::to_string(10 + n);
        const auto started = std::chrono::steady_clock::now();
        form2.command1Click();
        const double sent = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        // Looked at every millisecond, so the figure is that close.
        const auto limit = started + 10s;
        auto done = std::chrono::steady_clock::now();
        std::size_t seen = 0;
        while (std::chrono::steady_clock::now() < limit) {
            const auto lines = log();
            if (Whole(lines) >= 48) {
                done = std::chrono::steady_clock::now();
                break;
            }
            if (Accounted(lines) != seen) {
                seen = Accounted(lines);
                done = std::chrono::steady_clock::now();
            } else if (Count(lines, "DROP") > 0 && std::chrono::steady_clock::now() - done > 300ms)
                break;
            std::this_thread::sleep_for(1ms);
        }
        const double seconds = std::chrono::duration<double>(done - started).count();
        const auto lines = log();
        std::printf("apply operator EG, pause %d ms: sent in %.1f ms, taken by the sim after %.1f ms "
                    "(%zu taken whole, %zu of 336 bytes lost; cable time %.1f ms)\n",
                    state.exchange.sysExPauseMs, sent * 1000, seconds * 1000, Whole(lines),
                    BytesOf(lines, "DROP"), 48 * 7 * kByteSeconds * 1000);
        return seconds;
    }
};

TEST_F(ApplyOverJack, OperatorEgWithAPauseArrivesWholeOnASmallBuffer) {
    ASSERT_NO_FATAL_FAILURE(start({"--cable", "--input-limit", kInputLimit}));
    state.exchange.sysExPauseMs = 3;
    const double seconds = applyOperatorEg();
    const auto lines = log();
    EXPECT_EQ(Whole(lines), 48u);
    EXPECT_EQ(Count(lines, "DROP"), 0u);
    // No faster than the cable and its 47 pauses; generous for a busy machine
    EXPECT_GE(seconds, 47 * 0.003);
    EXPECT_LT(seconds, 5.0);
}

TEST_F(ApplyOverJack, OperatorEgWithoutAPauseLosesMessagesOnASmallBuffer) {
    ASSERT_NO_FATAL_FAILURE(start({"--cable", "--input-limit", kInputLimit}));
    applyOperatorEg();
    const auto lines = settled(5s);
    EXPECT_EQ(Accounted(lines), 48u * 7);
    EXPECT_GT(BytesOf(lines, "DROP"), 0u);
    EXPECT_LT(Whole(lines), 48u);
}

TEST_F(ApplyOverJack, OperatorEgWithoutAPauseTakesTheCablesTimeOnABufferThatHoldsAll) {
    ASSERT_NO_FATAL_FAILURE(start({"--cable"}));
    const double seconds = applyOperatorEg();
    const auto lines = log();
    ASSERT_EQ(Whole(lines), 48u);
    // The last change is taken once all 336 bytes have crossed the cable.
    EXPECT_GE(lines.back().seconds - lines.front().seconds, 47 * 7 * kByteSeconds - 1e-4);
    EXPECT_GE(seconds, 48 * 7 * kByteSeconds);
    EXPECT_LT(seconds, 5.0);
}

// A bank of 4104 bytes from the program's output into the sim's 64-byte
// buffer, its memory written at exit.
class BankOverJack : public PacedSendsOverJack {
protected:
    void start() {
        ASSERT_NO_FATAL_FAILURE(PacedSendsOverJack::start(
            {"--cable", "--input-limit", kInputLimit, "--dump-bank", (dir / "bank.syx").string()}));
        // 32 voices unlike the sim's own
        test::SeedBank(program->workspace,
                       [](int n) { return test::Named(InitialVoice(), "BANK " + std::to_string(n)); });
        const auto bulk = BuildBulkMessage(program->workspace.voiceTable());
        bank.assign(bulk.begin(), bulk.end());
    }
    // Sends the bank; the seconds until the sim took a message of its size,
    // looked at every millisecond, or nullopt when none came in time.
    std::optional<double> transmit(std::chrono::milliseconds limit) {
        const auto started = std::chrono::steady_clock::now();
        SendLongMessage(state, host, bank);
        const double sent = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        std::optional<double> taken;
        while (!taken && std::chrono::steady_clock::now() < started + limit) {
            for (const auto &line : LinesOf(log(), "IN"))
                if (line.bytes.size() == kBulkMessageSize)
                    taken = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            std::this_thread::sleep_for(1ms);
        }
        std::printf(
            "bank of 4104 bytes, pieces of %d bytes, 64-byte buffer: sent in %.3f s, taken by the sim "
            "after %.3f s (cable time %.3f s)\n",
            state.exchange.sysExChunk, sent, taken.value_or(-1), kBulkMessageSize * kByteSeconds);
        return taken;
    }
    Bytes bank;
};

TEST_F(BankOverJack, InPiecesOf32TheBankArrivesWholeThroughA64ByteBuffer) {
    ASSERT_NO_FATAL_FAILURE(start());
    // WHEN the bank goes out in pieces of 32 bytes
    state.exchange.sysExChunk = 32;
    const auto seconds = transmit(5s);
    // THEN the sim took it, lost nothing, and holds it
    ASSERT_TRUE(seconds);
    const auto lines = settled(10s);
    EXPECT_EQ(Count(lines, "DROP"), 0u);
    ASSERT_EQ(Count(lines, "IN"), 1u);
    EXPECT_FALSE(lines[0].refused);
    EXPECT_EQ(ReadBytes(dir / "bank.syx"), bank);
    // no faster than the cable; generous for a busy machine
    EXPECT_GE(*seconds, kBulkMessageSize * kByteSeconds - 0.01);
    EXPECT_LT(*seconds, 5.0);
}

TEST_F(BankOverJack, SentAtOnceTheBankLosesItsMiddleInA64ByteBufferAndIsRefused) {
    ASSERT_NO_FATAL_FAILURE(start());
    // WHEN the bank goes out whole (the default)
    ASSERT_EQ(state.exchange.sysExChunk, 0);
    EXPECT_FALSE(transmit(2s)); // whole, it would be in after 1.31 s
    // THEN the buffer kept its first 64 bytes and lost the rest, and the
    // sim's memory is not the bank
    const auto lines = settled(10s);
    EXPECT_EQ(BytesOf(lines, "DROP"), kBulkMessageSize - 64);
    EXPECT_EQ(Accounted(lines), kBulkMessageSize);
    for (const auto &line : LinesOf(lines, "IN"))
        EXPECT_TRUE(line.refused);
    EXPECT_NE(ReadBytes(dir / "bank.syx"), bank);
    EXPECT_NE(ReadText(dir / "sim.err").find("0 bulk dumps"), std::string::npos);
}

} // namespace
} // namespace vox::e2e
