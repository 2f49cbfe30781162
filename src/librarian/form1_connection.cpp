// The MIDI menu's connection check. It sends one program change on the
// instrument's channel and waits for the voice dump an instrument with SYS
// INFO AVAIL answers with; it never writes the instrument's memory.
#include "librarian/form1.h"

#include "midi/midi_input.h"
#include "midi/midi_output.h"
#include "voice/dx7_decode.h"
#include "workspace/unwritten.h"

#include <string>

namespace vox {

namespace {

std::string Filled(std::string text, const std::string &out, const std::string &in, int channel) {
    for (const auto &[key, value] :
         {std::pair<std::string, std::string>{"%O", out}, {"%I", in}, {"%C", std::to_string(channel)}})
        for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
            text.replace(at, key.size(), value);
    return text;
}

} // namespace

void Form1::mnuConnectionCheckClick() {
    using namespace form1_text;
    ProgramState &state = program_.state;
    Host &host = program_.host;
    if (!PortFree(state, host)) return;
    MessageBoxSpec box;
    box.title = kCheckTitle;
    box.icon = MsgIcon::Exclamation;
    const bool outOpen = state.midiOut && state.midiOut->isOpen();
    // A closed input is opened as a receive opens it.
    if (outOpen && OpenMidiIn(state.midiIn, receiveHook)) {
        StartMidiIn(state.midiIn);
        command2Caption = kCommand2Stop;
    }
    const bool inOpen = state.midiIn && state.midiIn->isOpen();
    if (!outOpen || !inOpen) {
        box.text = outOpen ? kCheckNoInput : kCheckNoOutput;
        host.messageBox(box);
        return;
    }
    const std::string out = state.midiOut->name(), in = state.midiIn->name();
    const int channel = state.exchange.channel;
    // A program change selects a voice: the user is told before it goes.
    MessageBoxSpec ask = box;
    ask.text = Filled(kCheckBefore, out, in, channel);
    ask.icon = MsgIcon::Question;
    ask.buttons = MsgButtons::OkCancel;
    if (host.messageBox(ask) != MsgResult::Ok) return;

    const std::uint64_t seen = state.midiTraffic.total();
    SendShortMessage(state, kProgramChange, 0, 0);
    bool answered = false, heardOther = false;
    const double until = host.monotonicSeconds() + kCheckWaitSeconds;
    for (std::uint64_t next = seen; !answered && host.monotonicSeconds() < until;) {
        host.processEventsFor(0.05);
        const auto &entries = state.midiTraffic.entries();
        const std::uint64_t first = state.midiTraffic.total() - entries.size();
        for (; next < state.midiTraffic.total(); ++next) {
            if (next < first) continue; // dropped from the log meanwhile
            const MidiTrafficEntry &e = entries[static_cast<std::size_t>(next - first)];
            if (e.direction != MidiTrafficEntry::Direction::In || e.kind != MidiTrafficEntry::Kind::Message)
                continue;
            const Dx7Message m = DecodeDx7(e.bytes);
            if (m.kind == Dx7Kind::VoiceDump && m.good())
                answered = true;
            else
                heardOther = true;
        }
    }
    box.icon = answered ? MsgIcon::Information : MsgIcon::Exclamation;
    box.text = Filled(answered ? kCheckAnswered : kCheckSilent, out, in, channel);
    if (!answered && heardOther) box.text += kCheckHeardOther;
    host.messageBox(box);
}

} // namespace vox
