#include "toolbar_icons.h"

#include <QImage>
#include <QSet>
#include <QtTest>

using namespace zel;

namespace {

const ToolbarIcon kAll[] = {ToolbarIcon::kClose,  ToolbarIcon::kPrint,   ToolbarIcon::kFitPage, ToolbarIcon::kFitWidth,
                            ToolbarIcon::kZoomIn, ToolbarIcon::kZoomOut, ToolbarIcon::kFirst,   ToolbarIcon::kPrior,
                            ToolbarIcon::kNext,   ToolbarIcon::kLast,    ToolbarIcon::kSearch,  ToolbarIcon::kExport};

int inkedPixels(const QImage& image) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qAlpha(image.pixel(x, y)) > 0) ++n;
  return n;
}

}  // namespace

class ToolbarIconsTest : public QObject {
  Q_OBJECT

 private slots:
  void everyIconDrawsAtEverySize_data() {
    QTest::addColumn<int>("side");
    QTest::newRow("16") << 16;
    QTest::newRow("24") << 24;
    QTest::newRow("64") << 64;
  }
  void everyIconDrawsAtEverySize() {
    QFETCH(int, side);
    for (ToolbarIcon which : kAll) {
      const QImage image = toolbarIcon(which).pixmap(QSize(side, side)).toImage();
      QCOMPARE(image.size(), QSize(side, side));
      const int inked = inkedPixels(image);
      QVERIFY2(inked > side * side / 20, qPrintable(QString::number(static_cast<int>(which))));
      QVERIFY(inked < side * side);  // transparent around the picture
    }
  }

  void iconsAreDistinct() {
    QSet<QByteArray> seen;
    for (ToolbarIcon which : kAll) {
      const QImage image = toolbarIcon(which).pixmap(QSize(24, 24)).toImage();
      seen.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
    }
    QCOMPARE(seen.size(), static_cast<int>(std::size(kAll)));
  }

  void disabledIsGrey() {
    const QImage image = toolbarIcon(ToolbarIcon::kNext).pixmap(QSize(24, 24), QIcon::Disabled).toImage();
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const QRgb px = image.pixel(x, y);
        if (qAlpha(px) < 255) continue;
        QVERIFY(qAbs(qRed(px) - qBlue(px)) < 8);
      }
  }

  void highResolutionPixmapIsSharp() {
    const QPixmap pixmap = toolbarIcon(ToolbarIcon::kZoomIn).pixmap(QSize(24, 24), 2.0);
    QCOMPARE(pixmap.size(), QSize(48, 48));
    QCOMPARE(pixmap.devicePixelRatio(), 2.0);
  }
};

QTEST_MAIN(ToolbarIconsTest)
#include "toolbar_icons_test.moc"
