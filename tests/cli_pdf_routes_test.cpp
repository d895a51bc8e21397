// zelrpt-cli's own PDF writer against the toolkit's PDF engine: the same
// report printed both ways (one thread writes the file itself; more workers
// draw through the toolkit) must extract as the same words at the same
// places in the same order, embed every font as a subset, read back clean
// and look the same. Reports: the sample set and a fully filled bill.
#define POINTERHOLDER_TRANSITION 4
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>

#include <cmath>
#include <vector>

#include "cli_process.h"
#include "pdf_words.h"
#include "cp949.h"
#include "filled_report.h"
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

bool haveTool(const char* tool) { return !QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty(); }
CliRun tool(const char* name, const QStringList& args) { return runProgram(QString::fromLatin1(name), args); }

class CliPdfRoutes : public ::testing::TestWithParam<const char*> {
 protected:
  static void SetUpTestSuite() {
    dir_ = new QTemporaryDir();
    ASSERT_TRUE(dir_->isValid());
    const std::string d = dir_->path().toStdString();
    ASSERT_TRUE(rw::writeSampleSet(d));
    ASSERT_TRUE(rw::writeReport(d, bench::filledReport(3 * 35)));  // three filled pages
    // Item names with Hanja, which the Nanum faces lack: drawn in the face
    // the toolkit falls back on.
    rw::BillOptions hanja;
    hanja.pages = 2;
    hanja.fileName = "P_RPTB02_HANJA.dbf";
    rw::ReportSpec spec = rw::billOfQuantities(hanja);
    const auto withHanja = [](long index, rw::Line& line) {
      for (auto& [key, value] : line) {
        if (key == "F_DES" && index % 3 == 0) value = utf8ToCp949("漢字工事 ") + value;
      }
    };
    for (std::size_t i = 0; i < spec.lines.size(); ++i) withHanja(static_cast<long>(i), spec.lines[i]);
    if (spec.generate) {
      spec.generate = [generate = spec.generate, withHanja](long index, rw::Line& line) {
        generate(index, line);
        withHanja(index, line);
      };
    }
    ASSERT_TRUE(rw::writeReport(d, spec));
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(QFile::exists(cliPath())) << cliPath().toStdString();
    for (const char* needed : {"pdftotext", "pdffonts", "pdftoppm", "qpdf"}) {
      if (!haveTool(needed)) GTEST_SKIP() << needed << " not installed";
    }
    const QString report = dir_->filePath(QString::fromLatin1(GetParam()));
    const CliRun own = runProgram(cliPath(), {"render", report, "--pdf", ownPdf()}, pdfThreads(1));
    ASSERT_EQ(own.exitCode, 0) << own.err.toStdString();
    const CliRun toolkit = runProgram(cliPath(), {"render", report, "--pdf", toolkitPdf()}, pdfThreads(2));
    ASSERT_EQ(toolkit.exitCode, 0) << toolkit.err.toStdString();
  }
  QString ownPdf() const { return work_.filePath(QStringLiteral("own.pdf")); }
  QString toolkitPdf() const { return work_.filePath(QStringLiteral("toolkit.pdf")); }

  static QTemporaryDir* dir_;
  QTemporaryDir work_;
};

QTemporaryDir* CliPdfRoutes::dir_ = nullptr;

TEST_P(CliPdfRoutes, SameWordsAtTheSamePlacesInTheSameOrder) {
  const auto expected = pdfWordsByPage(toolkitPdf()), got = pdfWordsByPage(ownPdf());
  ASSERT_FALSE(expected.empty());
  ASSERT_EQ(got.size(), expected.size());
  for (std::size_t page = 0; page < got.size(); ++page) {
    ASSERT_EQ(got[page].size(), expected[page].size()) << "page " << page + 1;
    ASSERT_FALSE(got[page].empty());
    for (std::size_t w = 0; w < got[page].size(); ++w) {
      const PdfWord &a = got[page][w], &b = expected[page][w];
      // Compatibility forms aside: the toolkit's files give a Hanja shared
      // with a Kangxi radical in the fallback face as the radical.
      ASSERT_EQ(a.text.normalized(QString::NormalizationForm_KC), b.text.normalized(QString::NormalizationForm_KC))
          << "page " << page + 1 << " word " << w;
      for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(a.box[i], b.box[i], 0.1) << "page " << page + 1 << " " << a.text.toStdString();
      }
    }
  }
  for (const char* mode : {"-raw", "-layout"}) {
    EXPECT_EQ(tool("pdftotext", {mode, ownPdf(), "-"}).out.normalized(QString::NormalizationForm_KC),
              tool("pdftotext", {mode, toolkitPdf(), "-"}).out.normalized(QString::NormalizationForm_KC))
        << mode;
  }
  // The characters themselves, where a fallback face drew them.
  if (QString::fromLatin1(GetParam()) == QLatin1String("P_RPTB02_HANJA.dbf")) {
    EXPECT_TRUE(tool("pdftotext", {ownPdf(), "-"}).out.contains(QStringLiteral("漢字工事")));
  }
}

TEST_P(CliPdfRoutes, EveryFontIsAnEmbeddedSubsetAndTheFileReadsClean) {
  const CliRun check = tool("qpdf", {"--check", ownPdf()});
  EXPECT_EQ(check.exitCode, 0) << check.out.toStdString() << check.err.toStdString();
  const QStringList lines = tool("pdffonts", {ownPdf()}).out.split('\n', Qt::SkipEmptyParts).mid(2);
  ASSERT_FALSE(lines.isEmpty());
  EXPECT_TRUE(lines.first().startsWith(QStringLiteral("Nanum"))) << lines.first().toStdString();
  for (const QString& line : lines) {
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\S+\\s+CID TrueType\\s+Identity-H\\s+yes\\s+\\S+\\s+yes"))
                    .match(line)
                    .hasMatch())
        << line.toStdString();
  }
  // Each descendant font names its subset (a tag of six capitals), and its
  // program holds outlines only for the glyphs drawn.
  QPDF file;
  file.processFile(QFile::encodeName(ownPdf()).constData());
  int descriptors = 0;
  for (QPDFObjectHandle object : file.getAllObjects()) {
    if (!object.isDictionary() || !object.getKey("/Type").isNameAndEquals("/FontDescriptor")) continue;
    ++descriptors;
    const std::string name = object.getKey("/FontName").getName();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^/[A-Z]{6}\\+\\w")).match(QString::fromStdString(name)).hasMatch())
        << name;
    QPDFObjectHandle program = object.getKey("/FontFile2");
    ASSERT_TRUE(program.isStream());
    const std::size_t size = program.getStreamData(qpdf_dl_generalized)->getSize();
    EXPECT_LT(size, 400000u) << "the face itself is some 2 MB";
  }
  EXPECT_GE(descriptors, 1);
}

TEST_P(CliPdfRoutes, PagesLookTheSame) {
  const QString own = work_.filePath(QStringLiteral("own")), toolkit = work_.filePath(QStringLiteral("toolkit"));
  ASSERT_EQ(tool("pdftoppm", {"-r", "100", "-gray", "-png", ownPdf(), own}).exitCode, 0);
  ASSERT_EQ(tool("pdftoppm", {"-r", "100", "-gray", "-png", toolkitPdf(), toolkit}).exitCode, 0);
  const QStringList pages = QDir(work_.path()).entryList({QStringLiteral("own-*.png")}, QDir::Files, QDir::Name);
  ASSERT_FALSE(pages.isEmpty());
  for (const QString& page : pages) {
    const QImage a(work_.filePath(page));
    const QImage b(work_.filePath(QString(page).replace(QStringLiteral("own-"), QStringLiteral("toolkit-"))));
    ASSERT_EQ(a.size(), b.size()) << page.toStdString();
    // Anti-aliasing may differ by a shade; a glyph or a line out of place
    // differs by far more, and in more pixels.
    long differing = 0;
    for (int y = 0; y < a.height(); ++y) {
      for (int x = 0; x < a.width(); ++x) {
        if (std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y))) > 96) ++differing;
      }
    }
    EXPECT_LT(differing, a.width() * a.height() / 2000) << page.toStdString();
  }
}

INSTANTIATE_TEST_SUITE_P(Reports, CliPdfRoutes,
                         ::testing::Values("P_RPTB02_SAMPLE.dbf", "L_RPTB02_SAMPLE.dbf", "P_RPTB01_SUMMARY.dbf",
                                           "P_RPTB02_MARGIN.dbf", "P_RPTB02_HANJA.dbf", bench::kFilledReportName));

}  // namespace
}  // namespace zel

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
