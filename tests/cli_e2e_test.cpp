// zelrpt-cli from the outside: reports made by the project's writer, the
// program run as a user would run it, its PDF checked with poppler's tools.
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

#include "cp949.h"
#include "sample_reports.h"

namespace zel {
namespace {

namespace rw = reportwriter;

struct CliRun {
  int exitCode = -1;
  QString out;
  QString err;
};

QString cliPath() {
  const QByteArray bin = qgetenv("ZEL_BINARY_DIR");
  return QString::fromLocal8Bit(bin) + QStringLiteral("/bin/zelrpt-cli");
}

CliRun runProgram(const QString& program, const QStringList& args) {
  QProcess process;
  process.start(program, args);
  process.waitForFinished(300000);
  CliRun r;
  r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  r.out = QString::fromUtf8(process.readAllStandardOutput());
  r.err = QString::fromUtf8(process.readAllStandardError());
  return r;
}

CliRun cli(const QStringList& args) { return runProgram(cliPath(), args); }

bool haveTool(const char* tool) { return !QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty(); }

QString tool(const char* name, const QStringList& args) { return runProgram(QString::fromLatin1(name), args).out; }

int pdfPages(const QString& pdf) {
  const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(tool("pdfinfo", {pdf}));
  return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QString pdfPageSize(const QString& pdf) {
  const auto m = QRegularExpression(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+) pts")).match(tool("pdfinfo", {pdf}));
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
  void SetUp() override {
    ASSERT_TRUE(QFile::exists(cliPath())) << cliPath().toStdString();
  }
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

TEST_F(CliEndToEnd, InfoOnABrokenOrMissingReportFails) {
  CliRun r = cli({"info", report("P_RPTB02_BROKEN.dbf")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.out.contains(QStringLiteral("보고서 파일오류(사용불가)"))) << r.out.toStdString();
  r = cli({"info", report("NO_SUCH.dbf")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.out.contains(QStringLiteral("보고서 파일이 아님"))) << r.out.toStdString();
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
  EXPECT_TRUE(QRegularExpression(QStringLiteral("Nanum\\S*\\s+CID TrueType\\s+Identity-H\\s+yes")).match(fonts).hasMatch())
      << fonts.toStdString();
  for (const QString& line : fonts.split('\n', Qt::SkipEmptyParts).mid(2)) {
    EXPECT_TRUE(line.startsWith(QStringLiteral("Nanum"))) << line.toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("Identity-H\\s+yes\\s")).match(line).hasMatch()) << line.toStdString();
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
  EXPECT_TRUE(r.err.contains(QStringLiteral("경고: 인쇄시작Page가 인쇄종료Page보다\n작아야만 합니다."))) << r.err.toStdString();
  EXPECT_TRUE(QDir(work_.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(CliEndToEnd, RefusalsPrintTheEngineMessage) {
  // Missing file: the runner's own check.
  CliRun r = cli({"render", report("P_RPTB02_NONE.dbf"), "--pdf", out("x.pdf")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_FALSE(r.err.isEmpty());
  // A report code the viewer does not run ends silently, but not successfully.
  r = cli({"render", report("P_RPTB02_OTHER.dbf"), "--pdf", out("y.pdf")});
  EXPECT_EQ(r.exitCode, 1);
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
  constexpr int kPages = 3000;
  const std::string d = work_.path().toStdString();
  rw::ReportSpec big = rw::largeReport(long(kPages) * rw::linesPerPage('P'), 'P');
  big.fileName = "P_RPTB02_BIG.dbf";
  ASSERT_TRUE(rw::writeReport(d, big));
  const QString pdf = out("big.pdf");
  QProcess process;
  process.start(cliPath(), {"render", out("P_RPTB02_BIG.dbf"), "--pdf", pdf, "--progress"});
  ASSERT_TRUE(process.waitForStarted());
  // Wait for a few pages to be done, then press Ctrl+C.
  QByteArray err;
  const QRegularExpression done(QStringLiteral("(\\d+)/%1").arg(kPages));
  int pagesSeen = 0;
  while (pagesSeen < 3 && process.state() == QProcess::Running) {
    process.waitForReadyRead(1000);
    err += process.readAllStandardError();
    auto it = done.globalMatch(QString::fromUtf8(err));
    while (it.hasNext()) pagesSeen = it.next().captured(1).toInt();
  }
  ASSERT_EQ(process.state(), QProcess::Running) << "finished before it could be interrupted";
  ::kill(static_cast<pid_t>(process.processId()), SIGINT);
  ASSERT_TRUE(process.waitForFinished(300000));
  EXPECT_EQ(process.exitCode(), 130) << QString::fromUtf8(err + process.readAllStandardError()).toStdString();
  const int pages = pdfPages(pdf);
  EXPECT_GE(pages, pagesSeen);
  EXPECT_LT(pages, kPages);
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

}  // namespace
}  // namespace zel

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
