#include "fixed_format.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

namespace zel::reportwriter {
namespace {

std::string printfFixed(double v, int d) {
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.*f", d, v);
  return buf;
}

TEST(FixedFormatTest, MatchesPrintf) {
  const double values[] = {0,         -0.0,  1,      -1,   0.125,   0.375, 2.5,  -2.5,        12.5,         1234.5678,
                           68000,     0.004, -0.004, 1e14, 9.99e14, 1e15,  1e20, -123456.789, 842.3 * 1.15, 0.1 + 0.2,
                           5.0000005, 1.005};
  for (double v : values) {
    for (int d = 0; d <= 9; ++d) EXPECT_EQ(formatFixed(v, d), printfFixed(v, d)) << v << " " << d;
  }
  EXPECT_EQ(formatFixed(1.5, 12), printfFixed(1.5, 12));
}

TEST(FixedFormatTest, RandomValuesMatchPrintf) {
  std::mt19937_64 rng(949);
  std::uniform_real_distribution<double> dist(-1e9, 1e9);
  for (int i = 0; i < 200000; ++i) {
    const double v = dist(rng) / static_cast<double>(1 << (i % 20));
    const int d = i % 5;
    ASSERT_EQ(formatFixed(v, d), printfFixed(v, d)) << v << " " << d;
  }
}

}  // namespace
}  // namespace zel::reportwriter
