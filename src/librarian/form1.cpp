#include "librarian/form1.h"

#include "midi/midi_output.h"
#include "midi/midi_port.h"

#include <fstream>
#include <system_error>

namespace vox {

std::string StartupGuideText() {
    std::string text = form1_text::kGuideLines[0];
    for (int i = 1; i < 8; ++i) {
        text += "\r\r";
        text += form1_text::kGuideLines[i];
    }
    return text;
}

namespace {

// Reads up to 161 bytes of a 1-voice file into positions 0..160 of a slot;
// positions past the end of the file keep what they hold.
void ReadInitialVoice(const std::filesystem::path &file, Slot &slot) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        std::ofstream create(file, std::ios::binary); // created empty, as before
        return;
    }
    std::ifstream in(file, std::ios::binary);
    for (std::size_t pos = 0; pos < kChecksumPos && in; ++pos) { // 161 bytes: positions 0..160
        const int c = in.get();
        if (c == std::char_traits<char>::eof()) break;
        slot[pos] = static_cast<Byte>(c);
    }
}

} // namespace

void Form1::load() {
    ProgramState &state = program_.state;
    Host &host = program_.host;

    progressBar1.visible = false;
    progressBar2.visible = false;
    const std::string guide = StartupGuideText();

    std::error_code ec;
    if (!state.programFolder.empty()) std::filesystem::current_path(state.programFolder, ec);

    MessageBoxSpec box;
    box.text = guide;
    box.buttons = MsgButtons::OkHelp;
    box.icon = MsgIcon::Exclamation;
    box.title = form1_text::kGuideTitle;
    box.helpFile = state.programFolder / form1_text::kHelpFileUpper;
    box.helpTopic = 7;
    host.messageBox(box);

    state.programFolder = std::filesystem::current_path(ec);

    OpenMidiOut(state, host);
    startInputAtLoad();
    // The boxes above only say that a port failed; say how to get one.
    if (!MidiOutIsOpen(state) || !state.midiIn || !state.midiIn->isOpen()) {
        MessageBoxSpec hint;
        hint.text = form1_text::kPortHint;
        hint.icon = MsgIcon::Information;
        hint.title = form1_text::kPortHintTitle;
        host.messageBox(hint);
    }

    Slot &slot0 = state.voiceTable[0];
    ReadInitialVoice(state.programFolder / form1_text::kInitFile, slot0);
    state.slotText[0] = " 0. " + VoiceName(slot0);
    state.currentSlot = 0;
    text2 = state.slotText[0];
    for (std::size_t pos = 0; pos <= kChecksumPos; ++pos)
        state.editBuffer[pos] = slot0[pos];
    editAreaStored();

    SendCurrentVoice(state, host);
}

void Form1::command3Click() { program_.host.endProgram(); }

void Form1::mnuFileClick() { command3Click(); }

void Form1::command14Click() {
    program_.host.showHelp(program_.state.programFolder / form1_text::kHelpFileLower, 5);
}

void Form1::mnuHelpClick() {
    program_.host.showHelp(program_.state.programFolder / form1_text::kHelpFileLower, 0);
}

void Form1::mnuVerClick() {
    MessageBoxSpec box;
    box.text = form1_text::kVersionText;
    box.title = form1_text::kVersionTitle;
    program_.host.messageBox(box);
}

void Form1::mnuMidiSettingsClick() {
    setEnabled(false);
    windows_.openMidiSettings();
}

// A companion window: the user goes on editing while it is open.
void Form1::mnuLibraryClick() { windows_.openLibrary(); }

bool Form1::queryClose() {
    // The close box works while another window holds the main window
    // disabled, so the edits that window holds must not vanish unasked.
    if (!enabled) {
        std::string what;
        if (editAreaChanged() || windows_.editorNameEdited()) what += form1_text::kCloseVoiceChanged;
        if (bankChanged()) what += std::string(what.empty() ? "" : "\r") + form1_text::kCloseBankChanged;
        if (!what.empty()) {
            MessageBoxSpec box;
            box.text = what + "\r" + form1_text::kCloseQuestion;
            box.buttons = MsgButtons::YesNo;
            box.icon = MsgIcon::Question;
            box.title = form1_text::kCloseTitle;
            if (program_.host.messageBox(box) != MsgResult::Yes) return false;
        }
    }
    CloseMidiOut(program_.state);
    return true;
}

void Form1::setEnabled(bool enable) {
    enabled = enable;
    program_.host.setWindowEnabled(WindowId::Form1, enable);
}

} // namespace vox
