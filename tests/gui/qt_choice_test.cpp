// The Qt host's list choice (which bank of a file to load): the dialog
// shows the text and every item, its buttons speak Japanese, and the
// answer is the row picked, or nothing on 中止. And its message box with
// a help button.

#include "app/qt_host.h"
#include "gui_rig.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <optional>

using namespace vox;

namespace {

const std::vector<std::string> kItems{"バンク 1（先頭から 0 バイトの位置、1 音色目「BRASS   1 」）",
                                      "バンク 2（先頭から 4104 バイトの位置、1 音色目「SECOND 01 」）"};

// Runs `play` on the choice dialog once it is up.
void WhenTheDialogIsUp(std::function<void(QInputDialog *)> play) {
    QTimer::singleShot(0, [play] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *dialog = qobject_cast<QInputDialog *>(w); dialog && dialog->isVisible()) {
                play(dialog);
                return;
            }
        // Not up yet: look again.
        WhenTheDialogIsUp(play);
    });
}

QPushButton *ButtonReading(QInputDialog *dialog, const QString &text) {
    for (QPushButton *b : dialog->findChildren<QPushButton *>())
        if (b->text().remove('&') == text) return b;
    return nullptr;
}

} // namespace

class QtChoiceTest : public QObject {
    Q_OBJECT

private slots:
    void theDialogShowsEveryItemAndAnswersTheRowPicked() {
        // GIVEN the Qt host asking which of two banks
        QtHost host;
        QString label;
        QStringList shown;
        bool buttonsJapanese = false;
        WhenTheDialogIsUp([&](QInputDialog *dialog) {
            for (QLabel *l : dialog->findChildren<QLabel *>())
                if (!l->text().isEmpty()) label = l->text();
            shown = dialog->comboBoxItems();
            buttonsJapanese = ButtonReading(dialog, "選択") && ButtonReading(dialog, "中止");
            // WHEN the user picks the second row and presses 選択
            auto *list = dialog->findChild<QListView *>();
            if (list) list->setCurrentIndex(list->model()->index(1, 0));
            if (QPushButton *ok = ButtonReading(dialog, "選択")) ok->click();
        });
        const std::optional<int> answer = host.chooseItem("バンクの選択", "どれを読み込みますか", kItems);
        // THEN the dialog showed the text and both items, and the answer is row 1
        QCOMPARE(label, QString("どれを読み込みますか"));
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[1], QString::fromUtf8(kItems[1].c_str()));
        QVERIFY2(buttonsJapanese, "the buttons read 選択 and 中止");
        QVERIFY(answer.has_value());
        QCOMPARE(*answer, 1);
    }

    void cancelAnswersNothing() {
        QtHost host;
        WhenTheDialogIsUp([](QInputDialog *dialog) {
            if (QPushButton *cancel = ButtonReading(dialog, "中止")) cancel->click();
        });
        QVERIFY(!host.chooseItem("バンクの選択", "x", kItems).has_value());
    }

    void theCloseBoxAnswersNothing() {
        QtHost host;
        WhenTheDialogIsUp([](QInputDialog *dialog) { dialog->reject(); });
        QVERIFY(!host.chooseItem("バンクの選択", "x", kItems).has_value());
    }

    void withAutomaticAnswersTheFirstItemIsTaken() {
        // End-to-end runs answer every question by itself.
        QtHost host;
        host.setAutoAnswer(true);
        const std::optional<int> answer = host.chooseItem("バンクの選択", "x", kItems);
        QVERIFY(answer.has_value());
        QCOMPARE(*answer, 0);
    }

    void afterItsHelpABoxHasOkFocusedSoReturnClosesIt() {
        // The start-up guide's box: its ヘルプ opens the help and leaves the box up.
        QtHost host;
        int shown = 0;
        QWidget *focused = nullptr;
        QAbstractButton *ok = nullptr;
        std::function<void()> play = [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) return void(QTimer::singleShot(5, play));
            ++shown;
            ok = box->button(QMessageBox::Ok);
            if (shown == 1) {
                box->button(QMessageBox::Help)->click();
                QTimer::singleShot(5, play);
                return;
            }
            focused = QApplication::focusWidget();
            QTest::keyClick(box, Qt::Key_Return);
        };
        QTimer::singleShot(0, play);
        MessageBoxSpec spec;
        spec.text = "guide";
        spec.buttons = MsgButtons::OkHelp;
        spec.helpFile = "voxmere.html";
        QCOMPARE(host.messageBox(spec), MsgResult::Ok);
        QCOMPARE(shown, 2);
        QCOMPARE(focused, static_cast<QWidget *>(ok));
    }

    void nothingToChooseFromAnswersNothing() {
        QtHost host;
        QVERIFY(!host.chooseItem("バンクの選択", "x", {}).has_value());
    }
};

VOXMERE_GUI_TEST(qt_choice_test, QtChoiceTest)
#include "qt_choice_test.moc"
