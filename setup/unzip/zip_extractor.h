// ZipExtractor: extracts a ZIP archive (plain or self-extracting, with a program stub
// before it) into a directory. Our own reader of the ZIP container over zlib's
// inflate. Safe by construction: names that are absolute, carry a drive letter,
// contain ".." or would land outside ExtractDir are refused; links are never
// created; an entry that inflates past its declared size is refused; each file
// is written under a temporary name and renamed only after its CRC-32 matches.
// Before the first write a dry pass checks every chosen entry (names, sizes,
// CRC-32s) and what is on disk in its way. Any refusal or error ends Extract()
// with an error and takes back everything the run placed. Files get 0644, or
// 0755 when the entry was made on Unix with the owner's execute bit; less the umask.
//
// Toolkit-free. The setup program hooks OnProgress and OnProcessMessages.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zel {

class ByteSource;
class FileJournal;
class UnzipRun;

enum TCpuType { cptAuto, cpt386, cpt486, cptPentium };
enum TSetDateTo { sdOrigDate, sdCurrentDate };
enum TProgressMode { byFile, byArchive };
enum TProgressNotify { One = 1, Five = 5, Ten = 10 };

class ZipExtractor {
 public:
  ZipExtractor();
  ~ZipExtractor();

  std::string ArchiveFile;
  std::string ExtractDir;
  std::vector<std::string> FileSpec{"*.*"};  // masks matched against entry names; "*.*" matches all
  int ZipCmntBufSize = 2000;
  TCpuType CpuType = cptAuto;
  bool UseStoredDirs = true;
  TSetDateTo SetDateTo = sdOrigDate;
  TProgressMode ProgressMode = byArchive;
  TProgressNotify ProgressNotify = Ten;

  // Percentage of the archive done (0..100), called in ProgressNotify steps.
  std::function<void(ZipExtractor& sender, std::uint8_t progress)> OnProgress;
  // Called after each progress call so that windows can repaint.
  std::function<void()> OnProcessMessages;
  // Called after the dry pass, before the first write, with the total size of
  // the files to write; a non-empty answer refuses the extraction with that reason.
  std::function<std::string(std::uint64_t bytes)> OnBeforeWrite;
  // Asked before each entry is written; true stops the extraction there as a
  // failure ("cancelled"), taking back what the run placed.
  std::function<bool()> OnCancelQuery;
  // When set, a successful Extract() hands what it placed to this journal, so
  // that a later step of the caller can still take it back. Not owned.
  FileJournal* Journal = nullptr;

  // Extracts every entry that matches FileSpec. False on any error; ErrorText() says what.
  bool Extract();
  // The same, reading the archive from source instead of ArchiveFile (tests hand
  // it bytes in memory, or a source that fails on demand).
  bool ExtractFrom(ByteSource& source);
  const std::string& ErrorText() const { return errorText_; }
  // Full path of the file being written (ExtractDir, stored directory and name);
  // valid during OnProgress.
  const std::string& CurrentFileName() const { return currentFile_; }
  // The archive comment, cut to ZipCmntBufSize bytes, after Extract().
  const std::string& Comment() const { return comment_; }

 private:
  friend class UnzipRun;
  std::string errorText_;
  std::string currentFile_;
  std::string comment_;
};

}  // namespace zel
