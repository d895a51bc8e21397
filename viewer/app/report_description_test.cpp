#include "report_description.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>
#include <vector>

#include "cp949.h"
#include "data_error.h"
#include "report_writer.h"
#include "test_report.h"

namespace zel {
namespace {

// A settings block from (key, value) pairs; values are UTF-8 here and stored as CP949.
std::string block(const std::vector<std::pair<std::string, std::string>>& entries) {
  reportwriter::SettingsEntries stored;
  for (const auto& [key, value] : entries) stored.emplace_back(key, utf8ToCp949(value));
  return reportwriter::buildSettingsBlock(stored);
}

ReportDescription describe(const std::vector<std::pair<std::string, std::string>>& entries) {
  ReportDescription out;
  describeSettings(block(entries), out);
  return out;
}

TEST(reportTitleOf, Titles) {
  EXPECT_EQ(reportTitleOf("RPTB02"), "내    역    서");
  EXPECT_EQ(reportTitleOf("rptb02"), "내    역    서");
  EXPECT_EQ(reportTitleOf("RPTA01"), "노  임  단  가");
  EXPECT_EQ(reportTitleOf("RPTB09"), "공사비예산서(KOPEC)");
  EXPECT_EQ(reportTitleOf("RPTB11"), "공사비예산서(한전)");
  EXPECT_EQ(reportTitleOf("RPTC02"), "공종물량 집계");
  EXPECT_EQ(reportTitleOf("RPTD10"), "전체vs금회기성");
  EXPECT_EQ(reportTitleOf("RPTD11"), "산출근거설계변경");
  EXPECT_EQ(reportTitleOf("RPTE08"), "중기 산출 기초(도로)");
  EXPECT_EQ(reportTitleOf("RPTS02"), "장비공식-매크로 내역");
  EXPECT_EQ(reportTitleOf("RPTB02xyz"), "내    역    서");
}

TEST(reportTitleOf, UnknownOrMalformedIsEmpty) {
  EXPECT_EQ(reportTitleOf("RPTZ99"), "");
  EXPECT_EQ(reportTitleOf("RPTB"), "");
  EXPECT_EQ(reportTitleOf("RPTB0"), "");
  EXPECT_EQ(reportTitleOf("RPTBx2"), "");
  EXPECT_EQ(reportTitleOf("RPTB2x"), "");
  EXPECT_EQ(reportTitleOf("RPTB12"), "");
  EXPECT_EQ(reportTitleOf("RPTA00"), "");
  EXPECT_EQ(reportTitleOf(""), "");
}

TEST(DescribeSettings, MissingKeysGiveDefaults) {
  ReportDescription d = describe({{"RPTCODE", "RPTB02"}});
  EXPECT_EQ(d.title, "내    역    서");
  EXPECT_EQ(d.sortOrder, "코드순 정렬");
  EXPECT_EQ(d.fixedDecimals, "비적용");
  EXPECT_EQ(d.orientation, "종방향");
  EXPECT_EQ(d.printRange, "");
  EXPECT_EQ(d.options[0] + d.options[1] + d.options[2] + d.options[3], "");
  EXPECT_EQ(d.remarks, "");
  EXPECT_EQ(d.margins, "");
}

TEST(DescribeSettings, OptionSet) {
  ReportDescription d = describe({{"OPTIONSET", "1|1|"}});
  EXPECT_EQ(d.fixedDecimals, "적용");
  EXPECT_EQ(d.orientation, "횡방향");
  d = describe({{"OPTIONSET", "0|0|"}});
  EXPECT_EQ(d.fixedDecimals, "비적용");
  EXPECT_EQ(d.orientation, "종방향");
}

TEST(DescribeSettings, SortAndRangeByName) {
  ReportDescription d = describe({{"SORT", "0|2|C|D|"}, {"PRINTSCOPE", "0|A|B|가|나|"}});
  EXPECT_EQ(d.sortOrder, "명칭순 정렬");
  EXPECT_EQ(d.printRange, "가 ~ 나");
}

TEST(DescribeSettings, SortByCodeUsesCodeRange) {
  ReportDescription d = describe({{"SORT", "0|1|C|D|"}, {"PRINTSCOPE", "0|A|B|가|나|"}});
  EXPECT_EQ(d.sortOrder, "코드순 정렬");
  EXPECT_EQ(d.printRange, "A ~ B");
}

TEST(DescribeSettings, EmptyRangeShowsNothing) {
  ReportDescription d = describe({{"SORT", "0|1|C|"}, {"PRINTSCOPE", "0|||"}});
  EXPECT_EQ(d.printRange, "");
}

TEST(DescribeSettings, UnknownSortLetterShowsSuffixAlone) {
  EXPECT_EQ(describe({{"SORT", "0|1|Q|"}}).sortOrder, "순 정렬");
  EXPECT_EQ(describe({{"SORT", "0|1|N|"}}).sortOrder, "번호순 정렬");
  EXPECT_EQ(describe({{"SORT", "0|1|PX|"}}).sortOrder, "품셈순 정렬");
  EXPECT_EQ(describe({{"SORT", "0|1|B|"}}).sortOrder, "부표순 정렬");
  // An index past the codes selects nothing: the default "C", and no range.
  ReportDescription d = describe({{"SORT", "X|5|C|D|"}, {"PRINTSCOPE", "0|A|B|"}});
  EXPECT_EQ(d.sortOrder, "코드순 정렬");
  EXPECT_EQ(d.printRange, "");
}

TEST(DescribeSettings, Options) {
  ReportDescription d =
      describe({{"OPT1", "0|2|A|NC|"}, {"OPT2", "0|1|XX|"}, {"OPT3", "0|1|HP|"}, {"OPT4", "0|1|LP|"}});
  EXPECT_EQ(d.options[0], "내용이 Page에 분리되지 않게 인쇄");
  EXPECT_EQ(d.options[1], "");
  EXPECT_EQ(d.options[2], "호표인쇄");
  EXPECT_EQ(d.options[3], "최종Proj기준 - 공종/규격/단위");
  EXPECT_EQ(describe({{"OPT1", "0|1|P3|"}}).options[0], "경  비 인쇄");
  EXPECT_EQ(describe({{"OPT1", "0|1|P|"}}).options[0], "Page별 인쇄");
  EXPECT_EQ(describe({{"OPT1", "0|1|NL|"}}).options[0], "무선 인쇄");
  EXPECT_EQ(describe({{"OPT1", "   "}}).options[0], "");
}

TEST(DescribeSettings, OptionKeysAreFoundByTheirBracketedForm) {
  // OPT10 must not be read as OPT1.
  ReportDescription d = describe({{"OPT10", "0|1|HP|"}, {"OPT1", "0|1|C|"}});
  EXPECT_EQ(d.options[0], "연속인쇄");
}

TEST(DescribeSettings, Remarks) {
  EXPECT_EQ(describe({{"BIGO", "0|1|O|"}}).remarks, "산근/호표번호-변동차액");
  EXPECT_EQ(describe({{"BIGO", "0|2|B|Zed|"}}).remarks, "점선 인쇄");
  EXPECT_EQ(describe({{"BIGO", "0|1|Q|"}}).remarks, "");
  EXPECT_EQ(describe({{"BIGO", "0|3|B|"}}).remarks, "");
}

TEST(DescribeSettings, Margins) {
  EXPECT_EQ(describe({{"PAGESPACE", "10|10|15|"}}).margins, "상:10 하:10 좌:15 우:0");
  EXPECT_EQ(describe({{"PAGESPACE", "10|10|15|10|"}}).margins, "상:10 하:10 좌:15 우:10");
  EXPECT_EQ(describe({{"PAGESPACE", "10|10|15|10"}}).margins, "상:10 하:10 좌:15 우:0");
}

class GetFileInfoTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = testing::makeTempDirectory("describe"); }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  void write(const std::string& name, const testing::TestReport& report) {
    std::string error;
    ASSERT_TRUE(testing::writeTestReport(dir_, name, report, &error)) << error;
  }

  std::string dir_;
};

// A long table is left to a PageCounter: everything else is described at
// once. The counter finds what a full count finds, whatever its step; the
// highest page need not be on the last line.
TEST_F(GetFileInfoTest, LongTableIsCountedByStepsToTheSameCount) {
  testing::TestReport report;
  report.settings = "<RPTCODE>=\xA2\xDDRPTB02\xA2\xDD";
  report.pages = {1, 1, 2, 7, 3, std::nullopt, 3};
  write("P_RPTB02.dbf", report);
  const ReportDescription full = describeReport(dir_, "P_RPTB02.dbf");
  EXPECT_EQ(full.pages, "7");
  EXPECT_FALSE(full.pagesPending);
  EXPECT_FALSE(describeReport(dir_, "P_RPTB02.dbf", 7).pagesPending);  // up to the limit: counted at once
  const ReportDescription left = describeReport(dir_, "P_RPTB02.dbf", 6);
  EXPECT_TRUE(left.pagesPending);
  EXPECT_EQ(left.pages, "");
  EXPECT_EQ(left.title, full.title);
  for (long step : {1L, 3L, 7L, 100L}) {
    SCOPED_TRACE(step);
    PageCounter counter(dir_, "P_RPTB02.dbf");
    int steps = 1;
    while (!counter.step(step)) ++steps;
    EXPECT_EQ(counter.pages(), "7");
    EXPECT_EQ(steps, static_cast<int>((7 + step - 1) / step)) << "one step per " << step << " records";
    EXPECT_TRUE(counter.step(step));  // done stays done
  }
  // Nothing to count: done at once, no count.
  PageCounter missing(dir_, "MISSING.dbf");
  EXPECT_TRUE(missing.step(1));
  EXPECT_EQ(missing.pages(), "");
}

TEST_F(GetFileInfoTest, BlankNameLeavesEverythingEmpty) {
  ReportDescription d = describeReport(dir_, "   ");
  EXPECT_EQ(d.kind, ReportKind::kEmpty);
  EXPECT_EQ(d.title, "");
  EXPECT_EQ(d.sortOrder, "");
  EXPECT_EQ(d.fixedDecimals, "");
  EXPECT_TRUE(d.canChangeMargins);
  EXPECT_EQ(describeReport(dir_, "").title, "");
}

TEST_F(GetFileInfoTest, MissingFileIsNotAReport) {
  ReportDescription d = describeReport(dir_, "P_RPTB02.dbf");
  EXPECT_EQ(d.kind, ReportKind::kNotAReport);
  EXPECT_EQ(d.title, "보고서 파일이 아님");
  EXPECT_FALSE(d.canChangeMargins);
  EXPECT_EQ(d.sortOrder, "");
}

TEST_F(GetFileInfoTest, TableWithoutSettingsFieldIsNotAReport) {
  testing::TestReport report;
  report.settings.reset();
  write("P_RPTB02.dbf", report);
  ReportDescription d = describeReport(dir_, "P_RPTB02.dbf");
  EXPECT_EQ(d.title, "보고서 파일이 아님");
  EXPECT_FALSE(d.canChangeMargins);
}

TEST_F(GetFileInfoTest, BlankSettingsIsUnusable) {
  testing::TestReport report;
  report.settings = "  \r\n ";
  write("P_RPTB02.dbf", report);
  ReportDescription d = describeReport(dir_, "P_RPTB02.dbf");
  EXPECT_EQ(d.kind, ReportKind::kBroken);
  EXPECT_EQ(d.title, "보고서 파일오류(사용불가)");
  EXPECT_FALSE(d.canChangeMargins);
  EXPECT_EQ(d.sortOrder, "");

  report.settings = "";
  write("P_RPTB02x.dbf", report);
  EXPECT_EQ(describeReport(dir_, "P_RPTB02x.dbf").title, "보고서 파일오류(사용불가)");
}

TEST_F(GetFileInfoTest, FullReport) {
  testing::TestReport report;
  report.settings = block({{"RPTCODE", "RPTB02"},
                           {"OPTIONSET", "1|0|1|1|1|1|"},
                           {"SORT", "0|2|C|D|"},
                           {"PRINTSCOPE", "0|A|B|가|나|"},
                           {"OPT1", "0|1|NC|"},
                           {"OPT3", "0|1|HP|"},
                           {"BIGO", "0|1|G|"},
                           {"PAGESPACE", "10|10|15|10|"}});
  report.pages = {1, 1, 2, 3};
  write("P_RPTB02.dbf", report);
  ReportDescription d = describeReport(dir_, "P_RPTB02.dbf");
  EXPECT_EQ(d.kind, ReportKind::kOk);
  EXPECT_EQ(d.title, "내    역    서");
  EXPECT_EQ(d.fixedDecimals, "적용");
  EXPECT_EQ(d.orientation, "종방향");
  EXPECT_EQ(d.pages, "3");
  EXPECT_EQ(d.sortOrder, "명칭순 정렬");
  EXPECT_EQ(d.printRange, "가 ~ 나");
  EXPECT_EQ(d.options[0], "내용이 Page에 분리되지 않게 인쇄");
  EXPECT_EQ(d.options[2], "호표인쇄");
  EXPECT_EQ(d.remarks, "사용자비고 인쇄");
  EXPECT_EQ(d.margins, "상:10 하:10 좌:15 우:10");
  EXPECT_TRUE(d.canChangeMargins);
}

// Page수 is the highest page any line carries, as the run counts it, also
// when the last record holds a lower page or none; no page at all leaves it empty.
TEST_F(GetFileInfoTest, PageCountIsTheHighestPage) {
  struct Case {
    std::vector<std::optional<int>> pages;
    std::string shown;
  };
  for (const Case& c : {Case{{1, 1, 2, 3}, "3"}, Case{{1, 2, std::nullopt}, "2"}, Case{{1, 5, 2, 0}, "5"},
                        Case{{std::nullopt}, ""}, Case{{0}, "0"}}) {
    testing::TestReport report;
    report.settings = block({{"RPTCODE", "RPTB02"}});
    report.pages = c.pages;
    write("P_RPTB02.dbf", report);
    EXPECT_EQ(describeReport(dir_, "P_RPTB02.dbf").pages, c.shown) << c.pages.size() << " lines, shows " << c.shown;
  }
}

TEST_F(GetFileInfoTest, NoPageFieldLeavesPageEmpty) {
  testing::TestReport report;
  report.settings = block({{"RPTCODE", "RPTB02"}});
  report.withPageField = false;
  write("P_RPTB02.dbf", report);
  ReportDescription d = describeReport(dir_, "P_RPTB02.dbf");
  EXPECT_EQ(d.title, "내    역    서");
  EXPECT_EQ(d.pages, "");
}

TEST_F(GetFileInfoTest, NameCaseOfTheFileIsFound) {
  testing::TestReport report;
  report.settings = block({{"RPTCODE", "RPTB02"}});
  write("P_RPTB02.DBF", report);
  EXPECT_EQ(describeReport(dir_, "P_RPTB02.DBF").title, "내    역    서");
}

}  // namespace
}  // namespace zel
