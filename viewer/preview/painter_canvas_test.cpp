#include "painter_canvas.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

#include "cp949.h"
#include "font_mapper.h"

namespace zel {
namespace {

constexpr char kGa[] = "\xB0\xA1";  // "가"
constexpr char kGaNaDa[] = "\xB0\xA1\xB3\xAA\xB4\xD9";  // "가나다"
constexpr char kGulimChe[] = "\xB1\xBC\xB8\xB2\xC3\xBC";  // "굴림체"

bool isInk(QRgb pixel) { return qGray(pixel) < 160; }

// Bounding box of the non-white pixels, or an empty rect.
QRect inkBox(const QImage& image) {
  int left = image.width(), top = image.height(), right = -1, bottom = -1;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (!isInk(image.pixel(x, y))) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

QImage whiteImage(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  return image;
}

LogicalFont bodyFont(int height, int width) {
  LogicalFont font;
  font.faceName = kGulimChe;
  font.height = height;
  font.averageWidth = width;
  return font;
}

// One page unit per pixel, y downward: the simplest mapping to reason about.
class CanvasOnImage : public ::testing::Test {
 protected:
  void SetUp() override {
    image_ = whiteImage(600, 400);
    painter_.begin(&image_);
    canvas_ = std::make_unique<PainterCanvas>(painter_);
  }
  QImage finish() {
    canvas_.reset();
    painter_.end();
    return image_;
  }
  QImage image_;
  QPainter painter_;
  std::unique_ptr<PainterCanvas> canvas_;
};

TEST_F(CanvasOnImage, LineLandsOnItsRow) {
  canvas_->setPenWidth(1);
  canvas_->moveTo(10, 100);
  canvas_->lineTo(500, 100);
  const QImage out = finish();
  EXPECT_TRUE(isInk(out.pixel(250, 100)));
  EXPECT_FALSE(isInk(out.pixel(250, 97)));
  EXPECT_FALSE(isInk(out.pixel(250, 103)));
  EXPECT_FALSE(isInk(out.pixel(505, 100)));
}

TEST_F(CanvasOnImage, RectangleIsFilledWhiteOverInk) {
  painter_.fillRect(QRect(0, 0, 600, 400), Qt::black);
  canvas_->setPenWidth(2);
  canvas_->rectangle(100, 100, 300, 200);
  const QImage out = finish();
  EXPECT_FALSE(isInk(out.pixel(200, 150)));  // filled white
  EXPECT_TRUE(isInk(out.pixel(100, 150)));  // border
  EXPECT_TRUE(isInk(out.pixel(50, 50)));  // outside untouched
}

struct AlignCase {
  unsigned flags;
  const char* name;
};

class CanvasTextAlign : public CanvasOnImage, public ::testing::WithParamInterface<AlignCase> {};

TEST_P(CanvasTextAlign, TextSitsInItsRectangle) {
  const CanvasRect rect{100, 100, 500, 200};
  ASSERT_TRUE(canvas_->selectFont(bodyFont(40, 20)));
  canvas_->drawText("HHHH", rect, GetParam().flags | kDtVCenter | kDtSingleLine);
  const QRect ink = inkBox(finish());
  ASSERT_FALSE(ink.isEmpty());
  // Vertically centred on one line.
  EXPECT_NEAR(ink.center().y(), 150, 4) << GetParam().name;
  EXPECT_GE(ink.top(), 100);
  EXPECT_LE(ink.bottom(), 200);
  // Four Latin letters of a fixed-width face at average width 20: about 80 wide.
  EXPECT_NEAR(ink.width(), 80, 14) << GetParam().name;
  if (GetParam().flags & kDtCenter) {
    EXPECT_NEAR(ink.center().x(), 300, 4);
  } else if (GetParam().flags & kDtRight) {
    EXPECT_NEAR(ink.right(), 500, 6);
  } else {
    EXPECT_NEAR(ink.left(), 100, 6);
  }
}

INSTANTIATE_TEST_SUITE_P(LeftCentreRight, CanvasTextAlign,
                         ::testing::Values(AlignCase{kDtLeft, "left"}, AlignCase{kDtCenter, "centre"},
                                           AlignCase{kDtRight, "right"}));

TEST_F(CanvasOnImage, TextIsClippedToItsRectangle) {
  ASSERT_TRUE(canvas_->selectFont(bodyFont(40, 20)));
  canvas_->drawText("HHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHH", {100, 100, 200, 200},
                    kDtCenter | kDtVCenter | kDtSingleLine);
  const QRect ink = inkBox(finish());
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_GE(ink.left(), 100 - 3);
  EXPECT_LE(ink.right(), 200 + 3);
}

// The measured width is the drawn width, and a text squeezed by the ratio of
// its cell to that width fills the cell and stays inside it, in each alignment.
TEST_P(CanvasTextAlign, SqueezedTextFillsItsCell) {
  const CanvasRect cell{100, 100, 300, 200};
  ASSERT_TRUE(canvas_->selectFont(bodyFont(40, 20)));
  const std::string text = "H1234567890H";
  const double width = canvas_->textWidth(text);
  EXPECT_NEAR(width, 12 * 20, 12 * 20 * 0.1);
  canvas_->drawText(text, cell, GetParam().flags | kDtVCenter | kDtSingleLine, 200.0 / width);
  const QRect ink = inkBox(finish());
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_GE(ink.left(), 100 - 1) << GetParam().name;
  EXPECT_LE(ink.right(), 300 + 1) << GetParam().name;
  EXPECT_GT(ink.width(), 200 - 12) << GetParam().name;  // both end letters are there
}

TEST_F(CanvasOnImage, CellHeightAndAverageWidthAreHonoured) {
  // A Hangul syllable is two average widths wide.
  ASSERT_TRUE(canvas_->selectFont(bodyFont(100, 50)));
  canvas_->drawText(std::string(kGa) + kGa + kGa + kGa, {0, 0, 600, 200}, kDtLeft | kDtVCenter | kDtSingleLine);
  const QRect ink = inkBox(finish());
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_NEAR(ink.width(), 400, 40);
  EXPECT_LE(ink.height(), 100);
  EXPECT_GE(ink.height(), 60);
}

TEST_F(CanvasOnImage, NarrowWidthSqueezesText) {
  ASSERT_TRUE(canvas_->selectFont(bodyFont(100, 25)));
  canvas_->drawText(std::string(kGa) + kGa + kGa + kGa, {0, 0, 600, 200}, kDtLeft | kDtVCenter | kDtSingleLine);
  const QRect ink = inkBox(finish());
  EXPECT_NEAR(ink.width(), 200, 25);
}

TEST_F(CanvasOnImage, RestoreFontGoesBackToTheOuterFont) {
  ASSERT_TRUE(canvas_->selectFont(bodyFont(40, 20)));
  ASSERT_TRUE(canvas_->selectFont(bodyFont(100, 50)));
  canvas_->restoreFont();
  canvas_->drawText("HHHH", {0, 0, 600, 200}, kDtLeft | kDtVCenter | kDtSingleLine);
  EXPECT_NEAR(inkBox(finish()).width(), 80, 14);
}

TEST_F(CanvasOnImage, AbsurdFontCannotBeMade) {
  EXPECT_FALSE(canvas_->selectFont(bodyFont(1 << 30, 10)));
  EXPECT_FALSE(canvas_->selectFont(bodyFont(30, -(1 << 30))));
  EXPECT_TRUE(canvas_->selectFont(bodyFont(0, 0)));  // default size
}

TEST_F(CanvasOnImage, TextColourIsBgr) {
  ASSERT_TRUE(canvas_->selectFont(bodyFont(200, 100)));
  canvas_->setTextColor(0x000000FF);  // red
  canvas_->drawText("\xA1\xE1", {0, 0, 600, 400}, kDtCenter | kDtVCenter | kDtSingleLine);  // "■"
  const QImage out = finish();
  int red = 0;
  for (int y = 0; y < out.height(); ++y)
    for (int x = 0; x < out.width(); ++x) {
      const QColor c = out.pixelColor(x, y);
      if (c.red() > 200 && c.green() < 60 && c.blue() < 60) ++red;
    }
  EXPECT_GT(red, 100);
}

TEST_F(CanvasOnImage, EmptyTextDrawsNothing) {
  canvas_->drawText("", {0, 0, 600, 400}, kDtCenter | kDtVCenter | kDtSingleLine);
  EXPECT_TRUE(inkBox(finish()).isEmpty());
}

// Korean text must come out as real glyphs, not the missing-glyph box.
TEST(CanvasKorean, HangulIsDrawnWithRealGlyphs) {
  auto render = [](const std::string& cp949) {
    QImage image = whiteImage(400, 120);
    QPainter painter(&image);
    PainterCanvas canvas(painter);
    LogicalFont font = bodyFont(80, 40);
    EXPECT_TRUE(canvas.selectFont(font));
    canvas.drawText(cp949, {0, 0, 400, 120}, kDtLeft | kDtVCenter | kDtSingleLine);
    painter.end();
    return image;
  };
  const QImage hangul = render(kGaNaDa);
  // A character no installed font has: drawn as the missing-glyph box.
  QImage box = whiteImage(400, 120);
  {
    QPainter painter(&box);
    PainterCanvas::ResolvedFont resolved;
    ASSERT_TRUE(PainterCanvas::resolveFont(bodyFont(80, 40), resolved));
    QFont font = resolved.font;
    font.setPixelSize(60);
    font.setStyleStrategy(QFont::NoFontMerging);
    painter.setFont(font);
    painter.drawText(QPointF(0, 80), QString::fromUcs4(U"\U000F0001\U000F0002\U000F0003"));
  }
  EXPECT_FALSE(inkBox(hangul).isEmpty());
  EXPECT_NE(hangul, box);
  // Three different syllables give three different glyph images.
  const QImage ga = hangul.copy(0, 0, 80, 120);
  const QImage na = hangul.copy(80, 0, 80, 120);
  EXPECT_NE(ga, na);
}

TEST(CanvasMapping, MetricMappingPutsYUpward) {
  QImage image = whiteImage(400, 400);
  QPainter painter(&image);
  PainterCanvas canvas(painter);
  canvas.setMetricMapping(254, 254);  // one page unit per pixel
  canvas.setPenWidth(1);
  canvas.moveTo(10, -100);  // 10 mm below the origin
  canvas.lineTo(300, -100);
  canvas.setWindowOrigin(0, 50);  // moves the origin 50 units up the device
  canvas.moveTo(10, -100);
  canvas.lineTo(300, -100);
  painter.end();
  EXPECT_TRUE(isInk(image.pixel(150, 100)));
  EXPECT_TRUE(isInk(image.pixel(150, 150)));
  EXPECT_FALSE(isInk(image.pixel(150, 125)));
}

TEST(CanvasMapping, TextStaysUprightUnderMetricMapping) {
  QImage image = whiteImage(400, 400);
  QPainter painter(&image);
  PainterCanvas canvas(painter);
  canvas.setMetricMapping(254, 254);
  ASSERT_TRUE(canvas.selectFont(bodyFont(60, 30)));
  // Top above bottom, as the renderer passes rectangles when y grows upward.
  canvas.drawText("T", {100, -100, 300, -200}, kDtCenter | kDtVCenter | kDtSingleLine);
  painter.end();
  const QRect ink = inkBox(image);
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_NEAR(ink.center().y(), 150, 4);
  EXPECT_NEAR(ink.center().x(), 200, 4);
  // Upright "T": the bar is at the top of the ink.
  int topInk = 0, bottomInk = 0;
  for (int x = ink.left(); x <= ink.right(); ++x) {
    topInk += isInk(image.pixel(x, ink.top() + 1));
    bottomInk += isInk(image.pixel(x, ink.bottom() - 1));
  }
  EXPECT_GT(topInk, bottomInk * 2);
}

TEST(CanvasMapping, AnisotropicWindowStretchesPageOntoViewport) {
  QImage image = whiteImage(210, 297);
  QPainter painter(&image);
  PainterCanvas canvas(painter);
  canvas.setAnisotropicMapping(QSizeF(2100, 2970), QSizeF(210, 297));
  canvas.setPenWidth(1);
  canvas.moveTo(0, 1000);
  canvas.lineTo(2100, 1000);
  painter.end();
  EXPECT_TRUE(isInk(image.pixel(100, 100)));
  EXPECT_FALSE(isInk(image.pixel(100, 97)));
}

// Draws on a canvas over an A4 PDF writer at 600 dpi with the body font
// selected, and returns the text pdftotext takes out of the file (`raw`: in
// the order drawn).
QString extractedPdfText(const std::function<void(PainterCanvas&)>& draw, bool raw) {
  QTemporaryDir dir;
  const QString file = dir.filePath("t.pdf");
  {
    QPdfWriter writer(file);
    writer.setResolution(600);
    writer.setPageSize(QPageSize(QPageSize::A4));
    QPainter painter(&writer);
    PainterCanvas canvas(painter);
    canvas.setMetricMapping(600, 600);
    if (!canvas.selectFont(bodyFont(40, 20))) {
      ADD_FAILURE() << "the body font cannot be selected";
      return {};
    }
    draw(canvas);
  }
  QProcess process;
  process.start("pdftotext", raw ? QStringList{"-raw", file, "-"} : QStringList{file, "-"});
  process.waitForFinished(60000);
  return QString::fromUtf8(process.readAllStandardOutput());
}

// A PDF writer as the device: the text comes out as real, extractable text,
// blanks included.
TEST(CanvasOnPdfWriter, TextIsExtractableWithItsBlanks) {
  if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "poppler-utils not installed";
  const QString text = extractedPdfText(
      [](PainterCanvas& canvas) {
        canvas.drawText(std::string(kGaNaDa) + " Page : 12", {100, -100, 1500, -200},
                        kDtLeft | kDtVCenter | kDtSingleLine);
      },
      false);
  EXPECT_TRUE(text.contains(QStringLiteral("가나다 Page : 12"))) << text.toStdString();
}

struct PdfTextCase {
  const char* name;
  const char16_t* text;
  unsigned flags;
  int width;  // of the cell, page units; narrow ones clip
};

class CanvasTextsOnPdf : public ::testing::TestWithParam<std::vector<PdfTextCase>> {};

// Texts drawn as glyph runs, held together or clipped one by one, come out
// of the PDF whole, blanks included, whatever else shares the page.
TEST_P(CanvasTextsOnPdf, EveryTextIsExtractableWithItsBlanks) {
  if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "poppler-utils not installed";
  const std::vector<PdfTextCase>& cases = GetParam();
  const QString text = extractedPdfText(
      [&](PainterCanvas& canvas) {
        int top = -100;
        for (const PdfTextCase& c : cases) {
          const std::string cp949 = utf8ToCp949(QString::fromUtf16(c.text).toStdString());
          canvas.drawText(cp949, {100, top, 100 + c.width, top - 60}, c.flags | kDtVCenter | kDtSingleLine);
          // A rule under every other text: lines send the held texts out.
          if ((top / 100) % 2 == 0) {
            canvas.moveTo(100, top - 70);
            canvas.lineTo(1900, top - 70);
          }
          top -= 100;
        }
      },
      true);
  for (const PdfTextCase& c : cases) {
    // Extraction writes a run of blanks as one.
    const QString wanted = QString::fromUtf16(c.text).simplified();
    EXPECT_TRUE(text.contains(wanted)) << c.name << "\n" << text.toStdString();
  }
}

INSTANTIATE_TEST_SUITE_P(Pages, CanvasTextsOnPdf,
                         ::testing::Values(std::vector<PdfTextCase>{{"one word", u"12,345.67", kDtRight, 1500}},
                                           std::vector<PdfTextCase>{
                                               {"words", u"공사명 : 햇살마을 근린생활시설", kDtLeft, 1700},
                                               {"amount", u"1,234,567,890.12", kDtRight, 1700},
                                               {"spread caption", u"품    명", kDtCenter, 1700},
                                               {"leading blanks", u"  가나 다", kDtLeft, 1700},
                                               {"same row again", u"Page : 12", kDtRight, 1700},
                                           },
                                           std::vector<PdfTextCase>{
                                               {"clipped", u"가나다라마바 사아", kDtLeft, 300},
                                               {"held", u"철근 콘크리트", kDtLeft, 1700},
                                               {"clipped amount", u"9,876,543.21", kDtRight, 200},
                                               {"held amount", u"4,321.00 원", kDtRight, 1700},
                                           }),
                         [](const auto& info) { return "page" + std::to_string(info.index); });

// The page picture: recorded once, played at any scale.
TEST(PicturePageRecorder, RecordsAPageThatPlaysAtAnyScale) {
  PicturePageRecorder recorder;
  Canvas& canvas = recorder.beginPage(661, 935);
  recorder.paintPaper();
  recorder.setPageWindow(2100, 2970);
  canvas.setPenWidth(2);
  canvas.moveTo(100, 1485);
  canvas.lineTo(2000, 1485);
  ASSERT_TRUE(canvas.selectFont(bodyFont(60, 30)));
  canvas.drawText(kGaNaDa, {100, 200, 2000, 400}, kDtCenter | kDtVCenter | kDtSingleLine);
  canvas.restoreFont();
  recorder.restoreMapping();
  recorder.endPage();

  EXPECT_EQ(recorder.picture().boundingRect(), QRect(0, 0, 661, 935));
  for (double scale : {1.0, 2.5}) {
    QImage image = whiteImage(int(661 * scale), int(935 * scale));
    image.fill(Qt::gray);
    QPainter painter(&image);
    painter.scale(scale, scale);
    painter.drawPicture(0, 0, recorder.picture());
    painter.end();
    const int row = int(1485 * 935.0 / 2970 * scale);
    EXPECT_TRUE(isInk(image.pixel(int(330 * scale), row))) << scale;
    EXPECT_EQ(image.pixel(int(330 * scale), row - int(6 * scale)), qRgb(255, 255, 255)) << scale;
    // The border of the paper.
    EXPECT_TRUE(isInk(image.pixel(0, int(400 * scale)))) << scale;
    // The title text lands in its band, centred.
    const QRect ink = inkBox(image.copy(0, int(50 * scale), image.width(), int(90 * scale)));
    ASSERT_FALSE(ink.isEmpty()) << scale;
    EXPECT_NEAR(ink.center().x(), 330 * scale, 6 * scale) << scale;
  }
}

// A device that only notes, for each text drawn on it, the painter's scale
// across and the font's stretch.
class TextScales : public QPaintDevice {
 public:
  struct Text {
    double across;
    int stretch;
  };
  QPaintEngine* paintEngine() const override { return &engine_; }
  const std::vector<Text>& texts() const { return engine_.texts; }

 protected:
  int metric(PaintDeviceMetric metric) const override {
    switch (metric) {
      case PdmWidth: return 661;
      case PdmHeight: return 935;
      case PdmDpiX:
      case PdmDpiY:
      case PdmPhysicalDpiX:
      case PdmPhysicalDpiY: return 96;
      case PdmDepth: return 32;
      case PdmDevicePixelRatio: return 1;
      case PdmDevicePixelRatioScaled: return static_cast<int>(QPaintDevice::devicePixelRatioFScale());
      default: return 0;
    }
  }

 private:
  struct Engine : QPaintEngine {
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawTextItem(const QPointF&, const QTextItem& item) override {
      texts.push_back({painter()->worldTransform().m11(), item.font().stretch()});
    }
    Type type() const override { return QPaintEngine::User; }
    std::vector<Text> texts;
  };
  mutable Engine engine_;
};

// Qt keeps a font's glyph images for a few transforms only, so a page whose
// texts are squeezed each its own way had them drawn again for every text.
// On a screen the squeeze is the font's stretch: every text of the page
// goes through the page's one transform.
TEST(PicturePageRecorder, SqueezedTextsShareThePageTransform) {
  PicturePageRecorder recorder;
  Canvas& canvas = recorder.beginPage(661, 935);
  recorder.setPageWindow(2100, 2970);
  ASSERT_TRUE(canvas.selectFont(bodyFont(60, 30)));
  const double squeezes[] = {1.0, 0.9, 0.8, 0.75, 0.6};
  int top = 200;
  for (double squeeze : squeezes) {
    canvas.drawText(kGaNaDa, {100, top, 2000, top + 100}, kDtLeft | kDtVCenter | kDtSingleLine, squeeze);
    top += 150;
  }
  canvas.restoreFont();
  recorder.restoreMapping();
  recorder.endPage();

  TextScales device;
  QPainter painter(&device);
  painter.drawPicture(0, 0, recorder.picture());
  painter.end();
  ASSERT_EQ(device.texts().size(), std::size(squeezes));
  const int natural = device.texts().front().stretch == QFont::AnyStretch ? 100 : device.texts().front().stretch;
  for (std::size_t i = 0; i < device.texts().size(); ++i) {
    EXPECT_DOUBLE_EQ(device.texts()[i].across, device.texts().front().across) << squeezes[i];
    if (i > 0) {
      EXPECT_NEAR(device.texts()[i].stretch, natural * squeezes[i], 1.0) << squeezes[i];
    }
  }
}

// On an image the stretched font puts the squeezed text where the squeeze
// says: as wide as the squeeze of its natural width.
TEST_F(CanvasOnImage, SqueezedTextIsAsWideAsTheSqueeze) {
  ASSERT_TRUE(canvas_->selectFont(bodyFont(100, 50)));
  const std::string text = std::string(kGa) + kGa + kGa + kGa;
  canvas_->drawText(text, {0, 0, 600, 100}, kDtLeft | kDtVCenter | kDtSingleLine);
  canvas_->drawText(text, {0, 200, 600, 300}, kDtLeft | kDtVCenter | kDtSingleLine, 0.63);
  const QImage image = finish();
  const QRect natural = inkBox(image.copy(0, 0, 600, 150));
  const QRect squeezed = inkBox(image.copy(0, 200, 600, 150));
  ASSERT_FALSE(natural.isEmpty());
  ASSERT_FALSE(squeezed.isEmpty());
  EXPECT_NEAR(squeezed.width(), natural.width() * 0.63, 3);
  EXPECT_EQ(squeezed.height(), natural.height());
}

TEST(PicturePageRecorder, EndWithoutBeginIsHarmless) {
  PicturePageRecorder recorder;
  recorder.paintPaper();
  recorder.setPageWindow(2100, 2970);
  recorder.restoreMapping();
  recorder.endPage();
  SUCCEED();
}

}  // namespace
}  // namespace zel
