#include "librarian/program.h"

#include "midi/message_names.h"
#include "midi/midi_port.h"

namespace vox {

Program::Program(ProgramState& s, Host& h)
    : state(s), host(h), form1(*this), form2(*this), form3(*this), form4(*this), form5(*this),
      form6(*this), form7(*this) {
    state.midiTraffic.clock = [&h] { return h.monotonicSeconds(); };
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
