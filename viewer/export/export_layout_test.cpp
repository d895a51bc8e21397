#include "export_layout.h"

#include <gtest/gtest.h>

#include "export_test_support.h"

namespace zel {
namespace {

using testing::LayoutFrom;

std::string describe(const HeaderCell& h) {
  return std::to_string(h.row) + "," + std::to_string(h.col) + "-" + std::to_string(h.lastRow) + "," +
         std::to_string(h.lastCol) + " " + h.text;
}

struct HeaderCase {
  const char* name;
  std::vector<std::string> descriptors;
  int headerRows;
  std::vector<std::string> header;  // describe() of each caption cell, row by row
  int columns;  // sheet columns, Page included
};

class ExportHeader : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(ExportHeader, CaptionsLieAsOnThePage) {
  const HeaderCase& c = GetParam();
  SettingsBuilder s;
  s.set("FIELDCOUNT", std::to_string(c.descriptors.size()) + "|0|" + std::to_string(c.descriptors.size()) + "|");
  for (std::size_t i = 0; i < c.descriptors.size(); ++i) s.set("F" + std::to_string(i + 1), c.descriptors[i]);
  const ExportLayout sheet = MakeExportLayout(LayoutFrom(s));
  EXPECT_EQ(sheet.headerRows, c.headerRows);
  std::vector<std::string> got;
  for (const HeaderCell& h : sheet.header) got.push_back(describe(h));
  EXPECT_EQ(got, c.header);
  EXPECT_EQ(static_cast<int>(sheet.columns.size()), c.columns);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExportHeader,
    ::testing::Values(HeaderCase{"single_columns",
                                 {Descriptor("1", "1", "1", "4", "40", "S", "F_DES", "Lo", "Up"),
                                  Descriptor("2", "2", "1", "1", "60", "D", "F_AMT", "Lo2", "Up2")},
                                 1,
                                 {"0,0-0,0 Page", "0,1-0,1 Lo", "0,2-0,2 Up2"},
                                 3},
                      HeaderCase{
                          "kind1_group_splits_into_two_rows",
                          {Descriptor("1", "1", "1", "4", "40", "S", "F_DES", "Name", "Name"),
                           Descriptor("2", "2", "2", "1", "30", "D", "F_MA", "Price", "Material"),
                           Descriptor("3", "2", "2", "1", "30", "D", "F_MAK", "Amount", "Material")},
                          2,
                          {"0,0-1,0 Page", "0,1-1,1 Name", "0,2-0,3 Material", "1,2-1,2 Price", "1,3-1,3 Amount"},
                          4},
                      HeaderCase{"kind2_group_is_one_caption",
                                 {Descriptor("1", "1", "1", "2", "70", "S", "F_BIGO", "Rem", "Remark"),
                                  Descriptor("2", "1", "1", "5", "30", "S", "F_REM", "Rem", "Remark")},
                                 1,
                                 {"0,0-0,0 Page", "0,1-0,2 Remark"},
                                 3},
                      HeaderCase{"description_with_size_takes_two_columns",
                                 {Descriptor("1", "1", "1", "2", "60", "S", "F_DES", "Lo", " Name "),
                                  Descriptor("2", "2", "1", "4", "40", "S", "F_UNIT", "Unit", "Unit")},
                                 1,
                                 {"0,0-0,0 Page", "0,1-0,2 Name", "0,3-0,3 Unit"},
                                 4}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ExportLayout, ColumnsCarryShareAlignmentAndWhetherTheyDraw) {
  SettingsBuilder s;
  s.set("FIELDCOUNT", "3|0|3|")
      .set("F1", Descriptor("1", "1", "1", "2", "50", "S", "F_DES", "", "N", "", "L"))
      .set("F2", Descriptor("2", "2", "1", "2", "30", "D", "F_AMT", "", "A", "D", "R"))
      .set("F3", Descriptor("3", "2", "1", "5", "20", "S", "F_REM", "", "A", "", "C"));
  const ExportLayout sheet = MakeExportLayout(LayoutFrom(s));
  ASSERT_EQ(sheet.columns.size(), 5u);
  EXPECT_EQ(sheet.columns[1].position, 1);
  EXPECT_FALSE(sheet.columns[1].sizePart);
  EXPECT_DOUBLE_EQ(sheet.columns[1].widthShare, 0.3);
  EXPECT_TRUE(sheet.columns[2].sizePart);
  EXPECT_DOUBLE_EQ(sheet.columns[2].widthShare, 0.2);
  EXPECT_TRUE(sheet.columns[3].numeric);
  EXPECT_TRUE(sheet.columns[3].drawsValue);  // Kind 2 at the group's first position
  EXPECT_EQ(sheet.columns[3].align, CellAlign::kRight);
  EXPECT_FALSE(sheet.columns[4].drawsValue);  // Kind 5 at position 2 never draws
  EXPECT_EQ(sheet.columns[4].align, CellAlign::kCenter);
}

struct TitleCase {
  const char* name;
  const char* optionSet;
  std::vector<std::string> texts;
  std::vector<CellAlign> aligns;
};

class ExportTitles : public ::testing::TestWithParam<TitleCase> {};

TEST_P(ExportTitles, SlotsAboveTheCaptionsWithoutThePageNumber) {
  const TitleCase& c = GetParam();
  SettingsBuilder s;
  s.set("OPTIONSET", c.optionSet)
      .set("TITLE", "Bill")
      .set("DES", "Project")
      .set("COMNAME", "  Company  ")
      .set("F1", Descriptor("1", "1", "1", "4", "100", "S", "F_DES", "", ""));
  const ExportLayout sheet = MakeExportLayout(LayoutFrom(s));
  std::vector<std::string> texts;
  std::vector<CellAlign> aligns;
  for (const TitleLine& t : sheet.titles) {
    texts.push_back(t.text);
    aligns.push_back(t.align);
  }
  EXPECT_EQ(texts, c.texts);
  EXPECT_EQ(aligns, c.aligns);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExportTitles,
    ::testing::Values(TitleCase{"all_slots",
                                "1|0|2|1|6|4|",
                                {"Bill", "Project", "Company"},
                                {CellAlign::kCenter, CellAlign::kLeft, CellAlign::kLeft}},
                      TitleCase{"code_above_ten_and_right",
                                "1|0|13|0|3|6|",
                                {"Bill", "Company"},
                                {CellAlign::kRight, CellAlign::kRight}},
                      TitleCase{"none", "1|0|", {}, {}},
                      TitleCase{"unknown_code_not_drawn", "1|0|7|5|", {"Project"}, {CellAlign::kCenter}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ExportLayout, PageSetupFollowsTheReport) {
  SettingsBuilder s;
  s.set("PAGESPACE", "5|6|7|8|").set("F1", Descriptor("1", "1", "1", "4", "100", "S", "F_DES", "", ""));
  const ExportLayout portrait = MakeExportLayout(LayoutFrom(s));
  EXPECT_FALSE(portrait.landscape);
  EXPECT_EQ(portrait.marginTop, 100);
  EXPECT_EQ(portrait.marginBottom, 120);
  EXPECT_EQ(portrait.marginLeft, 140);
  EXPECT_EQ(portrait.marginRight, 160);
  EXPECT_EQ(portrait.frameWidth, 2100 - 140 - 160);
  EXPECT_TRUE(MakeExportLayout(LayoutFrom(s, "L_RPTB02")).landscape);
}

// A Kind-1 group (two cells under one caption), a Kind-2/5 pair (one cell
// across two columns), and a single column, under each OUTLINE style.
struct RuleCase {
  const char* name;
  const char* outline;
  std::vector<bool> ruleLeft;  // by sheet column after Page
  bool rowRules;
};

class ExportRules : public ::testing::TestWithParam<RuleCase> {};

TEST_P(ExportRules, WhereThePageDrawsItsRules) {
  SettingsBuilder s;
  s.set("OUTLINE", GetParam().outline)
      .set("FIELDCOUNT", "5|0|5|")
      .set("F1", Descriptor("1", "1", "2", "1", "20", "D", "F_MA", "P", "Mat"))
      .set("F2", Descriptor("2", "1", "2", "1", "20", "D", "F_MAK", "A", "Mat"))
      .set("F3", Descriptor("3", "2", "1", "2", "20", "S", "F_BIGO", "R", "Rem"))
      .set("F4", Descriptor("4", "2", "1", "5", "20", "S", "F_REM", "R", "Rem"))
      .set("F5", Descriptor("5", "3", "1", "4", "20", "S", "F_DES", "N", "N"));
  const ExportLayout sheet = MakeExportLayout(LayoutFrom(s));
  std::vector<bool> rules;
  for (std::size_t c = 1; c < sheet.columns.size(); ++c) rules.push_back(sheet.columns[c].ruleLeft);
  EXPECT_EQ(rules, GetParam().ruleLeft);
  EXPECT_EQ(sheet.rowRules, GetParam().rowRules);
}

INSTANTIATE_TEST_SUITE_P(Styles, ExportRules,
                         ::testing::Values(RuleCase{"rows_and_columns", "0", {true, true, true, false, true}, true},
                                           RuleCase{"columns", "1", {true, true, true, false, true}, false},
                                           RuleCase{
                                               "caption_line_only", "2", {true, false, false, false, false}, false},
                                           RuleCase{"none", "", {true, false, false, false, false}, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ExportLayout, FontsAndPropertiesFromTheReport) {
  SettingsBuilder s;
  s.set("FONT", "\xB1\xBC\xB8\xB2|9|90|0|129|")
      .set("TITLEFONT", "\xB9\xD9\xC5\xC1|16|100|0|129|")
      .set("TITLE", "Bill")
      .set("DES", "Project")
      .set("COMNAME", " Company ")
      .set("F1", Descriptor("1", "1", "1", "4", "100", "S", "F_DES", "", ""));
  const ExportLayout sheet = MakeExportLayout(LayoutFrom(s));
  EXPECT_EQ(sheet.bodyFont.face, "\xB1\xBC\xB8\xB2");
  EXPECT_EQ(sheet.bodyFont.size, 9);
  EXPECT_EQ(sheet.bodyFont.widthPct, 90);
  EXPECT_EQ(sheet.titleFont.face, "\xB9\xD9\xC5\xC1");
  EXPECT_EQ(sheet.titleFont.size, 16);
  EXPECT_EQ(sheet.title, "Bill");
  EXPECT_EQ(sheet.subject, "Project");
  EXPECT_EQ(sheet.company, "Company");
  // A size the page would refuse leaves the sheet its own.
  s.set("FONT", "x|big|90|0|129|").set("TITLEFONT", "");
  const ExportLayout damaged = MakeExportLayout(LayoutFrom(s));
  EXPECT_EQ(damaged.bodyFont.size, 9);
  EXPECT_EQ(damaged.titleFont.size, 16);
  EXPECT_EQ(damaged.titleFont.widthPct, 100);
}

TEST(ExportLayout, CodeColumnsAfterPageWhenAskedFor) {
  SettingsBuilder s;
  s.set("F1", Descriptor("1", "1", "1", "4", "100", "S", "F_DES", "Name", "Name"));
  const ExportLayout plain = MakeExportLayout(LayoutFrom(s));
  EXPECT_EQ(plain.codeColumns, 0);
  EXPECT_EQ(plain.columns.size(), 2u);
  const ExportLayout codes = MakeExportLayout(LayoutFrom(s), true);
  EXPECT_EQ(codes.codeColumns, 2);
  ASSERT_EQ(codes.columns.size(), 4u);
  EXPECT_EQ(codes.columns[1].field, "F_CODE");
  EXPECT_EQ(codes.columns[2].field, "F_TYPE");
  EXPECT_EQ(codes.columns[3].position, 1);
  std::vector<std::string> got;
  for (const HeaderCell& h : codes.header) got.push_back(describe(h));
  EXPECT_EQ(got, (std::vector<std::string>{"0,0-0,0 Page", "0,1-0,1 F_CODE", "0,2-0,2 F_TYPE", "0,3-0,3 Name"}));
}

}  // namespace
}  // namespace zel
