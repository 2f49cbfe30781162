#pragma once
// The Qt side shared by the end-to-end tests that drive the program's real
// windows: an offscreen application, and a pump that runs its events.

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

} // namespace vox::e2e
