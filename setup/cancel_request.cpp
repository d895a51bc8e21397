#include "cancel_request.h"

#include <csignal>
#include <cstdlib>

namespace zel::setup {
namespace {

volatile std::sig_atomic_t caught = 0;

extern "C" void recordSignal(int signal) { caught = signal; }

using Handler = void (*)(int);
Handler previousInt = SIG_DFL;
Handler previousTerm = SIG_DFL;

}  // namespace

SignalCatcher::SignalCatcher() {
  previousInt = std::signal(SIGINT, recordSignal);
  previousTerm = std::signal(SIGTERM, recordSignal);
}

SignalCatcher::~SignalCatcher() {
  std::signal(SIGINT, previousInt == SIG_ERR ? SIG_DFL : previousInt);
  std::signal(SIGTERM, previousTerm == SIG_ERR ? SIG_DFL : previousTerm);
}

int caughtSignal() { return caught; }

void clearCaughtSignal() { caught = 0; }

void endBySignal(int signal) {
  std::signal(signal, SIG_DFL);
  std::raise(signal);
  std::_Exit(128 + signal);  // where raising did not end the process
}

}  // namespace zel::setup
