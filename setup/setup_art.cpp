#include "setup_art.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace zel::setup {

QFont pageFont(bool bold) {
  QFont font(QStringLiteral("NanumGothicCoding"));
  font.setPixelSize(12);
  font.setBold(bold);
  return font;
}

QFont linkFont() {
  QFont font(QStringLiteral("Sans Serif"));
  font.setPixelSize(11);
  font.setUnderline(true);
  return font;
}

namespace {

// A report page seen at a slant: what the viewer shows, hinting at what comes.
void drawSheet(QPainter& p, QRectF sheet, const QColor& ink) {
  p.setPen(QPen(QColor(40, 40, 40), 1));
  p.setBrush(Qt::white);
  p.drawRect(sheet);
  p.setPen(QPen(ink, 1));
  const qreal left = sheet.left() + 6, right = sheet.right() - 6;
  p.drawLine(QPointF(left, sheet.top() + 10), QPointF(right, sheet.top() + 10));
  for (qreal y = sheet.top() + 18; y < sheet.bottom() - 6; y += 7) {
    p.drawLine(QPointF(left, y), QPointF(right, y));
  }
  p.drawLine(QPointF(left + (right - left) * 0.55, sheet.top() + 14),
             QPointF(left + (right - left) * 0.55, sheet.bottom() - 6));
}

}  // namespace

QPixmap sidePicture(SidePicture which) {
  QPixmap pixmap(119, 260);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, 260);
  const bool welcome = which == SidePicture::kWelcome;
  sky.setColorAt(0, welcome ? QColor(0, 64, 128) : QColor(0, 96, 96));
  sky.setColorAt(1, welcome ? QColor(120, 180, 230) : QColor(150, 210, 200));
  p.fillRect(pixmap.rect(), sky);

  if (welcome) {
    drawSheet(p, QRectF(24, 40, 60, 84), QColor(0, 64, 128));
    drawSheet(p, QRectF(36, 56, 60, 84), QColor(0, 64, 128));
  } else {
    // A folder that the installation goes into.
    p.setPen(QPen(QColor(90, 60, 0), 1.5));
    p.setBrush(QColor(240, 200, 80));
    QPainterPath folder;
    folder.moveTo(18, 70);
    folder.lineTo(48, 70);
    folder.lineTo(56, 80);
    folder.lineTo(100, 80);
    folder.lineTo(100, 140);
    folder.lineTo(18, 140);
    folder.closeSubpath();
    p.drawPath(folder);
    drawSheet(p, QRectF(40, 50, 44, 60), QColor(0, 96, 96));
    p.setBrush(QColor(250, 215, 110));
    p.drawRect(QRectF(18, 92, 82, 48));
  }
  // Ground line and the maker's mark.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 60));
  p.drawEllipse(QRectF(-40, 200, 200, 120));
  p.setPen(Qt::white);
  QFont mark(QStringLiteral("Sans Serif"));
  mark.setPixelSize(13);
  mark.setBold(true);
  p.setFont(mark);
  p.drawText(QRectF(0, 222, 119, 20), Qt::AlignCenter, QStringLiteral("Velmora"));
  return pixmap;
}

QIcon programIcon() {
  QIcon icon;
  for (int size : {16, 32, 48}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    p.setPen(QPen(QColor(0, 80, 80), s / 16));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(s * 0.18, s * 0.08, s * 0.6, s * 0.8));
    p.setPen(QPen(QColor(0, 128, 128), s / 20));
    for (int i = 0; i < 4; ++i) {
      const qreal y = s * (0.25 + i * 0.15);
      p.drawLine(QPointF(s * 0.28, y), QPointF(s * 0.68, y));
    }
    // An arrow into the page: installing.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 128, 0));
    QPainterPath arrow;
    arrow.moveTo(s * 0.62, s * 0.55);
    arrow.lineTo(s * 0.98, s * 0.55);
    arrow.lineTo(s * 0.80, s * 0.95);
    arrow.closeSubpath();
    p.drawPath(arrow);
    p.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace zel::setup
