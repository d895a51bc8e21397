// PreviewSession: the state of one report run while its preview is shown —
// the parsed layout, the open table and the walk over its lines, the page
// range and the services the run talks to. The runner makes one per run on
// its stack, hands it to the preview window and to its own draw and print
// procedures, and ends it when the window has closed; nothing outlives the
// run. The renderer never sees it: the runner builds a RenderJob from it for
// every page or print job. User-interface thread only.
#pragma once

#include "report_layout.h"

namespace zel {

class ReportLines;
struct RunServices;
class TZelTable;

struct PreviewSession {
  TReportLayout layout;
  TZelTable* table = nullptr;  // open while the preview is shown; owned by the runner
  ReportLines* lines = nullptr;  // the walk over table the renderer draws from
  int firstPage = 1, lastPage = 1;  // the report's pages
  const RunServices* services = nullptr;  // printer, progress, messages of the run; outlive the session
};

}  // namespace zel
