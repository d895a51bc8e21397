#include "report_listing.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "test_report.h"

namespace zel {
namespace {

class ReportListingTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = testing::makeTempDirectory("listing"); }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  void touch(const std::string& name, std::size_t size = 0) {
    std::ofstream out(dir_ + "/" + name, std::ios::binary);
    out << std::string(size, 'x');
  }
  void mkdir(const std::string& name) { std::filesystem::create_directory(dir_ + "/" + name); }

  static std::vector<std::string> names(const std::vector<ReportFileRow>& rows) {
    std::vector<std::string> result;
    for (const ReportFileRow& row : rows) result.push_back(row.name);
    std::sort(result.begin(), result.end());
    return result;
  }

  std::string dir_;
};

TEST_F(ReportListingTest, ListsOnlyOneCharacterThenRptb02) {
  touch("A_RPTB02x.dbf", 10);
  touch("A_RPTB01.dbf");
  touch("a_rptb02.dbf");
  touch("B_RPTB02.DBF");
  touch("x.dbf");
  touch("AB_RPTB02.dbf");
  touch("Z_RPTB02.txt");
  touch("report.xls");
  mkdir("C_RPTB02.dbf");
  EXPECT_EQ(names(listReportFiles(dir_)), (std::vector<std::string>{"A_RPTB02x.dbf", "B_RPTB02.DBF"}));
}

TEST_F(ReportListingTest, RowCarriesTitleSizeAndDate) {
  touch("P_RPTB02.dbf", 1234);
  ::utimbuf times{};
  times.actime = times.modtime = 1700000000;
  ASSERT_EQ(::utime((dir_ + "/P_RPTB02.dbf").c_str(), &times), 0);
  std::vector<ReportFileRow> rows = listReportFiles(dir_);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].title, "내    역    서");
  EXPECT_EQ(rows[0].size, 1234u);
  EXPECT_EQ(formatFileSize(rows[0].size), "1234");
  EXPECT_EQ(rows[0].lastWrite, 1700000000);
}

TEST_F(ReportListingTest, NamesShorterThanSixAreNeverListed) {
  touch("A.dbf");
  touch("A_RPT");
  EXPECT_TRUE(listReportFiles(dir_).empty());
}

TEST_F(ReportListingTest, DirectoryFileCountTakesRptDbfAndEveryXls) {
  EXPECT_EQ(countReportFiles(dir_), 0);
  touch("A_RPTB01.dbf");
  touch("a_rptb02.DBF");  // "_rpt" is not "_RPT"
  touch("Q_RPT.dbf");
  touch("book.xls");
  touch("noext");
  touch("NOTE_RPT");  // no extension: the whole name is compared
  mkdir("D_RPTB02.dbf");
  EXPECT_EQ(countReportFiles(dir_), 3);
}

TEST_F(ReportListingTest, OtherKindsOnlyListNothing) {
  touch("A_RPTB01.dbf");
  touch("sheet.XLS");
  EXPECT_GT(countReportFiles(dir_), 0);
  EXPECT_TRUE(listReportFiles(dir_).empty());
  EXPECT_EQ(listingStatusText(0), "보고서파일이 없습니다. 디렉토리설정을 해주십시요.");
  EXPECT_EQ(listingCaption(dir_, 0), "ZEL-C 보고서 Viewer  [ " + dir_ + " ](총0개 파일)");
}

TEST_F(ReportListingTest, MissingDirectoryListsNothing) {
  EXPECT_TRUE(listReportFiles(dir_ + "/absent").empty());
  EXPECT_EQ(countReportFiles(dir_ + "/absent"), 0);
}

TEST(ReportListingTexts, Caption) {
  EXPECT_EQ(listingCaption("/data/rpt", 12), "ZEL-C 보고서 Viewer  [ /data/rpt ](총12개 파일)");
  EXPECT_EQ(listingStatusText(3), "");
}

TEST(ReportListingTexts, DbfPatternIgnoresCase) {
  EXPECT_TRUE(matchesDbfPattern("A_RPTB02.dbf"));
  EXPECT_TRUE(matchesDbfPattern("A_RPTB02.DbF"));
  EXPECT_FALSE(matchesDbfPattern("A_RPTB02.dbf.bak"));
  EXPECT_FALSE(matchesDbfPattern("dbf"));
}

TEST(ReportListingTexts, ListedNames) {
  EXPECT_TRUE(isListedReportName("A_RPTB02.dbf"));
  EXPECT_TRUE(isListedReportName("L_RPTB02_2.dbf"));
  EXPECT_FALSE(isListedReportName("A_RPTB01.dbf"));
  EXPECT_FALSE(isListedReportName("a_rptb02.dbf"));
  EXPECT_FALSE(isListedReportName("_RPTB02"));
  EXPECT_FALSE(isListedReportName("A_RPT"));
}

TEST(ReportListingTexts, DateLeavesOutMidnight) {
  std::tm local{};
  local.tm_year = 2024 - 1900;
  local.tm_mon = 2;
  local.tm_mday = 5;
  local.tm_isdst = -1;
  std::time_t midnight = std::mktime(&local);
  EXPECT_EQ(formatFileDate(midnight), "2024-03-05");
  EXPECT_EQ(formatFileDate(midnight + 3600 * 13 + 60 * 4 + 5), "2024-03-05 13:04:05");
}

}  // namespace
}  // namespace zel
