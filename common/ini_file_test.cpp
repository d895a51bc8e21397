#include "ini_file.h"

#include <gtest/gtest.h>
#ifdef _WIN32
#  include <windows.h>
#endif
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace zel {
namespace {

namespace fs = std::filesystem;

// A hand-written settings file: a byte-order mark, CR LF breaks, comments,
// odd spacing, empty values, a repeated section and a key repeated in it.
const std::string kWinIni =
    "\xEF\xBB\xBF; for 16-bit app support\r\n"
    "[fonts]\r\n"
    "SLanguage=fonts-not-intl\r\n"
    "\r\n"
    "[ Intl ]\r\n"
    "iCountry=82\r\n"
    ";SLanguage=commented\r\n"
    "  slanguage   =   KOR   \r\n"
    "SLanguage=second\r\n"
    "sEmpty=\r\n"
    "sQuoted=\"  quoted  \"\r\n"
    "sOdd  =  'x'\r\n"
    "no equals sign here\r\n"
    "\r\n"
    "[intl]\r\n"
    "iDate=2\r\n"
    "[mci extensions]\r\n"
    "wav=waveaudio\r\n";

struct ReadCase {
  std::string section, key, expected;
};

class IniReadText : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniReadText, FindsTheFirstMatch) {
  EXPECT_EQ(iniReadText(kWinIni, GetParam().section, GetParam().key, "<def>"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniReadText,
    ::testing::Values(ReadCase{"intl", "SLanguage", "KOR"}, ReadCase{"INTL", "SLANGUAGE", "KOR"},
                      ReadCase{"intl", "iCountry", "82"}, ReadCase{"intl", "sEmpty", ""},
                      ReadCase{"intl", "sQuoted", "  quoted  "}, ReadCase{"intl", "sOdd", "x"},
                      ReadCase{"intl", "iDate", "<def>"},  // only in the second [intl]
                      ReadCase{"fonts", "SLanguage", "fonts-not-intl"}, ReadCase{"intl", "missing", "<def>"},
                      ReadCase{"nosuch", "SLanguage", "<def>"}, ReadCase{"mci extensions", "WAV", "waveaudio"},
                      ReadCase{"intl", "no equals sign here", "<def>"}, ReadCase{"intl", ";SLanguage", "<def>"}));

TEST(IniReadTextEdges, EmptyAndHeaderOnlyTexts) {
  EXPECT_EQ(iniReadText("", "a", "b", "d"), "d");
  EXPECT_EQ(iniReadText("\xEF\xBB\xBF", "a", "b", "d"), "d");
  EXPECT_EQ(iniReadText("[a]", "a", "b", "d"), "d");
  EXPECT_EQ(iniReadText("[a]\nb=1", "a", "b", "d"), "1");
  EXPECT_EQ(iniReadText("[a]\rb=1\r", "a", "b", "d"), "d");  // CR alone breaks no line
  EXPECT_EQ(iniReadText("[a\nb=1\n", "a", "b", "d"), "1");  // header without "]"
  EXPECT_EQ(iniReadText("[a]\nb=\"\n", "a", "b", "d"), "\"");
  EXPECT_EQ(iniReadText("[a]\nb=\"x'\n", "a", "b", "d"), "\"x'");
}

// Writing: only the value's bytes change.
TEST(IniWriteText, ReplacesOnlyTheValueBytes) {
  std::string expected = kWinIni;
  expected.replace(expected.find("KOR"), 3, "eng");
  EXPECT_EQ(iniWriteText(kWinIni, "INTL", "SLANGUAGE", "eng"), expected);
}

TEST(IniWriteText, EmptyValueIsFilledIn) {
  std::string expected = kWinIni;
  expected.replace(expected.find("sEmpty=\r\n"), 9, "sEmpty=v\r\n");
  EXPECT_EQ(iniWriteText(kWinIni, "intl", "sempty", "v"), expected);
  EXPECT_EQ(iniWriteText("[a]\nk =  \nz=1\n", "a", "k", "v"), "[a]\nk =  v\nz=1\n");
}

TEST(IniWriteText, QuotedValueIsReplacedWithItsQuotes) {
  EXPECT_EQ(iniWriteText("[a]\nk = \"old\" \n", "a", "k", "new"), "[a]\nk = new \n");
}

TEST(IniWriteText, MissingKeyGoesAfterTheLastFilledLineOfTheSection) {
  std::string expected = kWinIni;
  expected.insert(expected.find("no equals sign here\r\n") + 21, "iDate=1\r\n");
  EXPECT_EQ(iniWriteText(kWinIni, "intl", "iDate", "1"), expected);
  EXPECT_EQ(iniWriteText("[a]\nx=1\n\n\n[b]\n", "a", "k", "v"), "[a]\nx=1\nk=v\n\n\n[b]\n");
  EXPECT_EQ(iniWriteText("[a]\r\n[b]\r\n", "a", "k", "v"), "[a]\r\nk=v\r\n[b]\r\n");
}

TEST(IniWriteText, NoTrailingBreakIsKept) {
  EXPECT_EQ(iniWriteText("[a]\r\nx=1", "a", "k", "v"), "[a]\r\nx=1\r\nk=v");
  EXPECT_EQ(iniWriteText("[a]", "a", "k", "v"), "[a]\r\nk=v");
  EXPECT_EQ(iniWriteText("[a]\nx=1", "a", "x", "2"), "[a]\nx=2");
}

TEST(IniWriteText, MissingSectionIsAppended) {
  EXPECT_EQ(iniWriteText(kWinIni, "new", "k", "v"), kWinIni + "[new]\r\nk=v\r\n");
  EXPECT_EQ(iniWriteText("[a]\nx=1", "b", "k", "v"), "[a]\nx=1\n[b]\nk=v\n");
  EXPECT_EQ(iniWriteText("", "b", "k", "v"), "[b]\r\nk=v\r\n");
  EXPECT_EQ(iniWriteText("\xEF\xBB\xBF", "b", "k", "v"), "\xEF\xBB\xBF[b]\r\nk=v\r\n");
}

TEST(IniWriteText, ReadsBackWhatWasWritten) {
  std::string text = kWinIni;
  for (const char* section : {"intl", "fonts", "fresh"})
    for (const char* key : {"SLanguage", "sEmpty", "brandNew"}) {
      text = iniWriteText(text, section, key, std::string(section) + "-" + key);
      EXPECT_EQ(iniReadText(text, section, key), std::string(section) + "-" + key);
    }
  EXPECT_EQ(iniReadText(text, "mci extensions", "wav"), "waveaudio");
}

class IniFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("zel-ini-test-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(dir);
  }
  static std::string read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static void write(const fs::path& p, const std::string& s) { std::ofstream(p, std::ios::binary) << s; }
  std::size_t entries() const { return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {})); }
  fs::path dir;
};

#ifdef _WIN32
// Windows keeps WIN.INI's [intl] in the user's settings and its profile
// functions go there: what the installer writes is what the system reads.
TEST_F(IniFile, WinIniLanguageGoesToTheSystemsSettings) {
  const std::string ini = (dir / "WIN.INI").string();
  write(ini, kWinIni);
  char saved[64] = {};
  GetProfileStringA("intl", "sLanguage", "", saved, sizeof saved);
  ASSERT_TRUE(iniWrite(ini, "intl", "SLanguage", "KOR"));
  EXPECT_EQ(iniRead(ini, "intl", "sLanguage"), "KOR");
  char now[64] = {};
  GetProfileStringA("intl", "sLanguage", "", now, sizeof now);
  EXPECT_STREQ(now, "KOR");
  iniWrite(ini, "intl", "SLanguage", saved);
}
#else
TEST_F(IniFile, LanguageEntryRewrittenInPlace) {
  const fs::path ini = dir / "WIN.INI";
  write(ini, kWinIni);
  ::chmod(ini.c_str(), 0640);
  EXPECT_EQ(iniRead(ini.string(), "intl", "SLanguage"), "KOR");
  ASSERT_TRUE(iniWrite(ini.string(), "intl", "SLanguage", "eng"));
  std::string expected = kWinIni;
  expected.replace(expected.find("KOR"), 3, "eng");
  EXPECT_EQ(read(ini), expected);
  EXPECT_EQ(entries(), 1u);  // no temporary file left behind
  struct stat st {};
  ASSERT_EQ(::stat(ini.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}
#endif

TEST_F(IniFile, MissingFileIsCreatedAndReadsAsDefault) {
  const fs::path ini = dir / "Info.INI";
  EXPECT_EQ(iniRead(ini.string(), "INFO", "DIR", "none"), "none");
  ASSERT_TRUE(iniWrite(ini.string(), "INFO", "DIR", "C:\\Reports"));
  EXPECT_EQ(read(ini), "[INFO]\r\nDIR=C:\\Reports\r\n");
  EXPECT_EQ(iniRead(ini.string(), "info", "dir"), "C:\\Reports");
}

TEST_F(IniFile, UnwritableDirectoryFailsAndKeepsTheFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  const fs::path ini = dir / "WIN.INI";
  write(ini, kWinIni);
  fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_FALSE(iniWrite(ini.string(), "intl", "SLanguage", "eng"));
  EXPECT_EQ(read(ini), kWinIni);
}

TEST_F(IniFile, MissingDirectoryOrDirectoryAsFileFails) {
  EXPECT_FALSE(iniWrite((dir / "nosuch" / "x.ini").string(), "a", "b", "c"));
  EXPECT_FALSE(iniWrite(dir.string(), "a", "b", "c"));
  EXPECT_EQ(iniRead(dir.string(), "a", "b", "d"), "d");
}

}  // namespace
}  // namespace zel
