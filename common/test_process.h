// For tests: runs a shell command and collects what it writes to standard output.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace zel {

struct ProcessResult {
  std::string output;
  int exitCode = -1;  // -1 when the command could not be started or did not exit normally
};

inline ProcessResult RunProcess(const std::string& command) {
  ProcessResult result;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
  const int status = ::pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

// Standard output only; the exit status is not looked at.
inline std::string CommandOutput(const std::string& command) { return RunProcess(command).output; }

}  // namespace zel
