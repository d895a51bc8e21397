#include "page_renderer.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "data_error.h"
#include "fake_printer.h"
#include "fake_report_lines.h"
#include "progress_dialog.h"
#include "recording_canvas.h"
#include "preview_session.h"
#include "settings_builder.h"
#include "status_progress.h"

namespace zel {
namespace {

const char kGa[] = "\xB0\xA1";  // "가"
const char kNa[] = "\xB3\xAA";  // "나"
const std::string kTwoHangul = std::string(kGa) + kNa;

class RecordingStatus : public StatusProgress {
 public:
  std::vector<std::string> log;
  void ShowStatusProgress(int m) override { log.push_back("show " + std::to_string(m)); }
  void SetStatusProgress(int p) override { log.push_back("set " + std::to_string(p)); }
  void HideStatusProgress() override { log.push_back("hide"); }
};

class RecordingProgress : public ProgressDialog {
 public:
  std::vector<std::string> log;
  int cancelAfterSteps = -1;  // StepProgress(1, ...) calls before answering false
  bool ShowProgress(int count, const std::string& caption) override {
    log.push_back("show " + std::to_string(count) + " " + caption);
    return true;
  }
  bool StepProgress(int position, int page, const std::string&) override {
    log.push_back("step " + std::to_string(position) + " " + std::to_string(page));
    if (position == 1 && cancelAfterSteps >= 0 && --cancelAfterSteps < 0) return false;
    return true;
  }
  bool CloseProgress() override {
    log.push_back("close");
    return true;
  }
  void ProcessPendingMessages() override { log.push_back("pump"); }
};

// Margins 10 on every side, portrait, 36 lines; columns given per test.
class RendererTest : public ::testing::Test {
 protected:
  void SetUp() override {
    layout_ = TReportLayout{};
    outcome_ = RenderOutcome{};
    lines_.types = {{"F_PAGE", "N"}, {"F_DES", "C"}, {"F_SIZE", "C"}, {"F_AMT", "N"}, {"F_QQTY", "N"}};
    settings_.set("FONT", "Gulim|10|100|0|129|")
        .set("TITLEFONT", "Batang|20|100|255||")
        .set("PAGESPACE", "10|10|10|10|")
        .set("OUTLINE", "1")
        .set("NCUT", "N");
  }
  void TearDown() override { layout_ = TReportLayout{}; }
  void prepare(const std::string& base = "P_RPTB02") {
    layout_.ReportBase = base;
    layout_.SettingsText = settings_.text();
    ParseLayout(layout_);
    ApplyPageGeometry(layout_);
    lines_.index();
  }
  void twoColumns(const std::string& kind2 = "1", const std::string& group2 = "2") {
    settings_.set("FIELDCOUNT", "2|0|2|")
        .set("F1", Descriptor("1", "1", "1", "1", "30", "S", "F_DES", "L1", "U1", "", "L"))
        .set("F2", Descriptor("2", group2, "1", kind2, "70", "D", "F_AMT", "L2", "U2", "D", "R"));
  }
  void preview(int page) {
    RenderJob job;
    job.layout = &layout_;
    job.lines = &lines_;
    job.printFrom = job.printTo = job.startNo = page;
    RenderPages(canvas_, job, DrawMode::kPreview, {progress_, status_});
  }
  std::vector<std::string> bodyTexts() {
    std::vector<std::string> out;
    for (const auto& t : canvas_.texts())
      if (t.rect.top >= 200 + layout_.CaptionHeight) out.push_back(t.text);
    return out;
  }

  TReportLayout layout_;  // the run's layout, the test's own
  RenderOutcome outcome_;  // of the last print job
  SettingsBuilder settings_;
  FakeReportLines lines_;
  RecordingCanvas canvas_;
  RecordingStatus status_;
  RecordingProgress progress_;
};

TEST_F(RendererTest, FrameGeometryForTenUnitMargins) {
  twoColumns();
  prepare();
  preview(1);
  auto rects = canvas_.callsOf(CanvasCall::Op::kRectangle);
  ASSERT_EQ(rects.size(), 1u);
  // W = 2100 - 200 - 200 + 3 = 1703, RowHeight 69, F = 69 * 35 + 80 = 2495.
  EXPECT_EQ(rects[0].a, 200);
  EXPECT_EQ(rects[0].b, 200);
  EXPECT_EQ(rects[0].c, 200 + 1703);
  EXPECT_EQ(rects[0].d, 200 + 2495);
  // ColEdge[1] = x0 + 511 (510.9), the column rule from top to bottom.
  EXPECT_TRUE(canvas_.hasLine({711, 200, 711, 2695}));
  auto pens = canvas_.callsOf(CanvasCall::Op::kPenWidth);
  ASSERT_EQ(pens.size(), 2u);
  EXPECT_EQ(pens[0].a, 2);
  EXPECT_EQ(pens[1].a, 1);
}

TEST_F(RendererTest, OutlineZeroRulesEveryRow) {
  twoColumns();
  settings_.set("OUTLINE", "0");  // the later entry is not read: GetKey takes the first
  prepare();
  layout_.SettingsText = SettingsBuilder().set("OUTLINE", "0").text() + "\r\n" + layout_.SettingsText;
  preview(1);
  int horizontal = 0;
  for (const auto& l : canvas_.lines())
    if (l.y1 == l.y2) ++horizontal;
  EXPECT_EQ(horizontal, 1 + 34);  // caption line and LinesPerPage - 2 row lines
  EXPECT_TRUE(canvas_.hasLine({200, 280, 1903, 280}));
  EXPECT_TRUE(canvas_.hasLine({200, 280 + 69, 1903, 280 + 69}));
  EXPECT_TRUE(canvas_.hasLine({711, 200, 711, 2695}));
}

TEST_F(RendererTest, OutlineTwoAndThree) {
  twoColumns();
  prepare();
  layout_.SettingsText = SettingsBuilder().set("OUTLINE", "2").text() + "\r\n" + layout_.SettingsText;
  preview(1);
  ASSERT_EQ(canvas_.lines().size(), 1u);
  EXPECT_EQ(canvas_.lines()[0], (CanvasLine{200, 280, 1903, 280}));
  canvas_.clear();
  layout_.SettingsText = SettingsBuilder().set("OUTLINE", "3").text() + "\r\n" + layout_.SettingsText;
  preview(1);
  EXPECT_TRUE(canvas_.lines().empty());
}

TEST(SpreadCaption, Rules) {
  EXPECT_EQ(SpreadCaption(kTwoHangul, 200, 15), std::string(kGa) + "  " + kNa);
  EXPECT_EQ(SpreadCaption("Amount", 200, 15), "Amount");
  EXPECT_EQ(SpreadCaption("", 200, 15), "");
  EXPECT_EQ(SpreadCaption(kTwoHangul, 200, 0), kTwoHangul);
  EXPECT_EQ(SpreadCaption(kTwoHangul, 40, 15), kTwoHangul);  // gap <= 0
  EXPECT_EQ(SpreadCaption("12", 200, 15), "1     2");  // 13 / 2 - 1 = 5 blanks
  EXPECT_EQ(SpreadCaption(std::string(kGa) + "1", 200, 15), std::string(kGa) + "   1");  // 13 / 3 - 1
}

TEST(RoundHalfEven, Halves) {
  EXPECT_EQ(RoundHalfEven(510.9), 511);
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(2.4999), 2);
}

TEST_F(RendererTest, CaptionsAreSpreadWithBodyFontWidth) {
  settings_.set("FIELDCOUNT", "1|0|1|").set("F1", Descriptor("1", "1", "1", "1", "12", "S", "F_DES", "", kTwoHangul));
  prepare();
  preview(1);
  // Band width: round(1703 * 12 / 100) = 204; c = 15: 204/15 = 13, 13/4 = 3, gap 2.
  auto texts = canvas_.texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, std::string(kGa) + "  " + kNa);
  EXPECT_EQ(texts[0].flags, 0x25u);
  auto fonts = canvas_.callsOf(CanvasCall::Op::kSelectFont);
  ASSERT_EQ(fonts.size(), 1u);
  EXPECT_EQ(fonts[0].font.height, 30);
  EXPECT_EQ(fonts[0].font.averageWidth, 15);
  EXPECT_EQ(fonts[0].font.charSet, 129);
}

TEST_F(RendererTest, TitleSlotsByCode) {
  settings_.set("FIELDCOUNT", "1|0|1|")
      .set("F1", Descriptor("1", "1", "1", "1", "100", "S", "F_DES", "", "Cap"))
      .set("TITLE", "Title")
      .set("DES", "Desc")
      .set("COMNAME", "  Co  ");
  prepare();
  const int top = 200, bottom = 2695, right = 1903;
  struct Case {
    std::string optionSet;
    std::vector<CanvasText> expected;
  };
  const std::vector<Case> cases = {
      {"1|0|1|2|3|4|",
       {{"Title", {200, top - 60, right, top}, 0x24},
        {"Desc", {200, top - 60, right, top}, 0x25},
        {"Page : 7 ", {200, top - 60, right, top}, 0x26},
        {"Co", {200, bottom, right, bottom + 60}, 0x24}}},
      {"1|0|13|15|16|11|",
       {{"Title", {200, top - 60, right, top}, 0x26},
        {"Desc", {200, bottom, right, bottom + 60}, 0x25},
        {"Page : 7", {200, bottom, right, bottom + 60}, 0x26},
        {"Co", {200, top - 60, right, top}, 0x24}}},
      {"1|0|0||7|6|", {{"Co ", {200, bottom, right, bottom + 60}, 0x26}}},
      {"1|0|", {}},
  };
  for (const auto& c : cases) {
    canvas_.clear();
    layout_.SettingsText = SettingsBuilder().set("OPTIONSET", c.optionSet).text() + "\r\n" + settings_.text();
    preview(7);
    std::vector<CanvasText> titles;
    for (const auto& t : canvas_.texts())
      if (t.text != "Cap") titles.push_back(t);
    ASSERT_EQ(titles.size(), c.expected.size()) << c.optionSet;
    for (std::size_t i = 0; i < titles.size(); ++i) {
      EXPECT_EQ(titles[i].text, c.expected[i].text) << c.optionSet;
      EXPECT_EQ(titles[i].rect.top, c.expected[i].rect.top) << c.optionSet << " " << titles[i].text;
      EXPECT_EQ(titles[i].rect.bottom, c.expected[i].rect.bottom) << c.optionSet;
      EXPECT_EQ(titles[i].rect.right, c.expected[i].rect.right) << c.optionSet;
      EXPECT_EQ(titles[i].flags, c.expected[i].flags) << c.optionSet << " " << titles[i].text;
    }
  }
}

TEST_F(RendererTest, TitleFontFromTitleFont) {
  settings_.set("FIELDCOUNT", "1|0|1|")
      .set("F1", Descriptor("1", "1", "1", "1", "100", "S", "F_DES", "", "Cap"))
      .set("OPTIONSET", "1|0|2|")
      .set("TITLE", "T");
  prepare();
  preview(1);
  auto fonts = canvas_.callsOf(CanvasCall::Op::kSelectFont);
  ASSERT_EQ(fonts.size(), 2u);
  EXPECT_EQ(fonts[0].text, "Batang");
  EXPECT_EQ(fonts[0].font.height, 60);
  auto colours = canvas_.callsOf(CanvasCall::Op::kTextColor);
  EXPECT_EQ(colours[0].a, 255);
}

TEST_F(RendererTest, KindOneGroupOfThree) {
  settings_.set("FIELDCOUNT", "3|0|3|")
      .set("F1", Descriptor("1", "4", "2", "1", "20", "S", "F_DES", "La", "Up"))
      .set("F2", Descriptor("2", "4", "2", "1", "30", "S", "F_SIZE", "Lb", "x"))
      .set("F3", Descriptor("3", "4", "2", "1", "50", "D", "F_AMT", "Lc", "y"));
  lines_.add({{"F_PAGE", "1"}, {"F_DES", "d"}, {"F_SIZE", "s"}, {"F_AMT", "5"}});
  prepare();
  EXPECT_EQ(layout_.CaptionHeight, 120);
  preview(1);
  // Edges: 200, 200+341(340.6)=541, 200+852(851.5 -> 852)=1052, 1903.
  auto texts = canvas_.texts();
  ASSERT_EQ(texts.size(), 4u + 3u);
  EXPECT_EQ(texts[0].text, "Up");
  EXPECT_EQ(texts[0].rect.left, 200);
  EXPECT_EQ(texts[0].rect.right, 1903);
  EXPECT_EQ(texts[0].rect.bottom, 260);
  EXPECT_EQ(texts[1].text, "La");
  EXPECT_EQ(texts[2].text, "Lb");
  EXPECT_EQ(texts[2].rect.left, 541);
  EXPECT_EQ(texts[2].rect.right, 1052);
  EXPECT_EQ(texts[2].rect.top, 260);
  EXPECT_EQ(texts[2].rect.bottom, 320);
  // Half-height rules and column rules starting at half caption height.
  const int F = ((2570 - 120) / 36) * 35 + 120;
  EXPECT_TRUE(canvas_.hasLine({541, 260, 541, 200 + F}));
  EXPECT_TRUE(canvas_.hasLine({1052, 260, 1052, 200 + F}));
  EXPECT_TRUE(canvas_.hasLine({200, 260, 1903, 260}));
  EXPECT_TRUE(canvas_.hasLine({541, 260, 1903, 260}));
  // Each column draws its own cell.
  EXPECT_EQ(texts[4].text, "d");
  EXPECT_EQ(texts[5].text, "s");
  EXPECT_EQ(texts[6].text, "5");
}

TEST_F(RendererTest, KindTwoFivePairDrawsOnceAcrossTheGroup) {
  settings_.set("FIELDCOUNT", "2|0|2|")
      .set("F1", Descriptor("1", "3", "1", "2", "30", "S", "F_DES", "", "Pair", "", "C"))
      .set("F2", Descriptor("2", "3", "1", "5", "70", "S", "F_SIZE", "", "", "", "C"));
  lines_.add({{"F_PAGE", "1"}, {"F_DES", "first"}, {"F_SIZE", "second"}});
  prepare();
  // Kind 2 on F_DES also sets DesWithSize; drop it to see the pair alone.
  layout_.DesWithSize = false;
  preview(1);
  auto texts = canvas_.texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, "Pair");  // one caption across the group
  EXPECT_EQ(texts[0].rect.left, 200);
  EXPECT_EQ(texts[0].rect.right, 1903);
  EXPECT_EQ(texts[1].text, "first");
  EXPECT_EQ(texts[1].rect.left, 208);
  EXPECT_EQ(texts[1].rect.right, 1897);
  // No rule between the two columns, only the caption line.
  ASSERT_EQ(canvas_.lines().size(), 1u);
}

TEST_F(RendererTest, DesWithSizeSplitsAtSixTenths) {
  settings_.set("FIELDCOUNT", "1|0|1|")
      .set("F1", Descriptor("1", "1", "1", "2", "100", "S", "F_DES", "", "D", "", "L"));
  lines_.add({{"F_PAGE", "1"}, {"F_DES", "pipe"}, {"F_SIZE", " 100mm "}});
  lines_.add({{"F_PAGE", "1"}, {"F_DES", "bare"}, {"F_SIZE", "   "}});
  prepare();
  ASSERT_TRUE(layout_.DesWithSize);
  preview(1);
  auto body = canvas_.texts();
  ASSERT_EQ(body.size(), 1u + 3u);
  // left 208, right 1897: split at 208 + (1689 * 6) / 10 = 1221.
  EXPECT_EQ(body[1].text, "pipe");
  EXPECT_EQ(body[1].rect.left, 208);
  EXPECT_EQ(body[1].rect.right, 1221);
  EXPECT_EQ(body[2].text, " 100mm ");
  EXPECT_EQ(body[2].rect.left, 1229);
  EXPECT_EQ(body[2].rect.right, 1897);
  EXPECT_EQ(body[3].text, "bare");  // empty size: the description takes the whole cell
  EXPECT_EQ(body[3].rect.right, 1897);
}

TEST_F(RendererTest, NumericCells) {
  lines_.types["F_TYPE"] = "C";
  lines_.types["F_0A01"] = "N";
  settings_.set("OPTIONSET", "1|0|")
      .set("PRCDEC", "2")
      .set("MOKDEC", "3")
      .set("FIELDCOUNT", "3|0|3|")
      .set("F1", Descriptor("1", "1", "1", "1", "30", "D", "F_0A01", "", "", "D", "R"))
      .set("F2", Descriptor("2", "2", "1", "1", "30", "D", "F_AMT", "", "", "D", "C"))
      .set("F3", Descriptor("3", "3", "1", "1", "40", "D", "F_QQTY", "", "", "D", "C"));
  lines_.add({{"F_PAGE", "1"}, {"F_TYPE", "J"}, {"F_0A01", "100"}, {"F_AMT", "100"}, {"F_QQTY", "12.50"}});
  lines_.add({{"F_PAGE", "1"}, {"F_TYPE", "M"}, {"F_0A01", "100"}, {"F_AMT", "0"}, {"F_QQTY", "3"}});
  prepare();
  preview(1);
  EXPECT_EQ(bodyTexts(), (std::vector<std::string>{" ", "100.00", "12.5", "100.000 ", "", "3"}));
}

TEST_F(RendererTest, UnitWordsReplaceMaterialCell) {
  lines_.types["F_TUNIT"] = "C";
  lines_.types["F_MA"] = "N";
  settings_.set("FIELDCOUNT", "1|0|1|").set("F1", Descriptor("1", "1", "1", "1", "100", "D", "F_MA", "", "", "", "C"));
  lines_.add({{"F_PAGE", "1"}, {"F_TUNIT", "2"}, {"F_MA", "5"}});
  lines_.add({{"F_PAGE", "1"}, {"F_TUNIT", "3"}, {"F_MA", "5"}});
  lines_.add({{"F_PAGE", "1"}, {"F_TUNIT", "1"}, {"F_MA", "5"}});
  prepare();
  preview(1);
  EXPECT_EQ(bodyTexts(), (std::vector<std::string>{"\xB0\xFC  \xB1\xDE", "\xBA\xB0  \xBB\xEA", "5"}));
}

TEST_F(RendererTest, LinesBeyondTheFrameAreDrawn) {
  settings_.set("LINE", "3|3|0|")
      .set("FIELDCOUNT", "1|0|1|")
      .set("F1", Descriptor("1", "1", "1", "1", "100", "S", "F_DES", "", "", "", "C"));
  for (int i = 0; i < 5; ++i) lines_.add({{"F_PAGE", "1"}, {"F_DES", "l" + std::to_string(i)}});
  lines_.add({{"F_PAGE", "2"}, {"F_DES", "next"}});
  prepare();
  preview(1);
  auto texts = canvas_.texts();
  ASSERT_EQ(texts.size(), 6u);  // caption + five lines, none of page 2
  const int row = (2570 - 80) / 3;
  EXPECT_EQ(texts[5].text, "l4");
  EXPECT_EQ(texts[5].rect.top, 200 + 4 * row + 80);
  EXPECT_EQ(status_.log, (std::vector<std::string>{"show 3", "set 1", "set 2", "set 3", "set 4", "set 5", "hide"}));
}

TEST_F(RendererTest, MissingPageShowsFrameAndCaptionsOnly) {
  twoColumns();
  lines_.add({{"F_PAGE", "1"}, {"F_DES", "a"}});
  lines_.add({{"F_PAGE", "3"}, {"F_DES", "c"}});
  prepare();
  preview(2);
  EXPECT_EQ(lines_.lastSeekKey, "    2");
  EXPECT_EQ(canvas_.callsOf(CanvasCall::Op::kRectangle).size(), 1u);
  EXPECT_TRUE(bodyTexts().empty());
  EXPECT_EQ(canvas_.texts().size(), 2u);
}

TEST_F(RendererTest, FontFailureSkipsButCountsLines) {
  twoColumns();
  lines_.add({{"F_PAGE", "1"}, {"F_DES", "a"}, {"F_AMT", "1"}});
  lines_.add({{"F_PAGE", "1"}, {"F_DES", "b"}, {"F_AMT", "2"}});
  prepare();
  canvas_.failFonts = true;
  preview(1);
  EXPECT_TRUE(canvas_.texts().empty());
  EXPECT_EQ(status_.log, (std::vector<std::string>{"show 36", "set 1", "set 2", "hide"}));
}

TEST_F(RendererTest, ConversionErrorStillHidesProgress) {
  twoColumns();
  lines_.add({{"F_PAGE", "1"}, {"F_DES", "a"}, {"F_AMT", "1"}});
  prepare();
  layout_.SettingsText = SettingsBuilder().set("FONT", "Gulim|ten|100|0|").text() + "\r\n" + layout_.SettingsText;
  EXPECT_THROW(preview(1), DataError);
  EXPECT_EQ(status_.log.back(), "hide");
}

TEST_F(RendererTest, UnknownAlignIsLeft) {
  settings_.set("FIELDCOUNT", "1|0|1|").set("F1", Descriptor("1", "1", "1", "1", "100", "S", "F_DES", "", "", "", "Q"));
  lines_.add({{"F_PAGE", "1"}, {"F_DES", " x "}});
  prepare();
  preview(1);
  auto texts = canvas_.texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[1].text, "x");
  EXPECT_EQ(texts[1].flags, 0x24u);
}

class PrintRendererTest : public RendererTest {
 protected:
  void SetUp() override {
    RendererTest::SetUp();
    settings_.set("OPTIONSET", "1|0|0|0|3|");
    twoColumns();
    for (int p = 1; p <= 6; ++p)
      for (int l = 0; l < 2; ++l) lines_.add({{"F_PAGE", std::to_string(p)}, {"F_DES", "p" + std::to_string(p)}});
  }
  void print(int from, int to, int startNo) {
    RenderJob job;
    job.layout = &layout_;
    job.lines = &lines_;
    job.printFrom = from;
    job.printTo = to;
    job.startNo = startNo;
    job.sheetCopies = sheetCopies_;
    job.printer = &printer_;
    job.margins = ReadPrinterMargins(printer_, layout_.Landscape());
    const RenderOutcome done = RenderPages(printer_.recording, job, DrawMode::kPrinter, {progress_, status_});
    outcome_ = done;
    margins_ = done.margins;
  }
  std::vector<std::string> pageTexts() {
    std::vector<std::string> out;
    for (const auto& t : printer_.recording.texts())
      if (t.text.rfind("Page : ", 0) == 0) out.push_back(t.text);
    return out;
  }
  // The body texts of each sheet (each sheet starts with its frame), joined.
  std::vector<std::string> sheetBodies() {
    std::vector<std::string> out;
    for (const auto& call : printer_.recording.calls) {
      if (call.op == CanvasCall::Op::kRectangle) out.emplace_back();
      if (call.op == CanvasCall::Op::kText && call.text.rfind("p", 0) == 0 && !out.empty()) out.back() += call.text;
    }
    return out;
  }
  void onlyPages(std::initializer_list<int> pages) {
    lines_.records.clear();
    for (int p : pages) lines_.add({{"F_PAGE", std::to_string(p)}, {"F_DES", "p" + std::to_string(p)}});
  }
  FakePrinter printer_;
  int sheetCopies_ = 1;
  PrinterMargins margins_;
};

// A page number that no line carries still prints, as its frame, so a range
// gives one sheet per page number and no page lands on another's sheet.
TEST_F(PrintRendererTest, PageGapPrintsAnEmptySheet) {
  struct Case {
    int from, to;
    std::vector<std::string> numbers, bodies;
  };
  for (const Case& c : {Case{3, 4, {"Page : 3 ", "Page : 4 "}, {"", "p4"}},
                        Case{1, 4, {"Page : 1 ", "Page : 2 ", "Page : 3 ", "Page : 4 "}, {"p1", "p2", "", "p4"}},
                        Case{3, 3, {"Page : 3 "}, {""}}}) {
    SCOPED_TRACE(std::to_string(c.from) + "-" + std::to_string(c.to));
    onlyPages({1, 2, 4});
    prepare();
    printer_.recording.clear();
    print(c.from, c.to, c.from);
    EXPECT_EQ(pageTexts(), c.numbers);
    EXPECT_EQ(sheetBodies(), c.bodies);
  }
}

// A device that cannot make copies gets the range again for each copy, collated.
TEST_F(PrintRendererTest, CopiesRepeatTheRangeWhenTheDeviceCannot) {
  prepare();
  sheetCopies_ = 2;
  print(2, 3, 5);
  EXPECT_EQ(pageTexts(), (std::vector<std::string>{"Page : 5 ", "Page : 6 ", "Page : 5 ", "Page : 6 "}));
  EXPECT_EQ(sheetBodies(), (std::vector<std::string>{"p2p2", "p3p3", "p2p2", "p3p3"}));
  EXPECT_EQ(std::count(printer_.log.begin(), printer_.log.end(), "page"), 3);
  EXPECT_EQ(progress_.log.front().substr(0, 7), "show 4 ");
  EXPECT_EQ(std::count(progress_.log.begin(), progress_.log.end(), "pump"), 3);
}

TEST_F(PrintRendererTest, PagesThreeToFiveNumberedFromStart) {
  prepare();
  print(3, 5, 1);
  EXPECT_EQ(pageTexts(), (std::vector<std::string>{"Page : 1 ", "Page : 2 ", "Page : 3 "}));
  EXPECT_EQ(printer_.log, (std::vector<std::string>{"page", "map", "page", "map"}));
  EXPECT_EQ(outcome_.currentPage, 5);
  const std::string caption =
      "\xEB\xB3\xB4\xEA\xB3\xA0\xEC\x84\x9C\xEB\xA5\xBC \xEC\x9D\xB8\xEC\x87\x84\xEC\xA4\x91"
      "\xEC\x9E\x85\xEB\x8B\x88\xEB\x8B\xA4.";
  // One step between pages; the bar never counts or names a page past the range.
  EXPECT_EQ(progress_.log, (std::vector<std::string>{"show 3 " + caption, "pump", "step 1 4", "pump", "step 1 5",
                                                     "step 100 5", "close"}));
  // y grows upward on the printer: the frame runs downward from y0 = 0.
  auto rect = printer_.recording.callsOf(CanvasCall::Op::kRectangle)[0];
  EXPECT_LT(rect.d, 0);
}

TEST_F(PrintRendererTest, CancelEndsAfterCurrentPage) {
  prepare();
  progress_.cancelAfterSteps = 1;
  print(1, 6, 10);
  EXPECT_EQ(pageTexts(), (std::vector<std::string>{"Page : 10 ", "Page : 11 "}));
  EXPECT_EQ(progress_.log.back(), "close");
  EXPECT_EQ(progress_.log[progress_.log.size() - 2], "step 100 2");
}

TEST_F(PrintRendererTest, PortraitMarginsAndWindowOrigin) {
  prepare("P_RPTB02");
  printer_.recording.offset = {118, 119};  // the canvas reports its offset in page units
  print(1, 1, 1);
  // Portrait: top strip, right strip, bottom strip; 600-dpi pixels as 0.1 mm.
  EXPECT_EQ(margins_.PrnMargin1, 50);  // 119 px
  EXPECT_EQ(margins_.PrnMargin2, 50);  // 4961 - 4725 - 118 = 118 px
  EXPECT_EQ(margins_.PrnMargin3, 50);  // 7016 - 6780 - 119 = 117 px
  auto origin = printer_.recording.callsOf(CanvasCall::Op::kWindowOrigin)[0];
  EXPECT_EQ(origin.a, 118 - (50 + 200));
  EXPECT_EQ(origin.b, (50 + 200) - 119);
  auto rect = printer_.recording.callsOf(CanvasCall::Op::kRectangle)[0];
  // W = 2100 - (50 + 200) - 200 = 1650; B = 50 + 200; H = 2970 - 250 - 200.
  EXPECT_EQ(rect.c, 1650);
  const int H = 2970 - 250 - 200;
  EXPECT_EQ(rect.d, -(((H - 80) / 36) * 35 + 80));
}

TEST_F(PrintRendererTest, LandscapeMargins) {
  prepare("L_RPTB02");
  printer_.orientation = PaperOrientation::kLandscape;
  margins_ = ReadPrinterMargins(printer_, true);
  // Landscape: right strip, left strip, top strip of the turned sheet.
  EXPECT_EQ(margins_.PrnMargin1, 50);
  EXPECT_EQ(margins_.PrnMargin2, 50);
  EXPECT_EQ(margins_.PrnMargin3, 50);
}

TEST(PixelsToPageUnits, ConvertsAtTheDeviceResolution) {
  EXPECT_EQ(PixelsToPageUnits(600, 600), 254);
  EXPECT_EQ(PixelsToPageUnits(95, 600), 40);  // a 4 mm strip
  EXPECT_EQ(PixelsToPageUnits(100, 254), 100);  // one pixel per page unit
  EXPECT_EQ(PixelsToPageUnits(0, 1200), 0);
  EXPECT_EQ(PixelsToPageUnits(50, 0), 0);  // no resolution: no strip
}

TEST_F(PrintRendererTest, ErrorStillClosesProgress) {
  prepare();
  layout_.SettingsText = SettingsBuilder().set("FONT", "Gulim|10|100|red|").text() + "\r\n" + layout_.SettingsText;
  EXPECT_THROW(print(1, 2, 1), DataError);
  EXPECT_EQ(progress_.log.back(), "close");
}

}  // namespace
}  // namespace zel

namespace zel {
namespace {

TEST_F(RendererTest, RightAlignmentAppendsBlankAndReachesTheRule) {
  twoColumns();
  lines_.add({{"F_PAGE", "1"}, {"F_DES", "  lead"}, {"F_AMT", "1234.5"}});
  prepare();
  preview(1);
  auto texts = canvas_.texts();
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[2].text, "  lead");  // "L": leading blanks stay
  EXPECT_EQ(texts[2].rect.left, 208);
  EXPECT_EQ(texts[2].rect.right, 711 - 6);
  EXPECT_EQ(texts[2].flags, 0x24u);
  EXPECT_EQ(texts[3].text, "1,234.5 ");
  EXPECT_EQ(texts[3].rect.left, 711 + 8);
  EXPECT_EQ(texts[3].rect.right, 1903);
  EXPECT_EQ(texts[3].flags, 0x26u);
  EXPECT_EQ(texts[3].rect.top, 280);
  EXPECT_EQ(texts[3].rect.bottom, 280 + 69);
}

}  // namespace
}  // namespace zel

namespace zel {
namespace {

// A cell text wider than its cell keeps every character: it is squeezed across
// to the cell's room (numbers at any squeeze; other texts to half, then cut at
// their end by a left alignment), and a text that fits is drawn as it is.
struct SqueezeCase {
  const char* type;  // "D" number, "S" text
  const char* align;  // "R", "L", "C"
  std::string value;
  const char* widthPct;
  std::string shown;  // the cell text the page must carry whole
  enum Expect { kAsIs, kSqueezed, kHalfCutAtEnd } expect;
};

class CellSqueeze : public RendererTest, public ::testing::WithParamInterface<SqueezeCase> {};

TEST_P(CellSqueeze, OverflowingTextsKeepAllTheirCharacters) {
  const SqueezeCase& c = GetParam();
  lines_.types["F_AMT"] = "N";
  const std::string field = std::string(c.type) == "D" ? "F_AMT" : "F_DES";
  settings_.set("FIELDCOUNT", "1|0|1|")
      .set("F1", Descriptor("1", "1", "1", "1", c.widthPct, c.type, field, "", "", "", c.align));
  lines_.add({{"F_PAGE", "1"}, {field, c.value}});
  prepare();
  preview(1);
  const auto texts = canvas_.texts();
  ASSERT_EQ(texts.size(), 2u);  // the caption band, then the cell
  const CanvasText& cell = texts[1];
  EXPECT_EQ(cell.text, c.shown);
  const double room = cell.rect.right - cell.rect.left;
  const unsigned alignment = cell.flags & (kDtCenter | kDtRight);
  switch (c.expect) {
    case SqueezeCase::kAsIs:
      EXPECT_EQ(cell.scale, 1.0);
      EXPECT_LE(cell.width, room + (cell.text.size() - cell.text.find_last_not_of(' ') - 1) * 15.0);
      break;
    case SqueezeCase::kSqueezed:
      EXPECT_LT(cell.scale, 1.0);
      EXPECT_NEAR(cell.width * cell.scale, room, 1e-6);  // fills the cell, never past it
      EXPECT_EQ(alignment, std::string(c.align) == "R" ? kDtRight : std::string(c.align) == "C" ? kDtCenter : 0u);
      break;
    case SqueezeCase::kHalfCutAtEnd:
      EXPECT_EQ(cell.scale, 0.5);
      EXPECT_EQ(alignment, 0u);  // the start stays in view
      break;
  }
}

// Body font size 10, width 100: 15 units a byte. A 10 % column is 170 units
// wide: 156 of room, 162 for a right-aligned text (which also gets a blank).
INSTANTIATE_TEST_SUITE_P(
    Cells, CellSqueeze,
    ::testing::Values(
        SqueezeCase{"D", "R", "1234", "10", "1,234 ", SqueezeCase::kAsIs},
        SqueezeCase{"D", "R", "65160", "5", "65,160 ", SqueezeCase::kSqueezed},
        SqueezeCase{"D", "R", "3966720", "10", "3,966,720 ", SqueezeCase::kAsIs},
        SqueezeCase{"D", "R", "123456789.25", "10", "123,456,789.25 ", SqueezeCase::kSqueezed},
        SqueezeCase{"D", "R", "123456789.25", "3", "123,456,789.25 ", SqueezeCase::kSqueezed},  // far below half
        SqueezeCase{"D", "C", "-98765432.5", "8", "-98,765,432.5", SqueezeCase::kSqueezed},
        SqueezeCase{"S", "L", "short", "10", "short", SqueezeCase::kAsIs},
        SqueezeCase{"S", "L", "padded" + std::string(30, ' '), "10", "padded" + std::string(30, ' '),
                    SqueezeCase::kAsIs},
        SqueezeCase{"S", "L", "a fifteen chars", "10", "a fifteen chars", SqueezeCase::kSqueezed},
        SqueezeCase{"S", "R", std::string(12, 'x'), "10", std::string(12, 'x') + " ", SqueezeCase::kSqueezed},
        SqueezeCase{"S", "C", std::string(8, '\xB0'), "5", std::string(8, '\xB0'), SqueezeCase::kSqueezed},
        SqueezeCase{"S", "R", std::string(30, 'y'), "10", std::string(30, 'y') + " ", SqueezeCase::kHalfCutAtEnd},
        SqueezeCase{"S", "L", std::string(40, 'z'), "10", std::string(40, 'z'), SqueezeCase::kHalfCutAtEnd}));

// Settings far outside any page must not overflow or build huge texts.
TEST_F(RendererTest, AbsurdSettingsStayBounded) {
  settings_.set("LINE", "999999999|1|0|")
      .set("FIELDCOUNT", "2|0|2|")
      .set("F1", Descriptor("1", "1", "1", "1", "2000000000", "S", "F_DES", "", kTwoHangul))
      .set("F2", Descriptor("2", "2", "1", "1", "2000000000", "S", "F_DES", "", kTwoHangul));
  lines_.add({{"F_PAGE", "1"}, {"F_DES", "a"}});
  prepare();
  layout_.SettingsText =
      SettingsBuilder().set("OUTLINE", "0").set("FONT", "G|999999999|200|0|").text() + "\r\n" + layout_.SettingsText;
  preview(1);
  for (const auto& t : canvas_.texts()) EXPECT_LT(t.text.size(), 20000u);
  EXPECT_LT(canvas_.calls.size(), 1000u);
}

}  // namespace
}  // namespace zel
