#pragma once
// The file dialogs' controls and where they lie (twips); the four dialogs
// share one layout and differ only in their texts.

#include "ui/control_layout.h"

namespace vox::file_dialogs_layout {

inline constexpr int kClientWidth = 5415, kClientHeight = 4050;

using enum ControlKind;

// Captions come from the form (they differ per dialog).
inline constexpr ControlRow kControls[] = {
    {"Label1", Label, {120, 120, 1335, 255}},
    {"Text2", TextBox, {120, 405, 2535, 315}},
    {"File1", List, {120, 810, 2535, 2505}},
    {"Text1", TextBox, {2790, 120, 2505, 315}},
    {"Dir1", List, {2790, 525, 2505, 2385}},
    {"Drive1", Combo, {2790, 3000, 2505, 315}},
    {"Command1", Button, {2790, 3480, 1170, 435}, "", nullptr, nullptr, 0, 2, 1335},
};

} // namespace vox::file_dialogs_layout
