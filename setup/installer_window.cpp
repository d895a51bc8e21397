#include "installer_window.h"

#include <QCloseEvent>
#include <QEvent>
#include <QKeyEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <cerrno>
#include <exception>

#include "cancel_request.h"
#include "message_service.h"
#include "scope_exit.h"
#include "installation_record.h"
#include "directory_page.h"
#include "setup_helpers.h"
#include "install_progress_window.h"
#include "welcome_page.h"
#include "setup_art.h"
#include "setup_platform.h"

namespace zel::setup {

namespace {

// Shows one wizard page modally; true when the page set its flag to go on.
bool runPage(const ModalRunner& runner, QDialog& page, bool& next) {
  next = false;
  runModal(runner, page);
  return next;
}

}  // namespace

InstallerWindow::InstallerWindow(const SetupServices& services, QWidget* parent)
    : QWidget(parent), services_(services), steps_(services) {
  setObjectName(QStringLiteral("FM_ZelSet"));
  setWindowTitle(QStringLiteral("Zel-C 보고서 Viewer"));
  setWindowIcon(programIcon());
  QPalette teal = palette();
  teal.setColor(QPalette::Window, QColor(0, 128, 128));
  setPalette(teal);
  setAutoFillBackground(true);

  // A layout, not a one-time resize: the picture area must follow every size the
  // window manager (or none) gives the window, or movements outside it start nothing.
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  startArea = new QWidget(this);
  startArea->setObjectName(QStringLiteral("startArea"));
  startArea->setMouseTracking(true);
  startArea->installEventFilter(this);
  layout->addWidget(startArea);
  // A key starts the wizard as well as the mouse does, for those who use no mouse.
  setFocusPolicy(Qt::StrongFocus);
  build();
}

InstallerWindow::~InstallerWindow() = default;

MessageService& InstallerWindow::box() { return above_ ? *above_ : services_.messages; }

void InstallerWindow::build() {
  services_.state.startDir = services_.platform.currentDirectory();
  services_.state.started = false;
}

bool InstallerWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == startArea && event->type() == QEvent::MouseMove) startOnce();
  return QWidget::eventFilter(watched, event);
}

void InstallerWindow::keyPressEvent(QKeyEvent* event) {
  // Modifier keys alone (as when switching windows) start nothing.
  switch (event->key()) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
    case Qt::Key_AltGr:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R: QWidget::keyPressEvent(event); return;
    default: break;
  }
  event->accept();
  startOnce();
}

void InstallerWindow::showFillingTheScreen() {
  // Without a window manager nobody honours the maximised state: take the
  // screen's working area ourselves first.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) setGeometry(screen->availableGeometry());
  showMaximized();
}

void InstallerWindow::closeEvent(QCloseEvent* event) {
  if (installing_) {
    // Closing now would leave a half installation: the same question as the cancel button.
    event->ignore();
    askToCancel();
    return;
  }
  QWidget::closeEvent(event);
  if (event->isAccepted()) emit closed();
}

void InstallerWindow::startOnce() {
  if (services_.state.started) return;
  services_.state.started = true;
  // Nothing thrown may leave an event handler: it becomes the error report and
  // the driver stops there, as after any input/output error.
  try {
    runDriver();
  } catch (const std::exception& e) {
    exitCode_ = 1;
    ReportApplicationError(box(), e.what());
  } catch (...) {
    exitCode_ = 1;
    ReportApplicationError(box(), ioErrorText(EIO));
  }
}

void InstallerWindow::runDriver() {
  // A wizard left before the installation ends in failure too; so does any step after.
  exitCode_ = 1;
  const bool welcomed = [this] {
    WelcomePage page(services_, this);
    return runPage(services_.runModal, page, services_.state.welcomeNext);
  }();
  const bool directorySet = welcomed && [this] {
    DirectoryPage page(services_, this);
    return runPage(services_.runModal, page, services_.state.dirSetNext);
  }();
  if (!directorySet) {
    RemoveMadeDirectories(services_.state);
    close();
    return;
  }

  if (const int err = services_.platform.setCurrentDirectory(services_.state.startDir); err != 0) {
    ReportApplicationError(box(), ioErrorText(err));
    return;
  }
  const bool replacing = FindInstallation(services_.state.installPath);

  progress_ = std::make_unique<InstallProgressWindow>();
  connect(progress_.get(), &InstallProgressWindow::cancelClicked, this, [this] { askToCancel(); });
  progress_->show();
  steps_.setView(progress_.get());
  StepOutcome outcome = StepOutcome::kStopped;
  {
    // A signal now only asks: the steps stop at their next safe point and take back what they placed.
    SignalCatcher catcher;
    clearCaughtSignal();
    // Every box of the steps, and the cancel question, goes above the progress window.
    MessagesAboveProgress above(*progress_, services_.messages);
    above_ = &above;
    steps_.setMessages(&above);
    const ScopeExit plain([this] {
      above_ = nullptr;
      steps_.setMessages(nullptr);
    });
    installing_ = true;
    steps_.WinIniCheck();
    outcome = steps_.SetProgress();
    installing_ = false;
  }
  steps_.setView(nullptr);
  if (outcome != StepOutcome::kDone) RemoveMadeDirectories(services_.state);
  if (outcome == StepOutcome::kCancelled) {
    progress_.reset();
    if (const int signal = caughtSignal(); signal != 0) {
      exitSignal_ = signal;
    } else {
      box().show({"알림", "설치를 취소했습니다. 설치하던 파일은 모두 되돌렸습니다.", MessageIcon::kInformation,
                  MessageButtons::kOk});
    }
    close();
    return;
  }
  if (outcome == StepOutcome::kFailed) {
    close();
    return;
  }
  if (outcome == StepOutcome::kStopped) return;
  progress_.reset();

  if (!services_.state.installPath.empty()) {
    if (const int err = services_.platform.setCurrentDirectory(services_.state.installPath); err != 0) {
      ReportApplicationError(box(), ioErrorText(err));
      return;
    }
  }
  exitCode_ = 0;
  askCompletion(replacing);
  close();
}

#ifdef _WIN32
void InstallerWindow::askCompletion(bool) {
  const MessageAnswer answer = box().show({"종료",
                                           "Zel-C 보고서 Viewer의 설치가 끝났습니다. 프로그램이 제대로 실행되려면\r"
                                           "윈도우를 재시작 하셔야 합니다. 재부팅을 하시겠습니까?",
                                           MessageIcon::kNone, MessageButtons::kYesNo});
  if (answer == MessageAnswer::kYes && !services_.platform.restartSystem()) {
    // The system may refuse; the user must hear of it rather than wait.
    box().show(
        {"알림", "시스템이 재시작을 거부했습니다. 직접 재시작 하십시오.", MessageIcon::kWarning, MessageButtons::kOk});
  }
}
#else
// Nothing here needs a restart: the viewer runs as soon as it is unpacked, so
// the last question offers to start it.
void InstallerWindow::askCompletion(bool replaced) {
  std::string text = "Zel-C 보고서 Viewer의 설치가 끝났습니다.\r";
  if (replaced) text += "이전에 설치한 Viewer를 새로 바꾸었습니다.\r";
  text += "설치한 곳: " + services_.state.installPath + "\r\r지금 Viewer를 실행하시겠습니까?";
  const MessageAnswer answer = box().show({"종료", text, MessageIcon::kInformation, MessageButtons::kYesNo});
  if (answer != MessageAnswer::kYes) return;
  const std::string viewer = services_.state.installPath + kPathSeparator + kViewerLauncher;
  if (!services_.platform.startProgram(viewer, services_.state.installPath))
    box().show({"오류", "Viewer를 실행할 수 없습니다.\r" + viewer, MessageIcon::kError, MessageButtons::kOk});
}
#endif

void InstallerWindow::askToCancel() {
  if (!installing_) return;
  const MessageAnswer answer = box().show({"확인", "설치를 취소하시겠습니까?\r지금까지 설치한 파일은 모두 되돌립니다.",
                                           MessageIcon::kQuestion, MessageButtons::kYesNo});
  if (answer == MessageAnswer::kYes) steps_.requestCancel();
}

}  // namespace zel::setup
