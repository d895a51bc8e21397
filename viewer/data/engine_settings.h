// EngineSettings: the engine's process-wide switches (exact and soft seek,
// deleted records, century, dates, locks, memo blocks) as one object. The
// main window (and each command-line command) creates it and keeps it for as
// long as it runs; it is handed to whatever needs to change a switch. The
// switches themselves live in the engine: reading one asks the engine, so a
// switch set elsewhere (a soft seek turns soft seek on) reads back as it is.
// Single-threaded, like the engine.
#pragma once

#include <string>

#include "data_error.h"

namespace zel {

enum EngineDateFormat { dfAmerican, dfAnsi, dfBritish, dfFrench, dfGerman, dfItalian, dfSpanish, dfWinDefault };

class EngineSettings {
 public:
  // Sets the engine's switches to the defaults below. Only one may exist, as
  // the switches are the process's: a second throws DataError("Removing extra
  // EngineSettings component") while another exists.
  EngineSettings();
  ~EngineSettings();
  EngineSettings(const EngineSettings&) = delete;
  EngineSettings& operator=(const EngineSettings&) = delete;

  bool Exact() const;  // default false
  void SetExact(bool on);
  bool Century() const;  // default false
  void SetCentury(bool on);  // also rewrites ShortDateFormat ("yy" <-> "yyyy")
  int Epoch() const;  // default 1900
  void SetEpoch(int year);  // clamped to 100..2999, 0 gives 1900
  EngineDateFormat DateFormat() const;  // default dfWinDefault
  void SetDateFormat(EngineDateFormat format);
  int LockTimeout() const;  // seconds, default 1
  void SetLockTimeout(int seconds);
  int MemoBlockSize() const;  // of memo files created later, default 64
  void SetMemoBlockSize(int size);
  bool SoftSeek() const;  // default false
  void SetSoftSeek(bool on);
  bool Deleted() const;  // true: deleted records are skipped; default false
  void SetDeleted(bool on);

  // The process's short date format and date separator, as Century and DateFormat leave them.
  const std::string& ShortDateFormat() const { return shortDateFormat_; }
  char DateSeparator() const { return dateSeparator_; }

 private:
  std::string shortDateFormat_ = "yyyy-MM-dd";
  char dateSeparator_ = '-';
  bool owner_ = false;
};

// For as long as it lives, the engine skips deleted records whatever the
// switch said before; then the switch is as it was.
class DeletedRecordsHidden {
 public:
  DeletedRecordsHidden();
  ~DeletedRecordsHidden();
  DeletedRecordsHidden(const DeletedRecordsHidden&) = delete;
  DeletedRecordsHidden& operator=(const DeletedRecordsHidden&) = delete;

 private:
  bool restore_ = false;
};

}  // namespace zel
