#include "byte_reader.h"

#include <gtest/gtest.h>

#include <array>

namespace zel {
namespace {

const std::array<uint8_t, 9> kBytes = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09};

struct ReadCase {
  const char* name;
  uint64_t (*read)(ByteReader&);
  uint64_t value;
  size_t width;
};

const ReadCase kReads[] = {
    {"u8", [](ByteReader& r) -> uint64_t { return r.u8(); }, 0x01, 1},
    {"u16le", [](ByteReader& r) -> uint64_t { return r.u16le(); }, 0x0201, 2},
    {"u16be", [](ByteReader& r) -> uint64_t { return r.u16be(); }, 0x0102, 2},
    {"u32le", [](ByteReader& r) -> uint64_t { return r.u32le(); }, 0x04030201, 4},
    {"u32be", [](ByteReader& r) -> uint64_t { return r.u32be(); }, 0x01020304, 4},
    {"u64le", [](ByteReader& r) -> uint64_t { return r.u64le(); }, 0x0807060504030201, 8},
};

class ByteReaderRead : public ::testing::TestWithParam<ReadCase> {};

// Whole values decode in their byte order and move the cursor by their width;
// a value cut by the end reads as zero, fails the reader and keeps it failed.
TEST_P(ByteReaderRead, DecodesWholeValuesAndFailsOnShortOnes) {
  const ReadCase& c = GetParam();
  ByteReader whole(kBytes);
  EXPECT_EQ(c.read(whole), c.value);
  EXPECT_TRUE(whole.ok());
  EXPECT_EQ(whole.pos(), c.width);

  ByteReader cut(std::span<const uint8_t>(kBytes).first(c.width - 1));
  EXPECT_EQ(c.read(cut), 0u);
  EXPECT_FALSE(cut.ok());
  EXPECT_EQ(cut.remaining(), 0u);
  EXPECT_EQ(cut.u8(), 0);
  EXPECT_FALSE(cut.ok());
}

INSTANTIATE_TEST_SUITE_P(Widths, ByteReaderRead, ::testing::ValuesIn(kReads),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ByteReader, SeekSkipAndSpans) {
  ByteReader r(kBytes);
  EXPECT_TRUE(r.seek(9));
  EXPECT_TRUE(r.bytes(0).empty());
  EXPECT_TRUE(r.ok());
  EXPECT_FALSE(r.seek(10));
  EXPECT_FALSE(r.ok());

  ByteReader s(kBytes);
  EXPECT_TRUE(s.skip(7));
  EXPECT_EQ(s.str(2), "\x08\x09");
  EXPECT_FALSE(s.skip(1));
}

TEST(ByteReader, StoresAndLoadsRoundTrip) {
  uint8_t b[4] = {};
  putU32le(b, 0xA1B2C3D4);
  EXPECT_EQ(loadU32le(b), 0xA1B2C3D4u);
  EXPECT_EQ(ByteReader(b).u32le(), 0xA1B2C3D4u);
  putU32be(b, 0xA1B2C3D4);
  EXPECT_EQ(ByteReader(b).u32be(), 0xA1B2C3D4u);
  putU16le(b, 0xBEEF);
  EXPECT_EQ(ByteReader(b).u16le(), 0xBEEF);
  putU16be(b, 0xBEEF);
  EXPECT_EQ(ByteReader(b).u16be(), 0xBEEF);
}

}  // namespace
}  // namespace zel
