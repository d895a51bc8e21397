// ReportListView: the main window's list of report files — name, title, size
// and date per row, sortable by a header click (again the other way), two
// rows selectable together for a comparison. Enter and a double click ask
// for the run; a key release (not a held key's repeats) and a mouse release
// say that the selection has settled, so the panel describes the report the
// user stopped on. The rows come from listReportFiles; the view reads no file.
#pragma once

#include <QTableWidget>
#include <string>
#include <vector>

namespace zel {

class MessageService;
struct ReportFileRow;

class ReportListView : public QTableWidget {
  Q_OBJECT
 public:
  // messages: where a failed sort is reported; outlives the view.
  ReportListView(MessageService& messages, QWidget* parent);

  // Replaces the rows; emptyDirectory also clears a list with no rows.
  void showRows(const std::vector<ReportFileRow>& rows, bool emptyDirectory);
  // A header click's order: by column, the other way on a second click.
  void sortBy(int column);

  // The file name of a row as the file system holds it ("" without one); the
  // name column shows a readable text of it.
  std::string fileNameAt(int row) const;
  // The file name of the current row ("" without one).
  std::string selectedFileName() const;
  // The file name of the first row.
  std::string firstFileName() const;
  // Every listed name, and those of the selected rows.
  std::vector<std::string> listedNames() const;
  std::vector<std::string> selectedNames() const;

 signals:
  void runRequested();
  void selectionSettled();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  MessageService& messages_;
  int sortColumn_ = -1;  // none chosen: the directory's order
  Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

}  // namespace zel
