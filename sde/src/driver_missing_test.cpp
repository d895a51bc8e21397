// Opening with a driver whose library cannot be found fails cleanly. Its own
// program, because drivers once loaded stay loaded for the process.
#include "test_support.h"

namespace sdetest {
namespace {

TEST(DriverMissingTest, UseAndCreateFailWithTheLibraryName) {
  TempDir empty;
  setenv("SDE_DRIVER_DIR", empty.path().c_str(), 1);
  TempDir dir;
  std::string path = dir.file("t.dbf");
  ASSERT_TRUE(sx_CreateNew(path.c_str(), nullptr, SX_FOX, 1));
  ASSERT_TRUE(sx_CreateField("A", "C", 5, 0));
  EXPECT_EQ(sx_CreateExec(), 0);
  std::string err = sx_LastError();
  EXPECT_NE(err.find("sdecdx32"), std::string::npos) << err;
  EXPECT_NE(err.find("not found"), std::string::npos) << err;
  EXPECT_EQ(sx_LastErrorKind(), SX_ERR_NODRIVER);
  EXPECT_FALSE(std::filesystem::exists(path));  // nothing written without a driver

  writeAll(path, {0x03});
  EXPECT_EQ(sx_Use(path.c_str(), nullptr, SX_SHARED, SX_NTX), 0);
  EXPECT_NE(std::string(sx_LastError()).find("sdentx32"), std::string::npos) << sx_LastError();
  EXPECT_EQ(sx_LastErrorKind(), SX_ERR_NODRIVER);

  // With the real directory the same call works.
  setenv("SDE_DRIVER_DIR",
         (std::string(std::getenv("ZEL_BINARY_DIR") ? std::getenv("ZEL_BINARY_DIR") : ".") + "/bin").c_str(), 1);
  ASSERT_TRUE(sx_CreateNew(path.c_str(), nullptr, SX_FOX, 1));
  ASSERT_TRUE(sx_CreateField("A", "C", 5, 0));
  EXPECT_GT(sx_CreateExec(), 0) << sx_LastError();
  sx_CloseAll();
}

}  // namespace
}  // namespace sdetest
