// voxmere-dx7sim: the virtual DX7 on RtMidi virtual ports, with a log of
// every message and switches that make it misbehave on purpose.
#include "files/voice_files.h"
#include "jack_events_in.h"
#include "midi/rtmidi_ports.h"
#include "midi/virtual_dx7.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <deque>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

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
Timing: with --cable every byte in and out takes 0.32 ms, as on a 31,250-baud
cable: a message is taken when its last byte has arrived, and a reply reaches the
port when its last byte is through, after whatever went out before it. The log's
time stamp of an IN line is when its last byte had arrived, of an OUT line when its
last byte reached the port. --input-limit N gives the instrument an input buffer
of N bytes, emptied at cable speed, as a cheap USB-MIDI interface has: the bytes
that arrive while it is full are lost and logged as "<seconds> DROP <bytes lost>".
A long message sent at once loses its middle and is refused as broken, as the
instrument refuses a dump with a wrong byte count or checksum; sent in pieces, each
when the one before has crossed the cable, it arrives whole. On JACK the sim sees
each piece when it comes; on ALSA RtMidi hands a System Exclusive message over
whole with its last piece, so there it counts as sent at once.
Models: --model dx7ii (or tx802) makes it a DX7 II (TX802): it also takes the
additional voices (F0 43 0n 05 ACED, 06 AMEM) and the universal dumps (F0 43 0n 7E
"LM  8973PE" and "LM  8973PM" performances, "LM  8973S " system set-up,
"LM  MCRYE " and "LM  MCRYMx" micro tunings, "LM  FKSYE " fractional scaling; a
TX802 its own performances "LM  8952PE" and "LM  8952PM" and no system set-up) and
keeps each byte for byte. It answers every dump request: F0 43 2n 00/05/06/09 F7, and
F0 43 2n 7E <the ten name bytes> F7 for a universal block. At power-on it holds a
neutral ACED and no AMEM or universal block; a request for one not yet taken is
not answered (logged "REFUSED dump request for data not held"). Its dumps go out
with the device number (the --channel) in the status nibble.
MIDI TRANSMIT: --send-bank-after S sends the internal memory as one 4104-byte
bulk dump S seconds after start; SIGUSR1 sends it again at any time:
  kill -USR1 <pid of voxmere-dx7sim>
)";

// One byte on the MIDI cable: 31,250 baud, ten bits a byte (start, eight
// data, stop).
constexpr double kCableByteSeconds = 10.0 / 31250.0;

std::atomic<bool> g_stop{false};
extern "C" void OnStopSignal(int) { g_stop = true; }
// MIDI TRANSMIT pressed from outside: one bulk dump per signal.
std::atomic<int> g_bankRequests{0};
extern "C" void OnSendBankSignal(int) { ++g_bankRequests; }

// Cuts the bytes that reach the instrument into messages, as its receiver
// does: a status byte ends a System Exclusive message still open, data bytes
// follow the last channel status (running status), and data bytes with no
// status before them make a message of their own, which the instrument
// refuses. An event that is a whole message passes as it is.
class Framer {
public:
    // Calls take(message, end) for every message `bytes` completes, `end`
    // being the index in `bytes` after its last byte.
    template <class Take> void feed(std::span<const Byte> bytes, Take take) {
        if (partial_.empty() && IsWhole(bytes)) {
            running_ = bytes[0] < kSysExStart ? bytes[0] : Byte{0};
            take(bytes, bytes.size());
            return;
        }
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const Byte b = bytes[i];
            if (b >= 0xF8) continue; // real time: nothing of the instrument's
            const bool sysEx = !partial_.empty() && partial_.front() == kSysExStart;
            if (b == kSysExEnd && sysEx) {
                partial_.push_back(b);
                emit(take, i + 1);
                continue;
            }
            if (b & 0x80) {
                if (!partial_.empty()) emit(take, i);
                running_ = b < kSysExStart ? b : Byte{0};
                partial_.push_back(b);
                if (b != kSysExStart && Length(b) == 1) emit(take, i + 1);
                continue;
            }
            if (partial_.empty() && running_) partial_.push_back(running_);
            partial_.push_back(b);
            if (partial_.front() != kSysExStart && partial_.size() == Length(partial_.front()))
                emit(take, i + 1);
        }
    }
    // What is left unfinished, taken out.
    std::vector<Byte> rest() { return std::exchange(partial_, {}); }

private:
    static bool IsWhole(std::span<const Byte> bytes) {
        return !bytes.empty() && (bytes[0] & 0x80) && (bytes[0] != kSysExStart || bytes.back() == kSysExEnd);
    }
    // Bytes of a message by its status; 0 for none (a data byte first).
    static std::size_t Length(Byte status) {
        if (status < 0x80) return 0;
        if (status < kSysExStart) return ChannelMessageLength(status);
        if (status == 0xF2) return 3;
        if (status == 0xF1 || status == 0xF3) return 2;
        return 1;
    }
    template <class Take> void emit(Take &take, std::size_t end) {
        take(std::span<const Byte>(partial_), end);
        partial_.clear();
    }
    std::vector<Byte> partial_;
    Byte running_ = 0;
};

// How the sim's MIDI lines behave in time.
struct Timing {
    bool cable = false; // every byte takes kCableByteSeconds, each way
    int inputLimit = 0; // bytes the input buffer holds; 0: no limit
};

// The instrument and everything that touches it, behind one lock: the
// RtMidi input thread and the reply thread both come here.
class Sim {
public:
    Sim(std::ofstream *log, Timing timing) : log_(log), timing_(timing), start_(Steady::now()) {
        dx7.setLogObserver([this](const VirtualDx7::LogEntry &e) {
            if (e.direction == VirtualDx7::Direction::In) writeLog(e);
        });
        dx7.setSink([this](std::vector<Byte> bytes, double due) { queueReply(std::move(bytes), due); });
    }

    VirtualDx7 dx7;

    double seconds() const { return std::chrono::duration<double>(Steady::now() - start_).count(); }

    // On the input's thread, with one event as the host handed it over: a
    // whole message, or a piece of one.
    void received(std::span<const Byte> event) {
        std::lock_guard lock(mutex_);
        const double now = seconds();
        // What the buffer has no room for when the event arrives is lost:
        // from the host it comes far faster than the cable carries it away.
        std::span<const Byte> kept = event;
        if (timing_.inputLimit > 0) {
            const double held = std::max(0.0, inputFree_ - now) / kCableByteSeconds;
            const auto room =
                static_cast<std::size_t>(std::max(0.0, std::floor(timing_.inputLimit - held + 1e-6)));
            if (event.size() > room) {
                kept = event.first(room);
                const auto lost = event.subspan(room);
                droppedBytes_ += static_cast<long>(lost.size());
                writeLine(now, " DROP " + HexBytes(lost));
            }
        }
        if (!timing_.cable) {
            framer_.feed(kept, [&](std::span<const Byte> m, std::size_t) { dx7.receive(m, now); });
            return;
        }
        // The bytes queue up behind those still on the input line; a
        // message is taken when its last byte is in. What waits is in the
        // buffer.
        const double start = std::max(now, inputFree_);
        framer_.feed(kept, [&](std::span<const Byte> m, std::size_t end) {
            incoming_.push_back(
                Pending{{m.begin(), m.end()}, start + static_cast<double>(end) * kCableByteSeconds});
        });
        inputFree_ = start + static_cast<double>(kept.size()) * kCableByteSeconds;
        wake_.notify_all();
    }

    // At the end: a message still unfinished is taken as it stands, so the
    // log shows it (the instrument would refuse it).
    void flushInput() {
        std::lock_guard lock(mutex_);
        if (const auto rest = framer_.rest(); !rest.empty()) dx7.receive(rest, seconds());
    }

    // MIDI TRANSMIT: the internal memory as one bulk dump, after whatever
    // is already on its way out.
    void sendBank() {
        std::lock_guard lock(mutex_);
        ++banksSent_;
        queueReply(dx7.bulkDump(), seconds());
    }

    // Runs on its own thread: takes each message when it has arrived and
    // sends each reply when it is due, in the order of their times.
    void run(RtMidiVirtualPorts &ports) {
        std::unique_lock lock(mutex_);
        while (!g_stop) {
            Pending *next = nullptr;
            bool in = false;
            if (!incoming_.empty()) {
                next = &incoming_.front();
                in = true;
            }
            if (!queue_.empty() && (!next || queue_.front().due < next->due)) {
                next = &queue_.front();
                in = false;
            }
            if (!next) {
                wake_.wait_for(lock, std::chrono::milliseconds(50));
                continue;
            }
            const double wait = next->due - seconds();
            if (wait > 0) {
                wake_.wait_for(lock, std::chrono::duration<double>(std::min(wait, 0.05)));
                continue;
            }
            if (in) {
                const Pending message = std::move(incoming_.front());
                incoming_.pop_front();
                // The instrument and the log go by the cable's time, not by
                // when this thread woke up, so stamps keep the bytes' spacing.
                cableTime_ = message.due;
                dx7.receive(message.bytes, message.due);
                cableTime_.reset();
                continue;
            }
            Pending reply = std::move(queue_.front());
            queue_.pop_front();
            ports.send(reply.bytes);
            if (timing_.cable) cableTime_ = reply.due;
            writeLog(VirtualDx7::LogEntry{VirtualDx7::Direction::Out, reply.bytes, false, Dx7Refusal::Empty});
            cableTime_.reset();
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
        if (dx7.model != InstrumentModel::Dx7)
            std::fprintf(stderr, "voxmere-dx7sim: %s: %d additional voice or universal dumps taken\n",
                         InstrumentModelName(dx7.model), dx7.familyDumpsLoaded());
        if (banksSent_) std::fprintf(stderr, "voxmere-dx7sim: %d bulk dumps sent\n", banksSent_);
        if (timing_.inputLimit > 0)
            std::fprintf(stderr, "voxmere-dx7sim: %ld bytes dropped (input buffer of %d bytes)\n",
                         droppedBytes_, timing_.inputLimit);
    }

private:
    struct Pending {
        std::vector<Byte> bytes;
        double due;
    };

    // Under the lock. On the cable a reply starts when it is due and the
    // line is free, and reaches the port when its last byte is through.
    void queueReply(std::vector<Byte> bytes, double due) {
        if (timing_.cable) {
            outputFree_ = std::max(due, outputFree_) + static_cast<double>(bytes.size()) * kCableByteSeconds;
            due = outputFree_;
        }
        queue_.push_back(Pending{std::move(bytes), due});
        wake_.notify_all();
    }

    void writeLog(const VirtualDx7::LogEntry &entry) {
        if (!log_) return;
        *log_ << LogLine(cableTime_.value_or(seconds()), entry) << '\n';
        log_->flush(); // the tests read it while we run
    }

    void writeLine(double when, const std::string &rest) {
        if (!log_) return;
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%.6f", when);
        *log_ << stamp << rest << '\n';
        log_->flush();
    }

    std::ofstream *log_;
    Timing timing_;
    Steady::time_point start_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Pending> queue_;       // replies, by the time they are due
    std::deque<Pending> incoming_;    // messages on the input line, by arrival of their last byte
    std::optional<double> cableTime_; // with --cable: the time of the message being handled
    double inputFree_ = 0.0;          // when the input line has carried everything queued
    double outputFree_ = 0.0;         // when the output line has
    long droppedBytes_ = 0;
    Framer framer_;
    int banksSent_ = 0;
};

} // namespace

int main(int argc, char **argv) {
    CLI::App app{"voxmere-dx7sim: a virtual DX7 on MIDI ports (JACK or ALSA) for VOXMERE"};
    app.footer(kHelpFooter);
    std::string apiName, bankFile, dumpBankFile, logFile, modelName = "dx7";
    int breakFirst = -1, breakFirstOnce = -1, dropDump = -1, dropDumpOnce = -1, corrupt = -1,
        corruptOnce = -1;
    int delayMs = 0, channel = 1;
    bool sysInfoOff = false, protect = false, answersRequests = false;
    Timing timing;
    double sendBankAfter = -1;
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
    app.add_option("--channel", channel, "its receive channel, 1 to 16: everything on another is ignored")
        ->check(CLI::Range(1, 16));
    app.add_flag("--sys-info-off", sysInfoOff, "SYS INFO AVAIL off: program changes are not answered");
    app.add_flag("--memory-protect,--protect", protect,
                 "MEMORY PROTECT INTERNAL on: bulk and voice dumps are refused");
    app.add_flag(
        "--answers-requests", answersRequests,
        "answer the dump requests F0 43 2n 09 F7 (32 voices) and F0 43 2n 00 F7 (edit buffer), as a TX7 "
        "or a DX7 II does");
    app.add_option("--model", modelName,
                   "dx7 (the Mk I, default), dx7ii or tx802: the later models also keep and answer the "
                   "additional voices (ACED, AMEM) and the universal dumps")
        ->check(CLI::IsMember({"dx7", "dx7ii", "tx802"}));
    app.add_flag("--cable", timing.cable,
                 "every byte in and out takes 0.32 ms, as on a 31,250-baud MIDI cable");
    app.add_option("--input-limit", timing.inputLimit,
                   "an input buffer of N bytes emptied at cable speed; the bytes that arrive while it is "
                   "full are lost and logged (implies --cable)")
        ->check(CLI::Range(1, 1 << 20));
    app.add_option("--send-bank-after", sendBankAfter,
                   "send the internal memory as a 4104-byte bulk dump SECONDS after start, as MIDI "
                   "TRANSMIT does (SIGUSR1 sends it again)")
        ->check(CLI::Range(0.0, 86400.0));
    CLI11_PARSE(app, argc, argv);
    if (timing.inputLimit > 0) timing.cable = true;

    std::ofstream log;
    if (!logFile.empty()) {
        log.open(logFile, std::ios::trunc);
        if (!log) {
            std::fprintf(stderr, "voxmere-dx7sim: cannot write the log %s\n", logFile.c_str());
            return 2;
        }
    }
    Sim sim(logFile.empty() ? nullptr : &log, timing);
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
    dx7.receiveChannel = channel - 1;
    dx7.answersRequests = answersRequests;
    dx7.model = InstrumentModelFromName(modelName).value_or(InstrumentModel::Dx7);

    struct sigaction stop {};
    stop.sa_handler = OnStopSignal;
    sigemptyset(&stop.sa_mask);
    sigaction(SIGINT, &stop, nullptr);
    sigaction(SIGTERM, &stop, nullptr);
    struct sigaction transmit {};
    transmit.sa_handler = OnSendBankSignal;
    sigemptyset(&transmit.sa_mask);
    sigaction(SIGUSR1, &transmit, nullptr);

    RtMidiVirtualPorts ports;
    JackEventsIn jackIn;
    const RtMidiVirtualPorts::Names names{kOutClient, kOutPort, kInClient, kInPort};
    const auto received = [&sim](std::span<const Byte> bytes) { sim.received(bytes); };
    std::vector<std::string> apis;
    if (!apiName.empty())
        apis.push_back(apiName);
    else
        apis = {"jack", "alsa"};
    std::string problems, openedApi;
    for (const std::string &api : apis) {
        std::string why;
        // On JACK the input is our own, to see every piece as it comes.
        const bool jack = api == "jack";
        if (ports.open(api, jack ? RtMidiVirtualPorts::Names{kOutClient, kOutPort, "", ""} : names, received,
                       why) &&
            (!jack || jackIn.open(kInClient, kInPort, received, why))) {
            openedApi = api;
            break;
        }
        ports.close();
        problems += "  " + api + ": " + why + "\n";
    }
    if (!ports.isOpen()) {
        std::fprintf(stderr, "voxmere-dx7sim: no MIDI ports could be opened\n%s", problems.c_str());
        return 1;
    }
    std::printf("voxmere-dx7sim: ready on %s: \"%s\" and \"%s\"\n", openedApi.c_str(), kInPort, kOutPort);
    std::fflush(stdout);

    std::thread replies([&] { sim.run(ports); });
    const Steady::time_point ready = Steady::now();
    bool bankSentOnTime = sendBankAfter < 0;
    int bankRequestsServed = 0;
    while (!g_stop) {
        std::this_thread::sleep_for(std::chrono::milliseconds(bankSentOnTime ? 20 : 2));
        if (!bankSentOnTime &&
            std::chrono::duration<double>(Steady::now() - ready).count() >= sendBankAfter) {
            bankSentOnTime = true;
            sim.sendBank();
        }
        for (; bankRequestsServed < g_bankRequests; ++bankRequestsServed)
            sim.sendBank();
    }
    ports.stopInput();
    jackIn.close();
    replies.join();
    ports.close();
    sim.flushInput();

    sim.summary();
    // Beside the target and renamed over it, so an interrupted write never
    // leaves half a bank.
    if (!dumpBankFile.empty() && !WriteFileReplacing(dumpBankFile, sim.bank()).ok) {
        std::fprintf(stderr, "voxmere-dx7sim: cannot write %s\n", dumpBankFile.c_str());
        return 2;
    }
    return 0;
}
