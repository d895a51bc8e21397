#include "directory_page.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "installation_record.h"
#include "message_service.h"
#include "modal_runner.h"
#include "page_parts.h"
#include "folder_chooser.h"
#include "setup_helpers.h"
#include "setup_platform.h"

namespace zel::setup {

namespace {
constexpr int kWidth = 484, kHeight = 344, kStripWidth = 121;
}  // namespace

DirectoryPage::DirectoryPage(const SetupServices& services, QWidget* parent) : QDialog(parent), services_(services) {
  setObjectName(QStringLiteral("FM_DirSet"));
  setUpFixedDialog(*this, QStringLiteral("디렉토리설정"), kWidth, kHeight);
  makePictureStrip(this, SidePicture::kDirectory, kStripWidth, kHeight - kButtonBarHeight);

  const int x = kStripWidth + 14;
  makeLabel(this, "targetLabel", QStringLiteral("아래의 경로로 Install 이 됩니다."), x, 20);
  makeLabel(this, "chooseHintLabel", QStringLiteral("만약, 다른 디렉토리로 Install을 하고 싶으시면 아래의"), x, 50);
  makeLabel(this, "chooseHowLabel", QStringLiteral("경로 버튼을 Click 해서 다른 경로를 선택하십시오."), x, 68);
  QLabel* goOnLabel = makeLabel(this, "goOnLabel", QStringLiteral("계속해서 프로그램"), x, 98);
  makeLabelAfter(this, "goOnNextLabel", QStringLiteral("을 설치하고 싶으시면 다음을 누르시"), goOnLabel);
  makeLabel(this, "goOnCancelLabel", QStringLiteral("고, 종료하고 설치를 그만두고 싶으시면 취소 버튼을 누"), x, 116);
  makeLabel(this, "goOnEndLabel", QStringLiteral("르시면 모든 프로그램 설치가 종료됩니다."), x, 134);

  const int frameX = kStripWidth + 8;
  auto* pathFrame = new QFrame(this);
  pathFrame->setObjectName(QStringLiteral("pathFrame"));
  pathFrame->setFrameStyle(QFrame::Box | QFrame::Sunken);
  pathFrame->setGeometry(frameX, 250, 307, 22);
  // The designed text: the default directory, which prepare takes as installPath.
  pathLabel = makeLabel(pathFrame, "pathLabel", QString(), 4, 4);
  pathLabel->setFixedWidth(299);
  showPath(QString::fromStdString(services_.platform.defaultInstallDirectory()));
  chooseButton = makeButton(this, "chooseButton", QStringLiteral("경 로"), frameX + 307 + 4, 248, 44);

  QWidget* buttonBar = makeButtonBar(this, kWidth, kHeight);
  nextButton = makeButton(buttonBar, "nextButton", QStringLiteral("다  음"), 296, 8);
  cancelButton = makeButton(buttonBar, "cancelButton", QStringLiteral("취  소"), 386, 8);
  connect(chooseButton, &QPushButton::clicked, this, &DirectoryPage::choosePath);
  connect(nextButton, &QPushButton::clicked, this, &DirectoryPage::goOn);
  connect(cancelButton, &QPushButton::clicked, this, &DirectoryPage::cancel);
}

void DirectoryPage::keyPressEvent(QKeyEvent* event) {
  // Escape asks the stop question as 취  소 does, instead of closing the page.
  if (!handlePageKey(*this, event, [this] { cancel(); })) QDialog::keyPressEvent(event);
}

void DirectoryPage::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  prepare();
}

void DirectoryPage::prepare() {
  services_.state.dirSetNext = false;
  nextButton->setFocus();
  // What the page shows is what Next installs into.
  showPath(UnInstallInfoRead());
  services_.state.installPath = path_.toStdString();
}

// An existing installation is proposed again, so that a new version replaces it;
// otherwise the default directory.
QString DirectoryPage::UnInstallInfoRead() const {
  const std::string installed = RecordedInstallation(services_.platform.userDataDirectory());
  return QString::fromStdString(installed.empty() ? services_.platform.defaultInstallDirectory() : installed);
}

void DirectoryPage::showPath(const QString& path) {
  path_ = path;
  setElidedText(pathLabel, path);
}

void DirectoryPage::choosePath() {
  FolderChooser chooser(services_, this);
  services_.state.installPath = path_.toStdString();
  runModal(services_.runModal, chooser);
  if (services_.state.dirSelected) showPath(QString::fromStdString(services_.state.installPath));
  // The page takes the keyboard back from the closed chooser, also where the
  // window manager has not yet given it back.
  activateWindow();
  nextButton->setFocus();
}

void DirectoryPage::goOn() {
  if (!services_.state.dirSelected && !directoryExists(services_.state.installPath)) {
    const MessageAnswer answer = services_.messages.show(
        {"확인", "경로가 존재하지 않습니다. 새로 만드시겠습니까?\r" + services_.state.installPath,
         MessageIcon::kQuestion, MessageButtons::kYesNo});
    if (answer != MessageAnswer::kYes) return;
    if (!MakeDirPath(services_.messages, services_.state, services_.state.installPath)) {
      services_.messages.error("경로를 만들 수 없습니다.");
      return;
    }
  }
  services_.state.dirSetNext = true;
  close();
}

void DirectoryPage::cancel() {
  const MessageAnswer answer = services_.messages.show(
      {"확인", "프로그램설치를 종료하시겠습니까?", MessageIcon::kInformation, MessageButtons::kYesNo});
  if (answer != MessageAnswer::kYes) return;
  services_.state.dirSetNext = false;
  close();
}

}  // namespace zel::setup
