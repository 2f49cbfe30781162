#pragma once
// The function settings window's controls and where they lie (twips).

#include "librarian/function_form.h"
#include "ui/control_layout.h"

namespace vox::function_layout {

inline constexpr int kClientWidth = 7080, kClientHeight = 5820;

using enum ControlKind;
using namespace function_text;

inline constexpr ControlRow kControls[] = {
    {"LabelPolyMono", Label, {120, 165, 2400, 255}, "", kPolyMono},
    {"ComboPolyMono", Combo, {2640, 120, 2160, 345}},
    {"LabelBendRange", Label, {120, 585, 2400, 255}, "", kBendRange},
    {"ComboBendRange", Combo, {2640, 540, 2160, 345}},
    {"LabelBendStep", Label, {120, 1005, 2400, 255}, "", kBendStep},
    {"ComboBendStep", Combo, {2640, 960, 2160, 345}},
    {"LabelPortaMode", Label, {120, 1425, 2400, 255}, "", kPortaMode},
    {"ComboPortaMode", Combo, {2640, 1380, 2160, 345}},
    {"LabelGlissando", Label, {120, 1845, 2400, 255}, "", kGlissando},
    {"ComboGlissando", Combo, {2640, 1800, 2160, 345}},
    {"LabelPortaTime", Label, {120, 2265, 2400, 255}, "", kPortaTime},
    {"ComboPortaTime", Combo, {2640, 2220, 2160, 345}},
    {"LabelRange", Label, {2640, 2760, 1080, 255}, "", kRange},
    {"LabelAssign", Label, {3840, 2760, 2400, 255}, "", kAssign},
    {"LabelWheel", Label, {120, 3105, 2400, 255}, "", kWheel},
    {"ComboWheel", Combo, {2640, 3060, 1080, 345}},
    {"Assign00", CheckBox, {3840, 3060, 960, 330}, "", kPitch},
    {"Assign01", CheckBox, {4860, 3060, 840, 330}, "", kAmplitude},
    {"Assign02", CheckBox, {5760, 3060, 1200, 330}, "", kEgBias},
    {"LabelFoot", Label, {120, 3525, 2400, 255}, "", kFoot},
    {"ComboFoot", Combo, {2640, 3480, 1080, 345}},
    {"Assign10", CheckBox, {3840, 3480, 960, 330}, "", kPitch},
    {"Assign11", CheckBox, {4860, 3480, 840, 330}, "", kAmplitude},
    {"Assign12", CheckBox, {5760, 3480, 1200, 330}, "", kEgBias},
    {"LabelBreath", Label, {120, 3945, 2400, 255}, "", kBreath},
    {"ComboBreath", Combo, {2640, 3900, 1080, 345}},
    {"Assign20", CheckBox, {3840, 3900, 960, 330}, "", kPitch},
    {"Assign21", CheckBox, {4860, 3900, 840, 330}, "", kAmplitude},
    {"Assign22", CheckBox, {5760, 3900, 1200, 330}, "", kEgBias},
    {"LabelAftertouch", Label, {120, 4365, 2400, 255}, "", kAftertouch},
    {"ComboAftertouch", Combo, {2640, 4320, 1080, 345}},
    {"Assign30", CheckBox, {3840, 4320, 960, 330}, "", kPitch},
    {"Assign31", CheckBox, {4860, 4320, 840, 330}, "", kAmplitude},
    {"Assign32", CheckBox, {5760, 4320, 1200, 330}, "", kEgBias},
    {"LabelNote", Label, {120, 4800, 6840, 255}, "", kNote},
    {"SendAll", Command, {3600, 5220, 1680, 420}, "", kSendAll},
    {"Close", Command, {5400, 5220, 1560, 420}, "", kClose},
};

} // namespace vox::function_layout
