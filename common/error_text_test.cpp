#include "error_text.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace zel {
namespace {

struct KindCase {
  ErrorKind kind;
  const char* detail;
  const char* shown;  // what the user sees in the error box
};

class ErrorTextTable : public ::testing::TestWithParam<KindCase> {};

TEST_P(ErrorTextTable, TheKindsLineThenTheDetail) {
  const KindCase& c = GetParam();
  EXPECT_EQ(errorMessageText(DataError(c.kind, c.detail)), c.shown);
}

// Every kind, each with a detail the engine or the data layer gives for it.
INSTANTIATE_TEST_SUITE_P(
    EveryKind, ErrorTextTable,
    ::testing::Values(
        KindCase{ErrorKind::kOther, "something else", "작업을 마치지 못했습니다.\rsomething else"},
        // An empty table name: the detail loses its leading ": ".
        KindCase{ErrorKind::kTableClosed, ": cannot go to the first record on a closed table",
                 "보고서 파일이 열려 있지 않습니다.\rcannot go to the first record on a closed table"},
        KindCase{ErrorKind::kFileMissing, "/x/P_RPTB02.dbf: no such file",
                 "보고서 파일이 없습니다.\r/x/P_RPTB02.dbf: no such file"},
        KindCase{ErrorKind::kCannotOpen, "cannot open /x/P_RPTB02.dbf",
                 "보고서 파일을 열 수 없습니다.\rcannot open /x/P_RPTB02.dbf"},
        KindCase{ErrorKind::kInUse, "P_RPTB02.DBF: record 1 is in use by another user",
                 "다른 프로그램이 보고서 파일을 사용 중입니다.\rP_RPTB02.DBF: record 1 is in use by another user"},
        KindCase{ErrorKind::kExclusiveUse, "/x/P_RPTB02.dbf is in use by another user; exclusive open refused",
                 "다른 사용자가 단독으로 사용하고 있습니다.\r/x/P_RPTB02.dbf is in use by another user; exclusive "
                 "open refused"},
        KindCase{ErrorKind::kNoPermission, "cannot open /x/P_RPTB02.dbf: Permission denied",
                 "보고서를 읽을 권한이 없습니다.\rcannot open /x/P_RPTB02.dbf: Permission denied"},
        KindCase{ErrorKind::kFieldMissing, "T: field 'F_PAGE' not found",
                 "보고서 파일에 필요한 항목이 없습니다.\rT: field 'F_PAGE' not found"},
        KindCase{ErrorKind::kFieldType, "field F_INIT is not a memo field",
                 "보고서 파일의 항목 형식이 올바르지 않습니다.\rfield F_INIT is not a memo field"},
        KindCase{ErrorKind::kBadNumber, "T: 'x1' in F_AMT is not a valid number",
                 "보고서 파일의 숫자 항목이 올바르지 않습니다.\rT: 'x1' in F_AMT is not a valid number"},
        KindCase{ErrorKind::kMemoDamaged, "P_RPTB02: memo length 900 runs past the end of P_RPTB02.fpt",
                 "보고서 파일의 메모(.fpt) 내용이 손상되었습니다.\rP_RPTB02: memo length 900 runs past the end "
                 "of P_RPTB02.fpt"},
        KindCase{ErrorKind::kReadFailed, "T: cannot read field F_DES",
                 "보고서 파일을 읽을 수 없습니다.\rT: cannot read field F_DES"},
        KindCase{ErrorKind::kWriteFailed, "T: cannot post record 1",
                 "보고서 파일에 쓸 수 없습니다.\rT: cannot post record 1"},
        KindCase{ErrorKind::kIndex, "T: cannot build index tag F_PAGE",
                 "보고서 파일의 색인을 만들 수 없습니다.\rT: cannot build index tag F_PAGE"},
        KindCase{ErrorKind::kDriverMissing, "index driver library libsdecdx32.so not found (no such file)",
                 "색인 드라이버 라이브러리를 찾을 수 없습니다. 프로그램을 다시 설치하십시오.\rindex driver "
                 "library libsdecdx32.so not found (no such file)"},
        KindCase{ErrorKind::kOther, "", "작업을 마치지 못했습니다."}));

// The words come from the kind alone: English that once chose a line no longer does.
TEST(ErrorText, TheDetailsWordsDoNotChooseTheLine) {
  EXPECT_EQ(errorMessageText(DataError(ErrorKind::kDriverMissing, "index driver library x not found")),
            std::string(errorLine(ErrorKind::kDriverMissing)) + "\rindex driver library x not found");
  EXPECT_EQ(errorMessageText(DataError(ErrorKind::kOther, "memo lock index not found")),
            "작업을 마치지 못했습니다.\rmemo lock index not found");
}

TEST(ErrorText, AnyOtherExceptionIsAFailureOfUnknownKind) {
  EXPECT_EQ(errorMessageText(std::runtime_error("bad things")), "작업을 마치지 못했습니다.\rbad things");
}

TEST(ErrorText, OpenRefusalsForWhatTheUserCanActOn) {
  EXPECT_EQ(openRefusalText(ErrorKind::kInUse), "다른 프로그램이 사용하고 있는 보고서입니다.");
  EXPECT_EQ(openRefusalText(ErrorKind::kNoPermission), "보고서를 읽을 권한이 없습니다.");
  EXPECT_EQ(openRefusalText(ErrorKind::kDriverMissing), errorLine(ErrorKind::kDriverMissing));
  EXPECT_EQ(openRefusalText(ErrorKind::kCannotOpen), "");
  EXPECT_EQ(openRefusalText(ErrorKind::kOther), "");
}

}  // namespace
}  // namespace zel
