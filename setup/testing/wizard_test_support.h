// Test support for the installer's windows: a modal runner that plays scripted
// steps on each page instead of entering a modal loop, and small widget helpers.
// Tests only.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <deque>
#include <functional>
#include <vector>

#include "modal_runner.h"

namespace zel::setup::testing {

// Each page shown takes the next script; a page still open after its script is
// closed with its close box, as a user would.
class ScriptedRunner {
 public:
  using Script = std::function<void(QDialog&)>;
  // The runner to hand to the window that shows the pages.
  ModalRunner modal() {
    return [this](QDialog& dialog) { run(dialog); };
  }

  void then(Script script) { scripts.push_back(std::move(script)); }

  std::deque<Script> scripts;
  std::vector<QString> shown;  // object names of the pages, in order

 private:
  void run(QDialog& dialog) {
    shown.push_back(dialog.objectName());
    dialog.show();
    if (!scripts.empty()) {
      Script script = std::move(scripts.front());
      scripts.pop_front();
      script(dialog);
    }
    if (dialog.isVisible()) dialog.close();
  }
};

inline void click(QWidget& window, const char* name) {
  auto* button = window.findChild<QPushButton*>(QString::fromLatin1(name));
  ASSERT_NE(button, nullptr) << name;
  button->click();
}

inline QString labelText(QWidget& window, const char* name) {
  auto* label = window.findChild<QLabel*>(QString::fromLatin1(name));
  return label ? label->text() : QStringLiteral("<no %1>").arg(QString::fromLatin1(name));
}

inline QString buttonText(QWidget& window, const char* name) {
  auto* button = window.findChild<QPushButton*>(QString::fromLatin1(name));
  return button ? button->text() : QStringLiteral("<no %1>").arg(QString::fromLatin1(name));
}

inline void moveMouseOver(QWidget* widget) {
  QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), widget->mapToGlobal(QPointF(5, 5)), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(widget, &move);
}

}  // namespace zel::setup::testing
