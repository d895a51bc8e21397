// Gauge: a horizontal bar on a white ground, filled in blue, with its completed
// share printed across it as "%d%%". The share is the whole-number part of
// 100 x (value - min) / (max - min); an empty range shows 0%.
#pragma once

#include <QString>
#include <QWidget>

namespace zel::setup {

int gaugeShare(int minValue, int maxValue, int value);
QString gaugeText(int minValue, int maxValue, int value);

class Gauge : public QWidget {
  Q_OBJECT
 public:
  explicit Gauge(QWidget* parent = nullptr);

  void setRange(int minValue, int maxValue);
  void setProgress(int value);
  int minValue() const { return min_; }
  int maxValue() const { return max_; }
  int progress() const { return value_; }
  int percentDone() const { return gaugeShare(min_, max_, value_); }
  QString text() const { return gaugeText(min_, max_, value_); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int min_ = 0;
  int max_ = 100;
  int value_ = 0;
};

}  // namespace zel::setup
