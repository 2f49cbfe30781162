#pragma once
// What every fuzz target does when an invariant breaks: say which one, then
// stop the run so libFuzzer keeps the input that broke it.
#include "voice/voice_layout.h"
#include "voice/voice_scan.h"

#include <cstddef>
#include <cstdio>

namespace vox::fuzz {

inline void Check(bool ok, const char *what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        __builtin_trap();
    }
}

// Every kind written keeps a voice's data bytes but for bit 7.
template <class Written, class Source> bool SameData(const Written &written, const Source &source) {
    for (std::size_t i = kParamBase; i < kRecordSize; ++i)
        if (written[i] != (source[i] & 0x7F)) return false;
    return true;
}

} // namespace vox::fuzz
