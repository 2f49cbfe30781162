// The fast bank receive against an instrument whose answers take time on the
// wire, on the fake clock: one request at a time, each answer checked, a
// missing or broken one asked again, a late one never stored a slot off.
#include "file_test_support.h"
#include "librarian/form1.h"
#include "midi/fast_receive.h"
#include "scripted_dx7.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <optional>

namespace vox::test {
namespace {

using Lines = std::vector<std::string>;
using Requests = std::vector<int>;
const std::string kCountTail = " 音色です。SOUND LIST には読み込まれていません。";

// Requests 0..31 in order, with `extra` inserted after the given positions.
Requests InOrder(std::map<int, int> repeats = {}) {
    Requests r;
    for (int g = 0; g < 32; ++g) {
        r.push_back(g);
        for (int i = 0; i < repeats[g]; ++i)
            r.push_back(g);
    }
    return r;
}

struct FastReceive : ::testing::Test {
    ProgramFixture f;
    ScriptedDx7 dx7; // its answers on the wire
    Form1 &form1 = f.program.form1;
    double startedAt = 0;

    void SetUp() override {
        f.out.open();
        dx7.attach(f, true);
        f.state.exchange.receiveMode = ReceiveMode::Fast;
        // An instrument known to drop the bank request, as the DX7 Mk I does.
        f.state.answersBankRequest[f.out.name()] = false;
    }
    // Command4, then message-loop passes until the receive ends or `seconds` pass.
    void receive(double seconds = 30) {
        startedAt = f.host.clock;
        form1.command4Click();
        idleWhile([&] { return f.state.receive.recvMode != 0; }, seconds);
    }
    void idleWhile(const std::function<bool()> &more, double seconds) {
        const double end = f.host.clock + seconds;
        while (more() && f.host.clock < end)
            f.host.processEvents();
    }
    bool slotMatches(int n) const {
        const Slot &s = f.ws.voiceTable()[static_cast<std::size_t>(n)];
        const Slot &b = dx7.bank[static_cast<std::size_t>(n)];
        return std::equal(s.begin(), s.begin() + kImageSize, b.begin());
    }
    void expectTheInstrumentsBank() const {
        ASSERT_EQ(form1.list3().items.size(), 32u);
        for (int n = 1; n <= 32; ++n) {
            EXPECT_TRUE(slotMatches(n)) << "slot " << n;
            EXPECT_EQ(form1.list3().items[static_cast<std::size_t>(n - 1)],
                      SoundListEntryText(n, dx7.bank[n]));
        }
        EXPECT_EQ(f.state.receive.recvMode, 0);
        EXPECT_FALSE(form1.progressBar1.visible);
        EXPECT_TRUE(f.host.boxes.empty()) << f.host.boxes.front().text;
    }
    std::size_t programChangesSent() const {
        return static_cast<std::size_t>(
            std::count_if(f.out.sent.begin(), f.out.sent.end(),
                          [](const auto &m) { return m.size() == 3 && m[0] == kProgramChange; }));
    }
};

TEST_F(FastReceive, CleanReceiveAsksForEachVoiceOnceTheOneBeforeIsStored) {
    // GIVEN an instrument answering every request; each request records
    // how many voices were stored when it went out
    std::vector<int> storedWhenAsked;
    dx7.onRequest = [&](int) { storedWhenAsked.push_back(f.state.receive.storedThisRun); };
    // WHEN Command4 is clicked
    startedAt = f.host.clock;
    form1.command4Click();
    // THEN it returns at once, one request out, the window free
    EXPECT_EQ(dx7.requests, Requests{0});
    EXPECT_EQ(f.state.receive.recvMode, kFastRecvMode);
    EXPECT_TRUE(form1.cancelReceiveVisible());
    EXPECT_EQ(form1.progressBar1Text, "0/32");
    Lines progress;
    idleWhile(
        [&] {
            if (progress.empty() || progress.back() != form1.progressBar1Text)
                progress.push_back(form1.progressBar1Text);
            return f.state.receive.recvMode != 0;
        },
        30);
    // ... the 32 program changes went out in order, nothing else
    EXPECT_EQ(dx7.requests, InOrder());
    EXPECT_EQ(f.out.sent.size(), 32u);
    // ... each only after the answer before it was stored, in the same pass
    for (int g = 0; g < 32; ++g)
        EXPECT_EQ(storedWhenAsked[static_cast<std::size_t>(g)], g) << "request " << g;
    for (std::size_t g = 1; g < dx7.askedAt.size(); ++g)
        EXPECT_DOUBLE_EQ(dx7.askedAt[g], dx7.answeredAt[g - 1]) << "request " << g;
    // ... the bar counted the voices, "1/32" up to "31/32", and is gone
    ASSERT_GE(progress.size(), 32u);
    for (int n = 0; n < 32; ++n)
        EXPECT_EQ(progress[static_cast<std::size_t>(n)], std::to_string(n) + "/32");
    EXPECT_EQ(form1.progressBar1Text, "");
    // ... and the bank and SOUND LIST are the instrument's
    expectTheInstrumentsBank();
    EXPECT_EQ(form1.list2.items, Lines{"10"});
    ASSERT_EQ(form1.list4.items.size(), 32u);
    EXPECT_EQ(form1.list4.items[4], " 5 0 0 0");
    // ... each answer logged as received during the fast receive
    EXPECT_EQ(std::count_if(
                  form1.list1.items.begin(), form1.list1.items.end(),
                  [](const std::string &line) { return line.starts_with(" 3LongMsg 受信 : F0430000011B"); }),
              32);
    EXPECT_FALSE(form1.bankChanged());
    // ... in 32 round trips of the wire, not 32 half seconds
    EXPECT_LT(f.host.clock - startedAt, 32 * (dx7.wireSeconds + 2 * f.host.tick));
}

TEST_F(FastReceive, LostAnswerIsAskedForAgainAfterTheTimeOut) {
    // GIVEN the first answer for voice 7 lost on the way
    dx7.script[7] = {ScriptedDx7::Answer::Lost};
    receive();
    // THEN program 6 alone was asked again, one time-out after the first request
    EXPECT_EQ(dx7.requests, InOrder({{6, 1}}));
    const double waited = dx7.askedAt[7] - dx7.askedAt[6];
    EXPECT_GE(waited, 1.0);
    EXPECT_LT(waited, 1.0 + 2 * f.host.tick);
    // ... and the bank is right, voice 7 noted as asked again
    expectTheInstrumentsBank();
    EXPECT_EQ(form1.list2.items, (Lines{" 7 7", "10"}));
    EXPECT_EQ(form1.list4.items[6], " 7 0 1 7");
}

TEST_F(FastReceive, BrokenAnswerIsAskedForAgainAtOnce) {
    // GIVEN voice 12 answered once with a bad checksum
    dx7.script[12] = {ScriptedDx7::Answer::BadChecksum};
    receive();
    // THEN program 11 was asked again as soon as the broken answer came
    EXPECT_EQ(dx7.requests, InOrder({{11, 1}}));
    EXPECT_DOUBLE_EQ(dx7.askedAt[12], dx7.answeredAt[11]);
    expectTheInstrumentsBank();
    EXPECT_EQ(form1.list2.items, (Lines{" 12 12", "10"}));
}

TEST_F(FastReceive, OneLostAndOneBrokenAnswerCostOneRequestEach) {
    dx7.script[5] = {ScriptedDx7::Answer::Lost};
    dx7.script[20] = {ScriptedDx7::Answer::BadChecksum};
    receive();
    EXPECT_EQ(dx7.requests, InOrder({{4, 1}, {19, 1}}));
    expectTheInstrumentsBank();
    EXPECT_EQ(form1.list2.items, (Lines{" 5 5", " 20 20", "10"}));
}

TEST_F(FastReceive, LateAnswerIsStoredForItsOwnVoiceAndItsEchoIsNotTakenForTheNext) {
    // GIVEN voice 9's first answer arriving after the time-out, when voice 9
    // has been asked again (whose answer then follows the late one)
    dx7.script[9] = {ScriptedDx7::Answer::Late};
    receive();
    // THEN voice 9 was asked twice, no other voice again
    EXPECT_EQ(dx7.requests, InOrder({{8, 1}}));
    // ... 33 answers came, and no slot holds a neighbour's voice
    EXPECT_EQ(dx7.answeredAt.size(), 33u);
    expectTheInstrumentsBank();
    EXPECT_EQ(form1.list4.items.size(), 32u);
}

TEST_F(FastReceive, LateAnswerBeforeAnIdenticalVoiceCostsATimeOutNotASlot) {
    // GIVEN voices 9 and 10 the same (an INIT VOICE twice, say) and voice 9's
    // first answer late: the answer after it cannot be told from voice 10
    dx7.bank[10] = dx7.bank[9];
    dx7.script[9] = {ScriptedDx7::Answer::Late};
    receive();
    // THEN every slot is right and the receive completes
    expectTheInstrumentsBank();
    EXPECT_EQ(f.state.receive.storedThisRun, 32);
}

TEST_F(FastReceive, LostAnswerBeforeAnIdenticalVoiceAsksForThatVoiceAgain) {
    // GIVEN voices 9 and 10 the same and voice 9's first answer lost: voice
    // 10's answer might be a late copy of voice 9's
    dx7.bank[10] = dx7.bank[9];
    dx7.script[9] = {ScriptedDx7::Answer::Lost};
    receive();
    // THEN voice 10 is asked again after a time-out, and the bank is right
    EXPECT_EQ(dx7.requests, InOrder({{8, 1}, {9, 1}}));
    expectTheInstrumentsBank();
}

TEST_F(FastReceive, StandardModeStillAsksHalfASecondApartInsideCommand4) {
    // GIVEN the standard mode
    f.state.exchange.receiveMode = ReceiveMode::Standard;
    dx7.wireSeconds = 0; // the standard receive waits inside Command4
    form1.command4Click();
    // THEN Command4 asked for every voice half a second apart, as always
    ASSERT_EQ(dx7.requests, InOrder());
    EXPECT_GE(dx7.askedAt[31] - dx7.askedAt[0], 31 * 0.5 - 1e-9);
    EXPECT_EQ(form1.progressBar1Text, "");
}

TEST(ReceiveModeText, NamesStandardAndFastOnly) {
    EXPECT_EQ(ParseReceiveMode("standard"), ReceiveMode::Standard);
    EXPECT_EQ(ParseReceiveMode("fast"), ReceiveMode::Fast);
    EXPECT_EQ(ParseReceiveMode("Fast"), std::nullopt);
    EXPECT_EQ(ParseReceiveMode(""), std::nullopt);
    EXPECT_EQ(ParseReceiveMode("quick"), std::nullopt);
}

TEST(VoiceNumbers, ListsSinglesAndRanges) {
    EXPECT_EQ(VoiceNumberList({5}), "5");
    EXPECT_EQ(VoiceNumberList({5, 17}), "5, 17");
    EXPECT_EQ(VoiceNumberList({5, 6}), "5, 6");
    EXPECT_EQ(VoiceNumberList({3, 4, 5, 9, 30, 31, 32}), "3〜5, 9, 30〜32");
}

// A receive that does not complete changes nothing the user had.
struct FastReceiveOverALoadedBank : FastReceive {
    UserView before;

    void SetUp() override {
        FastReceive::SetUp();
        // GIVEN a bank unlike the instrument's, voice 7 in the edit area, edited
        LoadOtherBankAndEditVoice7(f);
        before = snapshot();
        f.out.sent.clear();
        dx7.requests.clear();
        dx7.askedAt.clear();
    }
    UserView snapshot() { return UserView::Of(f); }
    // A receive that ended sends the edit area's voice 7 again: program 6.
    static Requests ThenTheEditArea(Requests r) {
        r.push_back(6);
        return r;
    }
    void expectAllAsBefore() {
        snapshot().expectSame(before);
        EXPECT_EQ(f.state.receive.recvMode, 0);
        EXPECT_FALSE(form1.cancelReceiveVisible());
        EXPECT_FALSE(form1.progressBar1.visible);
        EXPECT_EQ(form1.progressBar1Text, "");
    }
};

TEST_F(FastReceiveOverALoadedBank, SilentInstrumentIsReportedAfterTheFirstRequestNamingThePorts) {
    // GIVEN an instrument that never answers (SYS INFO UNAVAIL)
    dx7.silent = true;
    receive(10);
    // THEN one request went out, and one time-out later a box names both
    // ports and SYS INFO AVAIL
    EXPECT_EQ(dx7.requests, ThenTheEditArea({0}));
    ASSERT_EQ(f.host.boxes.size(), 1u);
    EXPECT_EQ(f.host.boxes[0].text,
              "ＤＸ７から応答がありません。MIDI出力「recording」とMIDI入力「test-in」がDX7に"
              "つながっているか、DX7の「FUNCTION CONTROL 8」が「SYS INFO AVAIL」になっているかを"
              "確認してください（DX7の電源を入れた直後は「SYS INFO "
              "UNAVAIL」です）。メニュー「MIDI」の「接続の確認…」でも確かめられます。"
              "受信できた音色は 0" +
                  kCountTail);
    const double waited = f.host.clock - dx7.askedAt[0];
    EXPECT_GE(waited, 1.0);
    EXPECT_LT(waited, 2.0);
    // ... and the bank, list and edit area are as they were
    expectAllAsBefore();
    // ... nothing more is asked afterwards
    idleWhile([] { return true; }, 5);
    EXPECT_EQ(dx7.requests, ThenTheEditArea({0}));
    EXPECT_EQ(f.host.boxes.size(), 1u);
}

TEST_F(FastReceiveOverALoadedBank, VoicesStillBrokenAfterThreeRetriesAreNamedAndTheBankKept) {
    // GIVEN voices 5 and 17 answering broken every time
    using A = ScriptedDx7::Answer;
    dx7.script[5] = {A::BadChecksum, A::BadChecksum, A::BadChecksum, A::BadChecksum, A::BadChecksum};
    dx7.script[17] = {A::BadChecksum, A::BadChecksum, A::BadChecksum, A::BadChecksum, A::BadChecksum};
    receive();
    // THEN each was asked for four times, the rest once, in order
    EXPECT_EQ(dx7.requests, ThenTheEditArea(InOrder({{4, 3}, {16, 3}})));
    // ... and the box names them; nothing reached the bank
    EXPECT_EQ(f.host.boxTexts(),
              Lines{"音色 5, 17 を受け取れませんでした。受信できた音色は 30" + kCountTail});
    expectAllAsBefore();
    EXPECT_EQ(form1.list2.items,
              (Lines{" 5 5", " 5 5", " 5 5", " 5 5", " 17 17", " 17 17", " 17 17", " 17 17"}));
}

TEST_F(FastReceiveOverALoadedBank, InstrumentThatStopsAnsweringEndsTheReceiveAfterItsRetries) {
    // GIVEN a shorter time-out, one retry, and the instrument falling silent at voice 3
    f.state.exchange.fastTimeoutSeconds = 0.5;
    f.state.exchange.fastRetries = 1;
    dx7.onRequest = [&](int g) { dx7.silent = g >= 2; };
    receive();
    // THEN voice 3 was asked twice, half a second apart, and no voice after it
    EXPECT_EQ(dx7.requests, ThenTheEditArea({0, 1, 2, 2}));
    EXPECT_GE(dx7.askedAt[3] - dx7.askedAt[2], 0.5);
    EXPECT_LT(dx7.askedAt[3] - dx7.askedAt[2], 0.5 + 2 * f.host.tick);
    EXPECT_EQ(f.host.boxTexts(), Lines{"音色 3〜32 を受け取れませんでした。受信できた音色は 2" + kCountTail});
    expectAllAsBefore();
}

TEST_F(FastReceiveOverALoadedBank, CancelStopsTheRequestsAndKeepsTheBank) {
    // GIVEN the user cancels once ten voices are stored
    bool cancelled = false;
    f.host.onProcessEvents = [&] {
        dx7.deliver(f);
        f.program.pumpMidiInput();
        if (!cancelled && f.state.receive.storedThisRun == 10) {
            cancelled = true;
            EXPECT_TRUE(form1.cancelReceiveVisible());
            form1.cancelReceive();
        }
    };
    receive();
    // THEN the eleventh request was the last (then the edit area's voice 7
    // goes to the instrument again), the box says ten came
    ASSERT_EQ(dx7.requests.size(), 12u);
    EXPECT_EQ(dx7.requests.back(), 6);
    EXPECT_EQ(f.host.boxTexts(), Lines{"ＤＸ７からの受信を中止しました。受信できた音色は 10" + kCountTail});
    // ... the eleventh answer, arriving after, is only logged
    idleWhile([] { return true; }, 5);
    EXPECT_EQ(dx7.requests.size(), 12u);
    EXPECT_EQ(f.host.boxes.size(), 1u);
    EXPECT_EQ(form1.list4.items.size(), 10u);
    EXPECT_EQ(form1.list1.items.back().substr(0, 2), " 0");
    expectAllAsBefore();
}

TEST_F(FastReceiveOverALoadedBank, SecondCommand4StartsOverAndCompletes) {
    // GIVEN Command4 clicked again while voice 6 is awaited
    bool restarted = false;
    dx7.onRequest = [&](int g) { restarted = restarted || g == 5; };
    form1.command4Click();
    idleWhile([&] { return !restarted; }, 5);
    receive();
    // THEN the second run asked for all 32 from the start and got them right
    const Requests second(dx7.requests.end() - 33, dx7.requests.end());
    EXPECT_EQ(second, ThenTheEditArea(InOrder()));
    expectTheInstrumentsBank();
}

// The bank request first: an instrument that answers it gives the bank in
// one dump; one that does not costs the request's wait, once per port.
struct RequestCase {
    const char *name;
    std::optional<bool> known; // what was found for the port before
    bool answers, checksumWrong;
    bool asked;                     // the bank request went out
    bool byVoices;                  // the 32 program changes followed
    std::optional<bool> remembered; // what is known afterwards
};

struct RequestFirst : FastReceive, ::testing::WithParamInterface<RequestCase> {};

TEST_P(RequestFirst, TakesTheBankOrFallsBackToTheVoicesAndRemembersThePort) {
    const RequestCase &c = GetParam();
    f.state.answersBankRequest.clear();
    if (c.known) f.state.answersBankRequest[f.out.name()] = *c.known;
    std::vector<std::pair<std::string, bool>> learned;
    f.state.bankRequestLearned = [&](const std::string &port, bool answers) {
        learned.emplace_back(port, answers);
    };
    dx7.answersBankRequest = c.answers;
    dx7.bankChecksumWrong = c.checksumWrong;
    receive();
    expectTheInstrumentsBank();
    EXPECT_EQ(dx7.bankRequests, c.asked ? 1 : 0);
    EXPECT_EQ(dx7.requests, c.byVoices ? InOrder() : Requests{});
    if (c.asked && !c.byVoices) { // the dump's 1.31 s on the cable, not the wait
        EXPECT_LT(f.host.clock - startedAt, 4104 * 0.00032 + dx7.wireSeconds + 2 * f.host.tick);
    }
    if (c.asked && c.byVoices && !c.answers) { // voice 1 asked once the wait is over
        EXPECT_NEAR(dx7.askedAt[0] - startedAt, 1.5, 2 * f.host.tick);
    }
    const auto known = f.state.answersBankRequest.find(f.out.name());
    ASSERT_NE(known, f.state.answersBankRequest.end());
    EXPECT_EQ(known->second, c.remembered);
    const bool news = !c.known || *c.known != *c.remembered;
    EXPECT_EQ(learned.size(), news ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Ports, RequestFirst,
    ::testing::Values(RequestCase{"NewPortAnswering", std::nullopt, true, false, true, false, true},
                      RequestCase{"NewPortSilent", std::nullopt, false, false, true, true, false},
                      RequestCase{"KnownSilentIsNotAsked", false, true, false, false, true, false},
                      RequestCase{"KnownAnsweringNoLonger", true, false, false, true, true, false},
                      RequestCase{"DamagedBankAsksTheVoices", std::nullopt, true, true, true, true, true}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(LaterModelReceive, TheAdditionalDataAskedForWithTheBankStaysWithEachVoice) {
    // The AMEM of a DX7 II bank file as it came, and that AMEM with one data
    // byte changed, so that its checksum fails.
    const std::vector<Byte> file = ReadBytes(TestData("supplement-then-bank.syx"));
    const std::vector<Byte> good(file.begin() + 7, file.begin() + 7 + 1128);
    std::vector<Byte> damaged = good;
    damaged[6 + 40] ^= 0x01;
    const struct {
        const char *name;
        InstrumentModel model;
        ReceiveMode mode;
        const std::vector<Byte> *answer; // nullptr: the instrument sends none
        bool taken;
        const char *said; // the status line's end
    } cases[] = {
        {"a Mk I is not asked", InstrumentModel::Dx7, ReceiveMode::Fast, &good, false, "受信しました。"},
        {"DX7 II, fast", InstrumentModel::Dx7ii, ReceiveMode::Fast, &good, true, "も受け取りました。"},
        {"TX802, voice by voice", InstrumentModel::Tx802, ReceiveMode::Standard, &good, true,
         "も受け取りました。"},
        {"none comes", InstrumentModel::Dx7ii, ReceiveMode::Fast, nullptr, false, "音色だけです。"},
        {"damaged", InstrumentModel::Dx7ii, ReceiveMode::Fast, &damaged, false,
         "受け取っていません。音色だけです。"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFixture f;
        ScriptedDx7 dx7;
        dx7.answersBankRequest = true;
        if (c.answer) dx7.amem = *c.answer;
        dx7.attach(f, true);
        f.out.open();
        f.state.exchange.model = c.model;
        f.state.exchange.receiveMode = c.mode;
        f.program.form1.command4Click();
        for (const double end = f.host.clock + 30; f.state.receive.recvMode != 0 && f.host.clock < end;)
            f.host.processEvents();
        EXPECT_EQ(dx7.laterModelRequests.size(), c.model == InstrumentModel::Dx7 ? 0u : 1u);
        ASSERT_EQ(f.program.form1.list3().items.size(), 32u);
        EXPECT_TRUE(f.program.form1.statusText.ends_with(c.said)) << f.program.form1.statusText;
        for (std::size_t v = 0; v < kBankSlots; ++v) {
            const auto record = f.ws.supplement(static_cast<int>(v + 1));
            ASSERT_EQ(record.has_value(), c.taken) << "voice " << v + 1;
            if (record) {
                EXPECT_TRUE(std::equal(record->begin(), record->end(), good.begin() + 6 + 35 * v));
            }
        }
    }
}

} // namespace
} // namespace vox::test
