// PreviewToolBar: the preview's designed toolbar row — the buttons (close,
// print, fit, zoom, page steps, find, export) and the number fields (print
// range, page, starting number, copies) with their labels. It keeps the
// designed geometry while the row fits; on a narrow window (large scale
// factors) the groups that would be cut off wrap to further rows. The window
// wires the controls to its actions; the toolbar holds no state of the run.
// PreviewStatusBar: the line below the page — the page shown of the total,
// a warning about the report, and where the last PDF or spreadsheet went.
#pragma once

#include <QWidget>
#include <utility>
#include <vector>

class QLabel;
class QToolButton;

namespace zel {

class MessageService;
class TNumberEdit;

class PreviewToolBar : public QWidget {
  Q_OBJECT
 public:
  // messages: where the number fields' range messages go; outlives the toolbar.
  PreviewToolBar(MessageService& messages, QWidget* parent);
  ~PreviewToolBar() override;

  static constexpr int kRowHeight = 41;  // the designed row

  QToolButton* closeButton = nullptr;
  QToolButton* printButton = nullptr;
  QToolButton* fitPageButton = nullptr;
  QToolButton* fitWidthButton = nullptr;
  QToolButton* zoomInButton = nullptr;
  QToolButton* zoomOutButton = nullptr;
  QToolButton* firstPageButton = nullptr;
  QToolButton* priorPageButton = nullptr;
  QToolButton* nextPageButton = nullptr;
  QToolButton* lastPageButton = nullptr;
  QToolButton* findButton = nullptr;
  QToolButton* exportButton = nullptr;  // the lines saved as an XLSX or CSV file
  QLabel* rangeLabel = nullptr;
  TNumberEdit* rangeFromField = nullptr;
  QLabel* rangeDashLabel = nullptr;
  TNumberEdit* rangeToField = nullptr;
  QLabel* pageLabel = nullptr;
  TNumberEdit* pageField = nullptr;  // the page shown
  QLabel* startNumberLabel = nullptr;
  TNumberEdit* startNumberField = nullptr;  // the number printed on the first page
  QLabel* copiesLabel = nullptr;
  TNumberEdit* copiesField = nullptr;

  // The number fields, in tab order.
  std::vector<TNumberEdit*> fields() const;
  void setPageButtons(bool first, bool prior, bool next, bool last);
  // The report's pages: the range fields take them (widened past four digits
  // for a longer report) and keep their values inside them from then on.
  void setPageRange(int first, int last);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void arrange();
  // A range field's value pulled into the report's pages.
  void pullIntoPages(TNumberEdit& field) const;
  void rangeFromChanged();
  void rangeToChanged();

  struct ToolGroup {
    std::vector<std::pair<QWidget*, QRect>> designed;  // controls and their designed geometry
  };
  std::vector<ToolGroup> groups_;
  int firstPage_ = 0;
  int lastPage_ = 0;
};

class PreviewStatusBar : public QWidget {
  Q_OBJECT
 public:
  explicit PreviewStatusBar(QWidget* parent);

  static constexpr int kHeight = 24;

  QLabel* pageCaptionLabel = nullptr;
  QLabel* pageNumberLabel = nullptr;
  QLabel* pageTotalLabel = nullptr;
  QLabel* warningLabel = nullptr;  // what the user should know about the report shown
  QLabel* savedFileLabel = nullptr;  // where the last PDF or spreadsheet was written
};

}  // namespace zel
