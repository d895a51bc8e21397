// ReportTable: one open report table over one engine work area. It opens a
// report by directory, file name and index kind; walks its records (first,
// last, next, seek in an order); reads fields by name (typed, padded, memo
// text); edits, assigns and posts; and builds, opens and selects index
// orders. Every call that reaches the engine selects the table's work area
// and afterwards selects again the area that was current before.
//
// Texts are CP949 bytes. Failures are DataErrors of the kind that says why (a
// field the table lacks, a closed table, an engine error); OpenTable and
// BuildIndex answer with a boolean and keep theirs (OpenError, IndexError).
// Single-threaded, like the engine.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "data_error.h"

namespace zel {

enum TTableType { ttDefault, ttParadox, ttDBase, ttASCII, ttSXNTX, ttSXFOX, ttSXNSX };

class ReportTable {
 public:
  ReportTable();  // also sets the engine's string type (1)
  ~ReportTable();  // closes
  ReportTable(const ReportTable&) = delete;
  ReportTable& operator=(const ReportTable&) = delete;

  // ---- The report file ----
  bool IsOpen = false;  // set by OpenTable; only tells it to close first
  std::string Directory;
  std::string FileName;

  bool AssignDirectory(const std::string& directory);
  bool AssignFileName(const std::string& fileName);
  // Opens Directory/FileName shared with the driver of the index kind ("CDX",
  // "NTX", "NSX", case-sensitive); false, with OpenError set, when it cannot.
  bool OpenTable(const std::string& directory, const std::string& fileName, const std::string& indexKind);
  // Why the last OpenTable failed: its kind and the engine's words (English);
  // nothing after success.
  const std::optional<DataError>& OpenError() const { return openError_; }
  // Why the file cannot be read as a report: the last open's failure, or, when
  // it opened, that it has no settings field (kFieldMissing).
  DataError NotAReportReason() const;
  // Builds an index (kind "NTX" or "IDX": an index file; otherwise a tag) with
  // the table held exclusively for the moment, then reopens the table as it
  // was. False, with IndexError set, when it cannot; exclusive use refused is
  // kExclusiveUse, which the caller says after the report's path.
  bool BuildIndex(const std::string& indexFile, const std::string& tagName, const std::string& indexKind,
                  const std::string& condition, bool descending, int option, const std::string& keyExpr);
  const std::optional<DataError>& IndexError() const { return indexError_; }

  // ---- Opening as a dataset ----
  std::string DatabaseName;  // directory
  std::string TableName;  // file name with extension
  TTableType TableType = ttDefault;
  bool Exclusive = false;
  std::string IndexName;  // current index tag, "" in natural order
  // Applied again each time the table opens (at the first call after it).
  std::vector<std::string> ExtraIndexes;  // index files opened with the table
  std::string Filter;  // engine filter expression, "" for none
  bool TurboRead = false;

  // Opens DatabaseName/TableName (file names matched without regard to case)
  // shared, or exclusive when Exclusive is set; throws DataError on failure,
  // of the kind that says why (kInUse, kNoPermission, kDriverMissing, kCannotOpen).
  // The alias is the file's stem cut to 8 characters, "~", "-" and blank made
  // "_", with "_1", "_2", ... appended while the alias is taken.
  void Open();
  void Close();
  bool Active() const { return area_ != 0; }
  int WorkArea() const { return area_; }
  const std::string& Alias() const { return alias_; }

  // ---- Moving ----
  void First();
  void Last();
  void Next();
  bool Eof();
  long RecNo();
  long RecordCount();
  // The same moves with the open-time settings applied first.
  void GoTop();
  void GoBottom();
  long MoveRecords(long count);  // records actually moved
  // True when the key is found in the current order; the found record is then
  // current, otherwise the table stands at end of file (even with soft seek on).
  bool SeekKey(const std::string& key);
  // Turns the engine's soft seek on (it stays on) and seeks.
  bool SoftSeekKey(const std::string& key);

  // ---- Reading ----
  bool FindField(const std::string& name);  // no error when absent (false)
  void CheckField(const std::string& name);  // throws the field-not-found error
  // The field's value as text: C padded to its width, numbers as stored (trimmed),
  // memo text for M. Null (nullopt) when nothing is stored (blank text or number,
  // empty memo; a stored 0 is a value) and at end of file. Throws when absent / closed.
  // Values assigned since Edit read back before Post.
  std::optional<std::string> FieldValue(const std::string& name);
  std::string FieldAsString(const std::string& name);  // "" for null
  int FieldNumber(const std::string& name);  // 0 when absent (or the table is closed)
  std::string FieldTypeName(const std::string& name);  // "C", "N", "M", ... "" when absent
  double FieldAsFloat(const std::string& name);
  long FieldAsInteger(const std::string& name);
  std::string FieldAsPaddedText(const std::string& name);
  std::string MemoText(const std::string& name, int lineWidth = 0);
  int RecordSize();
  // Bytes the .dbf lacks for the records its header counts; 0 when whole.
  long MissingBytes();
  // Whole records the file holds past the count in its header: a lowered
  // count, whose lines are never read.
  long UncountedRecords();

  // ---- Writing ----
  // Edit the current record (locks it in shared mode; a record another program
  // holds throws DataError and changes nothing), assign, post (checks every value
  // first, writes, commits and unlocks). Navigation posts a pending edit.
  void Edit();
  void SetFieldText(const std::string& name, const std::string& text);  // memo fields take any length
  void Post();
  void Cancel();

  // ---- Orders ----
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

  // Selects this table's area; returns the area that was current before. Throws when closed.
  int SelectArea();

 private:
  // Moves the engine to the table's current record (the engine pointer may
  // have been moved by other calls); the area must be selected.
  void syncEngine();
  // Takes the table's position from the engine after a navigation call.
  void readPosition();
  void requireActive(const std::string& what) const;
  void requireField(const std::string& name) { fieldSlot(name); }
  void applyOpenSettings();
  // Before a move or an index build: the table must be open (DataError naming
  // `what` otherwise); a pending edit is posted and the open-time settings applied.
  void prepareChange(const std::string& what);

  // What reading a field needs to know of it, looked up once per name and open:
  // a walk over a long report reads the same few fields millions of times.
  struct FieldSlot {
    int number = 0;  // 0: the table has no such field
    char type = '\0';
    std::size_t offset = 0;  // in the record, the deletion flag at 0
    std::size_t width = 0;
  };
  const FieldSlot* findSlot(const std::string& name);  // nullptr when absent; the table must be open
  const FieldSlot& fieldSlot(const std::string& name);  // throws the not-found error (and on a closed table)
  // FieldValue of a field already looked up.
  std::optional<std::string> valueOf(const FieldSlot& slot, const std::string& name);
  // The value of a text or number field taken from one copy of the record's
  // bytes, exactly as the engine's string reads give it. False, value untouched,
  // when the field is of another type or the copy cannot be had: the read then
  // goes through the engine.
  bool storedValue(const FieldSlot& slot, std::optional<std::string>& value);
  // The current record's bytes, copied from the engine once per record; empty when unreadable.
  const std::string& recordBytes();

  std::optional<DataError> openError_;
  std::optional<DataError> indexError_;
  int area_ = 0;
  long openCount_ = 0;  // opens so far, so the open-time settings are applied once per open
  long appliedOpen_ = 0;  // the open they were last applied to
  std::string alias_;
  bool editing_ = false;
  long lockedRecord_ = 0;
  long recNo_ = 0;
  bool eof_ = true;
  std::vector<std::pair<std::string, std::string>> pending_;  // assigned field texts until Post
  std::unordered_map<std::string, FieldSlot> slots_;
  long slotsOpen_ = 0;  // the open the slots belong to
  std::string record_;
  long recordOf_ = 0;  // the record record_ holds, 0 for none: reset by every move and change
};

// While it lives, the engine asks stop between chunks of records when it
// builds an order, and a true answer ends the build (it fails, leaving no
// order). stop must outlive this object; an empty stop is never asked.
//
// Test seam: with ZEL_STOP_IN_ORDER_BUILD=N in the environment the process
// stops itself (SIGSTOP) at this build's N-th ask and every later one, so a
// test can signal it while the build is surely under way, and see whether
// the build goes on after.
class OrderBuildStop {
 public:
  explicit OrderBuildStop(const std::function<bool()>& stop);
  ~OrderBuildStop();
  OrderBuildStop(const OrderBuildStop&) = delete;
  OrderBuildStop& operator=(const OrderBuildStop&) = delete;

  // The engine's question: true ends the build.
  bool ask();

 private:
  const std::function<bool()>& stop_;
  int pauseAt_ = 0;  // the seam's N; 0: never
  int asked_ = 0;  // the asks of this build so far
};

// Path of name inside directory, matched without regard to case when the exact
// name is absent (case-sensitive file systems). Returns directory + sep + name
// when nothing matches.
std::string ResolvePath(const std::string& directory, const std::string& name);

}  // namespace zel
