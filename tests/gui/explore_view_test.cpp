// The 音色探索 window as a user sees it: its controls where the table puts
// them, and a click of ランダム.
#include "editor/explore_layout.h"
#include "editor/explore_view.h"
#include "gui_rig.h"
#include "scripted_dx7.h" // MakeBankVoice
#include "test_support.h"
#include "ui/twips.h"

#include <QComboBox>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

using namespace vox;

class ExploreViewTest : public QObject {
    Q_OBJECT

    struct Open {
        test::ProgramFixture f;
        Open() {
            f.out.opened = true;
            test::SeedBank(f.ws, test::MakeBankVoice);
            f.ws.placeEntry(3);
            f.program.openExplore();
            f.program.explore.text1 = "7";
        }
    };

private slots:
    void showsEachControlAtItsPlaceAndTheBankAsPartners() {
        Open o;
        ExploreView view(o.f.program);
        QCOMPARE(view.windowTitle(), QString("音色探索"));
        for (const ControlRow &row : explore_layout::kControls)
            for (int i = 0; i < ElementCount(row); ++i) {
                auto *w = view.findChild<QWidget *>(ElementName(row, i));
                QVERIFY2(w, row.name);
                QCOMPARE(w->geometry(), TwipsToRect(ElementRect(row, i), w->parentWidget()));
            }
        QCOMPARE(view.findChild<QComboBox *>("Combo1")->count(), 32);
        QCOMPARE(view.findChild<QComboBox *>("Combo1")->itemText(4),
                 QString::fromStdString(o.f.ws.slotText(5)));
    }

    void randomAtNoAmountLeavesTheVoiceAndAtFullAmountIsOneUndoStep() {
        // GIVEN the window open over entry 3, the amount at 0 %
        Open o;
        ExploreView view(o.f.program);
        view.show();
        const Slot placed = o.f.ws.editBuffer();
        view.findChild<QScrollBar *>("HScroll1")->setValue(0);
        // WHEN ランダム is clicked THEN the voice stays exactly as it was
        QTest::mouseClick(view.findChild<QPushButton *>("Command1"), Qt::LeftButton);
        QCOMPARE(o.f.ws.editBuffer(), placed);
        QVERIFY(o.f.out.sent.empty());
        // WHEN it is clicked at 100 % THEN the voice changes, and one undo brings it back
        view.findChild<QScrollBar *>("HScroll1")->setValue(100);
        QCOMPARE(o.f.program.explore.hScroll1, 100);
        QTest::mouseClick(view.findChild<QPushButton *>("Command1"), Qt::LeftButton);
        QVERIFY(o.f.ws.editBuffer() != placed);
        QVERIFY(!o.f.out.sent.empty());
        QVERIFY(o.f.ws.undo());
        QCOMPARE(o.f.ws.editBuffer(), placed);
    }
};

VOXMERE_GUI_TEST(explore_view_test, ExploreViewTest)
#include "explore_view_test.moc"
