// DataError: the one error type above the engine's C interface. It carries
// what kind of failure it was (ErrorKind, which chooses the words the user
// sees: error_text.h) and the detail that names what failed, in the engine's
// or the data layer's words (English; what() returns it, and the command line
// prints it as it stands). It travels up to the window or command that
// started the work, which shows it; nothing below them shows or swallows it.
#pragma once

#include <stdexcept>
#include <string>

namespace zel {

enum class ErrorKind {
  kOther,  // nothing more is known
  kTableClosed,  // a read or move on a table that is not open
  kFileMissing,  // the report's file is not there
  kCannotOpen,  // the table would not open (not a table, damaged header, ...)
  kInUse,  // another program holds the file or the record
  kExclusiveUse,  // exclusive use was refused while another program has the file open
  kNoPermission,  // the system refuses the user access to the file
  kFieldMissing,  // the table lacks a field the report needs
  kFieldType,  // a field is not of the type the report needs (F_INIT not a memo)
  kBadNumber,  // a stored value is not the number it should be
  kMemoDamaged,  // the memo file's contents cannot be read as the table points at them
  kReadFailed,  // a record or a field could not be read
  kWriteFailed,  // a change could not be written
  kIndex,  // an index or order could not be built or opened
  kDriverMissing,  // the engine's index driver library is missing
};

class DataError : public std::runtime_error {
 public:
  // sysError: the errno behind the failure when a system call failed, else 0.
  DataError(ErrorKind kind, const std::string& detail, int sysError = 0)
      : std::runtime_error(detail), kind_(kind), sysError_(sysError) {}
  ErrorKind kind() const { return kind_; }
  int sysError() const { return sysError_; }

 private:
  ErrorKind kind_;
  int sysError_;
};

}  // namespace zel
