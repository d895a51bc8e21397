// Status and Result<T>: errors as cheap values for the toolkit-free libraries.
// An OK status holds nothing; a failure holds a kind, a short message that
// names what failed (file, record, offset) and, when a system call failed,
// its errno. Callers word it for the user.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace zel {

class Status {
 public:
  enum class Kind { kOk, kNotFound, kCorruption, kIoError, kInvalidArgument, kBusy, kUnsupported };

  Status() = default;
  static Status ok() { return Status(); }
  static Status notFound(std::string msg, int sysError = 0) {
    return Status(Kind::kNotFound, std::move(msg), sysError);
  }
  static Status corruption(std::string msg) { return Status(Kind::kCorruption, std::move(msg)); }
  static Status ioError(std::string msg, int sysError = 0) { return Status(Kind::kIoError, std::move(msg), sysError); }
  static Status invalidArgument(std::string msg) { return Status(Kind::kInvalidArgument, std::move(msg)); }
  static Status busy(std::string msg) { return Status(Kind::kBusy, std::move(msg)); }
  static Status unsupported(std::string msg) { return Status(Kind::kUnsupported, std::move(msg)); }

  bool isOk() const { return kind_ == Kind::kOk; }
  explicit operator bool() const { return isOk(); }
  Kind kind() const { return kind_; }
  const std::string& message() const { return message_; }
  // The errno of the system call that failed; 0 when none did.
  int sysError() const { return sysError_; }

 private:
  Status(Kind kind, std::string msg, int sysError = 0) : kind_(kind), message_(std::move(msg)), sysError_(sysError) {}
  Kind kind_ = Kind::kOk;
  std::string message_;
  int sysError_ = 0;
};

// A value or the Status that explains why there is none.
template <typename T>
class Result {
 public:
  Result(T value) : value_(std::move(value)) {}  // NOLINT: implicit by design
  Result(Status status) : status_(std::move(status)) {}  // NOLINT: implicit by design
  bool isOk() const { return value_.has_value(); }
  explicit operator bool() const { return isOk(); }
  const Status& status() const { return status_; }
  T& value() & { return *value_; }
  const T& value() const& { return *value_; }
  T&& value() && { return std::move(*value_); }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }
  T& operator*() { return *value_; }
  const T& operator*() const { return *value_; }

 private:
  std::optional<T> value_;
  Status status_;
};

}  // namespace zel
