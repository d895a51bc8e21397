// The C interface of sde32 over the engine's C++ core. Every entry point
// catches everything: no exception crosses into the caller.
#include "sde32.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

#include "ascii_text.h"
#include "driver_loader.h"
#include "engine.h"
#include "file_faults.h"
#include "field_codec.h"
#include "os_file.h"
#include "tag_file.h"

using sde::Engine;
using sde::WorkArea;

namespace {

constexpr const char* kVersion = "SDE32 1.0";

Engine& eng() { return Engine::instance(); }

WorkArea* need() {
  WorkArea* a = eng().current();
  if (!a) eng().fail("no table is open in work area " + std::to_string(eng().currentNumber()));
  return a;
}

const char* keep(WorkArea* a, std::string text) {
  std::string& s = a->scratch();
  s = std::move(text);
  return s.c_str();
}

const sde::FieldDesc* needField(WorkArea* a, const char* name) {
  if (!name) {
    eng().fail("no field name given");
    return nullptr;
  }
  const sde::FieldDesc* f = a->table().field(name);
  if (!f) eng().fail(std::string("field ") + name + " not found in " + a->table().path());
  return f;
}

// A file's name without directory and extension, in upper case: the default alias or tag name.
std::string upperStem(const std::string& path) { return zel::asciiUpper(sde::stripExtension(sde::baseName(path))); }

// Resolves a table path: exact, then without regard to case, then with ".dbf".
std::string resolveTablePath(const std::string& path) {
  if (sde::fileExists(path)) return path;
  std::string dir = sde::dirName(path);
  std::string name = sde::baseName(path);
  std::string found = sde::findFileNoCase(dir, name);
  if (!found.empty()) return found;
  if (sde::extensionOf(name).empty()) return sde::findFileNoCase(dir, name + ".dbf");
  return {};
}

// The path of an index file named by the caller: beside the table unless it has
// a directory, with the driver's extension unless it has one, existing spelling first.
std::string resolveIndexPath(WorkArea* a, const std::string& fileName) {
  std::string name = fileName;
  if (sde::extensionOf(sde::baseName(name)).empty()) name += a->driver()->indexExt;
  std::string dir = sde::dirName(name);
  if (dir.empty() && name.find(':') == std::string::npos) dir = sde::dirName(a->table().path());
  std::string base = sde::baseName(name);
  std::string found = sde::findFileNoCase(dir, base);
  if (!found.empty()) return found;
  return dir.empty() ? base : dir + "/" + base;
}

// The table's own compound index: its base name with the driver's extension,
// spelt in the case of the table's extension when it does not exist yet.
std::string productionIndexPath(sde::Table& t, const SdeDriverInfo* drv) {
  std::string dir = sde::dirName(t.path());
  std::string stem = sde::stripExtension(sde::baseName(t.path()));
  std::string found = sde::findFileNoCase(dir, stem + drv->indexExt);
  if (!found.empty()) return found;
  return (dir.empty() ? std::string() : dir + "/") + stem + sde::extensionLike(t.path(), drv->indexExt);
}

void openProductionIndex(WorkArea* a) {
  if (!a->driver()->compound || a->driver()->kind != SX_FOX) return;
  std::string path = productionIndexPath(a->table(), a->driver());
  sde::TagFile tf;
  sde::TagFileCheck check;
  // A damaged or foreign index file only costs its orders; the table still opens.
  if (!sde::readTagFile(path, &tf, &check) || check != sde::TagFileCheck::kOurs) return;
  for (const sde::TagDef& t : tf.tags) a->addOrder(t, path, SX_FOX, false);
}

int addIndex(WorkArea* a, const std::string& path, const sde::TagDef& def, bool single) {
  // Build first: a bad expression must not leave a definition behind.
  int before = a->orderCount();
  auto order = a->addOrder(def, path, a->driver()->kind, true);
  if (!order) return eng().fail(order.status());
  auto undo = [&] {
    if (a->orderCount() > before) a->removeOrder(*order);
  };
  sde::TagFile tf;
  sde::TagFileCheck check;
  if (!single) {
    if (auto s = sde::readTagFile(path, &tf, &check); !s) tf = sde::TagFile{};
    if (check != sde::TagFileCheck::kOurs) tf = sde::TagFile{};
  }
  tf.driver = a->driver()->kind;
  auto same = std::find_if(tf.tags.begin(), tf.tags.end(),
                           [&](const sde::TagDef& t) { return sde::equalNoCase(t.name, def.name); });
  if (same != tf.tags.end())
    *same = def;
  else
    tf.tags.push_back(def);
  if (tf.tags.size() > sde::kMaxTagsPerFile) {
    undo();
    return eng().fail("too many tags in index file " + path);
  }
  // Only the definition is written; the keys stay in memory.
  if (auto s = sde::writeTagFile(path, tf); !s) {
    undo();
    return eng().fail(s);
  }
  auto prev = a->setOrder(*order);
  if (!prev) return eng().fail(prev.status());
  if (auto s = a->goTop(); !s) return eng().fail(s);
  return *order;
}

// A call's value, or `failed` with the engine's last error set from its status.
template <typename T, typename U>
U valueOr(const zel::Result<T>& result, U failed) {
  if (!result) {
    eng().fail(result.status());
    return failed;
  }
  return static_cast<U>(*result);
}

template <typename F>
auto guarded(F f, decltype(f()) onError) -> decltype(f()) {
  try {
    return f();
  } catch (const std::bad_alloc&) {
    eng().fail("out of memory");
  } catch (const std::exception& e) {
    eng().fail(std::string("internal error: ") + e.what());
  } catch (...) {
    eng().fail("internal error");
  }
  return onError;
}

template <typename F>
void guardedVoid(F f) {
  guarded(
      [&] {
        f();
        return 0;
      },
      0);
}

}  // namespace

extern "C" {

// ---- Set-up ----

SDE_API int sx_SetStringType(int type) {
  int prev = eng().stringType;
  eng().stringType = type;
  return prev;
}

SDE_API int sx_ErrorLevel(int level) {
  int prev = eng().errorLevel;
  eng().errorLevel = level;
  return prev;
}

SDE_API const char* sx_Version(void) { return kVersion; }

SDE_API long sx_SysProp(int prop) {
  return guarded(
      [&]() -> long {
        switch (prop) {
          case SX_SP_WORKAREAS: return eng().openCount();
          case SX_SP_MAXAREAS: return sde::kMaxAreas;
          case SX_SP_MEMOBLOCK: {
            WorkArea* a = eng().current();
            return a ? long(a->table().memoBlockSize()) : 0;
          }
          case SX_SP_HEADERSIZE: {
            WorkArea* a = eng().current();
            return a ? long(a->table().header().headerLen) : 0;
          }
          case SX_SP_MISSINGBYTES: {
            WorkArea* a = eng().current();
            return a ? long(std::min<uint64_t>(a->table().missingBytes(), uint64_t(LONG_MAX))) : 0;
          }
          case SX_SP_UNCOUNTEDRECORDS: {
            WorkArea* a = eng().current();
            return a ? long(std::min<uint64_t>(a->table().uncountedRecords(), uint64_t(LONG_MAX))) : 0;
          }
          default: eng().fail("unknown property " + std::to_string(prop)); return 0;
        }
      },
      0L);
}

SDE_API const char* sx_LastError(void) { return eng().lastError().c_str(); }
SDE_API void sx_FailNthFileOperation(int operation, long nth) {
  sde::failNthFileOperation(operation == SX_FAULT_SYNC ? sde::FileOperation::kSync : sde::FileOperation::kWrite, nth);
}

SDE_API int sx_LastErrorKind(void) {
  if (eng().lastError().empty()) return SX_ERR_NONE;
  return eng().lastFailureBusy() ? SX_ERR_BUSY : SX_ERR_OTHER;
}

// ---- Switches ----

SDE_API void sx_SetDeleted(int on) { eng().switches.deleted = on != 0; }
SDE_API void sx_SetExact(int on) { eng().switches.exact = on != 0; }
SDE_API void sx_SetCentury(int on) { eng().switches.century = on != 0; }
SDE_API void sx_SetSoftSeek(int on) { eng().switches.softSeek = on != 0; }
SDE_API void sx_SetEpoch(int year) { eng().switches.epoch = year; }
SDE_API void sx_SetDateFormat(int format) { eng().switches.dateFormat = format; }
SDE_API void sx_SetLockTimeout(int seconds) { eng().switches.lockTimeoutSec = std::max(0, seconds); }
SDE_API void sx_SetMemoBlockSize(int size) {
  if (size >= 1 && size <= 0xFFFF) eng().switches.memoBlockSize = uint32_t(size);
}
SDE_API void sx_SetTurboRead(int on) { eng().switches.turboRead = on != 0; }
SDE_API void sx_SetStopProc(SX_STOPPROC proc, void* data) {
  eng().switches.stopProc = proc;
  eng().switches.stopData = proc != nullptr ? data : nullptr;
}

// ---- Work areas ----

SDE_API int sx_Use(const char* path, const char* alias, int openMode, int driver) {
  return guarded(
      [&]() -> int {
        if (!path || !*path) return eng().fail("no table file name given");
        if (openMode < SX_SHARED || openMode > SX_EXCLUSIVE)
          return eng().fail("unknown open mode " + std::to_string(openMode));
        auto drv = sde::loadDriver(driver);
        if (!drv) return eng().fail(drv.status());
        std::string resolved = resolveTablePath(path);
        if (resolved.empty()) return eng().fail(std::string("table not found: ") + path);
        std::string name = alias && *alias ? alias : upperStem(resolved);
        if (eng().findAlias(name)) return eng().fail("alias " + name + " is already in use");
        int number = eng().freeNumber();
        if (number == 0) return eng().fail("all " + std::to_string(sde::kMaxAreas) + " work areas are in use");
        auto table = sde::Table::open(resolved, sde::OpenMode(openMode), eng().switches.lockTimeoutSec * 1000);
        if (!table) return eng().fail(table.status());
        auto area = std::make_unique<WorkArea>(number, name, std::move(*table), *drv, eng().switches);
        WorkArea* a = area.get();
        eng().install(std::move(area));
        openProductionIndex(a);
        return number;
      },
      0);
}

SDE_API void sx_Close(void) {
  guardedVoid([] { eng().close(eng().currentNumber()); });
}

SDE_API void sx_CloseAll(void) {
  guardedVoid([] { eng().closeAll(); });
}

SDE_API int sx_Select(int area) { return eng().select(area); }

SDE_API int sx_WorkArea(const char* alias) {
  if (!alias) return eng().current() ? eng().currentNumber() : 0;
  return eng().findAlias(alias);
}

SDE_API const char* sx_Alias(int area) {
  WorkArea* a = area == 0 ? eng().current() : eng().area(area);
  if (!a) return "";
  return a->alias().c_str();
}

SDE_API const char* sx_BaseName(void) {
  WorkArea* a = need();
  if (!a) return "";
  return keep(a, sde::stripExtension(sde::baseName(a->table().path())));
}

// ---- Navigation ----

SDE_API void sx_GoTop(void) {
  guardedVoid([] {
    if (WorkArea* a = need())
      if (auto s = a->goTop(); !s) eng().fail(s);
  });
}
SDE_API void sx_GoBottom(void) {
  guardedVoid([] {
    if (WorkArea* a = need())
      if (auto s = a->goBottom(); !s) eng().fail(s);
  });
}
SDE_API void sx_Skip(long count) {
  guardedVoid([&] {
    if (WorkArea* a = need())
      if (auto s = a->skip(count); !s) eng().fail(s);
  });
}
SDE_API void sx_Go(long recNo) {
  guardedVoid([&] {
    if (WorkArea* a = need())
      if (auto s = a->go(recNo); !s) eng().fail(s);
  });
}
SDE_API long sx_RecNo(void) {
  WorkArea* a = need();
  return a ? long(a->recNo()) : 0;
}
SDE_API long sx_RecCount(void) {
  WorkArea* a = need();
  if (!a) return 0;
  a->table().refreshCount();
  return long(a->table().recCount());
}
SDE_API int sx_Eof(void) {
  WorkArea* a = need();
  return a ? a->eof() : 1;
}
SDE_API int sx_Bof(void) {
  WorkArea* a = need();
  return a ? a->bof() : 1;
}
SDE_API int sx_Deleted(void) {
  WorkArea* a = need();
  return a && !a->eof() && a->buffer()[0] == '*';
}

// ---- Reading ----

SDE_API int sx_FieldCount(void) {
  WorkArea* a = need();
  return a ? int(a->table().header().fields.size()) : 0;
}

SDE_API const char* sx_FieldName(int fieldNum) {
  WorkArea* a = need();
  if (!a) return nullptr;
  const auto& fields = a->table().header().fields;
  if (fieldNum < 1 || size_t(fieldNum) > fields.size()) {
    eng().fail("field number " + std::to_string(fieldNum) + " out of range");
    return nullptr;
  }
  return fields[size_t(fieldNum - 1)].name.c_str();
}

SDE_API int sx_FieldNum(const char* name) {
  WorkArea* a = need();
  if (!a || !name) return 0;
  return a->table().fieldIndex(name) + 1;
}

SDE_API const char* sx_FieldType(const char* name) {
  return guarded(
      [&]() -> const char* {
        WorkArea* a = need();
        if (!a || !name) return "";
        const sde::FieldDesc* f = a->table().field(name);
        if (!f) return "";
        return keep(a, std::string(1, f->type));
      },
      "");
}

SDE_API int sx_FieldWidth(const char* name) {
  WorkArea* a = need();
  const sde::FieldDesc* f = a ? needField(a, name) : nullptr;
  return f ? int(f->width) : 0;
}

SDE_API int sx_FieldDecimals(const char* name) {
  WorkArea* a = need();
  const sde::FieldDesc* f = a ? needField(a, name) : nullptr;
  return f ? int(f->decimals) : 0;
}

SDE_API int sx_FieldOffset(const char* name) {
  WorkArea* a = need();
  const sde::FieldDesc* f = a ? needField(a, name) : nullptr;
  return f ? int(f->offset) : 0;
}

SDE_API int sx_RecSize(void) {
  WorkArea* a = need();
  return a ? int(a->table().recLen()) : 0;
}

SDE_API int sx_GetRecord(char* buffer) {
  WorkArea* a = need();
  if (!a || !buffer) return 0;
  std::memcpy(buffer, a->buffer().data(), a->buffer().size());
  return int(a->buffer().size());
}

SDE_API const char* sx_GetString(const char* name) {
  return guarded(
      [&]() -> const char* {
        WorkArea* a = need();
        const sde::FieldDesc* f = a ? needField(a, name) : nullptr;
        if (!f) return "";
        return keep(a, sde::fieldText(a->table().header(), *f, a->buffer().data()));
      },
      "");
}

SDE_API const char* sx_GetTrimString(const char* name) {
  return guarded(
      [&]() -> const char* {
        WorkArea* a = need();
        const sde::FieldDesc* f = a ? needField(a, name) : nullptr;
        if (!f) return "";
        std::string s = sde::fieldText(a->table().header(), *f, a->buffer().data());
        size_t b = s.find_first_not_of(' ');
        if (b == std::string::npos) return keep(a, "");
        size_t e = s.find_last_not_of(' ');
        return keep(a, s.substr(b, e - b + 1));
      },
      "");
}

SDE_API const char* sx_GetDateString(const char* name) {
  return guarded(
      [&]() -> const char* {
        WorkArea* a = need();
        const sde::FieldDesc* f = a ? needField(a, name) : nullptr;
        if (!f) return "";
        std::string ymd = sde::fieldText(a->table().header(), *f, a->buffer().data()).substr(0, 8);
        if (f->type != 'D' && f->type != 'T') {
          eng().fail("field " + f->name + " is not a date");
          return "";
        }
        return keep(a, sde::formatDate(ymd, eng().switches.dateFormat, eng().switches.century));
      },
      "");
}

SDE_API int sx_GetLogical(const char* name) {
  WorkArea* a = need();
  const sde::FieldDesc* f = a ? needField(a, name) : nullptr;
  return f ? sde::fieldLogical(*f, a->buffer().data()) : 0;
}

SDE_API double sx_GetDouble(const char* name) {
  WorkArea* a = need();
  const sde::FieldDesc* f = a ? needField(a, name) : nullptr;
  return f ? sde::fieldNumber(a->table().header(), *f, a->buffer().data()) : 0;
}

SDE_API long sx_GetLong(const char* name) {
  double v = sx_GetDouble(name);
  if (!(v > -9.2e18 && v < 9.2e18)) return 0;
  return long(v);
}

SDE_API int sx_Empty(const char* name) {
  WorkArea* a = need();
  const sde::FieldDesc* f = a ? needField(a, name) : nullptr;
  return f ? sde::fieldEmpty(a->table().header(), *f, a->buffer().data()) : 1;
}

SDE_API char* sx_GetMemo(const char* name, int lineWidth) {
  return guarded(
      [&]() -> char* {
        WorkArea* a = need();
        const sde::FieldDesc* f = a ? needField(a, name) : nullptr;
        if (!f) return nullptr;
        if (!a->table().header().isMemoField(*f)) {
          eng().fail("field " + f->name + " is not a memo field");
          return nullptr;
        }
        std::string text;
        if (auto s = a->table().readMemo(a->buffer().data(), *f, &text); !s) {
          eng().fail(s);
          return nullptr;
        }
        if (lineWidth > 0) {
          // Hard-wrap long lines at blanks where possible.
          std::string out;
          size_t col = 0, lastBlank = std::string::npos;
          for (char c : text) {
            out += c;
            if (c == '\n') {
              col = 0;
              lastBlank = std::string::npos;
              continue;
            }
            if (c == ' ') lastBlank = out.size() - 1;
            if (++col > size_t(lineWidth)) {
              if (lastBlank != std::string::npos && out.size() - lastBlank - 1 < size_t(lineWidth)) {
                out.replace(lastBlank, 1, "\r\n");
                col = out.size() - lastBlank - 2;
              } else {
                out.insert(out.size() - 1, "\r\n");
                col = 1;
              }
              lastBlank = std::string::npos;
            }
          }
          text = std::move(out);
        }
        char* p = static_cast<char*>(std::malloc(text.size() + 1));
        if (!p) {
          eng().fail("out of memory");
          return nullptr;
        }
        std::memcpy(p, text.data(), text.size());
        p[text.size()] = '\0';
        return p;
      },
      nullptr);
}

SDE_API long sx_GetBlobLength(const char* name) {
  return guarded(
      [&]() -> long {
        WorkArea* a = need();
        const sde::FieldDesc* f = a ? needField(a, name) : nullptr;
        if (!f) return 0;
        return valueOr(a->table().memoLength(a->buffer().data(), *f), 0L);
      },
      0L);
}

SDE_API long sx_GetBlob(const char* name, void* buffer, long size) {
  return guarded(
      [&]() -> long {
        WorkArea* a = need();
        const sde::FieldDesc* f = a ? needField(a, name) : nullptr;
        if (!f || !buffer || size <= 0) return 0;
        std::string text;
        if (auto s = a->table().readMemo(a->buffer().data(), *f, &text); !s) {
          eng().fail(s);
          return 0;
        }
        size_t n = std::min(text.size(), size_t(size));
        std::memcpy(buffer, text.data(), n);
        return long(n);
      },
      0L);
}

SDE_API void sx_MemDealloc(void* p) { std::free(p); }

// ---- Writing ----

SDE_API int sx_Rlock(long recNo) {
  return guarded(
      [&]() -> int {
        WorkArea* a = need();
        if (!a) return 0;
        if (recNo < 1) return eng().fail("cannot lock record " + std::to_string(recNo));
        a->table().refreshCount();
        if (auto s = a->lock(uint32_t(recNo)); !s) return eng().fail(s);
        return 1;
      },
      0);
}

SDE_API void sx_Unlock(long recNo) {
  guardedVoid([&] {
    WorkArea* a = need();
    if (!a) return;
    if (auto s = a->commit(); !s) eng().fail(s);
    a->unlock(recNo < 0 ? 0 : uint32_t(recNo));
  });
}

SDE_API int sx_Replace(const char* name, int type, const void* value) {
  return guarded(
      [&]() -> int {
        WorkArea* a = need();
        const sde::FieldDesc* f = a ? needField(a, name) : nullptr;
        if (!f) return 0;
        if (auto s = a->checkWrite(); !s) return eng().fail(s);
        if (type < SX_R_STRING || type > SX_R_MEMO) return eng().fail("unknown value type " + std::to_string(type));
        if (a->table().header().isMemoField(*f)) {
          if (type != SX_R_MEMO && type != SX_R_STRING) return eng().fail("memo field " + f->name + " takes text");
          const char* text = static_cast<const char*>(value);
          if (!text) return eng().fail("no value given for field " + f->name);
          if (auto s = a->putMemo(*f, text, std::strlen(text)); !s) return eng().fail(s);
          return 1;
        }
        std::vector<uint8_t> rec = a->buffer();
        if (auto s = sde::storeField(a->table().header(), *f, rec.data(), sde::ReplaceKind(type), value); !s)
          return eng().fail(s);
        std::memcpy(a->mutableBuffer(), rec.data(), rec.size());
        return 1;
      },
      0);
}

SDE_API int sx_PutBlob(const char* name, const void* data, long length) {
  return guarded(
      [&]() -> int {
        WorkArea* a = need();
        const sde::FieldDesc* f = a ? needField(a, name) : nullptr;
        if (!f) return 0;
        if (!a->table().header().isMemoField(*f)) return eng().fail("field " + f->name + " is not a memo field");
        if (length < 0 || (length > 0 && !data)) return eng().fail("invalid memo data for field " + f->name);
        if (auto s = a->putMemo(*f, data, size_t(length)); !s) return eng().fail(s);
        return 1;
      },
      0);
}

SDE_API int sx_PutRecord(const char* buffer) {
  return guarded(
      [&]() -> int {
        WorkArea* a = need();
        if (!a || !buffer) return a ? eng().fail("no record buffer given") : 0;
        if (auto s = a->checkWrite(); !s) return eng().fail(s);
        std::memcpy(a->mutableBuffer(), buffer, a->table().recLen());
        return 1;
      },
      0);
}

SDE_API int sx_AppendEx(void) {
  return guarded(
      [&]() -> int {
        WorkArea* a = need();
        if (!a) return 0;
        if (auto s = a->append(); !s) return eng().fail(s);
        return int(a->recNo());
      },
      0);
}

SDE_API int sx_Delete(void) {
  return guarded(
      [&]() -> int {
        WorkArea* a = need();
        if (!a) return 0;
        if (auto s = a->setDeleted(true); !s) return eng().fail(s);
        return 1;
      },
      0);
}

SDE_API int sx_Recall(void) {
  return guarded(
      [&]() -> int {
        WorkArea* a = need();
        if (!a) return 0;
        if (auto s = a->setDeleted(false); !s) return eng().fail(s);
        return 1;
      },
      0);
}

SDE_API int sx_Commit(void) {
  return guarded(
      [&]() -> int {
        WorkArea* a = need();
        if (!a) return 0;
        if (auto s = a->commit(); !s) return eng().fail(s);
        // Shared tables are written through at once. An exclusive table keeps
        // appended records in its buffer until it is large or closed, so a bulk
        // writer may commit every record cheaply; nobody else can read it meanwhile.
        return 1;
      },
      0);
}

// ---- Creating tables ----

SDE_API int sx_CreateNew(const char* path, const char* alias, int driver, int fieldCount) {
  return guarded(
      [&]() -> int {
        auto& d = eng().definition;
        d = sde::TableDefinition{};
        if (!path || !*path) return eng().fail("no table file name given");
        if (driver < SX_NTX || driver > SX_NSX) return eng().fail("unknown index driver " + std::to_string(driver));
        d.active = true;
        d.path = path;
        d.alias = alias ? alias : "";
        d.driver = driver;
        if (fieldCount > 0) d.fields.reserve(size_t(std::min(fieldCount, 2048)));
        return 1;
      },
      0);
}

SDE_API int sx_CreateField(const char* name, const char* type, int width, int decimals) {
  return guarded(
      [&]() -> int {
        auto& d = eng().definition;
        if (!d.active) return eng().fail("sx_CreateField without sx_CreateNew");
        if (!name || !type || !*type) return eng().fail("field name and type required");
        if (width < 0 || decimals < 0) return eng().fail(std::string("negative width or decimals for field ") + name);
        sde::FieldDesc f;
        f.name = name;
        f.type = type[0];
        f.width = uint32_t(width);
        f.decimals = uint32_t(decimals);
        // Visual FoxPro types are checked again at sx_CreateExec, when the version is known.
        if (auto s = sde::normalizeNewField(f, false); !s) return eng().fail(s);
        for (const auto& g : d.fields)
          if (g.name == f.name) return eng().fail("field " + f.name + " defined twice");
        d.fields.push_back(f);
        return 1;
      },
      0);
}

SDE_API int sx_CreateExec(void) {
  return guarded(
      [&]() -> int {
        auto d = eng().definition;
        eng().definition = sde::TableDefinition{};
        if (!d.active) return eng().fail("sx_CreateExec without sx_CreateNew");
        if (d.fields.empty()) return eng().fail("table " + d.path + " has no fields");
        auto drv = sde::loadDriver(d.driver);
        if (!drv) return eng().fail(drv.status());
        sde::DbfHeader h;
        // I, B, Y and T fields exist only in Visual FoxPro tables.
        bool vfp = std::any_of(d.fields.begin(), d.fields.end(), [](const sde::FieldDesc& f) {
          return f.type == 'I' || f.type == 'B' || f.type == 'Y' || f.type == 'T';
        });
        if (vfp && d.driver != SX_FOX) return eng().fail("I, B, Y and T fields need the FoxPro driver");
        bool memo = std::any_of(d.fields.begin(), d.fields.end(), [](const sde::FieldDesc& f) {
          return f.type == 'M' || f.type == 'G' || f.type == 'P';
        });
        h.version = vfp ? 0x30 : d.driver == SX_FOX ? (memo ? 0xF5 : 0x03) : (memo ? 0x83 : 0x03);
        for (auto& f : d.fields) {
          if (auto s = sde::normalizeNewField(f, vfp); !s) return eng().fail(s);
          h.fields.push_back(f);
        }
        if (std::string alias = d.alias.empty() ? upperStem(d.path) : d.alias; eng().findAlias(alias))
          return eng().fail("alias " + alias + " is already in use");
        if (auto s = sde::Table::create(d.path, h, eng().switches.memoBlockSize); !s) return eng().fail(s);
        return sx_Use(d.path.c_str(), d.alias.empty() ? nullptr : d.alias.c_str(), SX_EXCLUSIVE, d.driver);
      },
      0);
}

// ---- Indexes and orders ----

SDE_API int sx_Index(const char* fileName, const char* expr, int option, int descend, const char* condition) {
  return guarded(
      [&]() -> int {
        WorkArea* a = need();
        if (!a) return 0;
        if (!fileName || !*fileName || !expr || !*expr)
          return eng().fail("index file name and key expression required");
        std::string path = resolveIndexPath(a, fileName);
        sde::TagDef def{upperStem(path), expr, condition ? condition : "", descend != 0, option};
        return addIndex(a, path, def, true);
      },
      0);
}

SDE_API int sx_IndexTag(const char* fileName, const char* tagName, const char* expr, int option, int descend,
                        const char* condition) {
  return guarded(
      [&]() -> int {
        WorkArea* a = need();
        if (!a) return 0;
        if (!tagName || !*tagName || !expr || !*expr) return eng().fail("tag name and key expression required");
        if (std::strlen(tagName) > 10) return eng().fail(std::string("tag name too long: ") + tagName);
        std::string path;
        bool single = !a->driver()->compound;
        if (fileName && *fileName)
          path = resolveIndexPath(a, fileName);
        else if (single)
          path = resolveIndexPath(a, tagName);
        else
          path = productionIndexPath(a->table(), a->driver());
        sde::TagDef def{zel::asciiUpper(tagName), expr, condition ? condition : "", descend != 0, option};
        return addIndex(a, path, def, single);
      },
      0);
}

SDE_API int sx_IndexTemp(const char* tagName, const char* expr, int option, int descend, const char* condition) {
  return guarded(
      [&]() -> int {
        WorkArea* a = need();
        if (!a) return 0;
        if (!tagName || !*tagName || !expr || !*expr) return eng().fail("tag name and key expression required");
        if (std::strlen(tagName) > 10) return eng().fail(std::string("tag name too long: ") + tagName);
        sde::TagDef def{zel::asciiUpper(tagName), expr, condition ? condition : "", descend != 0, option};
        auto order = a->addOrder(def, std::string(), a->driver()->kind, true);
        if (!order) return eng().fail(order.status());
        auto prev = a->setOrder(*order);
        if (!prev) return eng().fail(prev.status());
        if (auto s = a->goTop(); !s) return eng().fail(s);
        return *order;
      },
      0);
}

SDE_API int sx_IndexOpen(const char* fileName) {
  return guarded(
      [&]() -> int {
        WorkArea* a = need();
        if (!a) return 0;
        if (!fileName || !*fileName) return eng().fail("no index file name given");
        std::string path = resolveIndexPath(a, fileName);
        sde::TagFile tf;
        sde::TagFileCheck check;
        if (auto s = sde::readTagFile(path, &tf, &check); !s) return eng().fail(s);
        if (check == sde::TagFileCheck::kMissing) return eng().fail("index file not found: " + path);
        if (check == sde::TagFileCheck::kForeign)
          return eng().fail("index file " + path + " is not in a format this engine reads");
        if (tf.tags.empty()) return eng().fail("index file " + path + " holds no tags");
        int first = 0;
        for (const auto& t : tf.tags) {
          auto order = a->addOrder(t, path, tf.driver, false);
          if (!order) return eng().fail(order.status());
          if (!first) first = *order;
        }
        if (a->currentOrder() == 0) {
          auto prev = a->setOrder(first);
          if (!prev) return eng().fail(prev.status());
          if (auto s = a->goTop(); !s) return eng().fail(s);
        }
        return first;
      },
      0);
}

SDE_API int sx_SetOrder(int order) {
  return guarded(
      [&]() -> int {
        WorkArea* a = need();
        if (!a) return -1;
        return valueOr(a->setOrder(order), -1);
      },
      -1);
}

SDE_API int sx_IndexOrd(void) {
  WorkArea* a = need();
  return a ? a->currentOrder() : 0;
}

SDE_API int sx_TagArea(const char* tagName) {
  WorkArea* a = need();
  if (!a || !tagName) return 0;
  return a->tagOrder(tagName);
}

SDE_API const char* sx_TagName(int order) {
  WorkArea* a = need();
  if (!a) return "";
  const sde::OrderSlot* s = a->slot(order);
  return s ? s->def.name.c_str() : "";
}

SDE_API const char* sx_IndexName(int order) {
  WorkArea* a = need();
  if (!a) return "";
  const sde::OrderSlot* s = a->slot(order);
  return s ? s->indexFile.c_str() : "";
}

SDE_API const char* sx_IndexKey(void) {
  WorkArea* a = need();
  const sde::OrderSlot* s = a ? a->slot(a->currentOrder()) : nullptr;
  return s ? s->def.expr.c_str() : "";
}

SDE_API const char* sx_IndexKeyField(void) {
  return guarded(
      [&]() -> const char* {
        WorkArea* a = need();
        const sde::OrderSlot* s = a ? a->slot(a->currentOrder()) : nullptr;
        return s ? keep(a, s->key.keyField()) : "";
      },
      "");
}

SDE_API const char* sx_IndexCondition(void) {
  WorkArea* a = need();
  const sde::OrderSlot* s = a ? a->slot(a->currentOrder()) : nullptr;
  return s ? s->def.condition.c_str() : "";
}

SDE_API int sx_IndexType(void) {
  WorkArea* a = need();
  const sde::OrderSlot* s = a ? a->slot(a->currentOrder()) : nullptr;
  return s ? s->driver : 0;
}

SDE_API const char* sx_KeyData(void) {
  return guarded(
      [&]() -> const char* {
        WorkArea* a = need();
        if (!a) return "";
        return keep(a, valueOr(a->keyData(), std::string()));
      },
      "");
}

SDE_API long sx_OrderRecNo(void) {
  return guarded(
      [&]() -> long {
        WorkArea* a = need();
        if (!a) return 0;
        return valueOr(a->orderRecNo(), 0L);
      },
      0L);
}

SDE_API int sx_Seek(const char* key) {
  return guarded(
      [&]() -> int {
        WorkArea* a = need();
        if (!a) return 0;
        auto r = a->seek(key ? key : "");
        if (!r) return eng().fail(r.status());
        return *r ? 1 : 0;
      },
      0);
}

SDE_API int sx_SetScope(const char* low, const char* high) {
  return guarded(
      [&]() -> int {
        WorkArea* a = need();
        if (!a) return 0;
        if (a->currentOrder() == 0 && (low || high)) return eng().fail("a scope needs an order");
        if (auto s = a->setScope(low, high); !s) return eng().fail(s);
        return 1;
      },
      0);
}

// ---- Expressions ----

SDE_API int sx_EvalTest(const char* expr) {
  return guarded(
      [&]() -> int {
        WorkArea* a = need();
        if (!a || !expr) return 0;
        auto e = sde::Expression::compile(expr, a->table().header());
        if (!e) return eng().fail(e.status());
        return 1;
      },
      0);
}

SDE_API const char* sx_EvalString(const char* expr) {
  return guarded(
      [&]() -> const char* {
        WorkArea* a = need();
        if (!a || !expr) return "";
        sde::Value v;
        if (auto s = a->evaluate(expr, &v); !s) {
          eng().fail(s);
          return "";
        }
        if (v.type == sde::Value::Type::kNumber && !v.fromField) {
          std::string t = sde::formatStr(v.n, 20, v.n == double(int64_t(v.n)) ? 0 : 4);
          return keep(a, t.substr(t.find_first_not_of(' ')));
        }
        return keep(a, sde::keyBytes(v));
      },
      "");
}

SDE_API int sx_EvalLogical(const char* expr) {
  return guarded(
      [&]() -> int {
        WorkArea* a = need();
        if (!a || !expr) return 0;
        sde::Value v;
        if (auto s = a->evaluate(expr, &v); !s) return eng().fail(s);
        if (v.type != sde::Value::Type::kLogical) return eng().fail(std::string("not a logical expression: ") + expr);
        return v.b ? 1 : 0;
      },
      0);
}

SDE_API int sx_Query(const char* expr) {
  return guarded(
      [&]() -> int {
        WorkArea* a = need();
        if (!a) return 0;
        if (auto s = a->setFilter(expr ? expr : ""); !s) return eng().fail(s);
        return 1;
      },
      0);
}

SDE_API int sx_DBFilter(const char* expr) { return sx_Query(expr); }

SDE_API long sx_Count(void) {
  return guarded(
      [&]() -> long {
        WorkArea* a = need();
        if (!a) return 0;
        return valueOr(a->count(), 0L);
      },
      0L);
}

SDE_API int sx_IsEncrypted(void) { return 0; }

}  // extern "C"
