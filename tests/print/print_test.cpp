// Printing through a real print server: a private cupsd with cups-pdf queues,
// reports made by the project's writer, printed from the preview's print
// button (the runner's print job) and from zelrpt-cli, the PDF that comes out
// of the queue checked with poppler's tools against the built-in PDF printer.
//
// Two queues: one with the PPD cups-pdf ships (the whole sheet printable)
// and one with a copy whose A4 sheet has unprintable strips of four
// different widths, so a strip taken for another shows.
//
// Where the server cannot run (not root, programs missing, no private mount
// namespace) the program says why and exits 77, which ctest reports as
// skipped.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QToolButton>
#include <QTransform>
#include <QtTest>
#include <algorithm>
#include <cstdio>

#include "run_services.h"
#include "../cli_process.h"
#include "message_service.h"
#include "num_edit.h"
#include "preview_test_support.h"
#include "printer.h"
#include "printer_layer.h"
#include "private_cups_server.h"
#include "report_runner.h"
#include "preview_window.h"
#include "preview_toolbar.h"
#include "print_progress_dialog.h"
#include "sample_reports.h"

using namespace zel;
using namespace zel::printtest;

namespace {

constexpr int kSkipped = 77;
const QString kStripsQueue = QStringLiteral("ZELRPT_STRIPS");
const QString kSheetQueue = QStringLiteral("ZELRPT_SHEET");
constexpr double kMmPerPoint = 25.4 / 72.0;
constexpr int kRasterDpi = 150;

// Unprintable strips of the A4 sheet in points, as the test's PPD states
// them: the sheet is 595 x 842 points, the printable area "18 28 571 808".
constexpr double kStripLeft = 18, kStripBottom = 28, kStripRight = 595 - 571, kStripTop = 842 - 808;

struct Strips {
  double left = 0, top = 0, right = 0, bottom = 0;  // millimetres
};

using e2e::CliRun;

CliRun runTool(const QString& program, const QStringList& args) { return e2e::runProgram(program, args); }

int pdfPages(const QString& pdf) {
  const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(runTool("pdfinfo", {pdf}).out);
  return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QStringList pageTexts(const QString& pdf) {
  return runTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")})
      .out.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
}

// A page as it is shown (the page's own rotation applied), in grey without
// smoothing, so that a ruled line is black.
QImage rasterPage(const QString& pdf, int page) {
  const QString prefix = pdf + QStringLiteral("-%1").arg(page);
  const QString number = QString::number(page);
  runTool(QStringLiteral("pdftoppm"),
          {QStringLiteral("-gray"), QStringLiteral("-r"), QString::number(kRasterDpi), QStringLiteral("-aa"),
           QStringLiteral("no"), QStringLiteral("-aaVector"), QStringLiteral("no"), QStringLiteral("-f"), number,
           QStringLiteral("-l"), number, QStringLiteral("-singlefile"), pdf, prefix});
  return QImage(prefix + QStringLiteral(".pgm")).convertToFormat(QImage::Format_Grayscale8);
}

// Where the page-number slot's text ("Page : N") stands on a page of a PDF
// that keeps its text (the built-in printer's), in pixels of rasterPage.
QRect pageNumberBox(const QString& pdf, int page) {
  const QString number = QString::number(page);
  const QString xml = runTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("-f"), number,
                                                            QStringLiteral("-l"), number, pdf, QStringLiteral("-")})
                          .out;
  static const QRegularExpression word(QStringLiteral(
      "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">([^<]*)</word>"));
  QStringList texts;
  QList<QRectF> boxes;
  for (auto it = word.globalMatch(xml); it.hasNext();) {
    const auto m = it.next();
    texts << m.captured(5);
    boxes << QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                    QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()));
  }
  for (int i = 0; i + 2 < texts.size(); ++i) {
    if (texts[i] == QLatin1String("Page") && texts[i + 1] == QLatin1String(":")) {
      const double scale = kRasterDpi / 72.0;
      const QRectF b = boxes[i].united(boxes[i + 2]);
      return QRectF(b.topLeft() * scale, b.bottomRight() * scale).toAlignedRect().adjusted(-1, -1, 1, 1);
    }
  }
  return {};
}

// Dark pixels grown by one pixel every way, so that two renderings of a
// glyph that differ by a pixel at its edges cover each other.
QImage grown(const QImage& g) {
  QImage out(g.size(), QImage::Format_Grayscale8);
  out.fill(255);
  for (int y = 0; y < g.height(); ++y) {
    for (int x = 0; x < g.width(); ++x) {
      if (g.constScanLine(y)[x] >= 128) continue;
      for (int yy = std::max(0, y - 1); yy <= std::min(g.height() - 1, y + 1); ++yy)
        for (int xx = std::max(0, x - 1); xx <= std::min(g.width() - 1, x + 1); ++xx) out.scanLine(yy)[xx] = 0;
    }
  }
  return out;
}

// The best match of the box of `a` in `b` around the box's place moved by
// shift (the frame's offset; the slot may stand up to `reach` pixels off,
// as the frame's size follows the strips): the smallest share of the box's
// pixels dark in one and not near a dark pixel of the other. `found` gets
// the best place's shift.
double bestMatch(const QImage& a, const QImage& aGrown, const QRect& box, const QImage& b, const QImage& bGrown,
                 QPoint shift, int reach, QPoint* found = nullptr) {
  double best = 1.0;
  const int area = box.width() * box.height();
  for (int dy = -reach; dy <= reach; ++dy) {
    for (int dx = -reach; dx <= reach; ++dx) {
      const QPoint at = box.topLeft() + shift + QPoint(dx, dy);
      if (at.x() < 0 || at.y() < 0 || at.x() + box.width() > b.width() || at.y() + box.height() > b.height()) continue;
      int differ = 0;
      for (int y = 0; y < box.height() && differ < best * area; ++y) {
        const uchar* pa = a.constScanLine(box.top() + y) + box.left();
        const uchar* ga = aGrown.constScanLine(box.top() + y) + box.left();
        const uchar* pb = b.constScanLine(at.y() + y) + at.x();
        const uchar* gb = bGrown.constScanLine(at.y() + y) + at.x();
        for (int x = 0; x < box.width(); ++x) differ += (pa[x] < 128 && gb[x] >= 128) + (pb[x] < 128 && ga[x] >= 128);
      }
      if (static_cast<double>(differ) / area < best) {
        best = static_cast<double>(differ) / area;
        if (found) *found = shift + QPoint(dx, dy);
      }
    }
  }
  return best;
}

// The frame's top left corner in millimetres from the sheet's top left: the
// first column and the first row dark over 40 % of the sheet (the frame's
// sides; titles and texts are never that long).
QPointF frameCorner(const QImage& g) {
  const auto dark = [&](int x, int y) { return g.constScanLine(y)[x] < 128; };
  double left = -1, top = -1;
  for (int x = 0; x < g.width() && left < 0; ++x) {
    int n = 0;
    for (int y = 0; y < g.height(); ++y) n += dark(x, y);
    if (n > g.height() * 4 / 10) left = x;
  }
  for (int y = 0; y < g.height() && top < 0; ++y) {
    int n = 0;
    for (int x = 0; x < g.width(); ++x) n += dark(x, y);
    if (n > g.width() * 4 / 10) top = y;
  }
  const double mmPerPixel = 25.4 / kRasterDpi;
  return {left * mmPerPixel, top * mmPerPixel};
}

// A sheet of the server's PDF as the reader holds it: a landscape report
// comes on an upright sheet turned a quarter, as a printer prints it.
QImage upright(const QImage& sheet, bool landscape) {
  return landscape ? sheet.transformed(QTransform().rotate(90)) : sheet;
}

// Empty when the six sheets of `printed` are two collated copies of pages
// numbered 10, 11, 12; else what is wrong. The server's PDF has lost its text
// (PostScript lies in between), so each sheet's "Page : N" is matched, as
// pixels, with those on the first three pages of `reference` (the built-in
// printer's PDF of the same job, whose text pdftotext reads).
QString wrongPageNumbers(const QString& printed, const QString& reference, bool landscape) {
  if (pdfPages(printed) != 6) return QStringLiteral("%1 sheets, not 6").arg(pdfPages(printed));
  const QStringList texts = pageTexts(reference);
  QList<QImage> numbered, numberedGrown;
  QList<QRect> boxes;
  for (int page = 1; page <= 3; ++page) {
    if (!texts.value(page - 1).contains(QStringLiteral("Page : %1").arg(9 + page)))
      return QStringLiteral("the built-in printer's page %1 is not numbered %2").arg(page).arg(9 + page);
    numbered << rasterPage(reference, page);
    numberedGrown << grown(numbered.last());
    boxes << pageNumberBox(reference, page);
    if (boxes.last().isEmpty()) return QStringLiteral("no page number found on page %1").arg(page);
  }
  const QImage first = upright(rasterPage(printed, 1), landscape);
  const QPoint shift = ((frameCorner(first) - frameCorner(numbered[0])) * kRasterDpi / 25.4).toPoint();
  constexpr int kReach = 90;  // 15 mm
  for (int sheet = 1; sheet <= 6; ++sheet) {
    const QImage image = sheet == 1 ? first : upright(rasterPage(printed, sheet), landscape);
    const int want = (sheet - 1) % 3;
    const QImage imageGrown = grown(image);
    // Found where the expected number matches best; the others are tried
    // around that place (their boxes differ by a digit's width at most).
    QPoint at = shift;
    QList<double> d = {1.0, 1.0, 1.0};
    d[want] = bestMatch(numbered[want], numberedGrown[want], boxes[want], image, imageGrown, shift, kReach, &at);
    for (int k = 0; k < 3; ++k) {
      if (k != want) d[k] = bestMatch(numbered[k], numberedGrown[k], boxes[k], image, imageGrown, at, 12);
    }
    const bool best = d[want] < 0.02 && d[want] < d[(want + 1) % 3] && d[want] < d[(want + 2) % 3];
    if (!best) {
      return QStringLiteral("sheet %1: differences from 10, 11, 12: %2 %3 %4").arg(sheet).arg(d[0]).arg(d[1]).arg(d[2]);
    }
  }
  return {};
}

}  // namespace

class PrintTest : public QObject {
  Q_OBJECT

 public:
  explicit PrintTest(PrivateCupsServer& server) : server_(server) {}

 private slots:
  void initTestCase() {
    QVERIFY(work_.isValid());
    for (char orientation : {'P', 'L'}) {
      reportwriter::BillOptions bill;
      bill.orientation = orientation;
      bill.pages = 6;
      bill.fileName = std::string(1, orientation) + "_RPTB02_SIX.dbf";
      QVERIFY(reportwriter::writeReport(dir(), reportwriter::billOfQuantities(bill)).ok());
    }
    // The shipped PPD with unprintable strips on A4.
    QFile shipped(shippedCupsPdfPpd());
    QVERIFY(shipped.open(QIODevice::ReadOnly));
    QByteArray ppd = shipped.readAll();
    const QByteArray sheet = "*ImageableArea A4/A4: \"0 0 595 842\"";
    QVERIFY2(ppd.contains(sheet), "the shipped PPD's A4 printable area has changed");
    ppd.replace(sheet, "*ImageableArea A4/A4: \"18 28 571 808\"");
    QFile strips(QDir(work_.path()).filePath(QStringLiteral("strips.ppd")));
    QVERIFY(strips.open(QIODevice::WriteOnly) && strips.write(ppd) == ppd.size());
    strips.close();

    QString error;
    QVERIFY2(server_.addPdfQueue(kStripsQueue, strips.fileName(), true, error), qPrintable(error));
    QVERIFY2(server_.addPdfQueue(kSheetQueue, shippedCupsPdfPpd(), false, error), qPrintable(error));
    services_.preview = [this] { return std::make_unique<PreviewWindow>(services_, &context_); };
    services_.progress = &progress_;
  }
  void cleanupTestCase() {
    services_.preview = nullptr;
    services_.progress = nullptr;
    services_.printer = nullptr;
  }
  void init() {
    service_ = RecordingMessageService();
    services_.messages = &service_;
    context_.hooks.askPrinter = nullptr;
    context_.hooks.askPdfFile = nullptr;
  }
  void cleanup() {
    context_.hooks.runPreview = nullptr;
    context_.hooks.askPrinter = nullptr;
    context_.hooks.askPdfFile = nullptr;
    services_.printer = nullptr;
  }

  // Pages 3 to 5 numbered from 10, two copies, from the preview's print
  // button; the frame where the built-in PDF printer puts it, moved by the
  // printer's strips as the print job places it.
  void printsThroughTheServer_data() {
    QTest::addColumn<QString>("report");
    QTest::addColumn<QString>("queue");
    QTest::newRow("portrait, strips") << QStringLiteral("P_RPTB02_SIX.dbf") << kStripsQueue;
    QTest::newRow("landscape, strips") << QStringLiteral("L_RPTB02_SIX.dbf") << kStripsQueue;
    QTest::newRow("portrait, whole sheet") << QStringLiteral("P_RPTB02_SIX.dbf") << kSheetQueue;
    QTest::newRow("landscape, whole sheet") << QStringLiteral("L_RPTB02_SIX.dbf") << kSheetQueue;
  }
  void printsThroughTheServer() {
    QFETCH(QString, report);
    QFETCH(QString, queue);
    const bool landscape = report.startsWith(QLatin1Char('L'));

    const QString reference = QDir(work_.path()).filePath(report + QStringLiteral(".pdf"));
    auto pdf = PrinterLayer::pdfPrinter(reference);
    printFromPreview(report, pdf.get(), reference);
    QVERIFY(QFile::exists(reference));

    PrinterLayer printer(queue);
    QVERIFY(!printer.isPdfPrinter());
    context_.hooks.askPrinter = [](QWidget*, const QStringList&, const QString& current) { return current; };
    QCOMPARE(printer.printerName(), queue);
    const QStringList before = server_.outputFiles(queue);
    printFromPreview(report, &printer, QString());
    QCOMPARE(printer.pageCount(), 3);
    QCOMPARE(printer.copies(), 2);  // left to the driver
    QString error;
    const QString printed = server_.waitForNewOutput(queue, before, error);
    QVERIFY2(!printed.isEmpty(), qPrintable(error));

    // Orientation and frame. The print job places the frame MarginLeft +
    // PrnMargin1 from the left and MarginTop + PrnMargin3 from the top; the
    // built-in PDF printer has no strips.
    const QImage want = rasterPage(reference, 1);
    const QImage sheet = rasterPage(printed, 1);
    QVERIFY(!want.isNull() && !sheet.isNull());
    QVERIFY(sheet.height() > sheet.width());  // always an upright A4 sheet
    const QImage got = upright(sheet, landscape);
    QCOMPARE(want.width() > want.height(), landscape);
    QVERIFY(qAbs(got.width() - want.width()) <= 2 && qAbs(got.height() - want.height()) <= 2);
    const Strips s = queue == kStripsQueue ? sheetStrips(landscape) : Strips{};
    const QPointF expected = landscape ? QPointF(s.right, s.top) : QPointF(s.top, s.bottom);
    const QPointF offset = frameCorner(got) - frameCorner(want);
    std::printf("frame offset %s on %s: %.2f mm across, %.2f mm down (expected %.2f, %.2f)\n",
                landscape ? "landscape" : "portrait", qPrintable(queue), offset.x(), offset.y(), expected.x(),
                expected.y());
    QVERIFY2(qAbs(offset.x() - expected.x()) <= 1.0 && qAbs(offset.y() - expected.y()) <= 1.0,
             qPrintable(QStringLiteral("offset %1, %2 mm; expected %3, %4 mm")
                            .arg(offset.x())
                            .arg(offset.y())
                            .arg(expected.x())
                            .arg(expected.y())));

    // Two collated copies of three pages numbered 10, 11, 12. The server's
    // PDF has lost its text (PostScript in between), so each sheet's number
    // is compared with the numbers of the built-in printer's pages.
    QCOMPARE(pdfPages(printed), 6);
    const QString numbers = wrongPageNumbers(printed, reference, landscape);
    QVERIFY2(numbers.isEmpty(), qPrintable(numbers));
    QVERIFY(service_.shown.empty());
  }

  // With several printers the print button asks which one, offering the
  // printer in use (the default); the job goes to the one picked, and an
  // empty answer prints nothing.
  void printButtonAsksWhichPrinter_data() {
    QTest::addColumn<QString>("answer");
    QTest::newRow("the other printer") << kSheetQueue;
    QTest::newRow("cancelled") << QString();
    QTest::newRow("a printer gone meanwhile") << QStringLiteral("ZELRPT_GONE");
  }
  void printButtonAsksWhichPrinter() {
    QFETCH(QString, answer);
    PrinterLayer printer;  // the system's default
    QCOMPARE(printer.printerName(), kStripsQueue);
    QStringList offered;
    QString inUse;
    context_.hooks.askPrinter = [&](QWidget*, const QStringList& names, const QString& current) {
      offered = names;
      inUse = current;
      return answer;
    };
    const QStringList defaultBefore = server_.outputFiles(kStripsQueue);
    const QStringList chosenBefore = server_.outputFiles(kSheetQueue);
    printFromPreview(QStringLiteral("P_RPTB02_SIX.dbf"), &printer, QString());
    offered.sort();
    QCOMPARE(offered, QStringList({kSheetQueue, kStripsQueue}));
    QCOMPARE(inUse, kStripsQueue);
    if (answer == QLatin1String("ZELRPT_GONE")) {
      // The printer message, nothing printed, the printer in use kept; the
      // next print works.
      QCOMPARE(printer.pageCount(), 0);
      QCOMPARE(service_.shown.size(), size_t{1});
      QVERIFY(QString::fromStdString(service_.shown[0].text).contains(QStringLiteral("사용할 수 없는 상태")));
      QCOMPARE(printer.printerName(), kStripsQueue);
      answer = kStripsQueue;
      printFromPreview(QStringLiteral("P_RPTB02_SIX.dbf"), &printer, QString());
      QCOMPARE(printer.pageCount(), 3);
      QString error;
      QVERIFY2(!server_.waitForNewOutput(kStripsQueue, defaultBefore, error).isEmpty(), qPrintable(error));
      return;
    }
    QVERIFY(service_.shown.empty());
    if (answer.isEmpty()) {
      QCOMPARE(printer.pageCount(), 0);
      QCOMPARE(printer.printerName(), kStripsQueue);
      return;
    }
    QCOMPARE(printer.printerName(), answer);
    QString error;
    const QString printed = server_.waitForNewOutput(answer, chosenBefore, error);
    QVERIFY2(!printed.isEmpty(), qPrintable(error));
    QCOMPARE(pdfPages(printed), 6);
    QCOMPARE(server_.outputFiles(kStripsQueue), defaultBefore);
  }

  void cliListsThePrinters() {
    const CliRun r = cli({QStringLiteral("printers")});
    QCOMPARE(r.exitCode, 0);
    QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    lines.sort();
    QCOMPARE(lines, QStringList({kSheetQueue, kStripsQueue + QStringLiteral("\tdefault")}));
  }

  void cliPrints_data() {
    QTest::addColumn<QStringList>("printerArgs");
    QTest::addColumn<QString>("queue");
    QTest::newRow("named printer") << QStringList({QStringLiteral("--printer"), kSheetQueue}) << kSheetQueue;
    QTest::newRow("default printer") << QStringList() << kStripsQueue;
  }
  void cliPrints() {
    QFETCH(QStringList, printerArgs);
    QFETCH(QString, queue);
    const QStringList before = server_.outputFiles(queue);
    const CliRun r = cli(QStringList({QStringLiteral("print"), report(QStringLiteral("L_RPTB02_SIX.dbf")),
                                      QStringLiteral("--pages"), QStringLiteral("3-5"), QStringLiteral("--start-no"),
                                      QStringLiteral("10"), QStringLiteral("--copies"), QStringLiteral("2")}) +
                         printerArgs);
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    const auto id = QRegularExpression(QStringLiteral("^%1-(\\d+)\t3 pages\n$").arg(queue)).match(r.out);
    QVERIFY2(id.hasMatch(), qPrintable(r.out));
    QString error;
    const QString printed = server_.waitForNewOutput(queue, before, error);
    QVERIFY2(!printed.isEmpty(), qPrintable(error));
    QVERIFY2(printed.endsWith(QStringLiteral("-job_%1.pdf").arg(id.captured(1))), qPrintable(printed));
    const QString reference = QDir(work_.path()).filePath(QStringLiteral("cli-reference.pdf"));
    const CliRun rendered =
        cli({QStringLiteral("render"), report(QStringLiteral("L_RPTB02_SIX.dbf")), QStringLiteral("--pdf"), reference,
             QStringLiteral("--pages"), QStringLiteral("3-5"), QStringLiteral("--start-no"), QStringLiteral("10")});
    QVERIFY2(rendered.exitCode == 0, qPrintable(rendered.err));
    const QString numbers = wrongPageNumbers(printed, reference, true);
    QVERIFY2(numbers.isEmpty(), qPrintable(numbers));
  }

  // Stopped by any interrupt, the command still sends the pages done and
  // reports their job, as it does for Ctrl+C.
  void cliReportsTheJobOfAnInterruptedPrint_data() {
    QTest::addColumn<int>("signal");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("SIGINT") << int(SIGINT) << 130;
    QTest::newRow("SIGTERM") << int(SIGTERM) << 143;
    QTest::newRow("SIGHUP") << int(SIGHUP) << 129;
  }
  void cliReportsTheJobOfAnInterruptedPrint() {
    QFETCH(int, signal);
    QFETCH(int, exitCode);
    QProcess process;
    QVERIFY(e2e::startStoppedAfterPages(
        process, e2e::cliPath(),
        {QStringLiteral("print"), report(QStringLiteral("P_RPTB02_SIX.dbf")), QStringLiteral("--printer"), kSheetQueue},
        2));
    e2e::signalAndContinue(process, signal);
    QVERIFY(process.waitForFinished(120000));
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    const QString err = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(process.exitCode(), exitCode);
    QVERIFY2(QRegularExpression(QStringLiteral("^%1-\\d+\t[1-6] pages\n$").arg(kSheetQueue)).match(out).hasMatch(),
             qPrintable(out + err));
  }

  void cliRefusesAPrinterTheSystemDoesNotKnow() {
    const CliRun r = cli({QStringLiteral("print"), report(QStringLiteral("P_RPTB02_SIX.dbf")),
                          QStringLiteral("--printer"), QStringLiteral("NO_SUCH_QUEUE")});
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains(kSheetQueue) && r.err.contains(kStripsQueue), qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
  }

 private:
  std::string dir() const { return work_.path().toStdString(); }
  QString report(const QString& name) const { return QDir(work_.path()).filePath(name); }

  static CliRun cli(const QStringList& args) { return e2e::cli(args); }

  // The strips of the sheet as it lies for the report: portrait as the PPD
  // states them; landscape turned a quarter as the driver turns the sheet.
  static Strips sheetStrips(bool landscape) {
    const Strips portrait{kStripLeft * kMmPerPoint, kStripTop * kMmPerPoint, kStripRight * kMmPerPoint,
                          kStripBottom * kMmPerPoint};
    if (!landscape) return portrait;
    return {portrait.bottom, portrait.left, portrait.top, portrait.right};
  }

  // The user's job in the preview: range 3 to 5, starting number 10, two
  // copies, the print button; pdfFile answers the built-in printer's question.
  void printFromPreview(const QString& report, Printer* printer, const QString& pdfFile) {
    services_.printer = printer;
    context_.hooks.askPdfFile = [pdfFile](QWidget*, const QString&) { return pdfFile; };
    context_.hooks.runPreview = [](PreviewWindow& w) {
      QApplication::processEvents();
      typeInto(w.toolBar->rangeFromField, "3");
      typeInto(w.toolBar->rangeToField, "5");
      typeInto(w.toolBar->startNumberField, "10");
      typeInto(w.toolBar->copiesField, "2");
      w.toolBar->printButton->click();
    };
    try {
      RunReport(services_, dir(), report.toStdString());
    } catch (const std::exception& e) {
      QFAIL(e.what());
    }
    services_.printer = nullptr;
  }

  PrivateCupsServer& server_;
  QTemporaryDir work_;
  RecordingMessageService service_;
  RunServices services_;
  PreviewContext context_;
  QtProgressDialog progress_{service_};
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  int status = kSkipped;
  {
    PrivateCupsServer server;
    QString reason;
    if (!server.start(reason)) {
      std::printf("SKIPPED: no private print server: %s\n", qPrintable(reason));
      return kSkipped;
    }
    PrintTest test(server);
    status = QTest::qExec(&test, argc, argv);
    if (!server.stop()) {
      std::printf("FAIL: the private cupsd did not stop\n");
      status = 1;
    }
  }
  return status;
}

#include "print_test.moc"
