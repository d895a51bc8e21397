#include "file_name_text.h"

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "cp949.h"

namespace zel {

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD in UTF-8
constexpr std::size_t kReplacementSize = 3;

// Length of the well-formed UTF-8 sequence at text[i], or 0.
std::size_t utf8SequenceAt(const std::string& text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char c = byte(i);
  if (c < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3;
    if (c == 0xE0) low = 0xA0;
    if (c == 0xED) high = 0x9F;  // no surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4;
    if (c == 0xF0) low = 0x90;
    if (c == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  if (byte(i + 1) < low || byte(i + 1) > high) return 0;
  for (std::size_t k = 2; k < length; ++k)
    if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
  return length;
}

bool isUtf8(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = utf8SequenceAt(text, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string escapedUtf8(const std::string& bytes) {
  std::string out;
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t n = utf8SequenceAt(bytes, i);
    if (n == 0) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(bytes[i]));
      out += hex;
      ++i;
    } else {
      out.append(bytes, i, n);
      i += n;
    }
  }
  return out;
}

// shown[s..] against name[b..], where each U+FFFD of shown stands for one
// to four bytes of name that are no UTF-8: the toolkit's lossy reading of a
// name, however it groups the bad bytes.
bool matchesLossy(const std::string& shown, std::size_t s, const std::string& name, std::size_t b) {
  if (s == shown.size()) return b == name.size();
  if (shown.compare(s, kReplacementSize, kReplacement) == 0) {
    for (std::size_t take = 1; take <= 4 && b + take <= name.size(); ++take) {
      if (utf8SequenceAt(name, b + take - 1) != 0) break;
      if (matchesLossy(shown, s + kReplacementSize, name, b + take)) return true;
    }
    // A real U+FFFD in the name matches itself below.
  }
  return b < name.size() && shown[s] == name[b] && matchesLossy(shown, s + 1, name, b + 1);
}

// The entry itself, not what a link names: a dangling link is an entry too.
bool exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

// The entry of directory shown as `component`, or component itself.
std::string entryShownAs(const std::string& directory, const std::string& component) {
  const std::string spelled =
      directory.empty() || directory.back() == '/' ? directory + component : directory + "/" + component;
  if (component == "." || component == ".." || exists(spelled)) return component;
  std::vector<std::string> found;
  std::error_code ec;
  std::filesystem::directory_iterator it(directory.empty() ? "." : directory, ec);
  for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (readableFileName(name) == component || matchesLossy(component, 0, name, 0)) found.push_back(name);
  }
  return found.size() == 1 ? found.front() : component;
}

}  // namespace

std::string readableFileName(const std::string& bytes) {
  if (isUtf8(bytes)) return bytes;
  const std::string decoded = cp949ToUtf8(bytes);
  if (!decoded.empty() && decoded.find(kReplacement) == std::string::npos) return decoded;
  return escapedUtf8(bytes);
}

std::string readablePath(const std::string& bytes) {
  std::string out;
  std::size_t start = 0;
  while (true) {
    const std::size_t slash = bytes.find('/', start);
    out += readableFileName(bytes.substr(start, slash == std::string::npos ? std::string::npos : slash - start));
    if (slash == std::string::npos) return out;
    out += '/';
    start = slash + 1;
  }
}

std::string fileSystemPath(const std::string& shown, const std::string& suggested) {
  if (!suggested.empty() && shown == readablePath(suggested)) return suggested;
  if (exists(shown)) return shown;
  std::string path;
  std::size_t start = 0;
  if (!shown.empty() && shown.front() == '/') {
    path = "/";
    start = 1;
  }
  while (start <= shown.size()) {
    const std::size_t slash = shown.find('/', start);
    const std::string component = shown.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    if (!component.empty()) {
      const std::string entry = entryShownAs(path, component);
      if (!path.empty() && path.back() != '/') path += '/';
      path += entry;
    }
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  // A trailing separator the dialog kept stays.
  if (!shown.empty() && shown.back() == '/' && (path.empty() || path.back() != '/')) path += '/';
  return path;
}

}  // namespace zel
