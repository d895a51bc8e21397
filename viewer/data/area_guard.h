// AreaGuard: selects a table's engine work area for the length of one call and
// afterwards selects again the area that was current before, so callers never
// see the engine's current area change under them. Internal to the data layer.
#pragma once

#include "sde32.h"

namespace zel {

class AreaGuard {
 public:
  // area 0 (a closed table): only remembers the current area.
  explicit AreaGuard(int area) : area_(area), previous_(area != 0 ? sx_Select(area) : sx_WorkArea(nullptr)) {}
  ~AreaGuard() {
    if (previous_ != 0 && previous_ != area_) sx_Select(previous_);
  }
  AreaGuard(const AreaGuard&) = delete;
  AreaGuard& operator=(const AreaGuard&) = delete;

 private:
  int area_;
  int previous_;
};

}  // namespace zel
