// StatusProgress: the main window's progress bar, which counts the lines of a
// page while the preview draws it. The shell installs its bar at start-up; the
// default does nothing (headless runs, tests without a window). Not owned.
#pragma once

namespace zel {

class StatusProgress {
 public:
  virtual ~StatusProgress() = default;
  virtual void ShowStatusProgress(int maximum) = 0;
  virtual void SetStatusProgress(int position) = 0;
  virtual void HideStatusProgress() = 0;
};

StatusProgress& statusProgress();
void installStatusProgress(StatusProgress* progress);  // nullptr restores the default

}  // namespace zel
