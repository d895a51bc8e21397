// PrinterLayer: the engine's Printer over a QPrinter. It answers the device
// capabilities from the page layout (whole sheet versus printable area, in
// device pixels), hands the copy count and orientation to the driver, and
// draws through a PainterCanvas in 0.1 mm units with y upward.
//
// A machine without printers still has one: the built-in PDF printer, which
// writes to outputFileName() (the windows ask for it; the command line passes
// it). The layer owns its QPrinter, painter and canvas; the canvas lives from
// beginDocument to endDocument. User-interface thread only.
#pragma once

#include <QPageLayout>
#include <QPoint>
#include <QString>
#include <functional>
#include <memory>

#include "canvas.h"
#include "printer.h"

class QPainter;
class QPrinter;

namespace zel {

class PainterCanvas;

class PrinterLayer : public Printer {
 public:
  // printerName empty: the system's default printer, or the PDF printer when
  // the system has none.
  explicit PrinterLayer(const QString& printerName = QString());
  // The built-in PDF printer, whatever printers the system has.
  static std::unique_ptr<PrinterLayer> pdfPrinter(const QString& outputFile);
  ~PrinterLayer() override;

  bool isPdfPrinter() const { return pdf_; }
  QString printerName() const;
  // Moves to the named system printer, keeping the orientation; not while a
  // document is open. False, and the printer unchanged, when the system no
  // longer knows the name.
  bool selectPrinter(const QString& name);
  void setOutputFileName(const QString& fileName);
  QString outputFileName() const;
  // The driver's copy count as last set.
  int copies() const;
  QPrinter& device() { return *printer_; }

  bool setOrientation(PaperOrientation orientation) override;
  bool setCopies(int copies) override;
  bool makesCopies() override;
  bool caps(PrinterCaps& out) override;
  bool beginDocument() override;
  bool newPage() override;
  void endDocument() override;
  Canvas& canvas() override;
  int setMetricMapping() override;
  void restoreMapping(int previousMode) override;

  // Pages begun in the current (or last) document.
  int pageCount() const { return pages_; }
  // True when a page of the current (or last) document could not be begun:
  // the device (a PDF file) failed, and the document is incomplete.
  bool writeFailed() const { return writeFailed_; }
  // What the document's canvas answers for printingOffset(), in page units.
  CanvasPoint printingOffset();

 private:
  struct PdfTag {};
  PrinterLayer(PdfTag, const QString& outputFile);
  void setUpPaper();
  // Where the painter's origin lies on the sheet, in device pixels.
  QPoint painterOrigin() const;

  std::unique_ptr<QPrinter> printer_;
  std::unique_ptr<QPainter> painter_;
  std::unique_ptr<PainterCanvas> canvas_;
  std::unique_ptr<Canvas> idleCanvas_;  // answers canvas() outside a document
  bool pdf_ = false;
  int pages_ = 0;
  bool writeFailed_ = false;
};

// The printer the viewer starts with: the system's default one. It goes into
// the run's services (RunServices::printer); tests and the command line put a
// fake or a PDF printer there instead.
std::unique_ptr<Printer> makePrinter();

}  // namespace zel
