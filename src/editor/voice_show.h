#pragma once
// One voice as the editor's chart shows it, for the command line: a text
// chart and a JSON object, both through the editor's display conversions.

#include "voice/voice.h"

#include <string>

namespace vox {

// Global fields, then one line per operator from 6 down to 1, as the chart rows run.
std::string ShowVoiceText(const Slot &slot);
// name_bytes, algorithm (1..32), LFO, pitch EG, transpose and operators 1..6.
std::string ShowVoiceJson(const Slot &slot);

} // namespace vox
