#include "midi/rtmidi_ports.h"

#include "midi/virtual_dx7.h"

#include <rtmidi/RtMidi.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace vox {

// RtMidi reports through this instead of printing or throwing once it is
// set; each client has its own, living as long as the client.
struct RtMidiErrors {
    bool failed = false;
    bool warned = false; // e.g. "JACK server not running?"
    std::string text;
};

namespace {

constexpr const char *kOutClient = "voxmere-out";
constexpr const char *kInClient = "voxmere-in";
// RtMidi's ALSA output encodes through one snd_midi_event encoder per
// client, made with a buffer of this many bytes and grown to the longest
// message sent. It emits a System Exclusive event each time the buffer
// fills and at F7; bytes short of that wait in it for the next send.
constexpr std::size_t kAlsaEncoderStartBytes = 32;

// ALSA's loopback client, lower case with its separator.
constexpr const char *kMidiThroughClient = "midi through:";

void OnRtMidiError(RtMidiError::Type type, const std::string &text, void *user) {
    auto *sink = static_cast<RtMidiErrors *>(user);
    if (type == RtMidiError::WARNING || type == RtMidiError::DEBUG_WARNING)
        sink->warned = true;
    else
        sink->failed = true;
    sink->text = text;
}

// RtMidi's constructors warn on std::cerr before an error callback can be
// set, and alsa-lib and libjack print on their own when there is no
// sequencer or server: stderr goes to /dev/null while a client is set up.
class QuietStderr {
public:
    QuietStderr() : lock_(Mutex()) {
        std::fflush(stderr);
        saved_ = dup(STDERR_FILENO);
        const int null = ::open("/dev/null", O_WRONLY);
        if (saved_ >= 0 && null >= 0) dup2(null, STDERR_FILENO);
        if (null >= 0) ::close(null);
    }
    ~QuietStderr() {
        std::fflush(stderr);
        if (saved_ >= 0) {
            dup2(saved_, STDERR_FILENO);
            ::close(saved_);
        }
    }
    QuietStderr(const QuietStderr &) = delete;
    QuietStderr &operator=(const QuietStderr &) = delete;

private:
    static std::mutex &Mutex() {
        static std::mutex m;
        return m;
    }
    std::lock_guard<std::mutex> lock_;
    int saved_ = -1;
};

std::optional<RtMidi::Api> ApiByName(const std::string &name) {
    std::vector<RtMidi::Api> apis;
    RtMidi::getCompiledApi(apis);
    for (RtMidi::Api api : apis)
        if (RtMidi::getApiName(api) == name) return api;
    return std::nullopt;
}

// A client on the API, or null when RtMidi cannot be set up there.
template <class Client>
std::unique_ptr<Client> MakeClient(const std::string &apiName, const char *clientName, RtMidiErrors &errors) {
    // Never let a JACK client start a server of its own.
    setenv("JACK_NO_START_SERVER", "1", 0);
    const auto api = ApiByName(apiName);
    if (!api) return nullptr;
    QuietStderr quiet;
    std::unique_ptr<Client> client;
    try {
        client = std::make_unique<Client>(*api, clientName);
    } catch (const RtMidiError &e) {
        errors.text = e.getMessage();
        return nullptr;
    }
    errors = RtMidiErrors{};
    client->setErrorCallback(&OnRtMidiError, &errors);
    // The JACK client connects here; without a server RtMidi only warns.
    client->getPortCount();
    if (errors.failed || errors.warned) return nullptr;
    return client;
}

template <class Client> std::vector<std::string> PortNames(Client &client) {
    std::vector<std::string> names;
    const unsigned n = client.getPortCount();
    for (unsigned i = 0; i < n; ++i)
        names.push_back(client.getPortName(i));
    return names;
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// Opens the port of that name (or the default) on the client; the name
// connected, or "" when nothing opened.
template <class Client>
std::string OpenNamed(Client &client, RtMidiErrors &errors, const std::string &target, const char *ourPort) {
    const auto names = PortNames(client);
    std::optional<std::size_t> index;
    if (target.empty()) {
        index = DefaultOutputPort(names);
    } else {
        const auto exact = std::find(names.begin(), names.end(), target);
        if (exact != names.end()) index = static_cast<std::size_t>(exact - names.begin());
    }
    if (!index) return {};
    QuietStderr quiet;
    errors = RtMidiErrors{};
    client.openPort(static_cast<unsigned>(*index), ourPort);
    if (errors.failed || !client.isPortOpen()) return {};
    return names[*index];
}

// Opens a virtual port of that name on the client; false when RtMidi
// reports a failure.
template <class Client> bool OpenVirtual(Client &client, RtMidiErrors &errors, const std::string &portName) {
    QuietStderr quiet;
    errors = RtMidiErrors{};
    client.openVirtualPort(portName);
    return !errors.failed;
}

} // namespace

std::vector<std::string> CompiledMidiApis() {
    std::vector<RtMidi::Api> apis;
    RtMidi::getCompiledApi(apis);
    std::vector<std::string> names;
    for (RtMidi::Api api : apis)
        if (api != RtMidi::RTMIDI_DUMMY) names.push_back(RtMidi::getApiName(api));
    return names;
}

bool MidiApiWorks(const std::string &api) {
    RtMidiErrors errors;
    return MakeClient<RtMidiOut>(api, kOutClient, errors) != nullptr;
}

std::string FirstWorkingMidiApi() {
    for (const auto &api : CompiledMidiApis())
        if (MidiApiWorks(api)) return api;
    return {};
}

std::vector<std::string> ListMidiOutputs(const std::string &api) {
    RtMidiErrors errors;
    auto client = MakeClient<RtMidiOut>(api, kOutClient, errors);
    return client ? PortNames(*client) : std::vector<std::string>{};
}

std::vector<std::string> ListMidiInputs(const std::string &api) {
    RtMidiErrors errors;
    auto client = MakeClient<RtMidiIn>(api, kInClient, errors);
    return client ? PortNames(*client) : std::vector<std::string>{};
}

std::optional<std::size_t> MatchPortName(const std::vector<std::string> &names, const std::string &wanted) {
    if (wanted.empty()) return std::nullopt;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == wanted) return i;
    const std::string part = Lower(wanted);
    std::optional<std::size_t> found;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (Lower(names[i]).find(part) == std::string::npos) continue;
        if (found) return std::nullopt; // more than one: ambiguous
        found = i;
    }
    return found;
}

std::optional<std::size_t> DefaultOutputPort(const std::vector<std::string> &names) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string name = Lower(names[i]);
        if (name.find(kOwnPortMark) == std::string::npos && !name.starts_with(kMidiThroughClient)) return i;
    }
    return std::nullopt;
}

bool IsOwnPort(const std::string &name) {
    const std::string client = Lower(name.substr(0, name.find(':')));
    for (const std::string own : {kOutClient, kInClient}) {
        if (client == own) return true;
        // JACK numbers a second client of the same name: "voxmere-in-01".
        if (client.size() > own.size() + 1 && client.starts_with(own + "-") &&
            std::all_of(client.begin() + static_cast<std::ptrdiff_t>(own.size() + 1), client.end(),
                        [](unsigned char c) { return std::isdigit(c) != 0; }))
            return true;
    }
    return false;
}

std::vector<std::string> WithoutOwnPorts(std::vector<std::string> names) {
    std::erase_if(names, IsOwnPort);
    return names;
}

// --- Output ----------------------------------------------------------------

RtMidiOutPort::RtMidiOutPort(std::string api, std::string target)
    : api_(std::move(api)), target_(std::move(target)), errors_(std::make_unique<RtMidiErrors>()) {}
RtMidiOutPort::~RtMidiOutPort() = default;

bool RtMidiOutPort::open() {
    close();
    rt_ = MakeClient<RtMidiOut>(api_, kOutClient, *errors_);
    if (!rt_) return false;
    connected_ = OpenNamed(*rt_, *errors_, target_, "out");
    if (connected_.empty()) {
        rt_.reset();
        return false;
    }
    encoderBytes_ = kAlsaEncoderStartBytes;
    return true;
}

void RtMidiOutPort::close() {
    rt_.reset(); // closes the port and the client
    connected_.clear();
}

bool RtMidiOutPort::isOpen() const { return rt_ != nullptr; }

void RtMidiOutPort::sendShort(Byte status, Byte data1, Byte data2) {
    if (!rt_) return;
    const unsigned char bytes[3] = {status, data1, data2};
    const std::size_t n = std::clamp<std::size_t>(ChannelMessageLength(status), 1, 3);
    rt_->sendMessage(bytes, n);
}

void RtMidiOutPort::send(std::span<const Byte> bytes) {
    // RtMidi copies the bytes before it returns.
    if (!rt_ || bytes.empty()) return;
    encoderBytes_ = std::max(encoderBytes_, bytes.size());
    rt_->sendMessage(bytes.data(), bytes.size());
}

void RtMidiOutPort::sendSysEx(std::span<const Byte> message) { send(message); }

void RtMidiOutPort::sendSysExPart(std::span<const Byte> part) {
    // An encoder grown by a longer message sent earlier would keep the
    // pieces until F7 and send them all at once: a fresh client has one of
    // kAlsaEncoderStartBytes, which pieces of at least that size fill each
    // time. Pieces smaller than it go out two or more at a time.
    if (rt_ && api_ == "alsa" && !part.empty() && part.front() == kSysExStart && part.back() != kSysExEnd &&
        encoderBytes_ > std::max(part.size(), kAlsaEncoderStartBytes))
        open();
    send(part);
}

std::string RtMidiOutPort::name() const { return connected_.empty() ? target_ : connected_; }

bool RtMidiOutPort::retarget(const std::string &target) {
    target_ = target;
    return open();
}

// --- Input -----------------------------------------------------------------

RtMidiInPort::RtMidiInPort(std::string api, std::string target)
    : api_(std::move(api)), target_(std::move(target)), errors_(std::make_unique<RtMidiErrors>()) {}

RtMidiInPort::~RtMidiInPort() { rt_.reset(); }

std::string RtMidiInPort::name() const { return connected_.empty() ? target_ : connected_; }

bool RtMidiInPort::connect() {
    rt_ = MakeClient<RtMidiIn>(api_, kInClient, *errors_);
    if (!rt_) return false;
    // System Exclusive in; timing clock and active sensing out.
    rt_->ignoreTypes(false, true, true);
    rt_->setCallback(&RtMidiInPort::OnMessage, this);
    connected_ = OpenNamed(*rt_, *errors_, target_, "in");
    if (connected_.empty()) {
        rt_.reset();
        return false;
    }
    return true;
}

bool RtMidiInPort::openPort() { return connect(); }

void RtMidiInPort::closePort() {
    rt_.reset();
    connected_.clear();
}

bool RtMidiInPort::retarget(const std::string &target) {
    target_ = target;
    if (!isOpen()) return true; // taken at the next open
    rt_.reset();
    return connect();
}

void RtMidiInPort::OnMessage(double, std::vector<unsigned char> *message, void *self) {
    if (!message || message->empty()) return;
    auto *port = static_cast<RtMidiInPort *>(self);
    // Anything longer than a channel message is a long buffer, whatever its
    // first byte, as the input driver returns it.
    if (message->size() > 3 || message->front() == kSysExStart)
        port->receiveLong(*message);
    else
        port->receive(*message);
}

// --- Virtual ports ---------------------------------------------------------

RtMidiVirtualPorts::RtMidiVirtualPorts()
    : outErrors_(std::make_unique<RtMidiErrors>()), inErrors_(std::make_unique<RtMidiErrors>()) {}

RtMidiVirtualPorts::~RtMidiVirtualPorts() { close(); }

bool RtMidiVirtualPorts::open(const std::string &api, const Names &names, Handler handler, std::string &why) {
    close();
    handler_ = std::move(handler);
    auto fail = [&](const RtMidiErrors &errors) {
        why = errors.text.empty() ? "RtMidi cannot be set up on " + api : errors.text;
        close();
        return false;
    };
    out_ = MakeClient<RtMidiOut>(api, names.outClient.c_str(), *outErrors_);
    if (!out_ || !OpenVirtual(*out_, *outErrors_, names.outPort)) return fail(*outErrors_);
    if (names.inPort.empty()) return true;
    in_ = MakeClient<RtMidiIn>(api, names.inClient.c_str(), *inErrors_);
    if (!in_) return fail(*inErrors_);
    // System Exclusive in; timing clock and active sensing are not the
    // instrument's business.
    in_->ignoreTypes(false, true, true);
    in_->setCallback(&RtMidiVirtualPorts::OnMessage, this);
    if (!OpenVirtual(*in_, *inErrors_, names.inPort)) return fail(*inErrors_);
    return true;
}

void RtMidiVirtualPorts::send(std::span<const Byte> message) {
    // RtMidi copies the bytes before it returns.
    if (out_ && !message.empty()) out_->sendMessage(message.data(), message.size());
}

void RtMidiVirtualPorts::stopInput() {
    if (in_) in_->cancelCallback();
}

void RtMidiVirtualPorts::close() {
    in_.reset();
    out_.reset();
}

void RtMidiVirtualPorts::OnMessage(double, std::vector<unsigned char> *message, void *self) {
    auto *ports = static_cast<RtMidiVirtualPorts *>(self);
    if (message && !message->empty() && ports->handler_) ports->handler_(*message);
}

} // namespace vox
