// search --db FILE [--json] [--name TEXT] [--algorithm N] [--feedback N]
// [--carriers N] [--tag T] [--favourite] [--rating N] [--category C]
// [--rules FILE] [--sort name|file|algorithm|rating] [--descending]
// [--limit N]: the catalogue's voices that pass every filter given (all
// without one).
#include "catalog_output.h"

#include <map>
#include <memory>

namespace voxtool {
namespace {

struct SearchOptions {
    std::string db;
    bool json = false;
    std::string name;
    int algorithm = 0, feedback = 0, carriers = 0;
    std::string tag, category, rules;
    bool favourite = false;
    int rating = 0;
    vox::CatalogSort sort = vox::CatalogSort::Name;
    bool descending = false;
    std::size_t limit = 0;
};

} // namespace

void AddSearchCommand(CLI::App &app, ToolRun &run) {
    auto options = std::make_shared<SearchOptions>();
    CLI::App *search = app.add_subcommand(
        "search", "Find voices in a catalogue by name and parameters; all voices without a filter");
    search->add_option("--db", options->db, "the catalogue made by voxmere-tool index")->required();
    search->add_flag("--json", options->json, "one JSON array with an object per voice");
    search->add_option("--name", options->name, "part of the name, any case");
    CLI::Option *algorithm =
        search->add_option("--algorithm", options->algorithm, "algorithm 1..32")->check(CLI::Range(1, 32));
    CLI::Option *feedback =
        search->add_option("--feedback", options->feedback, "feedback 0..7")->check(CLI::Range(0, 7));
    CLI::Option *carriers = search->add_option("--carriers", options->carriers, "number of carriers 1..6")
                                ->check(CLI::Range(1, 6));
    search->add_option("--tag", options->tag, "sounds carrying this tag, any case");
    search->add_flag("--favourite", options->favourite, "favourite sounds only");
    search->add_option("--rating", options->rating, "sounds rated at least N (1..5)")
        ->check(CLI::Range(1, 5));
    CLI::Option *category =
        search->add_option("--category", options->category,
                           "one category: bass, brass, strings, piano, \"electric piano\", ...");
    search->add_option("--rules", options->rules,
                       "category rules of your own (default: the program's categories.txt)");
    const std::map<std::string, vox::CatalogSort> sorts{{"name", vox::CatalogSort::Name},
                                                        {"file", vox::CatalogSort::File},
                                                        {"algorithm", vox::CatalogSort::Algorithm},
                                                        {"rating", vox::CatalogSort::Rating}};
    search->add_option("--sort", options->sort, "name (default), file, algorithm or rating (highest first)")
        ->transform(CLI::CheckedTransformer(sorts, CLI::ignore_case));
    search->add_flag("--descending", options->descending, "the order turned round");
    search->add_option("--limit", options->limit, "at most N voices");
    search->callback([options, algorithm, feedback, carriers, category, &run] {
        vox::CatalogQuery q;
        if (category->count() > 0) {
            q.category = CategoryArgument("search", options->category, run);
            if (!q.category) return;
        }
        const auto catalog = OpenCatalog("search", options->db, true, run);
        if (!catalog || !LoadCategoryRules("search", options->rules, *catalog, run)) return;
        q.name = options->name;
        if (algorithm->count() > 0) q.algorithm = options->algorithm;
        if (feedback->count() > 0) q.feedback = options->feedback;
        if (carriers->count() > 0) q.carriers = options->carriers;
        q.tag = options->tag;
        q.favourite = options->favourite;
        q.minRating = options->rating;
        q.sort = options->sort;
        q.descending = options->descending;
        q.limit = options->limit;
        const auto voices = catalog->search(q);
        if (options->json) {
            nlohmann::ordered_json all = nlohmann::ordered_json::array();
            for (const auto &v : voices)
                all.push_back(VoiceJson(v));
            run.out << Dump(all) << '\n';
        } else {
            for (const auto &v : voices)
                run.out << VoiceLine(v) << '\n';
        }
    });
}

} // namespace voxtool
