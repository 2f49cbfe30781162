#pragma once
// The instrument's function settings: how it plays rather than what it
// plays (poly or mono, pitch bend, portamento, the controllers' range and
// assign). They are not part of a voice; the instrument takes each as a
// parameter change of the function group, F0 43 1n 08 pp vv F7, with the
// parameter numbered 64 + index.

#include "voice/voice_layout.h"

#include <array>
#include <optional>

namespace vox {

enum class FunctionParam : int {
    PolyMono = 64, // 0 poly, 1 mono
    BendRange,     // semitones 0..12
    BendStep,      // 0: smooth; else the bend moves in steps of this many semitones
    PortaMode,     // poly: 0 retain, 1 follow; mono: 0 fingered, 1 full
    Glissando,     // 0 off, 1 on
    PortaTime,     // 0..99, 0 = none
    WheelRange,
    WheelAssign, // bit 0 pitch, bit 1 amplitude, bit 2 EG bias
    FootRange,
    FootAssign,
    BreathRange,
    BreathAssign,
    AftertouchRange,
    AftertouchAssign,
};

inline constexpr int kFirstFunctionParam = static_cast<int>(FunctionParam::PolyMono);
inline constexpr int kFunctionParamCount = 14;
inline constexpr Byte kFunctionGroupByte = 0x08; // group 2

constexpr bool IsFunctionParam(int number) {
    return number >= kFirstFunctionParam && number < kFirstFunctionParam + kFunctionParamCount;
}

// The largest value the instrument takes for function parameter `number`
// (64..77); -1 for any other number.
constexpr int FunctionParamMax(int number) {
    if (!IsFunctionParam(number)) return -1;
    switch (static_cast<FunctionParam>(number)) {
    case FunctionParam::PolyMono:
    case FunctionParam::PortaMode:
    case FunctionParam::Glissando:
        return 1;
    case FunctionParam::BendRange:
    case FunctionParam::BendStep:
        return 12;
    case FunctionParam::WheelAssign:
    case FunctionParam::FootAssign:
    case FunctionParam::BreathAssign:
    case FunctionParam::AftertouchAssign:
        return 7;
    default:
        return 99;
    }
}

struct FunctionSettings {
    // Indexed by number - 64. Chosen defaults: poly, a bend of 2 semitones,
    // no portamento, the wheel at full range on pitch (vibrato, as it is
    // most often set), the other controllers off.
    std::array<Byte, kFunctionParamCount> values{0, 2, 0, 0, 0, 0, 99, 1, 0, 0, 0, 0, 0, 0};

    int get(FunctionParam p) const { return values[static_cast<std::size_t>(static_cast<int>(p) - 64)]; }
    int get(int number) const { return values[static_cast<std::size_t>(number - kFirstFunctionParam)]; }
    // False, and nothing changed, for a number or value the instrument refuses.
    bool set(int number, int value);
    bool operator==(const FunctionSettings &) const = default;
};

// F0 43 10 08 pp vv F7: channel 1, as the other messages are built; the
// sender puts the instrument's channel in.
std::array<Byte, 7> FunctionChangeMessage(int number, int value);

} // namespace vox
