#include "editor/step_rules.h"

#include "voice/text.h"

#include <algorithm>

namespace vox {

const GroupInfo &ColumnStepRuleFor(int group) {
    const GroupInfo *g = FindGroup(group);
    if (g && (g->panel == GroupPanel::Columns || g->panel == GroupPanel::Oscillator)) return *g;
    return GroupRow(Group::OutputLevel);
}

int StepColumnValue(const GroupInfo &rule, int value, StepButton button, StepDirection direction) {
    const bool large = button == StepButton::Large;
    const int step = large ? rule.largeStep : rule.singleStep;
    const bool wraps = large ? rule.largeWraps : rule.singleWraps;
    int v = std::clamp(value, rule.min, rule.max) + (direction == StepDirection::Up ? step : -step);
    if (v > rule.max) v = wraps ? rule.min : rule.max;
    if (v < rule.min) v = wraps ? rule.max : rule.min;
    return v;
}

int ReadEntryNumber(std::string_view text, int min, int max) {
    return std::clamp(LeadingInteger(text).value_or(0), min, max);
}

int StepValueBoxSingle(int value, int min, int max, StepDirection direction) {
    const int v = std::clamp(value, min, max) + (direction == StepDirection::Up ? 1 : -1);
    return std::clamp(v, min, max);
}

int StepValueBoxTen(int group, int value, int min, int max, StepDirection direction) {
    const GroupInfo *g = FindGroup(group);
    const int s = g && g->tenStep ? g->tenStep : 10;
    int v = std::clamp(value, min, max);
    if (direction == StepDirection::Down) {
        v -= s;
        if (v < min) {
            v = v + s + (max / s) * s;
            if (v > max) v -= s;
        }
    } else {
        v += s;
        if (v > max) {
            v %= s;
            // A range starting above 0: the lowest value of the same place
            // within the step that lies inside it.
            while (v < min)
                v += s;
        }
    }
    return std::clamp(v, min, max);
}

int StepCoarse(int coarse, int step, StepDirection direction) {
    return std::clamp(coarse + (direction == StepDirection::Up ? step : -step), 0, kCoarseMax);
}

int StepEnvelopeValue(int value, int step, StepDirection direction) {
    return std::clamp(std::clamp(value, 0, 99) + (direction == StepDirection::Up ? step : -step), 0, 99);
}

int StepPitchTen(int value, StepDirection direction) {
    int v = std::clamp(value, 0, 99);
    if (direction == StepDirection::Down) {
        v -= 10;
        if (v < 0) v = v + 10 + 90;
    } else {
        v += 10;
        if (v > 99) v %= 10;
    }
    return v;
}

} // namespace vox
