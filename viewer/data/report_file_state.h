// What can keep a report file from being used, in words the user can act on:
// a .dbf shorter than its header promises, a missing memo file, a damaged page
// number (why it would not open at all is the open's DataError: error_text.h); and whether anything may be written
// beside the report (the page index), which read-only media and write-protected files forbid. Texts are UTF-8 (messages
// for the user, not report data).
#pragma once

#include <functional>
#include <string>

#include "report_table.h"

namespace zel {

// The refusal for a .dbf that lacks `missingBytes` bytes of the records its
// header counts: names the file and the shortfall.
std::string DamagedTableText(const std::string& path, long missingBytes);

// The memo file the table's header calls for when no file of that name lies
// beside it (in any case): "<directory>/<base>.fpt" for FoxPro tables,
// ".dbt" for dBASE ones, the extension in the case of the table's own. Empty
// when the table has no memo, its file is there, or the header cannot be read.
std::string MissingMemoFile(const std::string& directory, const std::string& fileName);

// The first damaged page number (F_PAGE), in record order: one that cannot
// be read, or one below 1 (or blank) in a report whose other lines are
// numbered. Such a line sorts outside every page and would be left out of the
// preview, the print and the export without a word. A report none of whose
// lines has a page of 1 or more is a report without page numbers, not
// damage. The walk stops at the damage, and when stop() says so (checked
// every few thousand records).
struct PageNumberCheck {
  long record = 0;  // the damaged record (1-based); 0: none
  std::string value;  // its F_PAGE bytes as stored, trimmed (CP949)
  bool stopped = false;
};
// The table must have the numeric field F_PAGE; its position is left at the end.
PageNumberCheck CheckPageNumbers(ReportTable& table, const std::function<bool()>& stop);

// The refusal for such a line (UTF-8; the value quoted short and safe).
std::string DamagedPageNumberText(const std::string& path, const PageNumberCheck& check);

// True when the report's directory and the report itself can be written to.
bool CanWriteBeside(const std::string& directory, const std::string& fileName);

}  // namespace zel
