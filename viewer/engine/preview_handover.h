// ReportPreview: what the report runner hands the preview window, and the
// factory through which the windows supply one. The runner creates the window,
// calls SetSession, SetPageInfo, SetPaperOrientation (only for a "P" or "L" report),
// SetOnDrawPage, SetOnPrintJob and SetWarning (only when there is one) in this
// order, then ShowModal, and destroys the window when ShowModal returns.
//
// The table stays open, in page order, and owned by the runner while ShowModal
// runs. Errors (zel::DataError) thrown by the callbacks pass to the caller of
// the callback; the preview decides whether to swallow or show them.
//
// The print button hands its job values (range, starting number, copies) to
// the print procedure.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace zel {

class PageRecorder;
struct PreviewSession;
class TZelTable;

// What the print button asks for: PrintFrom..PrintTo, numbered from
// PrintStartNo, PrintCopies times.
struct PrintJob {
  int PrintFrom = 1, PrintTo = 1, PrintStartNo = 1, PrintCopies = 1;
};

// Records page `page` into the picture (DrawPreviewPage).
using DrawPageProc = std::function<void(PageRecorder& picture, int page, TZelTable* table)>;
// Prints a job (PrintPages).
using PrintJobProc = std::function<void(const PrintJob& job)>;

class ReportPreview {
 public:
  virtual ~ReportPreview() = default;
  // The run shown (layout, table, lines, page range, services); it outlives
  // the window. A window that only draws through its procedures ignores it.
  virtual void SetSession(const PreviewSession& session) { (void)session; }
  virtual void SetPageInfo(const std::string& firstPage, const std::string& lastPage, TZelTable* table,
                           const std::string& currentPage) = 0;
  virtual void SetPaperOrientation(int orientation) = 0;  // 0 portrait, 1 landscape
  virtual void SetOnDrawPage(DrawPageProc proc) = 0;
  virtual void SetOnPrintJob(PrintJobProc proc) = 0;
  // What the user should know about the report while it is shown (lines the
  // header does not count), UTF-8. A window without a status bar ignores it.
  virtual void SetWarning(const std::string& text) { (void)text; }
  virtual void ShowModal() = 0;
};

using PreviewFactory = std::function<std::unique_ptr<ReportPreview>()>;

}  // namespace zel
