// ByteReader: a bounds-checked cursor over a span of file bytes, for the table
// engine and the ZIP reader alike. Every read checks the remaining length first;
// a short read sets the reader's error flag, returns zero and leaves the position
// where it was, so parsers test ok() once after a group of reads. The reader does
// not own the bytes; the span must outlive it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace zel {

class ByteReader {
 public:
  explicit ByteReader(std::span<const uint8_t> data) : data_(data) {}

  bool ok() const { return ok_; }
  size_t pos() const { return pos_; }
  size_t size() const { return data_.size(); }
  size_t remaining() const { return ok_ ? data_.size() - pos_ : 0; }

  bool seek(size_t pos) {
    if (pos > data_.size()) return fail();
    pos_ = pos;
    return true;
  }
  bool skip(size_t n) { return n <= remaining() ? (pos_ += n, true) : fail(); }

  uint8_t u8() { return have(1) ? data_[pos_++] : 0; }
  uint16_t u16le() {
    if (!have(2)) return 0;
    uint16_t v = uint16_t(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
  }
  uint16_t u16be() {
    if (!have(2)) return 0;
    uint16_t v = uint16_t((data_[pos_] << 8) | data_[pos_ + 1]);
    pos_ += 2;
    return v;
  }
  uint32_t u32le() {
    if (!have(4)) return 0;
    uint32_t v = uint32_t(data_[pos_]) | uint32_t(data_[pos_ + 1]) << 8 | uint32_t(data_[pos_ + 2]) << 16 |
                 uint32_t(data_[pos_ + 3]) << 24;
    pos_ += 4;
    return v;
  }
  uint32_t u32be() {
    if (!have(4)) return 0;
    uint32_t v = uint32_t(data_[pos_]) << 24 | uint32_t(data_[pos_ + 1]) << 16 | uint32_t(data_[pos_ + 2]) << 8 |
                 uint32_t(data_[pos_ + 3]);
    pos_ += 4;
    return v;
  }
  uint64_t u64le() {
    if (!have(8)) return 0;
    const uint64_t lo = u32le();
    return lo | uint64_t(u32le()) << 32;
  }
  std::span<const uint8_t> bytes(size_t n) {
    if (!have(n)) return {};
    auto s = data_.subspan(pos_, n);
    pos_ += n;
    return s;
  }
  std::string str(size_t n) {
    auto s = bytes(n);
    return std::string(reinterpret_cast<const char*>(s.data()), s.size());
  }

 private:
  bool have(size_t n) { return n <= remaining() ? true : fail(); }
  bool fail() {
    ok_ = false;
    return false;
  }

  std::span<const uint8_t> data_;
  size_t pos_ = 0;
  bool ok_ = true;
};

// A little-endian value at p (the caller has checked that 4 bytes are there).
inline uint32_t loadU32le(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Little- and big-endian stores into a caller's buffer (the buffer size is the caller's duty).
inline void putU16le(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void putU32le(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
inline void putU32be(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * (3 - i)));
}
inline void putU16be(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v >> 8);
  p[1] = uint8_t(v);
}

}  // namespace zel
