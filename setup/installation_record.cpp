#include "installation_record.h"

#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <system_error>

#include "install_steps.h"

namespace zel::setup {
namespace fs = std::filesystem;
namespace {

constexpr const char* kHeader = "ZelRpt manifest 1";

std::uint32_t crcOf(const std::string& bytes) {
  uLong crc = ::crc32(0L, Z_NULL, 0);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const uInt n = static_cast<uInt>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
    crc = ::crc32(crc, reinterpret_cast<const Bytef*>(bytes.data() + done), n);
    done += n;
  }
  return static_cast<std::uint32_t>(crc);
}

std::string hex8(std::uint32_t v) {
  static const char digits[] = "0123456789abcdef";
  std::string out(8, '0');
  for (int i = 7; i >= 0; --i, v >>= 4) out[static_cast<std::size_t>(i)] = digits[v & 0xF];
  return out;
}

// Names are kept as the bytes the file system holds; only the separators of
// the line (tab, line feed) and the escape itself are escaped.
std::string escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\t')
      out += "\\t";
    else if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return out;
}

std::string unescape(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
      continue;
    }
    const char n = s[++i];
    out += n == 't' ? '\t' : n == 'n' ? '\n' : n;
  }
  return out;
}

std::vector<std::string> splitTabs(const std::string& line) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t at = line.find('\t'); at != std::string::npos; at = line.find('\t', start)) {
    parts.push_back(line.substr(start, at - start));
    start = at + 1;
  }
  parts.push_back(line.substr(start));
  return parts;
}

// Every regular file and link below dir (not following links), deepest paths too.
void listBelow(const fs::path& dir, std::vector<std::string>* out) {
  std::error_code ec;
  for (fs::recursive_directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec), end;
       !ec && it != end; it.increment(ec)) {
    const fs::file_status st = it->symlink_status(ec);
    if (!fs::is_directory(st)) out->push_back(it->path().string());
  }
}

}  // namespace

std::vector<ManifestEntry> DescribePlaced(const std::vector<std::string>& files,
                                          const std::vector<std::string>& directories) {
  std::vector<ManifestEntry> out;
  std::set<std::string> seen;
  for (const std::string& dir : directories) {
    std::error_code ec;
    if (!seen.insert(dir).second || !fs::is_directory(fs::symlink_status(dir, ec))) continue;
    ManifestEntry e;
    e.kind = ManifestEntry::Kind::kDirectory;
    e.path = dir;
    out.push_back(e);
  }
  for (const std::string& file : files) {
    if (!seen.insert(file).second) continue;
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(file, ec);
    ManifestEntry e;
    e.path = file;
    if (fs::is_symlink(st)) {
      e.kind = ManifestEntry::Kind::kLink;
      e.linkTarget = fs::read_symlink(file, ec).string();
      if (ec) continue;
    } else {
      std::string bytes;
      if (!ReadRegularFile(file, &bytes)) continue;
      e.size = bytes.size();
      e.crc = crcOf(bytes);
    }
    out.push_back(e);
  }
  return out;
}

std::string ManifestText(const std::vector<ManifestEntry>& entries) {
  std::string text = std::string(kHeader) + "\n";
  for (const ManifestEntry& e : entries) {
    switch (e.kind) {
      case ManifestEntry::Kind::kDirectory: text += "dir\t" + escape(e.path) + "\n"; break;
      case ManifestEntry::Kind::kLink: text += "link\t" + escape(e.linkTarget) + "\t" + escape(e.path) + "\n"; break;
      case ManifestEntry::Kind::kFile:
        text += "file\t" + std::to_string(e.size) + "\t" + hex8(e.crc) + "\t" + escape(e.path) + "\n";
        break;
    }
  }
  return text;
}

bool ParseManifest(const std::string& text, std::vector<ManifestEntry>* entries) {
  std::istringstream in(text);
  std::string line;
  if (!std::getline(in, line) || line != kHeader) return false;
  entries->clear();
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    const std::vector<std::string> parts = splitTabs(line);
    ManifestEntry e;
    if (parts[0] == "dir" && parts.size() == 2) {
      e.kind = ManifestEntry::Kind::kDirectory;
      e.path = unescape(parts[1]);
    } else if (parts[0] == "link" && parts.size() == 3) {
      e.kind = ManifestEntry::Kind::kLink;
      e.linkTarget = unescape(parts[1]);
      e.path = unescape(parts[2]);
    } else if (parts[0] == "file" && parts.size() == 4) {
      try {
        e.size = std::stoull(parts[1]);
        e.crc = static_cast<std::uint32_t>(std::stoul(parts[2], nullptr, 16));
      } catch (const std::exception&) {
        return false;
      }
      e.path = unescape(parts[3]);
    } else {
      return false;
    }
    // Only absolute places: a damaged line must not name something relative to wherever we run.
    if (!fs::path(e.path).is_absolute()) return false;
    entries->push_back(e);
  }
  return true;
}

bool ReadManifest(const std::string& installDir, std::vector<ManifestEntry>* entries) {
  std::string text;
  return ReadRegularFile((fs::path(installDir) / kManifestFile).string(), &text) && ParseManifest(text, entries);
}

bool FindInstallation(const std::string& installDir) {
  std::vector<ManifestEntry> entries;
  return !installDir.empty() && ReadManifest(installDir, &entries);
}

std::string InstallationPointerFile(const std::string& dataHome) {
  return dataHome.empty() ? std::string() : (fs::path(dataHome) / "ZelRpt" / "installed").string();
}

std::string RecordedInstallation(const std::string& dataHome) {
  std::string text;
  if (!ReadRegularFile(InstallationPointerFile(dataHome), &text)) return {};
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return FindInstallation(text) ? text : std::string();
}

UninstallResult Uninstall(const std::string& installDir, const std::string& dataHome) {
  UninstallResult result;
  std::vector<ManifestEntry> entries;
  if (!ReadManifest(installDir, &entries)) return result;
  result.found = true;
  std::error_code ec;
  std::set<std::string> kept;
  for (const ManifestEntry& e : entries) {
    const fs::file_status st = fs::symlink_status(e.path, ec);
    if (!fs::exists(st)) continue;  // gone already
    bool ours = false;
    if (e.kind == ManifestEntry::Kind::kLink) {
      ours = fs::is_symlink(st) && fs::read_symlink(e.path, ec).string() == e.linkTarget;
    } else if (e.kind == ManifestEntry::Kind::kFile) {
      std::string bytes;
      ours = ReadRegularFile(e.path, &bytes) && bytes.size() == e.size && crcOf(bytes) == e.crc;
    } else {
      continue;  // directories after the files
    }
    if (ours && fs::remove(e.path, ec)) {
      result.removed.push_back(e.path);
    } else {
      result.changed.push_back(e.path);
      kept.insert(e.path);
    }
  }
  const std::string manifest = (fs::path(installDir) / kManifestFile).string();
  if (fs::remove(manifest, ec)) result.removed.push_back(manifest);
  const std::string pointer = InstallationPointerFile(dataHome);
  std::string named;
  if (ReadRegularFile(pointer, &named)) {
    while (!named.empty() && (named.back() == '\n' || named.back() == '\r')) named.pop_back();
    if (named == installDir && fs::remove(pointer, ec)) result.removed.push_back(pointer);
  }

  // What someone else put in the directories is named before they are tried.
  std::vector<std::string> dirs;
  for (const ManifestEntry& e : entries)
    if (e.kind == ManifestEntry::Kind::kDirectory) dirs.push_back(e.path);
  std::vector<std::string> below;
  if (fs::is_directory(fs::symlink_status(installDir, ec))) listBelow(installDir, &below);
  for (const std::string& p : below)
    if (!kept.count(p)) result.added.push_back(p);
  std::sort(dirs.begin(), dirs.end(), [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
  for (const std::string& dir : dirs)
    if (fs::remove(dir, ec)) result.removed.push_back(dir);  // only while empty
  return result;
}

}  // namespace zel::setup
