// GIVEN / WHEN / THEN tests of the DX7 message builders: the bytes each
// message carries, and that the instrument model takes what is built.
#include "midi/virtual_dx7.h"
#include "voice/dx7_decode.h"
#include "voice/dx7_messages.h"
#include "voice/init_voice.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
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

// The frames of the published MIDI data format, each read by the one decoder.
struct DecodeCase {
    const char *what;
    Bytes message;
    Dx7Kind kind;
    Dx7Fault fault;
    int channel, number, value, format;
};

Bytes WithEnd(Bytes head, std::size_t dataBytes, Byte fill, int checksum) {
    Byte sum = 0;
    for (std::size_t i = 0; i < dataBytes; ++i) {
        head.push_back(fill);
        sum = static_cast<Byte>(sum + fill);
    }
    head.push_back(checksum < 0 ? static_cast<Byte>((128 - (sum & 0x7F)) & 0x7F)
                                : static_cast<Byte>(checksum));
    head.push_back(0xF7);
    return head;
}

// The first n bytes (one message, not the iterators of two).
Bytes FirstBytes(Bytes b, std::size_t n) {
    b.resize(n);
    return b;
}

class DecodeDx7Of : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeDx7Of, GivesTheKindAndFaultOfTheFrame) {
    const DecodeCase &c = GetParam();
    const Dx7Message m = DecodeDx7(c.message);
    EXPECT_EQ(m.kind, c.kind);
    EXPECT_EQ(m.fault, c.fault);
    EXPECT_EQ(m.channel, c.channel);
    if (c.kind == Dx7Kind::ParameterChange || c.kind == Dx7Kind::FunctionParameter) {
        EXPECT_EQ(m.number, c.number);
        EXPECT_EQ(m.value, c.value);
    } else {
        EXPECT_EQ(m.format, c.format);
    }
}

// Checksum of 155 bytes of 1: 128 - (155 & 127) = 101; of 4096 bytes of 1: 0.
INSTANTIATE_TEST_SUITE_P(
    Frames, DecodeDx7Of,
    ::testing::Values(
        DecodeCase{"voice parameter",
                   {0xF0, 0x43, 0x10, 0x01, 0x06, 0x07, 0xF7},
                   Dx7Kind::ParameterChange,
                   Dx7Fault::None,
                   0,
                   134,
                   7,
                   -1},
        DecodeCase{"function parameter",
                   {0xF0, 0x43, 0x11, 0x08, 0x41, 0x0C, 0xF7},
                   Dx7Kind::FunctionParameter,
                   Dx7Fault::None,
                   1,
                   65,
                   12,
                   -1},
        DecodeCase{"parameter cut short",
                   {0xF0, 0x43, 0x10, 0x01, 0x06, 0xF7},
                   Dx7Kind::ParameterChange,
                   Dx7Fault::CutShort,
                   0,
                   0,
                   0,
                   -1},
        DecodeCase{"voice request",
                   {0xF0, 0x43, 0x20, 0x00, 0xF7},
                   Dx7Kind::DumpRequest,
                   Dx7Fault::None,
                   0,
                   0,
                   0,
                   0},
        DecodeCase{"bank request, channel 16",
                   {0xF0, 0x43, 0x2F, 0x09, 0xF7},
                   Dx7Kind::DumpRequest,
                   Dx7Fault::None,
                   15,
                   0,
                   0,
                   9},
        DecodeCase{"voice dump", WithEnd({0xF0, 0x43, 0x00, 0x00, 0x01, 0x1B}, 155, 1, -1),
                   Dx7Kind::VoiceDump, Dx7Fault::None, 0, 0, 0, 0},
        DecodeCase{"voice dump, wrong checksum", WithEnd({0xF0, 0x43, 0x00, 0x00, 0x01, 0x1B}, 155, 1, 100),
                   Dx7Kind::VoiceDump, Dx7Fault::Checksum, 0, 0, 0, 0},
        DecodeCase{"checksum with bit 7 over right low bits",
                   WithEnd({0xF0, 0x43, 0x00, 0x00, 0x01, 0x1B}, 155, 1, 101 | 0x80), Dx7Kind::VoiceDump,
                   Dx7Fault::None, 0, 0, 0, 0},
        DecodeCase{"bulk dump", WithEnd({0xF0, 0x43, 0x00, 0x09, 0x20, 0x00}, 4096, 1, -1), Dx7Kind::BulkDump,
                   Dx7Fault::None, 0, 0, 0, 9},
        DecodeCase{"bulk dump, byte count 10 00", WithEnd({0xF0, 0x43, 0x00, 0x09, 0x10, 0x00}, 4096, 1, 0),
                   Dx7Kind::BulkDump, Dx7Fault::None, 0, 0, 0, 9},
        DecodeCase{"bulk dump seen through a 163-byte buffer",
                   FirstBytes(WithEnd({0xF0, 0x43, 0x00, 0x09, 0x20, 0x00}, 4096, 1, 0), 163),
                   Dx7Kind::BulkDump, Dx7Fault::CutShort, 0, 0, 0, 9},
        DecodeCase{"additional voice data (ACED, 49 bytes)",
                   WithEnd({0xF0, 0x43, 0x00, 0x05, 0x00, 0x31}, 49, 0, 0), Dx7Kind::OtherDump,
                   Dx7Fault::None, 0, 0, 0, 5},
        DecodeCase{"parameter change cut before its group",
                   {0xF0, 0x43, 0x10},
                   Dx7Kind::ParameterChange,
                   Dx7Fault::CutShort,
                   0,
                   0,
                   0,
                   -1},
        DecodeCase{"dump cut before its format",
                   {0xF0, 0x43, 0x02, 0xF7},
                   Dx7Kind::OtherDump,
                   Dx7Fault::CutShort,
                   2,
                   0,
                   0,
                   -1},
        DecodeCase{"note on", {0x90, 60, 100}, Dx7Kind::Other, Dx7Fault::None, 0, 0, 0, -1},
        DecodeCase{
            "another maker", {0xF0, 0x41, 0x10, 0x42, 0xF7}, Dx7Kind::Other, Dx7Fault::None, 0, 0, 0, -1}),
    [](const auto &info) {
        std::string name;
        for (const char *p = info.param.what; *p; ++p)
            name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return name;
    });

} // namespace
} // namespace vox
