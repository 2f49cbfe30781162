#include "editor/eg_graph_view.h"

#include "ui/twips.h"

#include <QPainter>

namespace vox {

namespace {
struct Caption {
    const char *text;
    TwipsRect at;
    Qt::Alignment align;
};
// Axis captions of the pitch graph.
constexpr Caption kPitchCaptions[] = {
    {"99", {0, 0, 235, 200}, Qt::AlignLeft | Qt::AlignTop},
    {"50", {0, 620, 235, 200}, Qt::AlignLeft | Qt::AlignVCenter},
    {"0", {0, 1290, 235, 200}, Qt::AlignLeft | Qt::AlignBottom},
    {"+4 OCT", {1500, 0, 590, 200}, Qt::AlignRight | Qt::AlignTop},
    {"-4 OCT", {1500, 1290, 590, 200}, Qt::AlignRight | Qt::AlignBottom},
};
} // namespace

EnvelopeGraphView::EnvelopeGraphView(Kind kind, int operatorNumber, QWidget *parent)
    : QWidget(parent), kind_(kind) {
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    p.setColor(QPalette::WindowText, Qt::black);
    setPalette(p);
    resize(TwipsToPixels(kGraphWidthTwips, parent), TwipsToPixels(kGraphHeightTwips, parent));
    QFont small = font();
    small.setPixelSize(9);
    if (kind_ == Kind::Operator) {
        auto *number = new QLabel(QString::number(operatorNumber), this);
        number->setObjectName(QString("Label8_%1").arg(operatorNumber));
        number->setFont(small);
        number->setAlignment(Qt::AlignRight | Qt::AlignTop);
        PlaceAt(number, {1700, 30, 370, 200});
    } else {
        int k = 0;
        for (const Caption &c : kPitchCaptions) {
            auto *label = new QLabel(c.text, this);
            label->setObjectName(QString("Label65_%1").arg(k++));
            label->setFont(small);
            label->setAlignment(c.align);
            PlaceAt(label, c.at);
        }
    }
}

void EnvelopeGraphView::setSegments(std::vector<GraphSegment> segments) {
    segments_ = std::move(segments);
    update();
}

void EnvelopeGraphView::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    // Twips to pixels of this widget, whatever its size on screen.
    painter.scale(width() / double(kGraphWidthTwips), height() / double(kGraphHeightTwips));
    // Lines a pixel wide (15 twips at 96 dpi) at every screen density; a
    // cosmetic pen would be one device pixel, a hairline on a dense screen.
    const double lineWidth = 1440.0 / logicalDpiX();
    painter.setPen(QPen(Qt::gray, lineWidth));
    auto line = [&](const GraphSegment &s) {
        painter.drawLine(QPointF(s.from.x, s.from.y), QPointF(s.to.x, s.to.y));
    };
    if (kind_ == Kind::Operator) {
        line(kOperatorGraphAxis);
        line(kOperatorGraphBase);
    } else {
        line(kPitchGraphAxis);
        line(kPitchGraphCentre);
    }
    painter.setPen(QPen(Qt::blue, lineWidth));
    for (const GraphSegment &s : segments_)
        line(s);
}

} // namespace vox
