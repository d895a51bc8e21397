// TTable: a record-oriented dataset over one engine work area: open/close,
// first/last/next, field lookup, edit/assign/post.
//
// Texts are CP949 bytes. Operations that the dataset "raises" on (a field the
// table lacks, a closed table, an engine error) throw DataError.
// Single-threaded, like the engine.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "data_error.h"

namespace zel {

enum TTableType { ttDefault, ttParadox, ttDBase, ttASCII, ttSXNTX, ttSXFOX, ttSXNSX };

class TTable {
 public:
  TTable() = default;
  ~TTable();  // closes
  TTable(const TTable&) = delete;
  TTable& operator=(const TTable&) = delete;

  std::string DatabaseName;  // directory
  std::string TableName;  // file name with extension
  TTableType TableType = ttDefault;
  bool Exclusive = false;
  std::string IndexName;  // current index tag, "" in natural order

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

  void First();
  void Last();
  void Next();
  bool Eof();
  long RecNo();
  long RecordCount();

  bool FindField(const std::string& name);  // no error when absent (false)
  void CheckField(const std::string& name);  // throws the field-not-found error
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
  void requireField(const std::string& name) { fieldSlot(name); }

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

  int area_ = 0;
  long openCount_ = 0;  // opens so far, so companions notice a reopened table
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

// Path of name inside directory, matched without regard to case when the exact
// name is absent (case-sensitive file systems). Returns directory + sep + name
// when nothing matches.
std::string ResolvePath(const std::string& directory, const std::string& name);

}  // namespace zel
