// show [--json] FILE [--voice N] [--bank N]: one voice as the editor's chart
// shows it.
#include "commands.h"

#include "editor/voice_show.h"
#include "voice_input.h"

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

} // namespace

void AddShowCommand(CLI::App &app, ToolRun &run) {
    auto options = std::make_shared<ShowOptions>();
    CLI::App *show = app.add_subcommand("show", "Show one voice as the editor's chart shows it");
    show->add_option("FILE", options->file, "a .v32, .syx, .dx7, .32, .v01 or .mid file")->required();
    show->add_option("--voice", options->voice, "voice N (1..32) of a bank; default 1")
        ->check(CLI::Range(1, 32));
    CLI::Option *bank =
        show->add_option("--bank", options->bank, "bank N (from 1) of a file that holds several; default 1")
            ->check(CLI::PositiveNumber);
    show->add_flag("--json", options->json, "one JSON object");
    show->callback([options, bank, &run] {
        auto fail = [&run](const std::string &message) {
            run.err << "voxmere-tool show: " << message << '\n';
            run.status = 1;
        };
        const VoicesRead read =
            ReadVoices(options->file, bank->count() > 0 ? std::optional<int>(options->bank) : std::nullopt);
        if (!read.error.empty()) return fail(read.error);
        if (const std::string error =
                VoiceNumberError(read.voices, options->file, options->voice, "--voice ");
            !error.empty())
            return fail(error);
        const vox::Slot slot = SlotOf(VoiceOf(read.voices, options->voice));
        run.out << (options->json ? vox::ShowVoiceJson(slot) : vox::ShowVoiceText(slot));
        if (options->json) run.out << '\n';
    });
}

} // namespace voxtool
