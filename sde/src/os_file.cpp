#include "os_file.h"

#include "file_faults.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <chrono>
#include <cstring>
#include <thread>

#include "ascii_text.h"

#ifdef _WIN32
#  include <windows.h>
#else
#  include <dirent.h>
#  include <fcntl.h>
#  include <sys/stat.h>
#  include <unistd.h>
#endif

namespace sde {

namespace {
std::string errnoText() { return std::strerror(errno); }
constexpr int kLockRetryMs = 20;
}  // namespace

OsFile::~OsFile() { close(); }

OsFile::OsFile(OsFile&& other) noexcept { *this = std::move(other); }

OsFile& OsFile::operator=(OsFile&& other) noexcept {
  if (this != &other) {
    close();
#ifdef _WIN32
    handle_ = other.handle_;
    other.handle_ = nullptr;
#else
    fd_ = other.fd_;
    other.fd_ = -1;
#endif
    path_ = std::move(other.path_);
  }
  return *this;
}

#ifdef _WIN32

zel::Status OsFile::open(const std::string& path, Mode mode) {
  close();
  DWORD access = mode == Mode::kRead ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
  DWORD disp = mode == Mode::kCreate ? CREATE_ALWAYS : OPEN_EXISTING;
  HANDLE h = CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disp, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    // The errno the same failure gives elsewhere, so callers need no second vocabulary.
    const DWORD error = GetLastError();
    const int sysError = error == ERROR_ACCESS_DENIED                                     ? EACCES
                         : error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ENOENT
                         : error == ERROR_SHARING_VIOLATION                               ? EBUSY
                                                                                          : EIO;
    return zel::Status::ioError("cannot open " + path, sysError);
  }
  handle_ = h;
  path_ = path;
  return zel::Status::ok();
}

void OsFile::close() {
  if (handle_) CloseHandle(handle_);
  handle_ = nullptr;
}

bool OsFile::isOpen() const { return handle_ != nullptr; }

size_t OsFile::readSome(uint64_t offset, void* buf, size_t n) const {
  OVERLAPPED ov{};
  ov.Offset = DWORD(offset);
  ov.OffsetHigh = DWORD(offset >> 32);
  DWORD got = 0;
  if (!ReadFile(handle_, buf, DWORD(n), &got, &ov)) return 0;
  return got;
}

zel::Status OsFile::writeAt(uint64_t offset, const void* buf, size_t n) {
  if (injectedFailure(FileOperation::kWrite))
    return zel::Status::ioError("write failed in " + path_ + " at offset " + std::to_string(offset) + ": injected");
  OVERLAPPED ov{};
  ov.Offset = DWORD(offset);
  ov.OffsetHigh = DWORD(offset >> 32);
  DWORD put = 0;
  if (!WriteFile(handle_, buf, DWORD(n), &put, &ov) || put != n)
    return zel::Status::ioError("write failed in " + path_ + " at offset " + std::to_string(offset));
  return zel::Status::ok();
}

zel::Status OsFile::sync() {
  if (injectedFailure(FileOperation::kSync)) return zel::Status::ioError("flush failed for " + path_ + ": injected");
  if (!FlushFileBuffers(handle_)) return zel::Status::ioError("flush failed for " + path_);
  return zel::Status::ok();
}

zel::Status OsFile::truncate(uint64_t size) {
  LARGE_INTEGER li;
  li.QuadPart = LONGLONG(size);
  if (!SetFilePointerEx(handle_, li, nullptr, FILE_BEGIN) || !SetEndOfFile(handle_))
    return zel::Status::ioError("cannot set the size of " + path_);
  return zel::Status::ok();
}

uint64_t OsFile::size() const {
  LARGE_INTEGER li;
  return GetFileSizeEx(handle_, &li) ? uint64_t(li.QuadPart) : 0;
}

int64_t OsFile::mtimeNs() const {
  FILETIME ft;
  if (!GetFileTime(handle_, nullptr, nullptr, &ft)) return 0;
  return (int64_t(ft.dwHighDateTime) << 32 | ft.dwLowDateTime) * 100;
}

zel::Status OsFile::lock(uint64_t offset, uint64_t length, bool write, int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    OVERLAPPED ov{};
    ov.Offset = DWORD(offset);
    ov.OffsetHigh = DWORD(offset >> 32);
    DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (write ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    if (LockFileEx(handle_, flags, 0, DWORD(length), DWORD(length >> 32), &ov)) return zel::Status::ok();
    if (std::chrono::steady_clock::now() >= deadline) return zel::Status::busy(path_ + " is locked by another user");
    std::this_thread::sleep_for(std::chrono::milliseconds(kLockRetryMs));
  }
}

void OsFile::unlock(uint64_t offset, uint64_t length) {
  OVERLAPPED ov{};
  ov.Offset = DWORD(offset);
  ov.OffsetHigh = DWORD(offset >> 32);
  UnlockFileEx(handle_, 0, DWORD(length), DWORD(length >> 32), &ov);
}

#else

zel::Status OsFile::open(const std::string& path, Mode mode) {
  close();
  int flags = O_CLOEXEC;
  if (mode == Mode::kRead) flags |= O_RDONLY;
  if (mode == Mode::kReadWrite) flags |= O_RDWR;
  if (mode == Mode::kCreate) flags |= O_RDWR | O_CREAT | O_TRUNC;
  int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0) {
    const int error = errno;
    return zel::Status::ioError("cannot open " + path + ": " + errnoText(), error);
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return zel::Status::ioError("not a regular file: " + path);
  }
  fd_ = fd;
  path_ = path;
  return zel::Status::ok();
}

void OsFile::close() {
  if (fd_ >= 0) ::close(fd_);  // drops this open's locks only (open-file-description locks)
  fd_ = -1;
}

bool OsFile::isOpen() const { return fd_ >= 0; }

size_t OsFile::readSome(uint64_t offset, void* buf, size_t n) const {
  size_t done = 0;
  while (done < n) {
    ssize_t r = ::pread(fd_, static_cast<char*>(buf) + done, n - done, off_t(offset + done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    done += size_t(r);
  }
  return done;
}

zel::Status OsFile::writeAt(uint64_t offset, const void* buf, size_t n) {
  if (injectedFailure(FileOperation::kWrite))
    return zel::Status::ioError("write failed in " + path_ + " at offset " + std::to_string(offset) + ": injected");
  size_t done = 0;
  while (done < n) {
    ssize_t r = ::pwrite(fd_, static_cast<const char*>(buf) + done, n - done, off_t(offset + done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) {
      const int error = r < 0 ? errno : ENOSPC;  // a write of nothing: the disk is full
      return zel::Status::ioError(
          "write failed in " + path_ + " at offset " + std::to_string(offset + done) + ": " + std::strerror(error),
          error);
    }
    done += size_t(r);
  }
  return zel::Status::ok();
}

zel::Status OsFile::sync() {
  if (injectedFailure(FileOperation::kSync)) return zel::Status::ioError("flush failed for " + path_ + ": injected");
  if (::fsync(fd_) != 0) {
    const int error = errno;
    return zel::Status::ioError("flush failed for " + path_ + ": " + errnoText(), error);
  }
  return zel::Status::ok();
}

zel::Status OsFile::truncate(uint64_t size) {
  if (::ftruncate(fd_, off_t(size)) != 0) return zel::Status::ioError("cannot set the size of " + path_);
  return zel::Status::ok();
}

uint64_t OsFile::size() const {
  struct stat st;
  return fstat(fd_, &st) == 0 ? uint64_t(st.st_size) : 0;
}

int64_t OsFile::mtimeNs() const {
  struct stat st;
  if (fstat(fd_, &st) != 0) return 0;
  return int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

zel::Status OsFile::lock(uint64_t offset, uint64_t length, bool write, int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    struct flock fl {};
    fl.l_type = write ? F_WRLCK : F_RDLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = off_t(offset);
    fl.l_len = off_t(length);
    if (fcntl(fd_, F_OFD_SETLK, &fl) == 0) return zel::Status::ok();
    if (errno == ENOLCK || errno == EINVAL || errno == EOPNOTSUPP)
      return zel::Status::unsupported("byte-range locks not supported for " + path_ + ": " + errnoText());
    if (errno != EAGAIN && errno != EACCES && errno != EINTR) {
      const int error = errno;
      return zel::Status::ioError("cannot lock " + path_ + ": " + errnoText(), error);
    }
    if (std::chrono::steady_clock::now() >= deadline) return zel::Status::busy(path_ + " is locked by another user");
    std::this_thread::sleep_for(std::chrono::milliseconds(kLockRetryMs));
  }
}

void OsFile::unlock(uint64_t offset, uint64_t length) {
  struct flock fl {};
  fl.l_type = F_UNLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = off_t(offset);
  fl.l_len = off_t(length);
  fcntl(fd_, F_OFD_SETLK, &fl);
}

#endif

zel::Status OsFile::readAt(uint64_t offset, void* buf, size_t n) const {
  if (readSome(offset, buf, n) != n)
    return zel::Status::corruption("unexpected end of " + path_ + " at offset " + std::to_string(offset));
  return zel::Status::ok();
}

bool equalNoCase(std::string_view a, std::string_view b) {
  auto up = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return up(x) == up(y); });
}

std::string findFileNoCase(const std::string& dir, const std::string& name) {
  std::string d = dir.empty() ? "." : dir;
  std::string exact = d + "/" + name;
  if (fileExists(exact)) return dir.empty() ? name : exact;
#ifndef _WIN32
  DIR* dp = opendir(d.c_str());
  if (!dp) return {};
  std::string found;
  while (dirent* e = readdir(dp)) {
    if (equalNoCase(e->d_name, name)) {
      found = dir.empty() ? std::string(e->d_name) : d + "/" + e->d_name;
      break;
    }
  }
  closedir(dp);
  return found;
#else
  return {};
#endif
}

bool fileExists(const std::string& path) {
#ifdef _WIN32
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
#else
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
#endif
}

bool replaceFile(const std::string& from, const std::string& to) {
#ifdef _WIN32
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
  return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

std::string dirName(const std::string& path) {
  size_t p = path.find_last_of("/\\");
  return p == std::string::npos ? std::string() : path.substr(0, p);
}

std::string baseName(const std::string& path) {
  size_t p = path.find_last_of("/\\");
  return p == std::string::npos ? path : path.substr(p + 1);
}

std::string stripExtension(const std::string& name) {
  size_t slash = name.find_last_of("/\\");
  size_t dot = name.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return name;
  return name.substr(0, dot);
}

std::string extensionOf(const std::string& name) {
  std::string stem = stripExtension(name);
  return name.substr(stem.size());
}

std::string extensionLike(const std::string& path, const std::string& ext) {
  std::string own = extensionOf(path);
  return own.size() > 1 && own[1] >= 'A' && own[1] <= 'Z' ? zel::asciiUpper(ext) : ext;
}

}  // namespace sde
