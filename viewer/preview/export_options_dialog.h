// The question the preview's 엑셀저장 asks before the file name: the whole
// report or the print range shown in the toolbar, and whether to add the item
// code and line kind columns. A small modal dialog; its choice is read back
// from choice() after exec() accepts. Made and shown by the preview only.
#pragma once

#include <QDialog>

class QCheckBox;
class QRadioButton;

namespace zel {

struct ExportChoice {
  bool wholeReport = true;  // false: the toolbar's print range
  bool withCodes = false;
};

class ExportOptionsDialog : public QDialog {
 public:
  // first..last: the report's pages; from..to: the toolbar's print range.
  ExportOptionsDialog(QWidget* parent, int first, int last, int from, int to, const ExportChoice& initial);

  ExportChoice choice() const;

  QRadioButton* wholeReport = nullptr;
  QRadioButton* printRange = nullptr;
  QCheckBox* withCodes = nullptr;
};

}  // namespace zel
