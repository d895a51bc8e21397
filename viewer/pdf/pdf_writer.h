// PdfWriter: a PDF file written front to back as its pages are drawn. Each
// page's content (operators the caller appends to content()) is compressed
// and written when the page ends; fonts, the page tree and the
// cross-reference table follow at finish(). What stays in memory is a file
// offset per object, a number per page and the glyphs each font used, so a
// document of any length costs about the same memory.
//
// Fonts are TrueType faces embedded as subsets (Type0 over CIDFontType2,
// Identity-H, glyph numbers as character codes), with their widths and a
// ToUnicode map so that text extracts. The caller names a face by any
// stable key and hands its tables once.
//
// Every byte goes to the sink, buffered; the sink may throw (a full disk),
// and the exception leaves through the call that wrote, after which the
// writer only accepts destruction. Toolkit-free; one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "truetype_font.h"

namespace zel::pdf {

using PdfSink = std::function<void(const char* data, std::size_t size)>;

class PdfWriter {
 public:
  // level: the deflate level of page contents and font files (1..12).
  // compressOnThread: pages are compressed on a thread of the writer's own
  // while the next one is drawn (a few pages ahead at most); the file is the
  // same either way.
  explicit PdfWriter(PdfSink sink, int level = 6, bool compressOnThread = false);
  ~PdfWriter();
  PdfWriter(const PdfWriter&) = delete;
  PdfWriter& operator=(const PdfWriter&) = delete;

  // A face by key, loaded from tables when first asked; -1 when it is no
  // TrueType font this writer can embed.
  int font(const void* key, const FontTableReader& tables);
  const TrueTypeFont& fontFile(int font) const;
  // The resource name the content uses for the font ("F1").
  std::string fontName(int font) const;
  // Records that the page draws glyph for the given characters (UTF-16, for
  // text extraction; the first text drawn with a glyph names it).
  void useGlyph(int font, std::uint16_t glyph, std::u16string_view text);

  // A page of the given size in points; its operators go into content().
  void beginPage(double width, double height);
  std::string& content() { return content_; }
  void endPage();
  int pageCount() const { return static_cast<int>(pages_.size()); }

  // Writes the fonts, page tree, catalogue, cross-reference table and
  // trailer. A page begun and not ended is ended first.
  void finish();

  // Bytes handed to the sink so far (and buffered).
  std::uint64_t size() const { return offset_; }

 private:
  struct Font;
  int newObject();  // reserves a number
  void beginObject(int number);  // records its offset and writes "n 0 obj"
  void write(std::string_view text);
  void flush();
  void writeStream(int number, const std::string& dictionary, const std::string& data, bool compress);
  void writeStreamObject(int number, const std::string& dictionary, const std::string& body, bool compressed);
  void writeFont(Font& font);
  // A page ended, its content compressed now or by the compressing thread.
  struct Pending;
  void writePage(Pending& page);
  // Writes the pages the compressing thread has done, in order; waiting
  // until at most `left` are still queued.
  void writeDone(std::size_t left);
  void compressPages();  // the compressing thread

  PdfSink sink_;
  int level_;
  void* compressor_ = nullptr;  // libdeflate_compressor
  std::string buffer_;
  std::uint64_t offset_ = 0;
  std::vector<std::uint64_t> offsets_;  // by object number - 1
  std::vector<int> pages_;  // page objects
  std::vector<std::unique_ptr<Font>> fonts_;
  std::string content_;
  std::string compressed_;
  struct Compressing;
  std::unique_ptr<Compressing> compressing_;
  double pageWidth_ = 0, pageHeight_ = 0;
  bool inPage_ = false;
  bool finished_ = false;
  int catalog_ = 0, pageTree_ = 0, resources_ = 0;
};

// Numbers as PDF writes them: fixed point, at most `decimals` places, no
// trailing zeros, no "-0".
void appendNumber(std::string& out, double value, int decimals = 3);

}  // namespace zel::pdf
