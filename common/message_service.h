// MessageService: every message box of the programs goes through one of these,
// so tests can answer them and nothing blocks on a modal loop.
// Texts are UTF-8 (the programs' own words); a line break inside a message is "\r".
#pragma once

#include <string>
#include <vector>

namespace zel {

enum class MessageIcon { kNone, kInformation, kWarning, kError, kQuestion };
enum class MessageButtons { kOk, kYesNo, kYesOnly };
enum class MessageAnswer { kOk, kYes, kNo, kCancel };

struct Message {
  std::string caption;
  std::string text;
  MessageIcon icon = MessageIcon::kNone;
  MessageButtons buttons = MessageButtons::kOk;
};

class MessageService {
 public:
  virtual ~MessageService() = default;
  virtual MessageAnswer show(const Message& message) = 0;
  // The technical reason behind a message just shown (English, for a log or a
  // command line's standard error); never a box of its own.
  virtual void log(const std::string& detail) { (void)detail; }

  MessageAnswer notice(const std::string& text) {  // "알림", information icon
    return show({"\xEC\x95\x8C\xEB\xA6\xBC", text, MessageIcon::kInformation, MessageButtons::kOk});
  }
  MessageAnswer warning(const std::string& text) {  // "경고", warning icon
    return show({"\xEA\xB2\xBD\xEA\xB3\xA0", text, MessageIcon::kWarning, MessageButtons::kOk});
  }
  MessageAnswer error(const std::string& text) {  // "오류", error icon
    return show({"\xEC\x98\xA4\xEB\xA5\x98", text, MessageIcon::kError, MessageButtons::kOk});
  }
};

// Records every message and answers from a script (default: Yes / OK). For tests
// and for headless runs that only need the messages printed.
class RecordingMessageService : public MessageService {
 public:
  MessageAnswer show(const Message& message) override {
    shown.push_back(message);
    if (!answers.empty()) {
      MessageAnswer a = answers.front();
      answers.erase(answers.begin());
      return a;
    }
    return message.buttons == MessageButtons::kYesNo ? MessageAnswer::kYes : MessageAnswer::kOk;
  }
  void log(const std::string& detail) override { logged.push_back(detail); }
  std::vector<Message> shown;
  std::vector<MessageAnswer> answers;
  std::vector<std::string> logged;
};

// Shows nothing and keeps nothing; answers as a user pressing Enter would (OK,
// Yes). The stand-in where a caller has no one to ask.
class SilentMessageService : public MessageService {
 public:
  MessageAnswer show(const Message& message) override {
    return message.buttons == MessageButtons::kYesNo ? MessageAnswer::kYes : MessageAnswer::kOk;
  }
};

}  // namespace zel
