#pragma once
// Every voice parameter named and shown as text, once for every reader: the
// editor's chart, the voice difference, the MIDI monitor, the voice sheet,
// the library window. The editor's groups take their display kinds from
// here and check that they agree with this table.

#include "voice/voice.h"

#include <optional>
#include <string>

namespace vox {

// How a value is written.
enum class Display { Number, BreakPoint, Curve, Detune, Frequency, LfoWave, LfoSync, Transpose };

// How one value is shown: the value stored is the value shown + offset, and
// min..max is its range as shown.
struct ValueForm {
    Display display = Display::Number;
    int min = 0, max = 0;
    int offset = 0;
    constexpr bool operator==(const ValueForm &) const = default;
};

// The form of parameter p (0..144) on its own; nullopt for those shown
// otherwise: oscillator mode, coarse and fine (the frequency takes all
// three), oscillator key sync and the name characters.
constexpr std::optional<ValueForm> FormOfParameter(int p) {
    using D = Display;
    if (p < 0 || p >= param::Name1) return std::nullopt;
    const int max = ParamMax(p);
    if (p < param::PitchRate1) {
        switch (static_cast<OpParam>(p % kOperatorBlockParams)) {
        case OpParam::BreakPoint:
            return ValueForm{D::BreakPoint, 0, max};
        case OpParam::LeftCurve:
        case OpParam::RightCurve:
            return ValueForm{D::Curve, 0, max};
        case OpParam::OscMode:
        case OpParam::FreqCoarse:
        case OpParam::FreqFine:
            return std::nullopt;
        case OpParam::Detune:
            return ValueForm{D::Detune, -7, max - 7, 7}; // 7 is no detune
        default:
            return ValueForm{D::Number, 0, max};
        }
    }
    switch (p) {
    case param::Algorithm:
        return ValueForm{D::Number, 1, max + 1, -1}; // stored 0 is algorithm 1
    case param::OscKeySync:
        return std::nullopt;
    case param::LfoKeySync:
        return ValueForm{D::LfoSync, 0, max};
    case param::LfoWave:
        return ValueForm{D::LfoWave, 0, max};
    case param::Transpose:
        return ValueForm{D::Transpose, 0, max};
    default:
        return ValueForm{D::Number, 0, max};
    }
}

// The text of a stored value in a form. A value outside the range is
// shown as it is, marked (OutOfRangeText; a curve, wave or sync as its
// number). No text for the frequency, which takes three values.
std::optional<std::string> ShownValueText(const ValueForm &form, int stored);

// Parameter p (0..154) of a voice as a list of parameters shows it: the
// chart's text without the blanks that pad a field ("TRI", not " TRI"),
// coarse and fine as the operator's frequency, a name character as itself.
std::string ShownParameter(const Slot &s, int p);

// The name of DX7 voice parameter p (0..155), empty beyond:
// "OP1 output level", "LFO wave", "Name character 3".
std::string VoiceParameterName(int p);

} // namespace vox
