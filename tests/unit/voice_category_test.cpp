// The category rules: the program's own file on names real voices carry,
// and the rule language on made-up rules.
#include "library/voice_category.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace vox {
namespace {

std::vector<Byte> Name(const std::string &text) {
    std::vector<Byte> name(kNameLength, ' ');
    std::copy_n(text.begin(), std::min(text.size(), kNameLength), name.begin());
    return name;
}

CategoryRules Parse(const std::string &text) {
    CategoryRulesRead read = ParseCategoryRules(text, "test rules");
    EXPECT_EQ(read.error, "") << text;
    return read.rules;
}

TEST(CategoryRulesTest, TheProgramsRulesPlaceRealVoiceNames) {
    // GIVEN the rules the program installs
    const CategoryRulesRead read =
        ReadCategoryRules(std::filesystem::path(VOXMERE_PROGRAM_DIR) / kCategoryRulesFile);
    ASSERT_EQ(read.error, "");
    // Names of the factory voices and of voices met in collections, with the
    // instrument each imitates.
    const struct {
        const char *name;
        VoiceCategory category;
    } rows[] = {
        {"BRASS   1 ", VoiceCategory::Brass},
        {"STRINGS 2 ", VoiceCategory::Strings},
        {"ORCHESTRA ", VoiceCategory::Strings},
        {"PIANO   1 ", VoiceCategory::Piano},
        {"E.PIANO 1 ", VoiceCategory::ElectricPiano},
        {"GUITAR  1 ", VoiceCategory::Plucked},
        {"SYN-LEAD 1", VoiceCategory::Lead},
        {"BASS    2 ", VoiceCategory::Bass},
        {"E.ORGAN 1 ", VoiceCategory::Organ},
        {"PIPES   1 ", VoiceCategory::Organ},
        {"HARPSICH 1", VoiceCategory::Keys},
        {"CLAV    1 ", VoiceCategory::Keys},
        {"VIBE    1 ", VoiceCategory::BellsAndMallets},
        {"MARIMBA   ", VoiceCategory::BellsAndMallets},
        {"KOTO      ", VoiceCategory::Plucked},
        {"FLUTE   1 ", VoiceCategory::Woodwind},
        {"ORCH-CHIME", VoiceCategory::BellsAndMallets},
        {"TUB BELLS ", VoiceCategory::BellsAndMallets},
        {"STEEL DRUM", VoiceCategory::BellsAndMallets},
        {"TIMPANI   ", VoiceCategory::Percussion},
        {"REFS WHISL", VoiceCategory::Effects},
        {"VOICE   1 ", VoiceCategory::VoiceAndChoir},
        {"TRAIN     ", VoiceCategory::Effects},
        {"WINTRHODES", VoiceCategory::ElectricPiano},
        {"B-3 LESLIE", VoiceCategory::Organ},
        {"COW BELL  ", VoiceCategory::Percussion},
        {"SLAPCONGAS", VoiceCategory::Percussion},
        {"Bagpipes 1", VoiceCategory::Woodwind},
        {"Textures 6", VoiceCategory::Pad},
        {"JX3P STRGS", VoiceCategory::Strings},
        {"Synbrs H17", VoiceCategory::Brass},
        {"INIT VOICE", VoiceCategory::Other},
        {"%TOMITA   ", VoiceCategory::Other}, // a composer, not a tom
    };
    for (const auto &row : rows) {
        EXPECT_EQ(CategoryName(Categorize(read.rules, Name(row.name)).category), CategoryName(row.category))
            << row.name;
    }
}

TEST(CategoryRulesTest, EachRuleKindMatchesAsItsWordSays) {
    // GIVEN rules of each kind, the particular above the general
    const CategoryRules rules = Parse("# a comment\n"
                                      "\n"
                                      "woodwind: contains bassoon\n"
                                      "bass:contains BASS\n"
                                      "  piano : starts PNO\n"
                                      "electric piano: word EP\n"
                                      "pad: contains \" PAD\"\r\n");
    const struct {
        const char *name;
        VoiceCategory category;
        const char *why;
    } rows[] = {
        {"BASSOON 2", VoiceCategory::Woodwind, "name contains BASSOON"}, // the first that matches wins
        {"slap bass", VoiceCategory::Bass, "name contains BASS"},        // case does not matter
        {"  PNO 1", VoiceCategory::Piano, "name starts with PNO"},       // leading blanks skipped
        {"BIG PNO", VoiceCategory::Other, "no rule matches the name"},
        {"DX-EP 2", VoiceCategory::ElectricPiano, "name has the word EP"},
        {"EP", VoiceCategory::ElectricPiano, "name has the word EP"},
        {"DEEP", VoiceCategory::Other, "no rule matches the name"}, // letters touch it
        {"WARM PAD", VoiceCategory::Pad, "name contains  PAD"},     // the quoted blank counts
        {"PADDED", VoiceCategory::Other, "no rule matches the name"},
    };
    for (const auto &row : rows) {
        const CategoryMatch match = Categorize(rules, Name(row.name));
        EXPECT_EQ(match.category, row.category) << row.name;
        EXPECT_EQ(CategoryReason(rules, match), row.why) << row.name;
    }
    // A byte that is no printable ASCII counts as a blank: 0x18 stands alone.
    std::vector<Byte> name = Name("xEP");
    name[0] = 0x18;
    EXPECT_EQ(Categorize(rules, name).category, VoiceCategory::ElectricPiano);
    EXPECT_EQ(CategoryReason(rules, {VoiceCategory::Bass, kChosenByHand}), "chosen by hand");
}

TEST(CategoryRulesTest, ABrokenRuleIsRefusedNamingTheSourceAndTheLine) {
    const struct {
        const char *text;
        const char *error;
    } rows[] = {
        {"bass contains BASS", "test rules line 1: a rule is CATEGORY: contains|starts|word TEXT"},
        {"# tubas\ntuba: contains TUBA", "test rules line 2: \"tuba\" is no category"},
        {"bass: has BASS", "test rules line 1: \"has\" is not contains, starts or word"},
        {"bass: contains", "test rules line 1: the rule has no text to look for"},
        {"bass: word ABCDEFGHIJK", "test rules line 1: the text is longer than a name (10 characters)"},
    };
    for (const auto &row : rows) {
        const CategoryRulesRead read = ParseCategoryRules(row.text, "test rules");
        EXPECT_EQ(read.error, row.error) << row.text;
        EXPECT_TRUE(read.rules.rules.empty()) << row.text;
    }
    const std::filesystem::path none = std::filesystem::path(VOXMERE_PROGRAM_DIR) / "no-such-rules.txt";
    EXPECT_EQ(ReadCategoryRules(none).error, "the category rules " + none.string() + " cannot be read");
}

TEST(CategoryRulesTest, EveryCategoryHasANameThatNamesItBack) {
    for (const VoiceCategory c : AllCategories()) {
        EXPECT_EQ(CategoryNamed(CategoryName(c)), c);
        EXPECT_EQ(CategoryOfValue(static_cast<int>(c)), c);
    }
    EXPECT_EQ(CategoryNamed(" Electric PIANO "), VoiceCategory::ElectricPiano);
    EXPECT_FALSE(CategoryNamed("synth"));
    EXPECT_FALSE(CategoryOfValue(0));
    EXPECT_FALSE(CategoryOfValue(17));
}

} // namespace
} // namespace vox
