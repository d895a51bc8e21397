#include "scope_exit.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace zel {
namespace {

// The clean-up runs once on every way out; a clean-up that throws does not
// replace the error already on its way.
TEST(ScopeExit, RunsOnceOnEveryWayOut) {
  struct Case {
    bool bodyThrows, stepThrows;
  };
  for (const Case& c : {Case{false, false}, Case{true, false}, Case{false, true}, Case{true, true}}) {
    int runs = 0;
    auto body = [&] {
      const ScopeExit undo([&] {
        ++runs;
        if (c.stepThrows) throw std::runtime_error("undo failed");
      });
      if (c.bodyThrows) throw std::logic_error("body failed");
    };
    if (c.bodyThrows) {
      EXPECT_THROW(body(), std::logic_error);
    } else {
      EXPECT_NO_THROW(body());
    }
    EXPECT_EQ(runs, 1) << c.bodyThrows << c.stepThrows;
  }
}

}  // namespace
}  // namespace zel
