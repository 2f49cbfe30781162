// The virtual DX7's sound: which engine commands each MIDI message the
// instrument takes becomes, and that nothing it refuses becomes any.
#include "../common/test_files.h"
#include "midi/virtual_dx7.h"
#include "synth/dx7_sound.h"
#include "voice/bank_format.h"
#include "voice/dx7_messages.h"
#include "voice/init_voice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace vox {
namespace {

using Bytes = std::vector<Byte>;
using Kind = SynthCommand::Kind;

VoiceParams ParamsOf(const Slot &slot) {
    VoiceParams p{};
    std::copy_n(slot.begin() + kParamBase, kParamCount, p.begin());
    return p;
}

// A bank of 32 voices that differ from each other and from the initial
// voice: a name of its own and an algorithm of its own each.
VoiceTable NumberedBank() {
    VoiceTable table;
    for (std::size_t v = 1; v <= kBankSlots; ++v) {
        Slot s = InitialVoice();
        s[ParamPos(param::Algorithm)] = static_cast<Byte>(v - 1);
        s[ParamPos(param::Feedback)] = static_cast<Byte>(v % 8);
        s[kNamePos] = static_cast<Byte>('A' + v % 26);
        s[kChecksumPos] = VoiceChecksum(s);
        s[kEndPos] = kSysExEnd;
        table[v] = s;
    }
    return table;
}

Bytes BulkOf(const VoiceTable &table) {
    const BulkMessage m = BuildBulkMessage(table);
    return {m.begin(), m.end()};
}

Bytes DumpOf(const Slot &slot) {
    const VoiceDump d = BuildVoiceDump(slot);
    return {d.begin(), d.end()};
}

Bytes ParamChange(int parameter, int value) {
    const ParameterChange m = ParameterChangeMessage(parameter, value);
    return {m.begin(), m.end()};
}

// GIVEN the virtual DX7 holding a known bank, its sound's commands recorded.
class Dx7SoundTest : public ::testing::Test {
protected:
    std::vector<SynthCommand> commands;
    VirtualDx7 dx7;
    Dx7Sound sound{[this](const SynthCommand &c) { commands.push_back(c); }};
    VoiceTable bank = NumberedBank();

    void SetUp() override {
        dx7.setEventSink([this](const Dx7Event &e) { sound.hear(e); });
        ASSERT_TRUE(send(BulkOf(bank))) << dx7.lastRefusal();
        ASSERT_TRUE(commands.empty()) << "the internal memory alone sounds nothing";
    }
    // WHEN the instrument is sent a message; true when it took it.
    bool send(const Bytes &message) {
        const int refused = dx7.refusals();
        dx7.receive(message);
        return dx7.refusals() == refused;
    }
    VoiceParams editBuffer() const { return dx7.editParams(); }
    VoiceParams internalVoice(int program) const { return ParamsOf(dx7.internalVoice(program)); }
    // THEN the instrument refused it and its sound heard nothing.
    void expectRefused(const Bytes &message, const char *what) {
        const VoiceParams edit = editBuffer();
        EXPECT_FALSE(send(message)) << what;
        EXPECT_TRUE(commands.empty()) << what;
        EXPECT_EQ(editBuffer(), edit) << what;
    }
};

TEST_F(Dx7SoundTest, NotesOnChannelOneBecomeNoteCommands) {
    // WHEN a note on, a note on of velocity 0 and a note off arrive
    EXPECT_TRUE(send({0x90, 60, 100}));
    EXPECT_TRUE(send({0x90, 60, 0}));
    EXPECT_TRUE(send({0x80, 64, 40}));
    // THEN the engine is told to start 60, stop 60 and stop 64
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[0].kind, Kind::NoteOn);
    EXPECT_EQ(commands[0].note, 60);
    EXPECT_EQ(commands[0].velocity, 100);
    EXPECT_EQ(commands[1].kind, Kind::NoteOff);
    EXPECT_EQ(commands[1].note, 60);
    EXPECT_EQ(commands[2].kind, Kind::NoteOff);
    EXPECT_EQ(commands[2].note, 64);
}

TEST_F(Dx7SoundTest, AllNotesOffControllersStopEveryNote) {
    EXPECT_TRUE(send({0xB0, 123, 0}));
    EXPECT_TRUE(send({0xB0, 120, 0}));
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].kind, Kind::AllNotesOff);
    EXPECT_EQ(commands[1].kind, Kind::AllNotesOff);
}

TEST_F(Dx7SoundTest, ChannelMessagesTheInstrumentDoesNotTakeSoundNothing) {
    expectRefused({0x91, 60, 100}, "note on channel 2");
    expectRefused({0x8F, 60, 0}, "note off channel 16");
    expectRefused({0x90, 60}, "note on cut short");
    expectRefused({0x90, 60, 100, 5}, "note on too long");
    expectRefused({0x90, 0x80, 100}, "note number with bit 7");
    expectRefused({0xB0, 7, 100}, "volume controller");
    expectRefused({0xE1, 0, 64}, "pitch bend on channel 2");
    expectRefused({0xB0, 64, 127}, "sustain (not taken here)");
    expectRefused({0xC1, 3}, "program change channel 2");
    expectRefused({0xC0, 32}, "program 33");
    expectRefused({0xC0, 3, 4}, "program change too long");
    expectRefused({60, 100}, "data bytes without status");
    expectRefused({}, "empty");
}

TEST_F(Dx7SoundTest, PlayingMessagesAndFunctionSettingsReachTheEngine) {
    struct Case {
        Bytes message;
        Kind kind;
        int parameter, value;
    };
    const Case cases[] = {
        {{0xE0, 0x11, 0x50}, Kind::PitchBend, 0, 0x50}, // the LSB is not read
        {{0xB0, 1, 99}, Kind::Controller, 1, 99},       // mod wheel
        {{0xB0, 2, 10}, Kind::Controller, 2, 10},       // breath
        {{0xB0, 4, 127}, Kind::Controller, 4, 127},     // foot
        {{0xB0, 65, 127}, Kind::Controller, 65, 127},   // portamento switch
        {{0xD0, 77}, Kind::Aftertouch, 0, 77},
        {{0xF0, 0x43, 0x10, 0x08, 0x40, 0x01, 0xF7}, Kind::SetFunction, 64, 1},  // mono
        {{0xF0, 0x43, 0x10, 0x08, 0x41, 0x0C, 0xF7}, Kind::SetFunction, 65, 12}, // bend range 12
        {{0xF0, 0x43, 0x10, 0x08, 0x45, 0x63, 0xF7}, Kind::SetFunction, 69, 99}, // portamento time
        {{0xF0, 0x43, 0x10, 0x08, 0x4D, 0x07, 0xF7}, Kind::SetFunction, 77, 7},  // aftertouch assign
    };
    const VoiceParams before = editBuffer();
    for (const Case &c : cases) {
        commands.clear();
        EXPECT_TRUE(send(c.message)) << dx7.lastRefusal();
        ASSERT_EQ(commands.size(), 1u);
        EXPECT_EQ(commands[0].kind, c.kind);
        EXPECT_EQ(commands[0].parameter, c.parameter);
        EXPECT_EQ(commands[0].value, c.value);
    }
    EXPECT_EQ(dx7.functionSettings().get(FunctionParam::BendRange), 12);
    EXPECT_EQ(sound.functionSettings().get(FunctionParam::AftertouchAssign), 7);
    EXPECT_EQ(editBuffer(), before) << "function settings are not part of the voice";
}

TEST_F(Dx7SoundTest, ProgramChangeSoundsTheInternalVoice) {
    // WHEN program 5 is chosen
    EXPECT_TRUE(send({0xC0, 5}));
    // THEN the edit buffer holds internal voice 6 and the engine gets it whole
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].kind, Kind::SetVoice);
    EXPECT_EQ(commands[0].voice, ParamsOf(bank[6]));
    EXPECT_EQ(commands[0].operatorSwitches, 0x3F);
    EXPECT_EQ(editBuffer(), ParamsOf(bank[6]));
    EXPECT_EQ(sound.voice(), ParamsOf(bank[6]));
    EXPECT_EQ(internalVoice(5), ParamsOf(bank[6]));
}

TEST_F(Dx7SoundTest, SingleVoiceDumpSoundsAtOnce) {
    Slot voice = InitialVoice();
    voice[ParamPos(param::Algorithm)] = 21;
    voice[ParamPos(OpParamNumber(2, OpParam::OutputLevel))] = 77;
    // WHEN the voice comes as a single-voice dump
    EXPECT_TRUE(send(DumpOf(voice)));
    // THEN the engine gets it, and the internal memory is unchanged
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].kind, Kind::SetVoice);
    EXPECT_EQ(commands[0].voice, ParamsOf(voice));
    EXPECT_EQ(editBuffer(), ParamsOf(voice));
    EXPECT_EQ(internalVoice(0), ParamsOf(bank[1]));
}

TEST_F(Dx7SoundTest, BrokenOrForeignDumpsSoundNothing) {
    const Bytes good = DumpOf(InitialVoice());
    Bytes badSum = good;
    badSum[kChecksumPos] = static_cast<Byte>((badSum[kChecksumPos] + 1) & 0x7F);
    expectRefused(badSum, "checksum off by one");
    Bytes channel2 = good;
    channel2[2] = 0x01;
    expectRefused(channel2, "dump on channel 2");
    Bytes otherMaker = good;
    otherMaker[1] = 0x41;
    expectRefused(otherMaker, "another maker's System Exclusive");
    Bytes count = good;
    count[5] = 0x1C;
    expectRefused(count, "byte count wrong");
    expectRefused(Bytes(good.begin(), good.end() - 1), "without F7");
    Bytes cut(good.begin(), good.begin() + 100);
    cut.push_back(kSysExEnd);
    expectRefused(cut, "cut short");
    Bytes high = good;
    high[ParamPos(3)] = 0x85;
    expectRefused(high, "data byte with bit 7");
}

TEST_F(Dx7SoundTest, ParameterChangeChangesOneParameter) {
    const int level = OpParamNumber(1, OpParam::OutputLevel);
    // WHEN operator 1's output level and the transpose change
    EXPECT_TRUE(send(ParamChange(level, 42)));
    EXPECT_TRUE(send(ParamChange(param::Transpose, 30)));
    // THEN the engine gets each parameter and the edit buffer holds them
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].kind, Kind::SetParameter);
    EXPECT_EQ(commands[0].parameter, level);
    EXPECT_EQ(commands[0].value, 42);
    EXPECT_EQ(commands[1].parameter, param::Transpose);
    EXPECT_EQ(commands[1].value, 30);
    EXPECT_EQ(editBuffer()[static_cast<std::size_t>(level)], 42);
    EXPECT_EQ(editBuffer()[param::Transpose], 30);
}

TEST_F(Dx7SoundTest, OperatorSwitchesStayThroughProgramChanges) {
    // WHEN operators 1 and 3 are switched off (parameter 155, in the
    // number's top bits: byte 3 = 01, byte 4 = 1B)
    EXPECT_TRUE(send({0xF0, 0x43, 0x10, 0x01, 0x1B, 0x2B, 0xF7}));
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].kind, Kind::SetParameter);
    EXPECT_EQ(commands[0].parameter, 155);
    EXPECT_EQ(commands[0].value, 0x2B);
    // THEN a later program change sends the voice with those switches
    EXPECT_TRUE(send({0xC0, 2}));
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[1].operatorSwitches, 0x2B);
    EXPECT_EQ(sound.operatorSwitches(), 0x2B);
    EXPECT_EQ(dx7.operatorSwitches(), 0x2B);
}

TEST_F(Dx7SoundTest, ParameterChangesTheInstrumentRefusesSoundNothing) {
    expectRefused({0xF0, 0x43, 0x10, 0x08, 0x00, 0x01, 0xF7}, "a panel button (group 2, below 64)");
    expectRefused({0xF0, 0x43, 0x10, 0x08, 0x45, 0x64, 0xF7}, "portamento time 100");
    expectRefused({0xF0, 0x43, 0x10, 0x01, 0x1C, 0x00, 0xF7}, "parameter 156");
    expectRefused({0xF0, 0x43, 0x10, 0x01, 0x1B, 0x40, 0xF7}, "operator switches above 3F");
    expectRefused(ParamChange(param::Algorithm, 32), "algorithm 33");
    expectRefused({0xF0, 0x43, 0x11, 0x00, 0x10, 0x05, 0xF7}, "channel 2");
    expectRefused({0xF0, 0x43, 0x10, 0x00, 0x10, 0x05, 0x00, 0xF7}, "one byte too many");
    expectRefused({0xF0, 0x43, 0x10, 0x00, 0x10, 0xF7}, "one byte short");
}

TEST_F(Dx7SoundTest, BulkDumpFillsTheInternalMemoryOnly) {
    EXPECT_TRUE(send({0xC0, 0}));
    commands.clear();
    VoiceTable other = NumberedBank();
    for (std::size_t v = 1; v <= kBankSlots; ++v)
        other[v][ParamPos(param::Transpose)] = static_cast<Byte>(v);
    // WHEN another bank arrives
    EXPECT_TRUE(send(BulkOf(other)));
    // THEN nothing sounds different yet: the edit buffer keeps its voice
    EXPECT_TRUE(commands.empty());
    EXPECT_EQ(editBuffer(), ParamsOf(bank[1]));
    // AND the next program change plays the new bank's voice
    EXPECT_TRUE(send({0xC0, 31}));
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].voice, ParamsOf(other[32]));
    EXPECT_EQ(commands[0].voice[param::Transpose], 32);
}

TEST_F(Dx7SoundTest, BrokenBulkDumpsLeaveTheMemoryAlone) {
    VoiceTable other = NumberedBank();
    other[4][ParamPos(param::Transpose)] = 1;
    const Bytes good = BulkOf(other);
    Bytes badSum = good;
    badSum[kBulkChecksumPos] = static_cast<Byte>((badSum[kBulkChecksumPos] + 1) & 0x7F);
    expectRefused(badSum, "bank checksum off by one");
    Bytes channel3 = good;
    channel3[2] = 0x02;
    expectRefused(channel3, "bank on channel 3");
    Bytes fourOp = good;
    fourOp[3] = 0x04;
    expectRefused(fourOp, "another format");
    Bytes cut(good.begin(), good.begin() + 2000);
    cut.push_back(kSysExEnd);
    expectRefused(cut, "cut short");
    EXPECT_EQ(internalVoice(3), ParamsOf(bank[4]));
}

TEST_F(Dx7SoundTest, ARealBankFileLoadsAsTheInstrumentTakesIt) {
    const Bytes file = test::ReadFileContents(std::filesystem::path(VOXMERE_TESTDATA) / "rom1a.syx");
    ASSERT_EQ(file.size(), kBulkMessageSize) << "rom1a.syx";
    EXPECT_TRUE(send(file));
    const BankImage image = ReadBankImage(file);
    ASSERT_TRUE(image.error.empty()) << image.error;
    for (std::size_t v = 0; v < kBankSlots; ++v) {
        Slot slot{};
        UnpackVoice(std::span<const Byte, kPackedVoiceSize>(image.packed.data() + v * kPackedVoiceSize,
                                                            kPackedVoiceSize),
                    slot);
        EXPECT_EQ(internalVoice(static_cast<int>(v)), ParamsOf(slot)) << "voice " << v + 1;
    }
}

TEST_F(Dx7SoundTest, PlayingAVoiceAgainSoundsItWithTheFunctionSettingsInForce) {
    EXPECT_TRUE(send({0xF0, 0x43, 0x10, 0x08, 0x41, 0x07, 0xF7})); // bend range 7
    commands.clear();
    const VoiceParams voice = ParamsOf(bank[9]);
    sound.playVoice(voice, 0x1E);
    ASSERT_EQ(commands.size(), 1u + kFunctionParamCount);
    EXPECT_EQ(commands[0].kind, Kind::SetVoice);
    EXPECT_EQ(commands[0].voice, voice);
    EXPECT_EQ(commands[0].operatorSwitches, 0x1E);
    EXPECT_EQ(commands[2].kind, Kind::SetFunction);
    EXPECT_EQ(commands[2].parameter, 65);
    EXPECT_EQ(commands[2].value, 7);
}

// GIVEN an engine told by the commands.
TEST(ApplySynthCommandTest, EachCommandReachesTheEngine) {
    FmEngine engine(48000.0);
    Slot voice = InitialVoice();
    voice[ParamPos(param::Algorithm)] = 4;
    SynthCommand setVoice;
    setVoice.kind = Kind::SetVoice;
    setVoice.voice = ParamsOf(voice);
    setVoice.operatorSwitches = 0x1F;
    ApplySynthCommand(engine, setVoice);
    EXPECT_EQ(engine.voice(), ParamsOf(voice));
    EXPECT_EQ(engine.operatorSwitches(), 0x1F);

    SynthCommand change;
    change.kind = Kind::SetParameter;
    change.parameter = param::Feedback;
    change.value = 6;
    ApplySynthCommand(engine, change);
    EXPECT_EQ(engine.voice()[param::Feedback], 6);

    SynthCommand on;
    on.kind = Kind::NoteOn;
    on.note = 60;
    on.velocity = 100;
    ApplySynthCommand(engine, on);
    on.note = 64;
    ApplySynthCommand(engine, on);
    EXPECT_EQ(engine.soundingNotes(), 2);
    // A note on of velocity 0 never starts a note.
    on.note = 67;
    on.velocity = 0;
    ApplySynthCommand(engine, on);
    EXPECT_EQ(engine.soundingNotes(), 2);
}

} // namespace
} // namespace vox
