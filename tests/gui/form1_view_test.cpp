// The main window as a user sees it: captions, places, menus.
#include "gui_rig.h"
#include "librarian/form1_layout.h"
#include "librarian/form1_view.h"
#include "scripted_dx7.h"
#include "test_support.h"
#include "ui/client_area_view.h"
#include "ui/twips.h"
#include "voice/init_voice.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QtTest>

using namespace vox;

class Form1ViewTest : public QObject {
    Q_OBJECT

private slots:
    void showsEveryCaptionAtItsPlace() {
        test::ProgramFixture f;
        Form1View view(f.program);
        QCOMPARE(view.windowTitle(), QString("ＶＯＸＭＥＲＥ Ver1.0"));
        struct Expect {
            const char *name;
            const char *caption;
            TwipsRect at;
        };
        const Expect expected[] = {
            {"Label1", "SOUND　LIST", {1770, 240, 1695, 225}},
            {"Command4", "DX7から読込(32VOICE)", {90, 510, 1530, 510}},
            {"Command8", "DX7へ転送(32VOICE)", {90, 1350, 1530, 510}},
            {"Command7", "ﾌｧｲﾙ読込(32VOICE)", {90, 2205, 1560, 555}},
            {"Command6", "ﾌｧｲﾙ保存(32VOICE)", {75, 2865, 1590, 570}},
            {"Label1_2", "エディットエリア", {2025, 3720, 1290, 255}},
            {"Command11", "SOUND LISTから読込", {2040, 4050, 1560, 540}},
            {"Command12", "SOUND LIST へ  書込", {3945, 4065, 1620, 540}},
            {"Command13", "EDIT　MODEへ", {2040, 4695, 1590, 480}},
            {"Command14", "ＨＥＬＰ", {120, 4785, 1545, 495}},
            {"Command10", "ﾌｧｲﾙ読込(1VOICE)", {2025, 5295, 1620, 540}},
            {"Command9", "ﾌｧｲﾙ保存(1VOICE)", {3945, 5265, 1650, 540}},
            {"Command3", "End", {105, 5460, 1545, 495}},
            {"Command1", "音を鳴らす（コマンドボタンを押している間は鳴り続けます）", {8250, 240, 4500, 480}},
            {"Command5", "F2 OPEN", {9300, 840, 1200, 330}},
            {"Command2", "開始", {10650, 840, 1200, 330}},
        };
        for (const auto &e : expected) {
            auto *w = view.findChild<QWidget *>(e.name);
            QVERIFY2(w, e.name);
            QCOMPARE(test::CaptionOf(w), QString::fromUtf8(e.caption));
            // The table holds the place given for the control, and the
            // control stands there.
            const TwipsRect table = ControlRect(form1_layout::kControls, e.name);
            QCOMPARE((std::array{table.left, table.top, table.width, table.height}),
                     (std::array{e.at.left, e.at.top, e.at.width, e.at.height}));
            const QRect r = TwipsToRect(e.at, w->parentWidget());
            QCOMPARE(w->pos(), r.topLeft());
            QCOMPARE(w->height(), r.height());
        }
        // Every control of the table stands at its table place.
        for (const ControlRow &row : form1_layout::kControls) {
            auto *w = view.findChild<QWidget *>(row.name);
            QVERIFY2(w, row.name);
            QCOMPARE(w->geometry(), TwipsToRect(row.at, w->parentWidget()));
        }
        auto *list3 = view.findChild<QListWidget *>("List3");
        QVERIFY(list3);
        QCOMPARE(list3->geometry(), TwipsToRect({1755, 495, 4590, 2940}, list3->parentWidget()));
        for (const char *name : {"List1", "List2", "List4", "Text1", "Combo1", "VScroll1"}) {
            auto *w = view.findChild<QWidget *>(name);
            QVERIFY2(w, name);
            QVERIFY2(w->x() >= TwipsToPixels(8250, w->parentWidget()), name);
        }
    }

    void hasTheFileAndHelpMenusAMidiMenuALibraryMenuAndAViewMenu() {
        test::ProgramFixture f;
        Form1View view(f.program);
        QStringList titles;
        for (QAction *a : view.menuBar()->actions())
            titles << a->text();
        QCOMPARE(titles, (QStringList{"FILE(&F)", "HELP(&H)", "MIDI", "ライブラリ", "編集(&E)", "表示(&V)"}));
        QCOMPARE(view.findChild<QAction *>("mnu_file")->text(), QString("END(&Q)"));
        QCOMPARE(view.findChild<QAction *>("mnu_help")->text(), QString("HELP"));
        QCOMPARE(view.findChild<QAction *>("mnu_ver")->text(), QString("Ver情報"));
        view.findChild<QAction *>("mnu_ver")->trigger();
        QCOMPARE(f.host.boxes.size(), std::size_t{1});
        QCOMPARE(QString::fromStdString(f.host.boxes[0].text), QString("VOXMERE Ver1.01"));
    }

    void hasAFixedClientAreaWithTheOutOfViewControlsOutOfReach() {
        // GIVEN the main window shown
        test::ProgramFixture f;
        Form1View view(f.program);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        // THEN its client area is the fixed one, shown whole, with no scroll bar to widen it
        QScrollArea *scroll = ClientScrollArea(&view);
        QVERIFY(scroll);
        QVERIFY(!scroll->horizontalScrollBar()->isVisible() && !scroll->verticalScrollBar()->isVisible());
        QCOMPARE(scroll->viewport()->size(), QSize(TwipsToPixels(form1_layout::kClientWidth, &view),
                                                   TwipsToPixels(form1_layout::kClientHeight, &view)));
        QCOMPARE(scroll->widget()->size(), scroll->viewport()->size());
        QCOMPARE(view.minimumSize(), view.maximumSize());
        // AND the controls placed to its right exist but cannot be seen or reached
        for (const char *name :
             {"Command1", "Text1", "Command5", "Command2", "List1", "List2", "List4", "Combo1", "VScroll1"}) {
            auto *w = view.findChild<QWidget *>(name);
            QVERIFY2(w, name);
            QVERIFY2(w->visibleRegion().isEmpty(), name);
            QCOMPARE(w->focusPolicy(), Qt::NoFocus);
        }
        // AND the receive logs are still filled by the form
        f.program.form1.list1.add("MIDIIN OPEN");
        view.refresh();
        QCOMPARE(view.findChild<QListWidget *>("List1")->item(0)->text(), QString("MIDIIN OPEN"));
    }

    void theMidiMenuAuditionsTheEditAreaVoice() {
        // GIVEN a voice in the edit area, taken from SOUND LIST entry 3
        test::ProgramFixture f;
        f.out.open();
        test::SeedBank(f.ws, test::MakeBankVoice);
        f.program.form1.list3Select(2);
        f.program.form1.command11Click();
        Form1View view(f.program);
        view.show();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        auto *audition = view.findChild<QAction *>("mnu_audition");
        QVERIFY(audition);
        QCOMPARE(audition->text(), QString("試聴（エディットエリアの音色）"));
        QCOMPARE(audition->shortcut(), QKeySequence(Qt::Key_F5));
        // (the copy sent the voice as the DX7 gets it: program change 2, then the dump)
        std::vector<std::vector<Byte>> played = f.out.sent;
        QCOMPARE(played.size(), std::size_t{2});
        QCOMPARE(played[0], (std::vector<Byte>{0xC0, 2, 0}));
        f.out.sent.clear();
        // WHEN its key is pressed
        QTest::keyClick(&view, Qt::Key_F5);
        // THEN the edit-area voice goes to the DX7 again and the audition note sounds...
        played.push_back({0x90, 80, 100});
        QCOMPARE(f.out.sent, played);
        // ...and stops by itself
        QTRY_COMPARE_WITH_TIMEOUT(f.out.sent.size(), std::size_t{4}, 3 * Form1View::kAuditionMs);
        QCOMPARE(f.out.sent.back(), (std::vector<Byte>{0x80, 80, 0}));
        // AND the MIDI menu offers the same item
        QMenu *midi = view.findChild<QMenu *>("mnu_midiMenu");
        QVERIFY(midi);
        emit midi->aboutToShow();
        QVERIFY(midi->actions().contains(audition));
    }

    void redrawsTheFormState() {
        test::ProgramFixture f;
        Form1View view(f.program);
        f.ws.placeVoice(InitialVoice());
        test::SeedBank(f.ws, test::MakeBankVoice);
        f.program.form1.command2Caption = "停止";
        view.refresh();
        QCOMPARE(view.findChild<QLineEdit *>("Text2")->text(), QString(" 0. INIT VOICE"));
        QCOMPARE(view.findChild<QListWidget *>("List3")->count(), 32);
        QCOMPARE(view.findChild<QListWidget *>("List3")->item(0)->text(), QString("  1. BANK 01   "));
        QCOMPARE(dynamic_cast<WrapButton *>(view.findChild<QWidget *>("Command2"))->caption(),
                 QString("停止"));
    }

    void theEmptyListSaysWhereToStartAndTheStatusLineWhatFinished() {
        test::ProgramFixture f;
        Form1View view(f.program);
        view.show();
        auto *hint = view.findChild<QLabel *>("LabelEmptyListHint");
        auto *status = view.findChild<QLabel *>("LabelStatus");
        QVERIFY(hint && status);
        QVERIFY(hint->isVisible());
        QVERIFY(!view.statusBar()->isVisible());
        // A bank arrives and entry 30, out of view, takes the edit area.
        test::SeedBank(f.ws, test::MakeBankVoice);
        f.program.form1.reportDone("DX7から32音色を受信しました。");
        f.program.form1.list3Select(29);
        f.program.form1.command11Click();
        view.refresh();
        QVERIFY(!hint->isVisible());
        QVERIFY(status->isVisible());
        QCOMPARE(status->text(), QString("DX7から32音色を受信しました。"));
        auto *list3 = view.findChild<QListWidget *>("List3");
        QVERIFY(list3->viewport()->rect().intersects(list3->visualItemRect(list3->item(29))));
    }

    void aClickSelectsTheRowAgainAfterTheSelectionWasCleared() {
        test::ProgramFixture f;
        Form1View view(f.program);
        view.show();
        test::SeedBank(f.ws, test::MakeBankVoice);
        view.refresh();
        auto *list3 = view.findChild<QListWidget *>("List3");
        auto clickRow = [&](int row) {
            QTest::mouseClick(list3->viewport(), Qt::LeftButton, {},
                              list3->visualItemRect(list3->item(row)).center());
        };
        clickRow(1);
        QCOMPARE(f.program.form1.list3Selected(), 1);
        // The form clears the selection (as a copy into the edit area does)...
        f.program.form1.list3Select(-1);
        view.refresh();
        QCOMPARE(f.program.form1.list3Selected(), -1);
        // ...and a click on the same row selects it again.
        clickRow(1);
        QCOMPARE(f.program.form1.list3Selected(), 1);
    }

    void theReceiveCancelButtonShowsOnlyWhileAReceiveRuns() {
        test::ProgramFixture f;
        Form1View view(f.program);
        view.show();
        auto *cancel = view.findChild<WrapButton *>("CommandCancelReceive");
        QVERIFY(cancel);
        QVERIFY(!cancel->isVisible());
        f.state.receive.recvMode = 1;
        view.refresh();
        QVERIFY(cancel->isVisible());
        QCOMPARE(cancel->caption(), QString("受信中止"));
        QTest::mouseClick(cancel, Qt::LeftButton);
        QCOMPARE(f.state.receive.recvMode, std::int16_t{0});
        view.refresh();
        QVERIFY(!cancel->isVisible());
        QVERIFY(!f.host.boxes.empty());
        QVERIFY(
            QString::fromStdString(f.host.boxes.back().text).startsWith("ＤＸ７からの受信を中止しました。"));
    }

    void progressBarsAreHiddenBehindTheStartUpBoxes() {
        // GIVEN the main window shown before its start-up runs, as main() does
        // (the start-up boxes then stand over it)
        test::ProgramFixture f;
        Form1View view(f.program);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        // THEN neither progress bar shows
        auto *bar1 = view.findChild<QWidget *>("ProgressBar1");
        auto *bar2 = view.findChild<QWidget *>("ProgressBar2");
        QVERIFY(bar1 && bar2);
        QVERIFY(!bar1->isVisible());
        QVERIFY(!bar2->isVisible());
        // ... and each shows while its operation runs
        f.program.form1.progressBar1.visible = true;
        view.refresh();
        QVERIFY(bar1->isVisible());
        QVERIFY(!bar2->isVisible());
    }

    void aDoubleClickOnTheAuditionButtonPlaysTwice() {
        // GIVEN the audition button WHEN it is pressed twice quickly (Qt
        // delivers the second press as a double-click)
        test::ProgramFixture f;
        f.out.open();
        Form1View view(f.program);
        view.show();
        auto *command1 = view.findChild<QPushButton *>("Command1");
        QVERIFY(command1);
        const QPoint at = command1->rect().center();
        auto send = [&](QEvent::Type type) {
            QMouseEvent e(type, at, command1->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(command1, &e);
        };
        send(QEvent::MouseButtonPress);
        send(QEvent::MouseButtonRelease);
        send(QEvent::MouseButtonDblClick);
        send(QEvent::MouseButtonRelease);
        // THEN each press plays its note and each release stops it
        const std::vector<std::vector<Byte>> expected{{0xC0, 1, 0}, {0x90, 80, 100}, {0x80, 80, 0},
                                                      {0xC0, 2, 0}, {0x90, 80, 100}, {0x80, 80, 0}};
        QCOMPARE(f.out.sent, expected);
        QCOMPARE(QString::fromStdString(f.program.form1.text1), QString(" 3"));
    }

    void marksTheEditAreaEntryAndUnwrittenChanges() {
        test::ProgramFixture f;
        f.out.open();
        Form1View view(f.program);
        view.show();
        Form1 &form1 = f.program.form1;
        test::SeedBank(f.ws, test::MakeBankVoice);
        f.ws.placeVoice(InitialVoice());
        view.refresh();
        auto *list3 = view.findChild<QListWidget *>("List3");
        auto *voiceMark = view.findChild<QLabel *>("LabelEditAreaChanged");
        auto *bankMark = view.findChild<QLabel *>("LabelBankChanged");
        QVERIFY(voiceMark && bankMark);
        QCOMPARE(voiceMark->text(), QString());
        QCOMPARE(bankMark->text(), QString());
        for (int i = 0; i < list3->count(); ++i)
            QVERIFY(!list3->item(i)->font().bold());

        // GIVEN entry 4 taken into the edit area THEN it is marked, its text kept
        form1.list3Select(3);
        form1.command11Click();
        view.refresh();
        QVERIFY(list3->item(3)->font().bold());
        QCOMPARE(list3->item(3)->text(), QString("  4. BANK 04   "));
        QVERIFY(!list3->item(2)->font().bold());

        // WHEN the voice is changed and written into 9 THEN both marks show
        f.ws.setParameter(param::Feedback, 7);
        view.refresh();
        QCOMPARE(voiceMark->text(), QString("＊変更あり（未書込）"));
        form1.command12Click();
        f.program.form7.list1.selected = 8;
        f.program.form7.command1Click();
        view.refresh();
        QCOMPARE(voiceMark->text(), QString());
        QCOMPARE(bankMark->text(), QString("＊変更あり（未保存）"));
        QVERIFY(list3->item(8)->font().bold());
        QVERIFY(!list3->item(3)->font().bold());
        QCOMPARE(list3->item(8)->text(), QString("  9. BANK 04   "));
    }

    void theCloseBoxOverAnOpenEditorWithEditsAsksAndNoKeepsTheWindow() {
        // GIVEN the editor open (main window disabled) over a changed voice
        test::ProgramFixture f;
        f.out.open();
        Form1View view(f.program);
        view.show();
        Form1 &form1 = f.program.form1;
        f.ws.placeVoice(InitialVoice());
        form1.command5Click();
        view.setEnabled(false);
        f.ws.setParameter(param::Feedback, 7);
        f.host.answers = {MsgResult::No};
        // WHEN its close box is answered No
        QVERIFY(!view.close());
        // THEN the window stays, the output open
        QVERIFY(view.isVisible());
        QCOMPARE(f.host.boxes.size(), std::size_t{1});
        QCOMPARE(f.host.boxes[0].buttons, MsgButtons::YesNo);
        QVERIFY(f.out.isOpen());
    }
};

VOXMERE_GUI_TEST(form1_view_test, Form1ViewTest)
#include "form1_view_test.moc"
