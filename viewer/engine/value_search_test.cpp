#include "value_search.h"

#include <gtest/gtest.h>

#include "data_error.h"
#include "fake_report_lines.h"
#include "message_service.h"
#include "settings_builder.h"

namespace zel {
namespace {

class ValueSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_.set("FIELDCOUNT", "4|0|4|")
        .set("F1", Descriptor("1", "1", "1", "1", "25", "S", "F_DES", "low", "up", "", "L", "Name"))
        .set("F2", Descriptor("2", "2", "2", "1", "25", "D", "F_AMT", "Sub", "up", "D", "R", "Amt"))
        .set("F3", Descriptor("3", "3", "1", "12", "25", "D", "F_HID", "", "", "", "R", "Hidden"))
        .set("F4", Descriptor("4", "4", "1", "1", "25", "D", "F_CNT", "", "", "", "R", "Count"));
    lines_.types = {{"F_PAGE", "N"}, {"F_INIT", "M"}, {"F_DES", "C"}, {"F_AMT", "N"},
                    {"F_CNT", "I"},  {"F_DATE", "D"}, {"F_BLOB", "B"}};
    lines_.add({{"F_PAGE", "1"}, {"F_INIT", settings_.text()}, {"F_DES", "xABCy"}, {"F_AMT", "12.5"}, {"F_CNT", "3"}});
    lines_.add({{"F_PAGE", "1"}, {"F_DES", "other"}, {"F_AMT", "1"}, {"F_CNT", "4"}});
    lines_.add({{"F_PAGE", "2"}, {"F_DES", "abc again"}, {"F_AMT", "12.5"}, {"F_CNT", "5"}});
    lines_.add({{"F_PAGE", "3"}, {"F_DES", "abc third"}, {"F_AMT", "7"}, {"F_CNT", "6"}, {"F_BLOB", "blob abc"}});
  }
  ValueSearchOutcome find(int curPage, const std::string& field, const std::string& text, bool fromCurrent = true) {
    PrepareSearch(lines_, curPage);
    return SearchValue(messages_, lines_, field, text, fromCurrent, "P");
  }

  RecordingMessageService messages_;
  SettingsBuilder settings_;
  FakeReportLines lines_;
};

TEST_F(ValueSearchTest, ColumnsSkipHiddenAndJoinTwoRowCaptions) {
  auto cols = PrepareSearch(lines_, 0);
  ASSERT_EQ(cols.size(), 3u);
  EXPECT_EQ(cols[0].title, "Name");
  EXPECT_EQ(cols[0].fieldName, "F_DES");
  EXPECT_EQ(cols[1].title, "Amt_Sub");
  EXPECT_EQ(cols[2].title, "Count");
}

TEST_F(ValueSearchTest, FieldCountAbsentOffersNothingAndIsNotCapped) {
  EXPECT_TRUE(BuildSearchColumns(SettingsBuilder().set("F1", "1|1|1|1|").text()).empty());
  SettingsBuilder many;
  many.set("FIELDCOUNT", "22|");
  for (int k = 1; k <= 22; ++k)
    many.set("F" + std::to_string(k), Descriptor("1", "1", "1", "1", "5", "S", "F_X", "", ""));
  EXPECT_EQ(BuildSearchColumns(many.text()).size(), 22u);
}

TEST_F(ValueSearchTest, BadKindIsAConversionError) {
  EXPECT_THROW(BuildSearchColumns(SettingsBuilder().set("FIELDCOUNT", "2|").set("F1", "1|1|1|1|").text()), DataError);
}

TEST_F(ValueSearchTest, FromTopRightAfterOpening) {
  auto r = find(0, "F_DES", "abc");
  EXPECT_TRUE(r.found);
  EXPECT_EQ(r.page, 1);
  EXPECT_TRUE(r.rememberText);
}

TEST_F(ValueSearchTest, FromCurrentSkipsShownPageAndSteps) {
  EXPECT_EQ(find(1, "F_DES", "abc").page, 2);
  EXPECT_EQ(lines_.lastSeekKey, "    2");
  EXPECT_EQ(find(2, "F_DES", "abc").page, 3);
  auto last = find(3, "F_DES", "abc");
  EXPECT_FALSE(last.found);
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].text, "찾는 내용이 없습니다.");
  EXPECT_EQ(messages_.shown[0].icon, MessageIcon::kInformation);
  EXPECT_EQ(lines_.pos, 0u);  // back at the first record
}

TEST_F(ValueSearchTest, NotFromCurrentStartsAtTop) { EXPECT_EQ(find(2, "F_DES", "abc", false).page, 1); }

TEST_F(ValueSearchTest, EmptyTextMatchesNothing) {
  EXPECT_FALSE(find(0, "F_DES", "").found);
  EXPECT_EQ(messages_.shown.size(), 1u);
}

TEST_F(ValueSearchTest, NumericRules) {
  auto r = find(1, "F_AMT", "12.50");
  EXPECT_TRUE(r.found);
  EXPECT_EQ(r.page, 2);
  auto bad = find(0, "F_AMT", "12,5");
  EXPECT_FALSE(bad.searched);
  EXPECT_FALSE(bad.rememberText);
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].text, "실수형 항목입니다. 숫자만 검색가능합니다.");
  EXPECT_EQ(messages_.shown[0].icon, MessageIcon::kWarning);
  EXPECT_FALSE(find(0, "F_AMT", "0x10").searched);
  EXPECT_FALSE(find(0, "F_AMT", "nan").searched);
}

TEST_F(ValueSearchTest, IntegerRules) {
  EXPECT_EQ(find(0, "F_CNT", "5").page, 2);
  EXPECT_FALSE(find(0, "F_CNT", "5.0").searched);
  EXPECT_EQ(messages_.shown.back().text, "정수형 항목입니다. 정수만 검색가능합니다.");
}

TEST_F(ValueSearchTest, BlobSearchedAsMemoOtherTypesFindNothing) {
  EXPECT_EQ(find(0, "F_BLOB", "ABC").page, 3);
  auto date = find(0, "F_DATE", "2020");
  EXPECT_FALSE(date.found);
  EXPECT_FALSE(date.rememberText);
  EXPECT_EQ(messages_.shown.back().text, "찾는 내용이 없습니다.");
}

TEST_F(ValueSearchTest, TrailBytesAreNotLetters) {
  // An extended Hangul character whose trail byte is 0x71 ("q").
  lines_.records[1]["F_DES"] = std::string("\x81\x71", 2);
  EXPECT_FALSE(find(0, "F_DES", "Q").found);
  lines_.records[1]["F_DES"] = std::string("\x81\x71z", 3);
  EXPECT_TRUE(find(0, "F_DES", "Z").found);
}

TEST_F(ValueSearchTest, ModeVMovesOneLineFirst) {
  PrepareSearch(lines_, 0);
  auto r = SearchValue(messages_, lines_, "F_DES", "abc", true, "V");
  EXPECT_TRUE(r.found);
  EXPECT_EQ(r.page, 0);
  EXPECT_EQ(lines_.pos, 2u);
}

// Searchable only when every line carries a page: the lowest page in the
// page order is 1 or more, and the field exists.
TEST(HasPageNumbers, LowestPageDecides) {
  struct Case {
    std::vector<std::string> pages;
    bool field, searchable;
  };
  for (const Case& c : {Case{{"1", "2"}, true, true}, Case{{"3"}, true, true}, Case{{"", ""}, true, false},
                        Case{{"1", ""}, true, false}, Case{{"0", "1"}, true, false}, Case{{}, true, false},
                        Case{{"1"}, false, false}}) {
    FakeReportLines lines;
    if (c.field) lines.types["F_PAGE"] = "N";
    for (const std::string& p : c.pages) lines.add({{"F_PAGE", p.empty() ? "0" : p}});
    if (c.field) lines.index();
    EXPECT_EQ(HasPageNumbers(lines), c.searchable) << ::testing::PrintToString(c.pages) << " field " << c.field;
  }
}

// Find next over pages 1 (two lines), 2 (three lines) and 4 (one line).
struct FindNextCase {
  const char* field;
  const char* text;
  int page, line;  // start after this line
  LineHit expected;
};

class FindNextLineTable : public ::testing::TestWithParam<FindNextCase> {
 protected:
  void SetUp() override {
    lines_.types = {{"F_PAGE", "N"}, {"F_DES", "C"}, {"F_AMT", "N"}, {"F_CNT", "I"}, {"F_DATE", "D"}};
    lines_.add({{"F_PAGE", "1"}, {"F_DES", "abc one"}, {"F_AMT", "1.5"}, {"F_CNT", "1"}});
    lines_.add({{"F_PAGE", "1"}, {"F_DES", "xyz"}, {"F_AMT", "2"}, {"F_CNT", "2"}});
    lines_.add({{"F_PAGE", "2"}, {"F_DES", "ABC two"}, {"F_AMT", "1.5"}, {"F_CNT", "3"}});
    lines_.add({{"F_PAGE", "2"}, {"F_DES", "nothing"}, {"F_AMT", "3"}, {"F_CNT", "1"}});
    lines_.add({{"F_PAGE", "2"}, {"F_DES", "abc three"}, {"F_AMT", "4"}, {"F_CNT", "5"}});
    lines_.add({{"F_PAGE", "4"}, {"F_DES", "last abc"}, {"F_AMT", "1.5"}, {"F_CNT", "6"}});
  }
  FakeReportLines lines_;
};

TEST_P(FindNextLineTable, NextHitAfterTheLine) {
  const FindNextCase& c = GetParam();
  const LineHit hit = FindNextLine(lines_, c.field, c.text, c.page, c.line);
  EXPECT_EQ(hit.found, c.expected.found);
  EXPECT_EQ(hit.page, c.expected.page);
  EXPECT_EQ(hit.line, c.expected.line);
}

INSTANTIATE_TEST_SUITE_P(
    Hits, FindNextLineTable,
    ::testing::Values(FindNextCase{"F_DES", "abc", 1, 0, {true, 1, 1}},  // the page's own first line counts
                      FindNextCase{"F_DES", "abc", 1, 1, {true, 2, 1}},  // the line after the hit
                      FindNextCase{"F_DES", "abc", 2, 1, {true, 2, 3}},  // a second hit on the same page
                      FindNextCase{"F_DES", "abc", 2, 3, {true, 4, 1}},  // over a page without lines
                      FindNextCase{"F_DES", "abc", 4, 1, {false, 0, 0}},  // nothing after the last
                      FindNextCase{"F_DES", "", 1, 0, {false, 0, 0}},  // an empty text matches nothing
                      FindNextCase{"F_AMT", "1.50", 1, 1, {true, 2, 1}},  // numbers compare as numbers
                      FindNextCase{"F_CNT", "1", 1, 1, {true, 2, 2}},
                      FindNextCase{"F_CNT", "x", 1, 0, {false, 0, 0}},  // rejected text: silently nothing
                      FindNextCase{"F_DATE", "1", 1, 0, {false, 0, 0}}));

}  // namespace
}  // namespace zel
