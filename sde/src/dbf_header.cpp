#include "dbf_header.h"

#include <algorithm>
#include <cctype>

#include "ascii_text.h"
#include "byte_reader.h"

namespace sde {

namespace {

bool knownVersion(uint8_t v) {
  switch (v) {
    case 0x02:
    case 0x03:
    case 0x04:
    case 0x05:
    case 0x30:
    case 0x31:
    case 0x32:
    case 0x43:
    case 0x63:
    case 0x83:
    case 0x8B:
    case 0x8E:
    case 0xCB:
    case 0xF5:
    case 0xFB: return true;
    default: return false;
  }
}

std::string at(const std::string& file, size_t offset) { return file + " at offset " + std::to_string(offset); }

}  // namespace

bool DbfHeader::isMemoField(const FieldDesc& f) const {
  switch (f.type) {
    case 'M':
    case 'G':
    case 'P': return true;
    case 'B':  // a double in Visual FoxPro, a binary memo in dBASE
      return !isVisualFox();
    default: return false;
  }
}

bool DbfHeader::hasMemoFields() const {
  return std::any_of(fields.begin(), fields.end(), [this](const FieldDesc& f) { return isMemoField(f); });
}

MemoKind DbfHeader::memoKind() const {
  if (!hasMemoFields()) return MemoKind::kNone;
  switch (version) {
    case 0x83: return MemoKind::kDbt3;
    case 0x8B:
    case 0x8E:
    case 0xCB: return MemoKind::kDbt4;
    default: return MemoKind::kFpt;
  }
}

uint32_t storedHeaderLength(std::span<const uint8_t> head) {
  zel::ByteReader r(head);
  r.seek(kOffHeaderLen);
  uint16_t v = r.u16le();
  return r.ok() ? v : 0;
}

zel::Result<DbfHeader> parseDbfHeader(std::span<const uint8_t> head, uint64_t fileSize, const std::string& file) {
  if (fileSize < kHeaderFixed || head.size() < kHeaderFixed)
    return zel::Status::corruption("table header truncated: " + file + " is " + std::to_string(fileSize) + " bytes");
  zel::ByteReader r(head);
  DbfHeader h;
  h.version = r.u8();
  h.year = r.u8();
  h.month = r.u8();
  h.day = r.u8();
  h.recCount = r.u32le();
  h.headerLen = r.u16le();
  h.recLen = r.u16le();
  r.seek(kOffTableFlags);
  h.tableFlags = r.u8();
  h.codePage = r.u8();
  if (!knownVersion(h.version))
    return zel::Status::corruption("unknown table version byte " + std::to_string(h.version) + " in " + at(file, 0));
  if (h.headerLen < kHeaderFixed + 1)
    return zel::Status::corruption("header length " + std::to_string(h.headerLen) + " too small in " +
                                   at(file, kOffHeaderLen));
  if (h.headerLen > fileSize || h.headerLen > head.size())
    return zel::Status::corruption("header length " + std::to_string(h.headerLen) + " past the end of " + file + " (" +
                                   std::to_string(fileSize) + " bytes)");
  if (h.recLen < 2)
    return zel::Status::corruption("record length " + std::to_string(h.recLen) + " invalid in " + at(file, kOffRecLen));

  // Descriptors run from offset 32 up to the 0x0D terminator, all inside the header.
  uint32_t offset = 1;
  size_t pos = kHeaderFixed;
  bool terminated = false;
  while (pos < h.headerLen) {
    if (head[pos] == kFieldTerminator) {
      terminated = true;
      break;
    }
    if (pos + kFieldDescSize > h.headerLen)
      return zel::Status::corruption("field descriptor past the header in " + at(file, pos));
    zel::ByteReader d(head.subspan(pos, kFieldDescSize));
    FieldDesc f;
    std::string raw = d.str(11);
    f.name = raw.substr(0, raw.find('\0'));
    f.type = char(std::toupper(d.u8()));
    d.skip(4);  // displacement; offsets are recomputed from the widths
    uint8_t w = d.u8();
    uint8_t dec = d.u8();
    f.flags = d.u8();
    if (f.type == 'C') {
      // FoxPro and Clipper keep wide character fields' high width byte in the decimals byte.
      f.width = w | uint32_t(dec) << 8;
      f.decimals = 0;
    } else {
      f.width = w;
      f.decimals = dec;
    }
    if (f.name.empty()) return zel::Status::corruption("field without a name in " + at(file, pos));
    if (f.width == 0) return zel::Status::corruption("field " + f.name + " has width 0 in " + at(file, pos));
    static const std::string kTypes = "CNFDLMIBYTGPV0QW@+O";
    if (kTypes.find(f.type) == std::string::npos || f.type == '\0')
      return zel::Status::corruption("field " + f.name + " has unknown type in " + at(file, pos + 11));
    f.offset = offset;
    offset += f.width;
    if (offset > kMaxRecordLength + 1)
      return zel::Status::corruption("fields longer than a record can be in " + at(file, pos));
    h.fields.push_back(std::move(f));
    pos += kFieldDescSize;
  }
  if (!terminated) return zel::Status::corruption("field list not terminated by 0x0D in " + at(file, kHeaderFixed));
  if (h.fields.empty()) return zel::Status::corruption("table has no fields: " + file);
  if (offset != h.recLen)
    return zel::Status::corruption("record length " + std::to_string(h.recLen) + " does not match the fields (" +
                                   std::to_string(offset) + ") in " + at(file, kOffRecLen));
  return h;
}

std::vector<uint8_t> encodeDbfHeader(const DbfHeader& h) {
  std::vector<uint8_t> out(h.headerLen, 0);
  out[kOffVersion] = h.version;
  out[kOffUpdateYmd] = h.year;
  out[kOffUpdateYmd + 1] = h.month;
  out[kOffUpdateYmd + 2] = h.day;
  zel::putU32le(&out[kOffRecCount], h.recCount);
  zel::putU16le(&out[kOffHeaderLen], uint16_t(h.headerLen));
  zel::putU16le(&out[kOffRecLen], uint16_t(h.recLen));
  out[kOffTableFlags] = h.tableFlags;
  out[kOffCodePage] = h.codePage;
  size_t pos = kHeaderFixed;
  for (const FieldDesc& f : h.fields) {
    uint8_t* d = &out[pos];
    std::copy_n(f.name.begin(), std::min<size_t>(f.name.size(), 10), d);
    d[11] = uint8_t(f.type);
    zel::putU32le(d + 12, f.offset);
    if (f.type == 'C') {
      d[16] = uint8_t(f.width & 0xFF);
      d[17] = uint8_t(f.width >> 8);
    } else {
      d[16] = uint8_t(f.width);
      d[17] = uint8_t(f.decimals);
    }
    d[18] = f.flags;
    pos += kFieldDescSize;
  }
  out[pos] = kFieldTerminator;
  return out;
}

zel::Status normalizeNewField(FieldDesc& f, bool visualFox) {
  f.name = zel::asciiUpper(f.name);
  if (f.name.empty() || f.name.size() > 10)
    return zel::Status::invalidArgument("field name must be 1 to 10 characters");
  f.type = char(std::toupper(static_cast<unsigned char>(f.type)));
  switch (f.type) {
    case 'C':
      if (f.width < 1 || f.width > 65534)
        return zel::Status::invalidArgument("character field " + f.name + " width out of range");
      f.decimals = 0;
      break;
    case 'N':
    case 'F':
      if (f.width < 1 || f.width > 20)
        return zel::Status::invalidArgument("numeric field " + f.name + " width out of range");
      if (f.decimals > 0 && f.decimals + 2 > f.width)
        return zel::Status::invalidArgument("numeric field " + f.name + " has too many decimals");
      break;
    case 'D':
      f.width = 8;
      f.decimals = 0;
      break;
    case 'L':
      f.width = 1;
      f.decimals = 0;
      break;
    case 'M':
    case 'G':
    case 'P':
      f.width = visualFox ? 4 : 10;
      f.decimals = 0;
      break;
    case 'I':
      f.width = 4;
      f.decimals = 0;
      break;
    case 'B':
    case 'Y':
    case 'T': f.width = 8; break;
    default: return zel::Status::invalidArgument(std::string("unsupported field type ") + f.type);
  }
  return zel::Status::ok();
}

}  // namespace sde
