#include "print_progress_dialog.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>

#include "font_mapper.h"
#include "message_service.h"

namespace zel {

namespace {

// Designed geometry of the window and its parts.
constexpr int kClientWidth = 367;
constexpr int kClientHeight = 68;
constexpr int kLeft = 219;
constexpr int kTop = 263;

QFrame* raisedPanel(QWidget* parent, const QRect& geometry) {
  auto* panel = new QFrame(parent);
  panel->setFrameShape(QFrame::Panel);
  panel->setFrameShadow(QFrame::Raised);
  panel->setLineWidth(1);
  panel->setGeometry(geometry);
  return panel;
}

void processPending() { QApplication::processEvents(); }

}  // namespace

// --------------------------------------------------------- ProgressGauge

ProgressGauge::ProgressGauge(QWidget* parent) : QWidget(parent) {}

int ProgressGauge::percentDone() const {
  if (max_ == min_) return 0;
  const long long span = static_cast<long long>(max_) - min_;
  return static_cast<int>((static_cast<long long>(position_) - min_) * 100 / span);
}

void ProgressGauge::changed(int oldPercent) {
  if (percentDone() != oldPercent) {
    ++repaints_;
    update();
  }
}

void ProgressGauge::setMinValue(int value) {
  const int before = percentDone();
  min_ = value;
  if (max_ < min_) max_ = min_;
  if (position_ < min_) position_ = min_;
  changed(before);
}

void ProgressGauge::setMaxValue(int value) {
  const int before = percentDone();
  max_ = value;
  if (min_ > max_) min_ = max_;
  if (position_ > max_) position_ = max_;
  changed(before);
}

void ProgressGauge::setProgress(int value) {
  const int before = percentDone();
  position_ = std::clamp(value, min_, max_);
  changed(before);
}

void ProgressGauge::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect area = rect();
  painter.fillRect(area, Qt::white);
  const int percent = percentDone();
  const int filled = area.width() * percent / 100;
  painter.fillRect(QRect(0, 0, filled, area.height()), QColor(0, 0, 255));
  const QString text = QString::asprintf("%d%%", percent);
  // The text is white over the fill and black over the ground.
  painter.setPen(Qt::black);
  painter.drawText(area, Qt::AlignCenter, text);
  painter.setClipRect(QRect(0, 0, filled, area.height()));
  painter.setPen(Qt::white);
  painter.drawText(area, Qt::AlignCenter, text);
  painter.setClipping(false);
  painter.setPen(Qt::gray);
  painter.drawRect(area.adjusted(0, 0, -1, -1));
}

// --------------------------------------------------- PrintProgressDialog

PrintProgressDialog::PrintProgressDialog(MessageService& messages, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), messages_(messages) {
  setWindowTitle(QStringLiteral("진행"));
  // The job runs from inside the modal preview: a plain window would be
  // blocked by it and its cancel button would take no input.
  setWindowModality(Qt::ApplicationModal);
  setFont(FontMapper::fixedFont(12));
  setFixedSize(kClientWidth, kClientHeight);
  move(kLeft, kTop);

  QFrame* panel1 = raisedPanel(this, QRect(0, 0, kClientWidth, 40));
  captionLabel = new QLabel(panel1);
  captionLabel->setGeometry(2, 2, kClientWidth - 4, 18);
  captionLabel->setAutoFillBackground(true);
  QPalette head = captionLabel->palette();
  head.setColor(QPalette::Window, QColor(64, 0, 128));  // colour value 8388672
  head.setColor(QPalette::WindowText, Qt::white);
  captionLabel->setPalette(head);
  captionLabel->setFont(FontMapper::fixedFont(12));
  captionLabel->setAlignment(Qt::AlignCenter);

  gauge = new ProgressGauge(panel1);
  gauge->setGeometry(2, 20, kClientWidth - 4, 18);

  QFrame* panel2 = raisedPanel(this, QRect(0, 40, kClientWidth, 28));
  pageCaptionLabel = new QLabel(QStringLiteral("현재Page:"), panel2);
  pageCaptionLabel->setGeometry(12, 7, 70, 14);
  pageLabel = new QLabel(QStringLiteral("1"), panel2);
  pageLabel->setGeometry(84, 7, 28, 14);
  pageLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  cancelButton = new QPushButton(QStringLiteral("취    소"), panel2);
  cancelButton->setGeometry(kClientWidth - 85 - 8, 2, 85, 24);
  cancelButton->setCursor(Qt::PointingHandCursor);
  cancelButton->setAutoDefault(true);  // Enter presses it when it has the focus
  connect(cancelButton, &QPushButton::clicked, this, &PrintProgressDialog::askCancel);
}

PrintProgressDialog::~PrintProgressDialog() {
  // Destroyed without a close (for instance with its parent): still not showing.
  if (!closed_) finish();
}

void PrintProgressDialog::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  showing_ = true;
  cancelled_ = false;
}

void PrintProgressDialog::keyPressEvent(QKeyEvent* event) {
  // Escape asks as the cancel button does.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    event->accept();
    askCancel();
    return;
  }
  QWidget::keyPressEvent(event);
}

void PrintProgressDialog::closeEvent(QCloseEvent* event) {
  finish();
  event->accept();
}

void PrintProgressDialog::finish() {
  if (closed_) return;
  closed_ = true;
  showing_ = false;
  emit closing(gauge->percentDone());
}

void PrintProgressDialog::askCancel() {
  hide();
  const MessageAnswer answer =
      messages_.show({"보고서", "작업을 중단하시겠습니까?", MessageIcon::kQuestion, MessageButtons::kYesNo});
  if (answer == MessageAnswer::kYes) {
    cancelled_ = true;  // stays hidden; CloseProgress still closes it
  } else {
    show();  // the showing clears the mark again
  }
}

// ------------------------------------------------------ QtProgressDialog

QtProgressDialog::~QtProgressDialog() { destroyDialog(); }

void QtProgressDialog::destroyDialog() {
  PrintProgressDialog* dialog = dialog_.data();
  dialog_ = nullptr;
  if (dialog == nullptr) return;
  dialog->close();
  delete dialog;
}

bool QtProgressDialog::ShowProgress(int count, const std::string& caption) {
  if (dialog_) destroyDialog();
  dialog_ = new PrintProgressDialog(messages_);
  dialog_->show();
  if (count != -1) dialog_->gauge->setMaxValue(count + 1);
  dialog_->gauge->setProgress(0);
  dialog_->captionLabel->setText(QString::fromStdString(caption));
  processPending();
  return true;
}

bool QtProgressDialog::StepProgress(int position, int page, const std::string& caption) {
  if (!showing() || cancelled()) return false;
  dialog_->pageLabel->setText(QString::number(page));
  ProgressGauge* gauge = dialog_->gauge;
  if (position == 1) {
    gauge->addProgress(1);
  } else if (position != -1) {
    gauge->setProgress(position);
  }
  const QString text = QString::fromStdString(caption);
  if (!text.trimmed().isEmpty()) dialog_->captionLabel->setText(text);
  processPending();
  return true;
}

bool QtProgressDialog::CloseProgress() {
  if (!showing()) return false;
  ProgressGauge* gauge = dialog_->gauge;
  if (gauge->isEnabled()) gauge->setProgress(gauge->maxValue());
  destroyDialog();
  processPending();
  return true;
}

void QtProgressDialog::ProcessPendingMessages() { processPending(); }

}  // namespace zel
