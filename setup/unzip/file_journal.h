// FileJournal: what one installation run placed on disk, so that a run that
// fails later can take it back. It records directories it made, files it
// created, and files it replaced together with a backup of each old file kept
// beside it. undo() removes what the run made and puts every old file back;
// keep() drops the backups. A journal going out of scope keeps (the run's
// owner decides to undo). Files that were there before are never removed.
// Toolkit-free, POSIX (file_journal.cpp) and Windows (file_journal_win.cpp).
#pragma once

#include <filesystem>
#include <vector>

#include "status.h"

namespace zel {

class FileJournal {
 public:
  FileJournal() = default;
  ~FileJournal() { keep(); }
  FileJournal(const FileJournal&) = delete;
  FileJournal& operator=(const FileJournal&) = delete;

  void addedDirectory(const std::filesystem::path& dir);
  // Moves the finished file `ready` to `target`, atomically where the target
  // exists, keeping the old target (a link stays a link) as a backup.
  Status place(const std::filesystem::path& ready, const std::filesystem::path& target);

  void undo();  // newest first
  void keep();
  bool empty() const { return records_.empty(); }
  // Appends the other journal's records (a step inside the run), leaving it empty.
  void takeOver(FileJournal& other);
  // What the run has put in place so far, oldest first: files made or replaced
  // (links included), and directories made.
  std::vector<std::filesystem::path> placedFiles() const;
  std::vector<std::filesystem::path> madeDirectories() const;

 private:
  enum class Kind { kDirectory, kNewFile, kBackedUp };
  struct Record {
    Kind kind;
    std::filesystem::path path;
    std::filesystem::path backup;  // kBackedUp only
  };
  Status backUp(const std::filesystem::path& target, bool* existed);

  std::vector<Record> records_;
};

}  // namespace zel
