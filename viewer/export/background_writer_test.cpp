#include "background_writer.h"

#include <gtest/gtest.h>

#include "sheet_writer.h"

namespace zel {
namespace {

// Keeps the page of every line written; fails at line failAt (0: never).
class PageListWriter : public SheetWriter {
 public:
  std::vector<int> pages;
  long failAt = 0;
  void begin(const ExportLayout&) override {}
  void line(const ExportLine& l) override {
    if (failAt > 0 && static_cast<long>(pages.size()) + 1 == failAt) throw ExportError("disk full");
    pages.push_back(l.page);
    EXPECT_EQ(l.cells.size(), 2u);
    EXPECT_EQ(l.cells[1].text, std::to_string(l.page));
  }
  void finish() override {}
};

ExportLine lineOf(int page) {
  ExportLine l;
  l.page = page;
  l.cells = {CellFromText(std::to_string(page), true), CellFromText(std::to_string(page), false)};
  return l;
}

class BackgroundWriterLines : public ::testing::TestWithParam<int> {};

TEST_P(BackgroundWriterLines, AllLinesInOrder) {
  PageListWriter writer;
  {
    BackgroundWriter background(writer);
    for (int i = 1; i <= GetParam(); ++i) background.line(lineOf(i));
    background.finish();
  }
  ASSERT_EQ(static_cast<int>(writer.pages.size()), GetParam());
  for (int i = 0; i < GetParam(); ++i) ASSERT_EQ(writer.pages[static_cast<std::size_t>(i)], i + 1);
}

// Around the batch size (512) and across many batches of the short queue.
INSTANTIATE_TEST_SUITE_P(Counts, BackgroundWriterLines, ::testing::Values(0, 1, 511, 512, 513, 10000));

TEST(BackgroundWriter, WriterErrorReachesTheCaller) {
  PageListWriter writer;
  writer.failAt = 700;
  BackgroundWriter background(writer);
  EXPECT_THROW(
      {
        for (int i = 1; i <= 100000; ++i) background.line(lineOf(i));
        background.finish();
      },
      ExportError);
  EXPECT_EQ(writer.pages.size(), 699u);
}

TEST(BackgroundWriter, DroppedWithoutFinish) {
  PageListWriter writer;
  {
    BackgroundWriter background(writer);
    for (int i = 1; i <= 100; ++i) background.line(lineOf(i));
  }
  EXPECT_TRUE(writer.pages.empty());  // less than a batch: never sent
}

}  // namespace
}  // namespace zel
