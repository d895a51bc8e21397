// ProgressView: what the installation steps show while they run. The progress
// window implements it in the wizard; the silent mode and the tests use their own.
// The steps own nothing of the view; it must outlive the run it is given to.
#pragma once

#include <string>

namespace zel::setup {

class ProgressView {
 public:
  virtual ~ProgressView() = default;
  virtual void setStatus(const std::string& text) = 0;  // the top line
  virtual void setCurrent(int min, int max, int value) = 0;  // the unpacking gauge
  virtual void setTotal(int min, int max, int value) = 0;  // the all-steps gauge
  // Keeps the last step on screen for a moment, without busying the processor.
  virtual void pause() = 0;
  // Lets pending window events run (repaints, further mouse movements).
  virtual void processMessages() = 0;
  // All steps done: the view closes.
  virtual void finish() = 0;
};

// Shows nothing.
class NullProgressView : public ProgressView {
 public:
  void setStatus(const std::string&) override {}
  void setCurrent(int, int, int) override {}
  void setTotal(int, int, int) override {}
  void pause() override {}
  void processMessages() override {}
  void finish() override {}
};

}  // namespace zel::setup
