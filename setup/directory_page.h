// DirectoryPage: the directory page. Shows the installation directory, opens the
// chooser on request, and on going on makes sure the directory exists (asking
// first) before it sets dirSetNext. Created by the driver for one showing.
#pragma once

#include <QDialog>
#include <QString>

#include "setup_services.h"

class QLabel;
class QPushButton;

namespace zel::setup {

class DirectoryPage : public QDialog {
  Q_OBJECT
 public:
  // services: the machine installed to, the message boxes and how the folder
  // chooser is shown; what they name outlives the page.
  explicit DirectoryPage(const SetupServices& services, QWidget* parent = nullptr);

  QString UnInstallInfoRead() const;
  void choosePath();
  void goOn();
  void cancel();

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void prepare();
  void showPath(const QString& path);

  QLabel* pathLabel;
  SetupServices services_;
  QString path_;  // the whole path; the label may show it shortened
  QPushButton* chooseButton;
  QPushButton* nextButton;
  QPushButton* cancelButton;
};

}  // namespace zel::setup
