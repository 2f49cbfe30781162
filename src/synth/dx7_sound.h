#pragma once
// The instrument's side of the sound: the 32 internal voices, the edit
// buffer and the selected program, changed by the same MIDI messages the
// instrument takes (channel 1): note on/off, program change, single-voice
// dump, parameter change (voice parameters and the operator switches),
// bulk dump. Each message becomes calls on an FmEngine, directly (render
// tool, tests) or through a SynthCommandQueue to the audio thread.

#include "synth/fm_engine.h"
#include "voice/voice_layout.h"

#include <array>
#include <functional>
#include <span>

namespace vox {

// What the engine is told: a note, or the whole voice again (after a dump
// or a program change), or one parameter.
struct SynthCommand {
    enum class Kind : Byte { NoteOn, NoteOff, AllNotesOff, SetVoice, SetParameter };
    Kind kind = Kind::AllNotesOff;
    Byte note = 0;
    Byte velocity = 0;
    Byte parameter = 0; // SetParameter: 0..155
    Byte value = 0;
    Byte operatorSwitches = 0x3F; // SetVoice
    VoiceParams voice{};          // SetVoice
};

// Applies one command; the audio callback and the render tool both use it.
void ApplySynthCommand(FmEngine &engine, const SynthCommand &command);

class Dx7Sound {
public:
    using CommandSink = std::function<void(const SynthCommand &)>;
    explicit Dx7Sound(CommandSink sink);

    // The internal memory and edit buffer at start: the virtual DX7's own,
    // so that both hold the same voices. Sends the edit buffer as SetVoice.
    void setInternalVoices(std::span<const Byte, kPackedBankSize> packed);
    void setEditBuffer(std::span<const Byte, kParamCount> params);

    // One complete MIDI message. Returns false for what the sound does not
    // take (other channels, other makers, broken dumps); nothing changes.
    bool receive(std::span<const Byte> message);

    const VoiceParams &editBuffer() const { return edit_; }
    const VoiceParams &internalVoice(int program) const {
        return internal_.at(static_cast<std::size_t>(program));
    }
    Byte operatorSwitches() const { return switches_; }

private:
    bool channelMessage(std::span<const Byte> message);
    bool sysEx(std::span<const Byte> message);
    bool voiceDump(std::span<const Byte> message);
    bool bankDump(std::span<const Byte> message);
    bool parameterChange(std::span<const Byte> message);
    void sendVoice(); // the edit buffer and switches as SetVoice
    void send(const SynthCommand &command);

    CommandSink sink_;
    std::array<VoiceParams, 32> internal_{};
    VoiceParams edit_{};
    Byte switches_ = 0x3F;
};

} // namespace vox
