#include "editor/voice_show.h"

#include "editor/display_conversions.h"

#include <nlohmann/json.hpp>

#include <sstream>

namespace vox {
namespace {

// Each value as the editor shows it and the instrument is sent it.
int At(const Slot &s, int p) { return ParamValue(p, s[ParamPos(p)]); }
int Op(const Slot &s, int op, OpParam k) { return At(s, OpParamNumber(op, k)); }
std::string Curve(int c) { return CurveName(c).value_or(PlainText(c)); }
std::string Wave(int w) { return LfoWaveName(w).value_or(PlainText(w)); }
std::string Frequency(const Slot &s, int op) {
    return FrequencyText(Op(s, op, OpParam::OscMode), Op(s, op, OpParam::FreqCoarse),
                         Op(s, op, OpParam::FreqFine));
}

} // namespace

std::string ShowVoiceText(const Slot &s) {
    std::ostringstream out;
    std::array<Byte, kNameLength> name{};
    for (std::size_t c = 0; c < kNameLength; ++c)
        name[c] = static_cast<Byte>(At(s, param::Name1 + static_cast<int>(c)));
    out << "NAME      " << NameBytesToUtf8(name) << "\n"
        << "ALGORITHM " << At(s, param::Algorithm) + 1 << "  FEEDBACK " << At(s, param::Feedback)
        << "  OSC SYNC " << OscSyncText(At(s, param::OscKeySync)) << "\n"
        << "LFO       wave " << Wave(At(s, param::LfoWave)) << "  SPD " << At(s, param::LfoSpeed) << "  DLY "
        << At(s, param::LfoDelay) << "  PMD " << At(s, param::LfoPmd) << "  AMD " << At(s, param::LfoAmd)
        << "  Sync " << LfoSyncText(At(s, param::LfoKeySync)) << "\n"
        << "PITCH EG  R";
    for (int k = 0; k < 4; ++k)
        out << " " << At(s, param::PitchRate1 + k);
    out << "  L";
    for (int k = 0; k < 4; ++k)
        out << " " << At(s, param::PitchLevel1 + k);
    out << "  Pitch MOD " << At(s, param::PitchModSens) << "  KEY " << TransposeText(At(s, param::Transpose))
        << "\n"
        << "OP AMS MODE FREQ DETUNE R1 R2 R3 R4 L1 L2 L3 L4 BREAK CURVE-L CURVE-R DEPTH-L DEPTH-R RATE OUT "
           "VELO\n";
    for (int op = 6; op >= 1; --op) {
        out << op << " " << Op(s, op, OpParam::AmpModSens) << " " << OscModeText(Op(s, op, OpParam::OscMode))
            << " " << Frequency(s, op) << " " << DetuneText(Op(s, op, OpParam::Detune));
        for (int k = 0; k < 8; ++k)
            out << " " << Op(s, op, static_cast<OpParam>(k));
        out << " " << BreakPointText(Op(s, op, OpParam::BreakPoint)) << " "
            << Curve(Op(s, op, OpParam::LeftCurve)) << " " << Curve(Op(s, op, OpParam::RightCurve)) << " "
            << Op(s, op, OpParam::LeftDepth) << " " << Op(s, op, OpParam::RightDepth) << " "
            << Op(s, op, OpParam::RateScaling) << " " << Op(s, op, OpParam::OutputLevel) << " "
            << Op(s, op, OpParam::KeyVelSens) << "\n";
    }
    return out.str();
}

std::string ShowVoiceJson(const Slot &s) {
    using nlohmann::json;
    json name = json::array();
    for (Byte b : VoiceNameBytes(s))
        name.push_back(b);
    json rates = json::array(), levels = json::array();
    for (int k = 0; k < 4; ++k) {
        rates.push_back(At(s, param::PitchRate1 + k));
        levels.push_back(At(s, param::PitchLevel1 + k));
    }
    json j{{"name_bytes", name},
           {"algorithm", At(s, param::Algorithm) + 1},
           {"feedback", At(s, param::Feedback)},
           {"osc_key_sync", OscSyncText(At(s, param::OscKeySync))},
           {"lfo_wave", Wave(At(s, param::LfoWave))},
           {"lfo_speed", At(s, param::LfoSpeed)},
           {"lfo_delay", At(s, param::LfoDelay)},
           {"lfo_pmd", At(s, param::LfoPmd)},
           {"lfo_amd", At(s, param::LfoAmd)},
           {"lfo_sync", LfoSyncText(At(s, param::LfoKeySync))},
           {"pitch_mod_sens", At(s, param::PitchModSens)},
           {"transpose", TransposeText(At(s, param::Transpose))},
           {"pitch_eg", {{"rates", rates}, {"levels", levels}}}};
    json ops = json::array();
    for (int op = 1; op <= kOperatorCount; ++op) {
        json r = json::array(), l = json::array();
        for (int k = 0; k < 4; ++k) {
            r.push_back(Op(s, op, static_cast<OpParam>(k)));
            l.push_back(Op(s, op, static_cast<OpParam>(4 + k)));
        }
        ops.push_back({{"operator", op},
                       {"mode", OscModeText(Op(s, op, OpParam::OscMode))},
                       {"frequency", Frequency(s, op)},
                       {"detune", DetuneText(Op(s, op, OpParam::Detune))},
                       {"break_point", BreakPointText(Op(s, op, OpParam::BreakPoint))},
                       {"left_curve", Curve(Op(s, op, OpParam::LeftCurve))},
                       {"right_curve", Curve(Op(s, op, OpParam::RightCurve))},
                       {"left_depth", Op(s, op, OpParam::LeftDepth)},
                       {"right_depth", Op(s, op, OpParam::RightDepth)},
                       {"rate_scaling", Op(s, op, OpParam::RateScaling)},
                       {"ams", Op(s, op, OpParam::AmpModSens)},
                       {"kvs", Op(s, op, OpParam::KeyVelSens)},
                       {"output_level", Op(s, op, OpParam::OutputLevel)},
                       {"rates", r},
                       {"levels", l}});
    }
    j["operators"] = ops;
    return j.dump(2);
}

} // namespace vox
