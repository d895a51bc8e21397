#include "zel_table.h"

#include "ascii_text.h"

#include <filesystem>
#include <system_error>

namespace zel {
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
  openError_.reset();
  auto refuse = [this](ErrorKind kind, std::string why) {
    openError_.emplace(kind, why);
    return false;
  };
  if (!AssignDirectory(directory) || !AssignFileName(fileName)) return refuse(ErrorKind::kCannotOpen, "no table name");
  const std::string path = ResolvePath(directory, fileName);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return refuse(ErrorKind::kFileMissing, path + ": no such file");
  TTableType type;
  if (indexKind == "CDX") {
    type = ttSXFOX;
  } else if (indexKind == "NTX") {
    type = ttSXNTX;
  } else if (indexKind == "NSX") {
    type = ttSXNSX;
  } else {
    return refuse(ErrorKind::kCannotOpen, "unknown index kind " + indexKind);
  }
  Table.TableType = type;
  Table.Exclusive = false;
  try {
    Table.Open();
  } catch (const DataError& e) {
    openError_ = e;
    return false;
  }
  IsOpen = true;
  return true;
}

DataError TZelTable::NotAReportReason() const {
  if (IsOpen) return DataError(ErrorKind::kFieldMissing, ResolvePath(Directory, FileName) + ": no field F_INIT");
  return openError_.value_or(DataError(ErrorKind::kCannotOpen, ResolvePath(Directory, FileName) + ": not opened"));
}

bool TZelTable::BuildIndex(const std::string& indexFile, const std::string& tagName, const std::string& indexKind,
                           const std::string& condition, bool descending, int option, const std::string& keyExpr) {
  const bool wasOpen = Table.Active();
  indexError_.reset();
  try {
    if (wasOpen) {
      Apollo.SetOrder(0);
      Table.Close();
    }
    Table.Exclusive = true;
    try {
      Table.Open();
    } catch (const DataError& e) {
      indexError_.emplace(ErrorKind::kExclusiveUse, e.what(), e.sysError());
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
    indexError_ = e;
    Table.Exclusive = false;
    return false;
  }
}

}  // namespace zel
