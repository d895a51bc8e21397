#include "background_writer.h"

#include "sheet_writer.h"
#include "worker_signals.h"

namespace zel {
namespace {

constexpr std::size_t kBatchLines = 512;
constexpr std::size_t kQueuedBatches = 4;

}  // namespace

BackgroundWriter::BackgroundWriter(SheetWriter& writer) : writer_(writer) {
  filling_.resize(kBatchLines);
  thread_ = std::thread([this] { run(); });
}

BackgroundWriter::~BackgroundWriter() { stop(); }

void BackgroundWriter::stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void BackgroundWriter::line(const ExportLine& line) {
  // Assignment reuses the batch's strings and vectors from earlier lines.
  ExportLine& slot = filling_[filled_];
  slot.page = line.page;
  slot.bold = line.bold;
  slot.lastOfPage = line.lastOfPage;
  slot.cells.resize(line.cells.size());
  for (std::size_t c = 0; c < line.cells.size(); ++c) slot.cells[c] = line.cells[c];
  if (++filled_ == filling_.size()) send(false);
}

void BackgroundWriter::send(bool last) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return full_.size() < kQueuedBatches || error_; });
  if (error_) std::rethrow_exception(error_);
  filling_.resize(filled_);
  full_.push_back(std::move(filling_));
  if (!free_.empty()) {
    filling_ = std::move(free_.back());
    free_.pop_back();
  } else {
    filling_ = Batch();
  }
  filling_.resize(kBatchLines);
  filled_ = 0;
  if (last) ending_ = true;
  lock.unlock();
  changed_.notify_all();
}

void BackgroundWriter::finish() {
  send(true);
  // The thread ends once everything queued is written (or on an error).
  if (thread_.joinable()) thread_.join();
  if (error_) std::rethrow_exception(error_);
}

void BackgroundWriter::run() {
  leaveSignalsToTheStartingThread();
  for (;;) {
    Batch batch;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return !full_.empty() || ending_ || stopping_; });
      if (stopping_ || full_.empty()) return;  // given up, or all written
      batch = std::move(full_.front());
      full_.pop_front();
    }
    try {
      for (const ExportLine& l : batch) writer_.line(l);
    } catch (...) {
      std::lock_guard<std::mutex> lock(mutex_);
      error_ = std::current_exception();
      changed_.notify_all();
      return;
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      free_.push_back(std::move(batch));
    }
    changed_.notify_all();
  }
}

}  // namespace zel
