#pragma once
// Doubles for the host and the ports, shared by the unit and view tests.

#include "../common/test_files.h"
#include "common/host.h"
#include "common/program_state.h"
#include "midi/midi_input.h"
#include "midi/midi_port.h"
#include "midi/virtual_dx7_ports.h"
#include "program/program.h"
#include "text/ui_text.h"
#include "voice/text.h"

#include <algorithm>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vox::test {

// A list choice as the host was asked it.
#ifdef VOXMERE_PROGRAM_DIR
// The program's texts shown from the catalogue of `code` (as built into
// the program folder) while this lives; Japanese again after.
struct InLanguage {
    explicit InLanguage(const std::string &code) {
        if (code != kJapanese)
            UseCatalogue(ReadCatalogue(std::filesystem::path(VOXMERE_PROGRAM_DIR) / "lang" / (code + ".po")));
    }
    ~InLanguage() { UseCatalogue({}); }
    InLanguage(const InLanguage &) = delete;
    InLanguage &operator=(const InLanguage &) = delete;
};
#endif

// Kana, kanji and CJK punctuation, and the full- and half-width forms: a
// text holding one has not been translated.
inline bool IsJapanese(char32_t c) { return (c >= 0x3000 && c <= 0x9FFF) || (c >= 0xFF00 && c <= 0xFFEF); }
inline bool HasJapanese(std::string_view utf8) {
    const std::vector<char32_t> points = CodePoints(utf8);
    return std::any_of(points.begin(), points.end(), IsJapanese);
}

struct ChoiceAsked {
    std::string title, text;
    std::vector<std::string> items;
};

// Answers message boxes from a script (OK / the first button when the
// script is empty) and list choices from another (cancel when it is
// empty), records everything, and runs a fake clock that each
// message-loop pass advances by `tick` seconds.
class TestHost : public Host {
public:
    std::vector<MessageBoxSpec> boxes;
    std::deque<MsgResult> answers;
    std::deque<bool> checkAnswers; // the check boxes of the boxes that have one, in order
    std::vector<ChoiceAsked> choices;
    std::deque<std::optional<int>> choiceAnswers;
    std::vector<std::pair<std::filesystem::path, int>> helpShown;
    std::vector<WindowId> shown, closed;
    std::map<WindowId, bool> enabled;
    std::vector<WindowId> refreshed;
    double clock = 1000.0;
    double tick = 0.01;
    int passes = 0;
    bool ended = false;
    std::function<void()> onProcessEvents;     // e.g. Program::pumpMidiInput
    std::function<void(WindowId)> onShowModal; // plays the modal window
    std::function<void()> whileBoxIsUp;        // what happens in a box's own loop

    MsgResult messageBox(const MessageBoxSpec &box) override {
        boxes.push_back(box);
        if (box.checked && !checkAnswers.empty()) {
            *box.checked = checkAnswers.front();
            checkAnswers.pop_front();
        }
        if (whileBoxIsUp) whileBoxIsUp();
        if (answers.empty()) {
            switch (box.buttons) {
            case MsgButtons::YesNo:
            case MsgButtons::YesNoCancel:
                return MsgResult::Yes;
            default:
                return MsgResult::Ok;
            }
        }
        MsgResult r = answers.front();
        answers.pop_front();
        return r;
    }
    std::optional<int> chooseItem(const std::string &title, const std::string &text,
                                  const std::vector<std::string> &items) override {
        choices.push_back({title, text, items});
        if (choiceAnswers.empty()) return std::nullopt;
        const std::optional<int> r = choiceAnswers.front();
        choiceAnswers.pop_front();
        return r;
    }
    void processEvents() override {
        ++passes;
        clock += tick;
        if (onProcessEvents) onProcessEvents();
    }
    // What each waiting pass was let sleep, in seconds; the pass itself is
    // a plain one, so waits take as many passes as before.
    std::vector<double> sleeps;
    void processEventsFor(double seconds) override {
        sleeps.push_back(seconds);
        processEvents();
    }
    double monotonicSeconds() override { return clock; }
    void showHelp(const std::filesystem::path &file, int topic) override {
        helpShown.emplace_back(file, topic);
    }
    void showWindow(WindowId w) override { shown.push_back(w); }
    void showWindowModal(WindowId w) override {
        shown.push_back(w);
        if (onShowModal) onShowModal(w);
    }
    void closeWindow(WindowId w) override { closed.push_back(w); }
    void setWindowEnabled(WindowId w, bool e) override { enabled[w] = e; }
    void refreshWindow(WindowId w) override { refreshed.push_back(w); }
    void refreshAll() override { ++refreshAllCount; }
    int refreshAllCount = 0;
    void endProgram() override { ended = true; }

    std::vector<std::string> boxTexts() const {
        std::vector<std::string> texts;
        for (const auto &b : boxes)
            texts.push_back(b.text);
        return texts;
    }
};

// Records every message sent, each as its bytes; a message sent in pieces
// is recorded whole at its end, and its pieces as they came.
class RecordingOutPort : public MidiOutPort {
public:
    bool openResult = true;
    bool opened = false;
    std::vector<std::vector<Byte>> sent;
    std::function<void(std::span<const Byte>)> onSend;
    std::vector<std::vector<Byte>> parts;
    std::function<void(std::span<const Byte>)> onPart;

    bool open() override { return opened = openResult; }
    void close() override { opened = false; }
    bool isOpen() const override { return opened; }
    void sendShort(Byte s, Byte d1, Byte d2) override {
        std::vector<Byte> m{s, d1, d2};
        sent.push_back(m);
        if (onSend) onSend(m);
    }
    void sendSysEx(std::span<const Byte> message) override {
        sent.emplace_back(message.begin(), message.end());
        if (onSend) onSend(message);
    }
    void sendSysExPart(std::span<const Byte> part) override {
        parts.emplace_back(part.begin(), part.end());
        if (onPart) onPart(part);
        MidiOutPort::sendSysExPart(part);
    }
    std::string name() const override { return "recording"; }
};

class TestInPort : public MidiInPort {
public:
    bool openResult = true;
    std::string name() const override { return "test-in"; }

protected:
    bool openPort() override { return openResult; }
    void closePort() override {}
};

// Slots 1..32 as `voice(n)` gives them, taken as a loaded bank.
template <class VoiceOf> void SeedBank(Workspace &ws, VoiceOf voice) {
    VoiceTable table = ws.voiceTable();
    for (int n = 1; n <= static_cast<int>(kBankSlots); ++n)
        table[static_cast<std::size_t>(n)] = voice(n);
    ws.replaceBank(table);
}

// The edit area naming slot `slot` and holding `voice` (edited when it
// differs from what the slot holds).
inline void SeedEditArea(Workspace &ws, int slot, const Slot &voice) {
    if (slot == 0) {
        const Slot slot0 = ws.slot(0);
        ws.placeVoice(slot0);
    } else
        ws.placeEntry(slot);
    ws.restoreEditBuffer(voice);
}

// `voice` named `name`: its ten name bytes, blanks after a shorter name.
inline Slot Named(Slot voice, std::string_view name) {
    for (std::size_t i = 0; i < kNameLength; ++i)
        voice[kNamePos + i] = static_cast<Byte>(i < name.size() ? name[i] : ' ');
    return voice;
}

// The edit area holding `voice` as SOUND LIST entry `slot` (the other
// entries as they are), or for slot 0 as a voice read from a file.
inline void PlaceAs(Workspace &ws, int slot, const Slot &voice) {
    if (slot == 0) {
        ws.placeVoice(voice);
        return;
    }
    SeedBank(ws, [&](int n) { return n == slot ? voice : ws.slot(n); });
    ws.placeEntry(slot);
}

// A whole program on doubles.
struct ProgramFixture {
    ProgramState state;
    TestHost host;
    RecordingOutPort out;
    TestInPort in;
    Program program{state, host};
    Workspace &ws = program.workspace;

    ProgramFixture() {
        state.midiOut = &out;
        state.midiIn = &in;
        host.onProcessEvents = [this] { program.pumpMidiInput(); };
    }
};

// A whole program on the in-process virtual DX7, as `voxmere --virtual-dx7`
// runs: its replies come on the host's fake clock through the queued input,
// and the main window's input is open as at start.
struct VirtualDx7ProgramFixture {
    ProgramState state;
    TestHost host;
    VirtualDx7 dx7;
    VirtualDx7OutPort out{dx7, [this] { return host.clock; }};
    VirtualDx7InPort in{dx7, [this] { return host.clock; }};
    Program program{state, host};

    explicit VirtualDx7ProgramFixture(InstrumentModel model = InstrumentModel::Dx7) {
        state.midiOut = &out;
        state.midiIn = &in;
        state.exchange.model = model;
        dx7.model = model;
        host.onProcessEvents = [this] { program.pumpMidiInput(); };
        out.open();
        program.form1.startInputAtLoad();
    }
};

} // namespace vox::test
