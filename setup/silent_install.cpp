#include "silent_install.h"

#include <cstdio>
#include <exception>

#include "install_steps.h"
#include "message_service.h"
#include "native_platform.h"
#include "s_set_util.h"
#include "setup_state.h"
#include "stderr_message_service.h"

namespace zel::setup {

int runSilentInstall(const SetupOptions& options) {
  // Messages go to standard error; questions are answered yes (directories are created without asking).
  StderrMessageService stderrMessages(stderr, MessageAnswer::kYes, "setup");
  NativePlatform native(options.windowsDir);
  setMessageService(&stderrMessages);
  setPlatform(&native);
  struct Restore {
    ~Restore() {
      setMessageService(nullptr);
      setPlatform(nullptr);
    }
  } restore;

  StartDir = platform().currentDirectory();
  // Made absolute here, so that messages and the launchers' file name one place.
  InstallPath = absolutePath(options.target, StartDir);
  const std::string existing = nearestExistingDirectory(InstallPath);
  if (!directoryExists(InstallPath) && !MakeDirPath(InstallPath)) return 1;

  InstallSteps steps;
  steps.setArchivePath(chooseArchive(options, StartDir));
  StepOutcome outcome = StepOutcome::kStopped;
  try {
    steps.WinIniCheck();
    outcome = steps.SetProgress();
  } catch (const std::exception& e) {
    ReportApplicationError(e.what());
  }
  if (outcome != StepOutcome::kDone) {
    // The directories made for this run go again (only while they are empty).
    removeEmptyDirectoriesUpTo(InstallPath, existing);
    if (!steps.unzipError().empty()) std::fprintf(stderr, "setup: %s\n", steps.unzipError().c_str());
    return 1;
  }
  std::fprintf(stderr, "setup: installed into %s; engine libraries in %s\n", InstallPath.c_str(), WinDir.c_str());
  return 0;
}

}  // namespace zel::setup
