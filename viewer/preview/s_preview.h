// TFM_Preview: the modal preview window of one report run. The runner hands it
// the page range, the open table, the orientation and its two procedures
// (record a page, print the job); the window records the shown page ONCE per
// page change into its page picture and scales that picture at paint time. It
// also holds the print job fields (range, current page, starting number,
// copies) and opens the find dialog.
//
// The runner owns the table; it must stay open, in page order, while the
// window is shown. The window owns its controls and the page picture.
// User-interface thread only.
#pragma once

#include <QColor>
#include <QDialog>
#include <QPicture>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>
#include <string>

#include "export_options_dialog.h"
#include "preview_handover.h"
#include "value_search.h"
#include "zoom_fit.h"

class QLabel;
class QScrollArea;
class QToolButton;

class QWheelEvent;

namespace zel {

class PicturePageRecorder;
class TNumberEdit;
class ReportTable;
class Tfm_RptValueSearch;
class TFM_Preview;
struct RunServices;

// Unit-wide state of the preview (one instance for the process).
extern int ZoomPercent;  // 50..250 in steps of 10; 100 whenever a window is created
extern int FirstPage;
extern int LastPage;
extern int DragStartX;
extern int DragStartY;

// The paint surface: draws the page picture into the target rect the
// window's paint routine worked out.
class PreviewSurface : public QWidget {
  Q_OBJECT
 public:
  explicit PreviewSurface(TFM_Preview* owner, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  TFM_Preview* owner_;
};

class TFM_Preview : public QDialog, public PreviewWindow {
  Q_OBJECT
 public:
  // The printer (paper size, orientation, the PDF file or printer asked for)
  // and the export's progress dialog come from services, which must outlive the window.
  explicit TFM_Preview(RunServices& services, QWidget* parent = nullptr);
  ~TFM_Preview() override;

  // PreviewWindow, in the order the runner calls them.
  void SetPageInfo(const std::string& firstPage, const std::string& lastPage, ReportTable* table,
                   const std::string& currentPage) override;
  void SetPaperOrientation(int orientation) override { PaperOrientation = orientation; }
  void SetOnDrawPage(DrawPageProc proc) override { OnDrawPage = std::move(proc); }
  void SetOnPrintJob(PrintJobProc proc) override { OnPrintJob = std::move(proc); }
  // Shown in the status bar beside the page number, for as long as the window is open.
  void SetWarning(const std::string& text) override;
  // Shows the window maximised and modal. Throws DataError when the printer
  // cannot tell the paper size (the window then does not open).
  void ShowModal() override;

  // Fields the runner and the find dialog use.
  DrawPageProc OnDrawPage;
  PrintJobProc OnPrintJob;
  int PaperOrientation = 0;  // 0 portrait, 1 landscape
  ReportTable* RptTable = nullptr;
  int FindFieldIndex = 0;
  bool FindFromCurrent = true;
  std::string FindText;  // CP949, as typed into the find dialog
  std::string FindField;  // table field of the last search, for find next (F3)
  int CurPage = 0;
  bool FindFound = false;  // the find dialog's last search hit a line (set by the dialog)

  // Controls.
  QWidget* C_PNL_ToolBar = nullptr;
  QToolButton* C_SBT_Close = nullptr;
  QToolButton* C_SBT_PRN = nullptr;
  QToolButton* C_SBT_FIT = nullptr;
  QToolButton* C_SBT_WIDTH = nullptr;
  QToolButton* C_SBT_ZoomIn = nullptr;
  QToolButton* C_SBT_ZoomOut = nullptr;
  QToolButton* C_SBT_First = nullptr;
  QToolButton* C_SBT_Prior = nullptr;
  QToolButton* C_SBT_Next = nullptr;
  QToolButton* C_SBT_Last = nullptr;
  QToolButton* c_spb_search = nullptr;
  QToolButton* C_SBT_Excel = nullptr;  // the lines saved as an XLSX or CSV file
  QLabel* Label2 = nullptr;
  TNumberEdit* C_EDT_START = nullptr;
  QLabel* Label5 = nullptr;
  TNumberEdit* C_EDT_END = nullptr;
  QLabel* Label16 = nullptr;
  TNumberEdit* c_ned_PageStart = nullptr;
  QLabel* C_Lbl_PageStart = nullptr;
  TNumberEdit* c_Ned_PrintPageNum = nullptr;
  QLabel* Label1 = nullptr;
  TNumberEdit* C_EDT_CopyCount = nullptr;
  QWidget* C_PNL_Bottom = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* C_LBL_Page = nullptr;
  QLabel* C_LBL_TotPage = nullptr;
  QLabel* C_LBL_Warning = nullptr;  // what the user should know about the report shown
  QLabel* C_LBL_Status = nullptr;  // where the last PDF or spreadsheet was written
  QWidget* Panel1 = nullptr;
  QScrollArea* C_Scb_Scroller = nullptr;
  PreviewSurface* C_Pbx_Shower = nullptr;

  // The current page picture and its size in device pixels (80 per inch).
  const QPicture& PagePicture() const;
  QSize PictureSize() const { return pictureSize_; }
  // Where the picture is stretched to on the surface (at 100 %: unscaled at 0, 0).
  QRect TargetRect() const { return target_; }
  // The band over the line the last find hit, in surface coordinates; empty
  // when no hit is on the page shown. Painted over the page, never printed.
  QRect HighlightRect() const;
  // Puts the band on line `line` (1-based) of page `page`, as a find hit would.
  void ShowBandAt(int page, int line) { highlight_ = LineHit{true, page, line}; }
  static const QColor kHighlightColor;
  // F3's notice when the lines after the marked hit hold no further match.
  static const char kNoMoreHitsText[];
  // The zoom at which the page (or its width) fits the scroll area now.
  int FitZoom(FitKind kind) const;
  // How many pages were recorded since the window was shown.
  int RecordCount() const { return records_; }

  // Event handlers.
  void FormCreate();
  void FormShow();
  void C_Pbx_ShowerPaint();
  void C_SBT_ZoomInClick();
  void C_SBT_ZoomOutClick();
  void C_SBT_FITClick();
  void C_SBT_WIDTHClick();
  void C_SBT_FirstClick();
  void C_SBT_PriorClick();
  void C_SBT_NextClick();
  void C_SBT_LastClick();
  void c_ned_PageStartChange();
  // The page field left (Enter or focus): a page outside the report is refused.
  void c_ned_PageStartFinished();
  // The page on the screen, within the report's pages.
  int ShownPage() const;
  void C_EDT_STARTChange();
  void C_EDT_ENDChange();
  void C_SBT_PRNClick();
  void C_SBT_CloseClick();
  void c_spb_searchClick();
  // F3: repeats the last search from the line after the last hit (opens the
  // find dialog when nothing was searched yet).
  void FindNextClick();
  void C_SBT_ExcelClick();
  // The number fields' key-down handler; sets key to 0 to swallow it.
  void KeySet(int& key, Qt::KeyboardModifiers modifiers);
  void C_Scb_ScrollerMouseDown(QPoint position);
  void C_Scb_ScrollerMouseMove(QPoint position, Qt::MouseButtons buttons);

  // Seams for tests and headless use. The modal runner replaces exec() for
  // the preview and for the find dialog; the file asker replaces the save
  // dialog of the built-in PDF printer (an empty answer cancels the job).
  using PreviewRunner = std::function<void(TFM_Preview&)>;
  using FindRunner = std::function<void(Tfm_RptValueSearch&)>;
  // The PDF file asker gets the proposed file: the report's folder and name.
  using PdfFileAsker = std::function<QString(QWidget* parent, const QString& suggested)>;
  // Replaces the export's save dialog: the file name and the chosen filter
  // (kExcelFilter or kCsvFilter); an empty name cancels.
  using ExportFileAsker = std::function<QString(QWidget* parent, const QString& suggested, QString* filter)>;
  static const QString kExcelFilter;
  static const QString kCsvFilter;
  // Replaces the export's question (whole report or print range, code
  // columns): the report's pages, the toolbar's range and the last choice;
  // false cancels.
  using ExportOptionsAsker =
      std::function<bool(QWidget* parent, int first, int last, int from, int to, ExportChoice* choice)>;
  // Replaces the printer chooser (names, the printer in use; empty cancels).
  using PrinterAsker = std::function<QString(QWidget* parent, const QStringList& names, const QString& current)>;
  static void setPreviewRunner(PreviewRunner runner);
  static void setFindRunner(FindRunner runner);
  static void setPdfFileAsker(PdfFileAsker asker);
  static void setExportFileAsker(ExportFileAsker asker);
  static void setExportOptionsAsker(ExportOptionsAsker asker);
  static void setPrinterAsker(PrinterAsker asker);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void createControls();
  void setPageButtons(bool first, bool prior, bool next, bool last);
  void drawPage(int page);
  void layoutSurface();
  void placeSurface(QPoint topLeft, QSize size);
  QPoint surfacePos() const;
  QSize scrollBoxSize() const;
  bool askPdfFile();
  bool askPrinter();
  // Keeps the designed toolbar while it fits; on a narrow window (large
  // scale factors) the groups that would be cut off wrap to further rows.
  void arrangeToolBar();
  void restoreZoom();
  void showHit(const LineHit& hit);
  LineHit highlight_;  // the line the last find hit
  // Beeps and puts the page shown back into the page field.
  void refusePageField();
  // Shows page when the report has it, else beeps.
  void goToPage(int page);
  int shownPage_ = 0;
  QString pdfFile_;  // the PDF file of the print job in progress, if any
  std::optional<FitKind> fit_;  // set while a fit button's zoom follows the window's size
  // Ctrl+wheel zooms; a wheel step past a page's end turns the page. True
  // when the step was used.
  bool wheelOverPage(const QWheelEvent& wheel);

  struct ToolGroup {
    std::vector<std::pair<QWidget*, QRect>> designed;  // controls and their designed geometry
  };
  std::vector<ToolGroup> toolGroups_;

  RunServices& services_;
  std::unique_ptr<PicturePageRecorder> picture_;
  QSize pictureSize_;
  QRect target_;
  QWidget* host_ = nullptr;  // the scroll box's content; the surface sits in it
  int records_ = 0;
  bool shown_ = false;

  friend class PreviewSurface;
};

}  // namespace zel
