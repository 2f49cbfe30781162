// "ファンクション設定": each function setting goes to the instrument at once
// as its function parameter change, F0 43 1n 08 pp vv F7 with pp = 64 + the
// index, and only when it changes.
#include "librarian/function_form.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace vox::test {
namespace {

using Bytes = std::vector<Byte>;

struct FunctionWindow : ::testing::Test {
    ProgramFixture f;
    FunctionForm &form = f.program.functions;
    std::vector<FunctionSettings> kept;
    void SetUp() override {
        f.out.open();
        form.changed = [this](const FunctionSettings &v) { kept.push_back(v); };
        f.program.form1.mnuFunctionSettingsClick();
    }
};

TEST_F(FunctionWindow, OpensFromTheMidiMenuBesideTheMainWindow) {
    EXPECT_TRUE(form.isOpen());
    EXPECT_EQ(f.host.shown, std::vector<WindowId>{WindowId::FunctionSettings});
    form.closeClick();
    EXPECT_EQ(f.host.closed, std::vector<WindowId>{WindowId::FunctionSettings});
}

TEST_F(FunctionWindow, EachSettingIsSentAsItsFunctionParameterChange) {
    using P = FunctionParam;
    struct Case {
        P p;
        int value;
        Byte number; // the fact sheet's parameter number
    };
    const Case cases[] = {
        {P::PolyMono, 1, 64},     {P::BendRange, 12, 65},      {P::BendStep, 3, 66},    {P::PortaMode, 1, 67},
        {P::Glissando, 1, 68},    {P::PortaTime, 99, 69},      {P::WheelRange, 42, 70}, {P::FootRange, 7, 72},
        {P::BreathRange, 99, 74}, {P::AftertouchRange, 1, 76},
    };
    for (const Case &c : cases) {
        f.out.sent.clear();
        form.choose(c.p, c.value);
        EXPECT_EQ(f.out.sent,
                  (std::vector<Bytes>{{0xF0, 0x43, 0x10, 0x08, c.number, static_cast<Byte>(c.value), 0xF7}}))
            << static_cast<int>(c.p);
    }
    // Assigns: one bit a check box (pitch 1, amplitude 2, EG bias 4)
    const std::pair<int, Byte> assigns[] = {{0, 71}, {1, 73}, {2, 75}, {3, 77}};
    for (const auto &[source, number] : assigns) {
        f.out.sent.clear();
        const Byte before = static_cast<Byte>(FunctionSettings{}.get(number));
        form.assignClick(source, 2);
        form.assignClick(source, 1);
        EXPECT_EQ(f.out.sent, (std::vector<Bytes>{{0xF0, 0x43, 0x10, 0x08, number, Byte(before | 4), 0xF7},
                                                  {0xF0, 0x43, 0x10, 0x08, number, Byte(before | 6), 0xF7}}))
            << "source " << source;
        EXPECT_TRUE(form.assigned(source, 1) && form.assigned(source, 2));
    }
    EXPECT_EQ(kept.back(), form.values);
}

TEST_F(FunctionWindow, AnUnchangedOrImpossibleValueSendsNothingAndTheChannelIsTheInstruments) {
    form.choose(FunctionParam::BendRange, form.values.get(FunctionParam::BendRange));
    form.choose(FunctionParam::BendRange, 13);
    form.choose(FunctionParam::PortaTime, -1);
    EXPECT_TRUE(f.out.sent.empty());
    EXPECT_TRUE(kept.empty());
    f.state.exchange.channel = 3;
    form.sendAllClick();
    ASSERT_EQ(f.out.sent.size(), static_cast<std::size_t>(kFunctionParamCount));
    for (std::size_t i = 0; i < f.out.sent.size(); ++i) {
        EXPECT_EQ(f.out.sent[i][2], 0x12) << "channel 3";
        EXPECT_EQ(f.out.sent[i][4], 64 + i);
    }
}

} // namespace
} // namespace vox::test
