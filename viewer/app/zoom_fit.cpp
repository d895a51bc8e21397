#include "zoom_fit.h"

#include <cmath>

namespace zel {

namespace {

// As the preview sizes its surface: to the nearest pixel, halves to even.
int scaled(int pixels, int percent) { return static_cast<int>(std::nearbyint(pixels * percent * 0.01)); }

bool fits(FitKind kind, int pageWidth, int pageHeight, const FitArea& area, int percent) {
  const int w = scaled(pageWidth, percent), h = scaled(pageHeight, percent);
  if (kind == FitKind::kWholePage) return w <= area.width && h <= area.height;
  // A page taller than the area brings the vertical scroll bar, which takes its width.
  const int room = h > area.height ? area.width - area.scrollBarExtent : area.width;
  return w <= room;
}

}  // namespace

int fitZoom(FitKind kind, int pageWidth, int pageHeight, const FitArea& area, const ZoomLimits& limits) {
  if (pageWidth <= 0 || pageHeight <= 0 || limits.step <= 0) return limits.min;
  // Steps count from the minimum, so the answer is always one the zoom buttons reach.
  for (int percent = limits.max - (limits.max - limits.min) % limits.step; percent > limits.min;
       percent -= limits.step) {
    if (fits(kind, pageWidth, pageHeight, area, percent)) return percent;
  }
  return limits.min;
}

}  // namespace zel
