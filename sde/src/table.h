// Table: one open .dbf file with its memo file. Owned by a work area.
//
// Records are read through a small window cache with positional reads; the
// table is never loaded whole. Records appended in exclusive mode collect in a
// tail buffer written in large pieces (the header's record count follows at
// flush()); in shared mode every write goes straight to the file so other
// programs see it. Locks are operating-system byte-range locks far beyond any
// real file size: a read lock on kOpenSentinel for every shared open, a write
// lock there for an exclusive open, and write locks on kRecordLockBase + recno.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "dbf_header.h"
#include "memo_file.h"
#include "os_file.h"
#include "status.h"

namespace sde {

enum class OpenMode { kShared = 0, kReadOnly = 1, kExclusive = 2 };

inline constexpr uint64_t kOpenSentinel = 0x7FFFFFF0;
inline constexpr uint64_t kMemoLockOffset = 0x7FFFFFE0;
inline constexpr uint64_t kRecordLockBase = 0x40000000;  // + recno; recno 0 guards appends

class Table {
 public:
  ~Table();

  // Opens path; lockTimeoutMs bounds the wait for the open lock.
  static zel::Result<std::unique_ptr<Table>> open(const std::string& path, OpenMode mode, int lockTimeoutMs);
  // Writes a new empty table (and its memo file) with the given header fields.
  static zel::Status create(const std::string& path, DbfHeader header, uint32_t memoBlockSize);

  const std::string& path() const { return path_; }
  const DbfHeader& header() const { return header_; }
  OpenMode mode() const { return mode_; }
  uint32_t recCount() const { return recCount_; }
  uint32_t recLen() const { return header_.recLen; }
  const FieldDesc* field(const std::string& name) const;  // case-insensitive
  int fieldIndex(const std::string& name) const;  // 0-based, -1 when absent
  std::vector<uint8_t> blankRecord() const;

  // Record recno (1-based) or an error; the pointer lives until the next call on the table.
  const uint8_t* record(uint32_t recno, zel::Status* status);
  zel::Status readRecord(uint32_t recno, uint8_t* out);
  // The same, but in shared mode always from the file (for absolute moves).
  zel::Status readRecordFresh(uint32_t recno, uint8_t* out);
  // Walks records first..last in file order through large reads, handing fn
  // runs of consecutive records (first recno, bytes, count); fn returns false to stop.
  zel::Status scanChunks(uint32_t first, uint32_t last,
                         const std::function<bool(uint32_t, const uint8_t*, uint32_t)>& fn);

  // durable: flushed to disk before returning (used when a memo pointer changes).
  zel::Status writeRecord(uint32_t recno, const uint8_t* rec, bool durable);
  zel::Result<uint32_t> appendRecord(const uint8_t* rec);
  zel::Status flush();  // pending appends and the header
  void refreshCount();  // picks up records other programs appended (shared mode)

  // Memo access; the pointer is read from the record's field.
  bool hasMemo() const { return memo_.has_value(); }
  uint32_t memoBlockSize() const { return memo_ ? memo_->blockSize() : 0; }
  zel::Result<uint32_t> memoPointer(const uint8_t* rec, const FieldDesc& f) const;
  void setMemoPointer(uint8_t* rec, const FieldDesc& f, uint32_t block) const;
  zel::Status readMemo(const uint8_t* rec, const FieldDesc& f, std::string* out);
  zel::Result<uint32_t> memoLength(const uint8_t* rec, const FieldDesc& f);
  zel::Result<uint32_t> writeMemo(const void* data, size_t length);
  // The memo texts at these blocks lost their last record (the record's new
  // pointers are on disk): their blocks may hold a later text. Failures only
  // cost space and are not reported.
  void releaseMemos(const std::vector<uint32_t>& blocks);

  // Record locks (shared mode); the timeout covers the retries.
  zel::Status lockRecord(uint32_t recno, int timeoutMs);
  void unlockRecord(uint32_t recno);
  void unlockAll();
  bool isLocked(uint32_t recno) const { return locks_.count(recno) != 0; }
  bool mustLockToWrite() const { return mode_ == OpenMode::kShared; }

  // Identity of the file's current contents, for caches.
  uint64_t fileSize() const;
  // How many bytes the file lacks for the records the header counts (0 when
  // whole). The open trusts what is there; callers decide whether that is damage.
  uint64_t missingBytes() const;
  // Whole records the file holds past its header's count (a lowered count):
  // never read, so a report would print short.
  uint64_t uncountedRecords() const;
  int64_t fileMtimeNs() const;

 private:
  Table() = default;
  zel::Status writeHeaderCount();
  zel::Status writeHeaderDate();
  zel::Status flushTail();
  zel::Status checkWritable() const;
  uint64_t recordOffset(uint32_t recno) const { return header_.headerLen + uint64_t(recno - 1) * header_.recLen; }
  uint8_t* windowRecord(uint32_t recno);  // recno's bytes in the read window, or null
  // True when no memo field of any record (deleted ones too) points into
  // blocks [first, first + count) or to a text that runs into them.
  bool memoBlocksUnreferenced(uint32_t first, uint32_t count);

  std::string path_;
  OpenMode mode_ = OpenMode::kShared;
  OsFile dbf_;
  std::optional<MemoFile> memo_;
  DbfHeader header_;
  uint32_t recCount_ = 0;  // records visible, pending tail included
  uint32_t fileRecCount_ = 0;  // records already in the file
  std::vector<uint8_t> tail_;  // appended records not yet written (exclusive mode)
  bool headerDirty_ = false;
  std::vector<uint8_t> window_;
  uint32_t windowFirst_ = 0;
  uint32_t windowCount_ = 0;
  std::set<uint32_t> locks_;
  bool locksUnsupported_ = false;
};

}  // namespace sde
