#pragma once
// The port interfaces over RtMidi (ALSA or JACK here). RtMidi calls back on
// its own thread; the input callback only hands the bytes to
// MidiInPort::receive, which queues them for the GUI thread.

#include "midi/midi_port.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class RtMidiIn;
class RtMidiOut;

namespace vox {

struct RtMidiErrors;

// Client names of our own ports: a port whose name holds kOwnPortMark is
// never taken as the default output.
inline constexpr const char *kOwnPortMark = "voxmere";

// The APIs compiled into RtMidi, by their short names ("alsa", "jack").
std::vector<std::string> CompiledMidiApis();
// True when RtMidi can be set up on this API here (no ALSA sequencer, no
// JACK server: false).
bool MidiApiWorks(const std::string &api);
// The first compiled API that works, or "" when none does.
std::string FirstWorkingMidiApi();

// Port names of an API; empty when the API does not work.
std::vector<std::string> ListMidiOutputs(const std::string &api);
std::vector<std::string> ListMidiInputs(const std::string &api);

// Which of `names` the user meant by `wanted`: the exact name, or else the
// one name containing it without regard to case. nullopt when there is no
// such name or more than one.
std::optional<std::size_t> MatchPortName(const std::vector<std::string> &names, const std::string &wanted);
// The port taken when none is named, for output and input alike: the first
// that is neither one of ours nor ALSA's "Midi Through" loopback, which
// would answer with what we send instead of the DX7.
std::optional<std::size_t> DefaultOutputPort(const std::vector<std::string> &names);

// True for the program's own ports ("voxmere-out:out", "voxmere-in:in 129:0",
// JACK's "voxmere-in-01:in"), which must never be offered as the DX7.
bool IsOwnPort(const std::string &name);
// The names without the program's own ports.
std::vector<std::string> WithoutOwnPorts(std::vector<std::string> names);

class RtMidiOutPort : public MidiOutPort {
public:
    // target: the full port name to connect to; "" takes the default output.
    RtMidiOutPort(std::string api, std::string target);
    ~RtMidiOutPort() override;
    bool open() override;
    void close() override;
    bool isOpen() const override;
    void sendShort(Byte status, Byte data1, Byte data2) override;
    void sendSysEx(std::span<const Byte> message) override;
    // JACK takes any bytes as an event. ALSA's encoder sends a piece as it
    // comes only when its buffer is no larger than the piece (see the .cpp).
    void sendSysExPart(std::span<const Byte> part) override;
    std::string name() const override; // the port connected to, or the target
    // Connects to another port; reopens when open. False when that fails.
    bool retarget(const std::string &target);
    // The port really connected, "" when none.
    std::string connected() const { return connected_; }

private:
    void send(std::span<const Byte> bytes);
    std::string api_, target_, connected_;
    std::size_t encoderBytes_ = 0;         // ALSA: the size of the client's encoder buffer
    std::unique_ptr<RtMidiErrors> errors_; // before rt_: outlives the client
    std::unique_ptr<RtMidiOut> rt_;
};

class RtMidiInPort : public MidiInPort {
public:
    // target: the full port name to listen to; "" takes the first port not ours.
    RtMidiInPort(std::string api, std::string target);
    ~RtMidiInPort() override;
    std::string name() const override;
    // Listens to another port from now on when open, else from the next
    // open; false when the port is open and the new one did not connect.
    bool retarget(const std::string &target);
    // The port really listened to, "" when none.
    std::string connected() const { return connected_; }

protected:
    bool openPort() override;
    void closePort() override;

private:
    bool connect();
    static void OnMessage(double, std::vector<unsigned char> *message, void *self);
    std::string api_, target_, connected_;
    std::unique_ptr<RtMidiErrors> errors_; // before rt_: outlives the client
    std::unique_ptr<RtMidiIn> rt_;
};

// Two ports of our own that other programs connect to, as an instrument
// stands on the wire (the simulator's): whatever arrives at the input goes
// to the handler on RtMidi's thread; send() goes out of the output.
class RtMidiVirtualPorts {
public:
    using Handler = std::function<void(std::span<const Byte> message)>;
    struct Names {
        std::string outClient, outPort, inClient, inPort;
    };

    RtMidiVirtualPorts();
    ~RtMidiVirtualPorts();
    RtMidiVirtualPorts(const RtMidiVirtualPorts &) = delete;
    RtMidiVirtualPorts &operator=(const RtMidiVirtualPorts &) = delete;

    // Opens the output, then the input (none when names.inPort is empty),
    // on the API ("jack", "alsa"). False with the reason in `why` when
    // either fails; nothing stays open then.
    bool open(const std::string &api, const Names &names, Handler handler, std::string &why);
    bool isOpen() const { return out_ != nullptr; }
    void send(std::span<const Byte> message);
    // The handler is not called any more once this returns.
    void stopInput();
    void close();

private:
    static void OnMessage(double, std::vector<unsigned char> *message, void *self);
    Handler handler_;
    std::unique_ptr<RtMidiErrors> outErrors_, inErrors_; // before the clients: outlive them
    std::unique_ptr<RtMidiOut> out_;
    std::unique_ptr<RtMidiIn> in_;
};

} // namespace vox
