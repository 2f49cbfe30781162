#include "app/midi_setup.h"

#include "midi/rtmidi_ports.h"

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

NoteInputSetup::NoteInputSetup(ProgramState &state, QtHost &host, const MidiWiring &wiring)
    : wiring_(wiring), input_(state, [this](const std::string &name) -> std::unique_ptr<MidiInPort> {
          if (api().empty()) return nullptr;
          return std::make_unique<RtMidiInPort>(api(), name);
      }) {
    // Called on RtMidi's thread: only post; the pump runs on the GUI thread.
    input_.setWakeUp([this, &host] {
        QMetaObject::invokeMethod(
            &host, [this] { input_.pump(); }, Qt::QueuedConnection);
    });
}

const std::string &NoteInputSetup::api() {
    // Asked only when the menu or the command line needs it: setting up a
    // client to find a working API costs time the start should not spend.
    if (!api_) api_ = wiring_.api.empty() ? FirstWorkingMidiApi() : wiring_.api;
    return *api_;
}

std::vector<std::string> NoteInputSetup::names() {
    if (api().empty()) return {};
    std::vector<std::string> names = WithoutOwnPorts(ListMidiInputs(api()));
    const std::string dx7 = wiring_.dx7 ? std::string{} : wiring_.currentInput();
    if (!dx7.empty()) std::erase(names, dx7);
    return names;
}

MidiMenuModel::Choices
NoteInputSetup::menu(std::function<void(const std::string &api, const std::string &name)> chosen) {
    MidiMenuModel::Choices choices;
    choices.list = [this] {
        std::vector<std::string> entries{kNoNoteInput};
        for (auto &name : names())
            entries.push_back(std::move(name));
        return entries;
    };
    choices.current = [this] {
        return input_.current().empty() ? std::string(kNoNoteInput) : input_.current();
    };
    choices.choose = [this, chosen](const std::string &entry) {
        const std::string name = entry == kNoNoteInput ? std::string{} : entry;
        // The DX7's own input is never a keyboard: its dumps are not notes.
        if (!name.empty() && !wiring_.dx7 && name == wiring_.currentInput()) return false;
        if (!input_.choose(name)) return false;
        if (chosen) chosen(api(), name);
        return true;
    };
    return choices;
}

} // namespace vox
