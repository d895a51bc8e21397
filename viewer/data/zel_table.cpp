#include "zel_table.h"

#include "ascii_text.h"
#include "message_service.h"

#include <filesystem>
#include <system_error>

namespace zel {
namespace {

// "다른 사용자가 단독으로 사용하고 있습니다." (another user holds the file exclusively)
constexpr char kExclusiveUseText[] =
    "\xEB\x8B\xA4\xEB\xA5\xB8 \xEC\x82\xAC\xEC\x9A\xA9\xEC\x9E\x90\xEA\xB0\x80 "
    "\xEB\x8B\xA8\xEB\x8F\x85\xEC\x9C\xBC\xEB\xA1\x9C "
    "\xEC\x82\xAC\xEC\x9A\xA9\xED\x95\x98\xEA\xB3\xA0 \xEC\x9E\x88\xEC\x8A\xB5\xEB\x8B\x88\xEB\x8B\xA4.";
constexpr char kSeparator[] = "/";

}  // namespace

TZelTable::TZelTable() { Apollo.SetDataSource(&Table); }

TZelTable::~TZelTable() = default;

bool TZelTable::AssignDirectory(const std::string& directory) {
  // The dataset refuses to change its directory while open.
  if (Table.Active()) return false;
  Table.DatabaseName = directory;
  Directory = directory;
  return true;
}

bool TZelTable::AssignFileName(const std::string& fileName) {
  if (Table.Active()) return false;
  Table.TableName = fileName;
  FileName = fileName;
  return true;
}

bool TZelTable::OpenTable(const std::string& directory, const std::string& fileName, const std::string& indexKind) {
  if (IsOpen) Table.Close();
  LastOpenError.clear();
  auto refuse = [this](std::string why) {
    LastOpenError = std::move(why);
    return false;
  };
  if (!AssignDirectory(directory) || !AssignFileName(fileName)) return refuse("no table name");
  const std::string path = ResolvePath(directory, fileName);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return refuse(path + ": no such file");
  TTableType type;
  if (indexKind == "CDX") {
    type = ttSXFOX;
  } else if (indexKind == "NTX") {
    type = ttSXNTX;
  } else if (indexKind == "NSX") {
    type = ttSXNSX;
  } else {
    return refuse("unknown index kind " + indexKind);
  }
  Table.TableType = type;
  Table.Exclusive = false;
  try {
    Table.Open();
  } catch (const DataError& e) {
    return refuse(e.what());
  }
  IsOpen = true;
  return true;
}

std::string TZelTable::NotAReportReason() const {
  return IsOpen ? ResolvePath(Directory, FileName) + ": no field F_INIT" : LastOpenError;
}

bool TZelTable::BuildIndex(const std::string& indexFile, const std::string& tagName, const std::string& indexKind,
                           const std::string& condition, bool descending, int option, const std::string& keyExpr) {
  const bool wasOpen = Table.Active();
  LastIndexError.clear();
  try {
    if (wasOpen) {
      Apollo.SetOrder(0);
      Table.Close();
    }
    Table.Exclusive = true;
    try {
      Table.Open();
    } catch (const DataError&) {
      messages().error(Directory + kSeparator + FileName + "\r" + kExclusiveUseText);
      Table.Exclusive = false;
      if (wasOpen) Table.Open();
      return false;
    }
    int order = 0;
    if (indexKind == "NTX" || indexKind == "IDX") {
      order = Apollo.CreateIndexFile(indexFile, keyExpr, condition, descending, option);
    } else {
      order = Apollo.CreateIndexTag(indexFile, tagName, condition, descending, option, keyExpr);
    }
    Apollo.SetOrder(0);
    Table.Close();
    Table.Exclusive = false;
    if (wasOpen) {
      Table.Open();
      if (!isBlank(indexFile)) {
        order = Apollo.OpenIndexFile(indexFile);
        if (indexKind == "CDX") order = Apollo.TagOrder(tagName);
      }
      Apollo.SetOrder(order);
    }
    return true;
  } catch (const DataError& e) {
    LastIndexError = e.what();
    Table.Exclusive = false;
    return false;
  }
}

}  // namespace zel
