#pragma once
// The running program: the shared state, the host and every window's form.
// It builds the forms and connects them: each form reaches the state and
// the host through a FormContext, the main window through its port, and
// the windows it opens through the links the program implements here.

#include "common/host.h"
#include "common/program_state.h"
#include "editor/explore_form.h"
#include "editor/form2.h"
#include "files/family_data_form.h"
#include "files/file_dialogs.h"
#include "librarian/form1.h"
#include "librarian/form7.h"
#include "librarian/function_form.h"
#include "librarian/midi_settings.h"
#include "library/library_window.h"

namespace vox {

struct Program final : private MainWindowLinks, private EditorLinks, private LibraryPort {
    Program(ProgramState &state, Host &host);
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    ProgramState &state;
    Host &host;
    // The bank and the edit area: built before the forms that reach it.
    Workspace workspace;

    Form1 form1;
    Form2 form2;
    Form3 form3;
    Form4 form4;
    Form5 form5;
    Form6 form6;
    Form7 form7;
    MidiSettingsForm midiSettings;
    FunctionForm functions;
    FamilyDataForm familyData;
    LibraryWindowForm library;
    ExploreForm explore;

    // "音色探索" over the edit area, for the editor's button and menu.
    void openExplore() override { explore.open(); }

    // Handles every MIDI input event waiting now and ends a receive the
    // DX7 stopped answering; the hosts call it from their message-loop pass
    // and from an idle timer. True when anything was handled, so the host
    // knows the windows need redrawing.
    bool pumpMidiInput();

private:
    FormContext context() { return {state, workspace, host}; }
    // MainWindowLinks
    void openEditor() override { form2.load(); }
    bool editorNameEdited() const override { return form2.nameEdited(); }
    void openBankSave() override { form3.open(); }
    void openBankLoad() override { form4.open(); }
    void openVoiceSave(const std::string &proposedName) override { form5.openFromMainWindow(proposedName); }
    void openVoiceLoad() override { form6.open(); }
    void openMidiSettings() override { midiSettings.open(); }
    void openFunctionSettings() override { functions.open(); }
    void openFamilyData() override { familyData.open(); }
    void useChannel(int channel) override {
        useExchange([&](ExchangeSettings &s) { s.channel = channel; });
    }
    void useModel(InstrumentModel model) override {
        useExchange([&](ExchangeSettings &s) { s.model = model; });
    }
    // As if the settings window applied the change.
    template <class Change> void useExchange(Change change) {
        const ExchangeSettings before = state.exchange;
        change(state.exchange);
        if (midiSettings.applied) midiSettings.applied(before, state.exchange);
    }
    void openLibrary() override { library.open(); }
    // LibraryPort
    bool mainWindowHeld() const override { return !form1.enabled; }
    bool soundListUnsaved() const override { return form1.bankChanged(); }
    void openOverwriteChooser() override { form1.command12Click(); }
    void transmitSoundList() override { form1.command8Click(); }
    std::string saveBank(const std::filesystem::path &file, const BankRecords &bank,
                         const BankSupplements &supplements) override;
    // EditorLinks
    void prepareVoiceSave(const std::string &voiceName) override { form5.openFromEditor(voiceName); }
    void closeExplore() override { explore.close(); }
};

} // namespace vox
