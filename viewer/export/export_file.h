// Exports a range of a report's pages into one file, XLSX or CSV as asked.
// The file is written through an OutputFile (a part file beside the target,
// renamed when complete and on the disk); a failure or a cancel removes it
// and leaves the target as it was. Progress goes to the print
// job's progress dialog (the first and last page, and a step at most every
// 100 ms between; its cancel, or Ctrl+C on the command line, stops the
// export at the page boundary where it is seen).
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
};

// The temporary name of target for this process.
std::string ExportPartName(const std::string& target);

// Throws OutputError (an ExportError) when the file cannot be written, and passes on the table
// layer's errors; in both cases nothing is left behind.
ExportOutcome ExportReportFile(const TReportLayout& layout, ReportLines& lines, const ExportRequest& request,
                               ProgressDialog& progress);

// The progress caption (UTF-8).
inline constexpr char kExportCaption[] = "엑셀로 저장중입니다.";

}  // namespace zel
