#include "report_list_view.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QStyle>
#include <algorithm>

#include "error_report.h"
#include "file_name_text.h"
#include "report_listing.h"
#include "size_cell_delegate.h"

namespace zel {
namespace {

const char* const kHeaders[] = {" 파 일 명", " 설    명", " 파일크기", " 생성일자"};
constexpr int kColumnWidths[] = {105, 184, 103, 165};

// A list cell that sorts by its key (size in bytes, write time) when it has
// one, else by its text as the user's language orders it.
constexpr int kSortKeyRole = Qt::UserRole + 1;
// The name column's file name as the file system holds it: the text shown
// may be a reading of bytes that are no UTF-8.
constexpr int kFileNameRole = Qt::UserRole + 2;

std::string fileNameOf(const QTableWidgetItem* item) {
  return item ? item->data(kFileNameRole).toByteArray().toStdString() : std::string();
}

QString shownText(const std::string& bytes) { return QString::fromStdString(readableFileName(bytes)); }

class ListCell : public QTableWidgetItem {
 public:
  bool operator<(const QTableWidgetItem& other) const override {
    const QVariant mine = data(kSortKeyRole), theirs = other.data(kSortKeyRole);
    if (mine.isValid() && theirs.isValid()) return mine.toLongLong() < theirs.toLongLong();
    return QString::localeAwareCompare(text(), other.text()) < 0;
  }
};

}  // namespace

ReportListView::ReportListView(MessageService& messages, QWidget* parent)
    : QTableWidget(1, 4, parent), messages_(messages) {
  setObjectName(QStringLiteral("reportList"));
  for (int c = 0; c < 4; ++c) {
    setHorizontalHeaderItem(c, new QTableWidgetItem(QString::fromUtf8(kHeaders[c])));
    setColumnWidth(c, kColumnWidths[c]);
  }
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setSectionsClickable(true);
  connect(horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this](int column) { guarded(messages_, [this, column] { sortBy(column); }); });
  horizontalHeader()->setFixedHeight(20);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(20);
  setShowGrid(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setWordWrap(false);
  setTextElideMode(Qt::ElideNone);  // long names are clipped, not shortened
  setItemDelegateForColumn(2, new SizeCellDelegate(this));
  // Tab leaves the list instead of walking its cells (which would select another report).
  setTabKeyNavigation(false);
  installEventFilter(this);
  viewport()->installEventFilter(this);
  connect(this, &QTableWidget::cellDoubleClicked, this, &ReportListView::runRequested);
}

void ReportListView::showRows(const std::vector<ReportFileRow>& rows, bool emptyDirectory) {
  // Also when the directory holds other report kinds only: rows of the
  // previous directory must not stay behind under the new caption.
  if (emptyDirectory || rows.empty()) {
    clearContents();
    setRowCount(1);
  }
  for (int c = 0; c < 4; ++c) horizontalHeaderItem(c)->setText(QString::fromUtf8(kHeaders[c]));

  if (!rows.empty()) setRowCount(static_cast<int>(rows.size()));
  // The name column is as wide as the longest name, so no name is clipped.
  int nameWidth = kColumnWidths[0];
  const int cellPadding = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 8;
  for (const ReportFileRow& row : rows)
    nameWidth = std::max(nameWidth, fontMetrics().horizontalAdvance(shownText(row.name)) + cellPadding);
  setColumnWidth(0, nameWidth);
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    const ReportFileRow& row = rows[r];
    const QString cells[] = {shownText(row.name), QString::fromStdString(row.title),
                             QString::fromStdString(formatFileSize(row.size)),
                             QString::fromStdString(formatFileDate(row.lastWrite))};
    const QVariant keys[] = {QVariant(), QVariant(), QVariant(static_cast<qlonglong>(row.size)),
                             QVariant(static_cast<qlonglong>(row.lastWrite))};
    for (int c = 0; c < 4; ++c) {
      QTableWidgetItem* cell = item(r, c);
      if (cell == nullptr) {
        cell = new ListCell;
        setItem(r, c, cell);
      }
      cell->setText(cells[c]);
      cell->setData(kSortKeyRole, keys[c]);
      cell->setData(kFileNameRole, c == 0 ? QVariant(QByteArray::fromStdString(row.name)) : QVariant());
      // Names and titles cut by their column can still be read.
      const bool cut = c < 2 && fontMetrics().horizontalAdvance(cells[c]) + 6 > columnWidth(c);
      cell->setToolTip(cut ? cells[c] : QString());
    }
  }
  // The order the user chose by a header stays for the new list.
  if (sortColumn_ >= 0 && !rows.empty()) sortItems(sortColumn_, sortOrder_);
  // The panel describes row 1, so Enter and the margin button must act on it too.
  setCurrentCell(0, 0);
}

void ReportListView::sortBy(int column) {
  sortOrder_ = column == sortColumn_ && sortOrder_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
  sortColumn_ = column;
  if (firstFileName().empty()) return;
  // The selected report stays selected (and described) where it moves to.
  sortItems(sortColumn_, sortOrder_);
  horizontalHeader()->setSortIndicatorShown(true);
  horizontalHeader()->setSortIndicator(sortColumn_, sortOrder_);
  if (currentRow() >= 0) scrollToItem(item(currentRow(), 0));
}

std::string ReportListView::fileNameAt(int row) const { return fileNameOf(row >= 0 ? item(row, 0) : nullptr); }

std::string ReportListView::selectedFileName() const { return fileNameAt(currentRow()); }

std::string ReportListView::firstFileName() const { return rowCount() > 0 ? fileNameAt(0) : std::string(); }

std::vector<std::string> ReportListView::listedNames() const {
  std::vector<std::string> names;
  for (int row = 0; row < rowCount(); ++row)
    if (const QTableWidgetItem* cell = item(row, 0)) names.push_back(fileNameOf(cell));
  return names;
}

std::vector<std::string> ReportListView::selectedNames() const {
  std::vector<std::string> names;
  for (int row = 0; row < rowCount(); ++row) {
    const QTableWidgetItem* cell = item(row, 0);
    if (cell && selectionModel()->isRowSelected(row, QModelIndex())) names.push_back(fileNameOf(cell));
  }
  return names;
}

bool ReportListView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == this) {
    if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        emit runRequested();
        return true;
      }
    } else if (event->type() == QEvent::KeyRelease) {
      // A held arrow key reads no report on the way: the one it stops on is described.
      if (!static_cast<QKeyEvent*>(event)->isAutoRepeat()) emit selectionSettled();
    }
  } else if (watched == viewport() && event->type() == QEvent::MouseButtonRelease) {
    // The grid moved its selection on the press already.
    emit selectionSettled();
  }
  return QTableWidget::eventFilter(watched, event);
}

}  // namespace zel
