#include "s_set_util.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "message_service.h"
#include "setup_test_support.h"

namespace zel::setup {
namespace {

using testing::CwdGuard;
using testing::exists;
using testing::TempDir;

class MakeDirPathTest : public ::testing::Test {
 protected:
  void SetUp() override { setMessageService(&recorder_); }
  void TearDown() override { setMessageService(nullptr); }

  TempDir dir_;
  RecordingMessageService recorder_;
};

TEST_F(MakeDirPathTest, BuildsEveryMissingDirectoryAndTrailingSeparatorAddsNoStep) {
  EXPECT_TRUE(MakeDirPath(dir_ / "A/B/"));
  EXPECT_TRUE(directoryExists(dir_ / "A"));
  EXPECT_TRUE(directoryExists(dir_ / "A/B"));
  EXPECT_TRUE(recorder_.shown.empty());
}

TEST_F(MakeDirPathTest, ExistingParentCreatesOnlyTheLast) {
  ASSERT_TRUE(MakeDirPath(dir_ / "A"));
  testing::writeFile(dir_ / "A/keep", "x");
  EXPECT_TRUE(MakeDirPath(dir_ / "A/B"));
  EXPECT_TRUE(directoryExists(dir_ / "A/B"));
  EXPECT_TRUE(exists(dir_ / "A/keep"));
  EXPECT_TRUE(recorder_.shown.empty());
}

TEST_F(MakeDirPathTest, BareNameIsCreatedInTheCurrentDirectory) {
  CwdGuard cwd;
  ASSERT_EQ(::chdir(dir_.path().c_str()), 0);
  EXPECT_TRUE(MakeDirPath("ABC"));
  EXPECT_TRUE(directoryExists(dir_ / "ABC"));
}

TEST_F(MakeDirPathTest, RelativePathWithSeveralSteps) {
  CwdGuard cwd;
  ASSERT_EQ(::chdir(dir_.path().c_str()), 0);
  EXPECT_TRUE(MakeDirPath("x/y/z"));
  EXPECT_TRUE(directoryExists(dir_ / "x/y/z"));
}

TEST_F(MakeDirPathTest, DoubledSeparatorsAddNoEmptyStep) {
  EXPECT_TRUE(MakeDirPath(dir_.path() + "//P//Q"));
  EXPECT_TRUE(directoryExists(dir_ / "P/Q"));
  EXPECT_TRUE(recorder_.shown.empty());
}

TEST_F(MakeDirPathTest, FailureShowsTheErrorOnceAndKeepsWhatWasMade) {
  testing::writeFile(dir_ / "A/file", "not a directory");
  EXPECT_FALSE(MakeDirPath(dir_ / "A/file/B/C"));
  ASSERT_EQ(recorder_.shown.size(), 1u);
  const Message& m = recorder_.shown.front();
  EXPECT_EQ(m.caption, "Error");
  EXPECT_EQ(m.text, "디렉토리를 만들 수 없습니다.");
  EXPECT_EQ(m.icon, MessageIcon::kError);
  EXPECT_EQ(m.buttons, MessageButtons::kYesOnly);
  EXPECT_TRUE(directoryExists(dir_ / "A"));
  EXPECT_FALSE(exists(dir_ / "A/file/B"));
}

TEST_F(MakeDirPathTest, LastStepFailureShowsTheErrorOnce) {
  testing::writeFile(dir_ / "taken", "file");
  EXPECT_FALSE(MakeDirPath(dir_ / "taken"));
  EXPECT_EQ(recorder_.shown.size(), 1u);
}

TEST_F(MakeDirPathTest, EmptyPathCreatesNothing) {
  EXPECT_TRUE(MakeDirPath(""));
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
  testing::PlatformGuard guard(&fake);
  fake.notReady = {"A:"};
  EXPECT_FALSE(DiskInDrive("A:"));
  EXPECT_TRUE(DiskInDrive("C:"));
  EXPECT_TRUE(DiskInDrive("/"));
  EXPECT_FALSE(DiskInDrive("?"));
}

TEST(IoErrorTextTest, NamesTheUsualErrors) {
  EXPECT_EQ(ioErrorText(ENOENT), "File not found");
  EXPECT_EQ(ioErrorText(ENAMETOOLONG), "Invalid filename");
  EXPECT_EQ(ioErrorText(EACCES), "File access denied");
  EXPECT_EQ(ioErrorText(EIO), "I/O error " + std::to_string(EIO));
}

}  // namespace
}  // namespace zel::setup
