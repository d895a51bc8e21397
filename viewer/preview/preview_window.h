// PreviewWindow: the modal preview window of one report run. The runner hands
// it the run's session, the page range, the open table, the orientation and
// its two procedures (record a page, print the job). The window wires its
// parts together: the toolbar (PreviewToolBar), the page area (PageView), the
// print and export actions, the find controller and the status line. It
// records the page shown once per page change.
//
// The runner owns the session and the table; they stay open, in page order,
// while the window is shown. The services and the context (shared by every
// preview of the program) must outlive the window, which owns its parts.
// User-interface thread only.
#pragma once

#include <QDialog>
#include <memory>
#include <string>

#include "find_controller.h"
#include "preview_handover.h"
#include "preview_hooks.h"
#include "preview_session.h"
#include "printer.h"
#include "report_layout.h"

namespace zel {

class ExportAction;
class PageView;
class PreviewStatusBar;
class PreviewToolBar;
class PrintAction;
class TNumberEdit;
class TZelTable;
struct RunServices;

class PreviewWindow : public QDialog, public ReportPreview {
  Q_OBJECT
 public:
  // The printer (paper size, orientation, the PDF file or printer asked for)
  // and the export's progress dialog come from services. context: nullptr
  // gives the window one of its own (no zoom kept, no hooks).
  explicit PreviewWindow(RunServices& services, PreviewContext* context = nullptr, QWidget* parent = nullptr);
  ~PreviewWindow() override;

  // ReportPreview, in the order the runner calls them.
  void SetSession(const PreviewSession& session) override { session_ = &session; }
  void SetPageInfo(const std::string& firstPage, const std::string& lastPage, TZelTable* table,
                   const std::string& currentPage) override;
  void SetPaperOrientation(int orientation) override;
  void SetOnDrawPage(DrawPageProc proc) override { drawPage_ = std::move(proc); }
  void SetOnPrintJob(PrintJobProc proc) override { printJob_ = std::move(proc); }
  // Shown in the status bar beside the page number, for as long as the window is open.
  void SetWarning(const std::string& text) override;
  // Shows the window maximised and modal. Throws DataError when the printer
  // cannot tell the paper size (the window then does not open).
  void ShowModal() override;

  PreviewToolBar* toolBar = nullptr;
  PageView* pageView = nullptr;
  PreviewStatusBar* statusBar = nullptr;

  // The page the last page change or find put in the window.
  int currentPage() const { return currentPage_; }
  // The page on the screen, within the report's pages.
  int shownPage() const;
  PaperOrientation orientation() const { return orientation_; }
  // How many pages were recorded since the window was shown.
  int recordCount() const { return records_; }
  FindController& finder() { return find_; }
  // The run shown, if the window was given one.
  const PreviewSession* session() const { return session_; }
  // Puts the band on line `line` (1-based) of page `page`, as a find hit would.
  void showBandAt(int page, int line);

  // The toolbar's commands (buttons and keys).
  void print();
  void exportLines();
  void openFind();
  // F3: repeats the last search from the line after the last hit (opens the
  // find dialog when nothing was searched yet).
  void findNext();
  void firstPage();
  void priorPage();
  void nextPage();
  void lastPage();
  // The number fields' key-down handler; sets key to 0 to swallow it.
  void fieldKeyDown(int& key, Qt::KeyboardModifiers modifiers);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // For a window that opens on a page the page field may hold already (and
  // then never reports as changed).
  void setCurrentPage(int page) {
    currentPage_ = page;
    updateBand();
  }

 private:
  void createParts();
  void connectParts();
  void start();
  void drawPage(int page);
  void pageFieldChanged();
  // The page field left (Enter or focus): a page outside the report is refused.
  void pageFieldLeft();
  // Beeps and puts the page shown back into the page field.
  void refusePageField();
  // Shows page when the report has it, else beeps.
  void goToPage(int page);
  // The wheel's page turn past a page's end; false when there is no such page.
  bool turnPage(int step);
  void showHit();
  void updateBand();
  void updateZoomButtons(int percent);
  const TReportLayout& layout() const { return session_ ? session_->layout : noLayout_; }

  RunServices& services_;
  std::unique_ptr<PreviewContext> ownContext_;  // when the maker gave none
  PreviewContext& context_;
  const PreviewSession* session_ = nullptr;
  TReportLayout noLayout_;  // the layout of a window shown without a run
  TZelTable* table_ = nullptr;
  DrawPageProc drawPage_;
  PrintJobProc printJob_;
  PaperOrientation orientation_ = PaperOrientation::kPortrait;
  int firstPage_ = 0;
  int lastPage_ = 0;
  int currentPage_ = 0;
  int shownPage_ = 0;
  int records_ = 0;
  bool shown_ = false;
  FindController find_;
  std::unique_ptr<PrintAction> printAction_;
  std::unique_ptr<ExportAction> exportAction_;
};

}  // namespace zel
