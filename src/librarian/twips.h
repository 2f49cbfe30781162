#pragma once
// Control positions are laid out in twips; 1440 twips are one inch, so at
// 96 dpi one pixel is 15 twips. Views scale with the screen's logical dpi.

#include <QRect>
#include <QWidget>

namespace vox {

struct TwipsRect {
    int left, top, width, height;
};

inline int TwipsToPixels(int twips, const QWidget* w) {
    const int dpi = w ? w->logicalDpiX() : 96;
    return (twips * dpi + 720) / 1440;
}

inline QRect TwipsToRect(const TwipsRect& r, const QWidget* w) {
    return QRect(TwipsToPixels(r.left, w), TwipsToPixels(r.top, w), TwipsToPixels(r.width, w),
                 TwipsToPixels(r.height, w));
}

inline void PlaceAt(QWidget* control, const TwipsRect& r) {
    control->setGeometry(TwipsToRect(r, control->parentWidget()));
}

} // namespace vox
