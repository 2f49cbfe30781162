// convert IN OUT [--voice N] [--bank N]: read any kind the program reads,
// write the kind OUT's ending names.
#include "commands.h"

#include "files/file_convert.h"
#include "files/file_report.h"

#include <memory>
#include <optional>

namespace voxtool {
namespace {

struct ConvertOptions {
    std::string in, out;
    int voice = 0;
    int bank = 1;
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
    CLI::Option *bank = convert
                            ->add_option("--bank", options->bank,
                                         "pick bank N (from 1) of a file that holds several; default 1")
                            ->check(CLI::PositiveNumber);
    convert->callback([options, voice, bank, &run] {
        std::optional<int> pick, pickBank;
        if (voice->count() > 0) pick = options->voice;
        if (bank->count() > 0) pickBank = options->bank;
        const vox::ConvertResult result = vox::ConvertVoiceFile(options->in, options->out, pick, pickBank);
        if (!result.ok) {
            run.err << "voxmere-tool convert: " << result.message << '\n';
            run.status = 1;
            return;
        }
        run.out << result.message << '\n';
        if (!result.warning.empty()) {
            run.err << "voxmere-tool convert: warning: " << result.warning << '\n';
            run.status = kStatusWrittenWithWarning;
        }
        // Say what of the later models' data stayed behind: all of it but
        // a bank's AMEM, which a bank output keeps.
        for (const vox::FamilyReport &f : vox::InspectFile(options->in).family) {
            if (result.supplementsKept && f.offset == result.supplementAt) continue;
            run.err << "voxmere-tool convert: warning: dropped " << f.what << " at offset " << f.offset
                    << " (" << f.length << " bytes): " << options->out << " cannot hold it\n";
            run.status = kStatusWrittenWithWarning;
        }
    });
}

} // namespace voxtool
