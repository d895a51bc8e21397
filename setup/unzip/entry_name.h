// Entry names as file names: an entry without the UTF-8 flag (general-purpose
// bit 11) stores its name in code page 949, as everything this product writes
// does, and is converted to UTF-8 for the file system; a name that is not valid
// CP949 is refused rather than written under a garbled name. Names with the
// flag, and plain ASCII names, are taken as they are. Toolkit-free (iconv; the
// system's code page 949 on Windows, entry_name_win.cpp).
#pragma once

#include <filesystem>
#include <string>

#include "status.h"
#include "zip_directory.h"

namespace zel {

inline constexpr std::uint16_t kUtf8NameFlag = 0x0800;

// InvalidArgument naming the entry when the name does not convert.
Result<std::string> entryFileName(const ZipEntry& entry);

// A UTF-8 file name as a path: on Windows narrow strings would be read in
// another code page; elsewhere the bytes are taken as they are.
inline std::filesystem::path fileNamePath(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// A path as UTF-8 text for messages and comparisons: on Windows path::string()
// fails on characters outside the narrow code page.
inline std::string pathText(const std::filesystem::path& p) {
  const std::u8string text = p.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace zel
