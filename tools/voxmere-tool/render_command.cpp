// render FILE [--bank N] [--voice N] [--note N] [--velocity N] [--seconds S] (OUT.wav | --all DIR):
// one voice (or every voice of a bank) played by the engine the virtual DX7
// sounds with, written as WAV files.
//
// What a file holds, so that the same input always gives the same bytes:
// 48000 Hz, mono, 16-bit PCM. The note is held for S seconds, released, and
// the file goes on for kReleaseSeconds more; the last kFadeSeconds of that
// fade to silence, so a voice whose release is longer than the tail ends
// without a click. No dither: the samples are the engine's, at its own level,
// and rounded.
#include "commands.h"

#include "catalog_output.h"
#include "synth/fm_engine.h"
#include "voice_input.h"

#include <sndfile.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

namespace voxtool {
namespace {

namespace fs = std::filesystem;

constexpr int kSampleRate = 48000;
// After the note off. Fixed, so that the length of a file depends only on
// --seconds: one second holds the release of most voices, and a longer one
// is cut by the fade below rather than by a click.
constexpr double kReleaseSeconds = 1.0;
constexpr double kFadeSeconds = 0.01;
constexpr double kMaxSeconds = 60.0;
// Notes are played in blocks of this many frames, as an audio period would
// ask for them; a fixed size keeps the output the same on every run.
constexpr std::size_t kBlockFrames = 64;
constexpr int kAllOperatorsOn = 0x3F;
// The engine's own level, no normalising: the voices of a bank keep their
// relative levels.

struct RenderOptions {
    std::string file;
    std::string out;
    std::string all;
    int bank = 1;
    int voice = 1;
    int note = 60;
    int velocity = 100;
    double seconds = 2.0;
};

struct Render {
    int note = 60;
    int velocity = 100;
    double seconds = 2.0;
};

std::size_t FramesOf(double seconds) { return static_cast<std::size_t>(std::llround(seconds * kSampleRate)); }

vox::VoiceParams ParamsOf(const vox::VoiceRecord &record) {
    vox::VoiceParams params{};
    std::copy_n(record.begin() + static_cast<std::ptrdiff_t>(vox::kParamBase), vox::kParamCount,
                params.begin());
    return params;
}

std::array<vox::Byte, vox::kNameLength> NameBytesOf(const vox::VoiceRecord &record) {
    std::array<vox::Byte, vox::kNameLength> name{};
    std::copy_n(record.begin() + static_cast<std::ptrdiff_t>(vox::kNamePos), vox::kNameLength, name.begin());
    return name;
}

// The note held, released and its tail, as 16-bit samples.
std::vector<short> RenderNote(const vox::VoiceRecord &record, const Render &render) {
    vox::FmEngine engine(kSampleRate);
    const vox::VoiceParams params = ParamsOf(record);
    engine.setVoice(params);
    engine.setParameter(static_cast<int>(vox::kParamCount), kAllOperatorsOn);

    const std::size_t held = FramesOf(render.seconds);
    const std::size_t total = held + FramesOf(kReleaseSeconds);
    std::vector<float> samples(total);
    engine.noteOn(render.note, render.velocity);
    for (std::size_t at = 0; at < total;) {
        if (at == held) engine.noteOff(render.note);
        const std::size_t end =
            at < held ? std::min(held, at + kBlockFrames) : std::min(total, at + kBlockFrames);
        engine.render(samples.data() + at, end - at);
        at = end;
    }

    const std::size_t fade = std::min(total, FramesOf(kFadeSeconds));
    for (std::size_t i = 0; i < fade; ++i)
        samples[total - 1 - i] *= static_cast<float>(i) / static_cast<float>(fade);

    std::vector<short> pcm(total);
    for (std::size_t i = 0; i < total; ++i) {
        const float s = std::clamp(samples[i], -1.0f, 1.0f);
        pcm[i] = static_cast<short>(std::lrint(s * 32767.0f));
    }
    return pcm;
}

// A scratch file beside `out`, made for this run only (never one of the
// user's files), so that `out` appears only once it is whole.
struct Scratch {
    fs::path path;
    int fd = -1;
};

Scratch OpenScratchBeside(const fs::path &out, std::string &error) {
    const fs::path folder = out.has_parent_path() ? out.parent_path() : fs::path(".");
    for (int n = 0; n < 100; ++n) {
        const fs::path path = folder / ("." + out.filename().string() + ".part-" + std::to_string(getpid()) +
                                        "-" + std::to_string(n));
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return {path, fd};
        if (errno != EEXIST) {
            error = out.string() + ": cannot write in " + folder.string() + " (" + std::strerror(errno) + ")";
            return {};
        }
    }
    error = out.string() + ": cannot make a temporary file in " + folder.string();
    return {};
}

// Writes `pcm` to `out` (replacing a file of that name); empty, or why not.
std::string WriteWav(const fs::path &out, const std::vector<short> &pcm) {
    std::error_code ec;
    if (fs::is_directory(out, ec)) return out.string() + ": is a folder";
    std::string error;
    Scratch scratch = OpenScratchBeside(out, error);
    if (scratch.fd < 0) return error;

    SF_INFO info{};
    info.samplerate = kSampleRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE *file = sf_open_fd(scratch.fd, SFM_WRITE, &info, SF_TRUE);
    if (!file) {
        error = out.string() + ": cannot write the WAV file (" + sf_strerror(nullptr) + ")";
        ::close(scratch.fd);
        fs::remove(scratch.path, ec);
        return error;
    }
    const auto frames = static_cast<sf_count_t>(pcm.size());
    const bool written = sf_writef_short(file, pcm.data(), frames) == frames;
    if (!written) error = out.string() + ": cannot write the WAV file (" + sf_strerror(file) + ")";
    if (sf_close(file) != 0 && error.empty()) error = out.string() + ": cannot write the WAV file";
    if (error.empty()) {
        fs::rename(scratch.path, out, ec);
        if (ec) error = out.string() + ": cannot write (" + ec.message() + ")";
    }
    if (!error.empty()) fs::remove(scratch.path, ec);
    return error;
}

std::string SecondsText(double seconds) {
    std::ostringstream text;
    text << seconds;
    return text.str();
}

// wrote OUT: "BRASS   1 ", note 60, velocity 100, 2 s held + 1 s release, 144000 frames at 48000 Hz
std::string WroteLine(const fs::path &out, const vox::VoiceRecord &record, const Render &render,
                      std::size_t frames) {
    return "wrote " + out.string() + ": \"" + PrintableName(NameBytesOf(record)) + "\", note " +
           std::to_string(render.note) + ", velocity " + std::to_string(render.velocity) + ", " +
           SecondsText(render.seconds) + " s held + " + SecondsText(kReleaseSeconds) + " s release, " +
           std::to_string(frames) + " frames at " + std::to_string(kSampleRate) + " Hz";
}

// "NN name.wav": the voice's number in two digits and its name, trimmed of
// spaces at both ends. Printable ASCII stays except the characters some
// file systems refuse (/ \ : * ? " < > |); every other byte becomes "_".
std::string RenderFileName(int number, const std::array<vox::Byte, vox::kNameLength> &name) {
    std::string safe;
    for (vox::Byte b : name) {
        const bool printable = b >= 0x20 && b < 0x7F;
        safe.push_back(printable && !std::strchr("/\\:*?\"<>|", b) ? static_cast<char>(b) : '_');
    }
    const std::size_t first = safe.find_first_not_of(' ');
    safe = first == std::string::npos ? std::string()
                                      : safe.substr(first, safe.find_last_not_of(' ') - first + 1);
    std::string file = (number < 10 ? "0" : "") + std::to_string(number);
    if (!safe.empty()) file += " " + safe;
    return file + ".wav";
}

} // namespace

void AddRenderCommand(CLI::App &app, ToolRun &run) {
    auto options = std::make_shared<RenderOptions>();
    CLI::App *render = app.add_subcommand(
        "render", "Play one voice on the virtual DX7's FM engine and write it as a WAV file "
                  "(48000 Hz, mono, 16-bit): the note held for --seconds, then 1 s of release whose last "
                  "10 ms fade out. The same input always gives the same bytes");
    render->add_option("FILE", options->file, "a .v32, .syx, .dx7, .32, .v01 or .mid file")->required();
    CLI::Option *out =
        render->add_option("OUT", options->out, "the .wav file to write (replaced if it exists)");
    CLI::Option *all = render->add_option("--all", options->all,
                                          "write every voice of the file into folder DIR as \"NN name.wav\" "
                                          "(replaces files of those names, removes nothing)");
    all->option_text("DIR");
    out->excludes(all);
    render->add_option("--voice", options->voice, "voice N (1..32) of a bank; default 1")->excludes(all);
    CLI::Option *bank =
        render->add_option("--bank", options->bank, "bank N (from 1) of a file that holds several; default 1")
            ->check(CLI::PositiveNumber);
    render->add_option("--note", options->note, "MIDI note 0..127; default 60 (middle C, C3 on the DX7)")
        ->check(CLI::Range(0, 127));
    render->add_option("--velocity", options->velocity, "key velocity 1..127; default 100")
        ->check(CLI::Range(1, 127));
    render->add_option("--seconds", options->seconds, "how long the note is held, 0..60; default 2")
        ->check(CLI::Range(0.0, kMaxSeconds));

    render->callback([options, bank, all, &run] {
        auto fail = [&run](const std::string &message) {
            run.err << "voxmere-tool render: " << message << '\n';
            run.status = 1;
        };
        if (all->count() == 0 && options->out.empty()) {
            fail("name the WAV file to write, or a folder with --all DIR");
            return;
        }
        const VoicesRead read =
            ReadVoices(options->file, bank->count() > 0 ? std::optional<int>(options->bank) : std::nullopt);
        if (!read.error.empty()) {
            fail(read.error);
            return;
        }
        const vox::LoadedVoices &input = read.voices;
        const Render how{options->note, options->velocity, options->seconds};

        if (all->count() > 0) {
            const fs::path folder = options->all;
            std::error_code ec;
            fs::create_directories(folder, ec);
            if (!fs::is_directory(folder, ec)) {
                fail(folder.string() + ": cannot make this folder" + (ec ? " (" + ec.message() + ")" : ""));
                return;
            }
            const int count = input.isBank ? static_cast<int>(vox::kBankSlots) : 1;
            for (int number = 1; number <= count; ++number) {
                const vox::VoiceRecord &record = VoiceOf(input, number);
                const fs::path file = folder / RenderFileName(number, NameBytesOf(record));
                const std::vector<short> pcm = RenderNote(record, how);
                if (const std::string error = WriteWav(file, pcm); !error.empty()) {
                    fail(error);
                    return;
                }
                run.out << WroteLine(file, record, how, pcm.size()) << '\n';
            }
            return;
        }

        if (const std::string error = VoiceNumberError(input, options->file, options->voice, "--voice ");
            !error.empty()) {
            fail(error);
            return;
        }
        const vox::VoiceRecord &record = VoiceOf(input, options->voice);
        const std::vector<short> pcm = RenderNote(record, how);
        if (const std::string error = WriteWav(options->out, pcm); !error.empty()) {
            fail(error);
            return;
        }
        run.out << WroteLine(options->out, record, how, pcm.size()) << '\n';
    });
}

} // namespace voxtool
