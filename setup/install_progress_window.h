// InstallProgressWindow: the small always-on-top window that shows the installation
// steps: a status line, the unpacking gauge, the all-steps gauge and a cancel button. The main
// window owns it from the start of the steps until it closes or the program ends.
#pragma once

#include <QWidget>

#include "message_service.h"
#include "progress_view.h"

class QLabel;
class QPushButton;

namespace zel::setup {

class Gauge;

class InstallProgressWindow : public QWidget, public ProgressView {
  Q_OBJECT
 public:
  explicit InstallProgressWindow(QWidget* parent = nullptr);

  void setStatus(const std::string& text) override;
  void setCurrent(int min, int max, int value) override;
  void setTotal(int min, int max, int value) override;
  void pause() override;
  void processMessages() override;
  void finish() override;

  // Whether the window keeps above all others; dropped while a message box of the
  // installation is up, so that the box is not hidden under it.
  void setStaysOnTop(bool onTop);

  QLabel* currentFileLabel;
  Gauge* currentGauge;
  Gauge* totalGauge;
  QPushButton* cancelButton;

 signals:
  // The cancel button was pressed; the main window asks and, on yes, stops the steps.
  void cancelClicked();
};

// A message service over another: every box it shows goes above the progress
// window, which gives up its place on top for as long as the box is up. The
// window and the inner service outlive it.
class MessagesAboveProgress : public MessageService {
 public:
  MessagesAboveProgress(InstallProgressWindow& window, MessageService& inner) : window_(window), inner_(inner) {}
  MessagesAboveProgress(const MessagesAboveProgress&) = delete;
  MessagesAboveProgress& operator=(const MessagesAboveProgress&) = delete;

  MessageAnswer show(const Message& message) override;
  void log(const std::string& detail) override { inner_.log(detail); }

 private:
  InstallProgressWindow& window_;
  MessageService& inner_;
};

}  // namespace zel::setup
