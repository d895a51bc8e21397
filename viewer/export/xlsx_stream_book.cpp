// The streaming workbook. A sheet's rows are XML the moment they are
// written; a thread of their own deflates them, with the sheet's tail, into
// a scratch file beside the output (one deflate stream per sheet, see
// sheet_deflater.h). The
// sheet's head (its column widths come last) is deflated apart at close and
// put in front: a deflate piece that ends on a byte boundary without a final
// block, followed by another stream, makes one stream, and the CRC-32s
// combine. So the rows are formatted and compressed once, in parallel with
// the report being read, and close only copies them.
//
// The parts are written as libxlsxwriter writes them (the same XML, the
// same style numbering in the order formats are first used), so the two
// give readers the same workbook.
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>
#include <memory>

#include "output_file.h"
#include "sheet_deflater.h"
#include "sheet_writer.h"
#include "xlsx_book.h"
#include "xlsx_theme.h"
#include "zip_writer.h"

namespace zel {
namespace {

constexpr std::size_t kCopyBytes = 1 << 20;
constexpr std::size_t kOutputBytes = 1 << 20;

const char kXmlDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
const char kMainNs[] = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const char kRelNs[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const char kPackageRelNs[] = "http://schemas.openxmlformats.org/package/2006/relationships";

// The library's "%.16G": integers as integers, others to 16 digits.
void appendNumber(std::string& out, double v) {
  char buffer[64];
  char* end;
  if (std::isfinite(v) && v == std::trunc(v) && std::fabs(v) < 1e15) {
    if (v == 0 && std::signbit(v)) {
      out += "-0";
      return;
    }
    end = std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(v)).ptr;
  } else {
    end = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 16).ptr;
    for (char* p = buffer; p < end; ++p)
      if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 'a' + 'A');
  }
  out.append(buffer, end);
}

std::string numberText(double v) {
  std::string s;
  appendNumber(s, v);
  return s;
}

void appendColumnName(std::string& out, int col) {
  char name[4];
  int n = 0;
  for (++col; col > 0; col = (col - 1) / 26) name[n++] = static_cast<char>('A' + (col - 1) % 26);
  while (n > 0) out += name[--n];
}

void appendCell(std::string& out, long row, int col) {
  appendColumnName(out, col);
  char buffer[24];
  out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, row + 1).ptr);
}

std::string cellName(long row, int col) {
  std::string s;
  appendCell(s, row, col);
  return s;
}

std::string absoluteCell(long row, int col) {
  std::string s = "$";
  appendColumnName(s, col);
  return s + "$" + std::to_string(row + 1);
}

// Text between tags; quote: also for attribute values.
void appendEscaped(std::string& out, std::string_view text, bool quote = false) {
  std::size_t from = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char* with = nullptr;
    switch (text[i]) {
      case '&': with = "&amp;"; break;
      case '<': with = "&lt;"; break;
      case '>': with = "&gt;"; break;
      case '"':
        if (quote) with = "&quot;";
        break;
      default: break;
    }
    if (!with) continue;
    out.append(text, from, i - from);
    out += with;
    from = i + 1;
  }
  out.append(text, from, std::string_view::npos);
}

std::string escaped(std::string_view text, bool quote = false) {
  std::string s;
  appendEscaped(s, text, quote);
  return s;
}

bool isControl(unsigned char c) { return c < 0x20 && c != '\t' && c != '\n'; }

bool isSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// A sheet's name as formulas write it: quoted unless it is a plain word.
std::string quotedSheet(const std::string& name) {
  bool plain = !name.empty();
  for (char c : name)
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '.'))
      plain = false;
  if (plain) return name;
  std::string q = "'";
  for (char c : name) {
    q += c;
    if (c == '\'') q += '\'';
  }
  return q + "'";
}

const char* alignName(XlsxAlign a) {
  switch (a) {
    case XlsxAlign::kLeft: return "left";
    case XlsxAlign::kCenter: return "center";
    case XlsxAlign::kRight: return "right";
    default: return nullptr;
  }
}

struct Column {
  int col;
  double width;
  int format;
};

struct Sheet {
  std::string name;
  bool landscape = false;
  double margins[4] = {0.7, 0.7, 0.75, 0.75};  // left, right, top, bottom
  double rowPoints = 0;
  long freeze = 0;
  long repeatFirst = -1, repeatLast = -1;
  std::vector<unsigned> breaks;
  long printLastRow = -1;
  int printLastCol = -1;
  std::vector<std::array<long, 4>> merges;
  long minRow = -1, maxRow = -1;
  int minCol = -1, maxCol = -1;
  std::vector<Column> columns;
};

struct Cell {
  int col = 0;
  int xf = 0;
  enum Kind { kBlank, kNumber, kText } kind = kBlank;
  double number = 0;
  std::string text;
};

struct DefinedName {
  std::string name;  // _xlnm.Print_Area
  std::string app;  // 'Sheet'!Print_Area
  std::string key;  // what they are sorted by
  int sheet;
  std::string formula;
};

class StreamingBook : public XlsxBook {
 public:
  StreamingBook(OutputFile& output, std::size_t wholeSheetBytes)
      : output_(output), rows_(output.extraPart(1), wholeSheetBytes) {
    XlsxFormat normal;  // the default style
    normal.font = "Calibri";
    xfs_.push_back(normal);
  }

  int format(const XlsxFormat& format) override {
    formats_.push_back(format);
    xfOf_.push_back(-1);
    return static_cast<int>(formats_.size() - 1);
  }

  void properties(const std::string& title, const std::string& subject, const std::string& company) override {
    title_ = title;
    subject_ = subject;
    company_ = company;
  }

  void addSheet(const std::string& name) override {
    endSheet();
    sheets_.emplace_back();
    sheets_.back().name = name;
    sheetOpen_ = true;
    row_ = -1;
    cells_ = 0;
  }

  void pageSetup(bool landscape, double left, double right, double top, double bottom, double rowPoints) override {
    Sheet& s = sheets_.back();
    s.landscape = landscape;
    const double margins[4] = {left, right, top, bottom};
    for (int i = 0; i < 4; ++i)
      if (margins[i] >= 0) s.margins[i] = margins[i];
    if (rowPoints > 0) {
      s.rowPoints = rowPoints;
      height_ = " ht=\"" + numberText(rowPoints) + "\" customHeight=\"1\"";
    } else {
      height_.clear();
    }
  }

  void merge(long row, int col, long lastRow, int lastCol, int format) override {
    Sheet& s = sheets_.back();
    if (row > lastRow) std::swap(row, lastRow);
    if (col > lastCol) std::swap(col, lastCol);
    s.merges.push_back({row, col, lastRow, lastCol});
    dimension(row, col);
    dimension(lastRow, lastCol);
    if (format < 0) return;
    blank(row, col, format);
    for (long r = row; r <= lastRow; ++r)
      for (int c = col; c <= lastCol; ++c)
        if (r != row || c != col) blank(r, c, format);
  }

  void text(long row, int col, const std::string& utf8, int format) override {
    if (utf8.empty()) {
      blank(row, col, format);
      return;
    }
    Cell* cell = at(row, col);
    if (!cell) return;
    cell->kind = Cell::kText;
    cell->xf = xf(format);
    cell->text = utf8;
  }

  void number(long row, int col, double value, int format) override {
    Cell* cell = at(row, col);
    if (!cell) return;
    cell->kind = Cell::kNumber;
    cell->xf = xf(format);
    cell->number = value;
  }

  void blank(long row, int col, int format) override {
    if (format < 0) return;  // an empty cell without a format is no cell
    Cell* cell = at(row, col);
    if (!cell) return;
    cell->kind = Cell::kBlank;
    cell->xf = xf(format);
  }

  void freezeRows(long rows) override { sheets_.back().freeze = rows; }

  void repeatRows(long first, long last) override {
    Sheet& s = sheets_.back();
    s.repeatFirst = std::min(first, last);
    s.repeatLast = std::max(first, last);
  }

  void pageBreaks(const std::vector<unsigned>& rows) override { sheets_.back().breaks = rows; }

  void printArea(long lastRow, int lastCol) override {
    sheets_.back().printLastRow = lastRow;
    sheets_.back().printLastCol = lastCol;
  }

  void column(int sheet, int col, double width, int format) override {
    Sheet& s = sheets_.at(static_cast<std::size_t>(sheet));
    s.columns.push_back({col, width, xf(format)});
    if (format >= 0) {
      s.minCol = s.minCol < 0 ? col : std::min(s.minCol, col);
      s.maxCol = std::max(s.maxCol, col);
    }
  }

  void close() override;

 private:
  int xf(int format);
  Cell* at(long row, int col);
  void dimension(long row, int col);
  void flushRow();
  void endSheet();
  std::string sheetHead(std::size_t index) const;
  std::string sheetTail(const Sheet& s) const;
  std::string styles() const;
  std::vector<DefinedName> definedNames() const;
  void write(const char* data, std::size_t size);
  void flushOutput();

  OutputFile& output_;
  SheetDeflater rows_;
  std::vector<XlsxFormat> formats_;
  std::vector<int> xfOf_;  // by format: its style number, -1 until first used
  std::vector<XlsxFormat> xfs_;  // by style number
  std::map<std::string, int> xfByKey_;
  std::string title_, subject_, company_;
  std::vector<Sheet> sheets_;
  bool sheetOpen_ = false;
  long row_ = -1;  // being written; -1: none yet
  std::vector<Cell> rowCells_;
  std::size_t cells_ = 0;  // of rowCells_ in use
  std::string height_;  // the rows' height attributes
  std::string out_;  // output not yet written
};

std::string formatKey(const XlsxFormat& f) {
  std::string k = f.font + '\0' + numberText(f.size) + '\0' + f.numberFormat + '\0';
  k += static_cast<char>('0' + f.bold);
  k += static_cast<char>('0' + static_cast<int>(f.align));
  k += static_cast<char>('0' + f.middle);
  k += static_cast<char>('0' + f.shrink);
  k += static_cast<char>('0' + f.left);
  k += static_cast<char>('0' + f.right);
  k += static_cast<char>('0' + f.top);
  k += static_cast<char>('0' + f.bottom);
  return k;
}

int StreamingBook::xf(int format) {
  if (format < 0) return 0;
  int& x = xfOf_[static_cast<std::size_t>(format)];
  if (x >= 0) return x;
  const XlsxFormat& f = formats_[static_cast<std::size_t>(format)];
  const auto [it, added] = xfByKey_.emplace(formatKey(f), static_cast<int>(xfs_.size()));
  if (added) xfs_.push_back(f);
  x = it->second;
  return x;
}

void StreamingBook::dimension(long row, int col) {
  Sheet& s = sheets_.back();
  s.minRow = s.minRow < 0 ? row : std::min(s.minRow, row);
  s.maxRow = std::max(s.maxRow, row);
  s.minCol = s.minCol < 0 ? col : std::min(s.minCol, col);
  s.maxCol = std::max(s.maxCol, col);
}

Cell* StreamingBook::at(long row, int col) {
  if (row < row_) return nullptr;  // that row is written already
  if (row > row_) {
    flushRow();
    row_ = row;
  }
  dimension(row, col);
  // Cells come mostly left to right; a later write to a cell replaces it.
  std::size_t i = cells_;
  while (i > 0 && rowCells_[i - 1].col >= col) --i;
  if (i < cells_ && rowCells_[i].col == col) return &rowCells_[i];
  if (rowCells_.size() <= cells_) rowCells_.resize(cells_ + 1);
  std::rotate(rowCells_.begin() + static_cast<long>(i), rowCells_.begin() + static_cast<long>(cells_),
              rowCells_.begin() + static_cast<long>(cells_) + 1);
  ++cells_;
  Cell& cell = rowCells_[i];
  cell.col = col;
  return &cell;
}

void StreamingBook::flushRow() {
  if (row_ < 0 || cells_ == 0) {
    cells_ = 0;
    return;
  }
  std::string& out = rows_.filling();
  char r[24];
  const std::string_view rowNumber(r, static_cast<std::size_t>(std::to_chars(r, r + sizeof r, row_ + 1).ptr - r));
  out += "<row r=\"";
  out += rowNumber;
  out += '"';
  out += height_;
  out += '>';
  for (std::size_t i = 0; i < cells_; ++i) {
    const Cell& c = rowCells_[i];
    out += "<c r=\"";
    appendColumnName(out, c.col);
    out += rowNumber;
    out += '"';
    if (c.xf > 0) {
      out += " s=\"";
      char s[12];
      out.append(s, std::to_chars(s, s + sizeof s, c.xf).ptr);
      out += '"';
    }
    switch (c.kind) {
      case Cell::kBlank: out += "/>"; break;
      case Cell::kNumber:
        out += "><v>";
        appendNumber(out, c.number);
        out += "</v></c>";
        break;
      case Cell::kText: {
        out += " t=\"inlineStr\"><is><t";
        if (isSpace(static_cast<unsigned char>(c.text.front())) || isSpace(static_cast<unsigned char>(c.text.back())))
          out += " xml:space=\"preserve\"";
        out += '>';
        if (std::none_of(c.text.begin(), c.text.end(),
                         [](char ch) { return isControl(static_cast<unsigned char>(ch)); })) {
          appendEscaped(out, c.text);
        } else {
          std::string plain;
          for (char ch : c.text) {
            if (!isControl(static_cast<unsigned char>(ch))) {
              plain += ch;
              continue;
            }
            char hex[8];
            std::snprintf(hex, sizeof hex, "_x%04X_", static_cast<unsigned char>(ch));
            plain += hex;
          }
          appendEscaped(out, plain);
        }
        out += "</t></is></c>";
        break;
      }
    }
  }
  out += "</row>";
  cells_ = 0;
  rows_.sent();
}

void StreamingBook::endSheet() {
  if (!sheetOpen_) return;
  sheetOpen_ = false;
  flushRow();
  rows_.endSheet(sheetTail(sheets_.back()));
}

std::string StreamingBook::sheetHead(std::size_t index) const {
  const Sheet& s = sheets_[index];
  std::string x = kXmlDeclaration;
  x += "<worksheet xmlns=\"";
  x += kMainNs;
  x += "\" xmlns:r=\"";
  x += kRelNs;
  x += "\"><sheetPr><pageSetUpPr fitToPage=\"1\"/></sheetPr><dimension ref=\"";
  if (s.maxRow < 0) {
    x += "A1";
  } else {
    const std::string first = cellName(s.minRow, s.minCol), last = cellName(s.maxRow, s.maxCol);
    x += first;
    if (last != first) x += ":" + last;
  }
  x += "\"/><sheetViews><sheetView ";
  if (index == 0) x += "tabSelected=\"1\" ";
  x += "workbookViewId=\"0\"";
  if (s.freeze > 0) {
    x += "><pane ySplit=\"" + std::to_string(s.freeze) + "\" topLeftCell=\"" + cellName(s.freeze, 0) +
         "\" activePane=\"bottomLeft\" state=\"frozen\"/><selection pane=\"bottomLeft\"/></sheetView>";
  } else {
    x += "/>";
  }
  x += "</sheetViews><sheetFormatPr defaultRowHeight=\"";
  if (s.rowPoints > 0)
    x += numberText(s.rowPoints) + "\" customHeight=\"1\"/>";
  else
    x += "15\"/>";
  if (!s.columns.empty()) {
    std::vector<Column> columns = s.columns;
    std::stable_sort(columns.begin(), columns.end(), [](const Column& a, const Column& b) { return a.col < b.col; });
    x += "<cols>";
    for (const Column& c : columns) {
      // Stored as Excel keeps widths: whole pixels of a 7-pixel digit plus 5 of padding, in 256ths.
      constexpr double kDigit = 7, kPadding = 5;
      double width = c.width;
      if (width > 0) {
        if (width < 1)
          width = static_cast<std::uint16_t>(static_cast<std::uint16_t>(width * (kDigit + kPadding) + 0.5) / kDigit *
                                             256.0) /
                  256.0;
        else
          width = static_cast<std::uint16_t>(
                      static_cast<std::uint16_t>(static_cast<std::uint16_t>(width * kDigit + 0.5) + kPadding) / kDigit *
                      256.0) /
                  256.0;
      }
      const std::string n = std::to_string(c.col + 1);
      x += "<col min=\"" + n + "\" max=\"" + n + "\" width=\"" + numberText(width) + "\"";
      if (c.format > 0) x += " style=\"" + std::to_string(c.format) + "\"";
      x += " customWidth=\"1\"/>";
    }
    x += "</cols>";
  }
  x += "<sheetData>";
  return x;
}

std::string StreamingBook::sheetTail(const Sheet& s) const {
  std::string x = "</sheetData>";
  if (!s.merges.empty()) {
    x += "<mergeCells count=\"" + std::to_string(s.merges.size()) + "\">";
    for (const auto& m : s.merges)
      x += "<mergeCell ref=\"" + cellName(m[0], static_cast<int>(m[1])) + ":" + cellName(m[2], static_cast<int>(m[3])) +
           "\"/>";
    x += "</mergeCells>";
  }
  x += "<pageMargins left=\"" + numberText(s.margins[0]) + "\" right=\"" + numberText(s.margins[1]) + "\" top=\"" +
       numberText(s.margins[2]) + "\" bottom=\"" + numberText(s.margins[3]) + "\" header=\"0.3\" footer=\"0.3\"/>";
  x += "<pageSetup paperSize=\"9\" fitToHeight=\"0\" orientation=\"";
  x += s.landscape ? "landscape" : "portrait";
  x += "\"/>";
  std::vector<unsigned> breaks;
  for (unsigned b : s.breaks)
    if (b > 0) breaks.push_back(b);
  std::sort(breaks.begin(), breaks.end());
  if (breaks.size() > 1023) breaks.resize(1023);  // Excel's most
  if (!breaks.empty()) {
    const std::string n = std::to_string(breaks.size());
    x += "<rowBreaks count=\"" + n + "\" manualBreakCount=\"" + n + "\">";
    for (unsigned b : breaks) x += "<brk id=\"" + std::to_string(b) + "\" max=\"16383\" man=\"1\"/>";
    x += "</rowBreaks>";
  }
  x += "</worksheet>";
  return x;
}

std::vector<DefinedName> StreamingBook::definedNames() const {
  std::vector<DefinedName> names;
  for (std::size_t i = 0; i < sheets_.size(); ++i) {
    const Sheet& s = sheets_[i];
    const std::string sheet = quotedSheet(s.name);
    if (s.printLastRow >= 0) {
      std::string area = absoluteCell(0, 0);
      if (s.printLastRow > 0 || s.printLastCol > 0) area += ":" + absoluteCell(s.printLastRow, s.printLastCol);
      names.push_back(
          {"_xlnm.Print_Area", sheet + "!Print_Area", "print_area" + sheet, static_cast<int>(i), sheet + "!" + area});
    }
    if (s.repeatFirst >= 0)
      names.push_back({"_xlnm.Print_Titles", sheet + "!Print_Titles", "print_titles" + sheet, static_cast<int>(i),
                       sheet + "!$" + std::to_string(s.repeatFirst + 1) + ":$" + std::to_string(s.repeatLast + 1)});
  }
  std::stable_sort(names.begin(), names.end(),
                   [](const DefinedName& a, const DefinedName& b) { return a.key < b.key; });
  return names;
}

std::string StreamingBook::styles() const {
  // Fonts, borders and number formats numbered as the styles first use them.
  std::vector<const XlsxFormat*> fonts{&xfs_[0]};
  std::vector<const XlsxFormat*> borders{&xfs_[0]};
  std::vector<std::string> numberFormats;
  std::vector<std::array<int, 3>> ids;  // by style: font, border, number format
  for (const XlsxFormat& f : xfs_) {
    std::array<int, 3> id{};
    const auto font = std::find_if(fonts.begin(), fonts.end(), [&](const XlsxFormat* o) {
      return o->font == f.font && o->size == f.size && o->bold == f.bold;
    });
    id[0] = static_cast<int>(font - fonts.begin());
    if (font == fonts.end()) fonts.push_back(&f);
    const auto border = std::find_if(borders.begin(), borders.end(), [&](const XlsxFormat* o) {
      return o->left == f.left && o->right == f.right && o->top == f.top && o->bottom == f.bottom;
    });
    id[1] = static_cast<int>(border - borders.begin());
    if (border == borders.end()) borders.push_back(&f);
    if (!f.numberFormat.empty() && f.numberFormat != "General") {
      const auto n = std::find(numberFormats.begin(), numberFormats.end(), f.numberFormat);
      id[2] = 164 + static_cast<int>(n - numberFormats.begin());
      if (n == numberFormats.end()) numberFormats.push_back(f.numberFormat);
    }
    ids.push_back(id);
  }
  std::string x = kXmlDeclaration;
  x += "<styleSheet xmlns=\"";
  x += kMainNs;
  x += "\">";
  if (!numberFormats.empty()) {
    x += "<numFmts count=\"" + std::to_string(numberFormats.size()) + "\">";
    for (std::size_t i = 0; i < numberFormats.size(); ++i)
      x += "<numFmt numFmtId=\"" + std::to_string(164 + i) + "\" formatCode=\"" + escaped(numberFormats[i], true) +
           "\"/>";
    x += "</numFmts>";
  }
  x += "<fonts count=\"" + std::to_string(fonts.size()) + "\">";
  for (const XlsxFormat* f : fonts) {
    x += "<font>";
    if (f->bold) x += "<b/>";
    x += "<sz val=\"" + numberText(f->size) + "\"/><color theme=\"1\"/><name val=\"" + escaped(f->font, true) +
         "\"/><family val=\"2\"/>";
    if (f->font == "Calibri") x += "<scheme val=\"minor\"/>";
    x += "</font>";
  }
  x += "</fonts><fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill><fill><patternFill "
       "patternType=\"gray125\"/></fill></fills>";
  x += "<borders count=\"" + std::to_string(borders.size()) + "\">";
  for (const XlsxFormat* b : borders) {
    x += "<border>";
    const std::pair<const char*, bool> sides[] = {
        {"left", b->left}, {"right", b->right}, {"top", b->top}, {"bottom", b->bottom}};
    for (const auto& [side, thin] : sides) {
      x += "<";
      x += side;
      if (thin) {
        x += " style=\"thin\"><color auto=\"1\"/></";
        x += side;
        x += ">";
      } else {
        x += "/>";
      }
    }
    x += "<diagonal/></border>";
  }
  x +=
      "</borders><cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>";
  x += "<cellXfs count=\"" + std::to_string(xfs_.size()) + "\">";
  for (std::size_t i = 0; i < xfs_.size(); ++i) {
    const XlsxFormat& f = xfs_[i];
    const auto& id = ids[i];
    x += "<xf numFmtId=\"" + std::to_string(id[2]) + "\" fontId=\"" + std::to_string(id[0]) +
         "\" fillId=\"0\" borderId=\"" + std::to_string(id[1]) + "\" xfId=\"0\"";
    if (id[2] > 0) x += " applyNumberFormat=\"1\"";
    if (id[0] > 0) x += " applyFont=\"1\"";
    if (id[1] > 0) x += " applyBorder=\"1\"";
    const char* h = alignName(f.align);
    if (!h && !f.middle && !f.shrink) {
      x += "/>";
      continue;
    }
    x += " applyAlignment=\"1\"><alignment";
    if (h) x += std::string(" horizontal=\"") + h + "\"";
    if (f.middle) x += " vertical=\"center\"";
    if (f.shrink) x += " shrinkToFit=\"1\"";
    x += "/></xf>";
  }
  x += "</cellXfs><cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
       "<dxfs count=\"0\"/><tableStyles count=\"0\" defaultTableStyle=\"TableStyleMedium9\" "
       "defaultPivotStyle=\"PivotStyleLight16\"/></styleSheet>";
  return x;
}

void StreamingBook::write(const char* data, std::size_t size) {
  out_.append(data, size);
  if (out_.size() >= kOutputBytes) flushOutput();
}

void StreamingBook::flushOutput() {
  output_.write(out_.data(), out_.size());
  out_.clear();
}

void StreamingBook::close() {
  endSheet();
  const std::vector<SheetDeflater::Piece> pieces = rows_.finish();
  const std::vector<DefinedName> names = definedNames();
  const std::size_t n = sheets_.size();

  ZipWriter zip([this](const char* data, std::size_t size) { write(data, size); });
  std::string types = kXmlDeclaration;
  types +=
      "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Default Extension=\"rels\" "
      "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/><Default Extension=\"xml\" "
      "ContentType=\"application/xml\"/><Override PartName=\"/docProps/app.xml\" "
      "ContentType=\"application/vnd.openxmlformats-officedocument.extended-properties+xml\"/><Override "
      "PartName=\"/docProps/core.xml\" ContentType=\"application/vnd.openxmlformats-package.core-properties+xml\"/>"
      "<Override PartName=\"/xl/styles.xml\" "
      "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/><Override "
      "PartName=\"/xl/theme/theme1.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.theme+xml\"/>"
      "<Override PartName=\"/xl/workbook.xml\" "
      "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>";
  for (std::size_t i = 1; i <= n; ++i)
    types += "<Override PartName=\"/xl/worksheets/sheet" + std::to_string(i) +
             ".xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>";
  types += "</Types>";
  zip.add("[Content_Types].xml", types);

  std::string rels = kXmlDeclaration;
  rels += "<Relationships xmlns=\"";
  rels += kPackageRelNs;
  rels +=
      "\"><Relationship Id=\"rId1\" "
      "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
      "Target=\"xl/workbook.xml\"/><Relationship Id=\"rId2\" "
      "Type=\"http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties\" "
      "Target=\"docProps/core.xml\"/><Relationship Id=\"rId3\" "
      "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/extended-properties\" "
      "Target=\"docProps/app.xml\"/></Relationships>";
  zip.add("_rels/.rels", rels);

  std::string bookRels = kXmlDeclaration;
  bookRels += "<Relationships xmlns=\"";
  bookRels += kPackageRelNs;
  bookRels += "\">";
  const auto relationship = [&](std::size_t id, const char* type, const std::string& target) {
    bookRels += "<Relationship Id=\"rId" + std::to_string(id) +
                "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/" + type +
                "\" Target=\"" + target + "\"/>";
  };
  for (std::size_t i = 1; i <= n; ++i) relationship(i, "worksheet", "worksheets/sheet" + std::to_string(i) + ".xml");
  relationship(n + 1, "theme", "theme/theme1.xml");
  relationship(n + 2, "styles", "styles.xml");
  bookRels += "</Relationships>";
  zip.add("xl/_rels/workbook.xml.rels", bookRels);

  std::vector<char> copy(kCopyBytes);
  for (std::size_t i = 0; i < n; ++i) {
    const std::string head = sheetHead(i);
    const SheetDeflater::Piece& rows = pieces[i];  // with the tail
    const std::string headDeflated = Deflate(head, false, Z_DEFAULT_COMPRESSION);
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(head.data()), static_cast<uInt>(head.size()));
    crc = crc32_combine(crc, rows.crc, static_cast<z_off_t>(rows.size));
    zip.beginEntry("xl/worksheets/sheet" + std::to_string(i + 1) + ".xml", static_cast<std::uint32_t>(crc),
                   headDeflated.size() + rows.compressed, head.size() + rows.size);
    zip.write(headDeflated.data(), headDeflated.size());
    for (std::uint64_t done = 0; done < rows.compressed;) {
      const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(copy.size(), rows.compressed - done));
      rows_.read(rows.offset + done, copy.data(), take);
      zip.write(copy.data(), take);
      done += take;
    }
    // The copied rows give their room back, so a sheet at a time is held twice on the disk.
    rows_.release(rows.offset, rows.compressed);
  }

  std::string book = kXmlDeclaration;
  book += "<workbook xmlns=\"";
  book += kMainNs;
  book += "\" xmlns:r=\"";
  book += kRelNs;
  book +=
      "\"><fileVersion appName=\"xl\" lastEdited=\"4\" lowestEdited=\"4\" rupBuild=\"4505\"/><workbookPr "
      "defaultThemeVersion=\"124226\"/><bookViews><workbookView xWindow=\"240\" yWindow=\"15\" "
      "windowWidth=\"16095\" windowHeight=\"9660\"/></bookViews><sheets>";
  for (std::size_t i = 0; i < n; ++i)
    book += "<sheet name=\"" + escaped(sheets_[i].name, true) + "\" sheetId=\"" + std::to_string(i + 1) +
            "\" r:id=\"rId" + std::to_string(i + 1) + "\"/>";
  book += "</sheets>";
  if (!names.empty()) {
    book += "<definedNames>";
    for (const DefinedName& d : names)
      book += "<definedName name=\"" + d.name + "\" localSheetId=\"" + std::to_string(d.sheet) + "\">" +
              escaped(d.formula) + "</definedName>";
    book += "</definedNames>";
  }
  book += "<calcPr calcId=\"124519\" fullCalcOnLoad=\"1\"/></workbook>";
  zip.add("xl/workbook.xml", book);
  zip.add("xl/theme/theme1.xml", kXlsxTheme);
  zip.add("xl/styles.xml", styles());

  char date[32];
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%SZ", &utc);
  std::string core = kXmlDeclaration;
  core +=
      "<cp:coreProperties "
      "xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
      "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:dcterms=\"http://purl.org/dc/terms/\" "
      "xmlns:dcmitype=\"http://purl.org/dc/dcmitype/\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">";
  core += "<dc:title>" + escaped(title_) + "</dc:title><dc:subject>" + escaped(subject_) +
          "</dc:subject><dc:creator></dc:creator><cp:lastModifiedBy></cp:lastModifiedBy>";
  core += std::string("<dcterms:created xsi:type=\"dcterms:W3CDTF\">") + date +
          "</dcterms:created><dcterms:modified xsi:type=\"dcterms:W3CDTF\">" + date +
          "</dcterms:modified></cp:coreProperties>";
  zip.add("docProps/core.xml", core);

  std::string app = kXmlDeclaration;
  app +=
      "<Properties xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\" "
      "xmlns:vt=\"http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes\"><Application>Microsoft "
      "Excel</Application><DocSecurity>0</DocSecurity><ScaleCrop>false</ScaleCrop><HeadingPairs><vt:vector size=\"";
  app += names.empty() ? "2" : "4";
  app += "\" baseType=\"variant\"><vt:variant><vt:lpstr>Worksheets</vt:lpstr></vt:variant><vt:variant><vt:i4>" +
         std::to_string(n) + "</vt:i4></vt:variant>";
  if (!names.empty())
    app += "<vt:variant><vt:lpstr>Named Ranges</vt:lpstr></vt:variant><vt:variant><vt:i4>" +
           std::to_string(names.size()) + "</vt:i4></vt:variant>";
  app += "</vt:vector></HeadingPairs><TitlesOfParts><vt:vector size=\"" + std::to_string(n + names.size()) +
         "\" baseType=\"lpstr\">";
  for (const Sheet& s : sheets_) app += "<vt:lpstr>" + escaped(s.name) + "</vt:lpstr>";
  for (const DefinedName& d : names) app += "<vt:lpstr>" + escaped(d.app) + "</vt:lpstr>";
  app += "</vt:vector></TitlesOfParts><Company>" + escaped(company_) +
         "</Company><LinksUpToDate>false</LinksUpToDate><SharedDoc>false</SharedDoc><HyperlinksChanged>false</"
         "HyperlinksChanged><AppVersion>12.0000</AppVersion></Properties>";
  zip.add("docProps/app.xml", app);
  zip.finish();
  flushOutput();
}

}  // namespace

std::unique_ptr<XlsxBook> MakeStreamingBook(OutputFile& output, std::size_t wholeSheetBytes) {
  return std::make_unique<StreamingBook>(output, wholeSheetBytes);
}

}  // namespace zel
