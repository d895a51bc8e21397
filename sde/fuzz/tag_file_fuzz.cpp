// libFuzzer target: the input is the table's own index definition file
// (<base>.cdx) beside a small fixed table. The table is opened with it, every
// tag is made current in turn, walked and seeked.
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>

#include "sde32.h"

namespace {

const std::string& workDir() {
  static std::string dir = [] {
    char tmpl[] = "/dev/shm/tag_fuzz.XXXXXX";
    if (access("/dev/shm", W_OK) != 0) std::memcpy(tmpl, "/tmp/tag_fuzz.XXXXXX", sizeof "/tmp/tag_fuzz.XXXXXX");
    const char* d = mkdtemp(tmpl);
    std::string path = d ? d : "/tmp";
    // A small report-shaped table, made once.
    std::string dbf = path + "/t.dbf";
    sx_CreateNew(dbf.c_str(), "MAKE", SX_FOX, 3);
    sx_CreateField("F_PAGE", "N", 5, 0);
    sx_CreateField("F_DES", "C", 10, 0);
    sx_CreateField("F_DATE", "D", 8, 0);
    sx_CreateExec();
    for (long i = 0; i < 40; ++i) {
      sx_AppendEx();
      long page = (i * 7) % 5;
      sx_Replace("F_PAGE", SX_R_INTEGER, &page);
      sx_Replace("F_DES", SX_R_STRING, i % 2 ? "odd" : "even");
      sx_Replace("F_DATE", SX_R_DATESTR, "20240101");
    }
    sx_CloseAll();
    return path;
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string dbf = workDir() + "/t.dbf";
  {
    std::ofstream out(workDir() + "/t.cdx", std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
  }
  sx_SetDeleted(size & 1);
  sx_SetExact(size & 2);
  if (sx_Use(dbf.c_str(), "TAGS", SX_READONLY, SX_FOX) == 0) return 0;
  for (int order = 1; order <= 70; ++order) {
    if (sx_SetOrder(order) < 0) break;
    (void)sx_TagName(order);
    (void)sx_IndexKey();
    (void)sx_IndexCondition();
    (void)sx_IndexKeyField();
    for (sx_GoTop(); !sx_Eof(); sx_Skip(1)) (void)sx_KeyData();
    sx_Seek("2");
    (void)sx_Count();
  }
  sx_IndexOpen((workDir() + "/t.cdx").c_str());
  sx_CloseAll();
  return 0;
}
