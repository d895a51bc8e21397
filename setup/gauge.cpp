#include "gauge.h"

#include <QPainter>

namespace zel::setup {

int gaugeShare(int minValue, int maxValue, int value) {
  if (maxValue <= minValue) return 0;
  const long long done = static_cast<long long>(value) - minValue;
  return static_cast<int>(100 * done / (static_cast<long long>(maxValue) - minValue));
}

QString gaugeText(int minValue, int maxValue, int value) {
  return QString::asprintf("%d%%", gaugeShare(minValue, maxValue, value));
}

Gauge::Gauge(QWidget* parent) : QWidget(parent) {}

void Gauge::setRange(int minValue, int maxValue) {
  min_ = minValue;
  max_ = maxValue;
  update();
}

void Gauge::setProgress(int value) {
  value_ = value;
  update();
}

void Gauge::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect bar = rect().adjusted(1, 1, -1, -1);
  p.fillRect(rect(), Qt::white);
  const int share = std::clamp(percentDone(), 0, 100);
  QRect filled = bar;
  filled.setWidth(bar.width() * share / 100);
  p.fillRect(filled, Qt::blue);
  // The text is blue on the white part and white on the blue part.
  p.setClipRect(bar);
  p.setPen(Qt::blue);
  p.drawText(bar, Qt::AlignCenter, text());
  p.setClipRect(filled);
  p.setPen(Qt::white);
  p.drawText(bar, Qt::AlignCenter, text());
  p.setClipping(false);
  p.setPen(Qt::gray);
  p.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace zel::setup
