#pragma once
// Ports that never open: what the program has when no MIDI port exists.

#include "midi/midi_port.h"

namespace vox {

class NullOutPort : public MidiOutPort {
public:
    bool open() override { return false; }
    void close() override {}
    bool isOpen() const override { return false; }
    void sendShort(Byte, Byte, Byte) override {}
    void sendSysEx(std::span<const Byte>) override {}
    std::string name() const override { return {}; }
};

class NullInPort : public MidiInPort {
public:
    std::string name() const override { return {}; }

protected:
    bool openPort() override { return false; }
    void closePort() override {}
};

} // namespace vox
