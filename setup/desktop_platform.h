// DesktopPlatform: PosixPlatform with the desktop's "open" action and the
// restart request to the session's login manager (kept for completeness: the
// wizard no longer asks for a restart here), and programs started detached. On
// Windows the system's own platform does both (ShellExecute, ExitWindowsEx).
#pragma once

#ifdef _WIN32
#  include "windows_platform.h"

namespace zel::setup {
using DesktopPlatform = WindowsPlatform;
}  // namespace zel::setup
#else
#  include "posix_platform.h"

namespace zel::setup {

class DesktopPlatform : public PosixPlatform {
 public:
  using PosixPlatform::PosixPlatform;
  void openUrl(const std::string& url) override;
  bool restartSystem() override;
  bool startProgram(const std::string& program, const std::string& workingDir) override;
};

}  // namespace zel::setup
#endif
