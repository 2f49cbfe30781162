#include "editor/voice_diff.h"

#include "editor/display_conversions.h"
#include "editor/groups.h"
#include "midi/message_names.h"

#include <string_view>

namespace vox {
namespace {

int At(const Slot &s, int p) { return ParamValue(p, s[ParamPos(p)]); }

// The group whose "変更" sends parameter p: its row says how p is shown.
const GroupInfo *GroupOfParameter(int p) {
    for (const GroupInfo &g : GroupTable())
        for (int n = 0; n < g.count; ++n)
            if (GroupParameter(g, n) == p) return &g;
    return nullptr;
}

std::string WithoutPadding(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return std::string(text);
}

} // namespace

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
    const GroupInfo *g = GroupOfParameter(p);
    const std::optional<std::string> text = g ? ShownText(*g, value) : std::nullopt;
    return WithoutPadding(text.value_or(PlainText(value)));
}

std::vector<VoiceDifference> VoiceDifferences(const Slot &a, const Slot &b) {
    std::vector<VoiceDifference> differences;
    for (int p = 0; p < static_cast<int>(kParamCount); ++p) {
        if (At(a, p) == At(b, p)) continue;
        VoiceDifference d{p, VoiceParameterName(p), ShownParameter(a, p), ShownParameter(b, p)};
        if (d.a == d.b) {
            d.a += " (" + PlainText(At(a, p)) + ")";
            d.b += " (" + PlainText(At(b, p)) + ")";
        }
        differences.push_back(std::move(d));
    }
    return differences;
}

} // namespace vox
