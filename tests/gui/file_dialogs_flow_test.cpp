// The file dialogs wired as the program wires them: the Qt host, the main
// window and the four dialog windows, driven by clicks.
#include "app/qt_host.h"
#include "files/file_dialogs.h"
#include "files/file_dialogs_view.h"
#include "gui_rig.h"
#include "librarian/form1_view.h"
#include "program/program.h"
#include "test_support.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include <QTimer>

#include <fstream>
#include <iterator>

using namespace vox;
namespace fs = std::filesystem;

namespace {

const fs::path kTestData = VOXMERE_TESTDATA;

// Qt Test does not catch exceptions: a missing test file must fail the
// test by name here, not abort the whole run.
bool CopyTestFile(const char *name, const fs::path &to) {
    std::error_code ec;
    fs::copy_file(kTestData / name, to, ec);
    if (ec) qWarning("cannot copy the test file %s: %s", (kTestData / name).c_str(), ec.message().c_str());
    return !ec;
}

// The program as main() builds it, on a recording output port.
struct Wired {
    test::ProgramFolder folder{"dialog-flow"};
    ProgramState state;
    QtHost host;
    test::RecordingOutPort out;
    test::TestInPort in;
    Program program{state, host};
    Form1View form1{program};
    Form3View form3{program};
    Form4View form4{program};
    Form5View form5{program};
    Form6View form6{program};

    Wired() {
        state.programFolder = folder.path();
        state.midiOut = &out;
        state.midiIn = &in;
        out.open();
        host.setAutoAnswer(true); // boxes answer themselves
        host.registerWindow(WindowId::Form1, &form1);
        host.registerWindow(WindowId::form3, &form3);
        host.registerWindow(WindowId::Form4, &form4);
        host.registerWindow(WindowId::Form5, &form5);
        host.registerWindow(WindowId::Form6, &form6);
        test::OneVolume(program.form3, program.form4, program.form5, program.form6);
        form1.show();
    }

    void click(QWidget *window, const char *name) {
        auto *button = window->findChild<QPushButton *>(name);
        QVERIFY2(button, name);
        button->click();
    }
    QListWidgetItem *fileItem(QWidget *dialog, const QString &name) {
        auto *list = dialog->findChild<QListWidget *>("File1");
        const auto found = list->findItems(name, Qt::MatchExactly);
        return found.isEmpty() ? nullptr : found.front();
    }
};

} // namespace

class FileDialogsFlowTest : public QObject {
    Q_OBJECT

private slots:
    void bankLoadButtonOpensTheDialogAndADoubleClickFillsTheSoundList() {
        Wired w;
        QVERIFY(CopyTestFile("rom1a.syx", w.folder / "32voice" / "rom1a.syx"));
        w.click(&w.form1, "Command7");
        QVERIFY(w.form4.isVisible());
        QVERIFY(!w.form1.isEnabled());

        QListWidgetItem *item = w.fileItem(&w.form4, "rom1a.syx");
        QVERIFY(item);
        emit w.form4.findChild<QListWidget *>("File1")->itemDoubleClicked(item);

        QVERIFY(!w.form4.isVisible());
        QVERIFY(w.form1.isEnabled());
        auto *list3 = w.form1.findChild<QListWidget *>("List3");
        QCOMPARE(list3->count(), 32);
        QCOMPARE(list3->item(0)->text(), QString("  1. BRASS   1 "));
        QCOMPARE(list3->item(3)->text(), QString("  4. STRINGS 1 "));
        QVERIFY(w.out.sent.empty());
    }

    void refusedBankLeavesTheDialogOpenAndTheSoundListAsItWas() {
        Wired w;
        QVERIFY(CopyTestFile("truncated-520.syx", w.folder / "32voice" / "truncated-520.syx"));
        w.click(&w.form1, "Command7");
        QListWidgetItem *item = w.fileItem(&w.form4, "truncated-520.syx");
        QVERIFY(item);
        emit w.form4.findChild<QListWidget *>("File1")->itemDoubleClicked(item);
        QVERIFY(w.form4.isVisible());
        QVERIFY(!w.form1.isEnabled());
        QCOMPARE(w.form1.findChild<QListWidget *>("List3")->count(), 0);
    }

    void voiceLoadThenSaveFromTheMainWindowKeepsTheVoice() {
        Wired w;
        QVERIFY(CopyTestFile("single-voice.syx", w.folder / "1voice" / "funky.v01"));
        w.click(&w.form1, "Command10");
        QVERIFY(w.form6.isVisible());
        QListWidgetItem *item = w.fileItem(&w.form6, "funky.v01");
        QVERIFY(item);
        emit w.form6.findChild<QListWidget *>("File1")->itemClicked(item);
        w.click(&w.form6, "Command1_0");

        QVERIFY(!w.form6.isVisible());
        QCOMPARE(w.form1.findChild<QLineEdit *>("Text2")->text(), QString(" 0. GET FUNKY "));
        QCOMPARE(w.out.sent.size(), std::size_t{2});
        QCOMPARE(w.out.sent[0], (std::vector<Byte>{0xC0, 0x00, 0x00}));

        w.click(&w.form1, "Command9");
        QVERIFY(w.form5.isVisible());
        QCOMPARE(w.form5.findChild<QLineEdit *>("Text2")->text(),
                 QString("GET FUNKY")); // blanks around a name trimmed
        w.click(&w.form5, "Command1_0");
        QVERIFY(!w.form5.isVisible());
        QVERIFY(w.form1.isEnabled());

        std::ifstream saved(w.folder / "1voice" / "GET FUNKY.v01", std::ios::binary);
        std::ifstream original(kTestData / "single-voice.syx", std::ios::binary);
        std::string a(161, '\0'), b(161, '\0');
        saved.read(a.data(), 161);
        original.read(b.data(), 161);
        QVERIFY(saved.gcount() == 161 && saved.peek() == EOF);
        QVERIFY(a == b);
    }

    void editorSaveShowsTheVoiceSaveModallyAndReturnsWhenItCloses() {
        Wired w;
        Slot voice{};
        for (std::size_t pos = 0; pos < kSlotSize; ++pos)
            voice[pos] = static_cast<Byte>(pos & 0x7F);
        w.program.workspace.placeVoice(voice);
        w.program.form5.openFromEditor("EDITED    ");
        bool shownWhileWaiting = false;
        QTimer::singleShot(0, &w.form5, [&] {
            shownWhileWaiting = w.form5.isVisible();
            QCOMPARE(w.form5.findChild<QLineEdit *>("Text2")->text(), QString("EDITED"));
            w.click(&w.form5, "Command1_0");
        });
        w.host.showWindowModal(WindowId::Form5);

        QVERIFY(shownWhileWaiting);
        QVERIFY(!w.form5.isVisible());
        std::ifstream saved(w.folder / "1voice" / "EDITED.v01", std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
        QCOMPARE(bytes.size(), std::size_t{161});
        // The program's own dump header, then the voice's parameters.
        for (std::size_t pos = 0; pos < kVoiceHeader.size(); ++pos)
            QCOMPARE(static_cast<Byte>(bytes[pos]), kVoiceHeader[pos]);
        for (std::size_t pos = kParamBase; pos < 161; ++pos)
            QCOMPARE(static_cast<Byte>(bytes[pos]), w.program.workspace.editBuffer()[pos]);
    }

    void closeBoxOfTheVoiceLoadEnablesTheMainWindowAndLoadsNothing() {
        Wired w;
        w.click(&w.form1, "Command10");
        QVERIFY(w.form6.isVisible());
        w.form6.close();
        QVERIFY(!w.form6.isVisible());
        QVERIFY(w.form1.isEnabled());
        QVERIFY(w.out.sent.empty());
        QCOMPARE(w.form1.findChild<QLineEdit *>("Text2")->text(), QString());
    }
};

VOXMERE_GUI_TEST(file_dialogs_flow_test, FileDialogsFlowTest)
#include "file_dialogs_flow_test.moc"
