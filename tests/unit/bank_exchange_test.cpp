// Bank receive and transmit against a scripted instrument and the fake clock.
#include "librarian/form1.h"
#include "midi/bank_exchange.h"
#include "scripted_dx7.h"
#include "voice/bank_format.h"
#include "voice/init_voice.h"

#include <gtest/gtest.h>

namespace vox::test {
namespace {

using Lines = std::vector<std::string>;
const std::string kCountTail = " 音色です。SOUND LIST には読み込まれていません。";

struct BankReceive : ::testing::Test {
    ProgramFixture f;
    ScriptedDx7 dx7;
    Form1 &form1 = f.program.form1;

    void SetUp() override {
        f.out.open();
        dx7.attach(f);
    }
    // Idle message-loop passes until a box is raised or `seconds` pass.
    void idle(double seconds) {
        const double end = f.host.clock + seconds;
        const std::size_t boxes = f.host.boxes.size();
        while (f.host.clock < end && f.host.boxes.size() == boxes)
            f.host.processEvents();
    }
    std::vector<std::vector<Byte>> programChanges() const {
        std::vector<std::vector<Byte>> pcs;
        for (const auto &m : f.out.sent)
            if (m.size() == 3 && m[0] == kProgramChange) pcs.push_back(m);
        return pcs;
    }
    bool slotMatches(int n) const {
        const Slot &s = f.ws.voiceTable()[static_cast<std::size_t>(n)];
        const Slot &b = dx7.bank[static_cast<std::size_t>(n)];
        return std::equal(s.begin(), s.begin() + kImageSize, b.begin());
    }
};

TEST_F(BankReceive, CleanReceiveFillsTheSoundListWithTheInstrumentsBank) {
    // GIVEN an instrument answering every request WHEN Command4 runs
    form1.command4Click();
    // THEN the end marker alone, 32 entries, idle again, every slot taken
    EXPECT_EQ(form1.list2.items, Lines{"10"});
    ASSERT_EQ(form1.list3().items.size(), 32u);
    EXPECT_EQ(form1.list3().items[4], "  5. BANK 05   ");
    EXPECT_EQ(form1.list3().items[16], " 17. BANK 17   ");
    EXPECT_EQ(f.state.receive.recvMode, 0);
    for (int n = 1; n <= 32; ++n)
        EXPECT_TRUE(slotMatches(n)) << "slot " << n;
    EXPECT_EQ(f.ws.slotText(32), " 32. BANK 32   ");
    EXPECT_FALSE(form1.progressBar1.visible);
    EXPECT_TRUE(f.host.boxes.empty());
    EXPECT_EQ(form1.command2Caption, "停止 ");
}

TEST_F(BankReceive, ADumpWaitingFromBeforeTheReceiveIsNotTakenAsVoice1) {
    // GIVEN the answer to an earlier program change (start-up, audition)
    // still waiting in the input when the user presses Command4
    form1.startInputAtLoad();
    const Slot stale = MakeBankVoice(20);
    f.in.receive(std::span<const Byte>(stale.data(), kImageSize));
    form1.command4Click();
    // THEN every slot holds the voice of its own program
    ASSERT_EQ(form1.list3().items.size(), 32u);
    for (int n = 1; n <= 32; ++n)
        EXPECT_TRUE(slotMatches(n)) << "slot " << n;
    EXPECT_EQ(form1.list3().items[0], "  1. BANK 01   ");
}

TEST_F(BankReceive, CleanReceiveSendsProgramChangesHalfASecondApart) {
    std::vector<double> at;
    dx7.onRequest = [&](int) { at.push_back(f.host.clock); };
    form1.command4Click();
    ASSERT_EQ(dx7.requests.size(), 32u);
    for (int g = 0; g < 32; ++g)
        EXPECT_EQ(dx7.requests[static_cast<std::size_t>(g)], g);
    for (std::size_t i = 1; i < at.size(); ++i)
        EXPECT_GE(at[i] - at[i - 1], 0.5 - 1e-9);
}

TEST_F(BankReceive, StoredDumpsLeaveOneTraceLineEach) {
    form1.command4Click();
    ASSERT_EQ(form1.list4.items.size(), 32u);
    EXPECT_EQ(form1.list4.items[4], " 5 0 0 0");
    EXPECT_TRUE(form1.list1.items[1].starts_with(" 1LongMsg 受信 : F0430000011B")) << form1.list1.items[1];
}

TEST_F(BankReceive, BrokenDumpsForSlots5And9AreRequestedAgainBackToBack) {
    dx7.brokenOnce = {5, 9};
    form1.command4Click();
    EXPECT_EQ(form1.list2.items, (Lines{" 5 5", " 9 9", "exit 2", "10"}));
    // The retries follow the last request at once, nothing between them.
    const auto pcs = programChanges();
    ASSERT_EQ(pcs.size(), 34u);
    EXPECT_EQ(pcs[32], (std::vector<Byte>{0xC0, 4, 0}));
    EXPECT_EQ(pcs[33], (std::vector<Byte>{0xC0, 8, 0}));
    EXPECT_EQ(f.out.sent.size(), 34u);
    // A later voice of the first pass shows the pending retry in its trace;
    // the retry pass stores into slots 5 and 9.
    EXPECT_EQ(form1.list4.items[5], " 6 5 1 0");
    ASSERT_EQ(form1.list4.items.size(), 34u);
    EXPECT_EQ(form1.list4.items[32], " 33 0 0 5");
    EXPECT_EQ(form1.list4.items[33], " 33 0 0 9");
    EXPECT_TRUE(slotMatches(5));
    EXPECT_TRUE(slotMatches(9));
    EXPECT_EQ(form1.list3().items.size(), 32u);
    EXPECT_EQ(f.state.receive.recvMode, 0);
}

TEST_F(BankReceive, BrokenDumpNeverEntersTheBank) {
    // GIVEN slot 5 holding a voice and the instrument never answering the retry
    SeedBank(f.ws, [](int n) { return n == 5 ? MakeBankVoice(77) : Slot{}; });
    dx7.brokenOnce = {5};
    dx7.onRequest = [&](int g) {
        if (dx7.requests.size() > 32 && g == 4) dx7.silent = true;
    };
    form1.command4Click();
    idle(5);
    // THEN slot 5 still holds its old voice, not the broken bytes
    EXPECT_EQ(f.ws.voiceTable()[5], MakeBankVoice(77));
    EXPECT_EQ(form1.list3().items[4], "  5. BANK 77   ");
}

TEST_F(BankReceive, DumpWithAnotherMakersHeaderCountsAsBroken) {
    dx7.foreignOnce = {12};
    form1.command4Click();
    EXPECT_EQ(form1.list2.items, (Lines{" 12 12", "exit 1", "10"}));
    EXPECT_TRUE(slotMatches(12));
}

TEST_F(BankReceive, DumpWithABadChecksumCountsAsBroken) {
    dx7.badChecksumOnce = {3};
    form1.command4Click();
    EXPECT_EQ(form1.list2.items, (Lines{" 3 3", "exit 1", "10"}));
    EXPECT_TRUE(slotMatches(3));
    EXPECT_EQ(form1.list3().items[2], "  3. BANK 03   ");
}

TEST_F(BankReceive, TruncatedDumpCountsAsBroken) {
    f.out.onSend = nullptr;
    BeginReceive(f.state.receive, 0);
    f.state.receive.requested = 1;
    Slot buffer{};
    const Slot voice = MakeBankVoice(1);
    std::copy(voice.begin(), voice.begin() + 100, buffer.begin());
    const StoreResult stored = StoreReceivedVoice(f.state, buffer, 100, 0);
    EXPECT_EQ(stored.brokenLines, Lines{" 1 1"});
    EXPECT_EQ(f.ws.voiceTable()[1], Slot{});
}

TEST_F(BankReceive, BufferNotBeginningWithF0CountsAsBroken) {
    BeginReceive(f.state.receive, 0);
    f.state.receive.requested = 1;
    Slot buffer = MakeBankVoice(1);
    buffer[0] = 0x00;
    const StoreResult stored = StoreReceivedVoice(f.state, buffer, kImageSize, 0);
    EXPECT_EQ(stored.brokenLines, Lines{" 1 1"});
    EXPECT_EQ(f.ws.voiceTable()[1], Slot{});
    EXPECT_EQ(f.state.receive.recvSlot, 2);
}

TEST_F(BankReceive, LostDumpEndsAfterThreeSecondsWithAMessage) {
    dx7.lostOnce = {7};
    double lastRequest = 0;
    dx7.onRequest = [&](int) { lastRequest = f.host.clock; };
    form1.command4Click();
    EXPECT_EQ(f.state.receive.recvMode, 1);
    idle(10);
    ASSERT_EQ(f.host.boxes.size(), 1u);
    EXPECT_EQ(f.host.boxes[0].text,
              "ＤＸ７から３秒間応答がないため、受信を終了しました。受信できた音色は 31" + kCountTail);
    const double waited = f.host.clock - lastRequest;
    EXPECT_GE(waited, 3.0);
    EXPECT_LT(waited, 3.0 + 2 * f.host.tick);
    EXPECT_EQ(f.state.receive.recvMode, 0);
    EXPECT_TRUE(form1.list3().items.empty());
    EXPECT_FALSE(form1.cancelReceiveVisible());
}

TEST_F(BankReceive, LateDumpAfterTheTimeOutIsOnlyLogged) {
    dx7.lostOnce = {7};
    form1.command4Click();
    idle(10);
    const Slot slot32 = f.ws.voiceTable()[32];
    const std::size_t traces = form1.list4.items.size();
    const Slot late = MakeBankVoice(7);
    f.in.receive(std::span<const Byte>(late.data(), kImageSize));
    f.host.processEvents();
    EXPECT_EQ(form1.list1.items.back(),
              " 0LongMsg 受信 : " + Hex(std::span<const Byte>(late.data(), kImageSize)));
    EXPECT_EQ(form1.list4.items.size(), traces);
    EXPECT_EQ(f.ws.voiceTable()[32], slot32);
    EXPECT_TRUE(form1.list3().items.empty());
    EXPECT_EQ(f.host.boxes.size(), 1u);
}

TEST_F(BankReceive, SilentInstrumentTimesOutWithNoVoices) {
    dx7.silent = true;
    form1.command4Click();
    EXPECT_EQ(programChanges().size(), 32u);
    EXPECT_TRUE(f.host.boxes.empty()); // not before the last request's 3 seconds
    idle(10);
    ASSERT_EQ(f.host.boxes.size(), 1u);
    EXPECT_EQ(f.host.boxes[0].text,
              "ＤＸ７から３秒間応答がないため、受信を終了しました。受信できた音色は 0" + kCountTail);
    EXPECT_TRUE(form1.list3().items.empty());
    EXPECT_EQ(f.state.receive.recvMode, 0);
}

TEST_F(BankReceive, CancelStopsTheRequestsAndSaysHowManyArrived) {
    bool cancelAsked = false;
    dx7.onRequest = [&](int g) { cancelAsked = cancelAsked || g == 10; };
    bool cancelled = false;
    f.host.onProcessEvents = [&] {
        f.program.pumpMidiInput();
        // (The pass before the first request only drains old input.)
        if (!dx7.requests.empty()) {
            EXPECT_EQ(form1.cancelReceiveVisible(), !cancelled);
        }
        if (cancelAsked && !cancelled) {
            cancelled = true;
            form1.cancelReceive();
        }
    };
    form1.command4Click();
    EXPECT_EQ(programChanges().size(), 11u);
    ASSERT_EQ(f.host.boxes.size(), 1u);
    EXPECT_EQ(f.host.boxes[0].text, "ＤＸ７からの受信を中止しました。受信できた音色は 11" + kCountTail);
    EXPECT_EQ(f.state.receive.recvMode, 0);
    EXPECT_FALSE(form1.progressBar1.visible);
    EXPECT_TRUE(form1.list3().items.empty());
    idle(5);
    EXPECT_EQ(f.host.boxes.size(), 1u); // no time-out after a cancel
}

TEST_F(BankReceive, SecondCommand4RestartsCleanly) {
    bool restartAsked = false, restarted = false;
    dx7.brokenOnce = {3};
    dx7.onRequest = [&](int g) { restartAsked = restartAsked || g == 10; };
    f.host.onProcessEvents = [&] {
        f.program.pumpMidiInput();
        if (restartAsked && !restarted) {
            restarted = true;
            form1.command4Click();
        }
    };
    form1.command4Click();
    // The old run's eleven requests, then the new run's 32 and nothing more.
    ASSERT_EQ(dx7.requests.size(), 43u);
    for (int g = 0; g < 32; ++g)
        EXPECT_EQ(dx7.requests[static_cast<std::size_t>(11 + g)], g);
    EXPECT_EQ(form1.list2.items, Lines{"10"}); // the old run's broken slot 3 is gone
    EXPECT_EQ(form1.list4.items.size(), 32u);
    ASSERT_EQ(form1.list3().items.size(), 32u);
    for (int n = 1; n <= 32; ++n)
        EXPECT_TRUE(slotMatches(n)) << "slot " << n;
    EXPECT_EQ(f.state.receive.recvMode, 0);
    EXPECT_FALSE(form1.progressBar1.visible);
}

// A receive that does not complete changes nothing the user had: the bank
// loaded before it, its SOUND LIST, and the voice in the edit area.
struct BankReceiveOverALoadedBank : BankReceive {
    UserView before;

    void SetUp() override {
        BankReceive::SetUp();
        // GIVEN a bank whose voices differ from the instrument's ("BANK 41"..)
        LoadOtherBankAndEditVoice7(f);
        // ... and entry 3 selected in the list
        form1.list3Select(2);
        before = snapshot();
        f.out.sent.clear();
    }
    UserView snapshot() { return UserView::Of(f); }
    void expectAllAsBefore() { snapshot().expectSame(before); }
};

TEST_F(BankReceiveOverALoadedBank, TheEditAreaAndListAreWhatTheTestStartsFrom) {
    ASSERT_EQ(before.list3.size(), 32u);
    EXPECT_EQ(before.list3[6], "  7. BANK 47   ");
    EXPECT_EQ(before.text2, "  7. BANK 47   ");
    EXPECT_EQ(before.currentSlot, 7);
    EXPECT_NE(before.editBuffer, before.table.all[7]);
}

TEST_F(BankReceiveOverALoadedBank, WhileVoicesArriveTheBankStillHoldsItsOwnVoices) {
    // GIVEN a receive under way WHEN the twentieth voice has arrived
    std::vector<Slot> slotsAtVoice20;
    dx7.onRequest = [&](int g) {
        if (g == 20) slotsAtVoice20.assign(f.ws.voiceTable().all.begin(), f.ws.voiceTable().all.end());
    };
    form1.command4Click();
    // THEN no slot had changed yet; at the end all 32 are the instrument's
    ASSERT_EQ(slotsAtVoice20.size(), before.table.all.size());
    for (std::size_t n = 0; n < slotsAtVoice20.size(); ++n)
        EXPECT_EQ(slotsAtVoice20[n], before.table.all[n]) << "slot " << n;
    for (int n = 1; n <= 32; ++n)
        EXPECT_TRUE(slotMatches(n)) << "slot " << n;
}

TEST_F(BankReceiveOverALoadedBank, CancelLeavesBankListAndEditAreaAsTheyWere) {
    // GIVEN the user cancels once eleven voices have arrived
    bool cancelled = false;
    f.host.onProcessEvents = [&] {
        f.program.pumpMidiInput();
        if (!cancelled && form1.list4.items.size() == 11) {
            cancelled = true;
            form1.cancelReceive();
        }
    };
    // WHEN the receive runs
    form1.command4Click();
    // THEN the box says 11 arrived and not one of them reached the bank
    ASSERT_EQ(f.host.boxTexts(), Lines{"ＤＸ７からの受信を中止しました。受信できた音色は 11" + kCountTail});
    expectAllAsBefore();
    EXPECT_EQ(f.state.receive.recvMode, 0);
    EXPECT_FALSE(form1.progressBar1.visible);
    // ... and the old bank is still what a transmit sends
    form1.command8Click();
    const auto at = std::find_if(f.out.sent.begin(), f.out.sent.end(),
                                 [](const auto &m) { return m.size() == kBulkMessageSize; });
    ASSERT_NE(at, f.out.sent.end());
    const auto &bulk = *at;
    EXPECT_EQ(std::string(bulk.begin() + 6 + 118, bulk.begin() + 6 + 128), "BANK 41   ");
}

TEST_F(BankReceiveOverALoadedBank, TimeOutLeavesBankListAndEditAreaAsTheyWere) {
    // GIVEN an instrument that stops answering after voice 20
    dx7.onRequest = [&](int g) { dx7.silent = g >= 20; };
    // WHEN the receive runs and the program idles past the time-out
    form1.command4Click();
    EXPECT_EQ(form1.list3().items.size(), 0u); // emptied while it runs
    idle(10);
    // THEN the time-out box, and everything as it was
    ASSERT_EQ(f.host.boxTexts(),
              Lines{"ＤＸ７から３秒間応答がないため、受信を終了しました。受信できた音色は 20" + kCountTail});
    expectAllAsBefore();
    EXPECT_EQ(f.state.receive.recvMode, 0);
}

TEST_F(BankReceiveOverALoadedBank, LostDumpLeavesBankListAndEditAreaAsTheyWere) {
    // GIVEN voice 7's dump never arrives, so voices 8..32 would land one
    // slot early
    dx7.lostOnce = {7};
    // WHEN the receive runs and the program idles past the time-out
    form1.command4Click();
    idle(10);
    // THEN nothing of the shifted bank reaches the slots or the list
    ASSERT_EQ(f.host.boxTexts(),
              Lines{"ＤＸ７から３秒間応答がないため、受信を終了しました。受信できた音色は 31" + kCountTail});
    expectAllAsBefore();
    // ... and the log lines of the pass are those of any receive
    EXPECT_EQ(form1.list4.items.size(), 31u);
    EXPECT_TRUE(form1.list2.items.empty());
}

TEST_F(BankReceiveOverALoadedBank, LostRetryLeavesBankListAndEditAreaAsTheyWere) {
    // GIVEN voice 5 broken in the first pass and its retry never answered
    dx7.brokenOnce = {5};
    dx7.onRequest = [&](int g) {
        if (dx7.requests.size() > 32 && g == 4) dx7.silent = true;
    };
    form1.command4Click();
    idle(10);
    // THEN the retry was asked for as always, and then nothing changed
    EXPECT_EQ(form1.list2.items, (Lines{" 5 5", "exit 1"}));
    ASSERT_EQ(f.host.boxes.size(), 1u);
    expectAllAsBefore();
}

TEST_F(BankReceiveOverALoadedBank, CancelAfterARestartPutsBackTheListFromBeforeBothRuns) {
    // GIVEN a receive started over at voice 10, the second run cancelled at voice 5
    int runs = 1;
    bool cancelled = false;
    dx7.onRequest = [&](int g) {
        if (runs == 1 && g == 10) {
            runs = 2;
            form1.command4Click();
        } else if (runs == 2 && g == 5 && !cancelled) {
            cancelled = true;
            form1.cancelReceive();
        }
    };
    form1.command4Click();
    // THEN the list is the one the user had, not the empty one between runs
    ASSERT_EQ(f.host.boxes.size(), 1u);
    expectAllAsBefore();
}

TEST_F(BankReceiveOverALoadedBank, GoodReceiveReplacesTheWholeBankAndList) {
    // WHEN all 32 voices arrive, two of them only on their retry
    dx7.brokenOnce = {3, 30};
    form1.command4Click();
    // THEN the log is the usual one and every slot and entry is the instrument's
    EXPECT_EQ(form1.list2.items, (Lines{" 3 3", " 30 30", "exit 2", "10"}));
    for (int n = 1; n <= 32; ++n)
        EXPECT_TRUE(slotMatches(n)) << "slot " << n;
    ASSERT_EQ(form1.list3().items.size(), 32u);
    for (int n = 1; n <= 32; ++n) {
        const std::string entry = SoundListEntryText(n, dx7.bank[static_cast<std::size_t>(n)]);
        EXPECT_EQ(form1.list3().items[static_cast<std::size_t>(n - 1)], entry);
        EXPECT_EQ(f.ws.slotText(static_cast<std::size_t>(n)), entry);
    }
    EXPECT_EQ(f.ws.voiceTable()[0], before.table.all[0]);
    EXPECT_EQ(f.ws.voiceTable()[33], before.table.all[33]);
    EXPECT_TRUE(f.host.boxes.empty());
    // ... and a later cancel of nothing puts nothing back
    form1.cancelReceive();
    EXPECT_EQ(form1.list3().items.size(), 32u);
}

struct BankTransmit : BankReceive {
    void SetUp() override {
        f.out.open();
        SeedBank(f.ws, MakeBankVoice);
    }
};

TEST_F(BankTransmit, SendsTheBulkDumpThenSelectsVoices2And1) {
    const VoiceTable before = f.ws.voiceTable();
    form1.command8Click();
    ASSERT_EQ(f.out.sent.size(), 3u);
    const auto &bulk = f.out.sent[0];
    ASSERT_EQ(bulk.size(), 4104u);
    EXPECT_EQ(std::vector<Byte>(bulk.begin(), bulk.begin() + 6),
              (std::vector<Byte>{0xF0, 0x43, 0x00, 0x09, 0x20, 0x00}));
    EXPECT_EQ(bulk.back(), 0xF7);
    // Voice 2's packed name lands at its place in the bank.
    EXPECT_EQ(std::string(bulk.begin() + 6 + 128 + 118, bulk.begin() + 6 + 128 + 128), "BANK 02   ");
    EXPECT_EQ(f.out.sent[1], (std::vector<Byte>{0xC0, 1, 0}));
    EXPECT_EQ(f.out.sent[2], (std::vector<Byte>{0xC0, 0, 0}));
    ASSERT_EQ(f.host.boxes.size(), 2u);
    EXPECT_EQ(f.host.boxes[0].text, "ＤＸ７内部メモリ-内の音色デ－タがすべて変更されます実行しますか");
    EXPECT_EQ(f.host.boxes[0].title, "デ－タ変更確認");
    EXPECT_EQ(f.host.boxes[0].buttons, MsgButtons::OkCancel);
    EXPECT_EQ(f.host.boxes[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(f.host.boxes[1].text, "転送完了");
    EXPECT_FALSE(form1.progressBar2.visible);
    EXPECT_EQ(form1.progressBar2.value, 4);
    EXPECT_EQ(f.ws.voiceTable().all, before.all);
}

TEST_F(BankTransmit, VoicesWithBytesOutsideTheirRangesGoOutAsThePackedFormatCarriesThem) {
    // GIVEN voice 3 with an oscillator-mode byte of 2 (one bit wide in the
    // packed format) and an LFO speed of 143 (a seven-bit byte there)
    SeedBank(f.ws, [](int n) {
        Slot voice = MakeBankVoice(n);
        if (n == 3) {
            voice[ParamPos(BlockParamNumber(0, OpParam::OscMode))] = 2;
            voice[ParamPos(param::LfoSpeed)] = 143;
        }
        return voice;
    });
    const VoiceTable before = f.ws.voiceTable();
    // WHEN the bank is transmitted
    form1.command8Click();
    // THEN voice 3 unpacks from the wire to the bits the fields hold, and the bank keeps its bytes
    ASSERT_EQ(f.out.sent.size(), 3u);
    const auto &bulk = f.out.sent[0];
    Slot unpacked{};
    UnpackVoice(
        std::span<const Byte, kPackedVoiceSize>(bulk.data() + 6 + 2 * kPackedVoiceSize, kPackedVoiceSize),
        unpacked);
    EXPECT_EQ(unpacked[ParamPos(BlockParamNumber(0, OpParam::OscMode))], 0);
    EXPECT_EQ(unpacked[ParamPos(param::LfoSpeed)], 15);
    EXPECT_EQ(f.ws.voiceTable().all, before.all);
}

TEST_F(BankTransmit, ListEmptiedByARunningReceiveSaysNo32VoiceDataAndSendsNothing) {
    f.state.receive.recvMode = 1;
    form1.command8Click();
    EXPECT_TRUE(f.out.sent.empty());
    EXPECT_EQ(f.host.boxTexts(), Lines{"No 32voice data"});
}

TEST(BankTransmitWithoutABank, SaysNo32VoiceData) {
    ProgramFixture g;
    g.out.open();
    g.program.form1.command8Click();
    EXPECT_TRUE(g.out.sent.empty());
    EXPECT_EQ(g.host.boxTexts(), Lines{"No 32voice data"});
}

TEST_F(BankTransmit, CancelOnTheConfirmationSendsNothing) {
    f.host.answers = {MsgResult::Cancel};
    form1.command8Click();
    EXPECT_TRUE(f.out.sent.empty());
    EXPECT_EQ(f.host.boxes.size(), 1u);
    EXPECT_EQ(form1.progressBar2.value, 0);
}

const std::string kTransmitNoPort = "MIDI出力ポートが開いていないため、32音色をDX7へ転送しませんでした。"
                                    "メニューの「MIDI」で出力ポートを選んでから、もう一度転送してください。";

TEST_F(BankTransmit, WithNoOutputPortSaysTheBankWasNotSentAndSendsNothing) {
    // GIVEN a full SOUND LIST and no output port open
    f.out.close();
    // WHEN Command8 is clicked
    form1.command8Click();
    // THEN no question about overwriting the DX7, no "転送完了", nothing sent
    EXPECT_EQ(f.host.boxTexts(), Lines{kTransmitNoPort});
    EXPECT_TRUE(f.out.sent.empty());
    EXPECT_FALSE(form1.progressBar2.visible);
}

TEST_F(BankTransmit, WithTheOutputClosedDuringTheConfirmationSaysTheBankWasNotSent) {
    // GIVEN the output port goes away while the confirmation is up
    struct ClosingHost : TestHost {
        RecordingOutPort *out = nullptr;
        MsgResult messageBox(const MessageBoxSpec &box) override {
            if (box.buttons == MsgButtons::OkCancel) out->close();
            return TestHost::messageBox(box);
        }
    };
    ProgramState state;
    ClosingHost host;
    RecordingOutPort out;
    TestInPort in;
    host.out = &out;
    state.midiOut = &out;
    state.midiIn = &in;
    Program program(state, host);
    out.open();
    SeedBank(program.workspace, [](int) { return Slot{}; });
    // WHEN the user answers OK
    program.form1.command8Click();
    // THEN the last box says nothing was sent, and nothing was
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[1].text, kTransmitNoPort);
    EXPECT_TRUE(out.sent.empty());
    EXPECT_FALSE(program.form1.progressBar2.visible);
}

// What a user or the instrument did while a receive ran, as first found:
// each once left a bank of wrong voices taken as complete.
struct DuringReceive {
    const char *what;
    ReceiveMode mode;
    int times;
    void (*act)(ProgramFixture &);
};

class ReceiveOwnsThePort : public BankReceive, public ::testing::WithParamInterface<DuringReceive> {};

TEST_P(ReceiveOwnsThePort, TheBankIsExactlyTheInstrumentsAndTheCommandsAreHeldOff) {
    const DuringReceive &c = GetParam();
    // GIVEN the program as start-up leaves it: the initial voice in the edit area
    f.ws.placeVoice(InitialVoice());
    f.state.exchange.receiveMode = c.mode;
    int pending = 0, done = 0;
    dx7.onRequest = [&](int g) {
        if (g == 4 && done == 0 && pending == 0) pending = c.times;
    };
    const auto pump = f.host.onProcessEvents;
    f.host.onProcessEvents = [&] {
        while (pending > 0) {
            --pending;
            ++done;
            c.act(f);
        }
        pump();
    };
    form1.command4Click();
    idle(20);
    ASSERT_EQ(done, c.times);
    ASSERT_EQ(form1.list3().items.size(), 32u) << c.what;
    for (int n = 1; n <= 32; ++n)
        EXPECT_TRUE(slotMatches(n)) << c.what << ": slot " << n;
    EXPECT_FALSE(f.program.form2.isOpen());
    EXPECT_TRUE(form1.enabled);
}

void Audition(ProgramFixture &f) {
    f.program.form1.command1MouseDown();
    f.program.form1.command1MouseUp();
}
void F5(ProgramFixture &f) {
    f.program.form1.auditionEditArea();
    f.program.form1.auditionEditAreaEnd();
}
void EditMode(ProgramFixture &f) { f.program.form1.command13Click(); }
void StrayParameterChange(ProgramFixture &f) {
    const ParameterChange change = ParameterChangeMessage(param::Feedback, 7);
    f.in.receive(std::vector<Byte>(change.begin(), change.end()));
}

INSTANTIATE_TEST_SUITE_P(
    AsFound, ReceiveOwnsThePort,
    ::testing::Values(DuringReceive{"the audition button once", ReceiveMode::Standard, 1, Audition},
                      DuringReceive{"F5 four times", ReceiveMode::Standard, 4, F5},
                      DuringReceive{"EDIT MODE", ReceiveMode::Standard, 1, EditMode},
                      DuringReceive{"a parameter change", ReceiveMode::Fast, 1, StrayParameterChange},
                      DuringReceive{"F5 three times", ReceiveMode::Fast, 3, F5}));

} // namespace
} // namespace vox::test
