#include "synth/audio_out.h"

#include <alsa/asoundlib.h>
#include <rtaudio/RtAudio.h>

#include <algorithm>
#include <atomic>
#include <optional>

namespace vox {
namespace {

// The JACK client's name, so that the user finds the port in a patchbay.
constexpr const char *kClientName = "voxmere";
// Frames rendered at a time when the device's period is longer than this;
// the scratch buffer is allocated once at open, never on the audio thread.
constexpr std::size_t kScratchFrames = 4096;

// ALSA's library prints every failed probe (a machine without a sound card
// gets eight lines for "default"); the program says once itself what it
// could not open.
void QuietAlsa(const char *, int, const char *, int, const char *, ...) {}

std::vector<RtAudio::Api> CompiledApis() {
    static const bool quiet = [] {
        snd_lib_error_set_handler(&QuietAlsa);
        return true;
    }();
    (void)quiet;
    std::vector<RtAudio::Api> apis;
    RtAudio::getCompiledApi(apis);
    // Only the APIs this program offers; RtAudio's dummy API sounds nothing.
    std::erase_if(apis, [](RtAudio::Api a) {
        return a != RtAudio::UNIX_JACK && a != RtAudio::LINUX_PULSE && a != RtAudio::LINUX_ALSA;
    });
    return apis;
}

std::optional<RtAudio::Api> ApiByName(const std::string &name) {
    for (RtAudio::Api a : CompiledApis())
        if (RtAudio::getApiName(a) == name) return a;
    return std::nullopt;
}

struct OutputDevice {
    unsigned id = 0;
    RtAudio::DeviceInfo info;
};

// The devices of an API that can play. Probing a device that is busy or
// gone is a warning, not a reason to give up on the others.
std::vector<OutputDevice> OutputDevices(RtAudio &rt) {
    std::vector<OutputDevice> devices;
    const unsigned count = rt.getDeviceCount();
    for (unsigned id = 0; id < count; ++id) {
        try {
            RtAudio::DeviceInfo info = rt.getDeviceInfo(id);
            if (info.probed && info.outputChannels > 0) devices.push_back({id, std::move(info)});
        } catch (const RtAudioError &) {
        }
    }
    return devices;
}

// The exact name, or else the one device whose name holds `wanted`.
const OutputDevice *FindDevice(const std::vector<OutputDevice> &devices, const std::string &wanted) {
    for (const auto &d : devices)
        if (d.info.name == wanted) return &d;
    const OutputDevice *found = nullptr;
    for (const auto &d : devices)
        if (d.info.name.find(wanted) != std::string::npos) {
            if (found) return nullptr;
            found = &d;
        }
    return found;
}

const OutputDevice *DefaultDevice(RtAudio &rt, const std::vector<OutputDevice> &devices) {
    if (devices.empty()) return nullptr;
    unsigned id = 0;
    try {
        id = rt.getDefaultOutputDevice();
    } catch (const RtAudioError &) {
    }
    for (const auto &d : devices)
        if (d.id == id) return &d;
    for (const auto &d : devices)
        if (d.info.isDefaultOutput) return &d;
    return &devices.front();
}

unsigned RateFor(const RtAudio::DeviceInfo &info, unsigned wanted) {
    const auto &rates = info.sampleRates;
    if (rates.empty() || std::find(rates.begin(), rates.end(), wanted) != rates.end()) return wanted;
    if (info.preferredSampleRate != 0) return info.preferredSampleRate;
    return rates.back();
}

} // namespace

std::vector<std::string> AudioApiNames() {
    std::vector<std::string> names;
    for (RtAudio::Api a : CompiledApis())
        names.push_back(RtAudio::getApiName(a));
    return names;
}

std::vector<std::string> AudioOutputNames(const std::string &api) {
    std::vector<std::string> names;
    const auto a = ApiByName(api);
    if (!a) return names;
    try {
        RtAudio rt(*a);
        rt.showWarnings(false);
        for (const auto &d : OutputDevices(rt))
            names.push_back(d.info.name);
    } catch (const RtAudioError &) {
    }
    return names;
}

void RenderPeriod(SynthCommandQueue &queue, FmEngine &engine, float *out, std::size_t frames,
                  unsigned channels, std::span<float> scratch) {
    queue.drain([&engine](const SynthCommand &command) { ApplySynthCommand(engine, command); });
    if (channels == 1) {
        engine.render(out, frames);
        return;
    }
    std::size_t done = 0;
    while (done < frames) {
        const std::size_t n = std::min(frames - done, scratch.size());
        engine.render(scratch.data(), n);
        float *o = out + done * channels;
        for (std::size_t i = 0; i < n; ++i)
            for (unsigned c = 0; c < channels; ++c)
                *o++ = scratch[i];
        done += n;
    }
}

struct AudioOut::Stream {
    RtAudio rt;
    FmEngine engine;
    SynthCommandQueue queue;
    std::vector<float> scratch = std::vector<float>(kScratchFrames);
    std::string api, device;
    unsigned rate = 0, period = 0, channels = 0;
    std::atomic<std::uint64_t> periods{0};

    Stream(RtAudio::Api a, double sampleRate) : rt(a), engine(sampleRate) { rt.showWarnings(false); }

    static int Callback(void *output, void *, unsigned frames, double, RtAudioStreamStatus, void *user) {
        auto &s = *static_cast<Stream *>(user);
        RenderPeriod(s.queue, s.engine, static_cast<float *>(output), frames, s.channels, s.scratch);
        s.periods.fetch_add(1, std::memory_order_relaxed);
        return 0;
    }
};

AudioOut::AudioOut() = default;

AudioOut::~AudioOut() { close(); }

bool AudioOut::open(const AudioOptions &options) {
    close();
    problem_.clear();
    std::vector<RtAudio::Api> apis;
    if (options.api.empty()) {
        apis = CompiledApis();
    } else if (const auto a = ApiByName(options.api)) {
        apis.push_back(*a);
    } else {
        problem_ = "audio API \"" + options.api + "\" is not one of";
        for (const auto &name : AudioApiNames())
            problem_ += " " + name;
        return false;
    }
    std::vector<std::string> reasons;
    for (RtAudio::Api a : apis) {
        const std::string apiName = RtAudio::getApiName(a);
        try {
            auto stream = std::make_unique<Stream>(a, static_cast<double>(options.sampleRate));
            const std::vector<OutputDevice> devices = OutputDevices(stream->rt);
            const OutputDevice *device = options.device.empty() ? DefaultDevice(stream->rt, devices)
                                                                : FindDevice(devices, options.device);
            if (!device) {
                reasons.push_back(apiName + ": " +
                                  (devices.empty()
                                       ? std::string("no output device")
                                       : "no single output device named \"" + options.device + "\""));
                continue;
            }
            RtAudio::StreamParameters params;
            params.deviceId = device->id;
            params.nChannels = std::min(device->info.outputChannels, 2u);
            RtAudio::StreamOptions streamOptions;
            streamOptions.streamName = kClientName;
            unsigned frames = options.periodFrames;
            const unsigned rate = RateFor(device->info, options.sampleRate);
            stream->channels = params.nChannels;
            stream->rt.openStream(&params, nullptr, RTAUDIO_FLOAT32, rate, &frames, &Stream::Callback,
                                  stream.get(), &streamOptions);
            if (!stream->rt.isStreamOpen()) {
                reasons.push_back(apiName + ": " + device->info.name + " did not open");
                continue;
            }
            stream->rate = stream->rt.getStreamSampleRate();
            if (stream->rate == 0) stream->rate = rate;
            stream->period = frames;
            stream->api = apiName;
            stream->device = device->info.name;
            if (stream->rate != options.sampleRate) stream->engine.setSampleRate(stream->rate);
            stream->rt.startStream();
            stream_ = std::move(stream);
            return true;
        } catch (const RtAudioError &e) {
            reasons.push_back(apiName + ": " + e.what());
        } catch (const std::exception &e) {
            reasons.push_back(apiName + ": " + e.what());
        }
    }
    problem_ = "no audio output";
    if (!reasons.empty()) {
        problem_ += " (";
        for (std::size_t i = 0; i < reasons.size(); ++i)
            problem_ += (i ? "; " : "") + reasons[i];
        problem_ += ")";
    }
    return false;
}

void AudioOut::close() {
    if (!stream_) return;
    try {
        if (stream_->rt.isStreamRunning()) stream_->rt.stopStream();
        if (stream_->rt.isStreamOpen()) stream_->rt.closeStream();
    } catch (const RtAudioError &) {
        // Closing is all that is left to do; a device that went away
        // has nothing more to stop.
    }
    stream_.reset();
}

bool AudioOut::isOpen() const { return stream_ != nullptr; }

std::string AudioOut::api() const { return stream_ ? stream_->api : std::string{}; }

std::string AudioOut::device() const { return stream_ ? stream_->device : std::string{}; }

unsigned AudioOut::sampleRate() const { return stream_ ? stream_->rate : 0; }

unsigned AudioOut::periodFrames() const { return stream_ ? stream_->period : 0; }

unsigned AudioOut::channels() const { return stream_ ? stream_->channels : 0; }

std::uint64_t AudioOut::periodsRendered() const {
    return stream_ ? stream_->periods.load(std::memory_order_relaxed) : 0;
}

bool AudioOut::post(const SynthCommand &command) { return stream_ && stream_->queue.push(command); }

} // namespace vox
