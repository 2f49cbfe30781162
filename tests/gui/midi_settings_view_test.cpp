// The MIDI settings window as a user sees it, and its entry in the main
// window's MIDI menu.
#include "gui_rig.h"
#include "librarian/form1_view.h"
#include "librarian/midi_settings_layout.h"
#include "librarian/midi_settings_view.h"
#include "test_support.h"
#include "ui/twips.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace vox;

class MidiSettingsViewTest : public QObject {
    Q_OBJECT

private slots:
    void showsItsCaptionsInJapaneseAndEachControlAtItsPlace() {
        test::ProgramFixture f;
        f.program.midiSettings.open();
        MidiSettingsView view(f.program);
        QCOMPARE(view.windowTitle(), QString("MIDI設定"));
        const std::pair<const char *, const char *> captions[] = {
            {"Frame1", "受信の方式"},
            {"Option1", "標準（0.5秒ごとに32回要求）"},
            {"Option2", "高速（1音色ずつ確かめて受信）"},
            {"Label3", "応答待ち"},
            {"Label4", "秒（0.2〜10）"},
            {"Label5", "再要求の回数"},
            {"Label6", "回（0〜10）"},
            {"Label1", "SysEx間の待ち"},
            {"Label2", "ms（0〜500）"},
            {"Label11", "SysExの分割"},
            {"Label12", "バイト（0＝しない、32〜1024）"},
            {"Label13", "長いSysExを取りこぼすMIDIインターフェイスに小分けして送ります"},
            {"Check1", "送信後に確認する"},
            {"Label14", "送信したバンクを読み返して比べます"},
            {"Label15", "（DX7の選ばれている音色が変わります）"},
            {"Command1", "OK"},
            {"Command2", "キャンセル"},
        };
        for (const auto &[name, caption] : captions) {
            auto *w = view.findChild<QWidget *>(name);
            QVERIFY2(w, name);
            QCOMPARE(test::CaptionOf(w), QString(caption));
        }
        for (const ControlRow &row : midi_settings_layout::kControls) {
            auto *w = view.findChild<QWidget *>(row.name);
            QVERIFY2(w, row.name);
            QCOMPARE(w->geometry(), TwipsToRect(row.at, w->parentWidget()));
        }
    }

    void showsTheDefaultsWithTheFastEntriesGreyed() {
        test::ProgramFixture f;
        f.program.midiSettings.open();
        MidiSettingsView view(f.program);
        QVERIFY(view.findChild<QRadioButton *>("Option1")->isChecked());
        QVERIFY(!view.findChild<QRadioButton *>("Option2")->isChecked());
        QCOMPARE(view.findChild<QLineEdit *>("Text1")->text(), QString("0"));
        QCOMPARE(view.findChild<QLineEdit *>("Text2")->text(), QString("1"));
        QCOMPARE(view.findChild<QLineEdit *>("Text3")->text(), QString("3"));
        QVERIFY(view.findChild<QLineEdit *>("Text1")->isEnabled());
        for (const char *name : {"Text2", "Text3", "Label3", "Label4", "Label5", "Label6"})
            QVERIFY2(!view.findChild<QWidget *>(name)->isEnabled(), name);
    }

    void choosingFastMakesItsEntriesUsableAndOkAppliesWhatWasTyped() {
        // GIVEN the window open on the defaults
        test::ProgramFixture f;
        f.program.midiSettings.open();
        MidiSettingsView view(f.program);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        // WHEN the user clicks 高速, types 2 s and 4 re-requests and clicks OK
        QTest::mouseClick(view.findChild<QRadioButton *>("Option2"), Qt::LeftButton);
        view.refresh(); // as the host redraws every window after an event
        auto *timeout = view.findChild<QLineEdit *>("Text2");
        QVERIFY(timeout->isEnabled());
        timeout->selectAll();
        QTest::keyClicks(timeout, "2");
        auto *retries = view.findChild<QLineEdit *>("Text3");
        retries->selectAll();
        QTest::keyClicks(retries, "4");
        view.findChild<QPushButton *>("Command1")->click();
        // THEN the program receives fast with them, and the window asked to close
        QCOMPARE(f.state.exchange.receiveMode, ReceiveMode::Fast);
        QCOMPARE(f.state.exchange.fastTimeoutSeconds, 2.0);
        QCOMPARE(f.state.exchange.fastRetries, 4);
        QCOMPARE(f.host.closed, std::vector<WindowId>{WindowId::MidiSettings});
        QVERIFY(f.host.boxes.empty());
    }

    void thePieceSizeAndTheCheckAfterATransmitAreTakenByOk() {
        // GIVEN the window open on the defaults: whole messages, no check
        test::ProgramFixture f;
        f.program.midiSettings.open();
        MidiSettingsView view(f.program);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        auto *chunk = view.findChild<QLineEdit *>("Text5");
        auto *check = view.findChild<QCheckBox *>("Check1");
        QCOMPARE(chunk->text(), QString("0"));
        QVERIFY(!check->isChecked());
        // WHEN the user types 32, ticks 送信後に確認する and clicks OK
        chunk->selectAll();
        QTest::keyClicks(chunk, "32");
        QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(8, check->height() / 2)); // on the box
        view.refresh();
        QVERIFY(check->isChecked());
        view.findChild<QPushButton *>("Command1")->click();
        // THEN the program sends in pieces of 32 bytes and checks a bank sent
        QCOMPARE(f.state.exchange.sysExChunk, 32);
        QVERIFY(f.state.exchange.verifyTransmit);
        QVERIFY(f.host.boxes.empty());
    }

    void aPauseOutOfRangeRaisesTheBoxAndTheWindowStays() {
        test::ProgramFixture f;
        f.program.midiSettings.open();
        MidiSettingsView view(f.program);
        auto *pause = view.findChild<QLineEdit *>("Text1");
        pause->selectAll();
        QTest::keyClicks(pause, "800");
        view.findChild<QPushButton *>("Command1")->click();
        QCOMPARE(f.host.boxes.size(), std::size_t{1});
        QCOMPARE(QString::fromStdString(f.host.boxes[0].text),
                 QString("SysEx間の待ちには 0 から 500 までの整数（ms）を入力してください。"));
        QCOMPARE(f.state.exchange.sysExPauseMs, 0);
        QVERIFY(f.host.closed.empty());
        QVERIFY(f.program.midiSettings.isOpen());
    }

    void theCloseBoxActsAsCancel() {
        test::ProgramFixture f;
        f.program.form1.mnuMidiSettingsClick();
        MidiSettingsView view(f.program);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        f.program.midiSettings.text1 = "50";
        view.close();
        QCOMPARE(f.state.exchange.sysExPauseMs, 0);
        QVERIFY(!f.program.midiSettings.isOpen());
        QVERIFY(f.host.enabled.at(WindowId::Form1));
    }

    void theMainWindowsMidiMenuEndsWithTheSettingsEntryThatOpensTheWindow() {
        // GIVEN the main window
        test::ProgramFixture f;
        Form1View main(f.program);
        auto *midi = main.findChild<QMenu *>("mnu_midiMenu");
        QVERIFY(midi);
        emit midi->aboutToShow();
        // THEN its MIDI menu offers "MIDI設定…" last
        QVERIFY(!midi->actions().isEmpty());
        QAction *item = midi->actions().last();
        QCOMPARE(item->objectName(), QString("mnu_midiSettings"));
        QCOMPARE(item->text(), QString("MIDI設定…"));
        // WHEN the user picks it
        item->trigger();
        // THEN the settings window opens over the disabled main window
        QCOMPARE(f.host.shown, std::vector<WindowId>{WindowId::MidiSettings});
        QVERIFY(!f.host.enabled.at(WindowId::Form1));
        QVERIFY(f.program.midiSettings.isOpen());
    }
};

VOXMERE_GUI_TEST(midi_settings_view_test, MidiSettingsViewTest)
#include "midi_settings_view_test.moc"
