// zelrpt-cli's PDF of a document of thousands of pages drawn on more workers
// than two: each worker closes its part file every so many pages and goes on
// in a new one, and the parts are joined as they close. Page by page the
// output must be what one thread draws. A program of its own: drawing the
// pages twice takes minutes in the sanitizer build.
#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <signal.h>

// The library asks its users to say they follow its smart-pointer transition.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>

#include <cmath>
#include <set>
#include <vector>

#include "cli_process.h"
#include "pdf_words.h"
#include "sample_reports.h"

namespace zel {
namespace {

namespace rw = reportwriter;

using e2e::cliPath;
using e2e::CliRun;
using e2e::pdfThreads;
using e2e::PdfWord;
using e2e::pdfWordsByPage;
using e2e::runProgram;

constexpr int kForever = -1;

bool haveTool(const char* tool) { return !QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty(); }

CliRun tool(const char* name, const QStringList& args) {
  return runProgram(QString::fromLatin1(name), args, QProcessEnvironment::systemEnvironment(), kForever);
}

// qpdf --check passes the file. Its one warning that says nothing against the
// file is let through: a compressed stream whose last inflate exactly fills
// qpdf's buffer ends in "input stream is complete but output may still be
// valid", which depends only on the compressed bytes.
::testing::AssertionResult checkedByQpdf(const QString& pdf) {
  const CliRun check = tool("qpdf", {"--check", pdf});
  if (check.exitCode == 0) return ::testing::AssertionSuccess();
  const QString all = check.out + check.err;
  static const QRegularExpression warning(QStringLiteral("WARNING: (.*)"));
  bool onlyBoundaries = check.exitCode == 3;
  for (auto it = warning.globalMatch(all); it.hasNext();) {
    onlyBoundaries = onlyBoundaries && it.next().captured(1).contains(
                                           QStringLiteral("input stream is complete but output may still be valid"));
  }
  if (onlyBoundaries) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << all.toStdString();
}

int pdfPages(const QString& pdf) {
  const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(tool("pdfinfo", {pdf}).out);
  return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// The glyph count of each embedded font program (FontFile2) of the file,
// from its 'maxp' table (-1 when it has none); fonts without one count as
// not embedded.
struct EmbeddedFonts {
  int fonts = 0;  // font dictionaries with a font descriptor
  std::vector<int> glyphs;  // per embedded program
};

EmbeddedFonts embeddedFonts(const QString& pdf) {
  EmbeddedFonts found;
  QPDF file;
  file.processFile(QFile::encodeName(pdf).constData());
  std::set<QPDFObjGen> programs;
  for (QPDFObjectHandle object : file.getAllObjects()) {
    if (!object.isDictionary() || !object.getKey("/Type").isNameAndEquals("/FontDescriptor")) continue;
    ++found.fonts;
    QPDFObjectHandle program = object.getKey("/FontFile2");
    if (!program.isStream() || !programs.insert(program.getObjGen()).second) continue;
    const std::shared_ptr<Buffer> data = program.getStreamData(qpdf_dl_generalized);
    const unsigned char* font = data->getBuffer();
    const std::size_t size = data->getSize();
    auto u16 = [&](std::size_t at) { return at + 2 <= size ? (font[at] << 8) | font[at + 1] : -1; };
    auto u32 = [&](std::size_t at) { return (std::size_t(u16(at)) << 16) | std::size_t(u16(at + 2)); };
    int count = -1;
    for (int table = 0; table < u16(4); ++table) {
      const std::size_t record = 12 + 16 * std::size_t(table);
      if (record + 16 <= size && std::equal(font + record, font + record + 4, "maxp")) count = u16(u32(record + 8) + 4);
    }
    found.glyphs.push_back(count);
  }
  return found;
}

class CliLongPdf : public ::testing::Test {
 protected:
  static constexpr int kPages = 5000;
  static void SetUpTestSuite() {
    dir_ = new QTemporaryDir();
    ASSERT_TRUE(dir_->isValid());
    rw::ReportSpec longReport = rw::largeReport(long(kPages) * rw::linesPerPage('P'), 'P');
    longReport.fileName = "P_RPTB02_LONG.dbf";
    ASSERT_TRUE(rw::writeReport(dir_->path().toStdString(), longReport));
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(QFile::exists(cliPath())) << cliPath().toStdString();
    if (!haveTool("pdftotext") || !haveTool("qpdf")) GTEST_SKIP() << "poppler-utils or qpdf not installed";
  }
  static QString report() { return dir_->filePath(QStringLiteral("P_RPTB02_LONG.dbf")); }
  QString out(const QString& name) const { return work_.filePath(name); }

  static QTemporaryDir* dir_;
  QTemporaryDir work_;
};

QTemporaryDir* CliLongPdf::dir_ = nullptr;

TEST_F(CliLongPdf, EveryPageAsOneThreadDrawsIt) {
  const QString one = out("one.pdf"), many = out("many.pdf");
  const QStringList args{"render", report(), "--pdf"};
  const CliRun single = runProgram(cliPath(), QStringList(args) << one, pdfThreads(1), kForever);
  ASSERT_EQ(single.exitCode, 0) << single.err.toStdString();
  const CliRun split = runProgram(cliPath(), QStringList(args) << many, pdfThreads(3), kForever);
  ASSERT_EQ(split.exitCode, 0) << split.err.toStdString();
  EXPECT_TRUE(split.out.contains(QStringLiteral("%1 pages").arg(kPages))) << split.out.toStdString();
  EXPECT_TRUE(checkedByQpdf(many));

  // The same words at the same places, page by page.
  const std::vector<std::vector<PdfWord>> expected = pdfWordsByPage(one), got = pdfWordsByPage(many);
  ASSERT_EQ(expected.size(), std::size_t{kPages});
  ASSERT_EQ(got.size(), expected.size());
  int differing = 0;
  for (std::size_t page = 0; page < got.size() && differing < 5; ++page) {
    bool same = !got[page].empty() && got[page].size() == expected[page].size();
    for (std::size_t w = 0; same && w < got[page].size(); ++w) {
      same = got[page][w].text == expected[page][w].text;
      for (int i = 0; same && i < 4; ++i) same = std::abs(got[page][w].box[i] - expected[page][w].box[i]) <= 0.1;
    }
    if (!same) {
      ADD_FAILURE() << "page " << page + 1 << " differs";
      ++differing;
    }
  }

  // Every font embedded, as the subset of the glyphs its pages use (each
  // part brings its own; the faces hold thousands).
  const EmbeddedFonts fonts = embeddedFonts(many);
  EXPECT_GE(fonts.fonts, 2);
  EXPECT_EQ(fonts.glyphs.size(), std::size_t(fonts.fonts));
  for (int count : fonts.glyphs) {
    EXPECT_GT(count, 0);
    EXPECT_LT(count, 2000);
  }
  EXPECT_EQ(QDir(work_.path()).entryList(QDir::Files), (QStringList{"many.pdf", "one.pdf"}));
}

TEST_F(CliLongPdf, InterruptAfterPartsWereJoinedKeepsEveryPageBegun) {
  constexpr int kStopAfter = 1100;  // each of two workers is in its second part
  const QString pdf = out("stopped.pdf");
  QProcess process;
  process.setProcessEnvironment(pdfThreads(2));
  ASSERT_TRUE(
      e2e::startStoppedAfterPages(process, cliPath(), {"render", report(), "--pdf", pdf}, kStopAfter, 3600 * 1000));
  e2e::signalAndContinue(process, SIGINT);
  ASSERT_TRUE(process.waitForFinished(kForever));
  EXPECT_EQ(process.exitCode(), 130) << QString::fromUtf8(process.readAllStandardError()).toStdString();
  ASSERT_EQ(pdfPages(pdf), kStopAfter);
  EXPECT_TRUE(checkedByQpdf(pdf));
  const QStringList sheets = tool("pdftotext", {pdf, "-"}).out.split(QLatin1Char('\f'));
  ASSERT_GE(sheets.size(), kStopAfter);
  for (int page = 1; page <= kStopAfter; ++page) {
    EXPECT_TRUE(sheets[page - 1].contains(QStringLiteral("Page : %1").arg(page))) << page;
  }
  EXPECT_EQ(QDir(work_.path()).entryList(QDir::Files), QStringList{"stopped.pdf"});
}

}  // namespace
}  // namespace zel

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
