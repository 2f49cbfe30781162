// GIVEN / WHEN / THEN tests of the voice image, the checksum and the packed bank.
#include "voice/bank_format.h"
#include "voice/init_voice.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

namespace vox {
namespace {

Slot RandomInRangeVoice(std::mt19937 &rng) {
    Slot slot{};
    for (int p = 0; p < static_cast<int>(kParamCount); ++p)
        slot[ParamPos(p)] = static_cast<Byte>(std::uniform_int_distribution<int>(0, ParamMax(p))(rng));
    return slot;
}

TEST(VoiceChecksum, FollowsTheSevenBitTwosComplementRule) {
    Slot slot{};
    EXPECT_EQ(VoiceChecksum(slot), 0x00) << "a sum of 0 gives 0, never 80h";
    slot[ParamPos(0)] = 1;
    EXPECT_EQ(VoiceChecksum(slot), 0x7F);
    slot[ParamPos(0)] = 0x7F;
    EXPECT_EQ(VoiceChecksum(slot), 0x01);
    slot[ParamPos(0)] = 0x40;
    slot[ParamPos(154)] = 0x40; // the sum wraps to 0
    EXPECT_EQ(VoiceChecksum(slot), 0x00);
}

TEST(VoiceChecksum, ReadsOnlyPositionsSixTo160) {
    Slot slot{};
    slot[0] = 0xF0;
    slot[5] = 0x1B;
    slot[kChecksumPos] = 0x55;
    slot[kEndPos] = 0xF7;
    EXPECT_EQ(VoiceChecksum(slot), 0x00);
}

TEST(VoiceName, KeepsEveryByteUntrimmedWithControlCodesBlank) {
    Slot slot{};
    EXPECT_EQ(VoiceName(slot), std::string(10, ' ')) << "an empty slot names ten blanks";
    const char *name = "AB\0D  EFG ";
    for (std::size_t i = 0; i < 10; ++i)
        slot[kNamePos + i] = static_cast<Byte>(name[i]);
    EXPECT_EQ(VoiceName(slot), "AB D  EFG ");
}

TEST(VoiceName, ReadsHighBytesWithoutBit7AsTheInstrumentGetsThem) {
    Slot slot{};
    for (std::size_t i = 0; i < 10; ++i)
        slot[kNamePos + i] = 'A';
    slot[kNamePos] = 0xE9;
    EXPECT_EQ(VoiceName(slot), "iAAAAAAAAA");
}

TEST(PackVoice, RoundTripsRandomInRangeVoices) {
    std::mt19937 rng(7);
    for (int n = 0; n < 2000; ++n) {
        const Slot voice = RandomInRangeVoice(rng);
        Slot back{};
        UnpackVoice(PackVoice(voice), back);
        for (int p = 0; p < static_cast<int>(kParamCount); ++p)
            ASSERT_EQ(back[ParamPos(p)], voice[ParamPos(p)]) << "parameter " << p << " of voice " << n;
    }
}

TEST(PackVoice, RoundTripsTheEdgeValues) {
    for (bool high : {false, true}) {
        Slot voice{};
        for (int p = 0; p < static_cast<int>(kParamCount); ++p)
            voice[ParamPos(p)] = static_cast<Byte>(high ? ParamMax(p) : 0);
        Slot back{};
        UnpackVoice(PackVoice(voice), back);
        EXPECT_EQ(back, voice);
    }
}

TEST(PackVoice, PacksTheSharedBytesOfTheLayout) {
    Slot voice{};
    voice[ParamPos(BlockParamNumber(0, OpParam::Detune))] = 14;
    voice[ParamPos(BlockParamNumber(0, OpParam::RateScaling))] = 7;
    voice[ParamPos(BlockParamNumber(2, OpParam::LeftCurve))] = 3;
    voice[ParamPos(BlockParamNumber(2, OpParam::RightCurve))] = 1;
    voice[ParamPos(BlockParamNumber(5, OpParam::FreqCoarse))] = 31;
    voice[ParamPos(BlockParamNumber(5, OpParam::OscMode))] = 1;
    voice[ParamPos(param::Feedback)] = 5;
    voice[ParamPos(param::OscKeySync)] = 1;
    voice[ParamPos(param::PitchModSens)] = 7;
    voice[ParamPos(param::LfoWave)] = 2;
    voice[ParamPos(param::LfoKeySync)] = 1;
    voice[ParamPos(param::Transpose)] = 24;
    voice[ParamPos(param::Name1 + 9)] = 'Z';
    const PackedVoice packed = PackVoice(voice);
    EXPECT_EQ(packed[12], 0x77);
    EXPECT_EQ(packed[2 * 17 + 11], 0x07);
    EXPECT_EQ(packed[5 * 17 + 15], 0x3F);
    EXPECT_EQ(packed[111], 0x0D);
    EXPECT_EQ(packed[116], 0x75);
    EXPECT_EQ(packed[117], 24);
    EXPECT_EQ(packed[127], 'Z');
}

TEST(UnpackVoice, ExtractsFieldsAndKeepsWholeBytesUnmasked) {
    PackedVoice packed{};
    packed[12] = 0x77;
    packed[116] = 0x75;
    packed[11] = 0xFF;
    packed[14] = 0xFF;  // a whole byte: output level of operator 6
    packed[110] = 0xFF; // algorithm, also a whole byte
    Slot slot{};
    slot[0] = 0xAA;
    slot[kChecksumPos] = 0xBB;
    slot[kEndPos] = 0xCC;
    UnpackVoice(packed, slot);
    EXPECT_EQ(slot[ParamPos(BlockParamNumber(0, OpParam::Detune))], 14);
    EXPECT_EQ(slot[ParamPos(BlockParamNumber(0, OpParam::RateScaling))], 7);
    EXPECT_EQ(slot[ParamPos(param::PitchModSens)], 7);
    EXPECT_EQ(slot[ParamPos(param::LfoWave)], 2);
    EXPECT_EQ(slot[ParamPos(param::LfoKeySync)], 1);
    EXPECT_EQ(slot[ParamPos(BlockParamNumber(0, OpParam::LeftCurve))], 3);
    EXPECT_EQ(slot[ParamPos(BlockParamNumber(0, OpParam::RightCurve))], 3);
    EXPECT_EQ(slot[ParamPos(BlockParamNumber(0, OpParam::OutputLevel))], 0xFF);
    EXPECT_EQ(slot[ParamPos(param::Algorithm)], 0xFF);
    EXPECT_EQ(slot[0], 0xAA) << "header positions are the caller's";
    EXPECT_EQ(slot[kChecksumPos], 0xBB);
    EXPECT_EQ(slot[kEndPos], 0xCC);
}

TEST(PackVoice, MasksOutOfRangeFieldsToSevenBitBytes) {
    Slot voice{};
    for (int p = 0; p < static_cast<int>(kParamCount); ++p)
        voice[ParamPos(p)] = 0xFF;
    const PackedVoice packed = PackVoice(voice);
    for (std::size_t i = 0; i < packed.size(); ++i)
        EXPECT_LE(packed[i], 0x7F) << "offset " << i;
    EXPECT_EQ(packed[12], 0x7F) << "detune keeps its 4 bits, rate scaling its 3";
    EXPECT_EQ(packed[15], 0x3F) << "coarse keeps 5 bits, mode 1";
}

TEST(BuildBulkMessage, LaysOutHeaderVoicesChecksumAndEnd) {
    VoiceTable table;
    BulkMessage all0 = BuildBulkMessage(table);
    EXPECT_EQ(all0.size(), 4104u);
    EXPECT_EQ(all0[4102], 0x00);
    EXPECT_EQ(all0[4103], 0xF7);

    std::mt19937 rng(3);
    for (std::size_t v = 1; v <= 32; ++v)
        table[v] = RandomInRangeVoice(rng);
    table[0][ParamPos(0)] = 55; // slot 0 and 33 are not in the bank
    table[33][ParamPos(0)] = 66;
    const BulkMessage message = BuildBulkMessage(table);
    const std::array<Byte, 6> header{0xF0, 0x43, 0x00, 0x09, 0x20, 0x00};
    EXPECT_TRUE(std::equal(header.begin(), header.end(), message.begin()));
    for (std::size_t v = 1; v <= 32; ++v) {
        const PackedVoice packed = PackVoice(table[v]);
        EXPECT_TRUE(std::equal(packed.begin(), packed.end(), message.begin() + 6 + 128 * (v - 1))) << v;
    }
    unsigned sum = 0;
    for (std::size_t i = 6; i < 4102; ++i)
        sum += message[i];
    EXPECT_EQ((sum + message[4102]) % 128, 0u) << "data plus checksum sums to 0 mod 128";
    EXPECT_EQ(message[4103], 0xF7);
}

TEST(InitialVoice, IsTheUsualInitVoice) {
    const Slot v = InitialVoice();
    EXPECT_EQ(VoiceName(v), "INIT VOICE");
    EXPECT_EQ(v[ParamPos(param::Algorithm)], 0);
    EXPECT_EQ(v[ParamPos(param::Transpose)], 24);
    for (int op = 1; op <= 6; ++op) {
        EXPECT_EQ(v[ParamPos(OpParamNumber(op, OpParam::OutputLevel))], op == 1 ? 99 : 0);
        EXPECT_EQ(v[ParamPos(OpParamNumber(op, OpParam::Rate1))], 99);
        EXPECT_EQ(v[ParamPos(OpParamNumber(op, OpParam::Level4))], 0);
    }
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(v[ParamPos(param::PitchLevel1 + i)], 50);
    for (int p = 0; p < 145; ++p)
        EXPECT_LE(v[ParamPos(p)], ParamMax(p)) << p;
}

TEST(InitialVoice, IsWrittenAsA161ByteFileIntoTheProgramFolder) {
    std::ifstream in(std::string(VOXMERE_PROGRAM_DIR) + "/INITdata.v01", std::ios::binary);
    ASSERT_TRUE(in);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    ASSERT_EQ(bytes.size(), 161u);
    const Slot v = InitialVoice();
    for (std::size_t i = 0; i < 161; ++i)
        EXPECT_EQ(static_cast<Byte>(bytes[i]), v[i]) << i;
}

} // namespace
} // namespace vox
