// convert IN OUT [--voice N]: read any kind the program reads, write the
// kind OUT's ending names.
#include "commands.h"

#include "files/file_convert.h"

#include <memory>
#include <optional>

namespace voxtool {
namespace {

struct ConvertOptions {
    std::string in, out;
    int voice = 0;
};

} // namespace

void AddConvertCommand(CLI::App &app, ToolRun &run) {
    auto options = std::make_shared<ConvertOptions>();
    CLI::App *convert = app.add_subcommand(
        "convert", "Convert IN to the kind named by OUT's ending: .v32, .v01 or .syx "
                   "(a 4104-byte bulk dump for a bank, a 163-byte single-voice dump for one voice)");
    convert->add_option("IN", options->in, "a .v32, .syx, .dx7, .32, .v01 or .mid file")->required();
    convert->add_option("OUT", options->out, "the file to write (replaced if it exists)")->required();
    CLI::Option *voice = convert->add_option("--voice", options->voice, "pick voice N (1..32) of a bank")
                             ->check(CLI::Range(1, 32));
    convert->callback([options, voice, &run] {
        std::optional<int> pick;
        if (voice->count() > 0) pick = options->voice;
        const vox::ConvertResult result = vox::ConvertVoiceFile(options->in, options->out, pick);
        if (!result.ok) {
            run.err << "voxmere-tool convert: " << result.message << '\n';
            run.status = 1;
            return;
        }
        run.out << result.message << '\n';
    });
}

} // namespace voxtool
