// info [--json] FILE...: kind, validity, problems and voice names of files.
#include "commands.h"

#include "files/file_report.h"
#include "voice/text.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <memory>

namespace voxtool {
namespace {

struct InfoOptions {
    std::vector<std::string> files;
    bool json = false;
};

// A name for a terminal: printable ASCII as it is, every other byte as \xNN.
std::string Printable(const std::array<vox::Byte, vox::kNameLength> &bytes) {
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

nlohmann::ordered_json ToJson(const vox::FileReport &report) {
    nlohmann::ordered_json voices = nlohmann::ordered_json::array();
    for (const auto &voice : report.voices) {
        nlohmann::ordered_json bytes = nlohmann::ordered_json::array();
        for (vox::Byte b : voice.nameBytes)
            bytes.push_back(b);
        voices.push_back({{"number", voice.number},
                          {"name_bytes", bytes},
                          {"name", vox::NameBytesToUtf8(voice.nameBytes)}});
    }
    return {{"file", report.file.string()}, {"kind", vox::FileKindName(report.kind)},
            {"valid", report.valid},        {"loads_as", vox::LoadsAsName(report.loadsAs)},
            {"problems", report.problems},  {"voices", voices}};
}

void PrintText(const vox::FileReport &report, std::ostream &out) {
    out << report.file.string() << ": " << vox::FileKindName(report.kind) << ", "
        << (report.valid ? "valid" : "not valid") << ", loads as " << vox::LoadsAsName(report.loadsAs)
        << '\n';
    for (const auto &problem : report.problems)
        out << "  problem: " << problem << '\n';
    for (const auto &voice : report.voices) {
        char number[8];
        std::snprintf(number, sizeof number, "%4d", voice.number);
        out << number << " \"" << Printable(voice.nameBytes) << "\"\n";
    }
}

} // namespace

void AddInfoCommand(CLI::App &app, ToolRun &run) {
    auto options = std::make_shared<InfoOptions>();
    CLI::App *info = app.add_subcommand(
        "info", "Show each file's kind, whether it is valid, the problems found and its voice names");
    info->add_option("FILE", options->files, "voice files of any kind")->required();
    info->add_flag("--json", options->json, "one JSON array with an object per file");
    info->callback([options, &run] {
        nlohmann::ordered_json all = nlohmann::ordered_json::array();
        for (const std::string &file : options->files) {
            const vox::FileReport report = vox::InspectFile(file);
            if (!report.readable) {
                run.err << "voxmere-tool info: " << report.problems.front() << '\n';
                run.status = 1;
            }
            if (options->json)
                all.push_back(ToJson(report));
            else
                PrintText(report, run.out);
        }
        // File names need not be UTF-8; replace what is not.
        if (options->json)
            run.out << all.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
    });
}

} // namespace voxtool
