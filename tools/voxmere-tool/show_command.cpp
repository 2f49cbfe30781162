// show [--json] FILE [--voice N] [--bank N]: one voice as the editor's chart
// shows it.
#include "commands.h"

#include "editor/voice_show.h"
#include "files/file_convert.h"
#include "files/file_report.h"

#include <algorithm>
#include <memory>
#include <optional>

namespace voxtool {
namespace {

struct ShowOptions {
    std::string file;
    int voice = 1;
    int bank = 1;
    bool json = false;
};

// A file record is positions 0..160 of a slot; the rest of the slot (the
// checksum and F7) plays no part in showing it.
vox::Slot SlotOf(const vox::VoiceRecord &record) {
    vox::Slot slot{};
    std::copy(record.begin(), record.end(), slot.begin());
    return slot;
}

} // namespace

void AddShowCommand(CLI::App &app, ToolRun &run) {
    auto options = std::make_shared<ShowOptions>();
    CLI::App *show = app.add_subcommand("show", "Show one voice as the editor's chart shows it");
    show->add_option("FILE", options->file, "a .v32, .syx, .dx7, .32, .v01 or .mid file")->required();
    CLI::Option *voice = show->add_option("--voice", options->voice, "voice N (1..32) of a bank; default 1")
                             ->check(CLI::Range(1, 32));
    CLI::Option *bank =
        show->add_option("--bank", options->bank, "bank N (from 1) of a file that holds several; default 1")
            ->check(CLI::PositiveNumber);
    show->add_flag("--json", options->json, "one JSON object");
    show->callback([options, voice, bank, &run] {
        std::optional<std::size_t> pick;
        if (bank->count() > 0) pick = static_cast<std::size_t>(options->bank - 1);
        const auto input = vox::ReadAnyVoiceFile(options->file, pick);
        if (bank->count() > 0) {
            if (const std::string error = vox::BankNumberError(input.value, options->bank); !error.empty()) {
                run.err << "voxmere-tool show: " << options->file << ": " << error << '\n';
                run.status = 1;
                return;
            }
        }
        if (!input.ok()) {
            run.err << "voxmere-tool show: " << vox::ReadErrorEnglish(input.error) << '\n';
            run.status = 1;
            return;
        }
        if (!input.value.isBank && voice->count() > 0 && options->voice != 1) {
            run.err << "voxmere-tool show: " << options->file << " holds one voice; --voice "
                    << options->voice << " does not exist\n";
            run.status = 1;
            return;
        }
        const vox::VoiceRecord &record = input.value.isBank
                                             ? input.value.bank[static_cast<std::size_t>(options->voice - 1)]
                                             : input.value.voice;
        const vox::Slot slot = SlotOf(record);
        run.out << (options->json ? vox::ShowVoiceJson(slot) : vox::ShowVoiceText(slot));
        if (options->json) run.out << '\n';
    });
}

} // namespace voxtool
