// voxmere-dx7sim: the virtual DX7 on RtMidi virtual ports, with a log of
// every message and switches that make it misbehave on purpose.
#include "midi/virtual_dx7.h"

#include <CLI/CLI.hpp>
#include <rtmidi/RtMidi.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace vox;
using Steady = std::chrono::steady_clock;

constexpr const char* kInClient = "voxmere-dx7sim-in";
constexpr const char* kOutClient = "voxmere-dx7sim-out";
constexpr const char* kInPort = "voxmere-dx7sim in";
constexpr const char* kOutPort = "voxmere-dx7sim out";

constexpr const char* kHelpFooter = R"(
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

struct RtErrors {
    std::atomic<bool> failed{false};
    std::string text;
};

void OnRtError(RtMidiError::Type type, const std::string& text, void* user) {
    auto* errors = static_cast<RtErrors*>(user);
    if (type == RtMidiError::DEBUG_WARNING) return;
    errors->failed = true;
    errors->text = text;
}

std::optional<RtMidi::Api> ApiNamed(const std::string& name) {
    if (name == "jack") return RtMidi::UNIX_JACK;
    if (name == "alsa") return RtMidi::LINUX_ALSA;
    return std::nullopt;
}

std::optional<std::vector<Byte>> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::vector<Byte>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Written beside the target and renamed over it, so an interrupted write
// never leaves half a bank.
bool WriteAll(const std::string& path, const std::vector<Byte>& bytes) {
    const std::string temp = path + ".part";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) return false;
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    return !ec;
}

// The instrument and everything that touches it, behind one lock: the
// RtMidi input thread and the reply thread both come here.
class Sim {
public:
    Sim(std::ofstream* log) : log_(log), start_(Steady::now()) {
        dx7.setLogObserver([this](const VirtualDx7::LogEntry& e) {
            if (e.direction == VirtualDx7::Direction::In) writeLog(e);
        });
        dx7.setSink([this](std::vector<Byte> bytes, double due) { queueReply(std::move(bytes), due); });
    }

    VirtualDx7 dx7;

    double seconds() const { return std::chrono::duration<double>(Steady::now() - start_).count(); }

    void received(const std::vector<unsigned char>& message) {
        std::lock_guard lock(mutex_);
        dx7.receive(std::span<const Byte>(message.data(), message.size()), seconds());
    }

    // Runs on its own thread: sends each reply when it is due.
    void sendReplies(RtMidiOut& out) {
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
            out.sendMessage(&reply.bytes);
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
        if (dx7.refusals()) std::fprintf(stderr, "voxmere-dx7sim: last refused: %s\n", dx7.lastRefusal().c_str());
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

    void writeLog(const VirtualDx7::LogEntry& entry) {
        if (!log_) return;
        *log_ << LogLine(seconds(), entry) << '\n';
        log_->flush(); // the tests read it while we run
    }

    std::ofstream* log_;
    Steady::time_point start_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Pending> queue_;
};

void OnMidiIn(double, std::vector<unsigned char>* message, void* user) {
    if (message && !message->empty()) static_cast<Sim*>(user)->received(*message);
}

// alsa-lib, libjack and RtMidi's constructors print on their own when
// there is no sequencer or server; we say it once ourselves instead.
class QuietStderr {
public:
    QuietStderr() {
        std::fflush(stderr);
        std::cerr.flush();
        saved_ = dup(STDERR_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        if (saved_ >= 0 && null >= 0) dup2(null, STDERR_FILENO);
        if (null >= 0) close(null);
    }
    ~QuietStderr() {
        std::fflush(stderr);
        std::cerr.flush();
        if (saved_ >= 0) {
            dup2(saved_, STDERR_FILENO);
            close(saved_);
        }
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int saved_ = -1;
};

struct Ports {
    std::unique_ptr<RtMidiIn> in;
    std::unique_ptr<RtMidiOut> out;
    RtErrors inErrors, outErrors;
    std::string api;
};

// Opens both virtual ports on the API, or tells why not.
bool OpenPorts(RtMidi::Api api, Ports& ports, Sim& sim, std::string& why) {
    try {
        ports.out = std::make_unique<RtMidiOut>(api, kOutClient);
        ports.out->setErrorCallback(OnRtError, &ports.outErrors);
        // JACK connects to its server lazily: ask it for ports first, so a
        // missing server is reported here and not at port creation.
        ports.out->getPortCount();
        if (ports.outErrors.failed) throw std::runtime_error(ports.outErrors.text);
        ports.out->openVirtualPort(kOutPort);
        if (ports.outErrors.failed) throw std::runtime_error(ports.outErrors.text);

        ports.in = std::make_unique<RtMidiIn>(api, kInClient, 100);
        ports.in->setErrorCallback(OnRtError, &ports.inErrors);
        ports.in->getPortCount();
        if (ports.inErrors.failed) throw std::runtime_error(ports.inErrors.text);
        // System Exclusive in; timing clock and active sensing are not the
        // instrument's business.
        ports.in->ignoreTypes(false, true, true);
        ports.in->setCallback(OnMidiIn, &sim);
        ports.in->openVirtualPort(kInPort);
        if (ports.inErrors.failed) throw std::runtime_error(ports.inErrors.text);
    } catch (const std::exception& e) {
        why = e.what();
        ports.in.reset();
        ports.out.reset();
        ports.inErrors.failed = ports.outErrors.failed = false;
        return false;
    }
    ports.api = RtMidi::getApiName(api);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"voxmere-dx7sim: a virtual DX7 on MIDI ports (JACK or ALSA) for VOXMERE"};
    app.footer(kHelpFooter);
    std::string apiName, bankFile, dumpBankFile, logFile;
    int breakFirst = -1, breakFirstOnce = -1, dropDump = -1, dropDumpOnce = -1, corrupt = -1, corruptOnce = -1;
    int delayMs = 0;
    bool sysInfoOff = false, protect = false;
    app.add_option("--midi-api", apiName, "alsa or jack (default: the first that works, JACK before ALSA)")
        ->check(CLI::IsMember({"alsa", "jack"}));
    app.add_option("--bank", bankFile, "start from this bank: a 4104-byte bulk dump or 4096 bytes without header")
        ->check(CLI::ExistingFile);
    app.add_option("--dump-bank", dumpBankFile, "write the internal memory as a 4104-byte bulk dump here at exit");
    app.add_option("--log", logFile, "one line per message received and sent: seconds, IN/OUT, bytes in hex");
    const auto program = CLI::Range(0, 31);
    app.add_option("--break-first-byte", breakFirst, "the dump answering program N starts with 00, not F0")->check(program);
    app.add_option("--break-first-byte-once", breakFirstOnce, "the same, for its first answer only")->check(program);
    app.add_option("--drop-dump", dropDump, "never answer program N")->check(program);
    app.add_option("--drop-dump-once", dropDumpOnce, "do not answer program N the first time")->check(program);
    app.add_option("--corrupt-checksum", corrupt, "the dump answering program N has a wrong checksum")->check(program);
    app.add_option("--corrupt-checksum-once", corruptOnce, "the same, for its first answer only")->check(program);
    app.add_option("--delay", delayMs, "send every reply this many milliseconds late")->check(CLI::Range(0, 60000));
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
    VirtualDx7& dx7 = sim.dx7;
    if (!bankFile.empty()) {
        const auto bytes = ReadAll(bankFile);
        const BankImage image = bytes ? ReadBankImage(*bytes) : BankImage{{}, "cannot read it"};
        if (!image.error.empty()) {
            std::fprintf(stderr, "voxmere-dx7sim: %s: %s\n", bankFile.c_str(), image.error.c_str());
            return 2;
        }
        dx7.setInternalVoices(std::span<const Byte, kPackedBankSize>(image.packed.data(), kPackedBankSize));
    }
    auto fault = [](Dx7DumpFault& f, int always, int once) {
        if (always >= 0) f = {always, false, false};
        else if (once >= 0) f = {once, true, false};
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

    Ports ports;
    std::vector<RtMidi::Api> apis;
    if (!apiName.empty()) apis.push_back(*ApiNamed(apiName));
    else apis = {RtMidi::UNIX_JACK, RtMidi::LINUX_ALSA};
    std::string problems;
    for (RtMidi::Api api : apis) {
        std::string why;
        bool opened = false;
        {
            QuietStderr quiet;
            opened = OpenPorts(api, ports, sim, why);
        }
        if (opened) break;
        problems += "  " + RtMidi::getApiName(api) + ": " + why + "\n";
    }
    if (!ports.out) {
        std::fprintf(stderr, "voxmere-dx7sim: no MIDI ports could be opened\n%s", problems.c_str());
        return 1;
    }
    std::printf("voxmere-dx7sim: ready on %s: \"%s\" and \"%s\"\n", ports.api.c_str(), kInPort, kOutPort);
    std::fflush(stdout);

    std::thread replies([&] { sim.sendReplies(*ports.out); });
    while (!g_stop) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ports.in->cancelCallback();
    replies.join();
    ports.in.reset();
    ports.out.reset();

    sim.summary();
    if (!dumpBankFile.empty() && !WriteAll(dumpBankFile, sim.bank())) {
        std::fprintf(stderr, "voxmere-dx7sim: cannot write %s\n", dumpBankFile.c_str());
        return 2;
    }
    return 0;
}
