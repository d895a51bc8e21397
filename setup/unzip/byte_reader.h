// ByteReader: little-endian decoding over a byte span it does not own. Every read
// checks the remaining length; a short read sets the reader's failed state, yields
// zeros, and leaves the position where it was, so a run of reads is checked once
// through ok() afterwards.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace zel {

class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  bool ok() const { return ok_; }
  std::size_t position() const { return pos_; }
  std::size_t remaining() const { return bytes_.size() - pos_; }

  std::uint16_t u16() { return static_cast<std::uint16_t>(le(2)); }
  std::uint32_t u32() { return static_cast<std::uint32_t>(le(4)); }
  std::uint64_t u64() { return le(8); }

  std::span<const std::uint8_t> bytes(std::size_t n) {
    if (!take(n)) return {};
    return bytes_.subspan(pos_ - n, n);
  }
  std::string text(std::size_t n) {
    auto b = bytes(n);
    return std::string(b.begin(), b.end());
  }
  void skip(std::size_t n) { take(n); }

 private:
  bool take(std::size_t n) {
    if (!ok_ || n > remaining()) {
      ok_ = false;
      return false;
    }
    pos_ += n;
    return true;
  }
  std::uint64_t le(std::size_t n) {
    if (!take(n)) return 0;
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < n; ++i) v |= std::uint64_t{bytes_[pos_ - n + i]} << (8 * i);
    return v;
  }

  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

}  // namespace zel
