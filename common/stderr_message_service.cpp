#include "stderr_message_service.h"

#include "utf8_text.h"

namespace zel {

MessageAnswer StderrMessageService::show(const Message& message) {
  ++shown_;
  if (message.icon == MessageIcon::kWarning || message.icon == MessageIcon::kError) ++refusals_;
  std::string text = ValidUtf8(message.text);
  for (char& c : text) {
    if (c == '\r') c = '\n';
  }
  if (!prefix_.empty()) std::fprintf(out_, "%s: ", prefix_.c_str());
  if (!message.caption.empty() && message.caption != prefix_) std::fprintf(out_, "%s: ", message.caption.c_str());
  std::fprintf(out_, "%s\n", text.c_str());
  std::fflush(out_);
  switch (message.buttons) {
    case MessageButtons::kOk: return MessageAnswer::kOk;
    case MessageButtons::kYesOnly: return MessageAnswer::kYes;
    case MessageButtons::kYesNo: return questionAnswer_;
  }
  return MessageAnswer::kOk;
}

void StderrMessageService::log(const std::string& detail) {
  if (detail.empty()) return;
  if (!prefix_.empty()) std::fprintf(out_, "%s: ", prefix_.c_str());
  std::fprintf(out_, "%s\n", ValidUtf8(detail).c_str());
  std::fflush(out_);
}

}  // namespace zel
