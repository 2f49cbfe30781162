// SOUND LIST, edit area, audition and the overwrite chooser's opener.
#include "librarian/form1.h"

#include "librarian/form7.h"
#include "midi/midi_input.h"
#include "midi/midi_output.h"
#include "voice/text.h"

#include <algorithm>

namespace vox {

namespace {
inline constexpr Byte kAuditionNote = 80;
inline constexpr Byte kAuditionVelocity = 100;
inline constexpr int kHighestProgram = 127;
} // namespace

int AuditionProgram(const std::string &text) {
    const int value = LeadingInteger(text).value_or(0);
    return value < 0 ? 0 : std::min(value, kHighestProgram);
}

ListBoxState Form1::list3() const {
    ListBoxState list;
    // A receive shows the list empty until all 32 voices are in; the bank
    // itself is untouched until then.
    if (program_.state.receive.recvMode != 0) return list;
    list.items = program_.workspace.soundListEntries();
    list.selected = list3Selected();
    return list;
}

void Form1::list3Select(int index) {
    list3Selected_ = index;
    list3SelectedIn_ = program_.workspace.bankRevision();
}

int Form1::list3Selected() const {
    if (list3SelectedIn_ != program_.workspace.bankRevision()) return -1;
    return list3Selected_;
}

void Form1::clearReceiveLogs() {
    list1.clear();
    list2.clear();
    list4.clear();
}

void Form1::command11Click() {
    const ListBoxState list = list3();
    const int selected = list.selected;
    if (selected < 0 || selected >= static_cast<int>(list.items.size()) ||
        selected >= static_cast<int>(kBankSlots)) {
        ShowMessage(program_.host, form1_text::kNoSelection);
        return;
    }
    if (!PortFree(program_.state, program_.host)) return;
    if (!MayDiscard(program_.host, program_.workspace, Replaces::EditArea, windows_.editorNameEdited()))
        return;
    list3Select(-1);
    program_.workspace.placeEntry(selected + 1);
    sendEditArea();
}

void Form1::list3DoubleClick() { command11Click(); }

void Form1::command12Click() {
    if (text2().empty()) {
        ShowMessage(program_.host, form1_text::kEditAreaEmpty);
        return;
    }
    if (list3().items.size() != kBankSlots) {
        ShowMessage(program_.host, form1_text::kChooserNoBank);
        return;
    }
    if (!PortFree(program_.state, program_.host)) return;
    setEnabled(false);
    chooser_.open();
    program_.host.showWindow(WindowId::Form7);
}

void Form1::command1MouseDown() {
    ProgramState &state = program_.state;
    if (!PortFree(state, program_.host)) return;
    SendShortMessage(state, kProgramChange, static_cast<Byte>(AuditionProgram(text1)), 0);
    SendShortMessage(state, kNoteOn, kAuditionNote, kAuditionVelocity);
    auditionSounding_ = true;
}

void Form1::command1MouseUp() {
    if (!auditionSounding_) return;
    auditionSounding_ = false;
    SendShortMessage(program_.state, kNoteOff, kAuditionNote, 0);
    // Counts up from the program actually played; past the last program it
    // starts again at 0, so the box never names a program that cannot sound.
    const int next = AuditionProgram(text1) + 1;
    text1 = SignedDecimal(next > kHighestProgram ? 0 : next);
}

void Form1::auditionEditArea() {
    if (text2().empty()) {
        ShowMessage(program_.host, form1_text::kEditAreaEmpty);
        return;
    }
    if (!PortFree(program_.state, program_.host)) return;
    sendEditArea();
    SendShortMessage(program_.state, kNoteOn, kAuditionNote, kAuditionVelocity);
    auditionSounding_ = true;
}

void Form1::auditionEditAreaEnd() {
    if (!auditionSounding_) return;
    auditionSounding_ = false;
    SendShortMessage(program_.state, kNoteOff, kAuditionNote, 0);
}

// Opening the editor on the edit-area voice, which the DX7 gets first:
// after a bank load or receive the slot CurrentSlot names may hold another
// voice, and finished edits live only in the EditBuffer.
void Form1::command13Click() {
    if (text2().empty()) {
        ShowMessage(program_.host, form1_text::kEditAreaEmpty);
        return;
    }
    if (!PortFree(program_.state, program_.host)) return;
    sendEditArea();
    command5Click();
}

// Opens the editor without a check or a send.
void Form1::command5Click() {
    if (!PortFree(program_.state, program_.host)) return;
    setEnabled(false);
    windows_.openEditor();
    program_.host.showWindow(WindowId::Form2);
}

// --- The edit-area voice and what is unwritten -----------------------------

void Form1::sendEditArea() { SendEditArea(program_.state, program_.host, program_.workspace); }

bool Form1::editAreaUnwritten() const { return editAreaChanged() || windows_.editorNameEdited(); }

int Form1::editAreaEntry() const {
    if (list3().items.size() != kBankSlots) return -1;
    return program_.workspace.editAreaEntry() - 1;
}

std::string Form1::editAreaMark() const { return editAreaChanged() ? form1_text::kEditAreaChangedMark : ""; }

std::string Form1::bankMark() const {
    return list3().items.size() == kBankSlots && bankChanged() ? form1_text::kBankChangedMark : "";
}

} // namespace vox
