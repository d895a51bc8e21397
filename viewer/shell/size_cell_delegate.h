// The file list's size column, owner-drawn: after the grid's own drawing the
// cell is filled with the current brush and its text, trimmed, is drawn so it
// ends 3 pixels left of the cell's right edge, 4 pixels below its top.
#pragma once

#include <QStyledItemDelegate>

namespace zel {

class SizeCellDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace zel
