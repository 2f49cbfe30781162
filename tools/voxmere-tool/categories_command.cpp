// categories --db FILE [--rules FILE] [--list C] [--json]: how many voices
// of the catalogue (and how many different names) each category holds, so
// that the rules can be judged on a collection; --list shows the names of
// one category with the rule that placed each.
#include "catalog_output.h"

#include <cstdio>
#include <map>
#include <memory>
#include <set>

namespace voxtool {
namespace {

struct CategoriesOptions {
    std::string db, rules, list;
    bool json = false;
};

std::string Percent(std::size_t part, std::size_t whole) {
    char text[16];
    std::snprintf(text, sizeof text, "%.1f %%", whole == 0 ? 0.0 : 100.0 * double(part) / double(whole));
    return text;
}

} // namespace

void AddCategoriesCommand(CLI::App &app, ToolRun &run) {
    auto options = std::make_shared<CategoriesOptions>();
    CLI::App *categories = app.add_subcommand(
        "categories", "Count the voices of a catalogue in each category (from the rules and your choices)");
    categories->add_option("--db", options->db, "the catalogue made by voxmere-tool index")->required();
    categories->add_option("--rules", options->rules,
                           "category rules of your own (default: the program's categories.txt)");
    CLI::Option *list = categories->add_option("--list", options->list,
                                               "list the names in this category and why they are there");
    categories->add_flag("--json", options->json, "one JSON object");
    categories->callback([options, list, &run] {
        std::optional<vox::VoiceCategory> listed;
        if (list->count() > 0) {
            listed = CategoryArgument("categories", options->list, run);
            if (!listed) return;
        }
        const auto catalog = OpenCatalog("categories", options->db, true, run);
        if (!catalog || !LoadCategoryRules("categories", options->rules, *catalog, run)) return;
        struct Count {
            std::size_t voices = 0;
            std::set<std::array<vox::Byte, vox::kNameLength>> names;
        };
        std::map<vox::VoiceCategory, Count> counts;
        std::map<std::array<vox::Byte, vox::kNameLength>, std::pair<std::string, std::size_t>>
            names; // of --list
        std::set<std::array<vox::Byte, vox::kNameLength>> allNames;
        const std::vector<vox::CatalogVoice> voices = catalog->search({});
        for (const vox::CatalogVoice &v : voices) {
            Count &c = counts[v.category];
            ++c.voices;
            c.names.insert(v.nameBytes);
            allNames.insert(v.nameBytes);
            if (listed && v.category == *listed) {
                auto &n = names[v.nameBytes];
                n.first = v.categoryWhy;
                ++n.second;
            }
        }
        const Count &other = counts[vox::VoiceCategory::Other];
        if (options->json) {
            nlohmann::ordered_json all = nlohmann::ordered_json::object();
            for (vox::VoiceCategory c : vox::AllCategories())
                all[std::string(vox::CategoryName(c))] = {{"voices", counts[c].voices},
                                                          {"names", counts[c].names.size()}};
            nlohmann::ordered_json out{
                {"voices", voices.size()}, {"names", allNames.size()}, {"categories", all}};
            if (listed) {
                nlohmann::ordered_json l = nlohmann::ordered_json::array();
                for (const auto &[name, n] : names)
                    l.push_back(
                        {{"name", vox::NameBytesToUtf8(name)}, {"voices", n.second}, {"reason", n.first}});
                out["list"] = l;
            }
            run.out << Dump(out) << '\n';
            return;
        }
        for (vox::VoiceCategory c : vox::AllCategories())
            run.out << vox::CategoryName(c) << ": " << counts[c].voices << " voices, "
                    << counts[c].names.size() << " names\n";
        run.out << "all: " << voices.size() << " voices, " << allNames.size()
                << " names; other: " << Percent(other.voices, voices.size()) << " of the voices, "
                << Percent(other.names.size(), allNames.size()) << " of the names\n";
        for (const auto &[name, n] : names)
            run.out << "  \"" << PrintableName(name) << "\"  " << n.second
                    << (n.second == 1 ? " voice" : " voices") << ", " << n.first << '\n';
    });
}

} // namespace voxtool
