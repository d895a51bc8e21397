// PrintAction: the preview's print button once the range is checked — asks
// for the printer (when there are several) and for the PDF file (the built-in
// PDF printer), runs the job with the window disabled, and writes a PDF into
// a part file that replaces the chosen file only once every page is in it.
// Failures are reported once the window is usable again. The window, the
// services and the hooks must outlive it. User-interface thread only.
#pragma once

#include <QString>

#include "preview_handover.h"

class QWidget;

namespace zel {

struct PreviewHooks;
struct RunServices;
struct TReportLayout;

class PrintAction {
 public:
  PrintAction(QWidget& window, const RunServices& services, const PreviewHooks& hooks);

  // Prints `job` through `print` for the report of `layout`. Returns the
  // status line for a written PDF file, else an empty text.
  QString run(const PrintJob& job, const TReportLayout& layout, const PrintJobProc& print);

 private:
  bool askPrinter();
  bool askPdfFile(const TReportLayout& layout);

  QWidget& window_;
  const RunServices& services_;
  const PreviewHooks& hooks_;
  QString pdfFile_;  // the PDF file of the job in progress, if any
};

}  // namespace zel
