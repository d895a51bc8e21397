#include "print_range.h"

#include <gtest/gtest.h>

#include "message_service.h"

namespace zel {
namespace {

// Each end is pulled into the report's pages first; only a range that still
// ends before it starts is refused, with the preview's warning.
TEST(PrintRange, PulledIntoThePagesThenChecked) {
  struct Case {
    PageRange asked;
    int first, last;
    bool accepted;
    PageRange result;
  };
  const Case cases[] = {
      {{3, 5}, 1, 6, true, {3, 5}},
      {{3, 9999}, 1, 4, true, {3, 4}},
      {{0, 2}, 1, 4, true, {1, 2}},
      {{5, 5}, 1, 4, true, {4, 4}},
      {{12000, 28571}, 1, 28572, true, {12000, 28571}},
      {{5, 3}, 1, 6, false, {5, 3}},
      {{7, 3}, 1, 4, false, {7, 3}},
      {{1, 1}, 1, 1, true, {1, 1}},
      {{2, 9}, 1, 0, true, {1, 1}},  // a report of no pages has its first
  };
  for (const Case& c : cases) {
    RecordingMessageService messages;
    PageRange range = c.asked;
    EXPECT_EQ(CheckPrintRange(messages, range, c.first, c.last), c.accepted) << c.asked.from << "-" << c.asked.to;
    EXPECT_EQ(range.from, c.result.from);
    EXPECT_EQ(range.to, c.result.to);
    if (c.accepted) {
      EXPECT_TRUE(messages.shown.empty());
    } else {
      ASSERT_EQ(messages.shown.size(), 1u);
      EXPECT_EQ(messages.shown[0].text, "인쇄시작Page가 인쇄종료Page보다\r작아야만 합니다.");
      EXPECT_EQ(messages.shown[0].caption, "경고");
    }
  }
}

}  // namespace
}  // namespace zel
