// WelcomePage: the installer's first page. Going on sets welcomeNext; the stop
// question ends the installation. Created by the driver for one showing.
#pragma once

#include <QDialog>

#include "setup_services.h"

class QPushButton;

namespace zel::setup {

class WelcomePage : public QDialog {
  Q_OBJECT
 public:
  // The services' platform opens the maker's web site; what they name outlives the page.
  explicit WelcomePage(const SetupServices& services, QWidget* parent = nullptr);

  void goOn();
  void cancel();
  void openMakerSite();

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void prepare();

  SetupServices services_;
  QPushButton* nextButton;
  QPushButton* cancelButton;
};

}  // namespace zel::setup
