#pragma once
// The editor's parameter groups, one row each. A group is what one click on
// the chart opens in the Data Entry Zone and what one "変更" sends; its
// number is the DX7 parameter number of its first parameter, and
// SelectedGroup holds it. Whatever the editor does differently per group is
// read from the group's row: the panel, the range, the selection frame, the
// click targets, the step rule, the chart fields and editor value it reads,
// how its values are shown, and which parameters are sent in which order.

#include "voice/parameter_text.h"
#include "voice/voice_layout.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace vox {

enum class Group : int {
    OperatorEg = static_cast<int>(OpParam::Rate1),
    BreakPoint = static_cast<int>(OpParam::BreakPoint),
    Depth = static_cast<int>(OpParam::LeftDepth),
    Curve = static_cast<int>(OpParam::LeftCurve),
    RateScaling = static_cast<int>(OpParam::RateScaling),
    AmpModSens = static_cast<int>(OpParam::AmpModSens),
    KeyVelSens = static_cast<int>(OpParam::KeyVelSens),
    OutputLevel = static_cast<int>(OpParam::OutputLevel),
    Oscillator = static_cast<int>(OpParam::OscMode),
    Detune = static_cast<int>(OpParam::Detune),
    PitchEg = param::PitchRate1,
    Algorithm = param::Algorithm,
    Feedback = param::Feedback,
    LfoSpeed = param::LfoSpeed,
    LfoDelay = param::LfoDelay,
    LfoPmd = param::LfoPmd,
    LfoAmd = param::LfoAmd,
    LfoKeySync = param::LfoKeySync,
    LfoWave = param::LfoWave,
    PitchModSens = param::PitchModSens,
    Transpose = param::Transpose,
};

// A rectangle in twips (1440 to the inch).
struct TwipsBox {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const TwipsBox &) const = default;
};

// The editor's integer copies; per-operator arrays are indexed 1..6 by
// operator number.
struct EditorValues {
    using PerOp = std::array<std::int16_t, 7>;
    PerOp breakPoint{}, leftCurve{}, rightCurve{}, oscMode{}, freqCoarse{}, freqFine{};
    std::array<std::int16_t, 5> pegRate{}, pegLevel{}; // 1..4
    std::int16_t algorithmNo = 1, feedback = 0, oscKeySync = 0;
    std::int16_t lfoSpeed = 0, lfoDelay = 0, lfoPmd = 0, lfoAmd = 0, lfoSync = 0, lfoWave = 0;
    std::string lfoWaveText;
    std::int16_t pitchModSens = 0, transpose = 0;
};

// The Data Entry Zone's working values, indexed by entry column (operator - 1).
struct EntryValues {
    using PerColumn = std::array<std::int16_t, 8>;
    PerColumn breakPoint{}, leftCurve{}, rightCurve{}, oscMode{}, coarse{}, fine{};
    std::int16_t leftActive = 0, rightActive = 0;
};

// How a group is edited in the Data Entry Zone.
enum class GroupPanel { Envelope, PitchEnvelope, Algorithm, Value, OnOff, Columns, Oscillator };

// How the chart and the zone write a group's value: Display, as every
// reader of a parameter shows it (voice/parameter_text.h).

// Where an operator column keeps the value a step changes.
enum class ColumnField {
    Text,       // the number in the column's box(es) itself
    BreakPoint, // EntryBreakPoint
    Curves,     // EntryLeftCurve / EntryRightCurve
    Fine,       // EntryFine (frequency fine, coarse untouched)
};

// Columns shown as a note, a curve or a frequency keep their values in the
// zone's EntryValues; the others are the numbers in their boxes.
constexpr ColumnField ColumnFieldOf(Display display) {
    switch (display) {
    case Display::BreakPoint:
        return ColumnField::BreakPoint;
    case Display::Curve:
        return ColumnField::Curves;
    case Display::Frequency:
        return ColumnField::Fine;
    default:
        return ColumnField::Text;
    }
}

// The parameters "変更" sends, in this order: the operator parameters
// `perBlock` of every voice-data block 0..5, then `globalCount` parameters
// from `firstGlobal` on. Without blockMajor all six blocks of one parameter
// go before the next parameter; with it all parameters of one block go
// before the next block.
struct SendOrder {
    std::array<OpParam, 8> perBlock{};
    int perBlockCount = 0;
    bool blockMajor = false;
    int firstGlobal = 0;
    int globalCount = 0;
};

constexpr SendOrder SendOperators(std::initializer_list<OpParam> params, bool blockMajor = false,
                                  int firstGlobal = 0, int globalCount = 0) {
    SendOrder order{{}, 0, blockMajor, firstGlobal, globalCount};
    for (OpParam p : params)
        order.perBlock[static_cast<std::size_t>(order.perBlockCount++)] = p;
    return order;
}
constexpr SendOrder SendGlobals(int first, int count) { return {{}, 0, false, first, count}; }

struct GroupInfo {
    Group id;
    int group = static_cast<int>(id); // as SelectedGroup holds it
    GroupPanel panel;
    int min, max;               // range of one value, as the zone shows it
    bool rangeToButtons = true; // an operator-column group gives its range to UpDown5/UpDown6
    int tenStep = 0;            // step of the value panel's ±10 buttons; 0: they stay hidden
    Display display = Display::Number;
    int offset = 0; // the value stored and sent = the value shown + offset
    // The chart fields the group reads and writes: Text1..Text38 (Text8 the
    // algorithm number); envelopes: the first of their consecutive fields.
    int leftField = 0, rightField = 0;
    std::int16_t EditorValues::*value = nullptr; // the editor value the value box Text40 carries
    // Column buttons UpDown5 (large) / UpDown6 (single): steps, and whether
    // passing an end of the range wraps to the other end instead of stopping.
    int largeStep = 10, singleStep = 1;
    bool largeWraps = false, singleWraps = false;
    bool twoRows = rightField != 0; // a second row (Text44) stepped by the L/R selectors
    ColumnField field = ColumnFieldOf(display);
    SendOrder send;
    TwipsBox frame; // Shape1
    std::array<const char *, 9> targets;
    int count = send.perBlockCount * kOperatorCount + send.globalCount; // parameters sent
};

namespace group_table {
using P = GroupPanel;
using D = Display;
using O = OpParam;
inline constexpr std::array<GroupInfo, 21> kGroups{{
    {.id = Group::OperatorEg,
     .panel = P::Envelope,
     .min = 0,
     .max = 99,
     .leftField = 23,
     .send = SendOperators(
         {O::Rate1, O::Rate2, O::Rate3, O::Rate4, O::Level1, O::Level2, O::Level3, O::Level4}, true),
     .frame = {3465, 2520, 3975, 3030},
     .targets = {"Text23", "Text24", "Text25", "Text26", "Text27", "Text28", "Text29", "Text30",
                 "Label13_6"}},
    {.id = Group::BreakPoint,
     .panel = P::Columns,
     .min = 0,
     .max = 99,
     .display = D::BreakPoint,
     .leftField = 31,
     .largeStep = 12,
     .send = SendOperators({O::BreakPoint}),
     .frame = {7425, 2520, 510, 2445},
     .targets = {"Text31", "Label13_7"}},
    {.id = Group::Depth,
     .panel = P::Columns,
     .min = 0,
     .max = 99,
     .rangeToButtons = false,
     .leftField = 34,
     .rightField = 35,
     .singleWraps = true,
     .send = SendOperators({O::LeftDepth, O::RightDepth}),
     .frame = {8910, 2535, 1020, 2445},
     .targets = {"Text34", "Text35", "Label13_9"}},
    {.id = Group::Curve,
     .panel = P::Columns,
     .min = 0,
     .max = 3,
     .rangeToButtons = false,
     .display = D::Curve,
     .leftField = 32,
     .rightField = 33,
     .largeStep = 1,
     .largeWraps = true,
     .singleWraps = true,
     .send = SendOperators({O::LeftCurve, O::RightCurve}),
     .frame = {7905, 2535, 1020, 2445},
     .targets = {"Text32", "Text33", "Label13_8"}},
    {.id = Group::RateScaling,
     .panel = P::Columns,
     .min = 0,
     .max = 7,
     .leftField = 36,
     .largeStep = 1,
     .send = SendOperators({O::RateScaling}),
     .frame = {9885, 2550, 540, 3000},
     .targets = {"Text36", "Label13_10"}},
    {.id = Group::AmpModSens,
     .panel = P::Columns,
     .min = 0,
     .max = 3,
     .leftField = 19,
     .largeStep = 1,
     .send = SendOperators({O::AmpModSens}),
     .frame = {1125, 2520, 555, 2445},
     .targets = {"Text19", "Label13_1"}},
    {.id = Group::KeyVelSens,
     .panel = P::Columns,
     .min = 0,
     .max = 7,
     .leftField = 38,
     .largeStep = 1,
     .send = SendOperators({O::KeyVelSens}),
     .frame = {10875, 2550, 540, 2490},
     .targets = {"Text38", "Label13_12"}},
    {.id = Group::OutputLevel,
     .panel = P::Columns,
     .min = 0,
     .max = 99,
     .leftField = 37,
     .send = SendOperators({O::OutputLevel}),
     .frame = {10380, 2550, 540, 2490},
     .targets = {"Text37", "Label13_11"}},
    {.id = Group::Oscillator,
     .panel = P::Oscillator,
     .min = 0,
     .max = 99,
     .display = D::Frequency,
     .leftField = 21,
     .value = &EditorValues::oscKeySync,
     .send = SendOperators({O::OscMode, O::FreqCoarse, O::FreqFine}, false, param::OscKeySync, 1),
     .frame = {1665, 2565, 1320, 2400},
     .targets = {"Text20", "Text21", "Label29", "Label13_2"}},
    {.id = Group::Detune,
     .panel = P::Columns,
     .min = -7,
     .max = 7,
     .display = D::Detune,
     .offset = 7,
     .leftField = 22,
     .largeStep = 1,
     .send = SendOperators({O::Detune}),
     .frame = {2970, 2520, 510, 2445},
     .targets = {"Text22", "Label13_5"}},
    {.id = Group::PitchEg,
     .panel = P::PitchEnvelope,
     .min = 0,
     .max = 99,
     .leftField = 9,
     .send = SendGlobals(param::PitchRate1, 8),
     .frame = {6930, 495, 3975, 1995},
     .targets = {"Label12", "Text9", "Text10", "Text11", "Text12", "Text13", "Text14", "Text15", "Text16"}},
    {.id = Group::Algorithm,
     .panel = P::Algorithm,
     .min = 1,
     .max = 32,
     .tenStep = 10,
     .offset = -1,
     .leftField = 8,
     .value = &EditorValues::algorithmNo,
     .send = SendGlobals(param::Algorithm, 1),
     .frame = {45, 450, 3390, 2085},
     .targets = {"Label30", "Text8"}},
    {.id = Group::Feedback,
     .panel = P::Value,
     .min = 0,
     .max = 7,
     .leftField = 1,
     .value = &EditorValues::feedback,
     .send = SendGlobals(param::Feedback, 1),
     .frame = {3465, 495, 510, 1995},
     .targets = {"Label11", "Text1"}},
    {.id = Group::LfoSpeed,
     .panel = P::Value,
     .min = 0,
     .max = 99,
     .tenStep = 10,
     .leftField = 3,
     .value = &EditorValues::lfoSpeed,
     .send = SendGlobals(param::LfoSpeed, 1),
     .frame = {4455, 495, 510, 1680},
     .targets = {"Label58", "Text3"}},
    {.id = Group::LfoDelay,
     .panel = P::Value,
     .min = 0,
     .max = 99,
     .tenStep = 10,
     .leftField = 4,
     .value = &EditorValues::lfoDelay,
     .send = SendGlobals(param::LfoDelay, 1),
     .frame = {4950, 495, 510, 1680},
     .targets = {"Label59", "Text4"}},
    {.id = Group::LfoPmd,
     .panel = P::Value,
     .min = 0,
     .max = 99,
     .tenStep = 10,
     .leftField = 5,
     .value = &EditorValues::lfoPmd,
     .send = SendGlobals(param::LfoPmd, 1),
     .frame = {5445, 495, 510, 1680},
     .targets = {"Label60", "Text5"}},
    {.id = Group::LfoAmd,
     .panel = P::Value,
     .min = 0,
     .max = 99,
     .tenStep = 10,
     .leftField = 6,
     .value = &EditorValues::lfoAmd,
     .send = SendGlobals(param::LfoAmd, 1),
     .frame = {5940, 495, 510, 1680},
     .targets = {"Label61", "Text6"}},
    {.id = Group::LfoKeySync,
     .panel = P::OnOff,
     .min = 0,
     .max = 1,
     .display = D::LfoSync,
     .leftField = 7,
     .value = &EditorValues::lfoSync,
     .send = SendGlobals(param::LfoKeySync, 1),
     .frame = {6435, 495, 510, 1680},
     .targets = {"Label62", "Text7"}},
    {.id = Group::LfoWave,
     .panel = P::Value,
     .min = 0,
     .max = 5,
     .display = D::LfoWave,
     .leftField = 2,
     .value = &EditorValues::lfoWave,
     .send = SendGlobals(param::LfoWave, 1),
     .frame = {3960, 495, 510, 1680},
     .targets = {"Label57", "Text2"}},
    {.id = Group::PitchModSens,
     .panel = P::Value,
     .min = 0,
     .max = 7,
     .leftField = 18,
     .value = &EditorValues::pitchModSens,
     .send = SendGlobals(param::PitchModSens, 1),
     .frame = {675, 2520, 510, 2445},
     .targets = {"Text18", "Label13_0"}},
    {.id = Group::Transpose,
     .panel = P::Value,
     .min = 0,
     .max = 48,
     .tenStep = 12,
     .display = D::Transpose,
     .leftField = 17,
     .value = &EditorValues::transpose,
     .send = SendGlobals(param::Transpose, 1),
     .frame = {10890, 495, 510, 1995},
     .targets = {"Label63", "Text17"}},
}};
} // namespace group_table

using group_table::kGroups;

inline constexpr const auto &GroupTable() { return kGroups; }

constexpr const GroupInfo *FindGroup(int group) {
    for (const GroupInfo &g : kGroups)
        if (g.group == group) return &g;
    return nullptr;
}
constexpr const GroupInfo &GroupRow(Group id) { return *FindGroup(static_cast<int>(id)); }

// What a group sets, as the instrument's panel and owner's manual name it;
// the same in every language.
constexpr const char *GroupName(Group id) {
    switch (id) {
    case Group::OperatorEg:
        return "OPERATOR EG  RATE 1-4 / LEVEL 1-4";
    case Group::BreakPoint:
        return "KEYBOARD LEVEL SCALING  BREAK POINT";
    case Group::Depth:
        return "KEYBOARD LEVEL SCALING  LEFT / RIGHT DEPTH";
    case Group::Curve:
        return "KEYBOARD LEVEL SCALING  LEFT / RIGHT CURVE";
    case Group::RateScaling:
        return "KEYBOARD RATE SCALING";
    case Group::AmpModSens:
        return "AMPLITUDE MODULATION SENSITIVITY";
    case Group::KeyVelSens:
        return "KEY VELOCITY SENSITIVITY";
    case Group::OutputLevel:
        return "OPERATOR OUTPUT LEVEL";
    case Group::Oscillator:
        return "OSCILLATOR MODE / FREQUENCY / KEY SYNC";
    case Group::Detune:
        return "OSCILLATOR DETUNE";
    case Group::PitchEg:
        return "PITCH EG  RATE 1-4 / LEVEL 1-4";
    case Group::Algorithm:
        return "ALGORITHM";
    case Group::Feedback:
        return "FEEDBACK";
    case Group::LfoSpeed:
        return "LFO SPEED";
    case Group::LfoDelay:
        return "LFO DELAY";
    case Group::LfoPmd:
        return "LFO PITCH MODULATION DEPTH";
    case Group::LfoAmd:
        return "LFO AMPLITUDE MODULATION DEPTH";
    case Group::LfoKeySync:
        return "LFO KEY SYNC";
    case Group::LfoWave:
        return "LFO WAVE";
    case Group::PitchModSens:
        return "PITCH MODULATION SENSITIVITY";
    case Group::Transpose:
        return "KEY TRANSPOSE";
    }
    return "";
}

// The DX7 parameter number of item n sent by "変更" for a group, or -1.
constexpr int GroupParameter(const GroupInfo &g, int n) {
    const SendOrder &s = g.send;
    const int blockItems = s.perBlockCount * kOperatorCount;
    if (n < 0 || n >= g.count) return -1;
    if (n >= blockItems) return s.firstGlobal + n - blockItems;
    const int block = s.blockMajor ? n / s.perBlockCount : n % kOperatorCount;
    const int k = s.blockMajor ? n % s.perBlockCount : n / kOperatorCount;
    return BlockParamNumber(block, s.perBlock[static_cast<std::size_t>(k)]);
}
constexpr int GroupParameter(int group, int n) {
    const GroupInfo *g = FindGroup(group);
    return g ? GroupParameter(*g, n) : -1;
}

// Every group has a row, the rows are in the order of their numbers, and
// what a group sends starts at its own number and fits ParamValues (49).
constexpr bool GroupTableIsWhole() {
    int last = -1;
    for (const GroupInfo &g : kGroups) {
        if (g.group <= last || g.count < 1 || g.count > 48 || GroupParameter(g, 0) != g.group) return false;
        if (g.targets[0] == nullptr || g.min > g.max) return false;
        last = g.group;
    }
    return true;
}
static_assert(GroupTableIsWhole());

// Each group shows its values as every other reader shows its parameters
// (FormOfParameter): the voice difference and the library read those.
constexpr bool GroupsShowAsParametersDo() {
    for (const GroupInfo &g : kGroups) {
        if (g.display == Display::Frequency) continue;
        for (int n = 0; n < g.count; ++n)
            if (FormOfParameter(GroupParameter(g, n)) != ValueForm{g.display, g.min, g.max, g.offset})
                return false;
    }
    return true;
}
static_assert(GroupsShowAsParametersDo());

// The group a click on a control opens ("Text37_3", "Label13_11", "Label30"), or -1.
int GroupOfControl(std::string_view controlName);

// The text of a value as the chart shows it: `stored` is the value as the
// voice holds it (shown value + offset). A value outside the group's range
// is shown as it is, marked (OutOfRangeText; a curve, wave or sync as its
// number). No text for the frequency, which takes three values.
std::optional<std::string> ShownText(const GroupInfo &g, int stored);

// Label31 shows the value's text beside the value box (wave and transpose).
constexpr bool HasCaption(const GroupInfo &g) {
    return g.panel == GroupPanel::Value && g.display != Display::Number;
}

} // namespace vox
