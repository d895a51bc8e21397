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

void showMakeDirError(MessageService& messages, const std::string& dir, int error) {
  // EEXIST here means something that is no directory holds the name.
  const std::string reason = error == EEXIST ? "같은 이름의 파일이 있습니다" : std::strerror(error);
  messages.show(
      {"오류", "디렉토리를 만들 수 없습니다.\r" + dir + ": " + reason, MessageIcon::kError, MessageButtons::kYesOnly});
}

#ifdef _WIN32
bool makeOne(const std::string& dir) { return ::_mkdir(dir.c_str()) == 0; }
#else
bool makeOne(const std::string& dir) { return ::mkdir(dir.c_str(), 0777) == 0; }
#endif

bool makeAndRecord(std::vector<std::string>& made, const std::string& dir) {
  if (!makeOne(dir)) return false;
  made.push_back(dir);
  return true;
}

#ifdef _WIN32
// Windows paths are split at either separator.
constexpr char kSeparators[] = "\\/";

// Only Windows paths have drive and share roots to recognise.
bool isSeparator(char c) { return std::strchr(kSeparators, c) != nullptr; }
#else
constexpr char kSeparators[] = {kPathSeparator, '\0'};
#endif

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

bool MakeDirPath(MessageService& messages, SetupState& state, const std::string& path) {
  // Each step is the path as given up to a separator, so that what is made,
  // recorded and reported is spelt as the user spelt it.
  std::size_t pos = 0;
#ifdef _WIN32
  // A drive ("C:\\") or a share ("\\\\server\\share\\") is the root here.
  if (path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' && isSeparator(path[2])) {
    pos = 3;
  } else if (path.size() > 2 && isSeparator(path[0]) && isSeparator(path[1])) {
    const std::size_t share = path.find_first_of(kSeparators, 2);
    const std::size_t end = share == std::string::npos ? std::string::npos : path.find_first_of(kSeparators, share + 1);
    pos = end == std::string::npos ? path.size() : end + 1;
  }
#endif
  // A leading separator names the root, which always exists.
  while (pos < path.size()) {
    const std::size_t next = path.find_first_of(kSeparators, pos);
    const std::size_t end = next == std::string::npos ? path.size() : next;
    if (end > pos) {  // a doubled separator adds no step
      const std::string built = path.substr(0, end);
      // The last step is made whatever is there; something there already is an error.
      const bool last = next == std::string::npos;
      if ((last || !directoryExists(built)) && !makeAndRecord(state.madeDirectories, built)) {
        showMakeDirError(messages, built, errno);
        return false;
      }
    }
    if (next == std::string::npos) break;
    pos = next + 1;
  }
  return true;
}

void RemoveMadeDirectories(SetupState& state) {
  std::error_code ec;
  for (auto it = state.madeDirectories.rbegin(); it != state.madeDirectories.rend(); ++it)
    std::filesystem::remove(*it, ec);  // only while empty: what else is in it stays
  state.madeDirectories.clear();
}

bool IsDriveId(const std::string& drive) {
  if (drive.empty()) return false;
  const char first = static_cast<char>(std::toupper(static_cast<unsigned char>(drive.front())));
  return (first >= 'A' && first <= 'Z') || first == kPathSeparator;
}

bool DiskInDrive(SetupPlatform& platform, const std::string& drive) {
  return IsDriveId(drive) && platform.driveReady(drive);
}

void ReportApplicationError(MessageService& messages, const std::string& text) {
  messages.show({"오류", text, MessageIcon::kError, MessageButtons::kOk});
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
