// Archives made by other writers: Debian's zip command and Python's zipfile.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "zip_extractor.h"
#include "test_scratch_dir.h"

namespace zel {
namespace {

namespace fs = std::filesystem;
using test::listTree;
using test::readText;
using test::writeText;

constexpr const char* kPython = "/usr/bin/python3";
constexpr std::time_t kStamp = 1614834368;  // 2021-03-04 05:06:08 UTC, an even second for DOS dates

std::time_t mtimeOf(const fs::path& p) {
  struct stat st {};
  EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
  return st.st_mtime;
}

int run(const std::string& command) { return std::system(command.c_str()); }

std::string quote(const fs::path& p) { return "'" + p.string() + "'"; }

class TUnZIPInterop : public ::testing::Test {
 protected:
  void SetUp() override {
    if (run("command -v zip >/dev/null 2>&1") != 0) GTEST_SKIP() << "zip is not installed";
    fs::create_directories(src / "d" / "e");
    fs::create_directories(src / "emptydir");
    writeText(src / "a.txt", "hello\n");
    std::string big;
    for (int i = 0; i < 20000; ++i) big += std::to_string(i * 7919 % 1000) + (i % 13 ? " " : "\n");
    writeText(src / "d" / "big.txt", big);
    writeText(src / "d" / "e" / "SDE32.DLL", std::string(3000, '\x90'));
    for (const char* f : {"a.txt", "d/big.txt", "d/e/SDE32.DLL"}) {
      struct utimbuf t {
        kStamp, kStamp
      };
      ::utime((src / f).c_str(), &t);
    }
  }
  bool extract(const fs::path& zipFile) {
    unzip.ArchiveFile = zipFile.string();
    unzip.ExtractDir = target.string();
    return unzip.Extract();
  }
  void expectSourceTree(bool withTimes) {
    EXPECT_EQ(listTree(target),
              (std::set<std::string>{"a.txt", "d/", "d/big.txt", "d/e/", "d/e/SDE32.DLL", "emptydir/"}));
    for (const char* f : {"a.txt", "d/big.txt", "d/e/SDE32.DLL"}) {
      EXPECT_EQ(readText(target / f), readText(src / f)) << f;
      if (withTimes) {
        EXPECT_EQ(mtimeOf(target / f), kStamp) << f;
      }
    }
  }
  // Runs zip in the source directory.
  void zip(const std::string& args) { ASSERT_EQ(run("cd " + quote(src) + " && zip -q " + args), 0) << args; }
  void python(const std::string& script) {
    writeText(scratch / "make.py", script);
    ASSERT_EQ(run(std::string(kPython) + " " + quote(scratch / "make.py") + " " + quote(scratch.path())), 0);
  }

  test::ScratchDir scratch;
  fs::path src = scratch / "src";
  fs::path target = scratch / "out";
  ZipExtractor unzip;
};

TEST_F(TUnZIPInterop, ZipDeflatedWithDirectoriesAndDates) {
  zip("-r ../a.zip a.txt d emptydir");
  ASSERT_TRUE(extract(scratch / "a.zip")) << unzip.ErrorText();
  expectSourceTree(true);
}

TEST_F(TUnZIPInterop, ZipKeepsTheExecutableBit) {
  writeText(src / "run.sh", "#!/bin/sh\necho ok\n");
  fs::permissions(src / "run.sh", fs::perms(0755));
  fs::permissions(src / "a.txt", fs::perms(0640));
  zip("../x.zip run.sh a.txt");
  const mode_t mask = ::umask(022);
  const bool ok = extract(scratch / "x.zip");
  ::umask(mask);
  ASSERT_TRUE(ok) << unzip.ErrorText();
  EXPECT_EQ(fs::status(target / "run.sh").permissions(), fs::perms(0755));
  // Only the execute bit is taken; the rest is the installer's own 0644.
  EXPECT_EQ(fs::status(target / "a.txt").permissions(), fs::perms(0644));
  EXPECT_EQ(run(quote(target / "run.sh") + " >/dev/null"), 0);
}

TEST_F(TUnZIPInterop, ZipStored) {
  zip("-r0 ../a.zip a.txt d emptydir");
  ASSERT_TRUE(extract(scratch / "a.zip")) << unzip.ErrorText();
  expectSourceTree(true);
}

TEST_F(TUnZIPInterop, ZipWithoutExtraFieldsUsesDosDates) {
  zip("-rX ../a.zip a.txt d emptydir");  // -X: no extended timestamps, DOS dates only
  ASSERT_TRUE(extract(scratch / "a.zip")) << unzip.ErrorText();
  expectSourceTree(true);
}

TEST_F(TUnZIPInterop, ZipFromAStreamHasZip64Records) {
  ASSERT_EQ(run("cd " + quote(src) + " && cat d/big.txt | zip -q ../s.zip -"), 0);
  ASSERT_TRUE(extract(scratch / "s.zip")) << unzip.ErrorText();
  EXPECT_EQ(readText(target / "-"), readText(src / "d/big.txt"));
}

TEST_F(TUnZIPInterop, ZipIntoAPipeWritesDataDescriptors) {
  ASSERT_EQ(run("cd " + quote(src) + " && zip -q -r - a.txt d | cat > ../p.zip"), 0);
  ASSERT_TRUE(extract(scratch / "p.zip")) << unzip.ErrorText();
  EXPECT_EQ(readText(target / "d/big.txt"), readText(src / "d/big.txt"));
  EXPECT_EQ(readText(target / "a.txt"), "hello\n");
}

TEST_F(TUnZIPInterop, PythonArchiveWithMoreEntriesThanTheClassicRecordHolds) {
  python(R"PY(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1] + '/many.zip', 'w', zipfile.ZIP_STORED) as z:
    for i in range(70000):
        z.writestr('f/%05d' % i, b'')
    z.writestr('wanted.txt', b'found among many')
)PY");
  unzip.FileSpec = {"wanted.txt"};
  ASSERT_TRUE(extract(scratch / "many.zip")) << unzip.ErrorText();
  EXPECT_EQ(listTree(target), (std::set<std::string>{"wanted.txt"}));
  EXPECT_EQ(readText(target / "wanted.txt"), "found among many");
}

TEST_F(TUnZIPInterop, SelfExtractingWithAndWithoutAdjustment) {
  zip("-r ../a.zip a.txt d emptydir");
  writeText(scratch / "stub", "MZ" + std::string(4093, '\x01'));
  ASSERT_EQ(run("cat " + quote(scratch / "stub") + " " + quote(scratch / "a.zip") + " > " + quote(scratch / "sfx.exe")),
            0);
  ASSERT_TRUE(extract(scratch / "sfx.exe")) << unzip.ErrorText();
  expectSourceTree(true);

  fs::remove_all(target);
  ASSERT_EQ(run("zip -qA " + quote(scratch / "sfx.exe")), 0);
  ASSERT_TRUE(extract(scratch / "sfx.exe")) << unzip.ErrorText();
  expectSourceTree(true);
}

TEST_F(TUnZIPInterop, ArchiveNameDoesNotMatter) {
  zip("-r ../ZELRPT.E01.zip a.txt d emptydir");
  fs::rename(scratch / "ZELRPT.E01.zip", scratch / "ZELRPT.E01");
  ASSERT_TRUE(extract(scratch / "ZELRPT.E01")) << unzip.ErrorText();
  expectSourceTree(true);
}

TEST_F(TUnZIPInterop, EncryptedEntriesAreRefused) {
  zip("-P secret ../e.zip a.txt");
  EXPECT_FALSE(extract(scratch / "e.zip"));
  EXPECT_NE(unzip.ErrorText().find("encrypted"), std::string::npos) << unzip.ErrorText();
  EXPECT_FALSE(fs::exists(target / "a.txt"));
}

TEST_F(TUnZIPInterop, StoredLinksAreRefused) {
  fs::create_symlink("/etc/passwd", src / "link");
  zip("-y ../l.zip a.txt link");
  EXPECT_FALSE(extract(scratch / "l.zip"));
  EXPECT_NE(unzip.ErrorText().find("link"), std::string::npos) << unzip.ErrorText();
  EXPECT_TRUE(listTree(target).empty());
}

TEST_F(TUnZIPInterop, PythonZip64DescriptorsDatesAndComment) {
  python(R"PY(
import sys, zipfile
out = sys.argv[1]
class Unseekable:
    def __init__(self, f): self.f = f
    def write(self, b): return self.f.write(b)
    def flush(self): self.f.flush()
with zipfile.ZipFile(out + '/p.zip', 'w', zipfile.ZIP_DEFLATED) as z:
    z.comment = b'x' * 3000
    z.writestr(zipfile.ZipInfo('d/', (2020, 2, 29, 23, 59, 58)), b'')
    info = zipfile.ZipInfo('d/leap.txt', (2020, 2, 29, 23, 59, 58))
    info.compress_type = zipfile.ZIP_DEFLATED
    with z.open(info, 'w', force_zip64=True) as f:
        f.write(b'leap day\n' * 1000)
    info = zipfile.ZipInfo('stored.bin', (1999, 12, 31, 1, 2, 4))
    with z.open(info, 'w', force_zip64=True) as f:
        f.write(bytes(range(256)) * 10)
with open(out + '/u.zip', 'wb') as raw:
    with zipfile.ZipFile(Unseekable(raw), 'w', zipfile.ZIP_DEFLATED) as z:
        z.writestr(zipfile.ZipInfo('streamed.txt', (2010, 1, 1, 0, 0, 0)), b'through a pipe\n' * 100)
)PY");
  ASSERT_TRUE(extract(scratch / "p.zip")) << unzip.ErrorText();
  EXPECT_EQ(unzip.Comment(), std::string(2000, 'x'));  // cut to ZipCmntBufSize
  std::string leap;
  for (int i = 0; i < 1000; ++i) leap += "leap day\n";
  EXPECT_EQ(readText(target / "d/leap.txt"), leap);
  EXPECT_EQ(readText(target / "stored.bin").size(), 2560u);
  std::tm tm{};
  tm.tm_year = 120, tm.tm_mon = 1, tm.tm_mday = 29, tm.tm_hour = 23, tm.tm_min = 59, tm.tm_sec = 58, tm.tm_isdst = -1;
  EXPECT_EQ(mtimeOf(target / "d/leap.txt"), std::mktime(&tm));

  ASSERT_TRUE(extract(scratch / "u.zip")) << unzip.ErrorText();
  EXPECT_EQ(readText(target / "streamed.txt").size(), 1500u);
}

TEST_F(TUnZIPInterop, PythonHostileNamesAreRefused) {
  python(R"PY(
import sys, zipfile
out = sys.argv[1]
for i, name in enumerate(['../evil.txt', 'a/../../evil.txt', '/tmp/evil.txt', 'C:\\evil.txt', '..\\evil.txt']):
    with zipfile.ZipFile(out + '/h%d.zip' % i, 'w') as z:
        z.writestr('fine.txt', b'fine')
        z.writestr(zipfile.ZipInfo(name), b'evil')
)PY");
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    EXPECT_FALSE(extract(scratch / ("h" + std::to_string(i) + ".zip")));
    EXPECT_NE(unzip.ErrorText().find("evil.txt"), std::string::npos) << unzip.ErrorText();
    EXPECT_TRUE(listTree(target).empty());
    EXPECT_FALSE(fs::exists(scratch / "evil.txt"));
  }
}

}  // namespace
}  // namespace zel
