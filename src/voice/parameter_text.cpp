#include "voice/parameter_text.h"

#include "voice/display_conversions.h"

#include <string_view>

namespace vox {
namespace {

int At(const Slot &s, int p) { return ParamValue(p, s[ParamPos(p)]); }

std::string WithoutPadding(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return std::string(text);
}

std::optional<std::string> InRangeText(const ValueForm &form, int stored) {
    switch (form.display) {
    case Display::Number:
        return PlainText(stored - form.offset);
    case Display::BreakPoint:
        return BreakPointText(stored);
    case Display::Curve:
        return CurveName(stored);
    case Display::Detune:
        return DetuneText(stored);
    case Display::LfoWave:
        return LfoWaveName(stored);
    case Display::LfoSync:
        return LfoSyncText(stored);
    case Display::Transpose:
        return TransposeText(stored);
    case Display::Frequency:
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> ShownValueText(const ValueForm &form, int stored) {
    if (form.display == Display::Frequency) return std::nullopt;
    const int shown = stored - form.offset;
    if (shown >= form.min && shown <= form.max) return InRangeText(form, stored);
    // A name stands for an in-range value only; beyond the range the number.
    const bool named = form.display == Display::Curve || form.display == Display::LfoWave ||
                       form.display == Display::LfoSync;
    return OutOfRangeText(named ? PlainText(shown) : *InRangeText(form, stored));
}

std::string ShownParameter(const Slot &s, int p) {
    const int value = At(s, p);
    if (p >= param::Name1) return NameByteToUtf8(static_cast<Byte>(value));
    if (p == param::OscKeySync) return OscSyncText(value);
    if (p < param::PitchRate1) {
        const int block = p / kOperatorBlockParams;
        const auto k = static_cast<OpParam>(p % kOperatorBlockParams);
        if (k == OpParam::OscMode) return OscModeText(value);
        if (k == OpParam::FreqCoarse || k == OpParam::FreqFine)
            return FrequencyText(At(s, BlockParamNumber(block, OpParam::OscMode)),
                                 At(s, BlockParamNumber(block, OpParam::FreqCoarse)),
                                 At(s, BlockParamNumber(block, OpParam::FreqFine)));
    }
    const std::optional<ValueForm> form = FormOfParameter(p);
    const std::optional<std::string> text = form ? ShownValueText(*form, value) : std::nullopt;
    return WithoutPadding(text.value_or(PlainText(value)));
}

std::string VoiceParameterName(int p) {
    static constexpr const char *kOperator[kOperatorBlockParams] = {
        "EG rate 1",   "EG rate 2",    "EG rate 3",    "EG rate 4",         "EG level 1",   "EG level 2",
        "EG level 3",  "EG level 4",   "break point",  "left depth",        "right depth",  "left curve",
        "right curve", "rate scaling", "amp mod sens", "key velocity sens", "output level", "osc mode",
        "freq coarse", "freq fine",    "detune"};
    static constexpr const char *kGlobal[] = {"Algorithm", "Feedback",       "Osc key sync", "LFO speed",
                                              "LFO delay", "LFO PM depth",   "LFO AM depth", "LFO key sync",
                                              "LFO wave",  "Pitch mod sens", "Transpose"};
    const auto number = [](int n) { return std::to_string(n); };
    if (p < 0) return "";
    if (p < param::PitchRate1)
        return "OP" + number(kOperatorCount - p / kOperatorBlockParams) + " " +
               kOperator[p % kOperatorBlockParams];
    if (p < param::PitchLevel1) return "Pitch EG rate " + number(p - param::PitchRate1 + 1);
    if (p < param::Algorithm) return "Pitch EG level " + number(p - param::PitchLevel1 + 1);
    if (p < param::Name1) return kGlobal[p - param::Algorithm];
    if (p < param::Name1 + static_cast<int>(kNameLength))
        return "Name character " + number(p - param::Name1 + 1);
    if (p == param::Name1 + static_cast<int>(kNameLength)) return "Operator on/off";
    return "";
}

} // namespace vox
