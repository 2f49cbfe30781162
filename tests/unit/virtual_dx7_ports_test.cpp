// The in-process virtual DX7 behind the ports: what the program sends
// reaches the model, and its replies come back through the queued input
// path, only when the clock says they are due.

#include "midi/midi_output.h"
#include "midi/port_wiring.h"
#include "midi/virtual_dx7_ports.h"
#include "test_support.h"
#include "voice/bank_format.h"
#include "voice/init_voice.h"

#include <gtest/gtest.h>

#include <vector>

namespace vox {
namespace {

class InProcessDx7 : public ::testing::Test {
protected:
    double clock = 100.0;
    VirtualDx7 dx7;
    VirtualDx7OutPort out{dx7, [this] { return clock; }};
    VirtualDx7InPort in{dx7, [this] { return clock; }};
    ProgramState state;
    std::vector<double> wakeAfter;

    void SetUp() override {
        state.midiOut = &out;
        state.midiIn = &in;
        in.setWakeAfter([this](double s) { wakeAfter.push_back(s); });
        ASSERT_TRUE(out.open());
        ASSERT_TRUE(in.open());
        ASSERT_EQ(in.poll()->kind, MidiInEvent::Kind::Opened);
        ASSERT_TRUE(in.prepareBuffer());
        ASSERT_TRUE(in.addBuffer());
        ASSERT_TRUE(in.start());
    }

    std::vector<MidiInEvent> drain() {
        std::vector<MidiInEvent> events;
        while (auto e = in.poll())
            events.push_back(std::move(*e));
        return events;
    }
};

TEST_F(InProcessDx7, ProgramChangeIsAnsweredByTheSelectedVoiceAsLongData) {
    // GIVEN the armed input WHEN the program selects program 5
    SendShortMessage(state, kProgramChange, 5, 0);
    // THEN one long buffer of 163 bytes comes back: internal voice 6 with a right checksum
    const auto events = drain();
    ASSERT_EQ(events.size(), 1u);
    ASSERT_EQ(events[0].kind, MidiInEvent::Kind::LongData);
    const std::vector<Byte> &dump = events[0].bytes;
    ASSERT_EQ(dump.size(), kImageSize);
    EXPECT_EQ(std::vector<Byte>(dump.begin(), dump.begin() + 6),
              std::vector<Byte>(kVoiceHeader.begin(), kVoiceHeader.end()));
    EXPECT_EQ(dump[kChecksumPos], ChecksumOf(std::span<const Byte>(dump).subspan(kParamBase, kParamCount)));
    EXPECT_EQ(dump[kEndPos], kSysExEnd);
    const Slot &voice = dx7.internalVoice(5);
    EXPECT_TRUE(
        std::equal(dump.begin() + kParamBase, dump.begin() + kChecksumPos, voice.begin() + kParamBase));
    EXPECT_EQ(dx7.refusals(), 0);
}

TEST_F(InProcessDx7, ProgramChangeGoesOnTheWireAsTwoBytes) {
    // GIVEN the model WHEN a program change is sent through the out port
    SendShortMessage(state, kProgramChange, 31, 0);
    // THEN the model takes it (a three-byte program change would be refused)
    EXPECT_EQ(dx7.refusals(), 0) << dx7.lastRefusal();
    EXPECT_EQ(dx7.programChanges(), 1);
    EXPECT_EQ(dx7.selectedProgram(), 31);
}

TEST_F(InProcessDx7, TheCurrentVoiceSentAtStartUpLoadsTheEditBuffer) {
    // GIVEN the initial voice in slot 0
    test::TestHost host;
    // WHEN it is sent as at start-up
    SendCurrentVoice(state, host, 0, InitialVoice());
    // THEN the edit buffer holds it and nothing was refused
    EXPECT_EQ(dx7.refusals(), 0) << dx7.lastRefusal();
    EXPECT_EQ(dx7.voiceDumpsLoaded(), 1);
    EXPECT_EQ(VoiceName(dx7.editBuffer()), "INIT VOICE");
}

TEST_F(InProcessDx7, DelayedReplyArrivesOnlyOnceTheClockPassesTheDelay) {
    // GIVEN replies delayed by 250 ms
    dx7.faults.replyDelayMs = 250;
    // WHEN program 0 is selected
    SendShortMessage(state, kProgramChange, 0, 0);
    // THEN nothing is there at once, nor 200 ms later, and the owner was asked to poll after 0.25 s
    EXPECT_TRUE(drain().empty());
    ASSERT_EQ(wakeAfter.size(), 1u);
    EXPECT_NEAR(wakeAfter[0], 0.25, 1e-9);
    clock += 0.2;
    EXPECT_TRUE(drain().empty());
    EXPECT_EQ(in.heldBack(), 1u);
    // AND the dump is there once 250 ms have passed
    clock += 0.06;
    const auto events = drain();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, MidiInEvent::Kind::LongData);
    EXPECT_EQ(events[0].bytes.size(), kImageSize);
    EXPECT_EQ(in.heldBack(), 0u);
}

TEST_F(InProcessDx7, DelayedRepliesKeepTheirOrder) {
    // GIVEN delayed replies and a buffer re-armed after each dump
    dx7.faults.replyDelayMs = 100;
    SendShortMessage(state, kProgramChange, 3, 0);
    clock += 0.01;
    SendShortMessage(state, kProgramChange, 4, 0);
    // WHEN both are due
    clock += 1.0;
    auto first = in.poll();
    ASSERT_TRUE(in.addBuffer());
    auto second = in.poll();
    // THEN voice 4 comes before voice 5
    ASSERT_TRUE(first && second);
    EXPECT_EQ(VoiceName(dx7.internalVoice(3)),
              NameBytesToUtf8(std::span<const Byte>(first->bytes).subspan(kNamePos, kNameLength)));
    EXPECT_EQ(VoiceName(dx7.internalVoice(4)),
              NameBytesToUtf8(std::span<const Byte>(second->bytes).subspan(kNamePos, kNameLength)));
}

TEST_F(InProcessDx7, DumpWithABrokenFirstByteStillComesBackAsLongData) {
    // GIVEN the first byte of the dump answering program 2 broken
    dx7.faults.breakFirstByte.program = 2;
    // WHEN program 2 is selected
    SendShortMessage(state, kProgramChange, 2, 0);
    // THEN the long buffer holds 163 bytes whose first byte is not F0
    const auto events = drain();
    ASSERT_EQ(events.size(), 1u);
    ASSERT_EQ(events[0].kind, MidiInEvent::Kind::LongData);
    ASSERT_EQ(events[0].bytes.size(), kImageSize);
    EXPECT_NE(events[0].bytes[0], kSysExStart);
}

TEST_F(InProcessDx7, ReplyWithoutAnArmedBufferIsLost) {
    // GIVEN the buffer taken by a first dump and not re-armed
    SendShortMessage(state, kProgramChange, 0, 0);
    ASSERT_EQ(drain().size(), 1u);
    // WHEN a second dump arrives
    SendShortMessage(state, kProgramChange, 1, 0);
    // THEN it is lost, as with the input driver
    EXPECT_TRUE(drain().empty());
}

TEST_F(InProcessDx7, ReplyBeforeTheInputIsStartedIsLost) {
    // GIVEN the input stopped
    ASSERT_TRUE(in.stop());
    // WHEN the instrument answers
    SendShortMessage(state, kProgramChange, 0, 0);
    ASSERT_TRUE(in.start());
    // THEN nothing arrives
    EXPECT_TRUE(drain().empty());
}

TEST_F(InProcessDx7, ClosingTheInputDropsHeldReplies) {
    // GIVEN a reply held back
    dx7.faults.replyDelayMs = 500;
    SendShortMessage(state, kProgramChange, 0, 0);
    ASSERT_EQ(in.heldBack(), 1u);
    // WHEN the input is closed and opened again, and the delay passes
    ASSERT_TRUE(in.close());
    ASSERT_TRUE(in.open());
    clock += 1.0;
    // THEN only the "opened" event comes
    const auto events = drain();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, MidiInEvent::Kind::Opened);
}

TEST_F(InProcessDx7, ClosedOutputSendsNothingToTheInstrument) {
    // GIVEN the output closed WHEN a program change is sent
    out.close();
    SendShortMessage(state, kProgramChange, 0, 0);
    // THEN the instrument saw nothing and sent nothing
    EXPECT_EQ(dx7.programChanges(), 0);
    EXPECT_TRUE(drain().empty());
}

TEST_F(InProcessDx7, LongerSystemExclusiveIsDeliveredAsItsFirst163Bytes) {
    // GIVEN a bulk dump of 4104 bytes arriving on the input
    VoiceTable table;
    const BulkMessage bulk = BuildBulkMessage(table);
    // WHEN it is received and polled
    in.receive(bulk);
    const auto events = drain();
    // THEN one long buffer holds exactly its first 163 bytes
    ASSERT_EQ(events.size(), 1u);
    ASSERT_EQ(events[0].kind, MidiInEvent::Kind::LongData);
    EXPECT_EQ(events[0].bytes, std::vector<Byte>(bulk.begin(), bulk.begin() + kImageSize));
}

TEST_F(InProcessDx7, WakeUpIsCalledWhenAReplyIsQueued) {
    // GIVEN a wake-up hook
    int wakes = 0;
    in.setWakeUp([&wakes] { ++wakes; });
    // WHEN the instrument answers at once
    SendShortMessage(state, kProgramChange, 7, 0);
    // THEN the GUI thread is woken once for the dump
    EXPECT_EQ(wakes, 1);
}

TEST(InProcessProgram, StartUpSendsTheInitialVoiceWithoutARefusal) {
    // GIVEN a whole program on the built-in instrument
    test::ProgramFixture f;
    MidiOptions options;
    options.virtualDx7 = true;
    MidiWiring wiring = WireMidi(
        options, [&f] { return f.host.clock; }, nullptr);
    ASSERT_TRUE(wiring.dx7 && wiring.out && wiring.in);
    f.state.midiOut = wiring.out.get();
    f.state.midiIn = wiring.in.get();
    f.state.programFolder = VOXMERE_PROGRAM_DIR;
    // WHEN the main window loads
    f.program.form1.load();
    // THEN no box was raised, the instrument got program 0 and INIT VOICE, and refused nothing
    ASSERT_EQ(f.host.boxes.size(), 1u) << "only the start-up guide";
    EXPECT_EQ(f.host.boxes[0].title, "最初に設定してください");
    EXPECT_EQ(wiring.dx7->programChanges(), 1);
    EXPECT_EQ(wiring.dx7->selectedProgram(), 0);
    EXPECT_EQ(wiring.dx7->voiceDumpsLoaded(), 1);
    EXPECT_EQ(VoiceName(wiring.dx7->editBuffer()), "INIT VOICE");
    EXPECT_EQ(wiring.dx7->refusals(), 0) << wiring.dx7->lastRefusal();
}

} // namespace
} // namespace vox
