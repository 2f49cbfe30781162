#pragma once
// Byte positions of the single-voice image and the packed bank, and the
// voice parameter numbers. Every other file addresses voice bytes through
// these names: parameter p lives at image position kParamBase + p.

#include <array>
#include <cstddef>
#include <cstdint>

namespace vox {

using Byte = std::uint8_t;

// --- Single-voice image (one slot) ---------------------------------------
inline constexpr std::size_t kSlotSize = 164;   // bytes per slot
inline constexpr std::size_t kImageSize = 163;  // bytes of the dump message
inline constexpr std::size_t kParamBase = 6;    // position of parameter 0
inline constexpr std::size_t kParamCount = 155; // voice parameters 0..154
inline constexpr std::size_t kChecksumPos = 161;
inline constexpr std::size_t kEndPos = 162;
inline constexpr std::size_t kNamePos = 151; // name characters 1..10
inline constexpr std::size_t kNameLength = 10;
inline constexpr std::size_t kSlotCount = 34; // slots 0..33
inline constexpr std::size_t kBankSlots = 32; // slots 1..32 are the bank

inline constexpr Byte kSysExStart = 0xF0;
inline constexpr Byte kSysExEnd = 0xF7;
inline constexpr Byte kYamahaId = 0x43;

inline constexpr std::array<Byte, 6> kVoiceHeader{0xF0, 0x43, 0x00, 0x00, 0x01, 0x1B};
inline constexpr std::array<Byte, 6> kBankHeader{0xF0, 0x43, 0x00, 0x09, 0x20, 0x00};

constexpr std::size_t ParamPos(int parameter) { return kParamBase + static_cast<std::size_t>(parameter); }

// --- Parameter numbers ---------------------------------------------------
inline constexpr int kOperatorCount = 6;
inline constexpr int kOperatorBlockParams = 21;

// Offsets k within an operator block of 21 parameters.
enum class OpParam : int {
    Rate1 = 0,
    Rate2 = 1,
    Rate3 = 2,
    Rate4 = 3,
    Level1 = 4,
    Level2 = 5,
    Level3 = 6,
    Level4 = 7,
    BreakPoint = 8,
    LeftDepth = 9,
    RightDepth = 10,
    LeftCurve = 11,
    RightCurve = 12,
    RateScaling = 13,
    AmpModSens = 14,
    KeyVelSens = 15,
    OutputLevel = 16,
    OscMode = 17,
    FreqCoarse = 18,
    FreqFine = 19,
    Detune = 20,
};

// Block b holds operator 6 - b.
constexpr int BlockOfOperator(int op) { return kOperatorCount - op; }
constexpr int OpParamNumber(int op, OpParam k) {
    return kOperatorBlockParams * BlockOfOperator(op) + static_cast<int>(k);
}
constexpr int BlockParamNumber(int block, OpParam k) {
    return kOperatorBlockParams * block + static_cast<int>(k);
}

namespace param {
inline constexpr int PitchRate1 = 126;  // rates 126..129
inline constexpr int PitchLevel1 = 130; // levels 130..133
inline constexpr int Algorithm = 134;
inline constexpr int Feedback = 135;
inline constexpr int OscKeySync = 136;
inline constexpr int LfoSpeed = 137;
inline constexpr int LfoDelay = 138;
inline constexpr int LfoPmd = 139;
inline constexpr int LfoAmd = 140;
inline constexpr int LfoKeySync = 141;
inline constexpr int LfoWave = 142;
inline constexpr int PitchModSens = 143;
inline constexpr int Transpose = 144;
inline constexpr int Name1 = 145; // name characters 145..154
} // namespace param

// Highest value of each voice parameter 0..144; the name bytes have none.
constexpr int ParamMax(int p) {
    if (p < 126) {
        switch (static_cast<OpParam>(p % kOperatorBlockParams)) {
        case OpParam::LeftCurve:
        case OpParam::RightCurve:
        case OpParam::AmpModSens:
            return 3;
        case OpParam::RateScaling:
        case OpParam::KeyVelSens:
            return 7;
        case OpParam::OscMode:
            return 1;
        case OpParam::FreqCoarse:
            return 31;
        case OpParam::Detune:
            return 14;
        default:
            return 99;
        }
    }
    switch (p) {
    case param::Algorithm:
        return 31;
    case param::Feedback:
    case param::PitchModSens:
        return 7;
    case param::OscKeySync:
    case param::LfoKeySync:
        return 1;
    case param::LfoWave:
        return 5;
    case param::Transpose:
        return 48;
    default:
        return p >= param::Name1 ? 127 : 99;
    }
}

// A stored parameter byte as the instrument is given it and the editor
// shows it: a data byte on the wire carries 7 bits, so bit 7 is dropped;
// a value above the parameter's range stays as it is, since the instrument
// uses it as it comes. Every reader that shows or sends a parameter goes
// through here, so what is shown is what is sent.
constexpr int ParamValue(int /*p*/, Byte stored) { return stored & 0x7F; }

// Whether a value lies within the parameter's range (the editor marks it
// when it does not).
constexpr bool ParamInRange(int p, int value) { return value >= 0 && value <= ParamMax(p); }

// ParamValue held to the range, for a reader that indexes tables by it
// (the FM engine); nothing that is shown, stored or sent uses it.
constexpr int ParamValueInRange(int p, Byte stored) {
    const int value = ParamValue(p, stored);
    return value > ParamMax(p) ? ParamMax(p) : value;
}

// --- Packed bank ---------------------------------------------------------
inline constexpr std::size_t kPackedVoiceSize = 128;
inline constexpr std::size_t kPackedBankSize = kPackedVoiceSize * kBankSlots; // 4096
inline constexpr std::size_t kBulkMessageSize = 4104;
inline constexpr std::size_t kBulkDataPos = 6;
inline constexpr std::size_t kBulkChecksumPos = 4102;

} // namespace vox
