// TZelTable: the program's report table handle: opens a report by directory,
// file name and index kind, builds index tags, and carries the TApollo
// companion through which fields, memos and seeks are read.
#pragma once

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
  std::string LastIndexError;
  // Why the last OpenTable failed, in the engine's words (English); empty after success.
  std::string LastOpenError;
  // Why the file cannot be read as a report: the last open's failure, or, when
  // it opened, that it has no settings field.
  std::string NotAReportReason() const;

  bool AssignDirectory(const std::string& directory);
  bool AssignFileName(const std::string& fileName);
  bool OpenTable(const std::string& directory, const std::string& fileName, const std::string& indexKind);
  // Shows the exclusive-use message (caption "오류") through the message service
  // when exclusive use is refused; any other failure leaves its text in
  // LastIndexError (empty after success or the exclusive-use refusal).
  bool BuildIndex(const std::string& indexFile, const std::string& tagName, const std::string& indexKind,
                  const std::string& condition, bool descending, int option, const std::string& keyExpr);
};

}  // namespace zel
