// MemoFile: the memo file of a table (.fpt, or .dbt in the dBASE III and IV
// layouts). Owned by its Table. Blocks are read on demand and checked against
// the file size; new texts always go to freshly allocated blocks at the end, so
// a text once pointed to is never overwritten.
#pragma once

#include <cstdint>
#include <string>

#include "dbf_header.h"
#include "os_file.h"
#include "status.h"

namespace sde {

inline constexpr size_t kFptHeaderSize = 512;
inline constexpr uint32_t kDbt3BlockSize = 512;
inline constexpr uint32_t kDefaultMemoBlockSize = 64;
inline constexpr uint32_t kMaxMemoLength = 0x7FFFFFF0;

class MemoFile {
 public:
  // Opens an existing memo file; checks the header.
  zel::Status open(const std::string& path, MemoKind kind, bool writable);
  // Writes a fresh, empty memo file.
  static zel::Status create(const std::string& path, MemoKind kind, uint32_t blockSize);

  MemoKind kind() const { return kind_; }
  uint32_t blockSize() const { return blockSize_; }
  const std::string& path() const { return file_.path(); }

  // The text stored at block number `block` (0: empty memo).
  zel::Status read(uint32_t block, std::string* out) const;
  zel::Result<uint32_t> length(uint32_t block) const;

  // Stores data in new blocks and returns their first block number (0 for no
  // data). The data is flushed to disk before the header's next-free pointer
  // moves past it, and the header is flushed before this returns.
  zel::Result<uint32_t> write(const void* data, size_t length);

 private:
  zel::Status readHeader();
  zel::Result<uint64_t> blockOffset(uint32_t block) const;

  OsFile file_;
  MemoKind kind_ = MemoKind::kNone;
  uint32_t blockSize_ = kDefaultMemoBlockSize;
};

}  // namespace sde
