#include "windows_platform.h"

#include <windows.h>
#include <shellapi.h>

#include <cerrno>
#include <cctype>

namespace zel::setup {

namespace {

// "C:" for "C:\..." or "c:/...", "" for anything else.
std::string driveLetterOf(const std::string& dir) {
  if (dir.size() >= 2 && std::isalpha(static_cast<unsigned char>(dir[0])) && dir[1] == ':')
    return std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(dir[0])))) + ":";
  return {};
}

// The restart needs the shutdown privilege in the caller's token.
void enableShutdownPrivilege() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return;
  TOKEN_PRIVILEGES tp{};
  tp.PrivilegeCount = 1;
  tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &tp.Privileges[0].Luid))
    AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr);
  CloseHandle(token);
}

}  // namespace

int errnoFromWindowsError(unsigned long error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DIRECTORY: return ENOENT;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE: return EINVAL;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: return EACCES;
    default: return static_cast<int>(error);
  }
}

WindowsPlatform::WindowsPlatform(std::string windowsDirOverride) : windowsDirOverride_(std::move(windowsDirOverride)) {}

std::string WindowsPlatform::windowsDirectory() {
  if (!windowsDirOverride_.empty()) return windowsDirOverride_;
  // Asked for its length first: a long Windows directory is kept whole.
  const UINT n = GetWindowsDirectoryA(nullptr, 0);
  if (n == 0) return {};
  std::string dir(n, '\0');
  const UINT got = GetWindowsDirectoryA(dir.data(), n);
  dir.resize(got < n ? got : 0);
  return dir;
}

std::string WindowsPlatform::defaultInstallDirectory() {
  // The company part in code page 949, the system's ANSI code page on Korean Windows.
  return "C:\\(\xC1\xD6)Velmora\\ZelRptViewer";
}

std::string WindowsPlatform::currentDirectory() {
  const DWORD n = GetCurrentDirectoryA(0, nullptr);
  if (n == 0) return {};
  std::string dir(n, '\0');
  const DWORD got = GetCurrentDirectoryA(n, dir.data());
  dir.resize(got < n ? got : 0);
  return dir;
}

int WindowsPlatform::setCurrentDirectory(const std::string& dir) {
  if (dir.empty()) return ENOENT;
  return SetCurrentDirectoryA(dir.c_str()) ? 0 : errnoFromWindowsError(GetLastError());
}

std::vector<std::string> WindowsPlatform::drives() {
  std::vector<std::string> list;
  const DWORD mask = GetLogicalDrives();
  for (int i = 0; i < 26; ++i)
    if (mask & (1u << i)) list.push_back(std::string(1, static_cast<char>('A' + i)) + ":");
  // The current directory's drive comes first when it lies on none of them.
  if (list.empty()) list.push_back("C:");
  return list;
}

std::string WindowsPlatform::driveOf(const std::string& dir) { return driveLetterOf(dir); }

bool WindowsPlatform::driveReady(const std::string& drive) {
  const std::string letter = driveLetterOf(drive);
  if (letter.empty()) return false;
  // An empty floppy or CD drive must answer "not ready", not raise the system's dialog.
  const UINT old = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  ULARGE_INTEGER freeBytes;
  const bool ready = GetDiskFreeSpaceExA((letter + "\\").c_str(), &freeBytes, nullptr, nullptr) != 0;
  SetErrorMode(old);
  return ready;
}

void WindowsPlatform::openUrl(const std::string& url) {
  ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

bool WindowsPlatform::restartSystem() {
  enableShutdownPrivilege();
  return ExitWindowsEx(EWX_REBOOT, SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_FLAG_PLANNED) != 0;
}

// The wizard asks for the restart here, not to start the viewer; the shell's
// "open" is what starting a program from a script would use.
bool WindowsPlatform::startProgram(const std::string& program, const std::string& workingDir) {
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteA(nullptr, "open", program.c_str(), nullptr, workingDir.c_str(), SW_SHOWNORMAL));
  return result > 32;
}

std::optional<std::uint64_t> WindowsPlatform::freeSpace(const std::string& dir) {
  // A missing directory counts on its nearest existing parent.
  std::string probe = dir.empty() ? "." : dir;
  const UINT old = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  ULARGE_INTEGER freeBytes;
  bool known = false;
  for (;;) {
    if (GetDiskFreeSpaceExA(probe.c_str(), &freeBytes, nullptr, nullptr)) {
      known = true;
      break;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND && error != ERROR_DIRECTORY) break;
    while (!probe.empty() && (probe.back() == '/' || probe.back() == '\\')) probe.pop_back();
    const auto slash = probe.find_last_of("/\\");
    if (slash == std::string::npos) {
      if (probe == "." || !driveLetterOf(probe).empty()) break;
      probe = ".";
    } else {
      probe.erase(slash + 1);  // "C:\\" stays a root, "a\\b\\" is tried as "a\\b"
    }
  }
  SetErrorMode(old);
  if (!known) return std::nullopt;
  return static_cast<std::uint64_t>(freeBytes.QuadPart);
}

}  // namespace zel::setup
