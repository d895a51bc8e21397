// The check a PDF passes before it replaces anything: a whole file of the
// right page count passes; a file cut short (a full disk), one whose objects
// moved, and one of another page count do not.
#include <gtest/gtest.h>

#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "pdf_check.h"

namespace zel {
namespace {

std::string readAll(const std::string& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeAll(const std::string& path, const std::string& bytes) {
  std::ofstream(std::filesystem::path(path), std::ios::binary | std::ios::trunc) << bytes;
}

std::string writePdf(const QString& path, int pages) {
  QPdfWriter writer(path);
  writer.setPageSize(QPageSize(QPageSize::A4));
  QPainter painter(&writer);
  for (int page = 0; page < pages; ++page) {
    if (page > 0) writer.newPage();
    painter.drawRect(100, 100, 2000, 1000 + page * 100);
    painter.drawLine(0, 0, 3000, 3000);
  }
  painter.end();
  return path.toStdString();
}

class PdfCheckTest : public ::testing::Test {
 protected:
  QTemporaryDir dir_;
  std::string path(const char* name) const { return dir_.filePath(name).toStdString(); }
};

TEST_F(PdfCheckTest, AWholeFileOfItsPagesPasses) {
  for (int pages : {1, 3, 12}) {
    const std::string file = writePdf(dir_.filePath("whole.pdf"), pages);
    std::string error;
    EXPECT_TRUE(CheckPdfFile(file, pages, error)) << pages << ": " << error;
  }
}

TEST_F(PdfCheckTest, AnotherPageCountFailsAndSaysHowMany) {
  const std::string file = writePdf(dir_.filePath("three.pdf"), 3);
  std::string error;
  EXPECT_FALSE(CheckPdfFile(file, 4, error));
  EXPECT_NE(error.find("holds 3 of 4 pages"), std::string::npos) << error;
}

TEST_F(PdfCheckTest, AFileCutShortOrShiftedFails) {
  const std::string whole = readAll(writePdf(dir_.filePath("source.pdf"), 3));
  ASSERT_GT(whole.size(), 200u);
  struct Case {
    const char* what;
    std::string bytes;
  };
  std::string shifted = whole;
  shifted.insert(whole.size() / 2, "\n%");  // every later object starts two bytes late
  const Case cases[] = {
      {"half", whole.substr(0, whole.size() / 2)},
      {"without its last 40 bytes", whole.substr(0, whole.size() - 40)},
      {"cut in its trailer", whole.substr(0, whole.rfind("startxref") + 12)},
      {"only its first 9 bytes", whole.substr(0, 9)},
      {"empty", std::string()},
      {"shifted", shifted},
  };
  for (const Case& c : cases) {
    writeAll(path("damaged.pdf"), c.bytes);
    std::string error;
    EXPECT_FALSE(CheckPdfFile(path("damaged.pdf"), 3, error)) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
  }
}

TEST_F(PdfCheckTest, AMissingFileFails) {
  std::string error;
  EXPECT_FALSE(CheckPdfFile(path("missing.pdf"), 1, error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace zel
