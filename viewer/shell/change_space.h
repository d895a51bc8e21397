// TfrmChangeSpace: the margin dialog. Shown modally for CurrentReportFile in
// ReportDirectory; it holds the report open (MarginWriter) from its showing
// until it closes. Only the confirm button writes; closing any other way
// leaves the file as it was. Errors go to the standard error report.
#pragma once

#include <QDialog>
#include <memory>

class QLabel;
class QPushButton;

namespace zel {

class MarginWriter;
class TNumberEdit;

class TfrmChangeSpace : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmChangeSpace(QWidget* parent = nullptr);
  ~TfrmChangeSpace() override;

  void FormShow();
  void btnConfirmClick();

  QLabel* Label1 = nullptr;
  TNumberEdit* nedTop = nullptr;
  QLabel* Label2 = nullptr;
  TNumberEdit* nedBottom = nullptr;
  QLabel* Label3 = nullptr;
  TNumberEdit* nedLeft = nullptr;
  QLabel* Label4 = nullptr;
  TNumberEdit* nedRight = nullptr;
  QPushButton* btnConfirm = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void fitFields();
  TNumberEdit* makeField(const char* name, int left);

  std::unique_ptr<MarginWriter> writer_;
  bool shown_ = false;
};

}  // namespace zel
