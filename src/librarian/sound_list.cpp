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

std::array<Byte, kParamCount> ParamsOf(const Slot &slot) {
    std::array<Byte, kParamCount> params{};
    std::copy(slot.begin() + kParamBase, slot.begin() + kParamBase + kParamCount, params.begin());
    return params;
}
} // namespace

std::string SoundListEntryText(int n, const Slot &slot) {
    std::string text = SignedDecimal(n);
    if (n < 10) text = " " + text;
    return text + ". " + VoiceName(slot);
}

int AuditionProgram(const std::string &text) {
    const int value = LeadingInteger(text).value_or(0);
    return value < 0 ? 0 : std::min(value, kHighestProgram);
}

void Form1::rebuildSoundList() {
    ProgramState &state = program_.state;
    list3.clear();
    for (int n = 1; n <= static_cast<int>(kBankSlots); ++n) {
        const auto index = static_cast<std::size_t>(n);
        state.slotText[index] = SoundListEntryText(n, state.voiceTable[index]);
        list3.add(state.slotText[index]);
    }
}

void Form1::clearReceiveLogs() {
    list1.clear();
    list2.clear();
    list4.clear();
}

void Form1::command11Click() {
    ProgramState &state = program_.state;
    const int selected = list3.selected;
    if (selected < 0 || selected >= static_cast<int>(list3.items.size()) ||
        selected >= static_cast<int>(kBankSlots)) {
        ShowMessage(program_.host, form1_text::kNoSelection);
        return;
    }
    state.currentSlot = static_cast<std::int16_t>(selected + 1);
    text2 = list3.items[static_cast<std::size_t>(selected)];
    list3.selected = -1;
    const Slot &slot = state.voiceTable[static_cast<std::size_t>(state.currentSlot)];
    std::copy(slot.begin(), slot.begin() + kChecksumPos + 1, state.editBuffer.begin());
    editAreaFromEntry();
    SendCurrentVoice(state, program_.host);
}

void Form1::list3DoubleClick() { command11Click(); }

void Form1::command12Click() {
    if (text2.empty()) {
        ShowMessage(program_.host, form1_text::kEditAreaEmpty);
        return;
    }
    if (list3.items.size() != kBankSlots) {
        ShowMessage(program_.host, form1_text::kChooserNoBank);
        return;
    }
    setEnabled(false);
    chooser_.open();
    program_.host.showWindow(WindowId::Form7);
}

void Form1::command1MouseDown() {
    ProgramState &state = program_.state;
    SendShortMessage(state, kProgramChange, static_cast<Byte>(AuditionProgram(text1)), 0);
    SendShortMessage(state, kNoteOn, kAuditionNote, kAuditionVelocity);
}

void Form1::command1MouseUp() {
    SendShortMessage(program_.state, kNoteOff, kAuditionNote, 0);
    // Counts up from the program actually played; past the last program it
    // starts again at 0, so the box never names a program that cannot sound.
    const int next = AuditionProgram(text1) + 1;
    text1 = SignedDecimal(next > kHighestProgram ? 0 : next);
}

void Form1::auditionEditArea() {
    if (text2.empty()) {
        ShowMessage(program_.host, form1_text::kEditAreaEmpty);
        return;
    }
    sendEditArea();
    SendShortMessage(program_.state, kNoteOn, kAuditionNote, kAuditionVelocity);
}

void Form1::auditionEditAreaEnd() { SendShortMessage(program_.state, kNoteOff, kAuditionNote, 0); }

// Opening the editor on the edit-area voice, which the DX7 gets first:
// after a bank load or receive the slot CurrentSlot names may hold another
// voice, and finished edits live only in the EditBuffer.
void Form1::command13Click() {
    if (text2.empty()) {
        ShowMessage(program_.host, form1_text::kEditAreaEmpty);
        return;
    }
    sendEditArea();
    command5Click();
}

// Opens the editor without a check or a send.
void Form1::command5Click() {
    setEnabled(false);
    windows_.openEditor();
    program_.host.showWindow(WindowId::Form2);
}

// --- The edit-area voice and what is unwritten -----------------------------

void Form1::sendEditArea() { SendCurrentVoice(program_.state, program_.host, program_.state.editBuffer); }

void Form1::editAreaStored() { editAreaStored_ = ParamsOf(program_.state.editBuffer); }

void Form1::editAreaFromEntry() {
    editAreaStored();
    editAreaEntryVoice_ = editAreaStored_;
}

void Form1::bankStored() {
    for (std::size_t n = 1; n <= kBankSlots; ++n)
        bankStored_[n - 1] = ParamsOf(program_.state.voiceTable[n]);
}

bool Form1::editAreaChanged() const {
    if (text2.empty()) return false;
    return ParamsOf(program_.state.editBuffer) != editAreaStored_;
}

bool Form1::bankChanged() const {
    if (list3.items.size() != kBankSlots) return false;
    for (std::size_t n = 1; n <= kBankSlots; ++n)
        if (ParamsOf(program_.state.voiceTable[n]) != bankStored_[n - 1]) return true;
    return false;
}

int Form1::editAreaEntry() const {
    const int s = program_.state.currentSlot;
    if (text2.empty() || s < 1 || s > static_cast<int>(list3.items.size())) return -1;
    // After a bank load or receive the entry may hold another voice.
    if (ParamsOf(program_.state.voiceTable[static_cast<std::size_t>(s)]) != editAreaEntryVoice_) return -1;
    return s - 1;
}

std::string Form1::editAreaMark() const { return editAreaChanged() ? form1_text::kEditAreaChangedMark : ""; }

std::string Form1::bankMark() const { return bankChanged() ? form1_text::kBankChangedMark : ""; }

} // namespace vox
