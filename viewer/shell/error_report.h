// The application's standard error report: every window handler runs through
// guarded(), which shows the text of a DataError (or any other exception) in
// an error message box (caption "오류") through zel::messages(), so a failing
// command leaves the program running.
#pragma once

#include <exception>
#include <string>

#include "message_service.h"

namespace zel {

template <typename F>
bool guarded(F&& handler) {
  try {
    handler();
    return true;
  } catch (const std::exception& e) {  // a DataError among them
    messages().error(e.what());
  }
  return false;
}

}  // namespace zel
