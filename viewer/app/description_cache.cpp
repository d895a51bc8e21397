#include "description_cache.h"

#ifdef _WIN32
#  ifndef NOMINMAX
#    define NOMINMAX
#  endif
#  include <windows.h>
#else
#  include <sys/stat.h>
#endif

#include <filesystem>
#include <system_error>

#include "report_table.h"

namespace zel {

FileStamp stampOf(const std::string& path) {
  FileStamp stamp;
#ifdef _WIN32
  // All from the file's handle: the C library's stat behind std::filesystem
  // gives whole seconds there, and a report rewritten within the second at the
  // same size (a settings block changed in place) would look unchanged. Another
  // file moved into the name keeps neither the volume's serial number nor the
  // file's index.
  const HANDLE file = ::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return stamp;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = ::GetFileInformationByHandle(file, &info) != 0;
  ::CloseHandle(file);
  if (!known || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return stamp;
  const auto wide = [](DWORD high, DWORD low) { return (static_cast<std::uint64_t>(high) << 32) | low; };
  // 100-nanosecond steps since 1601; 11644473600 seconds before 1970.
  constexpr std::int64_t kEpochSteps = 116444736000000000LL;
  stamp.exists = true;
  stamp.size = wide(info.nFileSizeHigh, info.nFileSizeLow);
  stamp.modified =
      (static_cast<std::int64_t>(wide(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime)) -
       kEpochSteps) *
      100;
  stamp.device = info.dwVolumeSerialNumber;
  stamp.inode = wide(info.nFileIndexHigh, info.nFileIndexLow);
#else
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) return stamp;
  const auto modified = std::filesystem::last_write_time(path, ec);
  if (ec) return stamp;
  stamp.exists = true;
  stamp.size = size;
  stamp.modified = std::chrono::duration_cast<std::chrono::nanoseconds>(modified.time_since_epoch()).count();
  // Another file moved into the name keeps neither device nor inode.
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    stamp.device = static_cast<std::uint64_t>(st.st_dev);
    stamp.inode = static_cast<std::uint64_t>(st.st_ino);
  }
#endif
  return stamp;
}

DescriptionCache::DescriptionCache(Reader reader, std::size_t capacity)
    : reader_(std::move(reader)), capacity_(capacity == 0 ? 1 : capacity) {
  if (!reader_) reader_ = [](const std::string& d, const std::string& n) { return describeReport(d, n); };
}

void DescriptionCache::completePages(const std::string& directory, const std::string& fileName,
                                     const std::string& pages) {
  if (auto it = entries_.find(directory + '\n' + fileName); it != entries_.end()) {
    it->second.description.pages = pages;
    it->second.description.pagesPending = false;
  }
}

std::pair<FileStamp, FileStamp> DescriptionCache::stamps(const std::string& directory,
                                                         const std::string& fileName) const {
  const std::size_t dot = fileName.rfind('.');
  const std::string memo = (dot == std::string::npos ? fileName : fileName.substr(0, dot)) + ".fpt";
  return {stampOf(ResolvePath(directory, fileName)), stampOf(ResolvePath(directory, memo))};
}

ReportDescription DescriptionCache::describe(const std::string& directory, const std::string& fileName) {
  const std::string key = directory + '\n' + fileName;
  const auto [table, memo] = stamps(directory, fileName);
  if (auto it = entries_.find(key); it != entries_.end()) {
    if (table.exists && it->second.table == table && it->second.memo == memo) {
      ages_.splice(ages_.begin(), ages_, it->second.age);
      return it->second.description;
    }
    ages_.erase(it->second.age);
    entries_.erase(it);
  }
  ReportDescription description = reader_(directory, fileName);
  const bool aboutContent = description.kind == ReportKind::kOk || description.kind == ReportKind::kBroken;
  // Stamped before the read: a file changed meanwhile is read again next time.
  if (aboutContent && table.exists) {
    if (entries_.size() >= capacity_) {
      entries_.erase(ages_.back());
      ages_.pop_back();
    }
    ages_.push_front(key);
    entries_[key] = Entry{table, memo, description, ages_.begin()};
  }
  return description;
}

void DescriptionCache::forget(const std::string& directory, const std::string& fileName) {
  const std::string key = directory + '\n' + fileName;
  if (auto it = entries_.find(key); it != entries_.end()) {
    ages_.erase(it->second.age);
    entries_.erase(it);
  }
}

}  // namespace zel
