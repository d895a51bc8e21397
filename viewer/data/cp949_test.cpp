#include "cp949.h"

#include <gtest/gtest.h>

#include <string>

namespace zel {
namespace {

const std::string kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

struct Pair {
  std::string cp949, utf8;
};

class Cp949RoundTrip : public ::testing::TestWithParam<Pair> {};

TEST_P(Cp949RoundTrip, BothWays) {
  EXPECT_EQ(cp949ToUtf8(GetParam().cp949), GetParam().utf8);
  EXPECT_EQ(utf8ToCp949(GetParam().utf8), GetParam().cp949);
}

INSTANTIATE_TEST_SUITE_P(Texts, Cp949RoundTrip,
                         ::testing::Values(Pair{"", ""}, Pair{"ABC 123|", "ABC 123|"}, Pair{"\xC7\xD1\xB1\xDB", "한글"},
                                           Pair{"\xB1\xBC\xB8\xB2\xC3\xBC", "굴림체"},
                                           Pair{"\xC3\xB6\xB1\xD9\xC4\xDC\xC5\xA9\xB8\xAE\xC6\xAE", "철근콘크리트"},
                                           Pair{"\xB7\xB9\xB9\xCC\xC4\xDC 25-24-150", "레미콘 25-24-150"},
                                           Pair{"\xA2\xDD", "♬"},
                                           Pair{"\xB4\xD9\xB8\xA5 \xBB\xE7\xBF\xEB\xC0\xDA", "다른 사용자"},
                                           Pair{"\xA4\xA1\xA4\xBF", "ㄱㅏ"},  // compatibility jamo
                                           Pair{"\x81\x41", "갂"},  // extended (UHC) Hangul
                                           Pair{"M\xA9\xF8", "M³"}));

TEST(Cp949Test, InvalidBytesBecomeReplacementCharacter) {
  // A lead byte with nothing after it.
  std::string out = cp949ToUtf8("A\xC7");
  EXPECT_EQ(out.substr(0, 1), "A");
  EXPECT_NE(out.find(kReplacement), std::string::npos);
  // A lead byte followed by a byte that cannot trail; the ASCII byte survives.
  out = cp949ToUtf8("\xC7\x0D\x0A");
  EXPECT_NE(out.find(kReplacement), std::string::npos);
  EXPECT_NE(out.find("\r\n"), std::string::npos);
  // Bytes outside the code page.
  out = cp949ToUtf8("\xFF");
  EXPECT_EQ(out, kReplacement);
  out = cp949ToUtf8("\xC9\xA1");  // user-defined area
  EXPECT_EQ(out, kReplacement);
  out = cp949ToUtf8("\x80x");
  EXPECT_EQ(out, kReplacement + "x");
}

TEST(Cp949Test, UnmappableCharactersBecomeQuestionMark) {
  EXPECT_EQ(utf8ToCp949("a😀b"), "a?b");
  EXPECT_EQ(utf8ToCp949("ก"), "?");
}

TEST(Cp949Test, BrokenUtf8DoesNotCrash) {
  std::string out = utf8ToCp949("a\xE0\x80z");
  EXPECT_EQ(out.front(), 'a');
  EXPECT_EQ(out.back(), 'z');
}

TEST(Cp949Test, LongTextConverts) {
  std::string cp;
  std::string utf;
  for (int i = 0; i < 5000; ++i) {
    cp += "\xC7\xD1\xB1\xDB|";
    utf += "한글|";
  }
  EXPECT_EQ(cp949ToUtf8(cp), utf);
  EXPECT_EQ(utf8ToCp949(utf), cp);
}

}  // namespace
}  // namespace zel

namespace zel {
namespace {

// What error messages quote of a report's text: short, whole characters, UTF-8.
TEST(Cp949ExcerptTest, CutsAtWholeCharactersAndConverts) {
  const std::string yeobaek = "\xBF\xA9\xB9\xE9";  // "여백"
  const struct {
    std::string in;
    std::size_t max;
    std::string out;
  } cases[] = {
      {"", 24, ""},
      {"12x", 24, "12x"},
      {yeobaek, 4, "여백"},
      {yeobaek, 3, "여..."},  // never half a character
      {"a" + yeobaek, 4, "a여..."},
      {std::string(5000, '9'), 24, std::string(24, '9') + "..."},
  };
  for (const auto& c : cases) EXPECT_EQ(cp949Excerpt(c.in, c.max), c.out) << c.in;
}

}  // namespace
}  // namespace zel
