#include "zoom_fit.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace zel {
namespace {

// A4 at 80 pixels per inch: 210 mm → 661 pixels, 297 mm → 935.
constexpr int kShort = 661, kLong = 935;
constexpr int kBar = 16;

struct FitCase {
  const char* name;
  FitKind kind;
  bool landscape;
  FitArea area;
  int expected;
};

// The area of a maximised preview on an 800 × 600 screen with a 28-pixel
// taskbar: client 794 × 547 (a 19-pixel caption and 3-pixel borders), less
// the 41-pixel toolbar and the 24-pixel status bar: 794 × 482. There the
// fit buttons give the zooms they always had (50 portrait, 70 landscape, 80
// for the landscape width).
constexpr FitArea kDesignScreen{794, 482, kBar};
// A maximised preview on a 1600 × 1000 screen: about 1596 × 890.
constexpr FitArea kWideScreen{1596, 890, kBar};

const FitCase kCases[] = {
    // 935 × 0.5 = 468 ≤ 482, at 60 % 561 > 482.
    {"design screen, portrait page", FitKind::kWholePage, false, kDesignScreen, 50},
    // Height decides: 661 × 0.7 = 463 ≤ 482, at 80 % 529 > 482 (width 748 would fit).
    {"design screen, landscape page", FitKind::kWholePage, true, kDesignScreen, 70},
    // 935 × 0.8 = 748 ≤ 794 − 16 (the page is taller than the area), at 90 % 842.
    {"design screen, landscape width", FitKind::kWidth, true, kDesignScreen, 80},
    // 661 × 1.1 = 727 ≤ 778, at 120 % 793 > 778.
    {"design screen, portrait width", FitKind::kWidth, false, kDesignScreen, 110},
    // 935 × 0.9 = 842 ≤ 890, at 100 % 935 > 890.
    {"wide screen, portrait page", FitKind::kWholePage, false, kWideScreen, 90},
    // Height: 661 × 1.3 = 859 ≤ 890, at 140 % 925 > 890; width 1309 fits.
    {"wide screen, landscape page", FitKind::kWholePage, true, kWideScreen, 130},
    // The page at "fit width" is wider than at 100 %: 935 × 1.6 = 1496 ≤ 1580, at 170 % 1590 > 1580.
    {"wide screen, landscape width", FitKind::kWidth, true, kWideScreen, 160},
    // 661 × 2.3 = 1520 ≤ 1580, at 240 % 1586.
    {"wide screen, portrait width", FitKind::kWidth, false, kWideScreen, 230},
    // Exactly filling the area still fits: 935 × 0.6 = 561.
    {"page exactly as high as the area", FitKind::kWholePage, false, {1000, 561, kBar}, 60},
    {"one pixel short", FitKind::kWholePage, false, {1000, 560, kBar}, 50},
    // A page no taller than the area keeps the scroll bar's width for itself:
    // 935 × 0.7 = 654 in 655 wide (at 80 % 748); 661 × 0.7 = 463 ≤ 500.
    {"width without a vertical scroll bar", FitKind::kWidth, true, {655, 500, kBar}, 70},
    // The same width with a page taller than the area: 655 − 16 = 639 < 654.
    {"width with a vertical scroll bar", FitKind::kWidth, true, {655, 400, kBar}, 60},
    // Limits: a huge area stops at the largest zoom, a tiny or empty one at the smallest.
    {"area larger than the largest zoom", FitKind::kWholePage, false, {5000, 5000, kBar}, 250},
    {"area smaller than the smallest zoom", FitKind::kWholePage, true, {100, 100, kBar}, 50},
    {"no area at all", FitKind::kWidth, false, {0, 0, kBar}, 50},
};

class FitZoomTable : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitZoomTable, GivesTheLargestStepThatFits) {
  const FitCase& c = GetParam();
  const int w = c.landscape ? kLong : kShort, h = c.landscape ? kShort : kLong;
  EXPECT_EQ(fitZoom(c.kind, w, h, c.area), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, FitZoomTable, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<FitCase>& info) {
                           std::string name;
                           for (const char* p = info.param.name; *p; ++p)
                             name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                           return name;
                         });

TEST(FitZoom, StepsCountFromTheMinimum) {
  // Limits 55..100 in steps of 10 reach 55, 65, ... 95: never 100.
  EXPECT_EQ(fitZoom(FitKind::kWholePage, 100, 100, {5000, 5000, 0}, {55, 100, 10}), 95);
  EXPECT_EQ(fitZoom(FitKind::kWholePage, 100, 100, {70, 70, 0}, {55, 100, 10}), 65);
}

TEST(FitZoom, EmptyPageGivesTheMinimum) {
  EXPECT_EQ(fitZoom(FitKind::kWholePage, 0, 935, {800, 600, 0}), 50);
  EXPECT_EQ(fitZoom(FitKind::kWidth, 661, -1, {800, 600, 0}), 50);
}

}  // namespace
}  // namespace zel
