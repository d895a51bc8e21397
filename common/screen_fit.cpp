#include "screen_fit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace zel {

QRect fitClientRect(const QRect& current, const QSize& wanted, const QSize& frame, const QRect& area) {
  const int width = std::max(1, std::min(wanted.width(), area.width() - frame.width()));
  const int height = std::max(1, std::min(wanted.height(), area.height() - frame.height()));
  // The frame's left and top part are taken as half its extra width and all
  // of its extra height less one border: title bars sit on top.
  const int frameLeft = frame.width() / 2, frameTop = frame.height() - frame.width() / 2;
  int left = std::clamp(current.left(), area.left() + frameLeft,
                        std::max(area.left() + frameLeft, area.right() + 1 - (frame.width() - frameLeft) - width));
  int top = std::clamp(current.top(), area.top() + frameTop,
                       std::max(area.top() + frameTop, area.bottom() + 1 - (frame.height() - frameTop) - height));
  return QRect(left, top, width, height);
}

void keepOnScreen(QWidget& window) {
  QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  QSize frame = window.frameGeometry().size() - window.geometry().size();
  const bool frameKnown = window.isVisible() && !frame.isEmpty();
  if (!frameKnown) frame = QSize(kAssumedFrameWidth, kAssumedFrameHeight);
  const QSize wanted = window.size().expandedTo(window.minimumSize());
  const QRect fitted = fitClientRect(window.geometry(), wanted, frame, screen->availableGeometry());
  if (fitted.size() != wanted) {
    window.setMinimumSize(std::min(window.minimumWidth(), fitted.width()),
                          std::min(window.minimumHeight(), fitted.height()));
  }
  if (frameKnown) {
    // move() places the frame.
    window.resize(fitted.size());
    window.move(fitted.topLeft() - (window.geometry().topLeft() - window.frameGeometry().topLeft()));
  } else {
    // The client's place: the window manager puts its frame around it.
    window.setGeometry(fitted);
  }
}

}  // namespace zel
