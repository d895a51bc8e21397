// ProgressDialog: the print job's progress window with its cancel button, and
// the hook that lets pending window messages run at printed page boundaries
// (the only re-entry while a job runs). The preview side supplies the real one
// (RunServices); without one nothing shows and nothing cancels. Not owned.
//
// Captions are the program's own texts, UTF-8.
#pragma once

#include <string>

namespace zel {

class ProgressDialog {
 public:
  virtual ~ProgressDialog() = default;
  // Opens the dialog for count steps (bar maximum count + 1). False on failure.
  virtual bool ShowProgress(int count, const std::string& caption) = 0;
  // position 1: one step on; -1: bar stays; other: bar position (clamped).
  // False tells the caller to stop (cancel confirmed, or no dialog showing).
  virtual bool StepProgress(int position, int page, const std::string& caption) = 0;
  // Fills the bar and closes the dialog. False when none was showing.
  virtual bool CloseProgress() = 0;
  // Lets pending window messages run (so the cancel button can be pressed).
  virtual void ProcessPendingMessages() = 0;
};

}  // namespace zel
