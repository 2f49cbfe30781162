#pragma once
// The parameters in which two voices differ, each named and with both
// values as the editor shows them: for the command line's diff and for the
// library window, which compares two voices.

#include "voice/parameter_text.h"
#include "voice/voice.h"

#include <string>
#include <vector>

namespace vox {

struct VoiceDifference {
    int parameter = 0; // DX7 voice parameter number, 0..154
    std::string name;  // as VoiceParameterName names it ("OP1 output level")
    std::string a, b;  // the value of each voice as ShownParameter shows it
    bool operator==(const VoiceDifference &) const = default;
};

// Every parameter 0..154 whose value (as the instrument is given it, bit 7
// dropped) differs, in parameter order. Texts are the chart's, without the
// blanks that pad a field ("TRI", not " TRI"); coarse and fine show the
// operator's frequency, as the chart does. Where two values look alike (a
// fixed frequency ignores coarse's upper bits, every control code in a name
// shows as a blank), each text carries its number: "10 (5)".
std::vector<VoiceDifference> VoiceDifferences(const Slot &a, const Slot &b);

} // namespace vox
