#include "file_mask.h"

#include <gtest/gtest.h>

namespace zel {
namespace {

struct MaskCase {
  std::string mask;
  std::string name;
  bool matches;
};

class FileMask : public ::testing::TestWithParam<MaskCase> {};

TEST_P(FileMask, MatchesAsTheFileDialogsDo) {
  EXPECT_EQ(maskMatches(GetParam().mask, GetParam().name), GetParam().matches)
      << GetParam().mask << " vs " << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FileMask,
    ::testing::Values(MaskCase{"*.*", "README", true}, MaskCase{"*.*", "d/e/", true}, MaskCase{"*", "a.b.c", true},
                      MaskCase{"*.dll", "SDE32.DLL", true}, MaskCase{"*.dll", "lib/sde32.dll", true},
                      MaskCase{"*.dll", "sde32.dll.bak", false}, MaskCase{"sde??.dll", "sde32.dll", true},
                      MaskCase{"sde??.dll", "sde3.dll", false}, MaskCase{"?", "", false}, MaskCase{"", "a", false},
                      MaskCase{"a*b*c", "aXbYbZc", true}, MaskCase{"a*b*c", "aXbYbZ", false},
                      MaskCase{"lib/*.dll", "lib\\x.dll", true}, MaskCase{"lib/*.dll", "x.dll", false},
                      MaskCase{"d", "d/", true}));

TEST(FileMaskList, AnyOfSeveralMasks) {
  EXPECT_TRUE(anyMaskMatches({"*.txt", "*.dll"}, "a.dll"));
  EXPECT_FALSE(anyMaskMatches({"*.txt", "*.dll"}, "a.exe"));
  EXPECT_FALSE(anyMaskMatches({}, "a.exe"));
}

TEST(FileMaskList, LongHostileMaskStaysLinear) {
  std::string mask(200, '*');
  mask += "b";
  EXPECT_FALSE(maskMatches(mask, std::string(5000, 'a')));
}

}  // namespace
}  // namespace zel
