#include "librarian/form1.h"

#include "common/program_folders.h"
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

// Reads up to 161 bytes of a 1-voice file: positions 0..160 of slot 0.
// Positions past the end of the file keep what slot 0 holds.
std::vector<Byte> ReadInitialVoice(const std::filesystem::path &file, const Slot &slot0) {
    std::vector<Byte> image(slot0.begin(), slot0.begin() + kChecksumPos);
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        std::ofstream create(file, std::ios::binary); // created empty, as before
        return image;
    }
    std::ifstream in(file, std::ios::binary);
    for (std::size_t pos = 0; pos < kChecksumPos && in; ++pos) { // 161 bytes: positions 0..160
        const int c = in.get();
        if (c == std::char_traits<char>::eof()) break;
        image[pos] = static_cast<Byte>(c);
    }
    return image;
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
    box.checkBox = form1_text::kGuideDontShow;
    bool dontShow = false;
    box.checked = &dontShow;
    if (state.showStartupGuide) {
        host.messageBox(box);
        if (dontShow) {
            state.showStartupGuide = false;
            if (state.startupGuideChosen) state.startupGuideChosen(false);
        }
    }

    state.programFolder = std::filesystem::current_path(ec);

    if (state.portsExplainedAtStart) {
        // One box said it all already: the ports are opened without more.
        if (state.midiOut) state.midiOut->open();
        list1.clear();
        if (OpenMidiIn(state.midiIn, receiveHook)) {
            StartMidiIn(state.midiIn);
            command2Caption = form1_text::kCommand2Stop;
        }
    } else {
        OpenMidiOut(state, host);
        startInputAtLoad();
    }
    // The boxes above only say that a port failed; say how to get one.
    if (!state.portsExplainedAtStart && (!MidiOutIsOpen(state) || !state.midiIn || !state.midiIn->isOpen())) {
        MessageBoxSpec hint;
        hint.text = form1_text::kPortHint;
        hint.icon = MsgIcon::Information;
        hint.title = form1_text::kPortHintTitle;
        host.messageBox(hint);
    }

    Workspace &workspace = program_.workspace;
    workspace.placeVoice(
        ReadInitialVoice(UserOrProgramFile(state, form1_text::kInitFile), workspace.slot(0)));
    sendEditArea();
}

void Form1::command3Click() {
    if (!MayDiscard(program_.host, program_.workspace, Replaces::Both, windows_.editorNameEdited(),
                    {form1_text::kCloseQuestion, form1_text::kCloseTitle}))
        return;
    program_.host.endProgram();
}

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

void Form1::mnuUndoClick() { StepHistory(program_.state, program_.host, program_.workspace, false); }
void Form1::mnuCompareClick() {
    Workspace &workspace = program_.workspace;
    SetCompare(program_.state, program_.host, workspace, !workspace.comparing());
}

void Form1::mnuRedoClick() { StepHistory(program_.state, program_.host, program_.workspace, true); }

void Form1::mnuLanguageClick(const std::string &code) {
    ProgramState &state = program_.state;
    if (code == state.language) return;
    state.language = code;
    if (state.languageChosen) state.languageChosen(code);
    // The windows were built in the language they show; building them all
    // again for a choice made once is not worth the risk to open work.
    ShowMessage(program_.host, form1_text::kLanguageNextStart);
}

void Form1::mnuMidiSettingsClick() {
    setEnabled(false);
    windows_.openMidiSettings();
}

// A companion window: the user plays while it is open.
void Form1::mnuFunctionSettingsClick() { windows_.openFunctionSettings(); }

// A companion window: the voices stay in reach while it is open.
void Form1::mnuFamilyDataClick() { windows_.openFamilyData(); }

// A companion window: the user goes on editing while it is open.
void Form1::mnuLibraryClick() { windows_.openLibrary(); }

bool Form1::queryClose() {
    if (!MayDiscard(program_.host, program_.workspace, Replaces::Both, windows_.editorNameEdited(),
                    {form1_text::kCloseQuestion, form1_text::kCloseTitle}))
        return false;
    CloseMidiOut(program_.state);
    return true;
}

void Form1::setEnabled(bool enable) {
    enabled = enable;
    program_.host.setWindowEnabled(WindowId::Form1, enable);
}

} // namespace vox
