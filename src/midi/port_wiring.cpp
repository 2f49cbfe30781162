#include "midi/port_wiring.h"

#include "midi/rtmidi_ports.h"

#include <sstream>

namespace vox {
namespace {

// The port to connect: the exact name or a unique part of it. "" when
// nothing was asked (the backend then takes its default).
std::string Resolve(const std::vector<std::string> &names, const std::string &wanted, const char *what,
                    std::vector<std::string> &problems) {
    if (wanted.empty()) return {};
    if (const auto i = MatchPortName(names, wanted)) return names[*i];
    problems.push_back(std::string(what) + " port \"" + wanted + "\" not found or not unique");
    return wanted; // kept, so the open fails and says so
}

} // namespace

MidiWiring WireMidi(const MidiOptions &options, Clock clock, std::function<void(double)> wakeAfter) {
    MidiWiring w;
    if (options.virtualDx7) {
        w.dx7 = std::make_unique<VirtualDx7>();
        w.out = std::make_unique<VirtualDx7OutPort>(*w.dx7, clock);
        auto in = std::make_unique<VirtualDx7InPort>(*w.dx7, clock);
        in->setWakeAfter(std::move(wakeAfter));
        w.in = std::move(in);
        return w;
    }
    if (!options.api.empty()) {
        if (MidiApiWorks(options.api))
            w.api = options.api;
        else
            w.problems.push_back("MIDI API \"" + options.api + "\" does not work here");
    } else {
        w.api = FirstWorkingMidiApi();
    }
    if (w.api.empty()) return w;
    const std::string out = Resolve(ListMidiOutputs(w.api), options.out, "output", w.problems);
    const std::string in = Resolve(ListMidiInputs(w.api), options.in, "input", w.problems);
    w.out = std::make_unique<RtMidiOutPort>(w.api, out);
    w.in = std::make_unique<RtMidiInPort>(w.api, in);
    return w;
}

std::vector<std::string> MidiWiring::outputNames() const {
    if (dx7) return {kVirtualDx7PortName};
    return api.empty() ? std::vector<std::string>{} : WithoutOwnPorts(ListMidiOutputs(api));
}

std::vector<std::string> MidiWiring::inputNames() const {
    if (dx7) return {kVirtualDx7PortName};
    return api.empty() ? std::vector<std::string>{} : WithoutOwnPorts(ListMidiInputs(api));
}

std::string MidiWiring::currentOutput() const {
    if (!out || !out->isOpen()) return {};
    if (const auto *rt = dynamic_cast<const RtMidiOutPort *>(out.get())) return rt->connected();
    return out->name();
}

std::string MidiWiring::currentInput() const {
    // An input that lost its connection on a failed re-wire still counts
    // as open for the receive window; only a connected port is current.
    if (!in || !in->isOpen()) return {};
    if (const auto *rt = dynamic_cast<const RtMidiInPort *>(in.get())) return rt->connected();
    return in->name();
}

bool MidiWiring::chooseOutput(const std::string &name) {
    auto *rt = dynamic_cast<RtMidiOutPort *>(out.get());
    if (!rt) return out && name == out->name();
    const std::string before = currentOutput();
    if (rt->retarget(name)) return true;
    if (!before.empty()) rt->retarget(before);
    return false;
}

bool MidiWiring::chooseInput(const std::string &name) {
    auto *rt = dynamic_cast<RtMidiInPort *>(in.get());
    if (!rt) return in && name == in->name();
    const std::string before = currentInput();
    if (rt->retarget(name)) return true;
    if (!before.empty()) rt->retarget(before);
    return false;
}

std::string ListPortsText() {
    std::ostringstream text;
    for (const auto &api : CompiledMidiApis()) {
        if (!MidiApiWorks(api)) {
            text << api << ": not available\n";
            continue;
        }
        text << api << ":\n  outputs:\n";
        for (const auto &name : ListMidiOutputs(api))
            text << "    " << name << "\n";
        text << "  inputs:\n";
        for (const auto &name : ListMidiInputs(api))
            text << "    " << name << "\n";
    }
    text << "virtual: " << kVirtualDx7PortName << " (--virtual-dx7)\n";
    return text.str();
}

} // namespace vox
