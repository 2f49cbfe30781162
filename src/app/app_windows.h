#pragma once
// Every window of the program, built over one Program and registered with
// the host: main() and the whole-program tests share this wiring.

#include "app/midi_setup.h"
#include "app/qt_host.h"
#include "editor/explore_view.h"
#include "editor/form2_view.h"
#include "files/family_data_view.h"
#include "files/file_dialogs_view.h"
#include "librarian/form1_view.h"
#include "librarian/form7_view.h"
#include "librarian/function_view.h"
#include "librarian/midi_monitor_view.h"
#include "librarian/midi_settings_view.h"
#include "library/library_window_view.h"

namespace vox {

struct Program;
struct MidiWiring;
class SettingsStore;
class SoundWiring;

class AppWindows {
public:
    // Also lets the host pump the program's MIDI input: on each message-loop
    // pass, when input arrives and every 200 ms when idle. With `settings`,
    // the ports chosen in the MIDI menu and what "MIDI設定…" applies are kept
    // there for the next run. With `sound` (the virtual DX7's), the MIDI
    // menu offers its audio outputs too.
    AppWindows(Program &program, QtHost &host, MidiWiring *wiring, SettingsStore *settings = nullptr,
               SoundWiring *sound = nullptr);
    AppWindows(const AppWindows &) = delete;
    AppWindows &operator=(const AppWindows &) = delete;

    Form1View form1;
    Form3View form3;
    Form4View form4;
    Form5View form5;
    Form6View form6;
    Form7View form7;
    MidiMonitorView monitor;
    MidiSettingsView midiSettings;
    FunctionView functions;
    FamilyDataView familyData;
    Form2View form2;
    LibraryWindowView library;
    ExploreView explore;
    // The MIDI keyboard of the MIDI menu; null without a wiring.
    std::unique_ptr<NoteInputSetup> noteInput;
};

// The voice catalogue's file: "voxmere/library.sqlite" in the user's data
// folder (XDG_DATA_HOME, by default ~/.local/share), beside the settings'
// "voxmere" folder in the configuration folder.
std::filesystem::path LibraryDatabaseFile();

} // namespace vox
