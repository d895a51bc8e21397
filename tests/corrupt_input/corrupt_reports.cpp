#include "corrupt_reports.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace zel::corrupt {
namespace rw = reportwriter;

namespace {

constexpr std::uint64_t kCountOffset = 4;
constexpr std::uint64_t kHeaderLengthOffset = 8;
constexpr std::uint64_t kRecordLengthOffset = 10;
constexpr std::uint64_t kFieldsOffset = 32;
constexpr std::uint64_t kFieldSize = 32;
constexpr std::uint64_t kFieldTypeOffset = 11;
constexpr std::size_t kFieldWidthOffset = 16;
constexpr std::size_t kFieldNameBytes = 11;

void check(bool ok, const std::string& what) {
  if (!ok) throw std::runtime_error(what);
}

std::uint32_t readLe(const std::string& file, std::uint64_t offset, int bytes) {
  std::ifstream in(file, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(offset));
  std::uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) value |= static_cast<std::uint32_t>(static_cast<unsigned char>(in.get())) << (8 * i);
  check(static_cast<bool>(in), "cannot read " + file);
  return value;
}

void writeAt(const std::string& file, std::uint64_t offset, const std::string& bytes) {
  std::fstream io(file, std::ios::binary | std::ios::in | std::ios::out);
  io.seekp(static_cast<std::streamoff>(offset));
  io.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  check(static_cast<bool>(io), "cannot write " + file);
}

rw::BillOptions twoPages(rw::BillOptions options, const std::string& fileName) {
  options.pages = 2;
  options.fileName = fileName;
  return options;
}

}  // namespace

std::string writeBill(const std::string& dir, const std::string& fileName, const rw::BillOptions& options) {
  check(static_cast<bool>(rw::writeReport(dir, rw::billOfQuantities(twoPages(options, fileName)))),
        "write " + fileName);
  return dir + "/" + fileName;
}

std::string writeBillWithSettings(const std::string& dir, const std::string& fileName,
                                  const rw::SettingsEntries& replaced) {
  rw::ReportSpec spec = rw::billOfQuantities(twoPages({}, fileName));
  for (const auto& [key, value] : replaced) {
    bool found = false;
    for (auto& entry : spec.settings) {
      if (entry.first == key) {
        entry.second = value;
        found = true;
      }
    }
    if (!found) spec.settings.emplace_back(key, value);
  }
  check(static_cast<bool>(rw::writeReport(dir, spec)), "write " + fileName);
  return dir + "/" + fileName;
}

void setFieldType(const std::string& dbf, const std::string& field, char type) {
  const std::uint32_t header = headerLength(dbf);
  std::ifstream in(dbf, std::ios::binary);
  for (std::uint64_t at = kFieldsOffset; at + kFieldSize <= header; at += kFieldSize) {
    std::string name(kFieldNameBytes, '\0');
    in.seekg(static_cast<std::streamoff>(at));
    in.read(name.data(), static_cast<std::streamsize>(name.size()));
    if (name.substr(0, name.find('\0')) == field) {
      in.close();
      writeAt(dbf, at + kFieldTypeOffset, std::string(1, type));
      return;
    }
  }
  throw std::runtime_error("no field " + field + " in " + dbf);
}

void setFieldBytes(const std::string& dbf, const std::string& field, std::uint32_t record, const std::string& bytes) {
  const std::uint32_t header = headerLength(dbf);
  std::ifstream in(dbf, std::ios::binary);
  // The record's deletion flag comes first, then the fields in their order.
  std::uint64_t offset = 1;
  for (std::uint64_t at = kFieldsOffset; at + kFieldSize <= header; at += kFieldSize) {
    std::string desc(kFieldSize, '\0');
    in.seekg(static_cast<std::streamoff>(at));
    in.read(desc.data(), static_cast<std::streamsize>(desc.size()));
    if (desc[0] == '\x0D') break;
    const std::string name = desc.substr(0, std::min(desc.find('\0'), kFieldNameBytes));
    const auto width = static_cast<unsigned char>(desc[kFieldWidthOffset]);
    if (name == field) {
      in.close();
      std::string value = bytes;
      value.resize(width, ' ');
      writeAt(dbf, header + std::uint64_t(record - 1) * recordLength(dbf) + offset, value);
      return;
    }
    offset += width;
  }
  throw std::runtime_error("no field " + field + " in " + dbf);
}

void setRecordCount(const std::string& dbf, std::uint32_t count) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>((count >> (8 * i)) & 0xFF);
  writeAt(dbf, kCountOffset, bytes);
}

std::uint32_t recordCount(const std::string& dbf) { return readLe(dbf, kCountOffset, 4); }
std::uint32_t headerLength(const std::string& dbf) { return readLe(dbf, kHeaderLengthOffset, 2); }
std::uint32_t recordLength(const std::string& dbf) { return readLe(dbf, kRecordLengthOffset, 2); }

void truncateTo(const std::string& file, std::uint64_t size) { std::filesystem::resize_file(file, size); }

void appendBytes(const std::string& file, std::uint64_t count, char byte) {
  std::ofstream out(file, std::ios::binary | std::ios::app);
  out << std::string(count, byte);
  check(static_cast<bool>(out), "cannot append to " + file);
}

std::uint64_t fileSize(const std::string& file) { return std::filesystem::file_size(file); }

std::string fileBytes(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace zel::corrupt
