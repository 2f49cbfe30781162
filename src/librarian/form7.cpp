#include "librarian/form7.h"

#include "workspace/unwritten.h"

#include <algorithm>

namespace vox {

void Form7::open() {
    const std::vector<std::string> &entries = mainWindow_.soundListEntries();
    list1.clear();
    // A SOUND LIST shorter than 32 entries gives a shorter choice.
    const std::size_t n = std::min(entries.size(), kBankSlots);
    for (std::size_t i = 0; i < n; ++i)
        list1.add(entries[i]);
    const int entry = program_.workspace.editAreaEntry();
    list1.selected = entry >= 1 && entry <= static_cast<int>(n) ? entry - 1 : -1;
    open_ = true;
}

void Form7::command1Click() {
    if (!open_) return;
    const int selected = list1.selected;
    // Without a position the voice would go into slot 0, which is in no
    // list: nothing would be written though the chooser closed.
    if (selected < 0 || selected >= static_cast<int>(list1.items.size())) {
        ShowMessage(program_.host, form7_text::kNoPosition);
        return;
    }
    if (!PortFree(program_.state, program_.host)) return;
    // Only the parameters: the slot's header and checksum bytes stay. The
    // voice now stands as written; the bank shows as changed.
    program_.workspace.writeEditArea(selected + 1);
    SendEditArea(program_.state, program_.host, program_.workspace);
    closeForm();
}

void Form7::command2Click() {
    if (!open_) return;
    closeForm();
}

void Form7::queryUnload() {
    if (!open_) return;
    closeForm();
}

void Form7::closeForm() {
    open_ = false;
    mainWindow_.setEnabled(true);
    program_.host.closeWindow(WindowId::Form7);
}

} // namespace vox
