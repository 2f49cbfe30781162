// The Japanese help page and its English version: the program opens either
// at the same anchors, so they must have the same ones, and the English page
// must read without Japanese text.
#include "help_page.h"
#include "test_support.h"
#include "voice/text.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

namespace vox::test {
namespace {

using Names = std::set<std::string>;

Names Matches(const std::string &page, const std::regex &pattern) {
    Names found;
    for (auto it = std::sregex_iterator(page.begin(), page.end(), pattern); it != std::sregex_iterator();
         ++it)
        found.insert((*it)[1]);
    return found;
}

Names Anchors(const std::string &page) { return Matches(page, std::regex("\\b(?:name|id)=\"([^\"]+)\"")); }
Names InPageLinks(const std::string &page) { return Matches(page, std::regex("href=\"#([^\"]+)\"")); }

TEST(HelpPages, BothLanguagesHaveTheSameAnchorsAndLinkToEachOther) {
    // GIVEN both pages of the program folder
    const std::string ja = ReadHelpPage(kHelpPageJa);
    const std::string en = ReadHelpPage(kHelpPageEn);
    // THEN they have the same anchors, among them the topics the program opens
    // (the main window's HELP 5, the start-up guide 7, the editor 8, the MIDI errors 10)
    EXPECT_EQ(Anchors(en), Anchors(ja));
    for (const char *topic : {"topic5", "topic7", "topic8", "topic10"})
        EXPECT_TRUE(Anchors(en).contains(topic)) << topic;
    struct Page {
        const char *name;
        const std::string &text;
        const char *lang, *other;
    };
    for (const Page &page :
         {Page{kHelpPageJa, ja, "ja", kHelpPageEn}, Page{kHelpPageEn, en, "en", kHelpPageJa}}) {
        SCOPED_TRACE(page.name);
        // AND each names its language, links to the other page, and every
        // link inside it leads to one of its anchors
        EXPECT_NE(page.text.find(std::string("<html lang=\"") + page.lang + "\">"), std::string::npos);
        EXPECT_NE(page.text.find(std::string("href=\"") + page.other + "\""), std::string::npos);
        const Names anchors = Anchors(page.text);
        for (const std::string &link : InPageLinks(page.text))
            EXPECT_TRUE(anchors.contains(link)) << "#" << link;
    }
}

TEST(HelpPages, TheEnglishPageHasNoJapaneseTextButItsLinkBack) {
    // GIVEN the English page without its one link to the Japanese page
    std::string en = ReadHelpPage(kHelpPageEn);
    const std::string linkBack = "日本語: <a href=\"voxmere.html\">voxmere.html</a>";
    const std::size_t at = en.find(linkBack);
    ASSERT_NE(at, std::string::npos) << "no link back to the Japanese page";
    en.erase(at, linkBack.size());
    // THEN no Japanese character is left
    std::string japanese;
    for (const char32_t c : CodePoints(en))
        if (IsJapanese(c)) AppendUtf8(japanese, c);
    EXPECT_TRUE(japanese.empty()) << "Japanese characters: " << japanese;
}

} // namespace
} // namespace vox::test
