// GIVEN / WHEN / THEN tests of the DX7 message builders: the bytes each
// message carries, and that the instrument model takes what is built.
#include "midi/virtual_dx7.h"
#include "voice/dx7_messages.h"
#include "voice/init_voice.h"

#include <gtest/gtest.h>

#include <vector>

namespace vox {
namespace {

using Bytes = std::vector<Byte>;

struct ParameterCase {
    int parameter;
    int value;
    Bytes message;
};

class ParameterChangeOf : public ::testing::TestWithParam<ParameterCase> {};

// GIVEN a voice parameter and a value WHEN its change is built THEN it is
// F0 43 10, the number's top bits, its low seven bits, the value, F7, and
// the instrument sets that parameter of its edit buffer.
TEST_P(ParameterChangeOf, CarriesTheNumberAndValueTheInstrumentTakes) {
    const ParameterCase &c = GetParam();
    const ParameterChange message = ParameterChangeMessage(c.parameter, c.value);
    EXPECT_EQ(Bytes(message.begin(), message.end()), c.message);

    VirtualDx7 dx7;
    dx7.receive(message);
    EXPECT_EQ(dx7.refusals(), 0) << dx7.lastRefusal();
    EXPECT_EQ(dx7.parameterChanges(), 1);
    if (c.parameter == kOperatorSwitchParam)
        EXPECT_EQ(dx7.operatorSwitches(), c.value);
    else
        EXPECT_EQ(dx7.editBuffer()[ParamPos(c.parameter)], c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Parameters, ParameterChangeOf,
    ::testing::Values(ParameterCase{0, 0, {0xF0, 0x43, 0x10, 0x00, 0x00, 0x00, 0xF7}},
                      ParameterCase{5, 99, {0xF0, 0x43, 0x10, 0x00, 0x05, 0x63, 0xF7}},
                      ParameterCase{127, 50, {0xF0, 0x43, 0x10, 0x00, 0x7F, 0x32, 0xF7}},
                      ParameterCase{128, 1, {0xF0, 0x43, 0x10, 0x01, 0x00, 0x01, 0xF7}},
                      ParameterCase{param::Transpose, 48, {0xF0, 0x43, 0x10, 0x01, 0x10, 0x30, 0xF7}},
                      ParameterCase{param::Name1, 127, {0xF0, 0x43, 0x10, 0x01, 0x11, 0x7F, 0xF7}},
                      ParameterCase{kOperatorSwitchParam, 0x15, {0xF0, 0x43, 0x10, 0x01, 0x1B, 0x15, 0xF7}}));

TEST(ParameterChange, NeverPutsBit7OnTheWire) {
    // GIVEN a value the editor never sends WHEN built THEN every data byte
    // stays 7-bit, so the message cannot end early on the wire.
    const ParameterChange message = ParameterChangeMessage(155, 0xFF);
    for (std::size_t i = 1; i + 1 < message.size(); ++i)
        EXPECT_LT(message[i], 0x80) << "byte " << i;
}

TEST(VoiceDump, OfTheInitialVoiceIsTakenAndAnsweredAsBuilt) {
    // GIVEN the initial voice WHEN its dump is built and sent THEN the
    // instrument loads it, and answers the next program change with a dump
    // built the same way.
    const VoiceDump dump = BuildVoiceDump(InitialVoice());
    EXPECT_EQ(dump.front(), kSysExStart);
    EXPECT_EQ(dump.back(), kSysExEnd);
    VirtualDx7 dx7;
    dx7.receive(dump);
    EXPECT_EQ(dx7.voiceDumpsLoaded(), 1) << dx7.lastRefusal();

    std::vector<Byte> reply;
    dx7.setSink([&](std::vector<Byte> bytes, double) { reply = std::move(bytes); });
    dx7.receive(std::vector<Byte>{0xC0, 3});
    const VoiceDump expected = BuildVoiceDump(dx7.internalVoice(3));
    EXPECT_EQ(reply, Bytes(expected.begin(), expected.end()));
}

} // namespace
} // namespace vox
