#include "size_cell_delegate.h"

#include <QPainter>

namespace zel {

void SizeCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyleOptionViewItem plain(option);
  initStyleOption(&plain, index);
  const bool selected = plain.state & QStyle::State_Selected;
  painter->save();
  painter->fillRect(option.rect, selected ? option.palette.highlight() : option.palette.base());
  painter->setPen(selected ? option.palette.highlightedText().color() : option.palette.text().color());
  painter->setFont(option.font);
  const QString text = index.data(Qt::DisplayRole).toString().trimmed();
  QRect area = option.rect.adjusted(0, 4, -3, 0);
  painter->drawText(area, Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine, text);
  painter->restore();
}

}  // namespace zel
