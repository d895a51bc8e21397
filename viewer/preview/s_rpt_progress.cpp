#include "s_rpt_progress.h"

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

bool ProgressShowing = false;
bool ProgressCancelled = false;

namespace {

QPointer<Tfm_RptProgress> g_dialog;

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

// ---------------------------------------------------------------- TGauge

TGauge::TGauge(QWidget* parent) : QWidget(parent) {}

int TGauge::PercentDone() const {
  if (max_ == min_) return 0;
  const long long span = static_cast<long long>(max_) - min_;
  return static_cast<int>((static_cast<long long>(position_) - min_) * 100 / span);
}

void TGauge::changed(int oldPercent) {
  if (PercentDone() != oldPercent) {
    ++repaints_;
    update();
  }
}

void TGauge::SetMinValue(int value) {
  const int before = PercentDone();
  min_ = value;
  if (max_ < min_) max_ = min_;
  if (position_ < min_) position_ = min_;
  changed(before);
}

void TGauge::SetMaxValue(int value) {
  const int before = PercentDone();
  max_ = value;
  if (min_ > max_) min_ = max_;
  if (position_ > max_) position_ = max_;
  changed(before);
}

void TGauge::SetProgress(int value) {
  const int before = PercentDone();
  position_ = std::clamp(value, min_, max_);
  changed(before);
}

void TGauge::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect area = rect();
  painter.fillRect(area, Qt::white);
  const int percent = PercentDone();
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

// ------------------------------------------------------- Tfm_RptProgress

Tfm_RptProgress::Tfm_RptProgress(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setWindowTitle(QStringLiteral("진행"));
  // The job runs from inside the modal preview: a plain window would be
  // blocked by it and its cancel button would take no input.
  setWindowModality(Qt::ApplicationModal);
  setFont(FontMapper::fixedFont(12));
  setFixedSize(kClientWidth, kClientHeight);
  move(kLeft, kTop);

  QFrame* panel1 = raisedPanel(this, QRect(0, 0, kClientWidth, 40));
  C_Pnl_Head = new QLabel(panel1);
  C_Pnl_Head->setGeometry(2, 2, kClientWidth - 4, 18);
  C_Pnl_Head->setAutoFillBackground(true);
  QPalette head = C_Pnl_Head->palette();
  head.setColor(QPalette::Window, QColor(64, 0, 128));  // colour value 8388672
  head.setColor(QPalette::WindowText, Qt::white);
  C_Pnl_Head->setPalette(head);
  C_Pnl_Head->setFont(FontMapper::fixedFont(12));
  C_Pnl_Head->setAlignment(Qt::AlignCenter);

  C_Gag_Progress = new TGauge(panel1);
  C_Gag_Progress->setGeometry(2, 20, kClientWidth - 4, 18);

  QFrame* panel2 = raisedPanel(this, QRect(0, 40, kClientWidth, 28));
  Label1 = new QLabel(QStringLiteral("현재Page:"), panel2);
  Label1->setGeometry(12, 7, 70, 14);
  StaticText1 = new QLabel(QStringLiteral("1"), panel2);
  StaticText1->setGeometry(84, 7, 28, 14);
  StaticText1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  C_Spt_Cancel = new QPushButton(QStringLiteral("취    소"), panel2);
  C_Spt_Cancel->setGeometry(kClientWidth - 85 - 8, 2, 85, 24);
  C_Spt_Cancel->setCursor(Qt::PointingHandCursor);
  C_Spt_Cancel->setAutoDefault(true);  // Enter presses it when it has the focus
  connect(C_Spt_Cancel, &QPushButton::clicked, this, &Tfm_RptProgress::C_Spt_CancelClick);
}

Tfm_RptProgress::~Tfm_RptProgress() {
  // Destroyed without a close (for instance with its parent): still not showing.
  if (!closed_) FormClose();
}

void Tfm_RptProgress::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  FormShow();
}

void Tfm_RptProgress::keyPressEvent(QKeyEvent* event) {
  // Escape asks as the cancel button does.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    event->accept();
    C_Spt_CancelClick();
    return;
  }
  QWidget::keyPressEvent(event);
}

void Tfm_RptProgress::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
}

void Tfm_RptProgress::FormShow() {
  ProgressShowing = true;
  ProgressCancelled = false;
}

void Tfm_RptProgress::FormClose() {
  if (closed_) return;
  closed_ = true;
  ProgressShowing = false;
  emit closing(C_Gag_Progress->PercentDone());
}

void Tfm_RptProgress::C_Spt_CancelClick() {
  hide();
  const MessageAnswer answer =
      messages().show({"보고서", "작업을 중단하시겠습니까?", MessageIcon::kQuestion, MessageButtons::kYesNo});
  if (answer == MessageAnswer::kYes) {
    ProgressCancelled = true;  // stays hidden; CloseProgress still closes it
  } else {
    show();  // FormShow clears the flag again
  }
}

// --------------------------------------------------------------- routines

Tfm_RptProgress* CurrentProgressDialog() { return g_dialog.data(); }

namespace {

void destroyDialog() {
  Tfm_RptProgress* dialog = g_dialog.data();
  g_dialog = nullptr;
  if (dialog == nullptr) {
    ProgressShowing = false;
    return;
  }
  dialog->close();
  delete dialog;
}

}  // namespace

bool ShowProgress(int count, const std::string& caption) {
  if (ProgressShowing || g_dialog) destroyDialog();
  g_dialog = new Tfm_RptProgress();
  g_dialog->show();
  if (count != -1) g_dialog->C_Gag_Progress->SetMaxValue(count + 1);
  g_dialog->C_Gag_Progress->SetProgress(0);
  g_dialog->C_Pnl_Head->setText(QString::fromStdString(caption));
  processPending();
  return true;
}

bool StepProgress(int position, int page, const std::string& caption) {
  if (!ProgressShowing || ProgressCancelled || !g_dialog) return false;
  g_dialog->StaticText1->setText(QString::number(page));
  TGauge* gauge = g_dialog->C_Gag_Progress;
  if (position == 1) {
    gauge->AddProgress(1);
  } else if (position != -1) {
    gauge->SetProgress(position);
  }
  const QString text = QString::fromStdString(caption);
  if (!text.trimmed().isEmpty()) g_dialog->C_Pnl_Head->setText(text);
  processPending();
  return true;
}

bool CloseProgress() {
  if (!ProgressShowing) return false;
  if (g_dialog) {
    TGauge* gauge = g_dialog->C_Gag_Progress;
    if (gauge->isEnabled()) gauge->SetProgress(gauge->MaxValue());
  }
  destroyDialog();
  processPending();
  return true;
}

bool QtProgressDialog::ShowProgress(int count, const std::string& caption) { return zel::ShowProgress(count, caption); }

bool QtProgressDialog::StepProgress(int position, int page, const std::string& caption) {
  return zel::StepProgress(position, page, caption);
}

bool QtProgressDialog::CloseProgress() { return zel::CloseProgress(); }

void QtProgressDialog::ProcessPendingMessages() { processPending(); }

}  // namespace zel
