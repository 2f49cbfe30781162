#pragma once
// What the instrument did with a message it took, as its sound needs to
// know it. The virtual DX7 alone reads the bytes; its sound follows these.

#include "voice/voice_layout.h"

#include <array>

namespace vox {

// The voice parameters 0..154 (the single-voice image from kParamBase on).
using VoiceParams = std::array<Byte, kParamCount>;

// Parameter 155, the operator on/off switches (bit 5 = operator 1), lives
// outside the voice image; all six on is 3F.
inline constexpr int kOperatorSwitchParam = 155;
inline constexpr Byte kAllOperatorsOn = 0x3F;

struct Dx7Event {
    enum class Kind : Byte {
        NoteOn,           // note, velocity 1..127
        NoteOff,          // note (a note on of velocity 0 included)
        AllNotesOff,      // control change 120 or 123
        VoiceLoaded,      // the edit buffer is a whole new voice: program change, voice dump
        ParameterChanged, // one voice parameter 0..154 of the edit buffer
        OperatorSwitches, // parameter 155
        FunctionChanged,  // function parameter 64..77 (parameter), value
        PitchBend,        // value: the bend's most significant byte, 64 = centre
        Controller,       // parameter: control 1 wheel, 2 breath, 4 foot, 65 portamento switch; value
        Aftertouch,       // value: channel pressure
    };
    Kind kind = Kind::AllNotesOff;
    Byte note = 0;
    Byte velocity = 0;
    int parameter = 0; // ParameterChanged, FunctionChanged, Controller
    Byte value = 0;    // ParameterChanged; OperatorSwitches: the switches
    // VoiceLoaded: the edit buffer and the switches in force.
    VoiceParams voice{};
    Byte operatorSwitches = kAllOperatorsOn;
};

} // namespace vox
