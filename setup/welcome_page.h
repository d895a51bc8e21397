// WelcomePage: the installer's first page. Going on sets WelcomeNext; the stop
// question ends the installation. Created by the driver for one showing.
#pragma once

#include <QDialog>

#include "setup_platform.h"

class QPushButton;

namespace zel::setup {

class WelcomePage : public QDialog {
  Q_OBJECT
 public:
  // platform opens the maker's web site; it outlives the page.
  explicit WelcomePage(SetupPlatform& platform, QWidget* parent = nullptr);

  void goOn();
  void cancel();
  void openMakerSite();

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void prepare();

  SetupPlatform& platform_;
  QPushButton* nextButton;
  QPushButton* cancelButton;
};

}  // namespace zel::setup
