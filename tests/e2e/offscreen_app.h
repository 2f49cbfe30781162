#pragma once
// The Qt side shared by the end-to-end tests that drive the program's real
// windows: an offscreen application, a pump that runs its events, and the
// program as main() builds it, wired to the sim over JACK.

#include "e2e_support.h"

#include "app/app_windows.h"
#include "app/midi_setup.h"
#include "app/qt_host.h"
#include "program/program.h"

#include <QApplication>
#include <QCoreApplication>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace vox::e2e {

// The application lives as long as the test, so it goes after every window
// and before the process's static objects. Qt keeps argc and argv, so they
// live here too.
struct OffscreenApp {
    int argc = 1;
    char name[8] = "voxmere";
    char *argv[2] = {name, nullptr};
    std::unique_ptr<QApplication> app;
    OffscreenApp() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QApplication>(argc, argv);
    }
};

// Runs the event loop in short slices until ready() holds or `limit` passes.
inline bool PumpUntil(const std::function<bool()> &ready, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!ready() && std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return ready();
}

// GIVEN the sim on the shared server and the program with its windows
// (offscreen) on a program folder of its own, its ports on the sim's, boxes
// answered with their default button.
class WindowsOverJack : public OverJack {
protected:
    OffscreenApp app;
    std::filesystem::path folder = dir / "program";
    ProgramState state;
    QtHost host;
    MidiWiring wiring;
    std::unique_ptr<Program> program;
    std::unique_ptr<AppWindows> windows;

    // beforeShow runs once the windows are built, before they show and load.
    void startProgram(const std::function<void()> &beforeShow = {}) {
        namespace fs = std::filesystem;
        fs::create_directories(folder);
        fs::copy(ProgramDir(), folder, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        state.programFolder = folder;
        host.setAutoAnswer(true);
        MidiOptions options;
        options.api = "jack";
        options.out = "dx7sim";
        options.in = "dx7sim";
        wiring = WireMidiForQt(options, host);
        ASSERT_TRUE(wiring.out && wiring.in) << (wiring.problems.empty() ? "" : wiring.problems.front());
        state.midiOut = wiring.out.get();
        state.midiIn = wiring.in.get();
        program = std::make_unique<Program>(state, host);
        windows = std::make_unique<AppWindows>(*program, host, &wiring);
        if (beforeShow) beforeShow();
        windows->form1.show();
        program->form1.load();
        host.refreshAll();
        ASSERT_EQ(program->form1.command2Caption, "停止") << "input opened at start-up";
    }
    // A user looks at the window before the first click; the sim's answer
    // to the start-up program change arrives meanwhile.
    static void settle() {
        PumpUntil([] { return false; }, std::chrono::milliseconds(500));
    }
};

} // namespace vox::e2e
