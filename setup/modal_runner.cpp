#include "modal_runner.h"

#include <QDialog>

namespace zel::setup {
namespace {
ModalRunner& runnerSlot() {
  static ModalRunner runner;
  return runner;
}
}  // namespace

void runModal(QDialog& dialog) {
  if (runnerSlot()) {
    runnerSlot()(dialog);
  } else {
    dialog.exec();
  }
}

void setModalRunner(ModalRunner runner) { runnerSlot() = std::move(runner); }

}  // namespace zel::setup
