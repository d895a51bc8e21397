// PdfFilePrinter: the engine's Printer writing a PDF file itself, page by
// page, through the PDF canvas (no painter and no PDF engine of the
// toolkit). The paper, orientation and capabilities are those of the
// built-in PDF printer (PrinterLayer::pdfPrinter), so the engine lays the
// pages out as it does for that printer, and the fonts and texts are made
// as the painter canvas makes them (QtPdfFontSource).
//
// The bytes go to the sink given; a sink that throws (a full disk) ends the
// document there: newPage answers false, writeFailed() and error() tell.
// endDocument writes the pages begun as a whole file, also after a stopped
// job. One thread (the engine's).
#pragma once

#include <memory>
#include <string>

#include "pdf_writer.h"
#include "printer.h"

namespace zel {

namespace pdf {
class PdfCanvas;
}
class PrinterLayer;
class QtPdfFontSource;

class PdfFilePrinter : public Printer {
 public:
  explicit PdfFilePrinter(pdf::PdfSink sink);
  ~PdfFilePrinter() override;

  bool setOrientation(PaperOrientation orientation) override;
  bool setCopies(int copies) override;
  bool makesCopies() override { return false; }
  bool caps(PrinterCaps& out) override;
  bool beginDocument() override;
  bool newPage() override;
  void endDocument() override;
  Canvas& canvas() override;
  int setMetricMapping() override;
  void restoreMapping(int previousMode) override;

  // Pages begun in the current (or last) document.
  int pageCount() const { return pages_; }
  bool writeFailed() const { return failed_; }
  // Why the document could not be written; empty when it was.
  const std::string& error() const { return error_; }

 private:
  void beginPage();
  void fail(const char* what);

  pdf::PdfSink sink_;
  std::unique_ptr<PrinterLayer> model_;  // paper, orientation and caps; never printed on
  std::unique_ptr<QtPdfFontSource> fonts_;
  std::unique_ptr<pdf::PdfWriter> writer_;
  std::unique_ptr<pdf::PdfCanvas> canvas_;
  std::unique_ptr<Canvas> idleCanvas_;
  double pageWidth_ = 0, pageHeight_ = 0;
  int pages_ = 0;
  bool failed_ = false;
  std::string error_;
};

}  // namespace zel
