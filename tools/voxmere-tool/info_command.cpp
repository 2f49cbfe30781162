// info [--json] FILE...: kind, validity, problems and voice names of files,
// and every voice message found in each, with its offset.
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

nlohmann::ordered_json NameBytes(const std::array<vox::Byte, vox::kNameLength> &name) {
    nlohmann::ordered_json bytes = nlohmann::ordered_json::array();
    for (vox::Byte b : name)
        bytes.push_back(b);
    return bytes;
}

nlohmann::ordered_json FoundJson(const vox::FileReport &report) {
    nlohmann::ordered_json found = nlohmann::ordered_json::array();
    for (const auto &f : report.found) {
        nlohmann::ordered_json entry;
        entry[f.isBank ? "bank" : "single_voice"] = f.number;
        entry["kind"] = f.kind;
        entry["offset"] = f.offset;
        entry["length"] = f.length;
        entry["voices"] = f.voices;
        entry["in_midi_file"] = f.inMidiFile;
        entry["checksum"] = f.hasChecksum ? (f.checksumGood ? "good" : "bad") : "none";
        entry["first_name"] = vox::NameBytesToUtf8(f.firstName);
        entry["first_name_bytes"] = NameBytes(f.firstName);
        found.push_back(entry);
    }
    return found;
}

nlohmann::ordered_json SkippedJson(const vox::FileReport &report) {
    nlohmann::ordered_json skipped = nlohmann::ordered_json::array();
    for (const auto &s : report.skipped)
        skipped.push_back({{"offset", s.offset}, {"length", s.length}, {"reason", s.reason}});
    return skipped;
}

nlohmann::ordered_json ToJson(const vox::FileReport &report) {
    nlohmann::ordered_json voices = nlohmann::ordered_json::array();
    for (const auto &voice : report.voices)
        voices.push_back({{"number", voice.number},
                          {"name_bytes", NameBytes(voice.nameBytes)},
                          {"name", vox::NameBytesToUtf8(voice.nameBytes)}});
    nlohmann::ordered_json json = {
        {"file", report.file.string()}, {"kind", vox::FileKindName(report.kind)},
        {"valid", report.valid},        {"loads_as", vox::LoadsAsName(report.loadsAs)},
        {"problems", report.problems},  {"voices", voices}};
    json["banks"] = report.banks;
    json["single_voices"] = report.singleVoices;
    json["found"] = FoundJson(report);
    json["skipped"] = SkippedJson(report);
    nlohmann::ordered_json family = nlohmann::ordered_json::array();
    for (const auto &f : report.family)
        family.push_back({{"offset", f.offset},
                          {"length", f.length},
                          {"what", f.what},
                          {"checksum", f.checksumGood ? "good" : "bad"},
                          {"byte_count", f.countAsKnown ? "as its kind" : "not its kind's"}});
    json["later_model_data"] = family;
    json["refusal"] =
        report.refusal.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(report.refusal);
    return json;
}

// "  bank 2: bulk dump at offset 4104, 4104 bytes, 32 voices, checksum good, first "SECOND 32 "".
void PrintFound(const vox::FoundReport &f, std::ostream &out) {
    out << "  " << (f.isBank ? "bank " : "voice ") << f.number << ": " << f.kind << " at offset " << f.offset;
    if (f.inMidiFile) out << " (in a MIDI file event)";
    out << ", " << f.length << " bytes, " << f.voices << (f.voices == 1 ? " voice" : " voices");
    if (f.hasChecksum) out << ", checksum " << (f.checksumGood ? "good" : "bad");
    out << (f.isBank ? ", first \"" : ", \"") << Printable(f.firstName) << "\"\n";
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
    for (const auto &found : report.found)
        PrintFound(found, out);
    // The later models' data: named and checked, their fields not read.
    for (const auto &f : report.family)
        out << "  later-model data: " << f.what << " at offset " << f.offset << ", " << f.length
            << " bytes, checksum " << (f.checksumGood ? "good" : "bad") << '\n';
    for (const auto &skipped : report.skipped)
        out << "  skipped: offset " << skipped.offset << ", " << skipped.length
            << " bytes: " << skipped.reason << '\n';
    if (!report.refusal.empty()) out << "  refused: " << report.refusal << '\n';
}

} // namespace

void AddInfoCommand(CLI::App &app, ToolRun &run) {
    auto options = std::make_shared<InfoOptions>();
    CLI::App *info = app.add_subcommand(
        "info", "Show each file's kind, whether it is valid, the problems found, its voice names, "
                "and every voice message in it with its offset (banks numbered as --bank numbers them)");
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
