// The built-in virtual DX7 in the Qt program: its replies come back only
// through the event loop, like real MIDI input, late when it is told to be.

#include "app/midi_setup.h"
#include "app/qt_host.h"
#include "common/wait.h"
#include "gui_rig.h"
#include "librarian/form1_view.h"
#include "test_support.h"

#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QtTest>

#include <sys/resource.h>

#include <vector>

using namespace vox;

class MidiSetupTest : public QObject {
    Q_OBJECT

    static double CpuSeconds() {
        rusage u{};
        getrusage(RUSAGE_SELF, &u);
        return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
               static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    }

    struct Rig {
        QtHost host;
        MidiWiring wiring;
        std::vector<MidiInEvent> events;

        Rig() {
            MidiOptions options;
            options.virtualDx7 = true;
            wiring = WireMidiForQt(options, host);
            WakeHostOnInput(*wiring.in, host);
            host.setEventPump([this] {
                while (auto e = wiring.in->poll()) {
                    if (e->kind == MidiInEvent::Kind::LongData) wiring.in->addBuffer();
                    events.push_back(std::move(*e));
                }
                return false;
            });
            wiring.out->open();
            wiring.in->open();
            wiring.in->prepareBuffer();
            wiring.in->addBuffer();
            wiring.in->start();
        }
        std::size_t longBuffers() const {
            std::size_t n = 0;
            for (const auto &e : events)
                n += e.kind == MidiInEvent::Kind::LongData;
            return n;
        }
    };

private slots:
    void replyIsHandledInTheEventLoopNotInsideTheSend() {
        // GIVEN the program on the built-in instrument
        Rig rig;
        // WHEN a program change is sent
        rig.wiring.out->sendShort(0xC0, 4, 0);
        // THEN nothing is handled before the event loop runs, and the dump is handled once it does
        QCOMPARE(rig.events.size(), std::size_t{0});
        QTRY_COMPARE_WITH_TIMEOUT(rig.longBuffers(), std::size_t{1}, 2000);
        QCOMPARE(rig.events.back().bytes.size(), std::size_t{163});
        QCOMPARE(rig.events.back().bytes[0], Byte{0xF0});
    }

    void delayedReplyArrivesAfterItsDelayWithNoOtherEvent() {
        // GIVEN replies delayed by 300 ms
        Rig rig;
        rig.wiring.dx7->faults.replyDelayMs = 300;
        QElapsedTimer timer;
        timer.start();
        // WHEN a program change is sent and the program idles in its event loop
        rig.wiring.out->sendShort(0xC0, 0, 0);
        // THEN the dump is handled, no sooner than 300 ms later
        QTRY_COMPARE_WITH_TIMEOUT(rig.longBuffers(), std::size_t{1}, 3000);
        QVERIFY2(timer.elapsed() >= 300, qPrintable(QString::number(timer.elapsed())));
    }

    void aWaitSleepsAndTheReplyArrivingMeanwhileIsHandledInsideIt() {
        // GIVEN a program change sent to the built-in instrument
        Rig rig;
        rig.wiring.out->sendShort(0xC0, 4, 0);
        // WHEN the program waits 400 ms
        const double before = CpuSeconds();
        WaitSeconds(rig.host, 0.4f);
        const double cpu = CpuSeconds() - before;
        // THEN the dump was taken within the wait, which used a small part of a core
        QCOMPARE(rig.longBuffers(), std::size_t{1});
        QVERIFY2(cpu < 0.1, qPrintable(QString("%1 s of processor time").arg(cpu)));
    }

    void menuOffersAndTicksTheVirtualDx7() {
        // GIVEN the built-in instrument, its ports open
        Rig rig;
        MidiMenuModel menu = MidiMenuFor(rig.wiring);
        // THEN the menu lists it for output and input and ticks it as current
        QCOMPARE(menu.outputs(), std::vector<std::string>{kVirtualDx7PortName});
        QCOMPARE(menu.inputs(), std::vector<std::string>{kVirtualDx7PortName});
        QCOMPARE(menu.currentOutput(), std::string(kVirtualDx7PortName));
        QCOMPARE(menu.currentInput(), std::string(kVirtualDx7PortName));
    }

    // The MIDI menu of the main window, opened as a user opens it: its
    // submenu for one direction, filled afresh.
    static QMenu *OpenPortMenu(Form1View &view, const char *objectName) {
        return test::OpenMidiSubmenu(view, objectName);
    }
    static QAction *Item(QMenu *menu, const QString &text) {
        for (QAction *a : menu->actions())
            if (a->text() == text) return a;
        return nullptr;
    }

    void aChosenOutputThatFailsIsReportedByNameAndTheOpenPortStaysTicked() {
        // GIVEN "Synth A" connected, and "Synth B" listed but refusing to open
        test::ProgramFixture f;
        Form1View view(f.program);
        std::string connected = "Synth A";
        std::vector<std::string> asked;
        MidiMenuModel model;
        model.outputs = [] { return std::vector<std::string>{"Synth A", "Synth B"}; };
        model.inputs = [] { return std::vector<std::string>{}; };
        model.currentOutput = [&] { return connected; };
        model.currentInput = [] { return std::string{}; };
        model.chooseOutput = [&](const std::string &name) {
            asked.push_back(name);
            return name != "Synth B";
        };
        model.chooseInput = [](const std::string &) { return false; };
        view.setMidiMenu(model);
        QMenu *out = OpenPortMenu(view, "mnu_midiOutMenu");
        QVERIFY(out);
        QVERIFY(Item(out, "Synth A")->isChecked());
        // WHEN the user picks "Synth B"
        Item(out, "Synth B")->trigger();
        // THEN one box names it and the port still in use
        QCOMPARE(asked, std::vector<std::string>{"Synth B"});
        QCOMPARE(f.host.boxes.size(), std::size_t{1});
        QCOMPARE(
            QString::fromStdString(f.host.boxes[0].text),
            QString("MIDI出力ポート「Synth B」を開けませんでした。これまでどおり「Synth A」を使います。"));
        // ... and the menu, opened again, ticks "Synth A", not "Synth B"
        out = OpenPortMenu(view, "mnu_midiOutMenu");
        QVERIFY(Item(out, "Synth A")->isChecked());
        QVERIFY(!Item(out, "Synth B")->isChecked());
    }

    void aChosenOutputThatFailsWithNothingLeftOpenTicksNothing() {
        test::ProgramFixture f;
        Form1View view(f.program);
        std::string connected = "Synth A";
        MidiMenuModel model;
        model.outputs = [] { return std::vector<std::string>{"Synth A", "Synth B"}; };
        model.inputs = [] { return std::vector<std::string>{}; };
        model.currentOutput = [&] { return connected; };
        model.currentInput = [] { return std::string{}; };
        model.chooseOutput = [&](const std::string &) {
            connected.clear(); // the old port could not be reconnected either
            return false;
        };
        model.chooseInput = [](const std::string &) { return false; };
        view.setMidiMenu(model);
        Item(OpenPortMenu(view, "mnu_midiOutMenu"), "Synth B")->trigger();
        QCOMPARE(QString::fromStdString(f.host.boxes.at(0).text),
                 QString("MIDI出力ポート「Synth "
                         "B」を開けませんでした。MIDI出力は閉じています。DX7には何も送られません。"));
        QMenu *out = OpenPortMenu(view, "mnu_midiOutMenu");
        for (QAction *a : out->actions())
            QVERIFY2(!a->isChecked(), qPrintable(a->text()));
    }

    void aChosenPortThatOpensRaisesNoBox() {
        test::ProgramFixture f;
        Form1View view(f.program);
        std::string connected;
        MidiMenuModel model;
        model.outputs = [] { return std::vector<std::string>{}; };
        model.inputs = [] { return std::vector<std::string>{"Keys", "DX7 out"}; };
        model.currentOutput = [] { return std::string{}; };
        model.currentInput = [&] { return connected; };
        model.chooseOutput = [](const std::string &) { return false; };
        model.chooseInput = [&](const std::string &name) {
            connected = name;
            return true;
        };
        view.setMidiMenu(model);
        Item(OpenPortMenu(view, "mnu_midiInMenu"), "DX7 out")->trigger();
        QVERIFY(f.host.boxes.empty());
        QVERIFY(Item(OpenPortMenu(view, "mnu_midiInMenu"), "DX7 out")->isChecked());
    }

    void theVirtualDx7RefusesAnyOtherChoiceAndStaysCurrent() {
        Rig rig;
        MidiMenuModel menu = MidiMenuFor(rig.wiring);
        QVERIFY(!menu.chooseOutput("some port"));
        QVERIFY(menu.chooseOutput(kVirtualDx7PortName));
        QCOMPARE(menu.currentOutput(), std::string(kVirtualDx7PortName));
    }
};

VOXMERE_GUI_TEST(midi_setup_test, MidiSetupTest)
#include "midi_setup_test.moc"
