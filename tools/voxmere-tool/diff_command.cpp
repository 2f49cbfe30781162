// diff [--bank N [--bank N]] [--json] FILE[:N] FILE[:N]: the parameters in
// which two voices differ, with both values as the editor shows them.
//
// The status is cmp's and diff's: 0 the voices are the same, 1 they differ,
// 2 one could not be read; so a script asks "same?" without reading output.
#include "commands.h"

#include "voice/voice_diff.h"
#include "voice_input.h"

#include <nlohmann/json.hpp>

#include <memory>
#include <optional>
#include <vector>

namespace voxtool {
namespace {

constexpr int kStatusDiffer = 1;
constexpr int kStatusTrouble = 2;

struct DiffOptions {
    std::string a, b;
    std::vector<int> banks;
    bool json = false;
};

// The voice an argument names, or why it names none.
std::optional<vox::Slot> ReadArgument(const std::string &argument, std::optional<int> bank,
                                      std::string &error) {
    const std::optional<vox::VoiceRecord> record = ReadVoiceArgument(argument, bank, error);
    if (!record) return std::nullopt;
    return SlotOf(*record);
}

nlohmann::ordered_json ToJson(const std::vector<vox::VoiceDifference> &differences) {
    nlohmann::ordered_json all = nlohmann::ordered_json::array();
    for (const auto &d : differences)
        all.push_back({{"parameter", d.parameter}, {"name", d.name}, {"a", d.a}, {"b", d.b}});
    return all;
}

// A name character may be a blank: quoted, it stays visible.
std::string LineValue(const vox::VoiceDifference &d, const std::string &value) {
    return d.parameter >= vox::param::Name1 ? "\"" + value + "\"" : value;
}

} // namespace

void AddDiffCommand(CLI::App &app, ToolRun &run) {
    auto options = std::make_shared<DiffOptions>();
    CLI::App *diff = app.add_subcommand(
        "diff", "List the parameters in which two voices differ, one a line (name: value -> value), the "
                "values as the editor shows them. Status 0: the same; 1: they differ; 2: a voice could not "
                "be read");
    diff->add_option("A", options->a,
                     "FILE[:N]: voice N (1..32) of a bank file, default 1; a single-voice "
                     "file without :N")
        ->required();
    diff->add_option("B", options->b, "FILE[:N], as A")->required();
    diff->add_option("--bank", options->banks,
                     "bank N (from 1) of a file that holds several, default 1; given once for both files, "
                     "twice for A then B")
        ->expected(1)
        ->take_all()
        ->check(CLI::PositiveNumber);
    diff->add_flag("--json", options->json,
                   "one JSON array with an object {parameter, name, a, b} per difference");
    diff->callback([options, &run] {
        auto fail = [&run](const std::string &message) {
            run.err << "voxmere-tool diff: " << message << '\n';
            run.status = kStatusTrouble;
        };
        if (options->banks.size() > 2)
            return fail("--bank is given once for both files or twice, for A then B");
        std::optional<int> bankA, bankB;
        if (!options->banks.empty()) bankA = bankB = options->banks.front();
        if (options->banks.size() == 2) bankB = options->banks.back();
        std::string error;
        const std::optional<vox::Slot> a = ReadArgument(options->a, bankA, error);
        if (!a) return fail(error);
        const std::optional<vox::Slot> b = ReadArgument(options->b, bankB, error);
        if (!b) return fail(error);

        const std::vector<vox::VoiceDifference> differences = vox::VoiceDifferences(*a, *b);
        if (options->json)
            run.out
                << ToJson(differences).dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
                << '\n';
        else
            for (const auto &d : differences)
                run.out << d.name << ": " << LineValue(d, d.a) << " -> " << LineValue(d, d.b) << '\n';
        if (differences.empty())
            run.err << "voxmere-tool diff: " << options->a << " and " << options->b << " do not differ\n";
        else
            run.status = kStatusDiffer;
    });
}

} // namespace voxtool
