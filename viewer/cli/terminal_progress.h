// TerminalProgress: the print job's progress dialog on a terminal. It draws a
// one-line bar on standard error (only when asked to, normally when stderr is
// a terminal) and turns Ctrl+C into a cancel at the next page boundary, where
// the job ends its document normally, so the pages done stay readable.
//
// One instance at a time; installInterruptHandler wires SIGINT, SIGTERM and
// SIGHUP to it. The signal handler only records the signal; everything else
// runs on the main thread.
//
// A page hook for tests: with ZEL_STOP_AFTER_PAGES=N in the environment the
// process stops itself (SIGSTOP) once N pages are done, at a page boundary,
// so a test can signal it there instead of racing the job. With
// ZEL_STOP_AT_CHECK=N it stops at the N-th look for a cancel that moves no
// bar (an export's looks after its last line: before the file is finished,
// then before it is renamed).
#pragma once

#include <cstdio>
#include <string>

#include "progress_dialog.h"

namespace zel::cli {

class TerminalProgress : public ProgressDialog {
 public:
  TerminalProgress(std::FILE* out, bool drawBar);

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
  int stopAfter_ = 0;  // the page hook's page count; 0: none
  int stopAtCheck_ = 0;  // the check hook's count; 0: none
  int checks_ = 0;
};

// SIGINT, SIGTERM and SIGHUP set the interrupted flag (the same signal a
// second time ends the process at once).
void installInterruptHandler();
bool interrupted();
// The exit status of an interrupted run: 128 + the signal (130 for Ctrl+C).
int interruptedExitCode();
void setInterrupted(bool on);  // for tests: as by SIGINT

}  // namespace zel::cli
