// InstallerWindow: the installer's main window, plain teal and maximised. The first
// mouse movement over it (or a key press) starts the driver: the welcome page, the directory page,
// then the installation steps and the completion question. Later movements do
// nothing (the state's started). Closing the window ends the program.
#pragma once

#include <QString>
#include <QWidget>
#include <memory>

#include "install_steps.h"
#include "setup_services.h"

namespace zel::setup {

class InstallProgressWindow;
class MessagesAboveProgress;

class InstallerWindow : public QWidget {
  Q_OBJECT
 public:
  // services: the machine the installation goes to, the message boxes and how
  // the wizard pages are shown; what they name outlives the window.
  explicit InstallerWindow(const SetupServices& services, QWidget* parent = nullptr);
  ~InstallerWindow() override;

  // The archive to install instead of startDir/ZELRPT.E01 (empty: that one).
  void setArchivePath(const QString& path) { steps_.setArchivePath(path.toStdString()); }

  // Shows the window maximised, filling the screen also where no window manager runs.
  void showFillingTheScreen();

  // Starts the driver the first time (the first mouse movement or key press); later calls do nothing.
  void startOnce();
  bool WinIniCheck() { return steps_.WinIniCheck(); }

  QWidget* startArea;  // the whole client area; a mouse movement over it starts the driver
  // The program's exit status: non-zero once the installation has failed or stopped.
  int exitCode() const { return exitCode_; }
  // The signal that stopped the installation (0: none); the program then ends by it.
  int exitSignal() const { return exitSignal_; }
  // While and after the steps run; stays on screen when they fail.
  InstallProgressWindow* progressWindow() const { return progress_.get(); }

 signals:
  // The window closed: the program ends, whatever other windows are still up.
  void closed();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void build();
  void runDriver();
  // The last question: the restart on Windows; elsewhere where the viewer went and whether to start it.
  void askCompletion(bool replaced);
  // The cancel button's (and the close box's) question while the steps run.
  void askToCancel();

  // Where a message goes now: above the progress window while the steps run.
  MessageService& box();

  SetupServices services_;
  InstallSteps steps_;
  MessagesAboveProgress* above_ = nullptr;  // while the steps run
  std::unique_ptr<InstallProgressWindow> progress_;
  int exitCode_ = 0;
  int exitSignal_ = 0;
  bool installing_ = false;
};

}  // namespace zel::setup
