#pragma once
// Plain state of the controls that behaviour depends on; the Qt views draw
// from these and never decide anything themselves.

#include <string>
#include <vector>

namespace vox {

struct ListBoxState {
    std::vector<std::string> items;
    int selected = -1; // -1: no entry selected

    void clear() {
        items.clear();
        selected = -1;
    }
    void add(std::string item) { items.push_back(std::move(item)); }
};

struct ProgressBarState {
    bool visible = true;
    int value = 0;
    int max = 100;
};

} // namespace vox
