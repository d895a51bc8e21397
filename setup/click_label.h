// ClickLabel: a label that reports a click, for the link on the welcome page.
#pragma once

#include <QLabel>

namespace zel::setup {

class ClickLabel : public QLabel {
  Q_OBJECT
 public:
  using QLabel::QLabel;

 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace zel::setup
