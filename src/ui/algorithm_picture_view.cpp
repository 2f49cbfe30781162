#include "ui/algorithm_picture_view.h"

#include "voice/algorithm_drawing.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace vox {

namespace {

QPointF At(const PicturePoint &p) { return {p.x, p.y}; }

} // namespace

void DrawAlgorithmPicture(QPainter &painter, const QRectF &target, int number) {
    const AlgorithmDrawing d = DrawAlgorithm(number);
    constexpr double kWidth = kAlgorithmPictureWidth, kHeight = kAlgorithmPictureHeight;

    painter.save();
    const double scale = std::min(target.width() / kWidth, target.height() / kHeight);
    painter.translate(target.center().x() - kWidth * scale / 2, target.center().y() - kHeight * scale / 2);
    painter.scale(scale, scale);
    painter.fillRect(QRectF(0, 0, kWidth, kHeight), Qt::white);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setPen(QPen(Qt::black, 1.2));
    painter.setBrush(Qt::NoBrush);

    for (const PictureLine &line : d.lines)
        painter.drawLine(At(line.from), At(line.to));
    QPainterPath loop(At(d.loop[0]));
    for (std::size_t k = 1; k < d.loop.size(); ++k)
        loop.lineTo(At(d.loop[k]));
    painter.drawPath(loop);

    QFont font("DejaVu Sans");
    font.setPixelSize(11);
    font.setBold(true);
    painter.setFont(font);
    for (int op = 1; op <= kOperatorCount; ++op) {
        const PicturePoint &c = d.centres[static_cast<std::size_t>(op - 1)];
        const QRectF box(c.x - kAlgorithmBoxWidth / 2, c.y - kAlgorithmBoxHeight / 2, kAlgorithmBoxWidth,
                         kAlgorithmBoxHeight);
        painter.setBrush(d.carrier[static_cast<std::size_t>(op - 1)] ? QColor(0xd8, 0xe8, 0xff)
                                                                     : QColor(Qt::white));
        painter.drawRect(box);
        painter.drawText(box, Qt::AlignCenter, QString::number(op));
    }
    painter.restore();
}

} // namespace vox
