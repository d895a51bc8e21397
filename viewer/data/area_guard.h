// AreaGuard: selects a table's engine work area for the length of one call and
// afterwards selects again the area that was current before, so callers never
// see the engine's current area change under them. With it, two small helpers
// the table layer's engine calls share. Internal to the data layer.
#pragma once

#include <cerrno>
#include <string>

#include "data_error.h"
#include "sde32.h"

namespace zel {

// The engine's last failure as a DataError: of the kind the engine names
// where it tells more than the call does (another program's hold, a missing
// driver, a field of another type, no permission), of `kind` otherwise; in the
// engine's words, or `fallback` when it has none.
inline DataError engineFailure(ErrorKind kind, const std::string& fallback) {
  const char* e = sx_LastError();
  const std::string detail = e == nullptr || *e == '\0' ? fallback : std::string(e);
  const int sysError = sx_LastErrno();
  switch (sx_LastErrorKind()) {
    case SX_ERR_BUSY: kind = ErrorKind::kInUse; break;
    case SX_ERR_NODRIVER: kind = ErrorKind::kDriverMissing; break;
    case SX_ERR_FIELDTYPE: kind = ErrorKind::kFieldType; break;
    case SX_ERR_NOTFOUND:
      if (kind == ErrorKind::kReadFailed || kind == ErrorKind::kMemoDamaged) kind = ErrorKind::kFieldMissing;
      break;
    case SX_ERR_IO:
      if (sysError == EACCES || sysError == EPERM) kind = ErrorKind::kNoPermission;
      break;
    default: break;
  }
  return DataError(kind, detail, sysError);
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
