#include "zip_directory.h"

#include <gtest/gtest.h>

#include "test_zip_builder.h"

namespace zel {
namespace {

using test::buildZip;
using test::TestArchiveOptions;
using test::TestEntry;

Result<ZipDirectory> readBytes(std::vector<std::uint8_t> bytes) {
  MemoryByteSource src(std::move(bytes));
  return readZipDirectory(src);
}

void expectCorrupt(std::vector<std::uint8_t> bytes, const std::string& fragment) {
  Result<ZipDirectory> d = readBytes(std::move(bytes));
  ASSERT_FALSE(d);
  EXPECT_NE(d.status().message().find(fragment), std::string::npos) << d.status().message();
}

TEST(ZipDirectoryRead, ListsEntriesWithTheirDataOffsets) {
  auto bytes = buildZip({{.name = "a.txt", .data = "hello", .method = 0}, {.name = "d/", .data = "", .method = 0}});
  Result<ZipDirectory> d = readBytes(bytes);
  ASSERT_TRUE(d) << d.status().message();
  ASSERT_EQ(d->entries.size(), 2u);
  EXPECT_EQ(d->entries[0].name, "a.txt");
  EXPECT_EQ(d->entries[0].dataOffset, 30u + 5u);
  EXPECT_EQ(std::string(bytes.begin() + 35, bytes.begin() + 40), "hello");
  EXPECT_EQ(d->stubSize, 0u);
  EXPECT_FALSE(d->zip64);
}

TEST(ZipDirectoryRead, EmptyArchiveHasNoEntries) {
  Result<ZipDirectory> d = readBytes(buildZip({}, {.comment = "nothing here"}));
  ASSERT_TRUE(d) << d.status().message();
  EXPECT_TRUE(d->entries.empty());
  EXPECT_EQ(d->comment, "nothing here");
}

TEST(ZipDirectoryRead, CommentHoldingTheEndSignatureIsSkipped) {
  std::string comment = "PK\x05\x06" + std::string(30, 'z');
  Result<ZipDirectory> d = readBytes(buildZip({{.name = "a", .data = "x"}}, {.comment = comment}));
  ASSERT_TRUE(d) << d.status().message();
  EXPECT_EQ(d->comment, comment);
  EXPECT_EQ(d->entries.size(), 1u);
}

TEST(ZipDirectoryRead, LongestCommentIsFound) {
  Result<ZipDirectory> d = readBytes(buildZip({{.name = "a", .data = "x"}}, {.comment = std::string(65535, 'c')}));
  ASSERT_TRUE(d) << d.status().message();
  EXPECT_EQ(d->comment.size(), 65535u);
}

TEST(ZipDirectoryRead, UnadjustedStubIsMeasuredAndOffsetsMoved) {
  Result<ZipDirectory> d =
      readBytes(buildZip({{.name = "a", .data = "x", .method = 0}}, {.stub = std::string(777, 'M')}));
  ASSERT_TRUE(d) << d.status().message();
  EXPECT_EQ(d->stubSize, 777u);
  EXPECT_EQ(d->entries[0].localHeaderOffset, 777u);
  EXPECT_EQ(d->entries[0].dataOffset, 777u + 30 + 1);
}

TEST(ZipDirectoryRead, AdjustedStubNeedsNoCorrection) {
  Result<ZipDirectory> d = readBytes(
      buildZip({{.name = "a", .data = "x", .method = 0}}, {.stub = std::string(777, 'M'), .adjustForStub = true}));
  ASSERT_TRUE(d) << d.status().message();
  EXPECT_EQ(d->stubSize, 0u);
  EXPECT_EQ(d->entries[0].localHeaderOffset, 777u);
}

TEST(ZipDirectoryRead, Zip64RecordsAndExtraFields) {
  for (bool stub : {false, true}) {
    Result<ZipDirectory> d = readBytes(
        buildZip({{.name = "a", .data = "abc", .zip64 = true}}, {.stub = stub ? "STUB" : "", .zip64End = true}));
    ASSERT_TRUE(d) << d.status().message();
    EXPECT_TRUE(d->zip64);
    ASSERT_EQ(d->entries.size(), 1u);
    EXPECT_EQ(d->entries[0].uncompressedSize, 3u);
    EXPECT_EQ(d->entries[0].localHeaderOffset, stub ? 4u : 0u);
  }
}

// Bug: the local name was compared byte for byte as unsigned against signed
// chars, so every name with a CP949 byte was refused as "names differ".
TEST(ZipDirectoryRead, Cp949LocalNameMatchesItsCentralName) {
  const std::string name = "\xBA\xB8\xB0\xED\xBC\xAD.dbf";  // CP949 "보고서.dbf"
  Result<ZipDirectory> d = readBytes(buildZip({{.name = name, .data = "x"}}));
  ASSERT_TRUE(d) << d.status().message();
  EXPECT_EQ(d->entries[0].name, name);
}

TEST(ZipDirectoryRead, ExtendedTimestampIsRead) {
  Result<ZipDirectory> d = readBytes(buildZip({{.name = "a", .data = "x", .unixMtime = 1234567890u}}));
  ASSERT_TRUE(d);
  ASSERT_TRUE(d->entries[0].unixMtime.has_value());
  EXPECT_EQ(*d->entries[0].unixMtime, 1234567890);
}

// Damaged directories: each gets a clean error, never a crash.
TEST(ZipDirectoryDamage, NotAnArchive) {
  expectCorrupt({}, "too short");
  expectCorrupt(std::vector<std::uint8_t>(100, 'x'), "no end of central directory");
}

TEST(ZipDirectoryDamage, HugeDeclaredCount) {
  expectCorrupt(buildZip({{.name = "a", .data = "x"}}, {.count = 0xFFFF}), "does not fit");
  expectCorrupt(buildZip({{.name = "a", .data = "x", .zip64 = true}}, {.zip64End = true, .count = ~0ull}),
                "does not fit");
}

TEST(ZipDirectoryDamage, DirectoryLargerThanArchive) {
  expectCorrupt(buildZip({{.name = "a", .data = "x"}}, {.cdSize = 0xFFFFFFF0}), "larger than the archive");
  expectCorrupt(buildZip({{.name = "a", .data = "x", .zip64 = true}}, {.zip64End = true, .cdSize = ~0ull}),
                "larger than the archive");
}

TEST(ZipDirectoryDamage, DirectoryOffsetPastItself) {
  expectCorrupt(buildZip({{.name = "a", .data = "x"}}, {.cdOffset = 0xFFFFFF00}), "lies past");
}

TEST(ZipDirectoryDamage, LocalOffsetIntoTheDirectory) {
  auto bytes = buildZip({{.name = "a", .data = "x", .method = 0, .localOffset = 31}});
  expectCorrupt(bytes, "local header offset out of range");
}

TEST(ZipDirectoryDamage, TwoEntriesSharingOneLocalHeader) {
  expectCorrupt(buildZip({{.name = "a", .data = "x", .method = 0},
                          {.name = "a", .data = "x", .method = 0, .writeLocal = false, .localOffset = 0}}),
                "overlap");
}

TEST(ZipDirectoryDamage, DataOverlappingTheNextEntry) {
  expectCorrupt(buildZip({{.name = "a", .data = "xxxx", .method = 0, .compressedSize = 20, .uncompressedSize = 20},
                          {.name = "b", .data = "y", .method = 0}}),
                "overlap");
}

TEST(ZipDirectoryDamage, DataRunningIntoTheDirectory) {
  expectCorrupt(buildZip({{.name = "a", .data = "x", .method = 0, .compressedSize = 1000}}), "runs into");
}

TEST(ZipDirectoryDamage, LocalNameDiffers) {
  expectCorrupt(buildZip({{.name = "a.txt", .data = "x", .localName = "b.txt"}}), "names differ");
}

TEST(ZipDirectoryDamage, Zip64SizesMissing) {
  expectCorrupt(buildZip({{.name = "a", .data = "x", .method = 0, .compressedSize = 0xFFFFFFFF}}), "Zip64");
}

TEST(ZipDirectoryDamage, EveryTruncationFailsCleanly) {
  auto bytes =
      buildZip({{.name = "d/a.txt", .data = std::string(300, 'a')}, {.name = "b", .data = "b"}}, {.comment = "c"});
  for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
    Result<ZipDirectory> d = readBytes(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + cut));
    EXPECT_FALSE(d) << "cut at " << cut;
  }
}

TEST(ZipDirectoryDamage, EveryFailedReadIsAnError) {
  auto bytes = buildZip({{.name = "a", .data = "x", .zip64 = true}, {.name = "b", .data = "y"}}, {.zip64End = true});
  MemoryByteSource probe(bytes);
  ASSERT_TRUE(readZipDirectory(probe));
  for (long n = 0; n < probe.readCount(); ++n) {
    MemoryByteSource src(bytes);
    src.failFromRead(n);
    EXPECT_FALSE(readZipDirectory(src)) << "read " << n;
  }
}

}  // namespace
}  // namespace zel
