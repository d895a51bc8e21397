// WelcomePage: the installer's first page. Going on sets WelcomeNext; the stop
// question ends the installation. Created by the driver for one showing.
#pragma once

#include <QDialog>

class QPushButton;

namespace zel::setup {

class WelcomePage : public QDialog {
  Q_OBJECT
 public:
  explicit WelcomePage(QWidget* parent = nullptr);

  void goOn();
  void cancel();
  void openMakerSite();

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void prepare();

  QPushButton* nextButton;
  QPushButton* cancelButton;
};

}  // namespace zel::setup
