// The library window as a user sees it: its captions and places, typing a
// name, double-click and Enter on a result, the arrow keys, the bank load.
#include "app/app_windows.h"
#include "gui_rig.h"
#include "librarian/form1_view.h"
#include "library/library_window_layout.h"
#include "library/library_window_view.h"
#include "library_collection.h"
#include "midi/midi_output.h"
#include "test_support.h"
#include "ui/twips.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTreeWidget>
#include <QtTest>

#include <atomic>

using namespace vox;

namespace {

// A program with the library's database in a scratch data folder found as
// the app finds it (XDG_DATA_HOME), the collection indexed.
struct Fixture {
    test::ProgramFixture f;
    test::ScratchFolder dataHome{"libwin-gui-data"};
    test::Collection collection;
    LibraryWindowForm &form = f.program.library;

    Fixture() {
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(dataHome.path().string()));
        f.state.programFolder = collection.programFolder.path();
        form.setCatalogFile(LibraryDatabaseFile());
        form.chooseFolder = [this] { return std::optional<std::string>(collection.folder.path().string()); };
        f.out.open();
        f.program.form1.mnuLibraryClick();
        form.command1Click();
        form.waitForRun();
    }
    ~Fixture() { qunsetenv("XDG_DATA_HOME"); }
};

} // namespace

class LibraryWindowViewTest : public QObject {
    Q_OBJECT

    static QTableView *Table(QWidget &view) { return view.findChild<QTableView *>("Table1"); }
    static int RowNamed(QTableView *table, const QString &name) {
        for (int r = 0; r < table->model()->rowCount(); ++r)
            if (table->model()->index(r, 0).data().toString().trimmed() == name) return r;
        return -1;
    }

private slots:
    void theMainWindowsLibraryMenuOpensTheWindowAndLeavesTheMainWindowEnabled() {
        test::ProgramFixture f;
        test::ScratchFolder data{"libwin-gui-menu"};
        f.program.library.setCatalogFile(data / "library.sqlite");
        Form1View main(f.program);
        auto *menu = main.findChild<QMenu *>("mnu_libraryMenu");
        QVERIFY(menu);
        QCOMPARE(menu->title(), QString("ライブラリ"));
        QAction *item = main.findChild<QAction *>("mnu_library");
        QVERIFY(item);
        QCOMPARE(item->text(), QString("音色ライブラリ…"));
        item->trigger();
        QCOMPARE(f.host.shown, std::vector<WindowId>{WindowId::Library});
        QVERIFY(f.program.library.isOpen());
        QVERIFY(f.program.form1.enabled);
        QCOMPARE(f.host.enabled.count(WindowId::Form1), std::size_t{0});
    }

    void theDatabaseLivesInTheUsersDataFolder() {
        Fixture x;
        QCOMPARE(QString::fromStdString(x.form.catalogFile().string()),
                 QString::fromStdString((x.dataHome / "voxmere" / "library.sqlite").string()));
        QVERIFY(std::filesystem::exists(x.form.catalogFile()));
    }

    void showsItsCaptionsInJapaneseAndEachControlAtItsPlace() {
        Fixture x;
        LibraryWindowView view(x.f.program);
        QCOMPARE(view.windowTitle(), QString("音色ライブラリ"));
        const std::pair<const char *, const char *> captions[] = {
            {"Frame1", "索引するフォルダ"},
            {"Command1", "追加…"},
            {"Command2", "削除"},
            {"Command3", "再索引"},
            {"Label1", "名前"},
            {"Label2", "アルゴリズム"},
            {"Label3", "フィードバック"},
            {"Label4", "キャリア数"},
            {"Option1", "検索結果"},
            {"Option2", "同じ音"},
            {"Option3", "近い音"},
            {"Label5", "しきい値"},
            {"Command5", "重複を探す"},
            {"Command6", "エディットエリアへ読込"},
            {"Command7", "バンクを SOUND LIST に読込"},
            {"Command8", "SOUND LIST へ書込…"},
            {"Command9", "2音色を比較"},
            {"Command10", "所在を表示"},
            {"Command4", "中止"},
        };
        for (const auto &[name, caption] : captions) {
            auto *w = view.findChild<QWidget *>(name);
            QVERIFY2(w, name);
            QCOMPARE(test::CaptionOf(w), QString(caption));
        }
        for (const ControlRow &row : library_layout::kControls) {
            auto *w = view.findChild<QWidget *>(row.name);
            QVERIFY2(w, row.name);
            QCOMPARE(w->geometry(), TwipsToRect(row.at, w->parentWidget()));
        }
        QTableView *table = Table(view);
        QCOMPARE(table->model()->rowCount(), 64);
        QStringList headings;
        for (int c = 0; c < 5; ++c)
            headings << table->model()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headings, (QStringList{"名前", "ファイル", "バンク", "音色", "アルゴリズム"}));
        QCOMPARE(view.findChild<QLabel *>("Label7")->text(), QString("登録 64 音色　該当 64 件"));
        QCOMPARE(view.findChild<QComboBox *>("Combo1")->count(), 33);
        QCOMPARE(view.findChild<QComboBox *>("Combo2")->itemText(1), QString("0"));
    }

    void typingANameNarrowsTheTableAsEachKeyIsTyped() {
        Fixture x;
        LibraryWindowView view(x.f.program);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        auto *text1 = view.findChild<QLineEdit *>("Text1");
        QTest::keyClicks(text1, "b");
        view.refresh();
        QCOMPARE(Table(view)->model()->rowCount(), 33);
        QTest::keyClicks(text1, "r");
        view.refresh();
        QCOMPARE(Table(view)->model()->rowCount(), 2);
        QCOMPARE(Table(view)->model()->index(1, 0).data().toString(), QString("brass 2   "));
        QCOMPARE(Table(view)->model()->index(1, 1).data().toString(), QString("bank-a.syx"));
        QCOMPARE(view.findChild<QLabel *>("Label7")->text(), QString("登録 64 音色　該当 2 件"));
    }

    void doubleClickSendsTheVoiceAndTheArrowKeyTheNextOne() {
        Fixture x;
        LibraryWindowView view(x.f.program);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTableView *table = Table(view);
        const int row = RowNamed(table, "E.PIANO 1");
        QVERIFY(row >= 0);
        x.f.out.sent.clear();
        // WHEN the row is double-clicked
        const QRect cell = table->visualRect(table->model()->index(row, 0));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        view.refresh();
        // THEN program change 0 and the voice's dump went out, the edit
        // area names it
        const VoiceDump dump = BuildVoiceDump(x.collection.a[1]);
        QCOMPARE(x.f.out.sent.size(), std::size_t{2});
        QCOMPARE(x.f.out.sent[0], (std::vector<Byte>{kProgramChange, 0, 0}));
        QCOMPARE(x.f.out.sent[1], std::vector<Byte>(dump.begin(), dump.end()));
        QCOMPARE(QString::fromStdString(x.f.program.form1.text2()), QString(" 0. E.PIANO 1 "));
        // WHEN the down arrow moves the selection on
        x.f.out.sent.clear();
        QTest::keyClick(table, Qt::Key_Down);
        view.refresh();
        // THEN the next voice went out too
        const auto &next = x.form.results[static_cast<std::size_t>(row + 1)];
        QCOMPARE(x.f.out.sent.size(), std::size_t{2});
        QCOMPARE(QString::fromStdString(x.f.program.form1.text2()),
                 QString::fromStdString(" 0. " + next.name));
    }

    void enterOnAResultSendsIt() {
        Fixture x;
        LibraryWindowView view(x.f.program);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTableView *table = Table(view);
        table->setFocus();
        const int row = RowNamed(table, "HORNS");
        table->setCurrentIndex(table->model()->index(row, 0));
        x.f.out.sent.clear();
        QTest::keyClick(table, Qt::Key_Return);
        const VoiceDump dump = BuildVoiceDump(x.collection.b[1]);
        QCOMPARE(x.f.out.sent.size(), std::size_t{2});
        QCOMPARE(x.f.out.sent[1], std::vector<Byte>(dump.begin(), dump.end()));
    }

    void theBankButtonAsksWhenTheListHasChangesAndNoKeepsIt() {
        Fixture x;
        LibraryWindowView view(x.f.program);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTableView *table = Table(view);
        auto *command7 = view.findChild<QPushButton *>("Command7");
        // GIVEN bank B in the list, then one of its voices changed
        table->setCurrentIndex(table->model()->index(RowNamed(table, "VOICE B09"), 0));
        QTest::mouseClick(command7, Qt::LeftButton);
        QVERIFY(x.f.host.boxes.empty());
        QCOMPARE(QString::fromStdString(x.f.program.form1.list3().items[8]), QString("  9. VOICE B09 "));
        x.f.ws.placeEntry(9);
        x.f.ws.setParameter(param::Feedback, x.f.ws.slot(9)[ParamPos(param::Feedback)] ^ 1);
        x.f.ws.writeEditArea(9);
        const VoiceTable before = x.f.ws.voiceTable();
        // WHEN a voice of bank A is chosen, the button pressed, No answered
        table->setCurrentIndex(table->model()->index(RowNamed(table, "BRASS 1"), 0));
        x.f.host.answers = {MsgResult::No};
        QTest::mouseClick(command7, Qt::LeftButton);
        // THEN the question came and the list is as it was
        QCOMPARE(x.f.host.boxes.size(), std::size_t{1});
        QVERIFY(x.f.host.boxes[0].text.find(library_text::kBankUnsaved) != std::string::npos);
        QVERIFY(x.f.ws.voiceTable().all == before.all);
    }

    void twoResultsChosenWithCtrlCompareInAWindowOfTheirOwn() {
        Fixture x;
        LibraryWindowView view(x.f.program);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTableView *table = Table(view);
        auto *command9 = view.findChild<QPushButton *>("Command9");
        const auto clickRow = [table](const QString &name, Qt::KeyboardModifiers keys) {
            const QRect cell = table->visualRect(table->model()->index(RowNamed(table, name), 0));
            QTest::mouseClick(table->viewport(), Qt::LeftButton, keys, cell.center());
        };
        // WHEN one result is clicked: the command waits for a second
        clickRow("VOICE B05", {});
        view.refresh();
        QVERIFY(!command9->isEnabled());
        // WHEN a second is Ctrl-clicked and the command pressed
        clickRow("VOICE B07", Qt::ControlModifier);
        view.refresh();
        QVERIFY(command9->isEnabled());
        QTest::mouseClick(command9, Qt::LeftButton);
        view.refresh();
        // THEN the comparison window lists what differs: OP2's level (45,
        // 47), feedback (5, 7) and the ninth name character
        auto *window = view.findChild<QWidget *>("LibraryCompare");
        QVERIFY(window && window->isVisible());
        auto *tree = window->findChild<QTreeWidget *>("Tree1");
        QCOMPARE(tree->topLevelItemCount(), 3);
        QCOMPARE(tree->topLevelItem(0)->text(0), QString("OP2 output level"));
        QCOMPARE(tree->topLevelItem(0)->text(1), QString("45"));
        QCOMPARE(tree->topLevelItem(0)->text(2), QString("47"));
        QCOMPARE(window->findChild<QLabel *>("Label1")->text(),
                 QString("A: VOICE B05 （bank-b.syx　バンク 1　音色 5）"));
    }

    void anEnlargedWindowGivesTheRoomToTheResultsAndKeepsTheRestBelowThem() {
        Fixture x;
        LibraryWindowView view(x.f.program);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        // WHEN it is made 300 pixels wider and 200 taller than its whole
        // client (the screen-fit test checks the size it opens at)
        auto *client = view.findChild<QWidget *>("LibraryClient");
        const QSize full = client->minimumSize();
        QCOMPARE(
            full,
            TwipsToRect({0, 0, library_layout::kClientWidth, library_layout::kClientHeight}, client).size());
        view.resize(full + QSize(300, 200));
        QTRY_COMPARE(client->size(), full + QSize(300, 200));
        // THEN the result panel takes all of it, what lay below it moved
        // down, the search row stayed
        const auto at = [&view](const char *name) { return view.findChild<QWidget *>(name)->geometry(); };
        const auto table = [](const char *name, QWidget *w) {
            return TwipsToRect(ControlRect(library_layout::kControls, name), w);
        };
        QCOMPARE(at("Panel1"), table("Panel1", client).adjusted(0, 0, 300, 200));
        QCOMPARE(at("Command6"), table("Command6", client).translated(0, 200));
        QCOMPARE(at("Label6"), table("Label6", client).translated(0, 200).adjusted(0, 0, 300, 0));
        QCOMPARE(at("Command1"), table("Command1", client).translated(300, 0));
        QCOMPARE(at("Combo3"), table("Combo3", client));
        QVERIFY(view.findChild<QTableView *>("Table1")->height() > table("Panel1", client).height() + 150);
    }

    void theProgressBarAndCancelShowOnlyWhileAnIndexRuns() {
        Fixture x;
        LibraryWindowView view(x.f.program);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(!view.findChild<QWidget *>("ProgressBar1")->isVisible());
        QVERIFY(!view.findChild<QWidget *>("Command4")->isVisible());
        QVERIFY(view.findChild<QWidget *>("Command3")->isEnabled());
        // WHEN 再索引 is pressed (the worker held in its first step): the
        // run shows until the timer takes its end
        std::atomic<bool> release{false};
        x.form.workerProgress = [&release](const IndexProgress &) {
            for (int i = 0; i < 5000 && !release; ++i)
                QThread::msleep(1);
        };
        QTest::mouseClick(view.findChild<QPushButton *>("Command3"), Qt::LeftButton);
        view.refresh();
        QVERIFY(view.findChild<QWidget *>("ProgressBar1")->isVisible());
        QVERIFY(view.findChild<QWidget *>("Command4")->isVisible());
        QVERIFY(!view.findChild<QWidget *>("Command3")->isEnabled());
        release = true;
        QTRY_VERIFY_WITH_TIMEOUT(!x.form.busy(), 10000);
        view.refresh();
        QVERIFY(!view.findChild<QWidget *>("ProgressBar1")->isVisible());
        QVERIFY(view.findChild<QWidget *>("Command3")->isEnabled());
        QVERIFY(view.findChild<QLabel *>("Label6")->text().startsWith("索引完了"));
    }
};

VOXMERE_GUI_TEST(library_window_view_test, LibraryWindowViewTest)
#include "library_window_view_test.moc"
