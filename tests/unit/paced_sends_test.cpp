// The pause between System Exclusive messages, on the fake clock: every
// parameter change, voice dump and bulk dump keeps it; with none set the
// program sends exactly as before.
#include "editor/form2.h"
#include "librarian/form1.h"
#include "midi/midi_output.h"
#include "midi/virtual_dx7.h"
#include "test_support.h"
#include "voice/init_voice.h"

#include "workspace/unwritten.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace vox::test {
namespace {

using Bytes = std::vector<Byte>;

// A tick of 1/1024 s keeps the fake clock's sums exact.
constexpr double kTick = 1.0 / 1024;
constexpr int kOperatorEgMessages = 48;

struct PacedSends : ::testing::Test {
    ProgramFixture f;
    Form2 &form2 = f.program.form2;
    Form1 &form1 = f.program.form1;
    ScratchFolder scratch{"paced"};
    // Every message sent and the fake clock when it went out.
    std::vector<Bytes> sent;
    std::vector<double> at;

    void SetUp() override {
        f.host.tick = kTick;
        f.out.open();
        f.state.programFolder = scratch.path();
        f.out.onSend = [this](std::span<const Byte> m) {
            sent.emplace_back(m.begin(), m.end());
            at.push_back(f.host.clock);
        };
    }

    // The editor on an initial voice in slot 5, the operator EG group open
    // with all 48 boxes holding a value.
    void OpenOperatorEg() {
        PlaceAs(f.ws, 5, InitialVoice());
        form2.load();
        form2.controlClick("Text24_3");
        ASSERT_EQ(f.state.selectedGroup, 0);
        for (std::size_t n = 0; n < 48; ++n)
            form2.text43[n] = std::to_string(10 + n);
        sent.clear();
        at.clear();
    }

    std::vector<double> sysExTimes() const {
        std::vector<double> times;
        for (std::size_t i = 0; i < sent.size(); ++i)
            if (sent[i].front() == kSysExStart) times.push_back(at[i]);
        return times;
    }
};

TEST_F(PacedSends, WithNoPauseTheOperatorEgGroupGoesOutOnePassApartAsBefore) {
    // GIVEN no pause (the default)
    ASSERT_EQ(f.state.exchange.sysExPauseMs, 0);
    ASSERT_NO_FATAL_FAILURE(OpenOperatorEg());
    const int passes = f.host.passes;
    // WHEN 変更 is pressed
    form2.command1Click();
    // THEN 48 parameter changes, each followed by one message-loop pass and
    // no waiting at all
    ASSERT_EQ(sent.size(), static_cast<std::size_t>(kOperatorEgMessages));
    EXPECT_EQ(f.host.passes - passes, kOperatorEgMessages);
    for (std::size_t i = 1; i < at.size(); ++i)
        EXPECT_EQ(at[i] - at[i - 1], kTick) << "message " << i;
}

// The instrument's receive ring holds 380 bytes and the cable carries a
// byte in 0.32 ms: two quick clicks must never have more than the ring's
// worth of parameter changes on their way.
TEST_F(PacedSends, WithNoPauseASecondClickFollowsAtTheCablesPace) {
    constexpr double kRing = 380, kSecondsPerByte = 0.00032;
    ASSERT_NO_FATAL_FAILURE(OpenOperatorEg());
    f.host.tick = kTick / 16; // a fast machine: the cable is the limit
    // WHEN 変更 is pressed twice in quick succession
    form2.command1Click();
    const std::size_t firstSleeps = f.host.sleeps.size();
    for (std::size_t n = 0; n < 48; ++n)
        form2.text43[n] = std::to_string(20 + n);
    form2.command1Click();
    // THEN the first click's 48 changes went out without waiting
    EXPECT_EQ(firstSleeps, 0u);
    ASSERT_EQ(sent.size(), 2u * kOperatorEgMessages);
    // AND at no send did the bytes not yet through the cable exceed the ring
    double backlog = 0;
    for (std::size_t i = 0; i < sent.size(); ++i) {
        if (i > 0) backlog = std::max(0.0, backlog - (at[i] - at[i - 1]) / kSecondsPerByte);
        backlog += static_cast<double>(sent[i].size());
        EXPECT_LE(backlog, kRing + 1e-6) << "message " << i;
    }
    // AND the second click was held back by about the cable's time
    const double span = at.back() - at.front();
    EXPECT_GT(span, (2 * kOperatorEgMessages * 7 - kRing) * kSecondsPerByte);
}

TEST_F(PacedSends, ThePauseLiesBetweenEveryTwoParameterChangesAndTheBytesStayTheSame) {
    // GIVEN the bytes 変更 sends without a pause
    ASSERT_NO_FATAL_FAILURE(OpenOperatorEg());
    form2.command1Click();
    const std::vector<Bytes> unpaced = sent;
    ASSERT_EQ(unpaced.size(), static_cast<std::size_t>(kOperatorEgMessages));
    // WHEN the same is sent with a pause of 3 ms
    f.state.exchange.sysExPauseMs = 3;
    ASSERT_NO_FATAL_FAILURE(OpenOperatorEg());
    form2.command1Click();
    // THEN the same 48 messages, at least 3 ms apart and no more than one
    // pass longer than that
    EXPECT_EQ(sent, unpaced);
    ASSERT_EQ(at.size(), static_cast<std::size_t>(kOperatorEgMessages));
    for (std::size_t i = 1; i < at.size(); ++i) {
        EXPECT_GE(at[i] - at[i - 1], 0.003) << "message " << i;
        EXPECT_LT(at[i] - at[i - 1], 0.003 + 2 * kTick) << "message " << i;
    }
}

TEST_F(PacedSends, EachPassOfThePauseMaySleepForWhatIsLeftOfIt) {
    // GIVEN a pause of 500 ms and passes of 250 ms (both exact)
    f.state.exchange.sysExPauseMs = 500;
    f.host.tick = 0.25;
    SendLongMessage(f.state, f.host, ParameterChangeMessage(0, 1));
    // WHEN the next goes out, one pass after the first
    SendLongMessage(f.state, f.host, ParameterChangeMessage(0, 2));
    // THEN the pause asked the host to sleep for the 250 ms left, not to spin
    EXPECT_EQ(f.host.sleeps, std::vector<double>{0.25});
}

TEST_F(PacedSends, TimeSpentElsewhereCountsTowardsThePause) {
    // GIVEN a pause of 50 ms and a parameter change just sent
    f.state.exchange.sysExPauseMs = 50;
    SendLongMessage(f.state, f.host, ParameterChangeMessage(0, 1));
    // WHEN 62.5 ms (exact on the fake clock) pass before the next
    f.host.clock += 0.0625;
    const int passes = f.host.passes;
    SendLongMessage(f.state, f.host, ParameterChangeMessage(0, 2));
    // THEN it goes out at once: only the pass after the send runs
    EXPECT_EQ(f.host.passes - passes, 1);
    ASSERT_EQ(at.size(), 2u);
    EXPECT_EQ(at[1] - at[0], 0.0625 + kTick);
}

TEST_F(PacedSends, VoiceDumpBulkDumpAndParameterChangesAllKeepThePause) {
    // GIVEN a pause of 50 ms and 32 voices in the list
    f.state.exchange.sysExPauseMs = 50;
    ASSERT_NO_FATAL_FAILURE(OpenOperatorEg());
    SeedBank(f.ws, [](int) { return InitialVoice(); });
    // WHEN a voice dump, the bulk dump (confirmed) and the operator EG
    // group go out one after the other
    SendEditArea(f.state, f.host, f.ws);
    f.host.answers.push_back(MsgResult::Ok);
    form1.command8Click();
    form2.command1Click();
    // THEN every two System Exclusive messages lie 50 ms apart
    std::vector<std::size_t> sizes;
    for (const Bytes &m : sent)
        if (m.front() == kSysExStart) sizes.push_back(m.size());
    // (the edit-area voice goes again once the bank is in)
    ASSERT_EQ(sizes.size(), 3u + kOperatorEgMessages);
    EXPECT_EQ(sizes[0], kImageSize);
    EXPECT_EQ(sizes[1], kBulkMessageSize);
    EXPECT_EQ(sizes[2], kImageSize);
    EXPECT_EQ(sizes[3], kParameterChangeSize);
    const auto times = sysExTimes();
    for (std::size_t i = 1; i < times.size(); ++i)
        EXPECT_GE(times[i] - times[i - 1], 0.050) << "System Exclusive message " << i;
    // AND the program changes after the bulk dump are not held back: the
    // pause lies between System Exclusive messages only
    std::size_t bulk = 0;
    while (sent[bulk].size() != kBulkMessageSize)
        ++bulk;
    ASSERT_LT(bulk + 2, sent.size());
    EXPECT_EQ(sent[bulk + 1], (Bytes{kProgramChange, 1, 0}));
    EXPECT_EQ(at[bulk + 1], at[bulk] + kTick);
    EXPECT_EQ(at[bulk + 2], at[bulk + 1]);
}

// The instrument takes System Exclusive and channel messages only on its
// receive channel: every kind the program sends is addressed to it.
TEST_F(PacedSends, EverySendGoesOutOnTheInstrumentsChannel) {
    for (int channel : {1, 2, 16}) {
        SCOPED_TRACE(channel);
        // GIVEN the instrument's channel set, and 32 voices in the list
        f.state.exchange.channel = channel;
        ASSERT_NO_FATAL_FAILURE(OpenOperatorEg());
        SeedBank(f.ws, [](int) { return InitialVoice(); });
        // WHEN a voice dump, the bulk dump, an audition and the operator EG
        // group go out
        SendEditArea(f.state, f.host, f.ws);
        f.host.answers.push_back(MsgResult::Ok);
        form1.command8Click();
        form1.auditionEditArea();
        form1.auditionEditAreaEnd();
        form2.command1Click();
        // THEN an instrument on that channel takes every one, and one on
        // any other channel none
        VirtualDx7 on, off;
        on.receiveChannel = channel - 1;
        off.receiveChannel = channel % kMidiChannels;
        std::set<int> kinds; // status, or 100h + sub-status + format
        for (Bytes m : sent) {
            // (a program change is two bytes on the wire)
            if (m.front() != kSysExStart) m.resize(ChannelMessageLength(m.front()));
            on.receive(m);
            off.receive(m);
            kinds.insert(m.front() != kSysExStart ? m.front() & 0xF0
                         : (m[2] & 0xF0) == 0     ? 0x100 + m[3]
                                                  : 0x100 + (m[2] & 0xF0));
        }
        EXPECT_EQ(on.refusals(), 0) << on.lastRefusal();
        EXPECT_EQ(off.refusals(Dx7Refusal::WrongChannel), static_cast<int>(sent.size()));
        // (voice dump, bulk dump, parameter change, program change, note on and off)
        EXPECT_EQ(kinds, (std::set<int>{0x100, 0x109, 0x110, kProgramChange, kNoteOn, kNoteOff}));
        sent.clear();
    }
}

// A cheap USB-MIDI interface takes the host's bytes into about 64 bytes and
// loses what does not fit; the cable carries a byte in 0.32 ms. The bulk
// dump is F0 43 0n 09 20 00, 4096 bytes, checksum, F7: 4104 bytes.
TEST_F(PacedSends, InPiecesABulkDumpGoesOutPieceByPieceAtTheCablesPace) {
    constexpr double kSecondsPerByte = 0.00032;
    constexpr std::size_t kBulk = 4104;
    SeedBank(f.ws, [](int n) { return Named(InitialVoice(), "PIECE " + std::to_string(n)); });
    const auto bulk = BuildBulkMessage(f.ws.voiceTable());
    std::vector<double> partAt;
    f.out.onPart = [&](std::span<const Byte>) { partAt.push_back(f.host.clock); };
    struct Case {
        int piece, channel;
    };
    for (const Case c : {Case{32, 1}, Case{64, 5}, Case{100, 16}, Case{1024, 1}}) {
        SCOPED_TRACE(c.piece);
        // GIVEN pieces of N bytes and the instrument on its channel
        f.state.exchange.sysExChunk = c.piece;
        f.state.exchange.channel = c.channel;
        Bytes expected(bulk.begin(), bulk.end());
        expected[2] = static_cast<Byte>(c.channel - 1);
        f.out.parts.clear();
        partAt.clear();
        const std::size_t logged = f.state.midiTraffic.total();
        // WHEN the bulk dump is sent
        SendLongMessage(f.state, f.host, bulk);
        // THEN it reached the port as ceil(4104 / N) pieces of N bytes, the
        // last shorter, that make the message on the instrument's channel
        const auto n = static_cast<std::size_t>(c.piece);
        const std::size_t count = (kBulk + n - 1) / n;
        ASSERT_EQ(f.out.parts.size(), count);
        Bytes joined;
        for (std::size_t i = 0; i < count; ++i) {
            EXPECT_EQ(f.out.parts[i].size(), i + 1 < count ? n : kBulk - (count - 1) * n) << i;
            joined.insert(joined.end(), f.out.parts[i].begin(), f.out.parts[i].end());
        }
        EXPECT_EQ(joined, expected);
        // (a port that takes whole messages is given it whole, once)
        EXPECT_EQ(sent.back(), expected);
        // AND each went only once the one before had crossed the cable
        for (std::size_t i = 1; i < count; ++i)
            EXPECT_GE(partAt[i] - partAt[i - 1],
                      static_cast<double>(f.out.parts[i - 1].size()) * kSecondsPerByte)
                << i;
        // AND the monitor shows it once, whole
        ASSERT_EQ(f.state.midiTraffic.total(), logged + 1);
        EXPECT_EQ(f.state.midiTraffic.entries().back().bytes, expected);
    }
}

// A status byte inside a System Exclusive message ends it on the instrument.
TEST_F(PacedSends, WhatAHandlerSendsWhilePiecesWaitFollowsTheMessage) {
    // GIVEN pieces of 32 bytes, and a handler that sends a program change and
    // a parameter change in a pass of the message loop once a piece is out
    f.state.exchange.sysExChunk = 32;
    bool sentMeanwhile = false;
    f.host.onProcessEvents = [&] {
        if (f.out.parts.size() != 1 || std::exchange(sentMeanwhile, true)) return;
        SendShortMessage(f.state, kProgramChange, 3, 0);
        SendLongMessage(f.state, f.host, ParameterChangeMessage(0, 1));
    };
    // WHEN a voice dump (163 bytes) goes out
    SendLongMessage(f.state, f.host, BuildVoiceDump(InitialVoice()));
    // THEN its six pieces went with nothing between them, and the two after it
    EXPECT_EQ(f.out.parts.size(), 6u);
    std::vector<std::size_t> sizes;
    for (const Bytes &m : sent)
        sizes.push_back(m.size());
    EXPECT_EQ(sizes, (std::vector<std::size_t>{163, 3, 7}));
}

TEST_F(PacedSends, InPiecesAClockThatDoesNotMoveHoldsNothingForEver) {
    // GIVEN pieces of 32 bytes and a clock that stands still
    f.state.exchange.sysExChunk = 32;
    f.host.tick = 0;
    // WHEN a bulk dump goes out
    SendLongMessage(f.state, f.host, BuildBulkMessage(f.ws.voiceTable()));
    // THEN all 129 pieces went, and it returned
    EXPECT_EQ(f.out.parts.size(), 129u);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].size(), 4104u);
}

TEST_F(PacedSends, WithoutAnOpenPortNothingWaits) {
    // GIVEN a long pause and no output
    f.state.exchange.sysExPauseMs = 1000;
    f.out.close();
    const int passes = f.host.passes;
    // WHEN three parameter changes are "sent"
    for (int v = 0; v < 3; ++v)
        SendLongMessage(f.state, f.host, ParameterChangeMessage(0, v));
    // THEN each costs its one pass, as before, and nothing goes out
    EXPECT_EQ(f.host.passes - passes, 3);
    EXPECT_TRUE(sent.empty());
}

} // namespace
} // namespace vox::test
