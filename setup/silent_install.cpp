#include "silent_install.h"

#include <cstdio>

#include "install_steps.h"
#include "message_service.h"
#include "posix_platform.h"
#include "s_set_util.h"
#include "setup_state.h"

namespace zel::setup {
namespace {

// Prints every message; answers every question with yes.
class StderrMessageService : public MessageService {
 public:
  MessageAnswer show(const Message& message) override {
    std::string text = message.text;
    for (char& c : text)
      if (c == '\r') c = ' ';
    if (message.caption == "setup") {  // the error report already says who speaks
      std::fprintf(stderr, "setup: %s\n", text.c_str());
    } else {
      std::fprintf(stderr, "setup: %s: %s\n", message.caption.c_str(), text.c_str());
    }
    switch (message.buttons) {
      case MessageButtons::kOk: return MessageAnswer::kOk;
      case MessageButtons::kYesNo:
      case MessageButtons::kYesOnly: return MessageAnswer::kYes;
    }
    return MessageAnswer::kOk;
  }
};

}  // namespace

int runSilentInstall(const SetupOptions& options) {
  StderrMessageService stderrMessages;
  PosixPlatform posix(options.windowsDir);
  setMessageService(&stderrMessages);
  setPlatform(&posix);
  struct Restore {
    ~Restore() {
      setMessageService(nullptr);
      setPlatform(nullptr);
    }
  } restore;

  StartDir = platform().currentDirectory();
  InstallPath = options.target;
  if (!directoryExists(InstallPath) && !MakeDirPath(InstallPath)) return 1;

  InstallSteps steps;
  steps.setArchivePath(chooseArchive(options, StartDir));
  steps.WinIniCheck();
  const StepOutcome outcome = steps.SetProgress();
  if (outcome != StepOutcome::kDone) {
    if (!steps.unzipError().empty())
      std::fprintf(stderr, "setup: %s\n", steps.unzipError().c_str());
    return 1;
  }
  std::fprintf(stderr, "setup: installed into %s; engine libraries in %s\n",
               InstallPath.c_str(), WinDir.c_str());
  return 0;
}

}  // namespace zel::setup
