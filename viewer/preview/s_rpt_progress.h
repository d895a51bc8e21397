// Tfm_RptProgress: the small always-on-top window that shows how far a print
// job has come and lets the user cancel it between pages. The job drives it
// through ShowProgress / StepProgress / CloseProgress; only one dialog exists
// at a time and these routines own it (created by ShowProgress, destroyed by
// CloseProgress or by the next ShowProgress). Cancelling is cooperative: the
// button only sets ProgressCancelled, and the next StepProgress reports it.
//
// Captions are UTF-8. User-interface thread only.
#pragma once

#include <QWidget>
#include <string>

#include "progress_dialog.h"

class QLabel;
class QPushButton;

namespace zel {

// The percentage bar: white ground, blue fill, the percentage centred.
// Setting the position clamps it into [min, max]; the widget repaints only
// when the shown percentage changes.
class TGauge : public QWidget {
  Q_OBJECT
 public:
  explicit TGauge(QWidget* parent = nullptr);

  int MinValue() const { return min_; }
  int MaxValue() const { return max_; }
  int Progress() const { return position_; }
  void SetMinValue(int value);
  void SetMaxValue(int value);
  void SetProgress(int value);
  void AddProgress(int delta) { SetProgress(position_ + delta); }
  // trunc((position - min) * 100 / (max - min)); 0 when max equals min.
  int PercentDone() const;
  // Number of repaints requested so far (the bar repaints only on a change).
  int RepaintCount() const { return repaints_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void changed(int oldPercent);

  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
  int repaints_ = 0;
};

class Tfm_RptProgress : public QWidget {
  Q_OBJECT
 public:
  explicit Tfm_RptProgress(QWidget* parent = nullptr);
  ~Tfm_RptProgress() override;

  QLabel* C_Pnl_Head = nullptr;
  TGauge* C_Gag_Progress = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* StaticText1 = nullptr;
  QPushButton* C_Spt_Cancel = nullptr;

  void C_Spt_CancelClick();

 signals:
  // Emitted by FormClose with the percentage the bar showed last.
  void closing(int percent);

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormShow();
  void FormClose();
  bool closed_ = false;
};

// Unit-wide flags: showing from FormShow to FormClose; cancelled once the
// user confirmed the cancel question (cleared by every FormShow).
extern bool ProgressShowing;
extern bool ProgressCancelled;

// The dialog that is open, or null.
Tfm_RptProgress* CurrentProgressDialog();

// Opens the dialog for count steps (bar maximum count + 1; count -1 keeps
// the maximum). Replaces a dialog that is already open.
bool ShowProgress(int count, const std::string& caption);
// position 1: one step; -1: stay; anything else: set (clamped). A blank
// caption keeps the caption line. False once cancelled or when not showing.
bool StepProgress(int position, int page, const std::string& caption);
// Fills the bar and closes the dialog; false when none is showing.
bool CloseProgress();

// The engine's progress interface over this dialog; the program installs one
// in the run's services (RunServices::progress) before a job can print.
class QtProgressDialog : public ProgressDialog {
 public:
  bool ShowProgress(int count, const std::string& caption) override;
  bool StepProgress(int position, int page, const std::string& caption) override;
  bool CloseProgress() override;
  void ProcessPendingMessages() override;
};

}  // namespace zel
