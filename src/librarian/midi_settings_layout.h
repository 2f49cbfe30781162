#pragma once
// The MIDI settings window's controls and where they lie (twips).

#include "librarian/midi_settings.h"
#include "ui/control_layout.h"

namespace vox::midi_settings_layout {

inline constexpr int kClientWidth = 5760, kClientHeight = 7620;

using enum ControlKind;
using namespace midi_settings_text;

inline constexpr ControlRow kControls[] = {
    // The receive's method, with the fast receive's own entries under it.
    {"Frame1", Frame, {120, 60, 5520, 2100}, "", kFrame1},
    {"Option1", Option, {240, 300, 4440, 330}, "Frame1", kOption1},
    {"Option2", Option, {240, 660, 4440, 330}, "Frame1", kOption2},
    {"Label3", Label, {600, 1095, 1560, 255}, "Frame1", kLabel3},
    {"Text2", TextBox, {2220, 1050, 900, 345}, "Frame1"},
    {"Label4", Label, {3240, 1095, 1560, 255}, "Frame1", kLabel4},
    {"Label5", Label, {600, 1575, 1560, 255}, "Frame1", kLabel5},
    {"Text3", TextBox, {2220, 1530, 900, 345}, "Frame1"},
    {"Label6", Label, {3240, 1575, 1560, 255}, "Frame1", kLabel6},
    // The pause after each System Exclusive message sent.
    {"Label1", Label, {240, 2415, 2040, 255}, "", kLabel1},
    {"Text1", TextBox, {2340, 2370, 900, 345}},
    {"Label2", Label, {3360, 2415, 1620, 255}, "", kLabel2},
    {"Label7", Label, {240, 2790, 4800, 255}, "", kLabel7},
    // The instrument's receive channel.
    {"Label8", Label, {240, 3255, 2040, 255}, "", kLabel8},
    {"Text4", TextBox, {2340, 3210, 900, 345}},
    {"Label9", Label, {3360, 3255, 1620, 255}, "", kLabel9},
    {"Label10", Label, {240, 3630, 4800, 255}, "", kLabel10},
    // Long System Exclusive messages in pieces.
    {"Label11", Label, {240, 4095, 2040, 255}, "", kLabel11},
    {"Text5", TextBox, {2340, 4050, 900, 345}},
    {"Label12", Label, {3360, 4095, 2280, 255}, "", kLabel12},
    {"Label13", Label, {240, 4470, 5400, 255}, "", kLabel13},
    // A bank sent, read back.
    {"Check1", CheckBox, {240, 4890, 5400, 330}, "", kCheck1},
    {"Label14", Label, {240, 5265, 5400, 255}, "", kLabel14},
    {"Label15", Label, {240, 5520, 5400, 255}, "", kLabel15},
    // The instrument model.
    {"Label16", Label, {240, 5940, 2040, 255}, "", kLabel16},
    {"Combo1", Combo, {2340, 5895, 2400, 345}},
    {"Label17", Label, {240, 6315, 5400, 255}, "", kLabel17},
    {"Command1", Command, {2760, 6960, 1320, 420}, "", kCommand1},
    {"Command2", Command, {4260, 6960, 1320, 420}, "", kCommand2},
};

} // namespace vox::midi_settings_layout
