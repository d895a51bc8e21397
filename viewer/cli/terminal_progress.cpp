#include "terminal_progress.h"

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>

namespace zel::cli {
namespace {

// Atomic, not only sig_atomic_t: the signal may land on a writer's thread
// while the drawing thread reads the flag.
std::atomic<int> gInterrupted{0};
static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");
constexpr int kBarWidth = 30;

constexpr int kSignalExitBase = 128;

extern "C" void onInterrupt(int signal) {
  if (gInterrupted == signal) {
    // The user insists: give up at once.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    return;
  }
  int none = 0;
  gInterrupted.compare_exchange_strong(none, signal);
}

}  // namespace

void installInterruptHandler() {
  // Termination and hang-up stop at a page boundary as Ctrl+C does, so the
  // temporary output and the report's page index are cleaned up.
  std::signal(SIGINT, onInterrupt);
  std::signal(SIGTERM, onInterrupt);
#ifdef SIGHUP
  std::signal(SIGHUP, onInterrupt);
#endif
}
bool interrupted() { return gInterrupted != 0; }
int interruptedExitCode() {
  const int signal = gInterrupted;
  return kSignalExitBase + (signal ? signal : SIGINT);
}
void setInterrupted(bool on) { gInterrupted = on ? SIGINT : 0; }

bool TerminalProgress::ShowProgress(int count, const std::string& caption) {
  showing_ = true;
  count_ = std::max(count, 1);
  done_ = 0;
  caption_ = caption;
  draw();
  return true;
}

TerminalProgress::TerminalProgress(std::FILE* out, bool drawBar) : out_(out), drawBar_(drawBar) {
  if (const char* hook = std::getenv("ZEL_STOP_AFTER_PAGES")) stopAfter_ = std::atoi(hook);
  if (const char* hook = std::getenv("ZEL_STOP_AT_CHECK")) stopAtCheck_ = std::atoi(hook);
}

bool TerminalProgress::StepProgress(int position, int page, const std::string& caption) {
  if (!showing_) return false;
  if (!caption.empty() && caption.find_first_not_of(' ') != std::string::npos) caption_ = caption;
  page_ = page;
  if (position == 1) {
    done_ = std::min(done_ + 1, count_);
  } else if (position != -1) {
    done_ = std::clamp(position, 0, count_);
  }
  draw();
#ifdef SIGSTOP
  if (stopAfter_ > 0 && position == 1 && done_ == stopAfter_) std::raise(SIGSTOP);
  if (stopAtCheck_ > 0 && position == -1 && ++checks_ == stopAtCheck_) std::raise(SIGSTOP);
#endif
  return !interrupted();
}

bool TerminalProgress::CloseProgress() {
  if (!showing_) return false;
  showing_ = false;
  if (drawBar_) {
    std::fputc('\n', out_);
    std::fflush(out_);
  }
  return true;
}

void TerminalProgress::ProcessPendingMessages() { QCoreApplication::processEvents(); }

void TerminalProgress::draw() {
  if (!drawBar_) return;
  const int filled = count_ > 0 ? done_ * kBarWidth / count_ : 0;
  std::string bar(static_cast<size_t>(filled), '#');
  bar.resize(kBarWidth, '.');
  std::fprintf(out_, "\r%s [%s] %d/%d", caption_.c_str(), bar.c_str(), done_, count_);
  std::fflush(out_);
}

}  // namespace zel::cli
