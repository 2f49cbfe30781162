// Every window on the screen it opens on: no larger than the screen offers,
// and every control of its client area can be scrolled into view; a window
// whose client fits shows all of it, without scroll bars. ctest runs it on
// the offscreen default screen, a 1920 x 1200 screen, a 1600 x 1200 screen
// at a scale factor of 2 and a 1600 x 1200 screen of 192 dpi.
#include "app/help_window.h"
#include "editor/explore_view.h"
#include "editor/form2.h"
#include "editor/form2_view.h"
#include "files/family_data_view.h"
#include "files/file_dialogs_view.h"
#include "gui_rig.h"
#include "librarian/form1_view.h"
#include "librarian/form7_view.h"
#include "librarian/function_view.h"
#include "librarian/midi_monitor_view.h"
#include "librarian/midi_settings_view.h"
#include "library/library_window_view.h"
#include "scripted_dx7.h"
#include "test_support.h"
#include "ui/client_area_view.h"

#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

#include <functional>
#include <memory>

using namespace vox;

namespace {

struct Windows {
    test::ProgramFixture f;
    test::ScratchFolder data{"screen-fit"};
    Windows() {
        test::SeedBank(f.ws, test::MakeBankVoice);
        f.ws.placeEntry(1);
        f.program.form2.load();
        f.program.library.setCatalogFile(data / "library.sqlite");
    }
};

struct Row {
    const char *name;
    std::function<std::unique_ptr<QWidget>(Windows &)> make;
};

template <class View> Row Make(const char *name) {
    return {name, [](Windows &w) -> std::unique_ptr<QWidget> { return std::make_unique<View>(w.f.program); }};
}

// Every control of the client (Qt's own parts aside) shown on it, brought
// into view as a user scrolls to it: what still lies outside the viewport.
QStringList OutOfReach(QScrollArea &scroll) {
    QWidget *client = scroll.widget();
    QStringList missed;
    int reached = 0;
    for (QWidget *w : client->findChildren<QWidget *>()) {
        if (w->objectName().isEmpty() || w->objectName().startsWith("qt_") || !w->isVisibleTo(client))
            continue;
        const QRect onClient(w->mapTo(client, QPoint(0, 0)), w->size());
        if (!client->rect().contains(onClient)) continue; // placed out of view on purpose
        scroll.ensureWidgetVisible(w, 0, 0);
        const QRect shown(w->mapTo(scroll.viewport(), QPoint(0, 0)), w->size());
        const QRect view = scroll.viewport()->rect();
        const bool fits = w->width() <= view.width() && w->height() <= view.height();
        if (fits ? !view.contains(shown) : !view.intersects(shown)) missed << w->objectName();
        ++reached;
    }
    if (reached == 0) missed << "no control at all";
    return missed;
}

} // namespace

class ScreenFitTest : public QObject {
    Q_OBJECT

private slots:
    void aWindowScrollsOnlyWhereItsContentDoesNotFit() {
        // Pixels; scroll bars 16 wide. A bar in one direction takes room
        // from the other.
        struct Case {
            QSize full, room;
            WindowFit expected;
        } cases[] = {
            {{768, 772}, {1920, 1160}, {{768, 772}, {768, 772}, false}},
            {{768, 772}, {800, 600}, {{784, 600}, {784, 772}, true}},
            {{790, 772}, {800, 600}, {{800, 600}, {806, 788}, true}},
            {{900, 300}, {800, 600}, {{800, 316}, {900, 316}, true}},
            {{800, 600}, {800, 600}, {{800, 600}, {800, 600}, false}},
        };
        for (const Case &c : cases) {
            const WindowFit fit = FitWindow(c.full, c.room, {16, 16});
            const QString what = QString("%1x%2 in %3x%4")
                                     .arg(c.full.width())
                                     .arg(c.full.height())
                                     .arg(c.room.width())
                                     .arg(c.room.height());
            QVERIFY2(fit.size == c.expected.size && fit.maximum == c.expected.maximum &&
                         fit.scrolls == c.expected.scrolls,
                     qPrintable(what));
        }
    }

    void everyWindowOpensOnTheScreenWithEveryControlInReach() {
        const Row rows[] = {
            Make<Form1View>("main window"),
            {"editor, with the Data Entry Zone open",
             [](Windows &w) -> std::unique_ptr<QWidget> {
                 w.f.program.form2.controlClick("Text9");
                 return std::make_unique<Form2View>(w.f.program);
             }},
            Make<Form3View>("Form3"),
            Make<Form4View>("Form4"),
            Make<Form5View>("Form5"),
            Make<Form6View>("Form6"),
            Make<Form7View>("Form7"),
            Make<MidiSettingsView>("MIDI settings"),
            Make<FunctionView>("function settings"),
            Make<FamilyDataView>("DX7 II data"),
            Make<ExploreView>("explore window"),
            Make<LibraryWindowView>("library window"),
            Make<MidiMonitorView>("MIDI monitor"),
            {"help window",
             [](Windows &) -> std::unique_ptr<QWidget> { return std::make_unique<HelpWindow>(); }},
        };
        const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
        for (const Row &row : rows) {
            Windows w;
            const auto window = row.make(w);
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window.get()));
            const QSize size = window->frameGeometry().size();
            QVERIFY2(size.width() <= screen.width() && size.height() <= screen.height(),
                     qPrintable(QString("%1 opens %2x%3 on %4x%5")
                                    .arg(row.name)
                                    .arg(size.width())
                                    .arg(size.height())
                                    .arg(screen.width())
                                    .arg(screen.height())));
            QScrollArea *scroll = ClientScrollArea(window.get());
            if (!scroll) continue; // a window that lays itself out
            const QStringList missed = OutOfReach(*scroll);
            QVERIFY2(missed.isEmpty(), qPrintable(QString(row.name) + " cannot reach " + missed.join(", ")));
            // Room to spare (a menu bar, a frame): as at its fixed size before.
            QWidget *client = scroll->widget();
            if (client->width() + 100 <= screen.width() && client->height() + 100 <= screen.height()) {
                QVERIFY2(!scroll->horizontalScrollBar()->isVisible() &&
                             !scroll->verticalScrollBar()->isVisible(),
                         row.name);
                QCOMPARE(scroll->viewport()->size(), client->size());
                if (scroll->widgetResizable()) {
                    // The user may enlarge it, never below its whole client.
                    QCOMPARE(window->minimumSize(), client->minimumSize());
                    QVERIFY2(window->maximumSize().width() > client->width(), row.name);
                } else {
                    QCOMPARE(window->minimumSize(), window->maximumSize());
                }
            }
        }
    }
};

VOXMERE_GUI_TEST(screen_fit_test, ScreenFitTest)
#include "screen_fit_test.moc"
