#include "welcome_page.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "click_label.h"
#include "message_service.h"
#include "page_parts.h"
#include "setup_platform.h"

namespace zel::setup {

namespace {
constexpr int kWidth = 397, kHeight = 298, kStripWidth = 113;
}  // namespace

WelcomePage::WelcomePage(const SetupServices& services, QWidget* parent) : QDialog(parent), services_(services) {
  setObjectName(QStringLiteral("FM_Welcome"));
  setUpFixedDialog(*this, QStringLiteral("환영합니다"), kWidth, kHeight);
  makePictureStrip(this, SidePicture::kWelcome, kStripWidth, kHeight - kButtonBarHeight);

  auto* textPanel = new QFrame(this);
  textPanel->setObjectName(QStringLiteral("textPanel"));
  textPanel->setGeometry(kStripWidth, 0, kWidth - kStripWidth, kHeight - kButtonBarHeight);
  const int x = 12;
  QLabel* introLabel = makeLabel(textPanel, "introLabel", QStringLiteral("이 프로그램은 "), x, 20);
  QLabel* productLabel =
      makeLabelAfter(textPanel, "productLabel", QStringLiteral("ZEL/4.X 보고서 Viewer"), introLabel, true);
  makeLabelAfter(textPanel, "introEndLabel", QStringLiteral("를"), productLabel);
  makeLabel(textPanel, "purposeLabel", QStringLiteral("Install 하는 프로그램입니다."), x, 38);
  makeLabel(textPanel, "nextHintLabel", QStringLiteral("본 프로그램을 Install 하려면 다음버튼을"), x, 68);
  makeLabel(textPanel, "cancelHintLabel", QStringLiteral("클릭하고, 중지하려면 취소 버튼을 클릭하세요"), x, 86);
  makeLabel(textPanel, "rightsLabel", QStringLiteral("이 프로그램에 대한 모든 권리는 (주)Velmora에"), x, 124);
  makeLabel(textPanel, "copyingLabel", QStringLiteral("있으며, 무단 복제와 배포를 금합니다."), x, 142);
  makeLabel(textPanel, "supportLabel",
            QStringLiteral("문의는 고객지원실(%1)로 하시거나").arg(QString::fromLatin1(kSupportTelephone)), x, 172);
  makeLabel(textPanel, "helpLabel", QStringLiteral("도움말을 참조하시기 바랍니다."), x, 190);
  auto* webSiteLink = new ClickLabel(QString::fromLatin1(kMakerWebSite), textPanel);
  webSiteLink->setObjectName(QStringLiteral("webSiteLink"));
  webSiteLink->setFont(linkFont());
  QPalette blue = webSiteLink->palette();
  blue.setColor(QPalette::WindowText, Qt::blue);
  webSiteLink->setPalette(blue);
  webSiteLink->setCursor(Qt::PointingHandCursor);
  webSiteLink->adjustSize();
  webSiteLink->move(x, 220);
  connect(webSiteLink, &ClickLabel::clicked, this, &WelcomePage::openMakerSite);

  QWidget* buttonBar = makeButtonBar(this, kWidth, kHeight);
  nextButton = makeButton(buttonBar, "nextButton", QStringLiteral("다  음"), 210, 8);
  cancelButton = makeButton(buttonBar, "cancelButton", QStringLiteral("취  소"), 300, 8);
  connect(nextButton, &QPushButton::clicked, this, &WelcomePage::goOn);
  connect(cancelButton, &QPushButton::clicked, this, &WelcomePage::cancel);
}

void WelcomePage::keyPressEvent(QKeyEvent* event) {
  // Escape asks the stop question as 취  소 does, instead of closing the page.
  if (!handlePageKey(*this, event, [this] { cancel(); })) QDialog::keyPressEvent(event);
}

void WelcomePage::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  prepare();
}

void WelcomePage::prepare() {
  services_.state.welcomeNext = false;
  nextButton->setFocus();
}

void WelcomePage::goOn() {
  services_.state.welcomeNext = true;
  close();
}

void WelcomePage::cancel() {
  const MessageAnswer answer = services_.messages.show(
      {"확인", "프로그램설치를 종료하시겠습니까?", MessageIcon::kQuestion, MessageButtons::kYesNo});
  if (answer != MessageAnswer::kYes) return;
  // Ending the installation: with the flag clear the driver ends the program.
  services_.state.welcomeNext = false;
  close();
}

void WelcomePage::openMakerSite() { services_.platform.openUrl(kMakerWebSite); }

}  // namespace zel::setup
