#include "entry_data.h"

#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

namespace zel {
namespace {

constexpr std::size_t kChunk = 64 * 1024;

// fd < 0 is the dry pass: the bytes are only checked.
bool writeAll(int fd, const std::uint8_t* p, std::size_t n) {
  if (fd < 0) return true;
  while (n > 0) {
    ssize_t w = ::write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    p += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}

// Owns an inflate stream; inflateEnd runs however the copy ends.
class Inflater {
 public:
  Inflater() { ok_ = inflateInit2(&strm_, -MAX_WBITS) == Z_OK; }
  ~Inflater() {
    if (ok_) inflateEnd(&strm_);
  }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;
  bool ok() const { return ok_; }
  z_stream& stream() { return strm_; }

 private:
  z_stream strm_{};
  bool ok_ = false;
};

Status copyStored(ByteSource& src, const ZipEntry& e, int fd, const ConsumedFn& consumed, std::uint32_t& crc) {
  if (e.compressedSize != e.uncompressedSize) return Status::corruption(e.who() + "stored sizes differ");
  std::vector<std::uint8_t> buf(kChunk);
  for (std::uint64_t done = 0; done < e.compressedSize;) {
    std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, e.compressedSize - done));
    if (!src.read(e.dataOffset + done, std::span(buf.data(), n))) return Status::ioError(e.who() + "cannot read data");
    if (!writeAll(fd, buf.data(), n))
      return Status::ioError(e.who() + "cannot write the file: " + std::strerror(errno));
    crc = static_cast<std::uint32_t>(::crc32(crc, buf.data(), static_cast<uInt>(n)));
    done += n;
    if (consumed) consumed(n);
  }
  return Status::ok();
}

Status copyDeflated(ByteSource& src, const ZipEntry& e, int fd, const ConsumedFn& consumed, std::uint32_t& crc,
                    std::uint64_t& written) {
  Inflater inflater;
  if (!inflater.ok()) return Status::ioError(e.who() + "cannot start inflating (out of memory)");
  z_stream& strm = inflater.stream();
  std::vector<std::uint8_t> in(kChunk), out(kChunk);
  std::uint64_t readSoFar = 0;
  for (;;) {
    if (strm.avail_in == 0 && readSoFar < e.compressedSize) {
      std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, e.compressedSize - readSoFar));
      if (!src.read(e.dataOffset + readSoFar, std::span(in.data(), n)))
        return Status::ioError(e.who() + "cannot read data");
      readSoFar += n;
      strm.next_in = in.data();
      strm.avail_in = static_cast<uInt>(n);
      if (consumed) consumed(n);
    }
    // Room for at most one byte beyond the declared size: enough to notice the lie.
    const std::uint64_t room = e.uncompressedSize == UINT64_MAX ? kChunk : e.uncompressedSize + 1 - written;
    strm.next_out = out.data();
    strm.avail_out = static_cast<uInt>(std::min<std::uint64_t>(kChunk, room));
    const uInt before = strm.avail_out;
    int ret = inflate(&strm, Z_NO_FLUSH);
    const std::size_t produced = before - strm.avail_out;
    if (produced > 0) {
      if (written + produced > e.uncompressedSize)
        return Status::corruption(e.who() + "inflates past its declared size of " + std::to_string(e.uncompressedSize) +
                                  " bytes");
      if (!writeAll(fd, out.data(), produced))
        return Status::ioError(e.who() + "cannot write the file: " + std::strerror(errno));
      crc = static_cast<std::uint32_t>(::crc32(crc, out.data(), static_cast<uInt>(produced)));
      written += produced;
    }
    if (ret == Z_STREAM_END) return Status::ok();
    if (ret == Z_MEM_ERROR) return Status::ioError(e.who() + "out of memory while inflating");
    if (ret != Z_OK && ret != Z_BUF_ERROR) return Status::corruption(e.who() + "compressed data is damaged");
    const bool canFeed = strm.avail_in == 0 && readSoFar < e.compressedSize;
    if (ret == Z_BUF_ERROR && !canFeed) return Status::corruption(e.who() + "compressed data is cut short");
  }
}

}  // namespace

Status writeEntryData(ByteSource& src, const ZipEntry& e, int fd, const ConsumedFn& consumed) {
  std::uint32_t crc = static_cast<std::uint32_t>(::crc32(0, nullptr, 0));
  std::uint64_t written = 0;
  if (e.method == ZipEntry::kStored) {
    if (Status s = copyStored(src, e, fd, consumed, crc); !s) return s;
    written = e.uncompressedSize;
  } else if (e.method == ZipEntry::kDeflated) {
    if (Status s = copyDeflated(src, e, fd, consumed, crc, written); !s) return s;
  } else {
    return Status::unsupported(e.who() + "compression method " + std::to_string(e.method) + " is not supported");
  }
  if (written != e.uncompressedSize)
    return Status::corruption(e.who() + "size " + std::to_string(written) + " differs from the declared " +
                              std::to_string(e.uncompressedSize));
  if (crc != e.crc32) return Status::corruption(e.who() + "CRC-32 mismatch");
  return Status::ok();
}

}  // namespace zel
