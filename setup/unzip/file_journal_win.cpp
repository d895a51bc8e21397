// FileJournal on Windows: the old file is kept as a hard link where the volume
// has them, else as a copy (FAT), so the target stays in place until the new
// file is moved over it; a link at the target is moved aside itself. Moves go
// through MoveFileExW so that an existing target is replaced.
#include <windows.h>

#include <random>
#include <string>
#include <system_error>

#include "entry_name.h"
#include "file_journal.h"

namespace zel {

namespace fs = std::filesystem;

namespace {

fs::path backupName(const fs::path& target) {
  static std::mt19937_64 rng{std::random_device{}()};
  return target.parent_path() / (".zelold-" + std::to_string(rng() % 1000000000000ULL) + ".bak");
}

std::string errorText(DWORD error) {
  return std::error_code(static_cast<int>(error), std::system_category()).message();
}

bool moveOver(const fs::path& from, const fs::path& to) {
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool exists(DWORD error) { return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS; }

}  // namespace

void FileJournal::addedDirectory(const fs::path& dir) { records_.push_back({Kind::kDirectory, dir, {}}); }

Status FileJournal::backUp(const fs::path& target, bool* existed) {
  *existed = false;
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return Status::ok();
    return Status::ioError("cannot examine \"" + pathText(target) + "\": " + errorText(error));
  }
  const bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !link)
    return Status::ioError("\"" + pathText(target) + "\" is a directory");
  DWORD error = ERROR_SUCCESS;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path backup = backupName(target);
    const bool kept = link ? MoveFileExW(target.c_str(), backup.c_str(), MOVEFILE_WRITE_THROUGH) != 0
                           : CreateHardLinkW(backup.c_str(), target.c_str(), nullptr) != 0 ||
                                 (!exists(GetLastError()) && CopyFileW(target.c_str(), backup.c_str(), TRUE) != 0);
    if (kept) {
      records_.push_back({Kind::kBackedUp, target, backup});
      *existed = true;
      return Status::ok();
    }
    error = GetLastError();
    if (!exists(error)) break;
  }
  return Status::ioError("cannot keep the old \"" + pathText(target) + "\": " + errorText(error));
}

Status FileJournal::place(const fs::path& ready, const fs::path& target) {
  bool existed = false;
  if (Status s = backUp(target, &existed); !s) return s;
  if (!existed) records_.push_back({Kind::kNewFile, target, {}});
  if (!moveOver(ready, target)) {
    const DWORD error = GetLastError();
    Record last = records_.back();
    records_.pop_back();
    if (last.kind == Kind::kBackedUp) moveOver(last.backup, target);
    return Status::ioError("cannot replace \"" + pathText(target) + "\": " + errorText(error));
  }
  return Status::ok();
}

void FileJournal::undo() {
  for (auto it = records_.rbegin(); it != records_.rend(); ++it) {
    switch (it->kind) {
      case Kind::kDirectory: RemoveDirectoryW(it->path.c_str()); break;  // only when empty
      case Kind::kNewFile: DeleteFileW(it->path.c_str()); break;
      case Kind::kBackedUp: moveOver(it->backup, it->path); break;
    }
  }
  records_.clear();
}

void FileJournal::keep() {
  for (const Record& r : records_)
    if (r.kind == Kind::kBackedUp) DeleteFileW(r.backup.c_str());
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
