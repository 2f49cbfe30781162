#include "app/app_windows.h"

#include "app/midi_setup.h"
#include "program/program.h"

namespace vox {

namespace {
constexpr int kIdlePumpMs = 200;
}

AppWindows::AppWindows(Program &program, QtHost &host, MidiWiring *wiring)
    : form1(program), form3(program), form4(program), form5(program), form6(program), form7(program),
      monitor(program), form2(program) {
    host.registerWindow(WindowId::Form1, &form1);
    host.registerWindow(WindowId::form3, &form3);
    host.registerWindow(WindowId::Form4, &form4);
    host.registerWindow(WindowId::Form5, &form5);
    host.registerWindow(WindowId::Form6, &form6);
    host.registerWindow(WindowId::Form7, &form7);
    host.registerWindow(WindowId::MidiMonitor, &monitor);
    host.registerWindow(WindowId::Form2, &form2);
    if (wiring) form1.setMidiMenu(MidiMenuFor(*wiring));

    if (program.state.midiIn) WakeHostOnInput(*program.state.midiIn, host);
    host.setEventPump([&program] { return program.pumpMidiInput(); });
    host.startIdlePump(kIdlePumpMs);
}

} // namespace vox
