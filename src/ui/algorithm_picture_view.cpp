#include "ui/algorithm_picture_view.h"

#include "voice/algorithms.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace vox {

namespace {

// Measures in pixels of the picture's own size.
constexpr double kWidth = kAlgorithmPictureSize.width();
constexpr double kHeight = kAlgorithmPictureSize.height();
constexpr double kBoxWidth = 17;
constexpr double kBoxHeight = 14;
constexpr double kLeftMargin = 4;
constexpr double kRightMargin = 9; // room for a loop right of the last box
constexpr double kTopCentre = 17;  // centre of the highest possible row
constexpr double kBottomCentre = 84;
constexpr double kOutputLineY = 101;
constexpr double kMaxColumnSpacing = 36;
constexpr double kMaxRowSpacing = 28;
constexpr double kLoopGap = 5; // loop distance from a box

std::array<QPointF, kOperatorCount> Centres(int number) {
    const AlgorithmLayout layout = LayoutAlgorithm(number);
    const double columnSpacing =
        std::min(kMaxColumnSpacing, (kWidth - kLeftMargin - kRightMargin) / layout.columns);
    const double rowSpacing =
        layout.rows > 1 ? std::min(kMaxRowSpacing, (kBottomCentre - kTopCentre) / (layout.rows - 1)) : 0;
    const double used = columnSpacing * layout.columns;
    const double left = kLeftMargin + (kWidth - kLeftMargin - kRightMargin - used) / 2;
    std::array<QPointF, kOperatorCount> centre;
    for (int op = 1; op <= kOperatorCount; ++op) {
        const OperatorPlace &p = layout.places[static_cast<std::size_t>(op - 1)];
        centre[static_cast<std::size_t>(op - 1)] =
            QPointF(left + (p.column + 0.5) * columnSpacing, kBottomCentre - p.row * rowSpacing);
    }
    return centre;
}

QPointF Top(const QPointF &c) { return {c.x(), c.y() - kBoxHeight / 2}; }
QPointF Bottom(const QPointF &c) { return {c.x(), c.y() + kBoxHeight / 2}; }

} // namespace

void DrawAlgorithmPicture(QPainter &painter, const QRectF &target, int number) {
    const AlgorithmInfo &a = AlgorithmOf(number);
    const auto centre = Centres(number);
    auto at = [&](int op) { return centre[static_cast<std::size_t>(op - 1)]; };

    painter.save();
    const double scale = std::min(target.width() / kWidth, target.height() / kHeight);
    painter.translate(target.center().x() - kWidth * scale / 2, target.center().y() - kHeight * scale / 2);
    painter.scale(scale, scale);
    painter.fillRect(QRectF(0, 0, kWidth, kHeight), Qt::white);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setPen(QPen(Qt::black, 1.2));
    painter.setBrush(Qt::NoBrush);

    for (const Modulation &m : a.mods())
        painter.drawLine(Bottom(at(m.from)), Top(at(m.to)));

    // Output line under the carriers.
    double outLeft = kWidth, outRight = 0;
    for (int op = 1; op <= kOperatorCount; ++op) {
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
    for (int op = 1; op <= kOperatorCount; ++op) {
        const QRectF box(at(op).x() - kBoxWidth / 2, at(op).y() - kBoxHeight / 2, kBoxWidth, kBoxHeight);
        painter.setBrush(a.isCarrier(op) ? QColor(0xd8, 0xe8, 0xff) : QColor(Qt::white));
        painter.drawRect(box);
        painter.drawText(box, Qt::AlignCenter, QString::number(op));
    }
    painter.restore();
}

} // namespace vox
