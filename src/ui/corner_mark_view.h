#pragma once
// A short mark at the right edge of a list's cell (the later models' "II"),
// in the greyed text colour, so that the cell's own text stays as it is.
// The SOUND LIST and the library's lists draw their marks alike.

#include <QStyledItemDelegate>

namespace vox {

class CornerMarkDelegate : public QStyledItemDelegate {
public:
    // `role` holds the mark as text; an empty or missing one draws nothing.
    CornerMarkDelegate(int role, QObject *parent) : QStyledItemDelegate(parent), role_(role) {}
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

private:
    int role_;
};

} // namespace vox
