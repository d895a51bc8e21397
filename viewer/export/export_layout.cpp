#include "export_layout.h"

#include <algorithm>

#include "number_format.h"
#include "report_layout.h"
#include "settings_block.h"

namespace zel {
namespace {

constexpr double kDescriptionShare = 0.6;  // the page gives the description 6/10 of its cell

CellAlign alignOf(const std::string& letter) {
  if (!letter.empty() && letter[0] == 'C') return CellAlign::kCenter;
  if (!letter.empty() && letter[0] == 'R') return CellAlign::kRight;
  return CellAlign::kLeft;  // L, and any other letter, as the page falls back to
}

bool splitsSize(const TReportLayout& layout, int p) {
  return layout.DesWithSize && layout.Column(p).FieldName() == "F_DES";
}

PageFont pageFont(const std::string& value, int defaultSize) {
  const std::vector<std::string> t = SplitTokens(value, 3);
  PageFont f;
  f.face = t[0];
  // The page refuses a size that is not a number; the sheet keeps its own.
  f.size = IsAllDigits(t[1]) && t[1].size() <= 3 && std::stoi(t[1]) > 0 ? std::stoi(t[1]) : defaultSize;
  f.widthPct = IsAllDigits(t[2]) && t[2].size() <= 3 && std::stoi(t[2]) > 0 ? std::stoi(t[2]) : 100;
  return f;
}

// Does the page draw a rule between display positions p and p + 1 through
// the body? Not inside a group, except after a column of a group with its own
// cells (Kind 1), and only with OUTLINE 0 or 1.
bool ruleAfter(const TReportLayout& layout, int p, char style) {
  if (style != '0' && style != '1') return false;
  return !layout.JoinsNext[p] || layout.Column(p).KindValue() == 1;
}

void addTitles(const TReportLayout& layout, ExportLayout& out) {
  const std::string optionSet = GetKey(layout.SettingsText, "OPTIONSET");
  // Slot 3, the page number, is the Page column here.
  for (int slot : {1, 2, 4}) {
    const std::string token = Token(slot + 2, optionSet, "");
    if (token.empty()) continue;
    int code = ToIntStrict(token, "title position");
    if (code > 10) code -= 10;
    if (code < 1 || code > 6) continue;
    TitleLine line;
    line.align = code == 2 || code == 5   ? CellAlign::kCenter
                 : code == 3 || code == 6 ? CellAlign::kRight
                                          : CellAlign::kLeft;
    line.isTitle = slot == 1;
    if (slot == 1) line.text = GetKey(layout.SettingsText, "TITLE");
    if (slot == 2) line.text = GetKey(layout.SettingsText, "DES");
    if (slot == 4) line.text = VariantText(GetKey(layout.SettingsText, "COMNAME"));
    out.titles.push_back(std::move(line));
  }
}

}  // namespace

bool ColumnDrawsValue(const TReportLayout& layout, int p) {
  const int kind = layout.Column(p).KindValue();
  if (kind == 1 || kind == 4 || splitsSize(layout, p)) return true;
  return p - layout.GroupFirst(p) + 1 == kind - 1;
}

ExportLayout MakeExportLayout(const TReportLayout& layout, bool withCodes) {
  ExportLayout out;
  constexpr int kDefaultBodySize = 9, kDefaultTitleSize = 16;
  out.bodyFont = pageFont(GetKey(layout.SettingsText, "FONT"), kDefaultBodySize);
  out.titleFont = pageFont(GetKey(layout.SettingsText, "TITLEFONT"), kDefaultTitleSize);
  const std::string outline = GetKey(layout.SettingsText, "OUTLINE");
  const char style = outline.empty() ? '\0' : outline[0];
  out.rowRules = style == '0';
  out.title = GetKey(layout.SettingsText, "TITLE");
  out.subject = GetKey(layout.SettingsText, "DES");
  out.company = VariantText(GetKey(layout.SettingsText, "COMNAME"));
  // As the renderer lays its rows out (100 lines where the report gives none).
  out.linesPerPage = layout.LinesPerPage > 0 ? layout.LinesPerPage : 100;
  out.rowHeight = std::max(
      (layout.PageHeight - layout.MarginBottom - layout.MarginTop - layout.CaptionHeight) / out.linesPerPage, 1);
  out.landscape = layout.Landscape();
  out.marginTop = layout.MarginTop;
  out.marginBottom = layout.MarginBottom;
  out.marginLeft = layout.MarginLeft;
  out.marginRight = layout.MarginRight;
  out.frameWidth = std::max(0, layout.PageWidth - layout.MarginLeft - layout.MarginRight);
  addTitles(layout, out);

  const int n = layout.VisibleCount();
  ExportColumn pageColumn;
  pageColumn.align = CellAlign::kRight;
  out.columns.push_back(pageColumn);
  if (withCodes) {
    for (const char* field : {kCodeField, kTypeField}) {
      ExportColumn code;
      code.field = field;
      code.drawsValue = true;
      code.align = CellAlign::kLeft;
      out.columns.push_back(code);
    }
    out.codeColumns = 2;
  }
  std::vector<int> first(n + 2, 0), last(n + 2, 0);  // sheet columns of each display position
  for (int p = 1; p <= n; ++p) {
    const TFieldDesc& d = layout.Column(p);
    ExportColumn c;
    c.position = p;
    c.numeric = !d.DataType().empty() && d.DataType()[0] == 'D';
    c.drawsValue = ColumnDrawsValue(layout, p);
    c.align = alignOf(d.Align());
    c.widthShare = d.WidthPctValue() / 100.0;
    c.ruleLeft = p == 1 || ruleAfter(layout, p - 1, style);
    first[p] = static_cast<int>(out.columns.size());
    if (splitsSize(layout, p)) {
      ExportColumn size = c;
      size.sizePart = true;
      size.numeric = false;
      size.ruleLeft = false;
      c.widthShare *= kDescriptionShare;
      size.widthShare -= c.widthShare;
      out.columns.push_back(c);
      out.columns.push_back(size);
    } else {
      out.columns.push_back(c);
    }
    last[p] = static_cast<int>(out.columns.size()) - 1;
  }

  for (int i = 1; i <= n; ++i)
    if (layout.JoinsNext[i] && layout.Column(i).KindValue() == 1) out.headerRows = 2;
  const int bottom = out.headerRows - 1;
  out.header.push_back({0, 0, bottom, 0, kPageCaption});
  for (int c = 1; c <= out.codeColumns; ++c) out.header.push_back({0, c, bottom, c, out.columns[c].field});
  for (int i = 1; i <= n;) {
    const TFieldDesc& d = layout.Column(i);
    if (layout.JoinsNext[i]) {
      const int j = layout.GroupLast(i);
      if (d.KindValue() == 1) {
        out.header.push_back({0, first[i], 0, last[j], VariantText(d.UpperCaption())});
        for (int k = i; k <= j; ++k)
          out.header.push_back({1, first[k], 1, last[k], VariantText(layout.Column(k).LowerCaption())});
      } else {
        out.header.push_back({0, first[i], bottom, last[j], VariantText(d.UpperCaption())});
      }
      i = j + 1;
    } else {
      out.header.push_back(
          {0, first[i], bottom, last[i], VariantText(d.Kind() == "4" ? d.LowerCaption() : d.UpperCaption())});
      ++i;
    }
  }
  std::stable_sort(out.header.begin(), out.header.end(), [](const HeaderCell& a, const HeaderCell& b) {
    return a.row != b.row ? a.row < b.row : a.col < b.col;
  });
  return out;
}

}  // namespace zel
