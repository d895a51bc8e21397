// MemoFile: the memo file of a table (.fpt, or .dbt in the dBASE III and IV
// layouts). Owned by its Table. Blocks are read on demand and checked against
// the file size. A text any record points to is never overwritten: a new text
// goes to blocks no record points to, and the record is pointed at it after.
//
// In an .fpt the blocks a replaced text held are remembered in a free list in
// the header's unused bytes (see kFreeListOffset) and reused by a later text,
// so saving the same memo again and again does not grow the file without
// bound. Other programs ignore those bytes; a list they damaged or dropped
// only costs space, and every range is checked against the records before
// reuse, since a program that rewrote the file may have put texts there.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

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

  // True when no record points into blocks [first, first + count).
  using UnreferencedCheck = std::function<bool(uint32_t first, uint32_t count)>;

  // Stores data in blocks no record points to and returns their first block
  // number (0 for no data): a free range that unreferenced() confirms, else
  // new blocks at the end. The data is flushed to disk before the header's
  // next-free pointer moves past it, and the header is flushed before this
  // returns. The caller holds the memo lock.
  zel::Result<uint32_t> write(const void* data, size_t length, const UnreferencedCheck& unreferenced = {});

  // The text at block no longer has a record pointing to it: its blocks may
  // be reused. Only once the record's new pointer is on disk. The caller
  // holds the memo lock. A full or unreadable list only costs space.
  zel::Status release(uint32_t block);

  // The free list as stored (first block, block count), for tests.
  std::vector<std::pair<uint32_t, uint32_t>> freeRanges() const;

 private:
  zel::Status readHeader();
  zel::Result<uint64_t> blockOffset(uint32_t block) const;
  zel::Result<uint32_t> blocksOf(uint32_t block) const;  // blocks the text at block takes
  zel::Status writeFreeList(const std::vector<std::pair<uint32_t, uint32_t>>& ranges);

  OsFile file_;
  MemoKind kind_ = MemoKind::kNone;
  uint32_t blockSize_ = kDefaultMemoBlockSize;
};

}  // namespace sde
