// The catalogues of the languages beside Japanese: how one is read, which
// language a start takes, and that every text the program shows has its
// translation in every catalogue.
#include "test_support.h"
#include "text/ui_text.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>

namespace vox::test {
namespace {

namespace fs = std::filesystem;

TextCatalogue ReadText(const ScratchFolder &folder, const std::string &po) {
    const fs::path file = folder / "xx.po";
    std::ofstream(file, std::ios::binary) << po;
    return ReadCatalogue(file);
}

TEST(Catalogue, ReadsEntriesAsGettextWritesThem) {
    ScratchFolder folder("po");
    const TextCatalogue c =
        ReadText(folder, "msgid \"\"\nmsgstr \"\"\n\"Language: en\\n\"\n"
                         "\"X-Language-Name: English\\n\"\n\n"
                         "#: src/a.h:1\nmsgid \"停止 \"\nmsgstr \"Stop \"\n\n"
                         "msgid \"\"\n\"一行目\\n\"\n\"二行目\\r\"\nmsgstr \"one\\n\"\n\"two\\r\"\n\n"
                         "msgid \"「\\\"\\t\\\\\"\nmsgstr \"“\\\"\\t\\\\\"\r\n\r\n"
                         "#, fuzzy\nmsgid \"未確定\"\nmsgstr \"Unsure\"\n\n"
                         "msgid \"未訳\"\nmsgstr \"\"\n");
    EXPECT_EQ(c.code, "en");
    EXPECT_EQ(c.name, "English");
    const std::map<std::string, std::string, std::less<>> expected{
        {"停止 ", "Stop "}, {"一行目\n二行目\r", "one\ntwo\r"}, {"「\"\t\\", "“\"\t\\"}};
    EXPECT_EQ(c.texts, expected); // a fuzzy or empty translation leaves the text Japanese
}

TEST(Catalogue, RefusesWhatItCannotReadNamingTheLine) {
    ScratchFolder folder("po-bad");
    const struct {
        const char *po;
        const char *line;
    } cases[] = {
        {"msgid \"a\"\nmsgstr \"\\q\"\n", "xx.po:2"},
        {"msgid \"a\"\nmsgstr \"b\n", "xx.po:2"},
        {"msgctxt \"menu\"\nmsgid \"a\"\nmsgstr \"b\"\n", "xx.po:1"},
        {"msgid \"a\"\nmsgid_plural \"as\"\n", "xx.po:2"},
        {"msgid \"a\"\nmsgstr \"b\"\n\n\"c\"\n", "xx.po:4"},
        {"hello\n", "xx.po:1"},
    };
    for (const auto &c : cases) {
        try {
            ReadText(folder, c.po);
            ADD_FAILURE() << "read: " << c.po;
        } catch (const std::runtime_error &e) {
            EXPECT_NE(std::string(e.what()).find(c.line), std::string::npos) << e.what();
        }
    }
}

TEST(Catalogue, AStartTakesTheCommandLineThenTheChoiceThenTheLocale) {
    const std::vector<TextCatalogue> catalogues{{"de", "Deutsch", {}}, {"en", "English", {}}};
    const struct {
        const char *commandLine, *stored, *locale, *expected;
    } cases[] = {
        {"", "", "", "ja"},  // nothing says: Japanese
        {"", "", "C", "ja"}, // C and POSIX name no language
        {"", "", "POSIX", "ja"},
        {"", "", "ja_JP.UTF-8", "ja"},
        {"", "", "en_GB.UTF-8", "en"},
        {"", "", "de_DE@euro", "de"},
        {"", "", "fr_FR.UTF-8", "en"},   // no catalogue of its own: English
        {"", "ja", "en_US.UTF-8", "ja"}, // the user's choice before the locale
        {"", "en", "ja_JP.UTF-8", "en"},
        {"", "xx", "de_DE", "de"},   // a choice whose catalogue is gone
        {"ja", "en", "en_US", "ja"}, // the command line before both
        {"de", "ja", "", "de"},
        {"xx", "en", "", "en"}, // unknown: the caller refuses it
    };
    for (const auto &c : cases)
        EXPECT_EQ(StartLanguage(c.commandLine, c.stored, c.locale, catalogues), c.expected)
            << c.commandLine << "|" << c.stored << "|" << c.locale;
    EXPECT_EQ(StartLanguage("", "", "fr_FR", {}), "ja"); // no English either
}

// Every string literal of a C++ source that holds Japanese, with adjacent
// literals joined as the compiler joins them; comments are left out.
std::vector<std::string> JapaneseLiterals(const std::string &src) {
    std::vector<std::string> found;
    std::string current;
    bool inLiteral = false; // the last token was a string literal
    const auto flush = [&] {
        if (inLiteral && HasJapanese(current)) found.push_back(current);
        current.clear();
        inLiteral = false;
    };
    for (std::size_t i = 0; i < src.size();) {
        if (src.compare(i, 2, "//") == 0) {
            i = src.find('\n', i);
            if (i == std::string::npos) break;
        } else if (src.compare(i, 2, "/*") == 0) {
            i = src.find("*/", i + 2) + 2;
        } else if (std::isspace(static_cast<unsigned char>(src[i]))) {
            ++i;
        } else if (src[i] == '\'') {
            flush();
            for (++i; i < src.size() && src[i] != '\''; ++i)
                if (src[i] == '\\') ++i;
            ++i;
        } else if (src[i] == '"') {
            inLiteral = true;
            for (++i; i < src.size() && src[i] != '"'; ++i) {
                if (src[i] != '\\') {
                    current += src[i];
                    continue;
                }
                const char e = src[++i];
                current += e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e;
            }
            ++i;
        } else {
            flush();
            ++i;
        }
    }
    flush();
    return found;
}

// The placeholders a text is filled in by (%1, %C ...) and its line breaks.
std::multiset<std::string> Slots(const std::string &text) {
    std::multiset<std::string> slots;
    static const std::regex slot("%[0-9A-Z]|\n|\r");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), slot); it != std::sregex_iterator(); ++it)
        slots.insert(it->str());
    return slots;
}

TEST(Catalogue, EveryTextTheProgramShowsHasItsTranslationInEveryCatalogue) {
    std::map<std::string, std::string> texts; // text -> the source file first holding it
    for (const auto &entry : fs::recursive_directory_iterator(VOXMERE_SOURCE_DIR)) {
        const auto ext = entry.path().extension();
        if (ext != ".h" && ext != ".cpp") continue;
        for (const std::string &text : JapaneseLiterals(ReadFileText(entry.path())))
            texts.emplace(text, fs::relative(entry.path(), VOXMERE_SOURCE_DIR).string());
    }
    ASSERT_GT(texts.size(), 300u); // the extraction found the program's texts
    texts.erase(kJapaneseName);    // each language is offered by its own name
    const std::vector<TextCatalogue> catalogues = FindCatalogues(fs::path(VOXMERE_PROGRAM_DIR) / "lang");
    ASSERT_FALSE(catalogues.empty());
    EXPECT_EQ(catalogues.front().code, "en");
    for (const TextCatalogue &catalogue : catalogues) {
        for (const auto &[text, file] : texts) {
            const auto it = catalogue.texts.find(text);
            if (it == catalogue.texts.end()) {
                ADD_FAILURE() << catalogue.code << " has no translation of \"" << text << "\" (" << file
                              << ")";
                continue;
            }
            EXPECT_FALSE(HasJapanese(it->second)) << catalogue.code << ": \"" << it->second << "\"";
            EXPECT_EQ(Slots(it->second), Slots(text)) << catalogue.code << ": \"" << text << "\"";
        }
    }
}

} // namespace
} // namespace vox::test
