// ZipWriter: a ZIP archive written front to back through a sink, for
// workbooks. Every entry is deflated; its CRC-32 and sizes are known before
// its data is written (the data may be pieces deflated apart and joined, see
// Deflate), so no data descriptors are needed. ZIP64 fields appear only
// where a size, an offset or the entry count outgrows the classic fields.
// Entries are dated 1980-01-01 00:00, as a workbook's parts usually are.
// The sink throws on failure; one thread at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zel {

// Raw deflate of data at level. last: the stream ends here; otherwise the
// piece ends on a byte boundary with no final block, so that pieces deflated
// apart and written one after the other make one stream (each starts without
// a history, so none refers back into another).
std::string Deflate(std::string_view data, bool last, int level);

class ZipWriter {
 public:
  using Sink = std::function<void(const char* data, std::size_t size)>;
  explicit ZipWriter(Sink sink) : sink_(std::move(sink)) {}

  // An entry whose size bytes, deflated into compressed bytes, follow through write().
  void beginEntry(const std::string& name, std::uint32_t crc, std::uint64_t compressed, std::uint64_t size);
  void write(const char* data, std::size_t size);
  // A whole entry from memory.
  void add(const std::string& name, std::string_view data);
  // The central directory; the archive is complete after it.
  void finish();

 private:
  struct Entry {
    std::string name;
    std::uint32_t crc;
    std::uint64_t compressed, size, offset;
  };
  void put(const std::string& bytes);

  Sink sink_;
  std::vector<Entry> entries_;
  std::uint64_t offset_ = 0;
};

}  // namespace zel
