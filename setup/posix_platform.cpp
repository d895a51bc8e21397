#include "posix_platform.h"

#include <pwd.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "desktop_entry.h"

namespace zel::setup {

std::string homeDirectory() {
  const char* home = std::getenv("HOME");
  if (home && *home) return home;
  // Never the current directory: the account's home from the password database.
  if (const struct passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && *pw->pw_dir) return pw->pw_dir;
  return "/";
}

PosixPlatform::PosixPlatform(std::string windowsDirOverride) : windowsDirOverride_(std::move(windowsDirOverride)) {}

std::string PosixPlatform::windowsDirectory() {
  if (!windowsDirOverride_.empty()) return windowsDirOverride_;
  const char* env = std::getenv("ZELRPT_WINDOWS_DIR");
  if (env && *env) return env;
  return homeDirectory() + "/.local/share/ZelRpt/windows";
}

std::string PosixPlatform::defaultInstallDirectory() { return homeDirectory() + "/(주)Velmora/ZelRptViewer"; }

std::string PosixPlatform::currentDirectory() {
  std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
  return cwd ? std::string(cwd.get()) : std::string();
}

int PosixPlatform::setCurrentDirectory(const std::string& dir) {
  if (dir.empty()) return ENOENT;
  return ::chdir(dir.c_str()) == 0 ? 0 : errno;
}

std::vector<std::string> PosixPlatform::drives() { return {"/"}; }

std::string PosixPlatform::driveOf(const std::string& dir) { return !dir.empty() && dir.front() == '/' ? "/" : ""; }

bool PosixPlatform::driveReady(const std::string& drive) {
  struct statvfs info;
  return ::statvfs(drive.c_str(), &info) == 0;
}

void PosixPlatform::openUrl(const std::string&) {}

bool PosixPlatform::restartSystem() { return false; }

std::optional<std::uint64_t> PosixPlatform::freeSpace(const std::string& dir) {
  std::string probe = dir.empty() ? "." : dir;
  struct statvfs info;
  while (::statvfs(probe.c_str(), &info) != 0) {
    if (errno != ENOENT && errno != ENOTDIR) return std::nullopt;
    const auto slash = probe.find_last_of('/');
    if (slash == std::string::npos) {
      if (probe == ".") return std::nullopt;
      probe = ".";
    } else if (slash == 0) {
      if (probe == "/") return std::nullopt;
      probe = "/";
    } else {
      probe.erase(slash);
    }
  }
  return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
}

std::string PosixPlatform::userDataDirectory() { return UserDataHome(); }

std::string PosixPlatform::userProgramDirectory() { return UserBinDirectory(); }

std::string PosixPlatform::installerProgram() {
  char buf[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

}  // namespace zel::setup
