#include "posix_platform.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "setup_test_support.h"

namespace zel::setup {
namespace {

// Sets or clears one environment variable for the life of the guard.
class EnvGuard {
 public:
  EnvGuard(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, had_ = true;
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  }
  ~EnvGuard() { had_ ? ::setenv(name_, old_.c_str(), 1) : ::unsetenv(name_); }

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

TEST(PosixPlatformTest, WindowsDirectoryComesFromOptionThenEnvironmentThenHome) {
  EnvGuard home("HOME", "/home/kim");
  {
    EnvGuard env("ZELRPT_WINDOWS_DIR", nullptr);
    EXPECT_EQ(PosixPlatform().windowsDirectory(), "/home/kim/.local/share/ZelRpt/windows");
  }
  EnvGuard env("ZELRPT_WINDOWS_DIR", "/srv/win");
  EXPECT_EQ(PosixPlatform().windowsDirectory(), "/srv/win");
  EXPECT_EQ(PosixPlatform("/opt/win").windowsDirectory(), "/opt/win");
}

TEST(PosixPlatformTest, DefaultInstallDirectoryIsUnderHome) {
  EnvGuard home("HOME", "/home/kim");
  EXPECT_EQ(PosixPlatform().defaultInstallDirectory(), "/home/kim/(주)Velmora/ZelRptViewer");
}

// Without HOME the account's home is used, never the current directory.
TEST(PosixPlatformTest, HomeUnsetIsTheAccountsHome) {
  const struct passwd* pw = ::getpwuid(::getuid());
  ASSERT_NE(pw, nullptr);
  for (const char* value : {static_cast<const char*>(nullptr), ""}) {
    EnvGuard home("HOME", value);
    EnvGuard env("ZELRPT_WINDOWS_DIR", nullptr);
    EnvGuard xdg("XDG_DATA_HOME", nullptr);
    EXPECT_EQ(homeDirectory(), pw->pw_dir);
    EXPECT_EQ(PosixPlatform().windowsDirectory(), std::string(pw->pw_dir) + "/.local/share/ZelRpt/windows");
    EXPECT_EQ(PosixPlatform().userDataDirectory(), std::string(pw->pw_dir) + "/.local/share");
    EXPECT_EQ(PosixPlatform().userProgramDirectory(), std::string(pw->pw_dir) + "/.local/bin");
  }
}

TEST(PosixPlatformTest, OneDriveTheRoot) {
  PosixPlatform p;
  EXPECT_EQ(p.drives(), std::vector<std::string>{"/"});
  EXPECT_EQ(p.driveOf("/usr/share"), "/");
  EXPECT_EQ(p.driveOf("relative"), "");
  EXPECT_TRUE(p.driveReady("/"));
  EXPECT_FALSE(p.restartSystem());  // only the desktop platform restarts
}

TEST(PosixPlatformTest, CurrentDirectoryRoundTripAndErrors) {
  testing::TempDir dir;
  testing::CwdGuard cwd;
  PosixPlatform p;
  EXPECT_EQ(p.setCurrentDirectory(dir.path()), 0);
  EXPECT_EQ(std::filesystem::canonical(p.currentDirectory()), std::filesystem::canonical(dir.path()));
  EXPECT_EQ(p.setCurrentDirectory(dir / "missing"), ENOENT);
  EXPECT_EQ(p.setCurrentDirectory(""), ENOENT);
}

}  // namespace
}  // namespace zel::setup
