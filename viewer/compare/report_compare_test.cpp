// The comparison on small bills made by the report writer: one table of
// revisions (each a change between an old and a new bill and what the
// comparison must say about it), then the refusals and the totals.
#include "report_compare.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "engine_settings.h"
#include "message_service.h"
#include "report_writer.h"
#include "sample_reports.h"
#include "temp_dir.h"

namespace zel {
namespace {

namespace rw = reportwriter;

// One line of a test bill. Amounts follow from quantity and price.
struct Item {
  std::string code;
  std::string des;
  std::string size;
  double qty = 0;
  double price = 0;
  int page = 1;
  std::string type = "D";
  std::string tunit;  // "2": supplied by the client, "3": priced separately (words in the price column)
};

rw::Line lineOf(const Item& item) {
  rw::Line l;
  l.emplace_back("F_PAGE", std::to_string(item.page));
  l.emplace_back("F_TYPE", item.type);
  if (!item.tunit.empty()) l.emplace_back("F_TUNIT", item.tunit);
  if (!item.code.empty()) l.emplace_back("F_CODE", item.code);
  l.emplace_back("F_DES", item.des);
  if (item.type == "H" || item.type == "M") {
    if (item.type == "M") l.emplace_back("F_MAK", std::to_string(static_cast<long>(item.qty * item.price)));
    return l;
  }
  l.emplace_back("F_SIZE", item.size);
  l.emplace_back("F_UNIT", "M3");
  l.emplace_back("F_QQTY", std::to_string(item.qty));
  l.emplace_back("F_MA", std::to_string(item.price));
  l.emplace_back("F_MAK", std::to_string(static_cast<long>(item.qty * item.price)));
  return l;
}

// The bill's fields, without F_CODE when asked.
std::vector<rw::FieldDef> fieldsWithoutCode() {
  std::vector<rw::FieldDef> fields = rw::standardFields();
  std::erase_if(fields, [](const rw::FieldDef& f) { return f.name == "F_CODE"; });
  return fields;
}

// The descriptor entry (F<n>) whose field is `field`.
std::pair<std::string, std::string>* descriptorOf(rw::SettingsEntries& e, const std::string& field) {
  for (auto& entry : e)
    if (entry.first.size() > 1 && entry.first[0] == 'F' && std::isdigit(static_cast<unsigned char>(entry.first[1])) &&
        entry.second.find("|" + field + "|") != std::string::npos)
      return &entry;
  return nullptr;
}

// Swaps the display places (sequence and group) of two columns.
void swapColumns(rw::SettingsEntries& e, const std::string& a, const std::string& b) {
  auto* x = descriptorOf(e, a);
  auto* y = descriptorOf(e, b);
  ASSERT_TRUE(x && y);
  auto head = [](const std::string& d) { return d.substr(0, d.find('|', d.find('|') + 1) + 1); };
  const std::string hx = head(x->second), hy = head(y->second);
  x->second = hy + x->second.substr(hx.size());
  y->second = hx + y->second.substr(hy.size());
}

struct Bill {
  std::vector<Item> items;
  std::string rptCode = "RPTB02";
  bool withCode = true;
  bool swapUnitAndQty = false;
  long deleted = 0;  // 1-based record marked deleted, 0 none
};

const std::vector<Item> kBase = {
    {"", "EARTH", "", 0, 0, 1, "H"},           {"A001", "Excavation", "soil", 100, 1000},
    {"A002", "Backfill", "soil", 50, 800},     {"", "Subtotal", "", 1, 140000, 1, "M"},
    {"", "CONCRETE", "", 0, 0, 1, "H"},        {"B001", "Remicon", "25-24-150", 12.5, 68000},
    {"B002", "Formwork", "plywood", 80, 5200}, {"", "Subtotal", "", 1, 1266000, 1, "M"},
};

std::vector<Item> with(std::vector<Item> items, const std::function<void(std::vector<Item>&)>& change) {
  change(items);
  return items;
}

struct Expected {
  std::string identity;  // code, or the description where lines have no code
  LineChange change;
  int oldPage = 0, newPage = 0;
};

struct Revision {
  const char* name;
  Bill before, after;
  std::vector<Expected> lines;  // in the comparison's order, headings and subtotals left out
  long matched, changed, added, removed;
};

class CollectingSink : public CompareSink {
 public:
  CompareShape shape;
  std::vector<CompareLine> lines;
  CompareSummary summary;
  bool finished = false;
  void begin(const CompareShape& s) override { shape = s; }
  void line(const CompareLine& l) override { lines.push_back(l); }
  void finish(const CompareSummary& s) override {
    summary = s;
    finished = true;
  }
  int column(const std::string& field) const {
    for (std::size_t i = 0; i < shape.columns.size(); ++i)
      if (shape.columns[i].field == field) return static_cast<int>(i);
    return -1;
  }
};

class CompareTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env_.SetDeleted(true);
    env_.SetExact(true);
  }

  std::string write(const std::string& name, const Bill& bill) {
    rw::BillOptions options;
    options.rptCode = bill.rptCode;
    rw::ReportSpec spec;
    spec.fileName = name;
    spec.settings = rw::billSettings(options);
    if (bill.swapUnitAndQty) swapColumns(spec.settings, "F_UNIT", "F_QQTY");
    if (!bill.withCode) spec.fields = fieldsWithoutCode();
    for (const Item& item : bill.items) spec.lines.push_back(lineOf(item));
    EXPECT_TRUE(rw::writeReport(dir_.path(), spec));
    const std::string path = dir_.path() + "/" + name;
    if (bill.deleted > 0) {
      std::fstream dbf(path, std::ios::in | std::ios::out | std::ios::binary);
      unsigned char head[12];
      dbf.read(reinterpret_cast<char*>(head), sizeof head);
      const long headerSize = head[8] | (head[9] << 8);
      const long recordSize = head[10] | (head[11] << 8);
      dbf.seekp(headerSize + (bill.deleted - 1) * recordSize);
      dbf.put('*');
    }
    return path;
  }

  CompareStatus compare(const Bill& before, const Bill& after, CollectingSink& sink) {
    return CompareReports(box_, write("P_OLD.dbf", before), write("P_NEW.dbf", after), sink);
  }

  EngineSettings env_;
  TempDir dir_;
  RecordingMessageService box_;
};

std::string identityOf(const CompareLine& l) { return l.code.empty() ? l.texts.at(0) : l.code; }

const std::vector<Revision>& revisions() {
  static const std::vector<Revision> kRevisions = {
      {"NothingChanged",
       {kBase},
       {kBase},
       {{"A001", LineChange::kUnchanged, 1, 1},
        {"A002", LineChange::kUnchanged, 1, 1},
        {"B001", LineChange::kUnchanged, 1, 1},
        {"B002", LineChange::kUnchanged, 1, 1}},
       8,
       0,
       0,
       0},
      {"ChangedQuantity",
       {kBase},
       {with(kBase, [](auto& v) { v[2].qty = 62.5; })},
       {{"A001", LineChange::kUnchanged, 1, 1},
        {"A002", LineChange::kChanged, 1, 1},
        {"B001", LineChange::kUnchanged, 1, 1},
        {"B002", LineChange::kUnchanged, 1, 1}},
       8,
       1,
       0,
       0},
      {"ChangedUnitPrice",
       {kBase},
       {with(kBase, [](auto& v) { v[5].price = 71000; })},
       {{"A001", LineChange::kUnchanged, 1, 1},
        {"A002", LineChange::kUnchanged, 1, 1},
        {"B001", LineChange::kChanged, 1, 1},
        {"B002", LineChange::kUnchanged, 1, 1}},
       8,
       1,
       0,
       0},
      // B002 goes, C001 comes in its place: the new line first, the old one
      // where reading the old report passes it.
      {"AddedAndRemovedItem",
       {kBase},
       {with(kBase,
             [](auto& v) {
               v[6] = Item{"C001", "Rebar", "D13", 2, 780000};
             })},
       {{"A001", LineChange::kUnchanged, 1, 1},
        {"A002", LineChange::kUnchanged, 1, 1},
        {"B001", LineChange::kUnchanged, 1, 1},
        {"C001", LineChange::kAdded, 0, 1},
        {"B002", LineChange::kRemoved, 1, 0}},
       7,
       0,
       1,
       1},
      // A001 moves to the second page, after the concrete section.
      {"MovedItem",
       {kBase},
       {with(kBase,
             [](auto& v) {
               Item moved = v[1];
               moved.page = 2;
               v.erase(v.begin() + 1);
               v.push_back(moved);
             })},
       {{"A002", LineChange::kUnchanged, 1, 1},
        {"B001", LineChange::kUnchanged, 1, 1},
        {"B002", LineChange::kUnchanged, 1, 1},
        {"A001", LineChange::kUnchanged, 1, 2}},
       8,
       0,
       0,
       0},
      // Three lines of one identity against two: the first two pair in page
      // order (the second's quantity changed), the third is removed.
      {"RepeatedIdentities",
       {{{"", "Gravel", "40mm", 10, 100}, {"", "Gravel", "40mm", 20, 100}, {"", "Gravel", "40mm", 30, 100}},
        "RPTB02",
        false},
       {{{"", "Gravel", "40mm", 10, 100}, {"", "Gravel", "40mm", 25, 100}}, "RPTB02", false},
       {{"Gravel", LineChange::kUnchanged, 1, 1},
        {"Gravel", LineChange::kChanged, 1, 1},
        {"Gravel", LineChange::kRemoved, 1, 0}},
       2,
       1,
       0,
       1},
      // Without item codes the description and size name the item: another
      // size is another item.
      {"WithoutItemCodes",
       {{{"", "Tile", "300x300", 10, 100}, {"", "Tile", "600x600", 10, 100}}, "RPTB02", false},
       {{{"", "Tile", "600x600", 12, 100}, {"", "Tile", "300x600", 10, 100}}, "RPTB02", false},
       {{"Tile", LineChange::kRemoved, 1, 0}, {"Tile", LineChange::kChanged, 1, 1}, {"Tile", LineChange::kAdded, 0, 1}},
       1,
       1,
       1,
       1},
      // Codes only count where both tables have the field.
      {"CodeInOneReportOnly",
       {{{"X1", "Tile", "300x300", 10, 100}}},
       {{{"", "Tile", "300x300", 10, 100}}, "RPTB02", false},
       {{"Tile", LineChange::kUnchanged, 1, 1}},
       1,
       0,
       0,
       0},
      {"DifferentColumnOrder",
       {kBase},
       {kBase, "RPTB02", true, true},
       {{"A001", LineChange::kUnchanged, 1, 1},
        {"A002", LineChange::kUnchanged, 1, 1},
        {"B001", LineChange::kUnchanged, 1, 1},
        {"B002", LineChange::kUnchanged, 1, 1}},
       8,
       0,
       0,
       0},
      // Record 3 (A002, the settings are in record 1) deleted in the new
      // report: the line is gone; deleted in both: nothing to say.
      {"DeletedRecordInNew",
       {kBase},
       {kBase, "RPTB02", true, false, 3},
       {{"A001", LineChange::kUnchanged, 1, 1},
        {"A002", LineChange::kRemoved, 1, 0},
        {"B001", LineChange::kUnchanged, 1, 1},
        {"B002", LineChange::kUnchanged, 1, 1}},
       7,
       0,
       0,
       1},
      {"DeletedRecordInBoth",
       {kBase, "RPTB02", true, false, 3},
       {kBase, "RPTB02", true, false, 3},
       {{"A001", LineChange::kUnchanged, 1, 1},
        {"B001", LineChange::kUnchanged, 1, 1},
        {"B002", LineChange::kUnchanged, 1, 1}},
       7,
       0,
       0,
       0},
      // A heading renamed: it and the subtotal under it are new lines; the items keep their codes.
      {"RenamedHeading",
       {kBase},
       {with(kBase, [](auto& v) { v[4].des = "RC WORK"; })},
       {{"A001", LineChange::kUnchanged, 1, 1},
        {"A002", LineChange::kUnchanged, 1, 1},
        {"B001", LineChange::kUnchanged, 1, 1},
        {"B002", LineChange::kUnchanged, 1, 1}},
       6,
       0,
       2,
       2},
      // A word in a price column (관급 -> 별산) is a change the page shows.
      {"WordInPriceColumnChanged",
       {with(kBase, [](auto& v) { v[1].tunit = "2"; })},
       {with(kBase, [](auto& v) { v[1].tunit = "3"; })},
       {{"A001", LineChange::kChanged, 1, 1},
        {"A002", LineChange::kUnchanged, 1, 1},
        {"B001", LineChange::kUnchanged, 1, 1},
        {"B002", LineChange::kUnchanged, 1, 1}},
       8,
       1,
       0,
       0},
      // The same code with another description counts as changed.
      {"RenamedItemSameCode",
       {kBase},
       {with(kBase, [](auto& v) { v[1].des = "Excavation (rock)"; })},
       {{"A001", LineChange::kChanged, 1, 1},
        {"A002", LineChange::kUnchanged, 1, 1},
        {"B001", LineChange::kUnchanged, 1, 1},
        {"B002", LineChange::kUnchanged, 1, 1}},
       8,
       1,
       0,
       0},
  };
  return kRevisions;
}

void PrintTo(const Revision& r, std::ostream* os) { *os << r.name; }

class RevisionTest : public CompareTest, public ::testing::WithParamInterface<Revision> {};

TEST_P(RevisionTest, LinesAndCounts) {
  const Revision& r = GetParam();
  CollectingSink sink;
  ASSERT_EQ(compare(r.before, r.after, sink), CompareStatus::kDone) << (box_.shown.empty() ? "" : box_.shown[0].text);
  ASSERT_TRUE(sink.finished);
  std::vector<Expected> got;
  for (const CompareLine& l : sink.lines)
    if (!l.heading) got.push_back({identityOf(l), l.change, l.oldPage, l.newPage});
  ASSERT_EQ(got.size(), r.lines.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(got[i].identity, r.lines[i].identity);
    EXPECT_EQ(got[i].change, r.lines[i].change);
    EXPECT_EQ(got[i].oldPage, r.lines[i].oldPage);
    EXPECT_EQ(got[i].newPage, r.lines[i].newPage);
  }
  EXPECT_EQ(sink.summary.matched, r.matched);
  EXPECT_EQ(sink.summary.changed, r.changed);
  EXPECT_EQ(sink.summary.added, r.added);
  EXPECT_EQ(sink.summary.removed, r.removed);
  EXPECT_TRUE(box_.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Revisions, RevisionTest, ::testing::ValuesIn(revisions()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CompareTest, ValuesBeforeAfterAndDifferenceAsShown) {
  CollectingSink sink;
  ASSERT_EQ(compare({kBase}, {with(kBase, [](auto& v) { v[2].qty = 62.5; })}, sink), CompareStatus::kDone);
  const int qty = sink.column("F_QQTY"), amount = sink.column("F_MAK"), price = sink.column("F_MA");
  ASSERT_GE(qty, 0);
  ASSERT_GE(amount, 0);
  ASSERT_GE(price, 0);
  EXPECT_TRUE(sink.shape.columns[static_cast<std::size_t>(amount)].amount);
  EXPECT_FALSE(sink.shape.columns[static_cast<std::size_t>(qty)].amount);
  const auto it = std::find_if(sink.lines.begin(), sink.lines.end(), [](const auto& l) { return l.code == "A002"; });
  ASSERT_NE(it, sink.lines.end());
  // 50 x 800 = 40,000 before; 62.5 x 800 = 50,000 after.
  EXPECT_EQ(it->before[qty].value, 50);
  EXPECT_EQ(it->after[qty].value, 62.5);
  EXPECT_EQ(it->after[qty].decimals, 1);
  EXPECT_EQ(it->difference[qty], 12.5);
  EXPECT_EQ(it->difference[amount], 10000);
  EXPECT_EQ(it->difference[price], 0);
  // Totals over the items only: 100,000 + 40,000 + 850,000 + 416,000 before.
  EXPECT_EQ(sink.summary.totalBefore[amount], 1406000);
  EXPECT_EQ(sink.summary.totalAfter[amount], 1416000);
  ASSERT_FALSE(sink.shape.identityCaptions.empty());
  EXPECT_TRUE(sink.shape.byCode);
}

// A price column's word is kept as the word, never read as a number.
TEST_F(CompareTest, WordsInNumberColumnsStayWords) {
  CollectingSink sink;
  ASSERT_EQ(compare({with(kBase, [](auto& v) { v[1].tunit = "2"; })}, {kBase}, sink), CompareStatus::kDone);
  const int price = sink.column("F_MA");
  const auto it = std::find_if(sink.lines.begin(), sink.lines.end(), [](const auto& l) { return l.code == "A001"; });
  ASSERT_NE(it, sink.lines.end());
  EXPECT_FALSE(it->before[price].shown);
  EXPECT_FALSE(it->before[price].word.empty());
  EXPECT_TRUE(it->after[price].shown);
  EXPECT_EQ(it->after[price].value, 1000);
  EXPECT_EQ(it->change, LineChange::kChanged);
}

TEST_F(CompareTest, SubtotalsPairUnderTheirHeadings) {
  CollectingSink sink;
  ASSERT_EQ(compare({kBase}, {with(kBase, [](auto& v) { v[7].price = 1300000; })}, sink), CompareStatus::kDone);
  std::vector<std::pair<std::string, LineChange>> headings;
  for (const CompareLine& l : sink.lines)
    if (l.heading) headings.emplace_back(l.lineType + l.texts.at(0), l.change);
  const std::vector<std::pair<std::string, LineChange>> expected = {
      {"HEARTH", LineChange::kUnchanged},
      {"MSubtotal", LineChange::kUnchanged},
      {"HCONCRETE", LineChange::kUnchanged},
      {"MSubtotal", LineChange::kChanged},
  };
  EXPECT_EQ(headings, expected);
}

TEST_F(CompareTest, ReportsOfDifferentKindsAreRefused) {
  CollectingSink sink;
  EXPECT_EQ(compare({kBase, "RPTB01"}, {kBase}, sink), CompareStatus::kRefused);
  ASSERT_EQ(box_.shown.size(), 1u);
  EXPECT_EQ(box_.shown[0].text, DifferentKindsText("RPTB01", "RPTB02"));
  EXPECT_TRUE(sink.lines.empty());
  EXPECT_FALSE(sink.finished);
}

TEST_F(CompareTest, ABrokenReportIsRefusedAsTheViewerRefusesIt) {
  rw::ReportSpec broken = rw::brokenReport();
  ASSERT_TRUE(rw::writeReport(dir_.path(), broken));
  CollectingSink sink;
  EXPECT_EQ(CompareReports(box_, dir_.path() + "/" + broken.fileName, write("P_NEW.dbf", {kBase}), sink),
            CompareStatus::kRefused);
  ASSERT_EQ(box_.shown.size(), 1u);
  EXPECT_NE(box_.shown[0].text.find("보고서 F_INIT에 초기화정보가 없습니다."), std::string::npos);
  EXPECT_FALSE(sink.finished);
}

TEST_F(CompareTest, AMissingReportIsRefused) {
  CollectingSink sink;
  EXPECT_EQ(CompareReports(box_, dir_.path() + "/P_NONE.dbf", write("P_NEW.dbf", {kBase}), sink),
            CompareStatus::kRefused);
  ASSERT_EQ(box_.shown.size(), 1u);
  EXPECT_NE(box_.shown[0].text.find("이미 삭제되었거나 없는 보고서입니다."), std::string::npos);
}

// Pages out of record order (an edited report) are read in page order all the same.
TEST_F(CompareTest, RecordsOutOfPageOrderAreReadInPageOrder) {
  std::vector<Item> shuffled = {{"A002", "Backfill", "soil", 50, 800, 2}, {"A001", "Excavation", "soil", 100, 1000, 1}};
  CollectingSink sink;
  ASSERT_EQ(compare({shuffled},
                    {{{"A001", "Excavation", "soil", 100, 1000, 1}, {"A002", "Backfill", "soil", 50, 800, 1}}}, sink),
            CompareStatus::kDone);
  ASSERT_EQ(sink.lines.size(), 2u);
  EXPECT_EQ(sink.lines[0].code, "A001");
  EXPECT_EQ(sink.lines[1].code, "A002");
  EXPECT_EQ(sink.lines[1].oldPage, 2);
  EXPECT_EQ(sink.summary.unchanged, 2);
}

TEST_F(CompareTest, LinesKnowTheirRowOnThePage) {
  CollectingSink sink;
  ASSERT_EQ(compare({kBase}, {kBase}, sink), CompareStatus::kDone);
  ASSERT_EQ(sink.lines.size(), kBase.size());
  for (std::size_t i = 0; i < sink.lines.size(); ++i) {
    EXPECT_EQ(sink.lines[i].oldRow, static_cast<int>(i));
    EXPECT_EQ(sink.lines[i].newRow, static_cast<int>(i));
  }
}

TEST_F(CompareTest, ProgressCanStopTheComparison) {
  rw::BillOptions options;
  options.pages = 400;  // enough lines for a few progress steps
  rw::ReportSpec bill = rw::billOfQuantities(options);
  for (const char* name : {"P_BIG1.dbf", "P_BIG2.dbf"}) {
    bill.fileName = name;
    ASSERT_TRUE(rw::writeReport(dir_.path(), bill));
  }
  CollectingSink sink;
  int calls = 0;
  long lastDone = 0, inAll = 0;
  EXPECT_EQ(CompareReports(box_, dir_.path() + "/P_BIG1.dbf", dir_.path() + "/P_BIG2.dbf", sink,
                           [&](long done, long all) {
                             lastDone = done;
                             inAll = all;
                             return ++calls < 2;
                           }),
            CompareStatus::kCancelled);
  EXPECT_EQ(calls, 2);
  EXPECT_FALSE(sink.finished);
  EXPECT_EQ(lastDone, 2 * kCompareProgressEvery);
  // Every record of both reports, read twice.
  EXPECT_EQ(inAll, 4 * rw::billLineCount(options));
}

TEST_F(CompareTest, ProgressReachesAboutAllLines) {
  rw::BillOptions options;
  options.pages = 400;
  rw::ReportSpec bill = rw::billOfQuantities(options);
  for (const char* name : {"P_BIG1.dbf", "P_BIG2.dbf"}) {
    bill.fileName = name;
    ASSERT_TRUE(rw::writeReport(dir_.path(), bill));
  }
  CollectingSink sink;
  long lastDone = 0, inAll = 0;
  EXPECT_EQ(CompareReports(box_, dir_.path() + "/P_BIG1.dbf", dir_.path() + "/P_BIG2.dbf", sink,
                           [&](long done, long all) {
                             lastDone = done;
                             inAll = all;
                             return true;
                           }),
            CompareStatus::kDone);
  EXPECT_LE(lastDone, inAll);
  EXPECT_GT(lastDone, inAll - inAll / 5);  // blank spacer lines are not counted as read
}

}  // namespace
}  // namespace zel
