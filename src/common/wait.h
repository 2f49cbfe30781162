#pragma once

#include "common/host.h"

namespace vox {

// Returns once at least `seconds` have passed on the host's monotonic
// clock, letting window events (MIDI input included) run meanwhile.
void WaitSeconds(Host &host, float seconds);

} // namespace vox
