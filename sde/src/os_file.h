// OsFile: one open file of the operating system, owned by whoever holds it
// (a table owns its .dbf and memo file). Positional reads and writes, flush
// to disk, and byte-range locks that belong to this open (not to the process),
// so two opens of one file in the same process conflict like two programs do.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "status.h"

namespace sde {

class OsFile {
 public:
  enum class Mode { kRead, kReadWrite, kCreate };

  OsFile() = default;
  ~OsFile();
  OsFile(const OsFile&) = delete;
  OsFile& operator=(const OsFile&) = delete;
  OsFile(OsFile&& other) noexcept;
  OsFile& operator=(OsFile&& other) noexcept;

  zel::Status open(const std::string& path, Mode mode);
  void close();
  bool isOpen() const;
  const std::string& path() const { return path_; }

  // Reads exactly n bytes at offset; a short file is an error naming the offset.
  zel::Status readAt(uint64_t offset, void* buf, size_t n) const;
  // Reads up to n bytes; returns the count read (0 at or past the end).
  size_t readSome(uint64_t offset, void* buf, size_t n) const;
  zel::Status writeAt(uint64_t offset, const void* buf, size_t n);
  zel::Status sync();
  zel::Status truncate(uint64_t size);
  uint64_t size() const;
  int64_t mtimeNs() const;

  // Byte-range locks. A write lock excludes every other lock on the range; read
  // locks share. Retries with short sleeps for up to timeoutMs milliseconds.
  // Busy when someone else holds the range; Unsupported when the file system
  // has no such locks.
  zel::Status lock(uint64_t offset, uint64_t length, bool write, int timeoutMs);
  void unlock(uint64_t offset, uint64_t length);

 private:
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
  std::string path_;
};

// The path of an existing file named `name` in `dir`, compared without regard
// to case (the exact spelling wins); empty when there is none.
std::string findFileNoCase(const std::string& dir, const std::string& name);
// The same text apart from the case of ASCII letters.
bool equalNoCase(std::string_view a, std::string_view b);
bool fileExists(const std::string& path);
// Puts `from` in the place of `to`, replacing it when it exists (plain rename
// refuses that on Windows). False when it cannot.
bool replaceFile(const std::string& from, const std::string& to);
std::string dirName(const std::string& path);
std::string baseName(const std::string& path);  // without directory
std::string stripExtension(const std::string& name);
std::string extensionOf(const std::string& name);  // with the dot, as spelt; "" when none
// A companion file's extension (".fpt") spelt in upper case when path's own extension is.
std::string extensionLike(const std::string& path, const std::string& ext);

}  // namespace sde
