// libqpdf: shared pointers only, no PointerHolder.
#define POINTERHOLDER_TRANSITION 4
#include "pdf_writer.h"

#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "synthetic_font.h"
#include "truetype_font.h"

namespace zel::pdf {
namespace {

using testing::compositeGlyph;
using testing::makeFont;
using testing::simpleGlyph;

struct NumberCase {
  double value;
  int decimals;
  const char* text;
};

TEST(PdfNumbers, WrittenShortestWithoutMinusZero) {
  const NumberCase cases[] = {
      {0, 3, "0"},       {1.5, 3, "1.5"},         {2, 3, "2"},
      {-0.0004, 3, "0"}, {-1.25, 1, "-1.3"},      {0.06, 9, "0.06"},
      {842, 0, "842"},   {123.4567, 2, "123.46"}, {0.000001, 6, "0.000001"},
      {-0.5, 0, "-1"},   {1e-12, 9, "0"},         {595.2756, 3, "595.276"},
  };
  for (const NumberCase& c : cases) {
    std::string out;
    appendNumber(out, c.value, c.decimals);
    EXPECT_EQ(out, c.text) << c.value << " to " << c.decimals;
  }
}

std::string writeDocument(bool onThread, int pages, const std::string& content) {
  std::string file;
  PdfWriter writer([&](const char* data, std::size_t size) { file.append(data, size); }, 6, onThread);
  for (int i = 0; i < pages; ++i) {
    writer.beginPage(i % 2 ? 842 : 595, i % 2 ? 595 : 842);
    writer.content() = content + std::to_string(i) + " 0 0 1 0 0 cm\n";
  }
  writer.finish();
  return file;
}

// The file read back without repair (no warnings).
struct ReadBack {
  QPDF pdf;
  explicit ReadBack(const std::string& file) {
    pdf.setSuppressWarnings(true);
    pdf.processMemoryFile("written", file.data(), file.size());
  }
};

TEST(PdfWriter, PagesReadBackWithTheirSizesAndContents) {
  const std::string file = writeDocument(false, 3, "0 0 m 10 10 l S\n");
  ReadBack r(file);
  std::vector<QPDFObjectHandle> pages = r.pdf.getAllPages();
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_FALSE(r.pdf.anyWarnings());
  for (std::size_t i = 0; i < pages.size(); ++i) {
    QPDFObjectHandle box = pages[i].getKey("/MediaBox");
    ASSERT_TRUE(box.isArray());
    EXPECT_EQ(box.getArrayItem(2).getNumericValue(), i % 2 ? 842 : 595);
    EXPECT_EQ(box.getArrayItem(3).getNumericValue(), i % 2 ? 595 : 842);
    const auto data = pages[i].getKey("/Contents").getStreamData(qpdf_dl_generalized);
    const std::string content(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
    EXPECT_EQ(content, "0 0 m 10 10 l S\n" + std::to_string(i) + " 0 0 1 0 0 cm\n");
  }
}

TEST(PdfWriter, NoPagesStillMakesAWholeFile) {
  const std::string file = writeDocument(false, 0, "");
  ReadBack r(file);
  EXPECT_EQ(r.pdf.getAllPages().size(), 0u);
  EXPECT_FALSE(r.pdf.anyWarnings());
}

TEST(PdfWriter, CompressingOnAThreadWritesTheSameBytes) {
  std::string content;
  for (int i = 0; i < 2000; ++i) content += std::to_string(i * 7919 % 10007) + " 0 m\n";
  for (int pages : {1, 2, 5, 40}) {
    EXPECT_EQ(writeDocument(true, pages, content), writeDocument(false, pages, content)) << pages;
  }
}

// A sink that fails at its nth write, as a full disk does.
struct FailingSink {
  int failAt;
  int calls = 0;
  std::string file;
  void operator()(const char* data, std::size_t size) {
    if (++calls == failAt) throw std::runtime_error("disk full");
    file.append(data, size);
  }
};

TEST(PdfWriter, AFailedWriteLeavesThroughTheCallThatWrote) {
  // Random digits compress to half at best: the pages take several writes.
  constexpr int kPages = 12;
  std::string content;
  std::uint32_t seed = 12345;
  for (int i = 0; i < 200000; ++i) {
    seed = seed * 1103515245u + 12345u;
    content.push_back(static_cast<char>('0' + (seed >> 16) % 10));
  }
  for (bool onThread : {false, true}) {
    int calls = 0;
    for (int failAt = 1;; ++failAt) {
      FailingSink sink{failAt, 0, {}};
      bool failed = false;
      try {
        PdfWriter writer([&sink](const char* d, std::size_t n) { sink(d, n); }, 1, onThread);
        for (int page = 0; page < kPages; ++page) {
          writer.beginPage(595, 842);
          writer.content() = content + std::to_string(page);
        }
        writer.finish();
      } catch (const std::runtime_error&) {
        failed = true;
      }
      calls = sink.calls;
      if (!failed) {
        ReadBack r(sink.file);
        EXPECT_EQ(r.pdf.getAllPages().size(), std::size_t{kPages});
        break;
      }
      ASSERT_LT(failAt, 1000);
    }
    EXPECT_GT(calls, 3) << "the document should take several writes";
  }
}

// The glyph count and glyph byte ranges of a font file read back.
struct FontFileTables {
  std::map<std::uint32_t, std::string> tables;
  explicit FontFileTables(const std::string& file) {
    auto u16 = [&](std::size_t at) {
      return at + 2 <= file.size()
                 ? (static_cast<unsigned char>(file[at]) << 8) | static_cast<unsigned char>(file[at + 1])
                 : 0;
    };
    auto u32 = [&](std::size_t at) { return (static_cast<std::uint32_t>(u16(at)) << 16) | u16(at + 2); };
    for (unsigned i = 0; i < static_cast<unsigned>(u16(4)); ++i) {
      const std::size_t record = 12 + 16 * std::size_t(i);
      const std::uint32_t offset = u32(record + 8), length = u32(record + 12);
      if (offset + length <= file.size()) tables[u32(record)] = file.substr(offset, length);
    }
  }
  FontTableReader reader() const {
    return [this](std::uint32_t tag) {
      auto found = tables.find(tag);
      return found == tables.end() ? std::string() : found->second;
    };
  }
  // Bytes of the glyph's outline (long loca offsets).
  std::size_t glyphBytes(int glyph) const {
    const std::string& loca = tables.at(fontTag("loca"));
    auto u32 = [&](std::size_t at) {
      std::uint32_t v = 0;
      for (int k = 0; k < 4; ++k) v = (v << 8) | static_cast<unsigned char>(loca[at + k]);
      return v;
    };
    return u32(std::size_t(glyph + 1) * 4) - u32(std::size_t(glyph) * 4);
  }
};

QPDFObjectHandle firstFont(QPDF& pdf) {
  QPDFObjectHandle page = pdf.getAllPages().at(0);
  return page.getKey("/Resources").getKey("/Font").getKey("/F1");
}

TEST(TrueTypeSubset, KeepsTheGlyphsUsedAndTheirComponentsOnly) {
  // Glyph 4 is made of glyphs 2 and 3; glyph 5 is never drawn.
  const auto face =
      makeFont({simpleGlyph(0), simpleGlyph(1), simpleGlyph(2), simpleGlyph(3), compositeGlyph({2, 3}), simpleGlyph(5)},
               {500, 600, 700, 800, 900, 1000});
  std::string file;
  {
    PdfWriter writer([&](const char* d, std::size_t n) { file.append(d, n); });
    ASSERT_EQ(writer.font(&face, face.reader()), 0);
    writer.beginPage(595, 842);
    writer.content() = "BT/F1 12 Tf<00010004>Tj ET\n";
    writer.useGlyph(0, 1, u"A");
    writer.useGlyph(0, 4, u"\uAC00");
    writer.useGlyph(0, 1, u"B");  // the first text a glyph was drawn for names it
    writer.finish();
  }
  ReadBack r(file);
  EXPECT_FALSE(r.pdf.anyWarnings());
  QPDFObjectHandle type0 = firstFont(r.pdf);
  EXPECT_EQ(type0.getKey("/Subtype").getName(), "/Type0");
  EXPECT_EQ(type0.getKey("/Encoding").getName(), "/Identity-H");
  QPDFObjectHandle cid = type0.getKey("/DescendantFonts").getArrayItem(0);
  EXPECT_EQ(cid.getKey("/Subtype").getName(), "/CIDFontType2");
  const std::string name = cid.getKey("/FontDescriptor").getKey("/FontName").getName();
  ASSERT_EQ(name.size(), std::string("/ABCDEF+TestFace-Regular").size()) << name;
  for (std::size_t i = 1; i <= 6; ++i) EXPECT_TRUE(name[i] >= 'A' && name[i] <= 'Z') << name;
  EXPECT_EQ(name.substr(7), "+TestFace-Regular");
  EXPECT_EQ(cid.getKey("/W").unparse(), "[ 1 [ 600 ] 4 [ 900 ] ]");

  const auto program = cid.getKey("/FontDescriptor").getKey("/FontFile2").getStreamData(qpdf_dl_generalized);
  const FontFileTables subset(std::string(reinterpret_cast<const char*>(program->getBuffer()), program->getSize()));
  const auto reread = TrueTypeFont::load(subset.reader());
  ASSERT_TRUE(reread);
  EXPECT_EQ(reread->glyphCount(), 6);  // the numbering is kept
  EXPECT_EQ(reread->advance(4), 900);
  for (int glyph : {0, 1, 2, 3, 4}) EXPECT_GT(subset.glyphBytes(glyph), 0u) << glyph;
  EXPECT_EQ(subset.glyphBytes(5), 0u);

  const auto map = type0.getKey("/ToUnicode").getStreamData(qpdf_dl_generalized);
  const std::string cmap(reinterpret_cast<const char*>(map->getBuffer()), map->getSize());
  EXPECT_NE(cmap.find("<0001><0041>"), std::string::npos) << cmap;
  EXPECT_NE(cmap.find("<0004><AC00>"), std::string::npos) << cmap;
}

TEST(TrueTypeSubset, UnitsPerEmOtherThanAThousandScaleTheWidths) {
  const auto face = makeFont({simpleGlyph(0), simpleGlyph(1)}, {1024, 512}, 2048);
  std::string file;
  {
    PdfWriter writer([&](const char* d, std::size_t n) { file.append(d, n); });
    writer.font(&face, face.reader());
    writer.beginPage(595, 842);
    writer.useGlyph(0, 1, u"a");
    writer.finish();
  }
  ReadBack r(file);
  QPDFObjectHandle cid = firstFont(r.pdf).getKey("/DescendantFonts").getArrayItem(0);
  EXPECT_EQ(cid.getKey("/W").unparse(), "[ 1 [ 250 ] ]");
  EXPECT_EQ(cid.getKey("/FontDescriptor").getKey("/Ascent").getNumericValue(), 391);  // 800 of 2048
}

// Damaged faces: no font, or a subset that stays inside what the face has;
// never a read past a table.
TEST(TrueTypeFont, DamagedTablesGiveNoFontOrAnEmptyGlyph) {
  const auto good = makeFont({simpleGlyph(0), simpleGlyph(1)}, {500, 600});
  struct Damage {
    const char* what;
    std::uint32_t table;
    std::string data;
    bool loads;
  };
  const Damage damages[] = {
      {"no glyf", fontTag("glyf"), "", false},
      {"head cut short", fontTag("head"), std::string(20, '\0'), false},
      {"hmtx shorter than its metrics", fontTag("hmtx"), std::string(2, '\0'), false},
      {"loca shorter than the glyphs", fontTag("loca"), std::string(4, '\0'), false},
      {"loca past glyf", fontTag("loca"), std::string("\0\0\0\0\0\0\xFF\xFF\0\0\xFF\xFF", 12), true},
      {"maxp of no glyphs", fontTag("maxp"), std::string(6, '\0'), false},
  };
  for (const Damage& d : damages) {
    auto face = good;
    face.tables[d.table] = d.data;
    const auto font = TrueTypeFont::load(face.reader());
    EXPECT_EQ(font != nullptr, d.loads) << d.what;
    if (font) {
      const std::string subset = font->subset({true, true});
      const FontFileTables back(subset);
      EXPECT_TRUE(TrueTypeFont::load(back.reader())) << d.what;
    }
  }
}

// A real face, drawn and read back by poppler's tools where they are installed.
TEST(TrueTypeSubset, AnInstalledFaceExtractsAsItsText) {
  const char* path = "/usr/share/fonts/truetype/nanum/NanumGothicCoding.ttf";
  std::ifstream in(path, std::ios::binary);
  if (!in || std::system("pdffonts -v >/dev/null 2>&1") != 0) GTEST_SKIP() << "no Nanum face or poppler-utils";
  const FontFileTables face(std::string(std::istreambuf_iterator<char>(in), {}));
  const auto font = TrueTypeFont::load(face.reader());
  ASSERT_TRUE(font);
  EXPECT_EQ(font->unitsPerEm(), 1000);
  // The glyphs of "가A" as the face's cmap gives them are not known here;
  // the writer needs only numbers, so take the face's own: each glyph of a
  // few with an outline, named by a letter.
  std::string file;
  std::vector<int> glyphs;
  for (int g = 1; g < font->glyphCount() && glyphs.size() < 3; ++g) {
    if (face.glyphBytes(g) > 0 && g > 30) glyphs.push_back(g);
  }
  ASSERT_EQ(glyphs.size(), 3u);
  {
    PdfWriter writer([&](const char* d, std::size_t n) { file.append(d, n); });
    const int f = writer.font(&face, face.reader());
    ASSERT_EQ(f, 0);
    writer.beginPage(595, 842);
    std::string text = "BT/F1 24 Tf 100 700 Td<";
    const char16_t letters[] = u"XYZ";
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "%04X", glyphs[i]);
      text += hex;
      writer.useGlyph(f, static_cast<std::uint16_t>(glyphs[i]), std::u16string_view(letters + i, 1));
    }
    writer.content() = text + ">Tj ET\n";
    writer.finish();
  }
  const std::string pdf = ::testing::TempDir() + "/subset_round_trip.pdf";
  std::ofstream(pdf, std::ios::binary) << file;
  auto run = [](const std::string& command) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
      char buffer[512];
      while (std::fgets(buffer, sizeof buffer, p)) out += buffer;
      pclose(p);
    }
    return out;
  };
  const std::string fonts = run("pdffonts " + pdf);
  EXPECT_NE(fonts.find("CID TrueType      Identity-H       yes"), std::string::npos) << fonts;
  EXPECT_NE(run("pdftotext " + pdf + " -").find("XYZ"), std::string::npos);
  EXPECT_EQ(run("qpdf --check " + pdf + " >/dev/null 2>&1; echo $?"), "0\n");
  // The subset is a small part of the face.
  EXPECT_LT(file.size(), 60000u);
  std::remove(pdf.c_str());
}

}  // namespace
}  // namespace zel::pdf
