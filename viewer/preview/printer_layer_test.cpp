#include "printer_layer.h"

#include <QFile>
#include <QPrinterInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>

#include "canvas.h"
#include "painter_canvas.h"

namespace zel {
namespace {

constexpr char kGaNaDa[] = "\xB0\xA1\xB3\xAA\xB4\xD9";  // "가나다"

// Runs a poppler tool; empty when it is not installed.
QString runTool(const QString& tool, const QStringList& args) {
  if (QStandardPaths::findExecutable(tool).isEmpty()) return {};
  QProcess process;
  process.start(tool, args);
  process.waitForFinished(60000);
  return QString::fromUtf8(process.readAllStandardOutput());
}

class PdfPrinter : public ::testing::Test {
 protected:
  QString path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }
  QTemporaryDir dir_;
};

TEST_F(PdfPrinter, CapsDescribeA4InBothOrientations) {
  auto printer = PrinterLayer::pdfPrinter(path("caps.pdf"));
  EXPECT_TRUE(printer->isPdfPrinter());
  PrinterCaps caps;
  ASSERT_TRUE(printer->setOrientation(PaperOrientation::kPortrait));
  ASSERT_TRUE(printer->caps(caps));
  ASSERT_GT(caps.logPixelsX, 0);
  EXPECT_NEAR(caps.physicalWidth * 25.4 / caps.logPixelsX, 210, 0.5);
  EXPECT_NEAR(caps.physicalHeight * 25.4 / caps.logPixelsY, 297, 0.5);
  EXPECT_LE(caps.horzRes, caps.physicalWidth);
  EXPECT_LE(caps.vertRes, caps.physicalHeight);
  EXPECT_GE(caps.printingOffsetX, 0);
  // The preview picture at 80 pixels per inch: 661 x 935.
  EXPECT_EQ(qRound(double(caps.physicalWidth) / caps.logPixelsX * 80), 661);
  EXPECT_EQ(qRound(double(caps.physicalHeight) / caps.logPixelsY * 80), 935);

  ASSERT_TRUE(printer->setOrientation(PaperOrientation::kLandscape));
  ASSERT_TRUE(printer->caps(caps));
  EXPECT_NEAR(caps.physicalWidth * 25.4 / caps.logPixelsX, 297, 0.5);
  EXPECT_NEAR(caps.physicalHeight * 25.4 / caps.logPixelsY, 210, 0.5);
}

TEST_F(PdfPrinter, CopiesGoToTheDriver) {
  auto printer = PrinterLayer::pdfPrinter(path("copies.pdf"));
  EXPECT_TRUE(printer->setCopies(3));
  EXPECT_EQ(printer->copies(), 3);
  EXPECT_FALSE(printer->setCopies(0));
}

TEST_F(PdfPrinter, CanvasOutsideADocumentDrawsNowhere) {
  auto printer = PrinterLayer::pdfPrinter(path("idle.pdf"));
  Canvas& canvas = printer->canvas();
  canvas.moveTo(0, 0);
  canvas.lineTo(100, 100);
  EXPECT_FALSE(canvas.selectFont(LogicalFont{}));
  EXPECT_EQ(printer->setMetricMapping(), kMapText);
  EXPECT_FALSE(printer->newPage());
  printer->endDocument();
  EXPECT_FALSE(QFile::exists(path("idle.pdf")));
}

TEST_F(PdfPrinter, PdfWithoutAnOutputFileCannotBegin) {
  auto printer = PrinterLayer::pdfPrinter(QString());
  EXPECT_FALSE(printer->beginDocument());
}

TEST_F(PdfPrinter, WritesPagesWithEmbeddedHangulFont) {
  const QString file = path("two.pdf");
  auto printer = PrinterLayer::pdfPrinter(file);
  ASSERT_TRUE(printer->setOrientation(PaperOrientation::kLandscape));
  ASSERT_TRUE(printer->beginDocument());
  for (int page = 1; page <= 2; ++page) {
    if (page > 1) {
      ASSERT_TRUE(printer->newPage());
    }
    const int previous = printer->setMetricMapping();
    EXPECT_EQ(previous, kMapText);
    Canvas& canvas = printer->canvas();
    const CanvasPoint offset = canvas.printingOffset();
    canvas.setWindowOrigin(offset.x - 100, 100 - offset.y);
    canvas.setPenWidth(2);
    canvas.rectangle(0, 0, 2000, -1500);
    LogicalFont font;
    font.faceName = "\xB1\xBC\xB8\xB2\xC3\xBC";  // "굴림체"
    font.height = 30;
    font.averageWidth = 15;
    ASSERT_TRUE(canvas.selectFont(font));
    canvas.drawText(std::string(kGaNaDa) + " Page : " + std::to_string(page), {0, 0, 2000, -60},
                    kDtCenter | kDtVCenter | kDtSingleLine);
    canvas.restoreFont();
    printer->restoreMapping(previous);
  }
  printer->endDocument();
  EXPECT_EQ(printer->pageCount(), 2);

  QFile pdf(file);
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  EXPECT_TRUE(pdf.read(5).startsWith("%PDF-"));

  const QString info = runTool("pdfinfo", {file});
  if (info.isEmpty()) GTEST_SKIP() << "poppler-utils not installed";
  EXPECT_TRUE(info.contains(QRegularExpression("Pages:\\s+2\\b"))) << info.toStdString();
  EXPECT_TRUE(info.contains(QRegularExpression("Page size:\\s+84[12](\\.[0-9]+)? x 595(\\.[0-9]+)? pts")))
      << info.toStdString();
  const QString fonts = runTool("pdffonts", {file});
  EXPECT_TRUE(fonts.contains(QRegularExpression("Nanum\\S*\\s.*\\byes\\b"))) << fonts.toStdString();
  const QString text = runTool("pdftotext", {file, "-"});
  EXPECT_TRUE(text.contains(QStringLiteral("가나다"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("Page : 2"))) << text.toStdString();
}

TEST(SystemPrinter, WithoutPrintersTheDefaultIsThePdfPrinter) {
  PrinterLayer printer;
  if (!QPrinterInfo::availablePrinters().isEmpty()) GTEST_SKIP() << "this machine has printers";
  EXPECT_TRUE(printer.isPdfPrinter());
  PrinterCaps caps;
  EXPECT_TRUE(printer.caps(caps));
  // It asks for a file before it prints.
  EXPECT_FALSE(printer.beginDocument());
}

TEST(MakePrinter, GivesTheSystemsPrinter) {
  // Fakes go into the run's services, never into this function: it always gives the real layer.
  auto printer = makePrinter();
  EXPECT_NE(dynamic_cast<PrinterLayer*>(printer.get()), nullptr);
}

}  // namespace
}  // namespace zel
