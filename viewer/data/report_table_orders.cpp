// ReportTable's orders and indexes: seeking by key, choosing, opening and
// building orders, and the stop procedure an order build asks. Apart from
// the walk and the fields (report_table.cpp) because a reader looking for
// either rarely needs the other.
#include <csignal>
#include <cstdlib>
#include <functional>
#include <string>

#include "area_guard.h"
#include "ascii_text.h"
#include "report_table.h"
#include "sde32.h"

namespace zel {
namespace {

const char* orNull(const std::string& s) { return s.empty() ? nullptr : s.c_str(); }

}  // namespace

bool ReportTable::SeekKey(const std::string& key) {
  prepareChange("seek");
  AreaGuard guard(area_);
  syncEngine();
  const bool found = sx_Seek(key.c_str()) != 0;
  if (!found) {
    // Even a soft seek leaves the dataset at end of file when the key is absent.
    sx_GoBottom();
    if (!sx_Eof()) sx_Skip(1);
  }
  readPosition();
  return found;
}

int ReportTable::SetOrder(int order) {
  requireActive("set the order");
  applyOpenSettings();
  AreaGuard guard(area_);
  syncEngine();
  const int result = sx_SetOrder(order);
  const char* tag = order == 0 ? "" : sx_TagName(order);
  IndexName = tag == nullptr ? "" : tag;
  return result;
}

int ReportTable::CurrentOrder() {
  requireActive("read the order");
  applyOpenSettings();
  AreaGuard guard(area_);
  return sx_IndexOrd();
}

int ReportTable::OpenIndexFile(const std::string& fileName) {
  requireActive("open an index");
  applyOpenSettings();
  AreaGuard guard(area_);
  const int order = sx_IndexOpen(fileName.c_str());
  if (order <= 0) throw engineFailure(ErrorKind::kIndex, TableName + ": cannot open index " + fileName);
  const char* tag = sx_TagName(order);
  IndexName = tag == nullptr ? "" : tag;
  return order;
}

int ReportTable::CreateIndexFile(const std::string& fileName, const std::string& expr, const std::string& condition,
                                 bool descending, int option) {
  prepareChange("build an index");
  AreaGuard guard(area_);
  syncEngine();
  const int order = sx_Index(fileName.c_str(), expr.c_str(), option, descending ? 1 : 0, orNull(condition));
  if (order <= 0) throw engineFailure(ErrorKind::kIndex, TableName + ": cannot build index " + fileName);
  readPosition();
  return order;
}

int ReportTable::CreateIndexTag(const std::string& fileName, const std::string& tagName, const std::string& condition,
                                bool descending, int option, const std::string& expr) {
  prepareChange("build an index tag");
  AreaGuard guard(area_);
  syncEngine();
  const int order =
      sx_IndexTag(orNull(fileName), tagName.c_str(), expr.c_str(), option, descending ? 1 : 0, orNull(condition));
  if (order <= 0) throw engineFailure(ErrorKind::kIndex, TableName + ": cannot build index tag " + tagName);
  IndexName = tagName;
  readPosition();
  return order;
}

int ReportTable::CreateMemoryOrder(const std::string& tagName, const std::string& expr) {
  prepareChange("build an order");
  AreaGuard guard(area_);
  syncEngine();
  const int order = sx_IndexTemp(tagName.c_str(), expr.c_str(), 0, 0, nullptr);
  if (order <= 0) throw engineFailure(ErrorKind::kIndex, TableName + ": cannot build order " + tagName);
  IndexName = tagName;
  readPosition();
  return order;
}

int ReportTable::TagOrder(const std::string& tagName) {
  if (!Active()) return 0;
  applyOpenSettings();
  AreaGuard guard(area_);
  return sx_TagArea(tagName.c_str());
}

std::string ReportTable::TagNameOf(int order) {
  if (!Active()) return {};
  applyOpenSettings();
  AreaGuard guard(area_);
  const char* tag = sx_TagName(order);
  return tag == nullptr ? std::string() : std::string(tag);
}

bool ReportTable::SoftSeekKey(const std::string& key) {
  sx_SetSoftSeek(1);
  return SeekKey(key);
}

bool ReportTable::BuildIndex(const std::string& indexFile, const std::string& tagName, const std::string& indexKind,
                             const std::string& condition, bool descending, int option, const std::string& keyExpr) {
  const bool wasOpen = Active();
  indexError_.reset();
  try {
    if (wasOpen) {
      SetOrder(0);
      Close();
    }
    Exclusive = true;
    try {
      Open();
    } catch (const DataError& e) {
      indexError_.emplace(ErrorKind::kExclusiveUse, e.what(), e.sysError());
      Exclusive = false;
      if (wasOpen) Open();
      return false;
    }
    int order = 0;
    if (indexKind == "NTX" || indexKind == "IDX") {
      order = CreateIndexFile(indexFile, keyExpr, condition, descending, option);
    } else {
      order = CreateIndexTag(indexFile, tagName, condition, descending, option, keyExpr);
    }
    SetOrder(0);
    Close();
    Exclusive = false;
    if (wasOpen) {
      Open();
      if (!isBlank(indexFile)) {
        order = OpenIndexFile(indexFile);
        if (indexKind == "CDX") order = TagOrder(tagName);
      }
      SetOrder(order);
    }
    return true;
  } catch (const DataError& e) {
    indexError_ = e;
    Exclusive = false;
    return false;
  }
}

namespace {

int askStop(void* data) { return static_cast<OrderBuildStop*>(data)->ask() ? 1 : 0; }

}  // namespace

OrderBuildStop::OrderBuildStop(const std::function<bool()>& stop) : stop_(stop) {
  if (const char* hook = std::getenv("ZEL_STOP_IN_ORDER_BUILD")) pauseAt_ = std::atoi(hook);
  if (stop_) sx_SetStopProc(askStop, this);
}

bool OrderBuildStop::ask() {
#ifdef SIGSTOP
  if (pauseAt_ > 0 && ++asked_ >= pauseAt_) std::raise(SIGSTOP);
#endif
  return stop_();
}

OrderBuildStop::~OrderBuildStop() { sx_SetStopProc(nullptr, nullptr); }

}  // namespace zel
