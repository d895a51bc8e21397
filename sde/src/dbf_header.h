// DbfHeader: the decoded header of a .dbf table (dBASE III/IV, FoxPro 2.x,
// Visual FoxPro) and its field descriptors. A plain value; parsing checks every
// size against the file and fails with a message naming the file and offset.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "status.h"

namespace sde {

// Layout of the fixed 32-byte part of the header.
inline constexpr size_t kHeaderFixed = 32;
inline constexpr size_t kOffVersion = 0;
inline constexpr size_t kOffUpdateYmd = 1;
inline constexpr size_t kOffRecCount = 4;
inline constexpr size_t kOffHeaderLen = 8;
inline constexpr size_t kOffRecLen = 10;
inline constexpr size_t kOffTableFlags = 28;
inline constexpr size_t kOffCodePage = 29;
inline constexpr size_t kFieldDescSize = 32;
inline constexpr uint8_t kFieldTerminator = 0x0D;
inline constexpr uint8_t kEndOfFile = 0x1A;
inline constexpr size_t kVfpBacklinkSize = 263;  // database container path after the terminator
inline constexpr uint32_t kMaxRecordLength = 65535;

enum class MemoKind { kNone, kFpt, kDbt3, kDbt4 };

struct FieldDesc {
  std::string name;  // upper case as stored
  char type = 'C';
  uint32_t offset = 0;  // in the record; the deletion flag is byte 0
  uint32_t width = 0;
  uint32_t decimals = 0;
  uint8_t flags = 0;
};

struct DbfHeader {
  uint8_t version = 0x03;
  uint8_t year = 0, month = 0, day = 0;  // last update, year since 1900
  uint32_t recCount = 0;  // as stored; the table clamps it to the file
  uint32_t headerLen = 0;
  uint32_t recLen = 0;
  uint8_t tableFlags = 0;
  uint8_t codePage = 0;
  std::vector<FieldDesc> fields;

  bool isVisualFox() const { return version == 0x30 || version == 0x31 || version == 0x32; }
  bool hasMemoFields() const;
  MemoKind memoKind() const;  // which memo file the version byte asks for
  // True when a field of this type keeps a memo block number in the record.
  bool isMemoField(const FieldDesc& f) const;
};

// Parses the header from its first bytes. `head` holds at least the first
// min(fileSize, header length) bytes; fileName goes into messages.
zel::Result<DbfHeader> parseDbfHeader(std::span<const uint8_t> head, uint64_t fileSize, const std::string& fileName);

// Reads the header length stored at offset 8 (0 when head is too short).
uint32_t storedHeaderLength(std::span<const uint8_t> head);

// Serialises a header with its descriptors, terminator and (for Visual FoxPro) backlink.
std::vector<uint8_t> encodeDbfHeader(const DbfHeader& h);

// Checks a field definition for creation and fills width/decimals defaults.
zel::Status normalizeNewField(FieldDesc& f, bool visualFox);

}  // namespace sde
