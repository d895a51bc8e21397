// TempFile: a new file written under a temporary name in the directory of its
// final place. commit() flushes it to disk and renames it over the target, so a
// reader (or a process that has the old file mapped) sees the old file or the
// whole new one, never a part, and a link planted at the target is replaced,
// never followed. A target that is a directory is refused. Unless committed,
// the destructor closes and removes the temporary file.
//
// replaceFile() does all of it for bytes held in memory. Toolkit-free, POSIX
// (temp_file.cpp) and Windows (temp_file_win.cpp).
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string_view>

#include "file_journal.h"
#include "status.h"

namespace zel {

class TempFile {
 public:
  TempFile() = default;
  ~TempFile();
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  Status create(const std::filesystem::path& dir);
  int fd() const { return fd_; }
  // With a journal the old target is kept until the journal keeps or undoes.
  Status commit(const std::filesystem::path& target, FileJournal* journal = nullptr);

 private:
  int fd_ = -1;
  std::filesystem::path path_;
};

// Writes bytes as the whole new content of target, with the given permissions
// less the umask.
Status replaceFile(const std::filesystem::path& target, std::string_view bytes, mode_t mode,
                   FileJournal* journal = nullptr);

// The process's umask, read without changing it for longer than the call.
mode_t currentUmask();

}  // namespace zel
