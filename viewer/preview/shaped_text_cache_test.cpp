#include "shaped_text_cache.h"

#include <gtest/gtest.h>

#include <string>

namespace zel {
namespace {

const char kFontA = 'a', kFontB = 'b';  // two font identities

TEST(ShapedTextCache, FindsWhatWasInsertedByFontAndText) {
  ShapedTextCache cache(8);
  cache.insert(&kFontA, "12,345").advance = 1;
  cache.insert(&kFontB, "12,345").advance = 2;
  ASSERT_NE(cache.find(&kFontA, "12,345"), nullptr);
  EXPECT_EQ(cache.find(&kFontA, "12,345")->advance, 1);
  EXPECT_EQ(cache.find(&kFontB, "12,345")->advance, 2);
  EXPECT_EQ(cache.find(&kFontA, "12,346"), nullptr);
  EXPECT_EQ(cache.find(&kFontA, "12,34"), nullptr);
  EXPECT_EQ(cache.find(&kFontA, std::string("12,345\0", 7)), nullptr);
}

struct BoundCase {
  std::size_t capacity;
  int inserted;
};

class ShapedTextCacheBound : public ::testing::TestWithParam<BoundCase> {};

// Never more entries than its capacity; the oldest leave first.
TEST_P(ShapedTextCacheBound, KeepsTheNewestUpToItsCapacity) {
  const auto [capacity, inserted] = GetParam();
  ShapedTextCache cache(capacity);
  for (int i = 0; i < inserted; ++i) cache.insert(&kFontA, std::to_string(i));
  const std::size_t kept = std::min<std::size_t>(capacity, static_cast<std::size_t>(inserted));
  EXPECT_EQ(cache.size(), kept);
  EXPECT_EQ(cache.evictions(), static_cast<std::size_t>(inserted) - kept);
  for (int i = 0; i < inserted; ++i) {
    const bool newest = static_cast<std::size_t>(inserted - i) <= kept;
    EXPECT_EQ(cache.find(&kFontA, std::to_string(i)) != nullptr, newest) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, ShapedTextCacheBound,
                         ::testing::Values(BoundCase{1, 0}, BoundCase{1, 1}, BoundCase{1, 5}, BoundCase{4, 3},
                                           BoundCase{4, 4}, BoundCase{4, 100}, BoundCase{1000, 5000}));

TEST(ShapedTextCache, AFoundEntryIsTheLastToLeave) {
  ShapedTextCache cache(3);
  cache.insert(&kFontA, "a");
  cache.insert(&kFontA, "b");
  cache.insert(&kFontA, "c");
  ASSERT_NE(cache.find(&kFontA, "a"), nullptr);
  cache.insert(&kFontA, "d");  // "b" is now the least recently used
  EXPECT_NE(cache.find(&kFontA, "a"), nullptr);
  EXPECT_EQ(cache.find(&kFontA, "b"), nullptr);
  EXPECT_NE(cache.find(&kFontA, "c"), nullptr);
  EXPECT_NE(cache.find(&kFontA, "d"), nullptr);
}

TEST(ShapedTextCache, ClearEmptiesAndCountsAsEvictions) {
  ShapedTextCache cache(4);
  cache.insert(&kFontA, "a");
  cache.insert(&kFontA, "b");
  cache.clear();
  EXPECT_EQ(cache.size(), 0u);
  EXPECT_EQ(cache.evictions(), 2u);
  EXPECT_EQ(cache.find(&kFontA, "a"), nullptr);
  cache.insert(&kFontA, "a");
  EXPECT_NE(cache.find(&kFontA, "a"), nullptr);
}

TEST(ShapedTextCache, ZeroCapacityHoldsOne) {
  ShapedTextCache cache(0);
  EXPECT_EQ(cache.capacity(), 1u);
  cache.insert(&kFontA, "a");
  EXPECT_NE(cache.find(&kFontA, "a"), nullptr);
}

}  // namespace
}  // namespace zel
