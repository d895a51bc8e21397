// A report opened while the engine's index driver library is missing: the
// user is told the driver is missing, not that the report lacks an item. Its
// own program, because a driver once loaded stays loaded for the process.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "error_text.h"
#include "sde32.h"
#include "temp_dir.h"
#include "report_table.h"

namespace zel {
namespace {

TEST(DriverMissingTest, TheOpenFailsAsAMissingDriver) {
  TempDir reports{"zeldriver"};
  {
    // The table is written while the drivers can be found, then they are hidden.
    ASSERT_TRUE(sx_CreateNew(reports.file("P_RPTB02_TEST.dbf").c_str(), "MK", SX_NTX, 1)) << sx_LastError();
    ASSERT_TRUE(sx_CreateField("F_PAGE", "N", 5, 0));
    ASSERT_NE(sx_CreateExec(), 0) << sx_LastError();
    sx_Close();
  }
  TempDir empty{"zelnodriver"};
  setenv("SDE_DRIVER_DIR", empty.path().c_str(), 1);
  ReportTable t;
  EXPECT_FALSE(t.OpenTable(reports.path(), "P_RPTB02_TEST.dbf", "NSX"));
  ASSERT_TRUE(t.OpenError());
  EXPECT_EQ(t.OpenError()->kind(), ErrorKind::kDriverMissing) << t.OpenError()->what();
  const std::string shown = errorMessageText(*t.OpenError());
  EXPECT_EQ(shown.substr(0, shown.find('\r')),
            "색인 드라이버 라이브러리를 찾을 수 없습니다. 프로그램을 다시 설치하십시오.")
      << shown;
  EXPECT_NE(shown.find("sdensx32"), std::string::npos) << shown;
  EXPECT_EQ(openRefusalText(t.NotAReportReason().kind()), errorLine(ErrorKind::kDriverMissing));
}

}  // namespace
}  // namespace zel
