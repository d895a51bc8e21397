#include "apollo_env.h"
#include "sde32.h"

namespace zel {

TApolloEnv* ApolloEnv = nullptr;

namespace {

int instanceCount = 0;  // only one engine-settings object may exist

constexpr int kMinEpoch = 100;
constexpr int kMaxEpoch = 2999;
constexpr int kDefaultEpoch = 1900;
constexpr int kEngineWinDefaultDateFormat = 99;

// What the system locale gives for dfWinDefault (the Korean short date).
constexpr char kSystemShortDateFormat[] = "yyyy-MM-dd";
constexpr char kSystemDateSeparator = '-';

}  // namespace

TApolloEnv::TApolloEnv() {
  if (instanceCount > 0) throw DataError(ErrorKind::kOther, "Removing extra TApolloEnv component");
  instanceCount = 1;
  owner_ = true;
  ApolloEnv = this;
  sx_SetStringType(1);
  sx_ErrorLevel(1);
  // The engine starts from the same values the properties hold.
  sx_SetExact(exact_ ? 1 : 0);
  sx_SetCentury(century_ ? 1 : 0);
  sx_SetEpoch(epoch_);
  sx_SetDateFormat(kEngineWinDefaultDateFormat);
  sx_SetLockTimeout(lockTimeout_);
  sx_SetMemoBlockSize(memoBlockSize_);
  sx_SetSoftSeek(softSeek_ ? 1 : 0);
  sx_SetDeleted(deleted_ ? 1 : 0);
}

TApolloEnv::~TApolloEnv() {
  if (!owner_) return;
  instanceCount = 0;
  if (ApolloEnv == this) ApolloEnv = nullptr;
}

void TApolloEnv::SetExact(bool on) {
  exact_ = on;
  sx_SetExact(on ? 1 : 0);
}

void TApolloEnv::SetCentury(bool on) {
  century_ = on;
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

void TApolloEnv::SetEpoch(int year) {
  if (year == 0) year = kDefaultEpoch;
  if (year < kMinEpoch) year = kMinEpoch;
  if (year > kMaxEpoch) year = kMaxEpoch;
  epoch_ = year;
  sx_SetEpoch(year);
}

void TApolloEnv::SetDateFormat(TApolloDateFrmt format) {
  dateFormat_ = format;
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
  if (century_) SetCentury(true);
}

void TApolloEnv::SetLockTimeout(int seconds) {
  lockTimeout_ = seconds;
  sx_SetLockTimeout(seconds);
}

void TApolloEnv::SetMemoBlockSize(int size) {
  memoBlockSize_ = size;
  sx_SetMemoBlockSize(size);
}

void TApolloEnv::SetSoftSeek(bool on) {
  softSeek_ = on;
  sx_SetSoftSeek(on ? 1 : 0);
}

void TApolloEnv::SetDeleted(bool on) {
  deleted_ = on;
  sx_SetDeleted(on ? 1 : 0);
}

}  // namespace zel
