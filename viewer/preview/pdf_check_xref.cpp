// CheckPdfFile for builds without libqpdf (Windows): the file is read by its
// own cross-reference table, as a reader opens it without repair. Every
// object the table lists must start where the table says, the table must be
// where "startxref" says and be followed by the trailer, and the file must
// end with "%%EOF"; a file cut short (a full disk) fails at least one of
// these. Pages are the objects of type /Page. Enough for the PDFs the
// program writes itself (a classic table, no cross-reference streams).
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "pdf_check.h"

namespace zel {
namespace {

bool isSpace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0'; }
bool isDelimiter(char c) { return isSpace(c) || std::strchr("()<>[]{}/%", c) != nullptr; }

// Reads an unsigned number at at (after blanks); false when there is none.
bool readNumber(std::string_view s, std::size_t& at, unsigned long long& value) {
  while (at < s.size() && isSpace(s[at])) ++at;
  const std::size_t start = at;
  value = 0;
  while (at < s.size() && std::isdigit(static_cast<unsigned char>(s[at])) && at - start < 19)
    value = value * 10 + static_cast<unsigned>(s[at++] - '0');
  return at > start;
}

bool readWord(std::string_view s, std::size_t& at, std::string_view word) {
  while (at < s.size() && isSpace(s[at])) ++at;
  if (s.substr(at, word.size()) != word) return false;
  at += word.size();
  return at == s.size() || isDelimiter(s[at]);
}

// "<number> <generation> obj" at offset.
bool objectAt(std::string_view s, unsigned long long offset, unsigned long long number, unsigned long long generation) {
  if (offset >= s.size()) return false;
  std::size_t at = static_cast<std::size_t>(offset);
  unsigned long long n = 0, g = 0;
  return readNumber(s, at, n) && n == number && readNumber(s, at, g) && g == generation && readWord(s, at, "obj");
}

int countPages(std::string_view s) {
  int pages = 0;
  for (std::size_t at = s.find("/Type"); at != std::string_view::npos; at = s.find("/Type", at + 1)) {
    std::size_t p = at + 5;
    while (p < s.size() && isSpace(s[p])) ++p;
    if (s.substr(p, 5) == "/Page" && (p + 5 == s.size() || isDelimiter(s[p + 5]))) ++pages;
  }
  return pages;
}

// Empty when the structure holds; else what is wrong.
std::string structureProblem(std::string_view s) {
  if (s.substr(0, 5) != "%PDF-") return "no PDF header";
  std::size_t end = s.size();
  while (end > 0 && isSpace(s[end - 1])) --end;
  if (end < 5 || s.substr(end - 5, 5) != "%%EOF") return "no end of file mark";
  const std::size_t startxref = s.rfind("startxref", end);
  if (startxref == std::string_view::npos || end - startxref > 64) return "no startxref";
  std::size_t at = startxref + 9;
  unsigned long long table = 0;
  if (!readNumber(s, at, table) || table >= s.size()) return "startxref points outside the file";
  at = static_cast<std::size_t>(table);
  if (!readWord(s, at, "xref")) return "no cross-reference table where startxref points";
  int objects = 0;
  for (;;) {
    std::size_t mark = at;
    if (readWord(s, mark, "trailer")) break;
    unsigned long long first = 0, count = 0;
    if (!readNumber(s, at, first) || !readNumber(s, at, count)) return "damaged cross-reference table";
    for (unsigned long long i = 0; i < count; ++i) {
      unsigned long long offset = 0, generation = 0;
      if (!readNumber(s, at, offset) || !readNumber(s, at, generation)) return "cross-reference table cut short";
      while (at < s.size() && isSpace(s[at])) ++at;
      if (at >= s.size() || (s[at] != 'n' && s[at] != 'f')) return "damaged cross-reference entry";
      const bool used = s[at++] == 'n';
      if (used && !objectAt(s, offset, first + i, generation))
        return "object " + std::to_string(first + i) + " is not where the table says";
      if (used) ++objects;
    }
  }
  if (objects == 0) return "no objects";
  return {};
}

}  // namespace

bool CheckPdfFile(const std::string& file, int pages, std::string& error) {
  std::ifstream in(std::filesystem::path(file), std::ios::binary);
  if (!in) {
    error = file + ": cannot be read";
    return false;
  }
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    error = file + ": cannot be read";
    return false;
  }
  if (const std::string problem = structureProblem(bytes); !problem.empty()) {
    error = file + " is damaged (" + problem + ")";
    return false;
  }
  if (const int found = countPages(bytes); found != pages) {
    error = file + " holds " + std::to_string(found) + " of " + std::to_string(pages) + " pages";
    return false;
  }
  return true;
}

// The whole check here reads the file as bytes, never every page's objects
// into memory, so it serves files of any page count as well.
bool CheckPdfPageCount(const std::string& file, int pages, std::string& error) {
  return CheckPdfFile(file, pages, error);
}

}  // namespace zel
