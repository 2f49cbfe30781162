#pragma once
// The DX7 II data window's controls and where they lie (twips).

#include "files/family_data_form.h"
#include "ui/control_layout.h"

namespace vox::family_data_layout {

inline constexpr int kClientWidth = 11400, kClientHeight = 5280;

using enum ControlKind;
using namespace family_data_text;

inline constexpr ControlRow kControls[] = {
    {"Panel1", Panel, {120, 120, 11160, 3600}}, // the list of messages
    {"LabelNote", Label, {120, 3810, 11160, 480}, "", kNote},
    {"LabelStatus", Label, {120, 4320, 11160, 255}},
    {"Load", Command, {120, 4740, 1680, 420}, "", kLoad},
    {"Save", Command, {2016, 4740, 1680, 420}, "", kSave},
    {"Delete", Command, {3912, 4740, 1680, 420}, "", kDelete},
    {"Receive", Command, {5808, 4740, 1680, 420}, "", kReceive},
    {"Transmit", Command, {7704, 4740, 1680, 420}, "", kTransmit},
    {"Close", Command, {9600, 4740, 1680, 420}, "", kClose},
};

} // namespace vox::family_data_layout
