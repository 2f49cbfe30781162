// The later models' messages are known by frame, format, byte count and
// name, and checked by their seven-bit checksums. Sizes and names are the
// DX7s and DX7 II manuals' (the family data fact sheet, section 1).
#include "voice/family_data.h"
#include "voice/voice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vox;

namespace {

using Bytes = std::vector<Byte>;

// One group: count, name, payload, checksum (of name and payload).
void AddGroup(Bytes &m, const std::string &name, std::size_t payload, int countAdjust = 0) {
    Bytes data(name.begin(), name.end());
    for (std::size_t i = 0; i < payload; ++i)
        data.push_back(static_cast<Byte>(i % 100));
    const std::size_t count = data.size() + static_cast<std::size_t>(countAdjust);
    m.push_back(static_cast<Byte>(count >> 7));
    m.push_back(static_cast<Byte>(count & 0x7F));
    m.insert(m.end(), data.begin(), data.end());
    m.push_back(ChecksumOf(data));
}

Bytes Message(int format, const std::string &name, std::size_t payload, int groups = 1) {
    Bytes m{0xF0, 0x43, 0x00, static_cast<Byte>(format)};
    for (int g = 0; g < groups; ++g)
        AddGroup(m, name, payload);
    m.push_back(0xF7);
    return m;
}

TEST(FamilyData, KnowsEachMessageOfTheSheetBySizeAndName) {
    struct Case {
        const char *label;
        Bytes message;
        const char *what; // nullptr: not the later models' data
        std::size_t length;
        bool good;
    };
    Bytes badSum = Message(0x06, "", 1120);
    badSum[badSum.size() - 2] ^= 0x01;
    Bytes rom = Message(0x09, "", 4096);
    Bytes runsPast = Message(0x05, "", 49);
    runsPast.erase(runsPast.begin() + 20, runsPast.begin() + 30);
    const Case cases[] = {
        {"ACED", Message(0x05, "", 49), "ACED (additional voice edit buffer)", 57, true},
        {"AMEM", Message(0x06, "", 1120), "AMEM (packed 32 additional voices)", 1128, true},
        {"PCED", Message(0x7E, "LM  8973PE", 51), "PCED (performance edit buffer)", 69, true},
        {"PMEM", Message(0x7E, "LM  8973PM", 1632), "PMEM (packed 32 performances)", 1650, true},
        {"system set-up", Message(0x7E, "LM  8973S ", 85), "SYSTEM (system set-up)", 103, true},
        {"micro tuning 1", Message(0x7E, std::string("LM  MCRYM") + '\x01', 256),
         "MCRYM (micro tuning memory)", 274, true},
        {"fractional scaling", Message(0x7E, "LM  FKSYE ", 492), "FKSYE (fractional scaling edit buffer)",
         510, true},
        // Repeats in one message: 4 + 63 x 269 + 1 bytes.
        {"micro tunings in cartridge", Message(0x7E, "LM  MCRYC ", 256, 63),
         "MCRYC (micro tunings in cartridge, 63 blocks)", 16952, true},
        {"another name", Message(0x7E, "LM  8976AE", 23), "universal block \"LM  8976AE\"", 41, true},
        {"wrong checksum", badSum, "AMEM (packed 32 additional voices)", 1128, false},
        {"AMEM of another size", Message(0x06, "", 1000), "AMEM (packed 32 additional voices)", 1008, false},
        {"count past the end", runsPast, nullptr, 0, false},
        {"a DX7 bank", rom, nullptr, 0, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        const auto m = ReadFamilyMessage(c.message);
        ASSERT_EQ(m.has_value(), c.what != nullptr);
        if (!m) continue;
        EXPECT_EQ(m->describe(), c.what);
        EXPECT_EQ(m->length, c.length);
        EXPECT_EQ(c.message.size(), c.length);
        EXPECT_EQ(m->good(), c.good);
    }
}

} // namespace
