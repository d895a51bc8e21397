#include "zel_set.h"

#include <QCloseEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <cerrno>
#include <exception>

#include "message_service.h"
#include "modal_runner.h"
#include "s_mdir_select.h"
#include "s_set_util.h"
#include "s_setup_progress.h"
#include "s_welcome.h"
#include "setup_art.h"
#include "setup_platform.h"
#include "setup_state.h"

namespace zel::setup {

namespace {

// Shows one wizard page modally; true when the page set its flag to go on.
template <typename Page>
bool runPage(QWidget* parent, bool& next) {
  next = false;
  Page page(parent);
  runModal(page);
  return next;
}

}  // namespace

TFM_ZelSet::TFM_ZelSet(QWidget* parent) : QWidget(parent) {
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
  Image1 = new QWidget(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setMouseTracking(true);
  Image1->installEventFilter(this);
  layout->addWidget(Image1);
  FormCreate();
}

TFM_ZelSet::~TFM_ZelSet() = default;

void TFM_ZelSet::FormCreate() {
  StartDir = platform().currentDirectory();
  Started = false;
}

bool TFM_ZelSet::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Image1 && event->type() == QEvent::MouseMove) Image1MouseMove();
  return QWidget::eventFilter(watched, event);
}

void TFM_ZelSet::showFillingTheScreen() {
  // Without a window manager nobody honours the maximised state: take the
  // screen's working area ourselves first.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) setGeometry(screen->availableGeometry());
  showMaximized();
}

void TFM_ZelSet::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  if (event->isAccepted()) emit closed();
}

void TFM_ZelSet::Image1MouseMove() {
  if (Started) return;
  Started = true;
  // Nothing thrown may leave an event handler: it becomes the error report and
  // the driver stops there, as after any input/output error.
  try {
    runDriver();
  } catch (const std::exception& e) {
    exitCode_ = 1;
    ReportApplicationError(e.what());
  } catch (...) {
    exitCode_ = 1;
    ReportApplicationError(ioErrorText(EIO));
  }
}

void TFM_ZelSet::runDriver() {
  if (!runPage<TFM_Welcome>(this, WelcomeNext) || !runPage<TFM_DirSet>(this, DirSetNext)) {
    close();
    return;
  }

  // From here on the program ends in failure unless every step is done.
  exitCode_ = 1;
  if (const int err = platform().setCurrentDirectory(StartDir); err != 0) {
    ReportApplicationError(ioErrorText(err));
    return;
  }
  steps_.WinIniCheck();

  progress_ = std::make_unique<TFM_SetUpProgress>();
  progress_->show();
  steps_.setView(progress_.get());
  const StepOutcome outcome = steps_.SetProgress();
  steps_.setView(nullptr);
  if (outcome == StepOutcome::kFailed) {
    close();
    return;
  }
  if (outcome == StepOutcome::kStopped) return;
  progress_.reset();

  if (!InstallPath.empty()) {
    if (const int err = platform().setCurrentDirectory(InstallPath); err != 0) {
      ReportApplicationError(ioErrorText(err));
      return;
    }
  }
  exitCode_ = 0;
  const MessageAnswer answer =
      messages().show({"종료",
                       "Zel-C 보고서 Viewer의 설치가 끝났습니다. 프로그램이 제대로 실행되려면\r"
                       "윈도우를 재시작 하셔야 합니다. 재부팅을 하시겠습니까?",
                       MessageIcon::kNone, MessageButtons::kYesNo});
  if (answer == MessageAnswer::kYes && !platform().restartSystem()) {
    // The session may refuse; the user must hear of it rather than wait.
    messages().show(
        {"알림", "시스템이 재시작을 거부했습니다. 직접 재시작 하십시오.", MessageIcon::kWarning, MessageButtons::kOk});
  }
  close();
}

}  // namespace zel::setup
