// voxmere's own RtMidi ports over a real JACK server (the dummy driver, a
// server name of this process's own): choice by name, the bytes on the
// wire both ways, and re-wiring while open.

#include "e2e_support.h"

#include "midi/port_wiring.h"
#include "midi/rtmidi_ports.h"

#include <rtmidi/RtMidi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vox::e2e_ports {
namespace {

using namespace std::chrono_literals;

class TestInPort : public RtMidiInPort {
public:
    using RtMidiInPort::RtMidiInPort;
};

// A stand-in instrument: virtual JACK ports that record what they get and
// can send.
class FakeDevice {
public:
    explicit FakeDevice(const std::string &client)
        : in_(RtMidi::UNIX_JACK, client + "-in"), out_(RtMidi::UNIX_JACK, client + "-out") {
        in_.ignoreTypes(false, true, true);
        in_.setCallback(&FakeDevice::OnMessage, this);
        in_.openVirtualPort("midi-in");
        out_.openVirtualPort("midi-out");
    }
    // The input's thread may be in OnMessage: stop it before the members
    // it writes go.
    ~FakeDevice() {
        in_.cancelCallback();
        in_.closePort();
    }
    FakeDevice(const FakeDevice &) = delete;
    FakeDevice &operator=(const FakeDevice &) = delete;
    std::vector<std::vector<Byte>> received() {
        std::lock_guard lock(mutex_);
        return got_;
    }
    // Waits until n messages have come (or 3 s went by).
    std::vector<std::vector<Byte>> waitFor(std::size_t n) {
        const auto deadline = std::chrono::steady_clock::now() + 3s;
        while (received().size() < n && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
        return received();
    }
    void send(const std::vector<Byte> &m) { out_.sendMessage(&m); }

private:
    static void OnMessage(double, std::vector<unsigned char> *m, void *self) {
        auto *d = static_cast<FakeDevice *>(self);
        std::lock_guard lock(d->mutex_);
        d->got_.emplace_back(m->begin(), m->end());
    }
    RtMidiIn in_;
    RtMidiOut out_;
    std::mutex mutex_;
    std::vector<std::vector<Byte>> got_;
};

std::vector<Byte> Dump(Byte fill) {
    std::vector<Byte> m(163, fill);
    m[0] = 0xF0;
    m.back() = 0xF7;
    return m;
}

std::vector<MidiInEvent> PollFor(MidiInPort &in, std::size_t n, std::chrono::milliseconds limit = 3000ms) {
    std::vector<MidiInEvent> events;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (events.size() < n && std::chrono::steady_clock::now() < deadline) {
        while (auto e = in.poll()) {
            if (e->kind == MidiInEvent::Kind::LongData) in.addBuffer();
            events.push_back(std::move(*e));
        }
        std::this_thread::sleep_for(5ms);
    }
    return events;
}

// The program's ports wired over JACK to the ports named (or named in part);
// an empty name leaves that side to the default.
MidiWiring WireOverJack(const std::string &out, const std::string &in = "") {
    MidiOptions options;
    options.api = "jack";
    options.out = out;
    options.in = in;
    return WireMidi(
        options, [] { return 0.0; }, nullptr);
}

// GIVEN the shared JACK server, with no ports on it.
using PortsOverJack = e2e::OverJack;

TEST_F(PortsOverJack, OutputChosenByAPartOfItsNameCarriesTheExactBytes) {
    // GIVEN a device and voxmere's output chosen by "synth-a"
    FakeDevice device("synth-a");
    MidiWiring w = WireOverJack("SYNTH-A");
    ASSERT_TRUE(w.problems.empty()) << w.problems.front();
    ASSERT_TRUE(w.out->open());
    EXPECT_EQ(w.currentOutput(), "synth-a-in:midi-in");
    // WHEN a program change and a 163-byte dump are sent
    w.out->sendShort(0xC0, 0x05, 0x00);
    const auto dump = Dump(0x2A);
    w.out->sendSysEx(dump);
    // THEN the device gets C0 05 (two bytes) and the dump byte for byte
    const auto got = device.waitFor(2);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], (std::vector<Byte>{0xC0, 0x05}));
    EXPECT_EQ(got[1], dump);
}

TEST_F(PortsOverJack, InputDeliversShortMessagesAndLongBuffersInOrder) {
    // GIVEN voxmere's input listening to the device, armed and started
    FakeDevice device("synth-b");
    TestInPort in("jack", "synth-b-out:midi-out");
    ASSERT_TRUE(in.open());
    ASSERT_TRUE(in.prepareBuffer() && in.addBuffer() && in.start());
    // WHEN the device sends a note on, a dump and a 4104-byte bulk dump
    device.send({0x90, 0x3C, 0x64});
    device.send(Dump(0x11));
    std::vector<Byte> bulk(4104, 0x22);
    bulk[0] = 0xF0;
    bulk.back() = 0xF7;
    device.send(bulk);
    // THEN the events come opened, short, 163 bytes, first 163 bytes of the bulk
    const auto events = PollFor(in, 4);
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].kind, MidiInEvent::Kind::Opened);
    EXPECT_EQ(events[1].kind, MidiInEvent::Kind::Short);
    EXPECT_EQ(events[1].status, 0x90);
    EXPECT_EQ(events[1].data1, 0x3C);
    EXPECT_EQ(events[1].data2, 0x64);
    EXPECT_EQ(events[2].bytes, Dump(0x11));
    EXPECT_EQ(events[3].bytes, std::vector<Byte>(bulk.begin(), bulk.begin() + 163));
}

TEST_F(PortsOverJack, RewiredOutputSendsToTheNewPortOnly) {
    // GIVEN the output open on one device
    FakeDevice first("synth-c");
    FakeDevice second("synth-d");
    RtMidiOutPort out("jack", "synth-c-in:midi-in");
    ASSERT_TRUE(out.open());
    // WHEN it is re-wired to the other device by name and sends
    ASSERT_TRUE(out.retarget("synth-d-in:midi-in"));
    out.sendShort(0x90, 0x50, 0x64);
    // THEN only the second device hears it
    EXPECT_EQ(second.waitFor(1), (std::vector<std::vector<Byte>>{{0x90, 0x50, 0x64}}));
    std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(first.received().empty());
    EXPECT_EQ(out.name(), "synth-d-in:midi-in");
}

TEST_F(PortsOverJack, RewiredInputListensToTheNewPortAndStaysStarted) {
    // GIVEN the input started on one device
    FakeDevice first("synth-g");
    FakeDevice second("synth-h");
    TestInPort in("jack", "synth-g-out:midi-out");
    ASSERT_TRUE(in.open());
    ASSERT_TRUE(in.prepareBuffer() && in.addBuffer() && in.start());
    ASSERT_EQ(PollFor(in, 1).size(), 1u); // "opened"
    // WHEN it is re-wired to the other device and both send
    ASSERT_TRUE(in.retarget("synth-h-out:midi-out"));
    first.send({0x90, 0x40, 0x01});
    second.send({0x90, 0x41, 0x02});
    // THEN only the second device's note arrives, without a new "opened" or start
    // (a JACK cycle is about 21 ms; 500 ms is ample for the unwanted one to show)
    const auto events = PollFor(in, 2, 500ms);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, MidiInEvent::Kind::Short);
    EXPECT_EQ(events[0].data1, 0x41);
    EXPECT_EQ(in.name(), "synth-h-out:midi-out");
}

TEST_F(PortsOverJack, DefaultOutputPassesOverOurOwnPorts) {
    // GIVEN a port of ours listed before a device
    FakeDevice ours("voxmere-probe");
    FakeDevice device("synth-e");
    ASSERT_EQ(ListMidiOutputs("jack").front(), "voxmere-probe-in:midi-in");
    // WHEN the output opens with no name
    RtMidiOutPort out("jack", "");
    ASSERT_TRUE(out.open());
    // THEN it is the device's port
    EXPECT_EQ(out.name(), "synth-e-in:midi-in");
}

TEST_F(PortsOverJack, UnknownPortNameIsReportedAndDoesNotOpen) {
    // GIVEN a device that is not what the user named
    FakeDevice device("synth-f");
    // WHEN the ports are wired
    MidiWiring w = WireOverJack("tx816");
    // THEN the problem names the port and the output does not open
    ASSERT_EQ(w.problems.size(), 1u);
    EXPECT_NE(w.problems[0].find("tx816"), std::string::npos);
    EXPECT_FALSE(w.out->open());
}

TEST_F(PortsOverJack, TheMenuOffersNeitherOfTheProgramsOwnPorts) {
    // GIVEN the program's output and input open on a device
    FakeDevice device("synth-i");
    MidiWiring w = WireOverJack("synth-i", "synth-i");
    ASSERT_TRUE(w.out->open());
    ASSERT_TRUE(w.in->open());
    // (JACK lists them: our input among the outputs, our output among the inputs)
    const auto allOutputs = ListMidiOutputs("jack");
    ASSERT_NE(std::find(allOutputs.begin(), allOutputs.end(), "voxmere-in:in"), allOutputs.end());
    // WHEN the MIDI menu asks for the choices
    const auto outputs = w.outputNames();
    const auto inputs = w.inputNames();
    // THEN the device is offered and none of our own ports is
    EXPECT_EQ(outputs, std::vector<std::string>{"synth-i-in:midi-in"});
    EXPECT_EQ(inputs, std::vector<std::string>{"synth-i-out:midi-out"});
}

TEST_F(PortsOverJack, AChoiceThatFailsKeepsThePortOpenBeforeAndOnlyItIsCurrent) {
    // GIVEN output and input open on a device
    FakeDevice device("synth-j");
    MidiWiring w = WireOverJack("synth-j", "synth-j");
    ASSERT_TRUE(w.out->open());
    ASSERT_TRUE(w.in->open());
    ASSERT_TRUE(w.in->prepareBuffer() && w.in->addBuffer() && w.in->start());
    ASSERT_EQ(PollFor(*w.in, 1).size(), 1u); // "opened"
    // WHEN ports that have gone away are chosen
    EXPECT_FALSE(w.chooseOutput("synth-gone-in:midi-in"));
    EXPECT_FALSE(w.chooseInput("synth-gone-out:midi-out"));
    // THEN the device's ports are current again, and they still carry messages
    EXPECT_EQ(w.currentOutput(), "synth-j-in:midi-in");
    EXPECT_EQ(w.currentInput(), "synth-j-out:midi-out");
    w.out->sendShort(0xC0, 0x07, 0x00);
    EXPECT_EQ(device.waitFor(1), (std::vector<std::vector<Byte>>{{0xC0, 0x07}}));
    device.send({0x90, 0x42, 0x03});
    const auto events = PollFor(*w.in, 1);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].data1, 0x42);
}

} // namespace
} // namespace vox::e2e_ports
