// The algorithm pictures as the editor loads them: decodable, the size the
// editor shows, white paper with dark drawing, one box per operator.
#include "gui_rig.h"
#include "voice/algorithms.h"

#include <QImage>
#include <QtTest>

#include <filesystem>

using namespace vox;

class AlgPicturesTest : public QObject {
    Q_OBJECT

    static QImage Load(int n) {
        return QImage(QString::fromStdString(
            (std::filesystem::path(VOXMERE_PROGRAM_DIR) / AlgorithmPictureName(n)).string()));
    }

    // Dark runs along one pixel row: each box border crossed gives one.
    static int DarkRuns(const QImage &img, int y) {
        int runs = 0;
        bool dark = false;
        for (int x = 0; x < img.width(); ++x) {
            const bool d = qGray(img.pixel(x, y)) < 110;
            if (d && !dark) ++runs;
            dark = d;
        }
        return runs;
    }

private slots:
    void everyPictureDecodesAt150By110OnWhite() {
        for (int n = 1; n <= kAlgorithmCount; ++n) {
            const QImage img = Load(n);
            QVERIFY2(!img.isNull(), qPrintable(QString("alg%1.jpg").arg(n)));
            QCOMPARE(img.size(), QSize(150, 110));
            QVERIFY(qGray(img.pixel(0, 0)) > 240);
            QVERIFY(qGray(img.pixel(149, 109)) > 240);
            int dark = 0;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                    dark += qGray(img.pixel(x, y)) < 110 ? 1 : 0;
            QVERIFY2(dark > 300, qPrintable(QString("alg%1.jpg has only %2 dark pixels").arg(n).arg(dark)));
        }
    }

    void algorithm32ShowsSixBoxesSideBySide() {
        // A row through the upper part of the bottom boxes crosses both
        // sides of each of the six.
        const QImage img = Load(32);
        QVERIFY(DarkRuns(img, 84 - 5) >= 12);
        QCOMPARE(DarkRuns(img, 40), 0); // nothing above a single row
    }

    void algorithm1StacksFourRows() {
        const QImage img = Load(1);
        // Down the column of operators 3..6 the box borders cross 4 x 2 times.
        int x = -1;
        for (int cx = 0; cx < img.width() && x < 0; ++cx)
            if (qGray(img.pixel(cx, 17 - 7)) < 110) x = cx + 3; // top edge of op6's box
        QVERIFY(x > 0);
        int runs = 0;
        bool dark = false;
        for (int y = 0; y < img.height(); ++y) {
            const bool d = qGray(img.pixel(x, y)) < 110;
            if (d && !dark) ++runs;
            dark = d;
        }
        QVERIFY2(runs >= 8, qPrintable(QString::number(runs)));
    }
};

VOXMERE_GUI_TEST(alg_pictures_test, AlgPicturesTest)
#include "alg_pictures_test.moc"
