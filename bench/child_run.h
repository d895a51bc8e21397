// Runs this benchmark program again as a child process (a whole export or
// comparison in a process of its own, so its peak memory is its own) and
// measures it. POSIX; header-only, for the benchmark programs.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace zel::bench {

struct ChildRun {
  bool started = false;
  bool succeeded = false;  // exited with 0
  double seconds = 0;  // on the clock
  double cpuSeconds = 0;  // user and system time of the child
  double peakMb = 0;  // its peak resident set
};

inline std::string selfPath() { return std::filesystem::read_symlink("/proc/self/exe").string(); }

// Runs this program with args (argv[1] on); its standard output goes to
// stdoutFile when one is named.
inline ChildRun runSelf(const std::vector<std::string>& args, const std::string& stdoutFile = {}) {
  const std::string self = selfPath();
  std::vector<char*> argv{const_cast<char*>(self.c_str())};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!stdoutFile.empty())
    posix_spawn_file_actions_addopen(&actions, 1, stdoutFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ChildRun run;
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  run.started = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  if (!run.started) return run;
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.succeeded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  run.peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
  run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  return run;
}

}  // namespace zel::bench
