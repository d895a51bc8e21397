#include "split_pdf_printer.h"

#include <QFile>
#include <QPrinter>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#if defined(__GLIBC__)
#  include <malloc.h>
#endif

#include "page_tape.h"
#include "painter_canvas.h"
#include "printer_layer.h"
#include "worker_signals.h"

namespace zel::cli {

struct SplitPdfPrinter::Worker {
  // A page, and with a worker's first page of a part the printer (made on
  // the engine's thread) and file it begins.
  struct Item {
    PageTape tape;
    std::unique_ptr<PrinterLayer> part;
    QString file;
  };

  int source = 0;  // this worker's number in the joiner
  PdfStreamJoiner* joiner = nullptr;
  std::unique_ptr<PrinterLayer> printer;  // the current part's; used on the worker's thread only
  QString file;
  std::thread thread;
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<Item> queue;
  bool closing = false;
  int pages = 0;  // handed over
  bool failed = false;

  // Ends the current part and joins it: its pages are in the output now.
  void closePart() {
    printer->endDocument();
    printer.reset();
    const bool joined = joiner->append(source, QFile::encodeName(file).toStdString());
#if defined(__GLIBC__)
    // The part's buffers are free now; the program keeps freed memory in its
    // heaps (page_heap.h), where, spread over the threads' heaps, it would
    // add up over a long document.
    malloc_trim(0);
#endif
    if (!joined) {
      failed = true;
      return;
    }
    QFile::remove(file);
  }

  void run() {
    leaveSignalsToTheStartingThread();
    for (;;) {
      Item item;
      {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [this] { return !queue.empty() || closing; });
        if (queue.empty()) break;
        item = std::move(queue.front());
        queue.pop_front();
      }
      changed.notify_all();
      if (failed) continue;
      if (item.part) {
        if (printer) closePart();
        if (failed) continue;
        printer = std::move(item.part);
        file = item.file;
        if (!printer->beginDocument()) {
          failed = true;
          continue;
        }
      } else if (!printer || !printer->newPage()) {
        failed = true;
        continue;
      }
      PlayTape(item.tape, *printer);
    }
    if (printer && !failed) {
      closePart();
    } else if (printer) {
      // Ended here, on the thread whose fonts its pages use.
      printer->endDocument();
      printer.reset();
    }
  }

  void push(Item&& item) {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return queue.size() < static_cast<std::size_t>(kQueuedPages); });
    queue.push_back(std::move(item));
    ++pages;
    lock.unlock();
    changed.notify_all();
  }

  void close() {
    {
      const std::lock_guard<std::mutex> lock(mutex);
      closing = true;
    }
    changed.notify_all();
    if (thread.joinable()) thread.join();
  }
};

SplitPdfPrinter::SplitPdfPrinter(const QString& outputFile, int workers, std::function<QString(int)> partFile)
    : output_(outputFile), workerCount_(std::max(workers, 1)), partFile_(std::move(partFile)),
      model_(PrinterLayer::pdfPrinter(outputFile)) {}

SplitPdfPrinter::~SplitPdfPrinter() {
  if (canvas_) finish();
}

bool SplitPdfPrinter::setOrientation(PaperOrientation orientation) { return model_->setOrientation(orientation); }
bool SplitPdfPrinter::setCopies(int copies) { return model_->setCopies(copies); }
bool SplitPdfPrinter::caps(PrinterCaps& out) { return model_->caps(out); }

Canvas& SplitPdfPrinter::canvas() {
  if (canvas_) return *canvas_;
  return model_->canvas();
}

bool SplitPdfPrinter::beginDocument() {
  if (canvas_ || output_.isEmpty()) return false;
  PrinterCaps c;
  if (!caps(c)) return false;
  error_.clear();
  order_.clear();
  orientation_ = model_->device().pageLayout().orientation() == QPageLayout::Landscape ? PaperOrientation::kLandscape
                                                                                       : PaperOrientation::kPortrait;
  joiner_ = std::make_unique<PdfStreamJoiner>(QFile::encodeName(output_).toStdString());
  for (int i = 0; i < workerCount_; ++i) {
    auto worker = std::make_unique<Worker>();
    worker->source = i;
    worker->joiner = joiner_.get();
    workers_.push_back(std::move(worker));
  }
  for (auto& worker : workers_) worker->thread = std::thread([w = worker.get()] { w->run(); });
  canvas_ = std::make_unique<TapeCanvas>();
  canvas_->setPrintingOffset(model_->printingOffset());
  mode_ = kMapText;
  pages_ = 1;
  return true;
}

void SplitPdfPrinter::handOver() {
  const int index = pages_ - 1;
  const int part = (index / kChunkPages) % static_cast<int>(workers_.size());
  Worker& worker = *workers_[static_cast<std::size_t>(part)];
  order_.push_back({part, worker.pages});
  Worker::Item item;
  item.tape = std::move(canvas_->tape());
  canvas_->tape().clear();
  if (worker.pages % kPartPages == 0) {
    item.file = partFile_(++partFiles_);
    item.part = PrinterLayer::pdfPrinter(item.file);
    item.part->setOrientation(orientation_);
  }
  worker.push(std::move(item));
}

bool SplitPdfPrinter::newPage() {
  if (!canvas_) return false;
  handOver();
  ++pages_;
  return true;
}

int SplitPdfPrinter::setMetricMapping() {
  if (!canvas_) return kMapText;
  canvas_->tape().emplace_back().op = CanvasCall::Op::kMetricMapping;
  const int previous = mode_;
  mode_ = kMapLoMetric;
  return previous;
}

void SplitPdfPrinter::restoreMapping(int previousMode) {
  if (!canvas_) return;
  CanvasCall& op = canvas_->tape().emplace_back();
  op.op = CanvasCall::Op::kRestoreMapping;
  op.a = previousMode;
  if (previousMode == kMapText) mode_ = kMapText;
}

void SplitPdfPrinter::endDocument() {
  if (canvas_) finish();
}

void SplitPdfPrinter::finish() {
  handOver();
  canvas_.reset();
  bool failed = false;
  for (auto& worker : workers_) {
    worker->close();
    failed = failed || worker->failed;
  }
  if (failed) {
    error_ = joiner_->error();
    if (error_.empty()) error_ = "a page could not be written";
  } else if (!joiner_->finish(order_)) {
    error_ = joiner_->error();
  }
  // Parts not joined are the caller's (extra parts of its output): left for
  // it to remove, so that a full disk is still full when it asks why.
  workers_.clear();
  joiner_.reset();
}

}  // namespace zel::cli
