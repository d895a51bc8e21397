// FindDialog: the find dialog the preview opens. The user picks one of the
// report's visible columns and a value; the search walks the report lines
// from the top or from the page after the one shown and leaves the page of
// the first match in the FindState it was given. The walk itself is the
// engine's value_search core; this window only offers the columns, reads the
// input and keeps the remembered choice and text in the state.
//
// Created by the preview's find controller, shown modally once, destroyed
// after it closes; every search closes it. The message service, the state and
// the line walk must outlive it. User-interface thread only.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zel {

class MessageService;
class ReportLines;

// What the preview remembers between finds, and the last search's outcome.
struct FindState {
  int fieldIndex = 0;  // the column chosen last (combo entry)
  bool fromCurrent = true;  // 현재위치부터: after the page shown, else from the top
  std::string text;  // CP949, as typed
  std::string field;  // table field of the last search, for find next (F3)
  int page = 0;  // the page shown when the dialog opens; the hit's page after a search
  bool found = false;  // the last search hit a line
};

class FindDialog : public QDialog {
  Q_OBJECT
 public:
  // mode "P": a hit sets the state's page; "V": steps one line first.
  FindDialog(MessageService& messages, FindState& state, ReportLines& lines, const std::string& mode = "P",
             QWidget* parent = nullptr);
  ~FindDialog() override;

  QLabel* columnLabel = nullptr;
  QComboBox* columnBox = nullptr;
  QLabel* textLabel = nullptr;
  QLineEdit* textEdit = nullptr;
  QPushButton* searchButton = nullptr;
  QCheckBox* fromCurrentBox = nullptr;

  // The table field and the title of each combo entry (CP949), while shown.
  const std::vector<std::string>& fieldNames() const { return fieldNames_; }
  const std::vector<std::string>& captions() const { return captions_; }

  void columnChosen();
  void search();

  // The placeholder the empty combo box shows when no column can be searched.
  static QString NothingToSearchText();

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void fillColumns();

  MessageService& messages_;
  FindState& state_;
  ReportLines& lines_;
  std::string mode_;
  std::vector<std::string> fieldNames_;
  std::vector<std::string> captions_;
  bool shown_ = false;
};

}  // namespace zel
