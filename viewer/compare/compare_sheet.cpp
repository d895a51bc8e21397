// One file on purpose, though over 400 lines: the comparison's two sheets (CSV
// and XLSX sections below) share the filtering base and the column table at the
// top, so that both always hold the same rows and columns.
#include "compare_sheet.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "export_file.h"
#include "output_file.h"
#include "message_service.h"
#include "output_guard.h"
#include "sheet_writer.h"
#include "utf8_cache.h"
#include "xlsx_writer.h"

namespace zel {
namespace {

constexpr double kKindWidth = 6, kCodeWidth = 12, kTextWidth = 28, kSizeWidth = 18, kNumberWidth = 13, kPageWidth = 9;
constexpr double kTitleFontSize = 14;
constexpr double kMarginInches = 0.4;
constexpr int kMaxDecimals = 7;

std::string sysError(const std::string& what, const std::string& path) {
  return "cannot " + what + " " + path + ": " + std::strerror(errno);
}

// The caption of a numeric column's group: "재료비 금액", or just "수량".
std::string columnCaption(const CompareColumn& c, Utf8Cache& utf8) {
  const std::string own = utf8.convert(c.caption);
  const std::string group = utf8.convert(c.group);
  if (group.empty() || group == own) return own;
  if (own.empty()) return group;
  return group + " " + own;
}

int decimalsOf(const ShownNumber& a, const ShownNumber& b) {
  return std::clamp(std::max(a.decimals, b.decimals), 0, kMaxDecimals);
}

// Columns of the table: kind, code, identity texts, three per numeric column, pages.
struct TableColumns {
  int code = -1;  // -1 without codes
  int firstText = 0;
  int firstNumber = 0;
  int oldPage = 0, newPage = 0;
  int count = 0;

  explicit TableColumns(const CompareShape& s) {
    int c = 1;
    if (s.byCode) code = c++;
    firstText = c;
    c += static_cast<int>(s.identityCaptions.size());
    firstNumber = c;
    c += 3 * static_cast<int>(s.columns.size());
    oldPage = c++;
    newPage = c++;
    count = c;
  }
};

class FilteringSink : public CompareSheetSink {
 public:
  explicit FilteringSink(bool changedOnly) : changedOnly_(changedOnly) {}
  void line(const CompareLine& l) override {
    if (totalDecimals_.size() < l.before.size()) totalDecimals_.resize(l.before.size(), 0);
    for (std::size_t i = 0; i < l.before.size(); ++i)
      totalDecimals_[i] = std::max(totalDecimals_[i], decimalsOf(l.before[i], l.after[i]));
    if (changedOnly_ && l.change == LineChange::kUnchanged) return;
    ++written_;
    write(l);
  }
  long written() const override { return written_; }

 protected:
  virtual void write(const CompareLine& l) = 0;
  // The decimals a column's total shows: the most any of its values showed.
  int totalDecimals(std::size_t column) const { return column < totalDecimals_.size() ? totalDecimals_[column] : 0; }

 private:
  bool changedOnly_;
  long written_ = 0;
  std::vector<int> totalDecimals_;
};

// ---- CSV ----

#ifdef _WIN32
// Binary: Windows would otherwise add a CR before every LF.
constexpr int kPartOpenFlags = O_WRONLY | O_TRUNC | O_BINARY | O_NOINHERIT;
#else
constexpr int kPartOpenFlags = O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC;
#endif

class CsvCompareSink : public FilteringSink {
 public:
  CsvCompareSink(const std::string& path, bool changedOnly) : FilteringSink(changedOnly), path_(path) {
    // The part file OutputFile made (new, never a planted link).
    fd_ = ::open(path.c_str(), kPartOpenFlags);
    if (fd_ < 0) throw ExportError(sysError("write", path));
  }
  ~CsvCompareSink() override {
    if (fd_ >= 0) ::close(fd_);
  }

  void begin(const CompareShape& s) override {
    shape_ = s;
    cols_ = std::make_unique<TableColumns>(s);
    put("\xEF\xBB\xBF");
    field(kKindCaption, true);
    if (s.byCode) field(kCodeCaption, false);
    for (const std::string& c : s.identityCaptions) field(utf8_.convert(c), false);
    for (const CompareColumn& c : s.columns) {
      const std::string caption = columnCaption(c, utf8_);
      for (const char* sub : {kBeforeCaption, kAfterCaption, kDifferenceCaption}) field(caption + " " + sub, false);
    }
    field(kOldPageCaption, false);
    field(kNewPageCaption, false);
    put("\r\n");
  }

  void finish(const CompareSummary& sum) override {
    field(kTotalCaption, true);
    for (int c = 1; c < cols_->firstNumber; ++c) field("", false);
    for (std::size_t i = 0; i < shape_.columns.size(); ++i) {
      if (!shape_.columns[i].amount) {
        for (int k = 0; k < 3; ++k) field("", false);
        continue;
      }
      const int d = totalDecimals(i);
      number(sum.totalBefore[i], d);
      number(sum.totalAfter[i], d);
      number(sum.totalAfter[i] - sum.totalBefore[i], d);
    }
    field("", false);
    field("", false);
    put("\r\n");
  }

  void close() override {
    flush();
    if (::close(fd_) != 0) {
      fd_ = -1;
      throw ExportError(sysError("write", path_));
    }
    fd_ = -1;
  }

 protected:
  void write(const CompareLine& l) override {
    field(ChangeText(l.change), true);
    if (shape_.byCode) field(utf8_.convert(l.code), false);
    for (const std::string& t : l.texts) field(utf8_.convert(t), false);
    for (std::size_t i = 0; i < l.before.size(); ++i) {
      const int d = decimalsOf(l.before[i], l.after[i]);
      for (const ShownNumber* v : {&l.before[i], &l.after[i]}) {
        if (v->shown)
          number(v->value, v->decimals);
        else
          field(utf8_.convert(v->word), false);
      }
      // No change stays empty, as the page leaves zero empty.
      if (l.difference[i] != 0)
        number(l.difference[i], d);
      else
        field("", false);
    }
    field(l.oldPage > 0 ? std::to_string(l.oldPage) : std::string(), false);
    field(l.newPage > 0 ? std::to_string(l.newPage) : std::string(), false);
    put("\r\n");
  }

 private:
  void number(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", std::clamp(decimals, 0, kMaxDecimals), v);
    field(std::strcmp(buf, "-0") == 0 ? "0" : buf, false);
  }
  void field(const std::string& utf8, bool first) {
    if (!first) buffer_ += ',';
    buffer_ += CsvField(utf8);
  }
  void put(const std::string& s) {
    buffer_ += s;
    if (buffer_.size() >= (1 << 16)) flush();
  }
  void flush() {
    std::size_t done = 0;
    while (done < buffer_.size()) {
      const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) throw ExportError(sysError("write", path_));
      done += static_cast<std::size_t>(n);
    }
    buffer_.clear();
  }
  static std::string CsvField(const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string out = "\"";
    for (char c : s) {
      if (c == '"') out += '"';
      out += c;
    }
    return out + "\"";
  }

  std::string path_;
  int fd_ = -1;
  std::string buffer_;
  CompareShape shape_;
  std::unique_ptr<TableColumns> cols_;
  Utf8Cache utf8_;
};

// ---- XLSX ----

class XlsxCompareSink : public FilteringSink {
 public:
  XlsxCompareSink(const std::string& path, bool changedOnly, long rowsPerSheet)
      : FilteringSink(changedOnly), path_(path),
        rowsPerSheet_(std::clamp(rowsPerSheet > 0 ? rowsPerSheet : XlsxWriter::kMaxRows, 8L, XlsxWriter::kMaxRows)) {
    // Row data waits in the system's temporary directory, as for the export.
    const char* tmp = std::getenv("TMPDIR");
    tmpdir_ = tmp && *tmp ? tmp : "/tmp";
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = tmpdir_.data();
    options.use_zip64 = LXW_TRUE;
    book_ = workbook_new_opt(path.c_str(), &options);
    if (!book_) throw ExportError("cannot write " + path);
  }
  ~XlsxCompareSink() override {
    if (book_) lxw_workbook_free(book_);
  }

  void begin(const CompareShape& s) override {
    shape_ = s;
    cols_ = std::make_unique<TableColumns>(s);
    header_ = workbook_add_format(book_);
    format_set_bold(header_);
    format_set_align(header_, LXW_ALIGN_CENTER);
    format_set_align(header_, LXW_ALIGN_VERTICAL_CENTER);
    format_set_border(header_, LXW_BORDER_THIN);
    format_set_bg_color(header_, 0xEEEEEE);
    title_ = workbook_add_format(book_);
    format_set_bold(title_);
    format_set_font_size(title_, kTitleFontSize);
    startSheet();
  }

  void finish(const CompareSummary& sum) override {
    if (row_ >= rowsPerSheet_) startSheet();
    const auto row = static_cast<lxw_row_t>(row_);
    check(worksheet_write_string(sheet_, row, 0, kTotalCaption, text(true, 1)), "totals");
    for (std::size_t i = 0; i < shape_.columns.size(); ++i) {
      if (!shape_.columns[i].amount) continue;
      const auto c = static_cast<lxw_col_t>(cols_->firstNumber + 3 * static_cast<int>(i));
      const int d = totalDecimals(i);
      check(worksheet_write_number(sheet_, row, c, sum.totalBefore[i], number(d, true, 0)), "totals");
      check(worksheet_write_number(sheet_, row, c + 1, sum.totalAfter[i], number(d, true, 0)), "totals");
      const double diff = sum.totalAfter[i] - sum.totalBefore[i];
      check(worksheet_write_number(sheet_, row, c + 2, diff, number(d, true, sign(diff))), "totals");
    }
    ++row_;
  }

  void close() override {
    const lxw_error e = workbook_close(book_);
    book_ = nullptr;
    if (e != LXW_NO_ERROR) throw ExportError("cannot write " + path_ + ": " + lxw_strerror(e));
  }

 protected:
  void write(const CompareLine& l) override {
    if (row_ >= rowsPerSheet_) startSheet();
    const auto row = static_cast<lxw_row_t>(row_++);
    const bool bold = l.heading;
    check(worksheet_write_string(sheet_, row, 0, ChangeText(l.change), text(bold, 1)), "kind");
    if (cols_->code >= 0 && !l.code.empty())
      check(worksheet_write_string(sheet_, row, static_cast<lxw_col_t>(cols_->code), utf8_.convert(l.code).c_str(),
                                   text(bold, 0)),
            "code");
    for (std::size_t i = 0; i < l.texts.size(); ++i) {
      if (l.texts[i].empty()) continue;
      check(worksheet_write_string(sheet_, row, static_cast<lxw_col_t>(cols_->firstText + static_cast<int>(i)),
                                   utf8_.convert(l.texts[i]).c_str(), text(bold, 0)),
            "text");
    }
    for (std::size_t i = 0; i < l.before.size(); ++i) {
      const auto c = static_cast<lxw_col_t>(cols_->firstNumber + 3 * static_cast<int>(i));
      for (int side = 0; side < 2; ++side) {
        const ShownNumber& v = side == 0 ? l.before[i] : l.after[i];
        const auto col = static_cast<lxw_col_t>(c + side);
        if (v.shown)
          check(worksheet_write_number(sheet_, row, col, v.value, number(v.decimals, bold, 0)), "number");
        else if (!v.word.empty())
          check(worksheet_write_string(sheet_, row, col, utf8_.convert(v.word).c_str(), text(bold, 1)), "word");
      }
      if (l.difference[i] != 0)
        check(worksheet_write_number(sheet_, row, c + 2, l.difference[i],
                                     number(decimalsOf(l.before[i], l.after[i]), bold, sign(l.difference[i]))),
              "number");
    }
    if (l.oldPage > 0)
      check(worksheet_write_number(sheet_, row, static_cast<lxw_col_t>(cols_->oldPage), l.oldPage, text(false, 1)),
            "page");
    if (l.newPage > 0)
      check(worksheet_write_number(sheet_, row, static_cast<lxw_col_t>(cols_->newPage), l.newPage, text(false, 1)),
            "page");
  }

 private:
  static int sign(double v) { return v < 0 ? 1 : v > 0 ? 2 : 0; }

  void check(lxw_error e, const char* what) {
    if (e != LXW_NO_ERROR) throw ExportError("cannot write " + path_ + " (" + what + "): " + lxw_strerror(e));
  }

  // color: 0 none, 1 a decrease (red), 2 an increase (blue).
  lxw_format* number(int decimals, bool bold, int color) {
    decimals = std::clamp(decimals, 0, kMaxDecimals);
    lxw_format*& f = numbers_[(decimals * 2 + (bold ? 1 : 0)) * 3 + color];
    if (!f) {
      f = workbook_add_format(book_);
      format_set_num_format(f, XlsxWriter::NumberFormat(decimals).c_str());
      format_set_align(f, LXW_ALIGN_RIGHT);
      if (bold) format_set_bold(f);
      if (color == 1) format_set_font_color(f, kDecreaseColor);
      if (color == 2) format_set_font_color(f, kIncreaseColor);
    }
    return f;
  }

  // align: 0 left, 1 centre.
  lxw_format* text(bool bold, int align) {
    lxw_format*& f = texts_[(bold ? 1 : 0) * 2 + align];
    if (!f) {
      f = workbook_add_format(book_);
      format_set_align(f, align == 1 ? LXW_ALIGN_CENTER : LXW_ALIGN_LEFT);
      if (bold) format_set_bold(f);
    }
    return f;
  }

  void caption(lxw_row_t r, lxw_col_t c, const std::string& t) {
    check(worksheet_write_string(sheet_, r, c, t.c_str(), header_), "captions");
  }

  void startSheet() {
    const TableColumns& C = *cols_;
    sheet_ = workbook_add_worksheet(book_, nullptr);
    if (!sheet_) throw ExportError("cannot add a sheet to " + path_);
    const auto last = static_cast<lxw_col_t>(C.count - 1);
    check(worksheet_set_column(sheet_, 0, 0, kKindWidth, nullptr), "column width");
    if (C.code >= 0)
      check(worksheet_set_column(sheet_, static_cast<lxw_col_t>(C.code), static_cast<lxw_col_t>(C.code), kCodeWidth,
                                 nullptr),
            "column width");
    for (int c = C.firstText; c < C.firstNumber; ++c)
      check(worksheet_set_column(sheet_, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                                 c == C.firstText ? kTextWidth : kSizeWidth, nullptr),
            "column width");
    if (C.oldPage > C.firstNumber)
      check(worksheet_set_column(sheet_, static_cast<lxw_col_t>(C.firstNumber), static_cast<lxw_col_t>(C.oldPage - 1),
                                 kNumberWidth, nullptr),
            "column width");
    check(worksheet_set_column(sheet_, static_cast<lxw_col_t>(C.oldPage), last, kPageWidth, nullptr), "column width");
    worksheet_set_paper(sheet_, 9);  // A4
    worksheet_set_landscape(sheet_);
    worksheet_set_margins(sheet_, kMarginInches, kMarginInches, kMarginInches, kMarginInches);
    worksheet_fit_to_pages(sheet_, 1, 0);

    // Rows in order (constant memory): the title, then the two caption rows.
    check(worksheet_merge_range(sheet_, 0, 0, 0, last, "", nullptr), "title");
    const std::string title = utf8_.convert(shape_.newTitle) + kSheetTitleSuffix;
    check(worksheet_write_string(sheet_, 0, 0, title.c_str(), title_), "title");

    auto merge = [&](lxw_row_t r1, lxw_col_t c1, lxw_row_t r2, lxw_col_t c2) {
      check(worksheet_merge_range(sheet_, r1, c1, r2, c2, "", nullptr), "captions");
    };
    merge(1, 0, 2, 0);
    if (C.code >= 0) merge(1, static_cast<lxw_col_t>(C.code), 2, static_cast<lxw_col_t>(C.code));
    for (int c = C.firstText; c < C.firstNumber; ++c) merge(1, static_cast<lxw_col_t>(c), 2, static_cast<lxw_col_t>(c));
    for (std::size_t i = 0; i < shape_.columns.size(); ++i) {
      const auto c = static_cast<lxw_col_t>(C.firstNumber + 3 * static_cast<int>(i));
      merge(1, c, 1, c + 2);
    }
    merge(1, static_cast<lxw_col_t>(C.oldPage), 2, static_cast<lxw_col_t>(C.oldPage));
    merge(1, static_cast<lxw_col_t>(C.newPage), 2, static_cast<lxw_col_t>(C.newPage));
    std::vector<std::string> upper(static_cast<std::size_t>(C.count)), lower(upper.size());
    upper[0] = kKindCaption;
    if (C.code >= 0) upper[static_cast<std::size_t>(C.code)] = kCodeCaption;
    for (std::size_t i = 0; i < shape_.identityCaptions.size(); ++i)
      upper[static_cast<std::size_t>(C.firstText) + i] = utf8_.convert(shape_.identityCaptions[i]);
    for (std::size_t i = 0; i < shape_.columns.size(); ++i) {
      const std::size_t c = static_cast<std::size_t>(C.firstNumber) + 3 * i;
      upper[c] = columnCaption(shape_.columns[i], utf8_);
      lower[c] = kBeforeCaption;
      lower[c + 1] = kAfterCaption;
      lower[c + 2] = kDifferenceCaption;
    }
    upper[static_cast<std::size_t>(C.oldPage)] = kOldPageCaption;
    upper[static_cast<std::size_t>(C.newPage)] = kNewPageCaption;
    // Every cell of the band gets the caption format, so merged cells show their borders.
    for (const auto& [r, texts] : {std::pair{1, &upper}, std::pair{2, &lower}}) {
      for (lxw_col_t c = 0; c <= last; ++c) {
        const std::string& t = (*texts)[c];
        if (t.empty())
          check(worksheet_write_blank(sheet_, static_cast<lxw_row_t>(r), c, header_), "captions");
        else
          caption(static_cast<lxw_row_t>(r), c, t);
      }
    }
    row_ = 3;
    worksheet_freeze_panes(sheet_, 3, static_cast<lxw_col_t>(C.firstNumber));
    check(worksheet_repeat_rows(sheet_, 1, 2), "print titles");
  }

  std::string path_;
  std::string tmpdir_;
  long rowsPerSheet_;
  lxw_workbook* book_ = nullptr;
  lxw_worksheet* sheet_ = nullptr;
  long row_ = 0;
  CompareShape shape_;
  std::unique_ptr<TableColumns> cols_;
  lxw_format* numbers_[(kMaxDecimals + 1) * 2 * 3] = {};
  lxw_format* texts_[4] = {};
  lxw_format* header_ = nullptr;
  lxw_format* title_ = nullptr;
  Utf8Cache utf8_;
};

// Passes every call on to each sink.
class FanOut : public CompareSink {
 public:
  explicit FanOut(std::vector<CompareSheetSink*> sinks) : sinks_(std::move(sinks)) {}
  void begin(const CompareShape& s) override {
    shape = s;
    for (auto* k : sinks_) k->begin(s);
  }
  void line(const CompareLine& l) override {
    for (auto* k : sinks_) k->line(l);
  }
  void finish(const CompareSummary& s) override {
    summary = s;
    for (auto* k : sinks_) k->finish(s);
  }
  CompareShape shape;
  CompareSummary summary;

 private:
  std::vector<CompareSheetSink*> sinks_;
};

}  // namespace

std::unique_ptr<CompareSheetSink> CompareSheetSink::Make(const std::string& path, CompareFormat format,
                                                         bool changedOnly, long rowsPerSheet) {
  if (format == CompareFormat::kCsv) return std::make_unique<CsvCompareSink>(path, changedOnly);
  return std::make_unique<XlsxCompareSink>(path, changedOnly, rowsPerSheet);
}

std::string CompareTargetProblem(const std::string& target, const std::string& oldPath, const std::string& newPath) {
  for (const std::string* report : {&oldPath, &newPath}) {
    if (const std::string replaced = ReportFileReplacedBy(*report, target); !replaced.empty())
      return OutputIsReportText(target, replaced);
  }
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
    return target + "\r파일이 아닌 곳에는 저장할 수 없습니다.";
  return std::string();
}

CompareFilesOutcome CompareToFiles(MessageService& box, const std::string& oldPath, const std::string& newPath,
                                   const std::vector<CompareFileRequest>& requests, const CompareProgress& progress) {
  CompareFilesOutcome outcome;
  for (const CompareFileRequest& r : requests) {
    if (const std::string problem = CompareTargetProblem(r.path, oldPath, newPath); !problem.empty()) {
      box.warning(problem);
      outcome.status = CompareStatus::kRefused;
      return outcome;
    }
  }
  // Each file goes through its own part file, removed unless committed.
  std::vector<std::unique_ptr<OutputFile>> outputs;
  std::vector<std::unique_ptr<CompareSheetSink>> sinks;
  std::vector<CompareSheetSink*> raw;
  for (const CompareFileRequest& r : requests) {
    outputs.push_back(std::make_unique<OutputFile>(r.path));
    sinks.push_back(CompareSheetSink::Make(outputs.back()->path(), r.format, r.changedOnly, r.rowsPerSheet));
    raw.push_back(sinks.back().get());
  }
  FanOut fan(raw);
  outcome.status = CompareReports(box, oldPath, newPath, fan, progress);
  outcome.shape = fan.shape;
  outcome.summary = fan.summary;
  if (outcome.status != CompareStatus::kDone) return outcome;
  for (std::size_t i = 0; i < sinks.size(); ++i) {
    sinks[i]->close();
    outcome.written.push_back(sinks[i]->written());
  }
  for (const auto& output : outputs) output->commit();
  return outcome;
}

}  // namespace zel
