// Tfm_RptValueSearch: the find dialog the preview opens. The user picks one
// of the report's visible columns and a value; the search walks the report
// lines from the top or from the page after the one shown and hands the page
// of the first match back to the preview (its CurPage). The walk itself is
// the engine's value_search core; this window only offers the columns, reads
// the input and keeps the preview's remembered choice and text.
//
// Created by the preview, shown modally once, destroyed after it closes;
// every search closes it. The preview and the table walk must outlive it.
// User-interface thread only.
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

class ReportLines;
class TFM_Preview;

// Unit-wide state of the dialog.
extern std::string SearchMode;  // "P": a hit sets the preview's page; "V": step one line first
extern ReportLines* SearchTable;  // the walked table (the preview's RptTable)
extern std::vector<std::string> FindFieldNames;  // field name per combo entry (CP949)
extern std::vector<std::string> FindCaptions;  // title per combo entry (CP949)

class Tfm_RptValueSearch : public QDialog {
  Q_OBJECT
 public:
  explicit Tfm_RptValueSearch(TFM_Preview* preview, QWidget* parent = nullptr);
  ~Tfm_RptValueSearch() override;

  void SetSearchSource(const std::string& mode, ReportLines* table);

  QLabel* Label1 = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QPushButton* c_btn_Search = nullptr;
  QCheckBox* c_chk_Next = nullptr;

  void FormShow();
  void ComboBox1Click();
  void c_btn_SearchClick();

  // The placeholder the empty combo box shows when no column can be searched.
  static QString NothingToSearchText();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormClose();

  TFM_Preview* preview_;
  bool shown_ = false;
};

}  // namespace zel
