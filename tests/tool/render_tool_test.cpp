// GIVEN / WHEN / THEN tests of voxmere-tool render, run as a user or a
// script would run it: the WAV files it writes, read back with libsndfile
// and looked at through an FFT, its messages and its exit status.
#include "tool_runner.h"

#include "voice/voice.h"
#include "voice/voice_layout.h"

#include <fftw3.h>
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using vox::Byte;

constexpr int kRate = 48000;
constexpr double kTail = 1.0; // seconds of release after the note off

using vox::test::ToolResult;

constexpr auto &Data = vox::test::TestDataPath;

// What libsndfile reads back from a rendered file.
struct Wav {
    bool ok = false;
    std::string error;
    SF_INFO info{};
    std::vector<double> samples; // -1..1
};

Wav ReadWav(const fs::path &file) {
    Wav wav;
    SNDFILE *sf = sf_open(file.c_str(), SFM_READ, &wav.info);
    if (!sf) {
        wav.error = "libsndfile cannot read " + file.string() + ": " + sf_strerror(nullptr);
        return wav;
    }
    wav.samples.resize(static_cast<std::size_t>(wav.info.frames * wav.info.channels));
    const sf_count_t got = sf_readf_double(sf, wav.samples.data(), wav.info.frames);
    sf_close(sf);
    wav.ok = got == wav.info.frames;
    if (!wav.ok) wav.error = "short read of " + file.string();
    return wav;
}

double Rms(const std::vector<double> &s, std::size_t from, std::size_t to) {
    double sum = 0;
    for (std::size_t i = from; i < to; ++i)
        sum += s[i] * s[i];
    return std::sqrt(sum / static_cast<double>(to - from));
}

// The magnitude spectrum of samples [from, from + n), Hann windowed; bin k
// is k * kRate / n Hz.
std::vector<double> Spectrum(const std::vector<double> &s, std::size_t from, std::size_t n) {
    std::vector<double> in(n);
    for (std::size_t i = 0; i < n; ++i)
        in[i] =
            s[from + i] * (0.5 - 0.5 * std::cos(2 * M_PI * static_cast<double>(i) / static_cast<double>(n)));
    fftw_complex *out = fftw_alloc_complex(n / 2 + 1);
    fftw_plan plan = fftw_plan_dft_r2c_1d(static_cast<int>(n), in.data(), out, FFTW_ESTIMATE);
    fftw_execute(plan);
    std::vector<double> magnitude(n / 2 + 1);
    for (std::size_t k = 0; k < magnitude.size(); ++k)
        magnitude[k] = std::hypot(out[k][0], out[k][1]);
    fftw_destroy_plan(plan);
    fftw_free(out);
    return magnitude;
}

// The strongest frequency, refined between bins by a parabola through the
// peak and its neighbours.
double PeakFrequency(const std::vector<double> &magnitude, std::size_t n) {
    std::size_t peak = 1;
    for (std::size_t k = 1; k + 1 < magnitude.size(); ++k)
        if (magnitude[k] > magnitude[peak]) peak = k;
    const double a = magnitude[peak - 1], b = magnitude[peak], c = magnitude[peak + 1];
    const double shift = (a - c) / (2 * (a - 2 * b + c));
    return (static_cast<double>(peak) + shift) * kRate / static_cast<double>(n);
}

// The fundamental of a harmonic sound: its lowest partial, the lowest
// local maximum of the spectrum within 20 dB of the strongest.
double Fundamental(const std::vector<double> &magnitude, std::size_t n) {
    const double strongest = *std::max_element(magnitude.begin() + 1, magnitude.end());
    for (std::size_t k = 2; k + 1 < magnitude.size(); ++k) {
        const double a = magnitude[k - 1], b = magnitude[k], c = magnitude[k + 1];
        if (b >= 0.1 * strongest && b >= a && b >= c) {
            const double shift = (a - c) / (2 * (a - 2 * b + c));
            return (static_cast<double>(k) + shift) * kRate / static_cast<double>(n);
        }
    }
    return 0;
}

double NoteHz(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

// One voice as a single-voice dump: operator 1 alone at ratio 1.00, full
// level and a flat envelope, every other operator silent: a sine at the
// note's pitch.
std::vector<Byte> SineVoiceDump() {
    std::vector<Byte> dump(vox::kImageSize, 0);
    std::copy(vox::kVoiceHeader.begin(), vox::kVoiceHeader.end(), dump.begin());
    auto set = [&](int parameter, int value) { dump[vox::ParamPos(parameter)] = static_cast<Byte>(value); };
    for (int op = 1; op <= vox::kOperatorCount; ++op) {
        for (auto k : {vox::OpParam::Rate1, vox::OpParam::Rate2, vox::OpParam::Rate3, vox::OpParam::Rate4})
            set(vox::OpParamNumber(op, k), 99);
        for (auto k : {vox::OpParam::Level1, vox::OpParam::Level2, vox::OpParam::Level3})
            set(vox::OpParamNumber(op, k), 99);
        set(vox::OpParamNumber(op, vox::OpParam::FreqCoarse), 1);
        set(vox::OpParamNumber(op, vox::OpParam::Detune), 7);
        set(vox::OpParamNumber(op, vox::OpParam::OutputLevel), op == 1 ? 99 : 0);
    }
    for (int i = 0; i < 4; ++i) {
        set(vox::param::PitchRate1 + i, 99);
        set(vox::param::PitchLevel1 + i, 50);
    }
    set(vox::param::Algorithm, 0); // algorithm 1: operator 1 a carrier, operator 2 (silent) its modulator
    set(vox::param::LfoSpeed, 35);
    set(vox::param::Transpose, 24);
    const std::string name = "SINE      ";
    for (std::size_t i = 0; i < vox::kNameLength; ++i)
        dump[vox::kNamePos + i] = static_cast<Byte>(name[i]);
    dump[vox::kChecksumPos] =
        vox::ChecksumOf(std::span<const Byte>(dump).subspan(vox::kParamBase, vox::kParamCount));
    dump[vox::kEndPos] = vox::kSysExEnd;
    return dump;
}

class RenderToolTest : public ::testing::Test {
protected:
    ToolResult run(const std::vector<std::string> &args) { return vox::test::RunTool(args, captured); }

    // Every name in `dir`, sorted.
    static std::vector<std::string> Names(const fs::path &dir) {
        std::vector<std::string> names;
        for (const auto &entry : fs::directory_iterator(dir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path writeSineVoice() {
        const fs::path file = folder / "sine.syx";
        const std::vector<Byte> dump = SineVoiceDump();
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char *>(dump.data()), static_cast<std::streamsize>(dump.size()));
        if (!out) throw std::runtime_error("cannot write the test file " + file.string());
        return file;
    }

    vox::test::ScratchFolder scratch{"render"};
    vox::test::ScratchFolder captureScratch{"render-io"};
    fs::path folder = scratch.path();
    fs::path captured = captureScratch.path();
};

// --- One voice into one file ----------------------------------------------------

TEST_F(RenderToolTest, RendersTheHeldNoteAndItsReleaseAsA48kHzMonoWav) {
    // GIVEN the factory bank, voice 1 "BRASS   1 "
    const std::string wav = (folder / "brass.wav").string();
    // WHEN it is rendered with the defaults but a one-second hold
    const ToolResult r = run({"render", Data("rom1a.syx"), "--seconds", "1", wav});
    // THEN the tool says what it wrote
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(
        r.out,
        "wrote " + wav +
            ": \"BRASS   1 \", note 60, velocity 100, 1 s held + 1 s release, 96000 frames at 48000 Hz\n");
    // AND libsndfile reads a 16-bit mono WAV at 48 kHz of (held + tail) seconds
    const Wav w = ReadWav(wav);
    ASSERT_TRUE(w.ok) << w.error;
    EXPECT_EQ(w.info.samplerate, kRate);
    EXPECT_EQ(w.info.channels, 1);
    EXPECT_EQ(w.info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    EXPECT_EQ(w.info.frames, static_cast<sf_count_t>((1 + kTail) * kRate));
    // AND the note sounds while it is held
    EXPECT_GT(Rms(w.samples, kRate / 10, kRate), 0.01) << "silent while the key is down";
    // AND one note is written near full scale without clipping: the room the
    // engine keeps for 16 notes is given back
    double peak = 0;
    for (double v : w.samples)
        peak = std::max(peak, std::abs(v));
    EXPECT_GT(peak, 0.1);
    EXPECT_LT(peak, 32767.0 / 32768.0);
    // AND the file ends in silence, not with a click
    EXPECT_NEAR(w.samples.back(), 0.0, 1e-3);
    // AND only the WAV is left in the folder, no temporary file
    EXPECT_EQ(Names(folder), std::vector<std::string>{"brass.wav"});
}

TEST_F(RenderToolTest, TheSameInputGivesTheSameBytes) {
    // GIVEN two renders of the same voice, note and velocity
    const fs::path a = folder / "a.wav", b = folder / "b.wav";
    const std::vector<std::string> how{"render", Data("rom1a.syx"), "--voice", "11",        "--note",
                                       "64",     "--velocity",      "90",      "--seconds", "0.5"};
    std::vector<std::string> first = how, second = how;
    first.push_back(a.string());
    second.push_back(b.string());
    ASSERT_EQ(run(first).status, 0);
    ASSERT_EQ(run(second).status, 0);
    // THEN the files are byte for byte the same
    const std::string bytesA = vox::test::ReadFileText(a), bytesB = vox::test::ReadFileText(b);
    EXPECT_EQ(bytesA.size(), 44u + 2u * static_cast<std::size_t>((0.5 + kTail) * kRate));
    EXPECT_TRUE(bytesA == bytesB) << "two renders differ";
    // AND a different velocity gives different sound
    std::vector<std::string> softer = how;
    softer[7] = "30";
    softer.push_back((folder / "c.wav").string());
    ASSERT_EQ(run(softer).status, 0);
    EXPECT_FALSE(vox::test::ReadFileText(folder / "c.wav") == bytesA) << "--velocity is not heard";
}

TEST_F(RenderToolTest, ANoteAnOctaveUpSoundsAtTwiceTheFrequency) {
    // GIVEN a sine voice in a single-voice file (no --voice needed)
    const fs::path sine = writeSineVoice();
    constexpr std::size_t n = 1 << 15;
    for (int note : {60, 72, 69}) {
        SCOPED_TRACE("note " + std::to_string(note));
        // WHEN it is rendered at the note
        const fs::path wav = folder / ("sine" + std::to_string(note) + ".wav");
        const ToolResult r = run({"render", sine.string(), "--note", std::to_string(note), wav.string()});
        ASSERT_EQ(r.status, 0) << r.err;
        const Wav w = ReadWav(wav);
        ASSERT_TRUE(w.ok) << w.error;
        // THEN its spectrum peaks at the note's frequency
        const double f = PeakFrequency(Spectrum(w.samples, kRate / 4, n), n);
        EXPECT_NEAR(f, NoteHz(note), NoteHz(note) * 0.002);
    }

    // GIVEN the factory bank's "BRASS   1 ", rendered an octave apart
    double fundamental[2] = {};
    for (int i = 0; i < 2; ++i) {
        const fs::path wav = folder / ("brass" + std::to_string(i) + ".wav");
        const ToolResult r = run({"render", Data("rom1a.syx"), "--note", i == 0 ? "48" : "60", wav.string()});
        ASSERT_EQ(r.status, 0) << r.err;
        const Wav w = ReadWav(wav);
        ASSERT_TRUE(w.ok) << w.error;
        fundamental[i] = Fundamental(Spectrum(w.samples, kRate / 2, n), n);
    }
    // THEN its fundamental, half the note's frequency (its carrier,
    // operator 1, runs at ratio 0.50), doubles
    EXPECT_NEAR(fundamental[0], NoteHz(48) / 2, NoteHz(48) * 0.01);
    EXPECT_NEAR(fundamental[1] / fundamental[0], 2.0, 0.04);
}

// --- Every voice of a bank into a folder -----------------------------------------

TEST_F(RenderToolTest, AllWritesEveryVoiceOfTheBankAsNumberAndName) {
    // GIVEN a folder that already holds a file of the user's and a stale
    // render of voice 1
    const fs::path dir = folder / "rom1a";
    fs::create_directories(dir);
    { std::ofstream(dir / "notes.txt") << "mine"; }
    { std::ofstream(dir / "01 BRASS   1.wav") << "stale"; }
    // WHEN every voice of the factory bank is rendered into it
    const ToolResult r = run({"render", Data("rom1a.syx"), "--all", dir.string(), "--seconds", "0.1"});
    ASSERT_EQ(r.status, 0) << r.err;
    // THEN there is one file per voice, "NN name.wav", beside the user's file
    const std::vector<std::string> names = Names(dir);
    ASSERT_EQ(names.size(), 33u);
    EXPECT_EQ(names.front(), "01 BRASS   1.wav");
    EXPECT_EQ(names[3], "04 STRINGS 1.wav");
    EXPECT_EQ(names[31], "32 TAKE OFF.wav");
    EXPECT_EQ(names.back(), "notes.txt");
    EXPECT_EQ(vox::test::ReadFileText(dir / "notes.txt"), "mine") << "another file was touched";
    // AND a line for each
    std::istringstream lines(r.out);
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        ASSERT_LT(count, 32) << line;
        EXPECT_EQ(line.rfind("wrote " + (dir / names[static_cast<std::size_t>(count)]).string() + ": \"", 0),
                  0u)
            << line;
        ++count;
    }
    EXPECT_EQ(count, 32);
    // AND each is a whole render, the stale one replaced
    for (std::size_t i = 0; i < 32; ++i) {
        const Wav w = ReadWav(dir / names[i]);
        ASSERT_TRUE(w.ok) << w.error;
        EXPECT_EQ(w.info.frames, static_cast<sf_count_t>((0.1 + kTail) * kRate)) << names[i];
    }
    // AND a file of one voice gives one file, numbered 01
    const fs::path one = folder / "one";
    ASSERT_EQ(run({"render", Data("single-voice.syx"), "--all", one.string(), "--seconds", "0"}).status, 0);
    const std::vector<std::string> single = Names(one);
    ASSERT_EQ(single.size(), 1u);
    EXPECT_EQ(single[0].substr(0, 3), "01 ");
    EXPECT_TRUE(ReadWav(one / single[0]).ok);
}

TEST_F(RenderToolTest, AllMakesNamesSafeForFiles) {
    // GIVEN a bank whose names hold control bytes, into a folder not yet made
    const fs::path dir = folder / "new" / "folder";
    // WHEN it is rendered with --all
    const ToolResult r =
        run({"render", Data("control-chars-in-names.syx"), "--all", dir.string(), "--seconds", "0"});
    ASSERT_EQ(r.status, 0) << r.err;
    // THEN the folder is made and holds 32 files, numbered, of printable
    // characters only, none a path separator
    const std::vector<std::string> names = Names(dir);
    ASSERT_EQ(names.size(), 32u);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string &name = names[i];
        const std::string number = (i < 9 ? "0" : "") + std::to_string(i + 1);
        EXPECT_EQ(name.substr(0, 2), number) << name;
        EXPECT_EQ(name.substr(name.size() - 4), ".wav");
        for (char c : name)
            EXPECT_TRUE(c >= 0x20 && c < 0x7F && c != '/' && c != '\\') << name;
    }
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 32);
}

// --- Failures ----------------------------------------------------------------------

TEST_F(RenderToolTest, AFailedRenderSaysWhyAndLeavesNoFile) {
    const std::string wav = (folder / "x.wav").string();
    const std::string rom = Data("rom1a.syx");
    // A voice the bank does not hold says how many it holds.
    ToolResult r = run({"render", rom, "--voice", "33", wav});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "voxmere-tool render: " + rom + ": --voice 33 is out of range: the bank holds 32 voices\n");
    r = run({"render", rom, "--voice", "0", wav});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("--voice 0 is out of range: the bank holds 32 voices"), std::string::npos) << r.err;
    r = run({"render", Data("single-voice.syx"), "--voice", "2", wav});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "voxmere-tool render: " + Data("single-voice.syx") +
                         " holds one voice; --voice 2 does not exist\n");
    // A bank the file does not hold says how many it holds.
    r = run({"render", rom, "--bank", "2", wav});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "voxmere-tool render: " + rom + ": --bank 2 is out of range: the file holds 1 bank\n");
    // A missing file, and files the readers refuse, give the readers' reasons.
    const std::string missing = (folder / "missing.syx").string();
    r = run({"render", missing, wav});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "voxmere-tool render: " + missing + ": no such file\n");
    r = run({"render", Data("truncated-520.syx"), wav});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(Data("truncated-520.syx") + ": too short (520 bytes, 4102 needed)"),
              std::string::npos)
        << r.err;
    r = run({"render", Data("four-operator-bank-not-dx7.syx"), "--all", (folder / "all").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("voxmere-tool render: " + Data("four-operator-bank-not-dx7.syx") + ": "),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("four-operator"), std::string::npos) << r.err;
    // Options out of range, and no output named.
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"render", rom, "--note", "128", wav},
          {"render", rom, "--velocity", "0", wav},
          {"render", rom, "--seconds", "-1", wav},
          {"render", rom, "--seconds", "61", wav},
          {"render", rom, "--bank", "0", wav},
          {"render", rom, wav, "--all", (folder / "all").string()},
          {"render", rom, "--voice", "2", "--all", (folder / "all").string()}}) {
        r = run(args);
        EXPECT_NE(r.status, 0) << args[2];
        EXPECT_FALSE(r.err.empty()) << args[2];
    }
    r = run({"render", rom});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "voxmere-tool render: name the WAV file to write, or a folder with --all DIR\n");
    // A folder that cannot be written names the file.
    const std::string nowhere = (folder / "no-such-folder" / "x.wav").string();
    r = run({"render", rom, nowhere});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("voxmere-tool render: " + nowhere + ": cannot write in ", 0), 0u) << r.err;
    // Nothing was written by any of them.
    EXPECT_TRUE(Names(folder).empty());
    EXPECT_TRUE(r.out.empty());
}

TEST_F(RenderToolTest, AFailedRenderLeavesTheFileItWouldHaveReplaced) {
    // GIVEN a WAV file the user already has
    const fs::path wav = folder / "keep.wav";
    { std::ofstream(wav) << "the user's"; }
    // WHEN a render onto it fails, and one onto a folder fails
    EXPECT_EQ(run({"render", Data("rom1a.syx"), "--voice", "40", wav.string()}).status, 1);
    fs::create_directory(folder / "dir.wav");
    const ToolResult r = run({"render", Data("rom1a.syx"), (folder / "dir.wav").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "voxmere-tool render: " + (folder / "dir.wav").string() + ": is a folder\n");
    // THEN the file is as it was and nothing else appeared
    EXPECT_EQ(vox::test::ReadFileText(wav), "the user's");
    EXPECT_EQ(Names(folder), (std::vector<std::string>{"dir.wav", "keep.wav"}));
    EXPECT_TRUE(fs::is_empty(folder / "dir.wav"));
}

TEST_F(RenderToolTest, TheHelpNamesRenderAndItsOptions) {
    ToolResult r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("render"), std::string::npos) << r.out;
    r = run({"render", "--help"});
    EXPECT_EQ(r.status, 0);
    for (const char *words :
         {"--all", "--voice", "--bank", "--note", "--velocity", "--seconds", "48000 Hz", "1 s of release"})
        EXPECT_NE(r.out.find(words), std::string::npos) << words << " in\n" << r.out;
}

} // namespace
