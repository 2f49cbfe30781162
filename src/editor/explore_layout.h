#pragma once
// The 音色探索 window's controls and where they lie (twips).

#include "editor/explore_form.h"
#include "ui/control_layout.h"

namespace vox::explore_layout {

inline constexpr int kClientWidth = 6360, kClientHeight = 5520;

using enum ControlKind;
using namespace explore_text;

inline constexpr const char *kOperatorCaptions[] = {kCheckOp1.ja, kCheckOp2.ja, kCheckOp3.ja,
                                                    kCheckOp4.ja, kCheckOp5.ja, kCheckOp6.ja};
inline constexpr const char *kVariationCaptions[] = {"1", "2", "3", "4", "5", "6", "7", "8"};

// OP1..OP6 in two rows of three.
constexpr ControlRow OperatorLocks() {
    ControlRow row =
        Captions(Array({"Check4", CheckBox, {240, 660, 1980, 330}, "Frame1"}, 3, 2040, 0), kOperatorCaptions);
    row.outer = 2;
    row.ody = 360;
    return row;
}

inline constexpr ControlRow kControls[] = {
    // The amount and the seed the tools draw from.
    {"Label1", Label, {120, 150, 1260, 255}, "", kLabel1},
    {"HScroll1", ScrollBar, {1440, 120, 3780, 285}},
    {"Label2", Label, {5340, 150, 780, 255}},
    {"Label3", Label, {120, 570, 1260, 255}, "", kLabel3},
    {"Text1", TextBox, {1440, 525, 2100, 345}},
    {"Label4", Label, {3660, 570, 2460, 255}, "", kLabel4},
    // What every tool keeps.
    {"Frame1", Frame, {120, 1020, 6120, 1860}, "", kFrame1},
    {"Check1", CheckBox, {240, 300, 1980, 330}, "Frame1", kCheck1},
    {"Check2", CheckBox, {2280, 300, 1980, 330}, "Frame1", kCheck2},
    {"Check3", CheckBox, {4320, 300, 1740, 330}, "Frame1", kCheck3},
    OperatorLocks(),
    {"Check5", CheckBox, {240, 1380, 1980, 330}, "Frame1", kCheck5},
    // The tools, and the variations to audition.
    {"Command1", Command, {120, 3000, 1500, 420}, "", kCommand1},
    {"Command2", Command, {1740, 3000, 1500, 420}, "", kCommand2},
    {"Command3", Command, {3360, 3000, 1800, 420}, "", kCommand3},
    Captions(Array({"Command5", Button, {120, 3540, 540, 420}}, 8, 600, 0), kVariationCaptions),
    {"Command4", Command, {4980, 3540, 1140, 420}, "", kCommand4},
    // The morph towards a voice of the SOUND LIST.
    {"Frame2", Frame, {120, 4080, 6120, 1320}, "", kFrame2},
    {"Label5", Label, {240, 345, 1320, 255}, "Frame2", kLabel5},
    {"Combo1", Combo, {1620, 300, 4260, 345}, "Frame2"},
    {"HScroll2", ScrollBar, {240, 840, 4860, 285}, "Frame2"},
    {"Label6", Label, {5160, 855, 720, 255}, "Frame2"},
};

} // namespace vox::explore_layout
