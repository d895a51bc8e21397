// Damaged tables and memo files: every check gives a clear error naming the
// file, never a crash or a read past the end. Each test damages one thing.
#include "test_support.h"

namespace sdetest {
namespace {

constexpr size_t kHeaderLen = 32 + 6 * 32 + 1;
constexpr size_t kRecLen = 80;
constexpr size_t kMemoFieldOffset = 1 + 5 + 40 + 15 + 8 + 1;

class CorruptTableTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    dbf_ = dir_.file("bad.dbf");
    fpt_ = dir_.file("bad.fpt");
    ASSERT_GT(createReport(dbf_), 0);
    appendLine(1, "one");
    sx_Replace("F_INIT", SX_R_MEMO, "settings");
    appendLine(2, "two");
    sx_Commit();
    sx_Close();
    bytes_ = readAll(dbf_);
    memo_ = readAll(fpt_);
  }
  void put16(size_t at, uint16_t v) {
    bytes_[at] = uint8_t(v);
    bytes_[at + 1] = uint8_t(v >> 8);
  }
  void save() {
    writeAll(dbf_, bytes_);
    writeAll(fpt_, memo_);
  }
  // Opening fails and the message names the file.
  void expectOpenFails(const std::string& what) {
    save();
    EXPECT_EQ(sx_Use(dbf_.c_str(), nullptr, SX_SHARED, SX_FOX), 0);
    std::string err = sx_LastError();
    EXPECT_NE(err.find("bad."), std::string::npos) << err;
    EXPECT_NE(err.find(what), std::string::npos) << err;
  }
  // Opens and reads record 1's memo, which must fail cleanly.
  void expectMemoFails(const std::string& what) {
    save();
    ASSERT_GT(sx_Use(dbf_.c_str(), nullptr, SX_SHARED, SX_FOX), 0) << sx_LastError();
    sx_GoTop();
    EXPECT_EQ(sx_GetMemo("F_INIT", 0), nullptr);
    std::string err = sx_LastError();
    EXPECT_NE(err.find("bad.fpt"), std::string::npos) << err;
    EXPECT_NE(err.find(what), std::string::npos) << err;
    EXPECT_EQ(sx_LastErrorKind(), SX_ERR_CORRUPT) << err;
    EXPECT_STREQ(sx_GetTrimString("F_DES"), "one");  // the rest of the record still reads
  }
  void setMemoPointer(const std::string& digits) {
    std::string padded = std::string(10 - digits.size(), ' ') + digits;
    std::copy(padded.begin(), padded.end(), bytes_.begin() + long(kHeaderLen + kMemoFieldOffset));
  }

  TempDir dir_;
  std::string dbf_, fpt_;
  std::vector<uint8_t> bytes_, memo_;
};

TEST_F(CorruptTableTest, FileShorterThanHeader) {
  bytes_.resize(20);
  expectOpenFails("truncated");
}

TEST_F(CorruptTableTest, EmptyFile) {
  bytes_.clear();
  expectOpenFails("truncated");
}

TEST_F(CorruptTableTest, UnknownVersionByte) {
  bytes_[0] = 0x99;
  expectOpenFails("version");
}

TEST_F(CorruptTableTest, HeaderLengthPastEnd) {
  put16(8, 0xFFF0);
  expectOpenFails("past the end");
}

TEST_F(CorruptTableTest, HeaderLengthTooSmall) {
  put16(8, 16);
  expectOpenFails("too small");
}

TEST_F(CorruptTableTest, FieldDescriptorPastHeader) {
  put16(8, 32 + 32 + 16);
  expectOpenFails("past the header");
}

TEST_F(CorruptTableTest, NoFieldTerminator) {
  put16(8, 32 + 6 * 32);
  expectOpenFails("not terminated");
}

TEST_F(CorruptTableTest, RecordLengthNotMatchingFields) {
  put16(10, kRecLen + 1);
  expectOpenFails("does not match");
}

TEST_F(CorruptTableTest, RecordLengthZero) {
  put16(10, 0);
  expectOpenFails("record length");
}

TEST_F(CorruptTableTest, FieldWidthZero) {
  bytes_[32 + 16] = 0;
  expectOpenFails("width 0");
}

TEST_F(CorruptTableTest, FieldOfUnknownType) {
  bytes_[32 + 11] = 'Z';
  expectOpenFails("unknown type");
}

TEST_F(CorruptTableTest, NoFields) {
  bytes_[32] = 0x0D;
  expectOpenFails("no fields");
}

TEST_F(CorruptTableTest, AbsurdRecordCountIsClampedToTheFile) {
  bytes_[4] = 0xFF;
  bytes_[5] = 0xFF;
  bytes_[6] = 0xFF;
  bytes_[7] = 0x7F;
  save();
  ASSERT_GT(sx_Use(dbf_.c_str(), nullptr, SX_SHARED, SX_FOX), 0) << sx_LastError();
  EXPECT_EQ(sx_RecCount(), 2);
  sx_GoBottom();
  EXPECT_STREQ(sx_GetTrimString("F_DES"), "two");
}

TEST_F(CorruptTableTest, TruncatedLastRecordIsNotCounted) {
  bytes_.resize(kHeaderLen + kRecLen + 30);
  save();
  ASSERT_GT(sx_Use(dbf_.c_str(), nullptr, SX_SHARED, SX_FOX), 0) << sx_LastError();
  EXPECT_EQ(sx_RecCount(), 1);
  sx_Go(2);
  EXPECT_TRUE(sx_Eof());
  sx_GoBottom();
  EXPECT_STREQ(sx_GetTrimString("F_DES"), "one");
}

// The open trusts what the file holds; the shortfall against the header's
// count is there for callers that must not print short in silence.
TEST_F(CorruptTableTest, MissingBytesMeasureTheShortfallAgainstTheHeader) {
  struct Case {
    size_t size;  // file size kept (0: as written)
    uint8_t count;  // record count in the header
    long missing;
  };
  const size_t whole = kHeaderLen + 2 * kRecLen;
  for (const Case& c : {Case{0, 2, 0}, Case{whole, 2, 0}, Case{whole + 30, 2, 0}, Case{whole - 1, 2, 1},
                        Case{kHeaderLen + kRecLen + 30, 2, long(kRecLen) - 30}, Case{0, 5, long(3 * kRecLen) - 1}}) {
    std::vector<uint8_t> bytes = bytes_;
    if (c.size) bytes.resize(c.size, ' ');
    bytes[4] = c.count;
    writeAll(dbf_, bytes);
    ASSERT_GT(sx_Use(dbf_.c_str(), nullptr, SX_SHARED, SX_FOX), 0) << sx_LastError();
    EXPECT_EQ(sx_SysProp(SX_SP_MISSINGBYTES), c.missing) << c.size << " " << int(c.count);
    sx_Close();
  }
}

TEST_F(CorruptTableTest, AnExclusiveHoldIsReportedAsBusy) {
  save();
  ASSERT_GT(sx_Use(dbf_.c_str(), "FIRST", SX_EXCLUSIVE, SX_FOX), 0) << sx_LastError();
  sx_SetLockTimeout(0);
  EXPECT_EQ(sx_Use(dbf_.c_str(), "SECOND", SX_SHARED, SX_FOX), 0);
  EXPECT_EQ(sx_LastErrorKind(), SX_ERR_BUSY) << sx_LastError();
  EXPECT_EQ(sx_Use(dir_.file("none.dbf").c_str(), "THIRD", SX_SHARED, SX_FOX), 0);
  EXPECT_EQ(sx_LastErrorKind(), SX_ERR_NOTFOUND);
  EXPECT_EQ(sx_LastErrno(), ENOENT);
}

// The kind (and errno) of a failure reaches the caller of the C interface, so
// it can be worded without reading the English text.
TEST_F(CorruptTableTest, EachFailureCarriesItsKind) {
  save();
  ASSERT_GT(sx_Use(dbf_.c_str(), "T", SX_SHARED, SX_FOX), 0) << sx_LastError();
  sx_GoTop();
  EXPECT_EQ(sx_GetMemo("F_DES", 0), nullptr);
  EXPECT_EQ(sx_LastErrorKind(), SX_ERR_FIELDTYPE) << sx_LastError();
  EXPECT_EQ(sx_LastErrno(), 0);
  EXPECT_EQ(sx_GetMemo("F_NONE", 0), nullptr);
  EXPECT_EQ(sx_LastErrorKind(), SX_ERR_NOTFOUND) << sx_LastError();
  EXPECT_EQ(sx_IndexOpen("none.cdx"), 0);
  EXPECT_EQ(sx_LastErrorKind(), SX_ERR_NOTFOUND) << sx_LastError();
  EXPECT_EQ(sx_LastErrno(), ENOENT);
  sx_Close();
  EXPECT_EQ(sx_Use(dbf_.c_str(), "T", SX_SHARED, 7), 0);
  EXPECT_EQ(sx_LastErrorKind(), SX_ERR_ARGUMENT) << sx_LastError();
}

#ifndef _WIN32
TEST_F(CorruptTableTest, AnUnreadableFileIsAnInputOutputErrorWithItsErrno) {
  if (::geteuid() == 0) GTEST_SKIP() << "the superuser reads every file";
  save();
  std::filesystem::permissions(dbf_, std::filesystem::perms::none);
  EXPECT_EQ(sx_Use(dbf_.c_str(), "T", SX_SHARED, SX_FOX), 0);
  EXPECT_EQ(sx_LastErrorKind(), SX_ERR_IO) << sx_LastError();
  EXPECT_EQ(sx_LastErrno(), EACCES);
}
#endif

TEST_F(CorruptTableTest, MemoFileMissing) {
  save();
  std::filesystem::remove(fpt_);
  EXPECT_EQ(sx_Use(dbf_.c_str(), nullptr, SX_SHARED, SX_FOX), 0);
  EXPECT_NE(std::string(sx_LastError()).find("memo file missing"), std::string::npos) << sx_LastError();
}

TEST_F(CorruptTableTest, MemoHeaderTruncated) {
  memo_.resize(100);
  expectOpenFails("memo header truncated");
}

TEST_F(CorruptTableTest, BlockSizeZero) {
  memo_[6] = 0;
  memo_[7] = 0;
  expectOpenFails("block size 0");
}

TEST_F(CorruptTableTest, MemoPointerPastEnd) {
  setMemoPointer("999999");
  expectMemoFails("past the end");
}

TEST_F(CorruptTableTest, MemoPointerIntoHeader) {
  setMemoPointer("1");
  expectMemoFails("header");
}

TEST_F(CorruptTableTest, MemoPointerNotANumber) {
  setMemoPointer("12x4");
  save();
  ASSERT_GT(sx_Use(dbf_.c_str(), nullptr, SX_SHARED, SX_FOX), 0);
  sx_GoTop();
  EXPECT_EQ(sx_GetMemo("F_INIT", 0), nullptr);
  EXPECT_NE(std::string(sx_LastError()).find("not a number"), std::string::npos) << sx_LastError();
}

TEST_F(CorruptTableTest, MemoPointerTooLarge) {
  setMemoPointer("9999999999");
  save();
  ASSERT_GT(sx_Use(dbf_.c_str(), nullptr, SX_SHARED, SX_FOX), 0);
  sx_GoTop();
  EXPECT_EQ(sx_GetMemo("F_INIT", 0), nullptr);
  EXPECT_NE(std::string(sx_LastError()).find("too large"), std::string::npos) << sx_LastError();
}

TEST_F(CorruptTableTest, MemoLengthPastEnd) {
  // The first text block sits right after the 512-byte header; its length is bytes 4..7.
  memo_[512 + 4] = 0x7F;
  expectMemoFails("past the end");
  EXPECT_EQ(sx_GetBlobLength("F_INIT"), 0);
}

TEST_F(CorruptTableTest, MemoFileCutInsideText) {
  memo_.resize(512 + 10);
  expectMemoFails("past the end");
}

TEST_F(CorruptTableTest, MemoNextFreePastEndRefusesWritesAndKeepsTheTable) {
  memo_[0] = 0x7F;  // next-free block, big-endian
  save();
  ASSERT_GT(sx_Use(dbf_.c_str(), nullptr, SX_SHARED, SX_FOX), 0) << sx_LastError();
  sx_GoTop();
  ASSERT_TRUE(sx_Rlock(1));
  EXPECT_FALSE(sx_Replace("F_INIT", SX_R_MEMO, "new text"));
  EXPECT_NE(std::string(sx_LastError()).find("next-free"), std::string::npos) << sx_LastError();
  EXPECT_EQ(memo("F_INIT"), "settings");
  sx_Close();
  EXPECT_LT(std::filesystem::file_size(fpt_), 4096u);
}

TEST_F(CorruptTableTest, MemoNextFreeInsideUsedBlocksNeverOverwritesThem) {
  memo_[3] = 512 / 64;  // next-free points back at record 1's text
  save();
  ASSERT_GT(sx_Use(dbf_.c_str(), nullptr, SX_SHARED, SX_FOX), 0);
  sx_Go(2);
  ASSERT_TRUE(sx_Rlock(2));
  ASSERT_TRUE(sx_Replace("F_INIT", SX_R_MEMO, "record two")) << sx_LastError();
  ASSERT_TRUE(sx_Commit());
  EXPECT_EQ(memo("F_INIT"), "record two");
  sx_GoTop();
  EXPECT_EQ(memo("F_INIT"), "settings");
}

// Opens the damaged table and reads everything; any outcome but a crash is fine.
void walkEverything(const std::string& dbf) {
  if (sx_Use(dbf.c_str(), nullptr, SX_READONLY, SX_FOX) == 0) {
    EXPECT_STRNE(sx_LastError(), "");
    return;
  }
  for (sx_GoTop(); !sx_Eof(); sx_Skip(1)) {
    for (int i = 1; i <= sx_FieldCount(); ++i) (void)sx_GetString(sx_FieldName(i));
    char* m = sx_GetMemo("F_INIT", 0);
    if (!m) {
      EXPECT_STRNE(sx_LastError(), "");
    }
    sx_MemDealloc(m);
  }
  sx_Close();
}

TEST_F(CorruptTableTest, EveryTruncationOfTheTableOpensOrFailsCleanly) {
  for (size_t n = 0; n < bytes_.size(); ++n) {
    writeAll(dbf_, std::vector<uint8_t>(bytes_.begin(), bytes_.begin() + long(n)));
    writeAll(fpt_, memo_);
    walkEverything(dbf_);
  }
}

TEST_F(CorruptTableTest, EveryTruncationOfTheMemoFileOpensOrFailsCleanly) {
  for (size_t n = 0; n < memo_.size(); ++n) {
    writeAll(dbf_, bytes_);
    writeAll(fpt_, std::vector<uint8_t>(memo_.begin(), memo_.begin() + long(n)));
    walkEverything(dbf_);
  }
}

TEST_F(CorruptTableTest, EveryHeaderByteSetToExtremesOpensOrFailsCleanly) {
  for (size_t at = 0; at < kHeaderLen; ++at) {
    for (uint8_t v : {uint8_t(0x00), uint8_t(0xFF), uint8_t(0x0D)}) {
      std::vector<uint8_t> damaged = bytes_;
      damaged[at] = v;
      writeAll(dbf_, damaged);
      writeAll(fpt_, memo_);
      walkEverything(dbf_);
    }
  }
}

}  // namespace
}  // namespace sdetest
