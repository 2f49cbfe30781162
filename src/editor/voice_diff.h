#pragma once
// The parameters in which two voices differ, each named and with both
// values as the editor shows them: for the command line's diff and for any
// window that compares two voices.

#include "voice/voice.h"

#include <string>
#include <vector>

namespace vox {

struct VoiceDifference {
    int parameter = 0; // DX7 voice parameter number, 0..154
    std::string name;  // as the MIDI monitor names it ("OP1 output level")
    std::string a, b;  // the value of each voice as the editor shows it
    bool operator==(const VoiceDifference &) const = default;
};

// Every parameter 0..154 whose value (as the instrument is given it, bit 7
// dropped) differs, in parameter order. Texts are the chart's, without the
// blanks that pad a field ("TRI", not " TRI"); coarse and fine show the
// operator's frequency, as the chart does. Where two values look alike (a
// fixed frequency ignores coarse's upper bits, every control code in a name
// shows as a blank), each text carries its number: "10 (5)".
std::vector<VoiceDifference> VoiceDifferences(const Slot &a, const Slot &b);

// Parameter p (0..154) of a voice as the differences show it: the chart's
// text without padding, coarse and fine as the operator's frequency.
std::string ShownParameter(const Slot &s, int p);

} // namespace vox
