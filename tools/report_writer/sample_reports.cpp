#include "sample_reports.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "fixed_format.h"
#include "korean_texts.h"

namespace zel::reportwriter {
namespace {

namespace t = text;

struct Item {
  const char* name;
  const char* size;
  const char* unit;
  double qty;
  double material, labor, expense;  // unit prices
  char tunit;  // '2' supplied by the client, '3' priced separately
  char type;  // F_TYPE: 'D' detail, 'J' rate line
  double rate;  // F_PC0
  const char* remark;
};

struct Section {
  const char* heading;
  std::vector<Item> items;
};

const std::vector<Section>& sections() {
  static const std::vector<Section> kSections = {
      {t::kSectionEarth,
       {{t::kExcavation, t::kExcavationSize, "M3", 530, 0, 1200, 2100, '1', 'D', 0, ""},
        {t::kBackfill, t::kBackfillSize, "M3", 320, 0, 2400, 900, '1', 'D', 0, ""},
        {t::kGravel, t::kGravelSize, "M3", 45, 18000, 9800, 0, '1', 'D', 0, ""}}},
      {t::kSectionConcrete,
       {{t::kRemicon, t::kRemiconSize, "M3", 125.5, 68000, 0, 0, '1', 'D', 0, ""},
        {t::kRcPour, t::kRcPourSize, "M3", 125.5, 0, 12500, 1800, '1', 'D', 0, ""},
        {t::kFormwork, t::kFormworkSize, "M2", 842.3, 5200, 18400, 0, '1', 'D', 0, ""},
        {t::kRebarWork, t::kRebarWorkSize, "TON", 12.48, 0, 385000, 0, '1', 'D', 0, ""},
        {t::kRebar, t::kRebarD13, "TON", 6.2, 780000, 0, 0, '1', 'D', 0, t::kCheck},
        {t::kRebar, t::kRebarD16, "TON", 6.28, 765000, 0, 0, '1', 'D', 0, ""}}},
      {t::kSectionMasonry,
       {{t::kBrick, t::kBrickSize, "M2", 160, 21000, 24000, 0, '1', 'D', 0, ""},
        {t::kPlaster, t::kPlasterSize, "M2", 390, 2900, 11200, 0, '1', 'D', 0, ""},
        {t::kWaterproof, t::kWaterproofSize, "M2", 210, 3100, 8700, 0, '1', 'D', 0, ""}}},
      {t::kSectionFinish,
       {{t::kTile, t::kTileSize, "M2", 88, 19500, 16000, 0, '1', 'D', 0, ""},
        {t::kPaint, t::kPaintSize, "M2", 640, 1450, 3900, 0, '1', 'D', 0, ""},
        {t::kWindow, t::kWindowSize, t::kUnitEa, 24, 350000, 45000, 0, '2', 'D', 0, t::kSupplied}}},
      {t::kSectionMisc,
       {{t::kElectric, t::kElectricSize, t::kUnitSet, 1, 12500000, 0, 0, '3', 'D', 0, t::kSeparate},
        {t::kToolLoss, t::kToolLossSize, t::kUnitSet, 1, 0, 0, 520000, '1', 'J', 3, ""},
        {t::kSundry, t::kSundrySize, t::kUnitSet, 1, 310000, 0, 0, '1', 'J', 100, ""}}},
  };
  return kSections;
}

enum class RowKind { kHeading, kItem, kSubtotal, kBlank };
struct Row {
  RowKind kind;
  int section;
  int item;
};

// One cycle of the bill: per section a heading, its items, a subtotal and a blank line.
const std::vector<Row>& cycleRows() {
  static const std::vector<Row> kRows = [] {
    std::vector<Row> rows;
    const auto& secs = sections();
    for (int s = 0; s < static_cast<int>(secs.size()); ++s) {
      rows.push_back({RowKind::kHeading, s, -1});
      for (int i = 0; i < static_cast<int>(secs[static_cast<std::size_t>(s)].items.size()); ++i) {
        rows.push_back({RowKind::kItem, s, i});
      }
      rows.push_back({RowKind::kSubtotal, s, -1});
      rows.push_back({RowKind::kBlank, s, -1});
    }
    return rows;
  }();
  return kRows;
}

std::string num(double v, int decimals) { return formatFixed(v, decimals); }

struct Amounts {
  double qty = 0, material = 0, labor = 0, expense = 0;
  double total() const { return material + labor + expense; }
};

// Quantities grow a little from one cycle (building) to the next, so pages differ.
double scaleOf(long cycle) { return 1.0 + static_cast<double>(cycle % 7) * 0.05; }

Amounts itemAmounts(const Item& item, long cycle) {
  Amounts a;
  a.qty = std::round(item.qty * scaleOf(cycle) * 100.0) / 100.0;
  // Amounts drop the fraction of a won; the nudge keeps 1.15 x 12,500,000 from
  // landing one won short through binary rounding.
  constexpr double kNudge = 1e-6;
  a.material = std::floor(a.qty * item.material + kNudge);
  a.labor = std::floor(a.qty * item.labor + kNudge);
  a.expense = std::floor(a.qty * item.expense + kNudge);
  return a;
}

Amounts sectionAmounts(int section, long cycle) {
  Amounts sum;
  for (const auto& item : sections()[static_cast<std::size_t>(section)].items) {
    Amounts a = itemAmounts(item, cycle);
    sum.material += a.material;
    sum.labor += a.labor;
    sum.expense += a.expense;
  }
  return sum;
}

std::string code(int section, int item, long cycle) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "A%02ld%02d%03d", cycle % 100, section + 1, item + 1);
  return buf;
}

// Column descriptor: Seq|Group|CaptionRows|Kind|WidthPct|-|DataType|FieldName|
// FindTitle|LowerCaption|UpperCaption|-|DecClass|Align| and four unused items.
std::string descriptor(int seq, int group, int rows, int kind, int width, const char* type, const char* field,
                       const std::string& find, const std::string& lower, const std::string& upper,
                       const char* decClass, const char* align) {
  return std::to_string(seq) + "|" + std::to_string(group) + "|" + std::to_string(rows) + "|" + std::to_string(kind) +
         "|" + std::to_string(width) + "|0|" + type + "|" + field + "|" + find + "|" + lower + "|" + upper + "|0|" +
         decClass + "|" + align + "|0|0|0|0|";
}

// The bill's columns: description with its size (Kind 2 alone), unit and
// quantity (Kind 4), four price groups of unit price and amount (Kind 1, tall
// captions), a rate column, a remark pair (Kind 2 and 5), a spacer (Kind 0)
// and a hidden sequence column (Kind 11). Landscape adds a code column.
std::vector<std::string> billDescriptors(char orientation) {
  const bool landscape = orientation == 'L';
  std::vector<std::string> d;
  int seq = 0;
  int group = 0;
  if (landscape) d.push_back(descriptor(++seq, ++group, 1, 4, 5, "S", "F_CODE", t::kCode, t::kCode, t::kCode, "", "C"));
  d.push_back(
      descriptor(++seq, ++group, 1, 2, landscape ? 24 : 23, "S", "F_DES", t::kName, t::kName, t::kNameFull, "", "L"));
  d.push_back(descriptor(++seq, ++group, 1, 4, 4, "S", "F_UNIT", t::kUnit, t::kUnit, t::kUnit, "", "C"));
  d.push_back(descriptor(++seq, ++group, 1, 4, landscape ? 7 : 6, "D", "F_QQTY", t::kQty, t::kQty, t::kQty, "", "R"));
  struct Pair {
    const char* caption;
    const char* price;
    const char* amount;
  };
  const Pair pairs[] = {{t::kMaterial, "F_MA", "F_MAK"},
                        {t::kLabor, "F_NO", "F_NOK"},
                        {t::kExpense, "F_GY", "F_GYK"},
                        {t::kTotal, "F_HA", "F_HAK"}};
  const int priceWidth[] = {landscape ? 6 : 7, landscape ? 6 : 7, landscape ? 5 : 6, landscape ? 6 : 7};
  const int amountWidth[] = {landscape ? 7 : 8, landscape ? 7 : 8, landscape ? 6 : 7, landscape ? 7 : 8};
  for (int i = 0; i < 4; ++i) {
    ++group;
    d.push_back(descriptor(++seq, group, 2, 1, priceWidth[i], "D", pairs[i].price, pairs[i].caption, t::kUnitPrice,
                           pairs[i].caption, "D", "R"));
    d.push_back(descriptor(++seq, group, 2, 1, amountWidth[i], "D", pairs[i].amount, pairs[i].caption, t::kAmount,
                           pairs[i].caption, "G", "R"));
  }
  d.push_back(descriptor(++seq, ++group, 1, 4, 3, "D", "F_PC0", t::kRate, t::kRate, t::kRate, "", "R"));
  ++group;
  d.push_back(
      descriptor(++seq, group, 1, 2, landscape ? 5 : 4, "S", "F_BIGO", t::kRemark, t::kRemark, t::kRemark, "", "L"));
  d.push_back(descriptor(++seq, group, 1, 5, 1, "S", "F_REM", t::kRemark, t::kRemark, t::kRemark, "", "L"));
  d.push_back(descriptor(++seq, ++group, 1, 0, 1, "S", "F_CODE", "", "", "", "", "C"));
  d.push_back(descriptor(0, ++group, 1, 11, 0, "D", "F_SEQ", t::kSeqNo, t::kSeqNo, t::kSeqNo, "", "R"));
  return d;
}

SettingsEntries commonSettings(const std::string& rptCode, const std::string& title, char orientation,
                               const std::string& pageSpace, const std::string& outline, const std::string& ncut,
                               const std::vector<std::string>& descriptors, int maxSeq) {
  const std::string gulim = t::kGulim;
  SettingsEntries e;
  e.emplace_back("RPTCODE", rptCode);
  e.emplace_back("OPTIONSET", std::string("1|") + (orientation == 'L' ? "1" : "0") + "|2|1|6|4|");
  e.emplace_back("TITLE", title);
  e.emplace_back("TITLEFONT", gulim + "|16|100|0|129|");
  e.emplace_back("FONT", gulim + (orientation == 'L' ? "|10|90|0|129|" : "|9|90|0|129|"));
  e.emplace_back("DES", t::kDesProject);
  e.emplace_back("COMNAME", t::kComName);
  e.emplace_back("OUTLINE", outline);
  e.emplace_back("LINE", std::to_string(kPortraitLines) + "|" + std::to_string(kLandscapeLines) + "|1|");
  e.emplace_back("FIELDCOUNT", std::to_string(descriptors.size()) + "|0|" + std::to_string(maxSeq) + "|");
  for (std::size_t i = 0; i < descriptors.size(); ++i) e.emplace_back("F" + std::to_string(i + 1), descriptors[i]);
  e.emplace_back("SYNC", "S");
  e.emplace_back("DOTLINE", "1|");
  e.emplace_back("PAGESPACE", pageSpace);
  e.emplace_back("SORT", "0|1|C|D|N|");
  e.emplace_back("PRINTSCOPE", std::string("0|A0101|A9999|") + t::kGa + "|" + t::kHa + "|");
  e.emplace_back("OPT1", "0|1|NC|P|");
  e.emplace_back("OPT2", "0|2|CD|ND|");
  e.emplace_back("OPT3", "0|1|HP|PP|");
  e.emplace_back("OPT4", "0|1|SL|DL|NL|");
  e.emplace_back("BIGO", "0|1|B|C|G|");
  e.emplace_back("NCUT", ncut);
  // Portrait price columns are narrow: whole won there.
  e.emplace_back("PRCDEC", orientation == 'L' ? "2" : "0");
  e.emplace_back("CSTDEC", "0");
  e.emplace_back("MOKDEC", "0");
  return e;
}

std::string defaultBillName(char orientation) { return std::string(1, orientation) + "_RPTB02_SAMPLE.dbf"; }

}  // namespace

int linesPerPage(char orientation) { return orientation == 'L' ? kLandscapeLines : kPortraitLines; }

SettingsEntries billSettings(const BillOptions& o) {
  const auto d = billDescriptors(o.orientation);
  int maxSeq = 0;
  for (const auto& x : d) maxSeq = std::max(maxSeq, std::atoi(x.c_str()));
  return commonSettings(o.rptCode, t::kTitleBill, o.orientation, o.pageSpace, o.outline, o.ncut, d, maxSeq);
}

void billLine(long index, char orientation, Line& line) {
  const auto& rows = cycleRows();
  const long n = static_cast<long>(rows.size());
  const long cycle = index / n;
  const Row& row = rows[static_cast<std::size_t>(index % n)];
  line.emplace_back("F_PAGE", std::to_string(index / linesPerPage(orientation) + 1));
  line.emplace_back("F_SEQ", std::to_string(index + 1));
  const Section& sec = sections()[static_cast<std::size_t>(row.section)];
  switch (row.kind) {
    case RowKind::kHeading:
      line.emplace_back("F_TYPE", "H");
      line.emplace_back("F_CODE", code(row.section, -1, cycle));
      line.emplace_back("F_DES", std::string(sec.heading) + " (" + std::to_string(cycle + 1) + t::kBuilding + ")");
      break;
    case RowKind::kItem: {
      const Item& item = sec.items[static_cast<std::size_t>(row.item)];
      const Amounts a = itemAmounts(item, cycle);
      line.emplace_back("F_TYPE", std::string(1, item.type));
      line.emplace_back("F_TUNIT", std::string(1, item.tunit));
      line.emplace_back("F_CODE", code(row.section, row.item, cycle));
      line.emplace_back("F_DES", item.name);
      line.emplace_back("F_SIZE", item.size);
      line.emplace_back("F_UNIT", item.unit);
      line.emplace_back("F_QQTY", num(a.qty, 2));
      line.emplace_back("F_MA", num(item.material, 2));
      line.emplace_back("F_MAK", num(a.material, 0));
      line.emplace_back("F_NO", num(item.labor, 2));
      line.emplace_back("F_NOK", num(a.labor, 0));
      line.emplace_back("F_GY", num(item.expense, 2));
      line.emplace_back("F_GYK", num(a.expense, 0));
      line.emplace_back("F_HA", num(item.material + item.labor + item.expense, 2));
      line.emplace_back("F_HAK", num(a.total(), 0));
      if (item.rate != 0) line.emplace_back("F_PC0", num(item.rate, 2));
      line.emplace_back("F_BIGO", item.remark);
      line.emplace_back("F_REM", code(row.section, row.item, cycle));
      break;
    }
    case RowKind::kSubtotal: {
      const Amounts a = sectionAmounts(row.section, cycle);
      line.emplace_back("F_TYPE", "M");
      line.emplace_back("F_DES", t::kSubtotal);
      line.emplace_back("F_MAK", num(a.material, 0));
      line.emplace_back("F_NOK", num(a.labor, 0));
      line.emplace_back("F_GYK", num(a.expense, 0));
      line.emplace_back("F_HAK", num(a.total(), 0));
      line.emplace_back("F_PC0", "100");
      break;
    }
    case RowKind::kBlank: line.emplace_back("F_TYPE", " "); break;
  }
}

long billLineCount(const BillOptions& o) {
  const long per = linesPerPage(o.orientation);
  const long pages = std::max(1, o.pages);
  return (pages - 1) * per + std::max(1L, per - 10);
}

ReportSpec billOfQuantities(const BillOptions& o) {
  ReportSpec spec;
  spec.fileName = o.fileName.empty() ? defaultBillName(o.orientation) : o.fileName;
  spec.settings = billSettings(o);
  const long count = billLineCount(o);
  spec.lines.resize(static_cast<std::size_t>(count));
  for (long i = 0; i < count; ++i) billLine(i, o.orientation, spec.lines[static_cast<std::size_t>(i)]);
  return spec;
}

ReportSpec summaryReport() {
  std::vector<std::string> d = {
      descriptor(1, 1, 1, 4, 30, "S", "F_DES", t::kWorkType, t::kWorkType, t::kWorkType, "", "L"),
      descriptor(2, 2, 1, 4, 15, "D", "F_MAK", t::kMaterial, t::kMaterial, t::kMaterial, "G", "R"),
      descriptor(3, 3, 1, 4, 15, "D", "F_NOK", t::kLabor, t::kLabor, t::kLabor, "G", "R"),
      descriptor(4, 4, 1, 4, 12, "D", "F_GYK", t::kExpense, t::kExpense, t::kExpense, "G", "R"),
      descriptor(5, 5, 1, 4, 16, "D", "F_HAK", t::kTotal, t::kTotal, t::kTotal, "G", "R"),
      descriptor(6, 6, 1, 4, 12, "S", "F_BIGO", t::kRemark, t::kRemark, t::kRemark, "", "L"),
  };
  ReportSpec spec;
  spec.fileName = "P_RPTB01_SUMMARY.dbf";
  spec.settings = commonSettings("RPTB01", t::kTitleSummary, 'P', "10|10|10|10|", "0", "N", d, 6);
  Amounts grand;
  long seq = 0;
  for (int s = 0; s < static_cast<int>(sections().size()); ++s) {
    const Amounts a = sectionAmounts(s, 0);
    grand.material += a.material;
    grand.labor += a.labor;
    grand.expense += a.expense;
    spec.lines.push_back({{"F_PAGE", "1"},
                          {"F_SEQ", std::to_string(++seq)},
                          {"F_TYPE", "D"},
                          {"F_DES", sections()[static_cast<std::size_t>(s)].heading},
                          {"F_MAK", num(a.material, 0)},
                          {"F_NOK", num(a.labor, 0)},
                          {"F_GYK", num(a.expense, 0)},
                          {"F_HAK", num(a.total(), 0)}});
  }
  spec.lines.push_back({{"F_PAGE", "1"},
                        {"F_SEQ", std::to_string(++seq)},
                        {"F_TYPE", "M"},
                        {"F_DES", t::kGrandTotal},
                        {"F_MAK", num(grand.material, 0)},
                        {"F_NOK", num(grand.labor, 0)},
                        {"F_GYK", num(grand.expense, 0)},
                        {"F_HAK", num(grand.total(), 0)}});
  return spec;
}

ReportSpec brokenReport() {
  BillOptions o;
  o.pages = 1;
  ReportSpec spec = billOfQuantities(o);
  spec.fileName = "P_RPTB02_BROKEN.dbf";
  spec.settings.clear();
  spec.rawSettings = std::string();
  return spec;
}

ReportSpec largeReport(long lines, char orientation) {
  BillOptions o;
  o.orientation = orientation;
  ReportSpec spec;
  spec.fileName = std::string(1, orientation) + "_RPTB02_LARGE.dbf";
  spec.settings = billSettings(o);
  spec.generatedLines = lines;
  spec.generate = [orientation](long index, Line& line) { billLine(index, orientation, line); };
  return spec;
}

Status writeSampleSet(const std::string& dir) {
  BillOptions portrait;
  portrait.pages = 4;
  BillOptions landscape;
  landscape.orientation = 'L';
  landscape.pages = 3;
  BillOptions margin;
  margin.fileName = "P_RPTB02_MARGIN.dbf";
  margin.pages = 2;
  margin.pageSpace = "10|10|15|10|";
  margin.outline = "1";
  for (const ReportSpec& spec : {billOfQuantities(portrait), billOfQuantities(landscape), summaryReport(),
                                 billOfQuantities(margin), brokenReport()}) {
    if (Status s = writeReport(dir, spec); !s) return s;
  }
  return Status::ok();
}

}  // namespace zel::reportwriter
