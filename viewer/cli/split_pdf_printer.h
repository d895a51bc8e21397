// SplitPdfPrinter: the PDF printer of `zelrpt-cli render --pdf`, drawing the
// pages on worker threads. Writing a PDF page (laying out and compressing its
// content) costs far more than the engine's work for it, and pages are
// independent, so the engine takes each page down on its own thread
// (TapeCanvas) and hands it to a worker, which plays it onto a PDF printer
// of its own (PrinterLayer over a part file). Pages go out in runs of
// kChunkPages, in turn to each worker; endDocument joins the parts in page
// order into the output file (libqpdf), also after a stopped job, so the file
// holds exactly the pages begun, like a single printer's would.
//
// The page content is the same as the single-threaded printer's; only the
// file's object layout differs. Progress and interrupts stay with the engine
// on the calling thread, at its page boundaries. The Printer calls come from
// one thread (the engine's).
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
  static constexpr int kMaxJoinedPages = 2000;

  // workerFile(i): the file worker i (1-based) draws into, made by the
  // caller's output (so that it is marked and cleared like the output's part).
  SplitPdfPrinter(const QString& outputFile, int workers, std::function<QString(int)> workerFile);
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

  // The pages the next document will have. Beyond kMaxJoinedPages one
  // worker draws them all: joining keeps every page's objects in memory
  // (some 15 KB a page), while the engine's thread and one worker still
  // share the work.
  void expectPages(int pages) { expectedPages_ = pages; }

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
  std::function<QString(int)> workerFile_;
  std::unique_ptr<PrinterLayer> model_;  // paper, orientation and caps; never printed on
  std::unique_ptr<Canvas> idleCanvas_;
  std::unique_ptr<TapeCanvas> canvas_;
  std::vector<std::unique_ptr<Worker>> workers_;
  std::vector<PartPage> order_;  // where each page went
  int pages_ = 0;
  int expectedPages_ = 0;  // 0: not told
  int mode_ = 1;  // the canvas's mapping mode as the printer layer numbers it
  std::string error_;
};

}  // namespace zel::cli
