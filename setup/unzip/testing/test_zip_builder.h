// Test support: writes ZIP archives byte by byte, sound or deliberately broken,
// so the extractor's tests need no files from elsewhere. Every field the reader
// looks at can be overridden per entry or per archive. Used by tests only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zel::test {

constexpr std::uint16_t kMadeByUnix = 0x0314;  // host 3 (Unix), version 2.0
constexpr std::uint32_t kUnixFile = 0100644u << 16;
constexpr std::uint32_t kUnixSymlink = 0120777u << 16;

struct TestEntry {
  std::string name;
  std::string data;
  std::uint16_t method = 8;  // 0 stored, 8 Deflate; anything else is written stored
  std::uint16_t flags = 0;
  std::uint16_t versionMadeBy = 20;
  std::uint32_t externalAttributes = 0;
  std::uint16_t dosTime = 0x6000;  // 12:00:00
  std::uint16_t dosDate = 0x5421;  // 2022-01-01
  std::optional<std::uint32_t> unixMtime;  // writes an extended timestamp field
  bool dataDescriptor = false;  // sizes and CRC after the data, zeros in the local header
  bool zip64 = false;  // saturated 32-bit fields plus a Zip64 extra field
  bool writeLocal = true;  // false: only a central header (see localOffset)
  // Overrides for broken archives.
  std::optional<std::uint32_t> crc;
  std::optional<std::uint64_t> compressedSize;
  std::optional<std::uint64_t> uncompressedSize;
  std::optional<std::string> rawData;  // written as the entry's data instead of compressing data
  std::optional<std::uint64_t> localOffset;  // central header's local header offset
  std::optional<std::string> localName;  // name in the local header
};

struct TestArchiveOptions {
  std::string stub;  // bytes before the archive
  bool adjustForStub = false;  // offsets count the stub (as a self-extractor fix-up does)
  std::string comment;
  bool zip64End = false;  // Zip64 end record and locator, classic fields saturated
  std::optional<std::uint64_t> count;
  std::optional<std::uint64_t> cdOffset;
  std::optional<std::uint64_t> cdSize;
};

std::string deflateRaw(const std::string& data);
std::vector<std::uint8_t> buildZip(const std::vector<TestEntry>& entries, const TestArchiveOptions& options = {});

}  // namespace zel::test
