#include "program/program.h"

#include "midi/message_names.h"
#include "midi/midi_port.h"

namespace vox {

Program::Program(ProgramState &s, Host &h)
    : state(s), host(h), form1(context(), *this, form7), form2(context(), form1, *this),
      form3(context(), form1), form4(context(), form1), form5(context(), form1), form6(context(), form1),
      form7(context(), form1), midiSettings(context(), form1), functions(context()),
      library(context(), form1, *this), explore(context()) {
    state.midiTraffic.clock = [&h] { return h.monotonicSeconds(); };
    explore.editAreaChanged = [this] { form2.showChangedEditArea(); };
}

bool Program::pumpMidiInput() {
    bool handled = false;
    if (state.midiIn)
        while (auto event = state.midiIn->poll()) {
            LogReceived(state.midiTraffic, *event);
            form1.receiveMidiEvent(*event);
            handled = true;
        }
    const bool receiving = state.receive.recvMode != 0;
    form1.checkReceiveTimeout();
    return handled || receiving;
}

} // namespace vox
