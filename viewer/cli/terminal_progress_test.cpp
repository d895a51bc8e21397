#include "terminal_progress.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "stderr_message_service.h"

namespace zel::cli {
namespace {

std::string readAll(std::FILE* f) {
  std::fflush(f);
  std::rewind(f);
  std::string out;
  char buffer[256];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out.append(buffer, n);
  return out;
}

class TerminalProgressTest : public ::testing::Test {
 protected:
  void SetUp() override { setInterrupted(false); }
  void TearDown() override {
    setInterrupted(false);
    std::fclose(out_);
  }
  std::FILE* out_ = std::tmpfile();
};

TEST_F(TerminalProgressTest, CountsPagesAndDrawsTheBar) {
  TerminalProgress progress(out_, true);
  ASSERT_TRUE(progress.ShowProgress(4, "printing"));
  EXPECT_TRUE(progress.StepProgress(1, 2, "printing"));
  EXPECT_TRUE(progress.StepProgress(1, 3, ""));
  EXPECT_EQ(progress.pagesDone(), 2);
  EXPECT_TRUE(progress.StepProgress(-1, 3, ""));  // stays
  EXPECT_EQ(progress.pagesDone(), 2);
  EXPECT_TRUE(progress.StepProgress(100, 4, ""));  // clamped to the count
  EXPECT_EQ(progress.pagesDone(), 4);
  EXPECT_TRUE(progress.CloseProgress());
  const std::string text = readAll(out_);
  EXPECT_NE(text.find("2/4"), std::string::npos) << text;
  EXPECT_NE(text.find("4/4"), std::string::npos) << text;
  EXPECT_EQ(text.back(), '\n');
}

TEST_F(TerminalProgressTest, InterruptStopsAtTheNextStep) {
  TerminalProgress progress(out_, false);
  ASSERT_TRUE(progress.ShowProgress(10, "printing"));
  EXPECT_TRUE(progress.StepProgress(1, 2, ""));
  setInterrupted(true);
  EXPECT_FALSE(progress.StepProgress(1, 3, ""));
  EXPECT_TRUE(progress.CloseProgress());
  EXPECT_TRUE(readAll(out_).empty());  // no bar when not asked for
}

TEST_F(TerminalProgressTest, StepsWithoutADialogTellTheJobToStop) {
  TerminalProgress progress(out_, true);
  EXPECT_FALSE(progress.StepProgress(1, 2, ""));
  EXPECT_FALSE(progress.CloseProgress());
  ASSERT_TRUE(progress.ShowProgress(0, "x"));  // a count below one still makes a bar
  EXPECT_TRUE(progress.CloseProgress());
  EXPECT_FALSE(progress.CloseProgress());
}

TEST(StderrMessageService, PrintsCaptionAndTextWithLineBreaks) {
  std::FILE* out = std::tmpfile();
  StderrMessageService service(out);
  EXPECT_EQ(service.warning("first\rsecond"), MessageAnswer::kOk);
  EXPECT_EQ(service.show({"q", "sure?", MessageIcon::kQuestion, MessageButtons::kYesNo}), MessageAnswer::kYes);
  service.notice("fine");
  EXPECT_EQ(service.shownCount(), 3);
  EXPECT_EQ(service.refusalCount(), 1);
  EXPECT_EQ(readAll(out), "\xEA\xB2\xBD\xEA\xB3\xA0: first\nsecond\nq: sure?\n\xEC\x95\x8C\xEB\xA6\xBC: fine\n");
  std::fclose(out);
}

}  // namespace
}  // namespace zel::cli
