// OutputFile: one output (a PDF, a PNG page, an XLSX or CSV file) written
// completely or not at all. The writer writes into a part file of this
// process, ".<name>.zelrpt-<pid>.part" beside the target and marked as ours
// (an extended attribute, where the file system keeps them); commit() checks
// it reached the disk (fsync) and renames it over the target. Until then the
// target is as it was, and a failure or an early return removes the part.
//
// What the target may be: a missing name, a regular file, or a link to one
// (the link itself is replaced, never the file it points to). A FIFO or a
// character device (/dev/null, /dev/stdout, a terminal) is written as a
// stream once the part is complete, and never replaced; so are the paths of
// the process's own descriptors (/dev/std*, /dev/fd/*, /proc/self/fd/*). A
// directory, a block device or a socket is refused.
//
// Failures throw OutputError, which says what could not be written and the
// system's reason in the user's words. Toolkit-free; one thread at a time.
#pragma once

#include <string>
#include <vector>

#include "sheet_writer.h"

namespace zel {

class OutputError : public ExportError {
 public:
  // what(): the user's text, "\r", then the technical detail.
  OutputError(const std::string& path, int error, const std::string& detail = {});
  int error() const { return error_; }  // errno
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  int error_;
};

// The user's words for a system error number when a file is written
// ("디스크 공간이 부족합니다." for ENOSPC).
std::string WriteErrorReason(int error);

class OutputFile {
 public:
  // Creates the part file; throws OutputError when target cannot be written.
  explicit OutputFile(const std::string& target);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  const std::string& target() const { return target_; }
  // Where the writer writes.
  const std::string& path() const { return part_; }
  // A further part file for the writer's own pieces (removed with the part).
  std::string extraPart(int n);
  // file (the part or an extra part) as a path every library can take as
  // text: itself, or through a descriptor of its directory when the
  // directory's name is no UTF-8. Valid while this object lives.
  std::string pathForLibraries(const std::string& file);
  // True when the target is written as a stream (FIFO, device, descriptor).
  bool streams() const { return stream_; }

  // Writes all of data into the part; throws OutputError.
  void write(const void* data, std::size_t size);
  // fsync, then rename over the target (or copy into the stream); throws
  // OutputError and removes the part on failure.
  void commit();
  // Throws the OutputError for a writer's failure, asking the file system for
  // its reason when the writer could not tell (error 0).
  [[noreturn]] void fail(int error, const std::string& detail = {});

 private:
  void removeParts();

  std::string target_;
  std::string part_;
  std::vector<std::string> extras_;
  int fd_ = -1;  // the part, open for write()
  int dirFd_ = -1;  // the part's directory, for pathForLibraries
  bool stream_ = false;
  bool done_ = false;
};

// The part file name of target for process pid: ".<name>.zelrpt-<pid>.part",
// the name's bytes outside printable ASCII written as %XX.
std::string OutputPartName(const std::string& target, long pid);

// Removes the part files this program left beside the given targets (one
// directory) when their process is gone: only names made from these targets,
// regular files of this user that carry the marker. Returns how many.
int RemoveStaleParts(const std::vector<std::string>& targets);

// Why writing to file failed, as the file system answers now (ENOSPC when
// it is full, EFBIG past the size limit); EIO when it cannot tell.
int ProbeWriteError(const std::string& file);

}  // namespace zel
