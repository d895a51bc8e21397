#include "margin_writer.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "apollo.h"
#include "data_error.h"
#include "margin_limits.h"
#include "report_description.h"
#include "sde32.h"
#include "settings_block.h"
#include "test_report.h"

namespace zel {
namespace {

constexpr char kName[] = "P_RPTB02.dbf";
// "<RPTCODE>=♬RPTB02♬" CR LF "<TITLE>=♬내역서♬" (CP949) CR LF "<FONT>=♬굴림체|10|100|0|129|♬"
const std::string kHead =
    "<RPTCODE>=\xA2\xDDRPTB02\xA2\xDD\r\n<TITLE>=\xA2\xDD\xB3\xBB\xBF\xAA\xBC\xAD\xA2\xDD\r\n"
    "<FONT>=\xA2\xDD\xB1\xBC\xB8\xB2\xC3\xBC|10|100|0|129|\xA2\xDD";

class MarginWriterTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = testing::makeTempDirectory("margin"); }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  void write(const std::string& settings) {
    testing::TestReport report;
    report.settings = settings;
    report.pages = {1, 1, 2};
    std::string error;
    ASSERT_TRUE(testing::writeTestReport(dir_, kName, report, &error)) << error;
  }
  std::string storedBlock() {
    MarginWriter reader;
    reader.load(dir_, kName);
    return reader.block();
  }
  std::string dbfBytes() { return testing::readFileBytes(dir_ + "/" + kName); }
  std::string fptBytes() { return testing::readFileBytes(dir_ + "/P_RPTB02.fpt"); }

  std::string dir_;
};

TEST_F(MarginWriterTest, NoPageSpaceReadsZerosAndAppendsOnSave) {
  write(kHead);
  MarginWriter writer;
  writer.load(dir_, kName);
  EXPECT_FALSE(writer.hasPageSpace());
  EXPECT_EQ(writer.margins(), (std::array<int, 4>{0, 0, 0, 0}));
  writer.save({"0", "0", "0", "0"});
  EXPECT_EQ(storedBlock(), kHead +
                               "\r\n<PAGESPACE>=\xA2\xDD"
                               "0|0|0|0|\xA2\xDD");
}

TEST_F(MarginWriterTest, ExistingValueIsReplacedInPlace) {
  std::string tail =
      "\r\n<OPT1>=\xA2\xDD"
      "0|1|NC|\xA2\xDD";
  write(kHead +
        "\r\n<PAGESPACE>=\xA2\xDD"
        "10|10|15|10|\xA2\xDD" +
        tail);
  MarginWriter writer;
  writer.load(dir_, kName);
  EXPECT_TRUE(writer.hasPageSpace());
  EXPECT_EQ(writer.margins(), (std::array<int, 4>{10, 10, 15, 10}));
  writer.save({"12", "8", "20", "5"});
  EXPECT_EQ(storedBlock(), kHead +
                               "\r\n<PAGESPACE>=\xA2\xDD"
                               "12|8|20|5|\xA2\xDD" +
                               tail);
}

TEST_F(MarginWriterTest, ConfirmingUnchangedWritesTheSameBlock) {
  std::string settings = kHead +
                         "\r\n<PAGESPACE>=\xA2\xDD"
                         "10|10|15|10|\xA2\xDD";
  write(settings);
  MarginWriter writer;
  writer.load(dir_, kName);
  std::array<int, 4> m = writer.margins();
  writer.save({std::to_string(m[0]), std::to_string(m[1]), std::to_string(m[2]), std::to_string(m[3])});
  EXPECT_EQ(storedBlock(), settings);
}

// Each save used to add the whole block to the memo file, unchanged or not:
// 295 saves took it from 2 KB to 474 KB.
TEST_F(MarginWriterTest, SavingTheSameMarginsWritesNothing) {
  write(kHead +
        "\r\n<PAGESPACE>=\xA2\xDD"
        "10|10|15|10|\xA2\xDD");
  const std::string dbfBefore = dbfBytes(), fptBefore = fptBytes();
  for (const std::array<std::string, 4>& same :
       {std::array<std::string, 4>{"10", "10", "15", "10"}, std::array<std::string, 4>{"010", "10", "0015", "10"}}) {
    for (int i = 0; i < 20; ++i) {
      MarginWriter writer;
      writer.load(dir_, kName);
      writer.save(same);
    }
  }
  EXPECT_EQ(fptBytes(), fptBefore);
  EXPECT_EQ(dbfBytes(), dbfBefore);
  // A change is still written.
  MarginWriter writer;
  writer.load(dir_, kName);
  writer.save({"11", "10", "15", "10"});
  EXPECT_NE(fptBytes(), fptBefore);
}

TEST_F(MarginWriterTest, NonNumericTokensReadAsZero) {
  write(kHead +
        "\r\n<PAGESPACE>=\xA2\xDD"
        "a|10||x5|\xA2\xDD");
  MarginWriter writer;
  writer.load(dir_, kName);
  EXPECT_EQ(writer.margins(), (std::array<int, 4>{0, 10, 0, 0}));
}

TEST_F(MarginWriterTest, FieldTextsAreWrittenAsPlainDigits) {
  write(kHead);
  MarginWriter writer;
  writer.load(dir_, kName);
  writer.save({"1,00", "007", "", " 7"});
  EXPECT_EQ(GetKey(storedBlock(), "PAGESPACE"), "100|7|0|7|");
}

// Values the block cannot read back, or that leave no room for the frame,
// are refused before anything is written.
TEST_F(MarginWriterTest, UnusableMarginsAreRefusedAndNothingIsWritten) {
  write(kHead);
  const std::array<std::array<std::string, 4>, 6> refused{{
      {"1,000", "0", "0", "0"},  // top alone past the page
      {"9999999999", "0", "0", "0"},  // past what a token reads back
      {"1000000000", "0", "0", "0"},  // read back cut to 100000000
      {"75", "74", "0", "0"},  // height 2970 just exceeded
      {"0", "0", "53", "52"},  // width 2100 just exceeded
      {"-1", "0", "0", "0"},  // not a whole number
  }};
  for (const auto& fields : refused) {
    MarginWriter writer;
    writer.load(dir_, kName);
    const std::string before = storedBlock();
    EXPECT_THROW(writer.save(fields), DataError) << fields[0] << " " << fields[2];
    EXPECT_EQ(storedBlock(), before);
    EXPECT_NE(MarginProblem(fields, false), "");
  }
  EXPECT_EQ(MarginProblem({"74", "74", "52", "52"}, false), "");
  EXPECT_EQ(MarginProblem({"52", "52", "74", "74"}, true), "");
  EXPECT_NE(MarginProblem({"74", "74", "52", "52"}, true), "");
  EXPECT_EQ(MaxVerticalMargins(false), 148);
  EXPECT_EQ(MaxHorizontalMargins(false), 104);
}

// A report the panel calls unusable (its settings block holds nothing) is
// never written to, whoever calls the writer: before, the save appended a
// PAGESPACE entry and grew the memo file by a block.
TEST_F(MarginWriterTest, ReportWhoseSettingsDoNotReadIsRefusedAndNothingIsWritten) {
  for (const char* blank : {"", " ", "\r\n", " \t\r\n  "}) {
    SCOPED_TRACE(::testing::PrintToString(std::string(blank)));
    write(blank);
    const std::string dbfBefore = dbfBytes();
    const std::string fptBefore = fptBytes();
    MarginWriter writer;
    writer.load(dir_, kName);
    try {
      writer.save({"10", "10", "15", "10"});
      ADD_FAILURE() << "saved into an unusable report";
    } catch (const DataError& e) {
      const std::string why = e.what();
      EXPECT_NE(why.find(dir_ + "/" + kName), std::string::npos) << why;
      EXPECT_NE(why.find(kUnreadableSettingsText), std::string::npos) << why;
    }
    EXPECT_EQ(dbfBytes(), dbfBefore);
    EXPECT_EQ(fptBytes(), fptBefore);
  }
}

// Every change used to add the whole block to the memo file: the blocks a
// replaced text held are now reused by a later one, never those a record
// points to, so the file stops growing after the first saves.
TEST_F(MarginWriterTest, ManyChangingSavesKeepTheMemoFileBounded) {
  write(kHead +
        "\r\n<PAGESPACE>=\xA2\xDD"
        "10|10|15|10|\xA2\xDD");
  const auto fptSize = [&] { return std::filesystem::file_size(dir_ + "/P_RPTB02.fpt"); };
  std::uintmax_t afterFirst = 0;
  for (int i = 0; i < 300; ++i) {
    // One to three digits a token, so the text's length changes too (top and
    // bottom at most 148 together, left and right 104).
    const std::array<int, 4> margins{i % 7 * 20, i % 9, i % 74, i % 3 * 15};
    const std::array<std::string, 4> texts{std::to_string(margins[0]), std::to_string(margins[1]),
                                           std::to_string(margins[2]), std::to_string(margins[3])};
    {
      MarginWriter writer;
      writer.load(dir_, kName);
      writer.save(texts);
    }
    MarginWriter reader;
    reader.load(dir_, kName);
    ASSERT_EQ(reader.margins(), margins) << "save " << i;
    if (i == 0) afterFirst = fptSize();
  }
  // At most one memo's blocks (the block plus its 8-byte header, in 64-byte blocks) more.
  const std::uintmax_t oneMemo = (kHead.size() + 40 + 8 + 63) / 64 * 64;
  EXPECT_LE(fptSize(), afterFirst + oneMemo);
  // The other records still read.
  TTable table;
  table.DatabaseName = dir_;
  table.TableName = kName;
  table.TableType = ttSXFOX;
  table.Open();
  EXPECT_EQ(table.RecordCount(), 3);
}

TEST_F(MarginWriterTest, OtherRecordsAreUntouched) {
  write(kHead);
  MarginWriter writer;
  writer.load(dir_, kName);
  writer.save({"1", "2", "3", "4"});
  TTable table;
  table.DatabaseName = dir_;
  table.TableName = kName;
  table.TableType = ttSXFOX;
  table.Open();
  EXPECT_EQ(table.RecordCount(), 3);
  table.Last();
  EXPECT_EQ(table.FieldAsString("F_DES"), "line 3" + std::string(34, ' '));
}

// A report that does not open says why, not that a closed table cannot be read.
TEST_F(MarginWriterTest, UnopenableReportRaisesTheEngineReason) {
  struct Case {
    const char* name;
    std::size_t keepBytes;  // the table cut to this many bytes; 0: no file at all
    const char* reason;
  } cases[] = {{"missing", 0, "no such file"}, {"cut short", 32, "past the end"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(dir_ + "/" + kName);
    if (c.keepBytes) {
      write(kHead);
      std::filesystem::resize_file(dir_ + "/" + kName, c.keepBytes);
    }
    MarginWriter writer;
    try {
      writer.load(dir_, kName);
      ADD_FAILURE() << "no error";
    } catch (const DataError& e) {
      EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
      EXPECT_EQ(std::string(e.what()).find("closed table"), std::string::npos) << e.what();
    }
    EXPECT_EQ(std::filesystem::exists(dir_ + "/" + kName), c.keepBytes != 0);
  }
}

// Every write and every flush of a save, failed in turn: the save reports the
// failure, the table's bytes and the stored margins stay as they were, and the
// next save works. The memo file may keep the unused blocks of the failed text.
TEST_F(MarginWriterTest, FailedWriteOrFlushLeavesTheReportUnchanged) {
  const std::string before = kHead +
                             "\r\n<PAGESPACE>=\xA2\xDD"
                             "10|10|15|10|\xA2\xDD";
  for (int op : {SX_FAULT_WRITE, SX_FAULT_SYNC}) {
    int failures = 0;
    for (long nth = 1; nth < 50; ++nth) {
      SCOPED_TRACE((op == SX_FAULT_WRITE ? "write " : "flush ") + std::to_string(nth));
      write(before);
      const std::string dbfBefore = dbfBytes();
      MarginWriter writer;
      writer.load(dir_, kName);
      sx_FailNthFileOperation(op, nth);
      bool failed = false;
      try {
        writer.save({"1", "2", "3", "4"});
      } catch (const DataError& e) {
        failed = true;
        EXPECT_NE(std::string(e.what()).find("여백을 저장하지 못했습니다."), std::string::npos) << e.what();
      }
      sx_FailNthFileOperation(op, 0);
      if (!failed) {
        EXPECT_EQ(GetKey(storedBlock(), "PAGESPACE"), "1|2|3|4|");
        break;
      }
      ++failures;
      EXPECT_EQ(dbfBytes(), dbfBefore);
      EXPECT_EQ(storedBlock(), before);
      writer.save({"5", "6", "7", "8"});
      EXPECT_EQ(GetKey(storedBlock(), "PAGESPACE"), "5|6|7|8|");
    }
    EXPECT_GT(failures, 1) << "the save makes several writes and flushes";
  }
}

TEST(PageSpaceValue, JoinsPlainDigits) {
  EXPECT_EQ(pageSpaceValue({"10", "10", "15", "10"}), "10|10|15|10|");
  EXPECT_EQ(pageSpaceValue({"999,999,999,999", "0", "0", "0"}), "999999999999|0|0|0|");
}

#ifndef _WIN32
// fork() has no Windows counterpart; there sde_lock_process_test runs the
// engine's locks across two processes.
// Another process holds the lock on the first record: the save fails with a
// message for the user and neither file changes.
TEST_F(MarginWriterTest, RecordLockedByAnotherProcess) {
  write(kHead +
        "\r\n<PAGESPACE>=\xA2\xDD"
        "10|10|15|10|\xA2\xDD");
  std::string dbfBefore = dbfBytes();
  std::string fptBefore = fptBytes();

  int locked[2], release[2];
  ASSERT_EQ(::pipe(locked), 0);
  ASSERT_EQ(::pipe(release), 0);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    char c = 'n';
    TTable table;  // holds the lock until the parent is done
    try {
      table.DatabaseName = dir_;
      table.TableName = kName;
      table.TableType = ttSXFOX;
      table.Open();
      table.First();
      table.Edit();
      c = 'y';
    } catch (...) {}
    (void)!::write(locked[1], &c, 1);
    (void)!::read(release[0], &c, 1);
    ::_exit(0);
  }
  char state = 0;
  ASSERT_EQ(::read(locked[0], &state, 1), 1);
  ASSERT_EQ(state, 'y');

  MarginWriter writer;
  writer.load(dir_, kName);
  try {
    writer.save({"1", "2", "3", "4"});
    ADD_FAILURE() << "save succeeded under another process's lock";
  } catch (const DataError& e) {
    EXPECT_NE(std::string(e.what()).find("다른 프로그램이 이 보고서를 사용하고 있어"), std::string::npos) << e.what();
  }
  char c = 'x';
  (void)!::write(release[1], &c, 1);
  int status = 0;
  ::waitpid(child, &status, 0);
  for (int fd : {locked[0], locked[1], release[0], release[1]}) ::close(fd);

  EXPECT_EQ(dbfBytes(), dbfBefore);
  EXPECT_EQ(fptBytes(), fptBefore);
}

#endif  // _WIN32

}  // namespace
}  // namespace zel
