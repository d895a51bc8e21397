#include "zip_extractor.h"

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#  include <io.h>
#else
#  include <unistd.h>
#endif

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "byte_source.h"
#include "entry_data.h"
#include "entry_name.h"
#include "entry_path.h"
#include "file_mask.h"
#include "temp_file.h"
#include "zip_directory.h"
#ifdef _WIN32
// Last: its macros would rename names declared above.
#  include <windows.h>
#endif

namespace zel {

namespace fs = std::filesystem;

namespace {

constexpr std::uint8_t kHostUnix = 3;

#ifndef _WIN32
// Only the owner's execute bit is taken from the archive: programs get 0755,
// everything else 0644, less the umask. A stored 0777 or 000 means nothing here.
mode_t filePermissions(const ZipEntry& e) {
  const bool executable = (e.versionMadeBy >> 8) == kHostUnix && (e.unixMode() & 0100) != 0;
  return (executable ? 0755 : 0644) & ~currentUmask();
}

std::string errnoText() { return std::strerror(errno); }
#endif

// DOS date and time are local time with two-second resolution; 0 means "no date".
std::optional<std::time_t> dosToTime(std::uint16_t date, std::uint16_t time) {
  if (date == 0) return std::nullopt;
  std::tm tm{};
  tm.tm_year = ((date >> 9) & 0x7F) + 80;
  tm.tm_mon = ((date >> 5) & 0x0F) - 1;
  tm.tm_mday = date & 0x1F;
  tm.tm_hour = (time >> 11) & 0x1F;
  tm.tm_min = (time >> 5) & 0x3F;
  tm.tm_sec = (time & 0x1F) * 2;
  tm.tm_isdst = -1;
  std::time_t t = std::mktime(&tm);
  if (t == static_cast<std::time_t>(-1)) return std::nullopt;
  return t;
}

bool isInside(const std::string& path, const std::string& root) {
  if (root == "/") return true;
  return path == root || (path.size() > root.size() && path.compare(0, root.size(), root) == 0 &&
                          (path[root.size()] == '/' || path[root.size()] == fs::path::preferred_separator));
}

}  // namespace

// One run of Extract(): the plan, the directories and the progress count.
class UnzipRun {
 public:
  UnzipRun(ZipExtractor& unzip, ByteSource& source) : z_(unzip), src_(source) {}
  Status run();

 private:
  struct Item {
    const ZipEntry* entry;
    EntryPath path;
  };
  Status plan(const ZipDirectory& dir);
  Status check();
  Status checkPlace(const Item& item) const;
  Status extract();
  Status makeRoot();
  Status makeDirectories(const ZipEntry& e, const std::vector<std::string>& parts, std::size_t count, fs::path& out);
  Status writeFile(const Item& item);
  void consumed(std::uint64_t bytes);
  void notify(int percent);
  std::string displayPath(const EntryPath& p) const;

  ZipExtractor& z_;
  ByteSource& src_;
  std::vector<Item> items_;
  fs::path root_;
  std::string rootText_;
  FileJournal journal_;
  std::uint64_t total_ = 0;  // archive bytes of the chosen entries (whole run or one file)
  std::uint64_t done_ = 0;
  int nextStep_ = 0;
};

std::string UnzipRun::displayPath(const EntryPath& p) const {
  std::string s = z_.ExtractDir;
  for (const std::string& c : p.components) s += "/" + c;
  return s;
}

// Every chosen entry is checked before anything is written, so a refused entry
// anywhere in the archive leaves the target untouched.
Status UnzipRun::plan(const ZipDirectory& dir) {
  for (const ZipEntry& e : dir.entries) {
    if (!anyMaskMatches(z_.FileSpec, e.name)) continue;
    Result<std::string> fileName = entryFileName(e);
    if (!fileName) return fileName.status();
    Result<EntryPath> path = parseEntryPath(*fileName);
    if (!path) return path.status();
    if (e.encrypted()) return Status::unsupported(e.who() + "is encrypted; encrypted entries are not supported");
    if (e.isSymlink()) return Status::unsupported(e.who() + "is a symbolic link; links are not extracted");
    if (e.method != ZipEntry::kStored && e.method != ZipEntry::kDeflated)
      return Status::unsupported(e.who() + "compression method " + std::to_string(e.method) + " is not supported");
    EntryPath p = std::move(*path);
    if (p.components.empty()) continue;  // "./": the extraction directory itself
    if (!z_.UseStoredDirs) {
      if (p.isDirectory) continue;
      p.components = {p.components.back()};
    }
    items_.push_back({&e, std::move(p)});
  }
  return Status::ok();
}

// Walks the first count parts below the root, making what is missing. An existing
// symbolic link is followed only when it leads to a directory inside the root.
#ifdef _WIN32
Status UnzipRun::makeDirectories(const ZipEntry& e, const std::vector<std::string>& parts, std::size_t count,
                                 fs::path& out) {
  fs::path p = root_;
  for (std::size_t i = 0; i < count; ++i) {
    p /= fileNamePath(parts[i]);
    std::error_code ec;
    fs::file_status st = fs::symlink_status(p, ec);
    if (!fs::exists(st)) {
      if (fs::create_directory(p, ec)) {
        journal_.addedDirectory(p);
      } else if (ec) {
        return Status::ioError(e.who() + "cannot create directory \"" + pathText(p) + "\": " + ec.message());
      }
      st = fs::symlink_status(p, ec);
    }
    if (fs::is_symlink(st)) {
      fs::path real = fs::canonical(p, ec);
      if (ec || !isInside(pathText(real), rootText_))
        return Status::invalidArgument(e.who() + "path leads outside the extraction directory through a link");
      st = fs::status(p, ec);
    }
    if (!fs::is_directory(st))
      return Status::ioError(e.who() + "\"" + pathText(p) + "\" exists and is not a directory");
  }
  out = p;
  return Status::ok();
}

#else
Status UnzipRun::makeDirectories(const ZipEntry& e, const std::vector<std::string>& parts, std::size_t count,
                                 fs::path& out) {
  fs::path p = root_;
  for (std::size_t i = 0; i < count; ++i) {
    p /= fileNamePath(parts[i]);
    struct stat st {};
    if (::lstat(p.c_str(), &st) != 0) {
      if (errno != ENOENT) return Status::ioError(e.who() + "cannot examine \"" + pathText(p) + "\": " + errnoText());
      if (::mkdir(p.c_str(), 0755) == 0) {
        journal_.addedDirectory(p);
      } else if (errno != EEXIST) {
        return Status::ioError(e.who() + "cannot create directory \"" + pathText(p) + "\": " + errnoText());
      }
      if (::lstat(p.c_str(), &st) != 0)
        return Status::ioError(e.who() + "cannot examine \"" + pathText(p) + "\": " + errnoText());
    }
    if (S_ISLNK(st.st_mode)) {
      std::error_code ec;
      fs::path real = fs::canonical(p, ec);
      if (ec || !isInside(pathText(real), rootText_))
        return Status::invalidArgument(e.who() + "path leads outside the extraction directory through a link");
      if (::stat(p.c_str(), &st) != 0)
        return Status::ioError(e.who() + "cannot examine \"" + pathText(p) + "\": " + errnoText());
    }
    if (!S_ISDIR(st.st_mode)) return Status::ioError(e.who() + "\"" + pathText(p) + "\" exists and is not a directory");
  }
  out = p;
  return Status::ok();
}
#endif

Status UnzipRun::writeFile(const Item& item) {
  const ZipEntry& e = *item.entry;
  const auto& parts = item.path.components;
  fs::path dirPath;
  if (Status s = makeDirectories(e, parts, parts.size() - 1, dirPath); !s) return s;
  const fs::path target = dirPath / fileNamePath(parts.back());
#ifdef _WIN32
  std::error_code ec;
  if (fs::is_directory(fs::symlink_status(target, ec)))
#else
  struct stat st {};
  if (::lstat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
#endif
    return Status::ioError(e.who() + "a directory \"" + pathText(target) + "\" is in the way");

  TempFile tmp;
  if (Status s = tmp.create(dirPath); !s) return Status::ioError(e.who() + s.message());
  if (Status s = writeEntryData(src_, e, tmp.fd(), [this](std::uint64_t n) { consumed(n); }); !s) return s;
#ifndef _WIN32
  // Windows files have no rwx bits to set.
  if (::fchmod(tmp.fd(), filePermissions(e)) != 0)
    return Status::ioError(e.who() + "cannot set the file permissions: " + errnoText());
#endif
  if (z_.SetDateTo == sdOrigDate) {
    std::optional<std::time_t> t =
        e.unixMtime ? std::optional<std::time_t>(*e.unixMtime) : dosToTime(e.dosDate, e.dosTime);
    if (t) {
#ifdef _WIN32
      // FILETIME counts 100 ns from 1601; time_t seconds from 1970.
      const unsigned long long ticks = (static_cast<unsigned long long>(*t) + 11644473600ULL) * 10000000ULL;
      FILETIME ft{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
      auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(tmp.fd()));
      if (!SetFileTime(handle, nullptr, &ft, &ft))
        return Status::ioError(e.who() + "cannot set the file date: error " + std::to_string(GetLastError()));
#else
      struct timespec times[2] = {{*t, 0}, {*t, 0}};
      if (::futimens(tmp.fd(), times) != 0)
        return Status::ioError(e.who() + "cannot set the file date: " + errnoText());
#endif
    }
  }
  if (Status s = tmp.commit(target, &journal_); !s) return Status::ioError(e.who() + s.message());
  return Status::ok();
}

void UnzipRun::notify(int percent) {
  if (z_.OnProgress) z_.OnProgress(z_, static_cast<std::uint8_t>(percent));
  if (z_.OnProcessMessages) z_.OnProcessMessages();
}

// Reports each step crossed; 100 is left to the end of the run (or file), so it
// comes only after the last byte is in place.
void UnzipRun::consumed(std::uint64_t bytes) {
  done_ += bytes;
  const int step = static_cast<int>(z_.ProgressNotify) > 0 ? static_cast<int>(z_.ProgressNotify) : 10;
  const std::uint64_t percent = total_ == 0 ? 0 : done_ >= total_ ? 100 : done_ * 100 / total_;
  while (nextStep_ < 100 && static_cast<std::uint64_t>(nextStep_) <= percent) {
    notify(nextStep_);
    nextStep_ += step;
  }
}

// Everything this run placed goes again when it fails; files that were there
// before come back.
Status UnzipRun::run() {
  Status s = extract();
  if (!s) {
    journal_.undo();
    return s;
  }
  if (z_.Journal) {
    z_.Journal->takeOver(journal_);
  } else {
    journal_.keep();
  }
  return Status::ok();
}

// The dry pass: every chosen entry inflates to its declared size and CRC-32,
// and the caller agrees to the total size, before the first write.
Status UnzipRun::check() {
  std::uint64_t bytes = 0;
  for (const Item& item : items_) {
    if (item.path.isDirectory) continue;
    if (Status s = writeEntryData(src_, *item.entry, -1, nullptr); !s) return s;
    bytes += item.entry->uncompressedSize;
  }
  if (z_.OnBeforeWrite) {
    if (std::string refusal = z_.OnBeforeWrite(bytes); !refusal.empty()) return Status::ioError(refusal);
  }
  return Status::ok();
}

// What is already on disk must let the entry in: no link out of the root, no
// file where a directory must go, no directory where a file must go.
Status UnzipRun::checkPlace(const Item& item) const {
  const ZipEntry& e = *item.entry;
  const auto& parts = item.path.components;
  const std::size_t dirs = item.path.isDirectory ? parts.size() : parts.size() - 1;
  fs::path p = root_;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    p /= fileNamePath(parts[i]);
#ifdef _WIN32
    std::error_code ec;
    fs::file_status st = fs::symlink_status(p, ec);
    if (!fs::exists(st)) return Status::ok();  // nothing further exists yet
    if (i == dirs) {
      if (fs::is_directory(st)) return Status::ioError(e.who() + "a directory \"" + pathText(p) + "\" is in the way");
      return Status::ok();
    }
    if (fs::is_symlink(st)) {
      const fs::path real = fs::canonical(p, ec);
      if (ec || !isInside(pathText(real), rootText_))
        return Status::invalidArgument(e.who() + "path leads outside the extraction directory through a link");
      st = fs::status(p, ec);
    }
    if (!fs::is_directory(st))
      return Status::ioError(e.who() + "\"" + pathText(p) + "\" exists and is not a directory");
#else
    struct stat st {};
    if (::lstat(p.c_str(), &st) != 0) return Status::ok();  // nothing further exists yet
    if (i == dirs) {
      if (S_ISDIR(st.st_mode)) return Status::ioError(e.who() + "a directory \"" + pathText(p) + "\" is in the way");
      return Status::ok();
    }
    if (S_ISLNK(st.st_mode)) {
      std::error_code ec;
      const fs::path real = fs::canonical(p, ec);
      if (ec || !isInside(pathText(real), rootText_))
        return Status::invalidArgument(e.who() + "path leads outside the extraction directory through a link");
      if (::stat(p.c_str(), &st) != 0)
        return Status::ioError(e.who() + "cannot examine \"" + pathText(p) + "\": " + errnoText());
    }
    if (!S_ISDIR(st.st_mode)) return Status::ioError(e.who() + "\"" + pathText(p) + "\" exists and is not a directory");
#endif
  }
  return Status::ok();
}

Status UnzipRun::makeRoot() {
  // The missing directories along the way are this run's, to go again on failure.
  std::vector<fs::path> missing;
  for (fs::path p = fs::absolute(z_.ExtractDir).lexically_normal(); !p.empty(); p = p.parent_path()) {
#ifdef _WIN32
    std::error_code ec;
    if (fs::exists(fs::symlink_status(p, ec))) break;
#else
    struct stat st {};
    if (::lstat(p.c_str(), &st) == 0) break;
#endif
    missing.push_back(p);
    if (p == p.parent_path()) break;
  }
  std::error_code ec;
  fs::create_directories(z_.ExtractDir, ec);
  for (auto it = missing.rbegin(); it != missing.rend(); ++it)
    if (fs::is_directory(*it)) journal_.addedDirectory(*it);
  root_ = fs::canonical(z_.ExtractDir, ec);
  if (ec) return Status::ioError("cannot create the extraction directory \"" + z_.ExtractDir + "\": " + ec.message());
  rootText_ = pathText(root_);
  return Status::ok();
}

Status UnzipRun::extract() {
  if (z_.ExtractDir.empty()) return Status::invalidArgument("no extraction directory given");
  Result<ZipDirectory> dir = readZipDirectory(src_);
  if (!dir) return dir.status();
  const std::size_t commentMax = z_.ZipCmntBufSize > 0 ? static_cast<std::size_t>(z_.ZipCmntBufSize) : 0;
  z_.comment_ = dir->comment.substr(0, commentMax);
  if (Status s = plan(*dir); !s) return s;
  if (Status s = check(); !s) return s;
  if (Status s = makeRoot(); !s) return s;
  for (const Item& item : items_)
    if (Status s = checkPlace(item); !s) return s;

  const bool wholeArchive = z_.ProgressMode == byArchive;
  if (wholeArchive) {
    for (const Item& item : items_) total_ += item.entry->compressedSize;
    z_.currentFile_ = items_.empty() ? z_.ExtractDir : displayPath(items_.front().path);
    consumed(0);  // the 0 % call
  }
  for (const Item& item : items_) {
    // Between two entries nothing is half written: the safe point to stop at.
    if (z_.OnCancelQuery && z_.OnCancelQuery()) return Status::ioError("cancelled");
    z_.currentFile_ = displayPath(item.path);
    if (!wholeArchive) {
      total_ = item.entry->compressedSize;
      done_ = 0;
      nextStep_ = 0;
      consumed(0);
    }
    if (item.path.isDirectory) {
      fs::path made;
      if (Status s = makeDirectories(*item.entry, item.path.components, item.path.components.size(), made); !s)
        return s;
      consumed(item.entry->compressedSize);
    } else if (Status s = writeFile(item); !s) {
      return s;
    }
    if (!wholeArchive) notify(100);
  }
  if (wholeArchive) notify(100);
  return Status::ok();
}

ZipExtractor::ZipExtractor() = default;
ZipExtractor::~ZipExtractor() = default;

bool ZipExtractor::Extract() {
  errorText_.clear();
  FileByteSource source(ArchiveFile);
  if (!source.isOpen()) {
    currentFile_.clear();
    comment_.clear();
    errorText_ = "cannot open the archive \"" + ArchiveFile + "\": " + source.error();
    return false;
  }
  return ExtractFrom(source);
}

bool ZipExtractor::ExtractFrom(ByteSource& source) {
  errorText_.clear();
  currentFile_.clear();
  comment_.clear();
  Status s = UnzipRun(*this, source).run();
  if (!s) errorText_ = s.message();
  return s.isOk();
}

}  // namespace zel
