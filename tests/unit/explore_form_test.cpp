// The 音色探索 window's behaviour over a whole program: each result is one
// step of the history and reaches the instrument at once.
#include "scripted_dx7.h" // MakeBankVoice
#include "test_support.h"

#include "editor/explore_form.h"

#include <gtest/gtest.h>

namespace vox::test {
namespace {

std::array<Byte, kParamCount> Params(const Slot &v) {
    std::array<Byte, kParamCount> p{};
    std::copy(v.begin() + 6, v.begin() + 6 + kParamCount, p.begin());
    return p;
}

// A voice dump of `voice` as the instrument is sent it.
bool IsDumpOf(const std::vector<Byte> &m, const Slot &voice) {
    return m.size() == 163 && m[0] == 0xF0 && m[3] == 0x00 &&
           std::equal(m.begin() + 6, m.begin() + 161, voice.begin() + 6);
}

struct ExploreFixture : ProgramFixture {
    ExploreForm &explore = program.explore;
    Slot original;
    ExploreFixture() {
        out.opened = true;
        SeedBank(ws, MakeBankVoice);
        ws.placeEntry(1);
        original = ws.editBuffer();
        explore.open();
        explore.text1 = "12345";
        out.sent.clear();
    }
    // Undoes one step; true when that brought back the voice placed.
    bool OneUndoBringsBackTheOriginal() { return ws.undo() && Params(ws.editBuffer()) == Params(original); }
};

TEST(ExploreForm, RandomAtNoAmountLeavesTheVoiceAndSendsNothing) {
    ExploreFixture f;
    f.explore.hScroll1Change(0);
    f.explore.command1Click();
    EXPECT_EQ(f.ws.editBuffer(), f.original);
    EXPECT_TRUE(f.out.sent.empty());
    EXPECT_FALSE(f.ws.canRedo());
    EXPECT_FALSE(f.OneUndoBringsBackTheOriginal()); // no step was added: the undo takes back the placement
}

TEST(ExploreForm, RandomAtFullAmountIsOneStepAndIsHeardAsADump) {
    ExploreFixture f;
    f.explore.hScroll1Change(100);
    f.explore.command1Click();
    ASSERT_NE(Params(f.ws.editBuffer()), Params(f.original));
    ASSERT_FALSE(f.out.sent.empty());
    EXPECT_TRUE(IsDumpOf(f.out.sent.back(), f.ws.editBuffer()));
    EXPECT_TRUE(f.ws.editAreaChanged());
    EXPECT_TRUE(f.OneUndoBringsBackTheOriginal());
}

TEST(ExploreForm, AFewChangesGoAsParameterChanges) {
    ExploreFixture f;
    // Everything locked but the name-free common part: only a few parameters move.
    f.explore.check1 = f.explore.check2 = f.explore.check3 = true;
    f.explore.check4.fill(true);
    f.explore.hScroll1Change(100);
    f.explore.command1Click();
    const auto changed = Params(f.ws.editBuffer());
    int differ = 0;
    for (std::size_t p = 0; p < kParamCount; ++p)
        differ += changed[p] != Params(f.original)[p];
    ASSERT_GT(differ, 0);
    ASSERT_EQ(static_cast<int>(f.out.sent.size()), differ);
    for (const auto &m : f.out.sent) // F0 43 10 gg pp vv F7
        EXPECT_EQ(changed[static_cast<std::size_t>((m[3] & 0x03) * 128 + m[4])], m[5]);
}

TEST(ExploreForm, OneDragOfTheMorphIsOneStepEndingAtThePartner) {
    ExploreFixture f;
    f.explore.combo1Click(4); // entry 5
    f.explore.hScroll2Press();
    for (int percent = 10; percent <= 100; percent += 10)
        f.explore.hScroll2Change(percent);
    f.explore.hScroll2Release();
    EXPECT_EQ(Params(f.ws.editBuffer()), Params(f.ws.slot(5)));
    EXPECT_TRUE(f.OneUndoBringsBackTheOriginal());
}

TEST(ExploreForm, AMorphBackToNothingGivesTheVoiceItStartedFrom) {
    ExploreFixture f;
    f.explore.combo1Click(4);
    f.explore.hScroll2Change(60);
    f.explore.hScroll2Change(0);
    EXPECT_EQ(f.ws.editBuffer(), f.original);
}

TEST(ExploreForm, AdoptedVariationIsWhereTheNextSetStarts) {
    ExploreFixture f;
    f.explore.hScroll1Change(20);
    f.explore.command3Click();
    ASSERT_TRUE(f.explore.variationsVisible);
    f.explore.command5Click(2);
    const Slot third = f.ws.editBuffer();
    ASSERT_NE(third, f.original);
    f.explore.command5Click(5); // auditions replace one another
    f.explore.command5Click(2);
    EXPECT_EQ(f.ws.editBuffer(), third);
    f.explore.command4Click();
    EXPECT_FALSE(f.explore.variationsVisible);
    // The same seed from the adopted voice gives what Variations gives from it.
    f.explore.command3Click();
    f.explore.command5Click(0);
    EXPECT_EQ(f.ws.editBuffer(), Variations(third, 0.2, 8, {}, 12345)[0]);
}

TEST(ExploreForm, ASeedThatIsNoNumberIsRefusedAndNothingChanges) {
    ExploreFixture f;
    f.explore.text1 = "12a";
    f.explore.hScroll1Change(100);
    f.explore.command1Click();
    ASSERT_EQ(f.host.boxes.size(), 1u);
    EXPECT_EQ(f.host.boxes[0].text, explore_text::kSeedInvalid);
    EXPECT_EQ(f.ws.editBuffer(), f.original);
}

TEST(ExploreForm, SeedsAreReadLikeOtherNumbers) {
    EXPECT_EQ(ReadSeed(" 42 "), 42u);
    EXPECT_EQ(ReadSeed("４２"), 42u);
    EXPECT_EQ(ReadSeed("18446744073709551615"), 18446744073709551615ULL);
    EXPECT_EQ(ReadSeed("18446744073709551616"), std::nullopt);
    EXPECT_EQ(ReadSeed("4 2"), std::nullopt);
    EXPECT_EQ(ReadSeed("-1"), std::nullopt);
}

} // namespace
} // namespace vox::test
