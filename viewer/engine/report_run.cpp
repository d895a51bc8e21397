#include "report_run.h"

namespace zel {

ReportRun& reportRun() {
  static ReportRun run;
  return run;
}

}  // namespace zel
