// libFuzzer target: a table and its memo file from one input. The first two
// bytes give the .dbf length (little-endian); the .dbf bytes follow, and the
// rest is the .fpt. The table is opened read-only and every record, field and
// memo is read; then an order (written or in memory) is built over the first
// field and seeked.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "sde32.h"

namespace {

const std::string& workDir() {
  static std::string dir = [] {
    // Memory-backed when available: the target writes two files per input.
    char tmpl[] = "/dev/shm/table_fuzz.XXXXXX";
    if (access("/dev/shm", W_OK) != 0) std::memcpy(tmpl, "/tmp/table_fuzz.XXXXXX", sizeof "/tmp/table_fuzz.XXXXXX");
    const char* d = mkdtemp(tmpl);
    return std::string(d ? d : "/tmp");
  }();
  return dir;
}

void writeFile(const std::string& path, const uint8_t* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
}

constexpr long kMaxRecords = 2000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  size_t dbfLen = size_t(data[0] | data[1] << 8);
  if (dbfLen > size - 2) dbfLen = size - 2;
  const std::string dbf = workDir() + "/t.dbf";
  writeFile(dbf, data + 2, dbfLen);
  writeFile(workDir() + "/t.fpt", data + 2 + dbfLen, size - 2 - dbfLen);
  unlink((workDir() + "/t.cdx").c_str());

  sx_SetDeleted(data[0] & 1);
  if (sx_Use(dbf.c_str(), "FUZZ", SX_READONLY, SX_FOX) == 0) {
    (void)sx_LastError();
    return 0;
  }
  (void)sx_SysProp(SX_SP_MISSINGBYTES);
  int fields = sx_FieldCount();
  long n = 0;
  for (sx_GoTop(); !sx_Eof() && n < kMaxRecords; sx_Skip(1), ++n) {
    for (int i = 1; i <= fields; ++i) {
      const char* name = sx_FieldName(i);
      if (!name) continue;
      (void)sx_GetString(name);
      (void)sx_GetTrimString(name);
      (void)sx_GetDouble(name);
      (void)sx_Empty(name);
      const char* type = sx_FieldType(name);
      if (type[0] == 'D' || type[0] == 'T') (void)sx_GetDateString(name);
      if (type[0] == 'M' || type[0] == 'G' || type[0] == 'P' || type[0] == 'B') {
        char* m = sx_GetMemo(name, n % 3 == 0 ? 20 : 0);
        sx_MemDealloc(m);
        (void)sx_GetBlobLength(name);
      }
    }
    (void)sx_Deleted();
  }
  sx_GoBottom();
  sx_Skip(-1);
  if (fields > 0) {
    const char* first = sx_FieldName(1);
    std::string expr = std::string(sx_FieldType(first)) == "N" ? "str(" + std::string(first) + ",5)"
                                                               : "upper(" + std::string(first) + ")";
    // An order in memory (read-only media) or one whose definition is written.
    const int order = (data[0] & 8) ? sx_IndexTemp("FZ", expr.c_str(), 0, data[0] & 2, nullptr)
                                    : sx_IndexTag(nullptr, "FZ", expr.c_str(), 0, data[0] & 2, nullptr);
    if (order > 0) {
      sx_Seek("1");
      sx_GoTop();
      sx_Skip(3);
      (void)sx_KeyData();
      (void)sx_OrderRecNo();
    }
  }
  sx_CloseAll();

  // Writing into the damaged files: a memo and a field of record 1, then an append.
  if ((data[0] & 4) && sx_Use(dbf.c_str(), "FUZZW", SX_SHARED, SX_FOX) > 0) {
    sx_GoTop();
    if (!sx_Eof() && sx_Rlock(sx_RecNo())) {
      for (int i = 1; i <= fields; ++i) {
        const char* name = sx_FieldName(i);
        if (!name) continue;
        const char* type = sx_FieldType(name);
        if (type[0] == 'M')
          sx_Replace(name, SX_R_MEMO, "fuzz memo text that spans more than one block of sixty-four bytes");
        else if (type[0] == 'C')
          sx_Replace(name, SX_R_STRING, "x");
        else if (type[0] == 'N') {
          double v = 1.5;
          sx_Replace(name, SX_R_DOUBLE, &v);
        }
      }
      sx_Commit();
      sx_Unlock(0);
    }
    if (sx_AppendEx() > 0) sx_Commit();
    sx_CloseAll();
  }
  return 0;
}
