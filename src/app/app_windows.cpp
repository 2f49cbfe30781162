#include "app/app_windows.h"

#include "app/midi_setup.h"
#include "app/settings.h"
#include "app/sound_setup.h"
#include "program/program.h"
#include "ui/keyboard_view.h"

#include <QStandardPaths>

namespace vox {

namespace {
constexpr int kIdlePumpMs = 200;
}

AppWindows::AppWindows(Program &program, QtHost &host, MidiWiring *wiring, SettingsStore *settings,
                       SoundWiring *sound)
    : form1(program), form3(program), form4(program), form5(program), form6(program), form7(program),
      monitor(program), midiSettings(program), functions(program), familyData(program), form2(program),
      library(program), explore(program) {
    host.registerWindow(WindowId::Form1, &form1);
    host.registerWindow(WindowId::form3, &form3);
    host.registerWindow(WindowId::Form4, &form4);
    host.registerWindow(WindowId::Form5, &form5);
    host.registerWindow(WindowId::Form6, &form6);
    host.registerWindow(WindowId::Form7, &form7);
    host.registerWindow(WindowId::MidiMonitor, &monitor);
    host.registerWindow(WindowId::MidiSettings, &midiSettings);
    host.registerWindow(WindowId::FunctionSettings, &functions);
    host.registerWindow(WindowId::FamilyData, &familyData);
    host.registerWindow(WindowId::Form2, &form2);
    host.registerWindow(WindowId::Library, &library);
    host.registerWindow(WindowId::Explore, &explore);
    if (program.library.catalogFile().empty()) program.library.setCatalogFile(LibraryDatabaseFile());
    PortChosen remember;
    if (settings) {
        remember = [settings](MidiDirection direction, const std::string &api, const std::string &name) {
            if (direction == MidiDirection::Out)
                settings->storeOutput({api, name});
            else
                settings->storeInput({api, name});
        };
    }
    program.midiSettings.applied = [settings, wiring](const ExchangeSettings &before,
                                                      const ExchangeSettings &after) {
        if (settings) settings->storeExchange(before, after);
        // The built-in instrument follows the channel the program sends on.
        if (wiring && wiring->dx7) wiring->dx7->receiveChannel = after.channel - 1;
    };
    program.functions.changed = [settings](const FunctionSettings &values) {
        if (settings) settings->storeFunctions(values);
    };
    if (wiring) {
        MidiMenuModel menu = MidiMenuFor(*wiring, remember);
        if (sound)
            menu.audioOutput =
                AudioOutputChoices(*sound, [settings](const std::string &api, const std::string &device) {
                    if (settings) settings->storeAudioOutput({api, device});
                });
        noteInput = std::make_unique<NoteInputSetup>(program.state, host, *wiring);
        menu.noteInput = noteInput->menu([settings](const std::string &api, const std::string &name) {
            if (settings) settings->storeNoteInput({api, name});
        });
        // A new port or output would never get the note offs of what
        // sounds now: every keyboard lets go first.
        auto silenceFirst = [this](std::function<bool(const std::string &)> &choose) {
            if (!choose) return;
            choose = [this, then = std::move(choose)](const std::string &entry) {
                ReleaseEveryKeyboard();
                noteInput->input().releaseAll();
                return then(entry);
            };
        };
        silenceFirst(menu.chooseOutput);
        silenceFirst(menu.audioOutput.choose);
        silenceFirst(menu.noteInput.choose);
        form1.setMidiMenu(std::move(menu));
    }

    if (program.state.midiIn) WakeHostOnInput(*program.state.midiIn, host);
    host.setEventPump([&program] { return program.pumpMidiInput(); });
    host.startIdlePump(kIdlePumpMs);
}

std::filesystem::path LibraryDatabaseFile() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return (data + "/voxmere/library.sqlite").toStdString();
}

} // namespace vox
