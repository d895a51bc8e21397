// The record of one installation: the manifest in the installation directory
// lists every file and link setup placed (each file with its size and CRC-32)
// and the directories it made, so that an uninstall removes exactly those and
// keeps what the user changed or added. The user's data directory names the
// last installation, so that a later setup finds it. Toolkit-free.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "file_journal.h"
#include "status.h"

namespace zel::setup {

inline constexpr const char* kManifestFile = "ZelRpt.manifest";

struct ManifestEntry {
  enum class Kind { kFile, kLink, kDirectory };
  Kind kind = Kind::kFile;
  std::string path;  // absolute
  std::uint64_t size = 0;  // files
  std::uint32_t crc = 0;  // files
  std::string linkTarget;  // links
};

// The entries for what is at the given places now: regular files with their
// size and CRC-32, links with where they lead, directories; places that hold
// nothing (any more) are left out.
std::vector<ManifestEntry> DescribePlaced(const std::vector<std::string>& files,
                                          const std::vector<std::string>& directories);

std::string ManifestText(const std::vector<ManifestEntry>& entries);
// False when the text is no manifest.
bool ParseManifest(const std::string& text, std::vector<ManifestEntry>* entries);

// The manifest in installDir, read only when it is a regular file.
bool ReadManifest(const std::string& installDir, std::vector<ManifestEntry>* entries);
// Whether installDir holds an installation.
bool FindInstallation(const std::string& installDir);

// The file in the user's data directory naming the last installation.
std::string InstallationPointerFile(const std::string& dataHome);
// The directory it names, when that still holds an installation; else "".
std::string RecordedInstallation(const std::string& dataHome);

struct UninstallResult {
  bool found = false;  // there was an installation to remove
  std::vector<std::string> removed;  // files, links and directories removed
  std::vector<std::string> changed;  // placed by setup, changed since: kept
  std::vector<std::string> added;  // put there by someone else: kept
};

// Removes what the manifest of installDir lists, as long as it is unchanged,
// then the manifest, the directories made (while empty) and the pointer in
// dataHome when it names installDir.
UninstallResult Uninstall(const std::string& installDir, const std::string& dataHome);

}  // namespace zel::setup
