// zelrpt-icon OUT.png: the program's icon for the desktop entry, the logo of the
// description panel drawn centred on a transparent 128 x 128 square. Run at
// build time on the offscreen platform.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>

#include "logo_image.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zelrpt-icon OUT.png\n");
    return 2;
  }
  QApplication app(argc, argv);
  zel::LogoImage logo;
  constexpr int kSide = 128;
  const double scale = double(kSide) / logo.width();
  QImage icon(kSide, kSide, QImage::Format_ARGB32);
  icon.fill(Qt::transparent);
  {
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(0, (kSide - logo.height() * scale) / 2);
    p.scale(scale, scale);
    logo.render(&p, QPoint(), QRegion(), QWidget::DrawChildren);
  }
  if (!icon.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::fprintf(stderr, "zelrpt-icon: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
