#include "xlsx_writer.h"

#include <gtest/gtest.h>

#include <string>

namespace zel {
namespace {

struct EscapeCase {
  const char* name;
  const char* in;
  const char* out;
};

class XlsxEscape : public ::testing::TestWithParam<EscapeCase> {};

// "_xHHHH_" in a stored text is read back as the character HHHH.
TEST_P(XlsxEscape, HexSequencesKeepTheirUnderscore) {
  EXPECT_EQ(XlsxWriter::EscapeHexSequences(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(Cases, XlsxEscape,
                         ::testing::Values(EscapeCase{"carriage_return", "x_x000D_y", "x_x005F_x000D_y"},
                                           EscapeCase{"upper_hex", "_x00AB_", "_x005F_x00AB_"},
                                           EscapeCase{"already_escaped_underscore", "_x005F_", "_x005F_x005F_"},
                                           EscapeCase{"two", "_x0041__x0042_", "_x005F_x0041__x005F_x0042_"},
                                           EscapeCase{"overlapping", "_x_x0041_", "_x_x005F_x0041_"},
                                           EscapeCase{"no_closing_underscore", "_x0041", "_x0041"},
                                           EscapeCase{"not_hex", "_x00G1_", "_x00G1_"},
                                           EscapeCase{"capital_x", "_X0041_", "_X0041_"},
                                           EscapeCase{"too_short", "_x041_", "_x041_"},
                                           EscapeCase{"plain", "plain_text", "plain_text"}, EscapeCase{"empty", "", ""},
                                           EscapeCase{"at_the_end", "a_x0041_", "a_x005F_x0041_"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct SheetNameCase {
  const char* name;
  const char* title;
  int number;
  const char* sheet;
};

class XlsxSheetName : public ::testing::TestWithParam<SheetNameCase> {};

TEST_P(XlsxSheetName, ValidAndAtMostThirtyOneCharacters) {
  EXPECT_EQ(XlsxWriter::SheetName(GetParam().title, GetParam().number), GetParam().sheet);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XlsxSheetName,
    ::testing::Values(SheetNameCase{"korean_title", "공종별 내역서", 1, "공종별 내역서"},
                      SheetNameCase{"second_sheet", "공종별 내역서", 2, "공종별 내역서 (2)"},
                      SheetNameCase{"forbidden_characters", "a[b]c:d*e?f/g\\h", 1, "abcdefgh"},
                      SheetNameCase{"apostrophes_and_blanks_at_the_ends", " 'quoted' ", 1, "quoted"},
                      SheetNameCase{"control_characters", "a\tb\rc", 1, "abc"}, SheetNameCase{"empty", "", 1, "Sheet"},
                      SheetNameCase{"only_forbidden", "[]", 3, "Sheet (3)"},
                      SheetNameCase{"thirty_one_hangul",
                                    "가나다라마바사아자차카타파하가나다라마바사아자차카타파하가나다라", 1,
                                    "가나다라마바사아자차카타파하가나다라마바사아자차카타파하가나다"},
                      SheetNameCase{"cut_for_the_number",
                                    "가나다라마바사아자차카타파하가나다라마바사아자차카타파하가나다라", 12,
                                    "가나다라마바사아자차카타파하가나다라마바사아자차카타 (12)"},
                      SheetNameCase{"cut_leaves_no_blank_at_the_end", "abcdefghijklmnopqrstuvwxyz abcdefgh", 2,
                                    "abcdefghijklmnopqrstuvwxyz (2)"},
                      SheetNameCase{"outside_the_basic_plane_counts_twice",
                                    "\xF0\x9F\x98\x80\xF0\x9F\x98\x80"
                                    "abcdefghijklmnopqrstuvwxyz12",
                                    1,
                                    "\xF0\x9F\x98\x80\xF0\x9F\x98\x80"
                                    "abcdefghijklmnopqrstuvwxyz1"}),
    [](const auto& info) { return std::string(info.param.name); });

struct FaceCase {
  const char* name;
  const char* cp949Face;
  const char* sheetFace;
};

class XlsxFace : public ::testing::TestWithParam<FaceCase> {};

TEST_P(XlsxFace, WindowsFacesKeptOthersGulim) {
  EXPECT_EQ(XlsxWriter::SheetFace(GetParam().cp949Face), GetParam().sheetFace);
}

INSTANTIATE_TEST_SUITE_P(Cases, XlsxFace,
                         ::testing::Values(FaceCase{"gulim", "\xB1\xBC\xB8\xB2", "굴림"},
                                           FaceCase{"gulimche_padded", " \xB1\xBC\xB8\xB2\xC3\xBC ", "굴림체"},
                                           FaceCase{"batang", "\xB9\xD9\xC5\xC1", "바탕"},
                                           FaceCase{"english_name", "Dotum", "Dotum"},
                                           FaceCase{"unknown", "MS Sans Serif", "굴림"}, FaceCase{"empty", "", "굴림"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(XlsxNumberFormat, DecimalsAsThePageShowsThem) {
  EXPECT_EQ(XlsxWriter::NumberFormat(0), "#,##0");
  EXPECT_EQ(XlsxWriter::NumberFormat(2), "#,##0.00");
}

}  // namespace
}  // namespace zel
