// QtMessageService: shows messages as QMessageBox dialogs. Installed by the
// programs at start; tests install a RecordingMessageService instead.
#pragma once

#include "message_service.h"

namespace zel {

class QtMessageService : public MessageService {
 public:
  MessageAnswer show(const Message& message) override;
  void log(const std::string& detail) override;  // to Qt's log (standard error by default)
};

}  // namespace zel
