#include "entry_path.h"

#include <gtest/gtest.h>

namespace zel {
namespace {

class RefusedEntryName : public ::testing::TestWithParam<std::string> {};

TEST_P(RefusedEntryName, IsRefusedWithTheNameInTheMessage) {
  Result<EntryPath> p = parseEntryPath(GetParam());
  ASSERT_FALSE(p);
  EXPECT_NE(p.status().message().find("entry \""), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Unsafe, RefusedEntryName,
                         ::testing::Values("../x", "a/../../x", "a/..", "..", "..\\x", "a\\..\\..\\x", "/etc/x", "\\x",
                                           "\\\\server\\share\\x", "C:\\x", "c:x", "C:/x", std::string("a\0b", 3), "",
                                           ".", "a/./../../b"));

struct Accepted {
  std::string name;
  std::vector<std::string> parts;
  bool dir;
};

class AcceptedEntryName : public ::testing::TestWithParam<Accepted> {};

TEST_P(AcceptedEntryName, SplitsIntoComponents) {
  Result<EntryPath> p = parseEntryPath(GetParam().name);
  ASSERT_TRUE(p) << p.status().message();
  EXPECT_EQ(p->components, GetParam().parts);
  EXPECT_EQ(p->isDirectory, GetParam().dir);
}

INSTANTIATE_TEST_SUITE_P(
    Safe, AcceptedEntryName,
    ::testing::Values(Accepted{"a.txt", {"a.txt"}, false}, Accepted{"d/", {"d"}, true},
                      Accepted{"d/e/f.txt", {"d", "e", "f.txt"}, false},
                      Accepted{"d\\e\\f.txt", {"d", "e", "f.txt"}, false},
                      Accepted{"./a//b/./c", {"a", "b", "c"}, false}, Accepted{"a..b/..c", {"a..b", "..c"}, false},
                      Accepted{"...", {"..."}, false}, Accepted{"./", {}, true}, Accepted{"ab:c", {"ab:c"}, false},
                      // CP949 "보고서.dbf": its bytes must pass through untouched.
                      Accepted{"\xBA\xB8\xB0\xED\xBC\xAD.dbf", {"\xBA\xB8\xB0\xED\xBC\xAD.dbf"}, false}));

}  // namespace
}  // namespace zel
