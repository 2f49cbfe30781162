#include "voice/voice_diff.h"

#include "voice/display_conversions.h"

namespace vox {

std::vector<VoiceDifference> VoiceDifferences(const Slot &a, const Slot &b) {
    std::vector<VoiceDifference> differences;
    for (int p = 0; p < static_cast<int>(kParamCount); ++p) {
        const int va = ParamValue(p, a[ParamPos(p)]), vb = ParamValue(p, b[ParamPos(p)]);
        if (va == vb) continue;
        VoiceDifference d{p, VoiceParameterName(p), ShownParameter(a, p), ShownParameter(b, p)};
        if (d.a == d.b) {
            d.a += " (" + PlainText(va) + ")";
            d.b += " (" + PlainText(vb) + ")";
        }
        differences.push_back(std::move(d));
    }
    return differences;
}

} // namespace vox
