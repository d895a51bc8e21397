// PosixPlatform: SetupPlatform for Linux without a toolkit. The "Windows
// directory" is the place the installed viewer looks for its engine libraries:
// the override given at construction, else $ZELRPT_WINDOWS_DIR, else
// $HOME/.local/share/ZelRpt/windows. There is one drive, "/". The shell open and
// the restart are left to DesktopPlatform; here they do nothing.
#pragma once

#include "setup_platform.h"

namespace zel::setup {

class PosixPlatform : public SetupPlatform {
 public:
  explicit PosixPlatform(std::string windowsDirOverride = {});

  std::string windowsDirectory() override;
  std::string defaultInstallDirectory() override;
  std::string currentDirectory() override;
  int setCurrentDirectory(const std::string& dir) override;
  std::vector<std::string> drives() override;
  std::string driveOf(const std::string& dir) override;
  bool driveReady(const std::string& drive) override;
  void openUrl(const std::string& url) override;
  bool restartSystem() override;
  std::optional<std::uint64_t> freeSpace(const std::string& dir) override;
  std::string userDataDirectory() override;
  std::string userProgramDirectory() override;
  std::string installerProgram() override;

 private:
  std::string windowsDirOverride_;
};

// $HOME, else the account's home from the password database, else "/".
std::string homeDirectory();

}  // namespace zel::setup
