#include "silent_install.h"

#include <cstdio>
#include <exception>

#include "cancel_request.h"
#include "install_steps.h"
#include "installation_record.h"
#ifndef _WIN32
#  include "desktop_entry.h"
#endif
#include "message_service.h"
#include "native_platform.h"
#include "setup_helpers.h"

namespace zel::setup {

int runSilentInstall(const SetupOptions& options, MessageService& messages, SetupState& state, ProgressView* view) {
  NativePlatform native(options.windowsDir);
  const SetupServices services{native, messages, state, {}};

  // From here a signal only asks: the run stops at its next safe point and takes back what it placed.
  SignalCatcher catcher;
  clearCaughtSignal();

  state.startDir = native.currentDirectory();
  // Nothing is made when there is nothing to install.
  if (const std::string problem = archiveProblem(options, state.startDir); !problem.empty()) {
    messages.error(problem);
    return 1;
  }
  // Made absolute here, so that messages and the launchers' file name one place.
  state.installPath = absolutePath(options.target, state.startDir);
  const std::string existing = nearestExistingDirectory(state.installPath);
  if (!directoryExists(state.installPath) && !MakeDirPath(messages, state, state.installPath)) return 1;

  InstallSteps steps(services);
  steps.setView(view);
  steps.setArchivePath(chooseArchive(options, state.startDir));
  StepOutcome outcome = StepOutcome::kStopped;
  try {
    steps.WinIniCheck();
    outcome = steps.SetProgress();
  } catch (const std::exception& e) {
    ReportApplicationError(messages, e.what());
  }
  if (outcome != StepOutcome::kDone) {
    // The directories made for this run go again (only while they are empty).
    removeEmptyDirectoriesUpTo(state.installPath, existing);
    if (outcome == StepOutcome::kCancelled) {
      std::fputs("setup: 설치를 중단했습니다. 설치하던 파일은 모두 되돌렸습니다.\n", stderr);
      if (const int signal = caughtSignal(); signal != 0) endBySignal(signal);
      return 1;
    }
    // The reason was part of the message already.
    return 1;
  }
  std::fprintf(stderr, "setup: installed into %s; engine libraries in %s\n", state.installPath.c_str(),
               state.winDir.c_str());
  return 0;
}

namespace {

std::string uninstallTarget(SetupPlatform& platform, const SetupOptions& options, const std::string& dataHome) {
  if (!options.target.empty()) return absolutePath(options.target, platform.currentDirectory());
  const std::string recorded = RecordedInstallation(dataHome);
  return recorded.empty() ? platform.defaultInstallDirectory() : recorded;
}

}  // namespace

int runUninstall(const SetupOptions& options, std::FILE* out) {
  NativePlatform native(options.windowsDir);
  const std::string dataHome = native.userDataDirectory();
  const std::string dir = uninstallTarget(native, options, dataHome);
  const UninstallResult result = Uninstall(dir, dataHome);
  if (!result.found) {
    std::fprintf(out, "제거할 ZelRpt 설치가 없습니다: %s\n", dir.c_str());
    return 0;
  }
#ifndef _WIN32
  RefreshDesktopDatabases(dataHome);
#endif
  for (const std::string& p : result.removed) std::fprintf(out, "제거: %s\n", p.c_str());
  for (const std::string& p : result.changed) std::fprintf(out, "남김 (설치 뒤에 바뀐 파일): %s\n", p.c_str());
  for (const std::string& p : result.added) std::fprintf(out, "남김 (설치하지 않은 파일): %s\n", p.c_str());
  std::fprintf(out, "ZelRpt를 제거했습니다: %s (제거 %zu개, 남김 %zu개)\n", dir.c_str(), result.removed.size(),
               result.changed.size() + result.added.size());
  return 0;
}

int runUninstallAsking(const SetupServices& services, const SetupOptions& options) {
  SetupPlatform& platform = services.platform;
  MessageService& messages = services.messages;
  const std::string dataHome = platform.userDataDirectory();
  const std::string dir = uninstallTarget(platform, options, dataHome);
  if (!FindInstallation(dir)) {
    messages.show(
        {"ZelRpt 제거", "제거할 ZelRpt 설치가 없습니다.\r" + dir, MessageIcon::kInformation, MessageButtons::kOk});
    return 0;
  }
  if (messages.show({"ZelRpt 제거", "ZelRpt를 제거하시겠습니까?\r" + dir, MessageIcon::kQuestion,
                     MessageButtons::kYesNo}) != MessageAnswer::kYes)
    return 1;
  const UninstallResult result = Uninstall(dir, dataHome);
#ifndef _WIN32
  RefreshDesktopDatabases(dataHome);
#endif
  std::string text = "ZelRpt를 제거했습니다. 파일 " + std::to_string(result.removed.size()) + "개를 지웠습니다.";
  const std::size_t keptCount = result.changed.size() + result.added.size();
  if (keptCount > 0) {
    text += "\r\r설치 뒤에 바뀌었거나 따로 넣은 파일은 남겨 두었습니다:";
    std::size_t listed = 0;
    for (const auto* list : {&result.changed, &result.added}) {
      for (const std::string& p : *list) {
        if (++listed > 10) break;
        text += "\r" + p;
      }
    }
    if (keptCount > 10) text += "\r외 " + std::to_string(keptCount - 10) + "개";
  }
  messages.show({"ZelRpt 제거", text, MessageIcon::kInformation, MessageButtons::kOk});
  return 0;
}

}  // namespace zel::setup
