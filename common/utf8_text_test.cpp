#include "utf8_text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace zel {
namespace {

TEST(ValidUtf8Test, KeepsUtf8AndReplacesEverythingElse) {
  const std::string bad = "\xEF\xBF\xBD";
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"plain ascii\r\n", "plain ascii\r\n"},
      {"여백 오류", "여백 오류"},  // valid UTF-8 stays
      {"\xBF\xA9\xB9\xE9", bad + bad + bad + bad},  // CP949 "여백": no valid sequence
      {"a\xB1\xBC"
       "b",
       "a" + bad + bad + "b"},  // a CP949 pair inside ASCII
      {"\xC0\xAF", bad + bad},  // overlong "/"
      {"\xED\xA0\x80", bad + bad + bad},  // a surrogate
      {"\xF4\x90\x80\x80", bad + bad + bad + bad},  // past U+10FFFF
      {"\xE3\x81", bad + bad},  // cut short at the end
      {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},  // four bytes, valid
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(ValidUtf8(in), out) << in;
}

}  // namespace
}  // namespace zel
