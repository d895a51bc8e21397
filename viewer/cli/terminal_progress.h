// TerminalProgress: the print job's progress dialog on a terminal. It draws a
// one-line bar on standard error (only when asked to, normally when stderr is
// a terminal) and turns Ctrl+C into a cancel at the next page boundary, where
// the job ends its document normally, so the pages done stay readable.
//
// One instance at a time; installInterruptHandler wires SIGINT to it. The
// signal handler only sets a flag; everything else runs on the main thread.
#pragma once

#include <cstdio>
#include <string>

#include "progress_dialog.h"

namespace zel::cli {

class TerminalProgress : public ProgressDialog {
 public:
  TerminalProgress(std::FILE* out, bool drawBar) : out_(out), drawBar_(drawBar) {}

  bool ShowProgress(int count, const std::string& caption) override;
  bool StepProgress(int position, int page, const std::string& caption) override;
  bool CloseProgress() override;
  void ProcessPendingMessages() override;

  int pagesDone() const { return done_; }

 private:
  void draw();

  std::FILE* out_;
  bool drawBar_;
  bool showing_ = false;
  int count_ = 0;
  int done_ = 0;
  int page_ = 0;
  std::string caption_;
};

// SIGINT sets the interrupted flag (and a second Ctrl+C ends the process).
void installInterruptHandler();
bool interrupted();
void setInterrupted(bool on);  // for tests

}  // namespace zel::cli
