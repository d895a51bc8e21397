#include "pdf_writer.h"

#include <libdeflate.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace zel::pdf {
namespace {

constexpr std::size_t kFlushAt = 256 * 1024;
constexpr std::size_t kQueuedPages = 4;  // ended pages waiting for the compressing thread

// content as a zlib stream into out.
void deflateInto(libdeflate_compressor* compressor, const std::string& content, std::string& out) {
  out.resize(libdeflate_zlib_compress_bound(compressor, content.size()));
  const std::size_t n = libdeflate_zlib_compress(compressor, content.data(), content.size(), out.data(), out.size());
  if (n == 0) throw std::runtime_error("deflate failed");
  out.resize(n);
}
constexpr std::size_t kUnicodeEntriesPerBlock = 100;  // a CMap's bfchar block holds at most 100

void appendInt(std::string& out, long long value) {
  char text[24];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  out.append(text, static_cast<std::size_t>(end - text));
}

void appendHex16(std::string& out, unsigned value) {
  static const char kHex[] = "0123456789ABCDEF";
  out.push_back(kHex[(value >> 12) & 0xF]);
  out.push_back(kHex[(value >> 8) & 0xF]);
  out.push_back(kHex[(value >> 4) & 0xF]);
  out.push_back(kHex[value & 0xF]);
}

}  // namespace

void appendNumber(std::string& out, double value, int decimals) {
  static const long long kScales[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};
  decimals = std::clamp(decimals, 0, 9);
  if (!std::isfinite(value)) value = 0;
  const long long scale = kScales[decimals];
  long long scaled = std::llround(value * static_cast<double>(scale));
  if (scaled == 0) {
    out.push_back('0');
    return;
  }
  if (scaled < 0) {
    out.push_back('-');
    scaled = -scaled;
  }
  appendInt(out, scaled / scale);
  long long fraction = scaled % scale;
  if (fraction == 0) return;
  int places = decimals;
  while (fraction % 10 == 0) {
    fraction /= 10;
    --places;
  }
  char digits[12];
  for (int i = places - 1; i >= 0; --i) {
    digits[i] = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  out.push_back('.');
  out.append(digits, static_cast<std::size_t>(places));
}

struct PdfWriter::Pending {
  int contents = 0, page = 0;
  double width = 0, height = 0;
  std::string content;
  std::string compressed;
  bool done = false;
};

struct PdfWriter::Compressing {
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<Pending> queue;  // in page order; the front is written first
  std::size_t taken = 0;  // pages of the queue the thread has taken
  bool stop = false;
  libdeflate_compressor* compressor = nullptr;
  std::thread thread;
};

// One embedded face: the glyphs the document drew and what each stands for.
struct PdfWriter::Font {
  const void* key = nullptr;
  std::unique_ptr<TrueTypeFont> file;
  int type0 = 0;  // object number, reserved when the font is first used
  std::vector<bool> used;
  std::vector<std::u16string> text;  // by glyph
};

PdfWriter::PdfWriter(PdfSink sink, int level, bool compressOnThread)
    : sink_(std::move(sink)), level_(std::clamp(level, 1, 12)) {
  compressor_ = libdeflate_alloc_compressor(level_);
  if (!compressor_) throw std::bad_alloc();
  if (compressOnThread) {
    compressing_ = std::make_unique<Compressing>();
    compressing_->compressor = libdeflate_alloc_compressor(level_);
    if (!compressing_->compressor) {
      compressing_.reset();
    } else {
      compressing_->thread = std::thread([this] { compressPages(); });
    }
  }
  catalog_ = newObject();
  pageTree_ = newObject();
  resources_ = newObject();
  // The binary comment tells transfer programs the file is not text.
  write("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
}

PdfWriter::~PdfWriter() {
  if (compressing_) {
    {
      const std::lock_guard<std::mutex> lock(compressing_->mutex);
      compressing_->stop = true;
    }
    compressing_->changed.notify_all();
    compressing_->thread.join();
    libdeflate_free_compressor(compressing_->compressor);
  }
  libdeflate_free_compressor(static_cast<libdeflate_compressor*>(compressor_));
}

void PdfWriter::compressPages() {
  Compressing& c = *compressing_;
  std::unique_lock<std::mutex> lock(c.mutex);
  for (;;) {
    c.changed.wait(lock, [&] { return c.stop || c.taken < c.queue.size(); });
    if (c.stop) return;
    // The writer removes a page only once it is done, so this one stays put.
    Pending& page = c.queue[c.taken++];
    lock.unlock();
    std::string compressed;
    try {
      deflateInto(c.compressor, page.content, compressed);
    } catch (...) {
      compressed.clear();  // the writer finds it empty and compresses itself
    }
    lock.lock();
    page.compressed.swap(compressed);
    page.done = true;
    c.changed.notify_all();
  }
}

void PdfWriter::writeDone(std::size_t left) {
  Compressing& c = *compressing_;
  for (;;) {
    Pending page;
    {
      std::unique_lock<std::mutex> lock(c.mutex);
      if (c.queue.empty()) return;
      if (c.queue.size() > left) {
        c.changed.wait(lock, [&] { return c.queue.front().done; });
      } else if (!c.queue.front().done) {
        return;
      }
      page = std::move(c.queue.front());
      c.queue.pop_front();
      --c.taken;
    }
    if (page.compressed.empty())
      deflateInto(static_cast<libdeflate_compressor*>(compressor_), page.content, page.compressed);
    writePage(page);
  }
}

int PdfWriter::newObject() {
  offsets_.push_back(0);
  return static_cast<int>(offsets_.size());
}

void PdfWriter::beginObject(int number) {
  offsets_[static_cast<std::size_t>(number) - 1] = offset_;
  std::string head;
  appendInt(head, number);
  head += " 0 obj\n";
  write(head);
}

void PdfWriter::write(std::string_view text) {
  buffer_.append(text);
  offset_ += text.size();
  if (buffer_.size() >= kFlushAt) flush();
}

void PdfWriter::flush() {
  if (buffer_.empty()) return;
  // The buffer is emptied before the sink runs: a sink that throws leaves
  // nothing to be written twice.
  std::string out;
  out.swap(buffer_);
  sink_(out.data(), out.size());
  out.clear();
  buffer_.swap(out);
}

void PdfWriter::writeStream(int number, const std::string& dictionary, const std::string& data, bool compress) {
  if (!compress) {
    writeStreamObject(number, dictionary, data, false);
    return;
  }
  deflateInto(static_cast<libdeflate_compressor*>(compressor_), data, compressed_);
  writeStreamObject(number, dictionary, compressed_, true);
}

void PdfWriter::writeStreamObject(int number, const std::string& dictionary, const std::string& body, bool compressed) {
  beginObject(number);
  std::string head = "<<";
  head += dictionary;
  if (compressed) head += "/Filter/FlateDecode";
  head += "/Length ";
  appendInt(head, static_cast<long long>(body.size()));
  head += ">>\nstream\n";
  write(head);
  write(body);
  write("\nendstream\nendobj\n");
}

int PdfWriter::font(const void* key, const FontTableReader& tables) {
  for (std::size_t i = 0; i < fonts_.size(); ++i) {
    if (fonts_[i]->key == key) return fonts_[i]->file ? static_cast<int>(i) : -1;
  }
  auto font = std::make_unique<Font>();
  font->key = key;
  font->file = TrueTypeFont::load(tables);
  if (font->file) {
    font->type0 = newObject();
    font->used.assign(static_cast<std::size_t>(font->file->glyphCount()), false);
    font->text.resize(static_cast<std::size_t>(font->file->glyphCount()));
  }
  const bool usable = font->file != nullptr;
  fonts_.push_back(std::move(font));
  return usable ? static_cast<int>(fonts_.size() - 1) : -1;
}

const TrueTypeFont& PdfWriter::fontFile(int font) const { return *fonts_[static_cast<std::size_t>(font)]->file; }

std::string PdfWriter::fontName(int font) const {
  std::string name(1, 'F');
  appendInt(name, font + 1);
  return name;
}

void PdfWriter::useGlyph(int font, std::uint16_t glyph, std::u16string_view text) {
  Font& f = *fonts_[static_cast<std::size_t>(font)];
  if (glyph >= f.used.size() || f.used[glyph]) return;
  f.used[glyph] = true;
  f.text[glyph] = std::u16string(text);
}

void PdfWriter::beginPage(double width, double height) {
  if (inPage_) endPage();
  pageWidth_ = width;
  pageHeight_ = height;
  content_.clear();
  inPage_ = true;
}

void PdfWriter::endPage() {
  if (!inPage_) return;
  inPage_ = false;
  Pending page;
  page.contents = newObject();
  page.page = newObject();
  page.width = pageWidth_;
  page.height = pageHeight_;
  page.content.swap(content_);
  content_.clear();
  pages_.push_back(page.page);
  if (!compressing_) {
    deflateInto(static_cast<libdeflate_compressor*>(compressor_), page.content, page.compressed);
    writePage(page);
    return;
  }
  {
    const std::lock_guard<std::mutex> lock(compressing_->mutex);
    compressing_->queue.push_back(std::move(page));
  }
  compressing_->changed.notify_all();
  writeDone(kQueuedPages);
}

void PdfWriter::writePage(Pending& pending) {
  writeStreamObject(pending.contents, "", pending.compressed, true);
  const int page = pending.page;
  std::string dictionary;
  appendInt(dictionary, page);
  dictionary += " 0 obj\n<</Type/Page/Parent ";
  appendInt(dictionary, pageTree_);
  dictionary += " 0 R/MediaBox[0 0 ";
  appendNumber(dictionary, pending.width);
  dictionary += ' ';
  appendNumber(dictionary, pending.height);
  dictionary += "]/Resources ";
  appendInt(dictionary, resources_);
  dictionary += " 0 R/Contents ";
  appendInt(dictionary, pending.contents);
  dictionary += " 0 R>>\nendobj\n";
  offsets_[static_cast<std::size_t>(page) - 1] = offset_;
  write(dictionary);
}

void PdfWriter::writeFont(Font& font) {
  const TrueTypeFont& file = *font.file;
  const double scale = 1000.0 / file.unitsPerEm();
  const int cidFont = newObject(), descriptor = newObject(), fontFile = newObject(), toUnicode = newObject();

  // The subset's tag: six capitals from the glyph set, so that two subsets
  // of one face in different files are told apart.
  std::uint32_t hash = 2166136261u;
  for (std::size_t g = 0; g < font.used.size(); ++g) {
    if (font.used[g]) hash = (hash ^ static_cast<std::uint32_t>(g)) * 16777619u;
  }
  std::string tag;
  for (int i = 0; i < 6; ++i) {
    tag.push_back(static_cast<char>('A' + hash % 26));
    hash /= 26;
  }
  const std::string name = file.postScriptName().empty() ? std::string("Font") : file.postScriptName();

  std::string out;
  appendInt(out, font.type0);
  out += " 0 obj\n<</Type/Font/Subtype/Type0/BaseFont/" + name + "/Encoding/Identity-H/DescendantFonts[";
  appendInt(out, cidFont);
  out += " 0 R]/ToUnicode ";
  appendInt(out, toUnicode);
  out += " 0 R>>\nendobj\n";
  offsets_[static_cast<std::size_t>(font.type0) - 1] = offset_;
  write(out);

  out.clear();
  appendInt(out, cidFont);
  out += " 0 obj\n<</Type/Font/Subtype/CIDFontType2/BaseFont/" + tag + "+" + name +
         "/CIDSystemInfo<</Registry(Adobe)/Ordering(Identity)/Supplement 0>>/CIDToGIDMap/Identity/FontDescriptor ";
  appendInt(out, descriptor);
  out += " 0 R/DW ";
  appendInt(out, std::lround(file.advance(0) * scale));
  out += "/W[";
  // Runs of consecutive glyphs: "first [w w w]".
  for (std::size_t g = 0; g < font.used.size();) {
    if (!font.used[g]) {
      ++g;
      continue;
    }
    appendInt(out, static_cast<long long>(g));
    out += '[';
    bool first = true;
    for (; g < font.used.size() && font.used[g]; ++g) {
      if (!first) out += ' ';
      appendInt(out, std::lround(file.advance(static_cast<std::uint16_t>(g)) * scale));
      first = false;
    }
    out += ']';
  }
  out += "]>>\nendobj\n";
  offsets_[static_cast<std::size_t>(cidFont) - 1] = offset_;
  write(out);

  out.clear();
  appendInt(out, descriptor);
  out += " 0 obj\n<</Type/FontDescriptor/FontName/" + tag + "+" + name + "/Flags ";
  // Symbolic (4): the glyphs are reached by number, not by a standard encoding.
  appendInt(out, 4 | (file.fixedPitch() ? 1 : 0) | (file.serif() ? 2 : 0));
  out += "/FontBBox[";
  appendNumber(out, file.xMin() * scale, 0);
  out += ' ';
  appendNumber(out, file.yMin() * scale, 0);
  out += ' ';
  appendNumber(out, file.xMax() * scale, 0);
  out += ' ';
  appendNumber(out, file.yMax() * scale, 0);
  out += "]/ItalicAngle ";
  appendNumber(out, file.italicAngle(), 2);
  out += "/Ascent ";
  appendNumber(out, file.ascent() * scale, 0);
  out += "/Descent ";
  appendNumber(out, file.descent() * scale, 0);
  out += "/CapHeight ";
  appendNumber(out, file.capHeight() * scale, 0);
  out += "/StemV 80/FontFile2 ";
  appendInt(out, fontFile);
  out += " 0 R>>\nendobj\n";
  offsets_[static_cast<std::size_t>(descriptor) - 1] = offset_;
  write(out);

  const std::string subset = file.subset(font.used);
  std::string dictionary = "/Length1 ";
  appendInt(dictionary, static_cast<long long>(subset.size()));
  writeStream(fontFile, dictionary, subset, true);

  std::string cmap =
      "/CIDInit/ProcSet findresource begin\n12 dict begin\nbegincmap\n/CIDSystemInfo<</Registry(Adobe)/Ordering(UCS)/"
      "Supplement 0>>def\n/CMapName/Adobe-Identity-UCS def\n/CMapType 2 def\n1 begincodespacerange\n<0000><FFFF>\n"
      "endcodespacerange\n";
  std::vector<std::size_t> named;
  for (std::size_t g = 0; g < font.used.size(); ++g) {
    if (font.used[g] && !font.text[g].empty()) named.push_back(g);
  }
  for (std::size_t at = 0; at < named.size(); at += kUnicodeEntriesPerBlock) {
    const std::size_t count = std::min(kUnicodeEntriesPerBlock, named.size() - at);
    appendInt(cmap, static_cast<long long>(count));
    cmap += " beginbfchar\n";
    for (std::size_t i = at; i < at + count; ++i) {
      cmap += '<';
      appendHex16(cmap, static_cast<unsigned>(named[i]));
      cmap += "><";
      for (const char16_t unit : font.text[named[i]]) appendHex16(cmap, unit);
      cmap += ">\n";
    }
    cmap += "endbfchar\n";
  }
  cmap += "endcmap\nCMapName currentdict/CMap defineresource pop\nend\nend\n";
  writeStream(toUnicode, "", cmap, true);
}

void PdfWriter::finish() {
  if (finished_) return;
  if (inPage_) endPage();
  if (compressing_) writeDone(0);
  finished_ = true;
  std::string fontsUsed;
  for (std::size_t i = 0; i < fonts_.size(); ++i) {
    Font& font = *fonts_[i];
    if (!font.file) continue;
    writeFont(font);
    fontsUsed += '/' + fontName(static_cast<int>(i)) + ' ';
    appendInt(fontsUsed, font.type0);
    fontsUsed += " 0 R";
  }
  std::string out;
  appendInt(out, resources_);
  out += " 0 obj\n<</ProcSet[/PDF/Text]/Font<<" + fontsUsed + ">>>>\nendobj\n";
  offsets_[static_cast<std::size_t>(resources_) - 1] = offset_;
  write(out);

  offsets_[static_cast<std::size_t>(pageTree_) - 1] = offset_;
  out.clear();
  appendInt(out, pageTree_);
  out += " 0 obj\n<</Type/Pages/Count ";
  appendInt(out, static_cast<long long>(pages_.size()));
  out += "/Kids[";
  write(out);
  out.clear();
  for (std::size_t i = 0; i < pages_.size(); ++i) {
    if (i) out += ' ';
    appendInt(out, pages_[i]);
    out += " 0 R";
    if (out.size() > 4096) {
      write(out);
      out.clear();
    }
  }
  out += "]>>\nendobj\n";
  write(out);

  out.clear();
  appendInt(out, catalog_);
  out += " 0 obj\n<</Type/Catalog/Pages ";
  appendInt(out, pageTree_);
  out += " 0 R>>\nendobj\n";
  offsets_[static_cast<std::size_t>(catalog_) - 1] = offset_;
  write(out);

  const std::uint64_t xref = offset_;
  out = "xref\n0 ";
  appendInt(out, static_cast<long long>(offsets_.size() + 1));
  out += "\n0000000000 65535 f \n";
  write(out);
  char entry[24];
  for (const std::uint64_t at : offsets_) {
    std::snprintf(entry, sizeof entry, "%010llu 00000 n \n", static_cast<unsigned long long>(at));
    write(std::string_view(entry, 20));
  }
  out = "trailer\n<</Size ";
  appendInt(out, static_cast<long long>(offsets_.size() + 1));
  out += "/Root ";
  appendInt(out, catalog_);
  out += " 0 R>>\nstartxref\n";
  appendInt(out, static_cast<long long>(xref));
  out += "\n%%EOF\n";
  write(out);
  flush();
}

}  // namespace zel::pdf
