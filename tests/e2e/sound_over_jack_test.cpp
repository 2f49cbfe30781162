// The virtual DX7 heard over JACK (dummy driver, a server of the test's
// own): the program's audio port carries signal while a note is held and
// silence before it, and a note-on posted to the audio out sounds in the
// next period. A JACK client of the test's own reads the samples.
#include "e2e_support.h"
#include "offscreen_app.h"

#include "app/app_windows.h"
#include "app/midi_setup.h"
#include "app/qt_host.h"
#include "app/sound_setup.h"
#include "program/program.h"
#include "synth/audio_out.h"
#include "voice/bank_format.h"
#include "voice/init_voice.h"

#include <jack/jack.h>

#include <QAbstractButton>
#include <QTest>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace vox::e2e {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// One JACK cycle as the tap saw it.
struct Cycle {
    double sumSquares = 0.0;
    float peak = 0.0f;
    int firstSound = -1; // the first frame above kSoundFloor, -1 for none
    std::int64_t startNs = 0;
    unsigned frames = 0;
};

// -80 dB: far below any note, far above rounding noise.
constexpr float kSoundFloor = 1e-4f;

// The test's JACK client: one input port; for each cycle, its energy, its
// first sounding frame and the time it started. Fixed storage only: it
// runs on JACK's real-time thread.
class AudioTap {
public:
    static constexpr std::size_t kCycles = 1 << 14;

    ~AudioTap() {
        if (client_) {
            jack_deactivate(client_);
            jack_client_close(client_);
        }
    }

    // Empty when connected to the first output port of `client`.
    std::string open(const std::string &client) {
        jack_status_t status{};
        client_ = jack_client_open("e2e-audio-tap", JackNoStartServer, &status);
        if (!client_) return "the test's JACK client did not open";
        port_ = jack_port_register(client_, "in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
        if (!port_) return "the test's JACK port did not register";
        jack_set_process_callback(client_, &AudioTap::process, this);
        if (jack_activate(client_) != 0) return "the test's JACK client did not start";
        std::string source;
        WaitFor(
            [&] {
                const char **ports = jack_get_ports(client_, (client + ":").c_str(), JACK_DEFAULT_AUDIO_TYPE,
                                                    JackPortIsOutput);
                if (ports && ports[0]) source = ports[0];
                if (ports) jack_free(ports);
                return !source.empty();
            },
            10s);
        if (source.empty()) return "no audio port of " + client;
        if (jack_connect(client_, source.c_str(), jack_port_name(port_)) != 0)
            return "could not connect " + source;
        source_ = source;
        return {};
    }

    const std::string &source() const { return source_; }
    std::uint64_t cycles() const { return count_.load(std::memory_order_acquire); }
    // Cycle n (1 = the first), once it has been counted.
    const Cycle &cycle(std::uint64_t n) const { return cycles_[(n - 1) % kCycles]; }
    unsigned sampleRate() const { return client_ ? jack_get_sample_rate(client_) : 0; }

    // The RMS and peak of cycles (from, to].
    std::pair<double, float> level(std::uint64_t from, std::uint64_t to) const {
        double sum = 0.0;
        float peak = 0.0f;
        std::uint64_t frames = 0;
        for (std::uint64_t n = from + 1; n <= to; ++n) {
            sum += cycle(n).sumSquares;
            peak = std::max(peak, cycle(n).peak);
            frames += cycle(n).frames;
        }
        return {frames ? std::sqrt(sum / static_cast<double>(frames)) : 0.0, peak};
    }

    // Waits for `n` more cycles.
    bool waitCycles(std::uint64_t n) {
        const std::uint64_t until = cycles() + n;
        return WaitFor([&] { return cycles() >= until; }, 10s);
    }

private:
    static int process(jack_nframes_t frames, void *arg) {
        auto &tap = *static_cast<AudioTap *>(arg);
        const std::int64_t now =
            std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
        const auto *in = static_cast<const float *>(jack_port_get_buffer(tap.port_, frames));
        const std::uint64_t n = tap.count_.load(std::memory_order_relaxed);
        Cycle &c = tap.cycles_[n % kCycles];
        c = Cycle{};
        c.startNs = now;
        c.frames = frames;
        for (jack_nframes_t i = 0; i < frames; ++i) {
            const float s = std::fabs(in[i]);
            c.sumSquares += static_cast<double>(in[i]) * in[i];
            c.peak = std::max(c.peak, s);
            if (c.firstSound < 0 && s > kSoundFloor) c.firstSound = static_cast<int>(i);
        }
        tap.count_.store(n + 1, std::memory_order_release);
        return 0;
    }

    jack_client_t *client_ = nullptr;
    jack_port_t *port_ = nullptr;
    std::string source_;
    std::array<Cycle, kCycles> cycles_{};
    std::atomic<std::uint64_t> count_{0};
};

VoiceParams ParamsOf(const Slot &slot) {
    VoiceParams p{};
    std::copy_n(slot.begin() + kParamBase, kParamCount, p.begin());
    return p;
}

// GIVEN the shared JACK server and a tap on it.
class SoundOverJack : public OverJack {
protected:
    AudioTap tap;
};

TEST_F(SoundOverJack, TheAuditionSoundsOnTheProgramsAudioPortWhileHeld) {
    // GIVEN the program as main() builds it on the virtual DX7, whose
    // internal memory holds the factory bank ROM1A, playing through JACK
    OffscreenApp app;
    const Bytes bank = ReadBytes(fs::path(VOXMERE_TESTDATA) / "rom1a.syx");
    const BankImage image = ReadBankImage(bank);
    ASSERT_TRUE(image.error.empty()) << "rom1a.syx: " << image.error;
    const fs::path folder = dir / "program";
    fs::create_directories(folder);
    fs::copy(ProgramDir(), folder, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    ProgramState state;
    state.programFolder = folder;
    QtHost host;
    host.setAutoAnswer(true);
    MidiOptions options;
    options.virtualDx7 = true;
    MidiWiring wiring = WireMidiForQt(options, host);
    ASSERT_TRUE(wiring.dx7);
    wiring.dx7->setInternalVoices(
        std::span<const Byte, kPackedBankSize>(image.packed.data(), kPackedBankSize));
    AudioOptions audio;
    audio.api = "jack";
    SoundWiring sound(*wiring.dx7, audio);
    ASSERT_TRUE(sound.audio().isOpen()) << sound.audio().problem();
    EXPECT_TRUE(sound.problems().empty());
    EXPECT_EQ(sound.currentOutput(), "jack: " + sound.audio().device());
    state.midiOut = wiring.out.get();
    state.midiIn = wiring.in.get();
    Program program(state, host);
    AppWindows windows(program, host, &wiring, nullptr, &sound);
    windows.form1.show();
    program.form1.load();
    host.refreshAll();
    ASSERT_EQ(tap.open("voxmere"), "");
    PumpUntil([] { return false; }, 300ms);

    // WHEN nothing is played, THEN the port carries silence
    std::uint64_t mark = tap.cycles();
    ASSERT_TRUE(tap.waitCycles(40));
    const auto before = tap.level(mark, tap.cycles());
    EXPECT_LT(before.second, kSoundFloor) << "peak before any note";

    // WHEN the audition button is held (program 1, BRASS 1)
    auto *button = windows.form1.findChild<QAbstractButton *>("Command1");
    ASSERT_TRUE(button);
    QTest::mousePress(button, Qt::LeftButton);
    PumpUntil([] { return false; }, 100ms);
    mark = tap.cycles();
    PumpUntil([] { return false; }, 500ms);
    const auto held = tap.level(mark, tap.cycles());
    QTest::mouseRelease(button, Qt::LeftButton);
    // THEN the port carries the note
    std::printf("audition on %s: RMS %.4f, peak %.4f while held; peak %.6f before\n", tap.source().c_str(),
                held.first, held.second, before.second);
    // -60 dB: the engine leaves room for 16 notes, so one note at velocity
    // 100 plays well below full scale, and silence is exactly 0.
    EXPECT_GT(held.first, 0.001) << "RMS while the note is held";
    EXPECT_GT(wiring.dx7->noteOns(), 0);

    // AND after the release the note dies away
    PumpUntil([] { return false; }, 3000ms);
    mark = tap.cycles();
    ASSERT_TRUE(tap.waitCycles(20));
    const auto after = tap.level(mark, tap.cycles());
    EXPECT_LT(after.first, held.first / 2) << "RMS 3 s after the release";
}

TEST_F(SoundOverJack, ANoteOnSoundsInThePeriodAfterItIsPosted) {
    // GIVEN an audio out on JACK playing the initial voice (one sine carrier)
    AudioOut out;
    AudioOptions options;
    options.api = "jack";
    ASSERT_TRUE(out.open(options)) << out.problem();
    EXPECT_EQ(out.api(), "jack");
    ASSERT_EQ(tap.open("voxmere"), "");
    SynthCommand voice;
    voice.kind = SynthCommand::Kind::SetVoice;
    voice.voice = ParamsOf(InitialVoice());
    ASSERT_TRUE(out.post(voice));
    ASSERT_TRUE(tap.waitCycles(8));
    const unsigned rate = out.sampleRate();
    const unsigned period = out.periodFrames();
    ASSERT_GT(rate, 0u);
    ASSERT_GT(period, 0u);

    // WHEN notes are posted one at a time, each after silence, at times
    // that fall anywhere in a period
    constexpr int kNotes = 40;
    int inNext = 0, inSecond = 0, lost = 0;
    double worstMs = 0.0, sumMs = 0.0;
    int worstFrame = 0;
    for (int i = 0; i < kNotes; ++i) {
        std::this_thread::sleep_for(std::chrono::microseconds(137 * (i % 37)));
        SynthCommand on;
        on.kind = SynthCommand::Kind::NoteOn;
        on.note = static_cast<Byte>(60 + i % 12);
        on.velocity = 100;
        ASSERT_TRUE(out.post(on));
        const auto posted = Clock::now();
        // Counted after the post: the cycle that follows is the first that
        // can have taken it.
        const std::uint64_t counted = tap.cycles();
        std::uint64_t sounded = 0;
        WaitFor(
            [&] {
                for (std::uint64_t n = counted + 1; n <= tap.cycles(); ++n)
                    if (tap.cycle(n).firstSound >= 0) {
                        sounded = n;
                        return true;
                    }
                return false;
            },
            2s);
        if (sounded == 0) {
            ++lost;
            continue;
        }
        if (sounded == counted + 1)
            ++inNext;
        else if (sounded == counted + 2)
            ++inSecond;
        const Cycle &c = tap.cycle(sounded);
        const double ms =
            static_cast<double>(
                c.startNs -
                std::chrono::duration_cast<std::chrono::nanoseconds>(posted.time_since_epoch()).count()) /
                1e6 +
            1000.0 * c.firstSound / rate;
        worstMs = std::max(worstMs, ms);
        sumMs += ms;
        worstFrame = std::max(worstFrame, c.firstSound);
        SynthCommand off;
        off.kind = SynthCommand::Kind::AllNotesOff;
        ASSERT_TRUE(out.post(off));
        // Silence again before the next note: a whole quiet cycle.
        WaitFor(
            [&] {
                const std::uint64_t n = tap.cycles();
                return n > sounded + 1 && tap.cycle(n).peak < kSoundFloor;
            },
            3s);
    }
    // THEN every note sounded, in the period that followed its post (the
    // one after that only when the post fell between the audio out's turn
    // and the tap's in the same cycle)
    std::printf(
        "note-on to sound over JACK at %u Hz, %u frames a period (%.2f ms): %d of %d notes in the next "
        "period, %d in the second; from post to the start of that period plus the first sounding "
        "frame: mean %.2f ms, worst %.2f ms; first sounding frame at most %d\n",
        rate, period, 1000.0 * period / rate, inNext, kNotes, inSecond, sumMs / (kNotes - lost), worstMs,
        worstFrame);
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(inNext + inSecond + lost, kNotes);
    EXPECT_GT(inNext, inSecond);
}

TEST_F(SoundOverJack, AnUnknownApiOrDeviceIsAProblemNotAThrow) {
    AudioOut out;
    AudioOptions options;
    options.api = "nosuch";
    EXPECT_FALSE(out.open(options));
    EXPECT_NE(out.problem().find("nosuch"), std::string::npos) << out.problem();
    options.api = "jack";
    options.device = "no device of this name";
    EXPECT_FALSE(out.open(options));
    EXPECT_NE(out.problem().find("no device of this name"), std::string::npos) << out.problem();
    EXPECT_FALSE(out.isOpen());
    SynthCommand on;
    on.kind = SynthCommand::Kind::NoteOn;
    EXPECT_FALSE(out.post(on)) << "nothing open takes nothing";
    // The JACK server's playback ports are a device of their own.
    const auto names = AudioOutputNames("jack");
    EXPECT_NE(std::find(names.begin(), names.end(), "system"), names.end());
}

} // namespace
} // namespace vox::e2e
