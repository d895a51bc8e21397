// FolderChooser: the folder chooser of the directory page. The user types a path
// or walks the drive and directory lists; accepting checks the folder (blank,
// the estimating product's own folder, missing) and sets installPath and
// dirSelected. Moving through the directory list changes the current directory.
#pragma once

#include <QDialog>
#include <QString>

#include "setup_services.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace zel::setup {

class DirectoryList;

class FolderChooser : public QDialog {
  Q_OBJECT
 public:
  // The services' platform answers for drives and the current directory; what
  // the services name outlives the chooser.
  explicit FolderChooser(const SetupServices& services, QWidget* parent = nullptr);

  // A drive pick: runs before the drive list takes the new entry over.
  void drivePicked(int index);
  void driveChanged();
  void directoryChanged(const QString& dir);
  void confirm();
  void cancel();

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void prepare();
  void showDrive(int index);

  SetupServices services_;
  QLineEdit* pathEdit;
  DirectoryList* directoryList;
  QComboBox* driveBox;
  QPushButton* okButton;
  QPushButton* cancelButton;
  int shownDrive_ = -1;  // the entry the drive list showed before the pick
};

}  // namespace zel::setup
