// The table access layer over the sde32 engine.
//
// TApolloEnv  the one engine-settings object of the process (switches).
// TTable      a record-oriented dataset over one engine work area: open/close,
//             first/last/next, field lookup, edit/assign/post.
// TApollo     the companion that follows a TTable: typed field access by name,
//             memo text, seek, index building and order selection. Each call
//             selects the table's work area and afterwards re-selects the area
//             that was current before.
//
// Texts are CP949 bytes. Operations that the dataset "raises" on (a field the
// table lacks, a closed table, an engine error) throw DataError.
// Single-threaded, like the engine.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "data_error.h"

namespace zel {

enum TTableType { ttDefault, ttParadox, ttDBase, ttASCII, ttSXNTX, ttSXFOX, ttSXNSX };
enum TApolloDateFrmt { dfAmerican, dfAnsi, dfBritish, dfFrench, dfGerman, dfItalian, dfSpanish, dfWinDefault };

class TApolloEnv {
 public:
  // Throws DataError("Removing extra TApolloEnv component") while another exists.
  TApolloEnv();
  ~TApolloEnv();
  TApolloEnv(const TApolloEnv&) = delete;
  TApolloEnv& operator=(const TApolloEnv&) = delete;

  bool Exact() const { return exact_; }
  void SetExact(bool on);
  bool Century() const { return century_; }
  void SetCentury(bool on);  // also rewrites ShortDateFormat ("yy" <-> "yyyy")
  int Epoch() const { return epoch_; }
  void SetEpoch(int year);   // clamped to 100..2999, 0 gives 1900
  TApolloDateFrmt DateFormat() const { return dateFormat_; }
  void SetDateFormat(TApolloDateFrmt format);
  int LockTimeout() const { return lockTimeout_; }
  void SetLockTimeout(int seconds);
  int MemoBlockSize() const { return memoBlockSize_; }
  void SetMemoBlockSize(int size);
  bool SoftSeek() const { return softSeek_; }
  void SetSoftSeek(bool on);
  bool Deleted() const { return deleted_; }
  void SetDeleted(bool on);

  // The process's short date format and date separator, as Century and DateFormat leave them.
  const std::string& ShortDateFormat() const { return shortDateFormat_; }
  char DateSeparator() const { return dateSeparator_; }

 private:
  bool exact_ = false, century_ = false, softSeek_ = false, deleted_ = false;
  int epoch_ = 1900, lockTimeout_ = 1, memoBlockSize_ = 64;
  TApolloDateFrmt dateFormat_ = dfWinDefault;
  std::string shortDateFormat_ = "yyyy-MM-dd";
  char dateSeparator_ = '-';
  bool owner_ = false;
};

// The process's engine settings object; null until the main window creates it.
// Engine calls work without it (the engine's own defaults then apply).
extern TApolloEnv* ApolloEnv;

// Why the last Open of a table failed, so messages can say what is true.
enum class OpenProblem { kNone, kInUse, kNoPermission, kOther };

class TTable {
 public:
  TTable() = default;
  ~TTable();  // closes
  TTable(const TTable&) = delete;
  TTable& operator=(const TTable&) = delete;

  std::string DatabaseName;  // directory
  std::string TableName;     // file name with extension
  TTableType TableType = ttDefault;
  bool Exclusive = false;
  std::string IndexName;     // current index tag, "" in natural order

  // Opens DatabaseName/TableName (file names matched without regard to case)
  // shared, or exclusive when Exclusive is set; throws DataError on failure.
  // The alias is the file's stem cut to 8 characters, "~", "-" and blank made
  // "_", with "_1", "_2", ... appended while the alias is taken.
  void Open();
  void Close();
  OpenProblem LastOpenProblem() const { return openProblem_; }
  bool Active() const { return area_ != 0; }
  int WorkArea() const { return area_; }
  const std::string& Alias() const { return alias_; }

  void First();
  void Last();
  void Next();
  bool Eof();
  long RecNo();
  long RecordCount();

  bool FindField(const std::string& name);            // no error when absent (false)
  void CheckField(const std::string& name);           // throws the field-not-found error
  // The field's value as text: C padded to its width, numbers as stored (trimmed),
  // memo text for M. Null (nullopt) when nothing is stored (blank text or number,
  // empty memo; a stored 0 is a value) and at end of file. Throws when absent / closed.
  // Values assigned since Edit read back before Post.
  std::optional<std::string> FieldValue(const std::string& name);
  std::string FieldAsString(const std::string& name);  // "" for null

  // Edit the current record (locks it in shared mode; a record another program
  // holds throws DataError and changes nothing), assign, post (checks every value
  // first, writes, commits and unlocks). Navigation posts a pending edit.
  void Edit();
  void SetFieldText(const std::string& name, const std::string& text);  // memo fields take any length
  void Post();
  void Cancel();

  // Selects this table's area; returns the area that was current before. Throws when closed.
  int SelectArea();

 private:
  friend class TApollo;
  // Moves the engine to this dataset's current record (the engine pointer may
  // have been moved by other calls); the area must be selected.
  void syncEngine();
  // Takes the dataset's position from the engine after a navigation call.
  void readPosition();
  void requireActive(const std::string& what) const;
  void requireField(const std::string& name);

  int area_ = 0;
  OpenProblem openProblem_ = OpenProblem::kNone;
  long openCount_ = 0;  // opens so far, so companions notice a reopened table
  std::string alias_;
  bool editing_ = false;
  long lockedRecord_ = 0;
  long recNo_ = 0;
  bool eof_ = true;
  std::vector<std::pair<std::string, std::string>> pending_;  // assigned field texts until Post
};

class TApollo {
 public:
  explicit TApollo(TTable* dataSource = nullptr);  // also sets the engine's string type (1)
  void SetDataSource(TTable* table) { table_ = table; }
  TTable* DataSet() const { return table_; }

  // Applied again each time the followed table opens (at the first call after it).
  std::vector<std::string> ExtraIndexes;  // index files opened with the table
  std::string Filter;                     // engine filter expression, "" for none
  bool TurboRead = false;

  int FieldNumber(const std::string& name);              // 0 when absent (or the table is closed)
  std::string FieldTypeName(const std::string& name);    // "C", "N", "M", ... "" when absent
  double FieldAsFloat(const std::string& name);
  long FieldAsInteger(const std::string& name);
  std::string FieldAsPaddedText(const std::string& name);
  std::string MemoText(const std::string& name, int lineWidth = 0);
  void GoTop();
  void GoBottom();
  long MoveRecords(long count);                          // records actually moved
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

  bool AssignDirectory(const std::string& directory);
  bool AssignFileName(const std::string& fileName);
  bool OpenTable(const std::string& directory, const std::string& fileName, const std::string& indexKind);
  // Shows the exclusive-use message (caption "오류") through the message service
  // when exclusive use is refused; any other failure leaves its text in
  // LastIndexError (empty after success or the exclusive-use refusal).
  bool BuildIndex(const std::string& indexFile, const std::string& tagName, const std::string& indexKind,
                  const std::string& condition, bool descending, int option, const std::string& keyExpr);
};

// Path of name inside directory, matched without regard to case when the exact
// name is absent (case-sensitive file systems). Returns directory + sep + name
// when nothing matches.
std::string ResolvePath(const std::string& directory, const std::string& name);

}  // namespace zel
