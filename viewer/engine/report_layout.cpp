#include "report_layout.h"

#include <algorithm>

#include "cp949.h"
#include "data_error.h"
#include "settings_block.h"

namespace zel {
namespace {

constexpr int kTallCaption = 120;
constexpr int kShortCaption = 80;
constexpr int kMarginUnit = 20;  // one margin unit is 2 mm
constexpr long long kMaxMargin = 1000000;

}  // namespace

int ToIntStrict(const std::string& text, const std::string& what) {
  int value = 0;
  if (!ParseInt(text, value))
    throw DataError(ErrorKind::kBadNumber, "'" + cp949Excerpt(text) + "' is not a valid integer value (" + what + ")");
  return value;
}

int TFieldDesc::SeqValue() const { return ToIntStrict(Seq(), "column sequence"); }
int TFieldDesc::GroupValue() const { return ToIntStrict(Group(), "column group"); }
int TFieldDesc::CaptionRowsValue() const { return ToIntStrict(CaptionRows(), "caption rows"); }
int TFieldDesc::KindValue() const { return ToIntStrict(Kind(), "column kind"); }
int TFieldDesc::WidthPctValue() const { return ToIntStrict(WidthPct(), "column width"); }

int TReportLayout::GroupFirst(int p) const {
  while (p > 1 && JoinsNext[p - 1]) --p;
  return p;
}

int TReportLayout::GroupLast(int p) const {
  while (p < VisibleCount() && JoinsNext[p]) ++p;
  return p;
}

void ParseLayout(TReportLayout& layout) {
  const std::string& block = layout.SettingsText;
  layout.JoinsNext.fill(false);
  layout.DesWithSize = false;
  layout.DisplayOrder.clear();
  layout.Fields.fill(TFieldDesc{});

  const std::string fieldCount = GetKey(block, "FIELDCOUNT");
  const int n = std::clamp(TokenInt(1, fieldCount, 1), 0, kMaxFields);
  const int maxSeq = TokenInt(3, fieldCount, 1);
  layout.FieldCount = static_cast<std::uint8_t>(n);

  bool tall = false;
  std::array<int, kMaxFields + 1> seq{};
  for (int k = 1; k <= n; ++k) {
    TFieldDesc& d = layout.Fields[k];
    d.items = SplitTokens(GetKey(block, "F" + std::to_string(k)), kDescriptorItems);
    if (d.CaptionRowsValue() >= 2 && d.Kind() == "1") tall = true;
    if (d.FieldName() == "F_DES" && d.KindValue() < 10 && d.Kind() == "2") layout.DesWithSize = true;
    seq[k] = d.KindValue() < 10 ? d.SeqValue() : 0;
  }
  layout.CaptionHeight = tall ? kTallCaption : kShortCaption;

  // Sequence 1..maxSeq, key order within one sequence. Sorting the candidates
  // gives the same order without walking every number up to a huge maxSeq.
  std::vector<int> shown;
  for (int k = 1; k <= n; ++k)
    if (seq[k] >= 1 && seq[k] <= maxSeq) shown.push_back(k);
  std::stable_sort(shown.begin(), shown.end(), [&](int a, int b) { return seq[a] < seq[b]; });
  for (int k : shown) layout.DisplayOrder.push_back(static_cast<std::uint8_t>(k));

  int prev = -1;
  for (int p = 1; p <= layout.VisibleCount(); ++p) {
    const TFieldDesc& d = layout.Column(p);
    const int g = d.GroupValue();
    if (p >= 2 && g == prev && d.Kind() != "4") layout.JoinsNext[p - 1] = true;
    prev = g;
    d.WidthPctValue();  // a visible column's width must be a number before anything is drawn
  }

  const std::string line = GetKey(block, "LINE");
  if (Token(2, GetKey(block, "OPTIONSET"), "0") == "0")
    layout.LinesPerPage = TokenInt(1, line, 35) + TokenInt(3, line, 1);
  else
    layout.LinesPerPage = TokenInt(2, line, 32) + TokenInt(3, line, 1);
}

void ApplyPageGeometry(TReportLayout& layout) {
  const std::vector<std::string> space = SplitTokens(GetKey(layout.SettingsText, "PAGESPACE"), 4);
  auto margin = [&](int i) {
    const std::string& token = space[static_cast<std::size_t>(i)];
    if (token.empty()) return 0;
    // Held to what can stand on any page, so page arithmetic stays in range.
    const long long units = static_cast<long long>(ToIntStrict(token, "PAGESPACE")) * kMarginUnit;
    return static_cast<int>(std::clamp<long long>(units, -kMaxMargin, kMaxMargin));
  };
  layout.MarginTop = margin(0);
  layout.MarginBottom = margin(1);
  layout.MarginLeft = margin(2);
  layout.MarginRight = margin(3);
  const bool landscape = layout.Landscape();
  layout.PageWidth = landscape ? 2970 : 2100;
  layout.PageHeight = landscape ? 2100 : 2970;
}

}  // namespace zel
