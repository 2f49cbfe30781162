// index --db FILE [DIR...]: adds the folders to the voice catalogue and
// indexes every folder it holds; prints what was found and what refused.
#include "catalog_output.h"

#include <filesystem>
#include <memory>

namespace voxtool {
namespace {

struct IndexOptions {
    std::string db;
    std::vector<std::string> folders;
};

} // namespace

void AddIndexCommand(CLI::App &app, ToolRun &run) {
    auto options = std::make_shared<IndexOptions>();
    CLI::App *index = app.add_subcommand(
        "index", "Add folders to a voice catalogue and index every voice file under its folders");
    index->add_option("--db", options->db, "the catalogue (an SQLite file; made if missing)")->required();
    index->add_option("DIR", options->folders,
                      "folders to add; without one, the catalogue's folders are indexed");
    index->callback([options, &run] {
        for (const std::string &folder : options->folders) {
            std::error_code ec;
            if (!std::filesystem::is_directory(folder, ec)) {
                run.err << "voxmere-tool index: the folder " << folder
                        << (std::filesystem::exists(folder, ec) ? " is not a folder" : " does not exist")
                        << '\n';
                run.status = 1;
                return;
            }
        }
        const auto catalog = OpenCatalog("index", options->db, false, run);
        if (!catalog) return;
        for (const std::string &folder : options->folders)
            catalog->addFolder(folder);
        if (catalog->folders().empty()) {
            run.err << "voxmere-tool index: the catalogue " << options->db << " has no folder; name one\n";
            run.status = 1;
            return;
        }
        const vox::IndexReport report = catalog->index();
        if (!report.error.empty()) {
            run.err << "voxmere-tool index: " << report.error << '\n';
            run.status = 1;
            return;
        }
        for (const auto &gone : report.missingFolders)
            run.err << "voxmere-tool index: the folder " << gone.string()
                    << " is not there; its files were dropped from the catalogue\n";
        run.out << "files: " << report.files << " with voices, " << report.refused.size() << " refused\n"
                << "banks: " << report.banks << '\n'
                << "voices: " << report.voices << '\n'
                << "this run: " << report.filesRead << " files read, " << report.filesUnchanged
                << " unchanged, " << report.filesRemoved << " removed\n";
        for (const vox::RefusedFile &r : report.refused)
            run.out << "refused: " << r.file.string() << ": " << vox::ScanReasonEnglish(r.reason, r.count)
                    << '\n';
        // Files of a later model's performances, set-up, tunings: no voice, yet kept.
        for (const vox::FamilyFile &f : report.family)
            run.out << "later models' data: " << f.file.string() << ": " << f.kinds
                    << (f.model.empty() ? "" : " (" + f.model + ")") << ", " << f.messages
                    << (f.messages == 1 ? " message, " : " messages, ") << f.size << " bytes\n";
    });
}

} // namespace voxtool
