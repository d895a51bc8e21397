// ReportRun: the state of the one report run at a time (the preview is modal).
// The runner fills the layout and opens the table, keeps the last print job's
// values and what the renderer reported back (current and printed page
// numbers, printer margins). Only the runner builds render jobs from it; the
// renderer never reads it. One instance for the process, used on the
// user-interface thread only.
#pragma once

#include "report_layout.h"

namespace zel {

class ReportLines;
class ReportTable;

struct ReportRun {
  TReportLayout Layout;
  ReportTable* Table = nullptr;  // open while the preview is shown; owned by the runner
  ReportLines* Lines = nullptr;  // the walk over Table used by the renderer

  // The last print job, and the renderer's range.
  int PrintFrom = 1, PrintTo = 1, PrintStartNo = 1, PrintCopies = 1;
  int CurrentPage = 1;  // page being drawn
  int PrintedPageNo = 1;  // number shown in the page slot
  // Unprintable strips in page units, by orientation (ReadPrinterMargins).
  int PrnMargin1 = 0, PrnMargin2 = 0, PrnMargin3 = 0;
};

ReportRun& reportRun();

}  // namespace zel
