// VOXMERE: a voice editor and librarian for the DX7.
#include "app/app_windows.h"
#include "app/midi_setup.h"
#include "app/null_ports.h"
#include "app/qt_host.h"
#include "librarian/program.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFont>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string_view>

namespace {

std::atomic<bool> g_stopRequested{false};
void OnStopSignal(int) { g_stopRequested = true; }

} // namespace

int main(int argc, char** argv) {
    // Listing needs no display, so it comes before the application.
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--list-ports") {
            std::fputs(vox::ListPortsText().c_str(), stdout);
            return 0;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("VOXMERE");
    // The layout was drawn for a 9-point Japanese UI font.
    QFont font("Noto Sans CJK JP");
    font.setPixelSize(11);
    QApplication::setFont(font);

    QCommandLineParser parser;
    parser.setApplicationDescription("VOXMERE: DX7 voice editor and librarian");
    parser.addHelpOption();
    const QCommandLineOption outOption("midi-out", "Output port: its name or a unique part of it.", "NAME");
    const QCommandLineOption inOption("midi-in", "Input port: its name or a unique part of it.", "NAME");
    const QCommandLineOption apiOption("midi-api", "RtMidi API: alsa or jack (default: the first that works).", "API");
    const QCommandLineOption virtualOption("virtual-dx7", "Use the built-in virtual DX7 instead of MIDI ports.");
    const QCommandLineOption listOption("list-ports", "Print the MIDI ports of each API and exit.");
    parser.addOptions({outOption, inOption, apiOption, virtualOption, listOption});
    parser.process(app);

    vox::ProgramState state;
    state.programFolder = QCoreApplication::applicationDirPath().toStdString();

    vox::QtHost host;
    host.setAutoAnswer(qEnvironmentVariableIntValue("VOXMERE_AUTO_ANSWER") == 1);

    // Real ports, or the built-in instrument; ports that never open when
    // nothing can be set up.
    vox::MidiOptions options;
    options.out = parser.value(outOption).toStdString();
    options.in = parser.value(inOption).toStdString();
    options.api = parser.value(apiOption).toStdString();
    options.virtualDx7 = parser.isSet(virtualOption);
    vox::MidiWiring wiring = vox::WireMidiForQt(options, host);
    for (const auto& problem : wiring.problems) std::fprintf(stderr, "voxmere: %s\n", problem.c_str());
    vox::NullOutPort nullOut;
    vox::NullInPort nullIn;
    state.midiOut = wiring.out ? wiring.out.get() : static_cast<vox::MidiOutPort*>(&nullOut);
    state.midiIn = wiring.in ? wiring.in.get() : static_cast<vox::MidiInPort*>(&nullIn);
    vox::Program program(state, host);
    vox::AppWindows windows(program, host, &wiring);

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
        // For scripts/bench.sh only: VOXMERE_BENCH_OPEN_EDITOR=1 opens the
        // editor on the edit area's voice, as EDIT MODE does, so the memory
        // with the editor open can be measured without a click.
        if (qEnvironmentVariableIntValue("VOXMERE_BENCH_OPEN_EDITOR") == 1) program.form1.command13Click();
        host.refreshAll();
    });
    return QApplication::exec();
}
