#include "editor/step_rules.h"

#include "voice/text.h"

#include <algorithm>

namespace vox {

const ColumnStepRule& ColumnStepRuleFor(int group) {
    for (const ColumnStepRule& rule : kColumnStepRules)
        if (rule.group == group) return rule;
    return kDefaultColumnRule;
}

int StepColumnValue(const ColumnStepRule& rule, int value, StepButton button, StepDirection direction) {
    const bool large = button == StepButton::Large;
    const int step = large ? rule.largeStep : rule.singleStep;
    const StepLimit& limit = large ? rule.largeLimit : rule.singleLimit;
    int v = std::clamp(value, limit.min, limit.max) + (direction == StepDirection::Up ? step : -step);
    if (v > limit.max) v = limit.wraps ? limit.min : limit.max;
    if (v < limit.min) v = limit.wraps ? limit.max : limit.min;
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
    constexpr int kTransposeGroup = 144;
    const int s = group == kTransposeGroup ? 12 : 10;
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
            while (v < min) v += s;
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
