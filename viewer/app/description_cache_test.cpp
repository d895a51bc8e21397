#include "description_cache.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "test_report.h"

namespace zel {
namespace {

constexpr char kName[] = "P_RPTB02.dbf";
const std::string kBlock = "<RPTCODE>=\xA2\xDDRPTB02\xA2\xDD";

class DescriptionCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = testing::makeTempDirectory("cache");
    write({1, 1, 2});
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  void write(std::vector<std::optional<int>> pages, const std::string& settings = kBlock) {
    testing::TestReport report;
    report.settings = settings;
    report.pages = std::move(pages);
    ASSERT_TRUE(testing::writeTestReport(dir_, kName, report));
  }
  // Moves a file's modification time by `seconds` without touching its bytes.
  void age(const std::string& file, int seconds) {
    const std::string path = dir_ + "/" + file;
    std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::seconds(seconds));
  }

  // Sets a file's modification time to `seconds` after 2020-01-01 00:00:00 UTC
  // plus `milliseconds`, finer than a second on both systems.
  void setModified(const std::string& file, long long seconds, int milliseconds) {
    ASSERT_TRUE(testing::setModifiedTime(dir_ + "/" + file, seconds, milliseconds));
  }

  std::string dir_;
  int reads_ = 0;
  DescriptionCache cache_{[this](const std::string& d, const std::string& n) {
    ++reads_;
    return describeReport(d, n);
  }};
};

TEST_F(DescriptionCacheTest, UnchangedReportIsReadOnce) {
  EXPECT_EQ(cache_.describe(dir_, kName).pages, "2");
  EXPECT_EQ(cache_.describe(dir_, kName).pages, "2");
  EXPECT_EQ(cache_.describe(dir_, kName).title, "내    역    서");
  EXPECT_EQ(reads_, 1);
}

// Each change of the table or its memo file, alone, is read again.
TEST_F(DescriptionCacheTest, AnyChangeOfEitherFileIsReadAgain) {
  struct Change {
    const char* name;
    std::function<void()> make;
    std::string pages;
  } changes[] = {
      {"table newer", [&] { age(kName, 5); }, "2"},
      {"memo newer", [&] { age("P_RPTB02.fpt", 5); }, "2"},
      {"table older", [&] { age(kName, -100); }, "2"},
      {"rewritten with more pages",
       [&] {
         write({1, 2, 3, 4});
       },
       "4"},
      {"replaced by another file of the same size and time",
       [&] {
         const auto time = std::filesystem::last_write_time(dir_ + "/" + kName);
         std::filesystem::copy_file(dir_ + "/" + kName, dir_ + "/copy.dbf");
         std::filesystem::rename(dir_ + "/copy.dbf", dir_ + "/" + kName);
         std::filesystem::last_write_time(dir_ + "/" + kName, time);
       },
       "4"},
  };
  cache_.describe(dir_, kName);
  int expected = 1;
  for (const Change& c : changes) {
    SCOPED_TRACE(c.name);
    c.make();
    EXPECT_EQ(cache_.describe(dir_, kName).pages, c.pages);
    EXPECT_EQ(reads_, ++expected);
    cache_.describe(dir_, kName);
    EXPECT_EQ(reads_, expected) << "read again without a change";
  }
}

// A settings block changed in place keeps the memo file's size and identity;
// only its time tells, and it may move by less than a second.
TEST_F(DescriptionCacheTest, ChangeWithinTheSameSecondIsReadAgain) {
  const std::string memo = "P_RPTB02.fpt";
  setModified(memo, 100, 100);
  EXPECT_EQ(cache_.describe(dir_, kName).title, "내    역    서");
  const std::string before = testing::readFileBytes(dir_ + "/" + memo);
  {
    // The same block, its code changed: the same length in the same place.
    std::string after = before;
    const std::size_t at = after.find("RPTB02");
    ASSERT_NE(at, std::string::npos);
    after.replace(at, 6, "RPTB01");
    std::fstream out(dir_ + "/" + memo, std::ios::binary | std::ios::in | std::ios::out);
    out.write(after.data(), static_cast<std::streamsize>(after.size()));
  }
  setModified(memo, 100, 600);
  cache_.describe(dir_, kName);
  EXPECT_EQ(reads_, 2);
  cache_.describe(dir_, kName);
  EXPECT_EQ(reads_, 2) << "read again without a change";
}

// A file that is not a report may become one without its bytes changing in
// a way the stamp sees (another program's hold goes away): never kept.
TEST_F(DescriptionCacheTest, RefusalsAreNotKept) {
  std::filesystem::remove(dir_ + "/P_RPTB02.fpt");
  EXPECT_EQ(cache_.describe(dir_, kName).kind, ReportKind::kNotAReport);
  EXPECT_EQ(cache_.describe(dir_, kName).kind, ReportKind::kNotAReport);
  EXPECT_EQ(reads_, 2);
  EXPECT_EQ(cache_.describe(dir_, "MISSING.dbf").kind, ReportKind::kNotAReport);
  EXPECT_EQ(cache_.describe(dir_, "MISSING.dbf").kind, ReportKind::kNotAReport);
  EXPECT_EQ(reads_, 4);
}

TEST_F(DescriptionCacheTest, ForgetReadsAgain) {
  cache_.describe(dir_, kName);
  cache_.forget(dir_, kName);
  cache_.describe(dir_, kName);
  EXPECT_EQ(reads_, 2);
}

TEST_F(DescriptionCacheTest, OldestAnswerMakesRoom) {
  DescriptionCache small(
      [this](const std::string& d, const std::string& n) {
        ++reads_;
        return describeReport(d, n);
      },
      2);
  for (const char* name : {"A_RPTB02.dbf", "B_RPTB02.dbf", "C_RPTB02.dbf"}) {
    testing::TestReport report;
    report.settings = kBlock;
    ASSERT_TRUE(testing::writeTestReport(dir_, name, report));
  }
  small.describe(dir_, "A_RPTB02.dbf");
  small.describe(dir_, "B_RPTB02.dbf");
  small.describe(dir_, "A_RPTB02.dbf");  // A is the newest now
  small.describe(dir_, "C_RPTB02.dbf");  // B goes
  EXPECT_EQ(reads_, 3);
  small.describe(dir_, "A_RPTB02.dbf");
  EXPECT_EQ(reads_, 3);
  small.describe(dir_, "B_RPTB02.dbf");
  EXPECT_EQ(reads_, 4);
}

}  // namespace
}  // namespace zel
