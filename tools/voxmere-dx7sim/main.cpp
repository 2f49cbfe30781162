// voxmere-dx7sim: the virtual DX7 on RtMidi virtual ports, with a log of
// every message and switches that make it misbehave on purpose.
#include "files/voice_files.h"
#include "midi/rtmidi_ports.h"
#include "midi/virtual_dx7.h"

#include <CLI/CLI.hpp>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <deque>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>

namespace {

using namespace vox;
using Steady = std::chrono::steady_clock;

constexpr const char *kInClient = "voxmere-dx7sim-in";
constexpr const char *kOutClient = "voxmere-dx7sim-out";
constexpr const char *kInPort = "voxmere-dx7sim in";
constexpr const char *kOutPort = "voxmere-dx7sim out";

constexpr const char *kHelpFooter = R"(
Ports: the sim opens two virtual ports,
  "voxmere-dx7sim in"  (client voxmere-dx7sim-in)   - send to it what you would send to the DX7
  "voxmere-dx7sim out" (client voxmere-dx7sim-out)  - its replies come out here
Connect VOXMERE to it with
  voxmere --midi-api jack --midi-out dx7sim --midi-in dx7sim
(the same with --midi-api alsa when the sim runs on ALSA). By hand on JACK:
  jack_connect "voxmere-dx7sim-out:voxmere-dx7sim out" <your input port>
On ALSA use aconnect; "aconnect -l" lists the ports.
Program numbers of the fault switches are those of the program change, 0..31
(0 answers for internal voice 1). Stop it with Ctrl+C or SIGTERM; --dump-bank is
written then.
)";

std::atomic<bool> g_stop{false};
extern "C" void OnStopSignal(int) { g_stop = true; }

// The instrument and everything that touches it, behind one lock: the
// RtMidi input thread and the reply thread both come here.
class Sim {
public:
    Sim(std::ofstream *log) : log_(log), start_(Steady::now()) {
        dx7.setLogObserver([this](const VirtualDx7::LogEntry &e) {
            if (e.direction == VirtualDx7::Direction::In) writeLog(e);
        });
        dx7.setSink([this](std::vector<Byte> bytes, double due) { queueReply(std::move(bytes), due); });
    }

    VirtualDx7 dx7;

    double seconds() const { return std::chrono::duration<double>(Steady::now() - start_).count(); }

    void received(std::span<const Byte> message) {
        std::lock_guard lock(mutex_);
        dx7.receive(message, seconds());
    }

    // Runs on its own thread: sends each reply when it is due.
    void sendReplies(RtMidiVirtualPorts &ports) {
        std::unique_lock lock(mutex_);
        while (!g_stop) {
            if (queue_.empty()) {
                wake_.wait_for(lock, std::chrono::milliseconds(50));
                continue;
            }
            const double wait = queue_.front().due - seconds();
            if (wait > 0) {
                wake_.wait_for(lock, std::chrono::duration<double>(std::min(wait, 0.05)));
                continue;
            }
            Pending reply = std::move(queue_.front());
            queue_.pop_front();
            ports.send(reply.bytes);
            writeLog(VirtualDx7::LogEntry{VirtualDx7::Direction::Out, reply.bytes, false, Dx7Refusal::Empty});
        }
    }

    std::vector<Byte> bank() {
        std::lock_guard lock(mutex_);
        return dx7.bulkDump();
    }

    void summary() {
        std::lock_guard lock(mutex_);
        std::fprintf(stderr,
                     "voxmere-dx7sim: %d program changes, %d replies, %d voice dumps, %d bulk dumps, "
                     "%d parameter changes, %d note on, %d note off, %d refused\n",
                     dx7.programChanges(), dx7.repliesSent(), dx7.voiceDumpsLoaded(), dx7.bankDumpsLoaded(),
                     dx7.parameterChanges(), dx7.noteOns(), dx7.noteOffs(), dx7.refusals());
        if (dx7.refusals())
            std::fprintf(stderr, "voxmere-dx7sim: last refused: %s\n", dx7.lastRefusal().c_str());
    }

private:
    struct Pending {
        std::vector<Byte> bytes;
        double due;
    };

    void queueReply(std::vector<Byte> bytes, double due) {
        queue_.push_back(Pending{std::move(bytes), due});
        wake_.notify_all();
    }

    void writeLog(const VirtualDx7::LogEntry &entry) {
        if (!log_) return;
        *log_ << LogLine(seconds(), entry) << '\n';
        log_->flush(); // the tests read it while we run
    }

    std::ofstream *log_;
    Steady::time_point start_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Pending> queue_;
};

} // namespace

int main(int argc, char **argv) {
    CLI::App app{"voxmere-dx7sim: a virtual DX7 on MIDI ports (JACK or ALSA) for VOXMERE"};
    app.footer(kHelpFooter);
    std::string apiName, bankFile, dumpBankFile, logFile;
    int breakFirst = -1, breakFirstOnce = -1, dropDump = -1, dropDumpOnce = -1, corrupt = -1,
        corruptOnce = -1;
    int delayMs = 0;
    bool sysInfoOff = false, protect = false;
    app.add_option("--midi-api", apiName, "alsa or jack (default: the first that works, JACK before ALSA)")
        ->check(CLI::IsMember({"alsa", "jack"}));
    app.add_option("--bank", bankFile,
                   "start from this bank: a 4104-byte bulk dump or 4096 bytes without header")
        ->check(CLI::ExistingFile);
    app.add_option("--dump-bank", dumpBankFile,
                   "write the internal memory as a 4104-byte bulk dump here at exit");
    app.add_option("--log", logFile, "one line per message received and sent: seconds, IN/OUT, bytes in hex");
    const auto program = CLI::Range(0, 31);
    app.add_option("--break-first-byte", breakFirst, "the dump answering program N starts with 00, not F0")
        ->check(program);
    app.add_option("--break-first-byte-once", breakFirstOnce, "the same, for its first answer only")
        ->check(program);
    app.add_option("--drop-dump", dropDump, "never answer program N")->check(program);
    app.add_option("--drop-dump-once", dropDumpOnce, "do not answer program N the first time")
        ->check(program);
    app.add_option("--corrupt-checksum", corrupt, "the dump answering program N has a wrong checksum")
        ->check(program);
    app.add_option("--corrupt-checksum-once", corruptOnce, "the same, for its first answer only")
        ->check(program);
    app.add_option("--delay", delayMs, "send every reply this many milliseconds late")
        ->check(CLI::Range(0, 60000));
    app.add_flag("--sys-info-off", sysInfoOff, "SYS INFO AVAIL off: program changes are not answered");
    app.add_flag("--memory-protect", protect, "MEMORY PROTECT INTERNAL on: bulk dumps are refused");
    CLI11_PARSE(app, argc, argv);

    std::ofstream log;
    if (!logFile.empty()) {
        log.open(logFile, std::ios::trunc);
        if (!log) {
            std::fprintf(stderr, "voxmere-dx7sim: cannot write the log %s\n", logFile.c_str());
            return 2;
        }
    }
    Sim sim(logFile.empty() ? nullptr : &log);
    VirtualDx7 &dx7 = sim.dx7;
    if (!bankFile.empty()) {
        const auto bytes = ReadFileBytes(bankFile);
        const BankImage image = bytes.ok() ? ReadBankImage(bytes.value) : BankImage{{}, "cannot read it"};
        if (!image.error.empty()) {
            std::fprintf(stderr, "voxmere-dx7sim: %s: %s\n", bankFile.c_str(), image.error.c_str());
            return 2;
        }
        dx7.setInternalVoices(std::span<const Byte, kPackedBankSize>(image.packed.data(), kPackedBankSize));
    }
    auto fault = [](Dx7DumpFault &f, int always, int once) {
        if (always >= 0)
            f = {always, false, false};
        else if (once >= 0)
            f = {once, true, false};
    };
    fault(dx7.faults.breakFirstByte, breakFirst, breakFirstOnce);
    fault(dx7.faults.dropDump, dropDump, dropDumpOnce);
    fault(dx7.faults.corruptChecksum, corrupt, corruptOnce);
    dx7.faults.replyDelayMs = delayMs;
    dx7.sysInfoAvail = !sysInfoOff;
    dx7.memoryProtect = protect;

    struct sigaction stop {};
    stop.sa_handler = OnStopSignal;
    sigemptyset(&stop.sa_mask);
    sigaction(SIGINT, &stop, nullptr);
    sigaction(SIGTERM, &stop, nullptr);

    RtMidiVirtualPorts ports;
    const RtMidiVirtualPorts::Names names{kOutClient, kOutPort, kInClient, kInPort};
    std::vector<std::string> apis;
    if (!apiName.empty())
        apis.push_back(apiName);
    else
        apis = {"jack", "alsa"};
    std::string problems, openedApi;
    for (const std::string &api : apis) {
        std::string why;
        if (ports.open(
                api, names, [&sim](std::span<const Byte> message) { sim.received(message); }, why)) {
            openedApi = api;
            break;
        }
        problems += "  " + api + ": " + why + "\n";
    }
    if (!ports.isOpen()) {
        std::fprintf(stderr, "voxmere-dx7sim: no MIDI ports could be opened\n%s", problems.c_str());
        return 1;
    }
    std::printf("voxmere-dx7sim: ready on %s: \"%s\" and \"%s\"\n", openedApi.c_str(), kInPort, kOutPort);
    std::fflush(stdout);

    std::thread replies([&] { sim.sendReplies(ports); });
    while (!g_stop)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ports.stopInput();
    replies.join();
    ports.close();

    sim.summary();
    // Beside the target and renamed over it, so an interrupted write never
    // leaves half a bank.
    if (!dumpBankFile.empty() && !WriteFileReplacing(dumpBankFile, sim.bank()).ok) {
        std::fprintf(stderr, "voxmere-dx7sim: cannot write %s\n", dumpBankFile.c_str());
        return 2;
    }
    return 0;
}
