#include "synth/dx7_sound.h"

namespace vox {

void ApplySynthCommand(FmEngine &engine, const SynthCommand &command) {
    switch (command.kind) {
    case SynthCommand::Kind::NoteOn:
        // A note-on of velocity 0 is a note-off on the wire; keep it one here.
        if (command.velocity == 0)
            engine.noteOff(command.note);
        else
            engine.noteOn(command.note, command.velocity);
        return;
    case SynthCommand::Kind::NoteOff:
        engine.noteOff(command.note);
        return;
    case SynthCommand::Kind::AllNotesOff:
        engine.allNotesOff();
        return;
    case SynthCommand::Kind::SetVoice:
        engine.setVoice(command.voice);
        engine.setParameter(kOperatorSwitchParam, command.operatorSwitches);
        return;
    case SynthCommand::Kind::SetParameter:
        engine.setParameter(command.parameter, command.value);
        return;
    case SynthCommand::Kind::SetFunction:
        engine.setFunction(command.parameter, command.value);
        return;
    case SynthCommand::Kind::PitchBend:
        engine.pitchBend(command.value);
        return;
    case SynthCommand::Kind::Controller:
        engine.controller(command.parameter, command.value);
        return;
    case SynthCommand::Kind::Aftertouch:
        engine.aftertouch(command.value);
        return;
    }
}

SynthCommand CommandFor(const Dx7Event &event) {
    using E = Dx7Event::Kind;
    using C = SynthCommand::Kind;
    SynthCommand c;
    switch (event.kind) {
    case E::NoteOn:
    case E::NoteOff:
        c.kind = event.kind == E::NoteOn ? C::NoteOn : C::NoteOff;
        c.note = event.note;
        c.velocity = event.velocity;
        break;
    case E::AllNotesOff:
        c.kind = C::AllNotesOff;
        break;
    case E::VoiceLoaded:
        c.kind = C::SetVoice;
        c.voice = event.voice;
        c.operatorSwitches = event.operatorSwitches;
        break;
    case E::ParameterChanged:
    case E::OperatorSwitches:
        c.kind = C::SetParameter;
        c.parameter =
            static_cast<Byte>(event.kind == E::OperatorSwitches ? kOperatorSwitchParam : event.parameter);
        c.value = event.value;
        break;
    case E::FunctionChanged:
    case E::Controller:
        c.kind = event.kind == E::FunctionChanged ? C::SetFunction : C::Controller;
        c.parameter = static_cast<Byte>(event.parameter);
        c.value = event.value;
        break;
    case E::PitchBend:
    case E::Aftertouch:
        c.kind = event.kind == E::PitchBend ? C::PitchBend : C::Aftertouch;
        c.value = event.value;
        break;
    }
    return c;
}

Dx7Sound::Dx7Sound(CommandSink sink) : sink_(std::move(sink)) {}

void Dx7Sound::hear(const Dx7Event &event) {
    const SynthCommand c = CommandFor(event);
    if (c.kind == SynthCommand::Kind::SetVoice) {
        voice_ = c.voice;
        switches_ = c.operatorSwitches;
    } else if (c.kind == SynthCommand::Kind::SetParameter) {
        if (c.parameter == kOperatorSwitchParam)
            switches_ = c.value;
        else
            voice_[c.parameter] = c.value;
    } else if (c.kind == SynthCommand::Kind::SetFunction) {
        function_.set(c.parameter, c.value);
    }
    if (sink_) sink_(c);
}

void Dx7Sound::playVoice(const VoiceParams &voice, Byte operatorSwitches) {
    Dx7Event e;
    e.kind = Dx7Event::Kind::VoiceLoaded;
    e.voice = voice;
    e.operatorSwitches = operatorSwitches;
    hear(e);
    for (int p = kFirstFunctionParam; p < kFirstFunctionParam + kFunctionParamCount; ++p) {
        Dx7Event f;
        f.kind = Dx7Event::Kind::FunctionChanged;
        f.parameter = p;
        f.value = static_cast<Byte>(function_.get(p));
        hear(f);
    }
}

} // namespace vox
