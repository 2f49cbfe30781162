// VOXMERE: a voice editor and librarian for the DX7.
#include "app/null_ports.h"
#include "app/qt_host.h"
#include "editor/form2_view.h"
#include "librarian/form1_view.h"
#include "librarian/program.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFont>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <memory>

namespace {

std::atomic<bool> g_stopRequested{false};
void OnStopSignal(int) { g_stopRequested = true; }

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("VOXMERE");
    // The layout was drawn for a 9-point Japanese UI font.
    QFont font("Noto Sans CJK JP");
    font.setPixelSize(11);
    QApplication::setFont(font);

    QCommandLineParser parser;
    parser.setApplicationDescription("VOXMERE: DX7 voice editor and librarian");
    parser.addHelpOption();
    parser.process(app);

    vox::ProgramState state;
    state.programFolder = QCoreApplication::applicationDirPath().toStdString();
    vox::NullOutPort out;
    vox::NullInPort in;
    state.midiOut = &out;
    state.midiIn = &in;

    vox::QtHost host;
    host.setAutoAnswer(qEnvironmentVariableIntValue("VOXMERE_AUTO_ANSWER") == 1);
    vox::Program program(state, host);
    host.setEventPump([&program] { program.pumpMidiInput(); });

    vox::Form1View form1(program);
    host.registerWindow(vox::WindowId::Form1, &form1);
    vox::Form2View form2(program);
    host.registerWindow(vox::WindowId::Form2, &form2);

    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
    QTimer stopWatch;
    QObject::connect(&stopWatch, &QTimer::timeout, [] {
        if (g_stopRequested) QCoreApplication::exit(0);
    });
    stopWatch.start(100);

    form1.show();
    // The start-up sequence runs once the event loop is up, so its boxes
    // stand over the main window.
    QTimer::singleShot(0, &form1, [&] {
        program.form1.load();
        host.refreshAll();
    });
    return QApplication::exec();
}
