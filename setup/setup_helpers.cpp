#include "setup_helpers.h"

#include <filesystem>

#include <sys/stat.h>
#ifdef _WIN32
#  include <direct.h>
#endif

#include <cerrno>
#include <cctype>
#include <cstring>
#include <filesystem>

#include "message_service.h"
#include "setup_platform.h"
#ifndef _WIN32
#  include "posix_platform.h"
#endif
#include "setup_state.h"

namespace zel::setup {
namespace {

void showMakeDirError(const std::string& dir, int error) {
  // EEXIST here means something that is no directory holds the name.
  const std::string reason = error == EEXIST ? "같은 이름의 파일이 있습니다" : std::strerror(error);
  messages().show(
      {"오류", "디렉토리를 만들 수 없습니다.\r" + dir + ": " + reason, MessageIcon::kError, MessageButtons::kYesOnly});
}

#ifdef _WIN32
bool makeOne(const std::string& dir) { return ::_mkdir(dir.c_str()) == 0; }
#else
bool makeOne(const std::string& dir) { return ::mkdir(dir.c_str(), 0777) == 0; }
#endif

bool makeAndRecord(const std::string& dir) {
  if (!makeOne(dir)) return false;
  MadeDirectories.push_back(dir);
  return true;
}

std::string joinPath(const std::string& built, const std::string& segment) {
  if (built.empty()) return segment;
  if (built.back() == kPathSeparator) return built + segment;
  return built + kPathSeparator + segment;
}

}  // namespace

bool directoryExists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool fileExists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::string absolutePath(const std::string& path, const std::string& base) {
  std::filesystem::path p(path);
#ifndef _WIN32
  // "~" and "~/..." as a shell would read them: the home directory.
  if (path == "~" || path.rfind("~/", 0) == 0)
    p = std::filesystem::path(homeDirectory()) / path.substr(path.size() > 1 ? 2 : 1);
#endif
  if (p.is_relative()) p = std::filesystem::path(base) / p;
  std::string out = p.lexically_normal().string();
  if (out.size() > 1 && out.back() == kPathSeparator) out.pop_back();
  return out;
}

std::string nearestExistingDirectory(const std::string& path) {
  std::filesystem::path p(path);
  while (!p.empty() && !directoryExists(p.string()) && p != p.parent_path()) p = p.parent_path();
  return p.string();
}

void removeEmptyDirectoriesUpTo(const std::string& path, const std::string& stop) {
  std::error_code ec;
  for (std::filesystem::path p(path); p.string().size() > stop.size() && p != p.parent_path(); p = p.parent_path()) {
    if (!std::filesystem::remove(p, ec) || ec) return;  // not empty, or not ours to remove
  }
}

bool regularFileExists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool MakeDirPath(const std::string& path) {
  std::string built;
  std::string rest = path;
  // On this platform a leading separator names the root, which always exists.
  if (!rest.empty() && rest.front() == kPathSeparator) {
    built = std::string(1, kPathSeparator);
    rest.erase(0, rest.find_first_not_of(kPathSeparator));
  }
  for (auto pos = rest.find(kPathSeparator); pos != std::string::npos; pos = rest.find(kPathSeparator)) {
    std::string segment = rest.substr(0, pos);
    rest.erase(0, pos + 1);
    if (segment.empty()) continue;  // doubled separator: no new directory
    built = joinPath(built, segment);
    if (!directoryExists(built) && !makeAndRecord(built)) {
      showMakeDirError(built, errno);
      return false;
    }
  }
  if (!rest.empty()) {
    built = joinPath(built, rest);
    if (!makeAndRecord(built)) {
      showMakeDirError(built, errno);
      return false;
    }
  }
  return true;
}

void RemoveMadeDirectories() {
  std::error_code ec;
  for (auto it = MadeDirectories.rbegin(); it != MadeDirectories.rend(); ++it)
    std::filesystem::remove(*it, ec);  // only while empty: what else is in it stays
  MadeDirectories.clear();
}

bool IsDriveId(const std::string& drive) {
  if (drive.empty()) return false;
  const char first = static_cast<char>(std::toupper(static_cast<unsigned char>(drive.front())));
  return (first >= 'A' && first <= 'Z') || first == kPathSeparator;
}

bool DiskInDrive(const std::string& drive) { return IsDriveId(drive) && platform().driveReady(drive); }

void ReportApplicationError(const std::string& text) {
  messages().show({"오류", text, MessageIcon::kError, MessageButtons::kOk});
}

std::string ioErrorText(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR: return "File not found";
    case EINVAL:
    case ENAMETOOLONG: return "Invalid filename";
    case EACCES:
    case EPERM: return "File access denied";
    default: return "I/O error " + std::to_string(error);
  }
}

}  // namespace zel::setup
