// tag --db FILE [--add TAG]... [--remove TAG]... [--favourite | --unfavourite]
// [--rating N] [--category C|rules] [--bank N] FILE[:N]...: marks on the
// sounds of the voices named, kept in the catalogue by their fingerprint,
// so that every voice of the same sound carries them, in any file. Every
// voice is read before anything is written: a voice that cannot be read
// leaves the catalogue as it was.
#include "catalog_output.h"
#include "voice_input.h"

#include <memory>
#include <optional>
#include <vector>

namespace voxtool {
namespace {

struct TagOptions {
    std::string db;
    std::vector<std::string> add, remove, voices;
    bool favourite = false, unfavourite = false;
    int rating = 0;
    std::string category;
    int bank = 1;
};

// FILE:N "NAME": favourite, rating 4, tags: a, b, category bass (chosen by hand)
std::string MarksLine(const std::string &argument, const vox::VoiceRecord &record, const vox::SoundMarks &m) {
    const vox::Slot slot = SlotOf(record);
    std::array<vox::Byte, vox::kNameLength> name{};
    std::copy_n(slot.begin() + vox::kNamePos, vox::kNameLength, name.begin());
    std::string marks;
    const auto add = [&](const std::string &part) { marks += (marks.empty() ? "" : ", ") + part; };
    if (m.favourite) add("favourite");
    if (m.rating > 0) add("rating " + std::to_string(m.rating));
    if (!m.tags.empty()) {
        std::string tags;
        for (const std::string &t : m.tags)
            tags += (tags.empty() ? "" : " ") + t;
        add("tags: " + tags);
    }
    if (m.category) add("category " + std::string(vox::CategoryName(*m.category)) + " (chosen by hand)");
    return argument + " \"" + PrintableName(name) + "\": " + (marks.empty() ? "no marks" : marks);
}

} // namespace

void AddTagCommand(CLI::App &app, ToolRun &run) {
    auto options = std::make_shared<TagOptions>();
    CLI::App *tag = app.add_subcommand(
        "tag", "Mark the sounds of voices in a catalogue: tags, favourite, rating, category. A mark "
               "belongs to the sound (its fingerprint), so every copy of it in any file carries it");
    tag->add_option("--db", options->db, "the catalogue made by voxmere-tool index")->required();
    tag->add_option("--add", options->add, "add the tag TAG (may be given several times)")
        ->expected(1)
        ->allow_extra_args(false)
        ->take_all();
    tag->add_option("--remove", options->remove, "remove the tag TAG (may be given several times)")
        ->expected(1)
        ->allow_extra_args(false)
        ->take_all();
    CLI::Option *favourite = tag->add_flag("--favourite", options->favourite, "mark as a favourite");
    tag->add_flag("--unfavourite", options->unfavourite, "no longer a favourite")->excludes(favourite);
    CLI::Option *rating = tag->add_option("--rating", options->rating, "rating 1..5; 0 takes the rating away")
                              ->check(CLI::Range(0, 5));
    CLI::Option *category =
        tag->add_option("--category", options->category,
                        "put the sound in category C (\"electric piano\" ...) whatever its "
                        "name says; \"rules\" gives it back to the rules");
    CLI::Option *bank =
        tag->add_option("--bank", options->bank, "bank N (from 1) of files that hold several; default 1")
            ->check(CLI::PositiveNumber);
    tag->add_option("VOICE", options->voices,
                    "FILE[:N]: voice N (1..32) of a bank file, default 1; a single-voice file without :N")
        ->required();
    tag->callback([options, favourite, rating, category, bank, &run] {
        const auto fail = [&run](const std::string &message) {
            run.err << "voxmere-tool tag: " << message << '\n';
            run.status = 1;
        };
        if (options->add.empty() && options->remove.empty() && favourite->count() == 0 &&
            !options->unfavourite && rating->count() == 0 && category->count() == 0)
            return fail(
                "say what to mark: --add TAG, --remove TAG, --favourite, --unfavourite, --rating N or "
                "--category C");
        for (const std::string &t : options->add)
            if (std::string why = vox::TagError(t); !why.empty()) return fail(why);
        std::optional<vox::VoiceCategory> chosen;
        if (category->count() > 0 && options->category != "rules") {
            chosen = CategoryArgument("tag", options->category, run);
            if (!chosen) return;
        }

        std::optional<int> pickBank;
        if (bank->count() > 0) pickBank = options->bank;
        std::vector<vox::VoiceRecord> records;
        for (const std::string &argument : options->voices) {
            std::string error;
            const std::optional<vox::VoiceRecord> record = ReadVoiceArgument(argument, pickBank, error);
            if (!record) return fail(error);
            records.push_back(*record);
        }

        const auto catalog = OpenCatalog("tag", options->db, true, run);
        if (!catalog) return;
        for (std::size_t i = 0; i < records.size(); ++i) {
            const vox::SoundBody body = vox::SoundBodyOf(records[i]);
            bool ok = true;
            for (const std::string &t : options->add)
                ok = ok && catalog->addTag(body, t);
            for (const std::string &t : options->remove)
                ok = ok && catalog->removeTag(body, t);
            if (favourite->count() > 0 || options->unfavourite)
                ok = ok && catalog->setFavourite(body, favourite->count() > 0);
            if (rating->count() > 0) ok = ok && catalog->setRating(body, options->rating);
            if (category->count() > 0) ok = ok && catalog->setCategory(body, chosen);
            if (!ok) return fail(catalog->lastError());
            run.out << MarksLine(options->voices[i], records[i], catalog->marks(body)) << '\n';
        }
    });
}

} // namespace voxtool
