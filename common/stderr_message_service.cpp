#include "stderr_message_service.h"

#include <string>

namespace zel::cli {

MessageAnswer StderrMessageService::show(const Message& message) {
  ++shown_;
  if (message.icon == MessageIcon::kWarning || message.icon == MessageIcon::kError) ++refusals_;
  std::string text = message.text;
  for (char& c : text) {
    if (c == '\r') c = '\n';
  }
  std::fprintf(out_, "%s: %s\n", message.caption.c_str(), text.c_str());
  std::fflush(out_);
  return message.buttons == MessageButtons::kYesNo ? MessageAnswer::kYes : MessageAnswer::kOk;
}

}  // namespace zel::cli
