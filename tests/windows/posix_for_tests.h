// The few POSIX calls the test programs use for scratch directories and
// environment variables, on Windows. Forced into every test source of the
// Windows build (cmake/ZelWindowsTesting.cmake); tests only.
#pragma once

#ifdef _WIN32
#  include <direct.h>
#  include <process.h>
#  include <stdlib.h>
#  include <string.h>

#  ifdef __cplusplus
#    include <random>

// Replaces the trailing XXXXXX and creates the directory; nullptr when no name was free.
inline char* mkdtemp(char* pattern) {
  const size_t n = strlen(pattern);
  if (n < 6 || strcmp(pattern + n - 6, "XXXXXX") != 0) return nullptr;
  static std::mt19937 rng{std::random_device{}() ^ static_cast<unsigned>(_getpid())};
  const char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    for (size_t i = n - 6; i < n; ++i) pattern[i] = digits[rng() % (sizeof digits - 1)];
    if (_mkdir(pattern) == 0) return pattern;
  }
  return nullptr;
}

inline int setenv(const char* name, const char* value, int overwrite) {
  if (!overwrite && getenv(name)) return 0;
  return _putenv_s(name, value);
}
inline int unsetenv(const char* name) { return _putenv_s(name, ""); }

// POSIX permission bits do not bind on Windows, as they do not bind root:
// tests that rely on them skip themselves for root.
inline unsigned geteuid() { return 0; }
#  endif
#endif
