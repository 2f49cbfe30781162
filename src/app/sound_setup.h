#pragma once
// The virtual DX7's sound: what the built-in instrument takes reaches its
// sound (Dx7Sound) as typed events, whose commands the audio out carries to
// the audio thread. Built on the program's thread; only the queue inside the
// audio out crosses to the audio thread.

#include "librarian/form1_view.h"
#include "midi/virtual_dx7.h"
#include "synth/audio_out.h"
#include "synth/dx7_sound.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vox {

class SoundWiring {
public:
    // Hooks the instrument and opens the output `options` name; when that
    // fails and `fallback` is set, the API's default output is tried
    // without a word (a remembered device that is gone).
    SoundWiring(VirtualDx7 &dx7, const AudioOptions &options, bool fallback = false);
    ~SoundWiring(); // unhooks the instrument
    SoundWiring(const SoundWiring &) = delete;
    SoundWiring &operator=(const SoundWiring &) = delete;

    AudioOut &audio() { return audio_; }
    const AudioOut &audio() const { return audio_; }
    Dx7Sound &sound() { return sound_; }
    // English, one line each, for stderr: why nothing sounds.
    const std::vector<std::string> &problems() const { return problems_; }

    // The MIDI menu's entries, "API: device" (AudioOutputEntry), for every
    // output of every API; the one playing now is always among them.
    std::vector<std::string> outputChoices() const;
    std::string currentOutput() const; // "" when silent
    // Plays through that entry's output; false when it did not open, and
    // the output playing before plays on.
    bool chooseOutput(const std::string &entry);

private:
    void resendVoice();

    VirtualDx7 &dx7_;
    AudioOut audio_;
    Dx7Sound sound_;
    std::vector<std::string> problems_;
};

// "alsa: default", "jack: system": the API's short name, a colon, a space
// and the device's name as the API gives it.
std::string AudioOutputEntry(const std::string &api, const std::string &device);
// The API and device of an entry; false when it is not one.
bool ParseAudioOutputEntry(const std::string &entry, std::string &api, std::string &device);

// The MIDI menu's "オーディオ出力（仮想DX7の音）"; `chosen` hears of the output
// the user chose, by API and device name, once it has opened.
MidiMenuModel::Choices
AudioOutputChoices(SoundWiring &sound,
                   std::function<void(const std::string &api, const std::string &device)> chosen = {});

} // namespace vox
