// Creating, appending, replacing and reading tables through the C interface.
#include <algorithm>
#include <cstring>

#include "test_support.h"

namespace sdetest {
namespace {

class TableTest : public EngineTest {
 protected:
  TempDir dir_;
};

TEST_F(TableTest, CreateAppendReopenReadsEveryField) {
  std::string path = dir_.file("p0001.dbf");
  ASSERT_GT(createReport(path), 0);
  EXPECT_EQ(sx_FieldCount(), 6);
  EXPECT_EQ(sx_RecCount(), 0);
  EXPECT_TRUE(sx_Eof());

  appendLine(1, "first line");
  double amt = 1234.5678;
  ASSERT_TRUE(sx_Replace("F_AMT", SX_R_DOUBLE, &amt));
  ASSERT_TRUE(sx_Replace("F_DATE", SX_R_DATESTR, "20240131"));
  int yes = 1;
  ASSERT_TRUE(sx_Replace("F_OK", SX_R_LOGICAL, &yes));
  ASSERT_TRUE(sx_Replace("F_INIT", SX_R_MEMO,
                         "<RPTCODE>=\xe2\x99\xac"
                         "A1\xe2\x99\xac"));
  ASSERT_TRUE(sx_Commit());
  appendLine(2, "second line");
  ASSERT_TRUE(sx_Commit());
  sx_Close();

  int area = sx_Use(path.c_str(), "P0001", SX_SHARED, SX_FOX);
  ASSERT_GT(area, 0) << sx_LastError();
  EXPECT_EQ(sx_RecCount(), 2);
  sx_GoTop();
  EXPECT_EQ(sx_RecNo(), 1);
  EXPECT_STREQ(sx_GetString("F_PAGE"), "    1");
  EXPECT_EQ(sx_GetLong("F_PAGE"), 1);
  EXPECT_EQ(std::string(sx_GetString("F_DES")), "first line" + std::string(30, ' '));
  EXPECT_STREQ(sx_GetTrimString("F_DES"), "first line");
  EXPECT_STREQ(sx_GetString("F_AMT"), "       1234.568");
  EXPECT_DOUBLE_EQ(sx_GetDouble("F_AMT"), 1234.568);
  EXPECT_STREQ(sx_GetString("F_DATE"), "20240131");
  EXPECT_STREQ(sx_GetString("F_OK"), "T");
  EXPECT_TRUE(sx_GetLogical("F_OK"));
  EXPECT_EQ(memo("F_INIT"),
            "<RPTCODE>=\xe2\x99\xac"
            "A1\xe2\x99\xac");
  EXPECT_EQ(sx_GetBlobLength("F_INIT"), long(std::strlen("<RPTCODE>=\xe2\x99\xac"
                                                         "A1\xe2\x99\xac")));
  sx_Skip(1);
  EXPECT_STREQ(sx_GetTrimString("F_DES"), "second line");
  EXPECT_EQ(memo("F_INIT"), "");
  EXPECT_TRUE(sx_Empty("F_INIT"));
  EXPECT_TRUE(sx_Empty("F_AMT"));
  sx_Skip(1);
  EXPECT_TRUE(sx_Eof());
  EXPECT_EQ(sx_RecNo(), 3);
}

TEST_F(TableTest, HeaderAndFileLayoutFollowTheFoxProFormat) {
  std::string path = dir_.file("layout.dbf");
  ASSERT_GT(createReport(path), 0);
  appendLine(7, "x");
  sx_Close();
  auto bytes = readAll(path);
  ASSERT_GT(bytes.size(), 32u);
  EXPECT_EQ(bytes[0], 0xF5);  // FoxPro with memo
  EXPECT_EQ(bytes[4], 1);  // one record
  uint16_t headerLen = uint16_t(bytes[8] | bytes[9] << 8);
  EXPECT_EQ(headerLen, 32 + 6 * 32 + 1);
  uint16_t recLen = uint16_t(bytes[10] | bytes[11] << 8);
  EXPECT_EQ(recLen, 1 + 5 + 40 + 15 + 8 + 1 + 10);
  EXPECT_EQ(bytes.size(), size_t(headerLen + recLen + 1));
  EXPECT_EQ(bytes.back(), 0x1A);
  auto fpt = readAll(dir_.file("layout.fpt"));
  ASSERT_EQ(fpt.size(), 512u);
  EXPECT_EQ(fpt[6] << 8 | fpt[7], 64);  // block size, big-endian
  EXPECT_EQ(fpt[3], 512 / 64);  // next free block
}

TEST_F(TableTest, TableWithoutMemoIsVersion3) {
  std::string path = dir_.file("plain.dbf");
  ASSERT_TRUE(sx_CreateNew(path.c_str(), "PLAIN", SX_FOX, 1));
  ASSERT_TRUE(sx_CreateField("NAME", "C", 10, 0));
  ASSERT_GT(sx_CreateExec(), 0) << sx_LastError();
  sx_Close();
  EXPECT_EQ(readAll(path)[0], 0x03);
  EXPECT_FALSE(std::filesystem::exists(dir_.file("plain.fpt")));
}

TEST_F(TableTest, ReplaceFormatsNumbersAndCutsText) {
  ASSERT_GT(createReport(dir_.file("fmt.dbf")), 0);
  appendLine(1, std::string(50, 'a'));
  EXPECT_EQ(std::string(sx_GetString("F_DES")), std::string(40, 'a'));
  EXPECT_TRUE(sx_Replace("F_AMT", SX_R_STRING, "-12.3456"));
  EXPECT_STREQ(sx_GetString("F_AMT"), "        -12.346");
  double big = 1e20;
  EXPECT_FALSE(sx_Replace("F_AMT", SX_R_DOUBLE, &big));
  EXPECT_NE(std::string(sx_LastError()).find("does not fit"), std::string::npos);
  EXPECT_STREQ(sx_GetString("F_AMT"), "        -12.346");  // unchanged
  EXPECT_FALSE(sx_Replace("F_DATE", SX_R_DATESTR, "2024-01-"));
  EXPECT_FALSE(sx_Replace("NOFIELD", SX_R_STRING, "x"));
  EXPECT_NE(std::string(sx_LastError()).find("NOFIELD"), std::string::npos);
}

TEST_F(TableTest, FieldDescriptionsAndOffsets) {
  ASSERT_GT(createReport(dir_.file("desc.dbf")), 0);
  EXPECT_STREQ(sx_FieldName(1), "F_PAGE");
  EXPECT_EQ(sx_FieldName(7), nullptr);
  EXPECT_EQ(sx_FieldNum("f_des"), 2);
  EXPECT_EQ(sx_FieldNum("nope"), 0);
  EXPECT_STREQ(sx_FieldType("F_INIT"), "M");
  EXPECT_STREQ(sx_FieldType("nope"), "");
  EXPECT_EQ(sx_FieldWidth("F_AMT"), 15);
  EXPECT_EQ(sx_FieldDecimals("F_AMT"), 3);
  EXPECT_EQ(sx_FieldOffset("F_PAGE"), 1);
  EXPECT_EQ(sx_FieldOffset("F_DES"), 6);
  EXPECT_EQ(sx_RecSize(), 80);
  EXPECT_STREQ(sx_BaseName(), "desc");
  EXPECT_EQ(sx_SysProp(SX_SP_HEADERSIZE), 32 + 6 * 32 + 1);
  EXPECT_EQ(sx_SysProp(SX_SP_MEMOBLOCK), 64);
}

TEST_F(TableTest, DatesFollowFormatAndCentury) {
  ASSERT_GT(createReport(dir_.file("dates.dbf")), 0);
  appendLine(1, "d");
  sx_Replace("F_DATE", SX_R_DATESTR, "20240131");
  sx_SetDateFormat(0);
  EXPECT_STREQ(sx_GetDateString("F_DATE"), "01/31/24");
  sx_SetCentury(1);
  EXPECT_STREQ(sx_GetDateString("F_DATE"), "01/31/2024");
  sx_SetDateFormat(1);
  EXPECT_STREQ(sx_GetDateString("F_DATE"), "2024.01.31");
  sx_SetDateFormat(4);
  EXPECT_STREQ(sx_GetDateString("F_DATE"), "31.01.2024");
  sx_SetDateFormat(99);
}

TEST_F(TableTest, FoxPro2ShapeWithWideCharacterFieldAndBigBlocks) {
  // Like FoxPro 2.x tables in the field: a C field wider than 255, 512-byte memo blocks.
  sx_SetMemoBlockSize(512);
  std::string path = dir_.file("PR90.DBF");
  ASSERT_TRUE(sx_CreateNew(path.c_str(), nullptr, SX_FOX, 3));
  sx_CreateField("ACCOUNT", "N", 8, 0);
  sx_CreateField("NOTE", "C", 300, 0);
  sx_CreateField("NOTEMEMO", "M", 10, 0);
  ASSERT_GT(sx_CreateExec(), 0) << sx_LastError();
  EXPECT_EQ(sx_FieldWidth("NOTE"), 300);
  ASSERT_GT(sx_AppendEx(), 0);
  std::string note(300, 'n');
  note[299] = 'Z';
  sx_Replace("NOTE", SX_R_STRING, note.c_str());
  std::string longMemo(1500, 'm');
  sx_Replace("NOTEMEMO", SX_R_MEMO, longMemo.c_str());
  sx_Commit();
  sx_Close();
  auto bytes = readAll(path);
  EXPECT_EQ(bytes[32 + 32 + 16], 300 & 0xFF);  // low byte in the width byte
  EXPECT_EQ(bytes[32 + 32 + 17], 1);  // high byte in the decimals byte
  ASSERT_TRUE(std::filesystem::exists(dir_.file("PR90.FPT")));
  // Memo file found without regard to case.
  std::filesystem::rename(dir_.file("PR90.FPT"), dir_.file("pr90.fpt"));
  ASSERT_GT(sx_Use(path.c_str(), nullptr, SX_READONLY, SX_FOX), 0) << sx_LastError();
  EXPECT_EQ(sx_SysProp(SX_SP_MEMOBLOCK), 512);
  sx_GoTop();
  EXPECT_EQ(std::string(sx_GetString("NOTE")), note);
  EXPECT_EQ(memo("NOTEMEMO"), longMemo);
}

TEST_F(TableTest, VisualFoxProShapeWithIntegerDatetimeAndBinaryMemoPointers) {
  // Like Visual FoxPro tables: I and T fields, 4-byte memo pointers, 263-byte backlink.
  std::string path = dir_.file("calls.dbf");
  ASSERT_TRUE(sx_CreateNew(path.c_str(), nullptr, SX_FOX, 5));
  sx_CreateField("CALL_ID", "I", 4, 0);
  sx_CreateField("CALL_DATE", "T", 8, 0);
  sx_CreateField("SUBJECT", "C", 254, 0);
  sx_CreateField("NOTES", "M", 4, 0);
  sx_CreateField("PRICE", "Y", 8, 4);
  ASSERT_GT(sx_CreateExec(), 0) << sx_LastError();
  EXPECT_EQ(sx_FieldWidth("NOTES"), 4);
  ASSERT_GT(sx_AppendEx(), 0);
  long id = -42;
  sx_Replace("CALL_ID", SX_R_INTEGER, &id);
  ASSERT_TRUE(sx_Replace("CALL_DATE", SX_R_STRING, "20011231235958")) << sx_LastError();
  double price = 12.3456;
  sx_Replace("PRICE", SX_R_DOUBLE, &price);
  sx_Replace("NOTES", SX_R_MEMO, "called back");
  sx_Commit();
  ASSERT_GT(sx_AppendEx(), 0);
  sx_Commit();
  sx_Close();
  std::filesystem::rename(dir_.file("calls.fpt"), dir_.file("calls.FPT"));
  auto bytes = readAll(path);
  EXPECT_EQ(bytes[0], 0x30);
  EXPECT_EQ(bytes[8] | bytes[9] << 8, 32 + 5 * 32 + 1 + 263);
  ASSERT_GT(sx_Use(path.c_str(), nullptr, SX_SHARED, SX_FOX), 0) << sx_LastError();
  sx_GoTop();
  EXPECT_STREQ(sx_GetString("CALL_ID"), "-42");
  EXPECT_EQ(sx_GetLong("CALL_ID"), -42);
  EXPECT_STREQ(sx_GetString("CALL_DATE"), "20011231235958");
  EXPECT_STREQ(sx_GetString("PRICE"), "12.3456");
  EXPECT_EQ(memo("NOTES"), "called back");
  sx_Skip(1);
  EXPECT_EQ(memo("NOTES"), "");
  EXPECT_TRUE(sx_Empty("NOTES"));
  EXPECT_TRUE(sx_Empty("CALL_ID"));
}

TEST_F(TableTest, DbaseTablesUseDbtMemos) {
  std::string path = dir_.file("d3.dbf");
  ASSERT_TRUE(sx_CreateNew(path.c_str(), nullptr, SX_NTX, 2));
  sx_CreateField("NAME", "C", 10, 0);
  sx_CreateField("TEXT", "M", 10, 0);
  ASSERT_GT(sx_CreateExec(), 0) << sx_LastError();
  std::string text(700, 'q');
  ASSERT_GT(sx_AppendEx(), 0);
  sx_Replace("TEXT", SX_R_MEMO, text.c_str());
  sx_Commit();
  ASSERT_GT(sx_AppendEx(), 0);
  sx_Replace("TEXT", SX_R_MEMO, "short");
  sx_Commit();
  sx_Close();
  EXPECT_EQ(readAll(path)[0], 0x83);
  ASSERT_TRUE(std::filesystem::exists(dir_.file("d3.dbt")));
  ASSERT_GT(sx_Use(path.c_str(), nullptr, SX_SHARED, SX_NTX), 0) << sx_LastError();
  sx_GoTop();
  EXPECT_EQ(memo("TEXT"), text);
  sx_Skip(1);
  EXPECT_EQ(memo("TEXT"), "short");
}

TEST_F(TableTest, MemoReplacedKeepsOtherFieldsAndLeavesOldBlocksAlone) {
  std::string path = dir_.file("memo.dbf");
  ASSERT_GT(createReport(path), 0);
  appendLine(3, "keep me");
  sx_Replace("F_INIT", SX_R_MEMO, "old text");
  sx_Commit();
  auto before = readAll(dir_.file("memo.fpt"));
  std::string longer(5000, 'L');
  sx_Replace("F_INIT", SX_R_MEMO, longer.c_str());
  sx_Commit();
  auto after = readAll(dir_.file("memo.fpt"));
  ASSERT_GT(after.size(), before.size());
  // Every block the old text used is byte for byte the same.
  EXPECT_TRUE(std::equal(before.begin() + 512, before.end(), after.begin() + 512));
  EXPECT_EQ(memo("F_INIT"), longer);
  EXPECT_STREQ(sx_GetTrimString("F_DES"), "keep me");
  std::vector<char> bin = {'a', '\0', 'b', '\x1a', 'c'};
  ASSERT_TRUE(sx_PutBlob("F_INIT", bin.data(), long(bin.size())));
  sx_Commit();
  char out[8] = {};
  EXPECT_EQ(sx_GetBlobLength("F_INIT"), 5);
  EXPECT_EQ(sx_GetBlob("F_INIT", out, sizeof out), 5);
  EXPECT_EQ(std::vector<char>(out, out + 5), bin);
}

// The F_INIT pointer digits of record recno, straight from the file.
std::string initPointerField(const std::vector<uint8_t>& dbf, int recno) {
  const size_t headerLen = dbf[8] | dbf[9] << 8, recLen = dbf[10] | dbf[11] << 8;
  size_t offset = 1;
  for (size_t d = 32; dbf[d] != 0x0D; d += 32) {
    if (std::strncmp(reinterpret_cast<const char*>(&dbf[d]), "F_INIT", 11) == 0) {
      const size_t at = headerLen + size_t(recno - 1) * recLen + offset;
      return std::string(dbf.begin() + long(at), dbf.begin() + long(at + dbf[d + 16]));
    }
    offset += dbf[d + 16];
  }
  return {};
}

void setInitPointerField(std::vector<uint8_t>* dbf, int recno, const std::string& digits) {
  const size_t headerLen = (*dbf)[8] | (*dbf)[9] << 8, recLen = (*dbf)[10] | (*dbf)[11] << 8;
  size_t offset = 1;
  for (size_t d = 32; (*dbf)[d] != 0x0D; d += 32) {
    if (std::strncmp(reinterpret_cast<const char*>(&(*dbf)[d]), "F_INIT", 11) == 0) {
      std::copy(digits.begin(), digits.end(), dbf->begin() + long(headerLen + size_t(recno - 1) * recLen + offset));
      return;
    }
    offset += (*dbf)[d + 16];
  }
}

class MemoReuseTest : public TableTest {
 protected:
  void SetUp() override {
    TableTest::SetUp();
    path_ = dir_.file("reuse.dbf");
    ASSERT_GT(createReport(path_), 0);
    appendLine(1, "first");
    sx_Replace("F_INIT", SX_R_MEMO, std::string(300, 'a').c_str());
    appendLine(2, "second");
    sx_Replace("F_INIT", SX_R_MEMO, "second's text");
    sx_Commit();
    sx_Go(1);
  }
  void replace(const std::string& text) {
    ASSERT_TRUE(sx_Replace("F_INIT", SX_R_MEMO, text.c_str())) << sx_LastError();
    ASSERT_TRUE(sx_Commit()) << sx_LastError();
  }
  size_t fptSize() { return readAll(dir_.file("reuse.fpt")).size(); }
  std::string path_;
};

// Replaced texts free their blocks for later ones: the file stops growing,
// and the new text never lands where the old one was read from before the
// record points elsewhere.
TEST_F(MemoReuseTest, ReplacedTextsBlocksAreReused) {
  replace(std::string(300, 'b'));
  const size_t afterFirst = fptSize();
  for (int i = 0; i < 50; ++i) {
    const std::string text(250 + i % 60, char('c' + i % 20));
    replace(text);
    ASSERT_EQ(memo("F_INIT"), text) << "save " << i;
  }
  EXPECT_LE(fptSize(), afterFirst);
  sx_Go(2);
  EXPECT_EQ(memo("F_INIT"), "second's text");
}

// A program that knows nothing of the free list pointed another record at
// blocks on it: they are not given out again.
TEST_F(MemoReuseTest, BlocksAnotherRecordPointsToAreNeverReused) {
  sx_Close();
  const std::string oldPointer = initPointerField(readAll(path_), 1);
  ASSERT_GT(sx_Use(path_.c_str(), nullptr, SX_EXCLUSIVE, SX_FOX), 0) << sx_LastError();
  sx_Go(1);
  replace(std::string(300, 'b'));  // the first text's blocks go on the list
  sx_Close();
  std::vector<uint8_t> dbf = readAll(path_);
  setInitPointerField(&dbf, 2, oldPointer);
  writeAll(path_, dbf);
  ASSERT_GT(sx_Use(path_.c_str(), nullptr, SX_EXCLUSIVE, SX_FOX), 0) << sx_LastError();
  sx_Go(2);
  ASSERT_EQ(memo("F_INIT"), std::string(300, 'a'));
  sx_Go(1);
  for (char c : std::string("cdefgh")) replace(std::string(290, c));
  EXPECT_EQ(memo("F_INIT"), std::string(290, 'h'));
  sx_Go(2);
  EXPECT_EQ(memo("F_INIT"), std::string(300, 'a'));
}

// A free list another program damaged only costs space.
TEST_F(MemoReuseTest, DamagedFreeListIsIgnored) {
  replace(std::string(300, 'b'));
  sx_Close();
  for (size_t offset : {256u, 260u, 264u, 268u, 300u}) {
    std::vector<uint8_t> fpt = readAll(dir_.file("reuse.fpt"));
    fpt[offset] ^= 0x5A;
    writeAll(dir_.file("reuse.fpt"), fpt);
    ASSERT_GT(sx_Use(path_.c_str(), nullptr, SX_EXCLUSIVE, SX_FOX), 0) << sx_LastError();
    sx_Go(1);
    replace(std::string(280, 'x'));
    EXPECT_EQ(memo("F_INIT"), std::string(280, 'x')) << offset;
    sx_Go(2);
    EXPECT_EQ(memo("F_INIT"), "second's text") << offset;
    sx_Close();
  }
}

TEST_F(TableTest, MemoWrapsAtTheLineWidth) {
  ASSERT_GT(createReport(dir_.file("wrap.dbf")), 0);
  appendLine(1, "w");
  sx_Replace("F_INIT", SX_R_MEMO, "aaa bbb ccc dddddddddd");
  char* p = sx_GetMemo("F_INIT", 8);
  ASSERT_NE(p, nullptr);
  EXPECT_STREQ(p, "aaa bbb\r\nccc\r\ndddddddd\r\ndd");
  sx_MemDealloc(p);
}

TEST_F(TableTest, DeleteAndRecallMarkTheRecord) {
  ASSERT_GT(createReport(dir_.file("del.dbf")), 0);
  appendLine(1, "a");
  EXPECT_FALSE(sx_Deleted());
  ASSERT_TRUE(sx_Delete());
  EXPECT_TRUE(sx_Deleted());
  ASSERT_TRUE(sx_Recall());
  EXPECT_FALSE(sx_Deleted());
}

TEST_F(TableTest, GetRecordAndPutRecordCopyTheWholeRecord) {
  ASSERT_GT(createReport(dir_.file("rec.dbf")), 0);
  appendLine(9, "whole");
  std::vector<char> buf(static_cast<size_t>(sx_RecSize()));
  EXPECT_EQ(sx_GetRecord(buf.data()), sx_RecSize());
  EXPECT_EQ(std::string(buf.data() + 1, 5), "    9");
  appendLine(1, "other");
  ASSERT_TRUE(sx_PutRecord(buf.data()));
  sx_Commit();
  sx_GoBottom();
  EXPECT_STREQ(sx_GetTrimString("F_DES"), "whole");
}

TEST_F(TableTest, ReadOnlyOpenRefusesWrites) {
  std::string path = dir_.file("ro.dbf");
  ASSERT_GT(createReport(path), 0);
  appendLine(1, "a");
  sx_Close();
  ASSERT_GT(sx_Use(path.c_str(), nullptr, SX_READONLY, SX_FOX), 0);
  sx_GoTop();
  EXPECT_FALSE(sx_Rlock(1) && sx_Replace("F_DES", SX_R_STRING, "b"));
  EXPECT_FALSE(sx_AppendEx());
  EXPECT_NE(std::string(sx_LastError()).find("read-only"), std::string::npos);
}

TEST_F(TableTest, SharedWritesNeedTheRecordLock) {
  std::string path = dir_.file("lockme.dbf");
  ASSERT_GT(createReport(path), 0);
  appendLine(1, "a");
  sx_Close();
  ASSERT_GT(sx_Use(path.c_str(), nullptr, SX_SHARED, SX_FOX), 0);
  sx_GoTop();
  EXPECT_FALSE(sx_Replace("F_DES", SX_R_STRING, "b"));
  EXPECT_NE(std::string(sx_LastError()).find("not locked"), std::string::npos);
  EXPECT_FALSE(sx_PutBlob("F_INIT", "x", 1));
  ASSERT_TRUE(sx_Rlock(1)) << sx_LastError();
  ASSERT_TRUE(sx_Replace("F_DES", SX_R_STRING, "b"));
  ASSERT_TRUE(sx_Commit());
  sx_Unlock(1);
  // A shared append locks the new record for its writer.
  ASSERT_EQ(sx_AppendEx(), 2);
  EXPECT_TRUE(sx_Replace("F_DES", SX_R_STRING, "c")) << sx_LastError();
  EXPECT_TRUE(sx_Commit());
  sx_Unlock(0);
  sx_Close();
  ASSERT_GT(sx_Use(path.c_str(), nullptr, SX_READONLY, SX_FOX), 0);
  EXPECT_EQ(sx_RecCount(), 2);
  sx_GoBottom();
  EXPECT_STREQ(sx_GetTrimString("F_DES"), "c");
}

TEST_F(TableTest, ManyAppendsInExclusiveModeAreCounted) {
  std::string path = dir_.file("many.dbf");
  ASSERT_GT(createReport(path), 0);
  for (long i = 1; i <= 20000; ++i) {
    ASSERT_GT(sx_AppendEx(), 0);
    sx_Replace("F_PAGE", SX_R_INTEGER, &i);
  }
  sx_Commit();
  EXPECT_EQ(sx_RecCount(), 20000);
  sx_Go(12345);
  EXPECT_EQ(sx_GetLong("F_PAGE"), 12345);
  sx_Close();
  ASSERT_GT(sx_Use(path.c_str(), nullptr, SX_READONLY, SX_FOX), 0);
  EXPECT_EQ(sx_RecCount(), 20000);
  sx_GoBottom();
  EXPECT_EQ(sx_GetLong("F_PAGE"), 20000);
  auto bytes = readAll(path);
  EXPECT_EQ(bytes.back(), 0x1A);
}

TEST_F(TableTest, CreateRefusesBadDefinitions) {
  std::string path = dir_.file("bad.dbf");
  ASSERT_TRUE(sx_CreateNew(path.c_str(), nullptr, SX_FOX, 1));
  EXPECT_FALSE(sx_CreateField("TOOLONGNAME1", "C", 10, 0));
  EXPECT_FALSE(sx_CreateField("X", "Q", 10, 0));
  EXPECT_FALSE(sx_CreateField("N", "N", 30, 0));
  EXPECT_EQ(sx_CreateExec(), 0);  // no fields
  EXPECT_FALSE(sx_CreateField("LATE", "C", 1, 0));  // no definition open any more
}

}  // namespace
}  // namespace sdetest
