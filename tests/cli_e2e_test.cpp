// zelrpt-cli from the outside: reports made by the project's writer, the
// program run as a user would run it, its PDF checked with poppler's tools.
#include <algorithm>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <signal.h>

#include "cli_process.h"
#include "cp949.h"
#include "sample_reports.h"

namespace zel {
namespace {

namespace rw = reportwriter;

using e2e::cli;
using e2e::cliPath;
using e2e::CliRun;
using e2e::runProgram;

bool haveTool(const char* tool) { return !QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty(); }

QString tool(const char* name, const QStringList& args) { return runProgram(QString::fromLatin1(name), args).out; }

int pdfPages(const QString& pdf) {
  const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(tool("pdfinfo", {pdf}));
  return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QString pdfPageSize(const QString& pdf) {
  const auto m =
      QRegularExpression(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+) pts")).match(tool("pdfinfo", {pdf}));
  if (!m.hasMatch()) return {};
  return QString::number(qRound(m.captured(1).toDouble())) + "x" + QString::number(qRound(m.captured(2).toDouble()));
}

class CliEndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new QTemporaryDir();
    ASSERT_TRUE(dir_->isValid());
    const std::string d = dir_->path().toStdString();
    ASSERT_TRUE(rw::writeSampleSet(d)) << "sample set";
    rw::BillOptions six;
    six.pages = 6;
    six.fileName = "P_RPTB02_SIX.dbf";
    ASSERT_TRUE(rw::writeReport(d, rw::billOfQuantities(six)));
    rw::BillOptions refused;
    refused.fileName = "P_RPTB02_OTHER.dbf";
    refused.rptCode = "RPTX99";
    ASSERT_TRUE(rw::writeReport(d, rw::billOfQuantities(refused)));
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(QFile::exists(cliPath())) << cliPath().toStdString(); }
  static QString report(const char* name) { return dir_->filePath(QString::fromLatin1(name)); }
  QString out(const QString& name) const { return work_.filePath(name); }

  static QTemporaryDir* dir_;
  QTemporaryDir work_;
};

QTemporaryDir* CliEndToEnd::dir_ = nullptr;

TEST_F(CliEndToEnd, ListShowsTheItemizedStatementsOnly) {
  const CliRun r = cli({"list", dir_->path()});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.contains(QStringLiteral("P_RPTB02_SAMPLE.dbf\t내    역    서\t"))) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains(QStringLiteral("L_RPTB02_SAMPLE.dbf")));
  EXPECT_FALSE(r.out.contains(QStringLiteral("P_RPTB01_SUMMARY")));
  // Every row: name, title, size in plain digits, date.
  for (const QString& line : r.out.split('\n', Qt::SkipEmptyParts)) {
    const QStringList cells = line.split('\t');
    ASSERT_EQ(cells.size(), 4) << line.toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+$")).match(cells[2]).hasMatch()) << line.toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d")).match(cells[3]).hasMatch());
  }
}

TEST_F(CliEndToEnd, ListOfAnEmptyDirectorySaysSo) {
  const CliRun r = cli({"list", work_.path()});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(r.out.isEmpty());
  EXPECT_TRUE(r.err.contains(QStringLiteral("보고서파일이 없습니다."))) << r.err.toStdString();
}

TEST_F(CliEndToEnd, InfoDescribesAReport) {
  const CliRun r = cli({"info", report("P_RPTB02_MARGIN.dbf")});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.contains(QStringLiteral("보고서명: 내    역    서"))) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains(QStringLiteral("Page수:"))) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains(QStringLiteral("여    백:"))) << r.out.toStdString();
}

TEST_F(CliEndToEnd, InfoOnABrokenOrMissingReportFailsAndSaysWhy) {
  // A table cut to its first 32 bytes: the panel's text on stdout, the engine's reason on stderr.
  const QString cut = out("P_RPTB02_CUT.dbf");
  ASSERT_TRUE(QFile::copy(report("P_RPTB02_SAMPLE.dbf"), cut));
  ASSERT_TRUE(QFile::resize(cut, 32));
  struct Case {
    QString file;
    const char* label;  // on stdout
    const char* reason;  // on stderr
  } cases[] = {
      {report("P_RPTB02_BROKEN.dbf"), "보고서 파일오류(사용불가)", "empty settings block"},
      {report("NO_SUCH.dbf"), "보고서 파일이 아님", "no such file"},
      {cut, "보고서 파일이 아님", "past the end"},
  };
  for (const Case& c : cases) {
    const CliRun r = cli({"info", c.file});
    EXPECT_EQ(r.exitCode, 1) << c.file.toStdString();
    EXPECT_TRUE(r.out.contains(QString::fromUtf8(c.label))) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.reason))) << c.file.toStdString() << ": " << r.err.toStdString();
  }
}

TEST_F(CliEndToEnd, UsageErrorsPrintHelp) {
  CliRun r = cli({});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(r.err.contains(QStringLiteral("usage:")));
  r = cli({"render", report("P_RPTB02_SAMPLE.dbf")});
  EXPECT_EQ(r.exitCode, 2);
  r = cli({"--help"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(r.out.contains(QStringLiteral("render FILE --pdf")));
}

TEST_F(CliEndToEnd, PortraitReportToPdf) {
  if (!haveTool("pdfinfo")) GTEST_SKIP() << "poppler-utils not installed";
  const QString pdf = out("p.pdf");
  const CliRun r = cli({"render", report("P_RPTB02_SAMPLE.dbf"), "--pdf", pdf});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(pdfPages(pdf), 4);
  EXPECT_EQ(pdfPageSize(pdf), QStringLiteral("595x842"));
  // Korean faces are embedded, never substituted.
  const QString fonts = tool("pdffonts", {pdf});
  EXPECT_TRUE(
      QRegularExpression(QStringLiteral("Nanum\\S*\\s+CID TrueType\\s+Identity-H\\s+yes")).match(fonts).hasMatch())
      << fonts.toStdString();
  for (const QString& line : fonts.split('\n', Qt::SkipEmptyParts).mid(2)) {
    EXPECT_TRUE(line.startsWith(QStringLiteral("Nanum"))) << line.toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("Identity-H\\s+yes\\s")).match(line).hasMatch())
        << line.toStdString();
  }
  const QString text = tool("pdftotext", {"-layout", pdf, "-"});
  EXPECT_TRUE(text.contains(QStringLiteral("햇살마을"))) << text.left(2000).toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("Page : 1"))) << text.left(2000).toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("Page : 4")));
  // Nothing but the target is left behind.
  EXPECT_EQ(QDir(work_.path()).entryList(QDir::Files), QStringList{"p.pdf"});
}

TEST_F(CliEndToEnd, LandscapeReportPrintsLandscape) {
  if (!haveTool("pdfinfo")) GTEST_SKIP() << "poppler-utils not installed";
  const QString pdf = out("l.pdf");
  const CliRun r = cli({"render", report("L_RPTB02_SAMPLE.dbf"), "--pdf", pdf});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(pdfPages(pdf), 3);
  EXPECT_EQ(pdfPageSize(pdf), QStringLiteral("842x595"));
}

TEST_F(CliEndToEnd, PagesThreeToFiveNumberedFromTen) {
  if (!haveTool("pdftotext")) GTEST_SKIP() << "poppler-utils not installed";
  const QString pdf = out("range.pdf");
  const CliRun r = cli({"render", report("P_RPTB02_SIX.dbf"), "--pdf", pdf, "--pages", "3-5", "--start-no", "10"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(pdfPages(pdf), 3);
  for (int page = 1; page <= 3; ++page) {
    const QString text = tool("pdftotext", {"-f", QString::number(page), "-l", QString::number(page), pdf, "-"});
    EXPECT_TRUE(text.contains(QStringLiteral("Page : %1").arg(9 + page))) << page << text.toStdString();
  }
  const QString all = tool("pdftotext", {pdf, "-"});
  EXPECT_FALSE(all.contains(QStringLiteral("Page : 13")));
  EXPECT_FALSE(all.contains(QStringLiteral("Page : 3\n")));
}

TEST_F(CliEndToEnd, StartNumberFollowsTheFirstPrintedPage) {
  if (!haveTool("pdftotext")) GTEST_SKIP() << "poppler-utils not installed";
  const QString pdf = out("follow.pdf");
  const CliRun r = cli({"render", report("P_RPTB02_SIX.dbf"), "--pdf", pdf, "--pages", "4-4"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(pdfPages(pdf), 1);
  EXPECT_TRUE(tool("pdftotext", {pdf, "-"}).contains(QStringLiteral("Page : 4")));
}

TEST_F(CliEndToEnd, RangeBeyondTheReportIsPulledIn) {
  if (!haveTool("pdfinfo")) GTEST_SKIP() << "poppler-utils not installed";
  const QString pdf = out("clamped.pdf");
  const CliRun r = cli({"render", report("P_RPTB02_SAMPLE.dbf"), "--pdf", pdf, "--pages", "3-9999"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(pdfPages(pdf), 2);
}

TEST_F(CliEndToEnd, ReversedRangeIsRefusedWithThePreviewMessage) {
  const QString pdf = out("reversed.pdf");
  const CliRun r = cli({"render", report("P_RPTB02_SIX.dbf"), "--pdf", pdf, "--pages", "5-3"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains(QStringLiteral("경고: 인쇄시작Page가 인쇄종료Page보다\n작아야만 합니다.")))
      << r.err.toStdString();
  EXPECT_TRUE(QDir(work_.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(CliEndToEnd, RefusalsPrintTheEngineMessage) {
  // Missing file: the runner's own check.
  CliRun r = cli({"render", report("P_RPTB02_NONE.dbf"), "--pdf", out("x.pdf")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_FALSE(r.err.isEmpty());
  // A report code the viewer does not run says so, and fails.
  r = cli({"render", report("P_RPTB02_OTHER.dbf"), "--pdf", out("y.pdf")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains(QStringLiteral("지원하지 않는 보고서입니다."))) << r.err.toStdString();
  EXPECT_TRUE(QDir(work_.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(CliEndToEnd, PreviewPagesToPng) {
  const QString pngDir = out("png");
  const CliRun r = cli({"render", report("P_RPTB02_SAMPLE.dbf"), "--png", pngDir, "--pages", "2-3"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  const QStringList files = QDir(pngDir).entryList({"*.png"}, QDir::Files, QDir::Name);
  ASSERT_EQ(files, (QStringList{"P_RPTB02_SAMPLE-p0002.png", "P_RPTB02_SAMPLE-p0003.png"}));
  const QImage page(QDir(pngDir).filePath(files[0]));
  EXPECT_EQ(page.size(), QSize(661, 935));
  int ink = 0;
  for (int y = 0; y < page.height(); y += 2)
    for (int x = 0; x < page.width(); x += 2) ink += qGray(page.pixel(x, y)) < 128;
  EXPECT_GT(ink, 2000);

  const CliRun hi = cli({"render", report("L_RPTB02_SAMPLE.dbf"), "--png", pngDir, "--pages", "1-1", "--dpi", "160"});
  ASSERT_EQ(hi.exitCode, 0) << hi.err.toStdString();
  EXPECT_EQ(QImage(QDir(pngDir).filePath("L_RPTB02_SAMPLE-p0001.png")).size(), QSize(1870, 1322));
}

TEST_F(CliEndToEnd, InterruptStopsAtAPageBoundaryWithAValidPdf) {
  if (!haveTool("pdfinfo")) GTEST_SKIP() << "poppler-utils not installed";
  constexpr int kPages = 40, kStopAfter = 3;
  const std::string d = work_.path().toStdString();
  rw::ReportSpec big = rw::largeReport(long(kPages) * rw::linesPerPage('P'), 'P');
  big.fileName = "P_RPTB02_BIG.dbf";
  ASSERT_TRUE(rw::writeReport(d, big));
  const QString pdf = out("big.pdf");
  // The page hook stops the run after page 3; Ctrl+C then lands on that boundary.
  QProcess process;
  ASSERT_TRUE(e2e::startStoppedAfterPages(process, cliPath(),
                                          {"render", out("P_RPTB02_BIG.dbf"), "--pdf", pdf, "--progress"}, kStopAfter));
  e2e::signalAndContinue(process, SIGINT);
  ASSERT_TRUE(process.waitForFinished(300000));
  EXPECT_EQ(process.exitCode(), 130) << QString::fromUtf8(process.readAllStandardError()).toStdString();
  EXPECT_EQ(pdfPages(pdf), kStopAfter);
  // Only the finished file remains, no temporary.
  QStringList files = QDir(work_.path()).entryList({"*.pdf*"}, QDir::Files);
  EXPECT_EQ(files, QStringList{"big.pdf"});
}

// The page a search should find, walking the writer's own lines.
int expectedFindPage(const rw::ReportSpec& spec, const std::string& cp949Text, int afterPage) {
  for (const rw::Line& line : spec.lines) {
    int page = 0;
    bool match = false;
    for (const auto& [field, value] : line) {
      if (field == "F_PAGE") page = std::stoi(value);
      if (field == "F_DES" && value.find(cp949Text) != std::string::npos) match = true;
    }
    if (match && page > afterPage) return page;
  }
  return 0;
}

TEST_F(CliEndToEnd, FindReportsThePageOfTheFirstMatch) {
  rw::BillOptions six;
  six.pages = 6;
  const rw::ReportSpec spec = rw::billOfQuantities(six);
  // "철근" (reinforcing bars) occurs on several pages.
  const std::string rebar = utf8ToCp949("철근");
  const int first = expectedFindPage(spec, rebar, 0);
  ASSERT_GT(first, 0);
  CliRun r = cli({"find", report("P_RPTB02_SIX.dbf"), "--column", "품명", "--text", "철근"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(r.out.trimmed().toInt(), first);

  const int next = expectedFindPage(spec, rebar, first);
  r = cli({"find", report("P_RPTB02_SIX.dbf"), "--column", "품명", "--text", "철근", "--after-page",
           QString::number(first)});
  if (next > 0) {
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.trimmed().toInt(), next);
  }

  r = cli({"find", report("P_RPTB02_SIX.dbf"), "--column", "품명", "--text", "없는말"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains(QStringLiteral("찾는 내용이 없습니다."))) << r.err.toStdString();

  r = cli({"find", report("P_RPTB02_SIX.dbf"), "--column", "no such column", "--text", "x"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(r.err.contains(QStringLiteral("품명"))) << r.err.toStdString();
}

TEST_F(CliEndToEnd, MarginsReadAndWrite) {
  // Work on a copy so the other cases keep their report.
  const std::string d = work_.path().toStdString();
  rw::BillOptions o;
  o.fileName = "P_RPTB02_EDIT.dbf";
  o.pageSpace = "10|10|15|10|";
  ASSERT_TRUE(rw::writeReport(d, rw::billOfQuantities(o)));
  const QString file = out("P_RPTB02_EDIT.dbf");
  CliRun r = cli({"margins", file});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(r.out.trimmed(), QStringLiteral("10 10 15 10"));
  r = cli({"margins", file, "--set", "3", "4", "5", "6"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(r.out.trimmed(), QStringLiteral("3 4 5 6"));
  r = cli({"margins", file});
  EXPECT_EQ(r.out.trimmed(), QStringLiteral("3 4 5 6"));
  r = cli({"margins", report("P_RPTB02_BROKEN.dbf")});
  EXPECT_EQ(r.exitCode, 1);
}

// Page ranges as a printer sees them: a page number no line carries prints as
// its frame, pages past 9,999 print, and the PDF printer repeats the pages
// for each copy.
TEST_F(CliEndToEnd, EveryPageOfTheRangePrints) {
  if (!haveTool("pdftotext")) GTEST_SKIP() << "poppler-utils not installed";
  const std::string d = work_.path().toStdString();
  rw::BillOptions gapped;
  gapped.fileName = "P_RPTB02_GAP.dbf";
  gapped.pages = 4;
  rw::ReportSpec gap = rw::billOfQuantities(gapped);
  std::erase_if(gap.lines, [](const rw::Line& line) {
    return std::find(line.begin(), line.end(), rw::Line::value_type{"F_PAGE", "3"}) != line.end();
  });
  ASSERT_TRUE(rw::writeReport(d, gap));
  rw::BillOptions longOne;
  longOne.fileName = "P_RPTB02_LONG.dbf";
  longOne.pages = 1;
  rw::ReportSpec lengthy = rw::billOfQuantities(longOne);
  lengthy.lines.clear();
  lengthy.generatedLines = 10001;  // one line a page
  lengthy.generate = [](long index, rw::Line& line) {
    line = {{"F_PAGE", std::to_string(index + 1)}, {"F_TYPE", "D"}, {"F_DES", "line " + std::to_string(index + 1)}};
  };
  ASSERT_TRUE(rw::writeReport(d, lengthy));

  struct Case {
    const char* file;
    QStringList options;
    QStringList pages;  // what each sheet of the PDF shows, in order
  };
  const Case cases[] = {
      {"P_RPTB02_GAP.dbf", {"--pages", "3-4"}, {"Page : 3", "Page : 4"}},
      {"P_RPTB02_GAP.dbf", {"--pages", "1-4"}, {"Page : 1", "Page : 2", "Page : 3", "Page : 4"}},
      {"P_RPTB02_LONG.dbf", {"--pages", "10000-10001"}, {"Page : 10000", "Page : 10001"}},
      {"P_RPTB02_GAP.dbf", {"--pages", "1-2", "--copies", "2"}, {"Page : 1", "Page : 2", "Page : 1", "Page : 2"}},
  };
  int n = 0;
  for (const Case& c : cases) {
    const QString pdf = out(QStringLiteral("range%1.pdf").arg(++n));
    const CliRun r = cli(QStringList{"render", out(QString::fromLatin1(c.file)), "--pdf", pdf} + c.options);
    SCOPED_TRACE(c.options.join(' ').toStdString());
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    ASSERT_EQ(pdfPages(pdf), c.pages.size());
    for (int page = 1; page <= c.pages.size(); ++page) {
      const QString text = tool("pdftotext", {"-f", QString::number(page), "-l", QString::number(page), pdf, "-"});
      EXPECT_TRUE(text.contains(c.pages[page - 1] + "\n") || text.contains(c.pages[page - 1] + " "))
          << page << text.toStdString();
    }
  }
  // Page 4's lines print on the sheet numbered 4, not on the empty page 3's.
  const QString gapPdf = out("range1.pdf");
  const QString sheet1 = tool("pdftotext", {"-f", "1", "-l", "1", gapPdf, "-"});
  const QString sheet2 = tool("pdftotext", {"-f", "2", "-l", "2", gapPdf, "-"});
  EXPECT_GT(sheet2.size(), sheet1.size() + 200) << sheet1.toStdString();

  // The same page count in the description as in the run.
  const CliRun info = cli({"info", out("P_RPTB02_LONG.dbf")});
  EXPECT_TRUE(info.out.contains(QStringLiteral("Page수: 10001"))) << info.out.toStdString();
}

// An amount wider than its column prints whole, squeezed into its cell: the
// text layer has every digit and the words stay between the column's rules,
// in the PDF and in a PNG at 254 dpi.
TEST_F(CliEndToEnd, OverflowingAmountsKeepEveryDigit) {
  if (!haveTool("pdftotext")) GTEST_SKIP() << "poppler-utils not installed";
  rw::BillOptions o;
  o.fileName = "P_RPTB02_WIDE.dbf";
  o.pages = 1;
  o.pageSpace = "10|10|10|10|";
  o.outline = "1";
  rw::ReportSpec spec = rw::billOfQuantities(o);
  // Two columns: a blank text column of 90 % and an amount column of 10 %
  // (170 units; the size-9 font needs about 220 for the amount).
  for (auto& [key, value] : spec.settings) {
    if (key == "FIELDCOUNT") value = "2|0|2|";
    if (key == "F1") value = "1|1|1|4|90||S|F_REM||||||L|||||";
    if (key == "F2") value = "2|2|1|4|10||D|F_MAK||||||R|||||";
  }
  spec.lines = {{{"F_PAGE", "1"}, {"F_TYPE", "D"}, {"F_MAK", "123456789012"}}};
  ASSERT_TRUE(rw::writeReport(work_.path().toStdString(), spec));
  const QString pdf = out("wide.pdf");
  const CliRun r = cli({"render", out("P_RPTB02_WIDE.dbf"), "--pdf", pdf});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  // -bbox: each word with its box in points; the column is 17 mm, 48.2 pt.
  const QString boxes = tool("pdftotext", {"-bbox", pdf, "-"});
  const auto m = QRegularExpression(QStringLiteral("xMin=\"([0-9.]+)\"[^>]*xMax=\"([0-9.]+)\"[^>]*>123,456,789,012<"))
                     .match(boxes);
  ASSERT_TRUE(m.hasMatch()) << boxes.toStdString();
  EXPECT_LE(m.captured(2).toDouble() - m.captured(1).toDouble(), 48.2);
  const double columnLeft = (200 + 1530) / 254.0 * 72;  // frame left + 90 % of 1700 units
  EXPECT_GE(m.captured(1).toDouble(), columnLeft);

  // The preview's picture: no ink left of the amount column's rule on its row.
  const QString pngDir = out("png");
  ASSERT_EQ(cli({"render", out("P_RPTB02_WIDE.dbf"), "--png", pngDir, "--dpi", "254"}).exitCode, 0);
  const QImage page(QDir(pngDir).filePath(QStringLiteral("P_RPTB02_WIDE-p0001.png")));
  ASSERT_FALSE(page.isNull());
  const int ruleX = 200 + (1703 * 90 + 50) / 100;  // 254 dpi: one pixel a page unit
  const int rowTop = 200 + 80, rowBottom = rowTop + (2570 - 80) / 35;
  int stray = 0, amountInk = 0;
  for (int y = rowTop + 3; y < rowBottom - 3; ++y) {
    for (int x = 200 + 4; x < ruleX - 4; ++x) stray += qGray(page.pixel(x, y)) < 160;
    for (int x = ruleX + 2; x < ruleX + 170; ++x) amountInk += qGray(page.pixel(x, y)) < 160;
  }
  EXPECT_EQ(stray, 0);
  EXPECT_GT(amountInk, 50);
  // The frame's pen is 2 units, two pixels at 254 dpi, as thick as in the PDF.
  int frameInk = 0;
  for (int x = 194; x < 207; ++x) frameInk += qGray(page.pixel(x, 1500)) < 160;
  EXPECT_GE(frameInk, 2);
  EXPECT_LE(frameInk, 3);
}

// A report whose lines carry no page numbers cannot be searched, and find
// says so instead of offering no columns or searching lines no page shows.
TEST_F(CliEndToEnd, FindWithoutPageNumbersSaysWhy) {
  const std::string d = work_.path().toStdString();
  struct Case {
    const char* file;
    std::vector<std::string> pages;  // F_PAGE of each line; empty text: blank
    bool pageField;
  };
  // (Blank pages among numbered lines are damage, refused by the run: see
  // the corrupt-input set's page_number_blank.)
  const Case cases[] = {{"P_RPTB02_NOPAGE1.dbf", {"", "", ""}, true}, {"P_RPTB02_NOPAGE3.dbf", {"1", "1", "1"}, false}};
  for (const Case& c : cases) {
    rw::BillOptions o;
    o.fileName = c.file;
    o.pages = 1;
    rw::ReportSpec spec = rw::billOfQuantities(o);
    spec.lines.resize(c.pages.size());
    for (std::size_t i = 0; i < c.pages.size(); ++i) {
      for (auto& [name, value] : spec.lines[i])
        if (name == "F_PAGE") value = c.pages[i];
    }
    if (!c.pageField) {
      spec.fields = rw::standardFields();
      std::erase_if(spec.fields, [](const rw::FieldDef& f) { return f.name == "F_PAGE"; });
      for (auto& line : spec.lines)
        std::erase_if(line, [](const rw::Line::value_type& v) { return v.first == "F_PAGE"; });
    }
    ASSERT_TRUE(rw::writeReport(d, spec));
    const CliRun r = cli({"find", out(QString::fromLatin1(c.file)), "--column", "품명", "--text", "x"});
    SCOPED_TRACE(c.file);
    EXPECT_EQ(r.exitCode, 1);
    // Without the field the report cannot even run, and the error names it.
    const QString why =
        c.pageField ? QStringLiteral("Page번호가 없는 보고서는 검색할 수 없습니다.") : QStringLiteral("F_PAGE");
    EXPECT_TRUE(r.err.contains(why)) << r.err.toStdString();
  }
}

// A PDF export drawn on worker threads (ZEL_PDF_THREADS) and joined: the
// same pages in the same order as drawn on one thread, a valid file, also
// when the run is stopped part way.
class CliPdfThreads : public CliEndToEnd, public ::testing::WithParamInterface<int> {
 protected:
  static constexpr int kPages = 27;  // more than three runs of pages per worker, the last one short
  static void SetUpTestSuite() {
    CliEndToEnd::SetUpTestSuite();
    rw::ReportSpec threaded = rw::largeReport(long(kPages) * rw::linesPerPage('P'), 'P');
    threaded.fileName = "P_RPTB02_THREADS.dbf";
    ASSERT_TRUE(rw::writeReport(dir_->path().toStdString(), threaded));
  }
  static QProcessEnvironment threads(int count) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZEL_PDF_THREADS"), QString::number(count));
    return env;
  }
  static bool checkedByQpdf(const QString& pdf, QString& why) {
    if (!haveTool("qpdf")) return true;
    const CliRun check = runProgram(QStringLiteral("qpdf"), {"--check", pdf});
    why = check.out + check.err;
    return check.exitCode == 0;
  }
};

TEST_P(CliPdfThreads, SamePagesInTheSameOrderAsOneThread) {
  if (!haveTool("pdftotext")) GTEST_SKIP() << "poppler-utils not installed";
  const QString one = out("one.pdf"), many = out("many.pdf");
  const QStringList args{"render", report("P_RPTB02_THREADS.dbf"), "--pages", "2-27", "--start-no", "5", "--pdf"};
  const CliRun single = runProgram(cliPath(), QStringList(args) << one, threads(1));
  ASSERT_EQ(single.exitCode, 0) << single.err.toStdString();
  const CliRun split = runProgram(cliPath(), QStringList(args) << many, threads(GetParam()));
  ASSERT_EQ(split.exitCode, 0) << split.err.toStdString();
  EXPECT_TRUE(split.out.contains(QStringLiteral("26 pages"))) << split.out.toStdString();
  EXPECT_EQ(pdfPages(many), 26);
  QString why;
  EXPECT_TRUE(checkedByQpdf(many, why)) << why.toStdString();
  for (const char* layout : {"-raw", "-layout"}) {
    EXPECT_EQ(tool("pdftotext", {layout, many, "-"}), tool("pdftotext", {layout, one, "-"})) << layout;
  }
  for (int page = 1; page <= 26; ++page) {
    const QString text = tool("pdftotext", {"-f", QString::number(page), "-l", QString::number(page), many, "-"});
    EXPECT_TRUE(text.contains(QStringLiteral("Page : %1").arg(page + 4))) << page;
  }
  // The parts are gone.
  EXPECT_EQ(QDir(work_.path()).entryList(QDir::Files), (QStringList{"many.pdf", "one.pdf"}));
}

TEST_P(CliPdfThreads, InterruptKeepsTheDonePagesInOrder) {
  if (!haveTool("pdftotext")) GTEST_SKIP() << "poppler-utils not installed";
  constexpr int kStopAfter = 11;  // inside the second worker's first run
  const QString pdf = out("stopped.pdf");
  QProcess process;
  process.setProcessEnvironment(threads(GetParam()));
  ASSERT_TRUE(e2e::startStoppedAfterPages(process, cliPath(), {"render", report("P_RPTB02_THREADS.dbf"), "--pdf", pdf},
                                          kStopAfter));
  e2e::signalAndContinue(process, SIGINT);
  ASSERT_TRUE(process.waitForFinished(300000));
  EXPECT_EQ(process.exitCode(), 130) << QString::fromUtf8(process.readAllStandardError()).toStdString();
  ASSERT_EQ(pdfPages(pdf), kStopAfter);
  QString why;
  EXPECT_TRUE(checkedByQpdf(pdf, why)) << why.toStdString();
  for (int page = 1; page <= kStopAfter; ++page) {
    const QString text = tool("pdftotext", {"-f", QString::number(page), "-l", QString::number(page), pdf, "-"});
    EXPECT_TRUE(text.contains(QStringLiteral("Page : %1").arg(page))) << page;
  }
  EXPECT_EQ(QDir(work_.path()).entryList(QDir::Files), QStringList{"stopped.pdf"});
}

INSTANTIATE_TEST_SUITE_P(Workers, CliPdfThreads, ::testing::Values(2, 3));

}  // namespace
}  // namespace zel

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
