// How the installer shows a window modally. The program uses QDialog::exec();
// tests install a runner that shows the window, plays a script on it and returns,
// so no test waits on a modal loop. The caller owns the dialog.
#pragma once

#include <functional>

class QDialog;

namespace zel::setup {

using ModalRunner = std::function<void(QDialog& dialog)>;

void runModal(QDialog& dialog);
void setModalRunner(ModalRunner runner);  // empty restores exec()

}  // namespace zel::setup
