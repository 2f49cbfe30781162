// What the editor shows is what the DX7 gets: voices holding bytes outside
// their ranges (bit 7 set, or above the range), odd switch and mode bytes,
// and texts typed over the break point, curve and frequency columns.
#include "editor/form2.h"
#include "librarian/form1.h"
#include "midi/midi_output.h"
#include "test_support.h"
#include "voice/bank_format.h"
#include "voice/display_conversions.h"
#include "voice/init_voice.h"

#include "workspace/unwritten.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>

using namespace vox;
using Bytes = std::vector<Byte>;

namespace {

// An apply sends an untouched value as it is shown, out of range or not.
// The edit-buffer write of an apply (Form2::sendGroup) still holds every
// value to its range; set this when it keeps the untouched ones as they are.
constexpr bool kApplyKeepsUntouchedValues = true;
int SentByApply(int p, int shown) {
    return kApplyKeepsUntouchedValues || ParamInRange(p, shown) ? shown : std::min(shown, ParamMax(p));
}

Bytes Change(int p, int v) {
    return {0xF0, 0x43, 0x10, static_cast<Byte>(p >> 7), static_cast<Byte>(p & 0x7F), static_cast<Byte>(v),
            0xF7};
}

class Form2ValuesTest : public ::testing::Test {
protected:
    test::ProgramFixture f;
    Form2 &form = f.program.form2;

    void SetUp() override { f.out.open(); }

    void Load(const Slot &voice, int slot = 7) {
        // The editor opens on the edit area, as the main window leaves it.
        test::PlaceAs(f.ws, slot, voice);
        form.load();
        f.out.sent.clear();
    }

    // The (parameter, value) pairs of the parameter changes sent so far.
    std::vector<std::pair<int, int>> SentChanges() const {
        std::vector<std::pair<int, int>> changes;
        for (const auto &m : f.out.sent) {
            if (m.size() != 7 || m[0] != 0xF0 || m[2] != 0x10) {
                ADD_FAILURE() << "not a parameter change";
                continue;
            }
            changes.emplace_back(m[3] * 128 + m[4], m[5]);
        }
        return changes;
    }

    // The chart's text for a parameter, given every value of the voice
    // (the frequency field shows mode, coarse and fine together).
    std::string ChartText(int p) const {
        if (p < 126) {
            const auto row = static_cast<std::size_t>(p / kOperatorBlockParams);
            const int k = p % kOperatorBlockParams;
            static const std::map<int, int> kField{{8, 31},  {9, 34},  {10, 35}, {11, 32}, {12, 33},
                                                   {13, 36}, {14, 19}, {15, 38}, {16, 37}, {17, 20},
                                                   {18, 21}, {19, 21}, {20, 22}};
            const int field = k < 8 ? 23 + k : kField.at(k);
            return form.chart(field)[row];
        }
        switch (p) {
        case param::Algorithm:
            return form.text8;
        case param::OscKeySync:
            return form.label29;
        case param::Feedback:
            return form.text[1];
        case param::LfoWave:
            return form.text[2];
        case param::LfoKeySync:
            return form.text[7];
        case param::PitchModSens:
            return form.text[18];
        case param::Transpose:
            return form.text[17];
        default:
            break;
        }
        if (p >= param::LfoSpeed && p <= param::LfoAmd) return form.text[static_cast<std::size_t>(p - 134)];
        return form.text[static_cast<std::size_t>(9 + p - param::PitchRate1)]; // pitch EG 126..133
    }

    // The text the chart must show for value v of parameter p, with the
    // values of the whole voice (for the frequency) in `all`.
    static std::string Expected(int p, int v, const std::map<int, int> &all) {
        if (p < 126 && (p % kOperatorBlockParams == 17 || p % kOperatorBlockParams == 18 ||
                        p % kOperatorBlockParams == 19)) {
            const int base = p - p % kOperatorBlockParams;
            const int mode = all.at(base + 17), coarse = all.at(base + 18), fine = all.at(base + 19);
            if (p % kOperatorBlockParams == 17)
                return mode > 1 ? std::to_string(mode) + "!" : OscModeText(mode);
            return FrequencyText(mode, coarse, fine);
        }
        if (!ParamInRange(p, v)) {
            // Shown as it is, marked; a named value as its number.
            const bool named =
                (p < 126 && (p % kOperatorBlockParams == 11 || p % kOperatorBlockParams == 12)) ||
                p == param::LfoWave || p == param::LfoKeySync || p == param::OscKeySync;
            return (named ? PlainText(v) : InRange(p, v, all)) + "!";
        }
        return InRange(p, v, all);
    }
    static std::string InRange(int p, int v, const std::map<int, int> &all) {
        if (p < 126) {
            const int k = p % kOperatorBlockParams, base = p - k;
            switch (static_cast<OpParam>(k)) {
            case OpParam::BreakPoint:
                return BreakPointText(v);
            case OpParam::LeftCurve:
            case OpParam::RightCurve:
                return CurveName(v).value_or("?");
            case OpParam::OscMode:
                return OscModeText(v);
            case OpParam::FreqCoarse:
            case OpParam::FreqFine:
                return FrequencyText(all.at(base + 17), all.at(base + 18), all.at(base + 19));
            case OpParam::Detune:
                return DetuneText(v);
            default:
                return PlainText(v);
            }
        }
        switch (p) {
        case param::Algorithm:
            return PlainText(v + 1);
        case param::OscKeySync:
            return OscSyncText(v);
        case param::LfoWave:
            return LfoWaveName(v).value_or("?");
        case param::LfoKeySync:
            return LfoSyncText(v);
        case param::Transpose:
            return TransposeText(v);
        default:
            return PlainText(v);
        }
    }

    // GIVEN the loaded voice WHEN each group is opened and applied as it
    // opens THEN every value sent is the stored byte read through the one
    // rule, the chart showed exactly that value before and after, the zone
    // opened on it, and the edit buffer holds what was sent.
    void ApplyEveryGroupAndCompare(const Slot &voice, const std::string &what) {
        std::map<int, int> all;
        for (int p = 0; p < param::Name1; ++p)
            all[p] = ParamValue(p, voice[ParamPos(p)]);
        for (const GroupInfo &g : GroupTable()) {
            SCOPED_TRACE(what + ", group " + std::to_string(g.group));
            form.openGroup(g.group);
            const auto chartBefore = form.rows;
            const auto textBefore = form.text;
            const std::string text8Before = form.text8, label29Before = form.label29;
            // The zone opens on what the chart shows.
            if (g.panel == GroupPanel::Value || g.panel == GroupPanel::OnOff) {
                EXPECT_EQ(form.text40, PlainText(all.at(g.group)));
            }
            if (g.panel == GroupPanel::OnOff) {
                EXPECT_EQ(form.option1, all.at(g.group) == 1);
            }
            if (g.panel == GroupPanel::Algorithm) {
                EXPECT_EQ(form.text40, PlainText(all.at(g.group) + 1));
            }
            if (g.panel == GroupPanel::Oscillator) {
                EXPECT_EQ(form.option5, all.at(param::OscKeySync) == 1);
                EXPECT_EQ(form.text40, PlainText(all.at(param::OscKeySync)));
                for (int j = 0; j < 6; ++j)
                    EXPECT_EQ(form.option4[static_cast<std::size_t>(j)],
                              all.at(OpParamNumber(j + 1, OpParam::OscMode)) != 0)
                        << "column " << j;
            }
            const Slot bufferBefore = f.ws.editBuffer();
            f.out.sent.clear();
            form.command1Click();
            EXPECT_TRUE(f.host.boxes.empty()) << (f.host.boxes.empty() ? "" : f.host.boxes.back().text);
            const auto changes = SentChanges();
            EXPECT_EQ(changes.size(), static_cast<std::size_t>(g.count));
            for (const auto &[p, v] : changes) {
                EXPECT_EQ(v, SentByApply(p, all.at(p)))
                    << "parameter " << p << " stored " << int(voice[ParamPos(p)]);
                EXPECT_EQ(ChartText(p), Expected(p, all.at(p), all)) << "parameter " << p;
                EXPECT_EQ(f.ws.editBuffer()[ParamPos(p)], v) << "parameter " << p;
            }
            EXPECT_EQ(form.rows, chartBefore);
            EXPECT_EQ(form.text, textBefore);
            EXPECT_EQ(form.text8, text8Before);
            EXPECT_EQ(form.label29, label29Before);
            for (int p = 0; p < static_cast<int>(kParamCount); ++p) {
                const bool sent =
                    std::any_of(changes.begin(), changes.end(), [&](auto c) { return c.first == p; });
                if (!sent) {
                    EXPECT_EQ(f.ws.editBuffer()[ParamPos(p)], bufferBefore[ParamPos(p)]) << p;
                }
            }
        }
    }

    // Every voice of a bank loaded in turn, each applied group by group.
    void ApplyEveryVoiceAndCompare(const std::vector<Slot> &voices, const std::string &name) {
        int n = 0;
        for (const Slot &voice : voices) {
            Load(voice, ++n);
            ApplyEveryGroupAndCompare(voice, name + " voice " + std::to_string(n));
        }
    }
};

// A voice with one kind of out-of-range byte in every parameter.
Slot EveryByte(Byte (*of)(int p)) {
    Slot v = InitialVoice();
    for (int p = 0; p < param::Name1; ++p)
        v[ParamPos(p)] = of(p);
    return v;
}

Bytes ReadTestFile(const std::string &name) {
    const auto file = std::filesystem::path(VOXMERE_TESTDATA) / name;
    std::ifstream in(file, std::ios::binary);
    if (!in) return {};
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The 32 voices of a clean bulk dump, unpacked as the bank import does.
std::vector<Slot> BankVoices(const Bytes &bulk) {
    std::vector<Slot> voices;
    for (std::size_t n = 0; n < kBankSlots; ++n) {
        Slot slot{};
        std::copy(kVoiceHeader.begin(), kVoiceHeader.end(), slot.begin());
        UnpackVoice(std::span<const Byte, kPackedVoiceSize>(bulk.data() + kBulkDataPos + n * kPackedVoiceSize,
                                                            kPackedVoiceSize),
                    slot);
        voices.push_back(slot);
    }
    return voices;
}

// The 32 voices of a bank in the test data, or none and a failure naming the file.
std::vector<Slot> TestBankVoices(const std::string &name) {
    const Bytes bulk = ReadTestFile(name);
    if (bulk.size() != kBulkMessageSize) {
        ADD_FAILURE() << "cannot read the test file " << name << " (" << bulk.size() << " bytes)";
        return {};
    }
    return BankVoices(bulk);
}

} // namespace

// --- Out-of-range bytes: one rule for the chart, the zone and the wire ------

TEST_F(Form2ValuesTest, GivenBit7OnEveryParameterThenTheChartTheZoneAndTheChangesShowTheLow7Bits) {
    // Each byte an in-range value with bit 7 added: the wire drops bit 7.
    const Slot voice =
        EveryByte([](int p) { return static_cast<Byte>(0x80 | ((p * 5 + 3) % (ParamMax(p) + 1))); });
    Load(voice);
    ApplyEveryGroupAndCompare(voice, "bit 7 on every byte");
}

TEST_F(Form2ValuesTest, GivenEveryParameterJustAboveItsRangeThenItIsShownAsItIsMarked) {
    const Slot voice = EveryByte([](int p) { return static_cast<Byte>(ParamMax(p) + 1); });
    Load(voice);
    EXPECT_EQ(form.text8, "33!");
    EXPECT_EQ(form.text[2], "6!");
    EXPECT_EQ(form.text[17], "C# 5!");
    EXPECT_EQ(form.chart(32)[0], "4!");
    EXPECT_EQ(form.chart(22)[0], "+8!");
    EXPECT_EQ(form.chart(31)[0], "C# 8!");
    ApplyEveryGroupAndCompare(voice, "one above the range");
}

TEST_F(Form2ValuesTest, GivenEveryByteAt255ThenEachParameterIsShownAsItsSevenBitsMarked) {
    const Slot voice = EveryByte([](int) { return Byte{0xFF}; });
    Load(voice);
    EXPECT_EQ(form.text[3], "127!");
    EXPECT_EQ(form.chart(20)[0], "127!");
    ApplyEveryGroupAndCompare(voice, "0xFF everywhere");
}

TEST_F(Form2ValuesTest, GivenEachVoiceOfARealBankWithBit7BytesThenWhatIsShownIsWhatIsSent) {
    const std::string name = "bit7-bytes-and-f0-inside.syx";
    const std::vector<Slot> voices = TestBankVoices(name);
    ASSERT_EQ(voices.size(), kBankSlots);
    int bit7 = 0;
    for (const Slot &voice : voices)
        for (int p = 0; p < param::Name1; ++p)
            bit7 += voice[ParamPos(p)] > 0x7F;
    ASSERT_GT(bit7, 100) << name << " should hold parameter bytes with bit 7 set";
    ApplyEveryVoiceAndCompare(voices, name);
}

TEST_F(Form2ValuesTest, GivenARealBankWithValuesAboveTheirRangesThenWhatIsShownIsWhatIsSent) {
    const std::string name = "control-chars-in-names.syx";
    const std::vector<Slot> voices = TestBankVoices(name);
    ASSERT_EQ(voices.size(), kBankSlots);
    ApplyEveryVoiceAndCompare(voices, name);
}

TEST_F(Form2ValuesTest, GivenAnOutOfRangeVoiceThenTheDumpTheEditorIsOpenedWithCarriesTheShownValues) {
    const Slot voice = EveryByte([](int p) { return static_cast<Byte>(p % 2 ? 0xFF : ParamMax(p) + 1); });
    test::PlaceAs(f.ws, 9, voice);
    f.out.sent.clear();
    SendEditArea(f.state, f.host, f.ws);
    ASSERT_EQ(f.out.sent.size(), 2u);
    const Bytes &dump = f.out.sent[1];
    ASSERT_EQ(dump.size(), kImageSize);
    for (int p = 0; p < static_cast<int>(kParamCount); ++p)
        EXPECT_EQ(dump[ParamPos(p)], ParamValue(p, voice[ParamPos(p)])) << "parameter " << p;
    EXPECT_EQ(dump[kChecksumPos], ChecksumOf(std::span<const Byte>(dump.data() + kParamBase, kParamCount)));
    EXPECT_EQ(f.ws.voiceTable()[9], voice) << "the slot keeps its own bytes";
    form.load();
    EXPECT_EQ(form.text[3], PlainText(dump[ParamPos(param::LfoSpeed)]) + "!");
    EXPECT_EQ(form.chart(31)[2],
              BreakPointText(dump[ParamPos(BlockParamNumber(2, OpParam::BreakPoint))]) + "!");
}

TEST_F(Form2ValuesTest, GivenAnInRangeVoiceThenTheDumpIsTheSlotAsItStands) {
    const Slot voice = InitialVoice();
    test::PlaceAs(f.ws, 3, voice);
    SendEditArea(f.state, f.host, f.ws);
    ASSERT_EQ(f.out.sent.size(), 2u);
    const auto expected = BuildVoiceDump(voice);
    EXPECT_EQ(f.out.sent[1], Bytes(expected.begin(), expected.end()));
}

TEST_F(Form2ValuesTest, GivenNameBytesWithBit7ThenTheNameBoxShowsTheNameTheDx7Gets) {
    Slot voice = InitialVoice();
    voice[kNamePos] = 0xC1;     // 'A' with bit 7
    voice[kNamePos + 1] = 0xCE; // 'N'
    Load(voice);
    EXPECT_EQ(form.text39, "ANIT VOICE");
    EXPECT_EQ(form.loadedName, "ANIT VOICE");
    const auto dump = BuildVoiceDump(VoiceAsSent(voice));
    EXPECT_EQ(dump[kNamePos], 'A');
    EXPECT_EQ(dump[kNamePos + 1], 'N');
}

// One odd byte in a voice parameter: the chart, the zone, the change sent and
// the edit buffer all say the same value.
namespace {

struct OddByte {
    const char *name;
    int param;
    Byte stored;
    std::size_t box; // form.text index of the parameter's chart box
    const char *control;
    const char *shown; // in the chart box, before and after the apply
    const char *zone;  // in the value box
    int sent;
    std::optional<bool> onOption; // the ON option button, for a switch
};

void PrintTo(const OddByte &c, std::ostream *os) { *os << c.name; }

class Form2OddByteTest : public Form2ValuesTest, public ::testing::WithParamInterface<OddByte> {};

} // namespace

TEST_P(Form2OddByteTest, GivenAnOddByteThenTheChartTheZoneAndTheChangeAllSayTheSameValue) {
    const OddByte &c = GetParam();
    Slot voice = InitialVoice();
    voice[ParamPos(c.param)] = c.stored;
    Load(voice);
    EXPECT_EQ(form.text[c.box], c.shown);
    form.controlClick(c.control);
    if (c.onOption) {
        EXPECT_EQ(form.option1, *c.onOption);
    }
    EXPECT_EQ(form.text40, c.zone);
    form.command1Click();
    EXPECT_EQ(f.out.sent, (std::vector<Bytes>{Change(c.param, SentByApply(c.param, c.sent))}));
    EXPECT_EQ(form.text[c.box], c.shown);
    EXPECT_EQ(f.ws.editBuffer()[ParamPos(c.param)], SentByApply(c.param, c.sent));
}

INSTANTIATE_TEST_SUITE_P(
    Parameters, Form2OddByteTest,
    ::testing::Values(
        // bit 7 on an in-range value: 143 is 15
        OddByte{"LfoSpeed143Is15", param::LfoSpeed, 143, 3, "Text3", "15", "15", 15, std::nullopt},
        // a switch byte above 1 is shown as it is, marked
        OddByte{"LfoSyncByte2IsShownAsItIs", param::LfoKeySync, 2, 7, "Text7", "2!", "2", 2, false}),
    [](const ::testing::TestParamInfo<OddByte> &info) { return std::string(info.param.name); });

// --- Switch and mode bytes outside 0..1 ---------------------------------------

TEST_F(Form2ValuesTest, GivenOscModeByte2AndKeySyncByte3ThenChartZoneAndChangesShowThemAsTheyAre) {
    Slot voice = InitialVoice();
    voice[ParamPos(OpParamNumber(1, OpParam::OscMode))] = 2;
    voice[ParamPos(OpParamNumber(1, OpParam::FreqCoarse))] = 1;
    voice[ParamPos(param::OscKeySync)] = 3;
    Load(voice);
    EXPECT_EQ(form.chart(20)[5], "2!");
    EXPECT_EQ(form.chart(21)[5], "1!"); // ratio 1 x coarse 1, marked for the mode
    EXPECT_EQ(form.label29, "3!");
    form.controlClick("Text20_5");
    EXPECT_TRUE(form.option4[0]);
    EXPECT_EQ(form.text42[0], "1!");
    EXPECT_FALSE(form.option5);
    form.command1Click();
    EXPECT_TRUE(f.host.boxes.empty());
    ASSERT_EQ(f.out.sent.size(), 19u);
    EXPECT_EQ(f.out.sent[5],
              Change(OpParamNumber(1, OpParam::OscMode), SentByApply(OpParamNumber(1, OpParam::OscMode), 2)));
    EXPECT_EQ(f.out.sent[11], Change(OpParamNumber(1, OpParam::FreqCoarse), 1));
    EXPECT_EQ(f.out.sent[18], Change(param::OscKeySync, SentByApply(param::OscKeySync, 3)));
    EXPECT_EQ(form.chart(20)[5], "2!");
    EXPECT_EQ(form.label29, "3!");
}

// --- Texts typed over the break point, curve and frequency columns ------------

TEST_F(Form2ValuesTest, GivenNoteNamesTypedInTheBreakPointColumnsThenTheyAreApplied) {
    Load(InitialVoice());
    form.controlClick("Text31");
    form.text42[0] = "C 3"; // operator 1
    form.text42[1] = "c#4"; // operator 2, small letter, no blank
    form.text42[2] = " A-1 ";
    form.text42[5] = "C8"; // operator 6
    form.command1Click();
    ASSERT_TRUE(f.host.boxes.empty());
    const auto changes = SentChanges();
    ASSERT_EQ(changes.size(), 6u);
    EXPECT_EQ(changes[5], std::make_pair(OpParamNumber(1, OpParam::BreakPoint), 39));
    EXPECT_EQ(changes[4], std::make_pair(OpParamNumber(2, OpParam::BreakPoint), 52));
    EXPECT_EQ(changes[3], std::make_pair(OpParamNumber(3, OpParam::BreakPoint), 0));
    EXPECT_EQ(changes[0], std::make_pair(OpParamNumber(6, OpParam::BreakPoint), 99));
    EXPECT_EQ(form.chart(31)[4], "C# 4");
    EXPECT_EQ(form.text42[1], "C# 4") << "the zone shows what was applied";
    EXPECT_EQ(form.chart(31)[3], "A-1");
    EXPECT_EQ(form.values.breakPoint[2], 52);
    EXPECT_EQ(form.entry.breakPoint[1], 52);
    // A step goes on from the applied value.
    form.upDown6Up(1);
    EXPECT_EQ(form.text42[1], "D 4");
}

TEST_F(Form2ValuesTest, GivenCurveNamesTypedOnBothRowsThenTheyAreApplied) {
    Load(InitialVoice());
    form.controlClick("Text32");
    form.text42[2] = "+exp";  // operator 3, left
    form.text44[0] = " -EXP"; // operator 1, right
    form.command1Click();
    ASSERT_TRUE(f.host.boxes.empty());
    const auto changes = SentChanges();
    ASSERT_EQ(changes.size(), 12u);
    EXPECT_EQ(changes[3], std::make_pair(OpParamNumber(3, OpParam::LeftCurve), 2));
    EXPECT_EQ(changes[11], std::make_pair(OpParamNumber(1, OpParam::RightCurve), 1));
    EXPECT_EQ(form.chart(32)[3], "+EXP");
    EXPECT_EQ(form.chart(33)[5], "-EXP");
    EXPECT_EQ(form.text42[2], "+EXP");
    EXPECT_EQ(form.text44[0], "-EXP");
    EXPECT_EQ(form.values.leftCurve[3], 2);
    EXPECT_EQ(form.entry.rightCurve[0], 1);
}

TEST_F(Form2ValuesTest, GivenFrequenciesTypedInTheOscillatorColumnsThenCoarseAndFineAreApplied) {
    Slot voice = InitialVoice();
    voice[ParamPos(OpParamNumber(4, OpParam::OscMode))] = 1;
    voice[ParamPos(OpParamNumber(4, OpParam::FreqCoarse))] = 5; // fixed: x10, coarse 5 as stored
    Load(voice);
    form.controlClick("Text21");
    form.text42[0] = "3";     // ratio 3: coarse 3, fine 0 (not coarse 2 with fine 50)
    form.text42[1] = "0.50";  // ratio 0.5: coarse 0
    form.text42[2] = "1.5";   // coarse 1, fine 50
    form.text42[3] = "10.23"; // fixed x10 at fine 1: coarse 5 kept
    form.option4Click(4);     // operator 5 to fixed...
    form.text42[4] = "100";   // ...at 100 Hz: coarse 2, fine 0
    form.command1Click();
    ASSERT_TRUE(f.host.boxes.empty()) << f.host.boxes[0].text;
    const auto changes = SentChanges();
    ASSERT_EQ(changes.size(), 19u);
    std::map<int, int> sent(changes.begin(), changes.end());
    auto coarseFine = [&](int op) {
        return std::make_pair(sent.at(OpParamNumber(op, OpParam::FreqCoarse)),
                              sent.at(OpParamNumber(op, OpParam::FreqFine)));
    };
    EXPECT_EQ(coarseFine(1), std::make_pair(3, 0));
    EXPECT_EQ(coarseFine(2), std::make_pair(0, 0));
    EXPECT_EQ(coarseFine(3), std::make_pair(1, 50));
    EXPECT_EQ(coarseFine(4), std::make_pair(5, 1));
    EXPECT_EQ(coarseFine(5), std::make_pair(2, 0));
    EXPECT_EQ(sent.at(OpParamNumber(5, OpParam::OscMode)), 1);
    EXPECT_EQ(form.chart(21)[5], "3");
    EXPECT_EQ(form.chart(21)[4], "0.5");
    EXPECT_EQ(form.chart(21)[2], "10.23");
    EXPECT_EQ(form.chart(21)[1], "100");
    EXPECT_EQ(form.chart(20)[1], "F");
    EXPECT_EQ(form.text42[1], "0.5") << "the zone shows what was applied";
    EXPECT_EQ(form.entry.coarse[0], 3);
    EXPECT_EQ(form.values.freqFine[3], 50);
}

TEST_F(Form2ValuesTest, GivenANumberTypedAboveItsRangeThenTheZoneShowsTheValueSent) {
    Load(InitialVoice());
    form.controlClick("Text37");
    form.text42[0] = "250";
    form.command1Click();
    EXPECT_EQ(f.out.sent.back(), Change(OpParamNumber(1, OpParam::OutputLevel), 99));
    EXPECT_EQ(form.chart(37)[5], "99");
    EXPECT_EQ(form.text42[0], "99");
    form.controlClick("Text4");
    form.text40 = "300";
    f.out.sent.clear();
    form.command1Click();
    EXPECT_EQ(f.out.sent, (std::vector<Bytes>{Change(param::LfoDelay, 99)}));
    EXPECT_EQ(form.text40, "99");
    form.controlClick("Text8");
    form.text40 = "40";
    form.text40Change();
    f.out.sent.clear();
    form.command1Click();
    EXPECT_EQ(f.out.sent, (std::vector<Bytes>{Change(param::Algorithm, 31)}));
    EXPECT_EQ(form.text8, "32");
    EXPECT_EQ(form.text40, "32");
    EXPECT_EQ(form.picture3File, "alg32.jpg") << "the zone's picture shows the algorithm applied";
}

// --- Texts no setting gives: the apply is refused and nothing changes ----------

namespace {

struct RefusedTexts {
    const char *name;
    const char *column; // the chart column clicked to open the group
    bool rightRow;      // typed into the lower (right curve) row of boxes
    std::size_t operatorBox;
    std::vector<const char *> typed;
    Text message;
};

void PrintTo(const RefusedTexts &c, std::ostream *os) { *os << c.name; }

class Form2RefusedTextTest : public Form2ValuesTest, public ::testing::WithParamInterface<RefusedTexts> {};

} // namespace

TEST_P(Form2RefusedTextTest, GivenATextThatNamesNoValueThenTheApplyIsRefusedAndNothingChanges) {
    const RefusedTexts &c = GetParam();
    Load(InitialVoice());
    for (const char *typed : c.typed) {
        SCOPED_TRACE(typed);
        form.controlClick(c.column);
        (c.rightRow ? form.text44 : form.text42)[c.operatorBox] = typed;
        const Slot buffer = f.ws.editBuffer();
        const auto chart = form.rows;
        f.host.boxes.clear();
        form.command1Click();
        EXPECT_TRUE(f.out.sent.empty());
        EXPECT_EQ(f.ws.editBuffer(), buffer);
        EXPECT_EQ(form.rows, chart);
        ASSERT_EQ(f.host.boxes.size(), 1u);
        EXPECT_EQ(f.host.boxes[0].text, std::string(c.message) + "「" + typed + "」");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Columns, Form2RefusedTextTest,
    ::testing::Values(RefusedTexts{"BreakPoint",
                                   "Text31",
                                   false,
                                   3,
                                   {"C#8", "H 2", "39", "C-1", "E#3", "", "C 3x"},
                                   form2_text::kNotABreakPoint},
                      RefusedTexts{
                          "RightCurve", "Text33", true, 4, {"EXP", "+LOG", "2", ""}, form2_text::kNotACurve},
                      RefusedTexts{"Frequency",
                                   "Text21",
                                   false,
                                   2,
                                   {"7.777", "-1", "abc", "", "100000", "1e2"},
                                   form2_text::kNotAFrequency}),
    [](const ::testing::TestParamInfo<RefusedTexts> &info) { return std::string(info.param.name); });
