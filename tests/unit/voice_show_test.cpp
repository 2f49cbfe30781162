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
    const auto &op1 = j["operators"][0];
    EXPECT_EQ(op1["operator"], 1);
    EXPECT_EQ(op1["mode"], "F");
    EXPECT_EQ(op1["frequency"], "102.3");
    EXPECT_EQ(op1["detune"], "+3");
    EXPECT_EQ(op1["break_point"], "C 3");
    EXPECT_EQ(op1["output_level"], 99);
    const auto &op6 = j["operators"][5];
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

TEST(ShowVoice, GivenBytesOutsideTheirRangesThenTheyShowAsTheInstrumentGetsThem) {
    Slot v = InitialVoice();
    v[ParamPos(param::LfoSpeed)] = 143;                        // bit 7: 15 on the wire
    v[ParamPos(param::Transpose)] = 99;                        // above 48
    v[ParamPos(param::LfoKeySync)] = 2;                        // above 1
    v[ParamPos(OpParamNumber(1, OpParam::OscMode))] = 2;       // above 1
    v[ParamPos(OpParamNumber(1, OpParam::LeftCurve))] = 0x85;  // 5 with bit 7: above 3
    v[ParamPos(OpParamNumber(1, OpParam::OutputLevel))] = 120; // above 99
    v[kNamePos] = 0xC9;                                        // 'I' with bit 7
    const auto j = nlohmann::json::parse(ShowVoiceJson(v));
    EXPECT_EQ(j["lfo_speed"], 15);
    EXPECT_EQ(j["transpose"], "D# 9"); // key 99: D#, octave 99 / 12 + 1
    EXPECT_EQ(j["lfo_sync"], "2!");
    const auto &op1 = j["operators"][0];
    EXPECT_EQ(op1["mode"], "2!");
    EXPECT_EQ(op1["left_curve"], "5"); // 0x85 is 5 on the wire, above 3
    EXPECT_EQ(op1["output_level"], 120);
    EXPECT_EQ(j["name_bytes"][0], 0xC9) << "the bytes as stored";
    const std::string text = ShowVoiceText(v);
    EXPECT_NE(text.find("NAME      INIT VOICE\n"), std::string::npos) << text;
    EXPECT_NE(text.find("SPD 15 "), std::string::npos) << text;
    EXPECT_NE(text.find("KEY D# 9!"), std::string::npos) << text;
    EXPECT_NE(text.find(" 5! "), std::string::npos) << "the curve, marked: " << text;
}
