#include "windows_platform.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cerrno>
#include <filesystem>

#include "setup_test_support.h"

namespace zel::setup {
namespace {

TEST(WindowsPlatformTest, WindowsDirectoryIsTheSystemsUnlessGiven) {
  char buf[MAX_PATH];
  const UINT n = GetWindowsDirectoryA(buf, MAX_PATH);
  ASSERT_GT(n, 0u);
  EXPECT_EQ(WindowsPlatform().windowsDirectory(), std::string(buf, n));
  EXPECT_TRUE(std::filesystem::is_directory(WindowsPlatform().windowsDirectory()));
  EXPECT_EQ(WindowsPlatform("D:\\Win").windowsDirectory(), "D:\\Win");
}

TEST(WindowsPlatformTest, DefaultInstallDirectoryIsOnDriveC) {
  EXPECT_EQ(WindowsPlatform().defaultInstallDirectory(), "C:\\(\xC1\xD6)Velmora\\ZelRptViewer");
}

struct DriveCase {
  std::string dir, drive;
};
class WindowsDriveOf : public ::testing::TestWithParam<DriveCase> {};

TEST_P(WindowsDriveOf, LetterAndColonInUpperCase) {
  EXPECT_EQ(WindowsPlatform().driveOf(GetParam().dir), GetParam().drive);
}

INSTANTIATE_TEST_SUITE_P(Dirs, WindowsDriveOf,
                         ::testing::Values(DriveCase{"C:\\Program Files", "C:"}, DriveCase{"d:/data", "D:"},
                                           DriveCase{"A:", "A:"}, DriveCase{"relative\\dir", ""},
                                           DriveCase{"\\\\server\\share", ""}, DriveCase{"", ""}));

TEST(WindowsPlatformTest, DrivesListTheSystemDriveAndItIsReady) {
  WindowsPlatform p;
  const std::vector<std::string> drives = p.drives();
  ASSERT_FALSE(drives.empty());
  const std::string system = p.driveOf(p.windowsDirectory());
  EXPECT_NE(std::find(drives.begin(), drives.end(), system), drives.end()) << system;
  EXPECT_TRUE(p.driveReady(system));
  EXPECT_FALSE(p.driveReady(""));
  EXPECT_FALSE(p.driveReady("not a drive"));
}

TEST(WindowsPlatformTest, CurrentDirectoryRoundTripAndErrors) {
  testing::TempDir dir;
  testing::CwdGuard cwd;
  WindowsPlatform p;
  EXPECT_EQ(p.setCurrentDirectory(dir.path()), 0);
  EXPECT_EQ(std::filesystem::canonical(p.currentDirectory()), std::filesystem::canonical(dir.path()));
  EXPECT_EQ(p.setCurrentDirectory(dir / "missing"), ENOENT);
  EXPECT_EQ(p.setCurrentDirectory(""), ENOENT);
}

struct ErrorCase {
  unsigned long windowsError;
  int expected;
};
class WindowsErrorNumber : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(WindowsErrorNumber, KnownErrorsBecomeTheirErrnoValue) {
  EXPECT_EQ(errnoFromWindowsError(GetParam().windowsError), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Errors, WindowsErrorNumber,
                         ::testing::Values(ErrorCase{ERROR_FILE_NOT_FOUND, ENOENT},
                                           ErrorCase{ERROR_PATH_NOT_FOUND, ENOENT},
                                           ErrorCase{ERROR_INVALID_NAME, EINVAL},
                                           ErrorCase{ERROR_ACCESS_DENIED, EACCES},
                                           ErrorCase{ERROR_NOT_READY, int(ERROR_NOT_READY)}));

}  // namespace
}  // namespace zel::setup
