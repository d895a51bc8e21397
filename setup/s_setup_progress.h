// TFM_SetUpProgress: the small always-on-top window that shows the installation
// steps: a status line, the unpacking gauge and the all-steps gauge. The main
// window owns it from the start of the steps until it closes or the program ends.
#pragma once

#include <QWidget>

#include "progress_view.h"

class QLabel;

namespace zel::setup {

class Gauge;

class TFM_SetUpProgress : public QWidget, public ProgressView {
  Q_OBJECT
 public:
  explicit TFM_SetUpProgress(QWidget* parent = nullptr);

  void setStatus(const std::string& text) override;
  void setCurrent(int min, int max, int value) override;
  void setTotal(int min, int max, int value) override;
  void pause() override;
  void processMessages() override;
  void finish() override;

  QLabel* C_Lbl_CurFile;
  Gauge* C_Gag_Cur;
  Gauge* C_Gag_Tot;
};

}  // namespace zel::setup
