// GIVEN the bytes of a MIDI message WHEN the monitor names it THEN the
// line reads as a musician would say it; and every send and receive of the
// program reaches the monitor's log while the receive lists stay as they are.
#include "midi/message_names.h"
#include "midi/midi_output.h"
#include "test_support.h"
#include "voice/parameter_text.h"

#include <gtest/gtest.h>

#include <numeric>

namespace vox::test {
namespace {

using Bytes = std::vector<Byte>;

struct NameCase {
    const char *what;
    Bytes bytes;
    const char *name;
};

void PrintTo(const NameCase &c, std::ostream *os) { *os << c.what; }

// A single-voice dump with the given name; its checksum is worked out here
// by hand, not by the program's own routine.
Bytes VoiceDump(const char (&name)[11], int checksumError = 0) {
    Bytes dump{0xF0, 0x43, 0x00, 0x00, 0x01, 0x1B};
    for (int p = 0; p < 145; ++p)
        dump.push_back(static_cast<Byte>(p % 100));
    for (int i = 0; i < 10; ++i)
        dump.push_back(static_cast<Byte>(name[i]));
    const int sum = std::accumulate(dump.begin() + 6, dump.end(), 0);
    dump.push_back(static_cast<Byte>((128 - sum % 128 + checksumError) % 128));
    dump.push_back(0xF7);
    return dump;
}

Bytes Cut(Bytes bytes, std::size_t n) {
    bytes.resize(n);
    return bytes;
}

Bytes TestFile(const char *name) { return ReadFileContents(std::filesystem::path(VOXMERE_TESTDATA) / name); }

class MessageNameTable : public ::testing::TestWithParam<NameCase> {};

TEST_P(MessageNameTable, NamesTheMessage) {
    const NameCase &c = GetParam();
    EXPECT_EQ(MessageName(c.bytes), c.name) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    ChannelMessages, MessageNameTable,
    ::testing::Values(NameCase{"program change", {0xC0, 0x05}, "Program change 5"},
                      NameCase{"note on as audition sends it", {0x90, 0x50, 0x64}, "Note on 80 velocity 100"},
                      NameCase{"note off as audition sends it", {0x80, 0x50, 0x00}, "Note off 80 velocity 0"},
                      NameCase{"control change", {0xB0, 0x07, 0x64}, "Control change 7 = 100"},
                      NameCase{"key pressure", {0xA0, 0x3C, 0x1E}, "Key pressure 60 = 30"},
                      NameCase{"channel pressure", {0xD0, 0x40}, "Channel pressure 64"},
                      NameCase{"pitch bend centre", {0xE0, 0x00, 0x40}, "Pitch bend 0"},
                      NameCase{"pitch bend lowest", {0xE0, 0x00, 0x00}, "Pitch bend -8192"},
                      NameCase{"another channel", {0xC1, 0x05}, "Program change 5 channel 2"},
                      NameCase{"channel 16", {0x9F, 0x3C, 0x40}, "Note on 60 velocity 64 channel 16"}));

INSTANTIATE_TEST_SUITE_P(SystemMessages, MessageNameTable,
                         ::testing::Values(NameCase{"active sensing", {0xFE}, "Active sensing"},
                                           NameCase{"timing clock", {0xF8}, "Timing clock"},
                                           NameCase{"song position", {0xF2, 0x10, 0x01}, "Song position 144"},
                                           NameCase{"song select", {0xF3, 0x03}, "Song select 3"},
                                           NameCase{"system reset", {0xFF}, "System reset"}));

INSTANTIATE_TEST_SUITE_P(
    SystemExclusive, MessageNameTable,
    ::testing::Values(NameCase{"voice dump, good", VoiceDump("VOX 5     "), "Voice dump VOX 5 (checksum OK)"},
                      NameCase{"voice dump, checksum one off", VoiceDump("VOX 5     ", 1),
                               "Voice dump VOX 5 (checksum wrong)"},
                      NameCase{"voice dump from another tool", TestFile("single-voice.syx"),
                               "Voice dump GET FUNKY (checksum OK)"},
                      NameCase{"voice name with a control byte", VoiceDump("A\x01        "),
                               "Voice dump A\u2401 (checksum OK)"},
                      NameCase{"bulk dump, good", TestFile("rom1a.syx"), "32-voice bulk dump (checksum OK)"},
                      NameCase{"bulk dump, checksum wrong", TestFile("bad-checksum.syx"),
                               "32-voice bulk dump (checksum wrong)"},
                      NameCase{"voice parameter change, operator",
                               {0xF0, 0x43, 0x10, 0x00, 0x0C, 0x23, 0xF7},
                               "Parameter change 12 = 35 (OP6 right curve)"},
                      NameCase{"voice parameter change above 127",
                               {0xF0, 0x43, 0x10, 0x01, 0x06, 0x05, 0xF7},
                               "Parameter change 134 = 5 (Algorithm)"},
                      NameCase{"function parameter change",
                               {0xF0, 0x43, 0x10, 0x08, 0x40, 0x00, 0xF7},
                               "Function parameter change 64 = 0"},
                      NameCase{"voice dump request", {0xF0, 0x43, 0x20, 0x00, 0xF7}, "Voice dump request"},
                      NameCase{
                          "bulk dump request", {0xF0, 0x43, 0x20, 0x09, 0xF7}, "32-voice bulk dump request"},
                      NameCase{"another maker's message",
                               {0xF0, 0x41, 0x10, 0x42, 0x12, 0xF7},
                               "System Exclusive, ID 41 (6 bytes)"}));

INSTANTIATE_TEST_SUITE_P(
    BrokenAndShort, MessageNameTable,
    ::testing::Values(NameCase{"nothing recorded", {}, "Empty message"},
                      NameCase{"data bytes without a status", {0x3C, 0x64}, "Unknown bytes"},
                      NameCase{"an end byte alone", {0xF7}, "Unknown bytes"},
                      NameCase{"undefined status", {0xF4}, "Unknown bytes"},
                      NameCase{"program change without its number", {0xC0}, "Program change (cut short)"},
                      NameCase{"note on without velocity", {0x90, 0x50}, "Note on (cut short)"},
                      NameCase{
                          "status byte where data belongs", {0x90, 0xF0, 0x64}, "Note on (broken data byte)"},
                      NameCase{"song select without a song", {0xF3}, "Song select (cut short)"},
                      NameCase{"voice dump cut short", Cut(VoiceDump("VOX 5     "), 100),
                               "Voice dump, cut short (100 of 163 bytes)"},
                      NameCase{"voice dump without its end byte",
                               [] {
                                   Bytes d = VoiceDump("VOX 5     ");
                                   d[162] = 0x00;
                                   return d;
                               }(),
                               "Voice dump, no end byte"},
                      NameCase{"bulk dump as the input buffer delivers it", Cut(TestFile("rom1a.syx"), 163),
                               "32-voice bulk dump, cut short (163 of 4104 bytes)"},
                      NameCase{"bulk dump without its checksum", TestFile("truncated-4103.syx"),
                               "32-voice bulk dump, cut short (4103 of 4104 bytes)"},
                      NameCase{"parameter change cut short",
                               {0xF0, 0x43, 0x10, 0x00, 0x0C},
                               "Parameter change, cut short (5 of 7 bytes)"},
                      NameCase{"dump header only", {0xF0, 0x43, 0x00}, "Yamaha dump (cut short)"},
                      NameCase{"another maker's message cut short",
                               {0xF0, 0x7E, 0x00},
                               "System Exclusive, ID 7E (3 bytes), no end byte"},
                      NameCase{"a start byte alone", {0xF0}, "System Exclusive (1 bytes), no end byte"}));

TEST(VoiceParameterName, GivenParameterNumbersWhenNamedThenOperatorsCountDownFromSix) {
    EXPECT_EQ(VoiceParameterName(0), "OP6 EG rate 1");
    EXPECT_EQ(VoiceParameterName(16), "OP6 output level");
    EXPECT_EQ(VoiceParameterName(21 + 8), "OP5 break point");
    EXPECT_EQ(VoiceParameterName(125), "OP1 detune");
    EXPECT_EQ(VoiceParameterName(126), "Pitch EG rate 1");
    EXPECT_EQ(VoiceParameterName(133), "Pitch EG level 4");
    EXPECT_EQ(VoiceParameterName(144), "Transpose");
    EXPECT_EQ(VoiceParameterName(145), "Name character 1");
    EXPECT_EQ(VoiceParameterName(154), "Name character 10");
    EXPECT_EQ(VoiceParameterName(155), "Operator on/off");
    EXPECT_EQ(VoiceParameterName(156), "");
    EXPECT_EQ(VoiceParameterName(-1), "");
}

TEST(MonitorLine, GivenAnEntryWhenWrittenThenTimeDirectionNameAndHexLineUp) {
    MidiTrafficEntry sent{
        83.4567, MidiTrafficEntry::Direction::Out, MidiTrafficEntry::Kind::Message, {0xC0, 0x05}};
    //                      "Program change 5" is 16 characters; the name column is 44 wide.
    EXPECT_EQ(MonitorLine(sent), "00:01:23.457  送信  Program change 5" + std::string(28, ' ') + "  C0 05");
    MidiTrafficEntry got{
        3725.0, MidiTrafficEntry::Direction::In, MidiTrafficEntry::Kind::Message, {0x90, 0x3C, 0x64}};
    EXPECT_EQ(MonitorLine(got),
              "01:02:05.000  受信  Note on 60 velocity 100" + std::string(21, ' ') + "  90 3C 64");
    MidiTrafficEntry opened{0.0, MidiTrafficEntry::Direction::In, MidiTrafficEntry::Kind::InputOpened, {}};
    EXPECT_EQ(MonitorLine(opened), "00:00:00.000  受信  Input port opened");
    MidiTrafficEntry error{1.5, MidiTrafficEntry::Direction::In, MidiTrafficEntry::Kind::ReceiveError, {}};
    EXPECT_EQ(MonitorLine(error), "00:00:01.500  受信  System Exclusive receive error");
}

TEST(MonitorLine, GivenAWholeDumpWhenWrittenThenEveryByteIsShown) {
    const Bytes dump = TestFile("single-voice.syx");
    const MidiTrafficEntry got{0.0, MidiTrafficEntry::Direction::In, MidiTrafficEntry::Kind::Message, dump};
    const std::string line = MonitorLine(got);
    const std::size_t hex = line.find("F0 43 00 00 01 1B");
    ASSERT_NE(hex, std::string::npos) << line;
    EXPECT_EQ(line.size() - hex, 163u * 3 - 1);
    EXPECT_EQ(line.substr(line.size() - 5), "38 F7");
}

TEST(MidiTraffic, GivenMoreThanItKeepsWhenAddedThenTheOldestGo) {
    MidiTraffic traffic;
    for (std::size_t i = 0; i < MidiTraffic::kKept + 3; ++i) {
        const Byte b[2] = {0xC0, static_cast<Byte>(i % 128)};
        traffic.add(MidiTrafficEntry::Direction::Out, MidiTrafficEntry::Kind::Message, b);
    }
    EXPECT_EQ(traffic.entries().size(), MidiTraffic::kKept);
    EXPECT_EQ(traffic.total(), MidiTraffic::kKept + 3);
    EXPECT_EQ(traffic.entries().front().bytes, (Bytes{0xC0, 3}));
    EXPECT_EQ(traffic.entries().front().seconds, 0.0) << "no clock, no time";
}

struct Traffic : ::testing::Test {
    ProgramFixture f;
    std::vector<std::string> lines() const {
        std::vector<std::string> l;
        for (const MidiTrafficEntry &e : f.state.midiTraffic.entries())
            l.push_back(MonitorLine(e));
        return l;
    }
};

TEST_F(Traffic, GivenAnOpenOutputWhenTheProgramSendsThenEachMessageIsLoggedWithTheHostsTime) {
    f.out.open();
    f.host.clock = 61.25;
    SendShortMessage(f.state, kProgramChange, 5, 0);
    SendLongMessage(f.state, f.host, VoiceDump("VOX 5     "));
    SendShortMessage(f.state, kNoteOn, 0x50, 0x64);
    ASSERT_EQ(f.state.midiTraffic.entries().size(), 3u);
    const auto &e = f.state.midiTraffic.entries();
    EXPECT_EQ(e[0].bytes, (Bytes{0xC0, 0x05})) << "a program change is two bytes, not three";
    EXPECT_EQ(e[0].direction, MidiTrafficEntry::Direction::Out);
    EXPECT_DOUBLE_EQ(e[0].seconds, 61.25);
    EXPECT_EQ(e[1].bytes, VoiceDump("VOX 5     "));
    EXPECT_TRUE(lines()[0].starts_with("00:01:01.250  送信  Program change 5 ")) << lines()[0];
    EXPECT_NE(lines()[1].find("Voice dump VOX 5 (checksum OK)"), std::string::npos);
    EXPECT_NE(lines()[2].find("Note on 80 velocity 100"), std::string::npos);
    EXPECT_EQ(lines()[2].substr(lines()[2].size() - 8), "90 50 64");
}

TEST_F(Traffic, GivenNoOutputWhenTheProgramSendsThenNothingIsLogged) {
    SendShortMessage(f.state, kProgramChange, 5, 0);
    SendLongMessage(f.state, f.host, VoiceDump("VOX 5     "));
    EXPECT_TRUE(f.state.midiTraffic.entries().empty());
}

TEST_F(Traffic, GivenInputWhenItArrivesThenTheMonitorAndTheReceiveListBothHaveIt) {
    Form1 &form1 = f.program.form1;
    form1.startInputAtLoad();
    f.host.processEvents();
    f.in.receive(Bytes{0xFE});
    f.in.receive(Bytes{0xC0, 0x05});
    f.in.receive(Bytes{0x90, 0x3C, 0x64});
    f.host.processEvents();
    f.in.receive(VoiceDump("VOX 5     "));
    f.host.processEvents();
    // The receive list is filled exactly as before.
    ASSERT_EQ(form1.list1.items.size(), 4u);
    EXPECT_EQ(form1.list1.items[0], "MIDIIN OPEN");
    EXPECT_EQ(form1.list1.items[1], "ShortMsg受信 : C00500");
    EXPECT_EQ(form1.list1.items[2], "ShortMsg受信 : 903C64");
    EXPECT_TRUE(form1.list1.items[3].starts_with(" 0LongMsg 受信 : F0430000011B")) << form1.list1.items[3];
    // The monitor has one readable line per message, active sensing left out.
    const auto l = lines();
    ASSERT_EQ(l.size(), 4u);
    EXPECT_NE(l[0].find("受信  Input port opened"), std::string::npos);
    EXPECT_NE(l[1].find("受信  Program change 5 "), std::string::npos);
    EXPECT_EQ(l[1].substr(l[1].size() - 7), "  C0 05") << "two bytes, as the status says";
    EXPECT_NE(l[2].find("Note on 60 velocity 100"), std::string::npos);
    EXPECT_NE(l[3].find("受信  Voice dump VOX 5 (checksum OK)"), std::string::npos);
}

TEST_F(Traffic, GivenAReceiveErrorWhenItArrivesThenTheMonitorSaysSo) {
    f.program.form1.startInputAtLoad();
    f.in.receiveError();
    f.host.processEvents();
    ASSERT_EQ(lines().size(), 2u);
    EXPECT_NE(lines()[1].find("受信  System Exclusive receive error"), std::string::npos);
    EXPECT_EQ(f.program.form1.list1.items.back(), "LongMsg Err");
}

} // namespace
} // namespace vox::test
