#include "toolbar_icons.h"

#include <algorithm>

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPixmapCache>

namespace zel {
namespace {

// Pictures are designed on a 24 x 24 grid and scaled to the requested rect.
constexpr double kGrid = 24.0;

struct Palette {
  QColor ink;  // outlines
  QColor accent;  // the coloured part
  QColor paper;  // page fill
};

Palette paletteFor(QIcon::Mode mode) {
  if (mode == QIcon::Disabled) return {QColor(150, 150, 150), QColor(175, 175, 175), QColor(235, 235, 235)};
  return {QColor(40, 40, 48), QColor(30, 90, 190), Qt::white};
}

void page(QPainter& p, const Palette& c, const QRectF& r) {
  p.setPen(QPen(c.ink, 1.2));
  p.setBrush(c.paper);
  p.drawRect(r);
}

void magnifier(QPainter& p, const Palette& c, char sign) {
  p.setPen(QPen(c.ink, 2.0, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(c.paper);
  p.drawEllipse(QPointF(10, 10), 6.5, 6.5);
  p.setPen(QPen(c.ink, 3.2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(15, 15), QPointF(21, 21));
  if (sign == 0) return;
  p.setPen(QPen(c.accent, 2.0, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(6.5, 10), QPointF(13.5, 10));
  if (sign == '+') p.drawLine(QPointF(10, 6.5), QPointF(10, 13.5));
}

void triangle(QPainter& p, const Palette& c, bool pointsLeft, double x) {
  QPainterPath path;
  if (pointsLeft) {
    path.moveTo(x, 12);
    path.lineTo(x + 8, 5);
    path.lineTo(x + 8, 19);
  } else {
    path.moveTo(x + 8, 12);
    path.lineTo(x, 5);
    path.lineTo(x, 19);
  }
  path.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(c.accent);
  p.drawPath(path);
}

void bar(QPainter& p, const Palette& c, double x) {
  p.setPen(Qt::NoPen);
  p.setBrush(c.accent);
  p.drawRect(QRectF(x, 5, 2.5, 14));
}

void arrowHead(QPainter& p, QPointF tip, QPointF back1, QPointF back2) {
  QPainterPath path;
  path.moveTo(tip);
  path.lineTo(back1);
  path.lineTo(back2);
  path.closeSubpath();
  p.drawPath(path);
}

void draw(QPainter& p, ToolbarIcon which, const Palette& c) {
  switch (which) {
    case ToolbarIcon::kClose: {
      // An open door with an arrow leaving it.
      p.setPen(QPen(c.ink, 1.6));
      p.setBrush(Qt::NoBrush);
      p.drawRect(QRectF(4, 3, 11, 18));
      QPainterPath door;
      door.moveTo(4, 3);
      door.lineTo(10, 6);
      door.lineTo(10, 23);
      door.lineTo(4, 21);
      door.closeSubpath();
      p.setBrush(c.ink);
      p.drawPath(door);
      p.setPen(QPen(c.accent, 2.2, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(13, 12), QPointF(20, 12));
      p.setPen(Qt::NoPen);
      p.setBrush(c.accent);
      arrowHead(p, QPointF(23, 12), QPointF(19, 8), QPointF(19, 16));
      break;
    }
    case ToolbarIcon::kPrint: {
      page(p, c, QRectF(7, 2.5, 10, 7));
      p.setPen(QPen(c.ink, 1.2));
      p.setBrush(c.accent);
      p.drawRoundedRect(QRectF(2.5, 9, 19, 9), 1.5, 1.5);
      page(p, c, QRectF(7, 14, 10, 7.5));
      p.setPen(QPen(c.ink, 0.9));
      p.drawLine(QPointF(9, 17), QPointF(15, 17));
      p.drawLine(QPointF(9, 19.3), QPointF(15, 19.3));
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(120, 230, 120));
      p.drawEllipse(QPointF(18.5, 11.5), 1, 1);
      break;
    }
    case ToolbarIcon::kFitPage: {
      page(p, c, QRectF(6, 2.5, 12, 19));
      p.setPen(QPen(c.ink, 0.9));
      for (double y = 7; y < 19; y += 3) p.drawLine(QPointF(8.5, y), QPointF(15.5, y));
      p.setPen(QPen(c.accent, 1.8));
      p.setBrush(Qt::NoBrush);
      p.drawRect(QRectF(2, 1, 20, 22));
      break;
    }
    case ToolbarIcon::kFitWidth: {
      page(p, c, QRectF(5, 3, 14, 18));
      p.setPen(QPen(c.accent, 1.8, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(4, 12), QPointF(20, 12));
      p.setPen(Qt::NoPen);
      p.setBrush(c.accent);
      arrowHead(p, QPointF(1, 12), QPointF(6, 8), QPointF(6, 16));
      arrowHead(p, QPointF(23, 12), QPointF(18, 8), QPointF(18, 16));
      break;
    }
    case ToolbarIcon::kZoomIn: magnifier(p, c, '+'); break;
    case ToolbarIcon::kZoomOut: magnifier(p, c, '-'); break;
    case ToolbarIcon::kFirst:
      bar(p, c, 5);
      triangle(p, c, true, 8.5);
      break;
    case ToolbarIcon::kPrior: triangle(p, c, true, 7.5); break;
    case ToolbarIcon::kNext: triangle(p, c, false, 8.5); break;
    case ToolbarIcon::kLast:
      triangle(p, c, false, 7);
      bar(p, c, 16.5);
      break;
    case ToolbarIcon::kSearch: {
      // A page behind a magnifier.
      page(p, c, QRectF(2.5, 2, 12, 16));
      p.setPen(QPen(c.ink, 0.9));
      for (double y = 6; y < 16; y += 3) p.drawLine(QPointF(4.5, y), QPointF(12.5, y));
      p.save();
      p.translate(4, 4);
      p.scale(0.85, 0.85);
      magnifier(p, c, 0);
      p.restore();
      break;
    }
    case ToolbarIcon::kExport: {
      // A sheet of cells with a heading row, and an arrow out of it.
      page(p, c, QRectF(2.5, 3.5, 15, 16));
      p.setPen(Qt::NoPen);
      p.setBrush(c.accent);
      p.drawRect(QRectF(3, 4, 14, 3.5));
      p.setPen(QPen(c.ink, 0.9));
      for (double y = 11; y < 19; y += 4) p.drawLine(QPointF(2.5, y), QPointF(17.5, y));
      for (double x = 7.5; x < 17; x += 5) p.drawLine(QPointF(x, 7.5), QPointF(x, 19.5));
      p.setPen(QPen(c.accent, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      p.drawLine(QPointF(13, 13), QPointF(21.5, 13));
      p.drawLine(QPointF(18.5, 10), QPointF(21.5, 13));
      p.drawLine(QPointF(18.5, 16), QPointF(21.5, 13));
      break;
    }
  }
}

class ToolbarIconEngine : public QIconEngine {
 public:
  explicit ToolbarIconEngine(ToolbarIcon which) : which_(which) {}

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
    paintToolbarIcon(*painter, rect, which_, mode);
  }

  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return scaledPixmap(size, mode, state, 1.0);
  }

  // QIcon hands over the size already in device pixels.
  QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override {
    const QSize device = size;
    // The scale is part of the key: it is stamped on the cached pixmap, so a
    // picture cached for one screen must not come back for another.
    const QString key = QStringLiteral("zel-toolbar-%1-%2-%3x%4@%5")
                            .arg(static_cast<int>(which_))
                            .arg(static_cast<int>(mode))
                            .arg(device.width())
                            .arg(device.height())
                            .arg(scale);
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap)) return pixmap;
    pixmap = QPixmap(device);
    pixmap.fill(Qt::transparent);
    {
      QPainter painter(&pixmap);
      paint(&painter, QRect(QPoint(0, 0), device), mode, state);
    }
    pixmap.setDevicePixelRatio(scale);
    QPixmapCache::insert(key, pixmap);
    return pixmap;
  }

  QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }

  QIconEngine* clone() const override { return new ToolbarIconEngine(which_); }

  QString key() const override { return QStringLiteral("zel-toolbar"); }

 private:
  ToolbarIcon which_;
};

}  // namespace

void paintToolbarIcon(QPainter& painter, const QRectF& rect, ToolbarIcon which, QIcon::Mode mode) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  // Keep the square grid square and centred in a non-square rect.
  const double side = std::min(rect.width(), rect.height());
  painter.translate(rect.center().x() - side / 2, rect.center().y() - side / 2);
  painter.scale(side / kGrid, side / kGrid);
  draw(painter, which, paletteFor(mode));
  painter.restore();
}

QIcon toolbarIcon(ToolbarIcon which) { return QIcon(new ToolbarIconEngine(which)); }

}  // namespace zel
