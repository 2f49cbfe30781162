// The overwrite chooser and the MIDI monitor as a user sees them.
#include "gui_rig.h"
#include "librarian/form7_layout.h"
#include "librarian/form7_view.h"
#include "librarian/midi_monitor_view.h"
#include "midi/midi_output.h"
#include "scripted_dx7.h"
#include "ui/twips.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using namespace vox;

class Form7ViewTest : public QObject {
    Q_OBJECT

    struct Setup {
        test::ProgramFixture f;
        Setup() {
            f.out.open();
            test::SeedBank(f.ws, test::MakeBankVoice);
            // A voice from a file: the edit area names slot 0, no entry.
            Slot voice{};
            const char name[] = "NEW VOICE ";
            for (std::size_t i = 0; i < kNameLength; ++i)
                voice[kNamePos + i] = static_cast<Byte>(name[i]);
            f.ws.placeVoice(voice);
            f.program.form1.command12Click();
        }
    };

private slots:
    void showsItsCaptionsAndTheSoundList() {
        Setup s;
        Form7View view(s.f.program);
        QCOMPARE(view.windowTitle(), QString("SOUND LIST 変更"));
        QCOMPARE(view.findChild<QLabel *>("Label1")->text(), QString("音色上書き位置"));
        QCOMPARE(static_cast<WrapButton *>(view.findChild<QPushButton *>("Command1"))->caption(),
                 QString("変更"));
        QCOMPARE(static_cast<WrapButton *>(view.findChild<QPushButton *>("Command2"))->caption(),
                 QString("中止"));
        auto *list1 = view.findChild<QListWidget *>("List1");
        QCOMPARE(list1->count(), 32);
        QCOMPARE(list1->item(4)->text(), QString("  5. BANK 05   "));
        QVERIFY(list1->selectedItems().isEmpty());
        // Every control stands at its table place.
        for (const ControlRow &row : form7_layout::kControls) {
            auto *w = view.findChild<QWidget *>(row.name);
            QVERIFY2(w, row.name);
            QCOMPARE(w->geometry(), TwipsToRect(row.at, w->parentWidget()));
        }
    }

    void pickingTheFifthRowAndChangeWritesSlot5() {
        Setup s;
        Form7View view(s.f.program);
        view.findChild<QListWidget *>("List1")->setCurrentRow(4);
        view.findChild<QPushButton *>("Command1")->click();
        QCOMPARE(QString::fromStdString(s.f.program.form1.list3().items[4]), QString("  5. NEW VOICE "));
        QCOMPARE(s.f.ws.currentSlot(), 5);
        QVERIFY(s.f.host.enabled.at(WindowId::Form1));
        QVERIFY(s.f.host.refreshAllCount > 0);
    }

    void focusOnTheListSelectsNothing() {
        Setup s;
        Form7View view(s.f.program);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        auto *list1 = view.findChild<QListWidget *>("List1");
        list1->setFocus();
        QApplication::processEvents();
        QCOMPARE(s.f.program.form7.list1.selected, -1);
        view.findChild<QPushButton *>("Command1")->click();
        // Without a position it asks for one and writes nothing, not the first row.
        QCOMPARE(s.f.host.boxes.size(), std::size_t{1});
        QCOMPARE(QString::fromStdString(s.f.host.boxes[0].text), QString("上書きする位置を選んでください。"));
        QCOMPARE(s.f.ws.currentSlot(), 0);
        QCOMPARE(QString::fromStdString(s.f.program.form1.list3().items[0]), QString("  1. BANK 01   "));
    }

    void closeBoxLeavesTheBankAndEnablesTheMainWindow() {
        Setup s;
        const VoiceTable before = s.f.ws.voiceTable();
        Form7View view(s.f.program);
        view.show();
        view.findChild<QListWidget *>("List1")->setCurrentRow(4);
        view.close();
        QVERIFY(s.f.ws.voiceTable().all == before.all);
        QVERIFY(s.f.out.sent.empty());
        QVERIFY(s.f.host.enabled.at(WindowId::Form1));
        QCOMPARE(s.f.host.closed, std::vector<WindowId>{WindowId::Form7});
    }

    void monitorShowsEveryMessageDecodedAndTheReceiveListsLive() {
        test::ProgramFixture f;
        MidiMonitorView monitor(f.program);
        f.out.open();
        f.host.clock = 75.5;
        f.program.form1.startInputAtLoad();
        f.in.receive(std::vector<Byte>{0x90, 0x3C, 0x64});
        f.host.processEvents();
        SendShortMessage(f.state, kProgramChange, 5, 0);
        f.program.form1.list2.add("10");
        monitor.refresh();
        auto *list1 = monitor.findChild<QListWidget *>("List1");
        QCOMPARE(list1->count(), 3);
        QVERIFY2(list1->item(0)->text().startsWith("00:01:15.510  受信  Input port opened"),
                 qPrintable(list1->item(0)->text()));
        QVERIFY2(list1->item(1)->text().startsWith("00:01:15.510  受信  Note on 60 velocity 100 "),
                 qPrintable(list1->item(1)->text()));
        QVERIFY(list1->item(1)->text().endsWith("  90 3C 64"));
        QVERIFY(list1->item(2)->text().startsWith("00:01:15.510  送信  Program change 5 "));
        QVERIFY(list1->item(2)->text().endsWith("  C0 05"));
        // The main window's receive log is filled as before.
        QCOMPARE(f.program.form1.list1.items.back(), std::string("ShortMsg受信 : 903C64"));
        QCOMPARE(monitor.findChild<QListWidget *>("List2")->item(0)->text(), QString("10"));
        QCOMPARE(monitor.findChild<QListWidget *>("List4")->count(), 0);
        // Clearing the receive log leaves the messages in the monitor; new
        // ones are added once each.
        f.program.form1.list1.clear();
        monitor.refresh();
        QCOMPARE(list1->count(), 3);
        SendShortMessage(f.state, kNoteOff, 0x3C, 0);
        monitor.refresh();
        monitor.refresh();
        QCOMPARE(list1->count(), 4);
        QVERIFY(list1->item(3)->text().contains("送信  Note off 60 velocity 0 "));
    }

    void monitorDropsTheOldestLinesAsTheLogDoes() {
        test::ProgramFixture f;
        f.out.open();
        MidiMonitorView monitor(f.program);
        for (std::size_t i = 0; i < MidiTraffic::kKept + 2; ++i)
            SendShortMessage(f.state, kProgramChange, static_cast<Byte>(i % 100), 0);
        monitor.refresh();
        auto *list1 = monitor.findChild<QListWidget *>("List1");
        QCOMPARE(list1->count(), static_cast<int>(MidiTraffic::kKept));
        QVERIFY(list1->item(0)->text().contains("Program change 2 "));
    }
};

VOXMERE_GUI_TEST(form7_view_test, Form7ViewTest)
#include "form7_view_test.moc"
