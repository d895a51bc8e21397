#include "entry_path.h"

namespace zel {
namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }
bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

Status refuse(const std::string& name, const char* why) {
  return Status::invalidArgument("entry \"" + name + "\": " + why);
}

}  // namespace

Result<EntryPath> parseEntryPath(const std::string& name) {
  if (name.empty()) return refuse(name, "empty name");
  if (name.find('\0') != std::string::npos) return refuse(name, "name contains a NUL byte");
  if (isSeparator(name[0])) return refuse(name, "absolute path");
  if (name.size() >= 2 && name[1] == ':' && isAsciiLetter(name[0])) return refuse(name, "path with a drive letter");

  EntryPath path;
  path.isDirectory = isSeparator(name.back());
  std::string part;
  auto flush = [&]() -> bool {
    if (part == "..") return false;
    if (!part.empty() && part != ".") path.components.push_back(part);
    part.clear();
    return true;
  };
  for (char c : name) {
    if (!isSeparator(c)) {
      part += c;
      continue;
    }
    if (!flush()) return refuse(name, "path leaves the extraction directory (\"..\")");
  }
  if (!flush()) return refuse(name, "path leaves the extraction directory (\"..\")");
  // "./" names the extraction directory itself, which is harmless; a file needs a name.
  if (path.components.empty() && !path.isDirectory) return refuse(name, "name has no file part");
  return path;
}

}  // namespace zel
