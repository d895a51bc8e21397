#include "zoom_setting.h"

#include <gtest/gtest.h>

namespace zel {
namespace {

struct ZoomTextCase {
  const char* text;
  bool valid;
  ZoomMode mode;
  int percent;
};

class ZoomSettingTable : public ::testing::TestWithParam<ZoomTextCase> {};

TEST_P(ZoomSettingTable, ParsesAndWritesBack) {
  const ZoomTextCase& c = GetParam();
  const std::optional<ZoomSetting> parsed = parseZoomSetting(c.text);
  ASSERT_EQ(parsed.has_value(), c.valid);
  if (!c.valid) return;
  EXPECT_EQ(parsed->mode, c.mode);
  if (c.mode == ZoomMode::kPercent) {
    EXPECT_EQ(parsed->percent, c.percent);
  }
  EXPECT_EQ(zoomSettingText(*parsed), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ZoomSettingTable,
    ::testing::Values(
        ZoomTextCase{"FIT", true, ZoomMode::kFitPage, 0}, ZoomTextCase{"WIDTH", true, ZoomMode::kFitWidth, 0},
        ZoomTextCase{"50", true, ZoomMode::kPercent, 50}, ZoomTextCase{"250", true, ZoomMode::kPercent, 250},
        ZoomTextCase{"120", true, ZoomMode::kPercent, 120}, ZoomTextCase{"40", false, ZoomMode::kPercent, 0},
        ZoomTextCase{"260", false, ZoomMode::kPercent, 0}, ZoomTextCase{"125", false, ZoomMode::kPercent, 0},
        ZoomTextCase{"", false, ZoomMode::kPercent, 0}, ZoomTextCase{"fit", false, ZoomMode::kPercent, 0},
        ZoomTextCase{"-50", false, ZoomMode::kPercent, 0}, ZoomTextCase{"99999999999", false, ZoomMode::kPercent, 0}));

TEST(ZoomSetting, NothingWithoutAProgramDirectory) {
  writeZoomSetting("", {ZoomMode::kFitPage, 0});
  EXPECT_FALSE(readZoomSetting("").has_value());
}

}  // namespace
}  // namespace zel
