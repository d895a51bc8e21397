// The listing and the description panel over the bundled sample reports, as
// the report writer makes them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "report_description.h"
#include "report_listing.h"
#include "sample_reports.h"
#include "test_report.h"

namespace zel {
namespace {

class SampleDescriptionTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = testing::makeTempDirectory("samples");
    Status status = reportwriter::writeSampleSet(dir_);
    ASSERT_TRUE(status.isOk()) << status.message();
  }
  static void TearDownTestSuite() { std::filesystem::remove_all(dir_); }

  static std::string dir_;
};

std::string SampleDescriptionTest::dir_;

TEST_F(SampleDescriptionTest, ListsTheItemizedStatementsOnly) {
  std::vector<std::string> names;
  for (const ReportFileRow& row : listReportFiles(dir_)) {
    names.push_back(row.name);
    EXPECT_EQ(row.title, "내    역    서") << row.name;
    EXPECT_EQ(row.size, std::filesystem::file_size(dir_ + "/" + row.name));
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"L_RPTB02_SAMPLE.dbf", "P_RPTB02_BROKEN.dbf", "P_RPTB02_MARGIN.dbf",
                                             "P_RPTB02_SAMPLE.dbf"}));
  EXPECT_EQ(countReportFiles(dir_), 5);
}

TEST_F(SampleDescriptionTest, PortraitBill) {
  ReportDescription d = describeReport(dir_, "P_RPTB02_SAMPLE.dbf");
  EXPECT_EQ(d.title, "내    역    서");
  EXPECT_EQ(d.fixedDecimals, "적용");
  EXPECT_EQ(d.orientation, "종방향");
  EXPECT_EQ(d.pages, "4");
  EXPECT_EQ(d.sortOrder, "코드순 정렬");
  EXPECT_EQ(d.printRange, "A0101 ~ A9999");
  EXPECT_EQ(d.options[0], "내용이 Page에 분리되지 않게 인쇄");
  EXPECT_EQ(d.options[1], "명칭앞 번호인쇄");
  EXPECT_EQ(d.options[2], "호표인쇄");
  EXPECT_EQ(d.options[3], "실선 인쇄");
  EXPECT_EQ(d.remarks, "적용물가지");
  EXPECT_EQ(d.margins, "상:5 하:5 좌:8 우:5");
  EXPECT_TRUE(d.canChangeMargins);
}

TEST_F(SampleDescriptionTest, LandscapeBill) {
  ReportDescription d = describeReport(dir_, "L_RPTB02_SAMPLE.dbf");
  EXPECT_EQ(d.title, "내    역    서");
  EXPECT_EQ(d.orientation, "횡방향");
  EXPECT_EQ(d.pages, "3");
}

TEST_F(SampleDescriptionTest, MarginSample) {
  EXPECT_EQ(describeReport(dir_, "P_RPTB02_MARGIN.dbf").margins, "상:10 하:10 좌:15 우:10");
}

TEST_F(SampleDescriptionTest, SummaryIsDescribedThoughNotListed) {
  ReportDescription d = describeReport(dir_, "P_RPTB01_SUMMARY.dbf");
  EXPECT_EQ(d.title, "총 괄 집 계 장");
  EXPECT_EQ(d.pages, "1");
}

TEST_F(SampleDescriptionTest, BrokenSample) {
  ReportDescription d = describeReport(dir_, "P_RPTB02_BROKEN.dbf");
  EXPECT_EQ(d.title, "보고서 파일오류(사용불가)");
  // An unusable report is not written to: no margin dialog.
  EXPECT_FALSE(d.canChangeMargins);
}

}  // namespace
}  // namespace zel
