// A writer of one export file: told the sheet's shape first, then given the
// lines in order, then finished. Texts arrive as CP949 bytes and leave as
// UTF-8. Errors (a file that cannot be written) throw ExportError.
#pragma once

#include <stdexcept>
#include <string>

#include "export_lines.h"

namespace zel {

struct ExportLayout;

class ExportError : public std::runtime_error {
 public:
  // error: the system's error number when a write failed, 0 when unknown.
  explicit ExportError(const std::string& what, int error = 0) : std::runtime_error(what), error_(error) {}
  int error() const { return error_; }

 private:
  int error_;
};

class SheetWriter : public ExportSink {
 public:
  virtual void begin(const ExportLayout& layout) = 0;
  virtual void finish() = 0;
};

}  // namespace zel
