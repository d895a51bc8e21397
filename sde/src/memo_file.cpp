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

zel::Result<uint32_t> MemoFile::write(const void* data, size_t length) {
  if (length == 0) return uint32_t(0);
  if (length > kMaxMemoLength) return zel::Status::invalidArgument("memo text too long for " + path());
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
  uint64_t blocks = (blob.size() + blockSize_ - 1) / blockSize_;
  if (uint64_t(next) + blocks > 0xFFFFFFFFull) return zel::Status::ioError("memo file full: " + path());
  blob.resize(blocks * blockSize_, 0);
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

}  // namespace sde
