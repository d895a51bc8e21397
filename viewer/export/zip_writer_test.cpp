#include "zip_writer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zel {
namespace {

std::uint32_t get16(const std::string& s, std::size_t at) {
  return static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8;
}
std::uint32_t get32(const std::string& s, std::size_t at) { return get16(s, at) | get16(s, at + 2) << 16; }
std::uint64_t get64(const std::string& s, std::size_t at) {
  return get32(s, at) | static_cast<std::uint64_t>(get32(s, at + 4)) << 32;
}

// Raw inflate of a whole stream; "!" when it is not one complete stream.
std::string inflateAll(const std::string& deflated) {
  z_stream z{};
  inflateInit2(&z, -15);
  std::string out;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(deflated.data()));
  z.avail_in = static_cast<uInt>(deflated.size());
  int done = Z_OK;
  char buffer[4096];
  while (done == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(buffer);
    z.avail_out = sizeof buffer;
    done = inflate(&z, Z_NO_FLUSH);
    out.append(buffer, sizeof buffer - z.avail_out);
    if (done == Z_BUF_ERROR && z.avail_in == 0) break;
  }
  const bool whole = done == Z_STREAM_END && z.avail_in == 0;
  inflateEnd(&z);
  return whole ? out : "!";
}

std::uint32_t crcOf(const std::string& s) {
  return static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(s.data()), static_cast<uInt>(s.size())));
}

std::string sheetLike(std::size_t rows) {
  std::string s;
  for (std::size_t r = 1; r <= rows; ++r)
    s += "<row r=\"" + std::to_string(r) + "\"><c r=\"A" + std::to_string(r) + "\" s=\"4\"><v>" +
         std::to_string(r * 7919 % 1000) + "</v></c></row>";
  return s;
}

struct JoinCase {
  const char* name;
  std::vector<std::string> pieces;
};

class DeflatePieces : public ::testing::TestWithParam<JoinCase> {};

// A sheet is deflated in pieces (its head at close, its rows on another
// thread): the pieces must make one stream of the whole text.
TEST_P(DeflatePieces, DeflatedApartTheyInflateAsOne) {
  const std::vector<std::string>& pieces = GetParam().pieces;
  std::string whole, joined;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    whole += pieces[i];
    joined += Deflate(pieces[i], i + 1 == pieces.size(), i % 2 ? 1 : Z_DEFAULT_COMPRESSION);
  }
  EXPECT_EQ(inflateAll(joined), whole);
}

INSTANTIATE_TEST_SUITE_P(Cases, DeflatePieces,
                         ::testing::Values(JoinCase{"one", {sheetLike(50)}}, JoinCase{"empty_alone", {""}},
                                           JoinCase{"head_and_rows", {"<sheetData>", sheetLike(3000)}},
                                           JoinCase{"empty_first", {"", sheetLike(10)}},
                                           JoinCase{"empty_in_the_middle", {"<a>", "", "</a>"}},
                                           JoinCase{"empty_last", {sheetLike(10), ""}},
                                           JoinCase{"repeats_across_pieces", {sheetLike(200), sheetLike(200)}}),
                         [](const auto& info) { return std::string(info.param.name); });

// The archive read back through its central directory: every entry's name,
// data (inflated) and CRC-32.
std::vector<std::pair<std::string, std::string>> readBack(const std::string& zip) {
  std::vector<std::pair<std::string, std::string>> entries;
  const std::size_t end = zip.rfind(std::string("PK\x05\x06", 4));
  if (end == std::string::npos) return entries;
  std::uint64_t count = get16(zip, end + 10), at = get32(zip, end + 16);
  if (count == 0xFFFF || at == 0xFFFFFFFF) {
    EXPECT_EQ(get32(zip, end - 20), 0x07064b50u);
    const std::size_t record = get64(zip, end - 20 + 8);
    EXPECT_EQ(get32(zip, record), 0x06064b50u);
    count = get64(zip, record + 32);
    at = get64(zip, record + 48);
  }
  for (std::uint64_t i = 0; i < count; ++i) {
    if (get32(zip, at) != 0x02014b50u) {
      ADD_FAILURE() << "no central header " << i;
      return entries;
    }
    const std::uint32_t crc = get32(zip, at + 16), compressed = get32(zip, at + 20);
    const std::size_t nameLength = get16(zip, at + 28);
    const std::size_t local = get32(zip, at + 42);
    const std::string name = zip.substr(at + 46, nameLength);
    at += 46 + nameLength + get16(zip, at + 30) + get16(zip, at + 32);
    EXPECT_EQ(get32(zip, local), 0x04034b50u) << name;
    EXPECT_EQ(get32(zip, local + 14), crc) << name;
    const std::size_t data = local + 30 + get16(zip, local + 26) + get16(zip, local + 28);
    const std::string content = inflateAll(zip.substr(data, compressed));
    EXPECT_EQ(crcOf(content), crc) << name;
    entries.emplace_back(name, content);
  }
  return entries;
}

TEST(ZipWriter, EntriesWholeAndInPiecesReadBack) {
  std::string zip;
  ZipWriter writer([&](const char* data, std::size_t size) { zip.append(data, size); });
  writer.add("[Content_Types].xml", "<Types/>");
  writer.add("empty.xml", "");
  // A sheet from three pieces, its CRC-32 combined from theirs.
  const std::string head = "<worksheet><sheetData>", rows = sheetLike(500), tail = "</sheetData></worksheet>";
  const std::string deflated = Deflate(head, false, 6) + Deflate(rows, false, 1) + Deflate(tail, true, 6);
  uLong crc = crc32_combine(crcOf(head), crcOf(rows), static_cast<z_off_t>(rows.size()));
  crc = crc32_combine(crc, crcOf(tail), static_cast<z_off_t>(tail.size()));
  writer.beginEntry("xl/worksheets/sheet1.xml", static_cast<std::uint32_t>(crc), deflated.size(),
                    head.size() + rows.size() + tail.size());
  writer.write(deflated.data(), deflated.size());
  writer.finish();

  const auto entries = readBack(zip);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0], std::make_pair(std::string("[Content_Types].xml"), std::string("<Types/>")));
  EXPECT_EQ(entries[1], std::make_pair(std::string("empty.xml"), std::string()));
  EXPECT_EQ(entries[2].first, "xl/worksheets/sheet1.xml");
  EXPECT_TRUE(entries[2].second == head + rows + tail);
}

// Past 65,534 entries the classic end record cannot count them: the ZIP64
// end record and its locator say how many there are.
TEST(ZipWriter, ManyEntriesCountedInTheZip64End) {
  std::string zip;
  ZipWriter writer([&](const char* data, std::size_t size) { zip.append(data, size); });
  const std::string empty = Deflate("", true, 1);
  constexpr int kEntries = 65536;
  for (int i = 0; i < kEntries; ++i) {
    writer.beginEntry(std::to_string(i), 0, empty.size(), 0);
    writer.write(empty.data(), empty.size());
  }
  writer.finish();
  const auto entries = readBack(zip);
  ASSERT_EQ(entries.size(), static_cast<std::size_t>(kEntries));
  EXPECT_EQ(entries.back().first, std::to_string(kEntries - 1));
}

}  // namespace
}  // namespace zel
