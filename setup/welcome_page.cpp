#include "welcome_page.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "click_label.h"
#include "message_service.h"
#include "page_parts.h"
#include "setup_platform.h"
#include "setup_state.h"

namespace zel::setup {

namespace {
constexpr int kWidth = 397, kHeight = 298, kStripWidth = 113;
}  // namespace

WelcomePage::WelcomePage(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FM_Welcome"));
  setUpFixedDialog(*this, QStringLiteral("환영합니다"), kWidth, kHeight);
  makePictureStrip(this, SidePicture::kWelcome, kStripWidth, kHeight - kButtonBarHeight);

  auto* panel2 = new QFrame(this);
  panel2->setObjectName(QStringLiteral("Panel2"));
  panel2->setGeometry(kStripWidth, 0, kWidth - kStripWidth, kHeight - kButtonBarHeight);
  const int x = 12;
  QLabel* label1 = makeLabel(panel2, "Label1", QStringLiteral("이 프로그램은 "), x, 20);
  QLabel* label10 = makeLabelAfter(panel2, "Label10", QStringLiteral("ZEL/4.X 보고서 Viewer"), label1, true);
  makeLabelAfter(panel2, "Label4", QStringLiteral("를"), label10);
  makeLabel(panel2, "Label2", QStringLiteral("Install 하는 프로그램입니다."), x, 38);
  makeLabel(panel2, "Label7", QStringLiteral("본 프로그램을 Install 하려면 다음버튼을"), x, 68);
  makeLabel(panel2, "Label8", QStringLiteral("클릭하고, 중지하려면 취소 버튼을 클릭하세요"), x, 86);
  makeLabel(panel2, "Label3", QStringLiteral("이 프로그램에 대한 모든 권리는 (주)Velmora에"), x, 124);
  makeLabel(panel2, "Label5", QStringLiteral("있으며, 무단 복제와 배포를 금합니다."), x, 142);
  makeLabel(panel2, "Label6",
            QStringLiteral("문의는 고객지원실(%1)로 하시거나").arg(QString::fromLatin1(kSupportTelephone)), x, 172);
  makeLabel(panel2, "Label9", QStringLiteral("도움말을 참조하시기 바랍니다."), x, 190);
  auto* label11 = new ClickLabel(QString::fromLatin1(kMakerWebSite), panel2);
  label11->setObjectName(QStringLiteral("Label11"));
  label11->setFont(linkFont());
  QPalette blue = label11->palette();
  blue.setColor(QPalette::WindowText, Qt::blue);
  label11->setPalette(blue);
  label11->setCursor(Qt::PointingHandCursor);
  label11->adjustSize();
  label11->move(x, 220);
  connect(label11, &ClickLabel::clicked, this, &WelcomePage::openMakerSite);

  QWidget* panel3 = makeButtonBar(this, kWidth, kHeight);
  nextButton = makeButton(panel3, "nextButton", QStringLiteral("다  음"), 210, 8);
  cancelButton = makeButton(panel3, "cancelButton", QStringLiteral("취  소"), 300, 8);
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
  WelcomeNext = false;
  nextButton->setFocus();
}

void WelcomePage::goOn() {
  WelcomeNext = true;
  close();
}

void WelcomePage::cancel() {
  const MessageAnswer answer =
      messages().show({"확인", "프로그램설치를 종료하시겠습니까?", MessageIcon::kQuestion, MessageButtons::kYesNo});
  if (answer != MessageAnswer::kYes) return;
  // Ending the installation: with the flag clear the driver ends the program.
  WelcomeNext = false;
  close();
}

void WelcomePage::openMakerSite() { platform().openUrl(kMakerWebSite); }

}  // namespace zel::setup
