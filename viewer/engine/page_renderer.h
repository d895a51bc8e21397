// The page renderer: draws the pages of a render job onto a canvas, in page
// units of 0.1 mm. DrawMode::kPreview records one page into the preview's
// picture (y downward, the main window's bar counting its lines);
// DrawMode::kPrinter prints a range on the printer under its metric mapping
// (y upward, a new sheet for every page number of the range and for every
// copy the device cannot make, the progress dialog with cancel).
//
// Everything the renderer reads is in the job; it owns none of it and keeps
// nothing afterwards. What the run keeps of a drawing (the current and
// printed page numbers, the printer margins) comes back as the outcome.
//
// Errors (DataError: a non-numeric size, width, colour or position code, or a
// table error) end the drawing; the end steps (progress closed or status bar
// hidden) still run and the error passes on to the caller.
#pragma once

#include <string>

namespace zel {

class Canvas;
class Printer;
class ProgressDialog;
class ReportLines;
class StatusProgress;
struct TReportLayout;

// The sign of y below the frame's top: every distance d is drawn at
// y0 + DrawMode * d.
enum class DrawMode { kPreview = 1, kPrinter = -1 };

// The printer's unprintable strips by orientation, page units (portrait: top,
// right and bottom strip; landscape: right, left and top strip).
struct PrinterMargins {
  int PrnMargin1 = 0, PrnMargin2 = 0, PrnMargin3 = 0;
};

struct RenderJob {
  TReportLayout* layout = nullptr;  // the run's layout; LinesPerPage may go from 0 to 100, once
  ReportLines* lines = nullptr;  // the report's lines in page order
  int printFrom = 1, printTo = 1;  // the preview: both the page shown
  int startNo = 1;  // the number the first sheet shows (the preview: the page itself)
  int sheetCopies = 1;  // printing: the range is printed this many times
  Printer* printer = nullptr;  // printing: new sheets and their margins
  PrinterMargins margins;  // printing: the first sheet's margins
};

// Where a drawing reports: the print job's dialog, the main window's bar.
struct RenderProgress {
  ProgressDialog& dialog;
  StatusProgress& status;
};

struct RenderOutcome {
  int currentPage = 1;  // the page drawn last
  int printedPageNo = 1;  // the number it showed
  PrinterMargins margins;  // of the last sheet
};

RenderOutcome RenderPages(Canvas& canvas, const RenderJob& job, DrawMode mode, const RenderProgress& progress);

// Device pixels at the given resolution as page units (0.1 mm), rounded.
int PixelsToPageUnits(int pixels, int pixelsPerInch);
// The printer's unprintable strips for the report's orientation, page units;
// all 0 when the printer cannot say.
PrinterMargins ReadPrinterMargins(Printer& printer, bool landscape);

// Spreads a caption over width by equal runs of blanks between its
// characters (a byte above 0x7F starts a two-byte character); c is the
// body font's average character width.
std::string SpreadCaption(const std::string& text, int width, int c);

// Round half to even, as the page geometry requires.
int RoundHalfEven(double v);

// Where body line lineNo (1 = the page's first record) of a previewed page
// lies, in page units: the frame's width and the line's row, as the renderer
// draws them. For the preview's find highlight, which is never printed.
struct PageUnitRect {
  int left = 0, top = 0, right = 0, bottom = 0;
};
PageUnitRect PreviewLineRect(const TReportLayout& layout, int lineNo);

}  // namespace zel
