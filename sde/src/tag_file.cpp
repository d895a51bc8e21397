#include "tag_file.h"

#include <cstdio>
#include <cstring>

#include "byte_reader.h"
#include "os_file.h"

namespace sde {

namespace {
constexpr size_t kMaxTagFileSize = 1 << 20;
constexpr size_t kMaxTextLen = 1024;

void putText(std::vector<uint8_t>& out, const std::string& s) {
  uint8_t len[2];
  zel::putU16le(len, uint16_t(s.size()));
  out.insert(out.end(), len, len + 2);
  out.insert(out.end(), s.begin(), s.end());
}
}  // namespace

zel::Status readTagFile(const std::string& path, TagFile* out, TagFileCheck* check) {
  *out = TagFile{};
  *check = TagFileCheck::kMissing;
  if (!fileExists(path)) return zel::Status::ok();
  OsFile f;
  if (auto s = f.open(path, OsFile::Mode::kRead); !s) return s;
  uint64_t size = f.size();
  if (size < sizeof kTagFileMagic || size > kMaxTagFileSize) {
    *check = TagFileCheck::kForeign;
    return zel::Status::ok();
  }
  std::vector<uint8_t> bytes(size);
  if (auto s = f.readAt(0, bytes.data(), bytes.size()); !s) return s;
  if (std::memcmp(bytes.data(), kTagFileMagic, sizeof kTagFileMagic) != 0) {
    *check = TagFileCheck::kForeign;
    return zel::Status::ok();
  }
  *check = TagFileCheck::kOurs;
  zel::ByteReader r(bytes);
  r.skip(sizeof kTagFileMagic);
  out->driver = r.u8();
  uint32_t count = r.u32le();
  if (!r.ok() || count > kMaxTagsPerFile)
    return zel::Status::corruption("bad tag count in index file " + path + " at offset 9");
  for (uint32_t i = 0; i < count; ++i) {
    TagDef t;
    for (std::string* s : {&t.name, &t.expr, &t.condition}) {
      uint16_t len = r.u16le();
      if (len > kMaxTextLen) r.skip(size_t(-1));  // force the error below
      *s = r.str(len);
    }
    t.descending = r.u8() != 0;
    t.option = r.u8();
    if (!r.ok())
      return zel::Status::corruption("index file " + path + " truncated at offset " + std::to_string(r.pos()));
    if (t.name.empty() || t.expr.empty())
      return zel::Status::corruption("tag without a name or key in index file " + path);
    out->tags.push_back(std::move(t));
  }
  return zel::Status::ok();
}

zel::Status writeTagFile(const std::string& path, const TagFile& file) {
  std::vector<uint8_t> out(kTagFileMagic, kTagFileMagic + sizeof kTagFileMagic);
  out.push_back(uint8_t(file.driver));
  uint8_t count[4];
  zel::putU32le(count, uint32_t(file.tags.size()));
  out.insert(out.end(), count, count + 4);
  for (const TagDef& t : file.tags) {
    for (const std::string* s : {&t.name, &t.expr, &t.condition}) {
      if (s->size() > kMaxTextLen) return zel::Status::invalidArgument("tag definition too long for " + path);
      putText(out, *s);
    }
    out.push_back(t.descending ? 1 : 0);
    out.push_back(uint8_t(t.option));
  }
  std::string tmp = path + ".tmp";
  {
    OsFile f;
    if (auto s = f.open(tmp, OsFile::Mode::kCreate); !s) return s;
    if (auto s = f.writeAt(0, out.data(), out.size()); !s) return s;
  }
  if (!replaceFile(tmp, path)) {
    std::remove(tmp.c_str());
    return zel::Status::ioError("cannot write index file " + path);
  }
  return zel::Status::ok();
}

}  // namespace sde
