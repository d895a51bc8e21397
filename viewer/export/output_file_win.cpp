// OutputFile on Windows: the part is a new file (CREATE_NEW: nothing that is
// already there, a link included, is opened), written through a CRT
// descriptor in binary mode, flushed with FlushFileBuffers and moved over the
// target with MoveFileExW (REPLACE_EXISTING | WRITE_THROUGH). Names are UTF-8
// and reach Windows as UTF-16. A part is known by its name alone (and its
// process being gone): an alternate data stream as its mark is refused on
// FAT and becomes a file of its own under Wine. Devices (NUL, CON, COM1, \\.\...) are
// written as streams and never replaced. Windows files have no rwx bits, so
// no mode is carried.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "output_file.h"

namespace zel {

bool parsePartName(const std::string& entry, std::string& name, long& pid);
std::string PartNameOf(const std::string& name);

namespace {

constexpr std::size_t kCopyChunk = 1 << 16;

std::wstring wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string narrow(const std::wstring& w) {
  if (w.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr, nullptr);
  return out;
}

// The C library's error number for a Windows error, so that the user's words
// are the same as on other systems.
int errnoOf(DWORD error) {
  switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_FILE_TOO_LARGE: return EFBIG;
    case ERROR_ACCESS_DENIED:
    case ERROR_PRIVILEGE_NOT_HELD: return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE: return EBUSY;
    case ERROR_WRITE_PROTECT: return EROFS;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_DIRECTORY: return ENOENT;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME: return EILSEQ;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA: return EPIPE;
    default: return EIO;
  }
}

int lastErrno() { return errnoOf(GetLastError()); }

std::string fileNameOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\:");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string directoryOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash == 2 && path[1] == ':' ? 3 : slash);
}

bool iequals(const std::string& a, const char* b) { return _stricmp(a.c_str(), b) == 0; }

// The names Windows keeps for its devices in every directory (NUL, CON,
// COM1, ...; "nul.txt" too), and paths in the device namespace (\\.\pipe\x).
bool isDevicePath(const std::string& path) {
  if (path.rfind("\\\\.\\", 0) == 0 || path.rfind("//./", 0) == 0) return true;
  std::string base = fileNameOf(path);
  base = base.substr(0, base.find('.'));
  while (!base.empty() && (base.back() == ' ')) base.pop_back();
  for (const char* device : {"NUL", "CON", "PRN", "AUX", "CONIN$", "CONOUT$"})
    if (iequals(base, device)) return true;
  if (base.size() == 4 && (_strnicmp(base.c_str(), "COM", 3) == 0 || _strnicmp(base.c_str(), "LPT", 3) == 0) &&
      base[3] >= '1' && base[3] <= '9')
    return true;
  return false;
}

std::string fullPath(const std::string& path) {
  const std::wstring w = wide(path);
  const DWORD n = GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::wstring out(n, L'\0');
  const DWORD got = GetFullPathNameW(w.c_str(), n, out.data(), nullptr);
  if (got == 0 || got >= n) return path;
  out.resize(got);
  return narrow(out);
}

std::string temporaryDirectory() {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
  if (n == 0 || n > MAX_PATH) return ".";
  std::wstring dir(buffer, n);
  while (dir.size() > 3 && (dir.back() == L'\\' || dir.back() == L'/')) dir.pop_back();
  return narrow(dir);
}

bool writeAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const unsigned chunk = size > (1u << 30) ? (1u << 30) : static_cast<unsigned>(size);
    const int n = ::_write(fd, data, chunk);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Opens path for writing in binary mode as a CRT descriptor, or -1 with errno set.
int openForWrite(const std::string& path, DWORD disposition, DWORD flags = FILE_ATTRIBUTE_NORMAL) {
  // Others may open the part too: the writers write it by its name.
  const HANDLE h =
      CreateFileW(wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  disposition, flags, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    errno = lastErrno();
    return -1;
  }
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(h);
    errno = EMFILE;
  }
  return fd;
}

// A plain file: no directory, no link or other reparse point.
bool isPlainFile(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) == 0;
}

bool processGone(long pid) {
  if (pid <= 0 || pid > 0x3FFFFFFF) return false;
  const HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
  if (!h) return GetLastError() == ERROR_INVALID_PARAMETER;  // no such process (denied: it runs)
  DWORD code = 0;
  const bool ended = GetExitCodeProcess(h, &code) && code != STILL_ACTIVE;
  CloseHandle(h);
  return ended;
}

bool flushByName(const std::string& path, int* error) {
  const HANDLE h =
      CreateFileW(wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    *error = lastErrno();
    return false;
  }
  const bool flushed = FlushFileBuffers(h) != 0;
  if (!flushed) *error = lastErrno();
  CloseHandle(h);
  return flushed;
}

}  // namespace

OutputFile::OutputFile(const std::string& target) {
  target_ = fullPath(target);
  if (fileNameOf(target_).empty()) throw OutputError(target_, EISDIR);

  bool replaceable = true;
  if (isDevicePath(target_)) {
    stream_ = true;
    replaceable = false;
  } else {
    const DWORD attributes = GetFileAttributesW(wide(target_).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      const DWORD error = GetLastError();
      // A new name; a missing folder is reported when the part is made.
      if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) throw OutputError(target_, errnoOf(error));
    } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      throw OutputError(target_, EISDIR);
    }
  }

  // A stream's part waits in the temporary directory.
  const std::string partDir = replaceable ? directoryOf(target_) : temporaryDirectory();
  const bool rooted = !partDir.empty() && (partDir.back() == '\\' || partDir.back() == '/');
  const std::string partTarget = partDir + (rooted ? "" : "\\") + fileNameOf(target_);
  for (int attempt = 0; attempt < 2; ++attempt) {
    part_ = OutputPartName(partTarget, static_cast<long>(GetCurrentProcessId()));
    fd_ = openForWrite(part_, CREATE_NEW);
    if (fd_ >= 0 || errno != EEXIST || attempt > 0) break;
    // A leftover of an earlier process that had this process's id.
    if (!isPlainFile(GetFileAttributesW(wide(part_).c_str()))) break;
    DeleteFileW(wide(part_).c_str());
  }
  if (fd_ < 0) {
    const int error = errno;
    part_.clear();
    throw OutputError(target_, error);
  }
}

OutputFile::~OutputFile() {
  if (fd_ >= 0) ::_close(fd_);
  if (!done_) removeParts();
}

void OutputFile::removeParts() {
  for (const std::string& extra : extras_) DeleteFileW(wide(extra).c_str());
  if (!part_.empty()) DeleteFileW(wide(part_).c_str());
}

// The programs take UTF-8 for their ANSI code page (their manifest), so
// every library opens a UTF-8 name as it is.
std::string OutputFile::pathForLibraries(const std::string& file) { return file; }

std::string OutputFile::extraPart(int n) {
  std::string extra = part_ + "-" + std::to_string(n);
  extras_.push_back(extra);
  const int fd = openForWrite(extra, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT);
  if (fd >= 0) ::_close(fd);
  return extra;
}

void OutputFile::write(const void* data, std::size_t size) {
  if (fd_ < 0 || !writeAll(fd_, static_cast<const char*>(data), size)) fail(fd_ < 0 ? EBADF : errno);
}

void OutputFile::fail(int error, const std::string& detail) {
  if (error == 0) error = ProbeWriteError(part_);
  const OutputError e(target_, error, detail);
  if (fd_ >= 0) ::_close(fd_);
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
    if (::_close(fd) != 0) fail(errno);
  }
  // The data is on the disk before the name says the file is complete. By
  // name: a writer may have put another file of ours in the part's place.
  int error = 0;
  if (!flushByName(part_, &error)) fail(error);
  for (const std::string& extra : extras_) DeleteFileW(wide(extra).c_str());
  extras_.clear();
  if (!stream_) {
    if (!MoveFileExW(wide(part_).c_str(), wide(target_).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      fail(lastErrno());
    done_ = true;
    return;
  }
  // A device gets the complete file.
  const HANDLE in = CreateFileW(wide(part_).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (in == INVALID_HANDLE_VALUE) fail(lastErrno());
  const HANDLE out = CreateFileW(wide(target_).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) {
    error = lastErrno();
    CloseHandle(in);
    fail(error);
  }
  std::vector<char> buffer(kCopyChunk);
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(in, buffer.data(), static_cast<DWORD>(buffer.size()), &n, nullptr)) {
      error = lastErrno();
      break;
    }
    if (n == 0) break;
    DWORD done = 0;
    while (done < n) {
      DWORD w = 0;
      if (!WriteFile(out, buffer.data() + done, n - done, &w, nullptr) || w == 0) {
        error = w == 0 && GetLastError() == ERROR_SUCCESS ? EIO : lastErrno();
        break;
      }
      done += w;
    }
    if (error != 0) break;
  }
  CloseHandle(in);
  CloseHandle(out);
  if (error != 0) fail(error);
  done_ = true;
  DeleteFileW(wide(part_).c_str());
}

int RemoveStaleParts(const std::vector<std::string>& targets) {
  if (targets.empty()) return 0;
  const std::string dir = directoryOf(fullPath(targets.front()));
  std::unordered_set<std::string> names;
  for (const std::string& t : targets) names.insert(PartNameOf(fileNameOf(t)));
  WIN32_FIND_DATAW found;
  const HANDLE find = FindFirstFileW(wide(dir + (dir.back() == '\\' ? "*" : "\\*")).c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return 0;
  std::vector<std::string> stale;
  do {
    const std::string entry = narrow(found.cFileName);
    std::string name;
    long pid = 0;
    if (!parsePartName(entry, name, pid) || !names.count(name)) continue;
    if (!isPlainFile(found.dwFileAttributes)) continue;
    const std::string path = dir + (dir.back() == '\\' ? "" : "\\") + entry;
    if (!processGone(pid)) continue;
    stale.push_back(path);
  } while (FindNextFileW(find, &found));
  FindClose(find);
  int removed = 0;
  for (const std::string& path : stale)
    if (DeleteFileW(wide(path).c_str())) ++removed;
  return removed;
}

int ProbeWriteError(const std::string& file) {
  // Too little room for another block of the writer's answers as a full disk.
  ULARGE_INTEGER free{};
  if (GetDiskFreeSpaceExW(wide(directoryOf(fullPath(file))).c_str(), &free, nullptr, nullptr) &&
      free.QuadPart < (1u << 16))
    return ENOSPC;
  return EIO;
}

}  // namespace zel
