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

#include "page_tape.h"
#include "painter_canvas.h"
#include "printer_layer.h"
#include "worker_signals.h"

namespace zel::cli {

struct SplitPdfPrinter::Worker {
  std::unique_ptr<PrinterLayer> printer;  // made on the engine's thread, used on the worker's only
  QString file;
  std::thread thread;
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<PageTape> queue;
  bool closing = false;
  int pages = 0;  // handed over
  int drawn = 0;  // begun on the printer
  bool failed = false;

  void run() {
    leaveSignalsToTheStartingThread();
    for (;;) {
      PageTape tape;
      {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [this] { return !queue.empty() || closing; });
        if (queue.empty()) break;
        tape = std::move(queue.front());
        queue.pop_front();
      }
      changed.notify_all();
      if (failed) continue;
      if (!(drawn == 0 ? printer->beginDocument() : printer->newPage())) {
        failed = true;
        continue;
      }
      ++drawn;
      PlayTape(tape, *printer);
    }
    if (drawn > 0) printer->endDocument();
  }

  void push(PageTape&& tape) {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return queue.size() < static_cast<std::size_t>(kQueuedPages); });
    queue.push_back(std::move(tape));
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

SplitPdfPrinter::SplitPdfPrinter(const QString& outputFile, int workers, std::function<QString(int)> workerFile)
    : output_(outputFile), workerCount_(std::max(workers, 1)), workerFile_(std::move(workerFile)),
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
  const PaperOrientation orientation = model_->device().pageLayout().orientation() == QPageLayout::Landscape
                                           ? PaperOrientation::kLandscape
                                           : PaperOrientation::kPortrait;
  const int workers = expectedPages_ > kMaxJoinedPages ? 1 : workerCount_;
  for (int i = 0; i < workers; ++i) {
    auto worker = std::make_unique<Worker>();
    worker->file = workerFile_(i + 1);
    worker->printer = PrinterLayer::pdfPrinter(worker->file);
    worker->printer->setOrientation(orientation);
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
  worker.push(std::move(canvas_->tape()));
  canvas_->tape().clear();
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
  std::vector<std::string> parts;  // the workers that got pages: the first ones, as runs go in turn
  for (auto& worker : workers_) {
    worker->close();
    failed = failed || worker->failed;
    if (worker->pages > 0) parts.push_back(QFile::encodeName(worker->file).toStdString());
  }
  const std::string output = QFile::encodeName(output_).toStdString();
  if (failed) {
    error_ = "a page could not be written";
  } else if (parts.size() == 1) {
    // One part holds every page: it becomes the output file (the caller's
    // part, checked and renamed into place by the caller).
    if (std::rename(parts.front().c_str(), output.c_str()) != 0)
      error_ = "cannot write " + output + ": " + std::strerror(errno);
  } else {
    JoinPdfPages(parts, order_, output, error_);
  }
  // The workers' files are the caller's (extra parts of its output): left
  // for it to remove, so that a full disk is still full when it asks why.
  workers_.clear();
}

}  // namespace zel::cli
