// FolderChooser: the folder chooser of the directory page. The user types a path
// or walks the drive and directory lists; accepting checks the folder (blank,
// the estimating product's own folder, missing) and sets InstallPath and
// DirSelected. Moving through the directory list changes the current directory.
#pragma once

#include <QDialog>
#include <QString>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace zel::setup {

class DirectoryList;

class FolderChooser : public QDialog {
  Q_OBJECT
 public:
  explicit FolderChooser(QWidget* parent = nullptr);

  // A drive pick: runs before the drive list takes the new entry over.
  void C_Cmb_DriveClick(int index);
  void C_Cmb_DriveChange();
  void C_Dlb_ProjDirChange(const QString& dir);
  void C_Bbt_OkClick();
  void C_Bbt_CancelClick();

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormShow();
  void showDrive(int index);

  QLineEdit* C_Edt_SelPath;
  DirectoryList* C_Dlb_ProjDir;
  QComboBox* C_Cmb_Drive;
  QPushButton* C_Bbt_Ok;
  QPushButton* C_Bbt_Cancel;
  int shownDrive_ = -1;  // the entry the drive list showed before the pick
};

}  // namespace zel::setup
