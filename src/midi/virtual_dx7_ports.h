#pragma once
// The in-process virtual DX7 behind the port interfaces. What the program
// sends goes straight into the model; its replies come back through
// MidiInPort::receive, the same queued path as real MIDI input, and are
// handed over only once the injected clock reaches their due time.

#include "midi/midi_port.h"
#include "midi/virtual_dx7.h"

#include <functional>
#include <mutex>
#include <vector>

namespace vox {

inline constexpr const char *kVirtualDx7PortName = "VOXMERE virtual DX7";

using Clock = std::function<double()>; // monotonic seconds

class VirtualDx7OutPort : public MidiOutPort {
public:
    VirtualDx7OutPort(VirtualDx7 &dx7, Clock clock) : dx7_(dx7), clock_(std::move(clock)) {}
    bool open() override { return open_ = true; }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    // Only as many bytes as the status takes go on the wire (C0 n is two).
    void sendShort(Byte status, Byte data1, Byte data2) override;
    void sendSysEx(std::span<const Byte> message) override;
    std::string name() const override { return kVirtualDx7PortName; }

private:
    VirtualDx7 &dx7_;
    Clock clock_;
    bool open_ = false;
};

class VirtualDx7InPort : public MidiInPort {
public:
    // Installs itself as the model's reply sink.
    VirtualDx7InPort(VirtualDx7 &dx7, Clock clock);
    ~VirtualDx7InPort() override;

    // Called with the delay (seconds) whenever a reply is held back, so the
    // owner can arrange a poll then.
    void setWakeAfter(std::function<void(double)> wakeAfter) { wakeAfter_ = std::move(wakeAfter); }
    std::size_t heldBack() const;

    std::string name() const override { return kVirtualDx7PortName; }

protected:
    void beforePoll() override;
    bool openPort() override { return true; }
    void closePort() override;

private:
    struct Held {
        std::vector<Byte> bytes;
        double due;
    };
    void reply(std::vector<Byte> bytes, double due);
    void deliver(const std::vector<Byte> &bytes);

    VirtualDx7 &dx7_;
    Clock clock_;
    std::function<void(double)> wakeAfter_;
    mutable std::mutex mutex_;
    std::vector<Held> held_;
};

} // namespace vox
