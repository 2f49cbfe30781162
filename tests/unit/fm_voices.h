#pragma once
// Voices the engine's tests and measurements are played on, built by
// parameter number.

#include "voice/dx7_event.h"
#include "voice/init_voice.h"
#include "voice/voice.h"

namespace vox::test {

// The initial voice with every operator's output level at 0: algorithm 1,
// rates 99, levels 99/99/99/0, ratio 1.00, no velocity or scaling, the
// LFO's depths at 0.
inline VoiceParams SilentVoice() {
    const Slot init = InitialVoice();
    VoiceParams v{};
    for (std::size_t i = 0; i < kParamCount; ++i)
        v[i] = init[kParamBase + i];
    for (int op = 1; op <= kOperatorCount; ++op)
        v[static_cast<std::size_t>(OpParamNumber(op, OpParam::OutputLevel))] = 0;
    return v;
}

inline void Set(VoiceParams &v, int param, int value) {
    v[static_cast<std::size_t>(param)] = static_cast<Byte>(value);
}
inline void SetOp(VoiceParams &v, int op, OpParam k, int value) { Set(v, OpParamNumber(op, k), value); }

} // namespace vox::test
