#include "engine_settings.h"

#include "sde32.h"

namespace zel {

namespace {

// The one process-wide count of settings objects: the engine's switches are
// the process's, so a second object would speak for them too.
int instanceCount = 0;

constexpr int kMinEpoch = 100;
constexpr int kMaxEpoch = 2999;
constexpr int kDefaultEpoch = 1900;
constexpr int kEngineWinDefaultDateFormat = 99;
constexpr int kDefaultLockTimeout = 1;
constexpr int kDefaultMemoBlockSize = 64;

// What the system locale gives for dfWinDefault (the Korean short date).
constexpr char kSystemShortDateFormat[] = "yyyy-MM-dd";
constexpr char kSystemDateSeparator = '-';

}  // namespace

EngineSettings::EngineSettings() {
  if (instanceCount > 0) throw DataError(ErrorKind::kOther, "Removing extra TApolloEnv component");
  instanceCount = 1;
  owner_ = true;
  sx_SetStringType(1);
  sx_ErrorLevel(1);
  sx_SetExact(0);
  sx_SetCentury(0);
  sx_SetEpoch(kDefaultEpoch);
  sx_SetDateFormat(kEngineWinDefaultDateFormat);
  sx_SetLockTimeout(kDefaultLockTimeout);
  sx_SetMemoBlockSize(kDefaultMemoBlockSize);
  sx_SetSoftSeek(0);
  sx_SetDeleted(0);
}

EngineSettings::~EngineSettings() {
  if (owner_) instanceCount = 0;
}

bool EngineSettings::Exact() const { return sx_SysProp(SX_SP_EXACT) != 0; }
void EngineSettings::SetExact(bool on) { sx_SetExact(on ? 1 : 0); }

bool EngineSettings::Century() const { return sx_SysProp(SX_SP_CENTURY) != 0; }

void EngineSettings::SetCentury(bool on) {
  sx_SetCentury(on ? 1 : 0);
  if (on) {
    if (shortDateFormat_.find("yyyy") == std::string::npos) {
      std::size_t p = shortDateFormat_.find("yy");
      if (p != std::string::npos) shortDateFormat_.replace(p, 2, "yyyy");
    }
  } else {
    std::size_t p = shortDateFormat_.find("yyyy");
    if (p != std::string::npos) shortDateFormat_.replace(p, 4, "yy");
  }
}

int EngineSettings::Epoch() const { return static_cast<int>(sx_SysProp(SX_SP_EPOCH)); }

void EngineSettings::SetEpoch(int year) {
  if (year == 0) year = kDefaultEpoch;
  if (year < kMinEpoch) year = kMinEpoch;
  if (year > kMaxEpoch) year = kMaxEpoch;
  sx_SetEpoch(year);
}

EngineDateFormat EngineSettings::DateFormat() const {
  const long format = sx_SysProp(SX_SP_DATEFORMAT);
  return format >= dfAmerican && format < dfWinDefault ? static_cast<EngineDateFormat>(format) : dfWinDefault;
}

void EngineSettings::SetDateFormat(EngineDateFormat format) {
  switch (format) {
    case dfAmerican:
      shortDateFormat_ = "mm/dd/yy";
      dateSeparator_ = '/';
      break;
    case dfAnsi:
      shortDateFormat_ = "yy.mm.dd";
      dateSeparator_ = '.';
      break;
    case dfGerman:
      shortDateFormat_ = "dd.mm.yy";
      dateSeparator_ = '.';
      break;
    case dfItalian:
    case dfSpanish:
      shortDateFormat_ = "dd-mm-yy";
      dateSeparator_ = '-';
      break;
    case dfBritish:
    case dfFrench:
      shortDateFormat_ = "dd/mm/yy";
      dateSeparator_ = '/';
      break;
    case dfWinDefault:
      shortDateFormat_ = kSystemShortDateFormat;
      dateSeparator_ = kSystemDateSeparator;
      break;
  }
  sx_SetDateFormat(format == dfWinDefault ? kEngineWinDefaultDateFormat : static_cast<int>(format));
  if (Century()) SetCentury(true);
}

int EngineSettings::LockTimeout() const { return static_cast<int>(sx_SysProp(SX_SP_LOCKTIMEOUT)); }
void EngineSettings::SetLockTimeout(int seconds) { sx_SetLockTimeout(seconds); }

int EngineSettings::MemoBlockSize() const { return static_cast<int>(sx_SysProp(SX_SP_NEWMEMOBLOCK)); }
void EngineSettings::SetMemoBlockSize(int size) { sx_SetMemoBlockSize(size); }

bool EngineSettings::SoftSeek() const { return sx_SysProp(SX_SP_SOFTSEEK) != 0; }
void EngineSettings::SetSoftSeek(bool on) { sx_SetSoftSeek(on ? 1 : 0); }

bool EngineSettings::Deleted() const { return sx_SysProp(SX_SP_DELETED) != 0; }
void EngineSettings::SetDeleted(bool on) { sx_SetDeleted(on ? 1 : 0); }

DeletedRecordsHidden::DeletedRecordsHidden() : restore_(sx_SysProp(SX_SP_DELETED) == 0) {
  if (restore_) sx_SetDeleted(1);
}

DeletedRecordsHidden::~DeletedRecordsHidden() {
  if (restore_) sx_SetDeleted(0);
}

}  // namespace zel
