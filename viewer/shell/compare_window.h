// The comparison window: two versions of a report side by side, one row per
// line with its kind (동일 / 변경 / 추가 / 삭제), identity and, per numeric
// column, the value before, after and the difference (decreases red,
// increases blue). "변경된 줄만" hides the unchanged lines; 엑셀저장 writes
// the table as XLSX or CSV; a double click (or Enter) opens the preview of
// the new report at that line's page with the band on the line (the old
// report for a removed line, or from a 변경전 column).
//
// The comparison runs in load(), on the user-interface thread, before the
// window shows, with the run's progress dialog (its cancel stops it and the
// window does not open); the window keeps the lines for its table. Refusals are
// message boxes through the run's message service. The save dialog, the opening of a
// report and the choice of the other report are replaceable (CompareHooks).
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "report_compare.h"
#include "run_services.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTableView;

namespace zel {

class CompareTableModel;
struct PreviewContext;

struct CompareHooks {
  // Answers the file and the filter chosen (an empty name cancels).
  std::function<QString(QWidget* parent, const QString& suggested, QString* filter)> askSaveFile;
  // Shows a report at a page with the band on a line (1-based); empty:
  // through the runner and the preview window.
  std::function<void(const std::string& path, int page, int line)> openReport;
  // The report to compare the one selected with (empty answer: cancelled).
  std::function<QString(QWidget* parent, const QStringList& names)> chooseReport;
  PreviewContext* preview = nullptr;  // of the previews opened from the table; nullptr: their own
};

class CompareWindow : public QDialog {
  Q_OBJECT

 public:
  // services: the messages, printer and progress dialog of the runs; they outlive the window.
  CompareWindow(const RunServices& services, const std::string& oldPath, const std::string& newPath,
                QWidget* parent = nullptr, CompareHooks hooks = {});
  ~CompareWindow() override;

  // Compares the two reports; false when one was refused (the message shown).
  bool load();

  // The table row's line (after the filter); null outside.
  const CompareLine* lineAt(int row) const;
  int rowCount() const;
  const CompareShape& shape() const;
  const CompareSummary& summary() const;
  const std::string& oldPath() const { return oldPath_; }
  const std::string& newPath() const { return newPath_; }

  CompareHooks& hooks() { return hooks_; }

  void changedOnlyToggled(bool on);
  void saveClick();
  // Opens the report the row's line is in (before: the old one) at its page.
  void openLine(int row, bool before);

  QLabel* summaryLabel = nullptr;
  QCheckBox* changedOnlyBox = nullptr;
  QTableView* table = nullptr;
  QPushButton* saveButton = nullptr;
  QPushButton* closeButton = nullptr;

  static const QString kExcelFilter;
  static const QString kCsvFilter;
  static constexpr char kCompareCaption[] = "보고서를 비교중입니다.";

 private:
  void createControls();
  void showSummary();

  RunServices services_;
  CompareHooks hooks_;
  std::string oldPath_, newPath_;
  std::unique_ptr<CompareTableModel> model_;
};

// The main window's 비교 command: with two reports selected, compares them;
// with one, asks for the other among the directory's reports. The one written
// earlier is the old one. Shows the window through runModal.
void compareReports(QWidget* parent, const RunServices& services, const std::string& directory,
                    const std::vector<std::string>& selected, const std::vector<std::string>& listed,
                    const std::function<void(QDialog&)>& runModal, const CompareHooks& hooks = {});

}  // namespace zel
