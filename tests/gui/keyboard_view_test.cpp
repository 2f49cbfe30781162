// The on-screen keyboard in the editor and the library window: a click on
// a key, the letter rows outside the entry fields, the octave keys, and
// every note stopped when the window closes or loses the focus.
#include "app/app_windows.h"
#include "editor/form2.h"
#include "editor/form2_layout.h"
#include "editor/form2_view.h"
#include "gui_rig.h"
#include "library/library_window_layout.h"
#include "library/library_window_view.h"
#include "test_support.h"
#include "ui/keyboard_view.h"
#include "ui/twips.h"
#include "voice/init_voice.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

using namespace vox;

namespace {

using Bytes = std::vector<Byte>;
using Sent = std::vector<Bytes>;

struct EditorFixture {
    test::ProgramFixture f;
    QTemporaryDir folder;
    EditorFixture() {
        f.state.programFolder = folder.path().toStdString();
        f.out.open();
        f.ws.placeVoice(InitialVoice());
        f.program.form2.load();
    }
};

struct LibraryFixture {
    test::ProgramFixture f;
    test::ScratchFolder data{"keys-gui-library"};
    LibraryFixture() {
        f.program.library.setCatalogFile(data / "library.sqlite");
        f.out.open();
    }
};

KeyboardView *KeyboardOf(QWidget &window) {
    auto *keyboard = dynamic_cast<KeyboardView *>(window.findChild<QWidget *>("Keyboard"));
    return keyboard;
}

// A point on the key of `note`, low on it, clear of the black keys.
QPoint OnKey(KeyboardView *keyboard, int note) {
    const QRect r = keyboard->keyRect(note);
    return {r.center().x(), r.bottom() - 3};
}

// Sent since `from`.
Sent SentSince(const test::RecordingOutPort &out, std::size_t from) {
    return Sent(out.sent.begin() + static_cast<std::ptrdiff_t>(from), out.sent.end());
}

void KeyEvent(QWidget *to, QEvent::Type type, Qt::Key key, bool autoRepeat = false) {
    QKeyEvent event(type, key, Qt::NoModifier, QString(QChar(key).toLower()), autoRepeat);
    QApplication::sendEvent(to, &event);
}

} // namespace

class KeyboardViewTest : public QObject {
    Q_OBJECT

    // What every window with the keyboard must do, given the window, its
    // out port, an entry field in it and a control outside any entry.
    static void clickPlaysMiddleC(QWidget &window, test::RecordingOutPort &out) {
        KeyboardView *keyboard = KeyboardOf(window);
        QVERIFY(keyboard);
        QWidget *keys = keyboard->findChild<QWidget *>("KeyboardKeys");
        QVERIFY(keys);
        const std::size_t before = out.sent.size();
        // WHEN middle C is pressed, then released
        QTest::mousePress(keys, Qt::LeftButton, {}, OnKey(keyboard, 60));
        QCOMPARE(SentSince(out, before), (Sent{{0x90, 0x3C, 0x64}}));
        QVERIFY(keyboard->keyboard().isHeld(60));
        QTest::mouseRelease(keys, Qt::LeftButton, {}, OnKey(keyboard, 60));
        // THEN note on velocity 100 and note off, channel 1
        QCOMPARE(SentSince(out, before), (Sent{{0x90, 0x3C, 0x64}, {0x80, 0x3C, 0x00}}));
    }

    static void lettersPlayOutsideEntriesOnly(QWidget &window, test::RecordingOutPort &out, QLineEdit *entry,
                                              QWidget *outside) {
        const std::size_t before = out.sent.size();
        // GIVEN the focus outside any entry field: Z and Q play C2 and C3
        outside->setFocus();
        KeyEvent(outside, QEvent::KeyPress, Qt::Key_Z);
        KeyEvent(outside, QEvent::KeyPress, Qt::Key_Q);
        KeyEvent(outside, QEvent::KeyRelease, Qt::Key_Z);
        KeyEvent(outside, QEvent::KeyRelease, Qt::Key_Q);
        QCOMPARE(SentSince(out, before),
                 (Sent{{0x90, 48, 0x64}, {0x90, 60, 0x64}, {0x80, 48, 0}, {0x80, 60, 0}}));
        // WHEN the same letters are typed into an entry field
        const std::size_t typed = out.sent.size();
        entry->setFocus();
        entry->clear();
        QTest::keyClicks(entry, "zq");
        // THEN they are text there and nothing is played
        QCOMPARE(entry->text(), QString("zq"));
        QCOMPARE(SentSince(out, typed), Sent{});
        Q_UNUSED(window);
    }

private slots:
    // --- The editor ---

    void theEditorsKeyboardLiesBelowTheCommandRowAndTheWindowGrewToHoldIt() {
        EditorFixture e;
        Form2View view(e.f.program);
        KeyboardView *keyboard = KeyboardOf(view);
        QVERIFY(keyboard);
        QWidget *panel = view.findChild<QWidget *>("KeyboardPanel");
        QCOMPARE(panel->geometry(), TwipsToRect({60, 10380, 11400, 1080}, &view));
        for (int i = 0; i < 6; ++i) {
            auto *command = view.findChild<QWidget *>(QString("Command2_%1").arg(i));
            QVERIFY(command);
            QVERIFY(command->geometry().bottom() < panel->geometry().top());
        }
        QWidget *client = view.findChild<QWidget *>("Form2Client");
        QVERIFY(panel->geometry().bottom() < client->height());
        QCOMPARE(client->height(), TwipsToPixels(form2_layout::kClientHeight, &view));
        QCOMPARE(view.findChild<QLabel *>("KeyboardRange")->text(), QString("C2〜C5"));
    }

    void aClickOnAKeyOfTheEditorPlaysItAndItsReleaseStopsIt() {
        EditorFixture e;
        Form2View view(e.f.program);
        view.show();
        clickPlaysMiddleC(view, e.f.out);
    }

    void dragFromKeyToKeyMovesTheNote() {
        EditorFixture e;
        Form2View view(e.f.program);
        view.show();
        KeyboardView *keyboard = KeyboardOf(view);
        QWidget *keys = keyboard->findChild<QWidget *>("KeyboardKeys");
        const std::size_t before = e.f.out.sent.size();
        QTest::mousePress(keys, Qt::LeftButton, {}, OnKey(keyboard, 60));
        QMouseEvent move(QEvent::MouseMove, OnKey(keyboard, 62), keys->mapToGlobal(OnKey(keyboard, 62)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(keys, &move);
        QTest::mouseRelease(keys, Qt::LeftButton, {}, OnKey(keyboard, 62));
        QCOMPARE(SentSince(e.f.out, before),
                 (Sent{{0x90, 60, 0x64}, {0x80, 60, 0}, {0x90, 62, 0x64}, {0x80, 62, 0}}));
    }

    void theEditorsLetterRowsPlayOutsideItsEntryFieldsAndNotInTheNameOrAValueBox() {
        EditorFixture e;
        Form2View view(e.f.program);
        view.show();
        QWidget *keys = view.findChild<QWidget *>("KeyboardKeys");
        lettersPlayOutsideEntriesOnly(view, e.f.out, view.findChild<QLineEdit *>("Text39"), keys);
        // A box of the Data Entry Zone keeps its letters too.
        e.f.program.form2.controlClick("Text23_0"); // an EG group opens its boxes
        view.refresh();
        auto *box = view.findChild<QLineEdit *>("Text43_0");
        QVERIFY(box);
        const std::size_t before = e.f.out.sent.size();
        box->setFocus();
        QTest::keyClick(box, Qt::Key_X);
        QCOMPARE(SentSince(e.f.out, before), Sent{});
    }

    void aHeldLetterIsPlayedOnceAndItsReleaseStopsItWhereverTheFocusWent() {
        EditorFixture e;
        Form2View view(e.f.program);
        view.show();
        QWidget *keys = view.findChild<QWidget *>("KeyboardKeys");
        auto *name = view.findChild<QLineEdit *>("Text39");
        const std::size_t before = e.f.out.sent.size();
        // GIVEN C held down on the keys, repeating
        keys->setFocus();
        KeyEvent(keys, QEvent::KeyPress, Qt::Key_C);
        KeyEvent(keys, QEvent::KeyRelease, Qt::Key_C, true);
        KeyEvent(keys, QEvent::KeyPress, Qt::Key_C, true);
        QCOMPARE(SentSince(e.f.out, before), (Sent{{0x90, 52, 0x64}}));
        // WHEN the focus moves into the name and the key comes up there
        name->setFocus();
        const QString nameBefore = name->text();
        KeyEvent(name, QEvent::KeyRelease, Qt::Key_C);
        // THEN the note stops, and the name is as it was
        QCOMPARE(SentSince(e.f.out, before), (Sent{{0x90, 52, 0x64}, {0x80, 52, 0}}));
        QCOMPARE(name->text(), nameBefore);
    }

    void f8AndF7ShiftTheOctaveAndTheRangeShowsIt() {
        EditorFixture e;
        Form2View view(e.f.program);
        view.show();
        QWidget *keys = view.findChild<QWidget *>("KeyboardKeys");
        auto *range = view.findChild<QLabel *>("KeyboardRange");
        QTest::keyClick(keys, Qt::Key_F8);
        QCOMPARE(range->text(), QString("C3〜C6"));
        const std::size_t before = e.f.out.sent.size();
        QTest::keyClick(keys, Qt::Key_Z);
        QCOMPARE(SentSince(e.f.out, before), (Sent{{0x90, 60, 0x64}, {0x80, 60, 0}}));
        // F7 works from an entry field as well: it types nothing there.
        auto *name = view.findChild<QLineEdit *>("Text39");
        name->setFocus();
        QTest::keyClick(name, Qt::Key_F7);
        QTest::keyClick(name, Qt::Key_F7);
        QCOMPARE(range->text(), QString("C1〜C4"));
        // The buttons do the same.
        view.findChild<QToolButton *>("KeyboardOctaveUp")->click();
        QCOMPARE(range->text(), QString("C2〜C5"));
    }

    void closingTheEditorStopsEveryHeldNote() {
        EditorFixture e;
        Form2View view(e.f.program);
        view.show();
        KeyboardView *keyboard = KeyboardOf(view);
        QWidget *keys = keyboard->findChild<QWidget *>("KeyboardKeys");
        // GIVEN a key held with the mouse and one with a letter
        QTest::mousePress(keys, Qt::LeftButton, {}, OnKey(keyboard, 60));
        keys->setFocus();
        KeyEvent(keys, QEvent::KeyPress, Qt::Key_Z);
        const std::size_t before = e.f.out.sent.size();
        // WHEN the window closes (which cancels the edit: the voice goes back)
        view.close();
        // THEN both notes stop, before the voice is sent back
        const Sent sent = SentSince(e.f.out, before);
        QVERIFY(sent.size() > 2);
        QCOMPARE(Sent(sent.begin(), sent.begin() + 2), (Sent{{0x80, 48, 0}, {0x80, 60, 0}}));
        QCOMPARE(sent[2], (Bytes{0xC0, 0, 0}));
        QVERIFY(keyboard->keyboard().held().empty());
    }

    void theEditorLosingTheFocusStopsEveryHeldNote() {
        EditorFixture e;
        Form2View view(e.f.program);
        view.show();
        QWidget *keys = view.findChild<QWidget *>("KeyboardKeys");
        keys->setFocus();
        KeyEvent(keys, QEvent::KeyPress, Qt::Key_M);
        const std::size_t before = e.f.out.sent.size();
        QEvent deactivate(QEvent::WindowDeactivate);
        QApplication::sendEvent(&view, &deactivate);
        QCOMPARE(SentSince(e.f.out, before), (Sent{{0x80, 59, 0}}));
        // Its key coming up later sends nothing more.
        KeyEvent(keys, QEvent::KeyRelease, Qt::Key_M);
        QCOMPARE(SentSince(e.f.out, before), (Sent{{0x80, 59, 0}}));
    }

    void aPrintedChartLeavesTheKeyboardOut() {
        EditorFixture e;
        Form2View view(e.f.program);
        QTemporaryDir out;
        const QString file = out.filePath("chart.pdf");
        QVERIFY(view.printToPdf(file));
        QVERIFY(QFileInfo(file).size() > 0);
    }

    void choosingAPortInTheMidiMenuFirstStopsEveryHeldNote() {
        // GIVEN the program's windows on the built-in instrument
        const std::vector<std::pair<const char *, std::string>> choices = {
            {"mnu_midiOutMenu", kVirtualDx7PortName}, // the MIDI out port
            {"mnu_noteInMenu", kNoNoteInput},         // the MIDI keyboard's port
        };
        for (const auto &[menuName, entry] : choices) {
            ProgramState state;
            QtHost host;
            MidiOptions options;
            options.virtualDx7 = true;
            MidiWiring wiring = WireMidiForQt(options, host);
            state.midiOut = wiring.out.get();
            state.midiIn = wiring.in.get();
            wiring.out->open();
            Program program(state, host);
            QTemporaryDir folder;
            program.library.setCatalogFile(std::filesystem::path(folder.path().toStdString()) / "lib.sqlite");
            AppWindows windows(program, host, &wiring);
            program.workspace.placeVoice(InitialVoice());
            program.form2.load();
            windows.form2.show();
            KeyboardView *keyboard = KeyboardOf(windows.form2);
            QTest::mousePress(keyboard->findChild<QWidget *>("KeyboardKeys"), Qt::LeftButton, {},
                              OnKey(keyboard, 60));
            QVERIFY(keyboard->keyboard().isHeld(60));
            // WHEN a port is chosen in the MIDI menu
            auto *midi = windows.form1.findChild<QMenu *>("mnu_midiMenu");
            emit midi->aboutToShow();
            QAction *choice = nullptr;
            for (QAction *a : midi->findChild<QMenu *>(menuName)->actions())
                if (a->text() == QString::fromStdString(entry)) choice = a;
            QVERIFY2(choice, menuName);
            choice->trigger();
            // THEN the held note was stopped on the output it was played on
            QVERIFY2(keyboard->keyboard().held().empty(), menuName);
            QCOMPARE(state.midiTraffic.entries().back().bytes, (Bytes{0x80, 60, 0}));
        }
    }

    // --- The library window ---

    void theLibrarysKeyboardLiesBelowTheStatusLinesAndTheWindowGrewToHoldIt() {
        LibraryFixture l;
        LibraryWindowView view(l.f.program);
        QWidget *panel = view.findChild<QWidget *>("KeyboardPanel");
        QVERIFY(panel);
        QCOMPARE(panel->geometry(), TwipsToRect({120, 9180, 12360, 1080}, &view));
        QVERIFY(view.findChild<QWidget *>("Label6")->geometry().bottom() < panel->geometry().top());
        QWidget *client = view.findChild<QWidget *>("LibraryClient");
        QVERIFY(panel->geometry().bottom() < client->height());
        QCOMPARE(client->height(), TwipsToPixels(library_layout::kClientHeight, &view));
        QVERIFY(KeyboardOf(view));
    }

    void aClickOnAKeyOfTheLibraryPlaysItAndItsReleaseStopsIt() {
        LibraryFixture l;
        LibraryWindowView view(l.f.program);
        view.show();
        clickPlaysMiddleC(view, l.f.out);
    }

    void theLibrarysLetterRowsPlayFromTheTableButNotInTheNameField() {
        LibraryFixture l;
        LibraryWindowView view(l.f.program);
        view.show();
        // The table would search its rows by the letters typed: here they play.
        lettersPlayOutsideEntriesOnly(view, l.f.out, view.findChild<QLineEdit *>("Text1"),
                                      view.findChild<QTableView *>("Table1"));
    }

    void closingTheLibraryStopsEveryHeldNote() {
        LibraryFixture l;
        LibraryWindowView view(l.f.program);
        view.show();
        QWidget *table = view.findChild<QTableView *>("Table1");
        table->setFocus();
        KeyEvent(table, QEvent::KeyPress, Qt::Key_Comma);
        const std::size_t before = l.f.out.sent.size();
        view.close();
        QCOMPARE(SentSince(l.f.out, before), (Sent{{0x80, 60, 0}}));
    }

    void onlyTheKeyboardOfTheWindowTypedInPlays() {
        // GIVEN the editor and the library both open
        EditorFixture e;
        Form2View editor(e.f.program);
        e.f.program.library.setCatalogFile(std::filesystem::path(e.folder.path().toStdString()) /
                                           "lib.sqlite");
        LibraryWindowView library(e.f.program);
        editor.show();
        library.show();
        KeyboardOf(library)->keyboard().octaveUp();
        // WHEN Z is pressed in the editor
        QWidget *keys = editor.findChild<QWidget *>("KeyboardKeys");
        const std::size_t before = e.f.out.sent.size();
        KeyEvent(keys, QEvent::KeyPress, Qt::Key_Z);
        // THEN only the editor's keyboard plays it (C2, not the library's C3)
        QCOMPARE(SentSince(e.f.out, before), (Sent{{0x90, 48, 0x64}}));
        QVERIFY(KeyboardOf(library)->keyboard().held().empty());
    }
};

VOXMERE_GUI_TEST(keyboard_view_test, KeyboardViewTest)
#include "keyboard_view_test.moc"
