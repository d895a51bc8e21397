// The application's standard error report: every window handler runs through
// guarded(), which shows a DataError (or any other exception) in an error
// message box (caption "오류") through the window's message service, a Korean
// line first and the technical text after it, so a failing command leaves the
// program running.
#pragma once

#include <exception>
#include <string>

#include "error_text.h"
#include "message_service.h"

namespace zel {

inline void reportError(MessageService& messages, const std::exception& e) { messages.error(errorMessageText(e)); }

template <typename F>
bool guarded(MessageService& messages, F&& handler) {
  try {
    handler();
    return true;
  } catch (const std::exception& e) {  // a DataError among them
    reportError(messages, e);
  }
  return false;
}

}  // namespace zel
