#include "app/sound_setup.h"

#include <algorithm>

namespace vox {
namespace {

constexpr const char *kEntrySeparator = ": ";

} // namespace

std::string AudioOutputEntry(const std::string &api, const std::string &device) {
    return api + kEntrySeparator + device;
}

bool ParseAudioOutputEntry(const std::string &entry, std::string &api, std::string &device) {
    const std::size_t at = entry.find(kEntrySeparator);
    if (at == std::string::npos || at == 0) return false;
    api = entry.substr(0, at);
    device = entry.substr(at + 2);
    return !device.empty();
}

SoundWiring::SoundWiring(VirtualDx7 &dx7, const AudioOptions &options, bool fallback)
    : dx7_(dx7), sound_([this](const SynthCommand &command) { audio_.post(command); }) {
    if (!audio_.open(options) && fallback) {
        AudioOptions defaults = options;
        defaults.api.clear();
        defaults.device.clear();
        audio_.open(defaults);
    }
    if (!audio_.isOpen()) problems_.push_back(audio_.problem() + ": the virtual DX7 stays silent");
    // The sound starts from the voice the instrument holds now, and from
    // here on hears what it takes, on this thread.
    resendVoice();
    dx7.setEventSink([this](const Dx7Event &event) { sound_.hear(event); });
}

SoundWiring::~SoundWiring() { dx7_.setEventSink({}); }

void SoundWiring::resendVoice() { sound_.playVoice(dx7_.editParams(), dx7_.operatorSwitches()); }

std::vector<std::string> SoundWiring::outputChoices() const {
    std::vector<std::string> entries;
    for (const auto &api : AudioApiNames())
        for (const auto &device : AudioOutputNames(api))
            entries.push_back(AudioOutputEntry(api, device));
    // A device this program holds open may not answer the probe.
    const std::string now = currentOutput();
    if (!now.empty() && std::find(entries.begin(), entries.end(), now) == entries.end())
        entries.insert(entries.begin(), now);
    return entries;
}

std::string SoundWiring::currentOutput() const {
    return audio_.isOpen() ? AudioOutputEntry(audio_.api(), audio_.device()) : std::string{};
}

bool SoundWiring::chooseOutput(const std::string &entry) {
    AudioOptions wanted;
    if (!ParseAudioOutputEntry(entry, wanted.api, wanted.device)) return false;
    AudioOptions before;
    const bool wasOpen = audio_.isOpen();
    before.api = audio_.api();
    before.device = audio_.device();
    // The device's exact name, so that a name holding another's cannot
    // take that other one.
    const auto names = AudioOutputNames(wanted.api);
    if (wasOpen && entry == currentOutput()) return true;
    if (std::find(names.begin(), names.end(), wanted.device) == names.end()) return false;
    const bool opened = audio_.open(wanted);
    if (!opened && wasOpen) audio_.open(before);
    // A new stream has a new engine: it gets the voice being played.
    if (audio_.isOpen()) resendVoice();
    return opened;
}

MidiMenuModel::Choices
AudioOutputChoices(SoundWiring &sound, std::function<void(const std::string &, const std::string &)> chosen) {
    MidiMenuModel::Choices choices;
    choices.list = [&sound] { return sound.outputChoices(); };
    choices.current = [&sound] { return sound.currentOutput(); };
    choices.choose = [&sound, chosen](const std::string &entry) {
        if (!sound.chooseOutput(entry)) return false;
        if (chosen) chosen(sound.audio().api(), sound.audio().device());
        return true;
    };
    return choices;
}

} // namespace vox
