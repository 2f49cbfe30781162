#pragma once
// The editor window's controls and where they lie (twips): the global
// fields, the operator chart with its headings, the Data Entry Zone and the
// command row.

#include "editor/form2.h"
#include "editor/form2_view.h"
#include "ui/control_layout.h"

namespace vox::form2_layout {

// The keyboard that plays the voice lies below the command row.
inline constexpr int kClientWidth = 11520, kClientHeight = 11580;

// Chart rows.
inline constexpr int kRowTop = 2940, kRowPitch = 330, kRowHeight = 300;
// Heading lines above the rows, 12 pixels apart, and below them, 11 apart.
inline constexpr int kTop1 = 2565, kTop2 = 2745, kTopLine = 180;
inline constexpr int kB0 = 4920, kB1 = 5085, kB2 = 5250, kB3 = 5415, kB4 = 5580, kBottomLine = 165;

// Column centres the spaced-out headings put their words over.
inline constexpr int kChartCentres[] = {2325, 5453, 8678};                            // Oscillator, EG, KLS
inline constexpr int kEgCentres[] = {3720, 4215, 4710, 5205, 5700, 6195, 6690, 7185}; // Text23..Text30
inline constexpr int kRateLevelCentres[] = {3720, 5700};
inline constexpr int kLrCentres[] = {8175, 8655, 9180, 9660}; // Text32..Text35
inline constexpr int kCurveDepthCentres[] = {8415, 9420};
inline constexpr int kLfoPitchCentres[] = {5453, 8918};
inline constexpr int kLfoFieldCentres[] = {4215, 4710, 5205, 5700, 6195, 6690};          // Text2..Text7
inline constexpr int kPegCentres[] = {7185, 7680, 8175, 8670, 9165, 9660, 10155, 10650}; // Text9..Text16
inline constexpr int kPegRateLevelCentres[] = {7185, 9165};

using enum ControlKind;
using namespace form2_text;

inline constexpr ControlRow kControls[] = {
    // --- Name, algorithm and the global fields ---
    {"Label34", Label, {120, 90, 600, 300}},
    {"Text39", TextBox, {720, 60, 1800, 330}},
    {"CommandCompare", Command, {2580, 60, 1350, 330}, "", kCommandCompare},
    {"CommandSheet", Command, {5190, 1800, 1560, 330}, "", kCommandSheet},
    {"CommandExplore", Command, {3510, 1800, 1560, 330}, "", kCommandExplore},
    {"Label30", ClickLabel, {120, 500, 1200, 240}, "", kHeadAlgorithm},
    {"Text8", Field, {1380, 480, 480, 300}},
    {"Picture1", Picture, {120, 840, 3240, 1620}},
    Anchors({"", Heading, {3990, 180, 6900, 180}, "", kHeadLfoPitchEg}, kLfoPitchCentres),
    {"", Heading, {3480, 540, 480, 180}, "", kHeadFeed},
    {"", Heading, {3480, 720, 480, 180}, "", kHeadBack},
    Anchors({"", Heading, {3990, 720, 2940, 180}, "", kHeadLfoFields}, kLfoFieldCentres),
    Anchors({"", Heading, {6975, 540, 3900, 180}, "", kHeadPegRateLevel}, kPegRateLevelCentres),
    Anchors({"", Heading, {6975, 720, 3900, 180}, "", kHeadPegNumbers}, kPegCentres),
    {"", Heading, {10935, 540, 480, 180}, "", kHeadKeyT},
    {"", Heading, {10935, 720, 480, 180}, "", kHeadTrance},
    {"", Heading, {10935, 900, 480, 180}, "", kHeadPose},
    {"Text1", Field, {3510, 1260, 420, 300}},
    {"Text2", Field, {3990, 1260, 450, 300}},
    {"Text3", Field, {4485, 1260, 450, 300}},
    {"Text4", Field, {4980, 1260, 450, 300}},
    {"Text5", Field, {5475, 1260, 450, 300}},
    {"Text6", Field, {5970, 1260, 450, 300}},
    {"Text7", Field, {6465, 1260, 450, 300}},
    {"Text9", Field, {6975, 1260, 420, 300}},
    {"Text10", Field, {7470, 1260, 420, 300}},
    {"Text11", Field, {7965, 1260, 420, 300}},
    {"Text12", Field, {8460, 1260, 420, 300}},
    {"Text13", Field, {8955, 1260, 420, 300}},
    {"Text14", Field, {9450, 1260, 420, 300}},
    {"Text15", Field, {9945, 1260, 420, 300}},
    {"Text16", Field, {10440, 1260, 420, 300}},
    {"Text17", Field, {10935, 1260, 420, 300}},
    // Caption-less click targets over the global headings.
    {"Label11", ClickLabel, {3465, 495, 510, 405}},
    {"Label57", ClickLabel, {3960, 495, 495, 450}},
    {"Label58", ClickLabel, {4455, 495, 495, 450}},
    {"Label59", ClickLabel, {4950, 495, 495, 450}},
    {"Label60", ClickLabel, {5445, 495, 495, 450}},
    {"Label61", ClickLabel, {5940, 495, 495, 450}},
    {"Label62", ClickLabel, {6435, 495, 495, 450}},
    {"Label12", ClickLabel, {6930, 495, 3975, 450}},
    {"Label63", ClickLabel, {10890, 495, 510, 600}},

    // --- The operator chart: row i is operator 6 - i ---
    {"", Heading, {1140, kTop1, 495, kTopLine}, "", kHeadAmp},
    Anchors({"", Heading, {1710, kTop1, 8640, kTopLine}, "", kHeadChart}, kChartCentres),
    {"", Heading, {45, kTop2, 630, kTopLine}, "", kHeadOperator},
    {"", Heading, {690, kTop2, 450, kTopLine}, "", kHeadPitch},
    {"", Heading, {1140, kTop2, 495, kTopLine}, "", kHeadLitude},
    Anchors({"", Heading, {3480, kTop2, 3960, kTopLine}, "", kHeadEg}, kEgCentres),
    Anchors({"", Heading, {7920, kTop2, 1965, kTopLine}, "", kHeadLr}, kLrCentres),
    {"", Heading, {690, kB0, 450, kBottomLine}, "", kHeadMod},
    {"", Heading, {690, kB1, 705, kBottomLine}, "", kHeadSensitivity},
    {"", Heading, {2250, kB0, 450, kBottomLine}, "", kHeadFreq},
    {"", Heading, {3015, kB0, 420, kBottomLine}, "", kHeadDe},
    {"", Heading, {3015, kB1, 420, kBottomLine}, "", kHeadTune},
    Anchors({"", Heading, {3480, kB0, 3960, kBottomLine}, "", kHeadRateLevel}, kRateLevelCentres),
    {"", Heading, {7440, kB0, 465, kBottomLine}, "", kHeadBreak},
    {"", Heading, {7440, kB1, 465, kBottomLine}, "", kHeadPoint},
    Anchors({"", Heading, {7920, kB0, 1965, kBottomLine}, "", kHeadCurveDepth}, kCurveDepthCentres),
    {"", Heading, {9915, kB0, 480, kBottomLine}, "", kHeadKey},
    {"", Heading, {9915, kB1, 480, kBottomLine}, "", kHeadBord},
    {"", Heading, {9915, kB2, 480, kBottomLine}, "", kHeadRate},
    {"", Heading, {9915, kB3, 480, kBottomLine}, "", kHeadScal},
    {"", Heading, {9915, kB4, 480, kBottomLine}, "", kHeadIng},
    {"", Heading, {10410, kB0, 480, kBottomLine}, "", kHeadOut},
    {"", Heading, {10410, kB1, 480, kBottomLine}, "", kHeadPut},
    {"", Heading, {10410, kB2, 480, kBottomLine}, "", kHeadLevel},
    {"", Heading, {10905, kB0, 480, kBottomLine}, "", kHeadVelo},
    {"", Heading, {10905, kB1, 480, kBottomLine}, "", kHeadCity},
    {"", Heading, {10905, kB2, 480, kBottomLine}, "", kHeadSens},
    Array(Captions({"Label6", Label, {240, kRowTop, 360, kRowHeight}, ""}, kLabel6), 6, 0, kRowPitch),
    {"Text18", Field, {720, kRowTop, 420, kRowHeight}},
    Array({"Text19", Field, {1170, kRowTop, 465, kRowHeight}}, 6, 0, kRowPitch),
    Array({"Text20", Field, {1710, kRowTop, 330, kRowHeight}}, 6, 0, kRowPitch),
    Array({"Text21", Field, {2055, kRowTop, 885, kRowHeight}}, 6, 0, kRowPitch),
    Array({"Text22", Field, {3015, kRowTop, 420, kRowHeight}}, 6, 0, kRowPitch),
    Array({"Text23", Field, {3510, kRowTop, 420, kRowHeight}}, 6, 0, kRowPitch),
    Array({"Text24", Field, {4005, kRowTop, 420, kRowHeight}}, 6, 0, kRowPitch),
    Array({"Text25", Field, {4500, kRowTop, 420, kRowHeight}}, 6, 0, kRowPitch),
    Array({"Text26", Field, {4995, kRowTop, 420, kRowHeight}}, 6, 0, kRowPitch),
    Array({"Text27", Field, {5490, kRowTop, 420, kRowHeight}}, 6, 0, kRowPitch),
    Array({"Text28", Field, {5985, kRowTop, 420, kRowHeight}}, 6, 0, kRowPitch),
    Array({"Text29", Field, {6480, kRowTop, 420, kRowHeight}}, 6, 0, kRowPitch),
    Array({"Text30", Field, {6975, kRowTop, 420, kRowHeight}}, 6, 0, kRowPitch),
    Array({"Text31", Field, {7470, kRowTop, 420, kRowHeight}}, 6, 0, kRowPitch),
    Array({"Text32", Field, {7950, kRowTop, 450, kRowHeight}}, 6, 0, kRowPitch),
    Array({"Text33", Field, {8430, kRowTop, 450, kRowHeight}}, 6, 0, kRowPitch),
    Array({"Text34", Field, {8955, kRowTop, 450, kRowHeight}}, 6, 0, kRowPitch),
    Array({"Text35", Field, {9435, kRowTop, 450, kRowHeight}}, 6, 0, kRowPitch),
    Array({"Text36", Field, {9930, kRowTop, 420, kRowHeight}}, 6, 0, kRowPitch),
    Array({"Text37", Field, {10425, kRowTop, 420, kRowHeight}}, 6, 0, kRowPitch),
    Array({"Text38", Field, {10920, kRowTop, 420, kRowHeight}}, 6, 0, kRowPitch),
    {"Label29", ClickLabel, {1710, kB1, 1200, 200}},
    // Caption-less click targets over the chart headings: Label13(index).
    {"Label13_0", ClickLabel, {675, kTop1, 450, 360}},
    {"Label13_1", ClickLabel, {1125, kTop1, 555, 360}},
    {"Label13_2", ClickLabel, {1665, kB0, 1305, 165}},
    {"Label13_5", ClickLabel, {2970, kB0, 495, 330}},
    {"Label13_6", ClickLabel, {3465, kB0, 3960, 165}},
    {"Label13_7", ClickLabel, {7425, kB0, 480, 330}},
    {"Label13_8", ClickLabel, {7905, kB0, 1005, 165}},
    {"Label13_9", ClickLabel, {8910, kB0, 975, 165}},
    {"Label13_10", ClickLabel, {9885, kB0, 495, 825}},
    {"Label13_11", ClickLabel, {10380, kB0, 495, 495}},
    {"Label13_12", ClickLabel, {10875, kB0, 540, 495}},
    // The selection frame lies over the chart; the form moves it.
    {"Shape1", Shape, {0, 0, 0, 0}},

    // --- The Data Entry Zone ---
    {"Frame1", Frame, {60, 5820, 11400, 3840}, "", kFrame1},
    // Value panel and the ON/OFF panel share the left of the zone.
    {"Frame3", Frame, {120, 300, 2520, 1380}, "Frame1"},
    {"Text40", Entry, {240, 360, 720, 330}, "Frame3"},
    {"Label31", Label, {240, 360, 720, 330}, "Frame3"},
    // Every panel puts its large step first (left, or above) and its
    // single step second.
    {"UpDown2", UpDown, {1080, 360, 420, 330}, "Frame3"},
    {"UpDown1", UpDown, {1620, 360, 420, 330}, "Frame3"},
    {"Frame2", Frame, {120, 300, 2520, 1380}, "Frame1"},
    {"Option1", Option, {240, 300, 1500, 330}, "Frame2", kOption1},
    {"Option2", Option, {240, 720, 1500, 330}, "Frame2", kOption2},
    {"Frame7", Frame, {120, 300, 2520, 900}, "Frame1", kFrame7},
    {"Option5", Option, {240, 360, 900, 330}, "Frame7", kOption5},
    {"Option6", Option, {1260, 360, 900, 330}, "Frame7", kOption6},
    {"Picture3", Picture, {2760, 300, 3240, 1620}, "Frame1"},
    // Operator columns: column j is operator j + 1.
    {"Frame5", Frame, {2760, 180, 7000, 3060}, "Frame1"},
    {"", Heading, {120, 240, 1000, 200}, "Frame5", kOperatorNo},
    // The Mode, Fine and Coarse frames span the columns with their captions
    // left of them, clear of the option and button rows.
    {"Frame8", Frame, {120, 1260, 6480, 570}, "Frame5", kFrame8},
    {"Frame9_0", Frame, {120, 1860, 6480, 540}, "Frame5", kFrame9Fine},
    {"Frame9_1", Frame, {120, 2430, 6480, 540}, "Frame5", kFrame9Coarse},
    Array({"Shape5", Shape, {560, 500, 380, 380}, "Frame5"}, 2, 0, 360),
    {"Label33", ClickLabel, {600, 540, 300, 300}, "Frame5", kLabel33},
    {"Label9", ClickLabel, {600, 900, 300, 300}, "Frame5", kLabel9},
    Array(
        Captions({"LabelColumn", Heading, {1200, 240, 840, 200}, "Frame5"}, form2_view_text::kColumnNumbers),
        6, 900, 0),
    Array({"Text42", Entry, {1200, 540, 840, 300}, "Frame5"}, 6, 900, 0),
    Array({"Text44", Entry, {1200, 900, 840, 300}, "Frame5"}, 6, 900, 0),
    Array({"Frame6", Panel, {1200, 1410, 840, 360}, "Frame5"}, 6, 900, 0),
    Array({"Option3", Option, {0, 30, 420, 300}, "Frame6_#", kOption3}, 6, 0, 0),
    Array({"Option4", Option, {420, 30, 420, 300}, "Frame6_#", kOption4}, 6, 0, 0),
    Array({"UpDown5", UpDown, {1200, 2040, 400, 300}, "Frame5"}, 6, 900, 0),
    Array({"UpDown6", UpDown, {1640, 2040, 400, 300}, "Frame5"}, 6, 900, 0),
    Array({"UpDown7", UpDown, {1200, 2610, 400, 300}, "Frame5"}, 6, 900, 0),
    Array({"UpDown8", UpDown, {1640, 2610, 400, 300}, "Frame5"}, 6, 900, 0),
    // Operator EG grid: rows are chart rows (operator 6 - i), columns the
    // rates 1..4 then the levels 1..4; box c * 6 + i.
    {"Frame10", Frame, {120, 180, 4200, 3300}, "Frame1"},
    {"", Heading, {420, 150, 1770, 200}, "Frame10", kEgRate},
    {"", Heading, {2220, 150, 1770, 200}, "Frame10", kEgLevel},
    Array(Captions({"", Heading, {420, 360, 420, 200}, "Frame10"}, form2_view_text::kEgColumnNumbers), 8, 450,
          0),
    Array({"Shape3", Shape, {30, 585, 360, 300}, "Frame10"}, 6, 0, 300),
    Array(Captions({"Label7", ClickLabel, {60, 600, 300, 270}, "Frame10"}, kLabel7), 6, 0, 300),
    Grid({"Text43", Entry, {420, 600, 420, 280}, "Frame10"}, 6, 300, 8, 450),
    Array({"UpDown9", UpDown, {420, 2460, 420, 300}, "Frame10"}, 8, 450, 0),
    Array({"UpDown10", UpDown, {420, 2800, 420, 300}, "Frame10"}, 8, 450, 0),
    // Pitch EG boxes.
    {"Frame4", Frame, {120, 180, 4200, 1800}, "Frame1"},
    {"", Heading, {240, 150, 1800, 200}, "Frame4", kEgRate},
    {"", Heading, {2160, 150, 1800, 200}, "Frame4", kEgLevel},
    Array(Captions({"", Heading, {240, 360, 420, 200}, "Frame4"}, form2_view_text::kEgColumnNumbers), 8, 480,
          0),
    Array({"Text41", Entry, {240, 600, 420, 300}, "Frame4"}, 8, 480, 0),
    Array({"UpDown3", UpDown, {240, 960, 420, 300}, "Frame4"}, 8, 480, 0),
    Array({"UpDown4", UpDown, {240, 1320, 420, 300}, "Frame4"}, 8, 480, 0),
    // Graphs: Picture2(0) the pitch EG, Picture2(i + 1) chart row i; the
    // pitch graph shares its place with row 0's.
    {"Picture2_0", Graph, {4440, 180, 2100, 1500}, "Frame1"},
    {"Picture2_1", Graph, {4440, 180, 2100, 1500}, "Frame1"},
    {"Picture2_2", Graph, {6570, 180, 2100, 1500}, "Frame1"},
    {"Picture2_3", Graph, {8700, 180, 2100, 1500}, "Frame1"},
    {"Picture2_4", Graph, {4440, 1740, 2100, 1500}, "Frame1"},
    {"Picture2_5", Graph, {6570, 1740, 2100, 1500}, "Frame1"},
    {"Picture2_6", Graph, {8700, 1740, 2100, 1500}, "Frame1"},
    // What the zone shows, and a mark while it holds values not applied;
    // below the panels and graphs, left of 変更.
    {"ZoneName", Label, {4440, 3360, 4200, 300}, "Frame1"},
    {"ZonePending", Label, {8700, 3360, 1260, 300}, "Frame1", kZonePending},
    {"Command1", Button, {10080, 3300, 1200, 420}, "Frame1", kCommand1},

    // --- Command row ---
    Array(Captions({"Command2", Command, {60, 9780, 1800, 480}, ""}, kCommand2), 6, 1890, 0),

    // --- The keyboard (the view puts it in the panel) ---
    {"KeyboardPanel", Panel, {60, 10380, 11400, 1080}},
};

} // namespace vox::form2_layout
