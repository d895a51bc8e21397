// Engine: the process-wide state behind the C interface: the numbered work
// areas (1..kMaxAreas, one of them current), the switches, the last error and
// a table definition being built by sx_CreateNew/sx_CreateField. One instance,
// used from one thread at a time.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "dbf_header.h"
#include "status.h"
#include "work_area.h"

namespace sde {

inline constexpr int kMaxAreas = 250;

struct TableDefinition {
  bool active = false;
  std::string path;
  std::string alias;
  int driver = 0;
  std::vector<FieldDesc> fields;
};

class Engine {
 public:
  static Engine& instance();

  Switches switches;
  int stringType = 1;
  int errorLevel = 1;
  TableDefinition definition;

  WorkArea* area(int number);  // null when the number is out of range or the area is empty
  WorkArea* current() { return area(current_); }
  int currentNumber() const { return current_; }
  int select(int number);  // returns the previous area
  int openCount() const;
  int findAlias(const std::string& alias) const;  // case-insensitive; 0 when none
  int freeNumber() const;
  int install(std::unique_ptr<WorkArea> area);  // the area becomes current
  void close(int number);
  void closeAll();

  // Records a failure for sx_LastError, sx_LastErrorKind and sx_LastErrno
  // (returns false for convenience). A status brings its own kind and errno;
  // a bare message is SX_ERR_OTHER unless a kind is given.
  bool fail(const zel::Status& s);
  bool fail(int kind, const zel::Status& s);
  bool fail(const std::string& message);
  bool fail(int kind, const std::string& message);
  const std::string& lastError() const { return lastError_; }
  int lastErrorKind() const { return lastKind_; }
  int lastErrno() const { return lastErrno_; }

 private:
  std::array<std::unique_ptr<WorkArea>, kMaxAreas + 1> areas_;
  int current_ = 1;
  std::string lastError_;
  int lastKind_ = 0;
  int lastErrno_ = 0;
};

}  // namespace sde
