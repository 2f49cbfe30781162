#include "library/voice_category.h"

#include <fstream>
#include <sstream>

namespace vox {
namespace {

struct Named {
    VoiceCategory category;
    std::string_view name;
};
constexpr std::array<Named, kCategoryCount> kNames{{
    {VoiceCategory::Bass, "bass"},
    {VoiceCategory::Brass, "brass"},
    {VoiceCategory::Strings, "strings"},
    {VoiceCategory::Piano, "piano"},
    {VoiceCategory::ElectricPiano, "electric piano"},
    {VoiceCategory::Organ, "organ"},
    {VoiceCategory::Keys, "keys"},
    {VoiceCategory::Lead, "lead"},
    {VoiceCategory::Pad, "pad"},
    {VoiceCategory::BellsAndMallets, "bells and mallets"},
    {VoiceCategory::Percussion, "percussion"},
    {VoiceCategory::Plucked, "plucked"},
    {VoiceCategory::VoiceAndChoir, "voice and choir"},
    {VoiceCategory::Woodwind, "woodwind"},
    {VoiceCategory::Effects, "effects"},
    {VoiceCategory::Other, "other"},
}};

constexpr std::array<VoiceCategory, kCategoryCount> kAll = [] {
    std::array<VoiceCategory, kCategoryCount> all{};
    for (std::size_t i = 0; i < kCategoryCount; ++i)
        all[i] = kNames[i].category;
    return all;
}();

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
bool IsLetter(char c) { return c >= 'A' && c <= 'Z'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

struct MatchWord {
    std::string_view word;
    NameMatch match;
    std::string_view phrase; // in CategoryReason
};
constexpr MatchWord kMatchWords[] = {{"contains", NameMatch::Contains, "name contains "},
                                     {"starts", NameMatch::Starts, "name starts with "},
                                     {"word", NameMatch::Word, "name has the word "}};

bool Matches(const CategoryRule &rule, std::string_view name) {
    switch (rule.match) {
    case NameMatch::Contains:
        return name.find(rule.text) != std::string_view::npos;
    case NameMatch::Starts: {
        const std::size_t from = name.find_first_not_of(' ');
        return from != std::string_view::npos && name.substr(from).starts_with(rule.text);
    }
    case NameMatch::Word:
        for (std::size_t at = name.find(rule.text); at != std::string_view::npos;
             at = name.find(rule.text, at + 1)) {
            const std::size_t end = at + rule.text.size();
            if ((at == 0 || !IsLetter(name[at - 1])) && (end == name.size() || !IsLetter(name[end])))
                return true;
        }
        return false;
    }
    return false;
}

} // namespace

std::span<const VoiceCategory, kCategoryCount> AllCategories() { return kAll; }

std::string_view CategoryName(VoiceCategory category) {
    for (const Named &n : kNames)
        if (n.category == category) return n.name;
    return "other";
}

std::optional<VoiceCategory> CategoryNamed(std::string_view name) {
    name = Trim(name);
    for (const Named &n : kNames) {
        if (n.name.size() != name.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i)
            same = Upper(name[i]) == Upper(n.name[i]);
        if (same) return n.category;
    }
    return std::nullopt;
}

std::optional<VoiceCategory> CategoryOfValue(int value) {
    for (const Named &n : kNames)
        if (static_cast<int>(n.category) == value) return n.category;
    return std::nullopt;
}

CategoryRulesRead ParseCategoryRules(std::string_view text, const std::string &source) {
    CategoryRulesRead read;
    int lineNumber = 0;
    const auto fail = [&](const std::string &why) {
        read.rules.rules.clear();
        read.error = source + " line " + std::to_string(lineNumber) + ": " + why;
        return read;
    };
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t newline = text.find('\n');
        std::string_view line = Trim(text.substr(0, newline));
        text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
        if (line.empty() || line.front() == '#') continue;

        // CATEGORY: HOW TEXT
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) return fail("a rule is CATEGORY: contains|starts|word TEXT");
        const std::string_view categoryName = Trim(line.substr(0, colon));
        const std::optional<VoiceCategory> category = CategoryNamed(categoryName);
        if (!category) return fail("\"" + std::string(categoryName) + "\" is no category");
        std::string_view rest = Trim(line.substr(colon + 1));
        const std::size_t blank = rest.find_first_of(" \t");
        const std::string_view how = rest.substr(0, blank);
        const MatchWord *match = nullptr;
        for (const MatchWord &m : kMatchWords)
            if (m.word == how) match = &m;
        if (!match) return fail("\"" + std::string(how) + "\" is not contains, starts or word");
        rest = blank == std::string_view::npos ? std::string_view() : Trim(rest.substr(blank));
        // Quotes keep blanks at the ends of the text.
        if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"')
            rest = rest.substr(1, rest.size() - 2);
        if (rest.empty()) return fail("the rule has no text to look for");
        if (rest.size() > kNameLength) return fail("the text is longer than a name (10 characters)");
        CategoryRule rule{*category, match->match, {}, lineNumber};
        for (char c : rest)
            rule.text.push_back(Upper(c));
        read.rules.rules.push_back(std::move(rule));
    }
    return read;
}

CategoryRulesRead ReadCategoryRules(const std::filesystem::path &file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        CategoryRulesRead read;
        read.error = "the category rules " + file.string() + " cannot be read";
        return read;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return ParseCategoryRules(text.str(), file.string());
}

CategoryMatch Categorize(const CategoryRules &rules, std::span<const Byte> name) {
    std::array<char, kNameLength> upper{};
    const std::size_t length = std::min(name.size(), kNameLength);
    for (std::size_t i = 0; i < length; ++i) {
        const Byte b = name[i];
        upper[i] = b >= 0x20 && b < 0x7F ? Upper(static_cast<char>(b)) : ' ';
    }
    const std::string_view text(upper.data(), length);
    for (std::size_t i = 0; i < rules.rules.size(); ++i)
        if (Matches(rules.rules[i], text)) return {rules.rules[i].category, static_cast<int>(i)};
    return {};
}

std::string CategoryReason(const CategoryRules &rules, const CategoryMatch &match) {
    if (match.rule == kChosenByHand) return "chosen by hand";
    if (match.rule < 0 || static_cast<std::size_t>(match.rule) >= rules.rules.size())
        return "no rule matches the name";
    const CategoryRule &rule = rules.rules[static_cast<std::size_t>(match.rule)];
    for (const MatchWord &m : kMatchWords)
        if (m.match == rule.match) return std::string(m.phrase) + rule.text;
    return {};
}

} // namespace vox
