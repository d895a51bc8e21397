#include "file_journal.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

namespace zel {

namespace fs = std::filesystem;

namespace {

fs::path backupName(const fs::path& target) {
  static std::mt19937_64 rng{std::random_device{}()};
  return target.parent_path() / (".zelold-" + std::to_string(rng() % 1000000000000ULL) + ".bak");
}

}  // namespace

void FileJournal::addedDirectory(const fs::path& dir) { records_.push_back({Kind::kDirectory, dir, {}}); }

// A hard link keeps the old file in place until the new one replaces it, so
// the target never goes missing; where links are not possible it is moved.
Status FileJournal::backUp(const fs::path& target, bool* existed) {
  struct stat st {};
  *existed = false;
  if (::lstat(target.c_str(), &st) != 0) {
    if (errno == ENOENT) return Status::ok();
    return Status::ioError("cannot examine \"" + target.string() + "\": " + std::strerror(errno));
  }
  if (S_ISDIR(st.st_mode)) return Status::ioError("\"" + target.string() + "\" is a directory");
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path backup = backupName(target);
    if (::link(target.c_str(), backup.c_str()) == 0 ||
        (errno != EEXIST && ::rename(target.c_str(), backup.c_str()) == 0)) {
      records_.push_back({Kind::kBackedUp, target, backup});
      *existed = true;
      return Status::ok();
    }
    if (errno != EEXIST) break;
  }
  return Status::ioError("cannot keep the old \"" + target.string() + "\": " + std::strerror(errno));
}

Status FileJournal::place(const fs::path& ready, const fs::path& target) {
  bool existed = false;
  if (Status s = backUp(target, &existed); !s) return s;
  if (!existed) records_.push_back({Kind::kNewFile, target, {}});
  if (::rename(ready.c_str(), target.c_str()) != 0) {
    const int err = errno;
    Record last = records_.back();
    records_.pop_back();
    if (last.kind == Kind::kBackedUp) ::rename(last.backup.c_str(), target.c_str());
    return Status::ioError("cannot replace \"" + target.string() + "\": " + std::strerror(err));
  }
  return Status::ok();
}

void FileJournal::undo() {
  for (auto it = records_.rbegin(); it != records_.rend(); ++it) {
    switch (it->kind) {
      case Kind::kDirectory: ::rmdir(it->path.c_str()); break;  // only when empty
      case Kind::kNewFile: ::unlink(it->path.c_str()); break;
      case Kind::kBackedUp: ::rename(it->backup.c_str(), it->path.c_str()); break;
    }
  }
  records_.clear();
}

void FileJournal::keep() {
  for (const Record& r : records_)
    if (r.kind == Kind::kBackedUp) ::unlink(r.backup.c_str());
  records_.clear();
}

std::vector<fs::path> FileJournal::placedFiles() const {
  std::vector<fs::path> out;
  for (const Record& r : records_)
    if (r.kind != Kind::kDirectory) out.push_back(r.path);
  return out;
}

std::vector<fs::path> FileJournal::madeDirectories() const {
  std::vector<fs::path> out;
  for (const Record& r : records_)
    if (r.kind == Kind::kDirectory) out.push_back(r.path);
  return out;
}

void FileJournal::takeOver(FileJournal& other) {
  records_.insert(records_.end(), other.records_.begin(), other.records_.end());
  other.records_.clear();
}

}  // namespace zel
