#pragma once
// The overwrite chooser's controls and where they lie (twips).

#include "librarian/form7.h"
#include "ui/control_layout.h"

namespace vox::form7_layout {

inline constexpr int kClientWidth = 4080, kClientHeight = 4140;

using enum ControlKind;

inline constexpr ControlRow kControls[] = {
    {"Label1", Label, {180, 120, 2400, 255}, "", form7_text::kLabel1},
    {"List1", EntryList, {180, 420, 3720, 3000}},
    {"Command1", Command, {540, 3570, 1320, 420}, "", form7_text::kCommand1},
    {"Command2", Command, {2220, 3570, 1320, 420}, "", form7_text::kCommand2},
};

} // namespace vox::form7_layout
