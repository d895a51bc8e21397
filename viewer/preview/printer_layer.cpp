#include "printer_layer.h"

#include <QMarginsF>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <cmath>

#include "page_renderer.h"
#include "painter_canvas.h"

namespace zel {
namespace {

constexpr double kMmPerInch = 25.4;

QPrinterInfo chooseSystemPrinter(const QString& name) {
  if (!name.isEmpty()) return QPrinterInfo::printerInfo(name);
  QPrinterInfo info = QPrinterInfo::defaultPrinter();
  if (info.isNull()) {
    const QList<QPrinterInfo> all = QPrinterInfo::availablePrinters();
    if (!all.isEmpty()) info = all.first();
  }
  return info;
}

}  // namespace

PrinterLayer::PrinterLayer(const QString& printerName) : idleCanvas_(std::make_unique<IdleCanvas>()) {
  const QPrinterInfo info = chooseSystemPrinter(printerName);
  if (!info.isNull()) {
    printer_ = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
  } else {
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer_->setOutputFormat(QPrinter::PdfFormat);
    pdf_ = true;
  }
  setUpPaper();
}

PrinterLayer::PrinterLayer(PdfTag, const QString& outputFile) : idleCanvas_(std::make_unique<IdleCanvas>()) {
  printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  printer_->setOutputFormat(QPrinter::PdfFormat);
  printer_->setOutputFileName(outputFile);
  pdf_ = true;
  setUpPaper();
}

std::unique_ptr<PrinterLayer> PrinterLayer::pdfPrinter(const QString& outputFile) {
  return std::unique_ptr<PrinterLayer>(new PrinterLayer(PdfTag{}, outputFile));
}

PrinterLayer::~PrinterLayer() {
  if (canvas_) canvas_->flushTexts();
  canvas_.reset();
  if (painter_ && painter_->isActive()) painter_->end();
}

QString PrinterLayer::printerName() const { return pdf_ ? QStringLiteral("PDF") : printer_->printerName(); }

bool PrinterLayer::selectPrinter(const QString& name) {
  if (painter_ && painter_->isActive()) return false;
  const QPrinterInfo info = QPrinterInfo::printerInfo(name);
  if (name.isEmpty() || info.isNull()) return false;
  const QPageLayout::Orientation orientation = printer_->pageLayout().orientation();
  printer_ = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
  pdf_ = false;
  setUpPaper();
  printer_->setPageOrientation(orientation);
  return true;
}

void PrinterLayer::setOutputFileName(const QString& fileName) { printer_->setOutputFileName(fileName); }

QString PrinterLayer::outputFileName() const { return printer_->outputFileName(); }

int PrinterLayer::copies() const { return printer_->copyCount(); }

void PrinterLayer::setUpPaper() {
  printer_->setPageSize(QPageSize(QPageSize::A4));
  // The printable area is what the device allows: its unprintable strips
  // become the printing offset, as on the classic device.
  const QMarginsF minimum = printer_->pageLayout().minimumMargins();
  printer_->setPageMargins(minimum, printer_->pageLayout().units());
  printer_->setFullPage(false);
}

bool PrinterLayer::setOrientation(PaperOrientation orientation) {
  if (!printer_->isValid()) return false;
  const auto wanted = orientation == PaperOrientation::kLandscape ? QPageLayout::Landscape : QPageLayout::Portrait;
  return printer_->setPageOrientation(wanted) || printer_->pageLayout().orientation() == wanted;
}

bool PrinterLayer::setCopies(int copies) {
  if (!printer_->isValid() || copies < 1) return false;
  printer_->setCopyCount(copies);
  return true;
}

bool PrinterLayer::makesCopies() { return !pdf_ && printer_->supportsMultipleCopies(); }

bool PrinterLayer::caps(PrinterCaps& out) {
  if (!printer_->isValid()) return false;
  const int dpi = printer_->resolution();
  if (dpi <= 0) return false;
  // Millimetres, not points: A4 is defined in millimetres, and its point size
  // is rounded (842 pt), which would make the sheet two pixels too tall.
  const QPageLayout layout = printer_->pageLayout();
  const QRectF full = layout.fullRect(QPageLayout::Millimeter);
  const QRectF paint = layout.paintRect(QPageLayout::Millimeter);
  if (full.isEmpty() || paint.isEmpty()) return false;
  QMarginsF strips(paint.left() - full.left(), paint.top() - full.top(), full.right() - paint.right(),
                   full.bottom() - paint.bottom());
  // The print server states a printer's strips for the upright sheet, and Qt
  // hands them on unturned for a landscape job; the driver turns the content
  // a quarter counter-clockwise onto the upright sheet, so as the landscape
  // page lies the sheet's bottom strip is at its left, its left strip at the
  // top, its top strip at the right and its right strip at the bottom.
  if (!pdf_ && layout.orientation() == QPageLayout::Landscape)
    strips = QMarginsF(strips.bottom(), strips.left(), strips.top(), strips.right());
  const auto pixels = [dpi](double mm) { return static_cast<int>(std::lround(mm / kMmPerInch * dpi)); };
  out.physicalWidth = pixels(full.width());
  out.physicalHeight = pixels(full.height());
  out.logPixelsX = dpi;
  out.logPixelsY = dpi;
  out.horzRes = pixels(full.width() - strips.left() - strips.right());
  out.vertRes = pixels(full.height() - strips.top() - strips.bottom());
  out.printingOffsetX = pixels(strips.left());
  out.printingOffsetY = pixels(strips.top());
  return true;
}

QPoint PrinterLayer::painterOrigin() const {
  const int dpi = printer_->resolution();
  const QPageLayout layout = printer_->pageLayout();
  const QPointF corner =
      layout.paintRect(QPageLayout::Millimeter).topLeft() - layout.fullRect(QPageLayout::Millimeter).topLeft();
  return {static_cast<int>(std::lround(corner.x() / kMmPerInch * dpi)),
          static_cast<int>(std::lround(corner.y() / kMmPerInch * dpi))};
}

bool PrinterLayer::beginDocument() {
  if (painter_ && painter_->isActive()) return false;
  pages_ = 0;  // a job that cannot begin has no pages, whatever the last one had
  if (!printer_->isValid()) return false;
  if (pdf_ && printer_->outputFileName().isEmpty()) return false;
  PrinterCaps c;
  if (!caps(c)) return false;
  painter_ = std::make_unique<QPainter>();
  if (!painter_->begin(printer_.get())) {
    painter_.reset();
    return false;
  }
  canvas_ = std::make_unique<PainterCanvas>(*painter_);
  canvas_->setPrintingOffset(printingOffset());
  pages_ = 1;
  writeFailed_ = false;
  return true;
}

CanvasPoint PrinterLayer::printingOffset() {
  PrinterCaps c;
  if (!caps(c)) return {};
  // The printing offset tells where the painter starts: at the corner of
  // Qt's printable area, which is the printable corner as the classic device
  // has it except on a landscape sheet, where Qt's strips are not turned
  // (caps reports the turned ones, which place the frame).
  const QPoint origin = painterOrigin();
  return {PixelsToPageUnits(origin.x(), c.logPixelsX), PixelsToPageUnits(origin.y(), c.logPixelsY)};
}

bool PrinterLayer::newPage() {
  if (!painter_ || !painter_->isActive()) return false;
  if (canvas_) canvas_->flushTexts();
  // A PDF file answers false once a write to it failed (a full disk).
  if (!printer_->newPage()) {
    writeFailed_ = true;
    return false;
  }
  ++pages_;
  return true;
}

void PrinterLayer::endDocument() {
  if (canvas_) canvas_->flushTexts();
  if (painter_ && painter_->isActive()) painter_->end();
  canvas_.reset();
  painter_.reset();
}

Canvas& PrinterLayer::canvas() {
  if (canvas_) return *canvas_;
  return *idleCanvas_;
}

int PrinterLayer::setMetricMapping() {
  if (!canvas_) return kMapText;
  const int previous = canvas_->mapMode();
  const int dpi = printer_->resolution();
  canvas_->setMetricMapping(dpi, dpi);
  return previous;
}

void PrinterLayer::restoreMapping(int previousMode) {
  if (!canvas_) return;
  if (previousMode == kMapText) canvas_->setDeviceMapping();
}

std::unique_ptr<Printer> makePrinter() { return std::make_unique<PrinterLayer>(); }

}  // namespace zel
