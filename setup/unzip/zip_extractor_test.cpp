#include "zip_extractor.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <filesystem>

#include "byte_source.h"
#include "entry_name.h"
#include "file_journal.h"
#include "test_scratch_dir.h"
#include "test_zip_builder.h"

namespace zel {
namespace {

namespace fs = std::filesystem;
using test::buildZip;
using test::listTree;
using test::readText;
using test::TestArchiveOptions;
using test::TestEntry;

std::time_t mtimeOf(const fs::path& p) {
  struct stat st {};
  EXPECT_EQ(::stat(p.string().c_str(), &st), 0) << p;
  return st.st_mtime;
}

std::time_t localTime(int y, int mo, int d, int h, int mi, int s) {
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

// Text of n bytes that compresses but not to nothing.
std::string sample(std::size_t n, unsigned seed = 1) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) {
    seed = seed * 1103515245u + 12345u;
    s[i] = static_cast<char>('a' + (seed >> 16) % 7);
  }
  return s;
}

class TUnZIPTest : public ::testing::Test {
 protected:
  bool extract(const std::vector<std::uint8_t>& bytes) { return extract(bytes, unzip); }
  bool extract(const std::vector<std::uint8_t>& bytes, ZipExtractor& z) {
    test::writeBytes(archive, bytes);
    z.ArchiveFile = archive.string();
    z.ExtractDir = target.string();
    return z.Extract();
  }
  // The scratch directory holds the archive and the target, nothing else; the
  // target holds no temporary file and no link.
  void expectContained(const std::set<std::string>& ownLinks = {}) {
    for (const std::string& p : listTree(scratch.path())) {
      bool inside = p == "archive.zip" || p == "out/" || p.rfind("out/", 0) == 0 || p.rfind("outside/", 0) == 0;
      EXPECT_TRUE(inside) << "written outside the target: " << p;
    }
    for (const std::string& p : listTree(target)) {
      EXPECT_EQ(p.find(".zelunzip-"), std::string::npos) << "temporary file left: " << p;
      if (!ownLinks.count(p)) {
        EXPECT_FALSE(fs::is_symlink(target / p)) << "link created: " << p;
      }
    }
  }
  void expectRefused(const std::string& fragment, const std::set<std::string>& ownLinks = {}) {
    EXPECT_FALSE(unzip.ErrorText().empty());
    EXPECT_NE(unzip.ErrorText().find(fragment), std::string::npos) << unzip.ErrorText();
    expectContained(ownLinks);
  }

  test::ScratchDir scratch;
  fs::path archive = scratch / "archive.zip";
  fs::path target = scratch / "out";
  ZipExtractor unzip;
};

// --- Sound archives -------------------------------------------------------

TEST_F(TUnZIPTest, StoredAndDeflatedFilesWithDirectories) {
  std::string big = sample(300000);
  ASSERT_TRUE(extract(buildZip({{.name = "a.txt", .data = "stored", .method = 0},
                                {.name = "d/", .data = "", .method = 0},
                                {.name = "d/e/", .data = "", .method = 0},
                                {.name = "d/e/big.txt", .data = big},
                                {.name = "empty/", .data = "", .method = 0},
                                {.name = "nodir/f.txt", .data = "parent made on the way"},
                                {.name = "zero.txt", .data = ""},
                                {.name = "big.bin", .data = big, .method = 0}})))
      << unzip.ErrorText();
  EXPECT_EQ(listTree(target), (std::set<std::string>{"a.txt", "big.bin", "d/", "d/e/", "d/e/big.txt", "empty/",
                                                     "nodir/", "nodir/f.txt", "zero.txt"}));
  EXPECT_EQ(readText(target / "a.txt"), "stored");
  EXPECT_EQ(readText(target / "d/e/big.txt"), big);
  EXPECT_EQ(readText(target / "big.bin"), big);
  EXPECT_EQ(readText(target / "nodir/f.txt"), "parent made on the way");
  EXPECT_EQ(readText(target / "zero.txt"), "");
  expectContained();
}

TEST_F(TUnZIPTest, ExtractDirIsCreatedWithItsParents) {
  target = std::filesystem::path(scratch.path()) / "out" / "deep" / "er";
  ASSERT_TRUE(extract(buildZip({{.name = "a", .data = "x"}}))) << unzip.ErrorText();
  EXPECT_EQ(readText(target / "a"), "x");
}

TEST_F(TUnZIPTest, StoredDosDateIsApplied) {
  ASSERT_TRUE(extract(buildZip({{.name = "a",
                                 .data = "x",
                                 .dosTime = (13 << 11) | (45 << 5) | 15,
                                 .dosDate = ((2019 - 1980) << 9) | (7 << 5) | 4}})));
  EXPECT_EQ(mtimeOf(target / "a"), localTime(2019, 7, 4, 13, 45, 30));
}

TEST_F(TUnZIPTest, ExtendedTimestampWinsOverDosDate) {
  ASSERT_TRUE(extract(buildZip({{.name = "a", .data = "x", .unixMtime = 1234567891u}})));
  EXPECT_EQ(mtimeOf(target / "a"), 1234567891);
}

TEST_F(TUnZIPTest, CurrentDateWhenAskedFor) {
  unzip.SetDateTo = sdCurrentDate;
  ASSERT_TRUE(extract(buildZip({{.name = "a", .data = "x", .unixMtime = 1234567891u}})));
  EXPECT_GT(mtimeOf(target / "a"), 1600000000);
}

fs::perms permsOf(const fs::path& p) { return fs::status(p).permissions(); }

// Only the owner's execute bit counts: 0755 or 0644, less the umask.
struct Permissions {
  std::string label;
  std::uint16_t versionMadeBy;
  std::uint32_t storedMode;
  mode_t umask;
  fs::perms expected;
};

class TUnZIPPermissions : public TUnZIPTest, public ::testing::WithParamInterface<Permissions> {};

TEST_P(TUnZIPPermissions, FilesGetOnlyTheOwnersExecuteBitFromTheArchive) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows files have no rwx bits";
#endif
  const Permissions& c = GetParam();
  const mode_t saved = ::umask(c.umask);
  const bool ok = extract(buildZip(
      {{.name = "d/f", .data = "x", .versionMadeBy = c.versionMadeBy, .externalAttributes = c.storedMode << 16}}));
  ::umask(saved);
  ASSERT_TRUE(ok) << unzip.ErrorText();
  EXPECT_EQ(permsOf(target / "d/f"), c.expected);
  EXPECT_EQ(permsOf(target / "d"), fs::perms(0755 & ~c.umask));
}

constexpr std::uint16_t kUnix = test::kMadeByUnix;
INSTANTIATE_TEST_SUITE_P(Modes, TUnZIPPermissions,
                         ::testing::Values(Permissions{"Program", kUnix, 0100755, 022, fs::perms(0755)},
                                           Permissions{"WorldWritable", kUnix, 0100777, 022, fs::perms(0755)},
                                           Permissions{"WorldWritableData", kUnix, 0100666, 022, fs::perms(0644)},
                                           Permissions{"Unreadable", kUnix, 0100000, 022, fs::perms(0644)},
                                           Permissions{"OwnerOnly", kUnix, 0100700, 022, fs::perms(0755)},
                                           Permissions{"GroupExecuteOnly", kUnix, 0100610, 022, fs::perms(0644)},
                                           Permissions{"SpecialBits", kUnix, 0107775, 022, fs::perms(0755)},
                                           Permissions{"TightUmask", kUnix, 0100755, 077, fs::perms(0700)},
                                           Permissions{"OtherHost", 20, 0100777, 022, fs::perms(0644)},
                                           Permissions{"NoMode", kUnix, 0, 022, fs::perms(0644)}),
                         [](const auto& info) { return info.param.label; });

TEST_F(TUnZIPTest, ReplacedFileTakesTheStoredPermissions) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows files have no rwx bits";
#endif
  fs::create_directories(target);
  test::writeText(target / "run", "old");
  fs::permissions(target / "run", fs::perms(0600));
  ASSERT_TRUE(extract(buildZip(
      {{.name = "run", .data = "new", .versionMadeBy = test::kMadeByUnix, .externalAttributes = 0100755u << 16}})));
  EXPECT_EQ(readText(target / "run"), "new");
  EXPECT_EQ(permsOf(target / "run"), fs::perms(0755));
}

TEST_F(TUnZIPTest, ExistingFileIsReplacedWithoutAQuestion) {
  fs::create_directories(target / "d");
  test::writeText(target / "d/a.txt", std::string(5000, 'o'));
  ASSERT_TRUE(extract(buildZip({{.name = "d/a.txt", .data = "new"}})));
  EXPECT_EQ(readText(target / "d/a.txt"), "new");
}

TEST_F(TUnZIPTest, ExistingLinkIsReplacedNotFollowed) {
#ifdef _WIN32
  GTEST_SKIP() << "links need rights a Windows test does not have";
#endif
  fs::create_directories(target);
  test::writeText(scratch / "secret.txt", "keep");
  fs::create_symlink(scratch / "secret.txt", target / "a.txt");
  ASSERT_TRUE(extract(buildZip({{.name = "a.txt", .data = "new"}})));
  EXPECT_EQ(readText(scratch / "secret.txt"), "keep");
  EXPECT_FALSE(fs::is_symlink(target / "a.txt"));
  EXPECT_EQ(readText(target / "a.txt"), "new");
}

TEST_F(TUnZIPTest, LinkedDirectoryInsideTheTargetIsUsed) {
#ifdef _WIN32
  GTEST_SKIP() << "links need rights a Windows test does not have";
#endif
  fs::create_directories(target / "real");
  fs::create_directory_symlink("real", target / "alias");
  ASSERT_TRUE(extract(buildZip({{.name = "alias/x.txt", .data = "x"}}))) << unzip.ErrorText();
  EXPECT_EQ(readText(target / "real/x.txt"), "x");
}

TEST_F(TUnZIPTest, EmptyArchive) {
  std::vector<int> calls;
  unzip.OnProgress = [&](ZipExtractor&, std::uint8_t p) { calls.push_back(p); };
  ASSERT_TRUE(extract(buildZip({}))) << unzip.ErrorText();
  EXPECT_TRUE(listTree(target).empty());
  EXPECT_EQ(calls, (std::vector<int>{0, 100}));
}

TEST_F(TUnZIPTest, DataDescriptorsZip64AndStubs) {
  std::vector<TestEntry> entries = {{.name = "s.txt", .data = "stored", .method = 0, .dataDescriptor = true},
                                    {.name = "d.txt", .data = sample(5000), .dataDescriptor = true},
                                    {.name = "z.txt", .data = sample(70000, 7), .zip64 = true},
                                    {.name = "zd.txt", .data = "both", .dataDescriptor = true, .zip64 = true}};
  for (bool zip64End : {false, true}) {
    for (bool adjust : {false, true}) {
      for (std::string stub : {"", "MZ\x90\x00 a program stub"}) {
        SCOPED_TRACE(testing::Message() << "zip64End " << zip64End << " adjust " << adjust << " stub " << stub.size());
        fs::remove_all(target);
        ASSERT_TRUE(extract(buildZip(entries, {.stub = stub, .adjustForStub = adjust, .zip64End = zip64End})))
            << unzip.ErrorText();
        for (const TestEntry& e : entries) EXPECT_EQ(readText(target / e.name), e.data) << e.name;
      }
    }
  }
}

TEST_F(TUnZIPTest, BackslashesSeparateDirectories) {
  ASSERT_TRUE(extract(buildZip({{.name = "d\\e\\f.txt", .data = "f"}}))) << unzip.ErrorText();
  EXPECT_EQ(readText(target / "d/e/f.txt"), "f");
}

TEST_F(TUnZIPTest, FileMasksChooseEntries) {
  auto bytes = buildZip({{.name = "a.txt", .data = "a"},
                         {.name = "SDE32.DLL", .data = "d"},
                         {.name = "lib/", .data = "", .method = 0},
                         {.name = "lib/x.dll", .data = "x"},
                         {.name = "README", .data = "r"}});
  unzip.FileSpec = {"*.dll"};
  ASSERT_TRUE(extract(bytes)) << unzip.ErrorText();
  EXPECT_EQ(listTree(target), (std::set<std::string>{"SDE32.DLL", "lib/", "lib/x.dll"}));

  fs::remove_all(target);
  unzip.FileSpec = {"*.*"};
  ASSERT_TRUE(extract(bytes));
  EXPECT_EQ(listTree(target).size(), 5u);

  fs::remove_all(target);
  unzip.FileSpec = {"?.txt", "READ*"};
  ASSERT_TRUE(extract(bytes));
  EXPECT_EQ(listTree(target), (std::set<std::string>{"README", "a.txt"}));
}

TEST_F(TUnZIPTest, MaskedOutHostileEntryIsNotLookedAt) {
  unzip.FileSpec = {"*.txt"};
  ASSERT_TRUE(extract(buildZip({{.name = "a.txt", .data = "a"}, {.name = "../evil.dll", .data = "e"}})));
  EXPECT_EQ(listTree(target), (std::set<std::string>{"a.txt"}));
}

TEST_F(TUnZIPTest, WithoutStoredDirectoriesFilesLandFlat) {
  unzip.UseStoredDirs = false;
  ASSERT_TRUE(extract(buildZip({{.name = "d/", .data = "", .method = 0}, {.name = "d/e/f.txt", .data = "f"}})));
  EXPECT_EQ(listTree(target), (std::set<std::string>{"f.txt"}));
}

TEST_F(TUnZIPTest, CommentIsCutToItsBuffer) {
  unzip.ZipCmntBufSize = 4;
  ASSERT_TRUE(extract(buildZip({}, {.comment = "installation archive"})));
  EXPECT_EQ(unzip.Comment(), "inst");
}

// --- Progress -------------------------------------------------------------

TEST_F(TUnZIPTest, ProgressInTenPercentStepsWithTheFileBeingWritten) {
  std::vector<TestEntry> entries;
  for (int i = 0; i < 7; ++i)
    entries.push_back({.name = "d/f" + std::to_string(i) + ".txt", .data = sample(40000 + i * 9000, i), .method = 0});
  std::vector<std::string> events;
  std::vector<int> percents;
  unzip.OnProgress = [&](ZipExtractor& sender, std::uint8_t p) {
    EXPECT_EQ(&sender, &unzip);
    percents.push_back(p);
    events.push_back("P");
    const std::string& file = sender.CurrentFileName();
    EXPECT_EQ(file.rfind(target.string() + "/d/f", 0), 0u) << file;
  };
  unzip.OnProcessMessages = [&] { events.push_back("M"); };
  ASSERT_TRUE(extract(buildZip(entries))) << unzip.ErrorText();
  EXPECT_EQ(percents, (std::vector<int>{0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
  ASSERT_EQ(events.size(), 2 * percents.size());
  for (std::size_t i = 0; i < events.size(); ++i) EXPECT_EQ(events[i], i % 2 ? "M" : "P");
}

TEST_F(TUnZIPTest, ProgressNamesTheEntryWhoseBytesCrossTheStep) {
  // Two entries of 100 and 900 bytes: 0 and 10 % fall in the first, the rest in the second.
  std::vector<std::pair<int, std::string>> calls;
  unzip.OnProgress = [&](ZipExtractor& z, std::uint8_t p) { calls.emplace_back(p, z.CurrentFileName()); };
  ASSERT_TRUE(extract(buildZip(
      {{.name = "one", .data = sample(100), .method = 0}, {.name = "two", .data = sample(900), .method = 0}})));
  ASSERT_EQ(calls.size(), 11u);
  EXPECT_EQ(calls[0].second, target.string() + "/one");
  EXPECT_EQ(calls[1].second, target.string() + "/one");
  EXPECT_EQ(calls[2].second, target.string() + "/two");
  EXPECT_EQ(calls[10].second, target.string() + "/two");
}

TEST_F(TUnZIPTest, ProgressInFivePercentStepsAndPerFile) {
  std::vector<int> percents;
  unzip.OnProgress = [&](ZipExtractor&, std::uint8_t p) { percents.push_back(p); };
  unzip.ProgressNotify = Five;
  auto bytes = buildZip({{.name = "a", .data = sample(100000), .method = 0}});
  ASSERT_TRUE(extract(bytes));
  ASSERT_EQ(percents.size(), 21u);
  for (int i = 0; i <= 20; ++i) EXPECT_EQ(percents[i], 5 * i);

  percents.clear();
  unzip.ProgressNotify = Ten;
  unzip.ProgressMode = byFile;
  ASSERT_TRUE(extract(buildZip({{.name = "a", .data = "a", .method = 0}, {.name = "b", .data = "b", .method = 0}})));
  EXPECT_EQ(percents,
            (std::vector<int>{0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
}

TEST_F(TUnZIPTest, NoHundredAfterAFailure) {
  std::vector<int> percents;
  unzip.OnProgress = [&](ZipExtractor&, std::uint8_t p) { percents.push_back(p); };
  ASSERT_FALSE(extract(buildZip({{.name = "a", .data = "abc", .crc = 1}})));
  EXPECT_EQ(std::count(percents.begin(), percents.end(), 100), 0);
}

// --- Korean names ------------------------------------------------------------

struct NamedEntry {
  std::string label;
  std::string stored;
  std::uint16_t flags;
  std::string fileName;  // empty: refused
};

class TUnZIPNames : public TUnZIPTest, public ::testing::WithParamInterface<NamedEntry> {};

TEST_P(TUnZIPNames, AreCp949UnlessFlaggedUtf8) {
  const NamedEntry& c = GetParam();
  const bool ok =
      extract(buildZip({{.name = "first.txt", .data = "x"}, {.name = c.stored, .data = "data", .flags = c.flags}}));
  if (c.fileName.empty()) {
    EXPECT_FALSE(ok);
    expectRefused("CP949");
    EXPECT_FALSE(fs::exists(target));
  } else {
    ASSERT_TRUE(ok) << unzip.ErrorText();
    EXPECT_TRUE(fs::is_regular_file(target / fileNamePath(c.fileName))) << c.fileName;
    EXPECT_EQ(readText(target / fileNamePath(c.fileName)), "data");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Names, TUnZIPNames,
    ::testing::Values(NamedEntry{"Cp949", "\xBA\xB8\xB0\xED\xBC\xAD.dbf", 0, "보고서.dbf"},
                      NamedEntry{"Cp949InADirectory", "samples/\xBA\xB8\xB0\xED\xBC\xAD.dbf", 0, "samples/보고서.dbf"},
                      NamedEntry{"FlaggedUtf8", "보고서.dbf", 0x0800, "보고서.dbf"},
                      NamedEntry{"Ascii", "plain.dbf", 0, "plain.dbf"},
                      NamedEntry{"NotCp949", "bad\xFF\xFF.dbf", 0, ""}, NamedEntry{"CutCp949", "cut\xBA.dbf", 0, ""}),
    [](const auto& info) { return info.param.label; });

// --- A run that fails takes back what it placed ----------------------------

TEST_F(TUnZIPTest, FailureAfterTheFirstWritesRemovesThemAndRestoresOldFiles) {
  fs::create_directories(target / "old");
  test::writeText(target / "keep.txt", "old keep");
  test::writeText(target / "untouched.txt", "not in the archive");
  // "sub" is made as a directory by the third entry, so the file "sub" can
  // only fail when it is written.
  ASSERT_FALSE(extract(buildZip({{.name = "keep.txt", .data = "new keep"},
                                 {.name = "new.txt", .data = "new"},
                                 {.name = "sub/deeper/x.txt", .data = "x"},
                                 {.name = "sub", .data = "a file where a directory is"}})));
  expectRefused("in the way");
  EXPECT_EQ(listTree(target), (std::set<std::string>{"keep.txt", "old/", "untouched.txt"}));
  EXPECT_EQ(readText(target / "keep.txt"), "old keep");
}

TEST_F(TUnZIPTest, MissingTargetMadeByAFailedRunIsRemovedAgain) {
  target = std::filesystem::path(scratch.path()) / "out" / "deep";
  ASSERT_FALSE(extract(buildZip({{.name = "a/x", .data = "x"}, {.name = "a", .data = "y"}})));
  EXPECT_FALSE(fs::exists(scratch / "out"));
}

TEST_F(TUnZIPTest, RefusalBeforeWritingGivesTheReasonAndWritesNothing) {
  std::uint64_t asked = 0;
  unzip.OnBeforeWrite = [&](std::uint64_t bytes) {
    asked = bytes;
    return std::string("not enough room: No space left on device");
  };
  ASSERT_FALSE(extract(buildZip({{.name = "a", .data = sample(3000)}, {.name = "d/b", .data = "12345"}})));
  EXPECT_EQ(asked, 3005u);
  expectRefused("No space left on device");
  EXPECT_FALSE(fs::exists(target));
}

TEST_F(TUnZIPTest, LinkedDirectoryOutsideIsRefusedBeforeTheFirstWrite) {
#ifdef _WIN32
  GTEST_SKIP() << "links need rights a Windows test does not have";
#endif
  fs::create_directories(target);
  fs::create_directories(scratch / "outside");
  fs::create_directory_symlink(scratch / "outside", target / "samples");
  ASSERT_FALSE(
      extract(buildZip({{.name = "README.TXT", .data = "readme"}, {.name = "samples/P1.dbf", .data = "table"}})));
  expectRefused("link", {"samples"});
  EXPECT_EQ(listTree(target), (std::set<std::string>{"samples"}));
  EXPECT_TRUE(listTree(scratch / "outside").empty());
}

TEST_F(TUnZIPTest, CallersJournalCanTakeBackASuccessfulRun) {
  fs::create_directories(target);
  test::writeText(target / "a", "old");
  FileJournal journal;
  unzip.Journal = &journal;
  ASSERT_TRUE(extract(buildZip({{.name = "a", .data = "new"}, {.name = "d/b", .data = "b"}})));
  EXPECT_EQ(readText(target / "a"), "new");
  journal.undo();
  EXPECT_EQ(listTree(target), (std::set<std::string>{"a"}));
  EXPECT_EQ(readText(target / "a"), "old");
}

TEST_F(TUnZIPTest, ArchiveThatIsNoRegularFileIsRefusedWithoutWaiting) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no FIFOs in its file system";
#else
  const fs::path fifo = scratch / "archive.fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  unzip.ArchiveFile = fifo.string();
  unzip.ExtractDir = target.string();
  EXPECT_FALSE(unzip.Extract());
  EXPECT_NE(unzip.ErrorText().find("not a regular file"), std::string::npos) << unzip.ErrorText();
  EXPECT_FALSE(fs::exists(target));
#endif
}

// --- Refused names and entries: nothing at all is written -----------------

struct Hostile {
  std::string label;
  TestEntry entry;
  std::string fragment;
};

class TUnZIPHostile : public TUnZIPTest, public ::testing::WithParamInterface<Hostile> {};

TEST_P(TUnZIPHostile, IsRefusedBeforeAnythingIsWritten) {
  const Hostile& h = GetParam();
  ASSERT_FALSE(extract(buildZip({{.name = "good.txt", .data = "fine"}, h.entry})));
  expectRefused(h.fragment);
  EXPECT_NE(unzip.ErrorText().find(h.entry.name), std::string::npos) << unzip.ErrorText();
  EXPECT_TRUE(listTree(target).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Names, TUnZIPHostile,
    ::testing::Values(Hostile{"DotDot", {.name = "../x", .data = "x"}, ".."},
                      Hostile{"DotDotDeep", {.name = "a/../../x", .data = "x"}, ".."},
                      Hostile{"BackslashDotDot", {.name = "..\\x", .data = "x"}, ".."},
                      Hostile{"BackslashDeep", {.name = "a\\..\\..\\x", .data = "x"}, ".."},
                      Hostile{"Absolute", {.name = "/etc/zel-unzip-probe", .data = "x"}, "absolute"},
                      Hostile{"AbsoluteBackslash", {.name = "\\x", .data = "x"}, "absolute"},
                      Hostile{"DriveLetter", {.name = "C:\\x", .data = "x"}, "drive"},
                      Hostile{"DriveLetterRelative", {.name = "c:x", .data = "x"}, "drive"},
                      Hostile{"Symlink",
                              {.name = "link",
                               .data = "../..",
                               .method = 0,
                               .versionMadeBy = test::kMadeByUnix,
                               .externalAttributes = test::kUnixSymlink},
                              "link"},
                      Hostile{"Encrypted", {.name = "secret.txt", .data = "x", .flags = 1}, "encrypted"},
                      Hostile{"StrongEncryption", {.name = "secret.txt", .data = "x", .flags = 0x41}, "encrypted"},
                      Hostile{"Bzip2", {.name = "b.txt", .data = "x", .method = 12}, "method 12"},
                      Hostile{"UnknownMethod", {.name = "u.txt", .data = "x", .method = 99}, "method 99"}),
    [](const auto& info) { return info.param.label; });

TEST_F(TUnZIPTest, AbsoluteNameIntoTheScratchDirectoryIsRefused) {
  const std::string abs = scratch / "abs.txt";
  ASSERT_FALSE(extract(buildZip({{.name = abs, .data = "x"}})));
#ifdef _WIN32
  expectRefused("drive letter");  // Windows' absolute paths start with one
#else
  expectRefused("absolute");
#endif
  EXPECT_FALSE(fs::exists(abs));
  EXPECT_FALSE(fs::exists("/etc/zel-unzip-probe"));
}

TEST_F(TUnZIPTest, LinkedDirectoryLeadingOutsideIsRefused) {
#ifdef _WIN32
  GTEST_SKIP() << "links need rights a Windows test does not have";
#endif
  fs::create_directories(target);
  fs::create_directories(scratch / "outside");
  fs::create_directory_symlink(scratch / "outside", target / "link");
  ASSERT_FALSE(extract(buildZip({{.name = "link/x.txt", .data = "x"}})));
  expectRefused("link", {"link"});
  EXPECT_TRUE(listTree(scratch / "outside").empty());
}

TEST_F(TUnZIPTest, LinkedDirectoryLeadingUpwardIsRefused) {
#ifdef _WIN32
  GTEST_SKIP() << "links need rights a Windows test does not have";
#endif
  fs::create_directories(target / "d");
  fs::create_directory_symlink("../..", target / "d" / "up");
  ASSERT_FALSE(extract(buildZip({{.name = "d/up/x.txt", .data = "x"}})));
  expectRefused("link", {"d/up"});
}

TEST_F(TUnZIPTest, FileInTheWayOfADirectory) {
  ASSERT_FALSE(extract(buildZip({{.name = "a", .data = "file"}, {.name = "a/b", .data = "x"}})));
  expectRefused("not a directory");
}

TEST_F(TUnZIPTest, DirectoryInTheWayOfAFile) {
  fs::create_directories(target / "a");
  ASSERT_FALSE(extract(buildZip({{.name = "a", .data = "file"}})));
  expectRefused("in the way");
}

// The reason names a Korean file as UTF-8, also where the system's narrow code page lacks it.
TEST_F(TUnZIPTest, KoreanNamesInTheWayAreNamedInTheReason) {
  fs::create_directories(target / fileNamePath("samples/보고서.dbf"));
  ASSERT_FALSE(extract(buildZip({{.name = "samples/\xBA\xB8\xB0\xED\xBC\xAD.dbf", .data = "file"}})));
  expectRefused("보고서.dbf\" is in the way");
}

// --- Damaged data: the entry is not left behind ---------------------------

struct Damaged {
  std::string label;
  TestEntry entry;
  std::string fragment;
};

class TUnZIPDamaged : public TUnZIPTest, public ::testing::WithParamInterface<Damaged> {};

// The dry pass finds the damage before the first write: not even the sound
// entry before it, nor the target directory, is left.
TEST_P(TUnZIPDamaged, LeavesNothing) {
  const Damaged& d = GetParam();
  ASSERT_FALSE(extract(buildZip({{.name = "good.txt", .data = "fine"}, d.entry})));
  expectRefused(d.fragment);
  EXPECT_NE(unzip.ErrorText().find(d.entry.name), std::string::npos);
  EXPECT_FALSE(fs::exists(target));
}

const std::string kBomb = std::string(1 << 20, '\0');

INSTANTIATE_TEST_SUITE_P(
    Data, TUnZIPDamaged,
    ::testing::Values(
        Damaged{"CrcMismatch", {.name = "bad.txt", .data = sample(5000), .crc = 0xDEADBEEF}, "CRC"},
        Damaged{"StoredCrcMismatch", {.name = "bad.txt", .data = "abc", .method = 0, .crc = 0}, "CRC"},
        Damaged{"InflatesPastDeclaredSize", {.name = "bomb.bin", .data = kBomb, .uncompressedSize = 1000}, "past"},
        Damaged{"InflatesPastZeroSize", {.name = "bomb.bin", .data = "x", .uncompressedSize = 0}, "past"},
        Damaged{"InflatesShortOfDeclaredSize", {.name = "short.bin", .data = "abc", .uncompressedSize = 4}, "size"},
        Damaged{"StoredSizesDiffer", {.name = "s.bin", .data = "abc", .method = 0, .uncompressedSize = 2}, "sizes"},
        Damaged{"GarbageDeflateData",
                {.name = "g.bin", .data = "abc", .rawData = std::string("\xff\xff\xff\xff", 4)},
                "damaged"},
        Damaged{"DeflateDataCutShort",
                {.name = "cut.bin", .data = sample(20000), .rawData = test::deflateRaw(sample(20000)).substr(0, 900)},
                "cut short"},
        Damaged{"EmptyDeflateData", {.name = "e.bin", .data = "", .rawData = ""}, "cut short"}),
    [](const auto& info) { return info.param.label; });

// --- Damaged archives -----------------------------------------------------

TEST_F(TUnZIPTest, MissingArchive) {
  unzip.ArchiveFile = scratch / "nope.zip";
  unzip.ExtractDir = target.string();
  EXPECT_FALSE(unzip.Extract());
  expectRefused("cannot open");
}

TEST_F(TUnZIPTest, NotAZipArchive) {
  ASSERT_FALSE(extract(std::vector<std::uint8_t>(5000, 'M')));
  expectRefused("not a ZIP archive");
  EXPECT_FALSE(fs::exists(target));
}

TEST_F(TUnZIPTest, DamagedDirectoriesWriteNothing) {
  const std::vector<TestEntry> two = {{.name = "a", .data = "x", .method = 0}, {.name = "b", .data = "y", .method = 0}};
  std::vector<std::vector<std::uint8_t>> archives = {
      buildZip(two, {.count = 0xFFFF}),
      buildZip(two, {.zip64End = true, .count = ~0ull}),
      buildZip(two, {.cdOffset = 0xFFFFFF00}),
      buildZip(two, {.cdSize = 0xFFFFFFF0}),
      buildZip({{.name = "a", .data = "x", .method = 0},
                {.name = "a", .data = "x", .method = 0, .writeLocal = false, .localOffset = 0}}),
      buildZip({{.name = "a", .data = "x", .method = 0, .localOffset = 40}}),
      buildZip({{.name = "a", .data = "xxxx", .method = 0, .compressedSize = 20, .uncompressedSize = 20},
                {.name = "b", .data = "y", .method = 0}})};
  for (std::size_t i = 0; i < archives.size(); ++i) {
    ZipExtractor z;
    EXPECT_FALSE(extract(archives[i], z)) << "archive " << i;
    EXPECT_FALSE(z.ErrorText().empty());
    EXPECT_TRUE(listTree(target).empty()) << "archive " << i;
    expectContained();
  }
}

// Files are slow to create and remove under Wine: the Windows build walks the
// offsets of the two exhaustive tests below with a stride.
#ifdef _WIN32
constexpr std::size_t kOffsetStride = 7;
#else
constexpr std::size_t kOffsetStride = 1;
#endif

TEST_F(TUnZIPTest, TruncatedAtEveryOffset) {
  auto bytes = buildZip({{.name = "d/", .data = "", .method = 0},
                         {.name = "d/a.txt", .data = sample(3000)},
                         {.name = "b.txt", .data = "stored", .method = 0, .dataDescriptor = true},
                         {.name = "c.txt", .data = "zip64", .zip64 = true}},
                        {.comment = "cmt", .zip64End = true});
  for (std::size_t cut = 0; cut < bytes.size(); cut += kOffsetStride) {
    fs::remove_all(target);
    ZipExtractor z;
    EXPECT_FALSE(extract(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + cut), z)) << "cut " << cut;
    EXPECT_FALSE(z.ErrorText().empty());
    expectContained();
  }
}

TEST_F(TUnZIPTest, EveryFailedReadEndsCleanly) {
  auto bytes = buildZip({{.name = "d/a.txt", .data = sample(200000)}, {.name = "b.txt", .data = "b", .method = 0}});
  MemoryByteSource probe(bytes);
  unzip.ExtractDir = target.string();
  ASSERT_TRUE(unzip.ExtractFrom(probe)) << unzip.ErrorText();
  for (long n = 0; n < probe.readCount(); ++n) {
    fs::remove_all(target);
    MemoryByteSource src(bytes);
    src.failFromRead(n);
    EXPECT_FALSE(unzip.ExtractFrom(src)) << "read " << n;
    EXPECT_NE(unzip.ErrorText().find("cannot read"), std::string::npos) << unzip.ErrorText();
    expectContained();
    EXPECT_FALSE(fs::exists(target / "b.txt"));
  }
}

TEST_F(TUnZIPTest, FlippedBytesNeverEscapeOrLeaveTemporaryFiles) {
  auto bytes = buildZip({{.name = "d/a.txt", .data = sample(700)}, {.name = "b.txt", .data = "stored", .method = 0}});
  for (std::size_t i = 0; i < bytes.size(); i += kOffsetStride) {
    for (std::uint8_t flip : {0x01, 0x80, 0xFF}) {
      auto damaged = bytes;
      damaged[i] ^= flip;
      fs::remove_all(target);
      ZipExtractor z;
      if (!extract(damaged, z)) {
        EXPECT_FALSE(z.ErrorText().empty()) << "byte " << i;
      }
      expectContained();
    }
  }
}

}  // namespace
}  // namespace zel
