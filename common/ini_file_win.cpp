// iniRead and iniWrite on Windows: the system's private-profile functions, so
// WIN.INI goes wherever the system maps it (on NT, the user's settings) and
// Info.INI is edited the way every Windows program edits it.
#include <windows.h>

#include <string>
#include <vector>

#include "ini_file.h"

namespace zel {

std::string iniRead(const std::string& path, const std::string& section, const std::string& key,
                    const std::string& def) {
  // A directory or a missing file reads as the default, as elsewhere.
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return def;
  std::vector<char> buf(256);
  for (;;) {
    const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buf.data(),
                                             static_cast<DWORD>(buf.size()), path.c_str());
    // A full buffer may hold a cut value: ask again with more room.
    if (n + 1 < buf.size()) return std::string(buf.data(), n);
    buf.resize(buf.size() * 4);
  }
}

bool iniWrite(const std::string& path, const std::string& section, const std::string& key, const std::string& value) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  if (!WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str())) return false;
  // The system may cache the file: write it out now.
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
  return true;
}

}  // namespace zel
