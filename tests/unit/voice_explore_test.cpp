// The exploring tools: randomize, morph, crossbreed, variations, and the
// locks under each. Ranges are the instrument's (dx7-midi-facts.md, voice
// parameters), written out here rather than taken from the program.
#include "editor/voice_explore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace vox {
namespace {

// Highest value of k = 0..20 in an operator block, then of 126..144.
constexpr int kOperatorMax[21] = {99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
                                  3,  3,  7,  3,  7,  99, 1,  31, 99, 14};
constexpr int kCommonMax[19] = {99, 99, 99, 99, 99, 99, 99, 99, 31, 7, 1, 99, 99, 99, 99, 1, 5, 7, 48};
int RangeMax(int p) { return p < 126 ? kOperatorMax[p % 21] : kCommonMax[p - 126]; }

Byte At(const Slot &v, int p) { return v[static_cast<std::size_t>(6 + p)]; }

// A valid voice whose values depend on `n`, named "VOICE n".
Slot TestVoice(int n) {
    Slot v{};
    for (int p = 0; p < 145; ++p)
        v[static_cast<std::size_t>(6 + p)] = static_cast<Byte>((p * 7 + n * 13) % (RangeMax(p) + 1));
    const std::string name = "VOICE " + std::to_string(n) + "   ";
    for (int c = 0; c < 10; ++c)
        v[static_cast<std::size_t>(151 + c)] = static_cast<Byte>(name[static_cast<std::size_t>(c)]);
    v[0] = 0xF0;
    v[161] = 0x55; // a checksum byte the tools leave as it is
    return v;
}

const Slot kA = TestVoice(1), kB = TestVoice(2);

std::vector<int> Range(int first, int last) {
    std::vector<int> ps;
    for (int p = first; p <= last; ++p)
        ps.push_back(p);
    return ps;
}
// k of every operator block.
std::vector<int> EveryOperator(std::initializer_list<int> ks) {
    std::vector<int> ps;
    for (int block = 0; block < 6; ++block)
        for (int k : ks)
            ps.push_back(block * 21 + k);
    return ps;
}

TEST(Randomize, NoAmountLeavesTheVoiceAsItWas) {
    for (std::uint64_t seed : {0ULL, 1ULL, 42ULL, ~0ULL})
        EXPECT_EQ(Randomize(kA, 0.0, {}, seed), kA) << seed;
}

TEST(Randomize, FullAmountKeepsEveryValueInItsRangeAndTheName) {
    std::set<Slot> seen;
    for (std::uint64_t seed = 0; seed < 400; ++seed) {
        const Slot v = Randomize(TestVoice(static_cast<int>(seed)), 1.0, {}, seed);
        for (int p = 0; p < 145; ++p)
            ASSERT_LE(At(v, p), RangeMax(p)) << "parameter " << p << " seed " << seed;
        for (int p = 145; p < 155; ++p)
            ASSERT_EQ(At(v, p), At(TestVoice(static_cast<int>(seed)), p));
        seen.insert(v);
    }
    EXPECT_EQ(seen.size(), 400u);
}

TEST(Randomize, ChoicesChangeAboutAsOftenAsTheAmount) {
    // Algorithm (134) over many seeds at 25 %: about a quarter change.
    int changed = 0;
    for (std::uint64_t seed = 0; seed < 2000; ++seed)
        changed += At(Randomize(kA, 0.25, {}, seed), 134) != At(kA, 134);
    EXPECT_NEAR(changed / 2000.0, 0.25, 0.04);
}

TEST(Morph, EndsGiveTheTwoVoices) {
    EXPECT_EQ(Morph(kA, kB, 0.0, {}), kA);
    Slot b = kB;
    for (std::size_t i : {0u, 1u, 2u, 3u, 4u, 5u, 161u, 162u, 163u})
        b[i] = kA[i]; // the slot's own bytes stay the first voice's
    EXPECT_EQ(Morph(kA, kB, 1.0, {}), b);
}

struct MorphRow {
    int parameter, a, b;
    double t;
    int expected;
};

TEST(Morph, AmountsFollowTheLineAndChoicesSwitchAtTheMiddle) {
    const MorphRow rows[] = {
        {16, 10, 90, 0.5, 50},      // OP6 output level: halfway
        {16, 10, 90, 0.25, 30},     // a quarter of the way
        {0, 99, 0, 0.3, 69},        // OP6 rate 1: 99 - 29.7
        {135, 0, 7, 0.5, 4},        // feedback is an amount: 3.5 rounds up
        {144, 12, 36, 0.75, 30},    // transpose
        {134, 3, 30, 0.49, 3},      // algorithm: a's before the middle
        {134, 3, 30, 0.5, 30},      // b's from it
        {17, 0, 1, 0.49, 0},        // oscillator mode
        {17, 0, 1, 0.5, 1},         //
        {142, 1, 4, 0.5, 4},        // LFO wave
        {11, 0, 3, 0.49, 0},        // left curve
        {136, 1, 0, 0.5, 0},        // oscillator key sync
        {145, 'A', 'Z', 0.49, 'A'}, // a name character: a's before the middle
        {145, 'A', 'Z', 0.5, 'Z'},  //
    };
    for (const MorphRow &row : rows) {
        Slot a = kA, b = kB;
        a[static_cast<std::size_t>(6 + row.parameter)] = static_cast<Byte>(row.a);
        b[static_cast<std::size_t>(6 + row.parameter)] = static_cast<Byte>(row.b);
        EXPECT_EQ(At(Morph(a, b, row.t, {}), row.parameter), row.expected)
            << "parameter " << row.parameter << " at " << row.t;
    }
}

TEST(Crossbreed, TakesEachGroupWholeFromOneParent) {
    // Operator blocks, pitch EG, algorithm/feedback/sync, LFO, transpose, name.
    std::vector<std::vector<int>> groups;
    for (int block = 0; block < 6; ++block)
        groups.push_back(Range(block * 21, block * 21 + 20));
    for (auto [first, last] : {std::pair{126, 133}, {134, 136}, {137, 143}, {144, 144}, {145, 154}})
        groups.push_back(Range(first, last));
    std::set<std::pair<std::size_t, bool>> seen; // group, from b
    for (std::uint64_t seed = 0; seed < 64; ++seed) {
        const Slot child = Crossbreed(kA, kB, {}, seed);
        for (std::size_t g = 0; g < groups.size(); ++g) {
            // Told by a parameter in which the parents differ.
            const int told = *std::find_if(groups[g].begin(), groups[g].end(),
                                           [](int p) { return At(kA, p) != At(kB, p); });
            const bool fromB = At(child, told) == At(kB, told);
            for (int p : groups[g])
                ASSERT_EQ(At(child, p), At(fromB ? kB : kA, p)) << "parameter " << p << " seed " << seed;
            seen.insert({g, fromB});
        }
    }
    EXPECT_EQ(seen.size(), 2 * groups.size()); // every group came from each parent at some seed
}

struct LockRow {
    const char *what;
    ExploreLocks locks;
    std::vector<int> kept;
};

ExploreLocks Locks(std::function<void(ExploreLocks &)> set) {
    ExploreLocks l;
    set(l);
    return l;
}

TEST(Locks, HoldUnderEveryTool) {
    std::vector<int> envelopes = EveryOperator({0, 1, 2, 3, 4, 5, 6, 7});
    for (int p : Range(126, 133))
        envelopes.push_back(p);
    const LockRow rows[] = {
        {"algorithm", Locks([](ExploreLocks &l) { l.algorithm = true; }), Range(134, 136)},
        {"envelopes", Locks([](ExploreLocks &l) { l.envelopes = true; }), envelopes},
        {"frequencies", Locks([](ExploreLocks &l) { l.frequencies = true; }),
         EveryOperator({17, 18, 19, 20})},
        // Operator 3 is block 3, operator 1 block 5.
        {"OP3 and OP1", Locks([](ExploreLocks &l) { l.operators[2] = l.operators[0] = true; }),
         [] {
             auto ps = Range(63, 83);
             for (int p : Range(105, 125))
                 ps.push_back(p);
             return ps;
         }()},
        {"name", Locks([](ExploreLocks &l) { l.name = true; }), Range(145, 154)},
    };
    using Tool = std::function<std::vector<Slot>(const ExploreLocks &, std::uint64_t)>;
    const std::pair<const char *, Tool> tools[] = {
        {"randomize",
         [](const ExploreLocks &l, std::uint64_t s) { return std::vector{Randomize(kA, 1.0, l, s)}; }},
        {"morph", [](const ExploreLocks &l, std::uint64_t) { return std::vector{Morph(kA, kB, 1.0, l)}; }},
        {"crossbreed",
         [](const ExploreLocks &l, std::uint64_t s) { return std::vector{Crossbreed(kA, kB, l, s)}; }},
        {"variations", [](const ExploreLocks &l, std::uint64_t s) { return Variations(kA, 1.0, 8, l, s); }},
    };
    for (const LockRow &row : rows)
        for (const auto &[tool, run] : tools)
            for (std::uint64_t seed = 0; seed < 8; ++seed)
                for (const Slot &v : run(row.locks, seed))
                    for (int p : row.kept)
                        ASSERT_EQ(At(v, p), At(kA, p))
                            << row.what << " under " << tool << ", parameter " << p;
}

TEST(Locks, ChangeNothingButWhatTheyKeep) {
    ExploreLocks l;
    l.envelopes = true;
    const Slot free = Randomize(kA, 0.5, {}, 7), locked = Randomize(kA, 0.5, l, 7);
    EXPECT_EQ(At(locked, 16), At(free, 16)); // OP6 output level drew the same
    EXPECT_EQ(At(locked, 134), At(free, 134));
}

TEST(Seeds, TheSameSeedGivesTheSameVoices) {
    EXPECT_EQ(Randomize(kA, 0.6, {}, 99), Randomize(kA, 0.6, {}, 99));
    EXPECT_NE(Randomize(kA, 0.6, {}, 99), Randomize(kA, 0.6, {}, 100));
    EXPECT_EQ(Crossbreed(kA, kB, {}, 5), Crossbreed(kA, kB, {}, 5));
    EXPECT_EQ(Variations(kA, 0.6, 8, {}, 3), Variations(kA, 0.6, 8, {}, 3));
}

TEST(Variations, AreEightDistinctVoicesAllDifferentFromTheStart) {
    for (double amount : {0.02, 0.3, 1.0}) {
        const auto vs = Variations(kA, amount, 8, {}, 11);
        ASSERT_EQ(vs.size(), 8u);
        const std::set<Slot> distinct(vs.begin(), vs.end());
        EXPECT_EQ(distinct.size(), 8u) << amount;
        EXPECT_FALSE(distinct.contains(kA)) << amount;
    }
}

} // namespace
} // namespace vox
