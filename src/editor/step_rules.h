#pragma once
// How the Data Entry Zone's step buttons change a value: one table of the
// per-operator groups' rules, one routine reading it, and the rules of the
// value box, the coarse buttons and the envelope boxes. Only numbers here;
// the form writes the texts.

#include <array>
#include <string_view>

namespace vox {

enum class StepButton { Large, Single };  // UpDown5 / UpDown6
enum class StepDirection { Up, Down };

// Where an operator column keeps the value a step changes.
enum class ColumnField {
    Text,        // the number in the column's box(es) itself
    BreakPoint,  // EntryBreakPoint
    Curves,      // EntryLeftCurve / EntryRightCurve
    Fine,        // EntryFine (frequency fine, coarse untouched)
};

// How the column's box shows the value after a step.
enum class ColumnDisplay { Number, BreakPoint, Curve, Frequency, Detune };

struct StepLimit {
    int min;
    int max;
    bool wraps; // past one end jumps to the other instead of stopping
};

struct ColumnStepRule {
    int group;            // SelectedGroup
    ColumnField field;
    ColumnDisplay display;
    bool twoRows;         // a second row (Text44) stepped by the L/R selectors
    int largeStep;        // UpDown5
    int singleStep;       // UpDown6
    StepLimit largeLimit;
    StepLimit singleLimit;
};

inline constexpr ColumnStepRule kDefaultColumnRule{
    16, ColumnField::Text, ColumnDisplay::Number, false, 10, 1, {0, 99, false}, {0, 99, false}};

inline constexpr std::array<ColumnStepRule, 8> kColumnStepRules{{
    {8, ColumnField::BreakPoint, ColumnDisplay::BreakPoint, false, 12, 1, {0, 99, false}, {0, 99, false}},
    {9, ColumnField::Text, ColumnDisplay::Number, true, 10, 1, {0, 99, false}, {0, 99, true}},
    {11, ColumnField::Curves, ColumnDisplay::Curve, true, 1, 1, {0, 3, true}, {0, 3, true}},
    {13, ColumnField::Text, ColumnDisplay::Number, false, 1, 1, {0, 7, false}, {0, 7, false}},
    {14, ColumnField::Text, ColumnDisplay::Number, false, 1, 1, {0, 3, false}, {0, 3, false}},
    {15, ColumnField::Text, ColumnDisplay::Number, false, 1, 1, {0, 7, false}, {0, 7, false}},
    {17, ColumnField::Fine, ColumnDisplay::Frequency, false, 10, 1, {0, 99, false}, {0, 99, false}},
    {20, ColumnField::Text, ColumnDisplay::Detune, false, 1, 1, {-7, 7, false}, {-7, 7, false}},
}};

// The rule of a group; output level's (and any group not listed) otherwise.
const ColumnStepRule& ColumnStepRuleFor(int group);

// value stepped by the button, then stopped at or wrapped past the limits.
int StepColumnValue(const ColumnStepRule& rule, int value, StepButton button, StepDirection direction);

// Reads a box's number: optional blanks, a sign and digits; whatever follows
// is ignored. A text that is not a number, or a number outside min..max,
// reads as the nearest value inside min..max (no digits count as 0).
int ReadEntryNumber(std::string_view text, int min, int max);

// UpDown1 on the value box: +-1, stopping at min and max.
int StepValueBoxSingle(int value, int min, int max, StepDirection direction);

// UpDown2 on the value box: +-10 (+-12 for transpose, group 144), wrapping
// to the other end while keeping the position within the step. The result
// always lies inside min..max, also for a range that does not start at 0
// (the algorithm group's 1..32: 30 up gives 10).
int StepValueBoxTen(int group, int value, int min, int max, StepDirection direction);

// UpDown7 (+-10) and UpDown8 (+-1) on the frequency coarse value, 0..31.
inline constexpr int kCoarseMax = 31;
int StepCoarse(int coarse, int step, StepDirection direction);

// UpDown9 (+-10) / UpDown10 (+-1) on an operator EG box and UpDown4 (+-1)
// on a pitch EG box: 0..99, stopping at the ends.
int StepEnvelopeValue(int value, int step, StepDirection direction);

// UpDown3 on a pitch EG box: +-10 wrapping (5 down gives 95, 95 up gives 5).
int StepPitchTen(int value, StepDirection direction);

} // namespace vox
