#include "midi/midi_input.h"

namespace vox {

bool OpenMidiIn(MidiInPort *port, ReceiveHook &hook) {
    if (!port || port->isOpen()) return false;
    // Installing on top of itself would make the procedure call itself.
    if (!hook.installed) hook.installed = true;
    return port->open();
}

bool ArmInputBuffer(MidiInPort *port) {
    if (!port) return false;
    if (!port->prepareBuffer()) return false;
    return port->addBuffer();
}

bool StartMidiIn(MidiInPort *port) {
    if (!ArmInputBuffer(port)) return false;
    return port->start();
}

bool CloseMidiIn(MidiInPort *port, ReceiveHook &hook) {
    if (!port || !port->isOpen()) return false;
    const bool reset = port->reset();
    const bool stop = port->stop();
    const bool unprepare = port->unprepareBuffer();
    const bool close = port->close();
    hook.installed = false;
    return reset && stop && unprepare && close;
}

std::string HexText(std::span<const Byte> bytes, int lastIndex) {
    return lastIndex < 0 ? std::string() : HexBytes(bytes, "", static_cast<std::size_t>(lastIndex) + 1);
}

} // namespace vox
