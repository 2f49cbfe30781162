#pragma once
// Helpers of the end-to-end tests: child processes, one JACK server for the
// executable, the sim, a small RtMidi client, and deadlines so that a hang
// fails fast instead of stalling the run.

#include "../common/test_files.h"

#include <rtmidi/RtMidi.h>

#include <gtest/gtest.h>

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char **environ;

namespace vox::e2e {

using Bytes = std::vector<unsigned char>;
using namespace std::chrono_literals;

// Waits until ready() holds, polling every 20 ms; false after `limit`.
inline bool WaitFor(const std::function<bool()> &ready, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (ready()) return true;
        std::this_thread::sleep_for(20ms);
    }
    return ready();
}

inline std::string ReadText(const std::filesystem::path &file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// For files that must be there: a missing one fails the test by name.
inline Bytes ReadBytes(const std::filesystem::path &file) { return test::ReadFileContents(file); }

// The folders of the tests running now. A crash leaves no destructor to
// remove them, and a run that tries again would leave them behind.
inline std::mutex &OpenFoldersLock() {
    static std::mutex m;
    return m;
}
inline std::vector<std::filesystem::path> &OpenFolders() {
    static std::vector<std::filesystem::path> folders;
    return folders;
}

// On a crash: where it happened, for the log, and nothing left behind. The
// handler is not async-signal-safe beyond the backtrace; the process is
// ending anyway.
inline void OnCrash(int sig) {
    const char head[] = "\n*** e2e_tests crashed; backtrace:\n";
    (void)!write(STDERR_FILENO, head, sizeof head - 1);
    void *frames[64];
    backtrace_symbols_fd(frames, backtrace(frames, 64), STDERR_FILENO);
    if (OpenFoldersLock().try_lock()) {
        std::error_code ec;
        for (const auto &folder : OpenFolders())
            std::filesystem::remove_all(folder, ec);
    }
    signal(sig, SIG_DFL);
    raise(sig);
}
inline const bool kCrashReport = [] {
    for (int sig : {SIGSEGV, SIGBUS, SIGABRT, SIGFPE})
        signal(sig, &OnCrash);
    return true;
}();

// A temporary folder, removed with everything in it.
class TempDir : public test::ScratchFolder {
public:
    TempDir() : ScratchFolder("e2e") {
        std::lock_guard lock(OpenFoldersLock());
        OpenFolders().push_back(path());
    }
    ~TempDir() {
        std::lock_guard lock(OpenFoldersLock());
        std::erase(OpenFolders(), path());
    }
};

// A child process, its output in files; stopped with SIGTERM, then SIGKILL,
// when the test lets go of it.
class Process {
public:
    Process() = default;
    Process(const Process &) = delete;
    Process &operator=(const Process &) = delete;
    ~Process() { stop(3s); }

    // extraEnv: "NAME=value" entries added to (or overriding) ours.
    // The program speaks Japanese, as the tests read it, whatever the
    // locale of the machine running them (LC_ALL=C.UTF-8) unless told.
    bool start(const std::vector<std::string> &argv, const std::filesystem::path &out,
               const std::filesystem::path &err, std::vector<std::string> extraEnv = {}) {
        if (std::none_of(extraEnv.begin(), extraEnv.end(),
                         [](const auto &x) { return x.starts_with("LC_ALL="); }))
            extraEnv.push_back("LC_ALL=C.UTF-8");
        std::vector<std::string> env;
        for (char **e = environ; *e; ++e) {
            const std::string entry = *e;
            bool overridden = false;
            for (const auto &x : extraEnv)
                if (entry.substr(0, entry.find('=') + 1) == x.substr(0, x.find('=') + 1)) overridden = true;
            if (!overridden) env.push_back(entry);
        }
        env.insert(env.end(), extraEnv.begin(), extraEnv.end());
        std::vector<char *> args, envp;
        for (const auto &a : argv)
            args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        for (const auto &e : env)
            envp.push_back(const_cast<char *>(e.c_str()));
        envp.push_back(nullptr);

        // fork/exec rather than posix_spawn: the child asks to be ended
        // with SIGTERM when the test process dies, so a crashed test leaves
        // no server or sim behind. Only async-signal-safe calls until exec.
        const pid_t parent = getpid();
        pid_ = fork();
        if (pid_ == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (getppid() != parent) _exit(127);
            const int in = ::open("/dev/null", O_RDONLY);
            const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (in < 0 || o < 0 || e < 0) _exit(127);
            dup2(in, STDIN_FILENO);
            dup2(o, STDOUT_FILENO);
            dup2(e, STDERR_FILENO);
            execve(args[0], args.data(), envp.data());
            _exit(127);
        }
        return pid_ > 0;
    }

    bool running() {
        if (pid_ <= 0) return false;
        int status = 0;
        const pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            status_ = status;
            pid_ = -1;
            return false;
        }
        return true;
    }

    // Waits up to `limit` for the process to end by itself.
    std::optional<int> wait(std::chrono::milliseconds limit) {
        WaitFor([this] { return !running(); }, limit);
        if (running()) return std::nullopt;
        return exitCode();
    }

    // SIGTERM, then SIGKILL after `grace`; the exit code, or nullopt when
    // it had to be killed.
    std::optional<int> stop(std::chrono::milliseconds grace) {
        if (!running()) return exitCode();
        kill(pid_, SIGTERM);
        if (auto code = wait(grace)) return code;
        kill(pid_, SIGKILL);
        wait(2s);
        return std::nullopt;
    }

    // Sends the signal to the process; false when it is not running.
    bool signal(int sig) { return running() && kill(pid_, sig) == 0; }

    std::optional<int> exitCode() const {
        if (WIFEXITED(status_)) return WEXITSTATUS(status_);
        return std::nullopt;
    }

private:
    pid_t pid_ = -1;
    int status_ = 0;
};

inline constexpr const char *kJackd = "/usr/bin/jackd";
inline constexpr const char *kJackWait = "/usr/bin/jack_wait";

// A JACK server on the dummy driver, under a name of its own; this process
// and its children talk to it through JACK_DEFAULT_SERVER.
class JackServer {
public:
    // Empty when the server is up, else what went wrong.
    std::string start(const std::filesystem::path &dir) {
        if (access(kJackd, X_OK) != 0) return std::string(kJackd) + " is missing: install jackd2";
        // JACK takes only a few servers at once: while other runs hold
        // them all, try again under a new name, for 20 s at most.
        std::string problem;
        const auto end = std::chrono::steady_clock::now() + 20s;
        for (int attempt = 0;; ++attempt) {
            problem =
                tryStart(dir, "voxmere-e2e-" + std::to_string(getpid()) + "-" + std::to_string(attempt));
            if (problem.empty() || std::chrono::steady_clock::now() >= end) return problem;
            std::this_thread::sleep_for(300ms);
        }
    }
    const std::string &name() const { return name_; }
    std::vector<std::string> env() const {
        return {"JACK_DEFAULT_SERVER=" + name_, "JACK_NO_START_SERVER=1"};
    }
    void stop() { jackd_.stop(3s); }

private:
    std::string tryStart(const std::filesystem::path &dir, const std::string &name) {
        jackd_.stop(3s);
        name_ = name;
        setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
        setenv("JACK_NO_START_SERVER", "1", 1);
        // 48 kHz, 256 frames a period: MIDI moves every 5.3 ms, as on a
        // sound card set up for playing.
        if (!jackd_.start({kJackd, "-n", name_, "-d", "dummy", "-r", "48000", "-p", "256"}, dir / "jackd.out",
                          dir / "jackd.err"))
            return "jackd did not start";
        Process waiter;
        if (!waiter.start({kJackWait, "-s", name_, "-w", "-t", "10"}, dir / "jack_wait.out",
                          dir / "jack_wait.err"))
            return "jack_wait did not start";
        const auto code = waiter.wait(12s);
        if (!code || *code != 0 || !jackd_.running())
            return "jackd " + name_ + " did not come up: " + ReadText(dir / "jackd.err");
        return {};
    }

    std::string name_;
    Process jackd_;
};

// One server for the whole executable, up before the first test: starting
// one per test cost a second or more each. A server that does not come up
// fails every test.
class JackEnvironment : public ::testing::Environment {
public:
    static JackServer &server() {
        static JackServer jack;
        return jack;
    }
    void SetUp() override {
        dir_.emplace();
        const std::string problem = server().start(*dir_);
        ASSERT_EQ(problem, "");
    }
    void TearDown() override {
        server().stop();
        dir_.reset();
    }

private:
    std::optional<TempDir> dir_;
};
inline ::testing::Environment *const kJackEnvironment =
    ::testing::AddGlobalTestEnvironment(new JackEnvironment);

inline void IgnoreRtError(RtMidiError::Type, const std::string &, void *) {}

template <class Rt> std::optional<unsigned> FindPort(Rt &rt, const std::string &part) {
    const unsigned n = rt.getPortCount();
    for (unsigned i = 0; i < n; ++i)
        if (rt.getPortName(i).find(part) != std::string::npos) return i;
    return std::nullopt;
}

// The test's own JACK client: sends to one port and collects what another
// sends, System Exclusive included.
class JackClient {
public:
    JackClient() : out_(RtMidi::UNIX_JACK, "e2e-client-out"), in_(RtMidi::UNIX_JACK, "e2e-client-in") {
        out_.setErrorCallback(IgnoreRtError);
        in_.setErrorCallback(IgnoreRtError);
        in_.ignoreTypes(false, true, true);
    }
    // Connects to the first ports whose names hold these parts, waiting
    // for them to appear.
    bool connect(const std::string &sendTo, const std::string &listenTo) {
        std::optional<unsigned> o, i;
        WaitFor([&] { return (o = FindPort(out_, sendTo)) && (i = FindPort(in_, listenTo)); }, 10s);
        if (!o || !i) return false;
        out_.openPort(*o, "to");
        in_.openPort(*i, "from");
        return out_.isPortOpen() && in_.isPortOpen();
    }
    void send(Bytes message) { out_.sendMessage(&message); }
    // The next message received within `limit`.
    std::optional<Bytes> next(std::chrono::milliseconds limit) {
        Bytes message;
        WaitFor(
            [&] {
                in_.getMessage(&message);
                return !message.empty();
            },
            limit);
        if (message.empty()) return std::nullopt;
        return message;
    }

private:
    RtMidiOut out_;
    RtMidiIn in_;
};

// One line of the sim's log, split.
struct LogLine {
    double seconds = 0;
    std::string direction;
    Bytes bytes;
    bool refused = false;
};

inline std::vector<LogLine> ParseLog(const std::string &text) {
    std::vector<LogLine> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        LogLine l;
        words >> l.seconds >> l.direction;
        std::string word;
        while (words >> word) {
            if (word == "REFUSED") {
                l.refused = true;
                break;
            }
            l.bytes.push_back(static_cast<unsigned char>(std::stoul(word, nullptr, 16)));
        }
        lines.push_back(std::move(l));
    }
    return lines;
}

// The lines of one direction ("IN", "OUT", "DROP"), and their bytes in all.
inline std::vector<LogLine> LinesOf(const std::vector<LogLine> &lines, const std::string &direction) {
    std::vector<LogLine> kept;
    for (const auto &line : lines)
        if (line.direction == direction) kept.push_back(line);
    return kept;
}
inline std::size_t BytesOf(const std::vector<LogLine> &lines, const std::string &direction) {
    std::size_t n = 0;
    for (const auto &line : LinesOf(lines, direction))
        n += line.bytes.size();
    return n;
}

inline std::filesystem::path ProgramDir() { return VOXMERE_PROGRAM_DIR; }
inline std::string SimPath() { return (ProgramDir() / "voxmere-dx7sim").string(); }

// MIDI ports on the server, outputs and inputs.
inline std::size_t MidiPortsOnTheServer() {
    RtMidiIn in(RtMidi::UNIX_JACK, "e2e-count-in");
    RtMidiOut out(RtMidi::UNIX_JACK, "e2e-count-out");
    in.setErrorCallback(IgnoreRtError);
    out.setErrorCallback(IgnoreRtError);
    return in.getPortCount() + out.getPortCount();
}

// GIVEN the shared JACK server with no port left by an earlier test (a
// client that has just ended may linger a moment), and the sim on demand.
class OverJack : public ::testing::Test {
protected:
    TempDir dir;
    Process sim;

    void SetUp() override {
        ASSERT_TRUE(WaitFor([] { return MidiPortsOnTheServer() == 0; }, 10s))
            << "an earlier test left ports on the server";
    }
    static std::vector<std::string> jackEnv() { return JackEnvironment::server().env(); }
    // The sim on JACK, logging to sim.log, up and ready.
    void startSim(const std::vector<std::string> &options) {
        std::vector<std::string> argv{SimPath(), "--midi-api", "jack", "--log", (dir / "sim.log").string()};
        argv.insert(argv.end(), options.begin(), options.end());
        ASSERT_TRUE(sim.start(argv, dir / "sim.out", dir / "sim.err", jackEnv()));
        ASSERT_TRUE(
            WaitFor([&] { return ReadText(dir / "sim.out").find("ready") != std::string::npos; }, 10s))
            << ReadText(dir / "sim.err");
    }
    // SIGTERM: the sim writes what it was asked to at exit; its exit code.
    int stopSim() {
        const auto code = sim.stop(5s);
        return code ? *code : -1;
    }
    std::string simLog() const { return ReadText(dir / "sim.log"); }
    std::vector<LogLine> log() const { return ParseLog(simLog()); }
};

} // namespace vox::e2e
