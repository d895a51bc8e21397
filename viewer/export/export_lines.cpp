#include "export_lines.h"

#include <charconv>
#include <cstdlib>
#include <system_error>

#include "export_layout.h"
#include "number_format.h"
#include "report_layout.h"
#include "report_lines.h"

namespace zel {
namespace {

void setCell(ExportCell& cell, const std::string& text, bool number) {
  std::size_t end = text.find_last_not_of(' ');
  if (end == std::string::npos) {
    cell.kind = CellKind::kEmpty;
    cell.text.clear();
    return;
  }
  cell.text.assign(text, 0, end + 1);
  if (!number) {
    cell.kind = CellKind::kText;
    return;
  }
  cell.kind = CellKind::kNumber;
  char digits[64];
  std::size_t n = 0;
  int decimals = -1;
  for (char c : cell.text) {
    if (c == ',') continue;
    if (decimals >= 0) ++decimals;
    if (c == '.') decimals = 0;
    if (n + 1 < sizeof digits) digits[n++] = c;
  }
  digits[n] = '\0';
  // from_chars rounds as strtod does and is several times faster; strtod
  // still reads what it alone takes (a sign '+', blanks).
  const std::from_chars_result read = std::from_chars(digits, digits + n, cell.number);
  if (read.ec != std::errc() || read.ptr != digits + n) cell.number = std::strtod(digits, nullptr);
  cell.decimals = decimals < 0 ? 0 : decimals;
}

class LineWalk {
 public:
  LineWalk(const TReportLayout& layout, const ExportLayout& sheet, ReportLines& lines)
      : L_(layout), sheet_(sheet), lines_(lines), rules_(ReadLineRules(layout, lines)) {
    line_.cells.resize(sheet.columns.size());
    // A code column the table lacks stays empty.
    for (const ExportColumn& c : sheet.columns)
      rawFields_.push_back(!c.field.empty() && lines_.hasField(c.field) ? c.field : std::string());
  }

  ExportOutcome run(int from, int to, ExportSink& sink, const ExportPageDone& pageDone) {
    ExportOutcome outcome;
    bool positioned = false;
    int current = 0;
    for (int page = from; page <= to; ++page) {
      // As the renderer: the cursor normally stands on the page's first line
      // already; a seek is needed at the start and after a gap.
      if (!positioned || lines_.eof() || current != page) {
        lines_.softSeek(PadLeft(page, 5));
        current = fieldPage();
        positioned = true;
      }
      while (!lines_.eof() && current == page) {
        fill(page);
        lines_.next();
        current = fieldPage();
        line_.lastOfPage = lines_.eof() || current != page;
        sink.line(line_);
        ++outcome.lines;
      }
      // A stop asked for even after the last page still means no export.
      if (pageDone && !pageDone(page)) {
        outcome.cancelled = true;
        break;
      }
    }
    return outcome;
  }

 private:
  int fieldPage() { return lines_.eof() ? 0 : static_cast<int>(lines_.fieldAsInteger("F_PAGE")); }

  void fill(int page) {
    const std::string lineType = LineTypeOf(lines_, rules_);
    line_.page = page;
    line_.bold = rules_.hasType && IsBoldLineType(lineType);
    ExportCell& pageCell = line_.cells[0];
    pageCell.kind = CellKind::kNumber;
    pageCell.number = page;
    pageCell.decimals = 0;
    pageCell.text = std::to_string(page);
    for (std::size_t c = 1; c < sheet_.columns.size(); ++c) {
      const ExportColumn& col = sheet_.columns[c];
      ExportCell& cell = line_.cells[c];
      if (col.sizePart) continue;  // filled with its description
      if (col.position == 0) {
        setCell(cell, rawFields_[c].empty() ? std::string() : lines_.fieldAsPaddedText(rawFields_[c]), false);
        continue;
      }
      // Every column is read, as the page reads it, drawn or not.
      const CellValue value = ReadCellValue(L_.Column(col.position), lines_, rules_, lineType);
      if (!col.drawsValue) {
        setCell(cell, std::string(), false);
        continue;
      }
      setCell(cell, value.text, value.number);
      if (c + 1 < sheet_.columns.size() && sheet_.columns[c + 1].sizePart) {
        // The page's size is drawn untrimmed, but only when it holds something.
        setCell(line_.cells[c + 1], lines_.fieldAsPaddedText("F_SIZE"), false);
      }
    }
  }

  const TReportLayout& L_;
  const ExportLayout& sheet_;
  ReportLines& lines_;
  LineRules rules_;
  std::vector<std::string> rawFields_;  // by sheet column: the field of a code column
  ExportLine line_;
};

}  // namespace

ExportCell CellFromText(const std::string& text, bool number) {
  ExportCell cell;
  setCell(cell, text, number);
  return cell;
}

bool IsBoldLineType(const std::string& lineType) { return lineType == "H" || lineType == "M"; }

ExportOutcome ExportLines(const TReportLayout& layout, const ExportLayout& sheet, ReportLines& lines, int from, int to,
                          ExportSink& sink, const ExportPageDone& pageDone) {
  return LineWalk(layout, sheet, lines).run(from, to, sink, pageDone);
}

}  // namespace zel
