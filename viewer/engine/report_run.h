// ReportRun: the state of the one report run at a time (the preview is modal).
// The runner fills the layout and opens the table; the preview writes the print
// job values before calling the print procedure; the renderer keeps the current
// and printed page numbers and the printer margins here. One instance for the
// process, used on the user-interface thread only.
#pragma once

#include "report_layout.h"

namespace zel {

class ReportLines;
class TZelTable;

struct ReportRun {
  TReportLayout Layout;
  TZelTable* Table = nullptr;     // open while the preview is shown; owned by the runner
  ReportLines* Lines = nullptr;   // the walk over Table used by the renderer

  // The print job (set by the preview's print button) and the renderer's range.
  int PrintFrom = 1, PrintTo = 1, PrintStartNo = 1, PrintCopies = 1;
  // Copies the renderer prints itself, the range over again for each: the
  // copy count on a device that cannot make copies, else 1.
  int SheetCopies = 1;
  int CurrentPage = 1;    // page being drawn
  int PrintedPageNo = 1;  // number shown in the page slot
  // Unprintable strips in device pixels, by orientation (ReadPrinterMargins).
  int PrnMargin1 = 0, PrnMargin2 = 0, PrnMargin3 = 0;
};

ReportRun& reportRun();

}  // namespace zel
