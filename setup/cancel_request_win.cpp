// Stopping an installation on Windows. The console's events come to a control
// handler: Ctrl+C asks as SIGINT does; Ctrl+Break, closing the console window,
// logging off and shutting down ask as SIGTERM does. For the last three Windows
// ends the process once the handler returns, so the handler waits there while
// the steps take the run back (endBySignal ends the process). raise() reaches
// the C library's handlers, as on other systems.
#include <windows.h>

#include <csignal>
#include <cstdio>

#include "cancel_request.h"

namespace zel::setup {
namespace {

volatile std::sig_atomic_t caught = 0;

extern "C" void recordSignal(int signal) { caught = signal; }

BOOL WINAPI recordConsoleEvent(DWORD event) { return handleConsoleEvent(event) ? TRUE : FALSE; }

using Handler = void (*)(int);
Handler previousInt = SIG_DFL;
Handler previousTerm = SIG_DFL;

}  // namespace

ConsoleStop consoleStopFor(unsigned long event) {
  switch (event) {
    case CTRL_C_EVENT: return {SIGINT, false};
    case CTRL_BREAK_EVENT: return {SIGTERM, false};
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT: return {SIGTERM, true};
    default: return {};
  }
}

int handleConsoleEvent(unsigned long event) {
  const ConsoleStop stop = consoleStopFor(event);
  if (stop.signal == 0) return 0;
  caught = stop.signal;
  // Windows ends the process when this returns (or after its own time limit).
  if (stop.waits) Sleep(INFINITE);
  return 1;
}

SignalCatcher::SignalCatcher() {
  previousInt = std::signal(SIGINT, recordSignal);
  previousTerm = std::signal(SIGTERM, recordSignal);
  // Added after the C library's own, so it is asked first.
  SetConsoleCtrlHandler(recordConsoleEvent, TRUE);
}

SignalCatcher::~SignalCatcher() {
  SetConsoleCtrlHandler(recordConsoleEvent, FALSE);
  std::signal(SIGINT, previousInt == SIG_ERR ? SIG_DFL : previousInt);
  std::signal(SIGTERM, previousTerm == SIG_ERR ? SIG_DFL : previousTerm);
}

int caughtSignal() { return caught; }

void clearCaughtSignal() { caught = 0; }

// Windows has no signal to end by: the exit code is the one a POSIX shell
// shows for it (130 for SIGINT, 143 for SIGTERM), as the other build gives.
void endBySignal(int signal) {
  std::fflush(nullptr);
  ExitProcess(static_cast<UINT>(128 + signal));
}

}  // namespace zel::setup
