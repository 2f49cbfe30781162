#pragma once
// The main window's controls and where they lie (twips).

#include "librarian/form1.h"
#include "ui/control_layout.h"

namespace vox::form1_layout {

// The client area, in twips: fixed, with no scrolling.
inline constexpr int kClientWidth = 6525, kClientHeight = 6195;
// Controls from here rightwards lie outside the client area: they work, but
// the user does not see them.
inline constexpr int kOutOfViewLeft = 8250;

using enum ControlKind;
using namespace form1_text;

inline constexpr ControlRow kControls[] = {
    {"Label1", Label, {1770, 240, 1695, 225}, "", kLabel1},
    // Beside Label1: unwritten changes of the bank and of the edit-area
    // voice (empty when there are none).
    {"LabelBankChanged", Label, {3500, 240, 2845, 225}},
    {"List3", EntryList, {1755, 495, 4590, 2940}},
    {"Command4", Command, {90, 510, 1530, 510}, "", kCommand4},
    {"ProgressBar1", ProgressBar, {105, 1050, 1485, 240}},
    // Above the receive button while a receive runs, so a silent or
    // half-answering DX7 never leaves the user waiting.
    {"CommandCancelReceive", Command, {105, 120, 1485, 360}, "", kCancelReceive},
    {"Command8", Command, {90, 1350, 1530, 510}, "", kCommand8},
    {"ProgressBar2", ProgressBar, {105, 1890, 1485, 240}},
    {"Command7", Command, {90, 2205, 1560, 555}, "", kCommand7},
    {"Command6", Command, {75, 2865, 1590, 570}, "", kCommand6},
    {"Shape1", Shape, {1815, 3645, 4170, 2400}},
    {"Label1_2", Label, {2025, 3720, 1290, 255}, "", kLabelEditArea},
    {"LabelEditAreaChanged", Label, {3400, 3720, 2520, 255}},
    {"Command11", Command, {2040, 4050, 1560, 540}, "", kCommand11},
    {"Command12", Command, {3945, 4065, 1620, 540}, "", kCommand12},
    {"Command13", Command, {2040, 4695, 1590, 480}, "", kCommand13},
    {"Text2", TextBox, {3900, 4725, 1695, 375}},
    {"Command14", Command, {120, 4785, 1545, 495}, "", kCommand14},
    {"Command10", Command, {2025, 5295, 1620, 540}, "", kCommand10},
    {"Command9", Command, {3945, 5265, 1650, 540}, "", kCommand9},
    {"Command3", Command, {105, 5460, 1545, 495}, "", kCommand3},

    // Out of view, to the right of the client area.
    {"Command1", Command, {8250, 240, 4500, 480}, "", kCommand1},
    {"Text1", TextBox, {8250, 840, 900, 330}},
    {"Command5", Command, {9300, 840, 1200, 330}, "", kCommand5},
    {"Command2", Command, {10650, 840, 1200, 330}, "", kCommand2Start},
    {"List1", List, {8250, 1320, 4500, 1800}},
    {"List2", List, {8250, 3240, 2160, 1500}},
    {"List4", List, {10590, 3240, 2160, 1500}},
    {"Combo1", Combo, {8250, 4860, 1000, 330}},
    {"VScroll1", ScrollBar, {9400, 4860, 255, 1000}},
};

} // namespace vox::form1_layout
