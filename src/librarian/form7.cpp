#include "librarian/form7.h"

#include "midi/midi_output.h"

#include <algorithm>

namespace vox {

void Form7::open() {
    const std::vector<std::string> &entries = mainWindow_.soundListEntries();
    list1.clear();
    // A SOUND LIST shorter than 32 entries gives a shorter choice.
    const std::size_t n = std::min(entries.size(), kBankSlots);
    for (std::size_t i = 0; i < n; ++i)
        list1.add(entries[i]);
    open_ = true;
}

void Form7::command1Click() {
    if (!open_) return;
    ProgramState &state = program_.state;
    const int selected = list1.selected;
    const int p = selected >= 0 && selected < static_cast<int>(list1.items.size()) ? selected + 1 : 0;
    Slot &slot = state.voiceTable[static_cast<std::size_t>(p)];
    // Only the parameters: the slot's header and checksum bytes stay.
    std::copy(state.editBuffer.begin() + kParamBase, state.editBuffer.begin() + kParamBase + kParamCount,
              slot.begin() + kParamBase);
    mainWindow_.soundListChanged();
    // Slot 0 has no list entry to rebuild its text; without this the edit
    // area would name the voice slot 0 held before.
    if (p == 0) state.slotText[0] = " 0. " + VoiceName(slot);
    mainWindow_.setEditAreaText(state.slotText[static_cast<std::size_t>(p)]);
    state.currentSlot = static_cast<std::int16_t>(p);
    // Written into the list, the voice is stored (the bank now shows as
    // changed); slot 0 is in no list and no file, so it still counts as
    // unwritten.
    if (p != 0) mainWindow_.editAreaFromEntry();
    SendCurrentVoice(state, program_.host);
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
