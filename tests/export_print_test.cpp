// The exported workbook printed by an office suite: LibreOffice (headless)
// converts it to PDF, and the PDF must have one sheet of paper per report
// page, the titles and captions on each, and every text of the report whole
// (none cut by a narrow column). The same suite reads texts back as written.
// Where LibreOffice or poppler-utils is not installed the program says so
// and exits 77, which ctest reports as skipped.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>
#include <string>

#include "cli_process.h"
#include "cp949.h"
#include "report_writer.h"
#include "sample_reports.h"

namespace zel {
namespace {

namespace rw = reportwriter;

constexpr int kSkipped = 77;

QString office() {
  for (const char* name : {"soffice", "libreoffice"}) {
    const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
    if (!path.isEmpty()) return path;
  }
  return {};
}

void setField(rw::Line& line, const std::string& field, const std::string& value) {
  for (auto& [name, v] : line)
    if (name == field) {
      v = value;
      return;
    }
  line.emplace_back(field, value);
}

std::string fieldOf(const rw::Line& line, const std::string& field) {
  for (const auto& [name, v] : line)
    if (name == field) return v;
  return {};
}

QString withoutSpace(QString s) { return s.remove(QRegularExpression(QStringLiteral("\\s"))); }

class ExportPrint : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    dirPath_ = dir_.path().toStdString();
  }

  // Converts file to `format` with LibreOffice; the path of the converted file.
  QString convert(const QString& file, const QString& format, const QString& extension) {
    const QString outDir = dir_.filePath(QStringLiteral("converted"));
    QDir().mkpath(outDir);
    const e2e::CliRun r = e2e::runProgram(
        office(), {QStringLiteral("-env:UserInstallation=file://") + dir_.filePath(QStringLiteral("profile")),
                   QStringLiteral("--headless"), QStringLiteral("--convert-to"), format, QStringLiteral("--outdir"),
                   outDir, file});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return QDir(outDir).filePath(QFileInfo(file).completeBaseName() + extension);
  }

  int pdfPages(const QString& pdf) {
    const e2e::CliRun r = e2e::runProgram(QStringLiteral("pdfinfo"), {pdf});
    const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(r.out);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
  }

  QString pageText(const QString& pdf, int page) {
    return e2e::runProgram(QStringLiteral("pdftotext"),
                           {QStringLiteral("-layout"), QStringLiteral("-f"), QString::number(page),
                            QStringLiteral("-l"), QString::number(page), pdf, QStringLiteral("-")})
        .out;
  }

  QString exportXlsx(const std::string& report, const QString& name) {
    const QString xlsx = dir_.filePath(name);
    const e2e::CliRun run = e2e::cli({"export", QString::fromStdString(report), "--xlsx", xlsx});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    return xlsx;
  }

  QTemporaryDir dir_;
  std::string dirPath_;
};

struct PrintCase {
  const char* name;
  char orientation;
  int pages;
  const char* outline;
};

class ExportPrintPages : public ExportPrint, public ::testing::WithParamInterface<PrintCase> {};

// Printed from the suite, the sheet used to come out as fewer sheets of paper
// than the report has pages, with size texts cut ("쌍줄비계, 높이 1…").
TEST_P(ExportPrintPages, OneSheetOfPaperPerPageWithEveryTextWhole) {
  const PrintCase& c = GetParam();
  rw::BillOptions options;
  options.orientation = c.orientation;
  options.pages = c.pages;
  options.outline = c.outline;
  const rw::ReportSpec bill = rw::billOfQuantities(options);
  ASSERT_TRUE(rw::writeReport(dirPath_, bill).ok());
  const QString pdf = convert(exportXlsx(dirPath_ + "/" + bill.fileName, "bill.xlsx"), "pdf", ".pdf");
  ASSERT_EQ(pdfPages(pdf), c.pages);

  const int perPage = rw::linesPerPage(c.orientation);
  for (int page = 1; page <= c.pages; ++page) {
    const QString text = withoutSpace(pageText(pdf, page));
    // The titles and captions head every sheet of paper.
    EXPECT_TRUE(text.contains(withoutSpace(QString::fromStdString(cp949ToUtf8([&] {
      for (const auto& [key, value] : bill.settings)
        if (key == "TITLE") return value;
      return std::string();
    }())))))
        << "page " << page;
    EXPECT_TRUE(text.contains(QStringLiteral("Page"))) << "page " << page;
    // No amount too wide for its cell.
    EXPECT_FALSE(text.contains(QStringLiteral("###"))) << "page " << page;
    // Every name and size of the page's lines is there whole, on its own page.
    for (std::size_t i = static_cast<std::size_t>((page - 1) * perPage);
         i < bill.lines.size() && i < static_cast<std::size_t>(page * perPage); ++i) {
      for (const char* field : {"F_DES", "F_SIZE"}) {
        const QString value = withoutSpace(QString::fromStdString(cp949ToUtf8(fieldOf(bill.lines[i], field))));
        if (!value.isEmpty()) {
          EXPECT_TRUE(text.contains(value)) << "page " << page << " " << value.toStdString();
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Bills, ExportPrintPages,
                         ::testing::Values(PrintCase{"portrait_three_pages_ruled", 'P', 3, "0"},
                                           PrintCase{"landscape_two_pages_column_rules", 'L', 2, "1"},
                                           PrintCase{"portrait_one_page", 'P', 1, "2"}),
                         [](const auto& info) { return std::string(info.param.name); });

// "x_x000D_y" used to come back from the workbook as "x", a carriage return, "y".
TEST_F(ExportPrint, TextsComeBackAsWritten) {
  rw::BillOptions options;
  options.pages = 1;
  rw::ReportSpec bill = rw::billOfQuantities(options);
  setField(bill.lines[1], "F_DES", "x_x000D_y");
  setField(bill.lines[2], "F_DES", "=1+1");
  ASSERT_TRUE(rw::writeReport(dirPath_, bill).ok());
  const QString csv = convert(exportXlsx(dirPath_ + "/" + bill.fileName, "texts.xlsx"),
                              "csv:Text - txt - csv (StarCalc):44,34,76", ".csv");
  QFile file(csv);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray back = file.readAll();
  EXPECT_TRUE(back.contains("x_x000D_y")) << back.left(2000).toStdString();
  EXPECT_TRUE(back.contains("=1+1"));  // a text, not a formula (that would read 2)
}

}  // namespace
}  // namespace zel

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  if (zel::office().isEmpty() || QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
    std::printf("LibreOffice (soffice) or poppler-utils is not installed: skipped\n");
    return zel::kSkipped;
  }
  return RUN_ALL_TESTS();
}
