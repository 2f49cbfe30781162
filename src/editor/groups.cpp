#include "editor/groups.h"

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

std::optional<std::string> ShownText(const GroupInfo &g, int stored) {
    return ShownValueText({g.display, g.min, g.max, g.offset}, stored);
}

} // namespace vox
