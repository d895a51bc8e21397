// TApollo: the companion that follows a TTable: typed field access by name,
// memo text, seek, index building and order selection. Each call selects the
// table's work area and afterwards re-selects the area that was current
// before. The table layer's other parts: apollo_env.h (engine settings),
// table.h (the dataset), zel_table.h (a report table with its companion).
//
// Texts are CP949 bytes; failures throw DataError, as the dataset does.
// Single-threaded, like the engine.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "apollo_env.h"
#include "table.h"

namespace zel {

class TApollo {
 public:
  explicit TApollo(TTable* dataSource = nullptr);  // also sets the engine's string type (1)
  void SetDataSource(TTable* table) { table_ = table; }
  TTable* DataSet() const { return table_; }

  // Applied again each time the followed table opens (at the first call after it).
  std::vector<std::string> ExtraIndexes;  // index files opened with the table
  std::string Filter;  // engine filter expression, "" for none
  bool TurboRead = false;

  int FieldNumber(const std::string& name);  // 0 when absent (or the table is closed)
  std::string FieldTypeName(const std::string& name);  // "C", "N", "M", ... "" when absent
  double FieldAsFloat(const std::string& name);
  long FieldAsInteger(const std::string& name);
  std::string FieldAsPaddedText(const std::string& name);
  std::string MemoText(const std::string& name, int lineWidth = 0);
  void GoTop();
  void GoBottom();
  long MoveRecords(long count);  // records actually moved
  bool SeekKey(const std::string& key);
  bool Eof();
  int SetOrder(int order);
  int CurrentOrder();
  int OpenIndexFile(const std::string& fileName);
  int CreateIndexFile(const std::string& fileName, const std::string& expr, const std::string& condition,
                      bool descending, int option);
  // An order kept in memory only (nothing written beside the table); ends
  // when the table closes. Returns its order number.
  int CreateMemoryOrder(const std::string& tagName, const std::string& expr);
  int CreateIndexTag(const std::string& fileName, const std::string& tagName, const std::string& condition,
                     bool descending, int option, const std::string& expr);
  int TagOrder(const std::string& tagName);
  std::string TagNameOf(int order);
  int RecordSize();
  // Bytes the .dbf lacks for the records its header counts; 0 when whole.
  long MissingBytes();
  // Whole records the file holds past the count in its header: a lowered
  // count, whose lines are never read.
  long UncountedRecords();

 private:
  void applyLinkSettings();
  // Before a move or an index build: the table must be open (DataError naming
  // `what` otherwise); a pending edit is posted and the link settings applied.
  void prepareChange(const std::string& what);

  TTable* table_;
  long appliedOpen_ = 0;  // the table's open count when the settings above were last applied
};

// Sets ApolloEnv->SoftSeek (it stays on) and seeks.
bool SoftSeekKey(TApollo& apollo, const std::string& key);

// While it lives, the engine asks stop between chunks of records when it
// builds an order, and a true answer ends the build (it fails, leaving no
// order). stop must outlive this object; an empty stop is never asked.
class OrderBuildStop {
 public:
  explicit OrderBuildStop(const std::function<bool()>& stop);
  ~OrderBuildStop();
  OrderBuildStop(const OrderBuildStop&) = delete;
  OrderBuildStop& operator=(const OrderBuildStop&) = delete;

 private:
  const std::function<bool()>& stop_;
};

}  // namespace zel
