// TfrmHelp: the help window, one memo of fixed lines about the viewer and how
// to use it. Created anew each time it is opened and shown modally; the memo
// may be edited, nothing is kept.
#pragma once

#include <QDialog>
#include <QStringList>

class QPlainTextEdit;

namespace zel {

class TfrmHelp : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmHelp(QWidget* parent = nullptr);

  static QStringList HelpLines();

  QPlainTextEdit* Memo1 = nullptr;

 private:
  void fitToLines();
};

}  // namespace zel
