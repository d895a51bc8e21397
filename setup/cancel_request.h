// Stopping an installation part-way: SIGINT and SIGTERM (and, in the wizard, the
// progress window's cancel button) only ask; the steps look at the request at
// their next safe point, take back what the run placed and then end.
// Toolkit-free.
#pragma once

namespace zel::setup {

// While alive, SIGINT and SIGTERM are recorded instead of ending the process at
// once; the handlers in force before come back when it goes. One at a time.
class SignalCatcher {
 public:
  SignalCatcher();
  ~SignalCatcher();
  SignalCatcher(const SignalCatcher&) = delete;
  SignalCatcher& operator=(const SignalCatcher&) = delete;
};

// The signal recorded since the last clear (0: none).
int caughtSignal();
void clearCaughtSignal();

// Ends the process as the signal would have, its default action restored
// (the shell then sees 128 + the signal's number).
[[noreturn]] void endBySignal(int signal);

}  // namespace zel::setup
