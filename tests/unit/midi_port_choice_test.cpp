// The MIDI menu's reports: a port chosen that did not open is said so,
// naming it, with what is open now.
#include "librarian/form1.h"
#include "midi/midi_input.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace vox::test {
namespace {

using Lines = std::vector<std::string>;

struct MidiPortChoice : ::testing::Test {
    ProgramFixture f;
    Form1 &form1 = f.program.form1;
};

TEST_F(MidiPortChoice, APortThatOpenedIsNotReported) {
    // WHEN the chosen output opened THEN no box
    form1.midiPortChosen(MidiDirection::Out, "Synth Port A", true, "Synth Port A");
    EXPECT_TRUE(f.host.boxes.empty());
}

TEST_F(MidiPortChoice, OutputThatFailedWithThePreviousOneKeptNamesBoth) {
    // WHEN "Synth Port B" did not open and "Synth Port A" is connected again
    form1.midiPortChosen(MidiDirection::Out, "Synth Port B", false, "Synth Port A");
    // THEN one box names the port that failed and the one in use
    ASSERT_EQ(f.host.boxes.size(), 1u);
    EXPECT_EQ(f.host.boxes[0].text,
              "MIDI出力ポート「Synth Port B」を開けませんでした。これまでどおり「Synth Port A」を使います。");
    EXPECT_EQ(f.host.boxes[0].icon, MsgIcon::Exclamation);
}

TEST_F(MidiPortChoice, OutputThatFailedWithNothingOpenSaysTheOutputIsClosed) {
    form1.midiPortChosen(MidiDirection::Out, "Synth Port B", false, "");
    EXPECT_EQ(f.host.boxTexts(),
              Lines{"MIDI出力ポート「Synth Port "
                    "B」を開けませんでした。MIDI出力は閉じています。DX7には何も送られません。"});
}

TEST_F(MidiPortChoice, InputThatFailedWithNothingConnectedIsClosedSoStartOpensItAgain) {
    // GIVEN the input running after start-up
    form1.startInputAtLoad();
    ASSERT_EQ(form1.command2Caption, "停止");
    // WHEN another input was chosen, did not open, and nothing is connected
    form1.midiPortChosen(MidiDirection::In, "Keyboard", false, "");
    // THEN the box says so, the port is closed and the button offers 開始
    EXPECT_EQ(f.host.boxTexts(), Lines{"MIDI入力ポート「Keyboard」を開けませんでした。MIDI入力は閉じています"
                                       "。DX7からは何も受信できません。"});
    EXPECT_FALSE(f.in.isOpen());
    EXPECT_EQ(form1.command2Caption, "開始");
    // ... and 開始 opens it again without a close error
    form1.command2Click();
    EXPECT_TRUE(f.in.isOpen());
    EXPECT_EQ(form1.command2Caption, "停止");
    EXPECT_EQ(f.host.boxes.size(), 1u);
}

TEST_F(MidiPortChoice, InputThatFailedWithThePreviousOneKeptLeavesItRunning) {
    form1.startInputAtLoad();
    form1.midiPortChosen(MidiDirection::In, "Keyboard", false, "DX7 In");
    EXPECT_EQ(f.host.boxTexts(),
              Lines{"MIDI入力ポート「Keyboard」を開けませんでした。これまでどおり「DX7 In」を使います。"});
    EXPECT_TRUE(f.in.isOpen());
    EXPECT_EQ(form1.command2Caption, "停止");
}

} // namespace
} // namespace vox::test
