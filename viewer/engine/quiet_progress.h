// Test support: progress that shows nothing and never cancels, for drawings
// whose feedback a test does not look at. Header-only.
#pragma once

#include <string>

#include "page_renderer.h"
#include "progress_dialog.h"
#include "status_progress.h"

namespace zel {

class QuietProgress : public ProgressDialog, public StatusProgress {
 public:
  bool ShowProgress(int, const std::string&) override { return true; }
  bool StepProgress(int, int, const std::string&) override { return true; }
  bool CloseProgress() override { return true; }
  void ProcessPendingMessages() override {}
  void ShowStatusProgress(int) override {}
  void SetStatusProgress(int) override {}
  void HideStatusProgress() override {}

  RenderProgress both() { return {*this, *this}; }
};

}  // namespace zel
