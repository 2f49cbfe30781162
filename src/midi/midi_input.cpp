#include "midi/midi_input.h"

namespace vox {

bool OpenMidiIn(MidiInPort* port, ReceiveHook& hook) {
    if (!port || port->isOpen()) return false;
    // Installing on top of itself would make the procedure call itself.
    if (!hook.installed) hook.installed = true;
    return port->open();
}

bool ArmInputBuffer(MidiInPort* port) {
    if (!port) return false;
    if (!port->prepareBuffer()) return false;
    return port->addBuffer();
}

bool StartMidiIn(MidiInPort* port) {
    if (!ArmInputBuffer(port)) return false;
    return port->start();
}

bool CloseMidiIn(MidiInPort* port, ReceiveHook& hook) {
    if (!port || !port->isOpen()) return false;
    const bool reset = port->reset();
    const bool stop = port->stop();
    const bool unprepare = port->unprepareBuffer();
    const bool close = port->close();
    hook.installed = false;
    return reset && stop && unprepare && close;
}

std::string HexText(std::span<const Byte> bytes, int lastIndex) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (int i = 0; i <= lastIndex && static_cast<std::size_t>(i) < bytes.size(); ++i) {
        const Byte b = bytes[static_cast<std::size_t>(i)];
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}

std::string SignedDecimal(int value) {
    return value < 0 ? std::to_string(value) : " " + std::to_string(value);
}

} // namespace vox
