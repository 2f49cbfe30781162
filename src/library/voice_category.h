#pragma once
// The category of a voice (bass, brass, ..., other), read from its name by
// rules the user can read and change: data/categories.txt, installed with
// the program's data. One rule a line, the first that matches wins, and
// every category comes with the rule that placed it, so a window can say
// why.

#include "voice/voice.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vox {

// Stored in the catalogue (a category chosen by hand): the values stay.
enum class VoiceCategory : std::uint8_t {
    Bass = 1,
    Brass = 2,
    Strings = 3,
    Piano = 4,
    ElectricPiano = 5,
    Organ = 6,
    Keys = 7,
    Lead = 8,
    Pad = 9,
    BellsAndMallets = 10,
    Percussion = 11,
    Plucked = 12,
    VoiceAndChoir = 13,
    Woodwind = 14,
    Effects = 15,
    Other = 16,
};
inline constexpr std::size_t kCategoryCount = 16;

// Every category in the order of the enum (the order to list them in).
std::span<const VoiceCategory, kCategoryCount> AllCategories();
// "electric piano", "bells and mallets", ...: the names the rules file and
// the command line use.
std::string_view CategoryName(VoiceCategory category);
// The category a name (any case, blanks trimmed) stands for.
std::optional<VoiceCategory> CategoryNamed(std::string_view name);
// A stored value as a category; nullopt for a value no category has.
std::optional<VoiceCategory> CategoryOfValue(int value);

enum class NameMatch : std::uint8_t {
    Contains, // the text stands anywhere in the name
    Starts,   // the name begins with it (leading blanks skipped)
    Word,     // it stands alone: no letter right before or after it
};

struct CategoryRule {
    VoiceCategory category = VoiceCategory::Other;
    NameMatch match = NameMatch::Contains;
    std::string text; // upper case
    int line = 0;     // in the rules file, from 1
};

struct CategoryRules {
    std::vector<CategoryRule> rules; // in priority order
};

struct CategoryRulesRead {
    CategoryRules rules;
    std::string error; // English, naming the source and the line; empty when read
};

// `source` names the text in messages (the file's path).
CategoryRulesRead ParseCategoryRules(std::string_view text, const std::string &source);
CategoryRulesRead ReadCategoryRules(const std::filesystem::path &file);

// The file of the rules in a program folder.
inline constexpr const char *kCategoryRulesFile = "categories.txt";

// Why a voice is in its category: the index of the rule that placed it, or
// one of these.
inline constexpr int kNoRuleMatched = -1;
inline constexpr int kChosenByHand = -2;

struct CategoryMatch {
    VoiceCategory category = VoiceCategory::Other;
    int rule = kNoRuleMatched;
};

// The first rule that matches the ten name bytes (ASCII letters in any case;
// other bytes count as blanks); Other when none does.
CategoryMatch Categorize(const CategoryRules &rules, std::span<const Byte> name);

// "name contains BASS", "name starts with PIANO", "name has the word EP",
// "chosen by hand", "no rule matches the name".
std::string CategoryReason(const CategoryRules &rules, const CategoryMatch &match);

} // namespace vox
