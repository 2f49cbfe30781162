#include "app/app_windows.h"

#include "app/midi_setup.h"
#include "app/settings.h"
#include "program/program.h"

namespace vox {

namespace {
constexpr int kIdlePumpMs = 200;
}

AppWindows::AppWindows(Program &program, QtHost &host, MidiWiring *wiring, SettingsStore *settings)
    : form1(program), form3(program), form4(program), form5(program), form6(program), form7(program),
      monitor(program), midiSettings(program), form2(program) {
    host.registerWindow(WindowId::Form1, &form1);
    host.registerWindow(WindowId::form3, &form3);
    host.registerWindow(WindowId::Form4, &form4);
    host.registerWindow(WindowId::Form5, &form5);
    host.registerWindow(WindowId::Form6, &form6);
    host.registerWindow(WindowId::Form7, &form7);
    host.registerWindow(WindowId::MidiMonitor, &monitor);
    host.registerWindow(WindowId::MidiSettings, &midiSettings);
    host.registerWindow(WindowId::Form2, &form2);
    PortChosen remember;
    if (settings) {
        remember = [settings](MidiDirection direction, const std::string &api, const std::string &name) {
            if (direction == MidiDirection::Out)
                settings->storeOutput({api, name});
            else
                settings->storeInput({api, name});
        };
        program.midiSettings.applied = [settings](const ExchangeSettings &before,
                                                  const ExchangeSettings &after) {
            settings->storeExchange(before, after);
        };
    }
    if (wiring) form1.setMidiMenu(MidiMenuFor(*wiring, remember));

    if (program.state.midiIn) WakeHostOnInput(*program.state.midiIn, host);
    host.setEventPump([&program] { return program.pumpMidiInput(); });
    host.startIdlePump(kIdlePumpMs);
}

} // namespace vox
