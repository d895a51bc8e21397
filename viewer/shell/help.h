// HelpWindow: the help window, one memo of fixed lines about the viewer and how
// to use it. Created anew each time it is opened and shown modally; the memo
// may be edited, nothing is kept.
#pragma once

#include <QDialog>
#include <QStringList>

class QPlainTextEdit;

namespace zel {

class HelpWindow : public QDialog {
  Q_OBJECT

 public:
  explicit HelpWindow(QWidget* parent = nullptr);

  static QStringList helpLines();

  QPlainTextEdit* textView = nullptr;

 private:
  void fitToLines();
};

}  // namespace zel
