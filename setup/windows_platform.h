// WindowsPlatform: SetupPlatform on Windows itself. The Windows directory is
// the system's (GetWindowsDirectory) unless one is given at construction; the
// drives are the machine's drive letters; the shell's "open" opens addresses
// and the restart asks the system to reboot (ExitWindowsEx); free space is
// what GetDiskFreeSpaceEx grants the user. Error numbers are
// given as the errno values the error report knows, else as the system's own.
#pragma once

#include "setup_platform.h"

namespace zel::setup {

class WindowsPlatform : public SetupPlatform {
 public:
  explicit WindowsPlatform(std::string windowsDirOverride = {});

  std::string windowsDirectory() override;
  std::string defaultInstallDirectory() override;
  std::string currentDirectory() override;
  int setCurrentDirectory(const std::string& dir) override;
  std::vector<std::string> drives() override;
  std::string driveOf(const std::string& dir) override;
  bool driveReady(const std::string& drive) override;
  void openUrl(const std::string& url) override;
  bool restartSystem() override;
  bool startProgram(const std::string& program, const std::string& workingDir) override;
  std::optional<std::uint64_t> freeSpace(const std::string& dir) override;

 private:
  std::string windowsDirOverride_;
};

// The errno value for a system error code of a directory call ("File not
// found" and the like), or the code itself when there is none.
int errnoFromWindowsError(unsigned long error);

}  // namespace zel::setup
