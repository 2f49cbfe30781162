// One voice printed for the command line, as the chart shows it.
#include "editor/voice_show.h"
#include "voice/init_voice.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace vox;

namespace {

Slot TestVoice() {
    Slot v = InitialVoice();
    v[ParamPos(param::Algorithm)] = 31;
    v[ParamPos(param::LfoWave)] = 4;
    v[ParamPos(OpParamNumber(1, OpParam::OscMode))] = 1;
    v[ParamPos(OpParamNumber(1, OpParam::FreqCoarse))] = 2;
    v[ParamPos(OpParamNumber(1, OpParam::FreqFine))] = 1;
    v[ParamPos(OpParamNumber(1, OpParam::Detune))] = 10;
    v[ParamPos(OpParamNumber(6, OpParam::RightCurve))] = 2;
    v[ParamPos(OpParamNumber(6, OpParam::OutputLevel))] = 77;
    return v;
}

} // namespace

TEST(ShowVoiceJson, GivenAVoiceThenFieldsCarryTheChartTextsInOperatorOrder) {
    const auto j = nlohmann::json::parse(ShowVoiceJson(TestVoice()));
    EXPECT_EQ(j["algorithm"], 32);
    EXPECT_EQ(j["lfo_wave"], "SINE");
    EXPECT_EQ(j["osc_key_sync"], "Ｏ　Ｎ");
    EXPECT_EQ(j["lfo_sync"], "ON");
    EXPECT_EQ(j["transpose"], "C 3");
    EXPECT_EQ(j["pitch_eg"]["levels"], nlohmann::json({50, 50, 50, 50}));
    EXPECT_EQ(j["name_bytes"][0], 'I');
    EXPECT_EQ(j["name_bytes"].size(), 10u);
    ASSERT_EQ(j["operators"].size(), 6u);
    const auto& op1 = j["operators"][0];
    EXPECT_EQ(op1["operator"], 1);
    EXPECT_EQ(op1["mode"], "F");
    EXPECT_EQ(op1["frequency"], "102.3");
    EXPECT_EQ(op1["detune"], "+3");
    EXPECT_EQ(op1["break_point"], "C 3");
    EXPECT_EQ(op1["output_level"], 99);
    const auto& op6 = j["operators"][5];
    EXPECT_EQ(op6["operator"], 6);
    EXPECT_EQ(op6["right_curve"], "+EXP");
    EXPECT_EQ(op6["output_level"], 77);
    EXPECT_EQ(op6["frequency"], "1");
}

TEST(ShowVoiceText, GivenAVoiceThenOperatorSixComesFirstAsInTheChart) {
    const std::string text = ShowVoiceText(TestVoice());
    EXPECT_NE(text.find("NAME      INIT VOICE\n"), std::string::npos);
    EXPECT_NE(text.find("ALGORITHM 32"), std::string::npos);
    const auto six = text.find("\n6 0 R 1 0 ");
    const auto one = text.find("\n1 0 F 102.3 +3 ");
    ASSERT_NE(six, std::string::npos);
    ASSERT_NE(one, std::string::npos);
    EXPECT_LT(six, one);
}
