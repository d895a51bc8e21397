#include "temp_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <random>
#include <string>

namespace zel {

namespace fs = std::filesystem;

namespace {

std::string errnoText() { return std::strerror(errno); }

bool writeAll(int fd, const char* p, std::size_t n) {
  while (n > 0) {
    const ssize_t w = ::write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    p += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}

}  // namespace

mode_t currentUmask() {
  static std::mutex lock;
  const std::lock_guard<std::mutex> guard(lock);
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

TempFile::~TempFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!path_.empty()) ::unlink(path_.c_str());
}

Status TempFile::create(const fs::path& dir) {
  static std::mt19937_64 rng{std::random_device{}()};
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path p = dir / (".zelunzip-" + std::to_string(rng() % 1000000000000ULL) + ".tmp");
    fd_ = ::open(p.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ >= 0) {
      path_ = p;
      return Status::ok();
    }
    if (errno != EEXIST) break;
  }
  return Status::ioError("cannot create a file in \"" + dir.string() + "\": " + errnoText());
}

Status TempFile::commit(const fs::path& target, FileJournal* journal) {
  if (::fsync(fd_) != 0) return Status::ioError("cannot write \"" + target.string() + "\": " + errnoText());
  const int rc = ::close(fd_);
  fd_ = -1;
  if (rc != 0) return Status::ioError("cannot write \"" + target.string() + "\": " + errnoText());
  struct stat st {};
  if (::lstat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
    return Status::ioError("\"" + target.string() + "\" is a directory");
  if (journal) {
    if (Status s = journal->place(path_, target); !s) return s;
  } else if (::rename(path_.c_str(), target.c_str()) != 0) {
    return Status::ioError("cannot replace \"" + target.string() + "\": " + errnoText());
  }
  path_.clear();
  return Status::ok();
}

Status replaceFile(const fs::path& target, std::string_view bytes, mode_t mode, FileJournal* journal) {
  struct stat st {};
  if (::lstat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
    return Status::ioError("\"" + target.string() + "\" is a directory");
  fs::path dir = target.parent_path();
  if (dir.empty()) dir = ".";
  TempFile tmp;
  if (Status s = tmp.create(dir); !s) return s;
  if (!writeAll(tmp.fd(), bytes.data(), bytes.size()))
    return Status::ioError("cannot write \"" + target.string() + "\": " + errnoText());
  if (::fchmod(tmp.fd(), mode & ~currentUmask()) != 0)
    return Status::ioError("cannot set the permissions of \"" + target.string() + "\": " + errnoText());
  return tmp.commit(target, journal);
}

}  // namespace zel
