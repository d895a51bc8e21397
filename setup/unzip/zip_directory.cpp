#include "zip_directory.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "byte_reader.h"

namespace zel {
namespace {

// Record signatures and fixed sizes (PKWARE APPNOTE, sections 4.3.7 to 4.3.16).
constexpr std::uint32_t kLocalHeaderSig = 0x04034b50;
constexpr std::uint32_t kCentralHeaderSig = 0x02014b50;
constexpr std::uint32_t kEndSig = 0x06054b50;
constexpr std::uint32_t kZip64EndSig = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSig = 0x07064b50;
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::size_t kEndSize = 22;
constexpr std::size_t kZip64EndSize = 56;
constexpr std::size_t kZip64LocatorSize = 20;
constexpr std::size_t kMaxCommentSize = 0xFFFF;
// Offsets inside the local header.
constexpr std::size_t kLocalFlagsAt = 6;
constexpr std::size_t kLocalNameLengthAt = 26;
// Extra field ids.
constexpr std::uint16_t kZip64ExtraId = 0x0001;
constexpr std::uint16_t kExtendedTimestampId = 0x5455;
// A central directory larger than this is not an installation archive; refusing
// it keeps a forged size from making us allocate gigabytes.
constexpr std::uint64_t kMaxCentralDirectorySize = 256u << 20;

bool readAt(ByteSource& src, std::uint64_t offset, std::vector<std::uint8_t>& buf, std::size_t n) {
  buf.resize(n);
  return src.read(offset, buf);
}

std::string at(std::uint64_t offset) { return " at offset " + std::to_string(offset); }

struct EndRecord {
  std::uint64_t position = 0;  // of the classic end record
  std::uint32_t disk = 0;
  std::uint32_t cdDisk = 0;
  std::uint64_t count = 0;
  std::uint64_t cdSize = 0;
  std::uint64_t cdOffset = 0;
  std::uint64_t cdEnd = 0;  // where the central directory must end
  std::string comment;
  bool zip64 = false;
};

Status findEnd(ByteSource& src, EndRecord& end) {
  const std::uint64_t size = src.size();
  if (size < kEndSize) return Status::corruption("not a ZIP archive: too short");
  const std::size_t tail = static_cast<std::size_t>(std::min<std::uint64_t>(size, kEndSize + kMaxCommentSize));
  const std::uint64_t tailStart = size - tail;
  std::vector<std::uint8_t> buf;
  if (!readAt(src, tailStart, buf, tail)) return Status::ioError("cannot read the end of the archive");

  // The comment may itself contain the signature; a record whose comment reaches
  // exactly to the end of the file wins over one that leaves bytes behind.
  std::optional<std::size_t> exact, loose;
  for (std::size_t i = tail - kEndSize + 1; i-- > 0;) {
    if (loadU32le(&buf[i]) != kEndSig) continue;
    const std::size_t commentLen = ByteReader(std::span<const std::uint8_t>(buf).subspan(i + 20, 2)).u16le();
    if (i + kEndSize + commentLen == tail) {
      exact = i;
      break;
    }
    if (!loose && i + kEndSize + commentLen <= tail) loose = i;
  }
  if (!exact && !loose) return Status::corruption("not a ZIP archive: no end of central directory record");
  const std::size_t i = exact ? *exact : *loose;

  ByteReader r(std::span<const std::uint8_t>(buf).subspan(i + 4));
  end.position = tailStart + i;
  end.disk = r.u16le();
  end.cdDisk = r.u16le();
  r.skip(2);  // entries on this disk
  end.count = r.u16le();
  end.cdSize = r.u32le();
  end.cdOffset = r.u32le();
  end.comment = r.str(r.u16le());
  end.cdEnd = end.position;
  if (!r.ok()) return Status::corruption("end of central directory record is cut short");

  if (end.position < kZip64LocatorSize) return Status::ok();
  std::vector<std::uint8_t> loc;
  if (!readAt(src, end.position - kZip64LocatorSize, loc, kZip64LocatorSize))
    return Status::ioError("cannot read the Zip64 locator");
  if (loadU32le(loc.data()) != kZip64LocatorSig) return Status::ok();

  ByteReader lr(loc);
  lr.skip(4);
  std::uint32_t z64Disk = lr.u32le();
  std::uint64_t z64Declared = lr.u64le();
  if (z64Disk != 0) return Status::unsupported("archives spanning several disks are not supported");

  // A stub prepended without adjusting the archive shifts the Zip64 record too;
  // when it is not where the locator says, it is most often right before the locator.
  const std::uint64_t limit = end.position - kZip64LocatorSize;
  std::vector<std::uint8_t> rec;
  std::optional<std::uint64_t> z64Pos;
  for (std::uint64_t candidate : {z64Declared, limit >= kZip64EndSize ? limit - kZip64EndSize : limit}) {
    if (candidate > limit || limit - candidate < kZip64EndSize) continue;
    if (!readAt(src, candidate, rec, kZip64EndSize)) return Status::ioError("cannot read the Zip64 end record");
    if (loadU32le(rec.data()) == kZip64EndSig) {
      z64Pos = candidate;
      break;
    }
  }
  if (!z64Pos) return Status::corruption("Zip64 end of central directory record not found");

  ByteReader zr(rec);
  zr.skip(4 + 8 + 2 + 2);  // signature, record size, versions
  std::uint32_t disk = zr.u32le();
  std::uint32_t cdDisk = zr.u32le();
  zr.skip(8);  // entries on this disk
  std::uint64_t count = zr.u64le();
  std::uint64_t cdSize = zr.u64le();
  std::uint64_t cdOffset = zr.u64le();
  // The Zip64 values stand in for the classic ones that are saturated.
  if (end.disk == 0xFFFF) end.disk = disk;
  if (end.cdDisk == 0xFFFF) end.cdDisk = cdDisk;
  if (end.count == 0xFFFF) end.count = count;
  if (end.cdSize == 0xFFFFFFFF) end.cdSize = cdSize;
  if (end.cdOffset == 0xFFFFFFFF) end.cdOffset = cdOffset;
  end.cdEnd = *z64Pos;
  end.zip64 = true;
  return Status::ok();
}

// Fills the Zip64-extended values of e from the extra field, which holds only the
// ones whose central-header fields are saturated, in this order.
Status readZip64Extra(ByteReader& r, ZipEntry& e, bool needU, bool needC, bool needO, const std::string& name) {
  if (needU) e.uncompressedSize = r.u64le();
  if (needC) e.compressedSize = r.u64le();
  if (needO) e.localHeaderOffset = r.u64le();
  if (!r.ok()) return Status::corruption("entry \"" + name + "\": Zip64 extra field is too short");
  return Status::ok();
}

Status readExtras(std::span<const std::uint8_t> extra, ZipEntry& e, bool needU, bool needC, bool needO) {
  bool seenZip64 = false;
  ByteReader r(extra);
  // Fields that do not fit what is left are ignored, as other readers do: some
  // writers pad the extra area with zeros.
  while (r.remaining() >= 4) {
    std::uint16_t id = r.u16le();
    std::uint16_t len = r.u16le();
    if (len > r.remaining()) break;
    ByteReader field(r.bytes(len));
    if (id == kZip64ExtraId && !seenZip64) {
      seenZip64 = true;
      if (Status s = readZip64Extra(field, e, needU, needC, needO, e.name); !s) return s;
    } else if (id == kExtendedTimestampId && len >= 5) {
      std::uint8_t flags = field.bytes(1)[0];
      if (flags & 1) e.unixMtime = static_cast<std::int64_t>(field.u32le());
    }
  }
  if ((needU || needC || needO) && !seenZip64) return Status::corruption(e.who() + "Zip64 sizes missing");
  return Status::ok();
}

}  // namespace

Result<ZipDirectory> readZipDirectory(ByteSource& src) {
  EndRecord end;
  if (Status s = findEnd(src, end); !s) return s;
  if ((end.disk != 0 && end.disk != 0xFFFF) || (end.cdDisk != 0 && end.cdDisk != 0xFFFF))
    return Status::unsupported("archives spanning several disks are not supported");
  if (end.cdSize > end.cdEnd) return Status::corruption("central directory is larger than the archive");
  if (end.cdSize > kMaxCentralDirectorySize) return Status::corruption("central directory is too large");
  if (end.count > end.cdSize / kCentralHeaderSize)
    return Status::corruption("entry count " + std::to_string(end.count) + " does not fit the central directory");

  // Where the directory really is: where the end record says, or, for a stub
  // prepended to the archive, right before the end record with every offset
  // moved by the stub's size.
  std::uint64_t cdStart = end.cdEnd - end.cdSize;
  std::uint64_t stub = 0;
  if (end.cdOffset != cdStart) {
    std::vector<std::uint8_t> sig;
    auto hasSig = [&](std::uint64_t pos) {
      return pos <= end.cdEnd && end.cdEnd - pos >= 4 && readAt(src, pos, sig, 4) &&
             loadU32le(sig.data()) == kCentralHeaderSig;
    };
    if (end.count > 0 && !hasSig(cdStart) && hasSig(end.cdOffset) && end.cdOffset + end.cdSize <= end.cdEnd) {
      cdStart = end.cdOffset;  // bytes between the directory and the end record
    } else if (end.cdOffset < cdStart) {
      stub = cdStart - end.cdOffset;
    } else {
      return Status::corruption("central directory offset " + std::to_string(end.cdOffset) +
                                " lies past the directory");
    }
  }

  std::vector<std::uint8_t> cd;
  if (!readAt(src, cdStart, cd, static_cast<std::size_t>(end.cdSize)))
    return Status::ioError("cannot read the central directory");

  ZipDirectory dir;
  dir.comment = std::move(end.comment);
  dir.stubSize = stub;
  dir.zip64 = end.zip64;
  // The count is only a claim until the headers are read; reserve modestly.
  dir.entries.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(end.count, 4096)));
  ByteReader r(cd);
  for (std::uint64_t n = 0; n < end.count; ++n) {
    const std::size_t headerAt = r.pos();
    if (r.u32le() != kCentralHeaderSig || !r.ok())
      return Status::corruption("central header " + std::to_string(n) + " is damaged" + at(cdStart + headerAt));
    ZipEntry e;
    e.versionMadeBy = r.u16le();
    r.skip(2);  // version needed
    e.flags = r.u16le();
    e.method = r.u16le();
    e.dosTime = r.u16le();
    e.dosDate = r.u16le();
    e.crc32 = r.u32le();
    e.compressedSize = r.u32le();
    e.uncompressedSize = r.u32le();
    std::uint16_t nameLen = r.u16le();
    std::uint16_t extraLen = r.u16le();
    std::uint16_t commentLen = r.u16le();
    std::uint16_t diskStart = r.u16le();
    r.skip(2);  // internal attributes
    e.externalAttributes = r.u32le();
    e.localHeaderOffset = r.u32le();
    e.name = r.str(nameLen);
    auto extra = r.bytes(extraLen);
    r.skip(commentLen);
    if (!r.ok()) return Status::corruption("central header " + std::to_string(n) + " runs past the directory");
    if (e.name.empty()) return Status::corruption("central header " + std::to_string(n) + " has an empty name");

    const bool needU = e.uncompressedSize == 0xFFFFFFFF;
    const bool needC = e.compressedSize == 0xFFFFFFFF;
    const bool needO = e.localHeaderOffset == 0xFFFFFFFF;
    if (Status s = readExtras(extra, e, needU, needC, needO); !s) return s;
    if (diskStart != 0 && diskStart != 0xFFFF)
      return Status::unsupported("entry \"" + e.name + "\" lies on another disk");

    // The local header, then the data, must lie before the directory.
    if (e.localHeaderOffset >= cdStart - stub || cdStart - stub - e.localHeaderOffset < kLocalHeaderSize)
      return Status::corruption(e.who() + "local header offset out of range");
    e.localHeaderOffset += stub;
    dir.entries.push_back(std::move(e));
  }

  std::vector<std::uint8_t> local;
  for (ZipEntry& e : dir.entries) {
    if (!readAt(src, e.localHeaderOffset, local, kLocalHeaderSize))
      return Status::ioError("cannot read the local header of \"" + e.name + "\"");
    if (loadU32le(local.data()) != kLocalHeaderSig)
      return Status::corruption(e.who() + "no local header" + at(e.localHeaderOffset));
    ByteReader header(local);
    header.seek(kLocalFlagsAt);
    e.localFlags = header.u16le();
    header.seek(kLocalNameLengthAt);
    const std::uint64_t nameLen = header.u16le();
    const std::uint64_t extraLen = header.u16le();
    const std::uint64_t afterHeader = e.localHeaderOffset + kLocalHeaderSize;  // <= cdStart, checked above
    if (nameLen + extraLen > cdStart - afterHeader)
      return Status::corruption(e.who() + "local header runs into the directory");
    if (nameLen != e.name.size()) return Status::corruption(e.who() + "local and central names differ");
    if (!readAt(src, afterHeader, local, static_cast<std::size_t>(nameLen)))
      return Status::ioError("cannot read the local header of \"" + e.name + "\"");
    // Compared as bytes: names with the high bit set (CP949) must match too.
    if (nameLen > 0 && std::memcmp(local.data(), e.name.data(), nameLen) != 0)
      return Status::corruption(e.who() + "local and central names differ");
    e.dataOffset = afterHeader + nameLen + extraLen;
    if (e.compressedSize > cdStart - e.dataOffset)
      return Status::corruption(e.who() + "data runs into the central directory");
  }

  // Entries sharing or overlapping their data are how small archives claim huge
  // contents; a sound archive never has them.
  std::vector<std::size_t> order(dir.entries.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return dir.entries[a].localHeaderOffset < dir.entries[b].localHeaderOffset;
  });
  for (std::size_t k = 1; k < order.size(); ++k) {
    const ZipEntry& prev = dir.entries[order[k - 1]];
    const ZipEntry& next = dir.entries[order[k]];
    if (prev.dataOffset + prev.compressedSize > next.localHeaderOffset)
      return Status::corruption("entries \"" + prev.name + "\" and \"" + next.name + "\" overlap");
  }
  return dir;
}

}  // namespace zel
