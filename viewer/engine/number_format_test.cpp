#include "number_format.h"

#include <gtest/gtest.h>

#include "report_layout.h"

namespace zel {
namespace {

struct FormatCase {
  double x;
  int d;
  const char* expected;
};

class FormatNumberTable : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatNumberTable, MatchesTable) {
  const FormatCase& c = GetParam();
  EXPECT_EQ(FormatNumber(c.x, c.d), c.expected) << c.x << " d=" << c.d;
}

INSTANTIATE_TEST_SUITE_P(EdgeCases, FormatNumberTable,
                         ::testing::Values(FormatCase{0, 0, ""}, FormatCase{0, 3, ""}, FormatCase{1234.5, 0, "1,234.5"},
                                           FormatCase{1234.5, 2, "1,234.50"}, FormatCase{1234.5678, 2, "1,234.5678"},
                                           FormatCase{100, 2, "100.00"}, FormatCase{100, 0, "100"},
                                           FormatCase{-5, 0, "-5"}, FormatCase{0.00000004, 0, ""},
                                           FormatCase{1234.5, 9, "1,234.5000000"},
                                           FormatCase{1234.5, 7, "1,234.5000000"}, FormatCase{1234.5, -3, "1,234.5"},
                                           FormatCase{12.5, 0, "12.5"}, FormatCase{0.5, 0, "0.5"},
                                           FormatCase{999, 0, "999"}, FormatCase{1000, 0, "1,000"},
                                           FormatCase{-1234567.25, 1, "-1,234,567.25"},
                                           FormatCase{1234567890, 0, "1,234,567,890"}));

INSTANTIATE_TEST_SUITE_P(
    SignificantDigits, FormatNumberTable,
    ::testing::Values(
        // eight integer digits keep seven decimals; negative six
        FormatCase{12345678.1234567, 0, "12,345,678.1234567"}, FormatCase{-12345678.1234567, 0, "-12,345,678.123457"},
        FormatCase{123456789.123456, 0, "123,456,789.123456"}, FormatCase{-123456789.123456, 0, "-123,456,789.12346"},
        // 10^12 and above keep two decimals, one when negative
        FormatCase{1e12 + 0.25, 0, "1,000,000,000,000.25"}, FormatCase{-(1e12 + 0.375), 0, "-1,000,000,000,000.4"},
        FormatCase{1e12, 3, "1,000,000,000,000.000"}));

INSTANTIATE_TEST_SUITE_P(NegativeRoundsToZero, FormatNumberTable,
                         ::testing::Values(FormatCase{-0.00000004, 0, ""}, FormatCase{-0.0, 2, ""}));

// Exact binary halves at the last printed decimal round to even, as printf does.
INSTANTIATE_TEST_SUITE_P(
    HalvesRoundToEven, FormatNumberTable,
    ::testing::Values(FormatCase{0.00390625, 0, "0.0039062"}, FormatCase{0.01171875, 0, "0.0117188"},
                      FormatCase{-0.00390625, 0, "-0.003906"}, FormatCase{1.00390625, 4, "1.0039062"},
                      FormatCase{1e12 + 0.125, 0, "1,000,000,000,000.12"},
                      FormatCase{1e12 + 0.375, 0, "1,000,000,000,000.38"},
                      FormatCase{-(1e12 + 0.25), 0, "-1,000,000,000,000.2"},
                      FormatCase{1e20, 0, "100,000,000,000,000,000,000"}, FormatCase{-1e300 * 0, 0, ""}));

TEST(FormatNumber, RoundsAtSevenDecimals) {
  EXPECT_EQ(FormatNumber(0.00000006, 0), "0.0000001");
  EXPECT_EQ(FormatNumber(2.00000004, 2), "2.00");
}

TEST(DecimalsFor, FixedOffGivesZero) {
  TFieldDesc d;
  d.items[12] = "D";
  EXPECT_EQ(DecimalsFor(d, {false, 2, 1, 3}, "M"), 0);
}

TEST(DecimalsFor, ItemLinesUseItemDecimals) {
  TFieldDesc d;
  d.items[12] = "D";
  EXPECT_EQ(DecimalsFor(d, {true, 2, 1, 3}, "M"), 3);
}

TEST(DecimalsFor, OtherLinesByClass) {
  TFieldDesc d;
  DecimalRules r{true, 2, 1, 3};
  d.items[12] = "D";
  EXPECT_EQ(DecimalsFor(d, r, "J"), 2);
  d.items[12] = "G";
  EXPECT_EQ(DecimalsFor(d, r, ""), 1);
  d.items[12] = "X";
  EXPECT_EQ(DecimalsFor(d, r, "J"), 0);
}

TEST(PadLeft, RightJustifiesOrCuts) {
  EXPECT_EQ(PadLeft(7, 5), "    7");
  EXPECT_EQ(PadLeft(123456, 5), "12345");
  EXPECT_EQ(PadLeft(12345, 5), "12345");
  EXPECT_EQ(PadLeft(std::optional<std::string>{}, 3), "   ");
  EXPECT_EQ(PadLeft(std::optional<std::string>{" 42 "}, 4), "  42");
}

TEST(VariantText, NullAndTrim) {
  EXPECT_EQ(VariantText(std::nullopt), "");
  EXPECT_EQ(VariantText(std::string("\t ab c\r\n")), "ab c");
  EXPECT_EQ(VariantText(std::string("\xB0\xA1 ")), "\xB0\xA1");
}

}  // namespace
}  // namespace zel
