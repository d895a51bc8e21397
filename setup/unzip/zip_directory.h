// ZipDirectory: the entries of a ZIP archive as its central directory lists them.
// readZipDirectory finds the end record by scanning back from the end of the
// archive (past a comment of up to 65535 bytes), follows the Zip64 locator when
// there is one, works out how far a prepended program stub moved the archive,
// decodes every central header (with its Zip64 and extended-timestamp extra
// fields) and checks each entry's local header. Nothing read from the archive is
// trusted: every count, size and offset is checked against the archive's size,
// and entries whose data would overlap each other or the directory are refused.
// The returned values own all their data; the source is not kept.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "byte_source.h"
#include "status.h"

namespace zel {

struct ZipEntry {
  // The compression methods the extraction reads.
  static constexpr std::uint16_t kStored = 0;
  static constexpr std::uint16_t kDeflated = 8;

  std::string name;  // stored bytes, unchanged
  std::uint16_t versionMadeBy = 0;
  std::uint16_t flags = 0;  // general-purpose bits of the central header
  std::uint16_t method = 0;
  std::uint16_t dosTime = 0;
  std::uint16_t dosDate = 0;
  std::uint32_t crc32 = 0;
  std::uint64_t compressedSize = 0;
  std::uint64_t uncompressedSize = 0;
  std::uint32_t externalAttributes = 0;
  std::optional<std::int64_t> unixMtime;  // extended timestamp extra field, when present
  // File offsets, already corrected for a prepended stub.
  std::uint64_t localHeaderOffset = 0;
  std::uint64_t dataOffset = 0;  // first byte of the (compressed) data
  std::uint16_t localFlags = 0;  // general-purpose bits of the local header

  bool encrypted() const { return ((flags | localFlags) & 0x0041) != 0; }  // bit 0, bit 6 (strong)
  bool hasDataDescriptor() const { return (flags & 0x0008) != 0; }
  // The Unix file type bits carried in the upper half of the external attributes.
  std::uint32_t unixMode() const { return externalAttributes >> 16; }
  bool isSymlink() const { return (unixMode() & 0170000) == 0120000; }
  // The start of every message about this entry: entry "<name>": .
  std::string who() const { return "entry \"" + name + "\": "; }
};

struct ZipDirectory {
  std::vector<ZipEntry> entries;  // in central-directory order
  std::string comment;
  std::uint64_t stubSize = 0;  // bytes before the archive proper that its offsets do not count
  bool zip64 = false;
};

// Corruption for damaged or non-ZIP input, Unsupported for spanned archives,
// IoError when the source fails.
Result<ZipDirectory> readZipDirectory(ByteSource& source);

}  // namespace zel
