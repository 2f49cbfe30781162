#include "text/ui_text.h"

#include <algorithm>
#include <fstream>
#include <ostream>
#include <stdexcept>

namespace vox {

namespace {

TextCatalogue &Current() {
    static TextCatalogue catalogue{kJapanese, kJapaneseName, {}};
    return catalogue;
}

[[noreturn]] void Fault(const std::filesystem::path &file, int line, const std::string &what) {
    throw std::runtime_error(file.string() + ":" + std::to_string(line) + ": " + what);
}

// The text between the quotes of one .po string, its escapes resolved.
std::string Unquote(std::string_view s, const std::filesystem::path &file, int line) {
    const auto first = s.find('"');
    const auto last = s.rfind('"');
    if (first == std::string_view::npos || last == first) Fault(file, line, "a quoted string was expected");
    std::string out;
    for (std::size_t i = first + 1; i < last; ++i) {
        if (s[i] != '\\') {
            out += s[i];
            continue;
        }
        if (++i >= last) Fault(file, line, "a string ends in a backslash");
        switch (s[i]) {
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'r': // the message boxes' line break, as the texts are written
            out += '\r';
            break;
        case '"':
            out += '"';
            break;
        case '\\':
            out += '\\';
            break;
        default:
            Fault(file, line, std::string("unknown escape \\") + s[i]);
        }
    }
    return out;
}

// "Language: en\n" in the header entry's text.
std::string HeaderField(const std::string &header, std::string_view field) {
    std::size_t at = 0;
    while (at < header.size()) {
        const auto end = std::min(header.find('\n', at), header.size());
        const std::string_view line(header.data() + at, end - at);
        if (line.starts_with(field) && line.size() > field.size() && line[field.size()] == ':') {
            std::string value(line.substr(field.size() + 1));
            value.erase(0, value.find_first_not_of(' '));
            return value;
        }
        at = end + 1;
    }
    return {};
}

} // namespace

const char *Translate(const char *ja) {
    const auto &texts = Current().texts;
    if (texts.empty()) return ja;
    const auto it = texts.find(std::string_view(ja));
    return it == texts.end() ? ja : it->second.c_str();
}

std::ostream &operator<<(std::ostream &out, const Text &text) { return out << text.c_str(); }

TextCatalogue ReadCatalogue(const std::filesystem::path &file) {
    std::ifstream in(file);
    if (!in) throw std::runtime_error(file.string() + ": cannot be read");
    TextCatalogue catalogue;
    std::string header;
    bool headerSeen = false;
    // The entry being read: which of its strings a continuation line extends.
    std::string id, str;
    std::string *open = nullptr;
    bool fuzzy = false, inEntry = false;
    const auto finish = [&] {
        if (inEntry) {
            if (id.empty() && !headerSeen) {
                header = str;
                headerSeen = true;
            } else if (!fuzzy && !str.empty() && !id.empty()) {
                catalogue.texts[id] = str;
            }
        }
        id.clear();
        str.clear();
        open = nullptr;
        fuzzy = inEntry = false;
    };
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string_view l(line);
        if (l.empty()) {
            finish();
        } else if (l.starts_with("#,")) {
            if (inEntry) finish();
            fuzzy = l.find("fuzzy") != std::string_view::npos;
        } else if (l.starts_with("#")) {
            // translator's or extractor's comment
        } else if (l.starts_with("msgctxt")) {
            Fault(file, number, "message contexts are not used");
        } else if (l.starts_with("msgid_plural") || l.starts_with("msgstr[")) {
            Fault(file, number, "plural forms are not used");
        } else if (l.starts_with("msgid ")) {
            if (inEntry) {
                const bool keep = fuzzy;
                finish();
                fuzzy = keep;
            }
            inEntry = true;
            id = Unquote(l.substr(6), file, number);
            open = &id;
        } else if (l.starts_with("msgstr ")) {
            if (!inEntry) Fault(file, number, "msgstr without msgid");
            str = Unquote(l.substr(7), file, number);
            open = &str;
        } else if (l.starts_with("\"")) {
            if (!open) Fault(file, number, "a string continues nothing");
            *open += Unquote(l, file, number);
        } else {
            Fault(file, number, "not a line of a .po file");
        }
    }
    finish();
    catalogue.code = HeaderField(header, "Language");
    if (catalogue.code.empty()) catalogue.code = file.stem().string();
    catalogue.name = HeaderField(header, "X-Language-Name");
    if (catalogue.name.empty()) catalogue.name = catalogue.code;
    return catalogue;
}

std::vector<TextCatalogue> FindCatalogues(const std::filesystem::path &folder) {
    std::vector<TextCatalogue> found;
    std::error_code ec;
    for (const auto &entry : std::filesystem::directory_iterator(folder, ec)) {
        if (entry.path().extension() != ".po") continue;
        try {
            found.push_back(ReadCatalogue(entry.path()));
        } catch (const std::exception &) {
            // a damaged catalogue leaves its language out; the others stay
        }
    }
    std::sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return a.code < b.code; });
    return found;
}

void UseCatalogue(TextCatalogue catalogue) {
    if (catalogue.code.empty()) catalogue = {kJapanese, kJapaneseName, {}};
    Current() = std::move(catalogue);
}

const std::string &CurrentLanguage() { return Current().code; }

std::string StartLanguage(std::string_view commandLine, std::string_view stored, std::string_view locale,
                          const std::vector<TextCatalogue> &catalogues) {
    const auto known = [&](std::string_view code) {
        return code == kJapanese || std::any_of(catalogues.begin(), catalogues.end(),
                                                [&](const auto &c) { return c.code == code; });
    };
    if (!commandLine.empty() && known(commandLine)) return std::string(commandLine);
    if (!stored.empty() && known(stored)) return std::string(stored);
    const std::string_view language = locale.substr(0, locale.find_first_of("_.@"));
    if (language.empty() || language == "C" || language == "POSIX") return kJapanese;
    if (known(language)) return std::string(language);
    // A language with no catalogue of its own reads English sooner than Japanese.
    return known("en") ? "en" : kJapanese;
}

} // namespace vox
