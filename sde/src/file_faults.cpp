#include "file_faults.h"

#include <atomic>

namespace sde {
namespace {

std::atomic<long> gRemaining[2] = {0, 0};  // operations left until the failure; 0: off

}  // namespace

void failNthFileOperation(FileOperation op, long nth) { gRemaining[int(op)] = nth > 0 ? nth : 0; }

bool injectedFailure(FileOperation op) {
  std::atomic<long>& left = gRemaining[int(op)];
  long now = left.load(std::memory_order_relaxed);
  // Fast path for the normal run: nothing armed.
  while (now > 0) {
    if (left.compare_exchange_weak(now, now - 1)) return now == 1;
  }
  return false;
}

}  // namespace sde
