// ScopeExit: runs a clean-up step when the scope ends, on a normal return and
// while an exception passes alike, so an undo step is written once instead of
// once per way out. A clean-up that throws is stopped there: the outcome (or
// the error on its way) stands, and a failing undo adds nothing to act on.
//
//   ScopeExit restore([&] { printer.restoreMapping(previous); });
#pragma once

#include <utility>

namespace zel {

template <class Step>
class ScopeExit {
 public:
  explicit ScopeExit(Step step) : step_(std::move(step)) {}
  ~ScopeExit() {
    try {
      step_();
    } catch (...) {}
  }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

 private:
  Step step_;
};

}  // namespace zel
