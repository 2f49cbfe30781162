// dupes --db FILE [--json] [--near N]: groups of voices that sound the
// same (equal sound bodies), largest first; with --near, pairs of voices
// whose parameters lie within distance N, closest first.
#include "catalog_output.h"

#include <memory>

namespace voxtool {
namespace {

struct DupesOptions {
    std::string db;
    bool json = false;
    int near = 0;
};

void PrintGroups(const std::vector<vox::DuplicateGroup> &groups, bool json, std::ostream &out) {
    if (json) {
        nlohmann::ordered_json all = nlohmann::ordered_json::array();
        for (const auto &g : groups) {
            nlohmann::ordered_json voices = nlohmann::ordered_json::array();
            for (const auto &v : g.voices)
                voices.push_back(VoiceJson(v));
            all.push_back({{"fingerprint", vox::FingerprintHex(g.body)}, {"voices", voices}});
        }
        out << Dump(all) << '\n';
        return;
    }
    for (const auto &g : groups) {
        out << g.voices.size() << " voices, fingerprint " << vox::FingerprintHex(g.body).substr(0, 16)
            << "...\n";
        for (const auto &v : g.voices)
            out << "  " << VoiceLine(v) << '\n';
    }
}

void PrintNear(const std::vector<vox::NearDuplicate> &pairs, bool json, std::ostream &out) {
    if (json) {
        nlohmann::ordered_json all = nlohmann::ordered_json::array();
        for (const auto &p : pairs)
            all.push_back({{"distance", p.distance}, {"voices", {VoiceJson(p.a), VoiceJson(p.b)}}});
        out << Dump(all) << '\n';
        return;
    }
    for (const auto &p : pairs)
        out << "distance " << p.distance << "\n  " << VoiceLine(p.a) << "\n  " << VoiceLine(p.b) << '\n';
}

} // namespace

void AddDupesCommand(CLI::App &app, ToolRun &run) {
    auto options = std::make_shared<DupesOptions>();
    CLI::App *dupes = app.add_subcommand(
        "dupes", "Groups of voices in a catalogue that sound the same; with --near, voices that sound alike");
    dupes->add_option("--db", options->db, "the catalogue made by voxmere-tool index")->required();
    dupes->add_flag("--json", options->json, "one JSON array with an object per group (or pair)");
    CLI::Option *near =
        dupes
            ->add_option("--near", options->near,
                         "pairs of different sounds within this parameter distance (0..10000)")
            ->check(CLI::Range(0, 10000));
    dupes->callback([options, near, &run] {
        const auto catalog = OpenCatalog("dupes", options->db, true, run);
        if (!catalog) return;
        if (near->count() > 0)
            PrintNear(catalog->nearDuplicates(options->near), options->json, run.out);
        else
            PrintGroups(catalog->duplicates(), options->json, run.out);
    });
}

} // namespace voxtool
