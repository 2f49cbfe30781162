// sheet FILE [--bank N] (--voice N | --all) OUT.pdf|OUT.svg: the printable
// voice sheet (editor/voice_sheet.h) of one voice, or of every voice of a
// bank as a PDF of a page each.
#include "commands.h"

#include "editor/voice_sheet.h"
#include "voice_input.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace voxtool {
namespace {

struct SheetOptions {
    std::string file;
    std::string out;
    int bank = 1;
    int voice = 1;
    bool all = false;
};

} // namespace

void AddSheetCommand(CLI::App &app, ToolRun &run) {
    auto options = std::make_shared<SheetOptions>();
    CLI::App *sheet = app.add_subcommand(
        "sheet", "Write the printable sheet of a voice for setting it up by hand on the instrument: name, "
                 "every parameter as the editor shows it, the envelopes and the algorithm, on an A4 page. "
                 "PDF or SVG by OUT's extension; --all writes every voice of a bank, a page each, as PDF");
    sheet->add_option("FILE", options->file, "a .v32, .syx, .dx7, .32, .v01 or .mid file")->required();
    sheet->add_option("OUT", options->out, "the .pdf or .svg file to write (replaced if it exists)")
        ->required();
    CLI::Option *voice = sheet->add_option("--voice", options->voice,
                                           "voice N (1..32) of a bank, or 1 of a "
                                           "single-voice file");
    CLI::Option *all =
        sheet->add_flag("--all", options->all, "every voice of the file, a page each (PDF only)");
    voice->excludes(all);
    CLI::Option *bank =
        sheet->add_option("--bank", options->bank, "bank N (from 1) of a file that holds several; default 1")
            ->check(CLI::PositiveNumber);

    sheet->callback([options, voice, bank, &run] {
        auto fail = [&run](const std::string &message) {
            run.err << "voxmere-tool sheet: " << message << '\n';
            run.status = 1;
        };
        if (voice->count() == 0 && !options->all) return fail("name the voice with --voice N, or give --all");
        const std::optional<vox::SheetFormat> format = vox::SheetFormatOf(options->out);
        if (!format) return fail(options->out + ": the sheet is written as .pdf or .svg");
        if (options->all && *format == vox::SheetFormat::Svg)
            return fail(options->out +
                        ": an SVG sheet holds one voice; use --voice N, or write --all as .pdf");
        const VoicesRead read =
            ReadVoices(options->file, bank->count() > 0 ? std::optional<int>(options->bank) : std::nullopt);
        if (!read.error.empty()) return fail(read.error);

        std::vector<vox::Slot> voices;
        if (options->all) {
            const int count = read.voices.isBank ? static_cast<int>(vox::kBankSlots) : 1;
            for (int number = 1; number <= count; ++number)
                voices.push_back(SlotOf(VoiceOf(read.voices, number)));
        } else {
            if (const std::string error =
                    VoiceNumberError(read.voices, options->file, options->voice, "--voice ");
                !error.empty())
                return fail(error);
            voices.push_back(SlotOf(VoiceOf(read.voices, options->voice)));
        }
        if (const std::string error = vox::WriteVoiceSheets(voices, options->out); !error.empty())
            return fail(error);
        run.out << "wrote " << options->out << ": " << voices.size()
                << (voices.size() == 1 ? " page" : " pages") << '\n';
    });
}

} // namespace voxtool
