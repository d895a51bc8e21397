#include "export_lines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "export_layout.h"
#include "export_test_support.h"
#include "fake_report_lines.h"
#include "page_renderer.h"
#include "progress_dialog.h"
#include "recording_canvas.h"
#include "status_progress.h"

namespace zel {
namespace {

using testing::CollectingSink;
using testing::LayoutFrom;

const char kSupplied[] = "\xB0\xFC  \xB1\xDE";  // "관  급" (CP949)

// "n:<text>/<decimals>", "t:<text>" or "-" for a cell.
std::string describe(const ExportCell& c) {
  switch (c.kind) {
    case CellKind::kEmpty: return "-";
    case CellKind::kText: return "t:" + c.text;
    case CellKind::kNumber: {
      char value[64];
      std::snprintf(value, sizeof value, "%.7g", c.number);
      return "n:" + c.text + "=" + value + "/" + std::to_string(c.decimals);
    }
  }
  return "?";
}

struct CellCase {
  const char* name;
  std::string descriptor;  // the one column
  FakeReportLines::Record record;
  std::string expected;  // describe() of the column's cell
};

class ExportCellRules : public ::testing::TestWithParam<CellCase> {};

TEST_P(ExportCellRules, CellIsWhatThePageShows) {
  const CellCase& c = GetParam();
  SettingsBuilder s;
  s.set("OPTIONSET", "1|0|").set("NCUT", "N").set("PRCDEC", "2").set("CSTDEC", "1").set("MOKDEC", "0");
  s.set("F1", c.descriptor);
  const TReportLayout layout = LayoutFrom(s);
  FakeReportLines lines;
  lines.types = {{"F_PAGE", "N"}, {"F_TYPE", "C"}, {"F_TUNIT", "C"}, {"F_MA", "N"},
                 {"F_PC0", "N"},  {"F_QQTY", "N"}, {"F_DES", "C"}};
  FakeReportLines::Record record = c.record;
  record["F_PAGE"] = "1";
  lines.add(record);
  const ExportLayout sheet = MakeExportLayout(layout);
  CollectingSink sink;
  ExportLines(layout, sheet, lines, 1, 1, sink);
  ASSERT_EQ(sink.lines.size(), 1u);
  ASSERT_EQ(sink.lines[0].cells.size(), 2u);
  EXPECT_EQ(describe(sink.lines[0].cells[0]), "n:1=1/0");
  EXPECT_EQ(describe(sink.lines[0].cells[1]), c.expected);
}

const std::string kPrice = Descriptor("1", "1", "1", "4", "100", "D", "F_MA", "", "", "D", "R");
const std::string kRate = Descriptor("1", "1", "1", "4", "100", "D", "F_PC0", "", "", "G", "R");
const std::string kQty = Descriptor("1", "1", "1", "4", "100", "D", "F_QQTY", "", "", "D", "R");
const std::string kLeftText = Descriptor("1", "1", "1", "4", "100", "S", "F_DES", "", "", "", "L");
const std::string kCentredText = Descriptor("1", "1", "1", "4", "100", "S", "F_DES", "", "", "", "C");

INSTANTIATE_TEST_SUITE_P(
    Cases, ExportCellRules,
    ::testing::Values(
        CellCase{"price_decimals", kPrice, {{"F_TYPE", "D"}, {"F_MA", "1234.5"}}, "n:1,234.50=1234.5/2"},
        CellCase{"more_decimals_than_asked_stay",
                 kPrice,
                 {{"F_TYPE", "D"}, {"F_MA", "1234.5678"}},
                 "n:1,234.5678=1234.568/4"},
        CellCase{"item_line_takes_item_decimals", kPrice, {{"F_TYPE", "M"}, {"F_MA", "1234.5"}}, "n:1,234.5=1234.5/1"},
        CellCase{"zero_is_empty", kPrice, {{"F_TYPE", "D"}, {"F_MA", "0"}}, "-"},
        CellCase{"negative", kPrice, {{"F_TYPE", "D"}, {"F_MA", "-5"}}, "n:-5.00=-5/2"},
        CellCase{"rate_100_on_j_line_is_empty", kRate, {{"F_TYPE", "J"}, {"F_PC0", "100"}}, "-"},
        CellCase{"rate_100_on_m_line_shows", kRate, {{"F_TYPE", "M"}, {"F_PC0", "100"}}, "n:100=100/0"},
        CellCase{"rate_3_on_j_line_shows", kRate, {{"F_TYPE", "J"}, {"F_PC0", "3"}}, "n:3.0=3/1"},
        CellCase{"supplied_word_replaces_price",
                 kPrice,
                 {{"F_TYPE", "D"}, {"F_MA", "5"}, {"F_TUNIT", "2"}},
                 std::string("t:") + kSupplied},
        CellCase{"quantity_without_trailing_zeros", kQty, {{"F_TYPE", "D"}, {"F_QQTY", "12.50"}}, "n:12.5=12.5/1"},
        CellCase{"left_text_keeps_leading_blanks", kLeftText, {{"F_DES", "  Earth   "}}, "t:  Earth"},
        CellCase{"centred_text_trimmed", kCentredText, {{"F_DES", "  Earth   "}}, "t:Earth"},
        CellCase{"blank_text_is_empty", kLeftText, {{"F_DES", "    "}}, "-"}),
    [](const auto& info) { return std::string(info.param.name); });

class ExportWalk : public ::testing::Test {
 protected:
  void SetUp() override {
    s_.set("FIELDCOUNT", "3|0|3|")
        .set("F1", Descriptor("1", "1", "1", "2", "50", "S", "F_DES", "", "Name", "", "L"))
        .set("F2", Descriptor("2", "2", "1", "2", "30", "S", "F_BIGO", "", "Remark", "", "L"))
        .set("F3", Descriptor("3", "2", "1", "5", "20", "S", "F_REM", "", "Remark", "", "L"));
    lines_.types = {{"F_PAGE", "N"}, {"F_TYPE", "C"}, {"F_DES", "C"}, {"F_SIZE", "C"}, {"F_BIGO", "C"}, {"F_REM", "C"}};
  }
  std::vector<std::string> run(int from, int to, const ExportPageDone& done = {}) {
    layout_ = LayoutFrom(s_);
    lines_.index();
    const ExportLayout sheet = MakeExportLayout(layout_);
    CollectingSink sink;
    outcome_ = ExportLines(layout_, sheet, lines_, from, to, sink, done);
    std::vector<std::string> out;
    for (const ExportLine& l : sink.lines) {
      std::string row = std::to_string(l.page) + (l.bold ? "B" : "");
      for (std::size_t c = 1; c < l.cells.size(); ++c) row += "|" + describe(l.cells[c]);
      out.push_back(row);
    }
    return out;
  }
  SettingsBuilder s_;
  TReportLayout layout_;
  FakeReportLines lines_;
  ExportOutcome outcome_;
};

TEST_F(ExportWalk, DescriptionAndSizeInTheirTwoColumnsAndUndrawnColumnsEmpty) {
  lines_.add(
      {{"F_PAGE", "1"}, {"F_TYPE", "D"}, {"F_DES", "Brick"}, {"F_SIZE", " 1.0B "}, {"F_BIGO", "x"}, {"F_REM", "y"}});
  lines_.add({{"F_PAGE", "1"}, {"F_TYPE", "D"}, {"F_DES", "Sand"}, {"F_SIZE", "   "}});
  EXPECT_EQ(run(1, 1), (std::vector<std::string>{"1|t:Brick|t: 1.0B|t:x|-", "1|t:Sand|-|-|-"}));
}

TEST_F(ExportWalk, HeadingsAndSubtotalsAreBold) {
  for (const char* type : {"H", "D", "J", "M", " "}) lines_.add({{"F_PAGE", "1"}, {"F_TYPE", type}});
  EXPECT_EQ(run(1, 1), (std::vector<std::string>{"1B|-|-|-|-", "1|-|-|-|-", "1|-|-|-|-", "1B|-|-|-|-", "1|-|-|-|-"}));
}

TEST_F(ExportWalk, WithoutLineTypesNothingIsBold) {
  lines_.types.erase("F_TYPE");
  lines_.add({{"F_PAGE", "1"}, {"F_DES", "a"}});
  EXPECT_EQ(run(1, 1), (std::vector<std::string>{"1|t:a|-|-|-"}));
}

TEST_F(ExportWalk, RangeInPageOrderSkippingMissingPages) {
  for (const char* page : {"4", "1", "2", "4", "2", "5"}) lines_.add({{"F_PAGE", page}, {"F_DES", page}});
  EXPECT_EQ(run(2, 4), (std::vector<std::string>{"2|t:2|-|-|-", "2|t:2|-|-|-", "4|t:4|-|-|-", "4|t:4|-|-|-"}));
  EXPECT_EQ(outcome_.lines, 4);
  EXPECT_FALSE(outcome_.cancelled);
}

TEST_F(ExportWalk, StopsAtThePageBoundaryWhenToldTo) {
  for (const char* page : {"1", "2", "3"}) lines_.add({{"F_PAGE", page}, {"F_DES", page}});
  std::vector<int> done;
  EXPECT_EQ(run(1, 3,
                [&](int page) {
                  done.push_back(page);
                  return page < 2;
                }),
            (std::vector<std::string>{"1|t:1|-|-|-", "2|t:2|-|-|-"}));
  EXPECT_EQ(done, (std::vector<int>{1, 2}));
  EXPECT_TRUE(outcome_.cancelled);
  // Stopped after the last page: every line went out, and still no export.
  EXPECT_EQ(run(1, 3, [](int) { return false; }).size(), 1u);
  EXPECT_TRUE(run(1, 3, [](int page) { return page < 3; }).size() == 3 && outcome_.cancelled);
}

TEST_F(ExportWalk, TheLastLineOfEachPageIsMarked) {
  for (const char* page : {"1", "1", "2", "4", "4"}) lines_.add({{"F_PAGE", page}, {"F_DES", page}});
  layout_ = LayoutFrom(s_);
  lines_.index();
  CollectingSink sink;
  ExportLines(layout_, MakeExportLayout(layout_), lines_, 1, 4, sink);
  std::vector<bool> last;
  for (const ExportLine& l : sink.lines) last.push_back(l.lastOfPage);
  EXPECT_EQ(last, (std::vector<bool>{false, true, true, false, true}));
}

TEST_F(ExportWalk, CodeColumnsHoldTheRawFieldsAndStayEmptyWithoutThem) {
  lines_.types["F_CODE"] = "C";
  lines_.add({{"F_PAGE", "1"}, {"F_TYPE", "D"}, {"F_CODE", "A0101  "}, {"F_DES", "Brick"}});
  lines_.add({{"F_PAGE", "1"}, {"F_TYPE", "H"}, {"F_CODE", "=cmd"}, {"F_DES", "Head"}});
  layout_ = LayoutFrom(s_);
  lines_.index();
  const ExportLayout sheet = MakeExportLayout(layout_, true);
  CollectingSink sink;
  ExportLines(layout_, sheet, lines_, 1, 1, sink);
  ASSERT_EQ(sink.lines.size(), 2u);
  EXPECT_EQ(describe(sink.lines[0].cells[1]), "t:A0101");
  EXPECT_EQ(describe(sink.lines[0].cells[2]), "t:D");
  EXPECT_EQ(describe(sink.lines[0].cells[3]), "t:Brick");
  EXPECT_EQ(describe(sink.lines[1].cells[1]), "t:=cmd");
  EXPECT_EQ(describe(sink.lines[1].cells[2]), "t:H");

  FakeReportLines without;
  without.types = {{"F_PAGE", "N"}, {"F_DES", "C"}, {"F_SIZE", "C"}, {"F_BIGO", "C"}, {"F_REM", "C"}};
  without.add({{"F_PAGE", "1"}, {"F_DES", "Brick"}});
  without.index();
  CollectingSink bare;
  ExportLines(layout_, sheet, without, 1, 1, bare);
  ASSERT_EQ(bare.lines.size(), 1u);
  EXPECT_EQ(describe(bare.lines[0].cells[1]), "-");
  EXPECT_EQ(describe(bare.lines[0].cells[2]), "-");
}

TEST_F(ExportWalk, AMissingFieldFailsAsOnThePage) {
  lines_.types.erase("F_REM");
  lines_.add({{"F_PAGE", "1"}});
  EXPECT_THROW(run(1, 1), DataError);
}

// The renderer and the export read the same cells: every text the page draws
// on a line is, in order, a non-empty cell of the exported line.
class NullStatus : public StatusProgress {
 public:
  void ShowStatusProgress(int) override {}
  void SetStatusProgress(int) override {}
  void HideStatusProgress() override {}
};
class NullDialog : public ProgressDialog {
 public:
  bool ShowProgress(int, const std::string&) override { return true; }
  bool StepProgress(int, int, const std::string&) override { return true; }
  bool CloseProgress() override { return true; }
  void ProcessPendingMessages() override {}
};

TEST(ExportAgreesWithRenderer, SameTextsLineByLine) {
  SettingsBuilder s;
  s.set("OPTIONSET", "1|0|").set("NCUT", "N").set("PRCDEC", "2").set("CSTDEC", "0").set("MOKDEC", "1");
  s.set("PAGESPACE", "10|10|10|10|").set("FONT", "Gulim|10|100|0|129|").set("FIELDCOUNT", "5|0|5|");
  s.set("F1", Descriptor("1", "1", "1", "2", "40", "S", "F_DES", "", "Name", "", "L"))
      .set("F2", Descriptor("2", "2", "2", "1", "20", "D", "F_MA", "P", "Mat", "D", "R"))
      .set("F3", Descriptor("3", "2", "2", "1", "20", "D", "F_MAK", "A", "Mat", "G", "R"))
      .set("F4", Descriptor("4", "3", "1", "4", "10", "D", "F_PC0", "", "Rate", "", "R"))
      .set("F5", Descriptor("5", "4", "1", "4", "10", "D", "F_QQTY", "", "Qty", "", "C"));
  TReportLayout layout = LayoutFrom(s);
  FakeReportLines lines;
  lines.types = {{"F_PAGE", "N"}, {"F_TYPE", "C"}, {"F_TUNIT", "C"}, {"F_DES", "C"}, {"F_SIZE", "C"},
                 {"F_MA", "N"},   {"F_MAK", "N"},  {"F_PC0", "N"},   {"F_QQTY", "N"}};
  lines.add({{"F_PAGE", "1"}, {"F_TYPE", "H"}, {"F_DES", "Earth"}});
  lines.add({{"F_PAGE", "1"},
             {"F_TYPE", "D"},
             {"F_DES", "Dig"},
             {"F_SIZE", "1m"},
             {"F_MA", "1200"},
             {"F_MAK", "636000.4"},
             {"F_QQTY", "530.00"}});
  lines.add({{"F_PAGE", "1"}, {"F_TYPE", "J"}, {"F_DES", " Tools"}, {"F_PC0", "100"}, {"F_TUNIT", "3"}});
  lines.add({{"F_PAGE", "1"}, {"F_TYPE", "M"}, {"F_DES", "Sum"}, {"F_MAK", "-1234567.25"}, {"F_PC0", "100"}});
  lines.index();

  RecordingCanvas canvas;
  NullStatus status;
  NullDialog dialog;
  RenderJob job;
  job.layout = &layout;
  job.lines = &lines;
  RenderPages(canvas, job, DrawMode::kPreview, {dialog, status});
  std::map<int, std::vector<std::string>> drawn;  // by line top
  for (const CanvasText& t : canvas.texts()) {
    if (t.rect.top < 200 + layout.CaptionHeight) continue;
    std::string text = t.text;
    text.erase(text.find_last_not_of(' ') + 1);
    if (!text.empty()) drawn[t.rect.top].push_back(text);
  }

  const ExportLayout sheet = MakeExportLayout(layout);
  CollectingSink sink;
  ExportLines(layout, sheet, lines, 1, 1, sink);
  ASSERT_EQ(sink.lines.size(), drawn.size());
  auto row = drawn.begin();
  for (const ExportLine& l : sink.lines) {
    std::vector<std::string> cells;
    for (std::size_t c = 1; c < l.cells.size(); ++c)
      if (l.cells[c].kind != CellKind::kEmpty) cells.push_back(l.cells[c].text);
    EXPECT_EQ(cells, row->second);
    ++row;
  }
}

// An amount's value is read from the text the page shows, exactly as strtod
// reads it without the thousands separators, whatever the text holds.
class ExportAmountValue : public ::testing::TestWithParam<const char*> {};

TEST_P(ExportAmountValue, AsStrtodReadsItWithoutSeparators) {
  const std::string text = GetParam();
  std::string digits;
  for (char c : text)
    if (c != ',') digits += c;
  const ExportCell cell = CellFromText(text, true);
  ASSERT_EQ(cell.kind, CellKind::kNumber);
  EXPECT_EQ(cell.number, std::strtod(digits.c_str(), nullptr)) << text;
  EXPECT_EQ(std::signbit(cell.number), std::signbit(std::strtod(digits.c_str(), nullptr))) << text;
}

INSTANTIATE_TEST_SUITE_P(Texts, ExportAmountValue,
                         ::testing::Values("0", "1,234.50", "-1,234,567.891", "0.1", "-0", "-0.00",
                                           "9,007,199,254,740,993", "123,456,789,012.3456789", "+5", "12abc", "-", ".5",
                                           "1e3", "0x1A", "  7"));

}  // namespace
}  // namespace zel
