#include "memo_file.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "byte_reader.h"

namespace sde {

namespace {
constexpr uint32_t kFptTypeText = 1;
constexpr size_t kFptBlockHeader = 8;  // type, length (both big-endian)
constexpr size_t kDbt4BlockHeader = 8;  // FF FF 08 00, length including these 8 bytes (little-endian)
constexpr size_t kDbt4OffBlockSize = 20;
constexpr size_t kDbtScanChunk = 4096;

// The free list in the unused part of the .fpt header (bytes 8 to 511 are
// free for the taking in that layout): "ZRFL", a count, that many (first
// block, block count) pairs, then an FNV-1a checksum of what precedes it.
// All big-endian like the rest of the header.
constexpr size_t kFreeListOffset = 256;
constexpr uint8_t kFreeListMagic[4] = {'Z', 'R', 'F', 'L'};
constexpr size_t kMaxFreeRanges = 24;
constexpr size_t kFreeListBytes = 4 + 4 + kMaxFreeRanges * 8 + 4;
static_assert(kFreeListOffset + kFreeListBytes <= kFptHeaderSize);

uint32_t fnv1a(const uint8_t* data, size_t size) {
  uint32_t h = 2166136261u;
  for (size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 16777619u;
  return h;
}

using Ranges = std::vector<std::pair<uint32_t, uint32_t>>;

// Sorted by first block, touching ranges joined, at most kMaxFreeRanges (the
// smallest dropped: they are the least likely to fit a text).
void normalize(Ranges& ranges) {
  std::sort(ranges.begin(), ranges.end());
  Ranges joined;
  for (const auto& r : ranges) {
    if (!joined.empty() && uint64_t(joined.back().first) + joined.back().second == r.first)
      joined.back().second += r.second;
    else
      joined.push_back(r);
  }
  while (joined.size() > kMaxFreeRanges) {
    auto smallest = std::min_element(joined.begin(), joined.end(),
                                     [](const auto& a, const auto& b) { return a.second < b.second; });
    joined.erase(smallest);
  }
  ranges = std::move(joined);
}
}  // namespace

zel::Status MemoFile::open(const std::string& path, MemoKind kind, bool writable) {
  kind_ = kind;
  if (auto s = file_.open(path, writable ? OsFile::Mode::kReadWrite : OsFile::Mode::kRead); !s) return s;
  return readHeader();
}

zel::Status MemoFile::readHeader() {
  uint8_t head[kFptHeaderSize] = {};
  size_t got = file_.readSome(0, head, sizeof head);
  zel::ByteReader r(std::span<const uint8_t>(head, got));
  if (kind_ == MemoKind::kFpt) {
    if (got < kFptHeaderSize)
      return zel::Status::corruption("memo header truncated: " + path() + " is " + std::to_string(file_.size()) +
                                     " bytes");
    r.seek(6);
    blockSize_ = r.u16be();
    if (blockSize_ == 0) return zel::Status::corruption("memo block size 0 in " + path() + " at offset 6");
  } else if (kind_ == MemoKind::kDbt3) {
    if (got < 4) return zel::Status::corruption("memo header truncated: " + path());
    blockSize_ = kDbt3BlockSize;
  } else {
    if (got < kDbt4OffBlockSize + 2) return zel::Status::corruption("memo header truncated: " + path());
    r.seek(kDbt4OffBlockSize);
    blockSize_ = r.u16le();
    if (blockSize_ == 0) return zel::Status::corruption("memo block size 0 in " + path() + " at offset 20");
  }
  return zel::Status::ok();
}

zel::Status MemoFile::create(const std::string& path, MemoKind kind, uint32_t blockSize) {
  OsFile f;
  if (auto s = f.open(path, OsFile::Mode::kCreate); !s) return s;
  std::vector<uint8_t> head(kFptHeaderSize, 0);
  if (kind == MemoKind::kFpt) {
    if (blockSize == 0 || blockSize > 0xFFFF) blockSize = kDefaultMemoBlockSize;
    uint32_t next = uint32_t((kFptHeaderSize + blockSize - 1) / blockSize);
    zel::putU32be(&head[0], next);
    zel::putU16be(&head[6], uint16_t(blockSize));
  } else if (kind == MemoKind::kDbt3) {
    zel::putU32le(&head[0], 1);
    head[16] = 0x03;
  } else {
    if (blockSize < 64 || blockSize > 0xFFFF) blockSize = kDbt3BlockSize;
    zel::putU32le(&head[0], uint32_t((kFptHeaderSize + blockSize - 1) / blockSize));
    zel::putU16le(&head[kDbt4OffBlockSize], uint16_t(blockSize));
  }
  if (auto s = f.writeAt(0, head.data(), head.size()); !s) return s;
  return f.sync();
}

zel::Result<uint64_t> MemoFile::blockOffset(uint32_t block) const {
  uint64_t off = uint64_t(block) * blockSize_;
  if (off < kFptHeaderSize && kind_ != MemoKind::kDbt3)
    return zel::Status::corruption("memo block " + std::to_string(block) + " lies in the header of " + path());
  if (kind_ == MemoKind::kDbt3 && block == 0)
    return zel::Status::corruption("memo block 0 lies in the header of " + path());
  if (off >= file_.size())
    return zel::Status::corruption("memo pointer " + std::to_string(block) + " past the end of " + path() +
                                   " (offset " + std::to_string(off) + ")");
  return off;
}

zel::Result<uint32_t> MemoFile::length(uint32_t block) const {
  if (block == 0) return uint32_t(0);
  // Lengths are cheap for the block-headed kinds; dBASE III must scan.
  if (kind_ == MemoKind::kDbt3) {
    std::string text;
    if (auto s = read(block, &text); !s) return s;
    return uint32_t(text.size());
  }
  auto off = blockOffset(block);
  if (!off) return off.status();
  uint8_t h[8];
  if (auto s = file_.readAt(*off, h, 8); !s) return s;
  zel::ByteReader r(std::span<const uint8_t>(h, 8));
  uint64_t len;
  if (kind_ == MemoKind::kFpt) {
    r.skip(4);
    len = r.u32be();
  } else {
    if (h[0] != 0xFF || h[1] != 0xFF) {
      std::string text;
      if (auto s = read(block, &text); !s) return s;
      return uint32_t(text.size());
    }
    r.skip(4);
    uint32_t stored = r.u32le();
    len = stored >= kDbt4BlockHeader ? stored - kDbt4BlockHeader : 0;
  }
  if (*off + 8 + len > file_.size())
    return zel::Status::corruption("memo length " + std::to_string(len) + " past the end of " + path() + " at offset " +
                                   std::to_string(*off));
  return uint32_t(len);
}

zel::Status MemoFile::read(uint32_t block, std::string* out) const {
  out->clear();
  if (block == 0) return zel::Status::ok();
  auto off = blockOffset(block);
  if (!off) return off.status();
  bool scan = kind_ == MemoKind::kDbt3;
  if (kind_ == MemoKind::kDbt4) {
    uint8_t sig[2] = {};
    file_.readSome(*off, sig, 2);
    scan = !(sig[0] == 0xFF && sig[1] == 0xFF);
  }
  if (scan) {
    // Text runs to the first 0x1A or the end of the file.
    uint64_t pos = *off;
    char buf[kDbtScanChunk];
    for (;;) {
      size_t got = file_.readSome(pos, buf, sizeof buf);
      if (got == 0) break;
      const char* end = static_cast<const char*>(std::memchr(buf, kEndOfFile, got));
      out->append(buf, end ? size_t(end - buf) : got);
      if (end) break;
      pos += got;
      if (out->size() > kMaxMemoLength) return zel::Status::corruption("memo text too long in " + path());
    }
    return zel::Status::ok();
  }
  auto len = length(block);
  if (!len) return len.status();
  out->resize(*len);
  return file_.readAt(*off + 8, out->data(), *len);
}

zel::Result<uint32_t> MemoFile::write(const void* data, size_t length, const UnreferencedCheck& unreferenced) {
  if (length == 0) return uint32_t(0);
  if (length > kMaxMemoLength) return zel::Status::invalidArgument("memo text too long for " + path());
  std::vector<uint8_t> blob;
  if (kind_ == MemoKind::kFpt) {
    blob.resize(kFptBlockHeader + length);
    zel::putU32be(&blob[0], kFptTypeText);
    zel::putU32be(&blob[4], uint32_t(length));
    std::memcpy(&blob[kFptBlockHeader], data, length);
  } else if (kind_ == MemoKind::kDbt4) {
    blob.resize(kDbt4BlockHeader + length);
    blob[0] = 0xFF;
    blob[1] = 0xFF;
    blob[2] = 0x08;
    blob[3] = 0x00;
    zel::putU32le(&blob[4], uint32_t(length + kDbt4BlockHeader));
    std::memcpy(&blob[kDbt4BlockHeader], data, length);
  } else {
    blob.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + length);
    blob.push_back(kEndOfFile);
    blob.push_back(kEndOfFile);
  }
  const uint64_t needed = (blob.size() + blockSize_ - 1) / blockSize_;
  blob.resize(needed * blockSize_, 0);
  if (kind_ == MemoKind::kFpt && unreferenced) {
    // The smallest free range that holds the text, once the records confirm
    // it is free; a range some record points into is dropped from the list.
    Ranges ranges = freeRanges();
    const size_t before = ranges.size();
    for (;;) {
      auto best = ranges.end();
      for (auto it = ranges.begin(); it != ranges.end(); ++it)
        if (it->second >= needed && (best == ranges.end() || it->second < best->second)) best = it;
      if (best == ranges.end()) break;
      const uint32_t first = best->first;
      if (!unreferenced(first, uint32_t(needed))) {
        ranges.erase(best);
        continue;
      }
      if (best->second == needed)
        ranges.erase(best);
      else
        *best = {uint32_t(first + needed), uint32_t(best->second - needed)};
      if (auto s = writeFreeList(ranges); !s) return s;
      if (auto s = file_.writeAt(uint64_t(first) * blockSize_, blob.data(), blob.size()); !s) return s;
      if (auto s = file_.sync(); !s) return s;
      return first;
    }
    if (ranges.size() != before) {
      if (auto s = writeFreeList(ranges); !s) return s;
    }
  }
  // The next-free pointer, but never below the end of the file: whatever lies
  // past the pointer (a crashed write, or damage) is left alone, so no block
  // that any record may point to is ever overwritten.
  uint8_t head[4];
  if (auto s = file_.readAt(0, head, 4); !s) return s;
  zel::ByteReader r(std::span<const uint8_t>(head, 4));
  uint32_t next = kind_ == MemoKind::kFpt ? r.u32be() : r.u32le();
  uint32_t minBlock = uint32_t((kFptHeaderSize + blockSize_ - 1) / blockSize_);
  if (kind_ == MemoKind::kDbt3) minBlock = 1;
  next = std::max(next, minBlock);
  // A pointer far past the end is damage, not free space: writing there would
  // grow a huge sparse file. (A writer may leave the last block short, hence the slack.)
  uint64_t end = file_.size();
  if (uint64_t(next) * blockSize_ > end + 2ull * blockSize_)
    return zel::Status::corruption("memo next-free block " + std::to_string(next) + " past the end of " + path() +
                                   " (" + std::to_string(end) + " bytes)");
  uint64_t endBlock = (end + blockSize_ - 1) / blockSize_;
  if (endBlock > 0xFFFFFFFFull) return zel::Status::ioError("memo file full: " + path());
  next = std::max<uint32_t>(next, uint32_t(endBlock));

  const uint64_t blocks = needed;
  if (uint64_t(next) + blocks > 0xFFFFFFFFull) return zel::Status::ioError("memo file full: " + path());
  uint64_t off = uint64_t(next) * blockSize_;
  if (auto s = file_.writeAt(off, blob.data(), blob.size()); !s) return s;
  if (auto s = file_.sync(); !s) return s;
  uint8_t newNext[4];
  if (kind_ == MemoKind::kFpt)
    zel::putU32be(newNext, uint32_t(next + blocks));
  else
    zel::putU32le(newNext, uint32_t(next + blocks));
  if (auto s = file_.writeAt(0, newNext, 4); !s) return s;
  if (auto s = file_.sync(); !s) return s;
  return next;
}

zel::Result<uint32_t> MemoFile::blocksOf(uint32_t block) const {
  auto len = length(block);
  if (!len) return len.status();
  return uint32_t((kFptBlockHeader + uint64_t(*len) + blockSize_ - 1) / blockSize_);
}

std::vector<std::pair<uint32_t, uint32_t>> MemoFile::freeRanges() const {
  if (kind_ != MemoKind::kFpt) return {};
  uint8_t bytes[kFreeListBytes];
  if (file_.readSome(kFreeListOffset, bytes, sizeof bytes) != sizeof bytes) return {};
  if (std::memcmp(bytes, kFreeListMagic, 4) != 0) return {};
  zel::ByteReader r(std::span<const uint8_t>(bytes, sizeof bytes));
  r.seek(4);
  const uint32_t count = r.u32be();
  if (count > kMaxFreeRanges) return {};
  const size_t used = 8 + size_t(count) * 8;
  zel::ByteReader sum(std::span<const uint8_t>(bytes + used, 4));
  if (sum.u32be() != fnv1a(bytes, used)) return {};
  // Only whole ranges between the header and the next-free pointer: anything
  // else is not ours to give out.
  uint8_t head[4];
  if (file_.readSome(0, head, 4) != 4) return {};
  const uint64_t next = zel::ByteReader(std::span<const uint8_t>(head, 4)).u32be();
  const uint64_t minBlock = (kFptHeaderSize + blockSize_ - 1) / blockSize_;
  Ranges ranges;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t first = r.u32be(), blocks = r.u32be();
    if (blocks == 0 || first < minBlock || uint64_t(first) + blocks > next) continue;
    if (!ranges.empty() && first < uint64_t(ranges.back().first) + ranges.back().second) return {};  // overlap: damage
    ranges.emplace_back(first, blocks);
  }
  return ranges;
}

zel::Status MemoFile::writeFreeList(const std::vector<std::pair<uint32_t, uint32_t>>& ranges) {
  uint8_t bytes[kFreeListBytes] = {};
  std::memcpy(bytes, kFreeListMagic, 4);
  zel::putU32be(&bytes[4], uint32_t(ranges.size()));
  size_t at = 8;
  for (const auto& [first, blocks] : ranges) {
    zel::putU32be(&bytes[at], first);
    zel::putU32be(&bytes[at + 4], blocks);
    at += 8;
  }
  zel::putU32be(&bytes[at], fnv1a(bytes, at));
  return file_.writeAt(kFreeListOffset, bytes, sizeof bytes);
}

zel::Status MemoFile::release(uint32_t block) {
  if (kind_ != MemoKind::kFpt || block == 0) return zel::Status::ok();
  auto blocks = blocksOf(block);
  if (!blocks) return blocks.status();
  Ranges ranges = freeRanges();
  // Released twice (or overlapping damage): keep the list as it is.
  for (const auto& [first, count] : ranges)
    if (block < uint64_t(first) + count && first < uint64_t(block) + *blocks) return zel::Status::ok();
  ranges.emplace_back(block, *blocks);
  normalize(ranges);
  if (auto s = writeFreeList(ranges); !s) return s;
  return file_.sync();
}

}  // namespace sde
