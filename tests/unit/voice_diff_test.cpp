// The parameters in which two voices differ, named, with both values as the
// editor shows them. Expected texts are the display forms of the facts
// (break point 39 'C 3', wave 0 ' TRI', fixed coarse 1 '10' ...).
#include "voice/init_voice.h"
#include "voice/voice_diff.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

using namespace vox;

namespace {

struct Setting {
    int parameter, value;
};

struct DiffCase {
    const char *what;
    int parameter, a, b;
    std::vector<Setting> both; // set alike in both voices first
    const char *name, *shownA, *shownB;
};

Slot With(Slot voice, const std::vector<Setting> &settings) {
    for (const Setting &s : settings)
        voice[ParamPos(s.parameter)] = static_cast<Byte>(s.value);
    return voice;
}

class VoiceDifferencesCase : public ::testing::TestWithParam<DiffCase> {};

TEST_P(VoiceDifferencesCase, GivenOneParameterChangedThenItIsTheOneDifferenceInTheEditorsForm) {
    const DiffCase &c = GetParam();
    const Slot base = With(InitialVoice(), c.both);
    const Slot a = With(base, {{c.parameter, c.a}});
    const Slot b = With(base, {{c.parameter, c.b}});
    const std::vector<VoiceDifference> expected{{c.parameter, c.name, c.shownA, c.shownB}};
    EXPECT_EQ(VoiceDifferences(a, b), expected);
}

constexpr int Op(int op, OpParam k) { return OpParamNumber(op, k); }

INSTANTIATE_TEST_SUITE_P(
    VoiceDifferences, VoiceDifferencesCase,
    ::testing::Values(
        DiffCase{"level", Op(1, OpParam::OutputLevel), 99, 80, {}, "OP1 output level", "99", "80"},
        DiffCase{"algorithm counts from 1", param::Algorithm, 21, 4, {}, "Algorithm", "22", "5"},
        DiffCase{"break point", Op(3, OpParam::BreakPoint), 39, 15, {}, "OP3 break point", "C 3", "C 1"},
        DiffCase{"curve", Op(6, OpParam::LeftCurve), 0, 3, {}, "OP6 left curve", "-LIN", "+LIN"},
        DiffCase{"detune", Op(2, OpParam::Detune), 7, 14, {}, "OP2 detune", "0", "+7"},
        DiffCase{"wave without its padding", param::LfoWave, 0, 4, {}, "LFO wave", "TRI", "SINE"},
        DiffCase{"LFO key sync", param::LfoKeySync, 0, 1, {}, "LFO key sync", "OFF", "ON"},
        DiffCase{"osc key sync", param::OscKeySync, 1, 0, {}, "Osc key sync", "Ｏ　Ｎ", "ＯＦＦ"},
        DiffCase{"transpose", param::Transpose, 24, 13, {}, "Transpose", "C 3", "C# 2"},
        DiffCase{"osc mode",
                 Op(1, OpParam::OscMode),
                 0,
                 1,
                 {{Op(1, OpParam::FreqCoarse), 1}, {Op(1, OpParam::FreqFine), 0}},
                 "OP1 osc mode",
                 "R",
                 "F"},
        DiffCase{"ratio coarse as the frequency",
                 Op(4, OpParam::FreqCoarse),
                 3,
                 0,
                 {{Op(4, OpParam::OscMode), 0}, {Op(4, OpParam::FreqFine), 7}},
                 "OP4 freq coarse",
                 "3.21",
                 "0.535"},
        DiffCase{"fixed coarse 1 and 5 look alike",
                 Op(5, OpParam::FreqCoarse),
                 1,
                 5,
                 {{Op(5, OpParam::OscMode), 1}, {Op(5, OpParam::FreqFine), 0}},
                 "OP5 freq coarse",
                 "10 (1)",
                 "10 (5)"},
        DiffCase{"name character", param::Name1 + 2, 'I', 'X', {}, "Name character 3", "I", "X"},
        DiffCase{"out of range, marked", param::LfoWave, 7, 0, {}, "LFO wave", "7!", "TRI"}),
    [](const auto &info) {
        std::string name;
        for (const char *c = info.param.what; *c; ++c)
            name.push_back(std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_');
        return name;
    });

TEST(VoiceDifferences, GivenTheSameValuesThenNothingDiffersEvenWhereOnlyBit7Does) {
    // GIVEN a voice and a copy whose bytes differ only in bit 7, which no
    // cable carries
    const Slot a = InitialVoice();
    Slot b = a;
    b[ParamPos(param::Feedback)] |= 0x80;
    b[ParamPos(param::Name1)] |= 0x80;
    // THEN the voices do not differ
    EXPECT_TRUE(VoiceDifferences(a, a).empty());
    EXPECT_TRUE(VoiceDifferences(a, b).empty());
}

} // namespace
