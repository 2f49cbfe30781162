// VOXMERE: a voice editor and librarian for the DX7.
#include "app/app_windows.h"
#include "app/midi_setup.h"
#include "app/null_ports.h"
#include "app/qt_host.h"
#include "app/settings.h"
#include "app/sound_setup.h"
#include "common/program_folders.h"
#include "librarian/midi_settings.h"
#include "midi/fast_receive.h"
#include "midi/rtmidi_ports.h"
#include "midi/virtual_dx7_family.h"
#include "program/program.h"
#include "text/ui_text.h"
#include "ui/control_layout.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QStandardPaths>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>

namespace {

std::atomic<bool> g_stopRequested{false};
void OnStopSignal(int) { g_stopRequested = true; }

// The options, defined once for the help text and for the run.
struct CommandLine {
    QCommandLineParser parser;
    const QCommandLineOption out{"midi-out", "Output port: its name or a unique part of it.", "NAME"};
    const QCommandLineOption in{"midi-in", "Input port: its name or a unique part of it.", "NAME"};
    const QCommandLineOption api{"midi-api", "RtMidi API: alsa or jack (default: the first that works).",
                                 "API"};
    const QCommandLineOption virtualDx7{"virtual-dx7", "Use the built-in virtual DX7 instead of MIDI ports."};
    const QCommandLineOption audioApi{"audio-api",
                                      "The virtual DX7's audio API: alsa, pulse or jack (default: the first "
                                      "that has an output).",
                                      "API"};
    const QCommandLineOption audioOut{
        "audio-out", "The virtual DX7's audio output device: its name or a unique part of it.", "NAME"};
    const QCommandLineOption model{"model",
                                   "The built-in virtual DX7's model: dx7 (the Mk I, default), dx7ii or "
                                   "tx802 (these also keep and answer the additional voice data and "
                                   "the universal blocks).",
                                   "MODEL"};
    const QCommandLineOption listPorts{"list-ports", "Print the MIDI ports of each API and exit."};
    const QCommandLineOption receive{"receive",
                                     "Bank receive: standard (a request every half second) or fast "
                                     "(one request at a time, each answer checked).",
                                     "MODE"};
    const QCommandLineOption noteIn{"note-in",
                                    "MIDI keyboard: an input port (its name or a unique part of it) whose "
                                    "notes, on any channel, are played on the DX7 on its channel.",
                                    "NAME"};
    const QCommandLineOption channel{"channel",
                                     "The DX7's receive channel, 1 to 16, for this run (default: the one "
                                     "set in the MIDI settings, else 1). Every message is sent on it.",
                                     "N"};
    const QCommandLineOption sysExChunk{
        "sysex-chunk",
        "Send System Exclusive messages longer than N bytes in pieces of N, "
        "each when the one before has crossed the cable, for MIDI "
        "interfaces that lose bytes of long messages: 0 (off) or 32 to "
        "1024, for this run (default: the one set in the MIDI settings, else 0).",
        "N"};
    const QCommandLineOption verifyTransmit{"verify-transmit",
                                            "Read a bank sent back and compare it, for this run."};
    const QCommandLineOption language{"language",
                                      "The language of the windows for this run: ja (Japanese) or en "
                                      "(English), or any other that has a catalogue (default: the one "
                                      "chosen in the View menu, else the locale's, else ja).",
                                      "CODE"};

    CommandLine() {
        parser.setApplicationDescription("VOXMERE: DX7 voice editor and librarian");
        parser.addHelpOption();
        parser.addOptions({out, in, api, virtualDx7, model, audioApi, audioOut, listPorts, receive, noteIn,
                           channel, sysExChunk, verifyTransmit, language});
    }
};

// The locale's name as POSIX orders its variables: "en_GB.UTF-8", "C", "".
std::string LocaleName() {
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"})
        if (const char *value = std::getenv(name); value && *value) return value;
    return {};
}

bool AsksForHelp(int argc, char **argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        if (arg == "--") return false;
        if (arg == "-h" || arg == "-?" || arg == "--help" || arg == "--help-all") return true;
    }
    return false;
}

} // namespace

int main(int argc, char **argv) {
    // Listing and help need no display, so they come before the windows'
    // application: a terminal without X or Wayland must get them too.
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--list-ports") {
            std::fputs(vox::ListPortsText().c_str(), stdout);
            return 0;
        }
    }
    if (AsksForHelp(argc, argv)) {
        QCoreApplication core(argc, argv);
        CommandLine commandLine;
        commandLine.parser.process(core); // prints the help and exits
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("VOXMERE");
    // The layout was drawn for a 9-point Japanese UI font; the controls
    // take the font of their class (control_layout.h).
    QApplication::setFont(vox::UiFont());

    CommandLine commandLine;
    QCommandLineParser &parser = commandLine.parser;
    parser.process(app);

    // What the user chose in earlier runs; an option on the command line
    // overrides it for this run only, so the options are applied after it.
    vox::SettingsStore settings;
    const vox::RememberedSettings remembered = settings.load();

    vox::ProgramState state;
    state.exchange = remembered.exchange;
    state.answersBankRequest = remembered.answersBankRequest;
    state.showStartupGuide = remembered.showStartupGuide;
    state.startupGuideChosen = [&settings](bool show) { settings.storeStartupGuide(show); };
    state.bankRequestLearned = [&settings](const std::string &port, bool answers) {
        settings.storeBankRequestAnswer(port, answers);
    };
    // Installed, the read-only files are under share/voxmere and what the
    // program writes goes to the user's data folder (as the catalogue does).
    const vox::ProgramFolders folders = vox::ChooseProgramFolders(
        QCoreApplication::applicationDirPath().toStdString(),
        (QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/voxmere").toStdString());
    state.programFolder = folders.program;
    state.userFolder = folders.user;
    std::error_code folderError;
    std::filesystem::create_directories(state.userFolder, folderError);

    // The language, before any window is built: each shows its texts in
    // the language of the moment it is built.
    std::vector<vox::TextCatalogue> catalogues = vox::FindCatalogues(state.programFolder / "lang");
    const std::string asked = parser.value(commandLine.language).toStdString();
    const std::string language = vox::StartLanguage(asked, remembered.language, LocaleName(), catalogues);
    if (!asked.empty() && asked != language) {
        std::string known = vox::kJapanese;
        for (const auto &c : catalogues)
            known += ", " + c.code;
        std::fprintf(stderr, "voxmere: --language must be one of %s, not '%s'\n", known.c_str(),
                     asked.c_str());
        return 2;
    }
    state.languages.emplace_back(vox::kJapanese, vox::kJapaneseName);
    for (auto &c : catalogues) {
        state.languages.emplace_back(c.code, c.name);
        if (c.code == language) vox::UseCatalogue(std::move(c));
    }
    state.language = language;
    state.languageChosen = [&settings](const std::string &code) { settings.storeLanguage(code); };
    // Qt's own texts (the file dialogs' and the boxes' buttons) in Japanese
    // with the Japanese texts; Qt's own English otherwise.
    if (language == vox::kJapanese) vox::InstallJapaneseQtTexts();
    if (parser.isSet(commandLine.receive)) {
        const std::string mode = parser.value(commandLine.receive).toStdString();
        const auto parsed = vox::ParseReceiveMode(mode);
        if (!parsed) {
            std::fprintf(stderr, "voxmere: --receive must be fast or standard, not '%s'\n", mode.c_str());
            return 2;
        }
        state.exchange.receiveMode = *parsed;
    }
    vox::InstrumentModel model = vox::InstrumentModel::Dx7;
    if (parser.isSet(commandLine.model)) {
        const std::string name = parser.value(commandLine.model).toStdString();
        const auto parsed = vox::InstrumentModelFromName(name);
        if (!parsed) {
            std::fprintf(stderr, "voxmere: --model must be dx7, dx7ii or tx802, not '%s'\n", name.c_str());
            return 2;
        }
        model = *parsed;
    }
    if (parser.isSet(commandLine.channel)) {
        const std::string text = parser.value(commandLine.channel).toStdString();
        const auto parsed = vox::ReadWholeNumber(text, 1, vox::kMaxChannel);
        if (!parsed) {
            std::fprintf(stderr, "voxmere: --channel must be a number from 1 to 16, not '%s'\n",
                         text.c_str());
            return 2;
        }
        state.exchange.channel = *parsed;
    }
    if (parser.isSet(commandLine.sysExChunk)) {
        const std::string text = parser.value(commandLine.sysExChunk).toStdString();
        const auto parsed = vox::ReadSysExChunk(text);
        if (!parsed) {
            std::fprintf(stderr, "voxmere: --sysex-chunk must be 0 or a number from %d to %d, not '%s'\n",
                         vox::kMinSysExChunk, vox::kMaxSysExChunk, text.c_str());
            return 2;
        }
        state.exchange.sysExChunk = *parsed;
    }
    if (parser.isSet(commandLine.verifyTransmit)) state.exchange.verifyTransmit = true;

    vox::QtHost host;
    host.setAutoAnswer(qEnvironmentVariableIntValue("VOXMERE_AUTO_ANSWER") == 1);

    // Real ports, or the built-in instrument; ports that never open when
    // nothing can be set up.
    vox::MidiOptions options;
    options.out = parser.value(commandLine.out).toStdString();
    options.in = parser.value(commandLine.in).toStdString();
    options.api = parser.value(commandLine.api).toStdString();
    options.virtualDx7 = parser.isSet(commandLine.virtualDx7);
    options = vox::WithRememberedPorts(options, remembered, vox::RtMidiPortDirectory());
    vox::MidiWiring wiring = vox::WireMidiForQt(options, host);
    // Nothing to reach an instrument through, and none named: one question
    // instead of a box for each port that failed.
    if (!wiring.dx7 && options.out.empty() && options.in.empty() && wiring.outputNames().empty()) {
        vox::MessageBoxSpec noPorts;
        noPorts.title = vox::form1_text::kNoPortsTitle;
        noPorts.text = vox::form1_text::kNoPortsQuestion;
        noPorts.buttons = vox::MsgButtons::YesNo;
        noPorts.icon = vox::MsgIcon::Question;
        state.portsExplainedAtStart = true;
        if (host.messageBox(noPorts) == vox::MsgResult::Yes) {
            options.virtualDx7 = true;
            wiring = vox::WireMidiForQt(options, host);
        }
    }
    // The built-in instrument is set to the channel the program sends on.
    if (wiring.dx7) {
        wiring.dx7->receiveChannel = state.exchange.channel - 1;
        wiring.dx7->model = model;
    }
    for (const auto &problem : wiring.problems)
        std::fprintf(stderr, "voxmere: %s\n", problem.c_str());
    vox::NullOutPort nullOut;
    vox::NullInPort nullIn;
    state.midiOut = wiring.out ? wiring.out.get() : static_cast<vox::MidiOutPort *>(&nullOut);
    state.midiIn = wiring.in ? wiring.in.get() : static_cast<vox::MidiInPort *>(&nullIn);
    // The virtual DX7 sounds through the audio output; none is no error:
    // it says so once and stays silent.
    std::unique_ptr<vox::SoundWiring> sound;
    if (wiring.dx7) {
        vox::AudioOptions audio;
        audio.api = parser.value(commandLine.audioApi).toStdString();
        audio.device = parser.value(commandLine.audioOut).toStdString();
        // The output chosen in an earlier run, unless the command line names
        // one; gone since, the default output plays instead.
        const bool useRemembered =
            audio.api.empty() && audio.device.empty() && !remembered.audioOutput.name.empty();
        if (useRemembered) {
            audio.api = remembered.audioOutput.api;
            audio.device = remembered.audioOutput.name;
        }
        sound = std::make_unique<vox::SoundWiring>(*wiring.dx7, audio, useRemembered);
        for (const auto &problem : sound->problems())
            std::fprintf(stderr, "voxmere: %s\n", problem.c_str());
    }
    vox::Program program(state, host);
    program.functions.values = remembered.functions;
    vox::AppWindows windows(program, host, &wiring, &settings, sound.get());
    // The built-in instrument starts with the function settings kept; a
    // real one keeps its own until the user changes one or sends them all.
    if (wiring.dx7) program.functions.sendAllClick();
    // The MIDI keyboard: the one named for this run, else the one chosen
    // last time when it is still there.
    if (parser.isSet(commandLine.noteIn)) {
        const std::string wanted = parser.value(commandLine.noteIn).toStdString();
        const std::vector<std::string> names = windows.noteInput->names();
        const auto match = vox::MatchPortName(names, wanted);
        if (!match || !windows.noteInput->input().choose(names[*match]))
            std::fprintf(stderr, "voxmere: note input port \"%s\" not found, not unique or not opened\n",
                         wanted.c_str());
    } else if (!remembered.noteInput.name.empty()) {
        if (remembered.noteInput.api == windows.noteInput->api())
            if (const auto name =
                    vox::FindRememberedPort(windows.noteInput->names(), remembered.noteInput.name))
                windows.noteInput->input().choose(*name);
    }

    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
    QTimer stopWatch;
    QObject::connect(&stopWatch, &QTimer::timeout, [] {
        if (g_stopRequested) QCoreApplication::exit(0);
    });
    stopWatch.start(100);

    windows.form1.show();
    // The start-up sequence runs once the event loop is up, so its boxes
    // stand over the main window.
    QTimer::singleShot(0, &windows.form1, [&] {
        program.form1.load();
        // For scripts/bench.sh and scripts/package-check.sh only:
        // VOXMERE_BENCH_OPEN_EDITOR=1 opens the editor on the edit area's
        // voice, as EDIT MODE does, so the memory with the editor open can
        // be measured, and its picture seen read, without a click.
        if (qEnvironmentVariableIntValue("VOXMERE_BENCH_OPEN_EDITOR") == 1) program.form1.command13Click();
        // Likewise VOXMERE_BENCH_OPEN_LIBRARY=1 opens the library window, as
        // its menu item does, on the catalogue of the user's data folder;
        // 2 also fills the bank under construction from the first results
        // and searches the whole library for voices that sound the same,
        // saying on stderr when the groups show.
        const int library = qEnvironmentVariableIntValue("VOXMERE_BENCH_OPEN_LIBRARY");
        if (library >= 1) program.form1.mnuLibraryClick();
        if (library == 2) {
            program.library.command12Click();
            program.library.option2Click();
            program.library.command5Click();
            auto *shown = new QTimer(&windows.form1);
            QObject::connect(shown, &QTimer::timeout, shown, [&program, shown] {
                if (program.library.busy()) return;
                shown->stop();
                std::fprintf(stderr, "BENCH: duplicates shown: %zu groups\n", program.library.groups.size());
            });
            shown->start(200);
        }
        host.refreshAll();
    });
    return QApplication::exec();
}
