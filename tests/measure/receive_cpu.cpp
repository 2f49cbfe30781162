// Processor time of one standard bank receive (32 program changes half a
// second apart) from the built-in virtual DX7, through the program's real
// windows offscreen: scripts/measure-receive-cpu.sh runs it.
//   receive_cpu          the waits sleep in the event loop
//   receive_cpu --spin   a host that cannot sleep: every wait makes plain
//                        passes back to back, as the waits did before
#include "app/app_windows.h"
#include "app/midi_setup.h"
#include "app/qt_host.h"
#include "program/program.h"

#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

class SpinningHost : public vox::QtHost {
public:
    void processEventsFor(double) override { processEvents(); }
};

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    auto s = [](const timeval &t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return s(u.ru_utime) + s(u.ru_stime);
}

} // namespace

int main(int argc, char **argv) {
    const bool spin = argc > 1 && std::strcmp(argv[1], "--spin") == 0;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir folder;
    std::filesystem::copy(VOXMERE_PROGRAM_DIR, folder.path().toStdString(),
                          std::filesystem::copy_options::recursive);

    std::unique_ptr<vox::QtHost> host =
        spin ? std::make_unique<SpinningHost>() : std::make_unique<vox::QtHost>();
    host->setAutoAnswer(true); // a box would wait for a user
    vox::ProgramState state;
    state.programFolder = folder.path().toStdString();
    vox::MidiOptions options;
    options.virtualDx7 = true;
    vox::MidiWiring wiring = vox::WireMidiForQt(options, *host);
    state.midiOut = wiring.out.get();
    state.midiIn = wiring.in.get();
    vox::Program program(state, *host);
    vox::AppWindows windows(program, *host, &wiring);
    windows.form1.show();
    program.form1.load();
    host->refreshAll();
    QCoreApplication::processEvents();

    const auto started = std::chrono::steady_clock::now();
    const double cpuBefore = CpuSeconds();
    // The standard receive runs inside the click, its waits included.
    windows.form1.findChild<QPushButton *>("Command4")->click();
    while (program.form1.list3().items.size() < vox::kBankSlots &&
           std::chrono::steady_clock::now() - started < std::chrono::seconds(40))
        host->processEventsFor(0.05);
    const double cpu = CpuSeconds() - cpuBefore;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("%s: %zu voices in %.2f s, processor %.2f s (%.1f %% of one core)\n",
                spin ? "waits as plain passes" : "waits that sleep", program.form1.list3().items.size(), wall,
                cpu, 100.0 * cpu / wall);
    return program.form1.list3().items.size() == vox::kBankSlots ? 0 : 1;
}
