// AreaGuard: selects a table's engine work area for the length of one call and
// afterwards selects again the area that was current before, so callers never
// see the engine's current area change under them. With it, two small helpers
// the table layer's engine calls share. Internal to the data layer.
#pragma once

#include <string>

#include "sde32.h"

namespace zel {

// The engine's last error text, or `fallback` when it has none.
inline std::string engineError(const std::string& fallback) {
  const char* e = sx_LastError();
  if (e == nullptr || *e == '\0') return fallback;
  return std::string(e);
}

inline bool isNumericType(const std::string& type) {
  return type == "N" || type == "F" || type == "I" || type == "B" || type == "Y";
}

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
