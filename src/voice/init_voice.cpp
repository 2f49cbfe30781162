#include "voice/init_voice.h"

#include <cstring>

namespace vox {

Slot InitialVoice() {
    Slot slot{};
    for (std::size_t i = 0; i < kVoiceHeader.size(); ++i)
        slot[i] = kVoiceHeader[i];
    auto set = [&slot](int p, int value) { slot[ParamPos(p)] = static_cast<Byte>(value); };
    for (int op = 1; op <= kOperatorCount; ++op) {
        auto opSet = [&](OpParam k, int value) { set(OpParamNumber(op, k), value); };
        opSet(OpParam::Rate1, 99);
        opSet(OpParam::Rate2, 99);
        opSet(OpParam::Rate3, 99);
        opSet(OpParam::Rate4, 99);
        opSet(OpParam::Level1, 99);
        opSet(OpParam::Level2, 99);
        opSet(OpParam::Level3, 99);
        opSet(OpParam::Level4, 0);
        opSet(OpParam::BreakPoint, 39); // C3
        opSet(OpParam::OutputLevel, op == 1 ? 99 : 0);
        opSet(OpParam::FreqCoarse, 1);
        opSet(OpParam::Detune, 7); // centre
    }
    for (int i = 0; i < 4; ++i) {
        set(param::PitchRate1 + i, 99);
        set(param::PitchLevel1 + i, 50);
    }
    set(param::Algorithm, 0);
    set(param::OscKeySync, 1);
    set(param::LfoSpeed, 35);
    set(param::LfoKeySync, 1);
    set(param::PitchModSens, 3);
    set(param::Transpose, 24); // C3
    const char *name = "INIT VOICE";
    for (std::size_t i = 0; i < kNameLength; ++i)
        slot[kNamePos + i] = static_cast<Byte>(name[i]);
    return slot;
}

} // namespace vox
