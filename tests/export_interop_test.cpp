// The export read back by independent readers: the XLSX file through Debian's
// python3-openpyxl and the CSV file through Python's csv module. Every body
// cell must show what the page shows for that line: the texts the renderer
// draws on a recording canvas, line by line, are compared with the cells as
// their number formats display them. Reports come from the project's writer,
// one record marked deleted by a byte edit (the export leaves it out, as the
// page does).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <sstream>

#include "run_services.h"
#include "engine_settings.h"
#include "cli_process.h"
#include "cp949.h"
#include "export_file.h"
#include "fake_printer.h"
#include "message_service.h"
#include "page_recorder.h"
#include "preview_handover.h"
#include "progress_dialog.h"
#include "recording_canvas.h"
#include "report_lines.h"
#include "preview_session.h"
#include "report_runner.h"
#include "sample_reports.h"
#include "report_table.h"

namespace zel {
namespace {

namespace rw = reportwriter;
using e2e::splitFields;

constexpr char kPython[] = "/usr/bin/python3";

// Prints the workbook: per sheet its page setup and merged ranges, then every
// row: "R", the row number, "B" when its first cell is bold, and the cells as
// they display ("n:" numbers formatted by their number format, "s:" texts).
constexpr char kXlsxScript[] = R"PY(
import sys, openpyxl
from openpyxl.utils.escape import unescape
wb = openpyxl.load_workbook(sys.argv[1])
def shown(c):
    if c.value is None: return ''
    if c.data_type == 'n':
        f = c.number_format
        d = len(f.split('.')[1]) if '.' in f else 0
        return 'n:' + (format(c.value, ',.%df' % d) if ',' in f else format(c.value, '.%df' % d))
    # Stored texts decoded as the format says ("_xHHHH_" is the character HHHH),
    # as spreadsheets read them; this openpyxl leaves them encoded.
    return c.data_type + ':' + (unescape(str(c.value)) if c.data_type == 's' else str(c.value))
for ws in wb.worksheets:
    m = ws.page_margins
    print('S', ws.title, ws.freeze_panes, ws.print_title_rows, ws.page_setup.orientation, ws.page_setup.paperSize,
          '%.3f,%.3f,%.3f,%.3f' % (m.left, m.right, m.top, m.bottom), ws.sheet_properties.pageSetUpPr.fitToPage,
          ws.page_setup.fitToWidth, sep='\t')
    print('M', *sorted(str(r) for r in ws.merged_cells.ranges), sep='\t')
    print('W', *['%.1f' % ws.column_dimensions[openpyxl.utils.get_column_letter(i)].width
                 for i in range(1, ws.max_column + 1)], sep='\t')
    for row in ws.iter_rows():
        print('R', row[0].row, 'B' if row[0].font.b else '-', *[shown(c) for c in row], sep='\t')
)PY";

// The sheet's print form: its name, the workbook's properties, the manual
// page breaks, and per cell with a value or a border its font and rules.
constexpr char kPrintScript[] = R"PY(
import sys, zipfile, re, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
app = zipfile.ZipFile(sys.argv[1]).read('docProps/app.xml').decode()
company = re.search('<Company>(.*)</Company>', app)
print('P', wb.properties.title, wb.properties.subject, company.group(1) if company else '', sep='\t')
for ws in wb.worksheets:
    print('N', ws.title, ws.print_title_rows, sep='\t')
    print('K', *[b.id for b in ws.row_breaks.brk], sep='\t')
    # The rules of a column's empty cells.
    for i in range(1, ws.max_column + 1):
        b = ws.column_dimensions[openpyxl.utils.get_column_letter(i)].border
        print('L', i, ''.join(k for k, side in (('l', b.left), ('r', b.right), ('b', b.bottom)) if side.style), sep='\t')
    for row in ws.iter_rows():
        for c in row:
            b = c.border
            rules = ''.join(k for k, side in (('l', b.left), ('r', b.right), ('b', b.bottom)) if side.style)
            if c.value is None and not rules: continue
            print('C', c.row, c.column, c.font.name, c.font.sz, rules, c.data_type, str(c.value), sep='\t')
)PY";

constexpr char kCsvScript[] = R"PY(
import sys, csv
raw = open(sys.argv[1], 'rb').read()
print('BOM' if raw.startswith(b'\xef\xbb\xbf') else 'NOBOM', 'CRLF' if b'\r\n' in raw else 'LF', sep='\t')
with open(sys.argv[1], newline='', encoding='utf-8-sig') as f:
    for row in csv.reader(f):
        print('C', *row, sep='\t')
)PY";

// Opens a bill written by the report writer in page order and makes its
// layout as the runner does.
void openBill(const std::string& report, ReportTable& table, TReportLayout& layout) {
  const QFileInfo info(QString::fromStdString(report));
  ASSERT_TRUE(table.OpenTable(info.absolutePath().toStdString(), info.fileName().toStdString(), "CDX"));
  table.SetOrder(table.CreateMemoryOrder("F_PAGE", "str(F_PAGE,5)"));
  layout.ReportBase = "P_RPTB02_SAMPLE";
  table.First();
  layout.SettingsText = table.MemoText("F_INIT");
  ParseLayout(layout);
  ApplyPageGeometry(layout);
}

std::string withoutBlanks(std::string s) {
  s.erase(std::remove(s.begin(), s.end(), ' '), s.end());
  return s;
}

// One sheet as the script printed it.
struct Sheet {
  std::vector<std::string> setup;  // the "S" line
  std::vector<std::string> merges;
  std::vector<double> widths;
  std::vector<std::vector<std::string>> rows;  // "R" lines: row, bold, cells...
};

// What the renderer drew on each page: body lines by their top, in order.
struct DrawnPage {
  std::map<int, std::vector<std::string>> lines;  // top -> non-empty texts, trailing blanks removed
  std::vector<std::string> captions;  // caption band texts, blanks removed
};

class RecordingPicture : public PageRecorder {
 public:
  Canvas& beginPage(int, int) override {
    canvas = RecordingCanvas();
    return canvas;
  }
  void paintPaper() override {}
  void setPageWindow(int, int) override {}
  void restoreMapping() override {}
  void endPage() override {}
  RecordingCanvas canvas;
};

// A preview that draws every page of the run on the recording canvas.
class DrawingPreview : public ReportPreview {
 public:
  explicit DrawingPreview(std::map<int, DrawnPage>& pages) : pages_(pages) {}
  void SetSession(const PreviewSession& session) override { session_ = &session; }
  void SetPageInfo(const std::string&, const std::string& last, ReportTable* table, const std::string&) override {
    last_ = std::stoi(last);
    table_ = table;
  }
  void SetPaperOrientation(int) override {}
  void SetOnDrawPage(DrawPageProc proc) override { draw_ = std::move(proc); }
  void SetOnPrintJob(PrintJobProc) override {}
  void ShowModal() override {
    const TReportLayout& L = session_->layout;
    const int body = L.MarginTop + L.CaptionHeight;
    for (int page = 1; page <= last_; ++page) {
      RecordingPicture picture;
      draw_(picture, page, table_);
      DrawnPage& drawn = pages_[page];
      for (const CanvasText& t : picture.canvas.texts()) {
        if (t.rect.top >= L.MarginTop && t.rect.top < body) drawn.captions.push_back(withoutBlanks(t.text));
        if (t.rect.top < body) continue;
        std::string text = t.text;
        text.erase(text.find_last_not_of(' ') + 1);
        std::vector<std::string>& line = drawn.lines[t.rect.top];
        if (!text.empty()) line.push_back(cp949ToUtf8(text));
      }
    }
  }

 private:
  std::map<int, DrawnPage>& pages_;
  int last_ = 0;
  const PreviewSession* session_ = nullptr;
  ReportTable* table_ = nullptr;
  DrawPageProc draw_;
};

class ExportInterop : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!QFile::exists(kPython)) GTEST_SKIP() << "no " << kPython;
    if (e2e::runProgram(kPython, {"-c", "import openpyxl"}).exitCode != 0) GTEST_SKIP() << "no python3-openpyxl";
    ASSERT_TRUE(dir_.isValid());
    dirPath_ = dir_.path().toStdString();
    writeScript("read_xlsx.py", kXlsxScript);
    writeScript("read_csv.py", kCsvScript);
    writeScript("read_print.py", kPrintScript);
  }

  void writeScript(const std::string& name, const char* text) { std::ofstream(dirPath_ + "/" + name) << text; }

  // A bill of `pages` pages with record `deleted` (1-based, 0 none) marked deleted.
  std::string writeBill(char orientation, int pages, long deleted) {
    rw::BillOptions options;
    options.orientation = orientation;
    options.pages = pages;
    const rw::ReportSpec bill = rw::billOfQuantities(options);
    EXPECT_TRUE(rw::writeReport(dirPath_, bill));
    const std::string path = dirPath_ + "/" + bill.fileName;
    if (deleted > 0) {
      std::fstream dbf(path, std::ios::in | std::ios::out | std::ios::binary);
      unsigned char head[12];
      dbf.read(reinterpret_cast<char*>(head), sizeof head);
      const long headerSize = head[8] | (head[9] << 8);
      const long recordSize = head[10] | (head[11] << 8);
      dbf.seekp(headerSize + (deleted - 1) * recordSize);
      dbf.put('*');
    }
    return path;
  }

  std::map<int, DrawnPage> drawPages(const std::string& path) {
    std::map<int, DrawnPage> pages;
    EngineSettings env;  // as the viewer sets it up: deleted records hidden
    env.SetDeleted(true);
    env.SetExact(true);
    env.SetCentury(true);
    FakePrinter printer;
    RunServices services;
    services.messages = &messages_;
    services.printer = &printer;
    services.preview = [&pages] { return std::make_unique<DrawingPreview>(pages); };
    const QFileInfo info(QString::fromStdString(path));
    RunReport(services, info.absolutePath().toStdString(), info.fileName().toStdString());
    return pages;
  }

  std::vector<Sheet> readXlsx(const std::string& file) {
    const e2e::CliRun r =
        e2e::runProgram(kPython, {QString::fromStdString(dirPath_ + "/read_xlsx.py"), QString::fromStdString(file)});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    std::vector<Sheet> sheets;
    for (const QString& line : r.out.split('\n', Qt::SkipEmptyParts)) {
      std::vector<std::string> f = splitFields(line.toStdString());
      if (f[0] == "S") sheets.push_back({std::vector<std::string>(f.begin() + 1, f.end()), {}, {}, {}});
      if (sheets.empty()) continue;
      if (f[0] == "M") sheets.back().merges.assign(f.begin() + 1, f.end());
      if (f[0] == "W")
        for (std::size_t i = 1; i < f.size(); ++i) sheets.back().widths.push_back(std::stod(f[i]));
      if (f[0] == "R") sheets.back().rows.emplace_back(f.begin() + 1, f.end());
    }
    return sheets;
  }

  std::vector<std::vector<std::string>> readCsv(const std::string& file, std::string& form) {
    const e2e::CliRun r =
        e2e::runProgram(kPython, {QString::fromStdString(dirPath_ + "/read_csv.py"), QString::fromStdString(file)});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    std::vector<std::vector<std::string>> rows;
    const QStringList lines = r.out.split('\n');
    form = lines.value(0).toStdString();
    for (qsizetype i = 1; i < lines.size(); ++i) {
      if (lines[i].isEmpty()) continue;
      std::vector<std::string> f = splitFields(lines[i].toStdString());
      rows.emplace_back(f.begin() + 1, f.end());
    }
    return rows;
  }

  QTemporaryDir dir_;
  std::string dirPath_;
  RecordingMessageService messages_;
};

// The body rows of a sheet: after the title and caption rows.
std::vector<std::vector<std::string>> bodyRows(const Sheet& sheet, int firstBody) {
  return {sheet.rows.begin() + std::min<std::size_t>(firstBody, sheet.rows.size()), sheet.rows.end()};
}

std::string display(const std::string& cell) { return cell.size() > 2 ? cell.substr(2) : cell; }

TEST_F(ExportInterop, EveryCellShowsWhatThePageShows) {
  constexpr long kDeleted = 3;  // an item line of the first section
  const std::string report = writeBill('P', 3, kDeleted);
  const std::map<int, DrawnPage> drawn = drawPages(report);
  ASSERT_EQ(drawn.size(), 3u);

  const QString xlsx = dir_.filePath("bill.xlsx"), csv = dir_.filePath("bill.csv");
  const e2e::CliRun run =
      e2e::runProgram(e2e::cliPath(), {"export", QString::fromStdString(report), "--xlsx", xlsx, "--csv", csv});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  const long lineCount = rw::billLineCount(rw::BillOptions{}) - 1;
  EXPECT_TRUE(run.out.contains(QStringLiteral("\t%1 lines").arg(lineCount))) << run.out.toStdString();

  const std::vector<Sheet> sheets = readXlsx(xlsx.toStdString());
  ASSERT_EQ(sheets.size(), 1u);
  const Sheet& sheet = sheets[0];
  // Titles (title, description, company name), then the two caption rows.
  EXPECT_EQ(sheet.setup[1], "A6");  // frozen below the captions
  EXPECT_EQ(sheet.setup[2], "$1:$5");  // titles and captions repeated on every printed page
  EXPECT_EQ(sheet.setup[3], "portrait");
  EXPECT_EQ(sheet.setup[4], "9");  // A4
  EXPECT_EQ(sheet.setup[5], "0.630,0.394,0.394,0.394");  // PAGESPACE 5|5|8|5| in inches
  EXPECT_EQ(sheet.setup[6], "True");  // fitted
  EXPECT_TRUE(sheet.setup[7] == "1" || sheet.setup[7] == "None");  // one page wide (1 is the default, left out)
  EXPECT_EQ(sheet.merges, (std::vector<std::string>{"A1:Q1", "A2:Q2", "A3:Q3", "A4:A5", "B4:C5", "D4:D5", "E4:E5",
                                                    "F4:G4", "H4:I4", "J4:K4", "L4:M4", "N4:N5", "O4:P5", "Q4:Q5"}));
  // The description (23 %) is split 6:4, and each is at least as wide as its
  // share of the page; the unit (4 %) holds only short words and keeps its share,
  // the quantity (6 %) likewise.
  ASSERT_GE(sheet.widths.size(), 5u);
  // (Widths read back carry the sheet's cell padding, hence the tolerance.)
  EXPECT_GE(sheet.widths[1] / sheet.widths[3], 23 * 0.6 / 4 - 0.5);
  EXPECT_GE(sheet.widths[2] / sheet.widths[3], 23 * 0.4 / 4 - 0.5);
  EXPECT_NEAR(sheet.widths[4] / sheet.widths[3], 6.0 / 4, 0.2);

  // Captions: the page's, without the blanks the page spreads them with.
  std::vector<std::string> captions;
  for (int r = 3; r <= 4; ++r)
    for (std::size_t c = 3; c < sheet.rows[r].size(); ++c)
      if (!sheet.rows[r][c].empty() && sheet.rows[r][c] != "s:Page")
        captions.push_back(withoutBlanks(display(sheet.rows[r][c])));
  std::vector<std::string> drawnCaptions;
  for (const std::string& c : drawn.at(1).captions)
    if (!c.empty()) drawnCaptions.push_back(cp949ToUtf8(c));  // the spacer column's caption is empty
  std::vector<std::string> a = captions, b = drawnCaptions;
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  EXPECT_EQ(a, b);

  // Body: every line of every page, in order, cell by cell.
  const std::vector<std::vector<std::string>> body = bodyRows(sheet, 5);
  ASSERT_EQ(static_cast<long>(body.size()), lineCount);
  std::size_t row = 0;
  long index = 0;  // the bill's line index of this row
  for (const auto& [page, drawnPage] : drawn) {
    for (const auto& [top, texts] : drawnPage.lines) {
      if (row >= body.size() || body[row][2] != "n:" + std::to_string(page)) break;  // below the frame: a title slot
      if (index + 1 == kDeleted) ++index;
      const std::vector<std::string>& cells = body[row];
      std::vector<std::string> shown;
      for (std::size_t c = 3; c < cells.size(); ++c) {
        if (cells[c].empty()) continue;
        // What reads as a number is stored as one; the rest is text.
        static const std::regex number("-?[0-9][0-9,]*(\\.[0-9]+)?");
        EXPECT_EQ(cells[c].substr(0, 2), std::regex_match(display(cells[c]), number) ? "n:" : "s:") << cells[c];
        shown.push_back(display(cells[c]));
      }
      EXPECT_EQ(shown, texts) << "page " << page << " row " << row;
      rw::Line source;
      rw::billLine(index, 'P', source);
      std::string type;
      for (const auto& [field, value] : source)
        if (field == "F_TYPE") type = value;
      EXPECT_EQ(cells[1] == "B", type == "H" || type == "M") << "row " << row << " type " << type;
      ++row;
      ++index;
    }
  }
  EXPECT_EQ(row, body.size());

  // The CSV: a byte-order mark, CR LF, the caption rows, then the same cells
  // with numbers written without separators.
  std::string form;
  const std::vector<std::vector<std::string>> records = readCsv(csv.toStdString(), form);
  EXPECT_EQ(form, "BOM\tCRLF");
  ASSERT_EQ(records.size(), body.size() + 2);
  EXPECT_EQ(records[0][0], "Page");
  for (std::size_t r = 0; r < body.size(); ++r) {
    const std::vector<std::string>& cells = body[r];
    std::vector<std::string> expected;
    for (std::size_t c = 2; c < cells.size(); ++c) {
      std::string v = display(cells[c]);
      if (cells[c].starts_with("n:")) v.erase(std::remove(v.begin(), v.end(), ','), v.end());
      expected.push_back(v);
    }
    EXPECT_EQ(records[r + 2], expected) << "record " << r;
  }
}

TEST_F(ExportInterop, LandscapeRangeOfPages) {
  const std::string report = writeBill('L', 4, 0);
  const QString xlsx = dir_.filePath("range.xlsx");
  const e2e::CliRun run =
      e2e::runProgram(e2e::cliPath(), {"export", QString::fromStdString(report), "--xlsx", xlsx, "--pages", "2-3"});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  const std::vector<Sheet> sheets = readXlsx(xlsx.toStdString());
  ASSERT_EQ(sheets.size(), 1u);
  EXPECT_EQ(sheets[0].setup[3], "landscape");
  const auto body = bodyRows(sheets[0], 5);
  ASSERT_EQ(static_cast<int>(body.size()), 2 * rw::kLandscapeLines);
  EXPECT_EQ(body.front()[2], "n:2");
  EXPECT_EQ(body.back()[2], "n:3");
}

TEST_F(ExportInterop, LongReportContinuesOnFurtherSheetsEachWithItsCaptions) {
  const std::string report = writeBill('P', 3, 0);
  std::map<int, DrawnPage> unused;
  EngineSettings env;
  env.SetDeleted(true);
  ReportTable table;
  TReportLayout layout;
  ASSERT_NO_FATAL_FAILURE(openBill(report, table, layout));
  ReportTableLines lines(table);
  ExportRequest request;
  request.path = dir_.filePath("split.xlsx").toStdString();
  request.from = 1;
  request.to = 3;
  request.rowsPerSheet = 40;  // 5 title and caption rows, 35 lines a sheet
  const ExportOutcome done = ExportReportFile(layout, lines, request, RunServices{}.progressDialog());
  const long count = rw::billLineCount(rw::BillOptions{});
  EXPECT_EQ(done.lines, count);
  const std::vector<Sheet> sheets = readXlsx(request.path);
  ASSERT_EQ(static_cast<long>(sheets.size()), (count + 34) / 35);
  long rows = 0;
  for (const Sheet& s : sheets) {
    EXPECT_EQ(s.setup[1], "A6");
    EXPECT_EQ(s.setup[2], "$1:$5");
    EXPECT_EQ(s.rows[3][2], "s:Page");
    rows += static_cast<long>(s.rows.size()) - 5;
  }
  EXPECT_EQ(rows, count);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(ExportPartName(request.path))));
}

// One cell of the print form.
struct PrintCell {
  int row = 0, col = 0;
  std::string font, size, rules, type, value;
};

// Excel keeps 1,023 manual page breaks a sheet; past them the report goes on
// in a further sheet, so every page still prints on its own sheet of paper.
TEST_F(ExportInterop, PastTheBreakLimitFurtherSheetsEachWithItsBreaks) {
  const std::string report = writeBill('P', 5, 0);
  EngineSettings env;
  env.SetDeleted(true);
  ReportTable table;
  TReportLayout layout;
  ASSERT_NO_FATAL_FAILURE(openBill(report, table, layout));
  ReportTableLines lines(table);
  ExportRequest request;
  request.path = dir_.filePath("breaks.xlsx").toStdString();
  request.from = 1;
  request.to = 5;
  request.pagesPerSheet = 2;  // one break a sheet
  ExportReportFile(layout, lines, request, RunServices{}.progressDialog());
  const e2e::CliRun r =
      e2e::runProgram(kPython, {dir_.filePath("read_print.py"), QString::fromStdString(request.path)});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  std::vector<std::string> names;
  std::vector<std::vector<std::string>> breaks;
  for (const QString& line : r.out.split('\n', Qt::SkipEmptyParts)) {
    const std::vector<std::string> f = splitFields(line.toStdString());
    if (f[0] == "N") names.push_back(f.at(1));
    if (f[0] == "K") breaks.emplace_back(f.begin() + 1, f.end());
  }
  ASSERT_EQ(names.size(), 3u);
  EXPECT_EQ(names[1], names[0] + " (2)");
  EXPECT_EQ(names[2], names[0] + " (3)");
  // 5 title and caption rows, then 35 lines a page.
  EXPECT_EQ(breaks, (std::vector<std::vector<std::string>>{{"40"}, {"40"}, {}}));
}

TEST_F(ExportInterop, SheetPrintsLikeTheReport) {
  const std::string report = writeBill('P', 3, 0);
  const QString xlsx = dir_.filePath("print.xlsx");
  ASSERT_EQ(e2e::runProgram(e2e::cliPath(), {"export", QString::fromStdString(report), "--xlsx", xlsx}).exitCode, 0);
  const e2e::CliRun r = e2e::runProgram(kPython, {dir_.filePath("read_print.py"), xlsx});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  std::vector<std::string> properties, name, breaks;
  std::map<int, std::string> columnRules;
  std::vector<PrintCell> cells;
  for (const QString& line : r.out.split('\n', Qt::SkipEmptyParts)) {
    const std::vector<std::string> f = splitFields(line.toStdString());
    if (f[0] == "P") properties.assign(f.begin() + 1, f.end());
    if (f[0] == "N") name.assign(f.begin() + 1, f.end());
    if (f[0] == "K") breaks.assign(f.begin() + 1, f.end());
    if (f[0] == "L") columnRules[std::stoi(f[1])] = f.size() > 2 ? f[2] : "";
    if (f[0] == "C" && f.size() >= 8) cells.push_back({std::stoi(f[1]), std::stoi(f[2]), f[3], f[4], f[5], f[6], f[7]});
  }
  // Named after the report's title; title, description and company as properties.
  ASSERT_EQ(properties.size(), 3u);
  EXPECT_EQ(name.at(0), properties[0]);
  EXPECT_FALSE(properties[0].empty());
  EXPECT_FALSE(properties[1].empty());
  EXPECT_FALSE(properties[2].empty());
  // A break after each page's 35 lines: rows 1-5 are titles and captions.
  EXPECT_EQ(breaks, (std::vector<std::string>{"40", "75"}));
  const auto at = [&](int row, int col) {
    for (const PrintCell& c : cells)
      if (c.row == row && c.col == col) return c;
    return PrintCell{};
  };
  // The report's faces and sizes: 굴림체 16 for the title, 굴림체 9 elsewhere.
  EXPECT_EQ(at(1, 1).font, "굴림체");
  EXPECT_EQ(at(1, 1).size, "16.0");
  EXPECT_EQ(at(4, 2).font, "굴림체");
  EXPECT_EQ(at(4, 2).size, "9.0");
  for (const PrintCell& c : cells)
    if (c.row > 5 && !c.value.empty() && c.value != "None") {
      EXPECT_EQ(c.font, "굴림체") << c.row << "," << c.col;
      EXPECT_EQ(c.size, "9.0") << c.row << "," << c.col;
    }
  // OUTLINE 0: a rule under every line, and column rules where the page draws
  // them: at the frame's left (B), none between the description and its
  // size (C), and the frame's right edge on the last column (Q).
  const PrintCell item = at(8, 2);
  EXPECT_NE(item.rules.find('l'), std::string::npos);
  EXPECT_NE(item.rules.find('b'), std::string::npos);
  EXPECT_EQ(at(8, 3).rules.find('l'), std::string::npos);
  EXPECT_EQ(at(8, 1).rules, "");  // the Page column stands outside the frame
  // Empty cells take their column's rules.
  EXPECT_EQ(columnRules[1], "");
  EXPECT_EQ(columnRules[2], "lb");
  EXPECT_EQ(columnRules[3], "b");
  EXPECT_EQ(columnRules[17], "lrb");  // a column of its own, the frame's right edge
}

TEST_F(ExportInterop, HexSequencesAndFormulaTextsComeBackAsWritten) {
  rw::BillOptions options;
  options.pages = 1;
  rw::ReportSpec bill = rw::billOfQuantities(options);
  auto set = [](rw::Line& line, const std::string& field, const std::string& value) {
    for (auto& [name, v] : line)
      if (name == field) {
        v = value;
        return;
      }
    line.emplace_back(field, value);
  };
  set(bill.lines[1], "F_DES", "x_x000D_y");
  set(bill.lines[2], "F_DES", "=HYPERLINK(\"http://x\")");
  set(bill.lines[3], "F_DES", "-5");
  ASSERT_TRUE(rw::writeReport(dirPath_, bill).ok());
  const std::string report = dirPath_ + "/" + bill.fileName;
  const QString xlsx = dir_.filePath("texts.xlsx"), csv = dir_.filePath("texts.csv"), raw = dir_.filePath("raw.csv");
  ASSERT_EQ(e2e::runProgram(e2e::cliPath(),
                            {"export", QString::fromStdString(report), "--xlsx", xlsx, "--csv", csv, "--with-codes"})
                .exitCode,
            0);
  ASSERT_EQ(
      e2e::runProgram(e2e::cliPath(), {"export", QString::fromStdString(report), "--csv", raw, "--csv-raw"}).exitCode,
      0);
  // The workbook keeps texts as texts, exactly (a formula would show its value).
  const std::vector<Sheet> sheets = readXlsx(xlsx.toStdString());
  ASSERT_EQ(sheets.size(), 1u);
  const auto body = bodyRows(sheets[0], 5);
  ASSERT_GE(body.size(), 4u);
  // Row: row number, bold, Page, F_CODE, F_TYPE, then the description.
  EXPECT_EQ(body[1][5], "s:x_x000D_y");
  EXPECT_EQ(body[2][5], "s:=HYPERLINK(\"http://x\")");
  EXPECT_EQ(body[3][5], "s:-5");
  EXPECT_EQ(
      body[1][3], "s:" + [&] {
        for (const auto& [name, v] : bill.lines[1])
          if (name == "F_CODE") return v;
        return std::string();
      }());
  EXPECT_TRUE(body[1][4] == "s:D" || body[1][4] == "s:J") << body[1][4];
  // The CSV: an apostrophe before what would be a formula, unless raw.
  std::string form;
  const auto guarded = readCsv(csv.toStdString(), form);
  ASSERT_GE(guarded.size(), 6u);
  EXPECT_EQ(guarded[0][1], "F_CODE");
  EXPECT_EQ(guarded[3][3], "x_x000D_y");
  EXPECT_EQ(guarded[4][3], "'=HYPERLINK(\"http://x\")");
  EXPECT_EQ(guarded[5][3], "'-5");
  const auto plain = readCsv(raw.toStdString(), form);
  ASSERT_GE(plain.size(), 6u);
  EXPECT_EQ(plain[4][1], "=HYPERLINK(\"http://x\")");
  EXPECT_EQ(plain[5][1], "-5");
}

TEST_F(ExportInterop, SameFileForBothOutputsIsRefused) {
  const std::string report = writeBill('P', 1, 0);
  const QDir work(dir_.path());
  const QStringList pairs[] = {{"same.out", "same.out"}, {"a.xlsx", "./a.xlsx"}, {"a.xlsx", "sub/../a.xlsx"}};
  QDir().mkpath(dir_.filePath("sub"));
  for (const QStringList& pair : pairs) {
    QProcess process;
    process.setWorkingDirectory(dir_.path());
    process.start(e2e::cliPath(), {"export", QString::fromStdString(report), "--xlsx", pair[0], "--csv", pair[1]});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 2) << pair.join(' ').toStdString();
    EXPECT_TRUE(QString::fromUtf8(process.readAllStandardError()).contains("same file"));
    EXPECT_FALSE(QFile::exists(work.filePath(pair[0])));
  }
}

TEST_F(ExportInterop, MissingFolderIsRefusedBeforeTheReportIsRead) {
  const std::string report = writeBill('P', 1, 0);
  const QString target = dir_.filePath("gone/out.xlsx");
  const e2e::CliRun run = e2e::runProgram(e2e::cliPath(), {"export", QString::fromStdString(report), "--xlsx", target});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(run.err.contains(QStringLiteral("저장할 폴더"))) << run.err.toStdString();
  EXPECT_TRUE(run.err.contains(QStringLiteral("없습니다"))) << run.err.toStdString();
  EXPECT_FALSE(run.err.contains(QStringLiteral("permission"))) << run.err.toStdString();
  EXPECT_FALSE(QFile::exists(dir_.filePath("gone")));
}

TEST_F(ExportInterop, CtrlCLeavesNoFile) {
  const std::string report = writeBill('P', 4, 0);
  const QString xlsx = dir_.filePath("stopped.xlsx");
  QProcess process;
  ASSERT_TRUE(e2e::startStoppedAfterPages(process, e2e::cliPath(),
                                          {"export", QString::fromStdString(report), "--xlsx", xlsx}, 1));
  e2e::signalAndContinue(process, SIGINT);
  ASSERT_TRUE(process.waitForFinished(60000));
  EXPECT_EQ(process.exitCode(), 130);
  const QStringList left = QDir(dir_.path()).entryList({"stopped.xlsx*", ".stopped.xlsx*"}, QDir::Files | QDir::Hidden);
  EXPECT_TRUE(left.isEmpty()) << left.join(' ').toStdString();
}

// Ctrl+C after the last line, while the workbook is finished (check 1) or
// just before it is renamed (check 2), used to leave the complete workbook
// over the file that stood under its name.
class ExportLateInterrupt : public ExportInterop, public ::testing::WithParamInterface<int> {};

TEST_P(ExportLateInterrupt, LeavesNoFileAndTheOldOneAsItWas) {
  const std::string report = writeBill('P', 2, 0);
  const QString xlsx = dir_.filePath("late.xlsx");
  {
    QFile old(xlsx);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("before");
  }
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("ZEL_STOP_AT_CHECK"), QString::number(GetParam()));
  process.setProcessEnvironment(env);
  // No page stop (0 pages): the process stops at the check.
  ASSERT_TRUE(e2e::startStoppedAfterPages(process, e2e::cliPath(),
                                          {"export", QString::fromStdString(report), "--xlsx", xlsx}, 0));
  e2e::signalAndContinue(process, SIGINT);
  ASSERT_TRUE(process.waitForFinished(60000));
  EXPECT_EQ(process.exitCode(), 130);
  QFile kept(xlsx);
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), QByteArray("before"));
  EXPECT_EQ(QDir(dir_.path()).entryList({"late.xlsx*"}, QDir::Files), QStringList{"late.xlsx"});
}

INSTANTIATE_TEST_SUITE_P(Checks, ExportLateInterrupt, ::testing::Values(1, 2));

TEST_F(ExportInterop, NeverWritesOverTheReport) {
  const std::string report = writeBill('P', 1, 0);
  const QByteArray before = [&] {
    QFile f(QString::fromStdString(report));
    f.open(QIODevice::ReadOnly);
    return f.readAll();
  }();
  for (const char* option : {"--xlsx", "--csv"}) {
    const e2e::CliRun run = e2e::runProgram(
        e2e::cliPath(), {"export", QString::fromStdString(report), option, QString::fromStdString(report)});
    EXPECT_EQ(run.exitCode, 1) << option;
  }
  QFile f(QString::fromStdString(report));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), before);
  EXPECT_TRUE(QDir(dir_.path()).entryList({"*.part*", "*.zelrpt-*"}, QDir::Files | QDir::Hidden).isEmpty());
}

}  // namespace
}  // namespace zel
