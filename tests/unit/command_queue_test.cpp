// The command ring to the audio thread when the audio thread falls behind:
// what the engine ends up holding must be what the program last said,
// except for notes the program started while the ring was full.
#include "synth/command_queue.h"

#include <gtest/gtest.h>

#include <bitset>
#include <map>
#include <memory>

namespace vox {
namespace {

using Kind = SynthCommand::Kind;

SynthCommand Note(Kind kind, int note, int velocity = 100) {
    SynthCommand c;
    c.kind = kind;
    c.note = static_cast<Byte>(note);
    c.velocity = static_cast<Byte>(velocity);
    return c;
}
SynthCommand Parameter(int parameter, int value) {
    SynthCommand c;
    c.kind = Kind::SetParameter;
    c.parameter = static_cast<Byte>(parameter);
    c.value = static_cast<Byte>(value);
    return c;
}
SynthCommand Voice(Byte fill, Byte switches) {
    SynthCommand c;
    c.kind = Kind::SetVoice;
    c.voice.fill(fill);
    c.operatorSwitches = switches;
    return c;
}

// What an engine holds after the commands, reckoned apart from the queue:
// one voice per key (a note-on of a held key strikes it again).
struct Heard {
    std::bitset<128> held;
    std::array<int, 156> parameters{};
    std::map<std::pair<Kind, int>, int> played; // (kind, function or control) -> value
    int commands = 0;
    void operator()(const SynthCommand &c) {
        ++commands;
        switch (c.kind) {
        case Kind::NoteOn:
            held[c.note] = c.velocity != 0;
            break;
        case Kind::NoteOff:
            held[c.note] = false;
            break;
        case Kind::AllNotesOff:
            held.reset();
            break;
        case Kind::SetVoice:
            for (std::size_t p = 0; p < kParamCount; ++p)
                parameters[p] = c.voice[p];
            parameters[155] = c.operatorSwitches;
            break;
        case Kind::SetParameter:
            parameters[c.parameter] = c.value;
            break;
        case Kind::SetFunction:
        case Kind::Controller:
        case Kind::PitchBend:
        case Kind::Aftertouch:
            played[{c.kind, c.parameter}] = c.value;
            break;
        }
    }
};

struct FullRing : ::testing::Test {
    std::unique_ptr<SynthCommandQueue> queue = std::make_unique<SynthCommandQueue>();
    Heard heard;
    // GIVEN the audio thread stalled with the ring full of note-ons
    void SetUp() override {
        for (std::size_t i = 0; i < SynthCommandQueue::kCapacity; ++i)
            ASSERT_TRUE(queue->push(Note(Kind::NoteOn, static_cast<int>(i % 128))));
    }
};

TEST_F(FullRing, NoteOffsAndParameterChangesBeyondItAreAppliedAfterItInTheirLastState) {
    // WHEN note-offs (one as velocity 0), a note-on and changes come on top
    EXPECT_TRUE(queue->push(Note(Kind::NoteOff, 60, 0)));
    EXPECT_TRUE(queue->push(Note(Kind::NoteOn, 62, 0)));
    EXPECT_FALSE(queue->push(Note(Kind::NoteOn, 61))) << "a note-on with no room is dropped";
    EXPECT_TRUE(queue->push(Parameter(134, 5))); // algorithm
    EXPECT_TRUE(queue->push(Parameter(134, 7)));
    EXPECT_TRUE(queue->push(Parameter(155, 0x21)));
    queue->drain(std::ref(heard));
    // THEN both keys are released, the other notes still held, the last values taken
    std::bitset<128> expected;
    expected.set();
    expected[60] = expected[62] = false;
    EXPECT_EQ(heard.held, expected);
    EXPECT_EQ(heard.parameters[134], 7);
    EXPECT_EQ(heard.parameters[155], 0x21);
    EXPECT_TRUE(queue->empty());
    // AND what follows goes through the ring again, after all of it
    EXPECT_TRUE(queue->push(Note(Kind::NoteOn, 60)));
    queue->drain(std::ref(heard));
    EXPECT_TRUE(heard.held[60]);
}

TEST_F(FullRing, AWholeVoiceAndAllNotesOffBeyondItArriveAsOneVoiceAndNoNoteHeld) {
    // WHEN a voice, a change to it and all notes off come on top
    EXPECT_TRUE(queue->push(Voice(9, 0x3F)));
    EXPECT_TRUE(queue->push(Parameter(0, 42)));
    EXPECT_TRUE(queue->push(Note(Kind::AllNotesOff, 0)));
    queue->drain(std::ref(heard));
    // THEN no note is held, and the voice arrived once with the change in it
    EXPECT_TRUE(heard.held.none());
    EXPECT_EQ(heard.commands, static_cast<int>(SynthCommandQueue::kCapacity) + 2)
        << "the ring, all notes off, one whole voice";
    EXPECT_EQ(heard.parameters[0], 42);
    EXPECT_EQ(heard.parameters[154], 9);
    EXPECT_EQ(heard.parameters[155], 0x3F);
}

TEST_F(FullRing, FunctionSettingsBendAndControllersBeyondItArriveInTheirLastState) {
    auto play = [](Kind kind, int parameter, int value) {
        SynthCommand c = Parameter(parameter, value);
        c.kind = kind;
        return c;
    };
    // WHEN the bend range, the bend, the wheel and the pressure change twice each on top
    for (int value : {3, 12}) {
        EXPECT_TRUE(queue->push(play(Kind::SetFunction, 65, value)));
        EXPECT_TRUE(queue->push(play(Kind::PitchBend, 0, value + 60)));
        EXPECT_TRUE(queue->push(play(Kind::Controller, 1, value + 1)));
        EXPECT_TRUE(queue->push(play(Kind::Aftertouch, 0, value + 2)));
    }
    queue->drain(std::ref(heard));
    // THEN each arrives once, with its last value
    const std::map<std::pair<Kind, int>, int> expected{{{Kind::SetFunction, 65}, 12},
                                                       {{Kind::PitchBend, 0}, 72},
                                                       {{Kind::Controller, 1}, 13},
                                                       {{Kind::Aftertouch, 0}, 14}};
    EXPECT_EQ(heard.played, expected);
    EXPECT_EQ(heard.commands, static_cast<int>(SynthCommandQueue::kCapacity) + 4);
}

} // namespace
} // namespace vox
