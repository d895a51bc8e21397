#include "apollo.h"

#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <string_view>

#include "area_guard.h"
#include "cp949.h"
#include "sde32.h"

namespace zel {
namespace {

const char* orNull(const std::string& s) { return s.empty() ? nullptr : s.c_str(); }

}  // namespace

TApollo::TApollo(TTable* dataSource) : table_(dataSource) { sx_SetStringType(1); }

void TApollo::applyLinkSettings() {
  if (table_ == nullptr || !table_->Active() || appliedOpen_ == table_->openCount_) return;
  appliedOpen_ = table_->openCount_;
  if (ExtraIndexes.empty() && Filter.empty() && !TurboRead) return;
  AreaGuard guard(table_->WorkArea());
  for (const auto& index : ExtraIndexes) {
    if (sx_IndexOpen(index.c_str()) <= 0) {
      throw DataError(engineError(table_->TableName + ": cannot open index " + index));
    }
  }
  if (!Filter.empty() && !sx_Query(Filter.c_str())) {
    throw DataError(engineError(table_->TableName + ": bad filter " + Filter));
  }
  sx_SetTurboRead(TurboRead ? 1 : 0);
  sx_GoTop();
  table_->readPosition();
}

void TApollo::prepareChange(const std::string& what) {
  table_->requireActive(what);
  if (table_->editing_) table_->Post();
  applyLinkSettings();
}

int TApollo::FieldNumber(const std::string& name) {
  if (table_ == nullptr || !table_->Active()) return 0;
  applyLinkSettings();
  const TTable::FieldSlot* slot = table_->findSlot(name);
  return slot != nullptr ? slot->number : 0;
}

std::string TApollo::FieldTypeName(const std::string& name) {
  if (table_ == nullptr || !table_->Active()) return {};
  applyLinkSettings();
  const TTable::FieldSlot* slot = table_->findSlot(name);
  return slot == nullptr || slot->type == '\0' ? std::string() : std::string(1, slot->type);
}

double TApollo::FieldAsFloat(const std::string& name) {
  if (table_ == nullptr) throw DataError("no table to read " + name + " from");
  const std::string text = table_->FieldAsString(name);
  const std::string_view trimmed = std::string_view(text).substr(0, text.find_last_not_of(' ') + 1);
  if (trimmed.find_first_not_of(' ') == std::string_view::npos) return 0.0;
  // Plain decimals (nearly every value) are read by from_chars, which gives
  // what strtod gives for them and is several times faster; anything else
  // (leading blanks or sign, hexadecimal, out of range) is left to strtod.
  double value = 0;
  const auto [ptr, ec] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), value);
  if (ec == std::errc() && ptr == trimmed.data() + trimmed.size()) return value;
  const std::string copy(trimmed);
  char* end = nullptr;
  value = std::strtod(copy.c_str(), &end);
  if (end == copy.c_str() || *end != '\0') {
    throw DataError(table_->TableName + ": '" + cp949Excerpt(copy) + "' in " + name + " is not a valid number");
  }
  return value;
}

long TApollo::FieldAsInteger(const std::string& name) {
  if (table_ == nullptr) throw DataError("no table to read " + name + " from");
  const std::string type = FieldTypeName(name);
  const double value = FieldAsFloat(name);
  // Numeric fields round to the nearest integer (halves to even); a text must
  // already hold an integer.
  const double rounded = std::nearbyint(value);
  if ((!isNumericType(type) && rounded != value) || !(std::fabs(rounded) <= 9.2e18)) {
    throw DataError(table_->TableName + ": " + name + " is not a valid integer");
  }
  return static_cast<long>(rounded);
}

std::string TApollo::FieldAsPaddedText(const std::string& name) {
  if (table_ == nullptr) throw DataError("no table to read " + name + " from");
  const TTable::FieldSlot& slot = table_->fieldSlot(name);  // the table is open and has the field
  std::string text = table_->valueOf(slot, name).value_or(std::string());
  applyLinkSettings();
  if (slot.type == 'C' && text.size() < slot.width) text.append(slot.width - text.size(), ' ');
  return text;
}

std::string TApollo::MemoText(const std::string& name, int lineWidth) {
  if (table_ == nullptr) throw DataError("no table to read " + name + " from");
  table_->requireField(name);
  applyLinkSettings();
  AreaGuard guard(table_->WorkArea());
  // The engine's record pointer may differ from the dataset's record: read the
  // dataset's and put the engine back where it was.
  const long engineRec = sx_RecNo();
  const long datasetRec = table_->recNo_;
  const bool move = datasetRec != engineRec && datasetRec != sx_RecCount() + 1;
  if (move) sx_Go(datasetRec);
  char* memo = sx_GetMemo(name.c_str(), lineWidth);
  std::string text;
  std::string failure;
  if (memo != nullptr) {
    text = memo;
    sx_MemDealloc(memo);
  } else {
    failure = engineError(table_->TableName + ": cannot read memo " + name);
  }
  if (move) sx_Go(engineRec);
  if (!failure.empty()) throw DataError(failure);
  return text;
}

void TApollo::GoTop() {
  if (table_ == nullptr) return;
  prepareChange("go to the top");
  AreaGuard guard(table_->WorkArea());
  sx_GoTop();
  table_->readPosition();
}

void TApollo::GoBottom() {
  if (table_ == nullptr) return;
  prepareChange("go to the bottom");
  AreaGuard guard(table_->WorkArea());
  sx_GoBottom();
  table_->readPosition();
}

long TApollo::MoveRecords(long count) {
  if (table_ == nullptr) return 0;
  prepareChange("move");
  AreaGuard guard(table_->WorkArea());
  table_->syncEngine();
  long moved = 0;
  const long step = count < 0 ? -1 : 1;
  while (moved != count) {
    if (step > 0 && table_->eof_) break;
    sx_Skip(step);
    if (step < 0 && sx_Bof()) {
      table_->readPosition();
      break;
    }
    table_->readPosition();
    if (step > 0 && table_->eof_) break;
    moved += step;
  }
  return moved;
}

bool TApollo::SeekKey(const std::string& key) {
  if (table_ == nullptr) return false;
  prepareChange("seek");
  AreaGuard guard(table_->WorkArea());
  table_->syncEngine();
  const bool found = sx_Seek(key.c_str()) != 0;
  if (!found) {
    // Even a soft seek leaves the dataset at end of file when the key is absent.
    sx_GoBottom();
    if (!sx_Eof()) sx_Skip(1);
  }
  table_->readPosition();
  return found;
}

bool TApollo::Eof() {
  if (table_ == nullptr) return true;
  return table_->Eof();
}

int TApollo::SetOrder(int order) {
  if (table_ == nullptr) return -1;
  table_->requireActive("set the order");
  applyLinkSettings();
  AreaGuard guard(table_->WorkArea());
  table_->syncEngine();
  const int result = sx_SetOrder(order);
  const char* tag = order == 0 ? "" : sx_TagName(order);
  table_->IndexName = tag == nullptr ? "" : tag;
  return result;
}

int TApollo::CurrentOrder() {
  if (table_ == nullptr) return 0;
  table_->requireActive("read the order");
  applyLinkSettings();
  AreaGuard guard(table_->WorkArea());
  return sx_IndexOrd();
}

int TApollo::OpenIndexFile(const std::string& fileName) {
  if (table_ == nullptr) return 0;
  table_->requireActive("open an index");
  applyLinkSettings();
  AreaGuard guard(table_->WorkArea());
  const int order = sx_IndexOpen(fileName.c_str());
  if (order <= 0) throw DataError(engineError(table_->TableName + ": cannot open index " + fileName));
  const char* tag = sx_TagName(order);
  table_->IndexName = tag == nullptr ? "" : tag;
  return order;
}

int TApollo::CreateIndexFile(const std::string& fileName, const std::string& expr, const std::string& condition,
                             bool descending, int option) {
  if (table_ == nullptr) return 0;
  prepareChange("build an index");
  AreaGuard guard(table_->WorkArea());
  table_->syncEngine();
  const int order = sx_Index(fileName.c_str(), expr.c_str(), option, descending ? 1 : 0, orNull(condition));
  if (order <= 0) throw DataError(engineError(table_->TableName + ": cannot build index " + fileName));
  table_->readPosition();
  return order;
}

int TApollo::CreateIndexTag(const std::string& fileName, const std::string& tagName, const std::string& condition,
                            bool descending, int option, const std::string& expr) {
  if (table_ == nullptr) return 0;
  prepareChange("build an index tag");
  AreaGuard guard(table_->WorkArea());
  table_->syncEngine();
  const int order =
      sx_IndexTag(orNull(fileName), tagName.c_str(), expr.c_str(), option, descending ? 1 : 0, orNull(condition));
  if (order <= 0) throw DataError(engineError(table_->TableName + ": cannot build index tag " + tagName));
  table_->IndexName = tagName;
  table_->readPosition();
  return order;
}

int TApollo::CreateMemoryOrder(const std::string& tagName, const std::string& expr) {
  if (table_ == nullptr) return 0;
  prepareChange("build an order");
  AreaGuard guard(table_->WorkArea());
  table_->syncEngine();
  const int order = sx_IndexTemp(tagName.c_str(), expr.c_str(), 0, 0, nullptr);
  if (order <= 0) throw DataError(engineError(table_->TableName + ": cannot build order " + tagName));
  table_->IndexName = tagName;
  table_->readPosition();
  return order;
}

int TApollo::TagOrder(const std::string& tagName) {
  if (table_ == nullptr || !table_->Active()) return 0;
  applyLinkSettings();
  AreaGuard guard(table_->WorkArea());
  return sx_TagArea(tagName.c_str());
}

std::string TApollo::TagNameOf(int order) {
  if (table_ == nullptr || !table_->Active()) return {};
  applyLinkSettings();
  AreaGuard guard(table_->WorkArea());
  const char* tag = sx_TagName(order);
  return tag == nullptr ? std::string() : std::string(tag);
}

int TApollo::RecordSize() {
  if (table_ == nullptr) return 0;
  table_->requireActive("read the record size");
  applyLinkSettings();
  AreaGuard guard(table_->WorkArea());
  return sx_RecSize();
}

long TApollo::MissingBytes() {
  if (table_ == nullptr) return 0;
  table_->requireActive("measure the table");
  AreaGuard guard(table_->WorkArea());
  return sx_SysProp(SX_SP_MISSINGBYTES);
}

long TApollo::UncountedRecords() {
  if (table_ == nullptr) return 0;
  table_->requireActive("measure the table");
  AreaGuard guard(table_->WorkArea());
  return sx_SysProp(SX_SP_UNCOUNTEDRECORDS);
}

bool SoftSeekKey(TApollo& apollo, const std::string& key) {
  if (ApolloEnv != nullptr) {
    ApolloEnv->SetSoftSeek(true);
  } else {
    sx_SetSoftSeek(1);
  }
  return apollo.SeekKey(key);
}

namespace {

// Test seam: ZEL_STOP_IN_ORDER_BUILD=N stops the process (SIGSTOP) at the
// N-th ask and every later one, so a test can signal it while the build is
// surely under way, and see whether the build goes on after.
int stopInBuildAt() {
  static const int at = [] {
    const char* hook = std::getenv("ZEL_STOP_IN_ORDER_BUILD");
    return hook != nullptr ? std::atoi(hook) : 0;
  }();
  return at;
}

int askStop(void* data) {
#ifdef SIGSTOP
  static int asked = 0;
  if (stopInBuildAt() > 0 && ++asked >= stopInBuildAt()) std::raise(SIGSTOP);
#endif
  return (*static_cast<const std::function<bool()>*>(data))() ? 1 : 0;
}

}  // namespace

OrderBuildStop::OrderBuildStop(const std::function<bool()>& stop) : stop_(stop) {
  if (stop_) sx_SetStopProc(askStop, const_cast<std::function<bool()>*>(&stop_));
}

OrderBuildStop::~OrderBuildStop() { sx_SetStopProc(nullptr, nullptr); }

}  // namespace zel
