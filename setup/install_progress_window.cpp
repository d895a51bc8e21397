#include "install_progress_window.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QThread>

#include "gauge.h"
#include "page_parts.h"
#include "setup_art.h"

namespace zel::setup {

namespace {
// Below the two gauges a row for the cancel button.
constexpr int kWidth = 448, kHeight = 141;
constexpr int kLeft = 170, kTop = 431;
// How long each unpacking step stays on screen.
constexpr int kPauseMs = 30;

Gauge* captionedGauge(QWidget* parent, const char* boxName, const char* gaugeName, const QString& caption, int y) {
  auto* box = new QGroupBox(parent);
  box->setObjectName(QString::fromLatin1(boxName));
  box->setGeometry(6, y, kWidth - 12, 35);
  auto* label = new QLabel(caption, box);
  label->setFont(pageFont());
  label->setGeometry(6, 8, 60, 22);
  auto* gauge = new Gauge(box);
  gauge->setObjectName(QString::fromLatin1(gaugeName));
  gauge->setGeometry(66, 5, 363, 25);
  return gauge;
}
}  // namespace

InstallProgressWindow::InstallProgressWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("FM_SetUpProgress"));
  setWindowTitle(QStringLiteral("설치"));
  setWindowIcon(programIcon());
  setFont(pageFont());
  setFixedSize(kWidth, kHeight);
  move(kLeft, kTop);

  currentFileLabel = new QLabel(this);
  currentFileLabel->setObjectName(QStringLiteral("currentFileLabel"));
  currentFileLabel->setGeometry(8, 6, kWidth - 16, 18);
  currentGauge = captionedGauge(this, "currentBox", "currentGauge", QStringLiteral("현재진행"), 28);
  totalGauge = captionedGauge(this, "totalBox", "totalGauge", QStringLiteral("전체진행"), 67);
  cancelButton = new QPushButton(QStringLiteral("취  소"), this);
  cancelButton->setObjectName(QStringLiteral("cancelButton"));
  cancelButton->setFont(pageFont());
  cancelButton->setGeometry(kWidth - 6 - 89, 107, 89, 27);
  connect(cancelButton, &QPushButton::clicked, this, &InstallProgressWindow::cancelClicked);
}

void InstallProgressWindow::setStaysOnTop(bool onTop) {
  if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop) return;
  const bool visible = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, onTop);  // hides a shown window
  if (visible) show();
}

MessageAnswer MessagesAboveProgress::show(const Message& message) {
  window_.setStaysOnTop(false);
  const MessageAnswer answer = inner_.show(message);
  window_.setStaysOnTop(true);
  return answer;
}

void InstallProgressWindow::setStatus(const std::string& text) {
  // Long paths lose their middle, so the file name at the end stays readable.
  setElidedText(currentFileLabel, QString::fromStdString(text));
}

void InstallProgressWindow::setCurrent(int min, int max, int value) {
  currentGauge->setRange(min, max);
  currentGauge->setProgress(value);
}

void InstallProgressWindow::setTotal(int min, int max, int value) {
  totalGauge->setRange(min, max);
  totalGauge->setProgress(value);
}

void InstallProgressWindow::pause() {
  // Events keep flowing while we wait, and the processor sleeps in between.
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < kPauseMs) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(5);
  }
}

void InstallProgressWindow::processMessages() { QCoreApplication::processEvents(); }

void InstallProgressWindow::finish() { close(); }

}  // namespace zel::setup
