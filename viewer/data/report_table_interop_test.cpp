// The table layer over tables written by another implementation of the
// format (python3-dbf), and its own writes read back by that implementation.
#include "engine_settings.h"
#include "report_table.h"

#include <gtest/gtest.h>

#include "temp_dir.h"
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "settings_block.h"
#include "test_process.h"

namespace zel {
namespace {

namespace fs = std::filesystem;

const char kPython[] = "PYTHONIOENCODING=utf-8 /usr/bin/python3";

// Settings block as python writes it: the long filler spreads it over many memo blocks.
const char kMakeTable[] = R"(import sys, dbf
path = sys.argv[1]
block = '<RPTCODE>=♬RPTB02♬\r\n<DES>=♬' + '가' * 1500 + '♬\r\n<PAGESPACE>=♬10|10|15|10|♬'
t = dbf.Table(path, 'F_INIT M; F_PAGE N(5,0); F_TYPE C(1); F_DES C(20); F_QQTY N(12,4)',
              dbf_type='fp', codepage='cp949')
t.open(dbf.READ_WRITE)
t.append((block, 1, 'M', '한글 품명', 12.5))
t.append(('', 1, 'J', 'deleted', 1))
t.append(('', 2, 'M', 'abc', -3))
t.append(('', 3, 'M', '철근콘크리트', 0))
with t[1] as r:
    dbf.delete(r)
t.close()
)";

const char kReadBack[] = R"(import sys, dbf
t = dbf.Table(sys.argv[1], codepage='cp949')
t.open(dbf.READ_ONLY)
init = t[0].f_init
start = init.index('<PAGESPACE>=♬') + len('<PAGESPACE>=♬')
print(init[start:init.index('♬', start)])
print(init.split('\r\n')[0])
print(len(init))
print(t[0].f_des.rstrip())
t.close()
)";

class InteropTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (CommandOutput(std::string(kPython) + " -c 'import dbf; print(1)' 2>/dev/null") != "1\n") {
      GTEST_SKIP() << "python3-dbf not installed";
    }
    dir_ = makeTempDirectory("zelinterop");
    std::ofstream(dir_ + "/make.py") << kMakeTable;
    std::ofstream(dir_ + "/read.py") << kReadBack;
    CommandOutput(std::string(kPython) + " " + dir_ + "/make.py " + dir_ + "/P_RPTB02_PY.dbf");
    ASSERT_TRUE(fs::exists(dir_ + "/P_RPTB02_PY.dbf"));
  }
  void TearDown() override {
    if (dir_.empty()) return;
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  std::string dir_;
};

const std::string kKoreanDes = "\xC7\xD1\xB1\xDB \xC7\xB0\xB8\xED";  // 한글 품명

TEST_F(InteropTest, ReadsFieldsAndMemo) {
  ReportTable t;
  ASSERT_TRUE(t.OpenTable(dir_, "P_RPTB02_PY.dbf", "CDX"));
  EXPECT_EQ(t.RecordCount(), 4);
  t.First();
  const std::string block = t.MemoText("F_INIT");
  EXPECT_EQ(GetKey(block, "RPTCODE"), "RPTB02");
  EXPECT_EQ(GetKey(block, "PAGESPACE"), "10|10|15|10|");
  std::string filler;
  for (int i = 0; i < 1500; ++i) filler += "\xB0\xA1";  // 가
  EXPECT_EQ(GetKey(block, "DES"), filler);
  EXPECT_EQ(t.FieldAsPaddedText("F_DES"), kKoreanDes + std::string(11, ' '));
  EXPECT_DOUBLE_EQ(t.FieldAsFloat("F_QQTY"), 12.5);
  EXPECT_EQ(t.FieldAsInteger("F_PAGE"), 1);
  EXPECT_EQ(t.FieldTypeName("F_INIT"), "M");
  t.GoBottom();
  EXPECT_EQ(t.FieldAsPaddedText("F_DES"), "\xC3\xB6\xB1\xD9\xC4\xDC\xC5\xA9\xB8\xAE\xC6\xAE        ");
  EXPECT_EQ(t.FieldAsInteger("F_PAGE"), 3);
  EXPECT_EQ(t.MemoText("F_INIT"), "");
}

TEST_F(InteropTest, DeletedRecordSkipped) {
  EngineSettings env;
  env.SetDeleted(true);
  ReportTable t;
  ASSERT_TRUE(t.OpenTable(dir_, "P_RPTB02_PY.dbf", "CDX"));
  std::string types;
  for (t.First(); !t.Eof(); t.Next()) types += t.FieldAsPaddedText("F_TYPE");
  EXPECT_EQ(types, "MMM");
  env.SetDeleted(false);
  types.clear();
  for (t.First(); !t.Eof(); t.Next()) types += t.FieldAsPaddedText("F_TYPE");
  EXPECT_EQ(types, "MJMM");
}

TEST_F(InteropTest, PostedSettingsReadByPython) {
  {
    ReportTable t;
    ASSERT_TRUE(t.OpenTable(dir_, "P_RPTB02_PY.dbf", "CDX"));
    t.First();
    std::string block = t.MemoText("F_INIT");
    SetKey(block, "PAGESPACE", "3|4|5|6|");
    t.Edit();
    t.SetFieldText("F_INIT", block);
    t.Post();
  }
  const std::string out = CommandOutput(std::string(kPython) + " " + dir_ + "/read.py " + dir_ + "/P_RPTB02_PY.dbf");
  EXPECT_EQ(out, "3|4|5|6|\n<RPTCODE>=♬RPTB02♬\n" + std::to_string(1552) + "\n한글 품명\n");
}

TEST_F(InteropTest, PageIndexAndSeek) {
  ReportTable t;
  ASSERT_TRUE(t.OpenTable(dir_, "P_RPTB02_PY.dbf", "CDX"));
  ASSERT_TRUE(t.BuildIndex("", "F_PAGE", "CDX", "", false, 0, "str(F_PAGE,5)"));
  EXPECT_TRUE(t.SeekKey("    2"));
  EXPECT_EQ(t.FieldAsPaddedText("F_DES"), "abc" + std::string(17, ' '));
  EXPECT_FALSE(t.SeekKey("    7"));
  EXPECT_TRUE(t.Eof());
}

}  // namespace
}  // namespace zel
