#include "output_file.h"

#ifndef _WIN32
#  include <dirent.h>
#  include <fcntl.h>
#  include <signal.h>
#  include <sys/stat.h>
#  include <sys/xattr.h>
#  include <unistd.h>
#endif

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unordered_set>

namespace zel {
namespace {

namespace fs = std::filesystem;

constexpr char kPartTag[] = ".zelrpt-";
constexpr char kPartSuffix[] = ".part";

std::string systemText(int error) {
#ifdef _WIN32
  const char* text = std::strerror(error);  // the C library's own words, whatever the system's language
#else
  const char* text = ::strerrordesc_np(error);  // the same words in every locale
#endif
  return text ? text : "error " + std::to_string(error);
}

}  // namespace

// The target a part name was made for and its process, or false when the
// name is not one of ours: ".<name>.zelrpt-<pid>.part" or "...part-<n>".
// Shared with the Windows side.
bool parsePartName(const std::string& entry, std::string& name, long& pid) {
  if (entry.size() < 2 || entry[0] != '.') return false;
  std::size_t end = entry.rfind(kPartSuffix);
  if (end == std::string::npos) return false;
  const std::string rest = entry.substr(end + std::strlen(kPartSuffix));
  if (!rest.empty()) {
    if (rest[0] != '-' || rest.size() < 2 || rest.find_first_not_of("0123456789", 1) != std::string::npos) return false;
  }
  const std::size_t tag = entry.rfind(kPartTag, end);
  if (tag == std::string::npos || tag < 2) return false;
  const std::string digits = entry.substr(tag + std::strlen(kPartTag), end - tag - std::strlen(kPartTag));
  if (digits.empty() || digits.size() > 10 || digits.find_first_not_of("0123456789") != std::string::npos) return false;
  name = entry.substr(1, tag - 1);
  pid = std::strtol(digits.c_str(), nullptr, 10);
  return true;
}

#ifndef _WIN32
namespace {

// The mark a part file carries, so that a stale one is known as ours by more
// than its name.
constexpr char kMarkerName[] = "user.zelrpt";
constexpr char kMarkerValue[] = "part";
constexpr std::size_t kCopyChunk = 1 << 16;

bool IsUtf8(const std::string& s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    const std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (std::size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2) return false;
    i += n;
  }
  return true;
}

bool startsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

// Paths that name a descriptor of this process or a device: written into,
// never replaced, whatever they link to.
bool isDevicePath(const std::string& path) { return startsWith(path, "/dev/") || startsWith(path, "/proc/"); }

bool writeAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool processGone(long pid) {
  if (pid <= 0 || pid > 0x3FFFFFFF) return false;
  return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

bool carriesMarker(const std::string& path) {
  char value[sizeof(kMarkerValue)] = {};
  const ssize_t n = ::lgetxattr(path.c_str(), kMarkerName, value, sizeof(value));
  return n == static_cast<ssize_t>(std::strlen(kMarkerValue)) && std::memcmp(value, kMarkerValue, n) == 0;
}

std::string temporaryDirectory() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp && *tmp ? tmp : "/tmp";
}

void syncDirectory(const std::string& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);  // some file systems refuse a directory's fsync; the rename is done either way
  ::close(fd);
}

}  // namespace
#endif

std::string WriteErrorReason(int error) {
  switch (error) {
    case ENOSPC: return "디스크 공간이 부족합니다.";
#ifdef EDQUOT
    case EDQUOT: return "디스크 사용 한도를 넘었습니다.";
#endif
    case EFBIG: return "파일이 너무 큽니다.";
    case EACCES:
    case EPERM: return "쓰기 권한이 없습니다.";
    case EROFS: return "읽기 전용 디스크입니다.";
    case ENOENT:
    case ENOTDIR: return "폴더가 없습니다.";
    case ENAMETOOLONG: return "파일 이름이 너무 깁니다.";
    case EISDIR: return "같은 이름의 폴더가 있습니다.";
    case EINVAL: return "일반 파일이 아닌 곳에는 저장하지 않습니다.";
    case EEXIST: return "같은 이름의 파일이 이미 있습니다.";
    case EPIPE: return "받는 쪽이 닫혔습니다.";
    case EBUSY: return "다른 프로그램이 파일을 쓰고 있습니다.";
    case EILSEQ: return "파일 이름에 쓸 수 없는 글자가 있습니다.";
    default: return "입출력 오류가 났습니다.";
  }
}

OutputError::OutputError(const std::string& path, int error, const std::string& detail)
    : ExportError("파일을 저장할 수 없습니다. " + WriteErrorReason(error) + "\r" + path + ": " + systemText(error) +
                  (detail.empty() ? "" : " (" + detail + ")")),
      path_(path), error_(error) {}

std::string PartNameOf(const std::string& name) {
  // Printable ASCII stays; every other byte (and '%') is written as %XX, so
  // the part's name is the same text to every library whatever the target's
  // bytes (a CP949 name is no UTF-8).
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    if (c > 0x20 && c < 0x7F && c != '%') {
      out += ch;
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string OutputPartName(const std::string& target, long pid) {
  // The directory keeps its spelling (and its separator) as given.
#ifdef _WIN32
  const std::size_t slash = target.find_last_of("/\\:");
#else
  const std::size_t slash = target.rfind('/');
#endif
  const std::size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
  return target.substr(0, nameAt) + "." + PartNameOf(target.substr(nameAt)) + kPartTag + std::to_string(pid) +
         kPartSuffix;
}

#ifndef _WIN32

OutputFile::OutputFile(const std::string& target) {
  std::error_code ec;
  target_ = fs::absolute(target, ec).lexically_normal().string();
  if (ec) target_ = target;
  const fs::path t(target_);
  if (t.filename().empty()) throw OutputError(target_, EISDIR);

  struct stat link {};
  bool replaceable = true;
  if (::lstat(target_.c_str(), &link) == 0) {
    struct stat st = link;
    const bool dangling = S_ISLNK(link.st_mode) && ::stat(target_.c_str(), &st) != 0;
    if (!dangling) {
      if (S_ISDIR(st.st_mode)) throw OutputError(target_, EISDIR);
      if (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode)) {
        stream_ = true;
      } else if (!S_ISREG(st.st_mode)) {
        throw OutputError(target_, EINVAL, "not a regular file");
      } else if (isDevicePath(target_)) {
        stream_ = true;  // /dev/stdout redirected to a file: that file, written through
      }
    }
    replaceable = !stream_;
  } else if (errno != ENOENT) {
    throw OutputError(target_, errno);
  } else if (isDevicePath(target_)) {
    throw OutputError(target_, ENOENT);  // nothing is created among the devices
  }

  // A stream's part waits in the temporary directory: a device's directory
  // is not ours to write in.
  const std::string partDir = replaceable ? t.parent_path().string() : temporaryDirectory();
  const std::string partTarget = (fs::path(partDir) / t.filename()).string();
  for (int attempt = 0; attempt < 2; ++attempt) {
    part_ = OutputPartName(partTarget, ::getpid());
    fd_ = ::open(part_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd_ >= 0 || errno != EEXIST || attempt > 0) break;
    // A leftover of an earlier process that had this process's id.
    struct stat old {};
    if (::lstat(part_.c_str(), &old) != 0 || !S_ISREG(old.st_mode) || !carriesMarker(part_)) break;
    ::unlink(part_.c_str());
  }
  if (fd_ < 0) {
    const int error = errno;
    part_.clear();
    throw OutputError(target_, error);
  }
  ::fsetxattr(fd_, kMarkerName, kMarkerValue, std::strlen(kMarkerValue), 0);  // best effort
  // A replaced file keeps its permissions.
  struct stat st {};
  if (replaceable && ::lstat(target_.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::fchmod(fd_, st.st_mode & 07777);
}

OutputFile::~OutputFile() {
  if (fd_ >= 0) ::close(fd_);
  if (dirFd_ >= 0) ::close(dirFd_);
  if (!done_) removeParts();
}

void OutputFile::removeParts() {
  for (const std::string& extra : extras_) ::unlink(extra.c_str());
  if (!part_.empty()) ::unlink(part_.c_str());
}

std::string OutputFile::pathForLibraries(const std::string& file) {
  const std::string dir = fs::path(file).parent_path().string();
  if (IsUtf8(dir)) return file;
  // A directory whose name is no UTF-8 is reached through a descriptor of it.
  if (dirFd_ < 0) dirFd_ = ::open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (dirFd_ < 0) return file;
  return "/proc/self/fd/" + std::to_string(dirFd_) + "/" + fs::path(file).filename().string();
}

std::string OutputFile::extraPart(int n) {
  std::string extra = part_ + "-" + std::to_string(n);
  extras_.push_back(extra);
  // Marked like the part, so that a run that dies leaves nothing the next
  // run does not clear away.
  const int fd = ::open(extra.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd >= 0) {
    ::fsetxattr(fd, kMarkerName, kMarkerValue, std::strlen(kMarkerValue), 0);
    // A writer may rename its piece over the part (one PDF worker drew every
    // page): it then carries the part's mode, the replaced file's or the umask's.
    struct stat part {};
    if (fd_ >= 0 && ::fstat(fd_, &part) == 0) ::fchmod(fd, part.st_mode & 07777);
    ::close(fd);
  }
  return extra;
}

void OutputFile::write(const void* data, std::size_t size) {
  if (fd_ < 0 || !writeAll(fd_, static_cast<const char*>(data), size)) fail(fd_ < 0 ? EBADF : errno);
}

void OutputFile::fail(int error, const std::string& detail) {
  if (error == 0) error = ProbeWriteError(part_);
  const OutputError e(target_, error, detail);
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  removeParts();
  done_ = true;
  throw e;
}

void OutputFile::commit() {
  if (done_) fail(EBADF);
  if (fd_ >= 0) {
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) fail(errno);
  }
  // The data is on the disk before the name says the file is complete. By
  // name: a writer may have put another file of ours in the part's place.
  const int synced = ::open(part_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (synced < 0) fail(errno);
  if (::fsync(synced) != 0) {
    const int error = errno;
    ::close(synced);
    fail(error);
  }
  ::close(synced);
  for (const std::string& extra : extras_) ::unlink(extra.c_str());
  extras_.clear();
  if (!stream_) {
    if (::rename(part_.c_str(), target_.c_str()) != 0) fail(errno);
    done_ = true;
    syncDirectory(fs::path(target_).parent_path().string());
    return;
  }
  // A stream gets the complete file; a regular file behind a descriptor's
  // path is written from its start.
  const int in = ::open(part_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (in < 0) fail(errno);
  struct stat st {};
  const bool regular = ::stat(target_.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  const int out = ::open(target_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | (regular ? O_TRUNC : 0));
  if (out < 0) {
    const int error = errno;
    ::close(in);
    fail(error);
  }
  std::vector<char> buffer(kCopyChunk);
  int error = 0;
  for (;;) {
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = errno;
      break;
    }
    if (n == 0) break;
    if (!writeAll(out, buffer.data(), static_cast<std::size_t>(n))) {
      error = errno;
      break;
    }
  }
  ::close(in);
  if (::close(out) != 0 && error == 0 && errno != EINVAL) error = errno;
  if (error != 0) fail(error);
  done_ = true;
  ::unlink(part_.c_str());
}

int RemoveStaleParts(const std::vector<std::string>& targets) {
  if (targets.empty()) return 0;
  std::error_code ec;
  const fs::path first = fs::absolute(targets.front(), ec);
  const std::string dir = first.parent_path().string();
  std::unordered_set<std::string> names;
  for (const std::string& t : targets) names.insert(PartNameOf(fs::path(t).filename().string()));
  DIR* d = ::opendir(dir.c_str());
  if (!d) return 0;
  std::vector<std::string> stale;
  const uid_t me = ::geteuid();
  while (const dirent* e = ::readdir(d)) {
    std::string name;
    long pid = 0;
    if (!parsePartName(e->d_name, name, pid) || !names.count(name)) continue;
    const std::string path = dir + "/" + e->d_name;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != me) continue;
    if (!processGone(pid) || !carriesMarker(path)) continue;
    stale.push_back(path);
  }
  ::closedir(d);
  int removed = 0;
  for (const std::string& path : stale)
    if (::unlink(path.c_str()) == 0) ++removed;
  return removed;
}

int ProbeWriteError(const std::string& file) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return errno == ENOENT ? EIO : errno;
  struct stat st {};
  int error = EIO;
  if (::fstat(fd, &st) == 0) {
    // Ask for a little room past the end: a full disk or the size limit
    // answers as it did to the writer.
    const int denied = ::posix_fallocate(fd, st.st_size, 1 << 16);
    if (denied != 0 && denied != EOPNOTSUPP && denied != EINVAL) error = denied;
    if (denied == 0) ::ftruncate(fd, st.st_size);
  }
  ::close(fd);
  return error;
}

#endif  // the Windows side is output_file_win.cpp

}  // namespace zel
