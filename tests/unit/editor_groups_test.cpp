// The table of parameter groups drives the editor: every group, opened,
// stepped once and applied, sends the parameters the instrument numbers for
// it, in the documented order, with the stepped value, and the chart shows
// the stepped value in the group's own text form.
#include "editor/form2.h"
#include "editor/groups.h"
#include "editor/step_rules.h"
#include "test_support.h"
#include "voice/init_voice.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

using namespace vox;
using Bytes = std::vector<Byte>;

namespace {

// The DX7's voice parameter numbers as its MIDI data format lists them:
// 21 parameters per operator, operator 6 first (0..125), then the globals.
constexpr const char *kOperatorNames[21] = {"EG R1", "EG R2", "EG R3", "EG R4", "EG L1", "EG L2", "EG L3",
                                            "EG L4", "BP",    "LD",    "RD",    "LC",    "RC",    "RS",
                                            "AMS",   "KVS",   "OL",    "MODE",  "FC",    "FF",    "DET"};
constexpr const char *kGlobalNames[19] = {"PEG R1",   "PEG R2",    "PEG R3",    "PEG R4",    "PEG L1",
                                          "PEG L2",   "PEG L3",    "PEG L4",    "ALGORITHM", "FEEDBACK",
                                          "OSC SYNC", "LFO SPEED", "LFO DELAY", "LFO PMD",   "LFO AMD",
                                          "LFO SYNC", "LFO WAVE",  "LFO PMS",   "TRANSPOSE"};

std::string PublishedName(int p) {
    if (p >= 0 && p < 126) return "OP" + std::to_string(6 - p / 21) + " " + kOperatorNames[p % 21];
    if (p >= 126 && p < 145) return kGlobalNames[p - 126];
    return "parameter " + std::to_string(p);
}

// "OP6 x", "OP5 x" .. "OP1 x" for each name in turn.
std::vector<std::string> EachOperator(std::initializer_list<const char *> names) {
    std::vector<std::string> out;
    for (const char *name : names)
        for (int op = 6; op >= 1; --op)
            out.push_back("OP" + std::to_string(op) + " " + name);
    return out;
}
// Every name of operator 6, then of operator 5 .. operator 1.
std::vector<std::string> OperatorByOperator(std::initializer_list<const char *> names) {
    std::vector<std::string> out;
    for (int op = 6; op >= 1; --op)
        for (const char *name : names)
            out.push_back("OP" + std::to_string(op) + " " + name);
    return out;
}

Bytes Change(int p, int v) {
    return {0xF0, 0x43, 0x10, static_cast<Byte>(p >> 7), static_cast<Byte>(p & 0x7F), static_cast<Byte>(v),
            0xF7};
}

// A voice whose operators differ: operator 1 (block 5) holds the lowest
// value, an eighth of each parameter's range, and the globals the middle of
// theirs, so one step up stays inside the range.
Slot SpreadVoice() {
    Slot v = InitialVoice();
    for (int p = 0; p < param::Name1; ++p) {
        const int top = ParamMax(p) + 1;
        const int value = p < 126 ? top * (6 - p / 21) / 8 : (top - 1) / 2;
        v[ParamPos(p)] = static_cast<Byte>(value);
    }
    return v;
}

class EditorGroupsTest : public ::testing::Test {
protected:
    test::ProgramFixture f;
    Form2 &form = f.program.form2;
    Slot voice = SpreadVoice();

    void SetUp() override {
        f.out.open();
        test::PlaceAs(f.ws, 4, test::Named(voice, "SPREAD"));
        form.load();
        f.out.sent.clear();
    }
};

// What one group does, written from the instrument's numbering and the
// editor's own texts, not from the group table.
struct Expectation {
    std::vector<std::string> sent;             // parameter names, in sending order
    std::string stepped;                       // the parameter the one step changes
    std::function<void(Form2 &)> step;         // one click in the zone
    std::function<std::string(Form2 &)> shown; // where the chart shows it
    std::string text;                          // its text after the apply
};

std::map<int, Expectation> Expectations() {
    auto columnUp = [](Form2 &f) { f.upDown6Up(0); }; // operator 1's column, single step
    auto valueUp = [](Form2 &f) { f.upDown1Up(); };
    auto row = [](int control) { return [control](Form2 &f) { return f.chart(control)[5]; }; }; // operator 1
    auto global = [](std::size_t n) { return [n](Form2 &f) { return f.text[n]; }; };
    const std::vector<std::string> none;
    return {
        {0,
         {OperatorByOperator({"EG R1", "EG R2", "EG R3", "EG R4", "EG L1", "EG L2", "EG L3", "EG L4"}),
          "OP1 EG R1", [](Form2 &f) { f.upDown10Up(0); }, row(23), "13"}},
        {8, {EachOperator({"BP"}), "OP1 BP", columnUp, row(31), "A# 0"}},
        {9, {EachOperator({"LD", "RD"}), "OP1 LD", columnUp, row(34), "13"}},
        {11, {EachOperator({"LC", "RC"}), "OP1 LC", columnUp, row(32), "-EXP"}},
        {13, {EachOperator({"RS"}), "OP1 RS", columnUp, row(36), "2"}},
        {14, {EachOperator({"AMS"}), "OP1 AMS", columnUp, row(19), "1"}},
        {15, {EachOperator({"KVS"}), "OP1 KVS", columnUp, row(38), "2"}},
        {16, {EachOperator({"OL"}), "OP1 OL", columnUp, row(37), "13"}},
        {17,
         {[] {
              auto names = EachOperator({"MODE", "FC", "FF"});
              names.push_back("OSC SYNC");
              return names;
          }(),
          "OP1 FF", columnUp, row(21), "4.52"}},
        {20, {EachOperator({"DET"}), "OP1 DET", columnUp, row(22), "-5"}},
        {126,
         {{"PEG R1", "PEG R2", "PEG R3", "PEG R4", "PEG L1", "PEG L2", "PEG L3", "PEG L4"},
          "PEG R1",
          [](Form2 &f) { f.upDown4Up(0); },
          global(9),
          "50"}},
        {134, {{"ALGORITHM"}, "ALGORITHM", valueUp, [](Form2 &f) { return f.text8; }, "17"}},
        {135, {{"FEEDBACK"}, "FEEDBACK", valueUp, global(1), "4"}},
        {137, {{"LFO SPEED"}, "LFO SPEED", valueUp, global(3), "50"}},
        {138, {{"LFO DELAY"}, "LFO DELAY", valueUp, global(4), "50"}},
        {139, {{"LFO PMD"}, "LFO PMD", valueUp, global(5), "50"}},
        {140, {{"LFO AMD"}, "LFO AMD", valueUp, global(6), "50"}},
        {141, {{"LFO SYNC"}, "LFO SYNC", [](Form2 &f) { f.option1Click(); }, global(7), "ON"}},
        {142, {{"LFO WAVE"}, "LFO WAVE", valueUp, global(2), "SQUA"}},
        {143, {{"LFO PMS"}, "LFO PMS", valueUp, global(18), "4"}},
        {144, {{"TRANSPOSE"}, "TRANSPOSE", valueUp, global(17), "C# 3"}},
    };
}

// GIVEN a voice whose operators all differ WHEN every group of the table is
// clicked open, stepped once on operator 1 (or its single value) and
// applied THEN the messages are the instrument's parameter changes for
// exactly that group's parameters in the documented order, each carrying
// the voice's value except the stepped one, which carries one more; the
// edit buffer holds what was sent and the chart shows the stepped value.
TEST_F(EditorGroupsTest, EveryGroupOpensStepsAndAppliesThroughItsRow) {
    const auto expectations = Expectations();
    std::set<int> groupsSeen;
    for (const GroupInfo &g : GroupTable()) {
        SCOPED_TRACE("group " + std::to_string(g.group));
        const auto e = expectations.find(g.group);
        ASSERT_NE(e, expectations.end()) << "a group nobody expects";
        groupsSeen.insert(g.group);
        const Expectation &x = e->second;

        form.controlClick(g.targets[0]);
        ASSERT_EQ(form.selectedGroup(), g.group);
        ASSERT_TRUE(form.frame1Visible);
        x.step(form);
        EXPECT_TRUE(f.out.sent.empty()) << "a step sends nothing";
        form.command1Click();
        EXPECT_TRUE(f.host.boxes.empty()) << (f.host.boxes.empty() ? "" : f.host.boxes.back().text);

        ASSERT_EQ(f.out.sent.size(), x.sent.size());
        for (std::size_t n = 0; n < x.sent.size(); ++n) {
            const Bytes &m = f.out.sent[n];
            ASSERT_EQ(m.size(), 7u);
            const int p = m[3] * 128 + m[4];
            EXPECT_EQ(PublishedName(p), x.sent[n]) << "message " << n;
            const int before = voice[ParamPos(p)];
            const int expected = x.sent[n] == x.stepped ? before + 1 : before;
            EXPECT_EQ(m, Change(p, expected)) << x.sent[n];
            EXPECT_EQ(f.ws.editBuffer()[ParamPos(p)], expected) << x.sent[n];
        }
        EXPECT_EQ(x.shown(form), x.text);
        // The next group starts from the voice as loaded.
        f.ws.restoreEditBuffer(test::Named(voice, "SPREAD"));
        form.load();
        f.out.sent.clear();
    }
    EXPECT_EQ(groupsSeen.size(), expectations.size()) << "a group is missing from the table";
}

// GIVEN the table WHEN the parameters of all groups are put together THEN
// every voice parameter 0..144 belongs to exactly one group (the name,
// 145..154, goes with every apply).
TEST(EditorGroupTable, EveryVoiceParameterBelongsToExactlyOneGroup) {
    std::map<int, int> owner;
    for (const GroupInfo &g : GroupTable()) {
        for (int n = 0; n < g.count; ++n) {
            const int p = GroupParameter(g.group, n);
            EXPECT_TRUE(owner.emplace(p, g.group).second)
                << PublishedName(p) << " in group " << g.group << " and " << owner[p];
        }
    }
    for (int p = 0; p < param::Name1; ++p)
        EXPECT_TRUE(owner.count(p)) << PublishedName(p) << " in no group";
    EXPECT_EQ(owner.size(), static_cast<std::size_t>(param::Name1));
}

// GIVEN a group number WHEN it is not one of the table's THEN it opens
// nothing, sends nothing and has no parameters.
TEST_F(EditorGroupsTest, NumbersOutsideTheTableOpenAndSendNothing) {
    for (int number : {-1, 1, 10, 125, 136, 145, 999}) {
        form.openGroup(number);
        EXPECT_FALSE(form.frame1Visible) << number;
        EXPECT_EQ(FindGroup(number), nullptr) << number;
        EXPECT_EQ(GroupParameter(number, 0), -1) << number;
    }
    form.command1Click();
    EXPECT_TRUE(f.out.sent.empty());
}

} // namespace
