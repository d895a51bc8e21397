#include "logo_image.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace zel {

LogoImage::LogoImage(QWidget* parent) : QWidget(parent) {
  setFixedSize(80, 50);
  setCursor(Qt::PointingHandCursor);
  setAttribute(Qt::WA_TranslucentBackground);
}

void LogoImage::paintEvent(QPaintEvent*) {
  // A plain 16-colour-style mark: navy badge, teal swoosh, white letters.
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor navy(0, 0, 128), teal(0, 128, 128), white(255, 255, 255), yellow(255, 255, 0);
  QRectF badge(2, 4, 76, 42);
  p.setPen(Qt::NoPen);
  p.setBrush(navy);
  p.drawRoundedRect(badge, 6, 6);
  QPainterPath swoosh;
  swoosh.moveTo(4, 38);
  swoosh.cubicTo(24, 24, 52, 46, 76, 30);
  swoosh.lineTo(76, 38);
  swoosh.cubicTo(52, 52, 24, 32, 4, 44);
  swoosh.closeSubpath();
  p.setBrush(teal);
  p.drawPath(swoosh);
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setBold(true);
  font.setPixelSize(20);
  p.setFont(font);
  p.setPen(white);
  p.drawText(QRectF(2, 4, 76, 28), Qt::AlignCenter, QStringLiteral("ZEL"));
  p.setBrush(yellow);
  p.setPen(Qt::NoPen);
  p.drawEllipse(QRectF(64, 8, 7, 7));
}

void LogoImage::mouseReleaseEvent(QMouseEvent* event) {
  if (rect().contains(event->position().toPoint())) emit clicked();
  QWidget::mouseReleaseEvent(event);
}

}  // namespace zel
