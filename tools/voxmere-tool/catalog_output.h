#pragma once
// What index, search and dupes share: opening the catalogue with a
// message, and a voice as a line or as JSON.

#include "commands.h"

#include "common/program_folders.h"
#include "library/catalog.h"
#include "voice/text.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <memory>
#include <string>

namespace voxtool {

// The catalogue at `db`, or nullptr after telling why. `mustExist`: a
// missing file is an error (search, dupes) rather than a new catalogue.
inline std::unique_ptr<vox::Catalog> OpenCatalog(const std::string &command, const std::string &db,
                                                 bool mustExist, ToolRun &run) {
    std::error_code ec;
    if (mustExist && !std::filesystem::exists(db, ec)) {
        run.err << "voxmere-tool " << command << ": the catalogue " << db
                << " does not exist; make it with voxmere-tool index --db " << db << " DIR\n";
        run.status = 1;
        return nullptr;
    }
    std::string error;
    auto catalog = vox::Catalog::Open(db, error);
    if (!catalog) {
        run.err << "voxmere-tool " << command << ": " << error << '\n';
        run.status = 1;
    }
    return catalog;
}

// The category rules: `file` when given, else the program's own
// (categories.txt beside the executable, or under share/voxmere). On
// failure tells why and returns false.
inline bool LoadCategoryRules(const std::string &command, const std::string &file, vox::Catalog &catalog,
                              ToolRun &run) {
    const std::filesystem::path path =
        !file.empty() ? std::filesystem::path(file)
                      : vox::ChooseProgramFolders(run.executableFolder, {}).program / vox::kCategoryRulesFile;
    vox::CategoryRulesRead read = vox::ReadCategoryRules(path);
    if (!read.error.empty()) {
        run.err << "voxmere-tool " << command << ": " << read.error << '\n';
        run.status = 1;
        return false;
    }
    catalog.setCategoryRules(std::move(read.rules));
    return true;
}

// The category a --category value names, or nullopt after telling which
// names there are.
inline std::optional<vox::VoiceCategory> CategoryArgument(const std::string &command, const std::string &name,
                                                          ToolRun &run) {
    if (const auto category = vox::CategoryNamed(name)) return category;
    std::string names;
    for (vox::VoiceCategory c : vox::AllCategories())
        names += (names.empty() ? "" : ", ") + std::string(vox::CategoryName(c));
    run.err << "voxmere-tool " << command << ": \"" << name << "\" is no category; the categories are "
            << names << '\n';
    run.status = 1;
    return std::nullopt;
}

inline nlohmann::ordered_json VoiceJson(const vox::CatalogVoice &v) {
    nlohmann::ordered_json bytes = nlohmann::ordered_json::array();
    for (vox::Byte b : v.nameBytes)
        bytes.push_back(b);
    return {{"file", v.file.string()},
            {"bank", v.bank},
            {"voice", v.voice},
            {"single", v.singleVoice},
            {"name", v.name},
            {"name_bytes", bytes},
            {"algorithm", v.algorithm},
            {"feedback", v.feedback},
            {"carriers", v.carriers},
            {"fingerprint", vox::FingerprintHex(v.body)},
            {"favourite", v.favourite},
            {"rating", v.rating},
            {"tags", v.tags},
            {"category", std::string(vox::CategoryName(v.category))},
            {"category_reason", v.categoryWhy}};
}

// File names need not be UTF-8; replace what is not.
inline std::string Dump(const nlohmann::ordered_json &json) {
    return json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

// A name for a terminal: printable ASCII as it is, every other byte as \xNN.
inline std::string PrintableName(const std::array<vox::Byte, vox::kNameLength> &bytes) {
    std::string text;
    for (vox::Byte b : bytes) {
        if (b >= 0x20 && b < 0x7F && b != '"' && b != '\\') {
            text.push_back(static_cast<char>(b));
        } else {
            text += "\\x" + vox::HexByte(b);
        }
    }
    return text;
}

// "NAME"  algorithm 5  FILE bank 2 voice 7 (or: single voice 3)
inline std::string VoiceLine(const vox::CatalogVoice &v) {
    std::string line = "\"" + PrintableName(v.nameBytes) + "\"  algorithm " + std::to_string(v.algorithm) +
                       (v.algorithm < 10 ? "   " : "  ") + v.file.string();
    if (v.singleVoice)
        line += " single voice " + std::to_string(v.bank);
    else
        line += " bank " + std::to_string(v.bank) + " voice " + std::to_string(v.voice);
    return line;
}

} // namespace voxtool
