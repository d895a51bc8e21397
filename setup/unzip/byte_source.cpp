#include "byte_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#  include <io.h>
#else
#  include <unistd.h>
#endif

#include <cerrno>
#include <cstring>

namespace zel {

#ifdef _WIN32
// Windows: binary reads at an offset through the C runtime's 64-bit seek.
FileByteSource::FileByteSource(const std::string& path) {
  fd_ = ::_open(path.c_str(), _O_RDONLY | _O_BINARY);
  if (fd_ < 0) {
    error_ = std::strerror(errno);
    return;
  }
  struct _stat64 st {};
  if (::_fstat64(fd_, &st) != 0 || !(st.st_mode & _S_IFREG)) {
    error_ = "not a regular file";
    ::_close(fd_);
    fd_ = -1;
    return;
  }
  size_ = static_cast<std::uint64_t>(st.st_size);
}

FileByteSource::~FileByteSource() {
  if (fd_ >= 0) ::_close(fd_);
}

bool FileByteSource::read(std::uint64_t offset, std::span<std::uint8_t> out) {
  if (fd_ < 0 || offset > size_ || out.size() > size_ - offset) return false;
  if (::_lseeki64(fd_, static_cast<long long>(offset), SEEK_SET) < 0) return false;
  std::size_t done = 0;
  while (done < out.size()) {
    const int n = ::_read(fd_, out.data() + done, static_cast<unsigned>(out.size() - done));
    if (n <= 0) return false;  // the file shrank under us, or an I/O error
    done += static_cast<std::size_t>(n);
  }
  return true;
}
#else
FileByteSource::FileByteSource(const std::string& path) {
  // Non-blocking, so a FIFO in the archive's place is refused instead of waiting
  // for a writer forever; regular files read the same either way.
  fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) {
    error_ = std::strerror(errno);
    return;
  }
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    error_ = "not a regular file";
    ::close(fd_);
    fd_ = -1;
    return;
  }
  size_ = static_cast<std::uint64_t>(st.st_size);
}

FileByteSource::~FileByteSource() {
  if (fd_ >= 0) ::close(fd_);
}

bool FileByteSource::read(std::uint64_t offset, std::span<std::uint8_t> out) {
  if (fd_ < 0 || offset > size_ || out.size() > size_ - offset) return false;
  std::size_t done = 0;
  while (done < out.size()) {
    ssize_t n = ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;  // the file shrank under us, or an I/O error
    done += static_cast<std::size_t>(n);
  }
  return true;
}
#endif

bool MemoryByteSource::read(std::uint64_t offset, std::span<std::uint8_t> out) {
  long n = reads_++;
  if (failFrom_ >= 0 && n >= failFrom_) return false;
  if (offset > bytes_.size() || out.size() > bytes_.size() - offset) return false;
  if (!out.empty()) std::memcpy(out.data(), bytes_.data() + offset, out.size());
  return true;
}

}  // namespace zel
