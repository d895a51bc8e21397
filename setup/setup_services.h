// SetupServices: what the installer's windows and steps talk to — the machine
// (SetupPlatform), the user (message boxes) and the way a window is shown
// modally — in one bundle that each program's main makes and hands down.
// Nothing is owned: the platform and the message service outlive every window
// and step given them.
#pragma once

#include "modal_runner.h"

namespace zel {
class MessageService;
}  // namespace zel

namespace zel::setup {

class SetupPlatform;

struct SetupServices {
  SetupPlatform& platform;
  MessageService& messages;
  ModalRunner runModal;  // shows the wizard pages and the folder chooser; empty: exec()
};

}  // namespace zel::setup
