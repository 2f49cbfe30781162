#include "ui/corner_mark_view.h"

#include <QPainter>

namespace vox {

void CornerMarkDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const {
    QStyledItemDelegate::paint(painter, option, index);
    const QString mark = index.data(role_).toString();
    if (mark.isEmpty()) return;
    painter->save();
    painter->setPen(option.palette.color(QPalette::Disabled, QPalette::Text));
    painter->drawText(option.rect.adjusted(0, 0, -4, 0), Qt::AlignRight | Qt::AlignVCenter, mark);
    painter->restore();
}

} // namespace vox
