#pragma once
// What every fuzz target does when an invariant breaks: say which one, then
// stop the run so libFuzzer keeps the input that broke it.
#include <cstdio>

namespace vox::fuzz {

inline void Check(bool ok, const char *what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        __builtin_trap();
    }
}

} // namespace vox::fuzz
