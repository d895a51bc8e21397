// TApolloEnv: the one engine-settings object of the process (the engine's
// switches: exact and soft seek, deleted records, century, dates, locks,
// memo blocks). The main window creates it; ApolloEnv points at it while it
// lives. Single-threaded, like the engine.
#pragma once

#include <string>

#include "data_error.h"

namespace zel {

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
  void SetEpoch(int year);  // clamped to 100..2999, 0 gives 1900
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

}  // namespace zel
