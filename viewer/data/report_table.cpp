// ReportTable's opening, walk, fields and edits; orders and indexes are in
// report_table_orders.cpp. Still over 400 lines on purpose: reading a field,
// editing and posting share the field slots and the record buffer, and their
// rules (when a changed record is posted, what a blank field reads as) are
// read together.
#include "report_table.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

#include "area_guard.h"
#include "ascii_text.h"
#include "cp949.h"
#include "sde32.h"

namespace zel {
namespace {

constexpr std::size_t kAliasStem = 8;
constexpr char kSeparator = '/';

std::string lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

std::string joinPath(const std::string& directory, const std::string& name) {
  if (directory.empty()) return name;
  if (directory.back() == kSeparator) return directory + name;
  return directory + kSeparator + name;
}

int driverOf(TTableType type) {
  switch (type) {
    case ttSXNTX:
    case ttDBase: return SX_NTX;
    case ttSXNSX: return SX_NSX;
    case ttSXFOX:
    case ttDefault: return SX_FOX;
    case ttParadox:
    case ttASCII: break;
  }
  return 0;
}

std::string aliasStem(const std::string& path) {
  std::string stem = std::filesystem::path(path).stem().string();
  if (stem.size() > kAliasStem) stem.resize(kAliasStem);
  for (char& c : stem) {
    if (c == '~' || c == '-' || c == ' ') c = '_';
  }
  return stem;
}

}  // namespace

std::string ResolvePath(const std::string& directory, const std::string& name) {
  const std::string exact = joinPath(directory, name);
  std::error_code ec;
  if (std::filesystem::exists(exact, ec)) return exact;
  const std::string wanted = lower(name);
  std::filesystem::directory_iterator it(directory.empty() ? "." : directory, ec);
  if (!ec) {
    for (const auto& entry : it) {
      const std::string candidate = entry.path().filename().string();
      if (lower(candidate) == wanted) return joinPath(directory, candidate);
    }
  }
  return exact;
}

ReportTable::ReportTable() { sx_SetStringType(1); }

ReportTable::~ReportTable() {
  try {
    Close();
  } catch (const DataError&) {
    // Closing never reports; a failed post was already reported by Post.
  }
}

void ReportTable::requireActive(const std::string& what) const {
  if (area_ == 0) throw DataError(ErrorKind::kTableClosed, TableName + ": cannot " + what + " on a closed table");
}

const ReportTable::FieldSlot* ReportTable::findSlot(const std::string& name) {
  if (slotsOpen_ != openCount_) {
    slots_.clear();
    slotsOpen_ = openCount_;
  }
  auto it = slots_.find(name);
  if (it == slots_.end()) {
    AreaGuard guard(area_);
    FieldSlot slot;
    slot.number = sx_FieldNum(name.c_str());
    if (slot.number != 0) {
      const char* type = sx_FieldType(name.c_str());
      slot.type = type != nullptr ? type[0] : '\0';
      slot.offset = static_cast<std::size_t>(std::max(sx_FieldOffset(name.c_str()), 0));
      slot.width = static_cast<std::size_t>(std::max(sx_FieldWidth(name.c_str()), 0));
    }
    it = slots_.emplace(name, slot).first;
  }
  return it->second.number != 0 ? &it->second : nullptr;
}

const ReportTable::FieldSlot& ReportTable::fieldSlot(const std::string& name) {
  if (area_ == 0) requireActive("read field " + name);
  const FieldSlot* slot = findSlot(name);
  if (slot == nullptr) throw DataError(ErrorKind::kFieldMissing, TableName + ": field '" + name + "' not found");
  return *slot;
}

const std::string& ReportTable::recordBytes() {
  if (recordOf_ != recNo_ || recNo_ <= 0) {
    AreaGuard guard(area_);
    syncEngine();
    record_.resize(static_cast<std::size_t>(std::max(sx_RecSize(), 0)));
    if (record_.empty() || sx_GetRecord(record_.data()) != static_cast<int>(record_.size())) record_.clear();
    recordOf_ = recNo_;
  }
  return record_;
}

bool ReportTable::storedValue(const FieldSlot& slot, std::optional<std::string>& value) {
  if (slot.type != 'C' && slot.type != 'N' && slot.type != 'F') return false;
  if (editing_ || eof_ || recNo_ <= 0) return false;
  const std::string& record = recordBytes();
  if (slot.offset + slot.width > record.size()) return false;
  std::string_view text(record.data() + slot.offset, slot.width);
  if (slot.type != 'C') {
    // Numbers are read trimmed.
    const std::size_t b = text.find_first_not_of(' ');
    text = b == std::string_view::npos ? std::string_view() : text.substr(b, text.find_last_not_of(' ') - b + 1);
  }
  // The engine hands out zero-terminated strings: a stored NUL ends the value.
  text = text.substr(0, text.find('\0'));
  if (text.find_first_not_of(' ') == std::string_view::npos)
    value.reset();
  else
    value.emplace(text);
  return true;
}

void ReportTable::syncEngine() {
  if (eof_ || recNo_ <= 0) return;
  if (sx_RecNo() != recNo_) sx_Go(recNo_);
}

void ReportTable::readPosition() {
  recNo_ = sx_RecNo();
  eof_ = sx_Eof() != 0;
  recordOf_ = 0;
}

void ReportTable::Open() {
  if (area_ != 0) return;
  const int driver = driverOf(TableType);
  if (driver == 0) throw DataError(ErrorKind::kCannotOpen, TableName + ": table type not supported");
  // A name with a directory part is taken as it stands.
  const std::string path =
      TableName.find(kSeparator) != std::string::npos ? TableName : ResolvePath(DatabaseName, TableName);
  const std::string stem = aliasStem(path);
  std::string alias = stem;
  for (int n = 1; sx_WorkArea(alias.c_str()) != 0; ++n) alias = stem + "_" + std::to_string(n);

  sx_SetStringType(1);
  AreaGuard guard(0);
  const int area = sx_Use(path.c_str(), alias.c_str(), Exclusive ? SX_EXCLUSIVE : SX_SHARED, driver);
  if (area == 0) throw engineFailure(ErrorKind::kCannotOpen, "cannot open " + path);
  area_ = area;
  ++openCount_;
  alias_ = alias;
  IndexName.clear();
  editing_ = false;
  pending_.clear();
  sx_GoTop();
  readPosition();
}

void ReportTable::Close() {
  if (area_ == 0) return;
  if (editing_) Cancel();
  // Close only our own area: after the engine closed everything, the number
  // may already belong to another table.
  const char* alias = sx_Alias(area_);
  if (alias != nullptr && lower(alias) == lower(alias_)) {
    AreaGuard guard(area_);
    sx_Close();
  }
  area_ = 0;
  alias_.clear();
  IndexName.clear();
  recNo_ = 0;
  eof_ = true;
  recordOf_ = 0;
}

void ReportTable::First() {
  requireActive("go to the first record");
  if (editing_) Post();
  AreaGuard guard(area_);
  sx_GoTop();
  readPosition();
}

void ReportTable::Last() {
  requireActive("go to the last record");
  if (editing_) Post();
  AreaGuard guard(area_);
  sx_GoBottom();
  readPosition();
}

void ReportTable::Next() {
  requireActive("move to the next record");
  if (editing_) Post();
  if (eof_) return;
  AreaGuard guard(area_);
  syncEngine();
  sx_Skip(1);
  readPosition();
}

bool ReportTable::Eof() {
  requireActive("test for end of file");
  return eof_;
}

long ReportTable::RecNo() {
  requireActive("read the record number");
  return recNo_;
}

long ReportTable::RecordCount() {
  requireActive("count records");
  AreaGuard guard(area_);
  return sx_RecCount();
}

bool ReportTable::FindField(const std::string& name) {
  if (area_ == 0) return false;
  AreaGuard guard(area_);
  return sx_FieldNum(name.c_str()) != 0;
}

void ReportTable::CheckField(const std::string& name) { requireField(name); }

std::optional<std::string> ReportTable::FieldValue(const std::string& name) { return valueOf(fieldSlot(name), name); }

std::optional<std::string> ReportTable::valueOf(const FieldSlot& slot, const std::string& name) {
  // An assigned but not yet posted value is what the record holds now.
  for (auto it = pending_.rbegin(); it != pending_.rend(); ++it) {
    if (lower(it->first) == lower(name)) {
      if (it->second.find_first_not_of(' ') == std::string::npos) return std::nullopt;
      return it->second;
    }
  }
  if (eof_) return std::nullopt;
  std::optional<std::string> stored;
  if (storedValue(slot, stored)) return stored;
  AreaGuard guard(area_);
  syncEngine();
  const std::string type = sx_FieldType(name.c_str());
  // Null means nothing stored: a blank text, number or date. A stored zero is a value.
  const bool isText = type == "C" || isNumericType(type);
  if (!isText && sx_Empty(name.c_str())) return std::nullopt;
  if (type == "M") {
    char* memo = sx_GetMemo(name.c_str(), 0);
    if (memo == nullptr) throw engineFailure(ErrorKind::kMemoDamaged, TableName + ": cannot read memo " + name);
    std::string text(memo);
    sx_MemDealloc(memo);
    return text;
  }
  const char* value = type == "C" ? sx_GetString(name.c_str()) : sx_GetTrimString(name.c_str());
  if (value == nullptr) throw engineFailure(ErrorKind::kReadFailed, TableName + ": cannot read field " + name);
  std::string text(value);
  if (isText && text.find_first_not_of(' ') == std::string::npos) return std::nullopt;
  return text;
}

std::string ReportTable::FieldAsString(const std::string& name) { return FieldValue(name).value_or(std::string()); }

void ReportTable::Edit() {
  requireActive("edit");
  if (editing_) return;
  if (eof_) throw DataError(ErrorKind::kReadFailed, TableName + ": no current record to edit");
  AreaGuard guard(area_);
  syncEngine();
  if (!Exclusive) {
    if (!sx_Rlock(recNo_)) {
      std::string text = TableName + ": record " + std::to_string(recNo_) + " is in use by another user";
      const DataError cause = engineFailure(ErrorKind::kInUse, "");
      if (*cause.what() != '\0') text += std::string(" (") + cause.what() + ")";
      throw DataError(cause.kind(), text, cause.sysError());
    }
    lockedRecord_ = recNo_;
  }
  editing_ = true;
  pending_.clear();
  recordOf_ = 0;  // the lock may have read the record afresh
}

void ReportTable::SetFieldText(const std::string& name, const std::string& text) {
  requireField(name);
  if (!editing_) throw DataError(ErrorKind::kWriteFailed, TableName + ": not in edit mode (assigning " + name + ")");
  pending_.emplace_back(name, text);
}

void ReportTable::Post() {
  requireActive("post");
  if (!editing_) return;
  AreaGuard guard(area_);
  const long rec = recNo_;
  if (sx_RecNo() != rec) sx_Go(rec);
  // The record as it stands, put back when a field cannot be written: the
  // unlock below commits what the engine holds, which would keep the fields
  // written before the failure. (A failed commit drops the change itself.)
  std::string before(static_cast<std::size_t>(std::max(sx_RecSize(), 0)), '\0');
  const bool haveBefore = !before.empty() && sx_GetRecord(before.data()) == static_cast<int>(before.size());
  std::optional<DataError> failure;
  // Check every value before writing any, so a bad value leaves the record as it was.
  for (const auto& [name, text] : pending_) {
    if (!isNumericType(sx_FieldType(name.c_str()))) continue;
    char* end = nullptr;
    std::strtod(text.c_str(), &end);
    if (text.find_first_not_of(' ') != std::string::npos &&
        std::string(end).find_first_not_of(' ') != std::string::npos) {
      failure = DataError(ErrorKind::kBadNumber, "'" + text + "' is not a valid number for " + name);
    }
  }
  for (const auto& [name, text] : pending_) {
    if (failure) break;
    const std::string type = sx_FieldType(name.c_str());
    int ok = 0;
    if (type == "M") {
      ok = sx_PutBlob(name.c_str(), text.data(), static_cast<long>(text.size()));
    } else if (isNumericType(type)) {
      double number = std::strtod(text.c_str(), nullptr);
      ok = sx_Replace(name.c_str(), SX_R_DOUBLE, &number);
    } else if (type == "L") {
      int flag = !text.empty() && (text[0] == 'T' || text[0] == 't' || text[0] == 'Y' || text[0] == 'y');
      ok = sx_Replace(name.c_str(), SX_R_LOGICAL, &flag);
    } else if (type == "D") {
      ok = sx_Replace(name.c_str(), SX_R_DATESTR, text.c_str());
    } else {
      ok = sx_Replace(name.c_str(), SX_R_STRING, text.c_str());
    }
    if (!ok) {
      failure = engineFailure(ErrorKind::kWriteFailed, TableName + ": cannot write field " + name);
      if (haveBefore) sx_PutRecord(before.data());
      break;
    }
  }
  if (!failure && !sx_Commit())
    failure = engineFailure(ErrorKind::kWriteFailed, TableName + ": cannot post record " + std::to_string(rec));
  if (lockedRecord_ != 0) sx_Unlock(lockedRecord_);
  lockedRecord_ = 0;
  editing_ = false;
  pending_.clear();
  recordOf_ = 0;
  if (failure) throw *failure;
}

void ReportTable::Cancel() {
  if (!editing_) return;
  if (area_ != 0 && lockedRecord_ != 0) {
    AreaGuard guard(area_);
    sx_Unlock(lockedRecord_);
  }
  lockedRecord_ = 0;
  editing_ = false;
  pending_.clear();
  recordOf_ = 0;
}

int ReportTable::SelectArea() {
  requireActive("select its work area");
  return sx_Select(area_);
}

void ReportTable::applyOpenSettings() {
  if (!Active() || appliedOpen_ == openCount_) return;
  appliedOpen_ = openCount_;
  if (ExtraIndexes.empty() && Filter.empty() && !TurboRead) return;
  AreaGuard guard(area_);
  for (const auto& index : ExtraIndexes) {
    if (sx_IndexOpen(index.c_str()) <= 0) {
      throw engineFailure(ErrorKind::kIndex, TableName + ": cannot open index " + index);
    }
  }
  if (!Filter.empty() && !sx_Query(Filter.c_str())) {
    throw engineFailure(ErrorKind::kOther, TableName + ": bad filter " + Filter);
  }
  sx_SetTurboRead(TurboRead ? 1 : 0);
  sx_GoTop();
  readPosition();
}

void ReportTable::prepareChange(const std::string& what) {
  requireActive(what);
  if (editing_) Post();
  applyOpenSettings();
}

int ReportTable::FieldNumber(const std::string& name) {
  if (!Active()) return 0;
  applyOpenSettings();
  const FieldSlot* slot = findSlot(name);
  return slot != nullptr ? slot->number : 0;
}

std::string ReportTable::FieldTypeName(const std::string& name) {
  if (!Active()) return {};
  applyOpenSettings();
  const FieldSlot* slot = findSlot(name);
  return slot == nullptr || slot->type == '\0' ? std::string() : std::string(1, slot->type);
}

double ReportTable::FieldAsFloat(const std::string& name) {
  const std::string text = FieldAsString(name);
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
    throw DataError(ErrorKind::kBadNumber,
                    TableName + ": '" + cp949Excerpt(copy) + "' in " + name + " is not a valid number");
  }
  return value;
}

long ReportTable::FieldAsInteger(const std::string& name) {
  const std::string type = FieldTypeName(name);
  const double value = FieldAsFloat(name);
  // Numeric fields round to the nearest integer (halves to even); a text must
  // already hold an integer.
  const double rounded = std::nearbyint(value);
  if ((!isNumericType(type) && rounded != value) || !(std::fabs(rounded) <= 9.2e18)) {
    throw DataError(ErrorKind::kBadNumber, TableName + ": " + name + " is not a valid integer");
  }
  return static_cast<long>(rounded);
}

std::string ReportTable::FieldAsPaddedText(const std::string& name) {
  const FieldSlot& slot = fieldSlot(name);  // the table is open and has the field
  std::string text = valueOf(slot, name).value_or(std::string());
  applyOpenSettings();
  if (slot.type == 'C' && text.size() < slot.width) text.append(slot.width - text.size(), ' ');
  return text;
}

std::string ReportTable::MemoText(const std::string& name, int lineWidth) {
  requireField(name);
  applyOpenSettings();
  AreaGuard guard(area_);
  // The engine's record pointer may differ from the dataset's record: read the
  // dataset's and put the engine back where it was.
  const long engineRec = sx_RecNo();
  const long datasetRec = recNo_;
  const bool move = datasetRec != engineRec && datasetRec != sx_RecCount() + 1;
  if (move) sx_Go(datasetRec);
  char* memo = sx_GetMemo(name.c_str(), lineWidth);
  std::string text;
  std::optional<DataError> failure;
  if (memo != nullptr) {
    text = memo;
    sx_MemDealloc(memo);
  } else {
    failure = engineFailure(ErrorKind::kMemoDamaged, TableName + ": cannot read memo " + name);
  }
  if (move) sx_Go(engineRec);
  if (failure) throw *failure;
  return text;
}

void ReportTable::GoTop() {
  prepareChange("go to the top");
  AreaGuard guard(area_);
  sx_GoTop();
  readPosition();
}

void ReportTable::GoBottom() {
  prepareChange("go to the bottom");
  AreaGuard guard(area_);
  sx_GoBottom();
  readPosition();
}

long ReportTable::MoveRecords(long count) {
  prepareChange("move");
  AreaGuard guard(area_);
  syncEngine();
  long moved = 0;
  const long step = count < 0 ? -1 : 1;
  while (moved != count) {
    if (step > 0 && eof_) break;
    sx_Skip(step);
    if (step < 0 && sx_Bof()) {
      readPosition();
      break;
    }
    readPosition();
    if (step > 0 && eof_) break;
    moved += step;
  }
  return moved;
}

int ReportTable::RecordSize() {
  requireActive("read the record size");
  applyOpenSettings();
  AreaGuard guard(area_);
  return sx_RecSize();
}

long ReportTable::MissingBytes() {
  requireActive("measure the table");
  AreaGuard guard(area_);
  return sx_SysProp(SX_SP_MISSINGBYTES);
}

long ReportTable::UncountedRecords() {
  requireActive("measure the table");
  AreaGuard guard(area_);
  return sx_SysProp(SX_SP_UNCOUNTEDRECORDS);
}

bool ReportTable::AssignDirectory(const std::string& directory) {
  // The dataset refuses to change its directory while open.
  if (Active()) return false;
  DatabaseName = directory;
  Directory = directory;
  return true;
}

bool ReportTable::AssignFileName(const std::string& fileName) {
  if (Active()) return false;
  TableName = fileName;
  FileName = fileName;
  return true;
}

bool ReportTable::OpenTable(const std::string& directory, const std::string& fileName, const std::string& indexKind) {
  if (IsOpen) Close();
  openError_.reset();
  auto refuse = [this](ErrorKind kind, std::string why) {
    openError_.emplace(kind, why);
    return false;
  };
  if (!AssignDirectory(directory) || !AssignFileName(fileName)) return refuse(ErrorKind::kCannotOpen, "no table name");
  const std::string path = ResolvePath(directory, fileName);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return refuse(ErrorKind::kFileMissing, path + ": no such file");
  TTableType type;
  if (indexKind == "CDX") {
    type = ttSXFOX;
  } else if (indexKind == "NTX") {
    type = ttSXNTX;
  } else if (indexKind == "NSX") {
    type = ttSXNSX;
  } else {
    return refuse(ErrorKind::kCannotOpen, "unknown index kind " + indexKind);
  }
  TableType = type;
  Exclusive = false;
  try {
    Open();
  } catch (const DataError& e) {
    openError_ = e;
    return false;
  }
  IsOpen = true;
  return true;
}

DataError ReportTable::NotAReportReason() const {
  if (IsOpen) return DataError(ErrorKind::kFieldMissing, ResolvePath(Directory, FileName) + ": no field F_INIT");
  return openError_.value_or(DataError(ErrorKind::kCannotOpen, ResolvePath(Directory, FileName) + ": not opened"));
}

}  // namespace zel
