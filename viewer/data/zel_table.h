// TZelTable: the program's report table handle: opens a report by directory,
// file name and index kind, builds index tags, and carries the TApollo
// companion through which fields, memos and seeks are read.
#pragma once

#include <optional>
#include <string>

#include "apollo.h"

namespace zel {

class TZelTable {
 public:
  TZelTable();
  ~TZelTable();
  TZelTable(const TZelTable&) = delete;
  TZelTable& operator=(const TZelTable&) = delete;

  TTable Table;
  TApollo Apollo;
  bool IsOpen = false;
  std::string Directory;
  std::string FileName;
  // Why the last OpenTable failed: its kind and the engine's words (English);
  // nothing after success.
  const std::optional<DataError>& OpenError() const { return openError_; }
  // Why the file cannot be read as a report: the last open's failure, or, when
  // it opened, that it has no settings field (kFieldMissing).
  DataError NotAReportReason() const;
  // Why the last BuildIndex failed; nothing after success. Exclusive use
  // refused is kExclusiveUse: the caller says so after the report's path.
  const std::optional<DataError>& IndexError() const { return indexError_; }

  bool AssignDirectory(const std::string& directory);
  bool AssignFileName(const std::string& fileName);
  bool OpenTable(const std::string& directory, const std::string& fileName, const std::string& indexKind);
  bool BuildIndex(const std::string& indexFile, const std::string& tagName, const std::string& indexKind,
                  const std::string& condition, bool descending, int option, const std::string& keyExpr);

 private:
  std::optional<DataError> openError_;
  std::optional<DataError> indexError_;
};

}  // namespace zel
