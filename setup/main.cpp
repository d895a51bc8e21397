// The installer's entry: the silent mode runs without a toolkit; otherwise the
// maximised main window waits for the mouse and drives the wizard.
#include <QApplication>
#include <cstdio>

#include "desktop_platform.h"
#include "qt_message_service.h"
#include "qt_translation.h"
#include "setup_art.h"
#include "setup_options.h"
#include "setup_state.h"
#include "silent_install.h"
#include "zel_set.h"

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
  if (options.silent) return runSilentInstall(options);

  QApplication app(argc, argv);
  zel::installQtTranslations(app);
  QApplication::setWindowIcon(programIcon());
  zel::QtMessageService qtMessages;
  zel::setMessageService(&qtMessages);
  DesktopPlatform desktop(options.windowsDir);
  setPlatform(&desktop);

  int status = 0;
  {
    TFM_ZelSet window;
    // A progress window left up after a failed step must not keep the program alive.
    QObject::connect(&window, &TFM_ZelSet::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    window.setArchivePath(QString::fromStdString(chooseArchive(options, StartDir)));
    window.showFillingTheScreen();
    status = app.exec();
    if (status == 0) status = window.exitCode();
  }
  setPlatform(nullptr);
  zel::setMessageService(nullptr);
  return status;
}
