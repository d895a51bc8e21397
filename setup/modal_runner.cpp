#include "modal_runner.h"

#include <QDialog>

namespace zel::setup {

void runModal(const ModalRunner& runner, QDialog& dialog) {
  if (runner) {
    runner(dialog);
  } else {
    dialog.exec();
  }
}

}  // namespace zel::setup
