// The fast bank receive over real JACK ports against voxmere-dx7sim with the
// cable's timing on, driven through the program's own window (offscreen):
// the bank comes in whole, in about the time the cable needs, and a lost
// and a broken dump cost one request each. The seconds are printed for the
// benchmarks; the bounds asserted are generous, for a busy machine.
#include "offscreen_app.h"

#include "midi/virtual_dx7.h"

#include <QAbstractButton>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <optional>

namespace vox::e2e {
namespace {

namespace fs = std::filesystem;

// Runs the application's own event loop (so input wakes the program as it
// does in use) until ready() holds or `limit` passes.
bool RunUntil(const std::function<bool()> &ready, std::chrono::milliseconds limit) {
    if (ready()) return true;
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (ready()) loop.quit();
    });
    QTimer::singleShot(limit, &loop, &QEventLoop::quit);
    check.start(2);
    loop.exec();
    return ready();
}

// The program numbers the sim was asked for, in order.
std::vector<int> ProgramChangesIn(const std::string &log) {
    std::vector<int> programs;
    for (const LogLine &line : ParseLog(log))
        if (line.direction == "IN" && line.bytes.size() == 2 && line.bytes[0] == 0xC0)
            programs.push_back(line.bytes[1]);
    return programs;
}

// Programs 0..31, those in `twice` asked again; then program 0 once more,
// as the edit area's voice (slot 0 since start-up) is sent again.
std::vector<int> InOrder(std::vector<int> twice = {}) {
    std::vector<int> r;
    for (int g = 0; g < 32; ++g) {
        r.push_back(g);
        if (std::find(twice.begin(), twice.end(), g) != twice.end()) r.push_back(g);
    }
    r.push_back(0);
    return r;
}

// One byte on the cable, and what the 32 answers alone take on it.
constexpr double kCableByteSeconds = 10.0 / 31250.0;
constexpr double kCableBankSeconds = 32 * kImageSize * kCableByteSeconds;
constexpr double kCableBulkSeconds = 4104 * kCableByteSeconds;

class FastReceiveOverJack : public WindowsOverJack {
protected:
    std::size_t requestsBefore = 0;

    // `known`: what the program already found about the port's instrument
    // and the bank request; unknown, it asks first.
    void start(const std::vector<std::string> &faults = {}, std::optional<bool> known = false) {
        std::vector<std::string> options{"--cable"};
        options.insert(options.end(), faults.begin(), faults.end());
        ASSERT_NO_FATAL_FAILURE(startSim(options));
        ASSERT_NO_FATAL_FAILURE(startProgram());
        if (known) state.answersBankRequest[state.midiOut->name()] = *known;
        RunUntil([] { return false; }, 500ms);
        requestsBefore = ProgramChangesIn(simLog()).size();
    }
    std::size_t bankRequestsInTheLog() {
        std::size_t n = 0;
        for (const LogLine &line : ParseLog(simLog()))
            n += line.direction == "IN" && line.bytes == std::vector<Byte>{0xF0, 0x43, 0x20, 0x09, 0xF7};
        return n;
    }

    // Command4 until the receive ends; the seconds it took.
    double receiveBank(ReceiveMode mode) {
        state.exchange.receiveMode = mode;
        auto *button = windows->form1.findChild<QAbstractButton *>("Command4");
        EXPECT_TRUE(button);
        if (!button) return 0;
        const auto started = std::chrono::steady_clock::now();
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_TRUE(RunUntil([&] { return state.receive.recvMode == 0; }, 60s));
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        std::printf("%s receive over JACK with --cable: %.2f s (the cable alone: %.2f s, %.2f s as one bulk "
                    "dump)\n",
                    mode == ReceiveMode::Fast ? "fast" : "standard", seconds, kCableBankSeconds,
                    kCableBulkSeconds);
        return seconds;
    }

    std::vector<int> requestsOfTheReceive() {
        // The log is written as messages come; give it the last one.
        RunUntil([] { return false; }, 200ms);
        const std::vector<int> all = ProgramChangesIn(simLog());
        return std::vector<int>(
            all.begin() + static_cast<std::ptrdiff_t>(std::min(requestsBefore, all.size())), all.end());
    }

    void expectTheSimsBank() {
        const auto voices = VirtualDx7FactoryVoices();
        ASSERT_EQ(program->form1.list3().items.size(), kBankSlots);
        for (std::size_t n = 1; n <= kBankSlots; ++n)
            EXPECT_TRUE(std::equal(voices[n - 1].begin(), voices[n - 1].begin() + kImageSize,
                                   program->workspace.slot(static_cast<int>(n)).begin()))
                << "slot " << n;
    }
};

TEST_F(FastReceiveOverJack, CleanBankComesInAboutAsFastAsTheCableCarriesIt) {
    start();
    if (HasFatalFailure()) return;
    const double seconds = receiveBank(ReceiveMode::Fast);
    expectTheSimsBank();
    EXPECT_EQ(requestsOfTheReceive(), InOrder());
    // The target is 2.5 s; twice that leaves room for a loaded machine.
    EXPECT_LT(seconds, 5.0);
}

TEST_F(FastReceiveOverJack, OneLostAndOneBrokenDumpCostOneRequestEach) {
    start({"--drop-dump-once", "9", "--corrupt-checksum-once", "20"});
    if (HasFatalFailure()) return;
    const double seconds = receiveBank(ReceiveMode::Fast);
    expectTheSimsBank();
    EXPECT_EQ(requestsOfTheReceive(), InOrder({9, 20}));
    // The target is 4.5 s (one time-out of 1 s included).
    EXPECT_LT(seconds, 9.0);
}

TEST_F(FastReceiveOverJack, AnInstrumentAnsweringTheBankRequestGivesTheBankInOneDump) {
    start({"--answers-requests"}, std::nullopt);
    if (HasFatalFailure()) return;
    const double seconds = receiveBank(ReceiveMode::Fast);
    expectTheSimsBank();
    EXPECT_EQ(bankRequestsInTheLog(), 1u);
    // No voice asked for; only the edit area's voice goes back at the end.
    EXPECT_EQ(requestsOfTheReceive(), std::vector<int>{0});
    EXPECT_TRUE(state.answersBankRequest.at(state.midiOut->name()));
    // The target is 1.5 s (the dump alone is 1.31 s on the cable).
    EXPECT_LT(seconds, 3.0);
}

TEST_F(FastReceiveOverJack, AMkIOnANewPortCostsTheRequestsWaitOnce) {
    start({}, std::nullopt);
    if (HasFatalFailure()) return;
    const double first = receiveBank(ReceiveMode::Fast);
    expectTheSimsBank();
    EXPECT_EQ(requestsOfTheReceive(), InOrder());
    EXPECT_FALSE(state.answersBankRequest.at(state.midiOut->name()));
    requestsBefore = ProgramChangesIn(simLog()).size();
    const double second = receiveBank(ReceiveMode::Fast);
    EXPECT_EQ(bankRequestsInTheLog(), 1u) << "the second receive does not ask again";
    EXPECT_EQ(requestsOfTheReceive(), InOrder());
    EXPECT_GT(first, second + 1.0);
    EXPECT_LT(first, 5.0 + 1.5);
}

// The one standard receive of the end-to-end tests, 16 s of real time: the
// 32 requests half a second apart set the pace, not the 32 x 163 bytes
// (1.67 s) of the cable. Its faults are tested on the fake clock
// (unit/bank_exchange_test.cpp).
TEST_F(FastReceiveOverJack, StandardReceiveStillTakesHalfASecondARequest) {
    start();
    if (HasFatalFailure()) return;
    const double seconds = receiveBank(ReceiveMode::Standard);
    expectTheSimsBank();
    EXPECT_EQ(requestsOfTheReceive(), InOrder());
    EXPECT_EQ(state.receive.recvMode, 0);
    EXPECT_GE(seconds, 31 * 0.5);
    EXPECT_LT(seconds, 40.0);
}

} // namespace
} // namespace vox::e2e
