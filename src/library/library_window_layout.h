#pragma once
// The library window's controls and where they lie (twips). The result
// table and the duplicates view are made by the view inside their panels.

#include "library/library_window.h"
#include "ui/control_layout.h"

namespace vox::library_layout {

// The keyboard that plays the chosen voice lies below the status lines;
// the bank under construction stands in a column of its own on the right.
inline constexpr int kClientWidth = 17280, kClientHeight = 10380;

using enum ControlKind;
using namespace library_text;

inline constexpr ControlRow kControls[] = {
    // The folders indexed.
    {"Frame1", Frame, {120, 60, 12360, 1560}, "", kFrame1},
    {"List1", List, {120, 300, 10020, 1140}, "Frame1"},
    {"Command1", Command, {10260, 300, 1980, 360}, "Frame1", kCommand1},
    {"Command2", Command, {10260, 690, 1980, 360}, "Frame1", kCommand2},
    {"Command3", Command, {10260, 1080, 1980, 360}, "Frame1", kCommand3},
    // The search: the name as typed, and the parameter filters.
    {"Label1", Label, {120, 1785, 540, 255}, "", kLabel1},
    {"Text1", TextBox, {660, 1740, 3300, 345}},
    {"Label2", Label, {4140, 1785, 1200, 255}, "", kLabel2},
    {"Combo1", Combo, {5340, 1740, 1080, 345}},
    {"Label3", Label, {6600, 1785, 1380, 255}, "", kLabel3},
    {"Combo2", Combo, {7980, 1740, 1080, 345}},
    {"Label4", Label, {9240, 1785, 1140, 255}, "", kLabel4},
    {"Combo3", Combo, {10380, 1740, 1080, 345}},
    // The user's marks: category, favourites, rating, tag.
    {"Label8", Label, {120, 2235, 720, 255}, "", kLabel8},
    {"Combo4", Combo, {840, 2190, 2280, 345}},
    {"Check1", CheckBox, {3240, 2212, 1980, 300}, "", kCheck1},
    {"Label9", Label, {5400, 2235, 540, 255}, "", kLabel9},
    {"Combo5", Combo, {5940, 2190, 1080, 345}},
    {"Label10", Label, {7200, 2235, 540, 255}, "", kLabel10},
    {"Text3", TextBox, {7740, 2190, 2400, 345}},
    // What the panel below shows.
    {"Option1", Option, {120, 2670, 1500, 300}, "", kOption1},
    {"Option2", Option, {1740, 2670, 1320, 300}, "", kOption2},
    {"Option3", Option, {3180, 2670, 1320, 300}, "", kOption3},
    {"Label5", Label, {4620, 2700, 900, 255}, "", kLabel5},
    {"Text2", TextBox, {5520, 2655, 720, 345}},
    {"Command5", Command, {6420, 2640, 1800, 360}, "", kCommand5},
    // The files of the later models' messages, in a window of their own.
    {"Command19", Command, {8340, 2640, 2400, 360}, "", kCommand19},
    {"Panel1", Panel, {120, 3090, 12360, 4650}}, // the result table
    {"Panel2", Panel, {120, 3090, 12360, 4650}}, // the duplicates view
    // What to do with the chosen voice.
    {"Command6", Command, {120, 7860, 2880, 405}, "", kCommand6},
    {"Command7", Command, {3120, 7860, 3360, 405}, "", kCommand7},
    {"Command8", Command, {6600, 7860, 2640, 405}, "", kCommand8},
    {"Command9", Command, {9360, 7860, 1560, 405}, "", kCommand9},
    {"Command10", Command, {11040, 7860, 1440, 405}, "", kCommand10},
    // The counts, a run's progress with its cancel button, the last run.
    {"Label7", Label, {120, 8415, 5880, 255}},
    {"ProgressBar1", ProgressBar, {6120, 8400, 4920, 285}},
    {"Command4", Command, {11160, 8362, 1320, 360}, "", kCommand4},
    {"Label6", Label, {120, 8790, 12360, 255}},
    // The keyboard (the view puts it in the panel).
    {"KeyboardPanel", Panel, {120, 9180, 12360, 1080}},
    // The bank under construction: its 32 positions (the view puts the
    // list in the panel), then what goes in and what comes out.
    {"Label12", Label, {12720, 105, 2400, 255}, "", kFrame2},
    {"Label11", Label, {15240, 105, 1920, 255}},
    {"Panel3", Panel, {12720, 420, 4440, 6900}},
    {"Command11", Command, {12720, 7440, 1440, 360}, "", kCommand11},
    {"Command13", Command, {14220, 7440, 1440, 360}, "", kCommand13},
    {"Command14", Command, {15720, 7440, 1440, 360}, "", kCommand14},
    {"Command12", Command, {12720, 7860, 2400, 405}, "", kCommand12},
    {"Check2", CheckBox, {15240, 7912, 1920, 300}, "", kCheck2},
    {"Command15", Command, {12720, 8362, 1440, 360}, "", kCommand15},
    {"Command16", Command, {14220, 8362, 2940, 360}, "", kCommand16},
    {"Command17", Command, {12720, 8790, 2160, 360}, "", kCommand17},
    {"Command18", Command, {15000, 8790, 2160, 360}, "", kCommand18},
};

// The window may be enlarged: the folder list and the result panels grow
// with it, what lies below the panels moves down.
inline constexpr FollowRow kFollow[] = {
    {"Frame1", Follow::Wider},
    {"List1", Follow::Wider},
    {"Command1", Follow::Right},
    {"Command2", Follow::Right},
    {"Command3", Follow::Right},
    {"Panel1", Follow::Wider | Follow::Taller},
    {"Panel2", Follow::Wider | Follow::Taller},
    {"Command6", Follow::Down},
    {"Command7", Follow::Down},
    {"Command8", Follow::Down},
    {"Command9", Follow::Down},
    {"Command10", Follow::Down},
    {"Label7", Follow::Down},
    {"ProgressBar1", Follow::Down},
    {"Command4", Follow::Down},
    {"Label6", Follow::Down | Follow::Wider},
    {"KeyboardPanel", Follow::Down | Follow::Wider},
    {"Label12", Follow::Right},
    {"Label11", Follow::Right},
    {"Panel3", Follow::Right | Follow::Taller},
    {"Command11", Follow::Right | Follow::Down},
    {"Command13", Follow::Right | Follow::Down},
    {"Command14", Follow::Right | Follow::Down},
    {"Command12", Follow::Right | Follow::Down},
    {"Check2", Follow::Right | Follow::Down},
    {"Command15", Follow::Right | Follow::Down},
    {"Command16", Follow::Right | Follow::Down},
    {"Command17", Follow::Right | Follow::Down},
    {"Command18", Follow::Right | Follow::Down},
};

// The comparison of two voices (音色の比較): the two voices named above
// the list of what differs.
inline constexpr int kCompareWidth = 9000, kCompareHeight = 6480;

inline constexpr ControlRow kCompareControls[] = {
    {"Label1", Label, {120, 120, 8760, 255}},  {"Label2", Label, {120, 420, 8760, 255}},
    {"Panel1", Panel, {120, 780, 8760, 5040}}, // the differences
    {"Label3", Label, {120, 6000, 6000, 255}}, {"Command1", Command, {7560, 5940, 1320, 405}, "", kClose},
};

// Where a voice has been (音色の所在): the voice, the places of its sound,
// the voices near it.
inline constexpr int kWhereWidth = 9000, kWhereHeight = 7440;

inline constexpr ControlRow kWhereControls[] = {
    {"Label1", Label, {120, 120, 8760, 255}},
    {"Label2", Label, {120, 480, 8760, 255}},
    {"Panel1", Panel, {120, 780, 8760, 2760}}, // the places
    {"Label3", Label, {120, 3660, 8760, 255}},
    {"Panel2", Panel, {120, 3960, 8760, 2760}}, // the voices near it
    {"Command1", Command, {7560, 6900, 1320, 405}, "", kClose},
};

// The files of the later models' messages (後継機のデータのファイル): how
// many, then each with what can be named of it.
inline constexpr int kFamilyWidth = 9000, kFamilyHeight = 5400;

inline constexpr ControlRow kFamilyControls[] = {
    {"Label1", Label, {120, 120, 8760, 255}},
    {"Panel1", Panel, {120, 480, 8760, 4260}}, // the files
    {"Command1", Command, {7560, 4860, 1320, 405}, "", kClose},
};

} // namespace vox::library_layout
