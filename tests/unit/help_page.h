#pragma once
// The help pages as the help window opens them: the copies in the program
// folder, read whole, and their sections by anchor.

#include "../common/test_files.h"

#include <filesystem>
#include <string>

namespace vox::test {

inline constexpr const char *kHelpPageJa = "voxmere.html";
inline constexpr const char *kHelpPageEn = "voxmere-en.html";

// Throws, naming the file, when the build has not put it in the program folder.
inline std::string ReadHelpPage(const char *name) {
    return ReadFileText(std::filesystem::path(VOXMERE_PROGRAM_DIR) / name);
}

// From the anchor to the next section; empty when the page has no such anchor.
inline std::string HelpSection(const std::string &page, const std::string &anchor) {
    const std::size_t at = page.find("<a name=\"" + anchor + "\">");
    if (at == std::string::npos) return {};
    const std::size_t end = page.find("<h2>", at);
    return page.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

} // namespace vox::test
