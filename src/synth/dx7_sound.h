#pragma once
// The virtual DX7's sound: each event of what the instrument took becomes
// a command for an FmEngine, applied directly (render tool, tests) or
// carried by a SynthCommandQueue to the audio thread. It reads no MIDI
// bytes: the virtual DX7 is the one reader and the one model.

#include "synth/fm_engine.h"
#include "voice/dx7_event.h"
#include "voice/function_settings.h"
#include "voice/voice_layout.h"

#include <functional>

namespace vox {

// What the engine is told: a note, or the whole voice again (after a dump
// or a program change), or one parameter.
struct SynthCommand {
    enum class Kind : Byte {
        NoteOn,
        NoteOff,
        AllNotesOff,
        SetVoice,
        SetParameter,
        SetFunction, // parameter 64..77
        PitchBend,   // value: most significant byte
        Controller,  // parameter: the control number
        Aftertouch,
    };
    Kind kind = Kind::AllNotesOff;
    Byte note = 0;
    Byte velocity = 0;
    Byte parameter = 0; // SetParameter: 0..155; SetFunction: 64..77; Controller: the control
    Byte value = 0;
    Byte operatorSwitches = kAllOperatorsOn; // SetVoice
    VoiceParams voice{};                     // SetVoice
};

// Applies one command; the audio callback and the render tool both use it.
void ApplySynthCommand(FmEngine &engine, const SynthCommand &command);

// The engine's command for one event of the instrument.
SynthCommand CommandFor(const Dx7Event &event);

class Dx7Sound {
public:
    using CommandSink = std::function<void(const SynthCommand &)>;
    explicit Dx7Sound(CommandSink sink);

    // One event of the instrument, passed on as the engine's command.
    void hear(const Dx7Event &event);
    // The whole voice again, and the function settings, for an engine that
    // starts afresh.
    void playVoice(const VoiceParams &voice, Byte operatorSwitches);
    const FunctionSettings &functionSettings() const { return function_; }

    // What the engine was last told of the voice and the switches.
    const VoiceParams &voice() const { return voice_; }
    Byte operatorSwitches() const { return switches_; }

private:
    CommandSink sink_;
    VoiceParams voice_{};
    Byte switches_ = kAllOperatorsOn;
    FunctionSettings function_;
};

} // namespace vox
