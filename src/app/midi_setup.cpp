#include "app/midi_setup.h"

#include <QMetaObject>
#include <QTimer>

namespace vox {

MidiWiring WireMidiForQt(const MidiOptions &options, QtHost &host) {
    return WireMidi(
        options, [&host] { return host.monotonicSeconds(); },
        [&host](double seconds) {
            // One millisecond late rather than early: the reply is due by then.
            QTimer::singleShot(static_cast<int>(seconds * 1000.0) + 1, &host, [&host] { host.pump(); });
        });
}

void WakeHostOnInput(MidiInPort &in, QtHost &host) {
    // Called on the backend's thread: only post, never touch program state.
    in.setWakeUp([&host] { QMetaObject::invokeMethod(&host, "pump", Qt::QueuedConnection); });
}

MidiMenuModel MidiMenuFor(MidiWiring &wiring, PortChosen chosen) {
    auto choose = [&wiring, chosen](MidiDirection direction, const std::string &name) {
        const bool opened =
            direction == MidiDirection::Out ? wiring.chooseOutput(name) : wiring.chooseInput(name);
        if (opened && chosen && !wiring.dx7 && !wiring.api.empty()) chosen(direction, wiring.api, name);
        return opened;
    };
    MidiMenuModel model;
    model.outputs = [&wiring] { return wiring.outputNames(); };
    model.inputs = [&wiring] { return wiring.inputNames(); };
    model.currentOutput = [&wiring] { return wiring.currentOutput(); };
    model.currentInput = [&wiring] { return wiring.currentInput(); };
    model.chooseOutput = [choose](const std::string &name) { return choose(MidiDirection::Out, name); };
    model.chooseInput = [choose](const std::string &name) { return choose(MidiDirection::In, name); };
    return model;
}

} // namespace vox
