// Hands the lines of an export to its writer on a thread of their own, so
// reading the report (on the caller's thread: the table layer is not shared
// between threads) and writing the file (formatting, compression) overlap.
// Lines travel in batches through a short queue, so memory stays bounded
// whatever the report's length. A writer error reaches the caller at its next
// line or at finish.
#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "export_lines.h"

namespace zel {

class SheetWriter;

class BackgroundWriter : public ExportSink {
 public:
  // writer.begin must have been called; writer.finish is the caller's, after finish().
  explicit BackgroundWriter(SheetWriter& writer);
  ~BackgroundWriter() override;  // stops the thread; lines not yet written are dropped

  void line(const ExportLine& line) override;
  // Writes what is queued and waits for it; rethrows a writer error.
  void finish();

 private:
  using Batch = std::vector<ExportLine>;
  void run();
  void send(bool last);
  void stop();

  SheetWriter& writer_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Batch> full_;  // waiting to be written
  std::vector<Batch> free_;  // written, for reuse
  Batch filling_;
  std::size_t filled_ = 0;  // lines of filling_ in use
  bool ending_ = false;  // no more lines will come
  bool stopping_ = false;  // give up: drop what is queued
  std::exception_ptr error_;
  std::thread thread_;
};

}  // namespace zel
