#include "settings_block.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zel {
namespace {

const std::string M = kValueMarker;  // "♬"

std::string entry(const std::string& key, const std::string& value) { return "<" + key + ">=" + M + value + M; }

std::string sampleBlock() {
  return entry("RPTCODE", "RPTB02") + "\r\n" + entry("OPTIONSET", "1|0|1|1|1|1|") + "\r\n" +
         entry("PAGESPACE", "10|10|15|10|") + "\r\n" + entry("OPT10", "X|1|Z|") + "\r\n" + entry("OPT1", "X|2|C|D|");
}

// ---- GetKey ----

TEST(GetKeyTest, ReadsValuesOfPresentKeys) {
  std::string block = sampleBlock();
  EXPECT_EQ(GetKey(block, "RPTCODE"), "RPTB02");
  EXPECT_EQ(GetKey(block, "PAGESPACE"), "10|10|15|10|");
  EXPECT_EQ(GetKey(block, "OPT1"), "X|2|C|D|");
  EXPECT_EQ(GetKey(block, "OPT10"), "X|1|Z|");
}

TEST(GetKeyTest, AbsentKeyAndEmptyBlockGiveEmpty) {
  EXPECT_EQ(GetKey(sampleBlock(), "TITLE"), "");
  EXPECT_EQ(GetKey("", "TITLE"), "");
  EXPECT_EQ(GetKey(sampleBlock(), "rptcode"), "");  // keys are case-sensitive
}

TEST(GetKeyTest, PrefixKeyFoundOnlyByBracketedForm) {
  // OPT10 comes first in the block; OPT1 must not match inside it.
  std::string block = entry("OPT10", "ten|") + "\r\n" + entry("OPT1", "one|");
  EXPECT_EQ(GetKey(block, "OPT1"), "one|");
  EXPECT_EQ(GetKey(block, "OPT10"), "ten|");
  EXPECT_EQ(GetKey(block, "OPT"), "");
}

TEST(GetKeyTest, FirstOccurrenceWins) {
  std::string block = entry("A", "first") + "\r\n" + entry("A", "second");
  EXPECT_EQ(GetKey(block, "A"), "first");
}

TEST(GetKeyTest, EmptyValueAndKoreanValue) {
  // "굴림체" in CP949
  const std::string gulim = "\xB1\xBC\xB8\xB2\xC3\xBC";
  std::string block = entry("DES", "") + "\r\n" + entry("FONT", gulim + "|10|100|0|129|");
  EXPECT_EQ(GetKey(block, "DES"), "");
  EXPECT_EQ(GetKey(block, "FONT"), gulim + "|10|100|0|129|");
}

TEST(GetKeyTest, ValueMayHoldLineBreaksAndAngleBrackets) {
  std::string block = entry("DES", "a\r\n<TITLE>=b") + "\r\n" + entry("TITLE", "t");
  EXPECT_EQ(GetKey(block, "DES"), "a\r\n<TITLE>=b");
  // The first bracketed occurrence is inside DES's value; the scan follows the bytes.
  EXPECT_EQ(GetKey(block, "TITLE"), "\r\n<TITLE>=");
}

TEST(GetKeyTest, MissingMarkersGiveEmptyWithoutOverrun) {
  EXPECT_EQ(GetKey("<KEY>=", "KEY"), "");
  EXPECT_EQ(GetKey("<KEY>", "KEY"), "");
  EXPECT_EQ(GetKey("<KEY>=" + M + "value", "KEY"), "");
  EXPECT_EQ(GetKey("<KEY>=" + M, "KEY"), "");
  EXPECT_EQ(GetKey("<KEY>=\xA2", "KEY"), "");  // half a marker at the very end
  EXPECT_EQ(GetKey("<KEY>=" + M + "v\xA2", "KEY"), "");
}

// ---- SetKey ----

TEST(SetKeyTest, AppendsAbsentKeyAfterLineBreak) {
  std::string block = sampleBlock();
  const std::string before = block;
  SetKey(block, "TITLE", "T");
  EXPECT_EQ(block, before + "\r\n" + entry("TITLE", "T"));
  EXPECT_EQ(GetKey(block, "TITLE"), "T");
}

TEST(SetKeyTest, AppendsToEmptyBlock) {
  std::string block;
  SetKey(block, "A", "1");
  EXPECT_EQ(block, "\r\n" + entry("A", "1"));
}

TEST(SetKeyTest, ReplacesOnlyTheValueKeepingEveryOtherByte) {
  std::string block = sampleBlock();
  SetKey(block, "PAGESPACE", "5|6|7|8|");
  std::string expected = entry("RPTCODE", "RPTB02") + "\r\n" + entry("OPTIONSET", "1|0|1|1|1|1|") + "\r\n" +
                         entry("PAGESPACE", "5|6|7|8|") + "\r\n" + entry("OPT10", "X|1|Z|") + "\r\n" +
                         entry("OPT1", "X|2|C|D|");
  EXPECT_EQ(block, expected);
}

TEST(SetKeyTest, LongerAndShorterValuesKeepPosition) {
  std::string block = sampleBlock();
  SetKey(block, "RPTCODE", std::string(300, 'x'));
  EXPECT_EQ(block.find("<RPTCODE>"), 0u);
  EXPECT_EQ(GetKey(block, "RPTCODE"), std::string(300, 'x'));
  SetKey(block, "RPTCODE", "R");
  EXPECT_EQ(block, [] {
    std::string b = sampleBlock();
    return entry("RPTCODE", "R") + b.substr(entry("RPTCODE", "RPTB02").size());
  }());
}

TEST(SetKeyTest, EmptyValueLeavesAdjacentMarkers) {
  std::string block = sampleBlock();
  SetKey(block, "OPTIONSET", "");
  EXPECT_NE(block.find("<OPTIONSET>=" + M + M + "\r\n"), std::string::npos);
  EXPECT_EQ(GetKey(block, "OPTIONSET"), "");
  EXPECT_EQ(GetKey(block, "PAGESPACE"), "10|10|15|10|");
}

TEST(SetKeyTest, PrefixKeyReplacesTheRightEntry) {
  std::string block = entry("OPT10", "ten|") + "\r\n" + entry("OPT1", "one|");
  SetKey(block, "OPT1", "uno|");
  EXPECT_EQ(block, entry("OPT10", "ten|") + "\r\n" + entry("OPT1", "uno|"));
}

TEST(SetKeyTest, LastEntryWithoutTrailingLineBreak) {
  std::string block = entry("A", "1");
  SetKey(block, "A", "22");
  EXPECT_EQ(block, entry("A", "22"));
}

TEST(SetKeyTest, ValueHoldingMarkerFirstByteIsReplacedWhole) {
  // A trail byte A2 followed by a lead byte other than DD is not a marker.
  std::string block = entry("A", "\xB0\xA2\xB1\xBC") + "\r\nX";
  SetKey(block, "A", "n");
  EXPECT_EQ(block, entry("A", "n") + "\r\nX");
}

TEST(SetKeyTest, DamagedEntryIsRewrittenUpToItsLineEnd) {
  // No closing marker anywhere after the value: the following lines must survive.
  std::string block = "<A>=" + M + "broken\r\n<B>=plain";
  SetKey(block, "A", "1");
  EXPECT_EQ(block, entry("A", "1") + "\r\n<B>=plain");

  // Missing opening marker.
  block = "<A>=plain\r\n" + entry("B", "2");
  SetKey(block, "A", "1");
  EXPECT_EQ(block, entry("A", "1") + "\r\n" + entry("B", "2"));

  // Key at the very end of the block.
  block = entry("B", "2") + "\r\n<A>";
  SetKey(block, "A", "1");
  EXPECT_EQ(block, entry("B", "2") + "\r\n" + entry("A", "1"));
}

TEST(SetKeyTest, RoundTripThroughGetKey) {
  std::string block;
  const std::vector<std::string> values = {"", "a", "1|2|3|", "\xC7\xD1\xB1\xDB", std::string(1000, '9')};
  for (const auto& v : values) {
    SetKey(block, "K", v);
    EXPECT_EQ(GetKey(block, "K"), v);
  }
  EXPECT_EQ(block, "\r\n" + entry("K", std::string(1000, '9')));
}

// ---- Token ----

TEST(TokenTest, TerminatedTokens) {
  EXPECT_EQ(Token(1, "a|b|c|", "d"), "a");
  EXPECT_EQ(Token(2, "a|b|c|", "d"), "b");
  EXPECT_EQ(Token(3, "a|b|c|", "d"), "c");
  EXPECT_EQ(Token(4, "a|b|c|", "d"), "d");
}

TEST(TokenTest, PageSpaceWithAndWithoutTrailingBar) {
  EXPECT_EQ(Token(1, "10|10|15|10|", "0"), "10");
  EXPECT_EQ(Token(4, "10|10|15|10|", "0"), "10");
  EXPECT_EQ(Token(3, "10|10|15|10", "0"), "15");
  EXPECT_EQ(Token(4, "10|10|15|10", "0"), "0");  // last token without "|" does not count
}

TEST(TokenTest, EmptyTokensAndListsGiveDefault) {
  EXPECT_EQ(Token(2, "a||c|", "z"), "z");
  EXPECT_EQ(Token(1, "", "z"), "z");
  EXPECT_EQ(Token(1, "abc", "z"), "z");
  EXPECT_EQ(Token(1, "|", "z"), "z");
  EXPECT_EQ(Token(0, "a|", "z"), "z");
  EXPECT_EQ(Token(-3, "a|", "z"), "z");
  EXPECT_EQ(Token(100, "a|b|", "z"), "z");
}

// Indexes a crafted report may hold: past the end they cost no more than the
// list is long (each of these once took seconds; together far past the
// test's time limit).
TEST(TokenTest, IndexesFarPastTheEndGiveTheDefaultAtOnce) {
  const std::string list = "0|1|C|D|N|" + std::string(2000, 'x') + "|";
  for (const int n : {999999999, 999999999 + 2, 2147483647, 2147483646, 1000000000, 123456789, 987654321, 500000000,
                      2000000000, 1999999999, 1500000000, 1234567890, 2100000000, 2147480000, 1888888888, 1777777777}) {
    EXPECT_EQ(Token(n, list, "z"), "z") << n;
    EXPECT_EQ(TokenInt(n, list, 7), 7) << n;
  }
  EXPECT_EQ(Token(6, list, "z"), std::string(2000, 'x'));
}

TEST(TokenTest, KoreanBytesAndBlanksKept) {
  EXPECT_EQ(Token(1, "\xB1\xBC\xB8\xB2\xC3\xBC|10|", ""), "\xB1\xBC\xB8\xB2\xC3\xBC");
  EXPECT_EQ(Token(2, "a| b |", ""), " b ");
}

// ---- TokenInt ----

TEST(TokenIntTest, ConvertsOrFallsBack) {
  EXPECT_EQ(TokenInt(1, "10|10|15|10|", 0), 10);
  EXPECT_EQ(TokenInt(3, "10|10|15|10|", 0), 15);
  EXPECT_EQ(TokenInt(4, "10|10|15|10", 7), 7);
  EXPECT_EQ(TokenInt(1, "abc|", 7), 7);
  EXPECT_EQ(TokenInt(1, "12a|", 7), 7);
  EXPECT_EQ(TokenInt(1, "|", -4), -4);
  EXPECT_EQ(TokenInt(1, "", 35), 35);
}

TEST(TokenIntTest, NegativeAndSignedNumbers) {
  EXPECT_EQ(TokenInt(1, "-5|", 0), -5);
  EXPECT_EQ(TokenInt(1, "+5|", 0), 5);
  EXPECT_EQ(TokenInt(1, "-|", 3), 3);
  EXPECT_EQ(TokenInt(1, " 12|", 0), 12);
  EXPECT_EQ(TokenInt(1, "12 |", 9), 9);
}

TEST(TokenIntTest, LongTokensAreCutToNineCharacters) {
  EXPECT_EQ(TokenInt(1, "1234567890|", 0), 123456789);
  EXPECT_EQ(TokenInt(1, "99999999999999999999|", 0), 999999999);
  EXPECT_EQ(TokenInt(1, "-12345678901|", 0), -12345678);
  EXPECT_EQ(TokenInt(1, "123456789x|", 0), 123456789);  // the bad tenth byte is cut away
  EXPECT_EQ(TokenInt(1, "12345678x9|", 4), 4);
}

// ---- SplitTokens ----

TEST(SplitTokensTest, FillsFromIndexZero) {
  auto items = SplitTokens("1|1|1|1|30||S|F_DES|", 18);
  ASSERT_EQ(items.size(), 18u);
  EXPECT_EQ(items[0], "1");
  EXPECT_EQ(items[4], "30");
  EXPECT_EQ(items[5], "");
  EXPECT_EQ(items[6], "S");
  EXPECT_EQ(items[7], "F_DES");
  for (std::size_t i = 8; i < 18; ++i) EXPECT_EQ(items[i], "");
}

TEST(SplitTokensTest, IgnoresTokensBeyondCapacity) {
  auto items = SplitTokens("a|b|c|d|e|f|g|", 5);
  EXPECT_EQ(items, (std::vector<std::string>{"a", "b", "c", "d", "e"}));
}

TEST(SplitTokensTest, UnterminatedTailAgreesWithToken) {
  auto items = SplitTokens("a|b|c", 5);
  EXPECT_EQ(items, (std::vector<std::string>{"a", "b", "", "", ""}));
  for (int i = 0; i < 5; ++i) EXPECT_EQ(items[static_cast<std::size_t>(i)], Token(i + 1, "a|b|c", ""));
}

TEST(SplitTokensTest, EmptyAndZeroCapacity) {
  EXPECT_EQ(SplitTokens("", 3), (std::vector<std::string>{"", "", ""}));
  EXPECT_TRUE(SplitTokens("a|", 0).empty());
  EXPECT_TRUE(SplitTokens("a|", -1).empty());
  EXPECT_EQ(SplitTokens("||", 3), (std::vector<std::string>{"", "", ""}));
}

// ---- IsAllDigits ----

TEST(IsAllDigitsTest, Cases) {
  EXPECT_FALSE(IsAllDigits(""));
  EXPECT_TRUE(IsAllDigits("0"));
  EXPECT_TRUE(IsAllDigits("0123456789"));
  EXPECT_FALSE(IsAllDigits("-1"));
  EXPECT_FALSE(IsAllDigits(" 1"));
  EXPECT_FALSE(IsAllDigits("1.5"));
  EXPECT_FALSE(IsAllDigits("\xA3\xB1"));  // full-width digit one
}

// ---- ReadDecimalSettings ----

struct DecimalCase {
  std::string prcdec, cstdec, mokdec, ncut, kind;
  int price, cost, third;
};

class ReadDecimalSettingsTest : public ::testing::TestWithParam<DecimalCase> {};

TEST_P(ReadDecimalSettingsTest, Returns) {
  const auto& c = GetParam();
  std::string block = entry("RPTCODE", "RPTB02");
  if (!c.prcdec.empty()) SetKey(block, "PRCDEC", c.prcdec);
  if (!c.cstdec.empty()) SetKey(block, "CSTDEC", c.cstdec);
  if (!c.mokdec.empty()) SetKey(block, "MOKDEC", c.mokdec);
  if (!c.ncut.empty()) SetKey(block, "NCUT", c.ncut);
  DecimalSettings d = ReadDecimalSettings(block, c.kind);
  EXPECT_EQ(d.price, c.price);
  EXPECT_EQ(d.cost, c.cost);
  EXPECT_EQ(d.third, c.third);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadDecimalSettingsTest,
    ::testing::Values(DecimalCase{"3", "", "", "N", "A", 3, 1, 0},  // NCUT N keeps the counts for A
                      DecimalCase{"3", "", "", "", "A", 0, 0, 0},  // no NCUT: class A cuts
                      DecimalCase{"3", "", "", "", "H", 3, 1, 0},  // H never cuts
                      DecimalCase{"3", "", "", "N", "H", 3, 1, 0},
                      DecimalCase{"3", "", "", "Y", "a", 0, 0, 0},  // lower-case kind is upper-cased
                      DecimalCase{"", "", "", "", "5", 0, 0, 0},  // digits cut
                      DecimalCase{"", "", "", "", "G", 2, 1, 0},  // single G is "$"
                      DecimalCase{"", "", "", "", "GA", 2, 1, 0},  // G class
                      DecimalCase{"", "", "", "", "F", 2, 1, 0}, DecimalCase{"", "", "", "", "F1", 2, 1, 0},  // "F/"
                      DecimalCase{"", "", "", "", "", 2, 1, 0},  // empty kind: no class
                      DecimalCase{"x", "-1", "2.5", "N", "B", 2, 1, 0},  // non-digits fall back to defaults
                      DecimalCase{"4", "3", "2", "N", "D", 4, 3, 2},
                      DecimalCase{"99999999999999999999", "0", "7", "N", "Z", 2, 0, 7},  // overflow falls back
                      DecimalCase{"4", "3", "2", "n", "C", 0, 0, 0}));  // NCUT compared exactly

}  // namespace
}  // namespace zel
