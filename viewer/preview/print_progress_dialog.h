// PrintProgressDialog: the small always-on-top window that shows how far a
// print job has come and lets the user cancel it between pages. QtProgressDialog
// is the engine's progress interface over it: the job drives it through
// ShowProgress / StepProgress / CloseProgress, and it owns the one dialog of
// its job (created by ShowProgress, destroyed by CloseProgress or by the next
// ShowProgress). Cancelling is cooperative: the button only marks the dialog
// cancelled, and the next StepProgress reports it.
//
// Captions are UTF-8. User-interface thread only.
#pragma once

#include <QPointer>
#include <QWidget>
#include <string>

#include "progress_dialog.h"

class QLabel;
class QPushButton;

namespace zel {

class MessageService;

// The percentage bar: white ground, blue fill, the percentage centred.
// Setting the position clamps it into [min, max]; the widget repaints only
// when the shown percentage changes.
class ProgressGauge : public QWidget {
  Q_OBJECT
 public:
  explicit ProgressGauge(QWidget* parent = nullptr);

  int minValue() const { return min_; }
  int maxValue() const { return max_; }
  int progress() const { return position_; }
  void setMinValue(int value);
  void setMaxValue(int value);
  void setProgress(int value);
  void addProgress(int delta) { setProgress(position_ + delta); }
  // trunc((position - min) * 100 / (max - min)); 0 when max equals min.
  int percentDone() const;
  // Number of repaints requested so far (the bar repaints only on a change).
  int repaintCount() const { return repaints_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void changed(int oldPercent);

  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
  int repaints_ = 0;
};

class PrintProgressDialog : public QWidget {
  Q_OBJECT
 public:
  // messages: where the cancel question goes; outlives the dialog.
  explicit PrintProgressDialog(MessageService& messages, QWidget* parent = nullptr);
  ~PrintProgressDialog() override;

  QLabel* captionLabel = nullptr;  // the job's caption over the bar
  ProgressGauge* gauge = nullptr;
  QLabel* pageCaptionLabel = nullptr;
  QLabel* pageLabel = nullptr;  // the page being printed
  QPushButton* cancelButton = nullptr;

  // Asks whether to stop; on yes the dialog stays hidden and is cancelled.
  void askCancel();
  // From the showing until the close.
  bool showing() const { return showing_; }
  // Once the user confirmed the cancel question; cleared by the next showing.
  bool cancelled() const { return cancelled_; }

 signals:
  // Emitted at the close with the percentage the bar showed last.
  void closing(int percent);

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void finish();
  MessageService& messages_;
  bool showing_ = false;
  bool cancelled_ = false;
  bool closed_ = false;
};

// The engine's progress interface over the dialog; the program installs one
// in the run's services (RunServices::progress) before a job can print.
class QtProgressDialog : public ProgressDialog {
 public:
  // messages: where each dialog's cancel question goes; outlives this.
  explicit QtProgressDialog(MessageService& messages) : messages_(messages) {}
  ~QtProgressDialog() override;
  // Opens the dialog for count steps (bar maximum count + 1; count -1 keeps
  // the maximum). Replaces a dialog that is already open.
  bool ShowProgress(int count, const std::string& caption) override;
  // position 1: one step; -1: stay; anything else: set (clamped). A blank
  // caption keeps the caption line. False once cancelled or when not showing.
  bool StepProgress(int position, int page, const std::string& caption) override;
  // Fills the bar and closes the dialog; false when none is showing.
  bool CloseProgress() override;
  void ProcessPendingMessages() override;

  // The dialog that is open, or null.
  PrintProgressDialog* dialog() const { return dialog_.data(); }
  bool showing() const { return dialog_ && dialog_->showing(); }
  bool cancelled() const { return dialog_ && dialog_->cancelled(); }

 private:
  void destroyDialog();
  MessageService& messages_;
  QPointer<PrintProgressDialog> dialog_;
};

}  // namespace zel
