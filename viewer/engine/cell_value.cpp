#include "cell_value.h"

#include "report_layout.h"
#include "report_lines.h"
#include "settings_block.h"

namespace zel {
namespace {

const char kSuppliedWord[] = "\xB0\xFC  \xB1\xDE";  // "관  급" (CP949)
const char kSeparateWord[] = "\xBA\xB0  \xBB\xEA";  // "별  산" (CP949)

}  // namespace

LineRules ReadLineRules(const TReportLayout& layout, ReportLines& lines) {
  LineRules r;
  const DecimalSettings dec = ReadDecimalSettings(layout.SettingsText, "A");
  const std::string optionSet = GetKey(layout.SettingsText, "OPTIONSET");
  r.decimals = {optionSet.empty() || optionSet[0] != '0', dec.price, dec.cost, dec.third};
  r.hasTunit = lines.hasField("F_TUNIT");
  r.hasType = lines.hasField("F_TYPE");
  return r;
}

std::string LineTypeOf(ReportLines& lines, const LineRules& rules) {
  return rules.hasType ? VariantText(lines.fieldAsPaddedText("F_TYPE")) : "M";
}

CellValue ReadCellValue(const TFieldDesc& d, ReportLines& lines, const LineRules& rules, const std::string& lineType) {
  CellValue cell;
  const std::string& name = d.FieldName();
  const char type = d.DataType().empty() ? '\0' : d.DataType()[0];
  const char alignLetter = d.Align().empty() ? '\0' : d.Align()[0];
  if (type == 'D') {
    cell.number = true;
    if (name == "F_QQTY") {
      cell.text = FormatNumber(lines.fieldAsFloat("F_QQTY"), 0);
    } else {
      const double value = lines.fieldAsFloat(name);
      const bool blankHundred = lineType == "J" && name.size() >= 5 && name[4] == '0' && value == 100.0;
      if (!blankHundred) cell.text = FormatNumber(value, DecimalsFor(d, rules.decimals, lineType));
    }
  } else if (type == 'S') {
    cell.text = lines.fieldAsPaddedText(name);
    if (alignLetter != 'L') cell.text = VariantText(cell.text);
  }
  if (rules.hasTunit && name == "F_MA") {
    const std::string unit = lines.fieldAsPaddedText("F_TUNIT");
    if (unit == "2") cell = {kSuppliedWord, false};
    if (unit == "3") cell = {kSeparateWord, false};
  }
  return cell;
}

}  // namespace zel
