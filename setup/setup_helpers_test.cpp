#include "setup_helpers.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>

#include "message_service.h"
#include "setup_state.h"
#include "setup_test_support.h"

namespace zel::setup {
namespace {

using testing::CwdGuard;
using testing::exists;
using testing::TempDir;

class MakeDirPathTest : public ::testing::Test {
 protected:
  TempDir dir_;
  RecordingMessageService recorder_;
  SetupState state_;
};

TEST_F(MakeDirPathTest, BuildsEveryMissingDirectoryAndTrailingSeparatorAddsNoStep) {
  EXPECT_TRUE(MakeDirPath(recorder_, state_, dir_ / "A/B/"));
  EXPECT_TRUE(directoryExists(dir_ / "A"));
  EXPECT_TRUE(directoryExists(dir_ / "A/B"));
  EXPECT_TRUE(recorder_.shown.empty());
}

TEST_F(MakeDirPathTest, ExistingParentCreatesOnlyTheLast) {
  ASSERT_TRUE(MakeDirPath(recorder_, state_, dir_ / "A"));
  testing::writeFile(dir_ / "A/keep", "x");
  EXPECT_TRUE(MakeDirPath(recorder_, state_, dir_ / "A/B"));
  EXPECT_TRUE(directoryExists(dir_ / "A/B"));
  EXPECT_TRUE(exists(dir_ / "A/keep"));
  EXPECT_TRUE(recorder_.shown.empty());
}

TEST_F(MakeDirPathTest, BareNameIsCreatedInTheCurrentDirectory) {
  CwdGuard cwd;
  ASSERT_EQ(::chdir(dir_.path().c_str()), 0);
  EXPECT_TRUE(MakeDirPath(recorder_, state_, "ABC"));
  EXPECT_TRUE(directoryExists(dir_ / "ABC"));
}

TEST_F(MakeDirPathTest, RelativePathWithSeveralSteps) {
  CwdGuard cwd;
  ASSERT_EQ(::chdir(dir_.path().c_str()), 0);
  EXPECT_TRUE(MakeDirPath(recorder_, state_, "x/y/z"));
  EXPECT_TRUE(directoryExists(dir_ / "x/y/z"));
}

#ifdef _WIN32
// The form a Windows user types and the installer's own defaults take.
TEST_F(MakeDirPathTest, BackslashesSeparateTheStepsOnWindows) {
  EXPECT_TRUE(MakeDirPath(recorder_, state_, dir_.path() + "\\W\\X Y\\Z"));
  EXPECT_TRUE(directoryExists(dir_ / "W/X Y/Z"));
  EXPECT_TRUE(recorder_.shown.empty());
}
#endif

TEST_F(MakeDirPathTest, DoubledSeparatorsAddNoEmptyStep) {
  EXPECT_TRUE(MakeDirPath(recorder_, state_, dir_.path() + "//P//Q"));
  EXPECT_TRUE(directoryExists(dir_ / "P/Q"));
  EXPECT_TRUE(recorder_.shown.empty());
}

TEST_F(MakeDirPathTest, FailureShowsTheErrorOnceAndKeepsWhatWasMade) {
  testing::writeFile(dir_ / "A/file", "not a directory");
  EXPECT_FALSE(MakeDirPath(recorder_, state_, dir_ / "A/file/B/C"));
  ASSERT_EQ(recorder_.shown.size(), 1u);
  const Message& m = recorder_.shown.front();
  EXPECT_EQ(m.caption, "오류");
  // The first line as it always was, then which directory and why.
  EXPECT_EQ(m.text, "디렉토리를 만들 수 없습니다.\r" + (dir_ / "A/file") + ": 같은 이름의 파일이 있습니다");
  EXPECT_EQ(m.icon, MessageIcon::kError);
  EXPECT_EQ(m.buttons, MessageButtons::kYesOnly);
  EXPECT_TRUE(directoryExists(dir_ / "A"));
  EXPECT_FALSE(exists(dir_ / "A/file/B"));
}

TEST_F(MakeDirPathTest, LastStepFailureShowsTheErrorOnce) {
  testing::writeFile(dir_ / "taken", "file");
  EXPECT_FALSE(MakeDirPath(recorder_, state_, dir_ / "taken"));
  ASSERT_EQ(recorder_.shown.size(), 1u);
  EXPECT_NE(recorder_.shown[0].text.find(dir_ / "taken"), std::string::npos) << recorder_.shown[0].text;
}

TEST_F(MakeDirPathTest, MadeDirectoriesAreRecordedAndGoAgainWhileEmpty) {
  testing::writeFile(dir_ / "old/kept.txt", "x");
  ASSERT_TRUE(MakeDirPath(recorder_, state_, dir_ / "old/new/deeper"));
  ASSERT_TRUE(MakeDirPath(recorder_, state_, dir_ / "other"));
  EXPECT_EQ(state_.madeDirectories,
            (std::vector<std::string>{dir_ / "old/new", dir_ / "old/new/deeper", dir_ / "other"}));
  testing::writeFile(dir_ / "other/put-there.txt", "something else");
  RemoveMadeDirectories(state_);
  EXPECT_TRUE(state_.madeDirectories.empty());
  EXPECT_FALSE(exists(dir_ / "old/new"));
  EXPECT_TRUE(exists(dir_ / "old/kept.txt"));
  EXPECT_TRUE(exists(dir_ / "other/put-there.txt"));
}

TEST(AbsolutePathTest, TildeMeansTheHomeDirectory) {
#ifndef _WIN32
  const char* home = std::getenv("HOME");
  ASSERT_NE(home, nullptr);
  EXPECT_EQ(absolutePath("~/Zel Viewer", "/elsewhere"), std::string(home) + "/Zel Viewer");
  EXPECT_EQ(absolutePath("~", "/elsewhere"), std::string(home));
  EXPECT_EQ(absolutePath("a/~", "/elsewhere"), "/elsewhere/a/~");
  EXPECT_EQ(absolutePath("~user", "/elsewhere"), "/elsewhere/~user");
#endif
}

TEST_F(MakeDirPathTest, EmptyPathCreatesNothing) {
  EXPECT_TRUE(MakeDirPath(recorder_, state_, ""));
  EXPECT_TRUE(recorder_.shown.empty());
}

TEST(DriveTest, DriveIdsAreLettersOrTheRoot) {
  EXPECT_TRUE(IsDriveId("/"));
  EXPECT_TRUE(IsDriveId("a:"));
  EXPECT_TRUE(IsDriveId("Z: [DATA]"));
  EXPECT_FALSE(IsDriveId(""));
  EXPECT_FALSE(IsDriveId("1:"));
  EXPECT_FALSE(IsDriveId("\\\\server"));
}

TEST(DriveTest, DiskInDriveAsksThePlatform) {
  TempDir dir;
  testing::FakePlatform fake(dir / "win", dir / "inst");
  fake.notReady = {"A:"};
  EXPECT_FALSE(DiskInDrive(fake, "A:"));
  EXPECT_TRUE(DiskInDrive(fake, "C:"));
  EXPECT_TRUE(DiskInDrive(fake, "/"));
  EXPECT_FALSE(DiskInDrive(fake, "?"));
}

TEST(IoErrorTextTest, NamesTheUsualErrors) {
  EXPECT_EQ(ioErrorText(ENOENT), "File not found");
  EXPECT_EQ(ioErrorText(ENAMETOOLONG), "Invalid filename");
  EXPECT_EQ(ioErrorText(EACCES), "File access denied");
  EXPECT_EQ(ioErrorText(EIO), "I/O error " + std::to_string(EIO));
}

}  // namespace
}  // namespace zel::setup
