// Locks across two processes on Windows: this program starts a second copy of
// itself that opens the table and takes a lock (LockFileEx), and checks what
// the first copy may still do. The byte ranges are the ones the engine uses
// everywhere, checked here with the system's own lock call as well.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "table.h"
#include "test_support.h"

namespace sdetest {
namespace {

constexpr DWORD kWaitMs = 60000;

// What the second process holds while the first one looks.
enum class Hold { kSharedWithRecord1, kExclusive };

std::string ownProgram() {
  char buf[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
  return std::string(buf, n);
}

std::string eventName(const char* what) {
  return "zelrpt-lock-test-" + std::to_string(GetCurrentProcessId()) + "-" + what;
}

// The second process: started with --hold, it signals `ready` once it holds
// the table and ends when `release` is signalled.
class Holder {
 public:
  bool start(const std::string& path, Hold hold) {
    ready_ = CreateEventA(nullptr, TRUE, FALSE, eventName("ready").c_str());
    release_ = CreateEventA(nullptr, TRUE, FALSE, eventName("release").c_str());
    if (!ready_ || !release_) return false;
    std::string cmd = "\"" + ownProgram() + "\" --hold \"" + path + "\" " +
                      (hold == Hold::kExclusive ? "exclusive" : "shared") + " " + eventName("ready") + " " +
                      eventName("release");
    STARTUPINFOA si{};
    si.cb = sizeof si;
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &process_))
      return false;
    HANDLE both[] = {ready_, process_.hProcess};
    // The holder ending before it is ready means it could not take the lock.
    return WaitForMultipleObjects(2, both, FALSE, kWaitMs) == WAIT_OBJECT_0;
  }
  // Lets the holder end and waits for it; its exit code (0 when it held and let go).
  DWORD stop() {
    DWORD code = DWORD(-1);
    if (process_.hProcess) {
      SetEvent(release_);
      WaitForSingleObject(process_.hProcess, kWaitMs);
      GetExitCodeProcess(process_.hProcess, &code);
      CloseHandle(process_.hProcess);
      CloseHandle(process_.hThread);
      process_ = {};
    }
    return code;
  }
  ~Holder() {
    stop();
    if (ready_) CloseHandle(ready_);
    if (release_) CloseHandle(release_);
  }

 private:
  HANDLE ready_ = nullptr;
  HANDLE release_ = nullptr;
  PROCESS_INFORMATION process_{};
};

int holdMain(const char* path, const char* mode, const char* ready, const char* release) {
  sx_SetStringType(1);
  sx_SetLockTimeout(1);
  const bool exclusive = std::strcmp(mode, "exclusive") == 0;
  if (sx_Use(path, "HOLDER", exclusive ? SX_EXCLUSIVE : SX_SHARED, SX_FOX) <= 0) return 2;
  if (!exclusive && !sx_Rlock(1)) return 3;
  HANDLE readyEvent = OpenEventA(EVENT_MODIFY_STATE, FALSE, ready);
  HANDLE releaseEvent = OpenEventA(SYNCHRONIZE, FALSE, release);
  if (!readyEvent || !releaseEvent) return 4;
  SetEvent(readyEvent);
  if (WaitForSingleObject(releaseEvent, kWaitMs) != WAIT_OBJECT_0) return 5;
  sx_CloseAll();
  return 0;
}

// Whether this process can take the system lock on [offset, offset + 1) of path.
bool systemLockFree(const std::string& path, uint64_t offset, bool exclusive) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  OVERLAPPED ov{};
  ov.Offset = DWORD(offset);
  ov.OffsetHigh = DWORD(offset >> 32);
  DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
  bool got = LockFileEx(h, flags, 0, 1, 0, &ov);
  if (got) UnlockFileEx(h, 0, 1, 0, &ov);
  CloseHandle(h);
  return got;
}

class LockProcessTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    path_ = dir_.file("shared.dbf");
    ASSERT_GT(createReport(path_), 0);
    appendLine(1, "first");
    appendLine(2, "second");
    sx_Commit();
    sx_Close();
    sx_SetLockTimeout(0);
  }
  TempDir dir_;
  std::string path_;
};

TEST_F(LockProcessTest, RecordLockOfTheOtherProcessRefusesThatRecordOnly) {
  Holder other;
  ASSERT_TRUE(other.start(path_, Hold::kSharedWithRecord1));
  ASSERT_GT(sx_Use(path_.c_str(), nullptr, SX_SHARED, SX_FOX), 0) << sx_LastError();
  sx_SetLockTimeout(1);
  EXPECT_FALSE(sx_Rlock(1));
  EXPECT_NE(std::string(sx_LastError()).find("locked by another user"), std::string::npos) << sx_LastError();
  sx_GoTop();
  EXPECT_FALSE(sx_Replace("F_DES", SX_R_STRING, "mine"));
  EXPECT_TRUE(sx_Rlock(2)) << sx_LastError();
  // Reading is never blocked: the locks lie far beyond the data.
  sx_Go(1);
  EXPECT_STREQ(sx_GetTrimString("F_DES"), "first");
  EXPECT_EQ(other.stop(), 0u);
  EXPECT_TRUE(sx_Rlock(1)) << sx_LastError();
}

TEST_F(LockProcessTest, SharedOpenOfTheOtherProcessRefusesExclusiveOpen) {
  Holder other;
  ASSERT_TRUE(other.start(path_, Hold::kSharedWithRecord1));
  EXPECT_EQ(sx_Use(path_.c_str(), nullptr, SX_EXCLUSIVE, SX_FOX), 0);
  EXPECT_NE(std::string(sx_LastError()).find("in use"), std::string::npos) << sx_LastError();
  ASSERT_GT(sx_Use(path_.c_str(), nullptr, SX_SHARED, SX_FOX), 0) << sx_LastError();
  sx_Close();
  EXPECT_EQ(other.stop(), 0u);
  EXPECT_GT(sx_Use(path_.c_str(), nullptr, SX_EXCLUSIVE, SX_FOX), 0) << sx_LastError();
}

TEST_F(LockProcessTest, ExclusiveOpenOfTheOtherProcessRefusesSharedOpen) {
  Holder other;
  ASSERT_TRUE(other.start(path_, Hold::kExclusive));
  EXPECT_EQ(sx_Use(path_.c_str(), nullptr, SX_SHARED, SX_FOX), 0);
  EXPECT_NE(std::string(sx_LastError()).find("exclusively"), std::string::npos) << sx_LastError();
  EXPECT_EQ(other.stop(), 0u);
  EXPECT_GT(sx_Use(path_.c_str(), nullptr, SX_SHARED, SX_FOX), 0) << sx_LastError();
}

// The ranges themselves, as any Windows program sees them.
struct RangeCase {
  const char* name;
  Hold hold;
  uint64_t offset;
  bool exclusive;
  bool freeWhileHeld;
};

class LockRangeTest : public LockProcessTest, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(LockRangeTest, SystemLockOnTheEnginesRange) {
  const RangeCase& c = GetParam();
  Holder other;
  ASSERT_TRUE(other.start(path_, c.hold));
  EXPECT_EQ(systemLockFree(path_, c.offset, c.exclusive), c.freeWhileHeld);
  EXPECT_EQ(other.stop(), 0u);
  EXPECT_TRUE(systemLockFree(path_, c.offset, c.exclusive));
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, LockRangeTest,
    ::testing::Values(RangeCase{"Record1Taken", Hold::kSharedWithRecord1, sde::kRecordLockBase + 1, true, false},
                      RangeCase{"Record2Free", Hold::kSharedWithRecord1, sde::kRecordLockBase + 2, true, true},
                      RangeCase{"SharedOpenAllowsReaders", Hold::kSharedWithRecord1, sde::kOpenSentinel, false, true},
                      RangeCase{"SharedOpenRefusesWriter", Hold::kSharedWithRecord1, sde::kOpenSentinel, true, false},
                      RangeCase{"ExclusiveOpenRefusesReaders", Hold::kExclusive, sde::kOpenSentinel, false, false}),
    [](const ::testing::TestParamInfo<RangeCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace sdetest

int main(int argc, char** argv) {
  if (argc == 6 && std::strcmp(argv[1], "--hold") == 0) return sdetest::holdMain(argv[2], argv[3], argv[4], argv[5]);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
