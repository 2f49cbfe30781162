// The DX7 II data window on screen: opened from the MIDI menu, its list
// showing the rows of the messages held, its buttons greyed when they have
// nothing to act on, and the user's choice of rows reaching the form.
#include "family_messages.h"
#include "files/family_data_form.h"
#include "files/family_data_view.h"
#include "gui_rig.h"
#include "librarian/form1_view.h"
#include "test_support.h"

#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

#include <fstream>

using namespace vox;

class FamilyDataViewTest : public QObject {
    Q_OBJECT

private slots:
    void theMidiMenuOffersItBeforeTheSettingsAndOpensTheWindow() {
        // GIVEN the main window
        test::ProgramFixture f;
        Form1View main(f.program);
        auto *midi = main.findChild<QMenu *>("mnu_midiMenu");
        QVERIFY(midi);
        emit midi->aboutToShow();
        // THEN "DX7 II データ…" follows the function settings and comes before MIDI設定…
        QStringList names;
        for (QAction *a : midi->actions())
            names << a->objectName();
        const int item = static_cast<int>(names.indexOf("mnu_familyData"));
        QVERIFY(item > 0);
        QCOMPARE(names[item - 1], QString("mnu_functionSettings"));
        QCOMPARE(names[item + 1], QString("mnu_midiSettings"));
        QAction *action = midi->actions()[item];
        QCOMPARE(action->text(), QString("DX7 II データ…"));
        // WHEN the user picks it THEN the window opens beside the main window
        action->trigger();
        QCOMPARE(f.host.shown, std::vector<WindowId>{WindowId::FamilyData});
        QVERIFY(f.program.familyData.isOpen());
        QVERIFY(f.host.enabled.find(WindowId::Form1) == f.host.enabled.end());
    }

    void theListShowsEachHeldMessageAndTheChosenRowsReachTheForm() {
        // GIVEN the window over a file of a set-up and cartridge micro tunings
        test::ScratchFolder folder("family-view");
        const std::filesystem::path file = folder / "two.syx";
        std::vector<Byte> bytes = test::UniversalDump("LM  8973S ", 85);
        const std::vector<Byte> tunings = test::UniversalDump("LM  MCRYC ", 256, 1, 63);
        bytes.insert(bytes.end(), tunings.begin(), tunings.end());
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        test::ProgramFixture f;
        FamilyDataForm &form = f.program.familyData;
        form.open();
        FamilyDataView view(f.program);
        QCOMPARE(view.windowTitle(), QString("DX7 II データ"));
        auto *list = view.findChild<QTreeWidget *>("List1");
        auto *save = view.findChild<QPushButton *>("Save");
        auto *remove = view.findChild<QPushButton *>("Delete");
        QVERIFY(list && save && remove);
        QCOMPARE(list->topLevelItemCount(), 0);
        QVERIFY(!save->isEnabled());
        // WHEN it is loaded
        form.chooseLoadFile = [&] { return std::optional<std::string>(file.string()); };
        view.findChild<QPushButton *>("Load")->click();
        view.refresh();
        // THEN each message is a row of kind, model, count, bytes and state
        QCOMPARE(list->topLevelItemCount(), 2);
        const QStringList columns{"種類", "機種", "数", "バイト", "状態"};
        for (int c = 0; c < columns.size(); ++c)
            QCOMPARE(list->headerItem()->text(c), columns[c]);
        const QStringList second{"MCRYC（カートリッジのマイクロチューニング）", "DX7 II", "63", "16952",
                                 "良好"};
        for (int c = 0; c < second.size(); ++c)
            QCOMPARE(list->topLevelItem(1)->text(c), second[c]);
        QVERIFY(save->isEnabled());
        QVERIFY(!remove->isEnabled());
        // WHEN the user chooses the first row and deletes it
        list->topLevelItem(0)->setSelected(true);
        view.refresh();
        QCOMPARE(form.selected, std::vector<int>{0});
        QVERIFY(remove->isEnabled());
        remove->click();
        view.refresh();
        // THEN only the tunings are left
        QCOMPARE(list->topLevelItemCount(), 1);
        QCOMPARE(form.messages(), std::vector<std::vector<Byte>>{tunings});
    }
};

VOXMERE_GUI_TEST(family_data_view_test, FamilyDataViewTest)
#include "family_data_view_test.moc"
