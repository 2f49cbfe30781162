#include "editor/voice_show.h"

#include "voice/display_conversions.h"

#include <nlohmann/json.hpp>

#include <sstream>

namespace vox {
namespace {

// Each value as the editor shows it and the instrument is sent it; the
// text chart marks one outside its range as the editor does.
int At(const Slot &s, int p) { return ParamValue(p, s[ParamPos(p)]); }
int Op(const Slot &s, int op, OpParam k) { return At(s, OpParamNumber(op, k)); }
// A text of the chart, marked when the value lies outside its range.
std::string Marked(const Slot &s, int p, const std::string &text) {
    return ParamInRange(p, At(s, p)) ? text : OutOfRangeText(text);
}
std::string Marked(const Slot &s, int p, int shown) { return Marked(s, p, PlainText(shown)); }
std::string Num(const Slot &s, int p) { return Marked(s, p, At(s, p)); }
std::string OpNum(const Slot &s, int op, OpParam k) { return Num(s, OpParamNumber(op, k)); }
std::string Text(const Slot &s, int p, std::string (*text)(int)) { return Marked(s, p, text(At(s, p))); }
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
        << "ALGORITHM " << Marked(s, param::Algorithm, At(s, param::Algorithm) + 1) << "  FEEDBACK "
        << Num(s, param::Feedback) << "  OSC SYNC " << OscSyncText(At(s, param::OscKeySync)) << "\n"
        << "LFO       wave " << Marked(s, param::LfoWave, Wave(At(s, param::LfoWave))) << "  SPD "
        << Num(s, param::LfoSpeed) << "  DLY " << Num(s, param::LfoDelay) << "  PMD " << Num(s, param::LfoPmd)
        << "  AMD " << Num(s, param::LfoAmd) << "  Sync " << LfoSyncText(At(s, param::LfoKeySync)) << "\n"
        << "PITCH EG  R";
    for (int k = 0; k < 4; ++k)
        out << " " << Num(s, param::PitchRate1 + k);
    out << "  L";
    for (int k = 0; k < 4; ++k)
        out << " " << Num(s, param::PitchLevel1 + k);
    out << "  Pitch MOD " << Num(s, param::PitchModSens) << "  KEY "
        << Text(s, param::Transpose, TransposeText) << "\n"
        << "OP AMS MODE FREQ DETUNE R1 R2 R3 R4 L1 L2 L3 L4 BREAK CURVE-L CURVE-R DEPTH-L DEPTH-R RATE OUT "
           "VELO\n";
    for (int op = 6; op >= 1; --op) {
        out << op << " " << OpNum(s, op, OpParam::AmpModSens) << " "
            << OscModeText(Op(s, op, OpParam::OscMode)) << " " << Frequency(s, op) << " "
            << Text(s, OpParamNumber(op, OpParam::Detune), DetuneText);
        for (int k = 0; k < 8; ++k)
            out << " " << OpNum(s, op, static_cast<OpParam>(k));
        out << " " << Text(s, OpParamNumber(op, OpParam::BreakPoint), BreakPointText) << " "
            << Marked(s, OpParamNumber(op, OpParam::LeftCurve), Curve(Op(s, op, OpParam::LeftCurve))) << " "
            << Marked(s, OpParamNumber(op, OpParam::RightCurve), Curve(Op(s, op, OpParam::RightCurve))) << " "
            << OpNum(s, op, OpParam::LeftDepth) << " " << OpNum(s, op, OpParam::RightDepth) << " "
            << OpNum(s, op, OpParam::RateScaling) << " " << OpNum(s, op, OpParam::OutputLevel) << " "
            << OpNum(s, op, OpParam::KeyVelSens) << "\n";
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
