// GIVEN / WHEN / THEN tests of the algorithm table and its drawing layout.
#include "voice/algorithms.h"

#include "../common/test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

namespace vox {
namespace {

struct FactLine {
    std::set<std::pair<int, int>> mods;
    std::set<int> carriers;
    int fbFrom = 0;
    int fbTo = 0;
};

// The shared fact sheet the pictures must agree with, read independently.
std::vector<FactLine> ReadFactSheet() {
    const auto file = std::filesystem::path(VOXMERE_TESTDATA) / "facts" / "dx7-algorithms.md";
    std::istringstream in(vox::test::ReadFileText(file));
    std::vector<FactLine> facts(32);
    std::string line;
    const std::regex head(R"(^\s+(\d+): (.*)$)");
    while (std::getline(in, line)) {
        std::smatch m;
        if (!std::regex_match(line, m, head)) continue;
        const int n = std::stoi(m[1]);
        FactLine &f = facts.at(static_cast<std::size_t>(n - 1));
        const std::string rest = m[2];
        const std::regex mod(R"((\d)>(\d))");
        for (auto it = std::sregex_iterator(rest.begin(), rest.end(), mod); it != std::sregex_iterator();
             ++it)
            f.mods.insert({std::stoi((*it)[1]), std::stoi((*it)[2])});
        const auto c = rest.find("carriers ");
        const auto semi = rest.find(';', c);
        const std::string carriers = rest.substr(c + 9, semi - c - 9);
        if (carriers == "1..6") {
            f.carriers = {1, 2, 3, 4, 5, 6};
        } else {
            std::stringstream ss(carriers);
            std::string item;
            while (std::getline(ss, item, ','))
                f.carriers.insert(std::stoi(item));
        }
        std::smatch fb;
        const std::string fbText = rest.substr(rest.find("fb "));
        if (std::regex_search(fbText, fb, std::regex(R"(fb loop op(\d) output -> op(\d) input)"))) {
            f.fbFrom = std::stoi(fb[1]);
            f.fbTo = std::stoi(fb[2]);
        } else {
            f.fbFrom = f.fbTo = std::stoi(fbText.substr(3));
        }
    }
    return facts;
}

TEST(AlgorithmTable, AgreesWithTheSharedFactSheet) {
    const std::vector<FactLine> facts = ReadFactSheet();
    int checked = 0;
    for (int n = 1; n <= 32; ++n) {
        const FactLine &f = facts[static_cast<std::size_t>(n - 1)];
        ASSERT_FALSE(f.carriers.empty()) << "fact sheet line " << n << " missing";
        const AlgorithmInfo &a = AlgorithmOf(n);
        std::set<std::pair<int, int>> mods;
        for (const Modulation &m : a.mods())
            mods.insert({m.from, m.to});
        EXPECT_EQ(mods, f.mods) << "algorithm " << n;
        std::set<int> carriers;
        for (int op = 1; op <= 6; ++op)
            if (a.isCarrier(op)) carriers.insert(op);
        EXPECT_EQ(carriers, f.carriers) << "algorithm " << n;
        EXPECT_EQ(a.feedbackFrom, f.fbFrom) << "algorithm " << n;
        EXPECT_EQ(a.feedbackTo, f.fbTo) << "algorithm " << n;
        ++checked;
    }
    EXPECT_EQ(checked, 32);
}

TEST(AlgorithmTable, OnlyAlgorithmsFourAndSixLoopAcrossOperators) {
    for (int n = 1; n <= 32; ++n) {
        const AlgorithmInfo &a = AlgorithmOf(n);
        if (n == 4 || n == 6) {
            EXPECT_EQ(a.feedbackTo, 6) << n;
            EXPECT_EQ(a.feedbackFrom, n == 4 ? 4 : 5);
        } else {
            EXPECT_EQ(a.feedbackFrom, a.feedbackTo) << n;
        }
    }
}

TEST(AlgorithmTable, NumbersOutsideTheRangeFallToTheNearestEnd) {
    EXPECT_EQ(&AlgorithmOf(0), &AlgorithmOf(1));
    EXPECT_EQ(&AlgorithmOf(40), &AlgorithmOf(32));
    EXPECT_EQ(AlgorithmPictureName(5), "alg5.jpg");
    EXPECT_EQ(AlgorithmPictureName(32), "alg32.jpg");
}

TEST(AlgorithmLayout, PutsCarriersOnTheBottomRowAndModulatorsAboveTheirTargets) {
    for (int n = 1; n <= 32; ++n) {
        const AlgorithmInfo &a = AlgorithmOf(n);
        const AlgorithmLayout l = LayoutAlgorithm(n);
        for (int op = 1; op <= 6; ++op) {
            const OperatorPlace &p = l.places[static_cast<std::size_t>(op - 1)];
            EXPECT_EQ(p.row == 0, a.isCarrier(op)) << "algorithm " << n << " op " << op;
        }
        for (const Modulation &m : a.mods())
            EXPECT_EQ(l.places[m.from - 1u].row, l.places[m.to - 1u].row + 1)
                << "algorithm " << n << ": " << int(m.from) << " one row above " << int(m.to);
    }
}

TEST(AlgorithmLayout, NeverPutsTwoOperatorsCloserThanOneColumnInARow) {
    for (int n = 1; n <= 32; ++n) {
        const AlgorithmLayout l = LayoutAlgorithm(n);
        EXPECT_LE(l.columns, 6) << n;
        for (int a = 0; a < 6; ++a)
            for (int b = a + 1; b < 6; ++b)
                if (l.places[a].row == l.places[b].row) {
                    EXPECT_GE(std::abs(l.places[a].column - l.places[b].column), 1.0)
                        << "algorithm " << n << " ops " << a + 1 << " and " << b + 1;
                }
    }
}

TEST(AlgorithmLayout, CentresASharedModulatorOverItsTargets) {
    const AlgorithmLayout l22 = LayoutAlgorithm(22); // 6 feeds 3, 4 and 5
    EXPECT_DOUBLE_EQ(l22.places[5].column, l22.places[3].column);
    const AlgorithmLayout l19 = LayoutAlgorithm(19); // 6 feeds 4 and 5
    EXPECT_DOUBLE_EQ(l19.places[5].column, (l19.places[3].column + l19.places[4].column) / 2);
    const AlgorithmLayout l32 = LayoutAlgorithm(32);
    for (int op = 1; op <= 6; ++op)
        EXPECT_DOUBLE_EQ(l32.places[op - 1u].column, op - 1) << "left to right";
    EXPECT_EQ(l32.rows, 1);
    EXPECT_EQ(LayoutAlgorithm(1).rows, 4);
}

} // namespace
} // namespace vox
