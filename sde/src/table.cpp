#include "table.h"

#include <algorithm>
#include <cstring>
#include <ctime>

#include "ascii_text.h"
#include "byte_reader.h"

namespace sde {

namespace {

constexpr size_t kWindowBytes = 64 * 1024;
constexpr size_t kScanBytes = 1024 * 1024;
constexpr size_t kTailFlushBytes = 1024 * 1024;
constexpr size_t kMemoPointerDigits = 10;

void todayYmd(uint8_t* ymd) {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
#ifdef _WIN32
  localtime_s(&tm, &now);
#else
  localtime_r(&now, &tm);
#endif
  ymd[0] = uint8_t(tm.tm_year % 100 + (tm.tm_year >= 100 ? 100 : 0));
  ymd[1] = uint8_t(tm.tm_mon + 1);
  ymd[2] = uint8_t(tm.tm_mday);
}

std::string memoPath(const std::string& dbfPath, const char* ext) {
  return findFileNoCase(dirName(dbfPath), stripExtension(baseName(dbfPath)) + ext);
}

}  // namespace

Table::~Table() {
  flush();
  unlockAll();
}

zel::Result<std::unique_ptr<Table>> Table::open(const std::string& path, OpenMode mode, int lockTimeoutMs) {
  std::unique_ptr<Table> t(new Table);
  t->path_ = path;
  t->mode_ = mode;
  bool writable = mode != OpenMode::kReadOnly;
  if (auto s = t->dbf_.open(path, writable ? OsFile::Mode::kReadWrite : OsFile::Mode::kRead); !s) {
    if (mode != OpenMode::kShared) return s;
    // A write-protected file can still be read.
    if (auto s2 = t->dbf_.open(path, OsFile::Mode::kRead); !s2) return s;
    t->mode_ = OpenMode::kReadOnly;
  }
  bool exclusive = mode == OpenMode::kExclusive;
  if (auto s = t->dbf_.lock(kOpenSentinel, 1, exclusive, lockTimeoutMs); !s) {
    // A file system without byte-range locks still lets the table be read and written.
    if (s.kind() == zel::Status::Kind::kUnsupported) {
      t->locksUnsupported_ = true;
    } else if (s.kind() == zel::Status::Kind::kBusy) {
      return zel::Status::busy(exclusive ? path + " is in use by another user; exclusive open refused"
                                         : path + " is open exclusively by another user");
    } else {
      return s;
    }
  }

  uint64_t size = t->dbf_.size();
  std::vector<uint8_t> fixed(std::min<uint64_t>(size, kHeaderFixed));
  if (auto s = t->dbf_.readAt(0, fixed.data(), fixed.size()); !s) return s;
  uint32_t headerLen = storedHeaderLength(fixed);
  std::vector<uint8_t> head(std::min<uint64_t>(size, std::max<uint32_t>(headerLen, kHeaderFixed)));
  if (auto s = t->dbf_.readAt(0, head.data(), head.size()); !s) return s;
  auto h = parseDbfHeader(head, size, path);
  if (!h) return h.status();
  t->header_ = std::move(*h);

  // A truncated last record or an inflated count: trust what the file holds.
  uint64_t avail = (size - t->header_.headerLen) / t->header_.recLen;
  t->recCount_ = uint32_t(std::min<uint64_t>(t->header_.recCount, avail));
  t->fileRecCount_ = t->recCount_;

  MemoKind kind = t->header_.memoKind();
  if (kind != MemoKind::kNone) {
    std::string mp = memoPath(path, kind == MemoKind::kFpt ? ".fpt" : ".dbt");
    if (mp.empty() && kind == MemoKind::kFpt && !t->header_.isVisualFox() && t->header_.version != 0xF5) {
      mp = memoPath(path, ".dbt");
      kind = MemoKind::kDbt3;
    }
    if (mp.empty()) return zel::Status::notFound("memo file missing for " + path);
    t->memo_.emplace();
    if (auto s = t->memo_->open(mp, kind, t->mode_ != OpenMode::kReadOnly); !s) return s;
  }
  return t;
}

zel::Status Table::create(const std::string& path, DbfHeader h, uint32_t memoBlockSize) {
  uint32_t offset = 1;
  for (FieldDesc& f : h.fields) {
    f.offset = offset;
    offset += f.width;
  }
  if (offset > kMaxRecordLength) return zel::Status::invalidArgument("record too long for " + path);
  h.recLen = offset;
  h.headerLen =
      uint32_t(kHeaderFixed + h.fields.size() * kFieldDescSize + 1 + (h.isVisualFox() ? kVfpBacklinkSize : 0));
  if (h.headerLen > 0xFFFF) return zel::Status::invalidArgument("too many fields for " + path);
  h.recCount = 0;
  uint8_t ymd[3];
  todayYmd(ymd);
  h.year = ymd[0];
  h.month = ymd[1];
  h.day = ymd[2];
  if (h.isVisualFox() && h.hasMemoFields()) h.tableFlags |= 0x02;
  std::vector<uint8_t> bytes = encodeDbfHeader(h);
  bytes.push_back(kEndOfFile);

  MemoKind kind = h.memoKind();
  if (kind != MemoKind::kNone) {
    std::string memo = stripExtension(path) + extensionLike(path, kind == MemoKind::kFpt ? ".fpt" : ".dbt");
    if (auto s = MemoFile::create(memo, kind, memoBlockSize); !s) return s;
  }
  OsFile f;
  if (auto s = f.open(path, OsFile::Mode::kCreate); !s) return s;
  if (auto s = f.writeAt(0, bytes.data(), bytes.size()); !s) return s;
  return f.sync();
}

const FieldDesc* Table::field(const std::string& name) const {
  int i = fieldIndex(name);
  return i < 0 ? nullptr : &header_.fields[size_t(i)];
}

int Table::fieldIndex(const std::string& name) const {
  std::string u = zel::asciiUpper(name);
  while (!u.empty() && u.back() == ' ') u.pop_back();
  for (size_t i = 0; i < header_.fields.size(); ++i)
    if (header_.fields[i].name == u) return int(i);
  return -1;
}

std::vector<uint8_t> Table::blankRecord() const {
  std::vector<uint8_t> rec(header_.recLen, ' ');
  for (const FieldDesc& f : header_.fields) {
    // Binary fields are blank as zeros.
    bool binary = f.type == 'I' || f.type == 'Y' || f.type == 'T' || f.type == '0' ||
                  (f.type == 'B' && header_.isVisualFox()) || (header_.isMemoField(f) && f.width == 4);
    if (binary) std::memset(&rec[f.offset], 0, f.width);
  }
  return rec;
}

uint8_t* Table::windowRecord(uint32_t recno) {
  if (windowFirst_ == 0 || recno < windowFirst_ || recno >= windowFirst_ + windowCount_) return nullptr;
  return &window_[size_t(recno - windowFirst_) * header_.recLen];
}

const uint8_t* Table::record(uint32_t recno, zel::Status* status) {
  if (recno == 0 || recno > recCount_) {
    *status = zel::Status::notFound("record " + std::to_string(recno) + " out of range in " + path_);
    return nullptr;
  }
  if (recno > fileRecCount_) return &tail_[size_t(recno - fileRecCount_ - 1) * header_.recLen];
  if (uint8_t* w = windowRecord(recno)) return w;
  uint32_t per = std::max<uint32_t>(1, uint32_t(kWindowBytes / header_.recLen));
  uint32_t first = recno;
  // Reading backwards (GoBottom, Skip(-1)) centres the window behind recno.
  if (windowFirst_ != 0 && recno < windowFirst_) first = recno > per ? recno - per + 1 : 1;
  uint32_t count = std::min<uint32_t>(per, fileRecCount_ - first + 1);
  window_.resize(size_t(count) * header_.recLen);
  uint64_t off = recordOffset(first);
  size_t got = dbf_.readSome(off, window_.data(), window_.size());
  count = uint32_t(got / header_.recLen);
  if (count == 0 || recno >= first + count) {
    windowFirst_ = 0;
    windowCount_ = 0;
    *status = zel::Status::corruption("record " + std::to_string(recno) + " cut short in " + path_ + " at offset " +
                                      std::to_string(recordOffset(recno)));
    return nullptr;
  }
  windowFirst_ = first;
  windowCount_ = count;
  return &window_[size_t(recno - first) * header_.recLen];
}

zel::Status Table::readRecord(uint32_t recno, uint8_t* out) {
  zel::Status s;
  const uint8_t* p = record(recno, &s);
  if (!p) return s;
  std::memcpy(out, p, header_.recLen);
  return zel::Status::ok();
}

zel::Status Table::scanChunks(uint32_t first, uint32_t last,
                              const std::function<bool(uint32_t, const uint8_t*, uint32_t)>& fn) {
  last = std::min(last, recCount_);
  uint32_t fileLast = std::min(last, fileRecCount_);
  std::vector<uint8_t> buf;
  uint32_t per = std::max<uint32_t>(1, uint32_t(kScanBytes / header_.recLen));
  uint32_t r = std::max<uint32_t>(first, 1);
  while (r <= fileLast) {
    uint32_t n = std::min(per, fileLast - r + 1);
    buf.resize(size_t(n) * header_.recLen);
    uint64_t off = recordOffset(r);
    if (auto s = dbf_.readAt(off, buf.data(), buf.size()); !s) return s;
    if (!fn(r, buf.data(), n)) return zel::Status::ok();
    r += n;
  }
  if (r <= last) fn(r, &tail_[size_t(r - fileRecCount_ - 1) * header_.recLen], last - r + 1);
  return zel::Status::ok();
}

zel::Status Table::checkWritable() const {
  if (mode_ == OpenMode::kReadOnly) return zel::Status::invalidArgument(path_ + " is open read-only");
  return zel::Status::ok();
}

zel::Status Table::writeRecord(uint32_t recno, const uint8_t* rec, bool durable) {
  if (auto s = checkWritable(); !s) return s;
  if (recno == 0 || recno > recCount_)
    return zel::Status::notFound("record " + std::to_string(recno) + " out of range in " + path_);
  if (recno > fileRecCount_) {
    std::memcpy(&tail_[size_t(recno - fileRecCount_ - 1) * header_.recLen], rec, header_.recLen);
    headerDirty_ = true;
    if (!durable) return zel::Status::ok();
    if (auto s = flushTail(); !s) return s;
    if (auto s = dbf_.sync(); !s) return s;
    return writeHeaderCount();
  }
  uint64_t off = recordOffset(recno);
  if (auto s = dbf_.writeAt(off, rec, header_.recLen); !s) return s;
  if (uint8_t* w = windowRecord(recno)) std::memcpy(w, rec, header_.recLen);
  if (durable) {
    if (auto s = dbf_.sync(); !s) return s;
  }
  if (mode_ == OpenMode::kShared) {
    // Others may have appended since: the count is only written under the append lock.
    return writeHeaderDate();
  }
  headerDirty_ = true;
  if (durable) return writeHeaderCount();
  return zel::Status::ok();
}

zel::Result<uint32_t> Table::appendRecord(const uint8_t* rec) {
  if (auto s = checkWritable(); !s) return s;
  if (recCount_ == 0xFFFFFFFEu) return zel::Status::ioError("table full: " + path_);
  if (mode_ == OpenMode::kShared) {
    // Others may append too: take the append lock and count again.
    if (auto s = dbf_.lock(kRecordLockBase, 1, true, 5000); !s && s.kind() != zel::Status::Kind::kUnsupported) return s;
    refreshCount();
    uint32_t recno = fileRecCount_ + 1;
    std::vector<uint8_t> bytes(rec, rec + header_.recLen);
    bytes.push_back(kEndOfFile);
    zel::Status s = dbf_.writeAt(recordOffset(recno), bytes.data(), bytes.size());
    if (s) {
      fileRecCount_ = recCount_ = recno;
      s = writeHeaderCount();
    }
    dbf_.unlock(kRecordLockBase, 1);
    if (!s) return s;
    return recno;
  }
  tail_.insert(tail_.end(), rec, rec + header_.recLen);
  ++recCount_;
  headerDirty_ = true;
  uint32_t recno = recCount_;
  if (tail_.size() >= kTailFlushBytes) {
    if (auto s = flushTail(); !s) return s;
  }
  return recno;
}

zel::Status Table::flushTail() {
  if (tail_.empty()) return zel::Status::ok();
  uint64_t off = recordOffset(fileRecCount_ + 1);
  tail_.push_back(kEndOfFile);
  zel::Status s = dbf_.writeAt(off, tail_.data(), tail_.size());
  tail_.pop_back();
  if (!s) return s;
  fileRecCount_ += uint32_t(tail_.size() / header_.recLen);
  tail_.clear();
  return zel::Status::ok();
}

zel::Status Table::flush() {
  if (mode_ == OpenMode::kReadOnly || !dbf_.isOpen()) return zel::Status::ok();
  if (auto s = flushTail(); !s) return s;
  if (headerDirty_) return writeHeaderCount();
  return zel::Status::ok();
}

zel::Status Table::writeHeaderDate() {
  uint8_t ymd[3];
  todayYmd(ymd);
  return dbf_.writeAt(kOffUpdateYmd, ymd, sizeof ymd);
}

zel::Status Table::writeHeaderCount() {
  uint8_t bytes[7];
  todayYmd(bytes);
  zel::putU32le(bytes + 3, fileRecCount_);
  header_.recCount = fileRecCount_;
  headerDirty_ = false;
  return dbf_.writeAt(kOffUpdateYmd, bytes, sizeof bytes);
}

void Table::refreshCount() {
  if (mode_ == OpenMode::kExclusive) return;
  uint8_t b[4];
  if (!dbf_.readAt(kOffRecCount, b, 4)) return;
  uint32_t stored = zel::ByteReader(std::span<const uint8_t>(b, 4)).u32le();
  uint64_t avail = (dbf_.size() - std::min<uint64_t>(dbf_.size(), header_.headerLen)) / header_.recLen;
  uint32_t n = uint32_t(std::min<uint64_t>(stored, avail));
  if (n > fileRecCount_) fileRecCount_ = recCount_ = n;
}

zel::Result<uint32_t> Table::memoPointer(const uint8_t* rec, const FieldDesc& f) const {
  const uint8_t* p = rec + f.offset;
  if (f.width == 4) return zel::ByteReader(std::span<const uint8_t>(p, 4)).u32le();
  uint64_t v = 0;
  bool digits = false;
  for (uint32_t i = 0; i < f.width; ++i) {
    uint8_t c = p[i];
    if (c == ' ' || c == 0) {
      if (digits) break;
      continue;
    }
    if (c < '0' || c > '9')
      return zel::Status::corruption("memo pointer of " + f.name + " is not a number in " + path_);
    v = v * 10 + (c - '0');
    digits = true;
    if (v > 0xFFFFFFFFull) return zel::Status::corruption("memo pointer of " + f.name + " too large in " + path_);
  }
  return uint32_t(v);
}

void Table::setMemoPointer(uint8_t* rec, const FieldDesc& f, uint32_t block) const {
  uint8_t* p = rec + f.offset;
  if (f.width == 4) {
    zel::putU32le(p, block);
    return;
  }
  std::memset(p, ' ', f.width);
  if (block == 0) return;
  std::string digits = std::to_string(block);
  size_t w = std::min<size_t>(f.width, kMemoPointerDigits);
  if (digits.size() <= w) std::memcpy(p + (w - digits.size()), digits.data(), digits.size());
}

zel::Status Table::readMemo(const uint8_t* rec, const FieldDesc& f, std::string* out) {
  out->clear();
  auto ptr = memoPointer(rec, f);
  if (!ptr) return ptr.status();
  if (*ptr == 0) return zel::Status::ok();
  if (!memo_) return zel::Status::notFound("no memo file for " + path_);
  return memo_->read(*ptr, out);
}

zel::Result<uint32_t> Table::memoLength(const uint8_t* rec, const FieldDesc& f) {
  auto ptr = memoPointer(rec, f);
  if (!ptr) return ptr.status();
  if (*ptr == 0) return uint32_t(0);
  if (!memo_) return zel::Status::notFound("no memo file for " + path_);
  return memo_->length(*ptr);
}

zel::Result<uint32_t> Table::writeMemo(const void* data, size_t length) {
  if (auto s = checkWritable(); !s) return s;
  if (!memo_) return zel::Status::notFound("no memo file for " + path_);
  bool shared = mode_ == OpenMode::kShared;
  if (shared) {
    if (auto s = dbf_.lock(kMemoLockOffset, 1, true, 5000); !s && s.kind() != zel::Status::Kind::kUnsupported) return s;
  }
  auto r = memo_->write(data, length,
                        [this](uint32_t first, uint32_t count) { return memoBlocksUnreferenced(first, count); });
  if (shared) dbf_.unlock(kMemoLockOffset, 1);
  return r;
}

void Table::releaseMemos(const std::vector<uint32_t>& blocks) {
  if (!memo_ || blocks.empty() || !checkWritable()) return;
  bool shared = mode_ == OpenMode::kShared;
  if (shared) {
    if (auto s = dbf_.lock(kMemoLockOffset, 1, true, 5000); !s && s.kind() != zel::Status::Kind::kUnsupported) return;
  }
  for (uint32_t block : blocks) (void)memo_->release(block);
  if (shared) dbf_.unlock(kMemoLockOffset, 1);
}

bool Table::memoBlocksUnreferenced(uint32_t first, uint32_t count) {
  std::vector<const FieldDesc*> memoFields;
  for (const FieldDesc& f : header_.fields)
    if (header_.isMemoField(f)) memoFields.push_back(&f);
  const uint64_t end = uint64_t(first) + count;
  bool free = true;
  // Records other programs appended since the open count as well.
  if (mode_ == OpenMode::kShared) refreshCount();
  zel::Status s = scanChunks(1, recCount_, [&](uint32_t, const uint8_t* bytes, uint32_t n) {
    for (uint32_t i = 0; i < n && free; ++i) {
      const uint8_t* rec = bytes + size_t(i) * header_.recLen;
      for (const FieldDesc* f : memoFields) {
        auto ptr = memoPointer(rec, *f);
        if (!ptr) {
          free = false;  // a pointer that cannot be read may point anywhere
          break;
        }
        if (*ptr == 0 || *ptr >= end) continue;
        if (*ptr >= first) {
          free = false;
          break;
        }
        // A text starting below may run into the range.
        auto len = memo_->length(*ptr);
        if (!len || *ptr + (8 + uint64_t(*len) + memo_->blockSize() - 1) / memo_->blockSize() > first) {
          free = false;
          break;
        }
      }
    }
    return free;
  });
  return s.isOk() && free;
}

zel::Status Table::lockRecord(uint32_t recno, int timeoutMs) {
  if (mode_ != OpenMode::kShared) return zel::Status::ok();  // exclusive or read-only: nothing to share
  if (locks_.count(recno)) return zel::Status::ok();
  if (locksUnsupported_) {
    locks_.insert(recno);
    return zel::Status::ok();
  }
  if (auto s = dbf_.lock(kRecordLockBase + recno, 1, true, timeoutMs); !s) {
    if (s.kind() == zel::Status::Kind::kBusy)
      return zel::Status::busy("record " + std::to_string(recno) + " of " + path_ + " is locked by another user");
    return s;
  }
  locks_.insert(recno);
  return zel::Status::ok();
}

void Table::unlockRecord(uint32_t recno) {
  if (locks_.erase(recno) && !locksUnsupported_) dbf_.unlock(kRecordLockBase + recno, 1);
}

void Table::unlockAll() {
  if (!locksUnsupported_)
    for (uint32_t r : locks_) dbf_.unlock(kRecordLockBase + r, 1);
  locks_.clear();
}

zel::Status Table::readRecordFresh(uint32_t recno, uint8_t* out) {
  if (mode_ != OpenMode::kShared || recno == 0 || recno > fileRecCount_) return readRecord(recno, out);
  // Another program may have changed the record since the window was read.
  uint64_t off = recordOffset(recno);
  if (auto s = dbf_.readAt(off, out, header_.recLen); !s) return s;
  if (uint8_t* w = windowRecord(recno)) std::memcpy(w, out, header_.recLen);
  return zel::Status::ok();
}

uint64_t Table::fileSize() const { return dbf_.size(); }

uint64_t Table::missingBytes() const {
  const uint64_t promised = header_.headerLen + uint64_t(header_.recCount) * header_.recLen;
  const uint64_t size = dbf_.size();
  return promised > size ? promised - size : 0;
}
uint64_t Table::uncountedRecords() const {
  const uint64_t size = dbf_.size();
  if (header_.recLen == 0 || size <= header_.headerLen) return 0;
  // A partial last record or the end-of-file mark is no record.
  const uint64_t held = (size - header_.headerLen) / header_.recLen;
  return held > header_.recCount ? held - header_.recCount : 0;
}
int64_t Table::fileMtimeNs() const { return dbf_.mtimeNs(); }

}  // namespace sde
