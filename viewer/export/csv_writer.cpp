#include "csv_writer.h"

#include <cerrno>
#include <cstring>

#include "export_layout.h"

namespace zel {
namespace {

constexpr std::size_t kFlushAt = 1 << 16;
const char kBom[] = "\xEF\xBB\xBF";

bool needsQuotes(const std::string& s) { return s.find_first_of(",\"\r\n") != std::string::npos; }

// The page's number text without its thousands separators.
std::string plainNumber(const std::string& shown) {
  std::string out;
  out.reserve(shown.size());
  for (char c : shown)
    if (c != ',') out += c;
  return out;
}

}  // namespace

CsvWriter::CsvWriter(const std::string& path, bool raw) : path_(path), raw_(raw) {
  file_ = std::fopen(path.c_str(), "wb");
  if (!file_) throw ExportError("cannot write " + path + ": " + std::strerror(errno), errno);
  buffer_.reserve(kFlushAt * 2);
}

CsvWriter::~CsvWriter() {
  if (file_) std::fclose(file_);
}

std::string CsvWriter::Field(const std::string& utf8) {
  if (!needsQuotes(utf8)) return utf8;
  std::string out = "\"";
  for (char c : utf8) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

bool CsvWriter::LooksLikeFormula(const std::string& text) {
  if (text.empty()) return false;
  switch (text[0]) {
    case '=':
    case '+':
    case '-':
    case '@':
    case '\t':
    case '\r': return true;
    default: return false;
  }
}

void CsvWriter::put(const std::string& s) {
  buffer_ += s;
  if (buffer_.size() >= kFlushAt) {
    if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size())
      throw ExportError("cannot write " + path_ + ": " + std::strerror(errno), errno);
    buffer_.clear();
  }
}

void CsvWriter::field(const std::string& utf8, bool first) {
  if (!first) buffer_ += ',';
  if (needsQuotes(utf8))
    put(Field(utf8));
  else
    put(utf8);
}

void CsvWriter::textField(const std::string& utf8, bool first) {
  if (raw_ || !LooksLikeFormula(utf8)) return field(utf8, first);
  field("'" + utf8, first);
}

void CsvWriter::endRecord() { put("\r\n"); }

void CsvWriter::begin(const ExportLayout& layout) {
  put(kBom);
  const std::size_t n = layout.columns.size();
  for (int row = 0; row < layout.headerRows; ++row) {
    std::vector<std::string> cells(n);
    for (const HeaderCell& h : layout.header)
      if (h.row == row && h.col >= 0 && static_cast<std::size_t>(h.col) < n) cells[h.col] = h.text;
    for (std::size_t c = 0; c < n; ++c) textField(utf8_.convert(cells[c]), c == 0);
    endRecord();
  }
}

void CsvWriter::line(const ExportLine& line) {
  for (std::size_t c = 0; c < line.cells.size(); ++c) {
    const ExportCell& cell = line.cells[c];
    switch (cell.kind) {
      case CellKind::kEmpty: field(std::string(), c == 0); break;
      case CellKind::kNumber: field(plainNumber(cell.text), c == 0); break;
      case CellKind::kText: textField(utf8_.convert(cell.text), c == 0); break;
    }
  }
  endRecord();
}

void CsvWriter::finish() {
  if (!file_) return;
  const bool written = std::fwrite(buffer_.data(), 1, buffer_.size(), file_) == buffer_.size();
  const int writeError = errno;
  buffer_.clear();
  const bool closed = std::fclose(file_) == 0;
  const int error = written ? errno : writeError;
  file_ = nullptr;
  if (!written || !closed) throw ExportError("cannot write " + path_ + ": " + std::strerror(error), error);
}

}  // namespace zel
