#include "zip_writer.h"

#include <zlib.h>

#include <stdexcept>

namespace zel {
namespace {

constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint16_t kZip64ExtraId = 1;
constexpr std::uint16_t kVersion = 20, kVersionZip64 = 45;
constexpr std::uint16_t kDeflated = 8;
constexpr std::uint16_t kDosDate = (0 << 9) | (1 << 5) | 1;  // 1980-01-01
constexpr std::uint32_t kMax32 = 0xFFFFFFFF;
constexpr std::uint16_t kMax16 = 0xFFFF;

void put16(std::string& out, std::uint16_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8);
}

void put32(std::string& out, std::uint32_t v) {
  put16(out, static_cast<std::uint16_t>(v & 0xFFFF));
  put16(out, static_cast<std::uint16_t>(v >> 16));
}

void put64(std::string& out, std::uint64_t v) {
  put32(out, static_cast<std::uint32_t>(v & kMax32));
  put32(out, static_cast<std::uint32_t>(v >> 32));
}

std::uint32_t clamp32(std::uint64_t v) { return v >= kMax32 ? kMax32 : static_cast<std::uint32_t>(v); }

}  // namespace

std::string Deflate(std::string_view data, bool last, int level) {
  z_stream z{};
  if (deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::runtime_error("cannot start deflate");
  std::string out(deflateBound(&z, data.size()) + 16, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  const int done = deflate(&z, last ? Z_FINISH : Z_SYNC_FLUSH);
  out.resize(z.total_out);
  deflateEnd(&z);
  if (done != (last ? Z_STREAM_END : Z_OK)) throw std::runtime_error("cannot deflate");
  return out;
}

void ZipWriter::put(const std::string& bytes) {
  sink_(bytes.data(), bytes.size());
  offset_ += bytes.size();
}

void ZipWriter::beginEntry(const std::string& name, std::uint32_t crc, std::uint64_t compressed, std::uint64_t size) {
  entries_.push_back({name, crc, compressed, size, offset_});
  const bool zip64 = compressed >= kMax32 || size >= kMax32;
  std::string h;
  put32(h, kLocalSignature);
  put16(h, zip64 ? kVersionZip64 : kVersion);
  put16(h, 0);  // flags
  put16(h, kDeflated);
  put16(h, 0);  // time
  put16(h, kDosDate);
  put32(h, crc);
  put32(h, zip64 ? kMax32 : static_cast<std::uint32_t>(compressed));
  put32(h, zip64 ? kMax32 : static_cast<std::uint32_t>(size));
  put16(h, static_cast<std::uint16_t>(name.size()));
  put16(h, zip64 ? 20 : 0);
  h += name;
  if (zip64) {
    put16(h, kZip64ExtraId);
    put16(h, 16);
    put64(h, size);
    put64(h, compressed);
  }
  put(h);
}

void ZipWriter::write(const char* data, std::size_t size) {
  sink_(data, size);
  offset_ += size;
}

void ZipWriter::add(const std::string& name, std::string_view data) {
  const std::string deflated = Deflate(data, true, Z_DEFAULT_COMPRESSION);
  const auto crc =
      static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
  beginEntry(name, crc, deflated.size(), data.size());
  put(deflated);
}

void ZipWriter::finish() {
  const std::uint64_t start = offset_;
  for (const Entry& e : entries_) {
    // Only the fields that do not fit go into the ZIP64 extra, in this order.
    std::string extra;
    if (e.size >= kMax32) put64(extra, e.size);
    if (e.compressed >= kMax32) put64(extra, e.compressed);
    if (e.offset >= kMax32) put64(extra, e.offset);
    std::string h;
    put32(h, kCentralSignature);
    put16(h, extra.empty() ? kVersion : kVersionZip64);  // made by (MS-DOS attributes)
    put16(h, extra.empty() ? kVersion : kVersionZip64);
    put16(h, 0);
    put16(h, kDeflated);
    put16(h, 0);
    put16(h, kDosDate);
    put32(h, e.crc);
    put32(h, clamp32(e.compressed));
    put32(h, clamp32(e.size));
    put16(h, static_cast<std::uint16_t>(e.name.size()));
    put16(h, static_cast<std::uint16_t>(extra.empty() ? 0 : extra.size() + 4));
    put16(h, 0);  // comment
    put16(h, 0);  // disk
    put16(h, 0);  // internal attributes
    put32(h, 0);  // external attributes
    put32(h, clamp32(e.offset));
    h += e.name;
    if (!extra.empty()) {
      put16(h, kZip64ExtraId);
      put16(h, static_cast<std::uint16_t>(extra.size()));
      h += extra;
    }
    put(h);
  }
  const std::uint64_t size = offset_ - start;
  const bool zip64 = entries_.size() >= kMax16 || start >= kMax32 || size >= kMax32;
  std::string t;
  if (zip64) {
    const std::uint64_t record = offset_;
    put32(t, kZip64EndSignature);
    put64(t, 44);  // the record's size after this field
    put16(t, kVersionZip64);
    put16(t, kVersionZip64);
    put32(t, 0);
    put32(t, 0);
    put64(t, entries_.size());
    put64(t, entries_.size());
    put64(t, size);
    put64(t, start);
    put32(t, kZip64LocatorSignature);
    put32(t, 0);
    put64(t, record);
    put32(t, 1);
  }
  const auto count = static_cast<std::uint16_t>(entries_.size() >= kMax16 ? kMax16 : entries_.size());
  put32(t, kEndSignature);
  put16(t, 0);
  put16(t, 0);
  put16(t, count);
  put16(t, count);
  put32(t, clamp32(size));
  put32(t, clamp32(start));
  put16(t, 0);
  put(t);
}

}  // namespace zel
