// The installer's entry: the silent mode runs without a toolkit; otherwise the
// maximised main window waits for the mouse and drives the wizard.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "cancel_request.h"
#include "desktop_platform.h"
#include "qt_message_service.h"
#include "qt_translation.h"
#include "setup_art.h"
#include "setup_options.h"
#include "silent_install.h"
#include "stderr_message_service.h"
#include "installer_window.h"

namespace {

// Whether the toolkit will find a screen: an X or Wayland display, or a
// platform chosen explicitly (offscreen, for instance).
bool canReachADisplay(int argc, char** argv) {
#ifdef _WIN32
  (void)argc;
  (void)argv;
  return true;
#else
  for (int i = 1; i < argc; ++i)
    if (std::string_view(argv[i]) == "-platform") return true;
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
    if (const char* v = std::getenv(name); v && *v) return true;
  return false;
#endif
}

}  // namespace

int main(int argc, char** argv) {
  using namespace zel::setup;
  const SetupOptions options = parseSetupOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (options.help) {
    std::fputs(setupUsage(), stdout);
    return 0;
  }
  if (!options.error.empty()) {
    std::fprintf(stderr, "setup: %s\n%s", options.error.c_str(), setupUsage());
    return 2;
  }
  // The run's values, handed to every window and step of this run.
  SetupState state;
  if (options.silent) {
    // Messages go to standard error; questions are answered yes (directories are created without asking).
    zel::StderrMessageService stderrMessages(stderr, zel::MessageAnswer::kYes, "setup");
    return runSilentInstall(options, stderrMessages, state);
  }
  if (options.uninstall && !options.window) return runUninstall(options, stdout);
  if (!canReachADisplay(argc, argv)) {
    // The uninstall needs no window to do its work: without a screen it reports on standard output.
    if (options.uninstall) return runUninstall(options, stdout);
    // Qt would abort with a message about platform plugins; say what to do instead.
    std::fputs(
        "setup: 설치 마법사는 화면(디스플레이)이 있어야 합니다. 화면 없이 설치하려면: setup --silent --target DIR\n",
        stderr);
    return 2;
  }

  QApplication app(argc, argv);
  zel::installQtTranslations(app);
  QApplication::setWindowIcon(programIcon());
  zel::QtMessageService qtMessages;
  DesktopPlatform desktop(options.windowsDir);
  const SetupServices services{desktop, qtMessages, state, {}};
  if (options.uninstall) return runUninstallAsking(services, options);
  // Nothing is asked when there is nothing to install.
  if (const std::string problem = archiveProblem(options, desktop.currentDirectory()); !problem.empty()) {
    qtMessages.error(problem);
    return 1;
  }

  int status = 0;
  int signal = 0;
  {
    InstallerWindow window(services);
    // A progress window left up after a failed step must not keep the program alive.
    QObject::connect(&window, &InstallerWindow::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    window.setArchivePath(QString::fromStdString(chooseArchive(options, state.startDir)));
    window.showFillingTheScreen();
    status = app.exec();
    if (status == 0) status = window.exitCode();
    signal = window.exitSignal();
  }
  // The installation was taken back; the program ends as the signal would have ended it.
  if (signal != 0) endBySignal(signal);
  return status;
}
