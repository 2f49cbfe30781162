// The file dialogs' windows as a user sees and drives them.
#include "files/file_dialogs.h"
#include "files/file_dialogs_layout.h"
#include "files/file_dialogs_view.h"
#include "gui_rig.h"
#include "test_support.h"
#include "ui/twips.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QtTest>

#include <fstream>
#include <memory>

using namespace vox;
namespace fs = std::filesystem;

namespace {

// A program whose folder holds 32voice and 1voice, removed afterwards.
struct Fixture {
    test::ProgramFixture f;
    test::ProgramFolder folder{"dialog-view"};
    Fixture() {
        f.state.programFolder = folder.path();
        test::OneVolume(f.program.form3, f.program.form4, f.program.form5, f.program.form6);
    }
    void write(const fs::path &file, std::size_t bytes) {
        std::ofstream out(file, std::ios::binary);
        out << std::string(bytes, '\x01');
    }
};

} // namespace

class FileDialogsViewTest : public QObject {
    Q_OBJECT

private slots:
    void everyDialogShowsItsCaptionsWithNoControlOverAnother() {
        Fixture x;
        std::unique_ptr<FileDialogView> views[] = {
            std::make_unique<Form3View>(x.f.program), std::make_unique<Form4View>(x.f.program),
            std::make_unique<Form5View>(x.f.program), std::make_unique<Form6View>(x.f.program)};
        const char *names[] = {"form3", "Form4", "Form5", "Form6"};
        const char *titles[] = {"32 ＶＯＩＣＥ　ＤＡＴＡ 保存", "32 ＶＯＩＣＥ ＤＡＴＡ 読込",
                                "1 VOICE DATA 保存", "1 VOICE DATA 読込"};
        const char *actions[] = {"保存", "読込", "保存", "読込"};
        for (int i = 0; i < 4; ++i) {
            FileDialogView &view = *views[i];
            QCOMPARE(view.objectName(), QString(names[i]));
            QCOMPARE(view.windowTitle(), QString::fromUtf8(titles[i]));
            QCOMPARE(test::CaptionOf(view.findChild<QWidget *>("Command1_0")), QString::fromUtf8(actions[i]));
            QCOMPARE(test::CaptionOf(view.findChild<QWidget *>("Command1_1")), QString("中止"));
            QCOMPARE(test::CaptionOf(view.findChild<QWidget *>("Label1")), QString("FILE NAME"));
            // Every control inside the window, none over another.
            const char *controls[] = {"Label1", "Text2",  "Text1",      "Dir1",
                                      "File1",  "Drive1", "Command1_0", "Command1_1"};
            std::vector<QRect> rects;
            for (const char *name : controls) {
                auto *w = view.findChild<QWidget *>(name);
                QVERIFY2(w, name);
                QVERIFY2(view.rect().contains(w->geometry()), name);
                for (const QRect &other : rects)
                    QVERIFY2(!other.intersects(w->geometry()), name);
                rects.push_back(w->geometry());
                QCOMPARE(w->geometry(),
                         TwipsToRect(ControlRect(file_dialogs_layout::kControls, name), &view));
            }
        }
    }

    void clicksGoToTheFormAndTheViewRedrawsFromIt() {
        Fixture x;
        x.write(x.folder / "32voice" / "bank.v32", 5152);
        x.write(x.folder / "32voice" / "notes.txt", 10);
        Form4View view(x.f.program);
        x.f.program.form4.open();
        view.refresh();
        auto *file1 = view.findChild<QListWidget *>("File1");
        QCOMPARE(file1->count(), 1);
        QCOMPARE(file1->item(0)->text(), QString("bank.v32"));
        QCOMPARE(view.findChild<QLineEdit *>("Text1")->text(),
                 QString::fromStdString((x.folder / "32voice").string()));
        QCOMPARE(view.findChild<QComboBox *>("Drive1")->currentText(), QString("/"));

        emit file1->itemClicked(file1->item(0));
        QCOMPARE(x.f.program.form4.text2, std::string("bank.v32"));
        view.refresh();
        QCOMPARE(view.findChild<QLineEdit *>("Text2")->text(), QString("bank.v32"));
        QVERIFY(x.f.host.refreshAllCount > 0);
    }

    void arrowKeysInTheFileListFillTheNameBoxAsAClickDoes() {
        // GIVEN the 1-voice load dialog over a folder of three voices
        Fixture x;
        for (const char *name : {"a.v01", "b.v01", "c.v01"})
            x.write(x.folder / "1voice" / name, 161);
        Form6View view(x.f.program);
        x.f.program.form6.open();
        view.refresh();
        auto *file1 = view.findChild<QListWidget *>("File1");
        auto *text2 = view.findChild<QLineEdit *>("Text2");
        QCOMPARE(file1->count(), 3);
        file1->setFocus();

        // WHEN the user clicks the first file, then moves down with the keyboard
        emit file1->itemClicked(file1->item(0));
        view.refresh();
        QCOMPARE(text2->text(), QString("a.v01"));
        QTest::keyClick(file1, Qt::Key_Down);
        view.refresh();

        // THEN the name box names the file the list now marks
        QCOMPARE(file1->currentRow(), 1);
        QCOMPARE(x.f.program.form6.text2, std::string("b.v01"));
        QCOMPARE(x.f.program.form6.file1.selected, 1);
        QCOMPARE(text2->text(), QString("b.v01"));

        QTest::keyClick(file1, Qt::Key_End);
        view.refresh();
        QCOMPARE(text2->text(), QString("c.v01"));
        QTest::keyClick(file1, Qt::Key_Up);
        view.refresh();
        QCOMPARE(text2->text(), QString("b.v01"));
        QVERIFY(x.f.host.boxes.empty());
        QVERIFY2(x.f.program.form6.isOpen, "moving through the list loads nothing");
    }

    void typingAfterAKeyMoveKeepsWhatTheUserTyped() {
        // GIVEN a name chosen with the keyboard
        Fixture x;
        for (const char *name : {"a.v01", "b.v01"})
            x.write(x.folder / "1voice" / name, 161);
        Form5View view(x.f.program);
        x.f.program.form5.open();
        view.refresh();
        auto *file1 = view.findChild<QListWidget *>("File1");
        auto *text2 = view.findChild<QLineEdit *>("Text2");
        emit file1->itemClicked(file1->item(0));
        view.refresh();
        QTest::keyClick(file1, Qt::Key_Down);
        view.refresh();
        QCOMPARE(text2->text(), QString("b.v01"));

        // WHEN the user edits the name box, and the window redraws
        text2->setFocus();
        QTest::keyClick(text2, Qt::Key_End);
        QTest::keyClick(text2, Qt::Key_Backspace);
        QTest::keyClicks(text2, "2");
        view.refresh();

        // THEN the redraw does not put the list's name back
        QCOMPARE(x.f.program.form5.text2, std::string("b.v02"));
        QCOMPARE(text2->text(), QString("b.v02"));
    }

    void tabbingThroughTheFileListKeepsTheProposedName() {
        // GIVEN the 1-voice save dialog proposing a name, over a folder of voices
        Fixture x;
        for (const char *name : {"a.v01", "b.v01"})
            x.write(x.folder / "1voice" / name, 161);
        Form5View view(x.f.program);
        x.f.program.form5.openFromMainWindow(" STRINGS 1 ");
        view.refresh();
        view.show();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        auto *text2 = view.findChild<QLineEdit *>("Text2");
        auto *file1 = view.findChild<QListWidget *>("File1");
        QCOMPARE(text2->text(), QString("STRINGS 1"));
        text2->setFocus(Qt::OtherFocusReason);
        QTRY_VERIFY(text2->hasFocus());

        // WHEN the user tabs on into the file list, on the way to the buttons
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTRY_VERIFY(file1->hasFocus());

        // THEN the name box still holds the proposed name
        QCOMPARE(x.f.program.form5.text2, std::string("STRINGS 1"));
        view.refresh();
        QCOMPARE(text2->text(), QString("STRINGS 1"));
        // AND moving in the list with the keyboard picks a file
        QTest::keyClick(file1, Qt::Key_Up);
        QTRY_COMPARE(x.f.program.form5.text2, std::string("a.v01"));
    }

    void typingInTheNameBoxAndPressingSaveWritesTheFile() {
        Fixture x;
        Form5View view(x.f.program);
        x.f.program.form5.open();
        view.refresh();
        QTest::keyClicks(view.findChild<QLineEdit *>("Text2"), "lead");
        QCOMPARE(x.f.program.form5.text2, std::string("lead"));
        QTest::mouseClick(view.findChild<QWidget *>("Command1_0"), Qt::LeftButton);
        QVERIFY(fs::exists(x.folder / "1voice" / "lead.v01"));
        QCOMPARE(x.f.host.closed, std::vector<WindowId>{WindowId::Form5});
    }

    void theCloseBoxCancelsAndEnablesTheMainWindow() {
        Fixture x;
        Form6View view(x.f.program);
        x.f.program.form1.command10Click();
        view.show();
        view.close();
        QVERIFY(!x.f.program.form6.isOpen);
        QVERIFY(x.f.program.form1.enabled);
        QCOMPARE(x.f.host.closed, std::vector<WindowId>{WindowId::Form6});
        QVERIFY(x.f.host.boxes.empty());
    }
};

VOXMERE_GUI_TEST(file_dialog_windows_test, FileDialogsViewTest)
#include "file_dialog_windows_test.moc"
