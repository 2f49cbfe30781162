#pragma once
// The engine's sound on the machine's audio output, through RtAudio (ALSA,
// PulseAudio, JACK). The program's thread hands commands in through a
// lock-free queue; the audio callback applies them at the start of each
// period and renders, so a note sounds within one period of its note-on.
// No device is not an error: open() fails, says why, and the program stays
// silent.

#include "synth/command_queue.h"
#include "synth/fm_engine.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace vox {

struct AudioOptions {
    std::string api;    // "alsa", "pulse", "jack"; "" = the first that has an output
    std::string device; // output device name or a unique part of it; "" = the API's default
    unsigned sampleRate = 48000;
    unsigned periodFrames = 256;
};

// Compiled APIs by their short names, and the output devices of one.
std::vector<std::string> AudioApiNames();
std::vector<std::string> AudioOutputNames(const std::string &api);

// One period of the audio callback's work, apart from RtAudio so that a
// test can run it on a thread of its own: every queued command, then
// `frames` frames of `channels` interleaved channels (mono copied to each),
// rendered through `scratch` when there is more than one channel. Neither
// allocates nor locks.
void RenderPeriod(SynthCommandQueue &queue, FmEngine &engine, float *out, std::size_t frames,
                  unsigned channels, std::span<float> scratch);

class AudioOut {
public:
    AudioOut();
    ~AudioOut(); // closes the stream first
    AudioOut(const AudioOut &) = delete;
    AudioOut &operator=(const AudioOut &) = delete;

    // Opens and starts the stream; false (and problem() says why, in
    // English for the log) when no output could be opened.
    bool open(const AudioOptions &options);
    void close();
    bool isOpen() const;
    const std::string &problem() const { return problem_; }
    std::string api() const;
    std::string device() const;
    unsigned sampleRate() const;
    unsigned periodFrames() const;
    unsigned channels() const;
    // Periods the callback has rendered since open (any thread).
    std::uint64_t periodsRendered() const;

    // Program thread: queued for the next period (a full queue folds it in,
    // see SynthCommandQueue). False when nothing is open, or a note-on
    // found the queue full and was dropped.
    bool post(const SynthCommand &command);

private:
    struct Stream;
    std::unique_ptr<Stream> stream_;
    std::string problem_;
};

} // namespace vox
