#pragma once
// The library window's bank under construction, as the user sees it: 32
// positions that take voices dragged from the result table or the SOUND
// LIST, reorder by dragging, and the commands beside them. Forwards to
// LibraryWindowForm and redraws from it.

#include "ui/control_layout.h"

#include <functional>

class QCheckBox;
class QLabel;
class QTableView;

namespace vox {

class LibraryWindowForm;
class BuilderList;

class LibraryBuilderView {
public:
    // Over the window's built controls (Panel3, Label11, Check2, Command11
    // to Command18); `results` is the table whose rows may be dragged in;
    // `after` redraws every window once the form acted.
    LibraryBuilderView(LibraryWindowForm &form, const BuiltControls &built, QTableView *results,
                       std::function<void()> after);
    void refresh();

private:
    LibraryWindowForm &form_;
    BuilderList *list_ = nullptr;
    QLabel *label11_ = nullptr;
    QCheckBox *check2_ = nullptr;
    int shown_ = -1;
    bool refreshing_ = false;
};

} // namespace vox
