// zelrpt-cli compare run as a user runs it, on a bill and its revision made
// by the project's writer, its XLSX read back through python3-openpyxl
// (values, number formats, merged group captions, colours, totals, page
// setup) and its CSV through Python's csv module; then the refusals and the
// output safety (nothing written over a report, nothing half written).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include "cli_process.h"
#include "sample_reports.h"

namespace zel {
namespace {

namespace rw = reportwriter;
using e2e::cli;
using e2e::splitFields;

constexpr char kPython[] = "/usr/bin/python3";

// Every non-empty cell: "C", coordinate, row, column, type, value, number
// format, font colour (RGB or "-"), "B" when bold. Then the sheet's setup and
// merged ranges.
constexpr char kXlsxScript[] = R"PY(
import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
ws = wb.worksheets[0]
print('S', ws.freeze_panes, ws.page_setup.orientation, ws.page_setup.paperSize, ws.sheet_properties.pageSetUpPr.fitToPage,
      ws.print_title_rows, sep='\t')
print('M', *sorted(str(r) for r in ws.merged_cells.ranges), sep='\t')
for row in ws.iter_rows():
    for c in row:
        if c.value is None: continue
        color = c.font.color.rgb if c.font.color is not None and c.font.color.type == 'rgb' else '-'
        print('C', c.coordinate, c.row, c.column, c.data_type, c.value, c.number_format, color,
              'B' if c.font.b else '-', sep='\t')
)PY";

constexpr char kCsvScript[] = R"PY(
import sys, csv
raw = open(sys.argv[1], 'rb').read()
print('BOM' if raw.startswith(b'\xef\xbb\xbf') else 'NOBOM', sep='\t')
with open(sys.argv[1], newline='', encoding='utf-8-sig') as f:
    for row in csv.reader(f):
        print('C', *row, sep='\t')
)PY";

std::string fieldOf(const rw::Line& line, const std::string& name) {
  for (const auto& [k, v] : line)
    if (k == name) return v;
  return std::string();
}

void setField(rw::Line& line, const std::string& name, const std::string& value) {
  for (auto& [k, v] : line)
    if (k == name) {
      v = value;
      return;
    }
  line.emplace_back(name, value);
}

bool isHeading(const rw::Line& l) { return fieldOf(l, "F_TYPE") == "H" || fieldOf(l, "F_TYPE") == "M"; }

double materialTotal(const std::vector<rw::Line>& lines) {
  double sum = 0;
  for (const rw::Line& l : lines)
    if (!isHeading(l) && !fieldOf(l, "F_MAK").empty()) sum += std::stod(fieldOf(l, "F_MAK"));
  return sum;
}

struct Cell {
  int row = 0, column = 0;
  std::string type, value, format, color;
  bool bold = false;
};

struct Workbook {
  std::vector<std::string> setup;
  std::vector<std::string> merges;
  std::map<std::pair<int, int>, Cell> cells;
  const Cell* at(int row, int column) const {
    const auto it = cells.find({row, column});
    return it == cells.end() ? nullptr : &it->second;
  }
  // The row whose code column (B) holds code, 0 when none.
  int rowOf(const std::string& code) const {
    for (const auto& [key, c] : cells)
      if (key.second == 2 && c.value == code) return key.first;
    return 0;
  }
  // The column of the caption text in row 2, 0 when none.
  int captionColumn(const std::string& text) const {
    for (const auto& [key, c] : cells)
      if (key.first == 2 && c.value == text) return key.second;
    return 0;
  }
};

class CompareInterop : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(QFile::exists(e2e::cliPath()));
    if (!QFile::exists(kPython)) GTEST_SKIP() << "no " << kPython;
    if (e2e::runProgram(kPython, {"-c", "import openpyxl"}).exitCode != 0) GTEST_SKIP() << "no python3-openpyxl";
    ASSERT_TRUE(dir_.isValid());
    dirPath_ = dir_.path().toStdString();
    std::ofstream(dirPath_ + "/read_xlsx.py") << kXlsxScript;
    std::ofstream(dirPath_ + "/read_csv.py") << kCsvScript;

    // The revision: one item's material amount up, another's down, one item
    // removed, one added.
    rw::BillOptions options;
    options.pages = 3;
    old_ = rw::billOfQuantities(options);
    old_.fileName = "P_RPTB02_OLD.dbf";
    new_ = old_;
    new_.fileName = "P_RPTB02_NEW.dbf";
    std::vector<std::size_t> items;
    for (std::size_t i = 0; i < new_.lines.size(); ++i)
      if (fieldOf(new_.lines[i], "F_TYPE") == "D" && !fieldOf(new_.lines[i], "F_MAK").empty() &&
          std::stod(fieldOf(new_.lines[i], "F_MAK")) > 1000)
        items.push_back(i);
    ASSERT_GE(items.size(), 3u);
    rw::Line& up = new_.lines[items[0]];
    upCode_ = fieldOf(up, "F_CODE");
    upBefore_ = std::stod(fieldOf(up, "F_MAK"));
    setField(up, "F_MAK", std::to_string(static_cast<long>(upBefore_) + 1000));
    rw::Line& down = new_.lines[items[1]];
    downCode_ = fieldOf(down, "F_CODE");
    setField(down, "F_MAK", std::to_string(static_cast<long>(std::stod(fieldOf(down, "F_MAK"))) - 500));
    removedCode_ = fieldOf(new_.lines[items[2]], "F_CODE");
    rw::Line added = new_.lines[items[2]];
    new_.lines.erase(new_.lines.begin() + static_cast<long>(items[2]));
    setField(added, "F_CODE", "Z999");
    setField(added, "F_PAGE", "3");
    new_.lines.push_back(added);
    ASSERT_TRUE(rw::writeReport(dirPath_, old_));
    ASSERT_TRUE(rw::writeReport(dirPath_, new_));
  }

  QString path(const std::string& name) const { return QString::fromStdString(dirPath_ + "/" + name); }

  Workbook readXlsx(const QString& file) {
    const e2e::CliRun r = e2e::runProgram(kPython, {path("read_xlsx.py"), file});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    Workbook wb;
    std::istringstream in(r.out.toStdString());
    std::string line;
    while (std::getline(in, line)) {
      std::vector<std::string> f = splitFields(line);
      if (f.empty()) continue;
      if (f[0] == "S") wb.setup = f;
      if (f[0] == "M") wb.merges.assign(f.begin() + 1, f.end());
      if (f[0] == "C" && f.size() >= 9) {
        Cell c{std::stoi(f[2]), std::stoi(f[3]), f[4], f[5], f[6], f[7], f[8] == "B"};
        wb.cells[{c.row, c.column}] = c;
      }
    }
    return wb;
  }

  QTemporaryDir dir_;
  std::string dirPath_;
  rw::ReportSpec old_, new_;
  std::string upCode_, downCode_, removedCode_;
  double upBefore_ = 0;
};

TEST_F(CompareInterop, SummaryOnStandardOutput) {
  const e2e::CliRun r = cli({"compare", path("P_RPTB02_OLD.dbf"), path("P_RPTB02_NEW.dbf")});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_GE(lines.size(), 5);
  EXPECT_EQ(lines[1], "changed\t2");
  EXPECT_EQ(lines[2], "added\t1");
  EXPECT_EQ(lines[3], "removed\t1");
  // The material amounts: +1,000 and -500 on two items, one item gone, the same one back under another code.
  const double before = materialTotal(old_.lines), after = materialTotal(new_.lines);
  EXPECT_EQ(after - before, 500.0);
  bool seen = false;
  for (const QString& l : lines) {
    const QStringList f = l.split('\t');
    if (f.size() == 5 && f[0] == "total" && f[1] == QStringLiteral("재료비 금액")) {
      seen = true;
      EXPECT_EQ(f[2].toDouble(), before);
      EXPECT_EQ(f[3].toDouble(), after);
      EXPECT_EQ(f[4], "500");
    }
  }
  EXPECT_TRUE(seen) << r.out.toStdString();
}

TEST_F(CompareInterop, XlsxReadBackByOpenpyxl) {
  const QString out = path("c.xlsx");
  const e2e::CliRun r = cli({"compare", path("P_RPTB02_OLD.dbf"), path("P_RPTB02_NEW.dbf"), "--xlsx", out});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  const Workbook wb = readXlsx(out);

  // Page setup: frozen below the captions and right of the identity columns, A4 landscape, one page wide.
  ASSERT_GE(wb.setup.size(), 6u);
  EXPECT_EQ(wb.setup[1], "E4");
  EXPECT_EQ(wb.setup[2], "landscape");
  EXPECT_EQ(wb.setup[3], "9");
  EXPECT_EQ(wb.setup[4], "True");
  EXPECT_EQ(wb.setup[5], "$2:$3");

  // Captions: kind, code, description and size, then each numeric column's
  // group merged over its 변경전 / 변경후 / 증감.
  ASSERT_NE(wb.at(2, 1), nullptr);
  EXPECT_EQ(wb.at(2, 1)->value, "구분");
  EXPECT_EQ(wb.at(2, 2)->value, "코드");
  const int material = wb.captionColumn("재료비 금액");
  ASSERT_GT(material, 0);
  const std::string first(1, static_cast<char>('A' + material - 1)), last(1, static_cast<char>('A' + material + 1));
  EXPECT_NE(std::find(wb.merges.begin(), wb.merges.end(), first + "2:" + last + "2"), wb.merges.end());
  EXPECT_NE(std::find(wb.merges.begin(), wb.merges.end(), "A2:A3"), wb.merges.end());
  EXPECT_EQ(wb.at(3, material)->value, "변경전");
  EXPECT_EQ(wb.at(3, material + 1)->value, "변경후");
  EXPECT_EQ(wb.at(3, material + 2)->value, "증감");

  // The increase: blue, the values as numbers with the page's format.
  const int up = wb.rowOf(upCode_);
  ASSERT_GT(up, 3);
  EXPECT_EQ(wb.at(up, 1)->value, "변경");
  EXPECT_EQ(std::stod(wb.at(up, material)->value), upBefore_);
  EXPECT_EQ(std::stod(wb.at(up, material + 1)->value), upBefore_ + 1000);
  EXPECT_EQ(wb.at(up, material + 2)->type, "n");
  EXPECT_EQ(std::stod(wb.at(up, material + 2)->value), 1000);
  EXPECT_EQ(wb.at(up, material + 2)->format, "#,##0");
  EXPECT_EQ(wb.at(up, material + 2)->color, "FF0000FF");
  // The decrease: red.
  const int down = wb.rowOf(downCode_);
  ASSERT_GT(down, 3);
  EXPECT_EQ(std::stod(wb.at(down, material + 2)->value), -500);
  EXPECT_EQ(wb.at(down, material + 2)->color, "FFFF0000");
  // No change leaves the difference empty.
  int unchanged = 0;
  for (const auto& [key, c] : wb.cells)
    if (key.second == 1 && c.value == "동일" && wb.at(key.first, material)) unchanged = key.first;
  ASSERT_GT(unchanged, 3);
  EXPECT_EQ(wb.at(unchanged, material + 2), nullptr);
  EXPECT_EQ(wb.at(unchanged, material)->value, wb.at(unchanged, material + 1)->value);
  // Added and removed lines are marked; the removed one has no value after.
  const int added = wb.rowOf("Z999"), removed = wb.rowOf(removedCode_);
  ASSERT_GT(added, 3);
  ASSERT_GT(removed, 3);
  EXPECT_EQ(wb.at(added, 1)->value, "추가");
  EXPECT_EQ(wb.at(removed, 1)->value, "삭제");
  EXPECT_EQ(wb.at(removed, material + 1), nullptr);
  EXPECT_EQ(wb.at(added, material), nullptr);

  // Totals at the end, bold, with the difference coloured.
  int totals = 0;
  for (const auto& [key, c] : wb.cells)
    if (key.second == 1 && c.value == "합계") totals = key.first;
  ASSERT_GT(totals, added);
  EXPECT_TRUE(wb.at(totals, material)->bold);
  EXPECT_EQ(std::stod(wb.at(totals, material)->value), materialTotal(old_.lines));
  EXPECT_EQ(std::stod(wb.at(totals, material + 1)->value), materialTotal(new_.lines));
  EXPECT_EQ(std::stod(wb.at(totals, material + 2)->value), 500);
  EXPECT_EQ(wb.at(totals, material + 2)->color, "FF0000FF");
}

TEST_F(CompareInterop, ChangedOnlyCsvReadBackByPythonCsv) {
  const QString out = path("c.csv");
  const e2e::CliRun r =
      cli({"compare", path("P_RPTB02_OLD.dbf"), path("P_RPTB02_NEW.dbf"), "--csv", out, "--changed-only"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.contains(out + "\t4 lines")) << r.out.toStdString();
  const e2e::CliRun csv = e2e::runProgram(kPython, {path("read_csv.py"), out});
  ASSERT_EQ(csv.exitCode, 0) << csv.err.toStdString();
  const QStringList rows = csv.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(rows.size(), 1 + 1 + 4 + 1);  // BOM line, captions, four lines, totals
  EXPECT_EQ(rows[0], "BOM");
  const QStringList captions = rows[1].split('\t');
  const qsizetype material = captions.indexOf(QStringLiteral("재료비 금액 변경전"));
  ASSERT_GT(material, 0);
  EXPECT_EQ(captions[material + 1], QStringLiteral("재료비 금액 변경후"));
  EXPECT_EQ(captions[material + 2], QStringLiteral("재료비 금액 증감"));
  std::map<QString, QStringList> byKind;
  for (int i = 2; i < rows.size() - 1; ++i) {
    const QStringList f = rows[i].split('\t');
    byKind[f[1]] = f;
    EXPECT_NE(f[1], QStringLiteral("동일"));
  }
  EXPECT_EQ(byKind.count(QStringLiteral("추가")), 1u);
  EXPECT_EQ(byKind.count(QStringLiteral("삭제")), 1u);
  const QStringList totals = rows.last().split('\t');
  EXPECT_EQ(totals[1], QStringLiteral("합계"));
  EXPECT_EQ(totals[material + 2], "500");
}

TEST_F(CompareInterop, ReportsOfDifferentKindsAreRefusedWithoutAFile) {
  ASSERT_TRUE(rw::writeReport(dirPath_, rw::summaryReport()));
  const QString out = path("c.xlsx");
  const e2e::CliRun r = cli({"compare", path("P_RPTB02_OLD.dbf"), path("P_RPTB01_SUMMARY.dbf"), "--xlsx", out});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains(QStringLiteral("종류가 다른 보고서는 비교할 수 없습니다."))) << r.err.toStdString();
  EXPECT_TRUE(r.out.isEmpty());
  EXPECT_EQ(QDir(dir_.path()).entryList({"c.xlsx*"}, QDir::Files), QStringList());
}

TEST_F(CompareInterop, ABrokenReportIsRefusedAsTheViewerRefusesIt) {
  ASSERT_TRUE(rw::writeReport(dirPath_, rw::brokenReport()));
  const e2e::CliRun r = cli({"compare", path("P_RPTB02_BROKEN.dbf"), path("P_RPTB02_NEW.dbf")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains(QStringLiteral("보고서 F_INIT에 초기화정보가 없습니다."))) << r.err.toStdString();
}

// The table never goes over a report's own files, nor does anything half written replace a file.
TEST_F(CompareInterop, NeverWritesOverAReportOrLeavesAPart) {
  QFile memo(path("P_RPTB02_NEW.fpt"));
  const qint64 memoSize = memo.size();
  for (const char* target : {"P_RPTB02_NEW.fpt", "P_RPTB02_OLD.dbf"}) {
    const e2e::CliRun r = cli({"compare", path("P_RPTB02_OLD.dbf"), path("P_RPTB02_NEW.dbf"), "--csv", path(target)});
    EXPECT_EQ(r.exitCode, 1) << target;
    EXPECT_FALSE(r.err.isEmpty());
  }
  EXPECT_EQ(QFile(path("P_RPTB02_NEW.fpt")).size(), memoSize);
  // Nor through a link to a report's file, nor onto a device.
  ASSERT_TRUE(QFile::link(path("P_RPTB02_OLD.dbf"), path("link.csv")));
  const QByteArray oldBytes = [&] {
    QFile f(path("P_RPTB02_OLD.dbf"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }();
  for (const QString& target : {path("link.csv"), QStringLiteral("/dev/null")}) {
    const e2e::CliRun r = cli({"compare", path("P_RPTB02_OLD.dbf"), path("P_RPTB02_NEW.dbf"), "--csv", target});
    EXPECT_EQ(r.exitCode, 1) << target.toStdString();
    EXPECT_FALSE(r.err.isEmpty());
  }
  QFile old(path("P_RPTB02_OLD.dbf"));
  ASSERT_TRUE(old.open(QIODevice::ReadOnly));
  EXPECT_EQ(old.readAll(), oldBytes);
  // A refused comparison leaves an existing table as it was.
  { std::ofstream(dirPath_ + "/kept.csv") << "kept"; }
  ASSERT_TRUE(rw::writeReport(dirPath_, rw::summaryReport()));
  EXPECT_EQ(
      cli({"compare", path("P_RPTB02_OLD.dbf"), path("P_RPTB01_SUMMARY.dbf"), "--csv", path("kept.csv")}).exitCode, 1);
  QFile kept(path("kept.csv"));
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), "kept");
  EXPECT_EQ(QDir(dir_.path()).entryList({"*.part*"}, QDir::Files), QStringList());
}

}  // namespace
}  // namespace zel
