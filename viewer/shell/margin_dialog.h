// MarginDialog: the margin dialog. Shown modally for one report file; it holds the report open (MarginWriter) from its
// showing until it closes. Only the confirm button writes; closing any other way leaves the file as it was. Errors go
// to the standard error report.
#pragma once

#include <QDialog>
#include <memory>
#include <string>

class QLabel;
class QPushButton;

namespace zel {

class MarginWriter;
class MessageService;
class TNumberEdit;

class MarginDialog : public QDialog {
  Q_OBJECT

 public:
  // fileName: the report's file name in directory. messages: where refusals
  // and errors go; outlives the dialog.
  MarginDialog(MessageService& messages, const std::string& directory, const std::string& fileName,
               QWidget* parent = nullptr);
  ~MarginDialog() override;

  void load();
  void confirm();

  QLabel* topLabel = nullptr;
  TNumberEdit* topField = nullptr;
  QLabel* bottomLabel = nullptr;
  TNumberEdit* bottomField = nullptr;
  QLabel* leftLabel = nullptr;
  TNumberEdit* leftField = nullptr;
  QLabel* rightLabel = nullptr;
  TNumberEdit* rightField = nullptr;
  QPushButton* confirmButton = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void fitFields();
  TNumberEdit* makeField(const char* name, int left);

  MessageService& messages_;
  std::string directory_;
  std::string fileName_;
  std::unique_ptr<MarginWriter> writer_;
  bool shown_ = false;
};

}  // namespace zel
