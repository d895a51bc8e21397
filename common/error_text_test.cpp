#include "error_text.h"

#include <gtest/gtest.h>

namespace zel {
namespace {

struct ErrorTextCase {
  const char* detail;
  const char* expected;
};

class ErrorTextTable : public ::testing::TestWithParam<ErrorTextCase> {};

TEST_P(ErrorTextTable, KoreanLineThenDetail) { EXPECT_EQ(errorMessageText(GetParam().detail), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Wordings, ErrorTextTable,
    ::testing::Values(
        // An empty table name: the detail loses its leading ": ".
        ErrorTextCase{": cannot go to the first record on a closed table",
                      "보고서 파일이 열려 있지 않습니다.\rcannot go to the first record on a closed table"},
        ErrorTextCase{"P_RPTB02: memo length 900 runs past the end of P_RPTB02.fpt",
                      "보고서 파일의 메모(.fpt) 내용이 손상되었습니다.\rP_RPTB02: memo length 900 runs past the end "
                      "of P_RPTB02.fpt"},
        ErrorTextCase{"cannot open /x/P_RPTB02.dbf", "보고서 파일을 열 수 없습니다.\rcannot open /x/P_RPTB02.dbf"},
        ErrorTextCase{"T: field 'F_PAGE' not found",
                      "보고서 파일에 필요한 항목이 없습니다.\rT: field 'F_PAGE' not found"},
        ErrorTextCase{"something else", "작업을 마치지 못했습니다.\rsomething else"},
        ErrorTextCase{"", "작업을 마치지 못했습니다."}));

}  // namespace
}  // namespace zel
