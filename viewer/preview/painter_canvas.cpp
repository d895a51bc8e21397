// One file on purpose, though over 400 lines: the canvas's font cache, held
// texts and mappings are one piece (a text is measured, held and flushed by the
// same rules); the page recorder at the end is the canvas's only maker for the
// preview and is read with it.
#include "painter_canvas.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainter>
#include <QPen>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "cp949.h"
#include "font_mapper.h"

namespace zel {
namespace {

constexpr double kMmPerInchTimes10 = 254.0;  // page units (0.1 mm) per inch
constexpr int kMaxFontHeight = 16384;  // beyond this no font can be made
constexpr int kDefaultCellHeight = 30;  // a size-10 cell, for "no font selected"
constexpr double kMinStretch = 0.01, kMaxStretch = 40.0;
// Clip slack in page units: a recorded picture re-lays its texts out when it
// is played at another scale, and a glyph may then end a hair further right.
constexpr double kClipSlack = 2.0;

struct CachedFont {
  std::string faceName;
  int height = 0, averageWidth = 0;
  std::unique_ptr<PainterCanvas::ResolvedFont> resolved;
};

// What a thread's canvases share: the renderer makes the same few fonts on
// every line and page, and many cell texts come back. Fonts stay as long as
// the thread's cache (texts are keyed by them).
struct ThreadTexts {
  std::vector<CachedFont> fonts;
  std::unique_ptr<PainterCanvas::ResolvedFont> defaultFont;
  ShapedTextCache texts{PainterCanvas::kShapedTexts};
};

thread_local std::unique_ptr<ThreadTexts> threadTextsSlot;

// The main thread's fonts go before the application does, whose font
// database they use; other threads' go when the thread ends.
void dropMainThreadTexts() { threadTextsSlot.reset(); }

ThreadTexts& threadTexts() {
  if (!threadTextsSlot) {
    threadTextsSlot = std::make_unique<ThreadTexts>();
    const QCoreApplication* app = QCoreApplication::instance();
    if (app && app->thread() == QThread::currentThread()) qAddPostRoutine(dropMainThreadTexts);
  }
  return *threadTextsSlot;
}

}  // namespace

void PainterCanvas::clearThreadCache() { threadTextsSlot.reset(); }

PainterCanvas::PainterCanvas(QPainter& painter) : painter_(painter) {
  const QPaintDevice* device = painter_.device();
  const QPaintEngine* engine = painter_.paintEngine();
  splitWords_ = (device && device->devType() == QInternal::Printer) || (engine && engine->type() == QPaintEngine::Pdf);
  drawRuns_ = engine && (engine->type() == QPaintEngine::Pdf || engine->type() == QPaintEngine::Raster);
  holdRuns_ = engine && engine->type() == QPaintEngine::Pdf;
  stretchFonts_ = engine && (engine->type() == QPaintEngine::Raster || engine->type() == QPaintEngine::Picture);
  painter_.setBrush(Qt::white);
  painter_.setBackgroundMode(Qt::TransparentMode);
  applyTransform();
}

PainterCanvas::~PainterCanvas() { flushTexts(); }

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
    default: break;
  }
  // device = device origin + (logical - window origin) * scale
  return QTransform(sx, 0, 0, sy, deviceOrigin_.x() - windowOrigin_.x() * sx,
                    deviceOrigin_.y() - windowOrigin_.y() * sy);
}

void PainterCanvas::applyTransform() {
  page_ = pageTransform();
  painter_.setWorldTransform(page_);
  pageSet_ = true;
  applyPen();
}

void PainterCanvas::applyPen() {
  // A pen narrower than one device pixel still draws one pixel, as on the
  // classic device; a cosmetic pen keeps that at any later scale.
  const double deviceWidth = std::abs(penWidth_ * page_.m11());
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
  textPenSet_ = false;
}

void PainterCanvas::ensureLinePen() {
  // Texts leave their own transform and colour behind; lines put the page
  // mapping and the pen back only when they need them.
  if (!pageSet_) {
    painter_.setWorldTransform(page_);
    pageSet_ = true;
  }
  if (textPenSet_) applyPen();
}

void PainterCanvas::setPenWidth(int width) {
  penWidth_ = std::max(width, 0);
  applyPen();
}

void PainterCanvas::moveTo(int x, int y) { current_ = QPointF(x, y); }

void PainterCanvas::lineTo(int x, int y) {
  flushTexts();
  ensureLinePen();
  const QPointF to(x, y);
  painter_.drawLine(current_, to);
  current_ = to;
}

void PainterCanvas::rectangle(int left, int top, int right, int bottom) {
  flushTexts();
  ensureLinePen();
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
  out.metrics = std::make_unique<QFontMetricsF>(font);
  out.ascent = out.metrics->ascent();
  out.descent = out.metrics->descent();
  out.stretch = 1.0;
  if (logical.averageWidth != 0) {
    const double natural = face.averagePerPixel * scaledPixels / kTextScale;
    if (natural > 0) out.stretch = std::clamp(std::abs(logical.averageWidth) / natural, kMinStretch, kMaxStretch);
  }
  out.glyphs = std::make_unique<CharGlyphs>(font);
  return true;
}

const PainterCanvas::ResolvedFont::Stretched& PainterCanvas::ResolvedFont::stretchedTo(int percent) const {
  for (const auto& s : stretched) {
    if (s->percent == percent) return *s;
  }
  auto s = std::make_unique<Stretched>();
  s->percent = percent;
  s->font = font;
  s->font.setStretch(percent);
  s->raw = QRawFont::fromFont(s->font);
  stretched.push_back(std::move(s));
  return *stretched.back();
}

const PainterCanvas::ResolvedFont* PainterCanvas::lookUpFont(const LogicalFont& font) {
  // The renderer makes the same few fonts over and over (one per line).
  std::vector<CachedFont>& fonts = threadTexts().fonts;
  for (const CachedFont& cached : fonts) {
    if (cached.height == font.height && cached.averageWidth == font.averageWidth && cached.faceName == font.faceName)
      return cached.resolved.get();
  }
  auto resolved = std::make_unique<ResolvedFont>();
  if (!resolveFont(font, *resolved)) return nullptr;
  fonts.push_back({font.faceName, font.height, font.averageWidth, std::move(resolved)});
  return fonts.back().resolved.get();
}

bool PainterCanvas::selectFont(const LogicalFont& font) {
  const ResolvedFont* resolved = lookUpFont(font);
  if (!resolved) return false;
  fonts_.push_back(resolved);
  return true;
}

void PainterCanvas::restoreFont() {
  if (!fonts_.empty()) fonts_.pop_back();
}

void PainterCanvas::setTextColor(std::uint32_t colorRef) {
  textColor_ = QColor(colorRef & 0xFF, (colorRef >> 8) & 0xFF, (colorRef >> 16) & 0xFF);
  textPenSet_ = textPenSet_ && painter_.pen().color() == textColor_;
}

const PainterCanvas::ResolvedFont& PainterCanvas::currentFont() {
  if (!fonts_.empty()) return *fonts_.back();
  std::unique_ptr<ResolvedFont>& plainFont = threadTexts().defaultFont;
  if (!plainFont) {
    plainFont = std::make_unique<ResolvedFont>();
    LogicalFont plain;
    plain.height = kDefaultCellHeight;
    resolveFont(plain, *plainFont);
  }
  return *plainFont;
}

const ShapedText& PainterCanvas::measure(const std::string& cp949Text) {
  const ResolvedFont& font = currentFont();
  ShapedTextCache& cache = threadTexts().texts;
  if (last_ && lastFont_ == &font && lastEvictions_ == cache.evictions() && lastText_ == cp949Text) return *last_;
  ShapedText* shaped = cache.find(&font, cp949Text);
  if (!shaped) {
    shaped = &cache.insert(&font, cp949Text);
    shaped->text = QString::fromStdString(cp949ToUtf8(cp949Text));
    QList<quint32> glyphs;
    QList<QPointF> positions;
    if (font.glyphs && font.glyphs->layOut(shaped->text, glyphs, positions, shaped->advance)) {
      shaped->hasRun = true;
      shaped->run.setRawFont(font.glyphs->rawFont());
      shaped->run.setGlyphIndexes(glyphs);
      shaped->run.setPositions(positions);
    } else {
      shaped->advance = font.metrics->horizontalAdvance(shaped->text);
    }
  }
  last_ = shaped;
  lastFont_ = &font;
  lastText_ = cp949Text;
  lastEvictions_ = cache.evictions();
  return *shaped;
}

double PainterCanvas::textWidth(const std::string& cp949Text) {
  if (cp949Text.empty()) return 0;
  if (measureOnly_) {
    const ResolvedFont& font = currentFont();
    const QString text = QString::fromStdString(cp949ToUtf8(cp949Text));
    double advance = 0;
    if (!font.glyphs || !font.glyphs->advanceOf(text, advance)) advance = font.metrics->horizontalAdvance(text);
    return advance * font.stretch / kTextScale;
  }
  const ShapedText& m = measure(cp949Text);
  return m.advance * currentFont().stretch / kTextScale;
}

void PainterCanvas::drawText(const std::string& cp949Text, const CanvasRect& rect, unsigned flags, double xScale) {
  if (cp949Text.empty() || measureOnly_) return;
  const QRectF logical = QRectF(QPointF(rect.left, rect.top), QPointF(rect.right, rect.bottom)).normalized();
  const QRectF device = page_.mapRect(logical);
  const double sx = std::abs(page_.m11());
  const double sy = std::abs(page_.m22());
  const ShapedText& shaped = measure(cp949Text);
  const ResolvedFont& font = currentFont();

  // Device pixels per font unit, across and down.
  const double squeeze = xScale > 0 && xScale < 1 ? xScale : 1.0;
  const double ux = sx * font.stretch * squeeze / kTextScale;
  const double uy = sy / kTextScale;
  const double width = shaped.advance * ux;
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

  // Texts are clipped to their rectangle; most fit, and only those that do
  // not pay for a clip.
  const QRectF allowed = device.adjusted(-kClipSlack * sx, -kClipSlack * sy, kClipSlack * sx, kClipSlack * sy);
  const bool clip =
      x < allowed.left() || x + width > allowed.right() || top < allowed.top() || top + cell > allowed.bottom();
  const QRectF inked(x, top, width, cell);
  if (holdRuns_ && shaped.hasRun && !clip) {
    holdText(shaped, font, x, baseline, ux, uy, inked);
    return;
  }
  // Overlapping texts keep their order (text extraction reads the glyphs in
  // drawing order); the rest may be drawn before the texts held back.
  if (overlapsHeld(inked, held_.size())) flushTexts();
  if (clip) {
    painter_.save();
    painter_.setWorldTransform(QTransform());
    painter_.setClipRect(allowed, Qt::IntersectClip);
  }
  if (!textPenSet_ || painter_.pen().color() != textColor_) {
    painter_.setPen(textColor_);
    textPenSet_ = true;
  }
  if (painterFont_ != &font.font) {
    painter_.setFont(font.font);
    painterFont_ = &font.font;
  }
  if (stretchFonts_ && squeezedOnScreen(shaped, font, x, baseline, sx / kTextScale, ux, uy)) {
    // drawn
  } else if (drawRuns_ && shaped.hasRun) {
    painter_.setWorldTransform(QTransform(ux, 0, 0, uy, x, baseline));
    if (!shaped.run.glyphIndexes().isEmpty()) painter_.drawGlyphRun(QPointF(0, 0), shaped.run);
  } else if (!splitWords_) {
    painter_.setWorldTransform(QTransform(ux, 0, 0, uy, x, baseline));
    painter_.drawText(QPointF(0, 0), shaped.text);
  } else {
    drawWordByWord(shaped, font, x, baseline, ux, uy);
  }
  if (clip) {
    painter_.restore();
    // restore() put back the line pen and the painter's font of before.
    textPenSet_ = false;
    painterFont_ = nullptr;
  }
  pageSet_ = false;
}

bool PainterCanvas::squeezedOnScreen(const ShapedText& shaped, const ResolvedFont& font, double x, double baseline,
                                     double vx, double ux, double uy) {
  // The squeeze goes into the font (whole percents of its width), so every
  // text of a page is drawn through the one transform of the page's scale.
  const double across = ux / vx;
  const int percent = std::clamp(static_cast<int>(std::lround(across * 100)), 1, 4000);
  if (percent == 100) return false;
  const ResolvedFont::Stretched& stretched = font.stretchedTo(percent);
  painter_.setWorldTransform(QTransform(vx, 0, 0, uy, x, baseline));
  if (drawRuns_ && shaped.hasRun) {
    const QList<quint32> glyphs = shaped.run.glyphIndexes();
    if (glyphs.isEmpty()) return true;
    // Each glyph where the squeezing transform puts it.
    QList<QPointF> positions = shaped.run.positions();
    for (QPointF& p : positions) p.setX(p.x() * across);
    QGlyphRun run;
    run.setRawFont(stretched.raw);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    painter_.drawGlyphRun(QPointF(0, 0), run);
    return true;
  }
  if (painterFont_ != &stretched.font) {
    painter_.setFont(stretched.font);
    painterFont_ = &stretched.font;
  }
  painter_.drawText(QPointF(0, 0), shaped.text);
  return true;
}

bool PainterCanvas::overlapsHeld(const QRectF& inked, std::size_t run) const {
  for (std::size_t i = 0; i < held_.size(); ++i) {
    if (i == run || !held_[i].bounds.intersects(inked)) continue;
    for (const QRectF& other : held_[i].inked) {
      if (other.intersects(inked)) return true;
    }
  }
  return false;
}

void PainterCanvas::holdText(const ShapedText& shaped, const ResolvedFont& font, double x, double baseline, double ux,
                             double uy, const QRectF& inked) {
  const QList<quint32> glyphs = shaped.run.glyphIndexes();
  if (glyphs.isEmpty()) return;
  std::size_t index = 0;
  while (index < held_.size()) {
    const HeldRun& held = held_[index];
    if (held.font == &font && held.ux == ux && held.uy == uy && held.color == textColor_) break;
    ++index;
  }
  // A text over one held in another run would otherwise be drawn in the
  // wrong order.
  if (overlapsHeld(inked, index)) {
    flushTexts();
    index = 0;
  }
  HeldRun* run = index < held_.size() ? &held_[index] : nullptr;
  if (!run) {
    run = &held_.emplace_back();
    run->font = &font;
    run->ux = ux;
    run->uy = uy;
    run->color = textColor_;
    run->origin = QPointF(x, baseline);
  }
  run->inked.push_back(inked);
  run->bounds = run->bounds.isNull() ? inked : run->bounds.united(inked);
  const QPointF offset((x - run->origin.x()) / ux, (baseline - run->origin.y()) / uy);
  run->glyphs.append(glyphs);
  for (const QPointF& p : shaped.run.positions()) run->positions.append(p + offset);
}

void PainterCanvas::flushTexts() {
  if (held_.empty()) return;
  if (!painter_.isActive()) {
    held_.clear();
    return;
  }
  for (HeldRun& held : held_) {
    if (!textPenSet_ || painter_.pen().color() != held.color) {
      painter_.setPen(held.color);
      textPenSet_ = true;
    }
    QGlyphRun run;
    run.setRawFont(held.font->glyphs->rawFont());
    run.setRawData(held.glyphs.constData(), held.positions.constData(), static_cast<int>(held.glyphs.size()));
    painter_.setWorldTransform(QTransform(held.ux, 0, 0, held.uy, held.origin.x(), held.origin.y()));
    painter_.drawGlyphRun(QPointF(0, 0), run);
  }
  held_.clear();
  pageSet_ = false;
}

void PainterCanvas::drawWordByWord(const ShapedText& shaped, const ResolvedFont& font, double x, double baseline,
                                   double ux, double uy) {
  // Blanks are skipped over instead of drawn as glyphs: the PDF writer maps
  // the blank glyph to no character, so text extraction would lose the word
  // gaps.
  const QString& text = shaped.text;
  const qsizetype length = text.size();
  qsizetype start = 0;
  while (start < length) {
    while (start < length && text.at(start).isSpace()) ++start;
    if (start >= length) break;
    qsizetype end = start;
    while (end < length && !text.at(end).isSpace()) ++end;
    const double offset = start == 0 ? 0.0 : font.metrics->horizontalAdvance(text.left(start));
    painter_.setWorldTransform(QTransform(ux, 0, 0, uy, x + offset * ux, baseline));
    painter_.drawText(QPointF(0, 0), start == 0 && end == length ? text : text.mid(start, end - start));
    start = end;
  }
}

// ---------------------------------------------------------------------------

PicturePageRecorder::PicturePageRecorder(double scale) : scale_(scale > 0 ? scale : 1.0) {}
PicturePageRecorder::~PicturePageRecorder() {
  if (painter_ && painter_->isActive()) painter_->end();
}

Canvas& PicturePageRecorder::beginPage(int width, int height) {
  if (painter_ && painter_->isActive()) painter_->end();
  canvas_.reset();
  size_ = QSize(std::max(static_cast<int>(std::lround(width * scale_)), 1),
                std::max(static_cast<int>(std::lround(height * scale_)), 1));
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
