#include "windows_platform.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cerrno>
#include <filesystem>
#include <optional>

#include "setup_test_support.h"

namespace zel::setup {
namespace {

int firstMissingDrive() {
  const DWORD mask = GetLogicalDrives();
  for (int i = 25; i >= 0; --i)
    if (!(mask & (1u << i))) return i;
  return 0;
}

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

// A missing directory is measured on the nearest parent that exists, however
// deep and however it is spelled; a drive that does not exist is unknown.
TEST(WindowsPlatformTest, FreeSpaceOfMissingDirectoriesIsTheirParentsVolume) {
  testing::TempDir dir;
  WindowsPlatform p;
  const std::optional<std::uint64_t> there = p.freeSpace(dir.path());
  ASSERT_TRUE(there.has_value());
  EXPECT_GT(*there, 0u);
  for (const std::string& missing :
       {dir / "a", dir / "a/b/c", dir.path() + "\\a\\b\\", std::string("missing-relative\\x")})
    EXPECT_TRUE(p.freeSpace(missing).has_value()) << missing;
  EXPECT_FALSE(p.freeSpace(std::string(1, static_cast<char>('A' + firstMissingDrive())) + ":\\x").has_value());
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
