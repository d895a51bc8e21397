#include "painter_canvas.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "cp949.h"
#include "font_mapper.h"

namespace zel {
namespace {

constexpr double kMmPerInchTimes10 = 254.0;  // page units (0.1 mm) per inch
constexpr int kMaxFontHeight = 16384;         // beyond this no font can be made
constexpr int kDefaultCellHeight = 30;        // a size-10 cell, for "no font selected"
constexpr double kMinStretch = 0.01, kMaxStretch = 40.0;
// Clip slack in page units: a recorded picture re-lays its texts out when it
// is played at another scale, and a glyph may then end a hair further right.
constexpr double kClipSlack = 2.0;

}  // namespace

PainterCanvas::PainterCanvas(QPainter& painter) : painter_(painter) {
  painter_.setBrush(Qt::white);
  painter_.setBackgroundMode(Qt::TransparentMode);
  applyTransform();
  applyPen();
}

PainterCanvas::~PainterCanvas() = default;

void PainterCanvas::setDeviceMapping() {
  mode_ = kMapText;
  applyTransform();
}

void PainterCanvas::setAnisotropicMapping(QSizeF windowExtent, QSizeF viewportExtent) {
  mode_ = kMapAnisotropic;
  if (windowExtent.width() != 0 && windowExtent.height() != 0) windowExtent_ = windowExtent;
  viewportExtent_ = viewportExtent;
  applyTransform();
}

void PainterCanvas::setMetricMapping(double dpiX, double dpiY) {
  mode_ = kMapLoMetric;
  if (dpiX > 0) dpiX_ = dpiX;
  if (dpiY > 0) dpiY_ = dpiY;
  applyTransform();
}

void PainterCanvas::setDeviceOrigin(QPointF origin) {
  deviceOrigin_ = origin;
  applyTransform();
}

void PainterCanvas::setWindowOrigin(int x, int y) {
  windowOrigin_ = QPointF(x, y);
  applyTransform();
}

QTransform PainterCanvas::pageTransform() const {
  double sx = 1, sy = 1;
  switch (mode_) {
    case kMapAnisotropic:
      sx = viewportExtent_.width() / windowExtent_.width();
      sy = viewportExtent_.height() / windowExtent_.height();
      break;
    case kMapLoMetric:
      sx = dpiX_ / kMmPerInchTimes10;
      sy = -dpiY_ / kMmPerInchTimes10;  // y grows upward
      break;
    default:
      break;
  }
  // device = device origin + (logical - window origin) * scale
  return QTransform(sx, 0, 0, sy, deviceOrigin_.x() - windowOrigin_.x() * sx,
                    deviceOrigin_.y() - windowOrigin_.y() * sy);
}

void PainterCanvas::applyTransform() {
  painter_.setWorldTransform(pageTransform());
  applyPen();
}

void PainterCanvas::applyPen() {
  // A pen narrower than one device pixel still draws one pixel, as on the
  // classic device; a cosmetic pen keeps that at any later scale.
  const double deviceWidth = std::abs(penWidth_ * pageTransform().m11());
  QPen pen(Qt::black);
  pen.setStyle(Qt::SolidLine);
  pen.setCapStyle(Qt::SquareCap);
  pen.setJoinStyle(Qt::MiterJoin);
  if (deviceWidth < 1.0) {
    pen.setWidth(0);
    pen.setCosmetic(true);
  } else {
    pen.setWidthF(penWidth_);
  }
  painter_.setPen(pen);
}

void PainterCanvas::setPenWidth(int width) {
  penWidth_ = std::max(width, 0);
  applyPen();
}

void PainterCanvas::moveTo(int x, int y) { current_ = QPointF(x, y); }

void PainterCanvas::lineTo(int x, int y) {
  const QPointF to(x, y);
  painter_.drawLine(current_, to);
  current_ = to;
}

void PainterCanvas::rectangle(int left, int top, int right, int bottom) {
  painter_.setBrush(Qt::white);
  painter_.drawRect(QRectF(QPointF(left, top), QPointF(right, bottom)).normalized());
}

bool PainterCanvas::resolveFont(const LogicalFont& logical, ResolvedFont& out) {
  if (std::abs(logical.height) > kMaxFontHeight || std::abs(logical.averageWidth) > kMaxFontHeight) return false;
  const MappedFace& face = fontMapper().faceFor(logical.faceName);
  // Positive heights are cell heights (internal leading included); negative
  // ones character heights (the em); zero asks for a default size.
  double pixels;
  if (logical.height > 0) {
    pixels = logical.height / face.cellPerPixel;
  } else if (logical.height < 0) {
    pixels = -logical.height;
  } else {
    pixels = kDefaultCellHeight / face.cellPerPixel;
  }
  const int scaledPixels = std::max(1, static_cast<int>(std::lround(pixels * kTextScale)));
  QFont font(face.family);
  font.setPixelSize(scaledPixels);
  // Unhinted outlines scale linearly, so a picture played at another zoom
  // lays its texts out the same way.
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setKerning(false);
  font.setWeight(QFont::Normal);
  font.setItalic(false);
  out.font = font;
  const QFontMetricsF metrics(font);
  out.ascent = metrics.ascent();
  out.descent = metrics.descent();
  out.stretch = 1.0;
  if (logical.averageWidth != 0) {
    const double natural = face.averagePerPixel * scaledPixels / kTextScale;
    if (natural > 0) out.stretch = std::clamp(std::abs(logical.averageWidth) / natural, kMinStretch, kMaxStretch);
  }
  return true;
}

bool PainterCanvas::selectFont(const LogicalFont& font) {
  ResolvedFont resolved;
  if (!resolveFont(font, resolved)) return false;
  fonts_.push_back(std::move(resolved));
  return true;
}

void PainterCanvas::restoreFont() {
  if (!fonts_.empty()) fonts_.pop_back();
}

void PainterCanvas::setTextColor(std::uint32_t colorRef) {
  textColor_ = QColor(colorRef & 0xFF, (colorRef >> 8) & 0xFF, (colorRef >> 16) & 0xFF);
}

const PainterCanvas::ResolvedFont& PainterCanvas::currentFont() {
  if (!fonts_.empty()) return fonts_.back();
  if (!defaultFont_) {
    defaultFont_ = std::make_unique<ResolvedFont>();
    LogicalFont plain;
    plain.height = kDefaultCellHeight;
    resolveFont(plain, *defaultFont_);
  }
  return *defaultFont_;
}

void PainterCanvas::drawText(const std::string& cp949Text, const CanvasRect& rect, unsigned flags) {
  const QTransform page = pageTransform();
  const QRectF logical = QRectF(QPointF(rect.left, rect.top), QPointF(rect.right, rect.bottom)).normalized();
  const QRectF device = page.mapRect(logical);
  if (cp949Text.empty()) return;
  const double sx = std::abs(page.m11());
  const double sy = std::abs(page.m22());
  const ResolvedFont& font = currentFont();
  const QString text = QString::fromStdString(cp949ToUtf8(cp949Text));

  // Device pixels per font unit, across and down.
  const double ux = sx * font.stretch / kTextScale;
  const double uy = sy / kTextScale;
  const QFontMetricsF metrics(font.font);
  const double width = metrics.horizontalAdvance(text) * ux;
  double x = device.left();
  if (flags & kDtRight) {
    x = device.right() - width;
  } else if (flags & kDtCenter) {
    x = device.center().x() - width / 2;
  }
  const double cell = (font.ascent + font.descent) * uy;
  double top = device.top();
  if (flags & kDtVCenter) top = device.center().y() - cell / 2;
  const double baseline = top + font.ascent * uy;

  painter_.save();
  painter_.setWorldTransform(QTransform());
  painter_.setClipRect(device.adjusted(-kClipSlack * sx, -kClipSlack * sy, kClipSlack * sx, kClipSlack * sy),
                       Qt::IntersectClip);
  painter_.setPen(textColor_);
  painter_.setFont(font.font);
  // Blanks are not drawn as glyphs but skipped over: PDF text extraction
  // then sees word gaps, and the padded texts of reports lose nothing.
  const qsizetype length = text.size();
  qsizetype start = 0;
  while (start < length) {
    while (start < length && text.at(start).isSpace()) ++start;
    if (start >= length) break;
    qsizetype end = start;
    while (end < length && !text.at(end).isSpace()) ++end;
    const double offset = start == 0 ? 0.0 : metrics.horizontalAdvance(text.left(start));
    painter_.setWorldTransform(QTransform(ux, 0, 0, uy, x + offset * ux, baseline));
    painter_.drawText(QPointF(0, 0), text.mid(start, end - start));
    start = end;
  }
  painter_.restore();
}

// ---------------------------------------------------------------------------

PicturePageRecorder::PicturePageRecorder() = default;
PicturePageRecorder::~PicturePageRecorder() {
  if (painter_ && painter_->isActive()) painter_->end();
}

Canvas& PicturePageRecorder::beginPage(int width, int height) {
  if (painter_ && painter_->isActive()) painter_->end();
  canvas_.reset();
  size_ = QSize(std::max(width, 1), std::max(height, 1));
  picture_ = QPicture();
  picture_.setBoundingRect(QRect(QPoint(0, 0), size_));
  painter_ = std::make_unique<QPainter>(&picture_);
  canvas_ = std::make_unique<PainterCanvas>(*painter_);
  return *canvas_;
}

void PicturePageRecorder::paintPaper() {
  if (!canvas_) return;
  // The border's right and bottom pixels lie inside the picture, as the
  // classic rectangle call leaves its right and bottom edges out.
  painter_->fillRect(QRect(QPoint(0, 0), size_), Qt::white);
  painter_->setBrush(Qt::NoBrush);
  painter_->drawRect(QRectF(0, 0, size_.width() - 1, size_.height() - 1));
  painter_->setBrush(Qt::white);
}

void PicturePageRecorder::setPageWindow(int windowWidth, int windowHeight) {
  if (!canvas_) return;
  savedMode_ = canvas_->mapMode();
  canvas_->setAnisotropicMapping(QSizeF(windowWidth, windowHeight), QSizeF(size_));
}

void PicturePageRecorder::restoreMapping() {
  if (!canvas_) return;
  if (savedMode_ == kMapText) canvas_->setDeviceMapping();
}

void PicturePageRecorder::endPage() {
  if (painter_ && painter_->isActive()) painter_->end();
  canvas_.reset();
  painter_.reset();
  picture_.setBoundingRect(QRect(QPoint(0, 0), size_));
}

}  // namespace zel
