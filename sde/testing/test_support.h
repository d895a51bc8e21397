// Helpers for the engine's tests: a temporary directory removed afterwards,
// whole-file reads and writes for damaging files at known offsets, and a
// fixture that closes every work area after each test.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sde32.h"
#include "temp_dir.h"

namespace sdetest {

// The shared temporary directory, named for the engine's tests.
class TempDir : public zel::TempDir {
 public:
  TempDir() : zel::TempDir("sdetest") {}
};

inline std::vector<uint8_t> readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void writeAll(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::string memo(const char* field) {
  char* p = sx_GetMemo(field, 0);
  if (!p) return "<null>";
  std::string s = p;
  sx_MemDealloc(p);
  return s;
}

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sx_SetStringType(1);
    sx_SetDeleted(0);
    sx_SetExact(0);
    sx_SetSoftSeek(0);
    sx_SetCentury(0);
    sx_SetLockTimeout(1);
    sx_SetMemoBlockSize(64);
  }
  void TearDown() override { sx_CloseAll(); }

  // A report-shaped table: F_PAGE N(5), F_DES C(40), F_AMT N(15,3), F_DATE D, F_OK L, F_INIT M.
  // Opens it exclusively and leaves it current.
  int createReport(const std::string& path, int driver = SX_FOX, const char* alias = nullptr) {
    EXPECT_TRUE(sx_CreateNew(path.c_str(), alias, driver, 6));
    sx_CreateField("F_PAGE", "N", 5, 0);
    sx_CreateField("F_DES", "C", 40, 0);
    sx_CreateField("F_AMT", "N", 15, 3);
    sx_CreateField("F_DATE", "D", 8, 0);
    sx_CreateField("F_OK", "L", 1, 0);
    sx_CreateField("F_INIT", "M", 10, 0);
    int area = sx_CreateExec();
    EXPECT_GT(area, 0) << sx_LastError();
    return area;
  }

  void appendLine(long page, const std::string& des) {
    ASSERT_GT(sx_AppendEx(), 0) << sx_LastError();
    ASSERT_TRUE(sx_Replace("F_PAGE", SX_R_INTEGER, &page)) << sx_LastError();
    ASSERT_TRUE(sx_Replace("F_DES", SX_R_STRING, des.c_str())) << sx_LastError();
  }
};

}  // namespace sdetest
