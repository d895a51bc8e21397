// StderrMessageService: the command line's message boxes. Each message is
// printed to standard error as "caption: text" (a "\r" inside becomes a line
// break) and answered as a user who accepts would: OK, or Yes to a question.
// It counts what it printed so the command can tell a refusal from success.
#pragma once

#include <cstdio>

#include "message_service.h"

namespace zel::cli {

class StderrMessageService : public MessageService {
 public:
  explicit StderrMessageService(std::FILE* out = stderr) : out_(out) {}
  MessageAnswer show(const Message& message) override;

  int shownCount() const { return shown_; }
  int refusalCount() const { return refusals_; }  // warnings and errors

 private:
  std::FILE* out_;
  int shown_ = 0;
  int refusals_ = 0;
};

}  // namespace zel::cli
