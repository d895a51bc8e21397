// Seeded random settings blocks through the whole page path: each one either
// draws or ends with the conversion error, never anything else (the sanitizer
// build watches for overflow and bad memory access).
#include <gtest/gtest.h>

#include <random>

#include "data_error.h"
#include "fake_report_lines.h"
#include "page_renderer.h"
#include "quiet_progress.h"
#include "recording_canvas.h"
#include "preview_session.h"
#include "settings_builder.h"
#include "value_search.h"

namespace zel {
namespace {

class RandomSettings {
 public:
  explicit RandomSettings(unsigned seed) : rng_(seed) {}

  std::string number() {
    static const char* const kPool[] = {"0",           "1",         "2",  "3",  "4",  "5",  "9",   "10",
                                        "11",          "13",        "16", "-1", "-7", "35", "100", "2147483647",
                                        "-2147483648", "999999999", "",   "x",  " 2", "1e3"};
    return kPool[pick(sizeof kPool / sizeof *kPool)];
  }
  std::string text() {
    static const char* const kPool[] = {
        "",     "A",  "\xB0\xA1\xB3\xAA", "F_DES", "F_SIZE", "F_QQTY", "F_MA", "F_0A01", "D", "S", "C", "L", "R", "G",
        "\xB0", "| |"};
    return kPool[pick(sizeof kPool / sizeof *kPool)];
  }
  std::string list(int tokens, bool numeric) {
    std::string out;
    for (int i = 0; i < tokens; ++i) out += (numeric || pick(3) == 0 ? number() : text()) + "|";
    return out;
  }
  std::string block() {
    SettingsBuilder b;
    const int fields = static_cast<int>(pick(6));
    b.set("FIELDCOUNT", list(3, true));
    for (int k = 1; k <= fields; ++k) {
      std::string d;
      for (int item = 0; item < 18; ++item)
        d += (item <= 4 ? (pick(8) == 0 ? text() : std::to_string(pick(6))) : (item == 6 ? "D" : text())) + "|";
      if (pick(4) == 0) d = list(static_cast<int>(pick(20)), pick(2) == 0);
      b.set("F" + std::to_string(k), d);
    }
    b.set("LINE", list(3, true)).set("OPTIONSET", list(6, true)).set("PAGESPACE", list(4, true));
    b.set("FONT", "G|" + list(4, true)).set("TITLEFONT", "G|" + list(4, true));
    b.set("OUTLINE", number()).set("TITLE", text()).set("NCUT", pick(2) ? "N" : "Y");
    return b.text();
  }
  std::size_t pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_); }

 private:
  std::mt19937 rng_;
};

TEST(LayoutRobustness, RandomBlocksDrawOrFailCleanly) {
  RandomSettings gen(20261209);
  QuietProgress progress;
  int drawn = 0, refused = 0;
  for (int round = 0; round < 3000; ++round) {
    TReportLayout layout;
    FakeReportLines lines;
    lines.types = {{"F_PAGE", "N"}, {"F_DES", "C"},  {"F_SIZE", "C"},  {"F_QQTY", "N"}, {"F_MA", "N"},
                   {"F_0A01", "N"}, {"F_TYPE", "C"}, {"F_TUNIT", "C"}, {"F_INIT", "M"}};
    lines.add({{"F_PAGE", "1"},
               {"F_DES", "\xB0\xA1"},
               {"F_SIZE", "s"},
               {"F_QQTY", "1.5"},
               {"F_MA", "100"},
               {"F_0A01", "100"},
               {"F_TYPE", "J"},
               {"F_TUNIT", "2"}});
    lines.add({{"F_PAGE", "2"}, {"F_DES", "x"}, {"F_MA", "-3"}});
    layout.ReportBase = gen.pick(2) ? "P_R" : "L_R";
    layout.SettingsText = gen.block();
    lines.records[0]["F_INIT"] = layout.SettingsText;
    RecordingCanvas canvas;
    try {
      ParseLayout(layout);
      ApplyPageGeometry(layout);
      RenderJob job;
      job.layout = &layout;
      job.lines = &lines;
      RenderPages(canvas, job, gen.pick(2) ? DrawMode::kPreview : DrawMode::kPrinter, progress.both());
      ++drawn;
    } catch (const DataError&) {
      ++refused;
    }
    try {
      PrepareSearch(lines, 0);
    } catch (const DataError&) {}
  }
  EXPECT_GT(drawn, 0);
  EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace zel
