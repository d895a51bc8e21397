#include "pdf_file_printer.h"

#include <QPageLayout>
#include <QPrinter>
#include <exception>
#include <thread>

#include "painter_canvas.h"
#include "pdf_canvas.h"
#include "pdf_font_source.h"
#include "printer_layer.h"

namespace zel {
namespace {

// Level 5 of libdeflate: files some 5 % larger than at zlib's default
// level (still smaller than the toolkit's), a fifth less processor time in
// all, which counts where the compressing thread shares a core.
constexpr int kDeflateLevel = 5;

}  // namespace

PdfFilePrinter::PdfFilePrinter(pdf::PdfSink sink)
    : sink_(std::move(sink)), model_(PrinterLayer::pdfPrinter(QString())), idleCanvas_(std::make_unique<IdleCanvas>()) {
}

PdfFilePrinter::~PdfFilePrinter() = default;

bool PdfFilePrinter::setOrientation(PaperOrientation orientation) { return model_->setOrientation(orientation); }
bool PdfFilePrinter::setCopies(int copies) { return copies >= 1; }
bool PdfFilePrinter::caps(PrinterCaps& out) { return model_->caps(out); }

void PdfFilePrinter::fail(const char* what) {
  failed_ = true;
  if (error_.empty()) error_ = what;
  // The engine keeps drawing on the canvas until the document ends; what it
  // draws now goes nowhere.
}

bool PdfFilePrinter::beginDocument() {
  if (writer_) return false;
  pages_ = 0;
  PrinterCaps c;
  if (!caps(c)) return false;
  const QPageLayout layout = model_->device().pageLayout();
  const QRectF full = layout.fullRect(QPageLayout::Point);
  const QRectF paint = layout.paintRect(QPageLayout::Point);
  pageWidth_ = full.width();
  pageHeight_ = full.height();
  failed_ = false;
  error_.clear();
  try {
    if (!fonts_) fonts_ = std::make_unique<QtPdfFontSource>();
    // A second core compresses the pages while the next one is drawn.
    writer_ = std::make_unique<pdf::PdfWriter>(sink_, kDeflateLevel, std::thread::hardware_concurrency() >= 2);
    canvas_ = std::make_unique<pdf::PdfCanvas>(*writer_, *fonts_, c.logPixelsX, pageHeight_);
    // The painter of a printer starts at the printable corner.
    canvas_->setDeviceOrigin(paint.left() - full.left(), paint.top() - full.top());
    canvas_->setPrintingOffset(model_->printingOffset());
    pages_ = 1;
    beginPage();
  } catch (const std::exception& e) {
    fail(e.what());
    return false;
  }
  return true;
}

void PdfFilePrinter::beginPage() {
  writer_->beginPage(pageWidth_, pageHeight_);
  canvas_->beginPage();
}

bool PdfFilePrinter::newPage() {
  if (!writer_ || failed_) return false;
  try {
    canvas_->flushTexts();
    writer_->endPage();
    beginPage();
  } catch (const std::exception& e) {
    fail(e.what());
    return false;
  }
  ++pages_;
  return true;
}

void PdfFilePrinter::endDocument() {
  if (!writer_) return;
  try {
    if (!failed_) {
      canvas_->flushTexts();
      writer_->finish();
    }
  } catch (const std::exception& e) {
    fail(e.what());
  }
  canvas_.reset();
  writer_.reset();
}

Canvas& PdfFilePrinter::canvas() {
  if (canvas_) return *canvas_;
  return *idleCanvas_;
}

int PdfFilePrinter::setMetricMapping() {
  if (!canvas_) return kMapText;
  const int previous = canvas_->metricMapping() ? kMapLoMetric : kMapText;
  canvas_->setMetricMapping();
  return previous;
}

void PdfFilePrinter::restoreMapping(int previousMode) {
  if (canvas_ && previousMode == kMapText) canvas_->setDeviceMapping();
}

}  // namespace zel
