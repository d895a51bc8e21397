// The text a body cell shows, as the page draws it: numbers through
// FormatNumber with the column's decimals (F_QQTY with none, the value 100 left
// out on "J" lines in columns whose field name has "0" as 5th character, zero
// empty), texts untrimmed when left-aligned, and the F_TUNIT words in F_MA.
// The page renderer draws these texts and the export writes them, so both
// always agree. Texts are CP949 bytes.
#pragma once

#include <string>

#include "number_format.h"

namespace zel {

class ReportLines;
struct TFieldDesc;
struct TReportLayout;

// What the cells of every line of a run need besides the line: read once.
struct LineRules {
  DecimalRules decimals;
  bool hasTunit = false;  // the table has F_TUNIT
  bool hasType = false;  // the table has F_TYPE
};

LineRules ReadLineRules(const TReportLayout& layout, ReportLines& lines);

// The current line's type: F_TYPE trimmed, "M" for a table without it.
std::string LineTypeOf(ReportLines& lines, const LineRules& rules);

struct CellValue {
  std::string text;  // as drawn (a right-aligned cell's extra blank is the renderer's)
  bool number = false;  // text is FormatNumber's (possibly empty), not a word or a field's text
};

// The cell of column d on the current line; lineType from LineTypeOf.
CellValue ReadCellValue(const TFieldDesc& d, ReportLines& lines, const LineRules& rules, const std::string& lineType);

}  // namespace zel
