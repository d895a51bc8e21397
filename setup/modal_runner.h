// How the installer shows a window modally. The program uses QDialog::exec();
// tests hand the window that shows pages a runner that shows the page, plays a
// script on it and returns, so no test waits on a modal loop. The caller owns
// the dialog.
#pragma once

#include <functional>

class QDialog;

namespace zel::setup {

using ModalRunner = std::function<void(QDialog& dialog)>;

// Shows the dialog through the runner; an empty runner: exec().
void runModal(const ModalRunner& runner, QDialog& dialog);

}  // namespace zel::setup
