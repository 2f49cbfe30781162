#pragma once
// The MIDI ports of the Qt program: input from any thread is handled in the
// event loop, and replies the virtual DX7 holds back get a timer of their own.

#include "app/qt_host.h"
#include "librarian/form1.h"
#include "librarian/form1_view.h"
#include "midi/note_input.h"
#include "midi/port_wiring.h"
#include "text/ui_text.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vox {

MidiWiring WireMidiForQt(const MidiOptions &options, QtHost &host);

// Queues a pass of the host's pump whenever the port has input.
void WakeHostOnInput(MidiInPort &in, QtHost &host);

// A port the user chose in the MIDI menu and that opened, with its API.
using PortChosen =
    std::function<void(MidiDirection direction, const std::string &api, const std::string &name)>;

// What the main window's MIDI menu lists and does; `chosen` hears of each
// real port chosen (never the built-in instrument).
MidiMenuModel MidiMenuFor(MidiWiring &wiring, PortChosen chosen = {});

// The MIDI keyboard: an input of its own beside the DX7's, listened to on
// the DX7's RtMidi API, or with the virtual DX7 on the first that works.
// "なし" in the menu listens to none.
inline constexpr Text kNoNoteInput = "なし";

class NoteInputSetup {
public:
    // Wakes the host's event loop when the keyboard plays; the notes are
    // sent from there, on the GUI thread.
    NoteInputSetup(ProgramState &state, QtHost &host, const MidiWiring &wiring);

    // The inputs a keyboard may be: neither one of ours nor the DX7's.
    std::vector<std::string> names();
    const std::string &api();
    NoteInput &input() { return input_; }
    // The menu's entries: "なし", then names(); `chosen` hears of each
    // choice that took (with "" for "なし").
    MidiMenuModel::Choices menu(std::function<void(const std::string &api, const std::string &name)> chosen);

private:
    const MidiWiring &wiring_;
    std::optional<std::string> api_;
    NoteInput input_;
};

} // namespace vox
