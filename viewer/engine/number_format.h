// Number formatting of report cells: FormatNumber (thousands separators, at
// least d decimals, never fewer than the value has up to seven, 15 significant
// digits, empty for zero), DecimalsFor (a numeric column's minimum decimals),
// PadLeft (the page index key form) and VariantText (nullable value to text).
// The point is "." and the separator "," (the Korean locale's), fixed.
// Pure functions; results are ASCII, so CP949 and UTF-8 alike.
#pragma once

#include <optional>
#include <string>

namespace zel {

struct TFieldDesc;

std::string FormatNumber(double x, int d);

// What DecimalsFor needs besides the column: read once per page range.
struct DecimalRules {
  bool fixedDecimals = false;  // OPTIONSET's first character is not "0"
  int PriceDecimals = 0;
  int CostDecimals = 0;
  int ItemDecimals = 0;
};

// lineType: the record's F_TYPE text, or "M" for a table without F_TYPE.
int DecimalsFor(const TFieldDesc& desc, const DecimalRules& rules, const std::string& lineType);

// Exactly n characters: blanks then the value's text, or its first n characters.
std::string PadLeft(const std::optional<std::string>& value, int n);
std::string PadLeft(long value, int n);

// Null gives ""; otherwise the text without leading/trailing blanks and controls.
std::string VariantText(const std::optional<std::string>& value);

}  // namespace zel
