// An envelope graph as drawn on screen: its lines fall where the twips say.
#include "editor/eg_graph_view.h"
#include "gui_rig.h"

#include <QLabel>
#include <QtTest>

using namespace vox;

class EgGraphViewTest : public QObject {
    Q_OBJECT

    static bool BlueNear(const QImage &img, int x, int y) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const QColor c = img.pixelColor(std::clamp(x + dx, 0, img.width() - 1),
                                                std::clamp(y + dy, 0, img.height() - 1));
                if (c.blue() > 150 && c.red() < 120) return true;
            }
        return false;
    }

private slots:
    void pitchLevelsAll50DrawAFlatLineAtTheCentre() {
        EnvelopeGraphView view(EnvelopeGraphView::Kind::Pitch, 0);
        view.resize(140, 100); // 2100 x 1500 twips at 15 twips a pixel
        const auto s = PitchEgSegments({0, 0, 0, 0}, {50, 50, 50, 50});
        view.setSegments({s.begin(), s.end()});
        const QImage img = view.grab().toImage();
        // On the centre line (y 720 twips), where the caption "50" stands.
        for (int x = 250 / 15 + 2; x < 1950 / 15; x += 5)
            QVERIFY2(BlueNear(img, x, 48), qPrintable(QString::number(x)));
        QVERIFY(!BlueNear(img, 70, 20));
        QVERIFY(!BlueNear(img, 70, 85));
    }

    void operatorEnvelopeRisesFromTheBaseToTheTop() {
        EnvelopeGraphView view(EnvelopeGraphView::Kind::Operator, 3);
        view.resize(140, 100);
        const auto s = OperatorEgSegments({0, 99, 99, 99}, {99, 99, 99, 0});
        view.setSegments({s.begin(), s.end()});
        const QImage img = view.grab().toImage();
        QVERIFY(BlueNear(img, 100 / 15, 1392 / 15));        // start at level 4 = 0, on the base line
        QVERIFY(BlueNear(img, 480 / 15, 48 / 15 + 1));      // attack ends at level 99, the top of the axis
        QVERIFY(BlueNear(img, 290 / 15, (1392 + 48) / 30)); // halfway up the attack
        QVERIFY(!BlueNear(img, 100 / 15, 1450 / 15));       // nothing below the base line
        QVERIFY(!BlueNear(img, 1500 / 15, 50));
    }

    void carriesItsCaptions() {
        EnvelopeGraphView op(EnvelopeGraphView::Kind::Operator, 4);
        auto *number = op.findChild<QLabel *>("Label8_4");
        QVERIFY(number);
        QCOMPARE(number->text(), QString("4"));
        EnvelopeGraphView pitch(EnvelopeGraphView::Kind::Pitch, 0);
        QStringList texts;
        for (int k = 0; k < 5; ++k)
            texts << pitch.findChild<QLabel *>(QString("Label65_%1").arg(k))->text();
        QCOMPARE(texts, QStringList({"99", "50", "0", "+4 OCT", "-4 OCT"}));
    }
};

VOXMERE_GUI_TEST(eg_graph_view_test, EgGraphViewTest)
#include "eg_graph_view_test.moc"
