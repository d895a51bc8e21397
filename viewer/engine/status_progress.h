// StatusProgress: the main window's progress bar, which counts the lines of a
// page while the preview draws it. The main window hands its bar to the run
// (RunServices); without one nothing shows. Not owned.
#pragma once

namespace zel {

class StatusProgress {
 public:
  virtual ~StatusProgress() = default;
  virtual void ShowStatusProgress(int maximum) = 0;
  virtual void SetStatusProgress(int position) = 0;
  virtual void HideStatusProgress() = 0;
};

}  // namespace zel
