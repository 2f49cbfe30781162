#pragma once
// The texts the user reads. Each is written in Japanese, the program's own
// language, and shown in the language chosen at start: a catalogue keyed by
// the Japanese text (a gettext .po file, lang/<code>.po in the program
// folder) gives each other language, and a text a catalogue lacks stays
// Japanese. A new language needs only a new catalogue.

#include <filesystem>
#include <iosfwd>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace vox {

// Japanese text in, the text in the chosen language out.
const char *Translate(const char *ja);
inline std::string Tr(const char *ja) { return Translate(ja); }

// A text as written (Japanese); it turns into the chosen language where it
// is used, so the forms compose their messages from it unchanged.
struct Text {
    const char *ja = nullptr;
    constexpr Text() = default;
    constexpr Text(const char *japanese) : ja(japanese) {}
    operator std::string() const { return ja ? Translate(ja) : std::string(); }
    // For the few callers that need a C string (printf, QString::fromUtf8).
    const char *c_str() const { return ja ? Translate(ja) : ""; }
    bool empty() const { return !ja || !*ja; }
};

inline std::string operator+(const std::string &a, const Text &b) { return a + b.c_str(); }
inline std::string operator+(const Text &a, const std::string &b) { return a.c_str() + b; }
inline std::string operator+(const Text &a, const char *b) { return std::string(a.c_str()) + b; }
inline std::string operator+(const char *a, const Text &b) { return a + std::string(b.c_str()); }
inline std::string operator+(const Text &a, const Text &b) { return std::string(a.c_str()) + b.c_str(); }
inline std::string &operator+=(std::string &a, const Text &b) { return a += b.c_str(); }
inline bool operator==(std::string_view a, const Text &b) { return a == std::string_view(b.c_str()); }
std::ostream &operator<<(std::ostream &out, const Text &text);

// One language's catalogue: Japanese text to translation.
struct TextCatalogue {
    std::string code; // "en"; "ja" for the program's own texts
    std::string name; // as the language menu shows it: "English"
    std::map<std::string, std::string, std::less<>> texts;
};

inline constexpr const char *kJapanese = "ja";
inline constexpr const char *kJapaneseName = "日本語";

// Reads a .po file: msgid (Japanese) and msgstr pairs, C escapes, strings
// continued over lines. Entries marked fuzzy or with an empty msgstr are
// left out, so their texts stay Japanese. The header's Language and
// X-Language-Name give the code and name. Throws std::runtime_error naming
// the file and line of a fault.
TextCatalogue ReadCatalogue(const std::filesystem::path &file);

// The catalogues in a folder (lang/*.po), by code; unreadable ones are left out.
std::vector<TextCatalogue> FindCatalogues(const std::filesystem::path &folder);

// The language the texts are shown in from now on; Japanese when `catalogue`
// is empty. Set once at start, before any window exists: texts already
// shown keep their language.
void UseCatalogue(TextCatalogue catalogue);
const std::string &CurrentLanguage();

// The language to start in: the one chosen on the command line, else the
// stored choice, else the locale's language when a catalogue has it
// (LC_ALL, LC_MESSAGES, LANG, as POSIX orders them; C and POSIX name none),
// else Japanese.
std::string StartLanguage(std::string_view commandLine, std::string_view stored, std::string_view locale,
                          const std::vector<TextCatalogue> &catalogues);

} // namespace vox
