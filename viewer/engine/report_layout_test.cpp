#include "report_layout.h"

#include <gtest/gtest.h>

#include "data_error.h"
#include "settings_builder.h"

namespace zel {
namespace {

TReportLayout parse(const SettingsBuilder& b) {
  TReportLayout l;
  l.SettingsText = b.text();
  ParseLayout(l);
  return l;
}

std::vector<int> order(const TReportLayout& l) { return {l.DisplayOrder.begin(), l.DisplayOrder.end()}; }

TEST(ParseLayout, FieldCountAbsentReadsF1AndShowsSeqOne) {
  SettingsBuilder b;
  b.set("F1", Descriptor("1", "1", "1", "1", "50", "S", "F_DES", "a", "b"))
      .set("F2", Descriptor("1", "2", "1", "1", "50", "S", "F_SIZE", "a", "b"));
  TReportLayout l = parse(b);
  EXPECT_EQ(l.FieldCount, 1);
  EXPECT_EQ(order(l), std::vector<int>{1});
}

TEST(ParseLayout, FieldCountCappedAtTwenty) {
  SettingsBuilder b;
  b.set("FIELDCOUNT", "25|0|25|");
  for (int k = 1; k <= 25; ++k)
    b.set("F" + std::to_string(k), Descriptor(std::to_string(k), std::to_string(k), "1", "1", "4", "S", "F_X", "", ""));
  TReportLayout l = parse(b);
  EXPECT_EQ(l.FieldCount, 20);
  EXPECT_EQ(l.VisibleCount(), 20);
}

TEST(ParseLayout, EqualSeqFollowsKeyOrderAndMissingSeqIsSkipped) {
  SettingsBuilder b;
  b.set("FIELDCOUNT", "3|0|2|")
      .set("F1", Descriptor("2", "1", "1", "1", "30", "S", "A", "", ""))
      .set("F2", Descriptor("0", "2", "1", "1", "30", "S", "B", "", ""))
      .set("F3", Descriptor("2", "3", "1", "1", "30", "S", "C", "", ""));
  TReportLayout l = parse(b);
  EXPECT_EQ(order(l), (std::vector<int>{1, 3}));
}

TEST(ParseLayout, SeqAboveMaxSeqOrHiddenKindNotShown) {
  SettingsBuilder b;
  b.set("FIELDCOUNT", "3|0|2|")
      .set("F1", Descriptor("3", "1", "1", "1", "30", "S", "A", "", ""))
      .set("F2", Descriptor("1", "2", "1", "10", "30", "S", "B", "", ""))
      .set("F3", Descriptor("2", "3", "1", "1", "30", "S", "C", "", ""));
  EXPECT_EQ(order(parse(b)), std::vector<int>{3});
}

TEST(ParseLayout, HiddenColumnsNeedNoNumericSeq) {
  SettingsBuilder b;
  b.set("FIELDCOUNT", "2|0|1|")
      .set("F1", Descriptor("x", "y", "1", "12", "z", "S", "A", "", ""))
      .set("F2", Descriptor("1", "1", "1", "1", "30", "S", "B", "", ""));
  EXPECT_EQ(order(parse(b)), std::vector<int>{2});
}

TEST(ParseLayout, GroupsAndKindFourBreak) {
  SettingsBuilder b;
  b.set("FIELDCOUNT", "4|0|4|")
      .set("F1", Descriptor("1", "5", "1", "1", "25", "S", "A", "", ""))
      .set("F2", Descriptor("2", "5", "1", "1", "25", "S", "B", "", ""))
      .set("F3", Descriptor("3", "5", "1", "4", "25", "S", "C", "", ""))
      .set("F4", Descriptor("4", "5", "1", "1", "25", "S", "D", "", ""));
  TReportLayout l = parse(b);
  EXPECT_TRUE(l.JoinsNext[1]);
  EXPECT_FALSE(l.JoinsNext[2]);  // the Kind 4 column starts a new group
  EXPECT_TRUE(l.JoinsNext[3]);  // ... which the next column joins
  EXPECT_FALSE(l.JoinsNext[4]);
  EXPECT_EQ(l.GroupFirst(2), 1);
  EXPECT_EQ(l.GroupLast(1), 2);
  EXPECT_EQ(l.GroupFirst(4), 3);
  EXPECT_EQ(l.GroupLast(3), 4);
}

TEST(ParseLayout, LinesPerPageDefaults) {
  const std::string f1 = Descriptor("1", "1", "1", "1", "30", "S", "A", "", "");
  SettingsBuilder portrait;
  portrait.set("F1", f1).set("OPTIONSET", "1|0|");
  EXPECT_EQ(parse(portrait).LinesPerPage, 36);
  SettingsBuilder landscape;
  landscape.set("F1", f1).set("OPTIONSET", "1|1|");
  EXPECT_EQ(parse(landscape).LinesPerPage, 33);
  SettingsBuilder given;
  given.set("F1", f1).set("OPTIONSET", "1|1|").set("LINE", "40|30|2|");
  EXPECT_EQ(parse(given).LinesPerPage, 32);
  SettingsBuilder none;
  none.set("F1", f1);
  EXPECT_EQ(parse(none).LinesPerPage, 36);
}

TEST(ParseLayout, TallBandOnlyForKindOne) {
  SettingsBuilder b;
  b.set("FIELDCOUNT", "1|0|1|").set("F1", Descriptor("1", "1", "2", "2", "30", "S", "A", "", ""));
  EXPECT_EQ(parse(b).CaptionHeight, 80);
  SettingsBuilder t;
  t.set("FIELDCOUNT", "1|0|1|").set("F1", Descriptor("1", "1", "2", "1", "30", "S", "A", "", ""));
  EXPECT_EQ(parse(t).CaptionHeight, 120);
}

TEST(ParseLayout, DesWithSizeOnlyForKindTwoDes) {
  SettingsBuilder b;
  b.set("FIELDCOUNT", "1|0|1|").set("F1", Descriptor("1", "1", "1", "2", "30", "S", "F_DES", "", ""));
  EXPECT_TRUE(parse(b).DesWithSize);
  SettingsBuilder c;
  c.set("FIELDCOUNT", "1|0|1|").set("F1", Descriptor("1", "1", "1", "1", "30", "S", "F_DES", "", ""));
  EXPECT_FALSE(parse(c).DesWithSize);
}

struct BadItem {
  const char* name;
  std::string descriptor;
};

class ParseLayoutConversion : public ::testing::TestWithParam<BadItem> {};

TEST_P(ParseLayoutConversion, Throws) {
  SettingsBuilder b;
  b.set("FIELDCOUNT", "1|0|1|").set("F1", GetParam().descriptor);
  TReportLayout l;
  l.SettingsText = b.text();
  EXPECT_THROW(ParseLayout(l), DataError) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Items, ParseLayoutConversion,
                         ::testing::Values(BadItem{"kind", Descriptor("1", "1", "1", "x", "30", "S", "A", "", "")},
                                           BadItem{"empty kind", Descriptor("1", "1", "1", "", "30", "S", "A", "", "")},
                                           BadItem{"caption rows",
                                                   Descriptor("1", "1", "", "1", "30", "S", "A", "", "")},
                                           BadItem{"seq", Descriptor("a", "1", "1", "1", "30", "S", "A", "", "")},
                                           BadItem{"group", Descriptor("1", "g", "1", "1", "30", "S", "A", "", "")},
                                           BadItem{"width", Descriptor("1", "1", "1", "1", "3O", "S", "A", "", "")},
                                           BadItem{"empty descriptor", ""}));

TEST(PageGeometry, MarginsAndSize) {
  TReportLayout l;
  SettingsBuilder b;
  b.set("PAGESPACE", "10|11|12|13|");
  l.SettingsText = b.text();
  l.ReportBase = "L_RPTB02";
  ApplyPageGeometry(l);
  EXPECT_EQ(l.MarginTop, 200);
  EXPECT_EQ(l.MarginBottom, 220);
  EXPECT_EQ(l.MarginLeft, 240);
  EXPECT_EQ(l.MarginRight, 260);
  EXPECT_EQ(l.PageWidth, 2970);
  EXPECT_EQ(l.PageHeight, 2100);
}

TEST(PageGeometry, AbsentTokensAreZeroAndOtherLettersPortrait) {
  TReportLayout l;
  SettingsBuilder b;
  b.set("PAGESPACE", "5|");
  l.SettingsText = b.text();
  l.ReportBase = "x_RPTB02";
  ApplyPageGeometry(l);
  EXPECT_EQ(l.MarginTop, 100);
  EXPECT_EQ(l.MarginRight, 0);
  EXPECT_EQ(l.PageWidth, 2100);
}

TEST(PageGeometry, NonNumericTokenThrows) {
  TReportLayout l;
  SettingsBuilder b;
  b.set("PAGESPACE", "5|a|");
  l.SettingsText = b.text();
  EXPECT_THROW(ApplyPageGeometry(l), DataError);
}

}  // namespace
}  // namespace zel

namespace zel {
namespace {

TEST(PageGeometry, AbsurdMarginsAreHeld) {
  TReportLayout l;
  l.SettingsText = SettingsBuilder().set("PAGESPACE", "2000000000|-2000000000|1|1|").text();
  ApplyPageGeometry(l);
  EXPECT_EQ(l.MarginTop, 1000000);
  EXPECT_EQ(l.MarginBottom, -1000000);
}

}  // namespace
}  // namespace zel
