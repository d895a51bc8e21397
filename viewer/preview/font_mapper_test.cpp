#include "font_mapper.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <gtest/gtest.h>

namespace zel {
namespace {

struct FaceCase {
  const char* name;  // for the test log
  const char* cp949;  // the face name as the report stores it
  const char* family;  // expected family
};

class FontMapperFaces : public ::testing::TestWithParam<FaceCase> {};

TEST_P(FontMapperFaces, MapsToInstalledHangulFamily) {
  const FaceCase& c = GetParam();
  const QString family = fontMapper().familyFor(c.cp949);
  EXPECT_EQ(family.toStdString(), c.family) << c.name;
  ASSERT_TRUE(QFontDatabase::hasFamily(family)) << c.name;
  QFont font(family);
  font.setStyleStrategy(QFont::NoFontMerging);
  EXPECT_TRUE(QFontMetricsF(font).inFontUcs4(0xAC00)) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    KoreanAndOtherFaces, FontMapperFaces,
    ::testing::Values(FaceCase{"GulimChe", "\xB1\xBC\xB8\xB2\xC3\xBC", "NanumGothicCoding"},  // 굴림체
                      FaceCase{"Gulim", "\xB1\xBC\xB8\xB2", "NanumGothic"},  // 굴림
                      FaceCase{"BatangChe", "\xB9\xD9\xC5\xC1\xC3\xBC", "NanumGothicCoding"},  // 바탕체
                      FaceCase{"Batang", "\xB9\xD9\xC5\xC1", "NanumMyeongjo"},  // 바탕
                      FaceCase{"DotumChe", "\xB5\xB8\xBF\xF2\xC3\xBC", "NanumGothicCoding"},  // 돋움체
                      FaceCase{"Dotum", "\xB5\xB8\xBF\xF2", "NanumGothic"},  // 돋움
                      FaceCase{"GungsuhChe", "\xB1\xC3\xBC\xAD\xC3\xBC", "NanumGothicCoding"},  // 궁서체
                      FaceCase{"Gungsuh", "\xB1\xC3\xBC\xAD", "NanumMyeongjo"},  // 궁서
                      FaceCase{"MsSansSerif", "MS Sans Serif", "NanumGothic"},
                      FaceCase{"Unknown", "No Such Face 123", "NanumGothic"}, FaceCase{"Empty", "", "NanumGothic"},
                      FaceCase{"BrokenBytes", "\xFF\xFE\x80", "NanumGothic"}));

TEST(FontMapper, EveryFamilyItHandsOutIsInstalledWithHangul) {
  EXPECT_TRUE(fontMapper().verify().isEmpty()) << fontMapper().verify().join(", ").toStdString();
}

TEST(FontMapper, MeasuredFaceHasSaneRatios) {
  const MappedFace& face = fontMapper().faceFor("\xB1\xBC\xB8\xB2\xC3\xBC");  // 굴림체
  EXPECT_GT(face.cellPerPixel, 0.9);
  EXPECT_LT(face.cellPerPixel, 1.6);
  EXPECT_GT(face.averagePerPixel, 0.3);
  EXPECT_LT(face.averagePerPixel, 0.7);
  // Asking again gives the same measured entry.
  EXPECT_EQ(&face, &fontMapper().faceFor("\xB1\xBC\xB8\xB2\xC3\xBC"));
}

}  // namespace
}  // namespace zel
