// A MIDI keyboard over a real JACK server (the dummy driver): what it plays,
// on whatever channel, reaches the DX7's output on channel 1, handed from
// RtMidi's thread to the event loop; the DX7's own input is never offered.
#include "app/midi_setup.h"
#include "e2e_support.h"
#include "midi/rtmidi_ports.h"
#include "offscreen_app.h"
#include "test_support.h"

#include <algorithm>

namespace vox::e2e {
namespace {

using Sent = std::vector<std::vector<Byte>>;

class NoteKeyboardOverJack : public OverJack {
protected:
    OffscreenApp app;
    ProgramState state;
    test::RecordingOutPort dx7Out; // where the program's sends go
    QtHost host;
    MidiWiring wiring;

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(OverJack::SetUp());
        dx7Out.open();
        state.midiOut = &dx7Out;
    }
};

TEST_F(NoteKeyboardOverJack, NotesOfAnyChannelArePlayedOnChannel1AndTheDx7sInputIsNoKeyboard) {
    // GIVEN a MIDI keyboard and the DX7 on the server, the DX7's input wired
    RtMidiOut keyboard(RtMidi::UNIX_JACK, "e2e-keyboard");
    keyboard.setErrorCallback(IgnoreRtError);
    keyboard.openVirtualPort("keys");
    RtMidiOut dx7(RtMidi::UNIX_JACK, "e2e-dx7");
    dx7.setErrorCallback(IgnoreRtError);
    dx7.openVirtualPort("midi-out");
    wiring.api = "jack";
    wiring.in = std::make_unique<RtMidiInPort>("jack", "e2e-dx7:midi-out");
    ASSERT_TRUE(wiring.in->open());
    ASSERT_EQ(wiring.currentInput(), "e2e-dx7:midi-out");
    std::vector<std::pair<std::string, std::string>> remembered;
    NoteInputSetup setup(state, host, wiring);
    const MidiMenuModel::Choices menu = setup.menu(
        [&](const std::string &api, const std::string &name) { remembered.emplace_back(api, name); });

    // WHEN the menu lists the keyboards
    const std::vector<std::string> entries = menu.list();
    // THEN "なし" comes first, the keyboard is there, the DX7's input is not
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries.front(), "なし");
    EXPECT_NE(std::find(entries.begin(), entries.end(), "e2e-keyboard:keys"), entries.end());
    EXPECT_EQ(std::find(entries.begin(), entries.end(), "e2e-dx7:midi-out"), entries.end());
    EXPECT_EQ(menu.current(), "なし");
    EXPECT_FALSE(menu.choose("e2e-dx7:midi-out"));

    // WHEN the keyboard is chosen and plays on channel 4
    ASSERT_TRUE(menu.choose("e2e-keyboard:keys"));
    EXPECT_EQ(menu.current(), "e2e-keyboard:keys");
    std::vector<unsigned char> on{0x93, 0x3C, 0x40}, off{0x83, 0x3C, 0x00}, program{0xC3, 0x05};
    keyboard.sendMessage(&on);
    keyboard.sendMessage(&program);
    keyboard.sendMessage(&off);
    // THEN the event loop sends note on and note off on channel 1, nothing else
    EXPECT_TRUE(PumpUntil([&] { return dx7Out.sent.size() >= 2; }, 5s));
    PumpUntil([] { return false; }, 100ms);
    EXPECT_EQ(dx7Out.sent, (Sent{{0x90, 0x3C, 0x40}, {0x80, 0x3C, 0x00}}));

    // WHEN "なし" is chosen while a note is held
    keyboard.sendMessage(&on);
    EXPECT_TRUE(PumpUntil([&] { return dx7Out.sent.size() >= 3; }, 5s));
    ASSERT_TRUE(menu.choose("なし"));
    // THEN the held note stops and nothing more comes through
    EXPECT_EQ(menu.current(), "なし");
    keyboard.sendMessage(&on);
    PumpUntil([] { return false; }, 200ms);
    EXPECT_EQ(dx7Out.sent,
              (Sent{{0x90, 0x3C, 0x40}, {0x80, 0x3C, 0x00}, {0x90, 0x3C, 0x40}, {0x80, 0x3C, 0x00}}));
    // Each choice that took is remembered, "なし" as no name.
    EXPECT_EQ(remembered, (std::vector<std::pair<std::string, std::string>>{{"jack", "e2e-keyboard:keys"},
                                                                            {"jack", ""}}));
}

} // namespace
} // namespace vox::e2e
