// bank --db FILE [--name TEXT] [--algorithm N] [--tag T] [--category C]
// [--favourite] [--rating N] [--distinct] [--order name|rating|file]
// [--rules FILE] [--json] OUT.syx|OUT.v32: a 32-voice bank of the voices a
// search finds, in its order; positions the search does not fill hold the
// initial voice. OUT is written whole or not at all.
#include "catalog_output.h"

#include "files/file_convert.h"
#include "library/bank_builder.h"

#include <map>
#include <memory>

namespace voxtool {
namespace {

enum class BankOrder { Name, Rating, File };

struct BankOptions {
    std::string db, out, name, tag, category, rules;
    int algorithm = 0, rating = 0;
    bool favourite = false, distinct = false, json = false;
    BankOrder order = BankOrder::Name;
};

// The filters as the user gave them, for the message when nothing matches.
std::string QueryText(const BankOptions &o, bool algorithm) {
    std::string text;
    const auto add = [&](const std::string &part) { text += (text.empty() ? "" : " ") + part; };
    if (!o.name.empty()) add("--name \"" + o.name + "\"");
    if (algorithm) add("--algorithm " + std::to_string(o.algorithm));
    if (!o.tag.empty()) add("--tag \"" + o.tag + "\"");
    if (!o.category.empty()) add("--category \"" + o.category + "\"");
    if (o.favourite) add("--favourite");
    if (o.rating > 0) add("--rating " + std::to_string(o.rating));
    return text.empty() ? "(no filter)" : text;
}

std::string Where(const vox::BuilderEntry &e) {
    return e.file.string() + (e.singleVoice
                                  ? " single voice " + std::to_string(e.bank)
                                  : " bank " + std::to_string(e.bank) + " voice " + std::to_string(e.voice));
}

std::array<vox::Byte, vox::kNameLength> NameOf(const vox::VoiceRecord &record) {
    std::array<vox::Byte, vox::kNameLength> name{};
    std::copy_n(record.begin() + vox::kNamePos, vox::kNameLength, name.begin());
    return name;
}

} // namespace

void AddBankCommand(CLI::App &app, ToolRun &run) {
    auto options = std::make_shared<BankOptions>();
    CLI::App *bank = app.add_subcommand(
        "bank", "Write a 32-voice bank of the voices a catalogue search finds, in order; positions left over "
                "hold the initial voice");
    bank->add_option("--db", options->db, "the catalogue made by voxmere-tool index")->required();
    bank->add_option("--name", options->name, "part of the name, any case");
    CLI::Option *algorithm =
        bank->add_option("--algorithm", options->algorithm, "algorithm 1..32")->check(CLI::Range(1, 32));
    bank->add_option("--tag", options->tag, "sounds carrying this tag");
    CLI::Option *category =
        bank->add_option("--category", options->category, "one category (bass, brass, ...)");
    bank->add_flag("--favourite", options->favourite, "favourite sounds only");
    bank->add_option("--rating", options->rating, "sounds rated at least N (1..5)")->check(CLI::Range(1, 5));
    bank->add_flag("--distinct", options->distinct, "one voice of each sound (fingerprint)");
    const std::map<std::string, BankOrder> orders{
        {"name", BankOrder::Name}, {"rating", BankOrder::Rating}, {"file", BankOrder::File}};
    bank->add_option("--order", options->order, "name (default), rating (highest first) or file")
        ->transform(CLI::CheckedTransformer(orders, CLI::ignore_case));
    bank->add_option("--rules", options->rules,
                     "category rules of your own (default: the program's categories.txt)");
    bank->add_flag("--json", options->json, "list what went in as one JSON object");
    bank->add_option("OUT", options->out, "the bank to write: .syx (a bulk dump) or .v32")->required();
    bank->callback([options, algorithm, category, &run] {
        const auto fail = [&run](const std::string &message) {
            run.err << "voxmere-tool bank: " << message << '\n';
            run.status = 1;
        };
        const vox::OutputKind kind = vox::OutputKindOfName(options->out);
        if (kind != vox::OutputKind::Syx && kind != vox::OutputKind::V32)
            return fail(options->out + ": a bank is written as .syx or .v32");
        vox::CatalogQuery q;
        if (category->count() > 0) {
            q.category = CategoryArgument("bank", options->category, run);
            if (!q.category) return;
        }
        const auto catalog = OpenCatalog("bank", options->db, true, run);
        if (!catalog || !LoadCategoryRules("bank", options->rules, *catalog, run)) return;
        q.name = options->name;
        if (algorithm->count() > 0) q.algorithm = options->algorithm;
        q.tag = options->tag;
        q.favourite = options->favourite;
        q.minRating = options->rating;
        q.sort = options->order == BankOrder::Rating ? vox::CatalogSort::Rating
                 : options->order == BankOrder::File ? vox::CatalogSort::File
                                                     : vox::CatalogSort::Name;
        // Without --distinct no more than 32 results can go in.
        if (!options->distinct) q.limit = vox::kBankSlots;
        const std::vector<vox::CatalogVoice> results = catalog->search(q);
        if (results.empty())
            return fail("no voice of the catalogue " + options->db + " matches " +
                        QueryText(*options, algorithm->count() > 0));

        vox::BankBuilder builder;
        builder.fill(
            results, [&](const vox::CatalogVoice &v) { return catalog->record(v.id); }, options->distinct);
        const vox::BankBuilder::Built built = builder.build();
        vox::LoadedVoices voices;
        voices.isBank = true;
        voices.bank = built.voices;
        voices.supplements = built.supplements;
        const vox::Encoded encoded = vox::EncodeFor(voices, kind, std::nullopt);
        if (!encoded.error.empty()) return fail(options->out + ": " + encoded.error);
        if (const vox::EncodedWrite written = vox::WriteEncoded(options->out, encoded, kind);
            !written.result.ok)
            return fail(written.failed.string() + ": cannot be written (" + written.result.error.message() +
                        ")");

        const std::size_t found = vox::kBankSlots - built.initial;
        if (options->json) {
            nlohmann::ordered_json list = nlohmann::ordered_json::array();
            for (std::size_t p = 1; p <= vox::kBankSlots; ++p) {
                const vox::VoiceRecord &record = built.voices[p - 1];
                nlohmann::ordered_json entry{{"position", p},
                                             {"name", vox::NameBytesToUtf8(NameOf(record))},
                                             {"initial", !builder.at(p).has_value()}};
                if (const auto &e = builder.at(p)) {
                    entry["file"] = e->file.string();
                    entry["bank"] = e->bank;
                    entry["voice"] = e->voice;
                    entry["single"] = e->singleVoice;
                    entry["fingerprint"] = vox::FingerprintHex(vox::SoundBodyOf(record));
                }
                list.push_back(entry);
            }
            run.out << Dump({{"file", options->out},
                             {"bytes", encoded.bytes.size()},
                             {"found", found},
                             {"initial", built.initial},
                             {"supplements", encoded.supplementsKept},
                             {"voices", list}})
                    << '\n';
        } else {
            for (std::size_t p = 1; p <= vox::kBankSlots; ++p) {
                const auto &e = builder.at(p);
                run.out << (p < 10 ? " " : "") << p << " \"" << PrintableName(NameOf(built.voices[p - 1]))
                        << "\"  " << (e ? Where(*e) : "(initial voice)") << '\n';
            }
            run.out << "wrote " << options->out << ": " << found << (found == 1 ? " voice" : " voices")
                    << " found, " << encoded.bytes.size() << " bytes"
                    << (encoded.supplementsKept ? ", with the additional data AMEM" : "") << '\n';
        }
        if (built.initial > 0)
            run.err << "voxmere-tool bank: only " << found << (options->distinct ? " sound" : " voice")
                    << (found == 1 ? " matches" : "s match")
                    << (built.initial == 1 ? "; position 32 holds"
                                           : "; positions " + std::to_string(found + 1) + " to 32 hold")
                    << " the initial voice\n";
    });
}

} // namespace voxtool
