#pragma once
// The port layer: one output and one input, whatever the backend (RtMidi,
// the in-process virtual DX7, a test double).

#include "voice/voice_layout.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vox {

class MidiOutPort {
public:
    virtual ~MidiOutPort() = default;
    virtual bool open() = 0; // true when the port is usable
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual void sendShort(Byte status, Byte data1, Byte data2) = 0;
    virtual void sendSysEx(std::span<const Byte> message) = 0;
    // One piece of a System Exclusive message, in order: the first begins
    // with F0, the last ends with F7. A backend that can put bytes on the
    // wire as they come overrides it; this one, for backends that take only
    // whole messages, collects the pieces and sends the whole at its F7.
    virtual void sendSysExPart(std::span<const Byte> part);
    virtual std::string name() const = 0;

private:
    std::vector<Byte> parts_;
};

// What the input driver reports, in arrival order.
struct MidiInEvent {
    enum class Kind { Opened, Short, LongData, LongError };
    Kind kind = Kind::Short;
    Byte status = 0, data1 = 0, data2 = 0; // Short
    std::vector<Byte> bytes;               // LongData: the bytes recorded
    // LongData: the whole message as it arrived, for the path that takes the
    // instrument's 4104-byte bulk dump; `bytes` is the buffer's view of it.
    std::vector<Byte> whole{};
    // LongData: false when no buffer was armed; `bytes` is then empty and
    // only `whole` carries the message.
    bool buffered = true;
};

// Size of the one receive buffer: a single-voice dump. A longer System
// Exclusive message is delivered as its first kInputBufferSize bytes.
inline constexpr std::size_t kInputBufferSize = 163;

// Input port with the driver's buffer rules. Backends call receive() from
// any thread with one complete message; the GUI thread takes events with
// poll() when its event loop runs. A System Exclusive message is delivered
// only while a buffer is armed, and delivering it disarms the buffer until
// addBuffer() is called again, as the input driver does. A message longer
// than the buffer is the exception: it still comes, unbuffered, so that a
// bulk dump is never lost to the moment it arrived in.
class MidiInPort {
public:
    virtual ~MidiInPort() = default;

    bool open();
    bool prepareBuffer();
    bool addBuffer();
    bool start();
    bool reset();
    bool stop();
    bool unprepareBuffer();
    bool close();
    bool isOpen() const;

    // Backend thread: one complete message as it arrived.
    void receive(std::span<const Byte> message);
    // Backend thread: a long buffer as the driver returned it, whatever its
    // first byte (a broken dump still comes back as long data).
    void receiveLong(std::span<const Byte> message);
    // Backend thread: a System Exclusive message the backend found broken.
    void receiveError();

    // GUI thread: the next event, or nothing.
    std::optional<MidiInEvent> poll();

    // Called (on the backend's thread) whenever an event is queued, so the
    // GUI thread can be woken.
    void setWakeUp(std::function<void()> wakeUp);

    virtual std::string name() const = 0;

protected:
    // GUI thread, at the start of every poll(): a backend may queue here
    // what has become due (replies held back for a delay).
    virtual void beforePoll() {}

    // The backend's own open and close of the transport.
    virtual bool openPort() = 0;
    virtual void closePort() = 0;

private:
    void queue(bool longData, std::span<const Byte> message);
    struct Raw {
        bool error = false;
        bool longData = false;
        std::vector<Byte> bytes;
    };
    mutable std::mutex mutex_;
    std::deque<Raw> raw_;
    std::deque<MidiInEvent> pending_; // events ready before raw_ (Opened)
    std::function<void()> wakeUp_;
    bool open_ = false;
    bool started_ = false;
    bool prepared_ = false;
    bool armed_ = false;
};

} // namespace vox
