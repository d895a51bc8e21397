// The body lines of a report as an exported sheet holds them: walked in page
// order exactly as the page renderer walks them (a seek in the page index
// where a page starts, then line by line while F_PAGE stays), one ExportLine
// per record, with the cells the page shows (the renderer's value rules, see
// cell_value.h). Deleted records are left out by the table layer, as on the
// page. Texts stay CP949 bytes; writers convert. Toolkit-free.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cell_value.h"

namespace zel {

class ReportLines;
struct ExportLayout;
struct TReportLayout;

enum class CellKind { kEmpty, kText, kNumber };

struct ExportCell {
  CellKind kind = CellKind::kEmpty;
  std::string text;  // kText: as shown, without trailing blanks; kNumber: the page's text ("1,234.50")
  double number = 0;  // kNumber: the value as shown
  int decimals = 0;  // kNumber: decimals shown
};

struct ExportLine {
  int page = 0;
  bool bold = false;  // a heading or subtotal line
  bool lastOfPage = false;  // no further line of its page follows
  std::vector<ExportCell> cells;  // one per sheet column; cells[0] is the page
};

class ExportSink {
 public:
  virtual ~ExportSink() = default;
  virtual void line(const ExportLine& line) = 0;
};

// Called after each page of the range; false stops the export there (also
// after the last page: the export counts as cancelled).
using ExportPageDone = std::function<bool(int page)>;

struct ExportOutcome {
  long lines = 0;
  bool cancelled = false;
};

// Lines of pages from..to in page order into sink.
ExportOutcome ExportLines(const TReportLayout& layout, const ExportLayout& sheet, ReportLines& lines, int from, int to,
                          ExportSink& sink, const ExportPageDone& pageDone = {});

// The cell for a shown text: number text (FormatNumber's) or plain text.
ExportCell CellFromText(const std::string& text, bool number);

// Line types shown in bold: headings ("H") and subtotals ("M"), in a table that has F_TYPE.
bool IsBoldLineType(const std::string& lineType);

}  // namespace zel
