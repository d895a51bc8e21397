#include "qt_message_service.h"

#include <QCursor>
#include <QDebug>
#include <QApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>
#include <QMessageBox>
#include <QString>
#include <vector>

namespace zel {

namespace {

// A box asked for inside a busy step shows the normal cursor while it is up.
class CursorLifted {
 public:
  CursorLifted() {
    while (QGuiApplication::overrideCursor() != nullptr) {
      cursors_.push_back(*QGuiApplication::overrideCursor());
      QGuiApplication::restoreOverrideCursor();
    }
  }
  ~CursorLifted() {
    for (auto it = cursors_.rbegin(); it != cursors_.rend(); ++it) QGuiApplication::setOverrideCursor(*it);
  }

 private:
  std::vector<QCursor> cursors_;
};

// The box belongs to the window that was active, and when it closes that
// window is active again with its focus where it was: a box without an owner
// left the focus with the window manager, and keys did nothing until a click.
class ActiveWindowKept {
 public:
  ActiveWindowKept() : window_(QApplication::activeWindow()), focus_(QApplication::focusWidget()) {}
  ~ActiveWindowKept() {
    if (window_.isNull() || !window_->isVisible()) return;
    window_->activateWindow();
    window_->raise();
    if (!focus_.isNull() && focus_->window() == window_) focus_->setFocus(Qt::ActiveWindowFocusReason);
  }
  // The owner for the box: none when the active window is hidden (the
  // progress dialog asks its question hidden).
  QWidget* owner() const { return !window_.isNull() && window_->isVisible() ? window_.data() : nullptr; }

 private:
  QPointer<QWidget> window_;
  QPointer<QWidget> focus_;
};

}  // namespace

MessageAnswer QtMessageService::show(const Message& message) {
  const CursorLifted lifted;
  const ActiveWindowKept active;
  QMessageBox box(active.owner());
  box.setWindowTitle(QString::fromUtf8(message.caption.c_str()));
  QString text = QString::fromUtf8(message.text.c_str());
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  box.setText(text);
  switch (message.icon) {
    case MessageIcon::kInformation: box.setIcon(QMessageBox::Information); break;
    case MessageIcon::kWarning: box.setIcon(QMessageBox::Warning); break;
    case MessageIcon::kError: box.setIcon(QMessageBox::Critical); break;
    case MessageIcon::kQuestion: box.setIcon(QMessageBox::Question); break;
    case MessageIcon::kNone: box.setIcon(QMessageBox::NoIcon); break;
  }
  switch (message.buttons) {
    case MessageButtons::kOk:
      box.setStandardButtons(QMessageBox::Ok);
      box.exec();
      return MessageAnswer::kOk;
    case MessageButtons::kYesOnly:
      box.setStandardButtons(QMessageBox::Yes);  // the toolkit's word, translated
      box.exec();
      return MessageAnswer::kYes;
    case MessageButtons::kYesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      return box.exec() == QMessageBox::Yes ? MessageAnswer::kYes : MessageAnswer::kNo;
  }
  return MessageAnswer::kOk;
}

void QtMessageService::log(const std::string& detail) {
  if (!detail.empty()) qWarning().noquote() << QString::fromUtf8(detail.c_str());
}

}  // namespace zel
