#include "test_zip_builder.h"

#include <zlib.h>

#include <stdexcept>

namespace zel::test {
namespace {

class Out {
 public:
  void u16(std::uint64_t v) { le(v, 2); }
  void u32(std::uint64_t v) { le(v, 4); }
  void u64(std::uint64_t v) { le(v, 8); }
  void str(const std::string& s) { bytes_.insert(bytes_.end(), s.begin(), s.end()); }
  std::size_t size() const { return bytes_.size(); }
  std::vector<std::uint8_t>& bytes() { return bytes_; }

 private:
  void le(std::uint64_t v, int n) {
    for (int i = 0; i < n; ++i) bytes_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  std::vector<std::uint8_t> bytes_;
};

std::string u64le(std::uint64_t v) {
  std::string s;
  for (int i = 0; i < 8; ++i) s += static_cast<char>(v >> (8 * i));
  return s;
}

std::string extraField(std::uint16_t id, const std::string& body) {
  std::string s;
  s += static_cast<char>(id & 0xFF);
  s += static_cast<char>(id >> 8);
  s += static_cast<char>(body.size() & 0xFF);
  s += static_cast<char>(body.size() >> 8);
  return s + body;
}

std::string timestampExtra(std::uint32_t t) {
  std::string body(1, '\x01');
  for (int i = 0; i < 4; ++i) body += static_cast<char>(t >> (8 * i));
  return extraField(0x5455, body);
}

}  // namespace

std::string deflateRaw(const std::string& data) {
  z_stream s{};
  if (deflateInit2(&s, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::runtime_error("deflateInit2");
  std::string out(deflateBound(&s, data.size()) + 16, '\0');
  s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  s.avail_in = static_cast<uInt>(data.size());
  s.next_out = reinterpret_cast<Bytef*>(out.data());
  s.avail_out = static_cast<uInt>(out.size());
  int ret = deflate(&s, Z_FINISH);
  out.resize(s.total_out);
  deflateEnd(&s);
  if (ret != Z_STREAM_END) throw std::runtime_error("deflate");
  return out;
}

std::vector<std::uint8_t> buildZip(const std::vector<TestEntry>& entries, const TestArchiveOptions& o) {
  Out out;
  out.str(o.stub);
  const std::uint64_t base = o.adjustForStub ? 0 : o.stub.size();  // what offsets leave out
  std::vector<std::uint64_t> localAt;
  std::vector<std::string> stored;
  for (const TestEntry& e : entries) {
    std::string payload = e.rawData ? *e.rawData : e.method == 8 ? deflateRaw(e.data) : e.data;
    const std::uint32_t crc = e.crc
                                  ? *e.crc
                                  : static_cast<std::uint32_t>(::crc32(0, reinterpret_cast<const Bytef*>(e.data.data()),
                                                                       static_cast<uInt>(e.data.size())));
    const std::uint64_t csize = e.compressedSize.value_or(payload.size());
    const std::uint64_t usize = e.uncompressedSize.value_or(e.data.size());
    localAt.push_back(out.size() - base);
    stored.push_back(payload);
    if (!e.writeLocal) continue;
    const std::string name = e.localName.value_or(e.name);
    std::string extra;
    if (e.zip64) extra += extraField(0x0001, u64le(e.dataDescriptor ? 0 : usize) + u64le(e.dataDescriptor ? 0 : csize));
    if (e.unixMtime) extra += timestampExtra(*e.unixMtime);
    const std::uint16_t flags = static_cast<std::uint16_t>(e.flags | (e.dataDescriptor ? 0x0008 : 0));
    out.u32(0x04034b50);
    out.u16(e.zip64 ? 45 : 20);
    out.u16(flags);
    out.u16(e.method);
    out.u16(e.dosTime);
    out.u16(e.dosDate);
    out.u32(e.dataDescriptor ? 0 : crc);
    out.u32(e.zip64 ? 0xFFFFFFFF : e.dataDescriptor ? 0 : csize);
    out.u32(e.zip64 ? 0xFFFFFFFF : e.dataDescriptor ? 0 : usize);
    out.u16(name.size());
    out.u16(extra.size());
    out.str(name);
    out.str(extra);
    out.str(payload);
    if (e.dataDescriptor) {
      out.u32(0x08074b50);
      out.u32(crc);
      if (e.zip64) {
        out.u64(csize);
        out.u64(usize);
      } else {
        out.u32(csize);
        out.u32(usize);
      }
    }
  }

  const std::uint64_t cdStart = out.size() - base;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const TestEntry& e = entries[i];
    const std::uint32_t crc = e.crc
                                  ? *e.crc
                                  : static_cast<std::uint32_t>(::crc32(0, reinterpret_cast<const Bytef*>(e.data.data()),
                                                                       static_cast<uInt>(e.data.size())));
    const std::uint64_t csize = e.compressedSize.value_or(stored[i].size());
    const std::uint64_t usize = e.uncompressedSize.value_or(e.data.size());
    const std::uint64_t offset = e.localOffset.value_or(localAt[i]);
    std::string extra;
    if (e.zip64) extra += extraField(0x0001, u64le(usize) + u64le(csize) + u64le(offset));
    if (e.unixMtime) extra += timestampExtra(*e.unixMtime);
    out.u32(0x02014b50);
    out.u16(e.versionMadeBy);
    out.u16(e.zip64 ? 45 : 20);
    out.u16(static_cast<std::uint16_t>(e.flags | (e.dataDescriptor ? 0x0008 : 0)));
    out.u16(e.method);
    out.u16(e.dosTime);
    out.u16(e.dosDate);
    out.u32(crc);
    out.u32(e.zip64 ? 0xFFFFFFFF : csize);
    out.u32(e.zip64 ? 0xFFFFFFFF : usize);
    out.u16(e.name.size());
    out.u16(extra.size());
    out.u16(0);  // comment
    out.u16(0);  // disk
    out.u16(0);  // internal attributes
    out.u32(e.externalAttributes);
    out.u32(e.zip64 ? 0xFFFFFFFF : offset);
    out.str(e.name);
    out.str(extra);
  }
  const std::uint64_t cdSize = o.cdSize.value_or(out.size() - base - cdStart);
  const std::uint64_t cdOffset = o.cdOffset.value_or(cdStart);
  const std::uint64_t count = o.count.value_or(entries.size());
  if (o.zip64End) {
    const std::uint64_t z64At = out.size() - base;
    out.u32(0x06064b50);
    out.u64(44);
    out.u16(45);
    out.u16(45);
    out.u32(0);
    out.u32(0);
    out.u64(count);
    out.u64(count);
    out.u64(cdSize);
    out.u64(cdOffset);
    out.u32(0x07064b50);
    out.u32(0);
    out.u64(z64At);
    out.u32(1);
  }
  out.u32(0x06054b50);
  out.u16(0);
  out.u16(0);
  out.u16(o.zip64End ? 0xFFFF : count);
  out.u16(o.zip64End ? 0xFFFF : count);
  out.u32(o.zip64End ? 0xFFFFFFFF : cdSize);
  out.u32(o.zip64End ? 0xFFFFFFFF : cdOffset);
  out.u16(o.comment.size());
  out.str(o.comment);
  return std::move(out.bytes());
}

}  // namespace zel::test
