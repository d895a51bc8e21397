// TempFile on Windows: a CRT descriptor opened binary and not inherited (a
// new name fails on anything already there, a link included), flushed with
// _commit and moved over the target with MoveFileExW. Windows files have no
// rwx bits, so the permissions are not applied.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <random>
#include <string>
#include <system_error>

#include "entry_name.h"
#include "temp_file.h"

namespace zel {

namespace fs = std::filesystem;

namespace {

std::string errnoText() { return std::strerror(errno); }

std::string lastErrorText() {
  return std::error_code(static_cast<int>(GetLastError()), std::system_category()).message();
}

bool writeAll(int fd, const char* p, std::size_t n) {
  while (n > 0) {
    const unsigned chunk = n > (1u << 30) ? (1u << 30) : static_cast<unsigned>(n);
    const int w = ::_write(fd, p, chunk);
    if (w <= 0) return false;
    p += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}

bool isDirectory(const fs::path& p) {
  std::error_code ec;
  return fs::is_directory(fs::symlink_status(p, ec));
}

}  // namespace

mode_t currentUmask() {
  static std::mutex lock;
  const std::lock_guard<std::mutex> guard(lock);
  const int mask = ::_umask(022);
  ::_umask(mask);
  return static_cast<mode_t>(mask);
}

TempFile::~TempFile() {
  if (fd_ >= 0) ::_close(fd_);
  if (!path_.empty()) DeleteFileW(path_.c_str());
}

Status TempFile::create(const fs::path& dir) {
  static std::mt19937_64 rng{std::random_device{}()};
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path p = dir / (".zelunzip-" + std::to_string(rng() % 1000000000000ULL) + ".tmp");
    fd_ = ::_wopen(p.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
    if (fd_ >= 0) {
      path_ = p;
      return Status::ok();
    }
    if (errno != EEXIST) break;
  }
  return Status::ioError("cannot create a file in \"" + pathText(dir) + "\": " + errnoText());
}

Status TempFile::commit(const fs::path& target, FileJournal* journal) {
  if (::_commit(fd_) != 0) return Status::ioError("cannot write \"" + pathText(target) + "\": " + errnoText());
  const int rc = ::_close(fd_);
  fd_ = -1;
  if (rc != 0) return Status::ioError("cannot write \"" + pathText(target) + "\": " + errnoText());
  if (isDirectory(target)) return Status::ioError("\"" + pathText(target) + "\" is a directory");
  if (journal) {
    if (Status s = journal->place(path_, target); !s) return s;
  } else if (!MoveFileExW(path_.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return Status::ioError("cannot replace \"" + pathText(target) + "\": " + lastErrorText());
  }
  path_.clear();
  return Status::ok();
}

Status replaceFile(const fs::path& target, std::string_view bytes, mode_t /*mode*/, FileJournal* journal) {
  if (isDirectory(target)) return Status::ioError("\"" + pathText(target) + "\" is a directory");
  fs::path dir = target.parent_path();
  if (dir.empty()) dir = ".";
  TempFile tmp;
  if (Status s = tmp.create(dir); !s) return s;
  if (!writeAll(tmp.fd(), bytes.data(), bytes.size()))
    return Status::ioError("cannot write \"" + pathText(target) + "\": " + errnoText());
  return tmp.commit(target, journal);
}

}  // namespace zel
