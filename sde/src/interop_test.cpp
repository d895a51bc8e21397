// Interop with tables written and read by other programs: python3-dbf writes
// a FoxPro table with memos, the engine reads it, changes a memo and a field,
// and python3-dbfread and python3-dbf read the result back.
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "test_process.h"
#include "test_support.h"

namespace sdetest {
namespace {

using zel::ProcessResult;
using zel::RunProcess;

constexpr const char* kPython = "/usr/bin/python3";

int runPython(const std::string& script, const std::string& dir, std::string* output) {
  std::string file = dir + "/script.py";
  std::ofstream(file) << script;
  std::string cmd = std::string(kPython) + " " + file + " " + dir + " 2>&1";
  ProcessResult result = RunProcess(cmd);
  *output = std::move(result.output);
  return result.exitCode;
}

// Texts shared by both sides, in CP949: "가나다 공사" and a long memo.
const char* const kWriteScript = R"PY(
import sys, datetime, dbf
d = sys.argv[1]
t = dbf.Table(d + '/report.dbf', 'F_PAGE N(5,0); F_DES C(40); F_AMT N(15,3); F_DATE D; F_OK L; F_INIT M',
              dbf_type='fp', codepage='cp949')
t.open(mode=dbf.READ_WRITE)
long_memo = ''.join('%d번째 줄 내역\r\n' % i for i in range(300))
t.append((1, '가나다 공사', 1234.5, datetime.date(2024, 1, 31), True, '<RPTCODE>=♬A1♬'))
t.append((1, 'second', -7.25, datetime.date(1999, 12, 1), False, long_memo))
t.append((2, '라마바', 0, None, None, ''))
t.close()
open(d + '/long_memo.txt', 'wb').write(long_memo.encode('cp949'))
)PY";

const char* const kCheckScript = R"PY(
import sys, datetime, dbf, dbfread
d = sys.argv[1]
new_memo = open(d + '/new_memo.txt', 'rb').read().decode('cp949')
long_memo = open(d + '/long_memo.txt', 'rb').read().decode('cp949')
expected = [
  (1, '가나다 공사', 1234.5, datetime.date(2024, 1, 31), True, '<RPTCODE>=♬A1♬'),
  (1, '바뀐 내역', -7.25, datetime.date(1999, 12, 1), False, new_memo),
  (2, '라마바', 0, None, None, ''),
]
problems = []
rows = list(dbfread.DBF(d + '/report.dbf', encoding='cp949', char_decode_errors='strict'))
if len(rows) != 3: problems.append('dbfread: %d records' % len(rows))
for i, (r, e) in enumerate(zip(rows, expected)):
  got = (int(r['F_PAGE']), r['F_DES'].rstrip(), float(r['F_AMT'] or 0), r['F_DATE'], r['F_OK'], r['F_INIT'] or '')
  for name, g, x in zip(('F_PAGE', 'F_DES', 'F_AMT', 'F_DATE', 'F_OK', 'F_INIT'), got, e):
    if g != x: problems.append('dbfread record %d %s: %r != %r' % (i + 1, name, g, x))
t = dbf.Table(d + '/report.dbf', codepage='cp949')
t.open(mode=dbf.READ_ONLY)
for i, (r, e) in enumerate(zip(t, expected)):
  if r.f_des.rstrip() != e[1]: problems.append('dbf record %d F_DES: %r' % (i + 1, r.f_des))
  if (r.f_init or '') != e[5]: problems.append('dbf record %d F_INIT differs (%d chars)' % (i + 1, len(r.f_init or '')))
t.close()
if long_memo == new_memo: problems.append('test texts must differ')
print('\n'.join(problems) if problems else 'ok')
sys.exit(1 if problems else 0)
)PY";

class InteropTest : public EngineTest {};

TEST_F(InteropTest, TablesWrittenByPythonDbfReadAndChangedTablesReadBack) {
  if (system((std::string(kPython) + " -c 'import dbf, dbfread' >/dev/null 2>&1").c_str()) != 0)
    GTEST_SKIP() << "python3-dbf / python3-dbfread not installed";
  TempDir dir;
  std::string out;
  ASSERT_EQ(runPython(kWriteScript, dir.path(), &out), 0) << out;
  auto longMemoBytes = readAll(dir.file("long_memo.txt"));
  std::string longMemo(longMemoBytes.begin(), longMemoBytes.end());
  ASSERT_GT(longMemo.size(), 1000u);

  ASSERT_GT(sx_Use(dir.file("report.dbf").c_str(), "REPORT", SX_SHARED, SX_FOX), 0) << sx_LastError();
  EXPECT_EQ(sx_RecCount(), 3);
  sx_GoTop();
  EXPECT_EQ(std::string(sx_GetTrimString("F_DES")), "\xb0\xa1\xb3\xaa\xb4\xd9 \xb0\xf8\xbb\xe7");  // 가나다 공사
  EXPECT_EQ(sx_GetLong("F_PAGE"), 1);
  EXPECT_DOUBLE_EQ(sx_GetDouble("F_AMT"), 1234.5);
  EXPECT_STREQ(sx_GetString("F_DATE"), "20240131");
  EXPECT_TRUE(sx_GetLogical("F_OK"));
  EXPECT_EQ(memo("F_INIT"),
            "<RPTCODE>=\xa2\xdd"
            "A1\xa2\xdd");  // ♬ is A2 DD in CP949
  sx_Skip(1);
  EXPECT_EQ(memo("F_INIT"), longMemo);
  EXPECT_FALSE(sx_GetLogical("F_OK"));
  sx_Skip(1);
  EXPECT_EQ(memo("F_INIT"), "");
  EXPECT_TRUE(sx_Empty("F_DATE"));

  // Change record 2's memo and one field, as the margin dialog does.
  std::string newMemo =
      "<PAGESPACE>=\xa2\xdd"
      "10|20|30|40|\xa2\xdd\r\n" +
      std::string(3000, 'x');
  writeAll(dir.file("new_memo.txt"), std::vector<uint8_t>(newMemo.begin(), newMemo.end()));
  sx_Go(2);
  ASSERT_TRUE(sx_Rlock(2)) << sx_LastError();
  ASSERT_TRUE(sx_Replace("F_INIT", SX_R_MEMO, newMemo.c_str())) << sx_LastError();
  ASSERT_TRUE(sx_Replace("F_DES", SX_R_STRING, "\xb9\xd9\xb2\xef \xb3\xbb\xbf\xaa")) << sx_LastError();  // 바뀐 내역
  ASSERT_TRUE(sx_Commit()) << sx_LastError();
  sx_Unlock(0);
  sx_Close();

  ASSERT_EQ(runPython(kCheckScript, dir.path(), &out), 0) << out;
}

}  // namespace
}  // namespace sdetest
