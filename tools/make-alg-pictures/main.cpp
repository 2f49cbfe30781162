// Draws the 32 algorithm pictures "alg1.jpg" .. "alg32.jpg" into a folder:
// six numbered boxes, carriers on the bottom row joined by the output line,
// modulators above what they modulate, and the feedback loop.
//
// usage: make-alg-pictures FOLDER

#include "voice/algorithms.h"

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace {

// The picture's size in pixels (2250 x 1650 twips at 96 dpi).
constexpr int kWidth = 150;
constexpr int kHeight = 110;
constexpr double kBoxWidth = 17;
constexpr double kBoxHeight = 14;
constexpr double kLeftMargin = 4;
constexpr double kRightMargin = 9; // room for a loop right of the last box
constexpr double kTopCentre = 17;  // centre of the highest possible row
constexpr double kBottomCentre = 84;
constexpr double kOutputLineY = 101;
constexpr double kMaxColumnSpacing = 36;
constexpr double kMaxRowSpacing = 28;
constexpr double kLoopGap = 5; // loop distance from a box, pixels

struct Geometry {
    std::array<QPointF, vox::kOperatorCount> centre; // index op - 1
};

Geometry Place(int number) {
    const vox::AlgorithmLayout layout = vox::LayoutAlgorithm(number);
    const double columnSpacing =
        std::min(kMaxColumnSpacing, (kWidth - kLeftMargin - kRightMargin) / layout.columns);
    const double rowSpacing =
        layout.rows > 1 ? std::min(kMaxRowSpacing, (kBottomCentre - kTopCentre) / (layout.rows - 1)) : 0;
    const double used = columnSpacing * layout.columns;
    const double left = kLeftMargin + (kWidth - kLeftMargin - kRightMargin - used) / 2;
    Geometry g;
    for (int op = 1; op <= vox::kOperatorCount; ++op) {
        const vox::OperatorPlace &p = layout.places[static_cast<std::size_t>(op - 1)];
        g.centre[static_cast<std::size_t>(op - 1)] =
            QPointF(left + (p.column + 0.5) * columnSpacing, kBottomCentre - p.row * rowSpacing);
    }
    return g;
}

QPointF Top(const QPointF &c) { return {c.x(), c.y() - kBoxHeight / 2}; }
QPointF Bottom(const QPointF &c) { return {c.x(), c.y() + kBoxHeight / 2}; }

QImage Draw(int number) {
    const vox::AlgorithmInfo &a = vox::AlgorithmOf(number);
    const Geometry g = Place(number);
    auto at = [&](int op) { return g.centre[static_cast<std::size_t>(op - 1)]; };

    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(Qt::black, 1.2));
    painter.setBrush(Qt::NoBrush);

    for (const vox::Modulation &m : a.mods())
        painter.drawLine(Bottom(at(m.from)), Top(at(m.to)));

    // Output line under the carriers.
    double outLeft = kWidth, outRight = 0;
    for (int op = 1; op <= vox::kOperatorCount; ++op) {
        if (!a.isCarrier(op)) continue;
        painter.drawLine(Bottom(at(op)), QPointF(at(op).x(), kOutputLineY));
        outLeft = std::min(outLeft, at(op).x());
        outRight = std::max(outRight, at(op).x());
    }
    painter.drawLine(QPointF(outLeft, kOutputLineY), QPointF(outRight, kOutputLineY));

    // Feedback: from under the source box, round its right side, into the
    // top of the target (the same box, or op6 for algorithms 4 and 6).
    {
        const QPointF from = at(a.feedbackFrom);
        const QPointF to = at(a.feedbackTo);
        const double side = std::max(from.x(), to.x()) + kBoxWidth / 2 + kLoopGap;
        const double below = Bottom(from).y() + kLoopGap - 1;
        const double above = Top(to).y() - kLoopGap;
        QPainterPath loop(Bottom(from));
        loop.lineTo(from.x(), below);
        loop.lineTo(side, below);
        loop.lineTo(side, above);
        loop.lineTo(to.x(), above);
        loop.lineTo(Top(to));
        painter.drawPath(loop);
    }

    QFont font("DejaVu Sans");
    font.setPixelSize(11);
    font.setBold(true);
    painter.setFont(font);
    for (int op = 1; op <= vox::kOperatorCount; ++op) {
        const QRectF box(at(op).x() - kBoxWidth / 2, at(op).y() - kBoxHeight / 2, kBoxWidth, kBoxHeight);
        painter.setBrush(a.isCarrier(op) ? QColor(0xd8, 0xe8, 0xff) : QColor(Qt::white));
        painter.drawRect(box);
        painter.drawText(box, Qt::AlignCenter, QString::number(op));
    }
    painter.end();
    return image;
}

} // namespace

int main(int argc, char *argv[]) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-alg-pictures FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    for (int n = 1; n <= vox::kAlgorithmCount; ++n) {
        const std::filesystem::path file = folder / vox::AlgorithmPictureName(n);
        if (!Draw(n).save(QString::fromStdString(file.string()), "JPG", 95)) {
            std::fprintf(stderr, "make-alg-pictures: cannot write %s\n", file.string().c_str());
            return 1;
        }
    }
    return 0;
}
