#include "ini_file.h"

#ifndef _WIN32
#  include <fcntl.h>
#  include <sys/stat.h>
#  include <unistd.h>
#endif

#include <cerrno>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <vector>

namespace zel {
namespace {

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

// A stray CR (a line break cut in half) counts as a blank too.
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
char fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (fold(a[i]) != fold(b[i])) return false;
  return true;
}

// [begin, end) of s without the blanks at either side.
std::pair<std::size_t, std::size_t> trimmed(const std::string& s, std::size_t begin, std::size_t end) {
  while (begin < end && isBlank(s[begin])) ++begin;
  while (end > begin && isBlank(s[end - 1])) --end;
  return {begin, end};
}

// One line of the text: its content [begin, contentEnd) and its terminator up to end.
struct Line {
  std::size_t begin;
  std::size_t contentEnd;
  std::size_t end;
};

std::vector<Line> splitLines(const std::string& text) {
  std::vector<Line> lines;
  std::size_t pos = 0;
  // A byte-order mark belongs to no line's content.
  if (text.compare(0, 3, kUtf8Bom) == 0) pos = 3;
  while (pos < text.size()) {
    std::size_t nl = text.find('\n', pos);
    if (nl == std::string::npos) {
      lines.push_back({pos, text.size(), text.size()});
      break;
    }
    std::size_t contentEnd = (nl > pos && text[nl - 1] == '\r') ? nl - 1 : nl;
    lines.push_back({pos, contentEnd, nl + 1});
    pos = nl + 1;
  }
  return lines;
}

enum class Kind { kBlank, kComment, kSection, kEntry, kOther };

struct Parsed {
  Kind kind = Kind::kOther;
  std::size_t nameBegin = 0, nameEnd = 0;  // section or key name
  std::size_t valueBegin = 0, valueEnd = 0;  // value, blanks removed (entries only)
};

Parsed parseLine(const std::string& text, const Line& line) {
  Parsed p;
  auto [b, e] = trimmed(text, line.begin, line.contentEnd);
  if (b == e) {
    p.kind = Kind::kBlank;
  } else if (text[b] == ';') {
    p.kind = Kind::kComment;
  } else if (text[b] == '[') {
    std::size_t close = text.find(']', b);
    if (close == std::string::npos || close >= e) close = e;
    auto [nb, ne] = trimmed(text, b + 1, close);
    p = {Kind::kSection, nb, ne, 0, 0};
  } else {
    std::size_t eq = text.find('=', b);
    if (eq == std::string::npos || eq >= e) return p;
    auto [kb, ke] = trimmed(text, b, eq);
    auto [vb, ve] = trimmed(text, eq + 1, e);
    p = {Kind::kEntry, kb, ke, vb, ve};
  }
  return p;
}

std::string_view view(const std::string& text, std::size_t b, std::size_t e) {
  return std::string_view(text).substr(b, e - b);
}

// Where the section and the key are: the section header's line index, the line
// index of the key (if found), and the last non-blank line of the section.
struct Place {
  std::optional<std::size_t> section;
  std::optional<std::size_t> key;
  std::size_t lastFilled = 0;
  Parsed keyLine;
};

Place locate(const std::string& text, const std::vector<Line>& lines, const std::string& section,
             const std::string& key) {
  Place place;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    Parsed p = parseLine(text, lines[i]);
    if (p.kind == Kind::kSection) {
      if (place.section) break;  // the first matching section wins
      if (sameName(view(text, p.nameBegin, p.nameEnd), section)) {
        place.section = i;
        place.lastFilled = i;
      }
      continue;
    }
    if (!place.section) continue;
    if (p.kind != Kind::kBlank) place.lastFilled = i;
    if (p.kind == Kind::kEntry && !place.key && sameName(view(text, p.nameBegin, p.nameEnd), key)) {
      place.key = i;
      place.keyLine = p;
    }
  }
  return place;
}

std::string lineEndingOf(const std::string& text) {
  std::size_t nl = text.find('\n');
  if (nl == std::string::npos) return "\r\n";  // the platform's own files use CR LF
  return (nl > 0 && text[nl - 1] == '\r') ? "\r\n" : "\n";
}

#ifndef _WIN32
// Windows reads and writes the files through its profile functions (ini_file_win.cpp).
bool readFile(const std::string& path, std::string& out, bool& missing) {
  struct stat st {};
  missing = ::stat(path.c_str(), &st) != 0 && errno == ENOENT;
  if (missing || !S_ISREG(st.st_mode)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

// Writes text to a new file beside path and renames it over path, so readers
// see the old file or the new one, never half of either.
bool writeFileAtomically(const std::string& path, const std::string& text) {
  struct stat st {};
  const bool existed = ::stat(path.c_str(), &st) == 0;
  static std::mt19937_64 rng{std::random_device{}()};
  std::string tmp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    tmp = path + ".tmp" + std::to_string(rng() % 1000000000ULL);
    fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  bool ok = true;
  const char* p = text.data();
  std::size_t left = text.size();
  while (ok && left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      ok = false;
    else {
      p += n;
      left -= static_cast<std::size_t>(n);
    }
  }
  if (ok && existed) ::fchmod(fd, st.st_mode & 07777);
  if (::close(fd) != 0) ok = false;
  if (ok && ::rename(tmp.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) ::unlink(tmp.c_str());
  return ok;
}
#endif

}  // namespace

std::string iniReadText(const std::string& text, const std::string& section, const std::string& key,
                        const std::string& def) {
  std::vector<Line> lines = splitLines(text);
  Place place = locate(text, lines, section, key);
  if (!place.key) return def;
  std::size_t b = place.keyLine.valueBegin, e = place.keyLine.valueEnd;
  // One pair of matching quotes around the value is not part of it.
  if (e - b >= 2 && (text[b] == '"' || text[b] == '\'') && text[e - 1] == text[b]) {
    ++b;
    --e;
  }
  return text.substr(b, e - b);
}

std::string iniWriteText(const std::string& text, const std::string& section, const std::string& key,
                         const std::string& value) {
  std::vector<Line> lines = splitLines(text);
  Place place = locate(text, lines, section, key);
  const std::string eol = lineEndingOf(text);

  if (place.key) {
    // Only the value's bytes change; an empty value is written right after "=" and its blanks.
    const Parsed& p = place.keyLine;
    std::size_t b = p.valueBegin, e = p.valueEnd;
    if (b == e) {
      b = e = text.find('=', p.nameEnd) + 1;
      while (b < lines[*place.key].contentEnd && isBlank(text[b])) b = ++e;
    }
    return text.substr(0, b) + value + text.substr(e);
  }

  const std::string entry = key + "=" + value;
  if (place.section) {
    const Line& last = lines[place.lastFilled];
    if (last.contentEnd == last.end)  // the file ends on this line without a break
      return text.substr(0, last.end) + eol + entry + text.substr(last.end);
    return text.substr(0, last.end) + entry + eol + text.substr(last.end);
  }

  std::string out = text;
  const bool endsWithBreak = out.empty() || out.back() == '\n' || out == kUtf8Bom;
  if (!endsWithBreak) out += eol;
  out += "[" + section + "]" + eol + entry + eol;
  return out;
}

#ifndef _WIN32
std::string iniRead(const std::string& path, const std::string& section, const std::string& key,
                    const std::string& def) {
  std::string text;
  bool missing = false;
  if (!readFile(path, text, missing)) return def;
  return iniReadText(text, section, key, def);
}

bool iniWrite(const std::string& path, const std::string& section, const std::string& key, const std::string& value) {
  std::string text;
  bool missing = false;
  if (!readFile(path, text, missing) && !missing) return false;
  std::string updated = iniWriteText(text, section, key, value);
  if (!missing && updated == text) return true;
  return writeFileAtomically(path, updated);
}
#endif

}  // namespace zel
