// The description panel's answers kept per report file, so moving back to a
// report does not read its table again (a million-line report takes a third
// of a second to count from the page cache, far longer from a share). An
// answer is used again only while the table and its memo file are the same
// files (device and inode where the platform has them), of the same size and
// modification time. Only answers about the file's content are kept: a
// refusal such as another program's hold changes without the file changing.
// Not thread-safe; one cache per window.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <string>

#include "report_description.h"

namespace zel {

// What identifies one state of a file: its identity, size and modification time.
struct FileStamp {
  bool exists = false;
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t size = 0;
  std::int64_t modified = 0;  // nanoseconds since the epoch
  bool operator==(const FileStamp&) const = default;
};
FileStamp stampOf(const std::string& path);

class DescriptionCache {
 public:
  using Reader = std::function<ReportDescription(const std::string& directory, const std::string& fileName)>;
  // reader: how an answer is made (describeReport unless a test counts the reads).
  explicit DescriptionCache(Reader reader = {}, std::size_t capacity = 256);

  // The panel's answer for fileName in directory. Errors of the reader
  // (DataError) propagate and nothing is kept.
  ReportDescription describe(const std::string& directory, const std::string& fileName);
  // The page count a PageCounter found for an answer kept with pagesPending.
  void completePages(const std::string& directory, const std::string& fileName, const std::string& pages);
  // Drops the answer, after the viewer itself wrote the file.
  void forget(const std::string& directory, const std::string& fileName);

 private:
  struct Entry {
    FileStamp table, memo;
    ReportDescription description;
    std::list<std::string>::iterator age;
  };
  std::pair<FileStamp, FileStamp> stamps(const std::string& directory, const std::string& fileName) const;

  Reader reader_;
  std::size_t capacity_;
  std::map<std::string, Entry> entries_;
  std::list<std::string> ages_;  // most recently used first
};

}  // namespace zel
