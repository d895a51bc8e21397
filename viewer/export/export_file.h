// Exports a range of a report's pages into one file, XLSX or CSV as asked.
// The file is written through an OutputFile (a part file beside the target,
// renamed when complete and on the disk); a failure or a cancel removes it
// and leaves the target as it was. Progress goes to the print
// job's progress dialog (the first and last page, and a step at most every
// 100 ms between; its cancel, or Ctrl+C on the command line, stops the
// export at the page boundary where it is seen, and the dialog stays until the
// file is complete, so a cancel while a workbook is assembled is heard too).
#pragma once

#include <string>

#include "export_lines.h"

namespace zel {

class ProgressDialog;
class ReportLines;
struct TReportLayout;

enum class ExportFormat { kXlsx, kCsv };

struct ExportRequest {
  std::string path;  // the target file
  ExportFormat format = ExportFormat::kXlsx;
  int from = 1, to = 1;  // pages
  long rowsPerSheet = 0;  // 0: Excel's limit (tests use fewer)
  int pagesPerSheet = 0;  // 0: the most manual page breaks Excel keeps (tests use fewer)
  bool csvRaw = false;  // CSV texts exactly as shown, without the formula guard
  bool withCodes = false;  // the item code and line kind columns after Page
};

// The temporary name of target for this process.
std::string ExportPartName(const std::string& target);

// Why no file can be written at target (UTF-8, the viewer's wording with the
// reason: a missing folder, a path through a file, no permission, read-only),
// or "" when its folder takes files. Checked before any line is read.
std::string ExportTargetProblem(const std::string& target);

// Do paths a and b name one file: the same file when both exist, the same
// place once links and "." and ".." are resolved otherwise?
bool SameOutputFile(const std::string& a, const std::string& b);

// Throws ExportError when the file cannot be written (first ExportTargetProblem's
// text; OutputError, an ExportError, for a failed write), and passes on the table layer's errors; in both cases nothing
// is left behind. A cancel seen at any step, up to the moment before the rename (the lines, then the writer's finish),
// leaves no file.
ExportOutcome ExportReportFile(const TReportLayout& layout, ReportLines& lines, const ExportRequest& request,
                               ProgressDialog& progress);

// The progress caption (UTF-8).
inline constexpr char kExportCaption[] = "엑셀로 저장중입니다.";

}  // namespace zel
