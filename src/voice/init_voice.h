#pragma once

#include "voice/voice.h"

namespace vox {

// The instrument's usual initial voice "INIT VOICE" as a slot image with
// the dump header (positions 0..160; checksum position left 0).
Slot InitialVoice();

} // namespace vox
