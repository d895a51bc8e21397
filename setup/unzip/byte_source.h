// ByteSource: random-access reads from an archive of known size. The extractor
// reads the archive only through this, so tests can hand it bytes held in memory
// or a source that fails at a chosen read. The source is owned by the caller and
// must outlive the reads made through it; not thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zel {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t size() const = 0;
  // Fills out with the bytes at offset. False when the range lies outside the
  // source or the read fails; out's content is then unspecified.
  virtual bool read(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
};

// A regular file opened read-only. Check isOpen() (and error()) after construction.
class FileByteSource final : public ByteSource {
 public:
  explicit FileByteSource(const std::string& path);
  ~FileByteSource() override;
  FileByteSource(const FileByteSource&) = delete;
  FileByteSource& operator=(const FileByteSource&) = delete;

  bool isOpen() const { return fd_ >= 0; }
  const std::string& error() const { return error_; }
  std::uint64_t size() const override { return size_; }
  bool read(std::uint64_t offset, std::span<std::uint8_t> out) override;

 private:
  int fd_ = -1;
  std::uint64_t size_ = 0;
  std::string error_;
};

// Bytes held in memory; can be told to fail from the Nth read on (counted from 0)
// so that every read of the extractor can be made to fail in turn.
class MemoryByteSource final : public ByteSource {
 public:
  explicit MemoryByteSource(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
  void failFromRead(long n) { failFrom_ = n; }
  long readCount() const { return reads_; }
  std::uint64_t size() const override { return bytes_.size(); }
  bool read(std::uint64_t offset, std::span<std::uint8_t> out) override;

 private:
  std::vector<std::uint8_t> bytes_;
  long failFrom_ = -1;
  long reads_ = 0;
};

}  // namespace zel
