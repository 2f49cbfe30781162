// The editor's pictures on a screen of twice the density: the algorithm
// picture, an envelope graph and the on-screen keyboard are drawn at the
// screen's own pixels, not enlarged from a picture of half the pixels.
#include "editor/eg_graph_view.h"
#include "editor/form2_view.h"
#include "gui_rig.h"
#include "test_support.h"
#include "ui/keyboard_view.h"
#include "voice/algorithms.h"

#include <QImage>
#include <QPainter>
#include <QtTest>

#include <filesystem>
#include <functional>
#include <memory>

using namespace vox;

namespace {

// The widget painted into an image of `ratio` device pixels a pixel, less
// a border of 4 pixels (a picture box's frame is drawn as lines anyway).
QImage Render(QWidget &widget, qreal ratio) {
    QImage image(widget.size() * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    widget.render(&image);
    const int border = static_cast<int>(4 * ratio);
    return image.copy(image.rect().adjusted(border, border, -border, -border));
}

// The image of half the pixels enlarged to `like`'s size, smoothly or by
// doubling its pixels: what a picture drawn at the old density looks like
// on the denser screen.
QImage Enlarged(const QImage &half, const QImage &like, Qt::TransformationMode mode) {
    return half.scaled(like.size(), Qt::IgnoreAspectRatio, mode).convertToFormat(QImage::Format_RGB32);
}

// Of the steps in brightness between neighbouring pixels (more than an
// eighth of black to white): the share that is a sharp edge (more than half
// of it at once), and the share between two pixels of the same 2 x 2 block.
// Smooth enlarging spreads every edge over two pixels and so at most halves
// each step; doubling pixels puts no step inside a block. Drawn at the
// screen's density a picture has plenty of both.
struct Steps {
    double sharp = 0, inBlock = 0;
    bool dense() const { return sharp >= 0.25 && inBlock >= 0.25; }
    QString text() const {
        return QString("sharp %1, in block %2").arg(sharp, 0, 'f', 3).arg(inBlock, 0, 'f', 3);
    }
};

Steps Measure(const QImage &image) {
    int steps = 0, sharp = 0, inBlock = 0;
    for (int y = 0; y + 1 < image.height(); ++y)
        for (int x = 0; x + 1 < image.width(); ++x) {
            const int here = qGray(image.pixel(x, y));
            const int across = std::abs(here - qGray(image.pixel(x + 1, y)));
            const int down = std::abs(here - qGray(image.pixel(x, y + 1)));
            for (const auto &[step, sameBlock] :
                 {std::pair{across, x % 2 == 0}, std::pair{down, y % 2 == 0}}) {
                if (step <= 32) continue;
                ++steps;
                sharp += step > 128 ? 1 : 0;
                inBlock += sameBlock ? 1 : 0;
            }
        }
    if (steps == 0) return {};
    return {double(sharp) / steps, double(inBlock) / steps};
}

struct Picture {
    const char *name;
    std::function<std::unique_ptr<QWidget>(test::ProgramFixture &)> make;
};

} // namespace

class SharpDrawingTest : public QObject {
    Q_OBJECT

private slots:
    void picturesAreDrawnAtTheScreensDensity() {
        const Picture pictures[] = {
            {"algorithm picture 5",
             [](test::ProgramFixture &) {
                 auto box = std::make_unique<PictureBox>(nullptr);
                 box->resize(150, 110);
                 box->showPicture(
                     QString::fromStdString(
                         (std::filesystem::path(VOXMERE_PROGRAM_DIR) / AlgorithmPictureName(5)).string()),
                     "5");
                 return box;
             }},
            {"operator envelope",
             [](test::ProgramFixture &) {
                 auto graph = std::make_unique<EnvelopeGraphView>(EnvelopeGraphView::Kind::Operator, 3);
                 graph->resize(140, 100);
                 const auto s = OperatorEgSegments({20, 60, 40, 30}, {99, 70, 50, 0});
                 graph->setSegments({s.begin(), s.end()});
                 return graph;
             }},
            {"keyboard",
             [](test::ProgramFixture &f) {
                 auto keys = std::make_unique<KeyboardView>(f.state, nullptr);
                 keys->resize(760, 72);
                 return keys;
             }},
        };
        for (const Picture &picture : pictures) {
            test::ProgramFixture f;
            const auto widget = picture.make(f);
            const QImage dense = Render(*widget, 2), half = Render(*widget, 1);
            const Steps drawn = Measure(dense);
            const Steps smooth = Measure(Enlarged(half, dense, Qt::SmoothTransformation));
            const Steps doubled = Measure(Enlarged(half, dense, Qt::FastTransformation));
            const QString report = QString("%1: drawn %2; enlarged smoothly %3; doubled %4")
                                       .arg(picture.name, drawn.text(), smooth.text(), doubled.text());
            QVERIFY2(!smooth.dense() && !doubled.dense(), qPrintable("the measure fails, " + report));
            QVERIFY2(drawn.dense(), qPrintable(report));
            qInfo("%s", qPrintable(report));
        }
    }
};

VOXMERE_GUI_TEST(sharp_drawing_test, SharpDrawingTest)
#include "sharp_drawing_test.moc"
