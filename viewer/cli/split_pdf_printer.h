// SplitPdfPrinter: the PDF printer of `zelrpt-cli render --pdf`, drawing the
// pages on worker threads. Writing a PDF page (laying out and compressing its
// content) costs far more than the engine's work for it, and pages are
// independent, so the engine takes each page down on its own thread
// (TapeCanvas) and hands it to a worker, which plays it onto a PDF printer
// of its own (PrinterLayer over a part file). Pages go out in runs of
// kChunkPages, in turn to each worker. A worker closes its part file after
// kPartPages of its pages and goes on in a new one; each closed part is
// joined into the output at once (PdfStreamJoiner, on the worker's thread)
// and removed, so memory and the parts on disk stay bounded however long the
// document. endDocument joins the last parts and writes the page tree in page
// order, also after a stopped job, so the file holds exactly the pages
// begun, like a single printer's would.
//
// The page content is the same as the single-threaded printer's; only the
// file's object layout differs (and each part keeps its own font subsets).
// Progress and interrupts stay with the engine on the calling thread, at its
// page boundaries. The Printer calls come from one thread (the engine's).
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "pdf_join.h"
#include "printer.h"

namespace zel {
class PrinterLayer;
}

namespace zel::cli {

class TapeCanvas;

class SplitPdfPrinter : public Printer {
 public:
  static constexpr int kChunkPages = 8;
  static constexpr int kQueuedPages = 16;  // per worker, beyond which the engine waits
  // A worker's pages per part file: a part is read whole when it is joined
  // (some 15 KB a page), and each brings its own font subsets (tens of KB).
  static constexpr int kPartPages = 512;

  // partFile(n): the n-th part file (1-based) a worker draws into, made by
  // the caller's output (so that it is marked and cleared like the output's
  // part). Called on the engine's thread.
  SplitPdfPrinter(const QString& outputFile, int workers, std::function<QString(int)> partFile);
  ~SplitPdfPrinter() override;

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
  // Why the last document could not be written; empty when it was.
  const std::string& error() const { return error_; }

 private:
  struct Worker;
  void handOver();
  void finish();

  QString output_;
  int workerCount_;
  std::function<QString(int)> partFile_;
  int partFiles_ = 0;  // made so far
  std::unique_ptr<PrinterLayer> model_;  // paper, orientation and caps; never printed on
  std::unique_ptr<Canvas> idleCanvas_;
  std::unique_ptr<TapeCanvas> canvas_;
  std::unique_ptr<PdfStreamJoiner> joiner_;
  std::vector<std::unique_ptr<Worker>> workers_;
  std::vector<PartPage> order_;  // where each page went: the worker and its page number
  PaperOrientation orientation_ = PaperOrientation::kPortrait;
  int pages_ = 0;
  int mode_ = 1;  // the canvas's mapping mode as the printer layer numbers it
  std::string error_;
};

}  // namespace zel::cli
