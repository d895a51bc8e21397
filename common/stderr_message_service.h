// StderrMessageService: message boxes for runs without windows. Each message
// is printed to standard error as "[prefix: ]caption: text" (a "\r" inside
// becomes a line break) and a question gets the configured answer. It counts
// what it printed so a command can tell a refusal from success.
#pragma once

#include <cstdio>
#include <string>

#include "message_service.h"

namespace zel {

class StderrMessageService : public MessageService {
 public:
  explicit StderrMessageService(std::FILE* out = stderr, MessageAnswer questionAnswer = MessageAnswer::kYes,
                                std::string prefix = "")
      : out_(out), questionAnswer_(questionAnswer), prefix_(std::move(prefix)) {}
  MessageAnswer show(const Message& message) override;
  void log(const std::string& detail) override;  // "[prefix: ]detail"

  int shownCount() const { return shown_; }
  int refusalCount() const { return refusals_; }  // warnings and errors

 private:
  std::FILE* out_;
  MessageAnswer questionAnswer_;
  std::string prefix_;
  int shown_ = 0;
  int refusals_ = 0;
};

}  // namespace zel
