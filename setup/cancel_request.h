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

#ifdef _WIN32
// What a console event (CTRL_C_EVENT ... CTRL_SHUTDOWN_EVENT) asks: the signal
// it counts as (0: not a stop request), and whether Windows ends the process
// as soon as the handler returns, so the handler must wait for the run to be
// taken back.
struct ConsoleStop {
  int signal = 0;
  bool waits = false;
};
ConsoleStop consoleStopFor(unsigned long event);

// The console control handler a SignalCatcher installs: records the stop and,
// for the events that end the process on return, never returns. Nonzero when
// the event was taken.
int handleConsoleEvent(unsigned long event);
#endif

// Ends the process as the signal would have, its default action restored
// (the shell then sees 128 + the signal's number).
[[noreturn]] void endBySignal(int signal);

}  // namespace zel::setup
