// Qt's own texts in Japanese, as the program's own texts are.

#include "app/qt_host.h"
#include "gui_rig.h"

#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

class QtTextsTest : public QObject {
    Q_OBJECT

private slots:
    void theStandardButtonsOfABoxSpeakJapanese() {
        // GIVEN Qt's Japanese texts installed, as the program does at start-up
        QVERIFY2(vox::InstallJapaneseQtTexts(), "qtbase_ja.qm not found: install qt6-translations-l10n");
        // WHEN a box with OK and Cancel is built, as the transmit confirmation is
        QMessageBox box(QMessageBox::Warning, "t", "x", QMessageBox::Ok | QMessageBox::Cancel);
        // THEN Cancel reads in Japanese, not "Cancel"
        QCOMPARE(box.button(QMessageBox::Cancel)->text().remove('&'), QString("キャンセル"));
    }
};

VOXMERE_GUI_TEST(qt_texts_test, QtTextsTest)
#include "qt_texts_test.moc"
