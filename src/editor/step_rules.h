#pragma once
// How the Data Entry Zone's step buttons change a value: one routine
// reading the group table's column steps, and the rules of the value box,
// the coarse buttons and the envelope boxes. Only numbers here; the form
// writes the texts.

#include "editor/groups.h"

#include <string_view>

namespace vox {

enum class StepButton { Large, Single }; // UpDown5 / UpDown6
enum class StepDirection { Up, Down };

// The row whose column buttons a group's steps follow: its own for the
// operator-column groups and the oscillator, output level's otherwise.
const GroupInfo &ColumnStepRuleFor(int group);

// value stepped by the button, then stopped at or wrapped past the limits.
int StepColumnValue(const GroupInfo &rule, int value, StepButton button, StepDirection direction);

// Reads a box's number: optional blanks, a sign and digits; whatever follows
// is ignored. A text that is not a number, or a number outside min..max,
// reads as the nearest value inside min..max (no digits count as 0).
int ReadEntryNumber(std::string_view text, int min, int max);

// UpDown1 on the value box: +-1, stopping at min and max.
int StepValueBoxSingle(int value, int min, int max, StepDirection direction);

// UpDown2 on the value box: the group's ten-step (12 for transpose), wrapping
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
