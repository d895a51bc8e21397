// Threads that do work for another (a file writer, a PDF page worker) leave the
// process's signals (Ctrl+C, SIGTERM, SIGHUP) to the thread that started them,
// which checks for them at its page boundaries. Otherwise a signal may run its
// handler on a worker while the main thread reads the flag too early.
#pragma once

#ifndef _WIN32
#  include <pthread.h>
#  include <csignal>
#endif

namespace zel {

// Called first in the worker thread.
inline void leaveSignalsToTheStartingThread() {
#ifndef _WIN32
  sigset_t all;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, nullptr);
#endif
}

}  // namespace zel
