// Notes played from the on-screen keyboard, the letter rows and a MIDI
// keyboard: the bytes each key, click and message sends to the instrument.
#include "midi/note_input.h"
#include "midi/note_keyboard.h"
#include "midi/note_player.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace vox::test {
namespace {

using Bytes = std::vector<Byte>;
using Sent = std::vector<Bytes>;

struct Notes : ::testing::Test {
    ProgramState state;
    RecordingOutPort out;
    void SetUp() override {
        state.midiOut = &out;
        out.open();
    }
};

// --- The player -------------------------------------------------------------

using NotePlayerSends = Notes;

TEST_F(NotePlayerSends, APressIsANoteOnOnChannel1AndTheReleaseANoteOffWithVelocity0) {
    // GIVEN a player on the program's output
    NotePlayer player(state);
    // WHEN middle C is pressed and released
    player.press(60);
    EXPECT_TRUE(player.isHeld(60));
    player.release(60);
    // THEN note on with velocity 100, then note off, both on channel 1
    EXPECT_EQ(out.sent, (Sent{{0x90, 0x3C, 0x64}, {0x80, 0x3C, 0x00}}));
    EXPECT_FALSE(player.isHeld(60));
}

TEST_F(NotePlayerSends, TheMidiMonitorSeesTheNotesAsEveryOtherSend) {
    NotePlayer player(state);
    player.press(64, 90);
    ASSERT_EQ(state.midiTraffic.entries().size(), 1u);
    EXPECT_EQ(state.midiTraffic.entries().back().bytes, (Bytes{0x90, 0x40, 0x5A}));
}

TEST_F(NotePlayerSends, TwoPressesOfOnePitchSoundOnceAndStopAtTheLastRelease) {
    NotePlayer player(state);
    player.press(60);
    player.press(60);
    player.release(60);
    EXPECT_EQ(out.sent, (Sent{{0x90, 0x3C, 0x64}}));
    player.release(60);
    player.release(60); // nothing held any more: nothing sent
    EXPECT_EQ(out.sent, (Sent{{0x90, 0x3C, 0x64}, {0x80, 0x3C, 0x00}}));
}

TEST_F(NotePlayerSends, ReleaseAllStopsEveryHeldNoteOnceAndForgetsThem) {
    NotePlayer player(state);
    player.press(48);
    player.press(72);
    player.press(72);
    player.releaseAll();
    EXPECT_EQ(out.sent, (Sent{{0x90, 48, 0x64}, {0x90, 72, 0x64}, {0x80, 48, 0}, {0x80, 72, 0}}));
    EXPECT_TRUE(player.held().empty());
    player.release(72);
    EXPECT_EQ(out.sent.size(), 4u);
}

TEST_F(NotePlayerSends, NotesOutsideTheMidiRangeAndVelocityZeroAreKeptOffTheWire) {
    NotePlayer player(state);
    player.press(-1);
    player.press(128);
    player.press(60, 0); // a note on with velocity 0 would be a note off
    EXPECT_EQ(out.sent, (Sent{{0x90, 0x3C, 0x01}}));
}

TEST_F(NotePlayerSends, ThePlayerGoingAwayStopsWhatItHeld) {
    {
        NotePlayer player(state);
        player.press(50);
    }
    EXPECT_EQ(out.sent, (Sent{{0x90, 50, 0x64}, {0x80, 50, 0}}));
}

TEST_F(NotePlayerSends, WithoutAnOpenOutputNothingIsSent) {
    out.close();
    NotePlayer player(state);
    player.press(60);
    player.release(60);
    EXPECT_TRUE(out.sent.empty());
}

// --- A MIDI keyboard's messages ----------------------------------------------

using KeyboardMessages = Notes;

TEST_F(KeyboardMessages, NotesOfAnyChannelArePlayedOnChannel1WithTheirVelocity) {
    NotePlayer player(state);
    EXPECT_TRUE(PlayNoteMessage(player, Bytes{0x95, 62, 33}));  // channel 6 note on
    EXPECT_TRUE(PlayNoteMessage(player, Bytes{0x8F, 62, 64}));  // channel 16 note off
    EXPECT_TRUE(PlayNoteMessage(player, Bytes{0x92, 64, 127})); // note on
    EXPECT_TRUE(PlayNoteMessage(player, Bytes{0x92, 64, 0}));   // note on, velocity 0: off
    EXPECT_EQ(out.sent, (Sent{{0x90, 62, 33}, {0x80, 62, 0}, {0x90, 64, 127}, {0x80, 64, 0}}));
}

TEST_F(KeyboardMessages, ANoteOnOfAHeldKeyStrikesItAgainAndOneNoteOffStopsIt) {
    // GIVEN a player on the program's output
    NotePlayer player(state);
    // WHEN the keyboard sends note on, note on, note off of one key
    PlayNoteMessage(player, Bytes{0x90, 60, 80});
    PlayNoteMessage(player, Bytes{0x90, 60, 90});
    PlayNoteMessage(player, Bytes{0x80, 60, 0});
    // THEN the instrument, which gives every note-on a voice and frees one
    // per note-off, is left with none on that key
    EXPECT_EQ(out.sent, (Sent{{0x90, 60, 80}, {0x80, 60, 0}, {0x90, 60, 90}, {0x80, 60, 0}}));
    EXPECT_FALSE(player.isHeld(60));
}

TEST_F(KeyboardMessages, BendPressureAndThePlayingControllersGoOnChannel1AndAreCentredWhenTheSourceGoes) {
    NotePlayer player(state);
    EXPECT_TRUE(PlayNoteMessage(player, Bytes{0xE3, 0x10, 0x70})); // pitch bend, channel 4
    EXPECT_TRUE(PlayNoteMessage(player, Bytes{0xD3, 0x40}));       // channel pressure
    EXPECT_TRUE(PlayNoteMessage(player, Bytes{0xB3, 1, 90}));      // mod wheel
    EXPECT_TRUE(PlayNoteMessage(player, Bytes{0xB0, 65, 127}));    // portamento switch
    player.centre();
    EXPECT_EQ(out.sent, (Sent{{0xE0, 0x10, 0x70},
                              {0xD0, 0x40, 0},
                              {0xB0, 1, 90},
                              {0xB0, 65, 127},
                              {0xE0, 0, 64},
                              {0xD0, 0, 0},
                              {0xB0, 1, 0},
                              {0xB0, 2, 0},
                              {0xB0, 4, 0},
                              {0xB0, 65, 0}}));
}

TEST_F(KeyboardMessages, EverythingElseIsDropped) {
    NotePlayer player(state);
    EXPECT_FALSE(PlayNoteMessage(player, Bytes{0xC0, 5, 0}));       // program change
    EXPECT_FALSE(PlayNoteMessage(player, Bytes{0xB0, 64, 127}));    // sustain
    EXPECT_FALSE(PlayNoteMessage(player, Bytes{0xB0, 7, 100}));     // volume
    EXPECT_FALSE(PlayNoteMessage(player, Bytes{0xF0, 0x43, 0xF7})); // System Exclusive
    EXPECT_FALSE(PlayNoteMessage(player, Bytes{0x90, 60}));         // cut short
    EXPECT_TRUE(out.sent.empty());
}

// --- The letter rows ------------------------------------------------------------

TEST(LetterRows, TheLowerRowIsAChromaticOctaveFromZToComma) {
    const std::string keys = "ZSXDCVGBHNJM,";
    for (std::size_t i = 0; i < keys.size(); ++i)
        EXPECT_EQ(LetterRowOffset(keys[i]), static_cast<int>(i)) << keys[i];
    EXPECT_EQ(LetterRowOffset('L'), 13);
    EXPECT_EQ(LetterRowOffset('/'), 16);
}

TEST(LetterRows, TheUpperRowIsTheOctaveAboveFromQToI) {
    const std::string keys = "Q2W3ER5T6Y7UI";
    for (std::size_t i = 0; i < keys.size(); ++i)
        EXPECT_EQ(LetterRowOffset(keys[i]), 12 + static_cast<int>(i)) << keys[i];
    EXPECT_EQ(LetterRowOffset('P'), 28);
}

TEST(LetterRows, KeysBetweenTheWhiteKeysOfAPianoPlayNothing) {
    for (int key : std::initializer_list<int>{'A', 'F', 'K', '1', '4', '8', '-', ' ', 'z', kOctaveDownKey})
        EXPECT_FALSE(LetterRowOffset(key)) << key;
}

TEST(NoteNames, MiddleCIsC3AsTheInstrumentNamesIt) {
    EXPECT_EQ(NoteName(60), "C3");
    EXPECT_EQ(NoteName(48), "C2");
    EXPECT_EQ(NoteName(61), "C#3");
    EXPECT_EQ(NoteName(0), "C-2");
    EXPECT_EQ(NoteName(120), "C8");
}

using NoteKeyboardPlays = Notes;

TEST_F(NoteKeyboardPlays, ByDefaultItShowsC2ToC5AndZPlaysC2) {
    NoteKeyboard keyboard(state);
    EXPECT_EQ(keyboard.lowestNote(), 48);
    EXPECT_EQ(keyboard.highestNote(), 84);
    EXPECT_EQ(keyboard.rangeText(), "C2〜C5");
    EXPECT_TRUE(keyboard.letterDown('Z'));
    EXPECT_TRUE(keyboard.letterDown('I'));
    EXPECT_TRUE(keyboard.letterUp('Z'));
    EXPECT_EQ(out.sent, (Sent{{0x90, 48, 0x64}, {0x90, 72, 0x64}, {0x80, 48, 0}}));
}

TEST_F(NoteKeyboardPlays, AKeyHeldDownPlaysOnceAndOtherKeysAreNotTheKeyboards) {
    NoteKeyboard keyboard(state);
    EXPECT_TRUE(keyboard.letterDown('C'));
    EXPECT_TRUE(keyboard.letterDown('C')); // pressed again before its release
    EXPECT_FALSE(keyboard.letterDown('A'));
    EXPECT_FALSE(keyboard.letterUp('A'));
    EXPECT_FALSE(keyboard.letterUp('V')); // never pressed
    EXPECT_EQ(out.sent, (Sent{{0x90, 52, 0x64}}));
    EXPECT_TRUE(keyboard.holdsLetter('C'));
}

TEST_F(NoteKeyboardPlays, F7AndF8ShiftAnOctaveAndAHeldKeyStopsTheNoteItStarted) {
    // GIVEN X held at D2
    NoteKeyboard keyboard(state);
    keyboard.letterDown('X');
    // WHEN the octave goes up with F8 and X is released, then pressed again
    EXPECT_TRUE(keyboard.octaveKey(kOctaveUpKey));
    EXPECT_EQ(keyboard.rangeText(), "C3〜C6");
    keyboard.letterUp('X');
    keyboard.letterDown('X');
    // THEN the release stops D2 and the new press plays D3
    EXPECT_EQ(out.sent, (Sent{{0x90, 50, 0x64}, {0x80, 50, 0}, {0x90, 62, 0x64}}));
    EXPECT_TRUE(keyboard.octaveKey(kOctaveDownKey));
    EXPECT_TRUE(keyboard.octaveKey(kOctaveDownKey));
    EXPECT_EQ(keyboard.lowestNote(), 36);
    EXPECT_FALSE(keyboard.octaveKey('Z'));
}

TEST_F(NoteKeyboardPlays, TheOctaveStopsAtTheEndsOfTheMidiRange) {
    NoteKeyboard keyboard(state);
    while (keyboard.octaveDown()) {
    }
    EXPECT_EQ(keyboard.lowestNote(), 0);
    EXPECT_FALSE(keyboard.canShiftDown());
    while (keyboard.octaveUp()) {
    }
    EXPECT_EQ(keyboard.lowestNote(), 84);
    EXPECT_EQ(keyboard.highestNote(), 120);
    EXPECT_FALSE(keyboard.canShiftUp());
    // The highest letter, P, is still a note.
    keyboard.letterDown('P');
    EXPECT_EQ(out.sent, (Sent{{0x90, 112, 0x64}}));
}

TEST_F(NoteKeyboardPlays, TheMouseSlidesFromKeyToKeyAndOffTheKeys) {
    NoteKeyboard keyboard(state);
    keyboard.pointerDown(60);
    keyboard.pointerMove(60); // still on the same key
    keyboard.pointerMove(62);
    keyboard.pointerMove(std::nullopt); // off the keys
    keyboard.pointerMove(64);
    keyboard.pointerUp();
    EXPECT_EQ(out.sent, (Sent{{0x90, 60, 0x64},
                              {0x80, 60, 0},
                              {0x90, 62, 0x64},
                              {0x80, 62, 0},
                              {0x90, 64, 0x64},
                              {0x80, 64, 0}}));
}

TEST_F(NoteKeyboardPlays, ReleaseAllStopsTheMouseAndTheLettersAndLaterReleasesSendNothing) {
    NoteKeyboard keyboard(state);
    keyboard.pointerDown(70);
    keyboard.letterDown('Z');
    keyboard.releaseAll();
    EXPECT_EQ(out.sent, (Sent{{0x90, 70, 0x64}, {0x90, 48, 0x64}, {0x80, 48, 0}, {0x80, 70, 0}}));
    EXPECT_FALSE(keyboard.letterUp('Z'));
    keyboard.pointerUp();
    EXPECT_EQ(out.sent.size(), 4u);
}

// --- The MIDI keyboard's port -------------------------------------------------------

struct NoteInputPorts : Notes {
    std::vector<std::string> made;
    TestInPort *port = nullptr; // the port last made, owned by the input
    bool opens = true;
    NoteInput input{state, [this](const std::string &name) -> std::unique_ptr<MidiInPort> {
                        made.push_back(name);
                        auto p = std::make_unique<TestInPort>();
                        p->openResult = opens;
                        port = p.get();
                        return p;
                    }};
};

TEST_F(NoteInputPorts, WhatTheKeyboardPlaysReachesTheOutputOnChannel1AtThePump) {
    // GIVEN a MIDI keyboard chosen
    ASSERT_TRUE(input.choose("Keystation:0"));
    EXPECT_EQ(input.current(), "Keystation:0");
    EXPECT_EQ(made, (std::vector<std::string>{"Keystation:0"}));
    // WHEN it plays on channel 3 (a program change and a dump among the notes)
    port->receive(Bytes{0x92, 60, 80});
    port->receive(Bytes{0xC2, 7});
    port->receiveLong(Bytes{0xF0, 0x43, 0x10, 0xF7});
    port->receive(Bytes{0x82, 60, 40});
    EXPECT_TRUE(out.sent.empty()); // nothing before the GUI thread takes it
    EXPECT_TRUE(input.pump());
    // THEN only the notes go out, on channel 1
    EXPECT_EQ(out.sent, (Sent{{0x90, 60, 80}, {0x80, 60, 0}}));
    EXPECT_FALSE(input.pump());
}

TEST_F(NoteInputPorts, TheWakeUpIsCalledForEachMessageQueued) {
    int wakes = 0;
    input.setWakeUp([&wakes] { ++wakes; });
    ASSERT_TRUE(input.choose("kbd"));
    const int afterOpen = wakes;
    port->receive(Bytes{0x90, 60, 80});
    EXPECT_EQ(wakes, afterOpen + 1);
}

TEST_F(NoteInputPorts, ChoosingNoneOrAnotherPortStopsTheHeldNotesAndClosesThePort) {
    ASSERT_TRUE(input.choose("one"));
    port->receive(Bytes{0x90, 60, 80});
    input.pump();
    ASSERT_TRUE(input.choose(""));
    EXPECT_EQ(input.current(), "");
    EXPECT_EQ(out.sent, (Sent{{0x90, 60, 80}, {0x80, 60, 0}}));
    EXPECT_FALSE(input.pump());
}

TEST_F(NoteInputPorts, APortThatDoesNotOpenLeavesNoneListenedTo) {
    ASSERT_TRUE(input.choose("one"));
    opens = false;
    EXPECT_FALSE(input.choose("two"));
    EXPECT_EQ(input.current(), "");
    EXPECT_EQ(made, (std::vector<std::string>{"one", "two"}));
}

} // namespace
} // namespace vox::test
