// SetupServices: what the installer's windows and steps talk to — the machine
// (SetupPlatform), the user (message boxes), the run's values (SetupState) and
// the way a window is shown modally — in one bundle that each program's main
// makes and hands down. Nothing is owned: the platform, the message service and
// the state outlive every window and step given them.
#pragma once

#include "modal_runner.h"
#include "setup_state.h"

namespace zel {
class MessageService;
}  // namespace zel

namespace zel::setup {

class SetupPlatform;

struct SetupServices {
  SetupPlatform& platform;
  MessageService& messages;
  SetupState& state;  // one per run, shared by every window and step of it
  ModalRunner runModal;  // shows the wizard pages and the folder chooser; empty: exec()
};

}  // namespace zel::setup
