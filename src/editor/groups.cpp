#include "editor/groups.h"

#include "editor/display_conversions.h"

namespace vox {

int GroupOfControl(std::string_view name) {
    auto lookup = [](std::string_view n) {
        for (const auto &g : kGroups)
            for (const char *t : g.targets)
                if (t && n == t) return g.group;
        return -1;
    };
    if (int g = lookup(name); g >= 0) return g;
    // A field of an operator row opens its whole column's group.
    const auto under = name.rfind('_');
    if (under == std::string_view::npos || name.substr(0, 4) != "Text") return -1;
    const std::string_view base = name.substr(0, under);
    int number = 0;
    for (char c : base.substr(4)) {
        if (c < '0' || c > '9') return -1;
        number = number * 10 + (c - '0');
    }
    if (number < 19 || number > 38) return -1;
    return lookup(base);
}

namespace {
std::optional<std::string> InRangeText(const GroupInfo &g, int stored) {
    switch (g.display) {
    case Display::Number:
        return PlainText(stored - g.offset);
    case Display::BreakPoint:
        return BreakPointText(stored);
    case Display::Curve:
        return CurveName(stored);
    case Display::Detune:
        return DetuneText(stored);
    case Display::LfoWave:
        return LfoWaveName(stored);
    case Display::LfoSync:
        return LfoSyncText(stored);
    case Display::Transpose:
        return TransposeText(stored);
    case Display::Frequency:
        return std::nullopt;
    }
    return std::nullopt;
}
} // namespace

std::optional<std::string> ShownText(const GroupInfo &g, int stored) {
    if (g.display == Display::Frequency) return std::nullopt;
    const int shown = stored - g.offset;
    if (shown >= g.min && shown <= g.max) return InRangeText(g, stored);
    // A name stands for an in-range value only; beyond the range the number.
    const bool named =
        g.display == Display::Curve || g.display == Display::LfoWave || g.display == Display::LfoSync;
    return OutOfRangeText(named ? PlainText(shown) : *InRangeText(g, stored));
}

} // namespace vox
