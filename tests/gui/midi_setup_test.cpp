// The built-in virtual DX7 in the Qt program: its replies come back only
// through the event loop, like real MIDI input, late when it is told to be.

#include "app/midi_setup.h"
#include "app/qt_host.h"

#include <QElapsedTimer>
#include <QtTest>

#include <vector>

using namespace vox;

class MidiSetupTest : public QObject {
    Q_OBJECT

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
            for (const auto& e : events) n += e.kind == MidiInEvent::Kind::LongData;
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
};

QTEST_MAIN(MidiSetupTest)
#include "midi_setup_test.moc"
